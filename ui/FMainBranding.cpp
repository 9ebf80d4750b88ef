// Branding of the copy (caption, banner, links, skin, icon) and the outside links.
#include "ui/FMain.h"

#include "ui/UAnsi.h"

void TfrmMain::ConnectBrandingHandlers() {}

void TfrmMain::LoadBranding() {}

void TfrmMain::imgBannerClick() {}
void TfrmMain::gifBannerClick() {}
void TfrmMain::btnMakeMoneyClick() {}
void TfrmMain::btnHelpClick() {}
