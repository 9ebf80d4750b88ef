// The posting run on forum pages served from 127.0.0.1: a post is recorded when the page really
// sends it, by each way forums send, and nothing when the page refuses it or the user leaves; the
// forum list marks the forums posted to, Next forum (Ctrl+N) goes round the others, and the record
// outlives a restart.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "toolkit/TSkinControls.h"
#include "ui/FMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Subject = QString::fromUtf8("Release 2.0 ^ Grüße");
const QString Body = QStringLiteral("The new release is out.\nDetails: https://example.org/release");

class PostingRun : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Server = new TForumServer({{QStringLiteral("/posting/"), FixturePath(QStringLiteral("posting"))}});
        // A board that takes the post sends the browser on to the new thread ...
        Server->SetAnswer(
            QStringLiteral("/post/form"),
            {"303 See Other", "Location: /posting/thread.html?t=42\r\n", "text/plain", "moved"});
        // ... or thanks for it on a page of its own that moves on to the thread later ...
        Server->SetAnswer(
            QStringLiteral("/post/thanks"),
            {"200 OK",
             {},
             "text/html; charset=utf-8",
             "<!DOCTYPE html><meta http-equiv=\"refresh\" content=\"30; URL=/posting/thread.html?t=7\">"
             "<p>Thank you for posting! You will now be taken to your post.</p>"});
        // ... and one that refuses it, or shows a preview, gives the form back with the post in it.
        const QByteArray formBack =
            "<!DOCTYPE html><p class=error>The subject is too long.</p><form method=post "
            "action=/post/refused><textarea name=message rows=15>{message}</textarea>"
            "<input type=submit name=post></form>";
        Server->SetAnswer(QStringLiteral("/post/refused"),
                          {"200 OK", {}, "text/html; charset=utf-8", formBack});
        Server->SetAnswer(QStringLiteral("/post/preview"),
                          {"200 OK", {}, "text/html; charset=utf-8", formBack});
        Server->SetAnswer(QStringLiteral("/post/xhr"),
                          {"200 OK", {}, "application/json", R"({"success":true,"slug":"release","id":77})"});
        Server->SetAnswer(
            QStringLiteral("/post/refused-json"),
            {"200 OK", {}, "application/json", R"({"success":false,"errors":"Title is too short"})"});
    }
    static void TearDownTestSuite()
    {
        delete Server;
        Server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Server->Listening());
        Dir = std::make_unique<TTempAppDir>();
        Start();
    }
    void TearDown() override
    {
        Window.reset();
        Dir.reset();
    }

    // The program starting on the test's application directory.
    void Start()
    {
        Window = std::make_unique<TfrmMain>(Dir->Path());
        Window->show();
        Window->activateWindow();
        Window->edtSubject->setText(Subject);
        Window->memBody->setPlainText(Body);
    }

    TBrowserPane& Pane() const { return *Window->webBrowser; }
    TListBox& List() const { return static_cast<TListBox&>(*Window->lvwForums); }
    QVariant Run(const QString& script) const { return RunScript(Pane().Page(), script); }

    // "Add Current URL" with the address typed into the address box.
    void AddForum(const QString& path)
    {
        Window->edtURL->setText(Server->Url(path));
        QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    }

    bool Loaded(const QString& path) const
    {
        return WaitUntil([&] {
            return Pane().Page() && !Pane().IsBusy() && Pane().Page()->url().toString().endsWith(path) &&
                   Run(QStringLiteral("document.readyState === 'complete'")).toBool();
        });
    }

    // The real button; the body has been written once the pane watches for the send.
    bool AutoInsert()
    {
        QTest::mouseClick(Window->btnAutoInsert, Qt::LeftButton);
        // The watch starts once the outline is asked for, which the page draws a moment later.
        return WaitUntil([&] {
            return Window->SendWatch->Watching() && !Window->PostFill->ShownOutline().Rects.isEmpty();
        });
    }

    // A click with the mouse on the page's element, as the user sends.
    bool ClickInPage(const QString& selector)
    {
        const QVariantList box =
            Run(QStringLiteral("(() => { const e = document.querySelector('%1'); e.scrollIntoView(); "
                               "const r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + "
                               "r.height / 2]; })()")
                    .arg(selector))
                .toList();
        if (box.size() != 2)
            return false;
        QWidget* view = Pane().View()->focusProxy() ? Pane().View()->focusProxy() : Pane().View();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(box[0].toInt(), box[1].toInt()));
        return true;
    }

    int Posts() const { return Window->Posts->Count(); }

    static inline TForumServer* Server = nullptr;
    std::unique_ptr<TTempAppDir> Dir;
    std::unique_ptr<TfrmMain> Window;
};

TEST_F(PostingRun, RecordsAPostOnlyWhenThePageSendsIt)
{
    const struct
    {
        const char* Page;
        const char* Send;             // the page's control that the user clicks; nullptr: none
        const char* Thread;           // the address recorded; nullptr: nothing may be recorded
        const char* Done;             // for nullptr cases: true once the page has answered
        const char* Setup = nullptr;  // the page's own script, before Auto Insert
        const char* Forge = nullptr;  // the page's own script after Auto Insert, with no act of the user
        const char* Again = nullptr;  // after the forum gave the form back: the page's own script, then
        const char* Resend = nullptr; // the control the user clicks to send again
    } cases[] = {
        {"/posting/form.html", "#post", "/posting/thread.html?t=42", nullptr},
        {"/posting/composer.html", ".create", "/t/release/77", nullptr},
        {"/posting/thanks.html", "#post", "/posting/thread.html?t=7", nullptr},
        {"/posting/refuse.html", "#post", nullptr, "location.pathname === '/post/refused'"},
        {"/posting/form.html?f=preview", "input[name=preview]", nullptr,
         "location.pathname === '/post/preview'"},
        {"/posting/composer.html?refuse", ".create", nullptr, "!document.querySelector('.error').hidden"},
        {"/posting/form.html?f=leave", "#index", nullptr, "location.pathname === '/posting/thread.html'"},
        // A page that empties its own box and moves on by itself sent nothing.
        {"/posting/form.html?f=forge", nullptr, nullptr, "location.pathname === '/posting/thread.html'",
         nullptr,
         "document.getElementById('message').value = ''; history.pushState(null, '', 'thread.html?t=666')"},
        {"/posting/form.html?f=script", "#post", "/posting/thread.html?t=42", nullptr,
         "const b = document.getElementById('post'); b.type = 'button';"
         "b.onclick = () => document.getElementById('postform').submit()"},
        // Refused, mended, sent again: one post.
        {"/posting/refuse.html?f=again", "#post", "/posting/thread.html?t=42", nullptr, nullptr, nullptr,
         "document.forms[0].action = '/post/form'", "input[name=post]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Page) + " " + (c.Send ? c.Send : "-"));
        AddForum(QLatin1String(c.Page));
        Window->lvwForums->setCurrentRow(0);
        Window->lvwForumsListBoxDblClick();
        ASSERT_TRUE(Loaded(QLatin1String(c.Page)));
        const int before = Posts();
        if (c.Setup)
            Run(QLatin1String(c.Setup));
        ASSERT_TRUE(AutoInsert());
        if (c.Send) {
            ASSERT_TRUE(ClickInPage(QLatin1String(c.Send)));
        }
        if (c.Forge) {
            Run(QLatin1String(c.Forge));
            // The watch looks at the box four times a second: time for it to see the box emptied.
            Pump(1000);
        }
        if (c.Again) {
            ASSERT_TRUE(Loaded(QStringLiteral("/post/refused")));
            ASSERT_TRUE(WaitUntil([&] {
                return Window->NoteText() ==
                       QStringLiteral("The forum gave the form back: nothing recorded.");
            }));
            EXPECT_TRUE(Window->SendWatch->Watching());
            EXPECT_EQ(Posts(), before);
            Run(QLatin1String(c.Again));
            ASSERT_TRUE(ClickInPage(QLatin1String(c.Resend)));
        }
        if (c.Thread) {
            ASSERT_TRUE(WaitUntil([&] { return Posts() == before + 1; }));
            const TPost& post = Window->Posts->RecordAt(before);
            EXPECT_EQ(post.Subject, Subject.toStdString());
            EXPECT_EQ(post.ForumURL, Server->Url(QLatin1String(c.Page)).toStdString());
            EXPECT_EQ(post.ThreadURL, Server->Url(QLatin1String(c.Thread)).toStdString());
            const QDateTime sent = QDateTime::fromString(QString::fromStdString(post.SentAt), Qt::ISODate);
            EXPECT_TRUE(sent.isValid() && sent.timeSpec() == Qt::UTC) << post.SentAt;
            EXPECT_TRUE(List().MarkOf(0).Marked);
            EXPECT_EQ(Posts(), before + 1);
        } else {
            ASSERT_TRUE(WaitUntil([&] { return !Pane().IsBusy() && Run(QLatin1String(c.Done)).toBool(); }));
            // The user goes on elsewhere: whatever the page did, nothing was sent.
            Pane().Navigate(Server->Url(QStringLiteral("/posting/thread.html?t=1")));
            EXPECT_FALSE(Window->SendWatch->Watching());
            EXPECT_EQ(Posts(), before);
            EXPECT_FALSE(List().MarkOf(0).Marked);
        }
    }
    // Every record reached the file, which a new start reads back.
    Window.reset();
    TPosts stored(Dir->Path().toStdString());
    stored.LoadAll();
    EXPECT_EQ(stored.Count(), 5);
}

// A record that could not be read at start-up is reported then, and again for each post it cannot
// keep; the file stays as it was and the post is still marked for this run.
TEST_F(PostingRun, DamagedRecordIsReportedAndNeverOverwritten)
{
    Window.reset();
    const char raw[] = "Subject^ForumURL^SentAt^ThreadURL^\r\nold^http://a.example/^x^t^\r\n\0more^\r\n";
    const QByteArray damaged(raw, sizeof raw - 1);
    Dir->Write(QStringLiteral("Posts.dat"), damaged);
    TMessageRecorder boxes;
    Start();
    ASSERT_TRUE(WaitUntil([&] { return boxes.Boxes().size() == 1; }));
    EXPECT_TRUE(boxes.Boxes()[0].Text.contains(QLatin1String("Posts.dat")))
        << boxes.Boxes()[0].Text.toStdString();
    AddForum(QStringLiteral("/posting/form.html"));
    Window->lvwForums->setCurrentRow(0);
    Window->lvwForumsListBoxDblClick();
    ASSERT_TRUE(Loaded(QStringLiteral("/posting/form.html")));
    ASSERT_TRUE(AutoInsert());
    ASSERT_TRUE(ClickInPage(QStringLiteral("#post")));
    ASSERT_TRUE(WaitUntil([&] { return boxes.Boxes().size() == 2; }));
    EXPECT_TRUE(boxes.Boxes()[1].Text.startsWith(QLatin1String("Not saved:")))
        << boxes.Boxes()[1].Text.toStdString();
    EXPECT_EQ(Dir->Read(QStringLiteral("Posts.dat")), damaged);
    EXPECT_TRUE(List().MarkOf(0).Marked);
}

// A forum slow to answer: the user goes on at once after Send, which stops the answer. The form
// was sent all the same: the post is recorded, with the page it was sent from, never the address
// of the forum the user went on to.
TEST_F(PostingRun, PostIsRecordedWhenTheUserGoesOnBeforeTheAnswer)
{
    Server->SetAnswer(QStringLiteral("/post/slow"), {"200 OK", {}, "text/html", "", true});
    const struct
    {
        const char* Name;
        std::function<void(TfrmMain&)> GoOn;
        const char* Shown; // the page shown afterwards
    } cases[] = {
        {"Ctrl+N",
         [](TfrmMain& window) {
             window.edtSubject->setFocus();
             QTest::keyClick(window.windowHandle(), Qt::Key_N, Qt::ControlModifier);
         },
         "/posting/form.html?f=next"},
        {"Stop", [](TfrmMain& window) { QTest::mouseClick(window.bsSkinSpeedButton3, Qt::LeftButton); },
         "/posting/form.html?f=slow"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Window.reset();
        Dir = std::make_unique<TTempAppDir>();
        Start();
        AddForum(QStringLiteral("/posting/form.html?f=next"));
        AddForum(QStringLiteral("/posting/form.html?f=slow"));
        Window->lvwForums->setCurrentRow(0);
        Window->lvwForumsListBoxDblClick();
        ASSERT_TRUE(Loaded(QStringLiteral("/posting/form.html?f=slow")));
        Run(QStringLiteral("document.getElementById('postform').action = '/post/slow'"));
        ASSERT_TRUE(AutoInsert());
        Server->Clear();
        ASSERT_TRUE(ClickInPage(QStringLiteral("#post")));
        ASSERT_TRUE(WaitUntil([&] { return !Server->Received().isEmpty(); }));
        c.GoOn(*Window);
        ASSERT_TRUE(WaitUntil([&] { return Posts() == 1; }));
        const TPost& post = Window->Posts->RecordAt(0);
        EXPECT_EQ(post.ForumURL, Server->Url(QStringLiteral("/posting/form.html?f=slow")).toStdString());
        EXPECT_EQ(post.ThreadURL, Server->Url(QStringLiteral("/posting/form.html?f=slow")).toStdString());
        ASSERT_TRUE(Loaded(QLatin1String(c.Shown)));
        EXPECT_EQ(Posts(), 1);
    }
}

// A post sent just as the window closes is recorded before the program ends: with the forum's answer
// when it comes at once, else with the page's address once the window has waited its moment.
TEST_F(PostingRun, PostSentAsTheWindowClosesIsRecorded)
{
    Server->SetAnswer(QStringLiteral("/post/slow"), {"200 OK", {}, "text/html", "", true});
    const struct
    {
        const char* Action;
        const char* Thread;
    } cases[] = {
        {"/post/form", "/posting/thread.html?t=42"},
        {"/post/slow", "/posting/form.html?f=close"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Action);
        Window.reset();
        Dir = std::make_unique<TTempAppDir>();
        Start();
        AddForum(QStringLiteral("/posting/form.html?f=close"));
        Window->lvwForums->setCurrentRow(0);
        Window->lvwForumsListBoxDblClick();
        ASSERT_TRUE(Loaded(QStringLiteral("/posting/form.html?f=close")));
        Run(QStringLiteral("document.getElementById('postform').action = '%1'").arg(QLatin1String(c.Action)));
        ASSERT_TRUE(AutoInsert());
        ASSERT_TRUE(ClickInPage(QStringLiteral("#post")));
        // The message was never saved: the window asks, and is told not to.
        TMessageBox::SetTestHook([](TMessageDialog&) { return mrNo; });
        EXPECT_TRUE(Window->close());
        TMessageBox::SetTestHook(nullptr);
        TPosts stored(Dir->Path().toStdString());
        stored.LoadAll();
        ASSERT_EQ(stored.Count(), 1);
        EXPECT_EQ(stored.RecordAt(0).ThreadURL, Server->Url(QLatin1String(c.Thread)).toStdString());
    }
}

// A second post of one subject to one forum is recorded; the Auto Insert after it warns.
TEST_F(PostingRun, RepeatedPostIsRecordedAndWarnedOf)
{
    AddForum(QStringLiteral("/posting/form.html"));
    AddForum(QStringLiteral("/posting/composer.html"));
    for (int send = 0; send < 3; ++send) {
        Window->lvwForums->setCurrentRow(1);
        Window->lvwForumsListBoxDblClick();
        ASSERT_TRUE(Loaded(QStringLiteral("/posting/form.html")));
        ASSERT_TRUE(AutoInsert());
        EXPECT_EQ(Window->PostFill->ShownOutline().Warning, send > 0) << send;
        EXPECT_EQ(List().BlinkingRow(), send > 0 ? 1 : -1) << send;
        if (send == 2)
            break;
        ASSERT_TRUE(ClickInPage(QStringLiteral("#post")));
        ASSERT_TRUE(WaitUntil([&] { return Posts() == send + 1; }));
    }
    EXPECT_TRUE(List().MarkOf(1).Marked);
    EXPECT_FALSE(List().MarkOf(0).Marked);
    // A new message of another subject has no posts yet: the editor emptied first, since the marks
    // of the message stay through an edit of its subject.
    Window->edtSubject->clear();
    Window->memBody->clear();
    Window->edtSubject->setText(QStringLiteral("Another subject"));
    EXPECT_FALSE(List().MarkOf(1).Marked);
    EXPECT_FALSE(List().MarksShown());
}

// The whole run as a user makes it on three forums, with the real buttons and keys, then a
// restart.
TEST_F(PostingRun, RunOverThreeForumsSurvivesARestart)
{
    for (const char* forum : {"/posting/form.html?f=3", "/posting/form.html?f=2", "/posting/form.html?f=1"})
        AddForum(QLatin1String(forum));
    TMessageRecorder boxes;
    // Keys through the window, as the desktop delivers them, so that shortcuts take part.
    const auto ctrlN = [&](QWidget* focus) {
        focus->setFocus();
        QTest::keyClick(Window->windowHandle(), Qt::Key_N, Qt::ControlModifier);
    };
    for (int forum = 0; forum < 3; ++forum) {
        ctrlN(Window->edtSubject);
        ASSERT_EQ(Window->lvwForums->currentRow(), forum);
        ASSERT_TRUE(Loaded(QStringLiteral("/posting/form.html?f=%1").arg(forum + 1)));
        ASSERT_TRUE(AutoInsert());
        ASSERT_TRUE(ClickInPage(QStringLiteral("#post")));
        ASSERT_TRUE(WaitUntil([&] { return Posts() == forum + 1; }));
        ASSERT_TRUE(Loaded(QStringLiteral("/posting/thread.html?t=42")));
    }
    // The page's own menu offers its address for the address box, so that "Add Current URL" keeps
    // the page the user clicked through to.
    QWidget* view = Pane().View()->focusProxy();
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(5, view->height() - 5));
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->inherits("QMenu"))
                menu = static_cast<QMenu*>(top);
        return menu != nullptr;
    }));
    EXPECT_TRUE(menu->actions().contains(Window->actUsePageAddress));
    EXPECT_TRUE(menu->actions().contains(Window->actNextForum));
    menu->close();
    Window->actUsePageAddress->trigger();
    EXPECT_EQ(Window->edtURL->text(), Server->Url(QStringLiteral("/posting/thread.html?t=42")));

    // Ctrl+N in the pane stays swallowed; elsewhere it says that every forum has the post.
    ctrlN(Pane().View()->focusProxy());
    Pump(50);
    EXPECT_TRUE(boxes.Boxes().isEmpty());
    ctrlN(Window->lvwForums);
    ASSERT_EQ(boxes.Boxes().size(), 1);
    EXPECT_EQ(boxes.Boxes()[0].Text, QStringLiteral("Every forum in the list has a post of this subject."));

    Window.reset();
    Start();
    ASSERT_EQ(Window->lvwForums->count(), 3);
    for (int row = 0; row < 3; ++row) {
        const TListBox::TMark mark = List().MarkOf(row);
        EXPECT_TRUE(mark.Marked) << row;
        EXPECT_TRUE(mark.Hint.contains(Server->Url(QStringLiteral("/posting/thread.html?t=42")))) << row;
    }
    // The record of the run, for a report.
    Window->lvwForums->setCurrentRow(1);
    Window->actCopyPostingRecord->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().count(QChar(0x2014)), 6);
    // A forgotten post frees its forum for Next forum.
    TMessageBox::SetTestHook([](TMessageDialog&) { return mrYes; });
    Window->actForgetPost->trigger();
    TMessageBox::SetTestHook(nullptr);
    EXPECT_FALSE(List().MarkOf(1).Marked);
    Window->lvwForums->setCurrentRow(2);
    ctrlN(Window->memBody);
    EXPECT_EQ(Window->lvwForums->currentRow(), 1);
}

// The marks are drawn before the addresses, which stay in line whether marked or not. With
// THREADWICK_SHOT_DIR set, the editor and the list are saved there as posting-run.png.
TEST(PostingRunMarks, MarkedForumsShowACheckMark)
{
    TTempAppDir dir;
    const char* forums[] = {"https://forum.example.org/posting.php?mode=post&f=2",
                            "https://community.example.net/new-topic",
                            "https://board.example.com/index.php?action=post;board=1.0",
                            "https://bbs.example.de/newthread.php?fid=4"};
    QByteArray forumFile = "URL^Username^Password^\r\n";
    for (const char* forum : forums)
        forumFile += QByteArray(forum) + "^ann^^\r\n";
    dir.Write(QStringLiteral("Forums.dat"), forumFile);
    dir.Write(QStringLiteral("Posts.dat"),
              QByteArray("Subject^ForumURL^SentAt^ThreadURL^\r\n") + "Version 2 is out^" + forums[0] +
                  "^2026-12-09T17:02:11Z^https://forum.example.org/viewtopic.php?t=4711^\r\n" +
                  "Version 2 is out^" + forums[2] +
                  "^2026-12-09T17:09:40Z^https://board.example.com/index.php?topic=912.0^\r\n");
    TfrmMain window(dir.Path());
    window.show();
    window.edtSubject->setText(QStringLiteral("Version 2 is out"));
    window.memBody->setPlainText(
        QStringLiteral("Hello all,\nversion 2 is out: see https://example.com/news"));
    window.lvwForums->setCurrentRow(1);
    Pump(50);
    auto& list = static_cast<TListBox&>(*window.lvwForums);
    ASSERT_TRUE(list.MarksShown());
    const QImage picture = window.lvwForums->viewport()->grab().toImage();
    // The mark's column of each row: drawn on the marked rows only.
    const auto column = [&](int row) {
        const QRect item = window.lvwForums->visualItemRect(window.lvwForums->item(row));
        return picture.copy(QRect(item.left(), item.top(), item.height(), item.height()));
    };
    const QImage blank = column(3);
    EXPECT_NE(column(0), blank);
    EXPECT_NE(column(2), blank);
    EXPECT_EQ(window.lvwForums->item(0)->text(), QLatin1String(forums[0]));
    if (const QString shots = qEnvironmentVariable("THREADWICK_SHOT_DIR"); !shots.isEmpty()) {
        // Tall enough for every forum, with a marked one selected.
        window.resize(window.width(), window.height() + 40);
        window.lvwForums->setCurrentRow(2);
        Pump(50);
        window.bsSkinPanel2->grab().save(shots + QStringLiteral("/posting-run.png"));
    }
}

} // namespace
