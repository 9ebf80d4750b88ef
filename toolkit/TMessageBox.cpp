// Building and showing the message box.
#include "toolkit/TMessageBox.h"

#include "toolkit/TSkinData.h"
#include "toolkit/TSkinDialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace {

TMessageBox::THook& Hook()
{
    static TMessageBox::THook hook;
    return hook;
}

constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextExpandTabs;
constexpr int ButtonWidth = 70;
constexpr int ButtonGap = 10;
// Room that the window system's frame (title bar and borders) takes outside the client area. The frame
// is unknown until the box is shown, so a box limited to the screen leaves this much for it.
constexpr int FrameAllowance = 40;
// The property of each button that holds its result code: the button's role, whatever its caption.
const char* const ResultProperty = "result";

QString ButtonCaption(TMsgDlgBtn button)
{
    switch (button) {
    case TMsgDlgBtn::mbYes:
        return QStringLiteral("&Yes");
    case TMsgDlgBtn::mbNo:
        return QStringLiteral("&No");
    case TMsgDlgBtn::mbOK:
        return QStringLiteral("OK");
    case TMsgDlgBtn::mbCancel:
        return QStringLiteral("Cancel");
    }
    return {};
}

int ButtonResult(TMsgDlgBtn button)
{
    switch (button) {
    case TMsgDlgBtn::mbYes:
        return mrYes;
    case TMsgDlgBtn::mbNo:
        return mrNo;
    case TMsgDlgBtn::mbOK:
        return mrOk;
    case TMsgDlgBtn::mbCancel:
        return mrCancel;
    }
    return mrCancel;
}

QStyle::StandardPixmap IconOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case TMsgDlgType::mtError:
        return QStyle::SP_MessageBoxCritical;
    case TMsgDlgType::mtInformation:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_MessageBoxQuestion;
    }
}

} // namespace

TMessageLabel::TMessageLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(Lines(text));
}

QString TMessageLabel::Lines(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

QSize TMessageLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    if (text().isEmpty())
        return QSize(0, fm.height());
    const QRect r = fm.boundingRect(QRect(0, 0, 0, 0), TextFlags, text());
    return QSize(r.width(), std::max(r.height(), fm.height()));
}

void TMessageLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    p.drawText(rect(), TextFlags, text());
}

TMessageDialog::TMessageDialog(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                               const TSkin& skin, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), FText(text)
{
    setObjectName(QStringLiteral("TMessageDialog"));
    setWindowTitle(TMessageBox::Caption(type));
    setModal(true);

    FLabel = new TMessageLabel(text, this);
    FLabel->setFont(skin.MessageFont());
    FLabel->ensurePolished();
    const QSize labelSize = FLabel->sizeHint();
    FLabel->setGeometry(50, 15, labelSize.width(), labelSize.height());

    const int buttonHeight = skin.ButtonPictureHeight();
    const int n = int(buttons.size());
    const int rowWidth = n * ButtonWidth + std::max(0, n - 1) * ButtonGap;
    int clientHeight = buttonHeight + FLabel->height() + 50;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect();
    // A text taller than the screen scrolls inside the box, which keeps its caption and buttons on the
    // screen.
    int textWidth = FLabel->width();
    int textHeight = FLabel->height();
    if (screen && clientHeight > work.height() - FrameAllowance) {
        clientHeight =
            std::max(work.height() - FrameAllowance, buttonHeight + 50 + FLabel->fontMetrics().height());
        textHeight = clientHeight - buttonHeight - 50;
        FTextArea = new QScrollArea(this);
        FTextArea->setObjectName(QStringLiteral("text"));
        FTextArea->setFrameShape(QFrame::NoFrame);
        FTextArea->setFocusPolicy(Qt::NoFocus);
        FTextArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        FTextArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        FTextArea->viewport()->setAutoFillBackground(false);
        FTextArea->setWidget(FLabel);
        FLabel->setAutoFillBackground(false);
        textWidth += FTextArea->verticalScrollBar()->sizeHint().width();
    }
    int clientWidth = std::max(50 + textWidth, rowWidth) + 40;
    const int workWidth = screen ? work.width() : clientWidth;
    if (clientWidth > workWidth)
        clientWidth = workWidth;
    else if (clientWidth < skin.WindowPictureWidth())
        clientWidth = skin.WindowPictureWidth();
    if (FTextArea)
        FTextArea->setGeometry(50, 15, std::min(textWidth, clientWidth - 50), textHeight);

    if (type != TMsgDlgType::mtCustom) {
        FIcon = new QLabel(this);
        FIcon->setObjectName(QStringLiteral("icon"));
        FIcon->setPixmap(style()->standardIcon(IconOf(type)).pixmap(32, 32));
        const int top = std::max(10, 15 + textHeight / 2 - 16);
        FIcon->setGeometry(5, top, 32, 32);
    }

    int x = (clientWidth - rowWidth) / 2;
    const int y = clientHeight - 10 - buttonHeight;
    // Enter presses the default button; Esc the cancel button (Cancel, else No, else OK).
    for (TMsgDlgBtn button : buttons) {
        auto* b = new QPushButton(ButtonCaption(button), this);
        b->setGeometry(x, y, ButtonWidth, buttonHeight);
        b->setCursor(Qt::PointingHandCursor);
        const int result = ButtonResult(button);
        b->setProperty(ResultProperty, result);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        if (FButtons.isEmpty()) {
            b->setDefault(true);
            b->setFocus();
            FDefaultButton = b;
        }
        FButtons.append(b);
        x += ButtonWidth + ButtonGap;
    }
    setFixedSize(clientWidth, clientHeight);
    CentreOnScreen(this);
}

void TMessageDialog::SetDefaultButton(TMsgDlgBtn button)
{
    const int result = ButtonResult(button);
    for (QPushButton* b : FButtons) {
        const bool chosen = b->property(ResultProperty).toInt() == result;
        b->setDefault(chosen);
        if (chosen) {
            b->setFocus();
            FDefaultButton = b;
        }
    }
}

void TMessageDialog::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (FTextArea && event->modifiers() == Qt::NoModifier) {
        // The keys that page through a text scroll it; the buttons keep the focus.
        const std::pair<int, QAbstractSlider::SliderAction> scrollKeys[] = {
            {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub},
            {Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd},
            {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub},
            {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
            {Qt::Key_Home, QAbstractSlider::SliderToMinimum},
            {Qt::Key_End, QAbstractSlider::SliderToMaximum}};
        for (const auto& [key, action] : scrollKeys)
            if (event->key() == key) {
                FTextArea->verticalScrollBar()->triggerAction(action);
                return;
            }
    }
    if (event->key() == Qt::Key_Escape || (enter && event->modifiers() == Qt::NoModifier)) {
        QPushButton* target = nullptr;
        if (enter) {
            // The button the user moved the focus to, else the default button. A box that holds
            // input back takes no answer from where typing may have sent the focus.
            for (QPushButton* b : FButtons)
                if (b->hasFocus() && !FEnterPressesDefault)
                    target = b;
            if (!target)
                target = FDefaultButton;
        } else {
            for (const int result : {mrCancel, mrNo, mrOk})
                for (QPushButton* b : FButtons)
                    if (!target && b->property(ResultProperty).toInt() == result)
                        target = b;
        }
        if (target) {
            target->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

namespace {

TMessageDialog::TClock& DelayClock()
{
    static TMessageDialog::TClock clock;
    return clock;
}

qint64 DelayNow()
{
    if (DelayClock())
        return DelayClock()();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Holds a box's input back until it has been shown for its delay without any: keys and mouse
// presses on the box and its buttons are dropped, the buttons disabled, and each dropped press
// starts the wait again. Whichever comes first after a quiet delay, the timer or the next press,
// lets input through.
class TInputDelay : public QObject
{
public:
    TInputDelay(TMessageDialog* box, int ms) : QObject(box), FBox(box), FMs(ms)
    {
        FTimer.setSingleShot(true);
        connect(&FTimer, &QTimer::timeout, this, &TInputDelay::Check);
        box->installEventFilter(this);
        for (QPushButton* b : box->Buttons()) {
            b->setEnabled(false);
            b->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            if (watched == FBox && !FStarted) {
                FStarted = true;
                FQuietSince = DelayNow();
                FTimer.start(FMs);
            }
            break;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (FStarted && Quiet() <= 0) {
                Release();
                return false;
            }
            FQuietSince = DelayNow();
            event->accept();
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonRelease:
            event->accept();
            return true;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // What is left of the quiet wait, in milliseconds.
    qint64 Quiet() const { return FMs - (DelayNow() - FQuietSince); }

    void Check()
    {
        const qint64 left = Quiet();
        if (left <= 0)
            Release();
        else
            FTimer.start(int(std::min<qint64>(left, FMs)));
    }

    void Release()
    {
        FTimer.stop();
        for (QPushButton* b : FBox->Buttons()) {
            b->setEnabled(true);
            b->removeEventFilter(this);
        }
        FBox->removeEventFilter(this);
        // The default button takes the focus it could not hold while disabled.
        for (QPushButton* b : FBox->Buttons())
            if (b->isDefault())
                b->setFocus();
        deleteLater();
    }

    TMessageDialog* FBox;
    int FMs;
    QTimer FTimer;
    bool FStarted = false;
    qint64 FQuietSince = 0;
};

} // namespace

void TMessageDialog::SetInputDelay(int ms)
{
    if (ms <= 0)
        return;
    // A button takes Enter itself when it has the focus, and becomes the default when Tab gives it
    // the focus; neither may happen here, where Enter answers with the default button.
    FEnterPressesDefault = true;
    for (QPushButton* b : FButtons)
        b->setAutoDefault(false);
    new TInputDelay(this, ms);
}

void TMessageDialog::SetInputDelayClock(TClock clock)
{
    DelayClock() = std::move(clock);
}

TMessageBox::TMessageBox(QObject* parent) : QObject(parent) {}

int TMessageBox::Exec(TMessageDialog& dialog)
{
    if (Hook())
        return Hook()(dialog);
    return dialog.exec();
}

std::unique_ptr<TMessageDialog> TMessageBox::Build(const QString& text, TMsgDlgType type,
                                                   const TMsgDlgButtons& buttons)
{
    return std::make_unique<TMessageDialog>(text, type, buttons, TSkinData::Current(),
                                            QApplication::activeWindow());
}

int TMessageBox::ShowMessageBox(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                                int helpContext)
{
    return ShowMessageBox(text, type, buttons, helpContext,
                          buttons.isEmpty() ? TMsgDlgBtn::mbOK : buttons.first());
}

int TMessageBox::ShowMessageBox(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int,
                                TMsgDlgBtn defaultButton)
{
    auto dialog = Build(text, type, buttons);
    if (!buttons.isEmpty() && defaultButton != buttons.first())
        dialog->SetDefaultButton(defaultButton);
    if (Hook())
        return Hook()(*dialog);
    return dialog->exec();
}

QString TMessageBox::Caption(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QStringLiteral("Warning");
    case TMsgDlgType::mtError:
        return QStringLiteral("Error");
    case TMsgDlgType::mtInformation:
        return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("Confirm");
    case TMsgDlgType::mtCustom:
        return ApplicationTitle();
    }
    return {};
}

QString TMessageBox::ApplicationTitleOf(const QString& executablePath)
{
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString TMessageBox::ApplicationTitle()
{
    return ApplicationTitleOf(QCoreApplication::applicationFilePath());
}

void TMessageBox::SetTestHook(THook hook)
{
    Hook() = std::move(hook);
}
