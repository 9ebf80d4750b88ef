// The browser profile every pane shares: cookies, cache and site data kept under the user's data
// directory, so a user stays logged in to the forums between runs. It belongs to the application
// object, not to a window, and outlives every page.
#pragma once

#include <QString>

class QWebEngineProfile;

class TBrowserProfile
{
public:
    // The shared profile, created and configured on first use.
    static QWebEngineProfile* Shared();

    // Where the profile keeps its data; an empty directory keeps nothing on disk. Takes effect
    // only before the profile is first used; by default it lies in the user's data directory.
    static void SetDirectory(const QString& directory);

    // The user-agent token the pane adds to the engine's own.
    static QString UserAgentToken();
};
