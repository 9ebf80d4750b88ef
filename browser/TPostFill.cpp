// Auto Insert's fill: fillpost.js run step by step in the isolated world of the pane's page, and the
// outline of what it wrote drawn over the view.
#include "browser/TPostFill.h"

#include "browser/TBrowserPane.h"
#include "browser/UPageScript.h"

#include <QApplication>
#include <QJsonObject>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

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

TPostFill::TPostFill(TBrowserPane* pane) : QObject(pane), FPane(pane) {}

struct TPostFill::TFill
{
    QJsonObject Arguments;
    TPostFillDone Done;
    // The widget that had the keyboard focus before the pane took it; null when the pane had it.
    QPointer<QWidget> Returns;
    TPostParts Typed;
    TPostParts Arrived;
};

void TPostFill::RunFillStep(const QJsonObject& arguments, std::function<void(const QVariant&)> next)
{
    const QString source = ScriptCall(
        PageScript(QStringLiteral(":/browser/fillpost.js"), QStringLiteral("form-filling")), arguments);
    QPointer<TPostFill> self(this);
    QPointer<QWebEnginePage> page(FPane->Page());
    page->runJavaScript(source, QWebEngineScript::ApplicationWorld,
                        [self, page, next](const QVariant& result) {
                            if (!self || !page || self->FPane->Page() != page)
                                return;
                            QMetaObject::invokeMethod(
                                self, [next, result] { next(result); }, Qt::QueuedConnection);
                        });
}

void TPostFill::FillPost(const QString& subject, const QString& body, TPostParts wanted, TPostFillDone done,
                         const QString& bodyHtml)
{
    if (!FPane->Page() || (!wanted.Subject && !wanted.Body)) {
        AnswerLater(this, done, TPostParts{});
        return;
    }
    auto fill = std::make_shared<TFill>();
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
void TPostFill::WritePost(std::shared_ptr<TFill> fill, int waited)
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
                QWidget* view = FPane->View();
                QWidget* focused = QApplication::focusWidget();
                if (focused != view && !view->isAncestorOf(focused) && FPane->window()->isActiveWindow()) {
                    fill->Returns = focused;
                    view->setFocus(Qt::OtherFocusReason);
                } else {
                    // The pane has the focus already, or cannot have it: write at once.
                    WritePost(fill, FocusWaitMs);
                    return;
                }
            }
            QTimer::singleShot(FocusPollMs, this, [this, fill, waited] {
                if (FPane->Page())
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

void TPostFill::CheckPost(std::shared_ptr<TFill> fill, bool final)
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

void TPostFill::FinishPost(std::shared_ptr<TFill> fill, TPostParts arrived)
{
    if (fill->Returns)
        fill->Returns->setFocus(Qt::OtherFocusReason);
    if (fill->Done)
        fill->Done(arrived);
}

void TPostFill::BeginFill()
{
    HideOutline();
    if (FPane->Page())
        RunFillStep({{"step", "start"}}, [](const QVariant&) {});
}

void TPostFill::HideOutline()
{
    FOutline = {};
    if (FOutlineView)
        FOutlineView->hide();
    if (FOutlineTimer)
        FOutlineTimer->stop();
}

void TPostFill::ShowFilled(bool warning)
{
    HideOutline();
    if (!FPane->Page()) {
        emit FillStageReached(TFillStage::Shown);
        return;
    }
    RunFillStep({{"step", "show"}}, [this, warning](const QVariant& result) {
        const qreal zoom = FPane->Page()->zoomFactor();
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
                FOutlineView = new TOutlineView(FPane);
                FOutlineTimer = new QTimer(this);
                FOutlineTimer->setSingleShot(true);
                connect(FOutlineTimer, &QTimer::timeout, this, &TPostFill::HideOutline);
            }
            FOutline = {rects, warning};
            FOutlineView->setGeometry(FPane->View()->geometry());
            static_cast<TOutlineView*>(FOutlineView)
                ->Show(rects, warning ? QColor::fromRgba(WarningColour)
                                      : FPane->palette().color(QPalette::Highlight));
            FOutlineTimer->start(OutlineMs);
        }
        emit FillStageReached(TFillStage::Shown);
    });
}
