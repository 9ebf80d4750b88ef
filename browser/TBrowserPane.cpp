// The browser pane's view, its operations and its key rule. The page features beside it (Auto
// Insert's fill, the watch for the send, the log-in fill) run their own scripts on its page.
#include "browser/TBrowserPane.h"

#include "browser/EBrowserError.h"
#include "browser/TBrowserPage.h"
#include "browser/TBrowserProfile.h"
#include "browser/TPageNote.h"
#include "browser/UPageScript.h"

#include <QAction>
#include <QChildEvent>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

// How long a requested load may take to report its start. A request the engine ignores altogether
// (Back onto history entries it skips) must not leave the pane busy for good; real loads report
// their start well within this time.
constexpr int BusyGraceMs = 1000;

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
        });
        connect(FPage, &QWebEnginePage::urlChanged, this, [this](const QUrl& address) {
            emit SiteChanged(address, FPage->CertificateRefused(address));
        });
        connect(FPage, &TBrowserPage::CertificateRejected, this,
                [this] { emit SiteChanged(FPage->url(), FPage->CertificateRefused(FPage->url())); });
        FView->setPage(FPage);
        emit PageMade(FPage);
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
    emit UserNavigates();
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
    emit UserNavigates();
    if (!FPage || !FPage->history()->canGoBack())
        throw EBrowserError(QStringLiteral("There is no previous page to go back to"));
    FPage->UserNavigates();
    FPage->triggerAction(QWebEnginePage::Back);
    LoadRequested();
}

void TBrowserPane::GoForward()
{
    emit UserNavigates();
    if (!FPage || !FPage->history()->canGoForward())
        throw EBrowserError(QStringLiteral("There is no next page to go forward to"));
    FPage->UserNavigates();
    FPage->triggerAction(QWebEnginePage::Forward);
    LoadRequested();
}

void TBrowserPane::Refresh()
{
    emit UserNavigates();
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

void TBrowserPane::FillField(const QString& name, const QString& value, TFillDone done)
{
    if (!FPage) {
        AnswerLater(this, done, false);
        return;
    }
    const QString source =
        ScriptCall(PageScript(QStringLiteral(":/browser/fillfield.js"), QStringLiteral("form-filling")),
                   {{"name", name}, {"value", value}});
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

void TBrowserPane::FocusedSite(TFocusedSiteDone done)
{
    if (!FPage) {
        AnswerLater(this, done, TFocusedSite{QUrl(), false, true, QUrl(), true});
        return;
    }
    const QString source =
        PageScript(QStringLiteral(":/browser/focusedsite.js"), QStringLiteral("form-filling")) +
        QStringLiteral("()");
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
