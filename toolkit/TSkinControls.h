// The skinned controls the windows are built from. Their look comes from the shared skin's
// style sheet; what is here is behaviour: framed panels, rules, self-sizing labels, link labels,
// the password edit, the list box, the banner pictures and a stand-alone scroll bar for a memo.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScrollBar>
#include <QUrl>
#include <QWidget>

#include <functional>

class QAbstractScrollArea;
class QPlainTextEdit;
class QPushButton;

// A top-level window drawn from the skin's "window" section.
class TSkinForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinForm(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A panel from the skin's "panel" section, with or without a frame.
class TSkinPanel : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(bool framed READ Framed WRITE SetFramed)
public:
    explicit TSkinPanel(bool framed = false, QWidget* parent = nullptr);
    bool Framed() const { return FFramed; }
    void SetFramed(bool framed);

private:
    bool FFramed = false;
};

// A horizontal rule drawn along its top edge.
class TBevel : public QFrame
{
    Q_OBJECT
public:
    explicit TBevel(QWidget* parent = nullptr);
};

// A label that is always as large as its caption in its current font.
class TStdLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TStdLabel(const QString& caption, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;
};

// An underlined caption with an address. A click opens the address as the banner and "Help" do
// (OpenInBrowser): a web address in the desktop's web browser, "mailto:" in its mail program; an
// address OpenInBrowser refuses, the empty one included, does nothing; one that no program is
// registered for fails with the message that says how to register one.
class TLinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);

    QString URL() const { return FURL; }
    void SetURL(const QString& url) { FURL = url; }
    void SetCaption(const QString& caption);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString FURL;
};

// A one-line edit for passwords: every character is drawn as a small rounded square in the text
// colour, one per cell; the text itself is held and handed out in clear.
class TPasswordEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TPasswordEdit(QWidget* parent = nullptr);

    // Width of one character cell for a text area of the given height, and the square's side.
    static int CellWidth(int textAreaHeight) { return textAreaHeight / 2 + 3; }
    static int SquareSide(int textAreaHeight) { return CellWidth(textAreaHeight) - 4; }
    QRect TextArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A list box of one-line items. An item too long for the list is cut short in the middle, so that
// items that differ only at their end stay apart, and the pointer over an item shows its whole
// text. Type-ahead chooses the first item that begins with the letters typed (without regard to
// case), collected until a pause of QApplication::keyboardInputInterval(). The selected item keeps
// the selection colour while the focus is elsewhere in the window: what is typed beside the list
// may belong to it.
// Items may carry a check mark before their text, drawn in the list's skin colours; the item's
// text stays as it is. A marked item's hint is shown under its text in the pointer's tip.
class TListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    void keyboardSearch(const QString& search) override;

    struct TMark
    {
        bool Marked = false;
        QString Hint; // under the item's text in its tip, marked or not
    };
    // Asked for the mark of a row whenever the row is drawn or its tip shown.
    using TMarker = std::function<TMark(int row)>;
    void SetMarker(TMarker marker);
    // The marks have changed; anyMarked makes room for marks before every item, so that the
    // items' texts stay in line.
    void MarksChanged(bool anyMarked);
    bool MarksShown() const { return FMarksShown; }
    TMark MarkOf(int row) const;
    // Draws the row's mark highlighted for a moment, so that the eye finds it.
    void BlinkMark(int row);
    int BlinkingRow() const { return FBlinkRow; }

    // How long a blink lasts: long enough to be seen, short enough not to linger.
    static constexpr int BlinkMs = 600;

protected:
    bool viewportEvent(QEvent* event) override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;

private:
    QString FTyped;
    QElapsedTimer FSinceTyped;
    TMarker FMarker;
    bool FMarksShown = false;
    int FBlinkRow = -1;
    unsigned FBlinkSerial = 0;
};

// A scroll bar that stands beside a scroll area and scrolls it. While the content fits it is
// disabled, or, with autoHide, hidden.
class TScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    TScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);
    void Attach(QAbstractScrollArea* area, bool autoHide = false);
};

// Loads a tool-button picture in which magenta (255, 0, 255) marks transparent pixels.
QPixmap LoadMaskedPicture(const QString& path);

// Creates a child control under the name the window's layout gives it.
template <class T, class... Args> T* MakeControl(QWidget* parent, const char* name, Args&&... args)
{
    auto* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A push button with the hand-pointer cursor that is never a dialog's default button; a button
// that is not focusable leaves the focus where it was when clicked.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, bool focusable = true);

// A memo filling panel (laid out at designSize) beside its own vertical scroll bar, docked to the
// right and 19 wide, which is disabled while the text fits. Lines wrap; Tab leaves the memo.
QPlainTextEdit* MakeMemo(QWidget* panel, QSize designSize, TScrollBar*& scrollBar);
