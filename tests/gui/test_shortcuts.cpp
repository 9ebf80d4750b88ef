// The window's keyboard shortcuts: each runs its action once, with the focus in the editor and with
// the focus in the page shown in the browser pane, whose engine would otherwise take the keys; each
// is named in its control's hint after the hint's own text.
#include "BrowserTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWindow>

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
    // The item with the focus in the engine's scene, which is no widget.
    static QObject* FocusedItemInPage()
    {
        for (QWindow* window : QGuiApplication::allWindows())
            if (QObject* focus = window->focusObject();
                focus && focus != window && !focus->isWidgetType() &&
                QByteArray(focus->metaObject()->className()).contains("Delegate"))
                return focus;
        return nullptr;
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
            QWidget* focus = place.Focus();
            QTest::keyClick(focus, key.Key, key.Modifiers);
            // A key held down repeats; its action does not.
            EXPECT_TRUE(qt_sendShortcutOverrideEvent(focus, 0, key.Key, key.Modifiers, QString(),
                                                     true /* held down */));
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

// Ctrl+N, with or without Shift, belongs to the pane with the focus in the page, where it does
// nothing; anywhere else in the window it opens the next forum.
TEST_F(Shortcuts, CtrlNOpensTheNextForumExceptFromThePage)
{
    ASSERT_TRUE(Open(Pane(), QStringLiteral("paste.html")));
    const QString forum = FixtureUrl(QStringLiteral("forms.html"));
    Window->edtURL->setText(forum);
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    Window->edtURL->clear();
    int opened = 0;
    const auto counting = QObject::connect(Window->actNextForum, &QAction::triggered, [&] { ++opened; });

    // A key reaches the window's shortcuts after its override has gone to the window's focus object:
    // the engine's widget here, the item with the focus inside it in other Qt versions.
    const struct
    {
        const char* Name;
        void (*Press)(Qt::KeyboardModifiers modifiers);
    } ways[] = {
        {"through the window",
         [](Qt::KeyboardModifiers modifiers) {
             QTest::keyClick(Window->windowHandle(), Qt::Key_N, modifiers);
         }},
        {"to the item with the focus",
         [](Qt::KeyboardModifiers modifiers) {
             QObject* item = FocusedItemInPage();
             ASSERT_NE(item, nullptr);
             qt_sendShortcutOverrideEvent(item, 0, Qt::Key_N, modifiers);
         }},
    };
    for (const auto& way : ways) {
        for (const Qt::KeyboardModifiers modifiers :
             {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::ControlModifier | Qt::ShiftModifier}) {
            SCOPED_TRACE(std::string(way.Name) + (modifiers & Qt::ShiftModifier ? " with Shift" : ""));
            FocusPage();
            RunScript(Pane().Page(), QStringLiteral("document.getElementById('subject').value = 'typed'"));
            way.Press(modifiers);
            Pump();
            EXPECT_EQ(opened, 0);
            EXPECT_TRUE(Window->edtURL->text().isEmpty());
            EXPECT_EQ(Pane().Page()->url().toString(), FixtureUrl(QStringLiteral("paste.html")));
            EXPECT_EQ(RunScript(Pane().Page(), QStringLiteral("document.getElementById('subject').value"))
                          .toString(),
                      "typed");
        }
    }
    EXPECT_FALSE(KeysSeenByPage().contains(QLatin1String("^n"), Qt::CaseInsensitive))
        << KeysSeenByPage().toStdString();

    // From the subject edit it opens the next forum, and only once however long the keys are held.
    Window->edtSubject->setFocus();
    QTest::keyClick(Window->edtSubject, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(qt_sendShortcutOverrideEvent(Window->edtSubject, 0, Qt::Key_N, Qt::ControlModifier, QString(),
                                             true /* held down */));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Window->edtURL->text(), forum);
    QObject::disconnect(counting);

    // The other tests start from the page with an empty forum list.
    EXPECT_TRUE(WaitUntil([&] { return Pane().Page()->url() == QUrl(forum) && !Pane().IsBusy(); }));
    QTest::mouseClick(Window->btnRemoveURL, Qt::LeftButton);
    Window->edtURL->clear();
    ASSERT_TRUE(Open(Pane(), QStringLiteral("paste.html")));
}

// F8 opens the next forum once wherever the focus is: in the page's message box, in a rich editor's
// frame, in the program's own edits. The page never hears it.
TEST_F(Shortcuts, F8OpensTheNextForumFromAnywhere)
{
    EXPECT_EQ(Window->actNextForum->shortcut(), QKeySequence(Qt::Key_F8)); // as the menus name it
    const QString forum = FixtureUrl(QStringLiteral("forms.html"));
    Window->edtURL->setText(forum);
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    Window->edtURL->clear();
    // Counted here, and opened only at the end, so that the page stays to say what it heard.
    QObject::disconnect(Window->actNextForum, &QAction::triggered, Window, &TfrmMain::actNextForumClick);
    int opened = 0;
    const auto counting = QObject::connect(Window->actNextForum, &QAction::triggered, [&] { ++opened; });
    ASSERT_TRUE(Open(Pane(), QStringLiteral("nextforum.html")));
    ASSERT_TRUE(
        WaitUntil([] { return RunScript(Pane().Page(), QStringLiteral("window.frameReady")).toBool(); }));

    const struct
    {
        const char* Name;
        const char* FocusScript; // focuses an element of the page; nullptr: Widget
        const char* Focused;     // the id of the page's focused element
        QWidget* Widget;
    } places[] = {
        {"the page's message box", "document.getElementById('message').focus()", "message", nullptr},
        {"a rich editor's frame",
         "const f = document.getElementById('editor'); f.contentWindow.focus(); "
         "f.contentDocument.body.focus()",
         "editor", nullptr},
        {"the subject edit", nullptr, nullptr, Window->edtSubject},
        {"the address box", nullptr, nullptr, Window->edtURL},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.Name);
        QWidget* focus = place.Widget;
        if (place.FocusScript) {
            Pane().setFocus();
            RunScript(Pane().Page(), QLatin1String(place.FocusScript));
            ASSERT_TRUE(WaitUntil([&] {
                return QApplication::focusWidget() && Pane().isAncestorOf(QApplication::focusWidget()) &&
                       RunScript(Pane().Page(), QStringLiteral("document.activeElement.id")).toString() ==
                           QLatin1String(place.Focused);
            }));
            focus = QApplication::focusWidget();
        } else {
            focus->setFocus();
            ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == focus; }));
        }
        opened = 0;
        QTest::keyClick(Window->windowHandle(), Qt::Key_F8);
        EXPECT_TRUE(qt_sendShortcutOverrideEvent(focus, 0, Qt::Key_F8, Qt::NoModifier, QString(),
                                                 true /* held down */));
        Pump();
        EXPECT_EQ(opened, 1);
    }
    EXPECT_FALSE(RunScript(Pane().Page(), QStringLiteral("document.getElementById('keys').textContent"))
                     .toString()
                     .contains(QLatin1String("F8")));
    QObject::disconnect(counting);

    // From the page it really opens the forum.
    QObject::connect(Window->actNextForum, &QAction::triggered, Window, &TfrmMain::actNextForumClick);
    Pane().setFocus();
    RunScript(Pane().Page(), QStringLiteral("document.getElementById('message').focus()"));
    QTest::keyClick(Window->windowHandle(), Qt::Key_F8);
    EXPECT_EQ(Window->edtURL->text(), forum);
    EXPECT_TRUE(WaitUntil([&] { return Pane().Page()->url() == QUrl(forum) && !Pane().IsBusy(); }));
    // The other tests start from the page with an empty forum list.
    QTest::mouseClick(Window->btnRemoveURL, Qt::LeftButton);
    Window->edtURL->clear();
    ASSERT_TRUE(Open(Pane(), QStringLiteral("paste.html")));
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
