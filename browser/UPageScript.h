// What the pane and its page features share to run the scripts they inject: a script read from the
// program's resources, its call with the arguments as JSON data (never pasted into the script's
// text), and an answer handed on from the event loop.
#pragma once

#include <QJsonObject>
#include <QMetaObject>
#include <QObject>
#include <QString>

// The script at path in the program's resources, read once and kept for the program's run; an
// EBrowserError naming what when it is missing.
const QString& PageScript(const QString& path, const QString& what);

// script (a function expression) called with arguments as one JSON object.
QString ScriptCall(const QString& script, const QJsonObject& arguments);

// Tells done the value from the event loop, never from inside the engine, so that whatever done does
// (another fill, a failure) happens in ordinary event delivery; nothing once owner is gone.
template <class TDone, class TValue> void AnswerLater(QObject* owner, const TDone& done, TValue value)
{
    QMetaObject::invokeMethod(
        owner,
        [done, value] {
            if (done)
                done(value);
        },
        Qt::QueuedConnection);
}
