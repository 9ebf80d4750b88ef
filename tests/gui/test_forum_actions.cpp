// What the program does with what it knows of each forum, on pages built as forum engines serve
// them from 127.0.0.1: Ctrl+5 fills the log-in form and Enter then sends exactly the forum's user
// name and password; Ctrl+Shift+I posts the body with the forum's link template; the template is
// kept by the forum's address.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "toolkit/TMessageBox.h"
#include "ui/FFormats.h"
#include "ui/FMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A user name and password with the characters forms encode, blanks, quotes and non-ASCII.
const QString Username = QString::fromUtf8("Jörg O'Brien & Co");
const QString Password = QString::fromUtf8("pa ss\"<wörd>&1=%+");
const QString Subject = QStringLiteral("Links: http://example.org/x & more");
const QString Body =
    QStringLiteral("See http://example.org/a?b=1&c=2 now, <http://example.org/b>\nMail me@example.org today");
const QString UbbBody =
    QStringLiteral("See [url=http://example.org/a?b=1&c=2]http://example.org/a?b=1&c=2[/url] now, "
                   "<[url=http://example.org/b]http://example.org/b[/url]>\nMail "
                   "[url=mailto:me@example.org]me@example.org[/url] today");

// Every value of the page and its same-origin frames.
const char* ValuesScript = R"((function () {
  const parts = [];
  function take(doc) {
    for (const e of doc.querySelectorAll('input, textarea')) parts.push(e.value);
    for (const f of doc.querySelectorAll('iframe')) { try { if (f.contentDocument) take(f.contentDocument); } catch (e) {} }
  }
  take(document);
  return parts.join('|');
})())";

class ForumActions : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        const QString fixtures = qEnvironmentVariable("THREADWICK_FIXTURES");
        Server = new TForumServer(
            {{QStringLiteral("/"), fixtures},
             {QStringLiteral("/lib/ckeditor/"), qEnvironmentVariable("THREADWICK_CKEDITOR")}});
        QFile second(fixtures + QStringLiteral("/login/twostep-password.html"));
        second.open(QIODevice::ReadOnly);
        TForumServer::TAnswer answer;
        answer.Content = second.readAll();
        Server->SetAnswer(QStringLiteral("/login/name"), answer);
        OpenWindow();
        const TFormat templates[] = {{"html", "<a href=\"", "\">", "</a>", "mailto:"},
                                     {"ubb", "[url=", "]", "[/url]", "mailto:"}};
        for (const TFormat& format : templates)
            Window->Formats->Append(std::make_unique<TFormat>(format));
        Window->FillFormats();
    }
    static void TearDownTestSuite()
    {
        CloseWindow();
        delete Server;
    }
    void SetUp() override
    {
        ASSERT_TRUE(
            QFileInfo::exists(qEnvironmentVariable("THREADWICK_CKEDITOR") + QStringLiteral("/ckeditor.js")))
            << "CKEditor missing: run scripts/install-deps.sh";
        Server->Clear();
    }

    static QVariant Run(const QString& script) { return RunScript(Pane().Page(), script); }

    // The list holds one forum, selected.
    static void UseForum(const QString& address, const QString& username, const QString& password)
    {
        while (Window->lvwForums->count() > 0) {
            Window->lvwForums->setCurrentRow(0);
            Window->btnRemoveURLClick();
        }
        Window->edtURL->setText(address);
        Window->edtUsername->setText(username);
        Window->edtPassword->setText(password);
        Window->btnAddURLClick();
        Window->lvwForums->setCurrentRow(0);
    }

    static bool OpenPage(const QString& path)
    {
        Pane().Navigate(Server->Url(path));
        return WaitUntil([] {
            return !Pane().IsBusy() &&
                   Run(QStringLiteral("document.readyState === 'complete' && (window.pageReady "
                                      "=== true || !document.querySelector('script'))"))
                       .toBool();
        });
    }

    // Ctrl+5 from the forum list; the note it leaves.
    static QString PressLogIn()
    {
        Window->ShowNote(QString());
        QTest::keyClick(Window->lvwForums, Qt::Key_5, Qt::ControlModifier);
        WaitUntil([] { return !Window->NoteText().isEmpty(); });
        return Window->NoteText();
    }

    // Enter where the keyboard focus is, which must be in the page.
    static bool PressEnterInPage()
    {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !Pane().isAncestorOf(focus))
            return false;
        QTest::keyClick(focus, Qt::Key_Return);
        return true;
    }

    static TReceived Post(const QString& path)
    {
        TReceived found;
        WaitUntil([&] {
            for (const TReceived& received : Server->Received())
                if (received.Path == path)
                    found = received;
            return !found.Path.isEmpty();
        });
        return found;
    }

    static void ChooseTemplate(const QString& name)
    {
        QMenu menu;
        Window->AddForumMenuEntries(&menu);
        for (QAction* action : menu.actions())
            if (action->menu() && action->text() == QStringLiteral("Link template"))
                for (QAction* entry : action->menu()->actions())
                    if (entry->text() == name)
                        entry->trigger();
    }

    static inline TForumServer* Server = nullptr;
};

TEST_F(ForumActions, CtrlFiveThenEnterSendsTheForumsUserNameAndPassword)
{
    const struct
    {
        const char* Page;
        const char* Path;
        const char* UserField;
        const char* PasswordField;
        const char* Username; // nullptr: the one above
    } cases[] = {
        {"/login/plain.html", "/login/plain", "username", "password", nullptr}, // the search form comes first
        {"/login/dialog.html", "/login/xhr", "login", "password", nullptr},     // made by script, sent by XHR
        {"/login/frame.html", "/login/frame", "vb_login_username", "vb_login_password", nullptr},
        {"/login/email.html", "/login/email", "auth", "password", "jorg.obrien@example.org"},
        // One form round the whole page, the site search first in it.
        {"/login/wholepage.html", "/login/wholepage", "ctl00$Login1$UserName", "ctl00$Login1$Password",
         nullptr},
    };
    TMessageRecorder recorder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        Server->Clear();
        const QString username = c.Username ? QLatin1String(c.Username) : Username;
        UseForum(Server->Url(QStringLiteral("/")), username, Password);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        EXPECT_EQ(PressLogIn(), QStringLiteral("Filled the log-in form."));
        ASSERT_TRUE(PressEnterInPage());
        const TReceived post = Post(QLatin1String(c.Path));
        EXPECT_EQ(post.Fields.value(QLatin1String(c.UserField)).toStdString(), username.toStdString())
            << post.Body.toStdString();
        EXPECT_EQ(post.Fields.value(QLatin1String(c.PasswordField)).toStdString(), Password.toStdString())
            << post.Body.toStdString();
        // The search box and "remember me" stay as they were.
        for (const char* untouched : {"ctl00$Search$q", "autologin", "cookieuser", "ctl00$Login1$RememberMe"})
            EXPECT_TRUE(post.Fields.value(QLatin1String(untouched)).isEmpty()) << untouched;
    }
    EXPECT_TRUE(recorder.Boxes().isEmpty());

    // A log-in in two steps: each page gets what it shows.
    UseForum(Server->Url(QStringLiteral("/")), Username, Password);
    ASSERT_TRUE(OpenPage(QStringLiteral("/login/twostep.html")));
    EXPECT_EQ(PressLogIn(), QStringLiteral("Filled the user name. Press Enter to go on."));
    ASSERT_TRUE(PressEnterInPage());
    EXPECT_EQ(Post(QStringLiteral("/login/name")).Fields, (QMap<QString, QString>{{"identifier", Username}}));
    ASSERT_TRUE(WaitUntil([] { return Run(QStringLiteral("!!document.getElementById('pw')")).toBool(); }));
    EXPECT_EQ(PressLogIn(), QStringLiteral("Filled the log-in form."));
    ASSERT_TRUE(PressEnterInPage());
    EXPECT_EQ(Post(QStringLiteral("/login/password")).Fields.value(QStringLiteral("secret")), Password);
}

TEST_F(ForumActions, LogInWritesNothingWhereNoLogInMayGo)
{
    const struct
    {
        const char* Page;
        const char* Forum; // the forum's address; nullptr: the server's own
        const char* Password;
        const char* Note;
        int Asked; // questions asked, each answered No
    } cases[] = {
        {"/login/register.html", nullptr, "pw", "Nothing was filled: no log-in form on this page.", 0},
        {"/login/change.html", nullptr, "pw", "Nothing was filled: no log-in form on this page.", 0},
        {"/login/nopassword.html", nullptr, "pw", "Nothing was filled: no log-in form on this page.", 0},
        // The page's frame holds the form, but the forum is another site.
        {"/login/frame.html", "http://localhost:%1/", "pw", "Not filled: the log-in form is on another site.",
         1},
        {"/login/plain.html", nullptr, "", "Nothing was filled: the selected forum has no password.", 0},
    };
    QStringList asked;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked << box.Text();
        for (QPushButton* button : box.Buttons()) {
            if (button->isDefault()) {
                EXPECT_EQ(button->text(), QStringLiteral("&No"));
            }
        }
        return int(mrNo);
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        asked.clear();
        const int port = QUrl(Server->Url(QStringLiteral("/"))).port();
        UseForum(c.Forum ? QString::fromLatin1(c.Forum).arg(port) : Server->Url(QStringLiteral("/")),
                 Username, QLatin1String(c.Password));
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        const QString before = Run(QLatin1String(ValuesScript)).toString();
        EXPECT_EQ(PressLogIn(), QLatin1String(c.Note));
        EXPECT_EQ(asked.size(), c.Asked) << asked.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Run(QLatin1String(ValuesScript)).toString(), before);
    }
    TMessageBox::SetTestHook(nullptr);
    Window->lvwForums->clearSelection();
    EXPECT_EQ(PressLogIn(), QStringLiteral("Nothing was filled: select a forum in the list first."));
}

TEST_F(ForumActions, AutoInsertWithLinksConvertsTheBodyByTheForumsTemplate)
{
    const struct
    {
        const char* Page;
        const char* Submit;
        const char* Path;
        const char* SubjectField;
        const char* BodyField;
        const char* Template; // the forum's own
        int Chooser;          // 0 "text", 1 "html", 2 "ubb"
        bool Button;          // the specified "Auto Insert" button instead
        QString Sent;         // the body the page sends; for an HTML editor, its text
        const char* Markup;   // in the HTML the page sends
    } cases[] = {
        {"/autoinsert/phpbb.html", "input[name=post]", "/post/phpbb", "subject", "message", "ubb", 0, false,
         UbbBody, nullptr},
        // A forum without a template of its own takes the chooser's.
        {"/autoinsert/phpbb.html", "input[name=post]", "/post/phpbb", "subject", "message", "None", 2, false,
         UbbBody, nullptr},
        // Links arrive as links the editor keeps; what was typed arrives as text.
        {"/autoinsert/ckeditor.html", "button[name=send]", "/post/ckeditor", "f1", "content", "html", 0,
         false, Body, R"(&lt;<a href="http://example.org/b">http://example.org/b</a>&gt;)"},
        {"/autoinsert/markdown.html", "#publish", "/post/markdown", "title", "raw", "None", 0, false, Body,
         nullptr},
        {"/autoinsert/phpbb.html", "input[name=post]", "/post/phpbb", "subject", "message", "ubb", 2, true,
         Body, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Page) + " " + c.Template);
        Server->Clear();
        UseForum(Server->Url(QStringLiteral("/")), QString(), QString());
        ChooseTemplate(QLatin1String(c.Template));
        Window->cbxFormat->setCurrentIndex(c.Chooser);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        Window->edtSubject->setText(Subject);
        Window->memBody->setPlainText(Body);
        bool shown = false;
        const auto connection = QObject::connect(
            Window->PostFill, &TPostFill::FillStageReached,
            [&](TPostFill::TFillStage stage) { shown = shown || stage == TPostFill::TFillStage::Shown; });
        if (c.Button)
            QTest::mouseClick(Window->btnAutoInsert, Qt::LeftButton);
        else
            QTest::keyClick(Window->memBody, Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(WaitUntil([&] { return shown; }));
        QObject::disconnect(connection);

        Run(QStringLiteral("document.querySelector('%1').click()").arg(QLatin1String(c.Submit)));
        const TReceived post = Post(QLatin1String(c.Path));
        EXPECT_EQ(post.Fields.value(QLatin1String(c.SubjectField)), Subject);
        QString body = post.Fields.value(QLatin1String(c.BodyField)).replace(QStringLiteral("\r\n"), "\n");
        if (c.Markup) {
            EXPECT_TRUE(body.contains(QLatin1String(c.Markup))) << body.toStdString();
            QTextDocument document;
            document.setHtml(body.remove(QLatin1Char('\n')));
            body = document.toPlainText();
        }
        EXPECT_EQ(body.toStdString(), c.Sent.toStdString());
    }
}

// The template is the forum address's: it survives the forum's removal, the forum's hint names it,
// and a template the store no longer has counts as "None".
TEST_F(ForumActions, TheTemplateIsKeptByTheForumsAddress)
{
    const QString address = QStringLiteral("http://forum.example/^board");
    const auto hint = [] { return Window->lvwForums->item(0)->toolTip(); };
    UseForum(address, QString(), QString());
    ChooseTemplate(QStringLiteral("ubb"));
    EXPECT_EQ(hint(), QStringLiteral("Link template: ubb"));
    UseForum(QStringLiteral("http://other.example/"), QString(), QString());
    EXPECT_EQ(hint(), QString());
    UseForum(address, QString(), QString());
    EXPECT_EQ(hint(), QStringLiteral("Link template: ubb"));

    Window->Formats->RecordAt(1).Name = "bbcode"; // renamed in the templates dialog
    Window->FillFormats();
    EXPECT_EQ(hint(), QString());
    Window->Formats->RecordAt(1).Name = "ubb";

    // "Edit link templates…" on the chooser's menu opens the templates dialog; its "Save" refills
    // the chooser, as the hidden "Options" button's would.
    QAction* edit = nullptr;
    for (QAction* action : Window->cbxFormat->actions())
        if (action->text() == QStringLiteral("Edit link templates\u2026"))
            edit = action;
    ASSERT_NE(edit, nullptr);
    Window->cbxFormat->setCurrentIndex(2);
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<TfrmFormat*>(QApplication::activeModalWidget()))
            QTest::mouseClick(dialog->btnSave, Qt::LeftButton);
    });
    edit->trigger();
    EXPECT_EQ(Window->cbxFormat->currentIndex(), 0);
    EXPECT_EQ(hint(), QStringLiteral("Link template: ubb"));
}

} // namespace
