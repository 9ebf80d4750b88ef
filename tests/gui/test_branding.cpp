// Branding a copy from "dbconfig.dat" and its companion files, each test in an application directory
// of its own; and the banner and buttons that open pages in the user's browser.
#include "BrandingFiles.h"
#include "GuiTestSupport.h"

#include "toolkit/TSkinData.h"
#include "ui/FMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace branding;

namespace {

QByteArray SkinContainer(qint32 version, const QByteArray& description, qint32 lengthAdjust = 0)
{
    const QByteArray stream = qCompress(description).mid(4); // qCompress puts a 4-byte size first
    QByteArray file(8, '\0');
    qToLittleEndian<qint32>(version, file.data());
    qToLittleEndian<qint32>(qint32(stream.size()) + lengthAdjust, file.data() + 4);
    return file + stream;
}

const QByteArray BrandSkin = "[skin]\nname=Brand\n[panel]\nbackground=#ffeedd\n";

class BrandingTest : public ::testing::Test
{
protected:
    void SetUp() override { QApplication::setWindowIcon(QIcon()); }

    void Config(const QByteArray& settings) const { Dir.Write("dbconfig.dat", "[Settings]\n" + settings); }

    // One start of the program in the test's directory, shown, with its start-up reports delivered.
    std::unique_ptr<TfrmMain> Start(const QString& directory = {})
    {
        auto window = std::make_unique<TfrmMain>(directory.isEmpty() ? Dir.Path() : directory);
        window->show();
        Pump(20);
        return window;
    }

    QStringList Reports() const
    {
        QStringList texts;
        for (const TShownBox& box : Recorder.Boxes())
            texts << box.Text;
        return texts;
    }

    // Start-up went through: every store exists and the format chooser is filled.
    static void ExpectStartupComplete(const TfrmMain& w)
    {
        EXPECT_TRUE(w.Messages && w.Forums && w.Formats);
        ASSERT_GE(w.cbxFormat->count(), 1);
        EXPECT_EQ(w.cbxFormat->itemText(0), QStringLiteral("text"));
    }

    TTempAppDir Dir;
    TMessageRecorder Recorder;
};

TEST_F(BrandingTest, WithoutConfigurationTheWindowStaysAsLaidOut)
{
    Dir.Write("dbimg1.dat", MakeImage("bmp", QSize(20, 20)));
    Dir.Write("dbskin.dat", SkinContainer(3, BrandSkin));
    const auto w = Start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Threadwick"));
    EXPECT_EQ(w->lblLink1URL->text(), QStringLiteral("Google"));
    EXPECT_EQ(w->lblLink2URL->text(), QStringLiteral("Google"));
    EXPECT_FALSE(w->lblLink1URL->URL().isEmpty());
    EXPECT_FALSE(w->lblLink2URL->URL().isEmpty());
    EXPECT_TRUE(w->panBanner->isVisible());
    EXPECT_EQ(w->panBanner->height(), 65);
    EXPECT_TRUE(w->imgBanner->Picture().isNull());
    EXPECT_EQ(w->gifBanner->FrameCount(), 0);
    EXPECT_TRUE(w->AffiliateID.isEmpty());
    EXPECT_EQ(w->bsSkinData1->Skin().Name(), QStringLiteral("Slate"));
    EXPECT_TRUE(Reports().isEmpty());
}

TEST_F(BrandingTest, OnlyAnAppNameSetsTheCaptionAndEmptiesTheLinks)
{
    Config("AppName=Forum Pal\n");
    const auto w = Start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Forum Pal"));
    EXPECT_FALSE(w->panBanner->isVisible());
    for (const TLinkLabel* label : {w->lblLink1URL, w->lblLink2URL}) {
        EXPECT_TRUE(label->text().isEmpty());
        EXPECT_TRUE(label->URL().isEmpty());
    }
    EXPECT_TRUE(QApplication::windowIcon().isNull());
    EXPECT_EQ(w->bsSkinData1->Skin().Name(), QStringLiteral("Slate"));
    EXPECT_TRUE(Reports().isEmpty());
    ExpectStartupComplete(*w);
}

// The configuration is read once, whatever its size: a file or a line far beyond any configuration is
// reported and branding goes on without its keys; a byte-order mark that an editor put first is skipped.
TEST_F(BrandingTest, AConfigurationThatCannotBeUsedIsReportedAndBrandingGoesOn)
{
    struct TCase
    {
        const char* Name;
        QByteArray Config;
        QString Reason; // empty: read
    };
    const QByteArray settings = "[Settings]\r\nAppName=Forum Pal\r\nLink1URL=http://l/\r\n";
    const TCase cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF" + settings, {}},
        {"above 1 MiB", settings + QByteArray(1024 * 1024, ';'), QStringLiteral("The file is too large")},
        {"line above 64 KiB", settings + "AfiliateID=" + QByteArray(64 * 1024, 'a') + "\r\n",
         QStringLiteral("Line 4 is longer than 64 KiB")},
    };
    for (const TCase& c : cases) {
        Recorder.Clear();
        TTempAppDir dir;
        dir.Write("dbconfig.dat", c.Config);
        dir.Write("dbskin.dat", SkinContainer(3, BrandSkin));
        const auto w = Start(dir.Path());
        const bool read = c.Reason.isEmpty();
        EXPECT_EQ(Reports(), read ? QStringList()
                                  : QStringList{QStringLiteral("Cannot open file \"%1dbconfig.dat\". %2")
                                                    .arg(dir.Path(), c.Reason)})
            << c.Name;
        EXPECT_EQ(w->windowTitle(), read ? QStringLiteral("Forum Pal") : QStringLiteral("Threadwick"))
            << c.Name;
        EXPECT_EQ(w->lblLink1URL->URL(), read ? QStringLiteral("http://l/") : QString()) << c.Name;
        EXPECT_EQ(w->bsSkinData1->Skin().Name(), QStringLiteral("Brand")) << c.Name;
        ExpectStartupComplete(*w);
    }
    TfrmMain restored(Dir.Path()); // the next window starts from the built-in skin again
}

TEST_F(BrandingTest, AValueIsCutTo2047Characters)
{
    Config("AppName=" + QByteArray(3000, 'n') + "\nAfiliateID=\"  a1 \"\n");
    const auto w = Start();
    EXPECT_EQ(w->windowTitle(), QString(2047, QLatin1Char('n')));
    EXPECT_EQ(w->AffiliateID, QStringLiteral("  a1 "));
}

TEST_F(BrandingTest, TheStillBannerIsDecodedFromItsStoredNameAndNothingIsRenamed)
{
    // The application directory may itself contain ".gif"; only the banner's file name decides.
    for (const QString& sub : {QString(), QStringLiteral("brand.gifts/")}) {
        const QString app = Dir.Path() + sub;
        QDir().mkpath(app);
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile file(app + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        const QByteArray jpeg = MakeImage("jpg", QSize(120, 30));
        const QByteArray other = MakeImage("bmp", QSize(10, 10));
        write("dbconfig.dat",
              "[Settings]\nBannerPath2=C:\\images\\Banner.JPG\nBannerURL2=http://b.example/\n");
        write("dbimg1.dat", jpeg);
        write("dbimg2.dat", "not used");
        write("Banner.JPG", other); // a file already bearing the banner's name is left alone
        const QStringList before = QDir(app).entryList(QDir::Files);

        const auto w = Start(app);
        EXPECT_EQ(w->BannerPath, QStringLiteral("C:\\images\\Banner.JPG"));
        EXPECT_EQ(w->BannerURL, QStringLiteral("http://b.example/"));
        EXPECT_TRUE(w->imgBanner->isVisible());
        EXPECT_FALSE(w->gifBanner->isVisible());
        EXPECT_EQ(w->imgBanner->Picture().size(), QSize(120, 30)) << sub.toStdString();
        EXPECT_EQ(w->imgBanner->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(w->gifBanner->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(w->panBanner->height(), 40);
        EXPECT_EQ(QDir(app).entryList(QDir::Files), before);
        QFile stored(app + "dbimg1.dat"), named(app + "Banner.JPG");
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly) && named.open(QIODevice::ReadOnly));
        EXPECT_EQ(stored.readAll(), jpeg);
        EXPECT_EQ(named.readAll(), other);
        EXPECT_TRUE(Reports().isEmpty());
    }
}

TEST_F(BrandingTest, ABannerWithoutAddressOrImage)
{
    struct TCase
    {
        const char* Name;
        bool Image;
        bool PanelShown;
    };
    for (const TCase& c : {TCase{"image, no address", true, true}, TCase{"no image file", false, false}}) {
        TTempAppDir dir;
        dir.Write("dbconfig.dat", "[Settings]\nBannerPath1=b.bmp\n");
        if (c.Image)
            dir.Write("dbimg1.dat", MakeImage("bmp", QSize(50, 20)));
        TfrmMain w(dir.Path());
        w.show();
        Pump(20);
        EXPECT_EQ(w.panBanner->isVisible(), c.PanelShown) << c.Name;
        EXPECT_EQ(w.imgBanner->cursor().shape(), Qt::ArrowCursor) << c.Name;
        EXPECT_TRUE(Reports().isEmpty()) << c.Name;
    }
}

TEST_F(BrandingTest, AGifNameInCapitalsGoesToTheAnimatedBanner)
{
    Config("BannerPath1=D:\\art\\Spin.GIF\n");
    Dir.Write("dbimg1.dat", MakeGif(30, 12, {Solid(30, 12, 1, 10), Solid(30, 12, 2, 10)}, 1));
    const auto w = Start();
    EXPECT_TRUE(w->gifBanner->isVisible());
    EXPECT_FALSE(w->imgBanner->isVisible());
    EXPECT_EQ(w->gifBanner->size(), QSize(30, 12));
    EXPECT_EQ(w->gifBanner->FrameCount(), 2);
    EXPECT_TRUE(w->gifBanner->IsAnimating());
    EXPECT_EQ(w->panBanner->height(), 22);
    EXPECT_TRUE(Reports().isEmpty());
}

TEST_F(BrandingTest, LinksAreDrawnFromTheCandidates)
{
    struct TCase
    {
        const char* Name;
        QByteArray Settings;
        QString Caption1, URL1, Caption2, URL2;
    };
    const TCase cases[] = {
        {"one link", "Link2URL=http://two/\nLink2Name=Two\n", "Two", "http://two/", "", ""},
        {"a link without a caption", "Link3URL=http://three/\n", "", "http://three/", "", ""},
        {"a caption without a link", "Link1Name=One\n", "", "", "", ""},
    };
    for (const TCase& c : cases) {
        TTempAppDir dir;
        dir.Write("dbconfig.dat", "[Settings]\n" + c.Settings);
        TfrmMain w(dir.Path());
        EXPECT_EQ(w.lblLink1URL->text(), c.Caption1) << c.Name;
        EXPECT_EQ(w.lblLink1URL->URL(), c.URL1) << c.Name;
        EXPECT_EQ(w.lblLink2URL->text(), c.Caption2) << c.Name;
        EXPECT_EQ(w.lblLink2URL->URL(), c.URL2) << c.Name;
    }
}

TEST_F(BrandingTest, FourLinksShowTwoDifferentOnesAndEveryOneInTurn)
{
    Config("Link1URL=http://1/\nLink1Name=L1\nLink2URL=http://2/\nLink2Name=L2\n"
           "Link3URL=http://3/\nLink3Name=L3\nLink4URL=http://4/\nLink4Name=L4\n");
    QSet<QString> first, second;
    for (int start = 0; start < 60; ++start) {
        TfrmMain w(Dir.Path());
        const QString a = w.lblLink1URL->URL(), b = w.lblLink2URL->URL();
        ASSERT_NE(a, b);
        // Caption and address of a label come from the same candidate.
        EXPECT_EQ(w.lblLink1URL->text(), QStringLiteral("L") + a.mid(7, 1));
        EXPECT_EQ(w.lblLink2URL->text(), QStringLiteral("L") + b.mid(7, 1));
        first << a;
        second << b;
    }
    const QSet<QString> all{"http://1/", "http://2/", "http://3/", "http://4/"};
    EXPECT_EQ(first, all);
    EXPECT_EQ(second, all);
}

TEST_F(BrandingTest, ThreeBannersAreDrawnInTurn)
{
    Config("BannerPath1=a.bmp\nBannerURL1=http://a/\nBannerPath2=b.bmp\nBannerPath3=c.bmp\nBannerURL3=http://"
           "c/\n");
    Dir.Write("dbimg1.dat", MakeImage("bmp", QSize(11, 5)));
    Dir.Write("dbimg2.dat", MakeImage("bmp", QSize(22, 5)));
    Dir.Write("dbimg3.dat", MakeImage("bmp", QSize(33, 5)));
    QSet<int> widths;
    for (int start = 0; start < 40; ++start) {
        TfrmMain w(Dir.Path());
        const int width = w.imgBanner->Picture().width();
        widths << width;
        // The picture, the path and the address belong to the same banner.
        EXPECT_EQ(w.BannerPath, QString(QChar(u'a' + width / 11 - 1)) + QStringLiteral(".bmp"));
        EXPECT_EQ(w.BannerURL,
                  width == 22 ? QString() : QStringLiteral("http://%1/").arg(w.BannerPath.left(1)));
    }
    EXPECT_EQ(widths, (QSet<int>{11, 22, 33}));
}

TEST_F(BrandingTest, TheIconIsLookedUpByItsFileNameInTheApplicationDirectory)
{
    struct TCase
    {
        const char* Name;
        QByteArray File; // empty: no file
        bool IconSet;
        QStringList Reports;
    };
    const TCase cases[] = {
        {"an icon", MakeImage("ico", QSize(16, 16)), true, {}},
        {"not an icon", "just text", false, {"Icon image is not valid"}},
        {"no file", {}, false, {}},
    };
    for (const TCase& c : cases) {
        QApplication::setWindowIcon(QIcon());
        Recorder.Clear();
        TTempAppDir dir;
        dir.Write("dbconfig.dat", "[Settings]\nIconPath=C:\\Program Files\\Brand\\brand.ico\n");
        if (!c.File.isEmpty())
            dir.Write("brand.ico", c.File);
        TfrmMain w(dir.Path());
        w.show();
        Pump(20);
        EXPECT_EQ(w.IconPath, QStringLiteral("C:\\Program Files\\Brand\\brand.ico")) << c.Name;
        EXPECT_EQ(!QApplication::windowIcon().isNull(), c.IconSet) << c.Name;
        EXPECT_EQ(Reports(), c.Reports) << c.Name;
    }
}

TEST_F(BrandingTest, TheSkinContainerReplacesTheBuiltInSkinOrIsIgnored)
{
    const QByteArray good = SkinContainer(3, BrandSkin);
    QByteArray zeroLength = good;
    qToLittleEndian<qint32>(0, zeroLength.data() + 4);
    QByteArray negativeLength = good;
    qToLittleEndian<qint32>(-5, negativeLength.data() + 4);
    QByteArray damaged = good;
    damaged[damaged.size() - 3] = char(damaged[damaged.size() - 3] ^ 0x5A);
    struct TCase
    {
        const char* Name;
        QByteArray File;
        QString Skin;
        QString Report; // empty: none; else the start of the one report
    };
    const TCase cases[] = {
        {"version 3", good, "Brand", ""},
        {"version 1, bytes after the data", SkinContainer(1, BrandSkin) + "trailing", "Brand", ""},
        {"version 4", SkinContainer(4, BrandSkin), "Slate", ""},
        {"shorter than the header", good.left(6), "Slate", ""},
        {"length 0", zeroLength, "Slate", ""},
        {"negative length", negativeLength, "Slate", ""},
        {"length past the end", SkinContainer(3, BrandSkin, 1), "Slate", "Stream read error"},
        {"damaged data", damaged, "Slate", "The skin data is damaged"},
        {"not a skin", SkinContainer(3, "[nonsense]\nx=1\n"), "Slate", "Skin description, line 1"},
    };
    for (const TCase& c : cases) {
        Recorder.Clear();
        TTempAppDir dir;
        dir.Write("dbconfig.dat", "[Settings]\nLink1URL=http://after-skin/\n");
        dir.Write("dbskin.dat", c.File);
        TfrmMain w(dir.Path());
        w.show();
        Pump(20);
        EXPECT_EQ(w.bsSkinData1->Skin().Name(), c.Skin) << c.Name;
        if (c.Report.isEmpty()) {
            EXPECT_TRUE(Reports().isEmpty()) << c.Name << ": " << Reports().join('|').toStdString();
        } else {
            ASSERT_EQ(Reports().size(), 1) << c.Name;
            EXPECT_TRUE(Reports()[0].startsWith(c.Report)) << c.Name << ": " << Reports()[0].toStdString();
        }
        EXPECT_EQ(w.lblLink1URL->URL(), QStringLiteral("http://after-skin/")) << c.Name;
    }
    TfrmMain restored(Dir.Path()); // the next window starts from the built-in skin again
}

TEST_F(BrandingTest, ABannerThatCannotBeDecodedIsReportedAndBrandingGoesOn)
{
    const QByteArray bmp = MakeImage("bmp", QSize(40, 20)), ico = MakeImage("ico", QSize(16, 16)),
                     jpg = MakeImage("jpg", QSize(40, 20)), wmf = MakeWmf(), emf = MakeEmf(),
                     gif = MakeGif(4, 4, {Solid(4, 4, 1, 10)});
    // 40 one-pixel frames on a 4000 x 4000 screen: a few hundred bytes that would decode to 2.5 GB.
    QByteArray hugeGif = MakeGif(1, 1, QList<TGifFrameSpec>(40, Solid(1, 1, 1, 10)));
    hugeGif[6] = hugeGif[8] = char(4000 & 0xFF);
    hugeGif[7] = hugeGif[9] = char(4000 >> 8);
    struct TCase
    {
        const char* Path;
        QByteArray Image;
        QString Report;
    };
    const TCase cases[] = {
        {"b.bmp", bmp.left(bmp.size() / 2), "Bitmap image is not valid"},
        {"b.bmp", "BM" + QByteArray(60, '\xff'), "Bitmap image is not valid"},
        {"b.ico", ico.left(20), "Icon image is not valid"},
        {"b.ico", jpg, "Icon image is not valid"},
        {"b.jpg", jpg.left(jpg.size() / 2), "JPEG image is not valid"},
        {"b.jpeg", "\xff\xd8" + QByteArray(40, 'x'), "JPEG image is not valid"},
        {"b.wmf", wmf.left(wmf.size() / 2), "Metafile is not valid"},
        {"b.wmf", QByteArray(64, '\x01'), "Metafile is not valid"},
        {"b.emf", emf.left(emf.size() - 12), "Metafile is not valid"},
        {"b.emf", emf.left(40) + "nope" + emf.mid(44), "Metafile is not valid"},
        {"b.gif", gif.left(gif.size() - 6), "GIF image is not valid"},
        {"b.gif", "GIF89a" + QByteArray(30, '\x07'), "GIF image is not valid"},
        {"b.gif", hugeGif, "GIF image is too large"},
        // The extension picks the decoder, not ".gif" elsewhere in the name.
        {"my.gifts.jpg", gif, "JPEG image is not valid"},
        {"b.png", MakeImage("png", QSize(4, 4)), "Unknown picture file extension (.png)"},
        {"banner", "no known picture", "The picture's format is not recognised"},
    };
    for (const TCase& c : cases) {
        Recorder.Clear();
        QApplication::setWindowIcon(QIcon());
        TTempAppDir dir;
        dir.Write("dbconfig.dat", "[Settings]\nBannerPath1=" + QByteArray(c.Path) +
                                      "\nLink1URL=http://l/\nLink1Name=L\nIconPath=brand.ico\n");
        dir.Write("dbimg1.dat", c.Image);
        dir.Write("dbskin.dat", SkinContainer(3, BrandSkin));
        dir.Write("brand.ico", ico);
        TfrmMain w(dir.Path());
        w.show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Reports().isEmpty(); })) << c.Path;
        EXPECT_EQ(Reports(), QStringList{c.Report}) << c.Path;
        EXPECT_FALSE(w.panBanner->isVisible()) << c.Path;
        // The steps after the banner still ran.
        EXPECT_EQ(w.lblLink1URL->URL(), QStringLiteral("http://l/")) << c.Path;
        EXPECT_EQ(w.bsSkinData1->Skin().Name(), QStringLiteral("Brand")) << c.Path;
        EXPECT_FALSE(QApplication::windowIcon().isNull()) << c.Path;
        ExpectStartupComplete(w);
    }
}

TEST_F(BrandingTest, TheBrandingKitBrandsACopy)
{
    // The kit lies in the source tree, two levels above the fixtures.
    const QString root = QDir::cleanPath(FixturePath(QStringLiteral("../.."))) + QLatin1Char('/');
    const QString kit = root + "docs/branding/";
    QFile config(kit + "dbconfig.dat");
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    Dir.Write("dbconfig.dat", config.readAll());
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "make-skin needs python3";
    ASSERT_EQ(QProcess::execute(
                  python, {root + "scripts/make-skin", kit + "dusk.skin.ini", Dir.Path() + "dbskin.dat"}),
              0);
    const auto w = Start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Forum Pal - posting made easy"));
    EXPECT_EQ(w->AffiliateID, QStringLiteral("pal-0042"));
    EXPECT_EQ(w->bsSkinData1->Skin().Name(), QStringLiteral("Dusk"));
    EXPECT_TRUE(w->lblLink1URL->URL().startsWith(QStringLiteral("https://forumpal.example/")));
    EXPECT_TRUE(Reports().isEmpty()) << Reports().join('|').toStdString();
}

// A private XDG configuration whose text/html handler writes its arguments to a file. GLib reads the
// XDG variables once per process, so the configuration is made once and serves every test.
class TRecordingBrowser
{
public:
    TRecordingBrowser() { Take(); }

    // The arguments of every start since the last call, start after start, waiting for the detached
    // script to record at least one; empty if nothing started.
    QStringList Opened(int waitMs = 5000)
    {
        (void)QTest::qWaitFor([] { return !Starts().isEmpty(); }, waitMs);
        return Take();
    }

private:
    // Each start records its arguments in a file of its own, named after its process.
    static QFileInfoList Starts()
    {
        return QDir(Directory())
            .entryInfoList({QStringLiteral("opened.*.txt")}, QDir::Files, QDir::Time | QDir::Reversed);
    }

    static QStringList Take()
    {
        QStringList lines;
        for (const QFileInfo& start : Starts()) {
            QFile log(start.filePath());
            if (log.open(QIODevice::ReadOnly))
                lines += QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            log.remove();
        }
        return lines;
    }

    static const QString& Directory()
    {
        static const QString directory = MakeConfiguration();
        return directory;
    }

    static QString MakeConfiguration()
    {
        static QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        QDir().mkpath(root + "config");
        QDir().mkpath(root + "data/applications");
        qputenv("XDG_CONFIG_HOME", (root + "config").toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", (root + "config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (root + "data").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", (root + "data").toLocal8Bit());
        const QString script = root + "browser.sh";
        const QByteArray log = (root + "opened.$$").toLocal8Bit();
        Write(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + log + ".tmp\"\nmv \"" + log + ".tmp\" \"" +
                          log + ".txt\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Write(root + "data/applications/rec.desktop",
              "[Desktop Entry]\nType=Application\nExec=" + script.toLocal8Bit() + " %u\n");
        // The mail program is the same script, told apart by its first argument.
        Write(root + "data/applications/mail.desktop",
              "[Desktop Entry]\nType=Application\nExec=" + script.toLocal8Bit() + " --compose %u\n");
        Write(root + "config/mimeapps.list",
              "[Default Applications]\ntext/html=rec.desktop\nx-scheme-handler/mailto=mail.desktop\n");
        return root;
    }

    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
};

TEST_F(BrandingTest, ButtonsAndBannerOpenTheirPagesInTheRegisteredBrowser)
{
    TRecordingBrowser browser;
    const QString site = QStringLiteral(THREADWICK_MAKE_MONEY_URL);
    {
        const auto w = Start();
        QTest::mouseClick(w->btnMakeMoney, Qt::LeftButton);
        EXPECT_EQ(browser.Opened(), QStringList{site});
        Dir.Write("help.html", "<p>Help</p>");
        QTest::mouseClick(w->btnHelp, Qt::LeftButton);
        // The desktop's launcher hands a local page to the browser as its path.
        EXPECT_EQ(browser.Opened(), QStringList{Dir.Path() + "help.html"});
    }
    Config("AfiliateID=aff 42\nBannerPath1=b.bmp\nBannerURL1=http://banner.example/go?a=1 b\n");
    Dir.Write("dbimg1.dat", MakeImage("bmp", QSize(60, 20)));
    const auto w = Start();
    QTest::mouseClick(w->btnMakeMoney, Qt::LeftButton);
    EXPECT_EQ(browser.Opened(), QStringList{site + "aff 42"});
    QTest::mouseClick(w->imgBanner, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(browser.Opened(), QStringList{"http://banner.example/go?a=1 b"});
    w->gifBannerClick();
    EXPECT_EQ(browser.Opened(), QStringList{"http://banner.example/go?a=1 b"});
}

// A banner without an address, or with one that is no web address (a configuration file may come from
// anyone), starts nothing.
TEST_F(BrandingTest, ABannerWithoutAWebAddressOpensNothing)
{
    TRecordingBrowser browser;
    Dir.Write("help.html", "<p>Help</p>");
    for (const QByteArray& address : {QByteArray(), QByteArray("--renderer-cmd-prefix=touch /tmp/owned"),
                                      QByteArray("$(id)"), QByteArray("javascript:alert(1)")}) {
        Config("BannerPath1=b.bmp\nBannerURL1=" + address + "\n");
        Dir.Write("dbimg1.dat", MakeImage("bmp", QSize(60, 20)));
        const auto w = Start();
        QTest::mouseClick(w->imgBanner, Qt::LeftButton, {}, QPoint(5, 5));
        w->gifBannerClick();
        QTest::mouseClick(w->btnHelp, Qt::LeftButton); // a start that does happen, after the banner clicks
        EXPECT_EQ(browser.Opened(), QStringList{Dir.Path() + "help.html"}) << address.toStdString();
    }
}

// Without its page beside the program, "Help" says so instead of doing nothing.
TEST_F(BrandingTest, HelpWithoutItsPageSaysSo)
{
    TRecordingBrowser browser;
    const auto w = Start();
    Recorder.Clear();
    QTest::mouseClick(w->btnHelp, Qt::LeftButton);
    EXPECT_EQ(Reports(), QStringList{"Cannot open file \"" + Dir.Path() + "help.html\". " +
                                     QString::fromLocal8Bit(std::strerror(ENOENT))});
}

// The bottom links' addresses come from dbconfig.dat as well. They open as the banner does: a web
// address in the desktop's browser, a mail address in its mail program, a file address only when it
// names an existing HTML page; nothing goes to a generic opener that would run a script.
TEST_F(BrandingTest, LinkLabelsOpenThroughTheBrowserOrTheMailProgram)
{
    TRecordingBrowser browser;
    Dir.Write("help.html", "<p>Help</p>");
    Dir.Write("links.html", "<p>Links</p>");
    Dir.Write("run.sh", "#!/bin/sh\ntouch owned\n");
    const struct
    {
        QString Address;
        QStringList Opened; // empty: refused
    } cases[] = {
        {"http://forum.example/a b", {"http://forum.example/a b"}},
        {"www.sponsor.com", {"http://www.sponsor.com"}},
        {"mailto:sales@sponsor.example", {"--compose", "mailto:sales@sponsor.example"}},
        {"file://" + Dir.Path() + "links.html", {Dir.Path() + "links.html"}},
        {"file://" + Dir.Path() + "run.sh", {}},
        {"javascript:alert(1)", {}},
        {"--renderer-cmd-prefix=touch /tmp/x", {}},
        {"smb://server/share", {}},
        {"", {}},
    };
    const auto w = Start();
    for (const auto& c : cases) {
        w->lblLink1URL->SetURL(c.Address);
        w->lblLink1URL->SetCaption(QStringLiteral("Link"));
        QTest::mouseClick(w->lblLink1URL, Qt::LeftButton, {}, QPoint(2, 2));
        if (c.Opened.isEmpty()) // a start that does happen, after the refused click
            QTest::mouseClick(w->btnHelp, Qt::LeftButton);
        EXPECT_EQ(browser.Opened(), c.Opened.isEmpty() ? QStringList{Dir.Path() + "help.html"} : c.Opened)
            << c.Address.toStdString();
    }
    EXPECT_FALSE(Dir.Exists("owned"));
}

} // namespace
