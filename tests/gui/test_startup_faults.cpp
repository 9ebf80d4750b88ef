// Start-up with data files that are missing, empty, garbage or very large, and with a skin container
// whose data inflates without end: the window always comes up, with whatever could be read.
#include "GuiTestSupport.h"

#include "toolkit/TPicture.h"
#include "toolkit/TSkin.h"
#include "toolkit/TSkinData.h"
#include "ui/FMain.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sys/resource.h>

namespace {

const char* const DataFiles[] = {"Forums.dat", "Messages.dat", "Formats.dat"};

QByteArray Garbage(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Peak resident memory of this process so far, in bytes.
long PeakMemory()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

class StartupFaults : public ::testing::Test
{
protected:
    QStringList Reports() const
    {
        QStringList texts;
        for (const TShownBox& box : Recorder.Boxes())
            texts << box.Text;
        return texts;
    }

    // Start-up went through: every store exists, the lists show what the stores hold.
    static void ExpectStartupComplete(const TfrmMain& w, const char* name)
    {
        ASSERT_TRUE(w.Messages && w.Forums && w.Formats) << name;
        EXPECT_EQ(w.lvwForums->count(), w.Forums->Count()) << name;
        ASSERT_GE(w.cbxFormat->count(), 1) << name;
        EXPECT_EQ(w.cbxFormat->itemText(0), QStringLiteral("text")) << name;
        EXPECT_TRUE(w.isVisible()) << name;
    }

    TMessageRecorder Recorder;
};

// Whatever the three data files hold, the window comes up; a file that cannot be made sense of gives
// records of its own bytes rather than a failure, as it always has. Only records hidden behind a zero
// byte are reported, since the file is then kept from being overwritten.
TEST_F(StartupFaults, MissingEmptyAndGarbageDataFiles)
{
    struct TCase
    {
        const char* Name;
        std::optional<QByteArray> Contents; // nothing: no file
        int Records;                        // per store; -1: not checked
        bool DataAfterZero = false;         // each file reported as read up to a zero byte
    };
    const TCase cases[] = {
        {"missing", std::nullopt, 0},
        {"empty", QByteArray(), 0},
        {"header only, no line end", QByteArray("URL^"), 0},
        {"binary garbage", Garbage(256 * 1024, 7), -1, true},
        {"garbage without a NUL byte", Garbage(256 * 1024, 8).replace('\0', '\x01'), -1},
        {"escape bytes at the ends of fields", QByteArray("h\r\n\x10^\x10\x10^x\x10\r\n\x10"), 1},
    };
    for (const TCase& c : cases) {
        Recorder.Clear();
        TTempAppDir dir;
        if (c.Contents)
            for (const char* name : DataFiles)
                dir.Write(QString::fromLatin1(name), *c.Contents);
        TfrmMain w(dir.Path());
        w.show();
        Pump(20);
        ExpectStartupComplete(w, c.Name);
        QStringList expected;
        if (c.DataAfterZero)
            for (const char* name : {"Messages.dat", "Forums.dat", "Formats.dat"}) // the order they load in
                expected << "\"" + dir.Path() + QLatin1String(name) +
                                QStringLiteral(
                                    "\" has data after a zero byte; it was read up to there and will "
                                    "not be overwritten");
        EXPECT_EQ(Reports(), expected) << c.Name;
        if (c.Records >= 0) {
            EXPECT_EQ(w.Messages->Count(), c.Records) << c.Name;
            EXPECT_EQ(w.Forums->Count(), c.Records) << c.Name;
            EXPECT_EQ(w.Formats->Count(), c.Records) << c.Name;
        }
        // Nothing is written at start-up, whatever was read.
        for (const char* name : DataFiles)
            EXPECT_EQ(dir.Exists(QString::fromLatin1(name)), c.Contents.has_value()) << c.Name << " " << name;
    }
}

// "Forums.dat" read only up to a zero byte: choosing a forum fills both edits although the save behind
// them is refused, the refusal is shown once however many keys are typed, and the file stays as it was.
TEST_F(StartupFaults, AStoreReadUpToAZeroByteRefusesToSaveOnce)
{
    TTempAppDir dir;
    static const char Bytes[] = "URL^Username^Password^\r\nhttp://a.example/^alice^secret^\r\n\0"
                                "http://b.example/^bob^pw^\r\n";
    const QByteArray forums(Bytes, sizeof Bytes - 1);
    dir.Write(QStringLiteral("Forums.dat"), forums);
    TfrmMain w(dir.Path());
    w.show();
    Pump(20);
    ASSERT_EQ(Reports().size(), 1); // the start-up report
    Recorder.Clear();

    // Chosen by a key, which runs the choice once (a click runs it for the press and the release).
    QTest::keyClick(w.lvwForums, Qt::Key_Home);
    EXPECT_EQ(w.edtUsername->text(), QStringLiteral("alice"));
    EXPECT_EQ(w.edtPassword->text(), QStringLiteral("secret"));
    QTest::keyClicks(w.edtUsername, QStringLiteral("xyz"));
    EXPECT_EQ(Reports(),
              QStringList{"Not saved: \"" + dir.Path() +
                          "Forums.dat\" was read only up to a zero byte, so saving would lose the rest."});
    EXPECT_EQ(dir.Read(QStringLiteral("Forums.dat")), forums);
}

// A 100 MB message file loads whole, and memory stays within a small multiple of the file.
TEST_F(StartupFaults, AHundredMegabyteMessageFileLoads)
{
    TTempAppDir dir;
    constexpr int Lines = 1'000'000;
    {
        QFile file(dir.Path() + QStringLiteral("Messages.dat"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Subject^Body^\r\n");
        const QByteArray body(90, 'b');
        QByteArray chunk;
        for (int i = 0; i < Lines; ++i) {
            chunk += "Subject " + QByteArray::number(i) + '^' + body + "^\r\n";
            if (chunk.size() > (1 << 20)) {
                ASSERT_EQ(file.write(chunk), chunk.size());
                chunk.clear();
            }
        }
        ASSERT_EQ(file.write(chunk), chunk.size());
        ASSERT_GE(file.size(), 100'000'000);
    }
    const qint64 fileSize = QFileInfo(dir.Path() + QStringLiteral("Messages.dat")).size();
    const long before = PeakMemory();

    TfrmMain w(dir.Path());
    w.show();
    Pump(20);
    ExpectStartupComplete(w, "100 MB");
    EXPECT_TRUE(Reports().isEmpty()) << Reports().join('|').toStdString();
    ASSERT_EQ(w.Messages->Count(), Lines);
    EXPECT_EQ(w.Messages->RecordAt(Lines - 1).Subject, "Subject " + std::to_string(Lines - 1));
    EXPECT_EQ(w.Messages->RecordAt(Lines - 1).Body, std::string(90, 'b'));
    // The file's bytes, the records and the allocator's overhead; nothing proportional to more.
    EXPECT_LT(PeakMemory() - before, 4 * fileSize) << "peak grew by " << (PeakMemory() - before) / (1 << 20)
                                                   << " MiB for a file of " << fileSize / (1 << 20) << " MiB";
}

// A small "dbskin.dat" whose data inflates past the limit is reported; the built-in skin stays and the
// rest of start-up goes on.
TEST_F(StartupFaults, AnInflationBombInTheSkinContainerIsReportedAndTheBuiltInSkinStays)
{
    TTempAppDir dir;
    const QByteArray stream = qCompress(QByteArray(MaxInflatedSkinSize + 1024 * 1024, '\0'), 9).mid(4);
    ASSERT_LT(stream.size(), 1024 * 1024);
    QByteArray container(8, '\0');
    qToLittleEndian<qint32>(3, container.data());
    qToLittleEndian<qint32>(qint32(stream.size()), container.data() + 4);
    dir.Write(QStringLiteral("dbconfig.dat"), "[Settings]\nLink1URL=http://after-skin/\n");
    dir.Write(QStringLiteral("dbskin.dat"), container + stream);
    dir.Write(QStringLiteral("Forums.dat"), "URL^Username^Password^\r\nhttps://a.example/^ann^pw^\r\n");

    const QString builtInName = TSkinData::BuiltInSkin().Name();

    TfrmMain w(dir.Path());
    w.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Reports().isEmpty(); }));
    ExpectStartupComplete(w, "inflation bomb");
    ASSERT_EQ(Reports().size(), 1) << Reports().join('|').toStdString();
    EXPECT_TRUE(Reports()[0].startsWith("The skin data is too large")) << Reports()[0].toStdString();
    EXPECT_EQ(w.bsSkinData1->Skin().Name(), builtInName);
    EXPECT_EQ(w.lvwForums->count(), 1);
    EXPECT_EQ(w.lblLink1URL->URL(), QStringLiteral("http://after-skin/"));
}

// Banners whose headers ask for the impossible, each found by fuzzing the decoders: refused with the
// decoder's message before anything trusts the header, and start-up goes on.
//   - a metafile of a few hundred bytes whose header claims a 3 GB record, which libwmf allocated before
//     reading a record;
//   - a bitmap whose row size times its height overflows 64 bits in the completeness check.
TEST_F(StartupFaults, BannersWithImpossibleHeadersAreRefused)
{
    struct TCase
    {
        const char* Fixture;
        const char* BannerPath;
        const char* Report;
    };
    const TCase cases[] = {
        {"faults/wmf-huge-record.wmf", "b.wmf", "Metafile is not valid"},
        {"faults/bmp-overflowing-size.bmp", "b.bmp", "Bitmap image is not valid"},
    };
    for (const TCase& c : cases) {
        Recorder.Clear();
        QFile fixture(FixturePath(QLatin1String(c.Fixture)));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly)) << c.Fixture;
        const QByteArray picture = fixture.readAll();
        ASSERT_LT(picture.size(), 1024) << c.Fixture;
        std::string message;
        try {
            DecodePicture(picture, QLatin1String(c.BannerPath));
        } catch (const EInvalidGraphic& error) {
            message = error.what();
        }
        EXPECT_EQ(message, c.Report) << c.Fixture;

        TTempAppDir dir;
        dir.Write(QStringLiteral("dbconfig.dat"), "[Settings]\nBannerPath1=" + QByteArray(c.BannerPath) +
                                                      "\nLink1URL=http://l/\nLink1Name=L\n");
        dir.Write(QStringLiteral("dbimg1.dat"), picture);
        TfrmMain w(dir.Path());
        w.show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Reports().isEmpty(); })) << c.Fixture;
        ExpectStartupComplete(w, c.Fixture);
        EXPECT_EQ(Reports(), QStringList{QLatin1String(c.Report)}) << c.Fixture;
        EXPECT_EQ(w.lblLink1URL->URL(), QStringLiteral("http://l/")) << c.Fixture;
    }
}

} // namespace
