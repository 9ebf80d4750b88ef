// Undoing the removal of forums: "Remove URL" and Delete act at once, as they always did, and Ctrl+Z in
// the forum list (or "Undo remove" in its context menu) puts the latest removed forum back on the row
// it stood on, with its user name and password, as many times as forums were removed since start-up.
#include "ui/FMain.h"

#include "ui/UAnsi.h"

#include <QAction>
#include <QKeySequence>
#include <QListWidget>
#include <QScopedValueRollback>

#include <algorithm>

void TfrmMain::BuildUndoRemove()
{
    actUndoRemove = new QAction(QStringLiteral("Undo remove"), this);
    actUndoRemove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    // The list's own: Ctrl+Z in the edits still undoes typing there.
    actUndoRemove->setShortcutContext(Qt::WidgetShortcut);
    actUndoRemove->setAutoRepeat(false); // held down, it would bring back one forum after another
    actUndoRemove->setEnabled(false);
    lvwForums->addAction(actUndoRemove);
    connect(actUndoRemove, &QAction::triggered, this, &TfrmMain::actUndoRemoveClick);
}

void TfrmMain::actUndoRemoveClick()
{
    if (FRemovedForums.empty() || !Forums)
        return;
    const TRemovedForum removed = std::move(FRemovedForums.back());
    FRemovedForums.pop_back();
    actUndoRemove->setEnabled(!FRemovedForums.empty());
    // Later removals were undone first, so the row is where the forum stood; the end of the list if
    // the list has since become shorter.
    const int index = std::min(removed.Index, Forums->Count());
    Forums->InsertAt(index, std::make_unique<TForum>(removed.Forum));
    {
        // A selected forum stays selected, as when a forum is added.
        const QScopedValueRollback<bool> updating(FUpdatingForums, true);
        lvwForums->insertItem(index, FromAnsi(removed.Forum.URL));
    }
    Forums->SaveAll();
}
