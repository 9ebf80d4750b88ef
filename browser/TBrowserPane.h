// The browser pane: the embedded HTML browser in which the user opens a forum, logs in and goes
// to its posting page. A thin façade over the engine's view with the eight operations the program
// performs on it; none of them waits for a page.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QAction;
class QKeyEvent;
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

    // A line along the bottom of the pane, drawn over the view for a few seconds (see TPageNote);
    // the next one replaces it. NoteText is the text shown now, empty when none is.
    void ShowNote(const QString& text);
    QString NoteText() const;

    // Actions the pane's context menu offers after the engine's own entries.
    void AddContextMenuAction(QAction* action);

    QWebEngineView* View() const { return FView; }
    // The engine's page; null until the first navigation, which is when the engine starts.
    QWebEnginePage* Page() const;
    TBrowserPage* BrowserPage() const { return FPage; }

    // Where the shared browser profile keeps cookies, cache and site data: by default the user's
    // data directory; an empty directory keeps nothing on disk. Call before the first navigation.
    static void SetProfileDirectory(const QString& directory);
    // True for a key the pane keeps from the page and from the window.
    static bool Swallowed(const QKeyEvent& key);

signals:
    // The page shown is on another address (pushState included), or its certificate was refused.
    void SiteChanged(const QUrl& address, bool certificateRefused);
    // The user starts a navigation through the pane (Navigate, Back, Forward, Refresh): told before
    // the engine is asked, while the page before still shows.
    void UserNavigates();
    // The engine's page was made (at the first navigation, and again when a silenced page is
    // left for a new one); the page's features follow its reports from then on.
    void PageMade(TBrowserPage* page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBrowserPage* EnsurePage();
    void ReleasePage();
    // Called after asking the engine for a load.
    void LoadRequested();
    QList<QAction*> FMenuActions;

    QWebEngineView* FView = nullptr;
    TPageNote* FNote = nullptr;
    TBrowserPage* FPage = nullptr;
    bool FBusy = false;
    bool FLoadSeen = false; // the engine has reported on the latest request
    unsigned FRequest = 0;
};
