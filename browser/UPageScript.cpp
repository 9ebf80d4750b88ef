// Reading and calling the injected scripts.
#include "browser/UPageScript.h"

#include "browser/EBrowserError.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>

const QString& PageScript(const QString& path, const QString& what)
{
    // Read on the user-interface thread only, where every script is run.
    static QHash<QString, QString> read;
    if (const auto found = read.constFind(path); found != read.constEnd())
        return *found;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EBrowserError(QStringLiteral("The %1 script is missing from the program").arg(what));
    return *read.insert(path, QString::fromUtf8(file.readAll()));
}

QString ScriptCall(const QString& script, const QJsonObject& arguments)
{
    QString json = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
    // JSON allows the line and paragraph separators raw inside strings; older script engines
    // do not, so they travel escaped.
    json.replace(QChar(0x2028), QStringLiteral("\\u2028")).replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return script + QLatin1Char('(') + json + QLatin1Char(')');
}
