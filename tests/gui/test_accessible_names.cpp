// A screen reader names every control of the main window and of both dialogs: walking the
// accessibility tree finds no button, edit, list, table or chooser without a name.
#include "GuiTestSupport.h"

#include "browser/TBrowserPane.h"
#include "browser/TSiteIndicator.h"
#include "ui/FFormats.h"
#include "ui/FMain.h"
#include "ui/FUMessages.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The roles of the controls a user operates; the items inside lists and tables are the lists' own.
bool IsControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
        return true;
    default:
        return false;
    }
}

// The object names of the unnamed controls under `node`. The page in the browser pane is the page's
// to name, and is not walked.
void CollectUnnamed(QAccessibleInterface* node, QStringList& unnamed)
{
    if (!node)
        return;
    QObject* object = node->object();
    const bool control = IsControl(node->role()) || qobject_cast<TSiteIndicator*>(object);
    if (control && node->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << (object ? object->objectName() + " (" + object->metaObject()->className() + ")"
                           : QStringLiteral("?"));
    if (qobject_cast<TBrowserPane*>(object) || node->role() == QAccessible::List ||
        node->role() == QAccessible::Table || node->role() == QAccessible::Tree)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        CollectUnnamed(node->child(i), unnamed);
}

std::string Unnamed(QWidget* window)
{
    QStringList unnamed;
    CollectUnnamed(QAccessible::queryAccessibleInterface(window), unnamed);
    return unnamed.join(", ").toStdString();
}

TEST(AccessibleNames, EveryControlOfTheWindowAndTheDialogsHasAName)
{
    TTempAppDir dir;
    TMessageRecorder boxes;
    TfrmMain window(dir.Path());
    window.show();
    Pump();
    EXPECT_EQ(Unnamed(&window), "");
    TfrmFMessages messages(&window);
    messages.show();
    EXPECT_EQ(Unnamed(&messages), "");
    TfrmFormat formats(&window);
    formats.show();
    EXPECT_EQ(Unnamed(&formats), "");
}

} // namespace
