// The message editor's actions: link markup preview, copy and save; opening the two dialogs.
#include "ui/FMain.h"

#include "core/ULinkMarkup.h"
#include "ui/UAnsi.h"

#include <QPushButton>

void TfrmMain::ConnectEditorHandlers() {}

void TfrmMain::btnPreviewClick() {}
void TfrmMain::btnCopyClick() {}
void TfrmMain::btnSaveClick() {}
void TfrmMain::btnLoadClick() {}
void TfrmMain::btnOptionsClick() {}

const TFormat* TfrmMain::ChosenFormat() const { return nullptr; }

QString TfrmMain::ConvertLinks(const QString& text, const TFormat* format) const
{
    return FromAnsi(::ConvertLinks(ToAnsi(text), format));
}

QString TfrmMain::UrlMarkup(const QString& address, const TFormat* format) const
{
    return FromAnsi(::UrlMarkup(ToAnsi(address), format));
}

QString TfrmMain::EmailMarkup(const QString& address, const TFormat* format) const
{
    return FromAnsi(::EmailMarkup(ToAnsi(address), format));
}
