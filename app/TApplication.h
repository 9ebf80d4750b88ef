// The application object: the one place that reports failures no event handler dealt with, and
// the engine set-up that must happen before the application exists.
#pragma once

#include <QApplication>

class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    // Any failure thrown while an event is delivered is shown to the user; the program goes on.
    bool notify(QObject* receiver, QEvent* event) override;

    // Prepares the process for the browser engine; call before the application is created.
    // The engine's sandbox cannot run as root, so only then is it turned off.
    static void PrepareEngine();
    // As root, says on standard error that pages run without the engine's sandbox: one line,
    // written when the window starts (not for --version or --help).
    static void WarnWithoutSandbox();

    // The directory of the executable, with a trailing separator: every data file lies there.
    static QString ApplicationDirectory();
};
