// The browser pane against the fourth round of hostile pages: a password aimed at a frame inside a
// frame, a focus that moves while the user answers, a paste with no field selected, host names the
// engine takes but Qt refuses, mail addresses that attach files, a page that reloads itself to
// start its dialogs again, and the upload chooser. Every server is local (127.0.0.1); the test
// host names resolve to it inside the engine and nowhere else.
#include "BrowserTestSupport.h"
#include "RecordingServer.h"
#include "browser/TBrowserDialogs.h"
#include "browser/TBrowserPage.h"
#include "browser/TSiteIndicator.h"
#include "browser/TSiteMatch.h"
#include "ui/FMain.h"
#include "ui/UPasswordRule.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

// Reports every paste of the document to its server: what a page of another site would do with
// the password.
const char* const PasteRecorder =
    "<script>document.addEventListener('paste', function (e) {"
    " fetch('/got?' + encodeURIComponent(e.clipboardData.getData('text'))); });</script>";

class BrowserFrames : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite() { OpenWindow(QSize(1000, 700)); }
    static void TearDownTestSuite() { CloseWindow(); }
    void TearDown() override
    {
        TMessageBox::SetTestHook(nullptr);
        SetBrowserDialogHook(nullptr);
        TBrowserPage::SetOpener(nullptr);
        TBrowserPage::SetClock(nullptr);
    }
    static QString Title() { return Pane().Page() ? Pane().Page()->title() : QString(); }
    static bool Load(const QString& address, const QString& title)
    {
        Pane().Navigate(address);
        return WaitUntil([&] { return Title() == title && !Pane().IsBusy(); });
    }
};

TEST_F(BrowserFrames, PasswordGoesOnlyWhereTheRuleLetsIt)
{
    TRecordingServer server;
    const auto url = [&](const char* host, const char* path) {
        return server.Url(QLatin1String(host), QLatin1String(path));
    };
    const auto frame = [](const QString& id, const QString& address) {
        return QStringLiteral("<iframe id=\"%1\" width=\"40\" height=\"20\" src=\"%2\"></iframe>")
            .arg(id, address);
    };
    // An advertiser's frame that waits for the password, inside a frame of the forum's own site.
    server.Page(QStringLiteral("/grab"),
                QStringLiteral("<title>grab</title><input id=\"grab\"><script>setInterval("
                               "function () { document.getElementById('grab').focus(); },"
                               " 50)</script>") +
                    QLatin1String(PasteRecorder));
    server.Page(QStringLiteral("/field"), QStringLiteral("<input id=\"x\">") + QLatin1String(PasteRecorder));
    server.Page(
        QStringLiteral("/outer"),
        frame(QStringLiteral("g"), url("example.net", "/grab")) +
            QStringLiteral("<script>setInterval(function () { document.getElementById('g').focus(); }, 50)"
                           "</script>"));
    const QString controls =
        QStringLiteral("<title>page</title><input id=\"pass\" type=\"password\">"
                       "<button id=\"button\">b</button><input id=\"box\" type=\"checkbox\">") +
        QLatin1String(PasteRecorder);
    server.Page(QStringLiteral("/plain"), controls);
    server.Page(QStringLiteral("/nested"),
                controls + frame(QStringLiteral("f"), url("www.example.org", "/outer")));
    server.Page(QStringLiteral("/sso"),
                controls + frame(QStringLiteral("f"), url("forum.example.org", "/field")));
    server.Page(QStringLiteral("/two"), controls + frame(QStringLiteral("f"), url("example.net", "/field")) +
                                            frame(QStringLiteral("other"), url("www.example.net", "/field")));
    const QString forum = url("forum.example.org", "/");
    const QString plain = url("forum.example.org", "/plain");
    const auto unknownFrame = [](const char* opened) {
        return QStringLiteral(
                   "The selected field is in a frame whose site cannot be told (the frame was opened "
                   "from %1, but what it shows now cannot be seen), and this password belongs to "
                   "forum.example.org. Paste it anyway?")
            .arg(QLatin1String(opened));
    };
    const struct
    {
        QString Open;
        const char* Focus; // the element focused, none for the page's background
        const char* Moved; // the element the page focuses while the question is open
        QStringList Asked;
        int Answer;
        bool Pasted; // the clipboard holds the password, and the page's server got it
    } cases[] = {
        // The frame of the forum's site cannot be read: it does not vouch for the frame it holds.
        {url("forum.example.org", "/nested"), "f", "", {unknownFrame("www.example.org")}, mrNo, false},
        // A single sign-on page of another site: the question names the frame that gets the password.
        {url("example.net", "/sso"), "f", "", {unknownFrame("forum.example.org")}, mrYes, true},
        // The page moves the focus while the user answers: Yes was for another frame.
        {url("forum.example.org", "/two"),
         "f",
         "other",
         {QStringLiteral("The selected field is in a frame from example.net, but this password belongs to "
                         "forum.example.org. Paste it anyway?"),
          QStringLiteral("The selected field changed while you answered, so the password was not pasted.")},
         mrYes,
         false},
        // No field selected is no frame: the clipboard gets the text, the paste lands in no field (the
        // forum's own page sees it).
        {plain, "button", "", {}, 0, true},
        {plain, "box", "", {}, 0, true},
        {plain, "", "", {}, 0, true},
    };
    const QString password = QStringLiteral("s3cret");
    QStringList asked;
    QString moved;
    int answer = mrNo;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked << box.Text();
        if (!moved.isEmpty()) {
            RunScript(Pane().Page(), QStringLiteral("document.getElementById('%1').focus()").arg(moved));
            WaitUntil([&] {
                return RunScript(Pane().Page(), QStringLiteral("document.activeElement.id")).toString() ==
                       moved;
            });
            moved.clear();
        }
        return answer;
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Open.toStdString() + " " + c.Focus);
        asked.clear();
        moved = QLatin1String(c.Moved);
        answer = c.Answer;
        SelectForum(forum, password);
        ASSERT_TRUE(Load(c.Open, QStringLiteral("page")));
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        Pane().setFocus();
        RunScript(Pane().Page(), *c.Focus
                                     ? QStringLiteral("document.getElementById('%1').focus()").arg(c.Focus)
                                     : QStringLiteral("document.activeElement.blur()"));
        // The frames' own scripts take the focus on inside them.
        Pump(300);
        const int before = server.Count(QStringLiteral("/got?") + password);
        Window->btnWPaste->click();
        EXPECT_TRUE(WaitUntil([&] {
            return asked.size() == c.Asked.size() &&
                   (server.Count(QStringLiteral("/got?") + password) > before) == c.Pasted;
        }));
        Pump(300);
        EXPECT_EQ(server.Count(QStringLiteral("/got?") + password) > before, c.Pasted);
        EXPECT_EQ(QGuiApplication::clipboard()->text() == password, c.Pasted);
        EXPECT_EQ(asked.join(QLatin1Char('|')).toStdString(), c.Asked.join(QLatin1Char('|')).toStdString());
    }
}

TEST(PasswordRule, NamesTheDocumentThatWouldGetThePassword)
{
    const QUrl forum(QStringLiteral("https://forum.example.org/"));
    const QList<QUrl> onForum{QUrl(QStringLiteral("https://forum.example.org/login"))};
    const QList<QUrl> elsewhere{QUrl(QStringLiteral("https://sso.example.net/login"))};
    const QUrl sameSite(QStringLiteral("https://www.example.org/frame"));
    const QUrl otherSite(QStringLiteral("https://ads.example.net/frame"));
    const QString frameUnknown =
        QStringLiteral("The selected field is in a frame whose site cannot be told, but "
                       "this password belongs to forum.example.org. Paste it anyway?");
    const QString pageElsewhere = QStringLiteral(
        "The page is on sso.example.net, but this password belongs to forum.example.org. Paste it anyway?");
    const struct
    {
        const char* Case;
        QList<QUrl> Shown;
        TPasswordTarget Target;
        QString Asked;
    } cases[] = {
        {"top document",
         onForum,
         {QUrl(QStringLiteral("https://forum.example.org")), false, true, {}, false},
         {}},
        {"top document elsewhere", elsewhere, {QUrl(), false, true, {}, false}, pageElsewhere},
        {"same-origin frame",
         onForum,
         {QUrl(QStringLiteral("https://forum.example.org")), true, true, {}, false},
         {}},
        {"same-origin frame elsewhere",
         elsewhere,
         {QUrl(QStringLiteral("https://forum.example.org")), true, true, {}, false},
         pageElsewhere},
        {"other-site frame",
         onForum,
         {QUrl(), true, false, otherSite, false},
         QStringLiteral("The selected field is in a frame from ads.example.net, but this password belongs to "
                        "forum.example.org. Paste it anyway?")},
        {"other-site frame inside a same-site frame",
         onForum,
         {QUrl(), true, false, sameSite, false},
         QStringLiteral(
             "The selected field is in a frame whose site cannot be told (the frame was opened from "
             "www.example.org, but what it shows now cannot be seen), and this password belongs to "
             "forum.example.org. Paste it anyway?")},
        {"sandboxed or srcdoc frame", onForum, {QUrl(), true, false, {}, false}, frameUnknown},
        {"no field", onForum, {QUrl(QStringLiteral("https://forum.example.org")), false, true, {}, true}, {}},
        {"no field elsewhere", elsewhere, {QUrl(), false, true, {}, true}, pageElsewhere},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordQuestion(c.Shown, c.Target, forum), c.Asked) << c.Case;
    // Without a forum the password belongs to no site.
    EXPECT_EQ(PasswordQuestion(elsewhere, cases[4].Target, std::nullopt), QString());
}

// Addresses as the engine reports them: hosts Qt refuses are named all the same, and a blob:
// document is on the site of the page that made it.
TEST(SiteNames, ComeFromTheAddressTheEngineReports)
{
    const QString longLabel = QStringLiteral("a").repeated(70);
    const struct
    {
        QByteArray Address;
        QString Name;
        QString Indicator;
    } cases[] = {
        {"http://forum-.example.net:8080/x?y", QStringLiteral("forum-.example.net"),
         QStringLiteral("Not secure: http://forum-.example.net:8080")},
        {"https://x.-.example.net/", QStringLiteral("x.-.example.net"),
         QStringLiteral("https://x.-.example.net")},
        {"https://" + longLabel.toLatin1() + ".example.net/", longLabel + QStringLiteral(".example.net"),
         QStringLiteral("https://") + longLabel + QStringLiteral(".example.net")},
        {"http://user@forum-.example.net/", QStringLiteral("forum-.example.net"),
         QStringLiteral("Not secure: http://forum-.example.net")},
        {"http://exa mple.net/", QStringLiteral("an address that cannot be shown"),
         QStringLiteral("Not secure: an address that cannot be shown")},
        {"blob:http://forum.example.org:81/0b7c-41", QStringLiteral("forum.example.org"),
         QStringLiteral("Not secure: http://forum.example.org:81")},
        {"blob:https://forum.example.org/0b7c-41", QStringLiteral("forum.example.org"),
         QStringLiteral("https://forum.example.org")},
    };
    for (const auto& c : cases) {
        const QUrl address = QUrl::fromEncoded(c.Address);
        EXPECT_EQ(TSiteMatch::SiteName(address), c.Name) << c.Address.constData();
        EXPECT_EQ(TSiteIndicator::Text(address, false), c.Indicator) << c.Address.constData();
    }
    EXPECT_TRUE(TSiteMatch::SameSite(QUrl(QStringLiteral("blob:https://forum.example.org/0b7c-41")),
                                     QUrl(QStringLiteral("https://www.example.org/"))));
}

TEST_F(BrowserFrames, HostsQtRefusesAreNamedEverywhere)
{
    TRecordingServer server;
    server.Page(QStringLiteral("/start"), QStringLiteral("<title>start</title>"));
    server.Page(QStringLiteral("/named"),
                QStringLiteral("<title>named</title><input id=\"pass\" type=\"password\">"));
    server.Raw(QStringLiteral("/auth"), "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n"
                                        "Content-Length: 0\r\n\r\n");
    QList<TBrowserDialog> dialogs;
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        dialogs << dialog;
        return false;
    });
    QStringList asked;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        asked << box.Text();
        return mrNo;
    });
    SelectForum(server.Url(QStringLiteral("forum.example.org"), QStringLiteral("/")), QStringLiteral("pw"));
    const QString port = QString::number(server.Port());
    for (const QString& host : {QStringLiteral("forum-.example.net"), QStringLiteral("x.-.example.net"),
                                QStringLiteral("a").repeated(64) + QStringLiteral(".example.net")}) {
        SCOPED_TRACE(host.toStdString());
        dialogs.clear();
        asked.clear();
        // Qt refuses the address, so only a page can lead there.
        ASSERT_TRUE(
            Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/start")), QStringLiteral("start")));
        RunScript(Pane().Page(), QStringLiteral("location.href = 'http://%1:%2/named'").arg(host, port));
        ASSERT_TRUE(WaitUntil([] { return Title() == QStringLiteral("named") && !Pane().IsBusy(); }));
        const QString origin = QStringLiteral("http://%1:%2").arg(host, port);
        EXPECT_TRUE(WaitUntil([&] {
            return Window->lblSite->text() == QStringLiteral("Not secure: ") + origin;
        })) << Window->lblSite->text().toStdString();
        RunScript(Pane().Page(), QStringLiteral("alert('hi'); new Image().src = '/auth'"));
        ASSERT_TRUE(WaitUntil([&] { return dialogs.size() == 2; }));
        EXPECT_EQ(dialogs[0].Text, QStringLiteral("The page at %1 says:\n\nhi").arg(origin));
        EXPECT_EQ(dialogs[1].Caption, QStringLiteral("Web Browser:  Connect to ") + host);
        Pane().setFocus();
        RunScript(Pane().Page(), QStringLiteral("document.getElementById('pass').focus()"));
        Window->btnWPaste->click();
        ASSERT_TRUE(WaitUntil([&] { return !asked.isEmpty(); }));
        EXPECT_EQ(asked[0],
                  QStringLiteral("The page is on %1, but this password belongs to forum.example.org. "
                                 "Paste it anyway?")
                      .arg(host));
    }
}

TEST_F(BrowserFrames, AddressesForOtherProgramsAreShownWholeAndMailCannotAttachFiles)
{
    QList<QUrl> opened;
    TBrowserPage::SetOpener([&](const QUrl& address) { opened << address; });
    QStringList boxes;
    TMessageBox::SetTestHook([&](TMessageDialog& box) {
        boxes << box.Text();
        return mrYes;
    });
    const QString padding = QStringLiteral("x").repeated(400);
    const struct
    {
        QString Address;
        bool Opens;
    } cases[] = {
        {QStringLiteral("x-test:pad=%1&end=tail-of-the-address").arg(padding), true},
        {QStringLiteral("mailto:ann@example.org?body=%1&attach=/root/.ssh/id_rsa").arg(padding), false},
        {QStringLiteral("mailto:ann@example.org?Attachment=%2Froot%2F.ssh%2Fid_rsa"), false},
        {QStringLiteral("mailto:ann@example.org%3F%61ttach=/etc/passwd"), false},
        {QStringLiteral("mailto:attach@example.org?subject=attachments%20follow"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Address.toStdString());
        boxes.clear();
        opened.clear();
        Window->edtURL->setText(c.Address);
        Window->bsSkinButton2->click();
        ASSERT_TRUE(WaitUntil([&] { return !boxes.isEmpty(); }));
        EXPECT_EQ(opened.size(), c.Opens ? 1 : 0);
        // The box shows every character of the address, in lines it can hold.
        QString shown = boxes[0];
        shown.remove(QLatin1Char('\n')).replace(QStringLiteral("&&"), QStringLiteral("&"));
        EXPECT_TRUE(shown.contains(QUrl(c.Address).toString(QUrl::FullyEncoded))) << boxes[0].toStdString();
    }
}

TEST_F(BrowserFrames, OnlyTheUsersNavigationEndsAPagesDialogSilence)
{
    TRecordingServer server;
    server.Page(
        QStringLiteral("/flood"),
        QStringLiteral("<title>flood</title><script>for (var i = 0; i < 5; ++i) alert('again');</script>"));
    qint64 now = 0;
    TBrowserPage::SetClock([&] { return now; });
    int shown = 0;
    SetBrowserDialogHook([&](TBrowserDialog&) {
        ++shown;
        return true;
    });
    ASSERT_TRUE(
        Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/flood")), QStringLiteral("flood")));
    EXPECT_EQ(shown, 3);
    // Long after, the page reloads itself: still silent.
    now += 60000;
    const int loads = server.Count(QStringLiteral("/flood"));
    RunScript(Pane().Page(), QStringLiteral("location.reload()"));
    ASSERT_TRUE(
        WaitUntil([&] { return server.Count(QStringLiteral("/flood")) > loads && !Pane().IsBusy(); }));
    Pump(300);
    EXPECT_EQ(shown, 3);
    // The user reloads it: once it has loaded, it may ask again.
    Pane().Refresh();
    ASSERT_TRUE(
        WaitUntil([&] { return server.Count(QStringLiteral("/flood")) > loads + 1 && !Pane().IsBusy(); }));
    RunScript(Pane().Page(), QStringLiteral("alert('after')"));
    EXPECT_EQ(shown, 4);
}

TEST_F(BrowserFrames, TheUploadChooserOpensAwayFromTheProgramsDirectory)
{
    TRecordingServer server;
    server.Page(
        QStringLiteral("/upload"),
        QStringLiteral("<title>upload</title><input type=\"file\" style=\"position: fixed; left: 0; top: 0;"
                       " width: 100%; height: 100%\">"));
    ASSERT_TRUE(
        Load(server.Url(QStringLiteral("127.0.0.1"), QStringLiteral("/upload")), QStringLiteral("upload")));
    QTemporaryDir chosen;
    const QString program = QCoreApplication::applicationDirPath();
    const struct
    {
        QString Choose; // the file the user chooses, in a folder the next chooser opens in
        QString OpensIn;
    } steps[] = {
        {chosen.filePath(QStringLiteral("a.txt")), QDir::homePath()},
        {QDir(program).filePath(QStringLiteral("Forums.dat")), chosen.path()},
        {{}, QDir::homePath()},
    };
    QStringList opensIn;
    QString choose;
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        if (dialog.Kind != TBrowserDialogKind::Upload)
            return false;
        opensIn << dialog.Value;
        dialog.Files = QStringList{choose};
        return !choose.isEmpty();
    });
    for (const auto& step : steps) {
        const qsizetype before = opensIn.size();
        choose = step.Choose;
        // The engine may take a moment before a page takes clicks: click until it has.
        ASSERT_TRUE(WaitUntil([&] {
            if (opensIn.size() == before)
                QTest::mouseClick(ViewWidget(), Qt::LeftButton, {}, QPoint(50, 50));
            Pump(200);
            return opensIn.size() > before;
        }));
        EXPECT_EQ(opensIn.constLast(), step.OpensIn);
    }
}

} // namespace
