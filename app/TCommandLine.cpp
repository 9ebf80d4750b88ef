// The command line: "--version", "--help", or nothing at all.
#include "app/TCommandLine.h"

#include <QRegularExpression>
#include <QWebEngineProfile>
#include <QtWebEngineCore/qtwebenginecoreversion.h>
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 6, 0)
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#endif

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

TCommandLine::TCommandLine(int argc, char** argv)
{
    if (argc <= 1)
        return;
    const QString first = QString::fromLocal8Bit(argv[1]);
    if (argc == 2 && first == QLatin1String("--version"))
        Command = TCommand::Version;
    else if (argc == 2 && first == QLatin1String("--help"))
        Command = TCommand::Help;
    else {
        Command = TCommand::Refuse;
        Refusal =
            argc == 2
                ? QStringLiteral("Threadwick: unknown argument \"%1\"; see \"Threadwick --help\".\n")
                      .arg(first)
                : QStringLiteral("Threadwick: takes at most one argument; see \"Threadwick --help\".\n");
    }
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: Threadwick [--version | --help]\n"
        "Writes one message for many web forums and fills their posting pages.\n"
        "Without arguments it starts the program; its data files lie beside the executable.\n"
        "  --version  print the versions of Threadwick, Qt, Qt WebEngine and Chromium\n"
        "  --help     print this text\n"
        "Other arguments are refused; switches for the web engine go in the environment variable\n"
        "QTWEBENGINE_CHROMIUM_FLAGS.\n");
}

TQuietStandardError::TQuietStandardError()
{
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return;
    FSaved = ::dup(STDERR_FILENO);
    if (FSaved >= 0)
        ::dup2(null, STDERR_FILENO);
    ::close(null);
}

TQuietStandardError::~TQuietStandardError()
{
    if (FSaved < 0)
        return;
    std::fflush(stderr);
    ::dup2(FSaved, STDERR_FILENO);
    ::close(FSaved);
}

namespace {

QString ChromiumVersion()
{
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    return QString::fromLatin1(qWebEngineChromiumVersion());
#else
    // The engine is started only to read its user agent; the caller keeps standard error quiet.
    QString userAgent;
    {
        QWebEngineProfile profile;
        userAgent = profile.httpUserAgent();
    }
    const QRegularExpressionMatch chrome =
        QRegularExpression(QStringLiteral("Chrome/([0-9.]+)")).match(userAgent);
    return chrome.hasMatch() ? chrome.captured(1) : QStringLiteral("unknown");
#endif
}

QString WebEngineVersion()
{
#if QTWEBENGINECORE_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    return QString::fromLatin1(qWebEngineVersion());
#else
    return QStringLiteral(QTWEBENGINECORE_VERSION_STR);
#endif
}

} // namespace

QString VersionLine()
{
    return QStringLiteral("Threadwick %1 (Qt %2, Qt WebEngine %3, Chromium %4)\n")
        .arg(QStringLiteral(THREADWICK_VERSION), QString::fromLatin1(qVersion()), WebEngineVersion(),
             ChromiumVersion());
}
