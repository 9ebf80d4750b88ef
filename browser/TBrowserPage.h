// The page behind the browser pane: the engine's policy for what a page may ask of the program.
// No new windows, no script-error reports, refused certificate errors, addresses of other programs
// only after the user says yes, and page dialogs shown as the program's own, naming the site that
// speaks and limited so that a page cannot lock the window with them.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QWebEnginePage>

#include <functional>

class QWebEngineSettings;
struct TBrowserDialog;

class TBrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    TBrowserPage(QWebEngineProfile* profile, QObject* parent);

    // The settings every page of the pane runs with.
    static void ApplySettings(QWebEngineSettings* settings);

    // Whether the pane shows the address itself; any other is for another program.
    bool ShownInPane(const QUrl& address) const;

    // True once the page has had its dialogs cut off, until the next page has loaded.
    bool DialogsSilenced() const { return FSilenced; }
    // The user starts a navigation through the pane: the next page starts with a clean count of
    // dialogs. Navigations a page starts itself keep the count, so that a page reloading itself
    // cannot start over.
    void UserNavigates();

    // The user pressed a key or a mouse button in the pane, or typed an address: one more address
    // for another program may be asked about.
    void UserActs() { ++FUserActs; }

    // Hands an address to the desktop's program for it. Test hook: replace it to record the call.
    using TOpener = std::function<void(const QUrl&)>;
    static void SetOpener(TOpener opener);

signals:
    // A console message of a script of the page or of the program's isolated world.
    void ConsoleMessage(const QString& message);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;

private:
    void AskCredentials(const QUrl& requestUrl, QAuthenticator* authenticator, const QString& host);
    void AskToOpenElsewhere(const QUrl& address);
    // Counts a page dialog about to be shown; false when it is answered without showing instead.
    bool MayShowDialog();
    // Shows a page dialog, keeping the time the user takes to answer off the page's clock.
    bool ShowDialog(TBrowserDialog& dialog);
    // The text of a page dialog: who speaks, then what the page says.
    QString Speaker(const QUrl& securityOrigin, const QString& message) const;
    QWidget* DialogParent() const;

    // The page's clock runs while the page does, not while the user answers one of its dialogs.
    QElapsedTimer FClock;
    qint64 FAnsweringMs = 0;
    QList<qint64> FRecentDialogs; // when, by the page's clock, each recent dialog was asked for
    bool FSilenced = false;
    bool FUserNavigation = false; // a navigation of the user's is under way
    // One question about another program per act of the user, never two at once: a page cannot
    // turn one click into a row of questions.
    unsigned FUserActs = 0;
    unsigned FActsAsked = 0;
    bool FAsking = false;
};
