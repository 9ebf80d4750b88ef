// The log-in fill: runs loginfill.js in the isolated world of the pane's page, its values passed
// as JSON data.
#include "browser/TLoginFill.h"

#include "browser/TBrowserPane.h"
#include "browser/UPageScript.h"

#include <QJsonObject>
#include <QPointer>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

// Runs one step and hands its answer to done from the event loop; nothing when the fill or its
// page went away meanwhile.
void RunStep(QObject* owner, QWebEnginePage* page, const QJsonObject& arguments,
             std::function<void(const QVariantMap&)> done)
{
    QPointer<QObject> self(owner);
    page->runJavaScript(
        ScriptCall(PageScript(QStringLiteral(":/browser/loginfill.js"), QStringLiteral("log-in")), arguments),
        QWebEngineScript::ApplicationWorld, [self, done](const QVariant& result) {
            if (self)
                AnswerLater(self.data(), done, result.toMap());
        });
}

} // namespace

TLoginFill::TLoginFill(TBrowserPane* pane) : QObject(pane), FPane(pane) {}

void TLoginFill::Find(TFindDone done)
{
    QWebEnginePage* page = FPane->Page();
    if (!page) {
        AnswerLater(this, done, TLoginForm{});
        return;
    }
    RunStep(this, page, {{"step", "find"}}, [done](const QVariantMap& answer) {
        TLoginForm form;
        form.Found = answer.value(QStringLiteral("found")).toBool();
        form.HasPassword = answer.value(QStringLiteral("password")).toBool();
        form.HasUser = answer.value(QStringLiteral("user")).toBool();
        form.InFrame = answer.value(QStringLiteral("inFrame")).toBool();
        const QString origin = answer.value(QStringLiteral("origin")).toString();
        form.OriginText = origin;
        if (!origin.isEmpty())
            form.Origin = QUrl(origin);
        done(form);
    });
}

void TLoginFill::Fill(const TLoginForm& form, const QString& username, const QString& password,
                      TFillDone done)
{
    QWebEnginePage* page = FPane->Page();
    if (!page || !form.Found) {
        AnswerLater(this, done, TFilled{});
        return;
    }
    FPane->View()->setFocus(Qt::OtherFocusReason);
    const QJsonObject arguments{
        {"step", "fill"}, {"username", username}, {"password", password}, {"origin", form.OriginText}};
    RunStep(this, page, arguments, [done](const QVariantMap& answer) {
        done({answer.value(QStringLiteral("user")).toBool(),
              answer.value(QStringLiteral("password")).toBool()});
    });
}
