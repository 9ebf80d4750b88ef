// Whether a page belongs to the same site as a forum's stored address: the same host, or the same
// registrable domain by the public suffix list (libpsl), so "www.example.org" and
// "forum.example.org" belong together while "example.org" and "example.net", or two sites under
// a shared suffix such as "github.io", do not. Written against libpsl rather than by hand: which
// part of a name is the public suffix is the list's knowledge, not ours. Host names shown to the
// user are in their ASCII form, so that a look-alike name cannot pass for the one it imitates.
#pragma once

#include <QString>
#include <QUrl>

class TSiteMatch
{
public:
    // A local page matches only a local forum; a web page matches a web forum on the same host or
    // registrable domain. IP addresses and names without a registrable domain ("localhost")
    // match only themselves, and a forum addressed by an IP address only on its own port. A plain
    // http page never matches an https forum: the password would travel unencrypted.
    static bool SameSite(const QUrl& page, const QUrl& forum);

    // The registrable domain of a host ("forum.example.co.uk" gives "example.co.uk"); empty for an
    // IP address, a public suffix itself, or a name the list does not place.
    static QString RegistrableDomain(const QString& host);

    // The address a forum's stored text stands for, completed as the address box completes it.
    static QUrl ForumAddress(const QString& stored);

    // How an address is named in the question: its host, or the file path of a local page;
    // Unshown() where no name can be had.
    static QString SiteName(const QUrl& address);

    // The host as the user is shown it: lower case, and in its ASCII (punycode) form when any of
    // its labels is not plain ASCII. Read from the address the engine reported where Qt refused
    // it; empty when there is none or it cannot be read.
    static QString AsciiHost(const QUrl& address);

    // The origin as the user is shown it: scheme, host in its ASCII form and a port other than the
    // scheme's default ("https://forum.example.org", "http://127.0.0.1:8080"); the file path's
    // scheme alone for a local page, the scheme for an address without a host, Unshown() for a
    // web address whose host cannot be had.
    static QString Origin(const QUrl& address);

    // The address whose site a document is on: its own, or for a blob: document the address of
    // the page that made it ("blob:https://forum.example.org/1f0c..." is on forum.example.org).
    static QUrl SiteAddress(const QUrl& address);

    // The address as the engine reported it, whole, also where Qt refused it.
    static QString ReportedAddress(const QUrl& address);

    // What names a site that cannot be named: "an address that cannot be shown".
    static QString Unshown();
};
