// Shared helpers of the widget tests: a throw-away application directory, a recorder that
// answers every message box, and a way to wait for the event loop.
#pragma once

#include "toolkit/TMessageBox.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

class TfrmMain;

// A temporary application directory with files written into it.
class TTempAppDir
{
public:
    TTempAppDir();
    QString Path() const; // with a trailing separator
    void Write(const QString& name, const QByteArray& bytes) const;
    QByteArray Read(const QString& name) const;
    bool Exists(const QString& name) const;
    // Gives the file the time 0, keeping its bytes: a program that still holds them may replace it, and
    // WrittenSinceMarked tells whether it did (or created the file anew).
    void MarkOld(const QString& name) const;
    bool WrittenSinceMarked(const QString& name) const;

private:
    QTemporaryDir FDir;
};

// One message box as it would have appeared.
struct TShownBox
{
    QString Caption;
    QString Text;
    QSize ClientSize;
};

// While alive, every message box is recorded and answered with "OK" (or the result set with
// Answer) instead of being shown.
class TMessageRecorder
{
public:
    TMessageRecorder();
    ~TMessageRecorder();
    const QList<TShownBox>& Boxes() const { return FBoxes; }
    void Clear() { FBoxes.clear(); }
    // The result every following box returns, as if its button with that result were pressed.
    void Answer(int result) { FAnswer = result; }

private:
    QList<TShownBox> FBoxes;
    int FAnswer = mrOk;
};

// Processes events for the given time (lets posted events and single-shot timers run).
void Pump(int milliseconds = 0);

// The fixture directory of the tests.
QString FixturePath(const QString& name);
