// The browser pane: the embedded HTML browser in which the user opens a forum, logs in and goes
// to its posting page. A thin façade over the engine's view with the eight operations the program
// performs on it; none of them waits for a page.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QWebEnginePage;
class QWebEngineView;
class TBrowserPage;

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

    // Where a paste would land: the origin of the document that holds the keyboard focus, followed
    // from the top document through the focused frames. InFrame when that is a frame's; Known
    // false when a focused frame's origin cannot be told (its address is none of the web's, or it
    // left the address it was given).
    struct TFocusedSite
    {
        QUrl Origin;
        bool InFrame = false;
        bool Known = true;
    };
    using TFocusedSiteDone = std::function<void(const TFocusedSite& site)>;
    // Tells done from the event loop; with no page shown, the top document's (empty) origin.
    void FocusedSite(TFocusedSiteDone done);

    // The two parts of a new post.
    struct TPostParts
    {
        bool Subject = false;
        bool Body = false;
    };
    // Finds where a user would type a new post's subject and body on the page shown (the largest
    // visible editing surface of a form or composer that can be sent, and the subject box beside
    // it) and writes the parts asked for there as typing would, so that the page's own editors
    // and submit see them; the keyboard focus goes back where it was. Nothing is written on a
    // page without such a surface. Tells done, from the event loop, which parts were written.
    using TPostFillDone = std::function<void(TPostParts written)>;
    void FillPost(const QString& subject, const QString& body, TPostParts wanted, TPostFillDone done);

    QWebEngineView* View() const { return FView; }
    // The engine's page; null until the first navigation, which is when the engine starts.
    QWebEnginePage* Page() const;

    // Where the shared browser profile keeps cookies, cache and site data: by default the user's
    // data directory; an empty directory keeps nothing on disk. Call before the first navigation.
    static void SetProfileDirectory(const QString& directory);

signals:
    // The page shown is on another address (pushState included), or its certificate was refused.
    void SiteChanged(const QUrl& address, bool certificateRefused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBrowserPage* EnsurePage();
    void ReleasePage();
    // Called after asking the engine for a load.
    void LoadRequested();
    // True for a key the pane keeps from the page and from the window.
    static bool Swallowed(const QKeyEvent& key);

    QWebEngineView* FView = nullptr;
    TBrowserPage* FPage = nullptr;
    bool FBusy = false;
    bool FLoadSeen = false; // the engine has reported on the latest request
    unsigned FRequest = 0;
};
