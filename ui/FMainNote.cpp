// The note on the browser pane. Stand-in: the text is kept and reported, not yet drawn.
#include "ui/FMain.h"

void TfrmMain::ShowNote(const QString& text)
{
    FNoteText = text;
}

QString TfrmMain::NoteText() const
{
    return FNoteText;
}
