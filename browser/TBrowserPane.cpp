// The browser pane's view and its operations.
#include "browser/TBrowserPane.h"

#include "browser/EBrowserError.h"
#include "browser/TBrowserPage.h"
#include "browser/TBrowserProfile.h"
#include "browser/TPageNote.h"

#include <QAction>
#include <QApplication>
#include <QChildEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <cstdlib>

namespace {

// How long a requested load may take to report its start. A request the engine ignores altogether
// (Back onto history entries it skips) must not leave the pane busy for good; real loads report
// their start well within this time.
constexpr int BusyGraceMs = 1000;

// A page that changes its address after a send without loading a document (a composer that
// pushes the new thread's address) has settled when it has kept that address this long.
constexpr int SettleQuietMs = 2000;

// A composer that sends by script empties itself and moves to the new thread within moments of
// each other (the watch looks at the field four times a second); a user who discards the text and
// later goes elsewhere in the page is no send.
constexpr qint64 SendWindowMs = 3000;

QString ReadScript(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EBrowserError(QStringLiteral("The form-filling script is missing from the program"));
    return QString::fromUtf8(file.readAll());
}

const QString& FillFieldScript()
{
    static const QString script = ReadScript(QStringLiteral(":/browser/fillfield.js"));
    return script;
}

const QString& FillPostScript()
{
    static const QString script = ReadScript(QStringLiteral(":/browser/fillpost.js"));
    return script;
}

const QString& PostAnswerScript()
{
    static const QString script = ReadScript(QStringLiteral(":/browser/postanswer.js"));
    return script;
}

const QString& WatchPostScript()
{
    static const QString script = ReadScript(QStringLiteral(":/browser/watchpost.js"));
    return script;
}

QUrl WithoutFragment(const QUrl& address)
{
    return address.adjusted(QUrl::RemoveFragment);
}

const QString& FocusedSiteScript()
{
    static const QString script = ReadScript(QStringLiteral(":/browser/focusedsite.js"));
    return script;
}

// The arguments of an injected script as one JSON object: the script reads them as data.
QString ScriptArguments(const QJsonObject& arguments)
{
    QString json = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
    // JSON allows the line and paragraph separators raw inside strings; older script engines
    // do not, so they travel escaped.
    json.replace(QChar(0x2028), QStringLiteral("\\u2028")).replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return json;
}

} // namespace

TBrowserPane::TBrowserPane(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FView = new QWebEngineView(this);
    FView->setAcceptDrops(true);
    layout->addWidget(FView);
    setFocusProxy(FView);
    // The engine's keyboard widget appears inside the view once a page is shown.
    FView->installEventFilter(this);
    FNote = new TPageNote(FView);

    // The engine's own menu, with the program's entries after it.
    FView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = FView->createStandardContextMenu();
        if (!menu)
            return;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        if (!FMenuActions.isEmpty()) {
            menu->addSeparator();
            menu->addActions(FMenuActions);
        }
        menu->popup(FView->mapToGlobal(at));
    });

    FClock.start();
    FSettleTimer = new QTimer(this);
    FSettleTimer->setSingleShot(true);
    FSettleTimer->setInterval(SettleQuietMs);
    connect(FSettleTimer, &QTimer::timeout, this, [this] {
        if (FPage && FPage->isLoading())
            FSettleTimer->start();
        else
            Settle();
    });
    const quint64 nonce[2] = {QRandomGenerator::system()->generate64(),
                              QRandomGenerator::system()->generate64()};
    FNonce = QStringLiteral("threadwick-") +
             QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(nonce), sizeof nonce).toHex());
}

TBrowserPane::~TBrowserPane()
{
    ReleasePage();
}

void TBrowserPane::ReleasePage()
{
    // The page goes before its view; the shared profile outlives both.
    if (FPage) {
        FView->setPage(nullptr);
        delete FPage;
        FPage = nullptr;
        FBusy = false;
        emit SiteChanged(QUrl(), false);
    }
    FWatch = {};
    FSettleTimer->stop();
}

QWebEnginePage* TBrowserPane::Page() const
{
    return FPage;
}

void TBrowserPane::SetProfileDirectory(const QString& directory)
{
    TBrowserProfile::SetDirectory(directory);
}

TBrowserPage* TBrowserPane::EnsurePage()
{
    if (!FPage) {
        FPage = new TBrowserPage(TBrowserProfile::Shared(), this);
        connect(FPage, &QWebEnginePage::loadStarted, this, [this] {
            FBusy = true;
            FLoadSeen = true;
        });
        connect(FPage, &QWebEnginePage::loadFinished, this, [this] {
            FBusy = false;
            FLoadSeen = true;
            if (FWatch.Settling && !FPage->isLoading())
                Settle();
        });
        connect(FPage, &QWebEnginePage::urlChanged, this, [this](const QUrl& address) {
            emit SiteChanged(address, FPage->CertificateRefused(address));
            if (!FWatch.Armed)
                return;
            if (FWatch.Settling) {
                FSettleTimer->start();
                return;
            }
            if (WithoutFragment(address) != WithoutFragment(FWatch.Start)) {
                FWatch.AddressChangedAt = FClock.elapsed();
                ClearedOrMoved();
            }
        });
        connect(FPage, &TBrowserPage::ConsoleMessage, this, &TBrowserPane::WatchMessage);
        connect(FPage, &TBrowserPage::CertificateRejected, this,
                [this] { emit SiteChanged(FPage->url(), FPage->CertificateRefused(FPage->url())); });
        FView->setPage(FPage);
    }
    return FPage;
}

void TBrowserPane::LoadRequested()
{
    // The engine reports the start of a load a little later; the pane is busy from the request on.
    FBusy = true;
    FLoadSeen = false;
    QTimer::singleShot(BusyGraceMs, this, [this, request = ++FRequest] {
        if (request == FRequest && !FLoadSeen && !(FPage && FPage->isLoading()))
            FBusy = false;
    });
}

void TBrowserPane::Navigate(const QString& address)
{
    if (address.trimmed().isEmpty())
        return;
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        throw EBrowserError(QStringLiteral("The address \"%1\" is not valid").arg(address));
    EndWatch();
    if (FPage && FPage->DialogsSilenced())
        ReleasePage();
    EnsurePage()->UserActs(false);
    // A typed address for another program is asked about, as one a page opens is; the page shown
    // stays.
    if (!FPage->ShownInPane(url)) {
        FPage->AskToOpenElsewhere(url, true);
        return;
    }
    FPage->UserNavigates();
    FPage->load(url);
    LoadRequested();
}

QList<QUrl> TBrowserPane::DocumentAddresses() const
{
    QList<QUrl> addresses;
    if (!FPage)
        return addresses;
    if (!FPage->url().isEmpty())
        addresses << FPage->url();
    // The history's current entry is the document committed last, unless Back or Forward is
    // under way.
    const QUrl committed = FPage->history()->currentItem().url();
    if (!committed.isEmpty() && !addresses.contains(committed))
        addresses << committed;
    return addresses;
}

void TBrowserPane::GoBack()
{
    EndWatch();
    if (!FPage || !FPage->history()->canGoBack())
        throw EBrowserError(QStringLiteral("There is no previous page to go back to"));
    FPage->UserNavigates();
    FPage->triggerAction(QWebEnginePage::Back);
    LoadRequested();
}

void TBrowserPane::GoForward()
{
    EndWatch();
    if (!FPage || !FPage->history()->canGoForward())
        throw EBrowserError(QStringLiteral("There is no next page to go forward to"));
    FPage->UserNavigates();
    FPage->triggerAction(QWebEnginePage::Forward);
    LoadRequested();
}

void TBrowserPane::Refresh()
{
    EndWatch();
    if (FPage && !FPage->url().isEmpty()) {
        FPage->UserNavigates();
        FPage->triggerAction(QWebEnginePage::Reload);
        LoadRequested();
    }
}

void TBrowserPane::Stop()
{
    if (FPage)
        FPage->triggerAction(QWebEnginePage::Stop);
    FBusy = false;
}

void TBrowserPane::Paste()
{
    if (FPage)
        FPage->triggerAction(QWebEnginePage::Paste);
}

namespace {

// Tells done the value from the event loop, never from inside the engine, so that whatever done does
// (another fill, a failure) happens in ordinary event delivery; nothing once the pane is gone.
template <class TDone, class TValue> void AnswerLater(QObject* pane, const TDone& done, TValue value)
{
    QMetaObject::invokeMethod(
        pane,
        [done, value] {
            if (done)
                done(value);
        },
        Qt::QueuedConnection);
}

} // namespace

void TBrowserPane::FillField(const QString& name, const QString& value, TFillDone done)
{
    if (!FPage) {
        AnswerLater(this, done, false);
        return;
    }
    const QString source = FillFieldScript() + QLatin1Char('(') +
                           ScriptArguments({{"name", name}, {"value", value}}) + QLatin1Char(')');
    QPointer<TBrowserPane> self(this);
    FPage->runJavaScript(source, QWebEngineScript::ApplicationWorld, [self, done](const QVariant& result) {
        if (!self)
            return;
        if (result.typeId() != QMetaType::Bool) {
            QMetaObject::invokeMethod(
                self, [] { throw EBrowserError(QStringLiteral("The forms of the page could not be read")); },
                Qt::QueuedConnection);
            return;
        }
        AnswerLater(self.data(), done, result.toBool());
    });
}

namespace {

// How long the editors of a page get to react to the typing before it is read back. Editors that
// throw typing away redraw from their own model on their next rendering after the change (the
// focus moving back is one); this is well past that, and short enough not to keep the user.
constexpr int ReadBackDelayMs = 150;
// How long the page may take to report the keyboard focus the pane took for the fill; it comes
// with the next message to the page's process.
constexpr int FocusWaitMs = 300;
constexpr int FocusPollMs = 10;
// How long the outline of the filled fields stays: long enough for the eye to find it.
constexpr int OutlineMs = 1500;
// The outline's pen, in device-independent pixels.
constexpr int OutlineWidth = 3;
// The warning outline's colour: an orange that reads as "look again" on light and dark pages.
constexpr QRgb WarningColour = 0xffe8730c;

// Draws the outline over the view. The page knows nothing of it: it is no part of the document,
// and mouse and keys go through it to the page.
class TOutlineView : public QWidget
{
public:
    explicit TOutlineView(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_TranslucentBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }
    void Show(const QList<QRect>& rects, const QColor& colour)
    {
        FRects = rects;
        FColour = colour;
        raise();
        show();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(FColour, OutlineWidth));
        for (const QRect& rect : FRects)
            painter.drawRoundedRect(QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    }

private:
    QList<QRect> FRects;
    QColor FColour;
};

} // namespace

struct TBrowserPane::TPostFill
{
    QJsonObject Arguments;
    TPostFillDone Done;
    // The widget that had the keyboard focus before the pane took it; null when the pane had it.
    QPointer<QWidget> Returns;
    TPostParts Typed;
    TPostParts Arrived;
};

void TBrowserPane::RunFillStep(const QJsonObject& arguments, std::function<void(const QVariant&)> next)
{
    const QString source =
        FillPostScript() + QLatin1Char('(') + ScriptArguments(arguments) + QLatin1Char(')');
    QPointer<TBrowserPane> self(this);
    QPointer<QWebEnginePage> page(FPage);
    FPage->runJavaScript(source, QWebEngineScript::ApplicationWorld,
                         [self, page, next](const QVariant& result) {
                             if (!self || !page || self->FPage != page)
                                 return;
                             QMetaObject::invokeMethod(
                                 self, [next, result] { next(result); }, Qt::QueuedConnection);
                         });
}

void TBrowserPane::FillPost(const QString& subject, const QString& body, TPostParts wanted,
                            TPostFillDone done, const QString& bodyHtml)
{
    if (!FPage || (!wanted.Subject && !wanted.Body)) {
        AnswerLater(this, done, TPostParts{});
        return;
    }
    auto fill = std::make_shared<TPostFill>();
    fill->Arguments = {{"step", "write"},
                       {"subject", subject},
                       {"body", body},
                       {"fillSubject", wanted.Subject},
                       {"fillBody", wanted.Body}};
    if (!bodyHtml.isEmpty())
        fill->Arguments.insert(QStringLiteral("bodyHtml"), bodyHtml);
    fill->Done = std::move(done);
    WritePost(fill, -1);
}

// waited: how long the page has had to see the focus the pane took; -1 while the pane has not
// taken it.
void TBrowserPane::WritePost(std::shared_ptr<TPostFill> fill, int waited)
{
    // The script first finds the surfaces and writes nothing while the page lacks the focus; the
    // pane takes it then, only for a page that has somewhere to write (editors that wake up on
    // focus see it only while the view holds the keyboard focus). Until the focus has reached the
    // page, the script is asked again a little later, and at last writes all the same.
    QJsonObject arguments = fill->Arguments;
    arguments.insert(QStringLiteral("awaitFocus"), waited < FocusWaitMs);
    RunFillStep(arguments, [this, fill, waited](const QVariant& result) {
        const QVariantMap typed = result.toMap();
        if (typed.value(QStringLiteral("unfocused")).toBool()) {
            if (waited < 0) {
                QWidget* focused = QApplication::focusWidget();
                if (focused != FView && !FView->isAncestorOf(focused) && window()->isActiveWindow()) {
                    fill->Returns = focused;
                    FView->setFocus(Qt::OtherFocusReason);
                } else {
                    // The pane has the focus already, or cannot have it: write at once.
                    WritePost(fill, FocusWaitMs);
                    return;
                }
            }
            QTimer::singleShot(FocusPollMs, this, [this, fill, waited] {
                if (FPage)
                    WritePost(fill, qMax(waited, 0) + FocusPollMs);
            });
            return;
        }
        fill->Typed = {
            typed.value(QStringLiteral("subject")).toBool(), typed.value(QStringLiteral("body")).toBool(),
            typed.value(QStringLiteral("form")).toBool(), typed.value(QStringLiteral("subjectBox")).toBool()};
        emit FillStageReached(TFillStage::Typed);
        if (!fill->Typed.Subject && !fill->Typed.Body) {
            FinishPost(fill, {false, false, fill->Typed.Form, fill->Typed.SubjectBox});
            return;
        }
        QTimer::singleShot(ReadBackDelayMs, this, [this, fill] { CheckPost(fill, false); });
    });
}

void TBrowserPane::CheckPost(std::shared_ptr<TPostFill> fill, bool final)
{
    emit FillStageReached(TFillStage::Checking);
    RunFillStep({{"step", "check"}, {"final", final}}, [this, fill, final](const QVariant& result) {
        const QVariantMap checked = result.toMap();
        emit FillStageReached(TFillStage::Checked);
        const TPostParts arrived{fill->Arrived.Subject || checked.value(QStringLiteral("subject")).toBool(),
                                 fill->Arrived.Body || checked.value(QStringLiteral("body")).toBool(),
                                 fill->Typed.Form, fill->Typed.SubjectBox};
        if (!final && checked.value(QStringLiteral("again")).toBool()) {
            // What arrived at the first check stays arrived; the rest was written a second way.
            fill->Arrived = arrived;
            QTimer::singleShot(ReadBackDelayMs, this, [this, fill] { CheckPost(fill, true); });
            return;
        }
        FinishPost(fill, arrived);
    });
}

void TBrowserPane::FinishPost(std::shared_ptr<TPostFill> fill, TPostParts arrived)
{
    if (fill->Returns)
        fill->Returns->setFocus(Qt::OtherFocusReason);
    if (fill->Done)
        fill->Done(arrived);
}

void TBrowserPane::BeginFill()
{
    HideOutline();
    if (FPage)
        RunFillStep({{"step", "start"}}, [](const QVariant&) {});
}

void TBrowserPane::HideOutline()
{
    FOutline = {};
    if (FOutlineView)
        FOutlineView->hide();
    if (FOutlineTimer)
        FOutlineTimer->stop();
}

void TBrowserPane::ShowFilled(bool warning)
{
    HideOutline();
    if (!FPage) {
        emit FillStageReached(TFillStage::Shown);
        return;
    }
    RunFillStep({{"step", "show"}}, [this, warning](const QVariant& result) {
        const qreal zoom = FPage->zoomFactor();
        QList<QRect> rects;
        for (const QVariant& entry : result.toList()) {
            const QVariantList r = entry.toList();
            if (r.size() == 4)
                rects << QRectF(r[0].toReal() * zoom, r[1].toReal() * zoom, r[2].toReal() * zoom,
                                r[3].toReal() * zoom)
                             .toAlignedRect();
        }
        if (!rects.isEmpty()) {
            if (!FOutlineView) {
                FOutlineView = new TOutlineView(this);
                FOutlineTimer = new QTimer(this);
                FOutlineTimer->setSingleShot(true);
                connect(FOutlineTimer, &QTimer::timeout, this, &TBrowserPane::HideOutline);
            }
            FOutline = {rects, warning};
            FOutlineView->setGeometry(FView->geometry());
            static_cast<TOutlineView*>(FOutlineView)
                ->Show(rects,
                       warning ? QColor::fromRgba(WarningColour) : palette().color(QPalette::Highlight));
            FOutlineTimer->start(OutlineMs);
        }
        emit FillStageReached(TFillStage::Shown);
    });
}

void TBrowserPane::ShowNote(const QString& text)
{
    FNote->Show(text);
}

QString TBrowserPane::NoteText() const
{
    return FNote->Shown();
}

void TBrowserPane::AddContextMenuAction(QAction* action)
{
    FMenuActions << action;
}

void TBrowserPane::WatchForSend(const QVariant& post)
{
    EndWatch();
    if (!FPage)
        return;
    FWatch.Armed = true;
    FWatch.Post = post;
    FWatch.Start = FPage->url();
    const QString source =
        WatchPostScript() + QLatin1Char('(') + ScriptArguments({{"nonce", FNonce}}) + QLatin1Char(')');
    // Nothing written on the page, nothing to watch.
    QPointer<TBrowserPane> self(this);
    const QUrl start = FWatch.Start;
    FPage->runJavaScript(source, QWebEngineScript::ApplicationWorld, [self, start](const QVariant& watching) {
        if (self && !watching.toBool() && self->FWatch.Armed && !self->FWatch.Settling &&
            self->FWatch.Start == start)
            self->FWatch = {};
    });
}

void TBrowserPane::WatchMessage(const QString& message)
{
    if (!FWatch.Armed || FWatch.Settling || !message.startsWith(FNonce + QLatin1Char(' ')))
        return;
    const QJsonObject report = QJsonDocument::fromJson(message.mid(FNonce.size() + 1).toUtf8()).object();
    const QString what = report.value(QStringLiteral("what")).toString();
    if (what == QLatin1String("submitted")) {
        FWatch.Submitted = true;
        FWatch.Sample = report.value(QStringLiteral("text")).toString();
        SendSeen();
    } else if (what == QLatin1String("cleared")) {
        FWatch.ClearedAt = FClock.elapsed();
        ClearedOrMoved();
    } else if (what == QLatin1String("filled")) {
        FWatch.ClearedAt = -1;
    }
}

void TBrowserPane::ClearedOrMoved()
{
    if (FWatch.ClearedAt >= 0 && FWatch.AddressChangedAt >= 0 &&
        std::abs(FWatch.ClearedAt - FWatch.AddressChangedAt) <= SendWindowMs)
        SendSeen();
}

void TBrowserPane::SendSeen()
{
    FWatch.Settling = true;
    FWatch.SentAt = QDateTime::currentDateTimeUtc();
    FSettleTimer->start();
}

void TBrowserPane::Settle()
{
    const TSendWatch watch = FWatch;
    FWatch = {};
    FSettleTimer->stop();
    if (!watch.Settling || !FPage)
        return;
    // From the event loop, never from inside the engine's report: whatever the receiver does (a
    // save that fails, say) happens in ordinary event delivery.
    const auto tell = [this, sentAt = watch.SentAt, post = watch.Post](const QUrl& thread) {
        QMetaObject::invokeMethod(
            this, [this, sentAt, thread, post] { emit PostSent(sentAt, thread, post); },
            Qt::QueuedConnection);
    };
    // Taken now: a navigation of the user's that ended the watch is about to load another page.
    const QUrl shown = FPage->url();
    if (!watch.Submitted) {
        tell(shown);
        return;
    }
    // A sent form: the forum's answer says whether it took the post (see postanswer.js).
    const QString source =
        PostAnswerScript() + QLatin1Char('(') + ScriptArguments({{"text", watch.Sample}}) + QLatin1Char(')');
    QPointer<TBrowserPane> self(this);
    QPointer<QWebEnginePage> page(FPage);
    FPage->runJavaScript(
        source, QWebEngineScript::ApplicationWorld, [self, page, tell, shown](const QVariant& result) {
            if (!self || !page)
                return;
            const QVariantMap answer = result.toMap();
            // The user stopped the answer or went on before it came: the form was sent, and
            // still holds the post only because its page is still shown.
            if (answer.value(QStringLiteral("unanswered")).toBool()) {
                tell(shown);
                return;
            }
            if (answer.value(QStringLiteral("formBack")).toBool()) {
                QMetaObject::invokeMethod(
                    self, [pane = self.data()] { emit pane->SendRefused(); }, Qt::QueuedConnection);
                return;
            }
            const QUrl refresh(answer.value(QStringLiteral("refresh")).toString());
            tell(refresh.isValid() && !refresh.isEmpty() ? refresh : shown);
        });
}

void TBrowserPane::EndWatch()
{
    if (FWatch.Settling)
        Settle();
    else
        FWatch = {};
}

void TBrowserPane::FocusedSite(TFocusedSiteDone done)
{
    if (!FPage) {
        AnswerLater(this, done, TFocusedSite{QUrl(), false, true, QUrl(), true});
        return;
    }
    const QString source = FocusedSiteScript() + QStringLiteral("()");
    QPointer<TBrowserPane> self(this);
    FPage->runJavaScript(source, QWebEngineScript::ApplicationWorld, [self, done](const QVariant& result) {
        if (!self)
            return;
        // A page that could not answer (gone, or still being replaced) has an unknown focus.
        const QVariantMap answer = result.toMap();
        TFocusedSite site;
        site.InFrame = answer.value(QStringLiteral("inFrame"), true).toBool();
        const QString origin = answer.value(QStringLiteral("origin")).toString();
        site.Known = !origin.isEmpty() && origin != QLatin1String("null");
        if (site.Known)
            site.Origin = QUrl(origin);
        site.FrameAddress = QUrl(answer.value(QStringLiteral("frame")).toString());
        site.NoField = answer.value(QStringLiteral("noField")).toBool();
        AnswerLater(self.data(), done, site);
    });
}

bool TBrowserPane::Swallowed(const QKeyEvent& key)
{
    // Ctrl+N, with or without Shift, would ask for a new window: nothing happens.
    const Qt::KeyboardModifiers others = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return key.key() == Qt::Key_N && others == Qt::ControlModifier;
}

bool TBrowserPane::eventFilter(QObject* watched, QEvent* event)
{
    if (FPage && event->type() == QEvent::MouseButtonPress)
        FPage->UserActs(true);
    if (FPage && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        FPage->UserActs(key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
    }
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        if (watched == FView)
            if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
                child->installEventFilter(this);
        break;
    case QEvent::ShortcutOverride: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Claimed keys never reach the window's shortcuts: Enter always goes to the page.
        if (Swallowed(*key) || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            event->accept();
            return Swallowed(*key);
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (Swallowed(*static_cast<QKeyEvent*>(event)))
            return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
