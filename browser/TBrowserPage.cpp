// The pane's page policy.
#include "browser/TBrowserPage.h"

#include "browser/TBrowserDialogs.h"

#include <QAuthenticator>
#include <QWebEngineCertificateError>
#include <QWebEngineSettings>
#include <QWebEngineView>

TBrowserPage::TBrowserPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent)
{
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    // Background sounds and video clips play without the user starting them.
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, true);

    // A certificate the engine does not trust is refused; the page shows the engine's error page.
    connect(this, &QWebEnginePage::certificateError, this, [](const QWebEngineCertificateError& error) {
        QWebEngineCertificateError(error).rejectCertificate();
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

// Pages that open windows (and "Open in new window" of the context menu) get none.
QWebEnginePage* TBrowserPage::createWindow(WebWindowType)
{
    return nullptr;
}

void TBrowserPage::javaScriptAlert(const QUrl&, const QString& message)
{
    TBrowserDialog dialog{TBrowserDialogKind::Alert, QStringLiteral("Web Browser"), message, {}, {}};
    ShowBrowserDialog(DialogParent(), dialog);
}

bool TBrowserPage::javaScriptConfirm(const QUrl&, const QString& message)
{
    TBrowserDialog dialog{
        TBrowserDialogKind::Confirm, BrowserDialogCaption(QStringLiteral("Confirm")), message, {}, {}};
    return ShowBrowserDialog(DialogParent(), dialog);
}

bool TBrowserPage::javaScriptPrompt(const QUrl&, const QString& message, const QString& defaultValue,
                                    QString* result)
{
    TBrowserDialog dialog{TBrowserDialogKind::Prompt,
                          BrowserDialogCaption(QStringLiteral("User Prompt")),
                          message,
                          defaultValue,
                          {}};
    if (!ShowBrowserDialog(DialogParent(), dialog))
        return false;
    *result = dialog.Value;
    return true;
}

// Script errors and every other console message are dropped: the user never sees a report and
// the page's scripts go on running.
void TBrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                            const QString&)
{
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
