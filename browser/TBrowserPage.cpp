// The pane's page policy.
#include "browser/TBrowserPage.h"

#include "browser/TBrowserDialogs.h"
#include "browser/TLocalContentGuard.h"
#include "browser/TSiteMatch.h"
#include "toolkit/TMessageBox.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace {

// A page may ask for this many dialogs within DialogWindowMs of its own running time (the time
// the user spends answering does not count); beyond that its dialogs are answered without being
// shown until the next navigation, so that a page asking in a loop cannot lock the window.
constexpr int DialogBurst = 3;
constexpr qint64 DialogWindowMs = 10000;

// The leave-page question comes to the page as a confirmation with this text of the engine's.
const char* const LeavePageQuestion =
    "Are you sure you want to leave this page? Changes that you made may not be saved.";

// How long the question about another program ignores keys and clicks once shown, as browsers do
// for their permission prompts: what the user was typing when it appeared does not answer it.
constexpr int QuestionInputDelayMs = 1000;

// How long a user's activation lets the page start a download: the engine's own span for what a
// click allows a page (its transient user activation).
constexpr qint64 ActivationLifetimeMs = 5000;

// How long a navigation the user asked for may take to reach the page. It normally does at once;
// a request the engine drops (a Back within the same document) must not leave the page free to
// leave a local page later on the user's behalf.
constexpr qint64 UserNavigationGraceMs = 10000;

TBrowserPage::TOpener& Opener()
{
    static TBrowserPage::TOpener opener = [](const QUrl& address) { QDesktopServices::openUrl(address); };
    return opener;
}

TBrowserPage::TClock& TestClock()
{
    static TBrowserPage::TClock clock;
    return clock;
}

bool IsLeavePageQuestion(const QString& message)
{
    return message == QCoreApplication::translate("QWebEnginePage", LeavePageQuestion);
}

// Addresses whose content comes from the computer or the page's own memory.
bool StaysLocal(const QUrl& address)
{
    static const QStringList local = {QStringLiteral("file"), QStringLiteral("data"), QStringLiteral("blob"),
                                      QStringLiteral("about"), QStringLiteral("qrc")};
    return local.contains(address.scheme());
}

// An address in a question: whole, since what the user says yes to is all of it, in lines the box
// can show; "&" literal for the message box.
QString Quoted(const QString& text)
{
    return WholeText(text);
}

// A mail address that asks the mail program to attach files ("attach", "attachment" and the like,
// however its name is spelt or encoded): no page has a reason to send the user's files by mail.
bool AttachesFiles(const QUrl& address)
{
    if (address.scheme() != QLatin1String("mailto"))
        return false;
    QString text = address.toString(QUrl::FullyEncoded);
    // Decoded until nothing changes, so that an encoded "?" or "&" counts as one.
    for (QString decoded; (decoded = QUrl::fromPercentEncoding(text.toUtf8())) != text;)
        text = decoded;
    static const QRegularExpression attach(QStringLiteral("[?&;]\\s*attach"),
                                           QRegularExpression::CaseInsensitiveOption);
    return attach.match(text).hasMatch();
}

// The folder the user last chose an upload from, for this run.
QString& LastUploadFolder()
{
    static QString folder;
    return folder;
}

// Who is named as asking: the origin of a web page, the path of a local one.
QString Asker(const QUrl& page)
{
    return page.isLocalFile() ? page.toLocalFile() : TSiteMatch::Origin(page);
}

} // namespace

TBrowserPage::TBrowserPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent)
{
    ApplySettings(settings());

    // A certificate the engine does not trust is refused; the page shows the engine's error page.
    connect(this, &QWebEnginePage::certificateError, this, [this](const QWebEngineCertificateError& error) {
        QWebEngineCertificateError(error).rejectCertificate();
        FRefusedCertificates.insert(TSiteMatch::Origin(error.url()));
        emit CertificateRejected(error.url());
    });
    // The page the user went to may show dialogs again, within the same limit, once it has loaded.
    // Not earlier: a page that is being left may still be asking in a loop until the new one
    // replaces it. A load the page started itself (its own reload, say) ends no silence.
    connect(this, &QWebEnginePage::loadFinished, this, [this] {
        FUserAskedAt = -1;
        FUserTarget.clear();
        if (std::exchange(FUserNavigation, false)) {
            FSilenced = false;
            FRecentDialogs.clear();
        }
    });
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl& url, QAuthenticator* authenticator) {
                const QString host = TSiteMatch::AsciiHost(url);
                AskCredentials(authenticator, host.isEmpty() ? TSiteMatch::Unshown() : host);
            });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl&, QAuthenticator* authenticator, const QString& proxyHost) {
                AskCredentials(authenticator, QString::fromLatin1(QUrl::toAce(proxyHost)));
            });
}

// Every setting the pane changes from the engine's defaults, or relies on, with its reason.
void TBrowserPage::ApplySettings(QWebEngineSettings* s)
{
    // Pages show their images, run their scripts and show the engine's page for a failed load.
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    // Dropping a file or link on the pane opens it, as in a browser.
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, true);
    // A local page may not read other local files (Forums.dat lies beside the program) ...
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    // ... nor send anything to the network; TLocalContentGuard covers what this setting misses.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Sound and video start only when the user starts them.
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    // WebRTC may not reveal the addresses of the computer's local network interfaces.
    s->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    // No plug-ins: nothing the pane needs, much that attacks use.
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    // Scripts can neither read the clipboard (it may hold a password) nor paste from it; the
    // pane's own Paste works all the same.
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    // No page opens windows or brings the program's window to the front.
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    // Addresses for other programs reach acceptNavigationRequest only after a click of the user.
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
}

void TBrowserPage::SetClock(TClock clock)
{
    TestClock() = std::move(clock);
}

void TBrowserPage::SetOpener(TOpener opener)
{
    Opener() = std::move(opener);
}

bool TBrowserPage::ShownInPane(const QUrl& address) const
{
    // The engine's own pages ("chrome:") included.
    static const QStringList shown = {QStringLiteral("http"),   QStringLiteral("https"),
                                      QStringLiteral("file"),   QStringLiteral("data"),
                                      QStringLiteral("blob"),   QStringLiteral("about"),
                                      QStringLiteral("chrome"), QStringLiteral("view-source")};
    return shown.contains(address.scheme()) || profile()->urlSchemeHandler(address.scheme().toUtf8());
}

bool TBrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!ShownInPane(url)) {
        // Never handed on by the engine itself; the question comes once the engine is done with the
        // request, outside its call.
        if (!FAsking && FActsAsked != FUserActs) {
            FAsking = true;
            FActsAsked = FUserActs;
            QTimer::singleShot(0, this, [self = QPointer<TBrowserPage>(this), url] {
                if (self)
                    self->AskToOpenElsewhere(url, false);
            });
        }
        return false;
    }
    if (isMainFrame && type == NavigationTypeRedirect && !FUserTarget.isEmpty())
        FUserTarget = url;
    if (isMainFrame && type != NavigationTypeRedirect) {
        const bool usersOwn = FUserAskedAt >= 0 && PageTime() - FUserAskedAt < UserNavigationGraceMs;
        FUserAskedAt = -1;
        // Only the user takes a local page to the network: a link, a form, a frame of the page or
        // its history.back() do not, whatever the engine names as their initiator. The page being
        // left is the one shown or, while the engine has yet to record it, the one the history
        // holds: a local page's script runs before its entry is recorded.
        const bool leavingLocal =
            QWebEnginePage::url().isLocalFile() || history()->currentItem().url().isLocalFile();
        if (!usersOwn && leavingLocal && !StaysLocal(url))
            return false;
        const bool accepted = QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
        if (accepted && type == NavigationTypeFormSubmitted)
            emit FormSending(url);
        FUserTarget = accepted && usersOwn ? url : QUrl();
        // A local page runs scripts only when it is the program's own: a saved or downloaded page
        // could otherwise send what it likes by routes no request passes through (WebRTC,
        // WebTransport, the names it looks up).
        if (accepted)
            settings()->setAttribute(QWebEngineSettings::JavascriptEnabled,
                                     !url.isLocalFile() || TLocalContentGuard::IsOwnPage(url));
        return accepted;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void TBrowserPage::AskToOpenElsewhere(const QUrl& address, bool typed)
{
    if (AttachesFiles(address)) {
        FAsking = false;
        // The user typed it, and is told why nothing opens; a page is not answered.
        if (typed)
            TMessageBox().ShowMessageBox(tr("This mail address asks to attach files of this computer to the "
                                            "mail, and is not opened:\n\n%1")
                                             .arg(Quoted(address.toString(QUrl::FullyEncoded))),
                                         TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}, 0);
        return;
    }
    const QString quoted = Quoted(address.toString(QUrl::FullyEncoded));
    const QString text =
        typed
            ? tr("This address is not opened in the browser pane:\n\n%1\n\n"
                 "Another program on this computer will open it. Open it?")
                  .arg(quoted)
            : tr("The page at %1 wants to open this address, which the browser pane does not show:\n\n%2\n\n"
                 "Another program on this computer will open it. Open it?")
                  .arg(Quoted(Asker(url())), quoted);
    auto box = TMessageBox::Build(text, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo});
    box->SetDefaultButton(TMsgDlgBtn::mbNo);
    box->SetInputDelay(QuestionInputDelayMs);
    const bool open = TMessageBox::Exec(*box) == mrYes;
    FAsking = false;
    if (open)
        Opener()(address);
}

void TBrowserPage::UserNavigates()
{
    FUserNavigation = true;
    FUserAskedAt = PageTime();
    // A page still asking in a loop keeps its count until the new page has loaded; any other page
    // may ask its leave-page question.
    if (!FSilenced)
        FRecentDialogs.clear();
}

void TBrowserPage::UserActs(bool activation)
{
    ++FUserActs;
    if (activation) {
        FActivationAt = PageTime();
        FActivationUsed = false;
        ++FActivations;
    }
}

qint64 TBrowserPage::SinceActivation()
{
    return FActivationAt < 0 ? -1 : PageTime() - FActivationAt;
}

qint64 TBrowserPage::PageTime()
{
    if (!FClock.isValid())
        FClock.start();
    return (TestClock() ? TestClock()() : FClock.elapsed()) - FAnsweringMs;
}

bool TBrowserPage::MayShowDialog()
{
    if (FShowing)
        return false;
    const qint64 now = PageTime();
    FRecentDialogs.removeIf([now](qint64 asked) { return now - asked >= DialogWindowMs; });
    if (FSilenced || FRecentDialogs.size() >= DialogBurst) {
        // A silence that starts while the user's page loads outlasts that load: only a later
        // navigation of the user's ends it.
        if (!std::exchange(FSilenced, true))
            FUserNavigation = false;
        return false;
    }
    FRecentDialogs.append(now);
    return true;
}

bool TBrowserPage::ShowDialog(TBrowserDialog& dialog)
{
    QElapsedTimer answering;
    answering.start();
    FShowing = true;
    const bool accepted = ShowBrowserDialog(DialogParent(), dialog);
    FShowing = false;
    FAnsweringMs += answering.elapsed();
    return accepted;
}

QString TBrowserPage::Speaker(const QUrl& securityOrigin, const QString& message) const
{
    QString who;
    if (securityOrigin.scheme() == QLatin1String("file"))
        who = url().isLocalFile() ? tr("The local page %1 says:").arg(url().toLocalFile())
                                  : tr("A local page says:");
    else if (!TSiteMatch::AsciiHost(securityOrigin).isEmpty())
        who = tr("The page at %1 says:").arg(TSiteMatch::Origin(securityOrigin));
    else if (securityOrigin.scheme() == QLatin1String("http") ||
             securityOrigin.scheme() == QLatin1String("https"))
        who = tr("A page at %1 says:").arg(TSiteMatch::Unshown());
    else
        who = tr("A page without an address says:");
    return who + QStringLiteral("\n\n") + PageText(message);
}

// Pages that open windows (and "Open in new window" of the context menu) get none.
QWebEnginePage* TBrowserPage::createWindow(WebWindowType)
{
    return nullptr;
}

void TBrowserPage::javaScriptAlert(const QUrl& securityOrigin, const QString& message)
{
    if (!MayShowDialog())
        return;
    TBrowserDialog dialog;
    dialog.Caption = QStringLiteral("Web Browser");
    dialog.Text = Speaker(securityOrigin, message);
    ShowDialog(dialog);
}

bool TBrowserPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& message)
{
    // Beyond the limit the leave-page question lets the user's navigation go on.
    if (!MayShowDialog())
        return IsLeavePageQuestion(message);
    TBrowserDialog dialog;
    dialog.Kind = TBrowserDialogKind::Confirm;
    dialog.Caption = BrowserDialogCaption(QStringLiteral("Confirm"));
    dialog.Text = Speaker(securityOrigin, message);
    return ShowDialog(dialog);
}

bool TBrowserPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& message,
                                    const QString& defaultValue, QString* result)
{
    if (!MayShowDialog())
        return false;
    TBrowserDialog dialog;
    dialog.Kind = TBrowserDialogKind::Prompt;
    dialog.Caption = BrowserDialogCaption(QStringLiteral("User Prompt"));
    dialog.Text = Speaker(securityOrigin, message);
    dialog.Value = defaultValue;
    if (!ShowDialog(dialog))
        return false;
    *result = dialog.Value;
    return true;
}

// Script errors and every other console message are dropped: the user never sees a report and
// the page's scripts go on running.
void TBrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                            const QString&)
{
    emit ConsoleMessage(message);
}

void TBrowserPage::AskCredentials(QAuthenticator* authenticator, const QString& host)
{
    if (!MayShowDialog()) {
        // A null authenticator tells the engine the request was cancelled.
        *authenticator = QAuthenticator();
        return;
    }
    TBrowserDialog dialog;
    dialog.Kind = TBrowserDialogKind::Authentication;
    dialog.Caption = BrowserDialogCaption(QStringLiteral("Connect to ") + host);
    dialog.Text = authenticator->realm().isEmpty() ? tr("%1 asks for a user name and password.").arg(host)
                                                   : tr("%1 asks for a user name and password for \"%2\".")
                                                         .arg(host, PageText(authenticator->realm()));
    if (!ShowDialog(dialog)) {
        *authenticator = QAuthenticator();
        return;
    }
    authenticator->setUser(dialog.Value);
    authenticator->setPassword(dialog.Password);
}

void TBrowserPage::AskWhereToSave(QWebEngineDownloadRequest* download)
{
    // An address the user asked for may turn out to be a download however long its server takes.
    const bool activated =
        (FUserNavigation && download->url() == FUserTarget) ||
        (FActivationAt >= 0 && !FActivationUsed && PageTime() - FActivationAt < ActivationLifetimeMs);
    if (!activated || !MayShowDialog()) {
        download->cancel();
        return;
    }
    FActivationUsed = true;
    TBrowserDialog dialog;
    dialog.Kind = TBrowserDialogKind::Download;
    dialog.Caption = BrowserDialogCaption(QStringLiteral("Save As"));
    dialog.Text = TSiteMatch::ReportedAddress(download->url());
    dialog.Value = QDir(download->downloadDirectory()).filePath(download->downloadFileName());
    if (!ShowDialog(dialog) || dialog.Value.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo target(dialog.Value);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    download->accept();
}

// The chooser opens in the folder the user last chose an upload from, else in the home folder;
// never in the program's own directory, beside the passwords, where a page would have the user one
// click away from sending them.
QString TBrowserPage::UploadFolder()
{
    const QString program = QDir(QCoreApplication::applicationDirPath()).canonicalPath();
    const QString last = LastUploadFolder();
    if (!last.isEmpty() && QDir(last).exists() && QDir(last).canonicalPath() != program)
        return last;
    return QDir::homePath();
}

QStringList TBrowserPage::chooseFiles(FileSelectionMode mode, const QStringList&, const QStringList&)
{
    TBrowserDialog dialog;
    dialog.Kind = TBrowserDialogKind::Upload;
    dialog.Mode = mode == FileSelectOpenMultiple   ? TUploadMode::Files
                  : mode == FileSelectUploadFolder ? TUploadMode::Folder
                  : mode == FileSelectSave         ? TUploadMode::Save
                                                   : TUploadMode::File;
    dialog.Caption =
        BrowserDialogCaption(mode == FileSelectSave ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.Value = UploadFolder();
    if (!ShowDialog(dialog) || dialog.Files.isEmpty())
        return {};
    const QFileInfo first(dialog.Files.constFirst());
    LastUploadFolder() = dialog.Mode == TUploadMode::Folder ? first.absoluteFilePath() : first.absolutePath();
    return dialog.Files;
}

bool TBrowserPage::CertificateRefused(const QUrl& address) const
{
    return FRefusedCertificates.contains(TSiteMatch::Origin(address));
}

QWidget* TBrowserPage::DialogParent() const
{
    return QWebEngineView::forPage(this);
}
