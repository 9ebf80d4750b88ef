// The browser pane: the embedded HTML browser in which the user opens a forum, logs in and goes
// to its posting page. A thin façade over the engine's view with the eight operations the program
// performs on it; none of them waits for a page.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QJsonObject;
class QKeyEvent;
class QTimer;
class QWebEnginePage;
class QWebEngineView;
class TBrowserPage;
class TPageNote;

class TBrowserPane : public QWidget
{
    Q_OBJECT
public:
    explicit TBrowserPane(QWidget* parent = nullptr);
    ~TBrowserPane() override;

    // Starts loading the address as typed; an address without a scheme is completed the way a
    // browser's address bar does it. An empty address loads nothing. A page that was silenced for
    // asking too many dialogs is left for a new page of its own: its scripts may still be asking
    // in a loop, which would hold up a new page in the same engine process.
    void Navigate(const QString& address);
    // Show the previous (next) page of the history; an EBrowserError when there is none.
    void GoBack();
    void GoForward();
    void Refresh();
    // Cancels the loading in progress, if any.
    void Stop();
    // From the start of a load until it finishes or is stopped.
    bool IsBusy() const { return FBusy; }
    // The engine's own Paste into the field of the page that has the focus; nothing happens when
    // there is no such field.
    void Paste();

    // Writes value into every element named exactly name (case-sensitive) of every form of the
    // top-level document, in document and form order, and tells done, from the event loop,
    // whether at least one element was written. The first element that refuses the value ends
    // the operation. A page whose forms cannot be read at all raises an EBrowserError from the
    // event loop instead, and done is not called.
    using TFillDone = std::function<void(bool written)>;
    void FillField(const QString& name, const QString& value, TFillDone done);

    // Where the document shown may be: the address shown and, while a load is under way, the
    // address of the document still on screen. Empty before the first navigation.
    QList<QUrl> DocumentAddresses() const;

    // Where a paste would land: the document that holds the keyboard focus, followed from the top
    // document through the focused frames that can be read. InFrame when that is a frame's (or
    // cannot be told); Known false when its origin cannot be told: a frame that cannot be read
    // vouches for nothing inside it, so FrameAddress is only the address that frame was given
    // (empty for a sandboxed or srcdoc frame). NoField when certainly no field holds the focus:
    // a paste then lands nowhere.
    struct TFocusedSite
    {
        QUrl Origin;
        bool InFrame = false;
        bool Known = true;
        // Initialised, so that a description of origin, frame and known alone still builds.
        QUrl FrameAddress = {};
        bool NoField = false;
        bool operator==(const TFocusedSite&) const = default;
    };
    using TFocusedSiteDone = std::function<void(const TFocusedSite& site)>;
    // Tells done from the event loop; with no page shown, no field.
    void FocusedSite(TFocusedSiteDone done);

    // The two parts of a new post.
    struct TPostParts
    {
        bool Subject = false;
        bool Body = false;
        // In a fill's answer: the page has a posting form with a surface for the body (or a field
        // named "body"), and a box for the subject beside it, whether or not they took the text.
        // The subject box is looked for only when the subject was asked for.
        bool Form = false;
        bool SubjectBox = false;
    };
    // Finds where a user would type a new post's subject and body on the page shown (the largest
    // visible editing surface of a form or composer that can be sent, and the subject box beside
    // it) and writes the parts asked for there as typing would, so that the page's own editors
    // and submit see them. The pane holds the keyboard focus meanwhile, so that the page sees
    // real focus and blur events; the focus, in the window and in the page, goes back where it
    // was. What was written is read back after the page's editors had their moment to react, and
    // written a second way where it did not stay. Nothing is written on a page without such a
    // surface, and then the pane does not take the focus either. Tells done, from the event loop,
    // which parts arrived and what the page has. bodyHtml, when not empty, is the body as HTML for
    // a rich editor (a field still gets body as text).
    using TPostFillDone = std::function<void(TPostParts written)>;
    void FillPost(const QString& subject, const QString& body, TPostParts wanted, TPostFillDone done,
                  const QString& bodyHtml = QString());

    // Starts the record of what one Auto Insert writes (FillField and FillPost) and takes down an
    // outline still shown.
    void BeginFill();
    // Outlines for a moment every field that the latest Auto Insert wrote, in the normal colour or
    // the warning colour; nothing when nothing was written. Drawn by the program over the view,
    // so that the page can neither see nor change it.
    void ShowFilled(bool warning);
    // The outline shown now: rectangles in the view's widget coordinates, none when none is shown.
    struct TOutline
    {
        QList<QRect> Rects;
        bool Warning = false;
    };
    TOutline ShownOutline() const { return FOutline; }

    // A line along the bottom of the pane, drawn over the view for a few seconds (see TPageNote);
    // the next one replaces it. NoteText is the text shown now, empty when none is.
    void ShowNote(const QString& text);
    QString NoteText() const;

    // Watches the page shown for the user sending the post that Auto Insert has just written into
    // it (see watchpost.js for what counts as a send) and, once the page has settled after a send,
    // tells PostSent with post, which the pane only hands back. A new watch replaces the one before,
    // and a navigation of the user's through the pane ends it; a send still settling is taken as it
    // stands. A form that comes back with the post in it (the forum's error, a preview) tells
    // nothing.
    void WatchForSend(const QVariant& post = {});
    bool Watching() const { return FWatch.Armed; }

    // Actions the pane's context menu offers after the engine's own entries.
    void AddContextMenuAction(QAction* action);

    // The stages of a fill, as they happen: for measurements and for tests that wait for the end.
    enum class TFillStage { Typed, Checking, Checked, Shown };
    Q_ENUM(TFillStage)

    QWebEngineView* View() const { return FView; }
    // The engine's page; null until the first navigation, which is when the engine starts.
    QWebEnginePage* Page() const;

    // Where the shared browser profile keeps cookies, cache and site data: by default the user's
    // data directory; an empty directory keeps nothing on disk. Call before the first navigation.
    static void SetProfileDirectory(const QString& directory);
    // True for a key the pane keeps from the page and from the window.
    static bool Swallowed(const QKeyEvent& key);

signals:
    // A post was sent from the watched page at sentAt; threadAddress is the address shown once the
    // page had settled (for nearly every forum engine, the new thread); post as the watch was given
    // it.
    void PostSent(const QDateTime& sentAt, const QUrl& threadAddress, const QVariant& post);
    // The watched page was sent, and the forum gave the form back with the post in it.
    void SendRefused();
    void FillStageReached(TBrowserPane::TFillStage stage);
    // The page shown is on another address (pushState included), or its certificate was refused.
    void SiteChanged(const QUrl& address, bool certificateRefused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBrowserPage* EnsurePage();
    void ReleasePage();
    // Called after asking the engine for a load.
    void LoadRequested();
    // The watch on the page's send.
    struct TSendWatch
    {
        bool Armed = false;
        // When the page emptied or removed the written body, and when its address last changed
        // since the watch began, by the pane's clock; -1 for not yet.
        qint64 ClearedAt = -1;
        qint64 AddressChangedAt = -1;
        bool Settling = false;  // a send was seen; waiting for the page to settle
        bool Submitted = false; // the send was a form submit
        QUrl Start;
        QString Sample; // a line of the post as the form sent it
        QDateTime SentAt;
        QVariant Post;
    };
    void WatchMessage(const QString& message);
    void SendSeen();
    // A cleared body and a change of address close together: a composer that sent by script.
    void ClearedOrMoved();
    void Settle();
    // The user navigates: a send still settling is taken as it stands, any other watch ends.
    void EndWatch();

    TSendWatch FWatch;
    QElapsedTimer FClock;
    QTimer* FSettleTimer = nullptr;
    // Tags the watcher's messages; page scripts cannot read it from the isolated world.
    QString FNonce;
    QList<QAction*> FMenuActions;

    struct TPostFill;
    // One step of fillpost.js, its answer handed to next from the event loop; nothing when the
    // pane or its page went away meanwhile.
    void RunFillStep(const QJsonObject& arguments, std::function<void(const QVariant&)> next);
    void WritePost(std::shared_ptr<TPostFill> fill, int waited);
    void CheckPost(std::shared_ptr<TPostFill> fill, bool final);
    void FinishPost(std::shared_ptr<TPostFill> fill, TPostParts arrived);
    void HideOutline();

    QWebEngineView* FView = nullptr;
    QWidget* FOutlineView = nullptr;
    TOutline FOutline;
    QTimer* FOutlineTimer = nullptr;
    TPageNote* FNote = nullptr;
    TBrowserPage* FPage = nullptr;
    bool FBusy = false;
    bool FLoadSeen = false; // the engine has reported on the latest request
    unsigned FRequest = 0;
};
