// Reading and calling the injected scripts.
#include "browser/UPageScript.h"

#include "browser/EBrowserError.h"

#include <QFile>
#include <QJsonDocument>

QString ReadPageScript(const QString& path, const QString& what)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EBrowserError(QStringLiteral("The %1 script is missing from the program").arg(what));
    return QString::fromUtf8(file.readAll());
}

QString ScriptCall(const QString& script, const QJsonObject& arguments)
{
    QString json = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
    // JSON allows the line and paragraph separators raw inside strings; older script engines
    // do not, so they travel escaped.
    json.replace(QChar(0x2028), QStringLiteral("\\u2028")).replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return script + QLatin1Char('(') + json + QLatin1Char(')');
}
