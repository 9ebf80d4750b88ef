// The browser toolbar, the paste buttons, Auto Insert and the forum list.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "ui/UAnsi.h"

void TfrmMain::ConnectBrowserHandlers() {}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) { return TSkinForm::eventFilter(watched, event); }

void TfrmMain::btnAutoInsertClick() {}
void TfrmMain::btnSPasteClick() {}
void TfrmMain::btnBPasteClick() {}
void TfrmMain::btnUPasteClick() {}
void TfrmMain::btnWPasteClick() {}
void TfrmMain::bsSkinButton2Click() {}
void TfrmMain::bsSkinSpeedButton1Click() {}
void TfrmMain::bsSkinSpeedButton2Click() {}
void TfrmMain::bsSkinSpeedButton4Click() {}
void TfrmMain::bsSkinSpeedButton3Click() {}
void TfrmMain::btnAddURLClick() {}
void TfrmMain::btnRemoveURLClick() {}
void TfrmMain::edtUsernameChange() {}
void TfrmMain::edtPasswordChange() {}
void TfrmMain::lvwForumsListBoxClick() {}
void TfrmMain::lvwForumsListBoxDblClick() {}
