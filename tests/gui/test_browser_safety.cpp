// The browser pane against hostile pages: local pages stay inert, other programs start only after
// a yes, page dialogs name their site and cannot flood the window, and the password goes only to
// its forum's site and leaves the clipboard again. Every server is local (127.0.0.1); the test
// host names resolve to it inside the engine and nowhere else.
#include "BrowserTestSupport.h"
#include "RecordingServer.h"
#include "browser/TBrowserDialogs.h"
#include "browser/TBrowserPage.h"
#include "browser/TLocalContentGuard.h"
#include "browser/TSiteMatch.h"
#include "ui/FMain.h"
#include "ui/UClipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

// The answer of the web to any path: a redirect for "/redirect?to=ADDRESS", else a small page with
// a password field, an image of the site and a link for another program.
QByteArray WebAnswer(const QString& path)
{
    if (path.startsWith(QLatin1String("/redirect?to=")))
        return "HTTP/1.1 302 Found\r\nLocation: " + path.mid(13).toLatin1() +
               "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    const QByteArray body = "<!DOCTYPE html><html><head><title>web</title></head><body>"
                            "<input id=\"pass\" type=\"password\"><img src=\"/web-image.png\">"
                            "<a id=\"link\" href=\"x-test:clicked\">other program</a></body></html>";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// A page written into a temporary directory, beside a file it must not read. The directory is
// taken as the program's own, so that the page's scripts run: even those stay off the network.
class TLocalPage
{
public:
    explicit TLocalPage(const QString& html)
    {
        TLocalContentGuard::SetOwnDirectories({FDir.path()});
        Write(QStringLiteral("Forums.dat"), "http://forum.example.org/^ann^s3cret^\r\n");
        Write(QStringLiteral("page.html"), html.toUtf8());
        QImage own(4, 3, QImage::Format_RGB32);
        own.fill(Qt::red);
        own.save(FDir.filePath(QStringLiteral("own.png")));
    }
    ~TLocalPage()
    {
        TLocalContentGuard::SetOwnDirectories(
            {QCoreApplication::applicationDirPath(), qEnvironmentVariable("THREADWICK_FIXTURES")});
    }
    QString Url() const { return QUrl::fromLocalFile(FDir.filePath(QStringLiteral("page.html"))).toString(); }

private:
    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(FDir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    QTemporaryDir FDir;
};

class BrowserSafety : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        TBrowserPane::SetProfileDirectory(QString());
        OpenWindow(QSize(1000, 700));
    }
    static void TearDownTestSuite() { CloseWindow(); }
    static QString Title() { return Pane().Page() ? Pane().Page()->title() : QString(); }
    // Navigates and waits until the page has loaded with the given title.
    static bool Load(const QString& address, const QString& title)
    {
        Pane().Navigate(address);
        return WaitUntil([&] { return Title() == title && !Pane().IsBusy(); });
    }
};

TEST_F(BrowserSafety, LocalPagesReachNeitherOtherFilesNorTheNetwork)
{
    TRecordingServer server(WebAnswer);
    const QString remote = QStringLiteral("http://127.0.0.1:%1").arg(server.Port());
    const TLocalPage page(QStringLiteral(R"(<!DOCTYPE html><html><head><title>local</title></head><body>
<form action="%1/form" method="post"><input name="x" value="y"></form>
<img src="%1/image.png"><img id="own" src="own.png">
<script>
  function note(what) { document.title += ' ' + what; }
  var xhr = new XMLHttpRequest();
  xhr.onload = function () { note('read-file'); };
  xhr.onerror = function () { note('no-file'); };
  try { xhr.open('GET', 'Forums.dat'); xhr.send(); } catch (e) { note('no-file'); }
  fetch('%1/fetch').then(function () { note('fetched'); }, function () { note('no-fetch'); });
  var ws = new WebSocket('%2/socket');
  ws.onopen = function () { note('socket'); };
  ws.onerror = function () { note('no-socket'); };
  navigator.sendBeacon('%1/beacon', 'passwords');
</script></body></html>)")
                              .arg(remote, QStringLiteral("ws://127.0.0.1:%1").arg(server.Port())));
    Pane().Navigate(page.Url());
    const QStringList failures = {QStringLiteral("no-file"), QStringLiteral("no-fetch"),
                                  QStringLiteral("no-socket")};
    EXPECT_TRUE(WaitUntil([&] {
        return std::all_of(failures.begin(), failures.end(),
                           [](const QString& f) { return Title().contains(f); });
    })) << Title().toStdString();
    EXPECT_FALSE(Title().contains(QStringLiteral("read-file")));
    // The engine keeps a local page off every other local file, a picture beside it included: a page
    // that could load those could also read them.
    EXPECT_TRUE(WaitUntil([&] {
        return RunScript(Pane().Page(), QStringLiteral("document.getElementById('own').complete")).toBool();
    }));
    EXPECT_EQ(RunScript(Pane().Page(), QStringLiteral("document.getElementById('own').naturalWidth")).toInt(),
              0);
    // A form sent and a link followed by the page go nowhere either.
    for (const QString& leave : {QStringLiteral("document.forms[0].submit()"),
                                 QStringLiteral("location.href = '%1/navigate'").arg(remote)}) {
        Pane().Navigate(page.Url());
        ASSERT_TRUE(
            WaitUntil([&] { return Title().startsWith(QStringLiteral("local")) && !Pane().IsBusy(); }));
        QSignalSpy loaded(Pane().Page(), &QWebEnginePage::loadFinished);
        RunScript(Pane().Page(), leave);
        EXPECT_TRUE(WaitUntil([&] { return !loaded.isEmpty(); })) << leave.toStdString();
    }

    // A web page typed by the user still loads, with its own sub-resources.
    ASSERT_TRUE(Load(remote + QStringLiteral("/page"), QStringLiteral("web")));
    EXPECT_TRUE(WaitUntil([&] { return server.Asked(QStringLiteral("/web-image.png")); }));
    for (const char* path : {"/form", "/image.png", "/fetch", "/socket", "/beacon", "/navigate"})
        EXPECT_FALSE(server.Asked(QLatin1String(path)))
            << path << " in " << server.Requests().join(", ").toStdString();
    // Back and Forward between local and web pages still work.
    Pane().Navigate(page.Url());
    ASSERT_TRUE(WaitUntil([&] { return Title().startsWith(QStringLiteral("local")) && !Pane().IsBusy(); }));
    Pane().GoBack();
    EXPECT_TRUE(WaitUntil([&] { return Title() == QStringLiteral("web") && !Pane().IsBusy(); }));
    // A web page cannot reach local files.
    EXPECT_EQ(
        RunScript(Pane().Page(), QStringLiteral("var r = 'blocked'; try { var x = new XMLHttpRequest(); "
                                                "x.open('GET', '%1', false); x.send(); r = x.responseText; }"
                                                " catch (e) {} r")
                                     .arg(page.Url()))
            .toString(),
        QStringLiteral("blocked"));
}

TEST_F(BrowserSafety, OtherProgramsStartOnlyAfterTheUserSaysYes)
{
    TRecordingServer server(WebAnswer);
    QList<QUrl> opened;
    TBrowserPage::SetOpener([&](const QUrl& address) { opened << address; });
    QList<TShownBox> asked;
    bool defaultIsNo = false;
    int answer = 0; // 0: press Escape
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked.append({box.windowTitle(), box.Text(), box.size()});
        for (QPushButton* button : box.Buttons())
            if (button->isDefault())
                defaultIsNo = button->text() == QStringLiteral("&No");
        if (answer)
            return answer;
        QTest::keyClick(&box, Qt::Key_Escape);
        return box.result();
    });
    ASSERT_TRUE(
        Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/page")), QStringLiteral("web")));
    // Without a click the page hands nothing on and raises no question.
    RunScript(Pane().Page(), QStringLiteral("location.href = 'x-test:unasked'"));
    const auto clickLink = [] {
        RunScript(Pane().Page(),
                  QStringLiteral("var a = document.getElementById('link'); a.style.display = 'block';"
                                 "a.style.position = 'fixed'; a.style.left = '0'; a.style.top = '0';"
                                 "a.style.width = '100%'; a.style.height = '100%'"));
        QWidget* view = Pane().View()->focusProxy() ? Pane().View()->focusProxy() : Pane().View();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(50, 50));
    };
    const struct
    {
        int Answer;
        bool Opens;
    } cases[] = {{0, false}, {mrNo, false}, {mrYes, true}};
    for (const auto& c : cases) {
        answer = c.Answer;
        asked.clear();
        opened.clear();
        clickLink();
        ASSERT_TRUE(WaitUntil([&] { return !asked.isEmpty(); })) << c.Answer;
        Pump(100);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].Text.contains(QStringLiteral("x-test:clicked"))) << asked[0].Text.toStdString();
        EXPECT_TRUE(asked[0].Text.contains(QStringLiteral("Another program"))) << asked[0].Text.toStdString();
        EXPECT_TRUE(defaultIsNo);
        EXPECT_EQ(opened, c.Opens ? QList<QUrl>{QUrl(QStringLiteral("x-test:clicked"))} : QList<QUrl>{});
        EXPECT_EQ(Title(), QStringLiteral("web"));
    }
    TMessageBox::SetTestHook(nullptr);
    TBrowserPage::SetOpener(nullptr);
}

TEST_F(BrowserSafety, PageDialogsNameTheirSiteAndCannotFloodTheWindow)
{
    TRecordingServer server(WebAnswer);
    QList<TBrowserDialog> shown;
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        shown << dialog;
        return true;
    });
    const struct
    {
        QString Address;
        QString Speaker;
    } cases[] = {
        {server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/page")),
         QStringLiteral("The page at http://127.0.0.1:%1 says:").arg(server.Port())},
        {FixtureUrl(QStringLiteral("noforms.html")),
         QStringLiteral("The local page %1 says:").arg(FixturePath(QStringLiteral("noforms.html")))},
    };
    for (const auto& c : cases) {
        shown.clear();
        Pane().Navigate(c.Address);
        ASSERT_TRUE(WaitUntil([&] { return Pane().Page()->url() == QUrl(c.Address) && !Pane().IsBusy(); }));
        const QString before = Title();
        // An endless loop of alerts, then of confirmations: three boxes, then nothing more.
        RunScript(Pane().Page(),
                  QStringLiteral("setTimeout(function () { for (;;) { alert('Enter your password');"
                                 " confirm('Really?'); } }, 0)"));
        auto* page = static_cast<TBrowserPage*>(Pane().Page());
        ASSERT_TRUE(WaitUntil([&] { return page->DialogsSilenced(); })) << c.Address.toStdString();
        EXPECT_EQ(shown.size(), 3);
        for (const TBrowserDialog& dialog : shown)
            EXPECT_TRUE(dialog.Text.startsWith(c.Speaker + QStringLiteral("\n\n")))
                << dialog.Text.toStdString();
        EXPECT_TRUE(shown.value(0).Text.endsWith(QStringLiteral("Enter your password")));
        // A new address typed by the user still loads.
        ASSERT_TRUE(Load(FixtureUrl(QStringLiteral("paste.html")), QStringLiteral("paste")))
            << before.toStdString();
        EXPECT_EQ(shown.size(), 3);
    }

    // A silenced page that asks before it is left lets the user go all the same.
    shown.clear();
    ASSERT_TRUE(Load(FixtureUrl(QStringLiteral("dialogs.html")), QStringLiteral("dialogs")));
    RunScript(Pane().Page(), QStringLiteral("window.stay = 1; window.onbeforeunload = function (e) { "
                                            "e.preventDefault(); e.returnValue = ''; }"));
    QTest::mouseClick(Pane().View()->focusProxy(), Qt::LeftButton, {}, QPoint(300, 200));
    RunScript(Pane().Page(), QStringLiteral("for (var i = 0; i < 10; ++i) alert('again'); 0"));
    ASSERT_TRUE(static_cast<TBrowserPage*>(Pane().Page())->DialogsSilenced());
    Pane().Refresh();
    EXPECT_TRUE(WaitUntil([] {
        return !Pane().IsBusy() &&
               RunScript(Pane().Page(), QStringLiteral("typeof window.stay")).toString() ==
                   QStringLiteral("undefined");
    }));
    EXPECT_EQ(shown.size(), 3);
    SetBrowserDialogHook(nullptr);
}

TEST(SiteMatch, SameHostOrSameRegistrableDomain)
{
    const struct
    {
        const char* Page;
        const char* Forum;
        bool Same;
    } cases[] = {
        {"https://www.example.org/login", "http://forum.example.org/", true},
        {"https://forum.example.org/", "forum.example.org/board", true},
        {"https://WWW.Example.ORG./", "http://www.example.org:8080/", true},
        {"https://example.org/", "https://example.net/", false},
        {"https://forum.example.co.uk/", "https://www.example.co.uk/", true},
        {"https://example.co.uk/", "https://other.co.uk/", false},
        {"https://alice.github.io/", "https://bob.github.io/", false},
        {"http://127.0.0.1:8080/", "http://localhost:8080/", false},
        {"http://127.0.0.1:8080/", "http://127.0.0.1/", false},
        {"http://127.0.0.1:18081/", "http://127.0.0.1:18080/", false},
        {"http://127.0.0.1:80/", "http://127.0.0.1/", true},
        {"http://10.0.0.1/", "http://10.0.0.2/", false},
        {"http://[::1]/", "http://[::1]:81/", false},
        {"http://secure.example.org:18080/", "https://secure.example.org/", false},
        {"https://secure.example.org/", "http://secure.example.org/", true},
        {"http://localhost/", "http://localhost/", true},
        {"file:///home/ann/practice-forum.html", "file:///other/forum.html", true},
        {"file:///home/ann/practice-forum.html", "http://forum.example.org/", false},
        {"http://forum.example.org/", "file:///home/ann/practice-forum.html", false},
        {"data:text/html,x", "http://forum.example.org/", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSiteMatch::SameSite(QUrl(QString::fromUtf8(c.Page)),
                                       TSiteMatch::ForumAddress(QString::fromUtf8(c.Forum))),
                  c.Same)
            << c.Page << " / " << c.Forum;
}

TEST_F(BrowserSafety, PasswordGoesOnlyToItsForumsSiteAndLeavesTheClipboard)
{
    TRecordingServer server(WebAnswer);
    const auto redirect = [&](const QString& from, const QString& to) {
        return server.Url(from, QStringLiteral("/redirect?to=") + to);
    };
    const QString sameDomain = server.Url(QStringLiteral("forum.example.org"), QStringLiteral("/login"));
    const QString otherDomain = server.Url(QStringLiteral("example.net"), QStringLiteral("/login"));
    const QString numeric = server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/login"));
    const QString local = FixtureUrl(QStringLiteral("paste.html"));
    const struct
    {
        QString Forum;   // stored address
        QString Open;    // where the pane is sent
        QString Landing; // the page it ends up on
        QString Asked;   // the question's text, if one is asked
        int Answer;
    } cases[] = {
        {server.Url(QStringLiteral("www.example.org"), {}),
         redirect(QStringLiteral("www.example.org"), sameDomain), sameDomain, QString(), 0},
        {server.Url(QStringLiteral("www.example.org"), {}),
         redirect(QStringLiteral("www.example.org"), otherDomain), otherDomain,
         QStringLiteral(
             "The page is on example.net, but this password belongs to www.example.org. Paste it anyway?"),
         mrNo},
        {server.Url(QStringLiteral("localhost"), {}), numeric, numeric,
         QStringLiteral("The page is on 127.0.0.1, but this password belongs to localhost. Paste it anyway?"),
         mrYes},
        {local, local, local, QString(), 0},
        {numeric, local, local,
         QStringLiteral("The page is on %1, but this password belongs to 127.0.0.1. Paste it anyway?")
             .arg(FixturePath(QStringLiteral("paste.html"))),
         mrNo},
    };
    const QString password = QStringLiteral("s3cret & more");
    QList<TShownBox> asked;
    int answer = mrNo;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked.append({box.windowTitle(), box.Text(), box.size()});
        return answer;
    });
    for (const auto& c : cases) {
        asked.clear();
        answer = c.Answer;
        Window->lvwForums->clearSelection();
        Window->edtURL->setText(c.Forum);
        Window->edtPassword->setText(password);
        Window->btnAddURL->click();
        Window->lvwForums->setCurrentRow(0);
        ASSERT_EQ(Window->edtPassword->text(), password);
        Pane().Navigate(c.Open);
        ASSERT_TRUE(WaitUntil([&] { return Pane().Page()->url() == QUrl(c.Landing) && !Pane().IsBusy(); }))
            << c.Landing.toStdString();
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        Pane().setFocus();
        RunScript(Pane().Page(),
                  QStringLiteral("var p = document.getElementById('pass'); p.value = ''; p.focus()"));
        Window->btnWPaste->click();
        const bool pastes = c.Asked.isEmpty() || c.Answer == mrYes;
        const auto value = [] {
            return RunScript(Pane().Page(), QStringLiteral("document.getElementById('pass').value"))
                .toString();
        };
        if (pastes) {
            EXPECT_TRUE(WaitUntil([&] { return value() == password; }, 10000)) << c.Landing.toStdString();
            // The password leaves the clipboard once its time is up, unless something else is there.
            EXPECT_EQ(QGuiApplication::clipboard()->text(), password);
            EXPECT_GT(TClipboard::SecretRemainingMs(), TClipboard::SecretLifetimeMs - 5000);
            TClipboard::ExpireSecret();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
            EXPECT_EQ(TClipboard::SecretRemainingMs(), -1);
        } else {
            EXPECT_TRUE(WaitUntil([&] { return !asked.isEmpty(); }));
            Pump(300);
            EXPECT_EQ(value(), QString()) << c.Landing.toStdString();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
        }
        ASSERT_EQ(asked.size(), c.Asked.isEmpty() ? 0 : 1) << c.Landing.toStdString();
        if (!c.Asked.isEmpty()) {
            EXPECT_EQ(asked[0].Text, c.Asked);
        }
    }
    // Text copied after the password stays when the password's time is up.
    Window->btnWPaste->click();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied later"));
    TClipboard::ExpireSecret();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("copied later"));
    TMessageBox::SetTestHook(nullptr);
}

} // namespace
