// The log-in fill: runs loginfill.js in the isolated world of the pane's page, its values passed
// as JSON data.
#include "browser/TLoginFill.h"

#include "browser/EBrowserError.h"
#include "browser/TBrowserPane.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

const QString& LoginFillScript()
{
    static const QString script = [] {
        QFile file(QStringLiteral(":/browser/loginfill.js"));
        if (!file.open(QIODevice::ReadOnly))
            throw EBrowserError(QStringLiteral("The log-in script is missing from the program"));
        return QString::fromUtf8(file.readAll());
    }();
    return script;
}

// Runs one step and hands its answer to done from the event loop; nothing when the fill or its
// page went away meanwhile.
void RunStep(QObject* owner, QWebEnginePage* page, const QJsonObject& arguments,
             std::function<void(const QVariantMap&)> done)
{
    QString json = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
    // Raw line and paragraph separators are not allowed in older script engines' strings.
    json.replace(QChar(0x2028), QStringLiteral("\\u2028")).replace(QChar(0x2029), QStringLiteral("\\u2029"));
    const QString source = LoginFillScript() + QLatin1Char('(') + json + QLatin1Char(')');
    QPointer<QObject> self(owner);
    page->runJavaScript(source, QWebEngineScript::ApplicationWorld, [self, done](const QVariant& result) {
        if (!self)
            return;
        const QVariantMap answer = result.toMap();
        QMetaObject::invokeMethod(
            self, [done, answer] { done(answer); }, Qt::QueuedConnection);
    });
}

} // namespace

TLoginFill::TLoginFill(TBrowserPane* pane) : QObject(pane), FPane(pane) {}

void TLoginFill::Find(TFindDone done)
{
    QWebEnginePage* page = FPane->Page();
    if (!page) {
        QMetaObject::invokeMethod(
            this, [done] { done(TLoginForm{}); }, Qt::QueuedConnection);
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
        QMetaObject::invokeMethod(
            this, [done] { done(TFilled{}); }, Qt::QueuedConnection);
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
