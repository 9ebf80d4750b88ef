// The guard that keeps local pages off the network.
#include "browser/TLocalContentGuard.h"

#include <QWebEngineUrlRequestInfo>

namespace {

// Schemes whose content comes from the computer itself or from the page's own memory; every
// other scheme (http, https, ws, wss and whatever the engine may add) can leave the computer.
bool StaysLocal(const QUrl& address)
{
    static const QStringList local = {QStringLiteral("file"), QStringLiteral("data"), QStringLiteral("blob"),
                                      QStringLiteral("about"), QStringLiteral("qrc")};
    return local.contains(address.scheme());
}

} // namespace

bool TLocalContentGuard::Refused(const QUrl& firstParty, const QUrl& initiator, const QUrl& request)
{
    if (StaysLocal(request))
        return false;
    // A frame of another origin inside a local page (a data: frame, say) is still the local
    // page's: the top-level page decides as well as the frame that asks.
    return firstParty.isLocalFile() || initiator.scheme() == QLatin1String("file");
}

void TLocalContentGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (Refused(info.firstPartyUrl(), info.initiator(), info.requestUrl()))
        info.block(true);
}
