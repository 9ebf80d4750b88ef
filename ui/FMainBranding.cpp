// Branding of the copy (caption, banner, links, skin, icon) from the optional "dbconfig.dat" and
// its companion files, and the buttons and banner that open pages in the user's own browser.
#include "ui/FMain.h"

#include "core/UErrors.h"
#include "core/UProfile.h"
#include "core/UUtils.h"
#include "toolkit/TPicture.h"
#include "toolkit/TSkinContainer.h"
#include "toolkit/TSkinData.h"
#include "ui/UAnsi.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

#include <chrono>
#include <optional>
#include <random>

namespace {

// The promotional site's root, set at build time by the CMake cache variable of that name (its
// default lies in ui/CMakeLists.txt). The affiliate identifier is appended to it as it is.
const QString MakeMoneyURL = QStringLiteral(THREADWICK_MAKE_MONEY_URL);
const QLatin1String ConfigFile("dbconfig.dat");
const QLatin1String SkinFile("dbskin.dat");
const QLatin1String HelpFile("help.html");
const char* const Section = "Settings";
// The banner panel is as tall as the banner's picture plus this much: the picture, centred in the
// panel, keeps half of it above and half below, clear of the toolbar and of the panels under it.
constexpr int BannerMargin = 10;

// Only a file counts; a directory of that name does not.
bool FileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

// The file-name part of a name from the configuration: what follows its last backslash, colon or
// slash. Such files are always looked up in the application directory.
QString FileNamePart(const QString& name)
{
    qsizetype cut = -1;
    for (const QChar separator : {QLatin1Char('\\'), QLatin1Char(':'), QLatin1Char('/')})
        cut = qMax(cut, name.lastIndexOf(separator));
    return name.mid(cut + 1);
}

QByteArray ReadWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(ToAnsi(path), ToAnsi(file.errorString()));
    return file.readAll();
}

// A uniform draw from 0 to count - 1, the generator seeded afresh from the clock each time.
int DrawIndex(qsizetype count)
{
    const auto ticks =
        static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32)};
    std::mt19937 generator(seed);
    return std::uniform_int_distribution<int>(0, int(count) - 1)(generator);
}

} // namespace

void TfrmMain::ConnectBrandingHandlers()
{
    connect(imgBanner, &TImageBanner::Clicked, this, &TfrmMain::imgBannerClick);
    connect(gifBanner, &TGifBanner::Clicked, this, &TfrmMain::gifBannerClick);
    connect(btnMakeMoney, &QPushButton::clicked, this, &TfrmMain::btnMakeMoneyClick);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmMain::btnHelpClick);
}

template <class F> void TfrmMain::BrandingStep(F&& step)
{
    try {
        step();
    } catch (const std::exception& failure) {
        FStartupFailures << QString::fromLocal8Bit(failure.what());
    }
}

void TfrmMain::LoadBranding()
{
    const QString configPath = FAppDirectory + ConfigFile;
    if (!FileExists(configPath))
        return;
    // The configuration is read once. One that is refused (too large, say) is reported, and the
    // branding goes on as if it named nothing.
    std::optional<TProfile> config;
    BrandingStep([&] { config.emplace(ToAnsi(configPath)); });
    const auto read = [&config](const QString& key) {
        return config ? FromAnsi(config->ReadString(Section, ToAnsi(key))) : QString();
    };

    const QString appName = read(QStringLiteral("AppName"));
    if (!appName.isEmpty())
        setWindowTitle(appName);
    const QString affiliate = read(QStringLiteral("AfiliateID"));
    if (!affiliate.isEmpty())
        AffiliateID = affiliate;

    QStringList bannerPaths, bannerURLs;
    for (int n = 1; n <= 3; ++n) {
        const QString path = read(QStringLiteral("BannerPath%1").arg(n));
        if (path.isEmpty())
            continue;
        bannerPaths << path;
        bannerURLs << read(QStringLiteral("BannerURL%1").arg(n));
    }
    int banner = -1;
    if (!bannerPaths.isEmpty()) {
        banner = DrawIndex(bannerPaths.size());
        BannerURL = bannerURLs[banner];
        BannerPath = bannerPaths[banner];
    }
    if (!BannerURL.isEmpty()) {
        imgBanner->setCursor(Qt::PointingHandCursor);
        gifBanner->setCursor(Qt::PointingHandCursor);
    }
    if (BannerPath.isEmpty())
        panBanner->hide();
    else
        BrandingStep([&] { LoadBannerImage(banner); });

    QStringList linkURLs, linkNames;
    for (int n = 1; n <= 4; ++n) {
        const QString url = read(QStringLiteral("Link%1URL").arg(n));
        if (url.isEmpty())
            continue;
        linkURLs << url;
        linkNames << read(QStringLiteral("Link%1Name").arg(n));
    }
    if (!linkURLs.isEmpty()) {
        const int first = DrawIndex(linkURLs.size());
        Link1URL = linkURLs.takeAt(first);
        Link1Name = linkNames.takeAt(first);
    }
    if (!linkURLs.isEmpty()) {
        const int second = DrawIndex(linkURLs.size());
        Link2URL = linkURLs[second];
        Link2Name = linkNames[second];
    }
    lblLink1URL->SetCaption(Link1Name);
    lblLink1URL->SetURL(Link1URL);
    lblLink2URL->SetCaption(Link2Name);
    lblLink2URL->SetURL(Link2URL);

    if (FileExists(FAppDirectory + SkinFile))
        BrandingStep([this] { LoadBrandingSkin(); });

    const QString icon = read(QStringLiteral("IconPath"));
    if (!icon.isEmpty())
        IconPath = icon;
    // An empty IconPath names no file: its file-name part would be the directory itself.
    if (!IconPath.isEmpty() && FileExists(FAppDirectory + FileNamePart(IconPath)))
        BrandingStep([this] { LoadBrandingIcon(); });
}

void TfrmMain::LoadBannerImage(int candidate)
{
    // The image is kept under a neutral name (numbered by the banner's place among the candidates) and
    // decoded from there as it is; the banner's own file name only picks the decoder, by its extension
    // (a name such as "my.gifts.jpg" is a JPEG).
    const QString stored = FAppDirectory + QStringLiteral("dbimg%1.dat").arg(candidate + 1);
    if (!FileExists(stored)) {
        panBanner->hide();
        return;
    }
    const QString fileName = FileNamePart(BannerPath);
    try {
        const QByteArray picture = ReadWholeFile(stored);
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

void TfrmMain::LoadBrandingSkin()
{
    if (const std::optional<TSkin> skin = ReadSkinContainer(ReadWholeFile(FAppDirectory + SkinFile)))
        bsSkinData1->SetSkin(*skin);
}

void TfrmMain::LoadBrandingIcon()
{
    QApplication::setWindowIcon(DecodeIcon(ReadWholeFile(FAppDirectory + FileNamePart(IconPath))));
}

QString TfrmMain::HelpURL() const
{
    return QUrl::fromLocalFile(FAppDirectory + HelpFile).toString(QUrl::FullyEncoded);
}

void TfrmMain::imgBannerClick()
{
    if (!BannerURL.isEmpty())
        OpenInBrowser(ToAnsi(BannerURL));
}

void TfrmMain::gifBannerClick()
{
    if (!BannerURL.isEmpty())
        OpenInBrowser(ToAnsi(BannerURL));
}

void TfrmMain::btnMakeMoneyClick()
{
    OpenInBrowser(ToAnsi(MakeMoneyURL + AffiliateID));
}

void TfrmMain::btnHelpClick()
{
    OpenInBrowser(ToAnsi(HelpURL()));
}
