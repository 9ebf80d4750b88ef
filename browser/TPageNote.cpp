// The pane's note: placed, drawn, announced and taken down again.
#include "browser/TPageNote.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>
#include <QTimer>

namespace {

// How long a note stays: long enough to read a line of about a dozen words.
constexpr int NoteMs = 4000;
// Room around the text and between the note and the edges of the view, in device-independent
// pixels.
constexpr int Padding = 8;
constexpr int Margin = 10;
constexpr qreal Corner = 4;

} // namespace

TPageNote::TPageNote(QWidget* view) : QLabel(view->parentWidget()), FView(view)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // Addresses and page titles are shown as they are, never as markup.
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    FTimer = new QTimer(this);
    FTimer->setSingleShot(true);
    FTimer->setInterval(NoteMs);
    connect(FTimer, &QTimer::timeout, this, &TPageNote::Clear);
    FView->installEventFilter(this);
    hide();
}

void TPageNote::Show(const QString& text)
{
    if (text.isEmpty()) {
        Clear();
        return;
    }
    setText(text);
    setAccessibleName(text);
    setAccessibleDescription(text);
    Place();
    raise();
    show();
    update();
    FTimer->start();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString TPageNote::Shown() const
{
    return isVisibleTo(parentWidget()) ? text() : QString();
}

void TPageNote::Clear()
{
    FTimer->stop();
    hide();
    clear();
    setAccessibleName(QString());
    setAccessibleDescription(QString());
}

// Centred along the bottom edge of the view, as wide as the text needs and the view allows; an
// address without spaces is broken anywhere rather than cut off.
void TPageNote::Place()
{
    const QRect view = FView->geometry();
    const int room = qMax(1, view.width() - 2 * Margin - 2 * Padding);
    const QFontMetrics metrics(font());
    int flags = Qt::AlignCenter | Qt::TextWordWrap;
    QRect needed = metrics.boundingRect(QRect(0, 0, room, INT_MAX / 4), flags, text());
    if (needed.width() > room) {
        flags = Qt::AlignCenter | Qt::TextWrapAnywhere;
        needed = metrics.boundingRect(QRect(0, 0, room, INT_MAX / 4), flags, text());
    }
    const int width = qMin(needed.width(), room) + 2 * Padding;
    const int height = qMin(needed.height() + 2 * Padding, qMax(1, view.height() - 2 * Margin));
    setGeometry(view.left() + (view.width() - width) / 2, view.bottom() + 1 - Margin - height, width, height);
}

bool TPageNote::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FView && (event->type() == QEvent::Resize || event->type() == QEvent::Move) &&
        isVisibleTo(parentWidget()))
        Place();
    return QLabel::eventFilter(watched, event);
}

// The colours of the skin's tool tips: a note is a tip about the page, and reads on any page.
void TPageNote::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Corner, Corner);
    const QRect inside = rect().adjusted(Padding, Padding, -Padding, -Padding);
    const QFontMetrics metrics(font());
    const int flags = metrics.boundingRect(QRect(0, 0, inside.width(), INT_MAX / 4),
                                           Qt::AlignCenter | Qt::TextWordWrap, text())
                                  .width() > inside.width()
                          ? Qt::AlignCenter | Qt::TextWrapAnywhere
                          : Qt::AlignCenter | Qt::TextWordWrap;
    painter.drawText(inside, flags, text());
}
