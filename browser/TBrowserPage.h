// The page behind the browser pane: the engine's policy for what a page may ask of the program.
// No new windows, no script-error reports, refused certificate errors, addresses of other programs
// only after the user says yes, and page dialogs (log-in and Save As included) shown as the
// program's own, naming the site that speaks and limited so that a page cannot lock the window
// with them. Local pages other than the program's own run no scripts, and only the user leaves a
// local page for the network.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QWebEnginePage>

#include <functional>

class QWebEngineDownloadRequest;
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

    // True once the page has had its dialogs cut off, until a page the user went to has loaded.
    bool DialogsSilenced() const { return FSilenced; }
    // The user starts a navigation through the pane (called before the engine is asked): the next
    // page starts with a clean count of dialogs, and the navigation may leave a local page.
    // Navigations a page starts itself keep the count and the silence, so that a page reloading
    // itself cannot start over.
    void UserNavigates();

    // The user pressed a key or a mouse button in the pane, or typed an address: one more address
    // for another program may be asked about. An activation (a click, Enter or Space, or an
    // address of the user's) also lets the page start one download.
    void UserActs(bool activation);
    // The user's activations so far, and how long ago the latest was by the page's clock (-1 for
    // none): what a send of the page's form or composer must follow.
    unsigned Activations() const { return FActivations; }
    qint64 SinceActivation();

    // Asks whether an address the pane does not show goes to another program: asked by the
    // page shown, or typed by the user.
    void AskToOpenElsewhere(const QUrl& address, bool typed);

    // Asks where to save a download the page started; refused without asking when the user did
    // nothing that started it, or when the page has had its dialogs cut off.
    void AskWhereToSave(QWebEngineDownloadRequest* download);

    // Whether the engine refused a certificate of the page's origin (scheme, host and port).
    bool CertificateRefused(const QUrl& address) const;

    // Where the upload chooser opens: the folder the user last chose an upload from in this run,
    // else the home folder; never the program's directory.
    static QString UploadFolder();

    // The clock a page's dialog limit reads, in milliseconds. Tests set their own; null restores
    // the steady clock.
    using TClock = std::function<qint64()>;
    static void SetClock(TClock clock);

    // Hands an address to the desktop's program for it. Test hook: replace it to record the call.
    using TOpener = std::function<void(const QUrl&)>;
    static void SetOpener(TOpener opener);

signals:
    // A console message of a script of the page or of the program's isolated world.
    void ConsoleMessage(const QString& message);
    // A certificate of address was refused: the page on it is not secure.
    void CertificateRejected(const QUrl& address);
    // The engine is about to send a form of the top document to address, however it was sent (a
    // script's form.submit() raises no submit event).
    void FormSending(const QUrl& address);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    // The chooser of a page's file input, opened in UploadFolder().
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;

private:
    void AskCredentials(QAuthenticator* authenticator, const QString& host);
    // Counts a page dialog about to be shown; false when it is answered without showing instead:
    // one of the page's dialogs is open, or the page has asked too often.
    bool MayShowDialog();
    // The page's clock, without the time the user spent answering its dialogs.
    qint64 PageTime();
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
    bool FShowing = false;        // one of the page's dialogs is open
    bool FUserNavigation = false; // a navigation of the user's is under way
    // The user asked for a navigation that the engine has not yet brought to the page; when, by
    // the page's clock (-1: none).
    qint64 FUserAskedAt = -1;
    // Where the user's latest navigation went, redirects followed, until its page has loaded: it
    // may turn out to be a download however long its server takes.
    QUrl FUserTarget;
    // The user's latest activation, by the page's clock, and whether a download has used it.
    qint64 FActivationAt = -1;
    bool FActivationUsed = false;
    unsigned FActivations = 0;
    QSet<QString> FRefusedCertificates; // origins
    // One question about another program per act of the user, never two at once: a page cannot
    // turn one click into a row of questions.
    unsigned FUserActs = 0;
    unsigned FActsAsked = 0;
    bool FAsking = false;
};
