// The note over the browser pane: until the pane draws one, the window keeps its text.
#include "ui/FMain.h"

void TfrmMain::ShowNote(const QString& text)
{
    FNoteText = text;
}

QString TfrmMain::NoteText() const
{
    return FNoteText;
}
