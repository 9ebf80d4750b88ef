// The shared browser profile and the downloads it asks about.
#include "browser/TBrowserProfile.h"

#include "browser/TBrowserPage.h"
#include "browser/TLocalContentGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <optional>

namespace {

std::optional<QString>& ChosenDirectory()
{
    static std::optional<QString> directory;
    return directory;
}

QWebEngineProfile*& Instance()
{
    static QWebEngineProfile* profile = nullptr;
    return profile;
}

// Every download asks where to save, as the page that started it allows; the file is saved only
// once the user has chosen a place. A download without a page of the pane is refused.
void AskWhereToSave(QWebEngineDownloadRequest* download)
{
    if (auto* page = qobject_cast<TBrowserPage*>(download->page()))
        page->AskWhereToSave(download);
    else
        download->cancel();
}

} // namespace

QWebEngineProfile* TBrowserProfile::Shared()
{
    QWebEngineProfile*& profile = Instance();
    if (profile)
        return profile;
    const std::optional<QString>& directory = ChosenDirectory();
    if (directory && directory->isEmpty()) {
        profile = new QWebEngineProfile(QCoreApplication::instance());
    } else {
        profile = new QWebEngineProfile(QStringLiteral("Threadwick"), QCoreApplication::instance());
        const QString root =
            directory ? *directory : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        profile->setPersistentStoragePath(QDir(root).filePath(QStringLiteral("Browser")));
        profile->setCachePath(QDir(root).filePath(QStringLiteral("Browser/Cache")));
        profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    }
    profile->setHttpUserAgent(profile->httpUserAgent() + QLatin1Char(' ') + UserAgentToken());
    // Local pages stay off the network, whatever they try.
    profile->setUrlRequestInterceptor(new TLocalContentGuard(profile));
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile, &AskWhereToSave);
    QObject::connect(profile, &QObject::destroyed, [] { Instance() = nullptr; });
    return profile;
}

void TBrowserProfile::SetDirectory(const QString& directory)
{
    ChosenDirectory() = directory;
}

QString TBrowserProfile::UserAgentToken()
{
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral("1.0");
    return QStringLiteral("Threadwick/") + version;
}
