// Work is not lost: the draft of the editor's text, a save that landed though its folder could not be
// flushed, the forums removed since start-up; and a click on an outside link says why it opens nothing.
#include "GuiTestSupport.h"
#include "tests/FailingFlush.h"

#include "ui/FMain.h"
#include "ui/FUMessages.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <sys/stat.h>

namespace {

const QByteArray Header = "Subject^Body^\r\n";
const QByteArray ForumsHeader = "URL^Username^Password^\r\n";

class NeverLoseWork : public ::testing::Test
{
public:
    void Start()
    {
        Window.reset();
        Window = std::make_unique<TfrmMain>(Dir.Path());
        Window->show();
        Pump();
    }
    void Type(const QString& subject, const QString& body)
    {
        Window->edtSubject->setText(subject);
        Window->memBody->setPlainText(body);
    }
    // Waits, as long as the draft may take, for Draft.dat to hold `bytes` (empty: to be gone).
    bool DraftBecomes(const QByteArray& bytes)
    {
        constexpr int DraftPromiseMs = 2000;
        return QTest::qWaitFor(
            [&] { return bytes.isEmpty() ? !Dir.Exists("Draft.dat") : Dir.Read("Draft.dat") == bytes; },
            DraftPromiseMs);
    }

    TTempAppDir Dir;
    TMessageRecorder Boxes;
    std::unique_ptr<TfrmMain> Window;
};

// Set up before anything asks the desktop for a program: GLib reads its configuration once.
class NoBrowser : public NeverLoseWork
{
public:
    static void SetUpTestSuite()
    {
        static QTemporaryDir empty;
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
            qputenv(name, empty.path().toLocal8Bit());
    }
};

TEST_F(NoBrowser, OutsideLinksSayThatNoProgramIsRegistered)
{
    Dir.Write("help.html", "<p>Help</p>");
    Start();
    const struct
    {
        const char* Name;
        std::function<void(TfrmMain&)> Click;
        const char* Says;
    } cases[] = {
        {"Help", [](TfrmMain& w) { QTest::mouseClick(w.btnHelp, Qt::LeftButton); }, "No web browser"},
        {"Make Money", [](TfrmMain& w) { QTest::mouseClick(w.btnMakeMoney, Qt::LeftButton); },
         "No web browser"},
        {"a web link",
         [](TfrmMain& w) {
             w.lblLink1URL->SetURL(QStringLiteral("http://forum.example/"));
             QTest::mouseClick(w.lblLink1URL, Qt::LeftButton, {}, QPoint(2, 2));
         },
         "No web browser"},
        {"a mail link",
         [](TfrmMain& w) {
             w.lblLink1URL->SetURL(QStringLiteral("mailto:sales@sponsor.example"));
             QTest::mouseClick(w.lblLink1URL, Qt::LeftButton, {}, QPoint(2, 2));
         },
         "No mail program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Boxes.Clear();
        c.Click(*Window);
        ASSERT_EQ(Boxes.Boxes().size(), 1);
        EXPECT_TRUE(Boxes.Boxes()[0].Text.startsWith(QLatin1String(c.Says)))
            << Boxes.Boxes()[0].Text.toStdString();
        EXPECT_TRUE(Boxes.Boxes()[0].Text.contains(QLatin1String("xdg-mime default")));
    }
}

// Draft.dat holds the editor's text while it is neither saved nor loaded nor empty.
TEST_F(NeverLoseWork, TheDraftFollowsTheEditor)
{
    Dir.Write("Messages.dat", Header + "Loaded^Kept^\r\n");
    Start();
    const struct
    {
        const char* Name;
        std::function<void(NeverLoseWork&)> Do;
        QByteArray Draft; // empty: no file
    } steps[] = {
        {"typed", [](NeverLoseWork& t) { t.Type("S", "Body\nline"); }, Header + "S^Body\x10nline^\r\n"},
        {"saved", [](NeverLoseWork& t) { QTest::mouseClick(t.Window->btnSave, Qt::LeftButton); }, {}},
        {"a P.S. after the save", [](NeverLoseWork& t) { t.Window->memBody->appendPlainText("P.S."); },
         Header + "S^Body\x10nline\x10nP.S.^\r\n"},
        {"emptied", [](NeverLoseWork& t) { t.Type({}, {}); }, {}},
        {"typed again", [](NeverLoseWork& t) { t.Type("T", {}); }, Header + "T^^\r\n"},
        {"replaced by a loaded message",
         [](NeverLoseWork& t) {
             t.Boxes.Answer(mrYes);
             TfrmFMessages dialog(t.Window.get());
             dialog.show();
             dialog.lvwMsgs->setCurrentItem(dialog.lvwMsgs->topLevelItem(0));
             QTest::mouseClick(dialog.btnLoad, Qt::LeftButton);
         },
         {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Do(*this);
        EXPECT_TRUE(DraftBecomes(step.Draft)) << Dir.Read("Draft.dat").toStdString();
    }
    EXPECT_EQ(Window->edtSubject->text(), "Loaded");
}

// Typing without a pause still puts the text on disk within two seconds of the first key.
TEST_F(NeverLoseWork, ASteadyTypistsDraftIsWrittenInTime)
{
    Start();
    QElapsedTimer clock;
    clock.start();
    while (!Dir.Exists("Draft.dat") && clock.elapsed() < 2000) {
        QTest::keyClick(Window->memBody, Qt::Key_A);
        Pump(100);
    }
    EXPECT_TRUE(Dir.Exists("Draft.dat"));
}

// The next start puts the draft back and says so; the close question then decides what becomes of it.
TEST_F(NeverLoseWork, ARestoredDraftStaysUntilTheUserDropsIt)
{
    const QByteArray draft = Header + "S^Line one\x10nline two^\r\n";
    const struct
    {
        int Answer;
        bool Kept;
    } answers[] = {{mrCancel, true}, {mrNo, false}};
    for (const auto& a : answers) {
        SCOPED_TRACE(a.Answer);
        Dir.Write("Draft.dat", draft);
        Start();
        EXPECT_EQ(Window->edtSubject->text(), "S");
        EXPECT_EQ(Window->memBody->toPlainText(), "Line one\nline two");
        EXPECT_TRUE(QTest::qWaitFor([&] { return Window->NoteText() == TfrmMain::RestoredNote(); }));
        Boxes.Clear();
        Boxes.Answer(a.Answer);
        EXPECT_EQ(Window->close(), !a.Kept);
        ASSERT_EQ(Boxes.Boxes().size(), 1); // the text is unsaved
        EXPECT_EQ(Dir.Exists("Draft.dat"), a.Kept);
    }
    Start();
    EXPECT_TRUE(Window->edtSubject->text().isEmpty());
    Pump(50);
    EXPECT_TRUE(Window->NoteText().isEmpty());
}

TEST_F(NeverLoseWork, ADraftThatCannotBeWrittenIsReportedOnce)
{
    QDir(Dir.Path()).mkdir("Draft.dat");
    Start();
    for (const char* subject : {"a", "ab", "abc"}) {
        Type(subject, {});
        Window->KeepDraft();
    }
    EXPECT_EQ(Boxes.Boxes().size(), 1);
}

// "Saved, but the folder could not be flushed" means the file is in place: closing asks nothing, and no
// Yes can store the message twice.
TEST_F(NeverLoseWork, ASaveThatLandedCountsAsSaved)
{
    Start();
    Type("S", "Body");
    FailDirectoryFlush = true;
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    FailDirectoryFlush = false;
    ASSERT_EQ(Boxes.Boxes().size(), 1);
    EXPECT_TRUE(Boxes.Boxes()[0].Text.startsWith("Saved, but")) << Boxes.Boxes()[0].Text.toStdString();
    Boxes.Clear();
    Boxes.Answer(mrYes);
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
    EXPECT_EQ(Dir.Read("Messages.dat"), Header + "S^Body^\r\n");
}

// Removals by button and by Delete come back one by one, the latest first, each on its row with its
// user name and password; the list and the file are then as they were.
TEST_F(NeverLoseWork, RemovalsAreUndoneInTurn)
{
    const QByteArray forums = ForumsHeader + "http://a.example/^ann^pa^\r\nhttp://b.example/^bob^pb^\r\n" +
                              "http://c.example/^cy^pc^\r\nhttp://d.example/^dee^pd^\r\n";
    Dir.Write("Forums.dat", forums);
    Start();
    QListWidget* list = Window->lvwForums;
    EXPECT_FALSE(Window->actUndoRemove->isEnabled());
    const struct
    {
        int Row;
        bool ByKey;
    } removals[] = {{1, false}, {0, true}, {1, false}};
    for (const auto& r : removals) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(r.Row)).center());
        if (r.ByKey)
            QTest::keyClick(list, Qt::Key_Delete);
        else
            QTest::mouseClick(Window->btnRemoveURL, Qt::LeftButton);
    }
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(Dir.Read("Forums.dat"), ForumsHeader + "http://c.example/^cy^pc^\r\n");

    Window->activateWindow();
    list->setFocus();
    for (int undo = 0; undo < 4; ++undo) // one more than was removed: nothing left to undo
        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Dir.Read("Forums.dat"), forums);
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    EXPECT_EQ(items, QStringList({"http://a.example/", "http://b.example/", "http://c.example/",
                                  "http://d.example/"}));
    EXPECT_FALSE(Window->actUndoRemove->isEnabled());
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
}

} // namespace
