// Site comparison through the public suffix list.
#include "browser/TSiteMatch.h"

#include <QHostAddress>

#include <libpsl.h>

namespace {

// The newest list on the system (Debian keeps one in the publicsuffix package), else the one
// built into libpsl; null when neither exists, and then only equal hosts match.
const psl_ctx_t* SuffixList()
{
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

bool IsWeb(const QUrl& address)
{
    return address.scheme() == QLatin1String("http") || address.scheme() == QLatin1String("https");
}

// The host in lower case, international names in their Unicode form as the list holds them.
QString NormalHost(const QUrl& address)
{
    const QString encoded = address.host(QUrl::FullyEncoded);
    if (!QHostAddress(encoded).isNull())
        return encoded.toLower();
    QString host = QUrl::fromAce(encoded.toLatin1()).toLower();
    // A fully qualified name ("example.org.") is the same host as without the dot.
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host;
}

int EffectivePort(const QUrl& address)
{
    return address.port(address.scheme() == QLatin1String("https") ? 443 : 80);
}

} // namespace

QString TSiteMatch::RegistrableDomain(const QString& host)
{
    if (host.isEmpty() || !QHostAddress(host).isNull())
        return {};
    const psl_ctx_t* list = SuffixList();
    if (!list)
        return {};
    const QByteArray name = host.toLower().toUtf8();
    const char* domain = psl_registrable_domain(list, name.constData());
    return domain ? QString::fromUtf8(domain) : QString();
}

bool TSiteMatch::SameSite(const QUrl& page, const QUrl& forum)
{
    if (page.isLocalFile() || forum.isLocalFile())
        return page.isLocalFile() && forum.isLocalFile();
    if (!IsWeb(page) || !IsWeb(forum))
        return false;
    if (forum.scheme() == QLatin1String("https") && page.scheme() != QLatin1String("https"))
        return false;
    const QString pageHost = NormalHost(page);
    const QString forumHost = NormalHost(forum);
    if (pageHost.isEmpty() || forumHost.isEmpty())
        return false;
    // Two ports of one IP address are two services, as alike as two different hosts.
    if (!QHostAddress(forumHost).isNull())
        return pageHost == forumHost && EffectivePort(page) == EffectivePort(forum);
    if (pageHost == forumHost)
        return true;
    const QString domain = RegistrableDomain(pageHost);
    return !domain.isEmpty() && domain == RegistrableDomain(forumHost);
}

QUrl TSiteMatch::ForumAddress(const QString& stored)
{
    return QUrl::fromUserInput(stored.trimmed());
}

QString TSiteMatch::SiteName(const QUrl& address)
{
    if (address.isLocalFile())
        return address.toLocalFile();
    const QString host = AsciiHost(address);
    return host.isEmpty() ? address.toDisplayString() : host;
}

QString TSiteMatch::AsciiHost(const QUrl& address)
{
    // The encoded form is the punycode form; IPv6 addresses come without their brackets.
    return address.host(QUrl::FullyEncoded).toLower();
}

QString TSiteMatch::Origin(const QUrl& address)
{
    if (address.isLocalFile())
        return QStringLiteral("file://");
    const QString host = AsciiHost(address);
    if (host.isEmpty())
        return address.scheme() + QLatin1Char(':');
    QString origin = address.scheme() + QStringLiteral("://");
    origin += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    const int defaultPort = address.scheme() == QLatin1String("https")  ? 443
                            : address.scheme() == QLatin1String("http") ? 80
                                                                        : -1;
    if (address.port() != -1 && address.port() != defaultPort)
        origin += QLatin1Char(':') + QString::number(address.port());
    return origin;
}
