// Log in with one key: Ctrl+5 fills the log-in form of the page shown, built as forum engines serve
// it from 127.0.0.1, and Enter then sends exactly the forum's user name and password; pages that
// hold no log-in get nothing written, and a form off the forum's site asks first.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "toolkit/TMessageBox.h"
#include "ui/FMain.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// What a user may have chosen: non-ASCII, blanks, quotes and the characters forms encode.
const QString Username = QString::fromUtf8("Jörg O'Brien & Co");
const QString Password = QString::fromUtf8("pa ss\"<wörd>&1=%+");
const QString EmailName = QStringLiteral("jorg.obrien@example.org");

// Every value of the page and its same-origin frames, as one string.
const char* ValuesScript = R"((function () {
  const parts = [];
  function take(doc) {
    for (const e of doc.querySelectorAll('input, textarea')) parts.push(e.value);
    for (const f of doc.querySelectorAll('iframe')) { try { if (f.contentDocument) take(f.contentDocument); } catch (e) {} }
  }
  take(document);
  return parts.join('|');
})())";

class LogIn : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        Server = new TForumServer({{QStringLiteral("/"), qEnvironmentVariable("THREADWICK_FIXTURES")}});
        QFile second(qEnvironmentVariable("THREADWICK_FIXTURES") +
                     QStringLiteral("/login/twostep-password.html"));
        if (second.open(QIODevice::ReadOnly)) {
            TForumServer::TAnswer answer;
            answer.Content = second.readAll();
            Server->SetAnswer(QStringLiteral("/login/name"), answer);
        }
        OpenWindow();
    }
    static void TearDownTestSuite()
    {
        CloseWindow();
        delete Server;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Server->Listening());
        Server->Clear();
    }

    static QVariant Run(const QString& script) { return RunScript(Pane().Page(), script); }

    // The list holds one forum, selected, with this address, user name and password.
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
            return Pane().Page() && !Pane().IsBusy() &&
                   Run(QStringLiteral("document.readyState === 'complete' && "
                                      "(window.pageReady === true || !document.querySelector('script'))"))
                       .toBool();
        });
    }

    // Ctrl+5 from the forum list, as after choosing the forum; the note it leaves.
    static QString PressLogIn()
    {
        Window->ShowNote(QString());
        QTest::keyClick(Window->lvwForums, Qt::Key_5, Qt::ControlModifier);
        WaitUntil([] { return !Window->NoteText().isEmpty(); });
        return Window->NoteText();
    }

    // Enter where the keyboard focus is: in the page's password box after a log-in fill.
    static bool PressEnterInPage()
    {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !Pane().isAncestorOf(focus))
            return false;
        QTest::keyClick(focus, Qt::Key_Return);
        return true;
    }

    static std::optional<TReceived> Post(const QString& path)
    {
        std::optional<TReceived> found;
        WaitUntil([&] {
            for (const TReceived& received : Server->Received())
                if (received.Path == path)
                    found = received;
            return found.has_value();
        });
        return found;
    }

    static inline TForumServer* Server = nullptr;
};

TEST_F(LogIn, CtrlFiveThenEnterSendsTheForumsUserNameAndPassword)
{
    const struct
    {
        const char* Page;
        const char* Path; // where the page sends the log-in
        const char* UserField;
        const char* PasswordField;
        bool Email; // the forum logs in by e-mail address
    } cases[] = {
        // The quick search comes before the form.
        {"/login/plain.html", "/login/plain", "username", "password", false},
        {"/login/dialog.html", "/login/xhr", "login", "password", false},
        {"/login/frame.html", "/login/frame", "vb_login_username", "vb_login_password", false},
        {"/login/email.html", "/login/email", "auth", "password", true},
        // One form round the whole page, the site search first in it.
        {"/login/wholepage.html", "/login/wholepage", "ctl00$Login1$UserName", "ctl00$Login1$Password",
         false},
    };
    TMessageRecorder recorder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        Server->Clear();
        const QString username = c.Email ? EmailName : Username;
        UseForum(Server->Url(QStringLiteral("/")), username, Password);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        EXPECT_EQ(PressLogIn(), QStringLiteral("Log-in filled in: press Enter to log in."));
        ASSERT_TRUE(WaitUntil(
            [] { return QApplication::focusWidget() && Pane().isAncestorOf(QApplication::focusWidget()); }));
        ASSERT_TRUE(PressEnterInPage());
        const std::optional<TReceived> post = Post(QLatin1String(c.Path));
        ASSERT_TRUE(post.has_value());
        EXPECT_EQ(post->Fields.value(QLatin1String(c.UserField)), username) << post->Body.toStdString();
        EXPECT_EQ(post->Fields.value(QLatin1String(c.PasswordField)), Password) << post->Body.toStdString();
        // The search box and "remember me" stay as they were.
        for (const char* untouched : {"ctl00$Search$q", "autologin", "cookieuser", "ctl00$Login1$RememberMe"})
            EXPECT_TRUE(post->Fields.value(QLatin1String(untouched)).isEmpty()) << untouched;
    }
    EXPECT_TRUE(recorder.Boxes().isEmpty());
}

// The user name on one page, the password on the next: each gets what its page shows.
TEST_F(LogIn, ALogInInTwoStepsGetsWhatEachPageShows)
{
    UseForum(Server->Url(QStringLiteral("/")), Username, Password);
    ASSERT_TRUE(OpenPage(QStringLiteral("/login/twostep.html")));
    EXPECT_EQ(PressLogIn(), QStringLiteral("User name filled in: press Enter to go on."));
    ASSERT_TRUE(PressEnterInPage());
    const std::optional<TReceived> name = Post(QStringLiteral("/login/name"));
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(name->Fields.value(QStringLiteral("identifier")), Username);
    EXPECT_FALSE(name->Body.contains("pa+ss") || name->Body.contains("pa%20ss"));

    ASSERT_TRUE(WaitUntil(
        [] { return !Pane().IsBusy() && Run(QStringLiteral("!!document.getElementById('pw')")).toBool(); }));
    EXPECT_EQ(PressLogIn(), QStringLiteral("Log-in filled in: press Enter to log in."));
    ASSERT_TRUE(PressEnterInPage());
    const std::optional<TReceived> password = Post(QStringLiteral("/login/password"));
    ASSERT_TRUE(password.has_value());
    EXPECT_EQ(password->Fields.value(QStringLiteral("secret")), Password);
    EXPECT_EQ(password->Fields.value(QStringLiteral("identifier")), QStringLiteral("you"));
}

TEST_F(LogIn, WritesNothingWhereNoLogInIs)
{
    const struct
    {
        const char* Page;
        const char* Forum; // the forum's address; nullptr: the server's own
        const char* Note;
        int Asked; // questions asked, each answered with the default, No
    } cases[] = {
        {"/login/register.html", nullptr, "There is no log-in form on this page.", 0},
        {"/login/change.html", nullptr, "There is no log-in form on this page.", 0},
        {"/login/nopassword.html", nullptr, "There is no log-in form on this page.", 0},
        // The page's frame holds the form, but the forum is another site.
        {"/login/frame.html", "http://localhost:%1/",
         "Nothing was filled in: the log-in form is not on the forum's site.", 1},
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
        const QString forum =
            c.Forum ? QString::fromLatin1(c.Forum).arg(QUrl(Server->Url(QStringLiteral("/"))).port())
                    : Server->Url(QStringLiteral("/"));
        UseForum(forum, Username, Password);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        const QString before = Run(QLatin1String(ValuesScript)).toString();
        EXPECT_EQ(PressLogIn(), QLatin1String(c.Note));
        EXPECT_EQ(asked.size(), c.Asked) << asked.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Run(QLatin1String(ValuesScript)).toString(), before);
    }
    TMessageBox::SetTestHook(nullptr);
    EXPECT_TRUE(Server->Received().isEmpty());
}

// Without a forum or its password nothing is looked for, and the note says why.
TEST_F(LogIn, NeedsASelectedForumWithAPassword)
{
    UseForum(Server->Url(QStringLiteral("/")), Username, QString());
    ASSERT_TRUE(OpenPage(QStringLiteral("/login/plain.html")));
    const QString before = Run(QLatin1String(ValuesScript)).toString();
    EXPECT_EQ(PressLogIn(),
              QStringLiteral("The selected forum has no password: type it in the Password box first."));
    Window->lvwForums->clearSelection();
    EXPECT_EQ(PressLogIn(),
              QStringLiteral("Select a forum in the list first: its user name and password log in."));
    EXPECT_EQ(Run(QLatin1String(ValuesScript)).toString(), before);
}

} // namespace
