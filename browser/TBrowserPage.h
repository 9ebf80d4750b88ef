// The page behind the browser pane: the engine's policy for what a page may ask of the program.
// No new windows, no script-error reports, refused certificate errors, and dialogs shown as the
// program's own.
#pragma once

#include <QWebEnginePage>

class TBrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    TBrowserPage(QWebEngineProfile* profile, QObject* parent);

protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;

private:
    void AskCredentials(const QUrl& requestUrl, QAuthenticator* authenticator, const QString& host);
    QWidget* DialogParent() const;
};
