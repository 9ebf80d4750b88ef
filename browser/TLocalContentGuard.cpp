// The guard that keeps local pages off the network.
#include "browser/TLocalContentGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWebEngineUrlRequestInfo>

#include <optional>

namespace {

// Schemes whose content comes from the computer itself or from the page's own memory; every
// other scheme (http, https, ws, wss and whatever the engine may add) can leave the computer.
bool StaysLocal(const QString& scheme)
{
    static const QStringList local = {QStringLiteral("file"), QStringLiteral("data"), QStringLiteral("blob"),
                                      QStringLiteral("about"), QStringLiteral("qrc")};
    return local.contains(scheme);
}

std::optional<QStringList>& OwnDirectories()
{
    static std::optional<QStringList> directories;
    return directories;
}

} // namespace

void TLocalContentGuard::SetOwnDirectories(const QStringList& directories)
{
    QStringList canonical;
    for (const QString& directory : directories)
        canonical << QDir(directory).canonicalPath();
    OwnDirectories() = canonical;
}

bool TLocalContentGuard::IsOwnPage(const QUrl& page)
{
    if (page.scheme() == QLatin1String("qrc"))
        return true;
    if (!page.isLocalFile())
        return false;
    std::optional<QStringList>& own = OwnDirectories();
    if (!own)
        SetOwnDirectories({QCoreApplication::applicationDirPath()});
    // The file's own directory, links resolved: a link placed beside the program does not make a
    // page from elsewhere its own.
    const QString directory = QFileInfo(QFileInfo(page.toLocalFile()).canonicalFilePath()).path();
    return !directory.isEmpty() && own->contains(directory);
}

bool TLocalContentGuard::Refused(bool topLevel, const QUrl& firstParty, const QUrl& initiator,
                                 const QUrl& request)
{
    const QString scheme = request.scheme();
    if (scheme == QLatin1String("qrc"))
        return !IsOwnPage(firstParty);
    if (StaysLocal(scheme))
        return false;
    if (initiator.scheme() == QLatin1String("file"))
        return true;
    // A frame of another origin inside a local page (a data: frame, say) is still the local
    // page's. A new top-level page is not: Back from a local page to a web page names the local
    // page as its first party, but the user started it.
    return !topLevel && firstParty.isLocalFile();
}

void TLocalContentGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const bool topLevel = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
    if (Refused(topLevel, info.firstPartyUrl(), info.initiator(), info.requestUrl()))
        info.block(true);
}
