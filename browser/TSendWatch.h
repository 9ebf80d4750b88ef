// The watch for the send: after Auto Insert has written a post into the page shown in the browser
// pane, sees the user sending it (see resources/browser/watchpost.js for what counts as a send)
// and, once the page has settled, tells where the new thread is. The forum's answer to a sent form
// says whether it took the post (resources/browser/postanswer.js).
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

class QTimer;
class TBrowserPage;
class TBrowserPane;

class TSendWatch : public QObject
{
    Q_OBJECT
public:
    explicit TSendWatch(TBrowserPane* pane);

    // Watches the page shown for the user sending the post that Auto Insert has just written into
    // it and, once the page has settled after a send, tells PostSent with post, which the watch
    // only hands back. A new watch replaces the one before, and a navigation of the user's through
    // the pane ends it; a send still settling is taken as it stands. A send counts only when the
    // user clicked or pressed Enter or Space in the page shortly before it. A form that comes back
    // with the post in it (the forum's error, a preview) tells SendRefused, and the watch goes on
    // on the form that came back.
    void WatchForSend(const QVariant& post = {});
    bool Watching() const { return FWatch.Armed; }
    // The window closes: a send under way is given a moment to settle, in an event loop that takes
    // no input, and is then taken as it stands with the page's address as the thread. Returns once
    // PostSent has been told, or when there is nothing to tell.
    void SettleBeforeClose();

signals:
    // A post was sent from the watched page at sentAt; threadAddress is the address shown once the
    // page had settled (for nearly every forum engine, the new thread); post as the watch was given
    // it.
    void PostSent(const QDateTime& sentAt, const QUrl& threadAddress, const QVariant& post);
    // The watched page was sent, and the forum gave the form back with the post in it.
    void SendRefused();

private:
    struct TWatch
    {
        bool Armed = false;
        // When the page emptied or removed the written body, and when its address last changed
        // since the watch began, by the watch's clock; -1 for not yet.
        qint64 ClearedAt = -1;
        qint64 AddressChangedAt = -1;
        bool Settling = false;  // a send was seen; waiting for the page to settle
        bool Submitted = false; // the send was a form submit
        // The send was seen only as the engine sending the form (a script's form.submit()), so
        // the page's script does not know of it; Answered: a document came back since.
        bool ByScript = false;
        bool Answered = false;
        // The user's activations in the page when the watch began.
        unsigned ActsAtStart = 0;
        // Whether the user had just acted in the page when the body was cleared and when the
        // address changed.
        bool ClearedActed = false;
        bool MovedActed = false;
        QList<QUrl> FormAddresses; // where the watched forms send to
        QUrl Start;
        QString Sample; // a line of the post as the form sent it
        QDateTime SentAt;
        QVariant Post;
    };
    // The pane made a new page: the watch follows its loads, addresses and reports.
    void Follow(TBrowserPage* page);
    void Loaded(bool ok);
    void AddressChanged(const QUrl& address);
    void FormSending(const QUrl& address);
    void WatchMessage(const QString& message);
    // The user clicked, or pressed Enter or Space, in the page since the watch began and within
    // the last few seconds.
    bool UserActed() const;
    void SendSeen();
    // A cleared body and a change of address close together: a composer that sent by script.
    void ClearedOrMoved();
    void Settle();
    // The user navigates: a send still settling is taken as it stands, any other watch ends.
    void EndWatch();

    TBrowserPane* FPane;
    TWatch FWatch;
    // Sends settled whose forum's answer or report is still on its way.
    int FPending = 0;
    bool FClosing = false;
    QElapsedTimer FClock;
    QTimer* FSettleTimer = nullptr;
    // Tags the watcher's messages; page scripts cannot read it from the isolated world.
    QString FNonce;
};
