// The window's keyboard shortcuts. Each one clicks its button, so that the action is the button's
// whichever way it starts, and is named in the button's hint; the buttons keep their focus rules.
// The shortcuts are the window's wherever the keyboard focus is, in the page of the browser pane
// too, except the keys the pane keeps for itself (Ctrl+N, which opens the next forum from elsewhere;
// F8 does it from anywhere). Two keys belong to one control only: Esc in the address box stops the
// browser, and Enter on the forum list opens the selected forum as a double-click does. No shortcut
// repeats while its keys are held: a second paste or Auto Insert would run over the first.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

namespace {

// Keeps the window's shortcuts from the controls of the window, the engine's keyboard widget above
// all: for keys it takes for editing commands (Ctrl+I for italics, say) it claims the shortcut, and
// the key would go to the page. Watching the whole application, it sees that widget whenever the
// engine makes a new one. It also keeps the keys the pane swallows from the window's shortcuts while
// the focus is in the pane.
class TShortcutKeeper : public QObject
{
public:
    TShortcutKeeper(QWidget* window, const QWidget* pane, QList<QKeySequence> keys)
        : QObject(window), FWindow(window), FPane(pane), FKeys(std::move(keys))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // The override goes to the focus object, which in some engine versions is no widget but an
        // item inside the engine's widget, out of reach of the pane's own filter: the focus widget
        // tells the window and the pane.
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->window() != FWindow)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (FPane->isAncestorOf(focus) && TBrowserPane::Swallowed(*key)) {
            // Accepted, the override keeps the window's shortcut from running; the pane drops the key.
            event->accept();
            return true;
        }
        // Left unaccepted, the override lets the window's shortcut run, and the key goes no further.
        return FKeys.contains(QKeySequence(key->keyCombination()));
    }

private:
    QWidget* FWindow;
    const QWidget* FPane;
    QList<QKeySequence> FKeys;
};

// The hint names the shortcut after the text the control shows or is specified to show.
void NameInHint(QWidget* control, const QString& hint, const QString& keys)
{
    control->setToolTip(QStringLiteral("%1 (%2)").arg(hint, keys));
}

QString KeysText(const QKeySequence& keys)
{
    return keys.toString(QKeySequence::NativeText);
}

} // namespace

void TfrmMain::ConnectShortcuts()
{
    struct TButtonKey
    {
        QAbstractButton* Button;
        QKeySequence Keys;
        QString Hint;
    };
    const TButtonKey buttons[] = {
        {btnAutoInsert, QKeySequence(Qt::CTRL | Qt::Key_I), QStringLiteral("Auto Insert")},
        {btnSave, QKeySequence(Qt::CTRL | Qt::Key_S), QStringLiteral("Save")},
        {btnLoad, QKeySequence(Qt::CTRL | Qt::Key_O), QStringLiteral("Load")},
        {btnPreview, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), QStringLiteral("Preview")},
        {btnCopy, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), QStringLiteral("Copy")},
        {btnHelp, QKeySequence(Qt::Key_F1), QStringLiteral("Help")},
        {bsSkinSpeedButton1, QKeySequence(Qt::ALT | Qt::Key_Left), QStringLiteral("Back")},
        {bsSkinSpeedButton2, QKeySequence(Qt::ALT | Qt::Key_Right), QStringLiteral("Foward")},
        {bsSkinSpeedButton4, QKeySequence(Qt::Key_F5), QStringLiteral("Refresh")},
        {btnSPaste, QKeySequence(Qt::CTRL | Qt::Key_1), QStringLiteral("Paste the subject into the page")},
        {btnBPaste, QKeySequence(Qt::CTRL | Qt::Key_2), QStringLiteral("Paste the message into the page")},
        {btnUPaste, QKeySequence(Qt::CTRL | Qt::Key_3), QStringLiteral("Paste the user name into the page")},
        {btnWPaste, QKeySequence(Qt::CTRL | Qt::Key_4), QStringLiteral("Paste the password into the page")},
    };
    QList<QKeySequence> windowKeys;
    for (const TButtonKey& key : buttons) {
        windowKeys << key.Keys;
        auto* shortcut = new QShortcut(key.Keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        QAbstractButton* button = key.Button;
        connect(shortcut, &QShortcut::activated, button, [button] { button->click(); });
        NameInHint(button, key.Hint, KeysText(key.Keys));
    }

    // Actions of menus, named in the menus that show them. Next forum: F8 wherever the focus is,
    // the page's editors included, which leave the function keys to the browser; Ctrl+N, which the
    // pane keeps from pages, everywhere else. F8 comes first, so that the menus name the key that
    // always works.
    const QKeySequence nextForumKeys(Qt::Key_F8);
    actNextForum->setShortcuts({nextForumKeys, QKeySequence(Qt::CTRL | Qt::Key_N)});
    windowKeys << nextForumKeys;

    const std::pair<QAction*, QKeySequence> actions[] = {
        {actLogIn, QKeySequence(Qt::CTRL | Qt::Key_5)},
        {actAutoInsertLinks, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
    };
    for (const auto& [action, keys] : actions) {
        windowKeys << keys;
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setAutoRepeat(false);
        addAction(action);
    }

    const QKeySequence addressKeys(Qt::CTRL | Qt::Key_L);
    auto* address = new QShortcut(addressKeys, this);
    address->setContext(Qt::WindowShortcut);
    address->setAutoRepeat(false);
    connect(address, &QShortcut::activated, edtURL, [this] {
        edtURL->setFocus(Qt::ShortcutFocusReason);
        edtURL->selectAll();
    });
    NameInHint(edtURL, QStringLiteral("The address to open"), KeysText(addressKeys));
    windowKeys << addressKeys;
    new TShortcutKeeper(this, webBrowser, windowKeys);

    const QKeySequence stopKeys(Qt::Key_Escape);
    auto* stop = new QShortcut(stopKeys, edtURL);
    stop->setContext(Qt::WidgetShortcut);
    stop->setAutoRepeat(false);
    connect(stop, &QShortcut::activated, bsSkinSpeedButton3, &QToolButton::click);
    NameInHint(bsSkinSpeedButton3, QStringLiteral("Stop"),
               QStringLiteral("%1 in the address box").arg(KeysText(stopKeys)));

    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* open = new QShortcut(QKeySequence(enter), lvwForums);
        open->setContext(Qt::WidgetShortcut);
        open->setAutoRepeat(false);
        connect(open, &QShortcut::activated, this, &TfrmMain::lvwForumsListBoxDblClick);
    }
}
