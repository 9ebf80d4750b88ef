// Keeps local pages inert: a page loaded from a file may show itself and its own local
// sub-resources, but nothing it runs or contains reaches the network. The engine's settings
// already refuse most of it; this interceptor on the profile covers every request they do not
// (WebSocket, beacons, pings, forms and navigations started by the page). It also keeps the
// program's built-in resources (qrc:) from every page but the program's own.
#pragma once

#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

class TLocalContentGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether a request for request, made inside the page at firstParty on behalf of initiator
    // (the origin of the frame that started it; empty for a navigation the user started), is
    // refused: any request that leaves the computer, when a local page started it or, for the
    // parts of a page (not a new top-level page), lies in it.
    // A request for a built-in resource is refused unless the program's own page makes it.
    static bool Refused(bool topLevel, const QUrl& firstParty, const QUrl& initiator, const QUrl& request);

    // Whether a page is one of the program's own: a built-in one, or a file in the program's
    // directory (where the practice forum lives). Only these local pages run scripts.
    static bool IsOwnPage(const QUrl& page);
    // Test hook: the directories whose files count as the program's own (by default the
    // program's directory alone).
    static void SetOwnDirectories(const QStringList& directories);
};
