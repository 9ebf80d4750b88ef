// The watch for the send: watchpost.js in the isolated world of the pane's page, its reports read
// from the page's console messages, and the settling of the page after a send.
#include "browser/TSendWatch.h"

#include "browser/TBrowserPage.h"
#include "browser/TBrowserPane.h"
#include "browser/UPageScript.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QWebEngineScript>

#include <cstdlib>

namespace {

// A page that changes its address after a send without loading a document (a composer that
// pushes the new thread's address) has settled when it has kept that address this long.
constexpr int SettleQuietMs = 2000;

// A composer that sends by script empties itself and moves to the new thread within moments of
// each other (the watch looks at the field four times a second); a user who discards the text and
// later goes elsewhere in the page is no send.
constexpr qint64 SendWindowMs = 3000;

// A send counts only after the user clicked, or pressed Enter or Space, in the page this long
// before it: the engine's own span for what a click allows a page, as for downloads. A page cannot
// make up a send on its own.
constexpr qint64 UserActMs = 5000;

// The window closes: how long a send under way may take to settle before it is taken as it stands,
// how long a click just made in the page may take to report a send, and how often the wait looks.
constexpr qint64 CloseWaitMs = 2000;
constexpr qint64 ReportGraceMs = 500;
constexpr int ClosePollMs = 20;

QUrl WithoutFragment(const QUrl& address)
{
    return address.adjusted(QUrl::RemoveFragment);
}

// Where a form sends to, whatever its fields add to the address.
QUrl FormTarget(const QUrl& address)
{
    return address.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

} // namespace

TSendWatch::TSendWatch(TBrowserPane* pane) : QObject(pane), FPane(pane)
{
    FClock.start();
    FSettleTimer = new QTimer(this);
    FSettleTimer->setSingleShot(true);
    FSettleTimer->setInterval(SettleQuietMs);
    connect(FSettleTimer, &QTimer::timeout, this, [this] {
        if (FPane->Page() && FPane->Page()->isLoading())
            FSettleTimer->start();
        else
            Settle();
    });
    const quint64 nonce[2] = {QRandomGenerator::system()->generate64(),
                              QRandomGenerator::system()->generate64()};
    FNonce = QStringLiteral("threadwick-") +
             QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(nonce), sizeof nonce).toHex());
    connect(pane, &TBrowserPane::UserNavigates, this, &TSendWatch::EndWatch);
    connect(pane, &TBrowserPane::PageMade, this, &TSendWatch::Follow);
    if (TBrowserPage* page = pane->BrowserPage())
        Follow(page);
}

void TSendWatch::Follow(TBrowserPage* page)
{
    connect(page, &QWebEnginePage::loadFinished, this, &TSendWatch::Loaded);
    connect(page, &QWebEnginePage::urlChanged, this, &TSendWatch::AddressChanged);
    connect(page, &TBrowserPage::ConsoleMessage, this, &TSendWatch::WatchMessage);
    connect(page, &TBrowserPage::FormSending, this, &TSendWatch::FormSending);
}

bool TSendWatch::UserActed() const
{
    TBrowserPage* page = FPane->BrowserPage();
    if (!page || page->Activations() == FWatch.ActsAtStart)
        return false;
    const qint64 since = page->SinceActivation();
    return since >= 0 && since < UserActMs;
}

void TSendWatch::Loaded(bool ok)
{
    if (FWatch.Settling && ok)
        FWatch.Answered = true;
    if (FWatch.Settling && FPane->Page() && !FPane->Page()->isLoading())
        Settle();
}

void TSendWatch::FormSending(const QUrl& address)
{
    if (!FWatch.Armed || FWatch.Settling || !UserActed())
        return;
    for (const QUrl& target : FWatch.FormAddresses)
        if (FormTarget(target) == FormTarget(address)) {
            FWatch.Submitted = true;
            FWatch.ByScript = true;
            SendSeen();
            return;
        }
}

void TSendWatch::AddressChanged(const QUrl& address)
{
    if (!FWatch.Armed)
        return;
    if (FWatch.Settling) {
        FWatch.Answered = true;
        FSettleTimer->start();
        return;
    }
    if (WithoutFragment(address) != WithoutFragment(FWatch.Start)) {
        FWatch.AddressChangedAt = FClock.elapsed();
        FWatch.MovedActed = UserActed();
        ClearedOrMoved();
    }
}

void TSendWatch::WatchForSend(const QVariant& post)
{
    EndWatch();
    QWebEnginePage* page = FPane->Page();
    if (!page)
        return;
    FWatch.Armed = true;
    FWatch.Post = post;
    FWatch.Start = page->url();
    FWatch.ActsAtStart = FPane->BrowserPage()->Activations();
    const QString source =
        ScriptCall(PageScript(QStringLiteral(":/browser/watchpost.js"), QStringLiteral("form-filling")),
                   {{"nonce", FNonce}});
    // Nothing written on the page, nothing to watch.
    QPointer<TSendWatch> self(this);
    const QUrl start = FWatch.Start;
    page->runJavaScript(source, QWebEngineScript::ApplicationWorld, [self, start](const QVariant& watching) {
        if (self && !watching.toBool() && self->FWatch.Armed && !self->FWatch.Settling &&
            self->FWatch.Start == start)
            self->FWatch = {};
    });
}

void TSendWatch::WatchMessage(const QString& message)
{
    if (!FWatch.Armed || !message.startsWith(FNonce + QLatin1Char(' ')))
        return;
    const QJsonObject report = QJsonDocument::fromJson(message.mid(FNonce.size() + 1).toUtf8()).object();
    const QString what = report.value(QStringLiteral("what")).toString();
    if (FWatch.Settling) {
        // The engine's report of the form came first; the page's own has the line as it was sent.
        if (what == QLatin1String("submitted") && FWatch.ByScript) {
            FWatch.ByScript = false;
            FWatch.Sample = report.value(QStringLiteral("text")).toString();
        }
        return;
    }
    if (what == QLatin1String("submitted")) {
        if (!UserActed())
            return;
        FWatch.Submitted = true;
        FWatch.Sample = report.value(QStringLiteral("text")).toString();
        SendSeen();
    } else if (what == QLatin1String("forms")) {
        FWatch.FormAddresses.clear();
        for (const QJsonValue& action : report.value(QStringLiteral("actions")).toArray())
            FWatch.FormAddresses << QUrl(action.toString());
        FWatch.Sample = report.value(QStringLiteral("text")).toString();
    } else if (what == QLatin1String("cleared")) {
        FWatch.ClearedAt = FClock.elapsed();
        FWatch.ClearedActed = UserActed();
        ClearedOrMoved();
    } else if (what == QLatin1String("filled")) {
        FWatch.ClearedAt = -1;
    }
}

void TSendWatch::ClearedOrMoved()
{
    if (FWatch.ClearedAt >= 0 && FWatch.AddressChangedAt >= 0 && (FWatch.ClearedActed || FWatch.MovedActed) &&
        std::abs(FWatch.ClearedAt - FWatch.AddressChangedAt) <= SendWindowMs)
        SendSeen();
}

void TSendWatch::SendSeen()
{
    FWatch.Settling = true;
    FWatch.SentAt = QDateTime::currentDateTimeUtc();
    FSettleTimer->start();
}

void TSendWatch::Settle()
{
    const TWatch watch = FWatch;
    FWatch = {};
    FSettleTimer->stop();
    QWebEnginePage* page = FPane->Page();
    if (!watch.Settling || !page)
        return;
    // From the event loop, never from inside the engine's report: whatever the receiver does (a
    // save that fails, say) happens in ordinary event delivery.
    const auto tell = [this, sentAt = watch.SentAt, post = watch.Post](const QUrl& thread) {
        ++FPending;
        QMetaObject::invokeMethod(
            this,
            [this, sentAt, thread, post] {
                --FPending;
                emit PostSent(sentAt, thread, post);
            },
            Qt::QueuedConnection);
    };
    // Taken now: a navigation of the user's that ended the watch is about to load another page.
    const QUrl shown = page->url();
    if (!watch.Submitted) {
        tell(shown);
        return;
    }
    // A sent form: the forum's answer says whether it took the post (see postanswer.js).
    const QString source =
        ScriptCall(PageScript(QStringLiteral(":/browser/postanswer.js"), QStringLiteral("form-filling")),
                   {{"text", watch.Sample}});
    QPointer<TSendWatch> self(this);
    QPointer<QWebEnginePage> answering(page);
    ++FPending;
    const bool unansweredByScript = watch.ByScript && !watch.Answered;
    page->runJavaScript(
        source, QWebEngineScript::ApplicationWorld,
        [self, answering, tell, shown, unansweredByScript, post = watch.Post](const QVariant& result) {
            if (!self)
                return;
            --self->FPending;
            if (!answering)
                return;
            const QVariantMap answer = result.toMap();
            // The user stopped the answer or went on before it came: the form was sent, and
            // still holds the post only because its page is still shown.
            if (answer.value(QStringLiteral("unanswered")).toBool() || unansweredByScript) {
                tell(shown);
                return;
            }
            if (answer.value(QStringLiteral("formBack")).toBool()) {
                QMetaObject::invokeMethod(
                    self, [watch = self.data()] { emit watch->SendRefused(); }, Qt::QueuedConnection);
                // The user mends the post and sends it again from the form that came back.
                if (!self->FWatch.Armed && self->FPane->Page() == answering)
                    self->WatchForSend(post);
                return;
            }
            const QUrl refresh(answer.value(QStringLiteral("refresh")).toString());
            tell(refresh.isValid() && !refresh.isEmpty() ? refresh : shown);
        });
}

void TSendWatch::SettleBeforeClose()
{
    if (FClosing)
        return;
    FClosing = true;
    QElapsedTimer waited;
    waited.start();
    const auto underWay = [&] {
        return FWatch.Settling || FPending > 0 ||
               (FWatch.Armed && UserActed() && waited.elapsed() < ReportGraceMs);
    };
    if (underWay()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!underWay() || waited.elapsed() >= CloseWaitMs)
                loop.quit();
        });
        poll.start(ClosePollMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    FClosing = false;
    QWebEnginePage* page = FPane->Page();
    if (!FWatch.Settling || !page)
        return;
    const TWatch watch = FWatch;
    FWatch = {};
    FSettleTimer->stop();
    emit PostSent(watch.SentAt, page->url(), watch.Post);
}

void TSendWatch::EndWatch()
{
    if (FWatch.Settling)
        Settle();
    else
        FWatch = {};
}
