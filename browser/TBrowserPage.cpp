// The pane's page policy.
#include "browser/TBrowserPage.h"

#include "browser/TBrowserDialogs.h"
#include "toolkit/TMessageBox.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWebEngineCertificateError>
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

// Longest address quoted in a question: enough to recognise it, too short to fill the screen.
constexpr int QuotedAddressLength = 300;

TBrowserPage::TOpener& Opener()
{
    static TBrowserPage::TOpener opener = [](const QUrl& address) { QDesktopServices::openUrl(address); };
    return opener;
}

bool IsLeavePageQuestion(const QString& message)
{
    return message == QCoreApplication::translate("QWebEnginePage", LeavePageQuestion);
}

} // namespace

TBrowserPage::TBrowserPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent)
{
    ApplySettings(settings());

    // A certificate the engine does not trust is refused; the page shows the engine's error page.
    connect(this, &QWebEnginePage::certificateError, this, [](const QWebEngineCertificateError& error) {
        QWebEngineCertificateError(error).rejectCertificate();
    });
    // The next page that has loaded may show dialogs again, within the same limit. Not earlier: a
    // page that is being left may still be asking in a loop until the new one replaces it.
    connect(this, &QWebEnginePage::loadFinished, this, [this] {
        FSilenced = false;
        if (std::exchange(FUserNavigation, false))
            FRecentDialogs.clear();
    });
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl& url, QAuthenticator* authenticator) {
                AskCredentials(url, authenticator, url.host());
            });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl& url, QAuthenticator* authenticator, const QString& proxyHost) {
                AskCredentials(url, authenticator, proxyHost);
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
                    self->AskToOpenElsewhere(url);
            });
        }
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void TBrowserPage::AskToOpenElsewhere(const QUrl& address)
{
    QString quoted = address.toString(QUrl::FullyEncoded);
    if (quoted.size() > QuotedAddressLength)
        quoted = quoted.left(QuotedAddressLength) + QChar(0x2026);
    // "&" would mark a mnemonic in the message box.
    quoted.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString text = tr("This address is not opened in the browser pane:\n\n%1\n\n"
                            "Another program on this computer will open it. Open it?")
                             .arg(quoted);
    TMessageBox box;
    const bool open = box.ShowMessageBox(text, TMsgDlgType::mtConfirmation,
                                         {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, 0, TMsgDlgBtn::mbNo) == mrYes;
    FAsking = false;
    if (open)
        Opener()(address);
}

void TBrowserPage::UserNavigates()
{
    FUserNavigation = true;
    // A page still asking in a loop keeps its count until the new page has loaded; any other page
    // may ask its leave-page question.
    if (!FSilenced)
        FRecentDialogs.clear();
}

bool TBrowserPage::MayShowDialog()
{
    if (!FClock.isValid())
        FClock.start();
    const qint64 now = FClock.elapsed() - FAnsweringMs;
    FRecentDialogs.removeIf([now](qint64 asked) { return now - asked >= DialogWindowMs; });
    if (FSilenced || FRecentDialogs.size() >= DialogBurst) {
        FSilenced = true;
        return false;
    }
    FRecentDialogs.append(now);
    return true;
}

bool TBrowserPage::ShowDialog(TBrowserDialog& dialog)
{
    QElapsedTimer answering;
    answering.start();
    const bool accepted = ShowBrowserDialog(DialogParent(), dialog);
    FAnsweringMs += answering.elapsed();
    return accepted;
}

QString TBrowserPage::Speaker(const QUrl& securityOrigin, const QString& message) const
{
    QString who;
    if (securityOrigin.scheme() == QLatin1String("file"))
        who = url().isLocalFile() ? tr("The local page %1 says:").arg(url().toLocalFile())
                                  : tr("A local page says:");
    else if (!securityOrigin.host().isEmpty())
        who = tr("The page at %1 says:").arg(securityOrigin.toString(QUrl::RemovePath | QUrl::RemoveQuery));
    else
        who = tr("A page without an address says:");
    return who + QStringLiteral("\n\n") + message;
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
    TBrowserDialog dialog{
        TBrowserDialogKind::Alert, QStringLiteral("Web Browser"), Speaker(securityOrigin, message), {}, {}};
    ShowDialog(dialog);
}

bool TBrowserPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& message)
{
    // Beyond the limit the leave-page question lets the user's navigation go on.
    if (!MayShowDialog())
        return IsLeavePageQuestion(message);
    TBrowserDialog dialog{TBrowserDialogKind::Confirm,
                          BrowserDialogCaption(QStringLiteral("Confirm")),
                          Speaker(securityOrigin, message),
                          {},
                          {}};
    return ShowDialog(dialog);
}

bool TBrowserPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& message,
                                    const QString& defaultValue, QString* result)
{
    if (!MayShowDialog())
        return false;
    TBrowserDialog dialog{TBrowserDialogKind::Prompt,
                          BrowserDialogCaption(QStringLiteral("User Prompt")),
                          Speaker(securityOrigin, message),
                          defaultValue,
                          {}};
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

void TBrowserPage::AskCredentials(const QUrl& requestUrl, QAuthenticator* authenticator, const QString& host)
{
    TBrowserDialog dialog;
    dialog.Kind = TBrowserDialogKind::Authentication;
    dialog.Caption = BrowserDialogCaption(QStringLiteral("Connect to ") + host);
    dialog.Text =
        authenticator->realm().isEmpty()
            ? tr("%1 asks for a user name and password.").arg(requestUrl.host())
            : tr("%1 asks for a user name and password for \"%2\".").arg(host, authenticator->realm());
    if (!ShowBrowserDialog(DialogParent(), dialog)) {
        // A null authenticator tells the engine the request was cancelled.
        *authenticator = QAuthenticator();
        return;
    }
    authenticator->setUser(dialog.Value);
    authenticator->setPassword(dialog.Password);
}

QWidget* TBrowserPage::DialogParent() const
{
    return QWebEngineView::forPage(this);
}
