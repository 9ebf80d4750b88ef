// Unhandled failures and process set-up.
#include "app/TApplication.h"

#include "toolkit/TErrorReport.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Threadwick"));
    setApplicationVersion(QStringLiteral(THREADWICK_VERSION));
    // Type-ahead in lists collects the letters typed until a pause of half a second.
    setKeyboardInputInterval(500);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        ReportFailure(failure);
    } catch (...) {
        ReportFailure(QStringLiteral("An unknown failure occurred."));
    }
    return true;
}

void TApplication::PrepareEngine()
{
    // A save that runs into a file-size limit must fail with a message, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine refuses to start as root with its sandbox, so as root it runs without it.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void TApplication::WarnWithoutSandbox()
{
    if (geteuid() == 0)
        std::fputs("Threadwick: running as root, so the browser pane's sandbox is off; "
                   "start Threadwick as an ordinary user to keep web pages sandboxed.\n",
                   stderr);
}

QString TApplication::ApplicationDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
