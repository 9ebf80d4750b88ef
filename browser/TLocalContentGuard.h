// Keeps local pages inert: a page loaded from a file may show itself and its own local
// sub-resources, but nothing it runs or contains reaches the network. The engine's settings
// already refuse most of it; this interceptor on the profile covers every request they do not
// (WebSocket, beacons, pings, forms and navigations started by the page).
#pragma once

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
    static bool Refused(bool topLevel, const QUrl& firstParty, const QUrl& initiator, const QUrl& request);
};
