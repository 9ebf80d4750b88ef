// Branding of the copy (caption, banner, links, skin, icon) from the optional "dbconfig.dat" and
// its companion files, and the buttons and banner that open pages in the user's own browser.
#include "ui/FMain.h"

#include "core/UBranding.h"
#include "core/UErrors.h"
#include "core/UUtils.h"
#include "toolkit/TPicture.h"
#include "toolkit/TSkinContainer.h"
#include "toolkit/TSkinData.h"
#include "ui/UAnsi.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

#include <cerrno>
#include <optional>

namespace {

// The promotional site's root, set at build time by the CMake cache variable of that name (its
// default lies in ui/CMakeLists.txt). The affiliate identifier is appended to it as it is.
const QString MakeMoneyURL = QStringLiteral(THREADWICK_MAKE_MONEY_URL);
const QLatin1String HelpFile("help.html");
// The banner panel is as tall as the banner's picture plus this much: the picture, centred in the
// panel, keeps half of it above and half below, clear of the toolbar and of the panels under it.
constexpr int BannerMargin = 10;

// Largest banner image, skin container or icon that is read; the decoders set tighter limits of
// their own.
constexpr std::size_t MaxCompanionFileSize = std::size_t(1) << 30;

// A companion file's bytes. ReadBranding found the file a moment ago; one gone since cannot be
// opened like any other.
QByteArray ReadCompanionFile(const std::string& path)
{
    const std::optional<TFileBytes> bytes = ReadWholeFile(path, MaxCompanionFileSize);
    if (!bytes)
        throw EFOpenError(path, ENOENT);
    return QByteArray(bytes->Data.get(), qsizetype(bytes->Size));
}

} // namespace

void TfrmMain::ConnectBrandingHandlers()
{
    connect(imgBanner, &TImageBanner::Clicked, this, &TfrmMain::imgBannerClick);
    connect(gifBanner, &TGifBanner::Clicked, this, &TfrmMain::gifBannerClick);
    connect(btnMakeMoney, &QPushButton::clicked, this, &TfrmMain::btnMakeMoneyClick);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmMain::btnHelpClick);
}

void TfrmMain::LoadBranding()
{
    TClockRandom random;
    const TBranding branding = ReadBranding(ToAnsi(FAppDirectory), random);
    if (!branding.Configured)
        return;
    if (!branding.ReadFailure.empty())
        FStartupFailures << FromAnsi(branding.ReadFailure);

    if (!branding.Caption.empty())
        setWindowTitle(FromAnsi(branding.Caption));
    if (!branding.AffiliateID.empty())
        AffiliateID = FromAnsi(branding.AffiliateID);

    BannerURL = FromAnsi(branding.BannerURL);
    BannerPath = FromAnsi(branding.BannerPath);
    if (!BannerURL.isEmpty()) {
        imgBanner->setCursor(Qt::PointingHandCursor);
        gifBanner->setCursor(Qt::PointingHandCursor);
    }
    if (branding.BannerImage.empty())
        panBanner->hide();
    else
        CreationStep([&] { LoadBannerImage(branding.BannerImage, FromAnsi(branding.BannerFileName)); });

    Link1URL = FromAnsi(branding.Link1.URL);
    Link1Name = FromAnsi(branding.Link1.Name);
    Link2URL = FromAnsi(branding.Link2.URL);
    Link2Name = FromAnsi(branding.Link2.Name);
    lblLink1URL->SetCaption(Link1Name);
    lblLink1URL->SetURL(Link1URL);
    lblLink2URL->SetCaption(Link2Name);
    lblLink2URL->SetURL(Link2URL);

    if (!branding.SkinFile.empty())
        CreationStep([&] { LoadBrandingSkin(branding.SkinFile); });
    if (!branding.IconPath.empty())
        IconPath = FromAnsi(branding.IconPath);
    if (!branding.IconFile.empty())
        CreationStep([&] { LoadBrandingIcon(branding.IconFile); });
}

void TfrmMain::LoadBannerImage(const std::string& stored, const QString& fileName)
{
    // The image is decoded from its stored name as it is; the banner's own file name only picks the
    // decoder, by its extension (a name such as "my.gifts.jpg" is a JPEG).
    try {
        const QByteArray picture = ReadCompanionFile(stored);
        if (PictureExtension(fileName).compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0) {
            gifBanner->show();
            imgBanner->hide();
            gifBanner->LoadFromData(picture);
            panBanner->resize(panBanner->width(), gifBanner->height() + BannerMargin);
        } else {
            gifBanner->hide();
            imgBanner->show();
            imgBanner->SetPicture(DecodePicture(picture, FAppDirectory + fileName));
            panBanner->resize(panBanner->width(), imgBanner->height() + BannerMargin);
        }
    } catch (...) {
        // A banner that cannot be shown takes no room, as when its image is missing.
        panBanner->hide();
        throw;
    }
}

void TfrmMain::LoadBrandingSkin(const std::string& path)
{
    if (const std::optional<TSkin> skin = ReadSkinContainer(ReadCompanionFile(path)))
        bsSkinData1->SetSkin(*skin);
}

void TfrmMain::LoadBrandingIcon(const std::string& path)
{
    QApplication::setWindowIcon(DecodeIcon(ReadCompanionFile(path)));
}

QString TfrmMain::HelpURL() const
{
    return QUrl::fromLocalFile(FAppDirectory + HelpFile).toString(QUrl::FullyEncoded);
}

void TfrmMain::imgBannerClick()
{
    if (!BannerURL.isEmpty())
        OpenInBrowserOrSay(ToAnsi(BannerURL));
}

void TfrmMain::gifBannerClick()
{
    if (!BannerURL.isEmpty())
        OpenInBrowserOrSay(ToAnsi(BannerURL));
}

void TfrmMain::btnMakeMoneyClick()
{
    OpenInBrowserOrSay(ToAnsi(MakeMoneyURL + AffiliateID));
}

void TfrmMain::btnHelpClick()
{
    // The page ships beside the program; without it the browser would get nothing to open.
    const QString page = FAppDirectory + HelpFile;
    if (!QFileInfo(page).isFile())
        throw EFOpenError(ToAnsi(page), ENOENT);
    OpenInBrowserOrSay(ToAnsi(HelpURL()));
}
