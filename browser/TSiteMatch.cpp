// Site comparison through the public suffix list.
#include "browser/TSiteMatch.h"

#include <QHostAddress>

#include <libpsl.h>

#include <algorithm>

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

// The text of an address Qt refused. The engine takes some host names that Qt's stricter rules
// refuse ("forum-.example.net", "x.-.example.net", a label over 63 characters); Qt then keeps the
// text it was given only in its error message, as 'source was "TEXT"'.
QString RefusedText(const QUrl& address)
{
    if (address.isValid())
        return {};
    static const QString marker = QStringLiteral("source was \"");
    const QString error = address.errorString();
    const qsizetype at = error.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype start = at + marker.size();
    const qsizetype end = error.indexOf(QStringLiteral("\";"), start);
    return end < 0 ? QString() : error.mid(start, end - start);
}

// The host of an address Qt refused, read from the engine's text: lower case, and only when it is
// made of what the engine puts in a host name (letters, digits, ".", "-", "_"). Anything else
// could be shown to mislead, and gives none.
QString RefusedHost(const QUrl& address)
{
    const QString text = RefusedText(address);
    const qsizetype authority = text.indexOf(QStringLiteral("://"));
    if (authority < 0)
        return {};
    QString host = text.mid(authority + 3);
    for (const QChar end : {QLatin1Char('/'), QLatin1Char('?'), QLatin1Char('#')})
        if (const qsizetype cut = host.indexOf(end); cut >= 0)
            host.truncate(cut);
    if (const qsizetype user = host.lastIndexOf(QLatin1Char('@')); user >= 0)
        host.remove(0, user + 1);
    if (const qsizetype port = host.lastIndexOf(QLatin1Char(':')); port >= 0)
        host.truncate(port);
    host = host.toLower();
    const bool plain = !host.isEmpty() && std::all_of(host.cbegin(), host.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
               c == QLatin1Char('-') || c == QLatin1Char('_');
    });
    return plain ? host : QString();
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

bool TSiteMatch::SameSite(const QUrl& pageAddress, const QUrl& forumAddress)
{
    const QUrl page = SiteAddress(pageAddress);
    const QUrl forum = SiteAddress(forumAddress);
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

QString TSiteMatch::SiteName(const QUrl& shown)
{
    const QUrl address = SiteAddress(shown);
    if (address.isLocalFile())
        return address.toLocalFile();
    const QString host = AsciiHost(address);
    if (!host.isEmpty())
        return host;
    const QString text = IsWeb(address) ? QString() : address.toDisplayString();
    return text.isEmpty() ? Unshown() : text;
}

QString TSiteMatch::AsciiHost(const QUrl& shown)
{
    const QUrl address = SiteAddress(shown);
    if (!address.isValid())
        return RefusedHost(address);
    // The encoded form is the punycode form; IPv6 addresses come without their brackets.
    return address.host(QUrl::FullyEncoded).toLower();
}

QString TSiteMatch::Origin(const QUrl& shown)
{
    const QUrl address = SiteAddress(shown);
    if (address.isLocalFile())
        return QStringLiteral("file://");
    const QString host = AsciiHost(address);
    if (host.isEmpty())
        return IsWeb(address) ? Unshown() : address.scheme() + QLatin1Char(':');
    QString origin = address.scheme() + QStringLiteral("://");
    origin += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    const int defaultPort = address.scheme() == QLatin1String("https")  ? 443
                            : address.scheme() == QLatin1String("http") ? 80
                                                                        : -1;
    if (address.port() != -1 && address.port() != defaultPort)
        origin += QLatin1Char(':') + QString::number(address.port());
    return origin;
}

QUrl TSiteMatch::SiteAddress(const QUrl& address)
{
    if (address.scheme() != QLatin1String("blob"))
        return address;
    const QUrl maker(address.path());
    return IsWeb(maker) ? maker : address;
}

QString TSiteMatch::ReportedAddress(const QUrl& address)
{
    return address.isValid() ? address.toString(QUrl::FullyEncoded) : RefusedText(address);
}

QString TSiteMatch::Unshown()
{
    return QStringLiteral("an address that cannot be shown");
}
