// The window's keyboard shortcuts: each runs its action once, with the focus in the editor and with
// the focus in the page shown in the browser pane, whose engine would otherwise take the keys; each
// is named in its control's hint after the hint's own text.
#include "BrowserTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct TKey
{
    const char* Name;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    QAbstractButton* Button;
    const char* Hint; // the hint's text before the shortcut
    const char* Keys; // the shortcut as the hint names it
};

class Shortcuts : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        OpenWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
        ASSERT_TRUE(Open(Pane(), QStringLiteral("paste.html")));
    }
    static void TearDownTestSuite() { CloseWindow(); }

    // The page's text field has the keyboard focus; returns the widget the keys go to.
    static QWidget* FocusPage()
    {
        Pane().setFocus();
        RunScript(Pane().Page(), QStringLiteral("document.getElementById('subject').focus()"));
        WaitUntil([] {
            return QApplication::focusWidget() && Pane().isAncestorOf(QApplication::focusWidget()) &&
                   RunScript(Pane().Page(), QStringLiteral("document.activeElement.id")).toString() ==
                       "subject";
        });
        return QApplication::focusWidget();
    }
    static QWidget* FocusEditor()
    {
        Window->memBody->setFocus();
        WaitUntil([] { return QApplication::focusWidget() == Window->memBody; });
        return Window->memBody;
    }
    static QString KeysSeenByPage()
    {
        return RunScript(Pane().Page(), QStringLiteral("document.getElementById('keys').textContent"))
            .toString()
            .trimmed();
    }
};

QList<TKey> ButtonKeys(const TfrmMain& w)
{
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    return {
        {"Auto Insert", Qt::Key_I, ctrl, w.btnAutoInsert, "Auto Insert", "Ctrl+I"},
        {"Save", Qt::Key_S, ctrl, w.btnSave, "Save", "Ctrl+S"},
        {"Load", Qt::Key_O, ctrl, w.btnLoad, "Load", "Ctrl+O"},
        {"Preview", Qt::Key_P, ctrlShift, w.btnPreview, "Preview", "Ctrl+Shift+P"},
        {"Copy", Qt::Key_C, ctrlShift, w.btnCopy, "Copy", "Ctrl+Shift+C"},
        {"Help", Qt::Key_F1, Qt::NoModifier, w.btnHelp, "Help", "F1"},
        {"Back", Qt::Key_Left, Qt::AltModifier, w.bsSkinSpeedButton1, "Back", "Alt+Left"},
        {"Forward", Qt::Key_Right, Qt::AltModifier, w.bsSkinSpeedButton2, "Foward", "Alt+Right"},
        {"Refresh", Qt::Key_F5, Qt::NoModifier, w.bsSkinSpeedButton4, "Refresh", "F5"},
        {"subject paste", Qt::Key_1, ctrl, w.btnSPaste, "Paste the subject into the page", "Ctrl+1"},
        {"body paste", Qt::Key_2, ctrl, w.btnBPaste, "Paste the message into the page", "Ctrl+2"},
        {"user name paste", Qt::Key_3, ctrl, w.btnUPaste, "Paste the user name into the page", "Ctrl+3"},
        {"password paste", Qt::Key_4, ctrl, w.btnWPaste, "Paste the password into the page", "Ctrl+4"},
    };
}

// Each key clicks its button once, wherever the focus is, and the page never hears it. The buttons'
// own actions (dialogs, pages, the desktop's browser) are tested with the buttons; here each click
// is only counted.
TEST_F(Shortcuts, EachKeyRunsItsButtonOnceFromThePageAndFromTheEditor)
{
    const QList<TKey> keys = ButtonKeys(*Window);
    QMap<QAbstractButton*, int> clicks;
    for (const TKey& key : keys) {
        QAbstractButton* button = key.Button;
        QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(button, &QAbstractButton::clicked, [&clicks, button] { ++clicks[button]; });
        EXPECT_EQ(button->toolTip(), QStringLiteral("%1 (%2)").arg(key.Hint, key.Keys)) << key.Name;
        EXPECT_EQ(button->focusPolicy(), button == Window->btnBPaste ? Qt::StrongFocus : Qt::NoFocus)
            << key.Name;
    }
    // A key of the page's own does reach it: the page hears what the window leaves it.
    QTest::keyClick(FocusPage(), Qt::Key_X);
    ASSERT_TRUE(WaitUntil([] { return KeysSeenByPage() == "x"; }, 10000)) << KeysSeenByPage().toStdString();

    const struct
    {
        const char* Name;
        QWidget* (*Focus)();
    } places[] = {{"in the page", &FocusPage}, {"in the editor", &FocusEditor}};
    for (const auto& place : places) {
        for (const TKey& key : keys) {
            SCOPED_TRACE(std::string(key.Name) + " " + place.Name);
            QAbstractButton* button = key.Button;
            clicks.clear();
            QTest::keyClick(place.Focus(), key.Key, key.Modifiers);
            Pump();
            EXPECT_EQ(clicks.value(button), 1);
            EXPECT_EQ(clicks.size(), 1);
        }
    }
    // Only the modifier keys themselves reached the page, never a key pressed with them.
    const QStringList heard = KeysSeenByPage().split(' ', Qt::SkipEmptyParts);
    for (QString key : heard) {
        key.remove(QLatin1Char('^')); // pressed with Ctrl
        EXPECT_TRUE(key == "x" || key == "Control" || key == "Shift" || key == "Alt") << key.toStdString();
    }
}

TEST_F(Shortcuts, CtrlLSelectsTheAddressAndEscThereStops)
{
    Window->edtURL->setText(QStringLiteral("https://forum.example/"));
    QTest::keyClick(FocusPage(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), Window->edtURL);
    EXPECT_EQ(Window->edtURL->selectedText(), "https://forum.example/");
    EXPECT_EQ(Window->edtURL->toolTip(), "The address to open (Ctrl+L)");
    EXPECT_EQ(Window->bsSkinSpeedButton3->toolTip(), "Stop (Esc in the address box)");

    int stops = 0;
    QObject::disconnect(Window->bsSkinSpeedButton3, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(Window->bsSkinSpeedButton3, &QAbstractButton::clicked, [&] { ++stops; });
    QTest::keyClick(Window->edtURL, Qt::Key_Escape);
    EXPECT_EQ(stops, 1);
    // Elsewhere Esc is not the browser's.
    QTest::keyClick(FocusEditor(), Qt::Key_Escape);
    EXPECT_EQ(stops, 1);
}

TEST_F(Shortcuts, EnterOnTheForumListOpensTheSelectedForum)
{
    const QString forum = FixtureUrl(QStringLiteral("forms.html"));
    Window->edtURL->setText(forum);
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    Window->edtURL->clear();
    Window->lvwForums->setFocus();
    QTest::keyClick(Window->lvwForums, Qt::Key_Return); // nothing selected: nothing opens
    EXPECT_TRUE(Window->edtURL->text().isEmpty());
    Window->lvwForums->setCurrentRow(0);
    QTest::keyClick(Window->lvwForums, Qt::Key_Return);
    EXPECT_EQ(Window->edtURL->text(), forum);
    EXPECT_TRUE(WaitUntil([&] { return Pane().Page()->url() == QUrl(forum) && !Pane().IsBusy(); }));
}

} // namespace
