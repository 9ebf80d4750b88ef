// The message box: a modal skinned dialog with a text, a caption and icon by type, and a row of
// buttons, laid out by fixed rules from the text and the shared skin. A test hook answers it
// without a person.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QScrollArea;
class TSkin;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum class TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel };
using TMsgDlgButtons = QList<TMsgDlgBtn>;

// Result codes of the buttons, and of a box closed by the window system.
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

// The message text: one line per line break, tabs expanded, "&" marking a mnemonic ("&&" for one "&").
class TMessageLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TMessageLabel(const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The text with CR LF, lone CR and lone LF each made one line break.
    static QString Lines(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TMessageDialog : public QDialog
{
    Q_OBJECT
public:
    TMessageDialog(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, const TSkin& skin,
                   QWidget* parent = nullptr);

    // The text as it was passed in.
    const QString& Text() const { return FText; }
    TMessageLabel* Label() const { return FLabel; }
    // The area that scrolls the text when the box would be taller than the screen; null otherwise.
    QScrollArea* TextArea() const { return FTextArea; }
    QLabel* Icon() const { return FIcon; }
    const QList<QPushButton*>& Buttons() const { return FButtons; }
    // Makes button the one Enter presses and the focus starts on (by default the first). Enter presses
    // the button that holds the focus, and with none focused this one.
    void SetDefaultButton(TMsgDlgBtn button);
    // The box ignores keys and clicks, its buttons disabled, until it has been on screen for ms
    // milliseconds without any: each one that arrives sooner starts the wait again. Enter then
    // presses the default button, wherever Tab moved the focus. A question that appears while
    // the user types is not answered by the typing, however slow.
    void SetInputDelay(int ms);
    // The clock the input delay reads, in milliseconds. Tests set their own; null restores the
    // system's steady clock.
    using TClock = std::function<qint64()>;
    static void SetInputDelayClock(TClock clock);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Closed by the window system (Alt+F4, the frame's close): result 2.
    void reject() override { done(mrCancel); }

private:
    QString FText;
    TMessageLabel* FLabel = nullptr;
    QScrollArea* FTextArea = nullptr;
    QLabel* FIcon = nullptr;
    QList<QPushButton*> FButtons;
    QPushButton* FDefaultButton = nullptr;
    bool FEnterPressesDefault = false;
};

class TMessageBox : public QObject
{
    Q_OBJECT
public:
    explicit TMessageBox(QObject* parent = nullptr);

    // Shows the box modally and returns the result code of the button that closed it. The box has
    // no help: helpContext is taken for the callers' sake and ignored.
    int ShowMessageBox(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int helpContext);
    // The same with defaultButton in place of the first button as the default: a question whose
    // safe answer is No makes No the default.
    int ShowMessageBox(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int helpContext,
                       TMsgDlgBtn defaultButton);

    // Builds the box as ShowMessageBox would, without showing it.
    static std::unique_ptr<TMessageDialog> Build(const QString& text, TMsgDlgType type,
                                                 const TMsgDlgButtons& buttons);
    // Shows a built box modally, or hands it to the test hook as ShowMessageBox does.
    static int Exec(TMessageDialog& dialog);

    // The caption of each type; the custom type shows the application title.
    static QString Caption(TMsgDlgType type);
    // The application title: the executable's file name cut before its first ".", every
    // character after the first in lower case.
    static QString ApplicationTitle();
    static QString ApplicationTitleOf(const QString& executablePath);

    // Test hook: while set, every box is built and handed to the hook instead of being shown
    // modally; the hook's result is returned.
    using THook = std::function<int(TMessageDialog&)>;
    static void SetTestHook(THook hook);
};
