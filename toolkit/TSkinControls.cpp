// Behaviour of the skinned controls.
#include "toolkit/TSkinControls.h"

#include "core/UUtils.h"

#include "toolkit/TControlLayout.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

TSkinForm::TSkinForm(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground);
}

void TSkinForm::paintEvent(QPaintEvent*)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
}

TSkinPanel::TSkinPanel(bool framed, QWidget* parent) : QFrame(parent)
{
    SetFramed(framed);
}

void TSkinPanel::SetFramed(bool framed)
{
    FFramed = framed;
    // The style sheet selects framed panels by this property; re-polish to pick the change up.
    style()->unpolish(this);
    style()->polish(this);
}

TBevel::TBevel(QWidget* parent) : QFrame(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

TStdLabel::TStdLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setTextFormat(Qt::PlainText);
    adjustSize();
}

void TStdLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        adjustSize();
}

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void TLinkLabel::SetCaption(const QString& caption)
{
    setText(caption);
    adjustSize();
    updateGeometry();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    // The address comes from the branding configuration: OpenInBrowser hands on only what is safe, and
    // never to a generic file opener, which would run a script or a ".desktop" file.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        const QByteArray address = FURL.toLocal8Bit();
        OpenInBrowserOrSay(std::string(address.constData(), std::size_t(address.size())));
    }
}

void TLinkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        adjustSize();
        updateGeometry();
    }
}

TPasswordEdit::TPasswordEdit(QWidget* parent) : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
    setCursor(Qt::IBeamCursor);
}

QRect TPasswordEdit::TextArea() const
{
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    const QMargins m = textMargins();
    return r.marginsRemoved(m);
}

void TPasswordEdit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, this);

    const QRect area = TextArea();
    const int cell = CellWidth(area.height());
    const int side = SquareSide(area.height());
    const int count = int(text().size());
    // Scroll so that the cursor stays inside the text area.
    const int cursorX = cursorPosition() * cell;
    const int offset = std::max(0, cursorX - area.width() + 2);
    const int selStart = selectionStart();
    const int selEnd = selStart < 0 ? -1 : selStart + int(selectedText().size());

    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor textColor =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < count; ++i) {
        const QRect cellRect(area.left() + i * cell - offset, area.top(), cell, area.height());
        if (cellRect.left() > area.right())
            break;
        QColor squareColor = textColor;
        if (i >= selStart && i < selEnd) {
            p.fillRect(cellRect, palette().color(QPalette::Highlight));
            squareColor = palette().color(QPalette::HighlightedText);
        }
        const QRectF square(cellRect.left() + 2, cellRect.top() + (area.height() - side) / 2, side, side);
        p.setPen(Qt::NoPen);
        p.setBrush(squareColor);
        p.drawRoundedRect(square, side / 4.0, side / 4.0);
    }
    if (hasFocus() && !isReadOnly()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(textColor);
        const int x = area.left() + cursorX - offset;
        p.drawLine(x, area.top() + 1, x, area.bottom() - 1);
    }
}

namespace {

// Draws a list box's marks in a column before the items' texts, through the style's own item
// drawing, so that the skin's selection and hover colours stay as they are.
class TMarkDelegate : public QStyledItemDelegate
{
public:
    explicit TMarkDelegate(TListBox* list) : QStyledItemDelegate(list), FList(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!FList->MarksShown())
            return;
        const int row = index.row();
        if (!FList->MarkOf(row).Marked)
            return;
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QRect box = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
        const bool selected = opt.state & QStyle::State_Selected;
        const bool blinking = FList->BlinkingRow() == row;
        // The skin's colours: the highlight on the list's background, the highlighted text on a
        // selected row; a blinking mark stands inverted on the highlight.
        QColor ink = opt.palette.color(QPalette::Highlight);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (blinking || selected) {
            if (blinking && !selected)
                painter->fillRect(box.adjusted(-1, -1, 1, 1), opt.palette.color(QPalette::Highlight));
            ink = opt.palette.color(QPalette::HighlightedText);
        }
        QPainterPath tick;
        const QRectF r = QRectF(box).adjusted(2, 2, -2, -2);
        tick.moveTo(r.left(), r.top() + r.height() * 0.55);
        tick.lineTo(r.left() + r.width() * 0.38, r.bottom());
        tick.lineTo(r.right(), r.top());
        painter->setPen(
            QPen(ink, std::max(1.5, r.height() / 5.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(tick);
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!FList->MarksShown())
            return;
        // Room for the mark, on every row alike.
        const int side = std::max(8, option->fontMetrics.height() - 2);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(side, side);
        option->decorationPosition = QStyleOptionViewItem::Left;
    }

private:
    TListBox* FList;
};

} // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent)
{
    setTextElideMode(Qt::ElideMiddle);
    setItemDelegate(new TMarkDelegate(this));
}

void TListBox::SetMarker(TMarker marker)
{
    FMarker = std::move(marker);
    MarksChanged(FMarksShown);
}

void TListBox::MarksChanged(bool anyMarked)
{
    FMarksShown = anyMarked && FMarker;
    viewport()->update();
}

TListBox::TMark TListBox::MarkOf(int row) const
{
    return FMarker && row >= 0 && row < count() ? FMarker(row) : TMark{};
}

void TListBox::BlinkMark(int row)
{
    FBlinkRow = row;
    viewport()->update();
    QTimer::singleShot(BlinkMs, this, [this, serial = ++FBlinkSerial] {
        if (serial != FBlinkSerial)
            return;
        FBlinkRow = -1;
        viewport()->update();
    });
}

void TListBox::keyboardSearch(const QString& search)
{
    // The list's own search goes on from the item after the current one when a new word begins; here
    // every search looks from the top.
    if (!FSinceTyped.isValid() || FSinceTyped.elapsed() >= QApplication::keyboardInputInterval())
        FTyped.clear();
    FSinceTyped.start();
    FTyped += search;
    if (FTyped.isEmpty())
        return;
    for (int row = 0; row < count(); ++row)
        if (item(row)->text().startsWith(FTyped, Qt::CaseInsensitive)) {
            if (!item(row)->isSelected() || currentRow() != row)
                setCurrentRow(row);
            return;
        }
}

bool TListBox::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const QListWidgetItem* under = itemAt(help->pos())) {
            QString tip = under->text();
            if (const QString own = under->toolTip(); !own.isEmpty())
                tip += QLatin1Char('\n') + own;
            if (const TMark mark = MarkOf(row(under)); !mark.Hint.isEmpty())
                tip += QLatin1Char('\n') + mark.Hint;
            QToolTip::showText(help->globalPos(), tip, viewport(), visualItemRect(under));
        } else
            QToolTip::hideText();
        return true;
    }
    return QListWidget::viewportEvent(event);
}

void TListBox::initViewItemOption(QStyleOptionViewItem* option) const
{
    QListWidget::initViewItemOption(option);
    // A view without the focus draws its selection in the faint inactive colours; within the
    // active window this list keeps the active ones.
    if (isActiveWindow())
        option->state |= QStyle::State_Active;
}

TScrollBar::TScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TScrollBar::Attach(QAbstractScrollArea* area, bool autoHide)
{
    QScrollBar* inner =
        orientation() == Qt::Vertical ? area->verticalScrollBar() : area->horizontalScrollBar();
    if (orientation() == Qt::Vertical)
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    else
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const auto follow = [this, inner, autoHide] {
        setRange(inner->minimum(), inner->maximum());
        setPageStep(inner->pageStep());
        setSingleStep(inner->singleStep());
        setValue(inner->value());
        const bool needed = inner->maximum() > inner->minimum();
        if (autoHide)
            setVisible(needed);
        else
            setEnabled(needed);
    };
    connect(inner, &QScrollBar::rangeChanged, this, follow);
    connect(inner, &QScrollBar::valueChanged, this, &QScrollBar::setValue);
    connect(this, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    follow();
}

QPixmap LoadMaskedPicture(const QString& path)
{
    QImage image(path);
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == 0xFF00FF)
                line[x] = 0;
    }
    return QPixmap::fromImage(image);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, bool focusable)
{
    auto* button = MakeControl<QPushButton>(parent, name, caption);
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    button->setFocusPolicy(focusable ? Qt::StrongFocus : Qt::NoFocus);
    return button;
}

QPlainTextEdit* MakeMemo(QWidget* panel, QSize designSize, TScrollBar*& scrollBar)
{
    auto* layout = TControlLayout::Of(panel, designSize);
    scrollBar = MakeControl<TScrollBar>(panel, "bsSkinScrollBar1", Qt::Vertical);
    layout->Dock(scrollBar, TAlign::Right, 19);
    auto* memo = MakeControl<QPlainTextEdit>(panel, "memBody");
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setTabChangesFocus(true);
    layout->Dock(memo, TAlign::Client);
    scrollBar->Attach(memo);
    return memo;
}
