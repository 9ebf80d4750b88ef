// OpenInBrowser: the desktop's handler for HTML documents, found and started by GIO, which implements the
// whole XDG lookup (desktop-specific lists, added and removed associations, the desktop files' MIME
// types) and the Exec line's field codes. Also the check that an address may leave the program.
#include "core/UUtils.h"

#include <gio/gio.h>

#include <memory>

bool IsOpenableAddress(std::string_view address)
{
    for (const char c : address)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    for (const std::string_view scheme : {"http://", "https://"})
        if (StartsWithNoCase(address, 0, scheme)) {
            const std::string_view rest = address.substr(scheme.size());
            return !rest.empty() && rest.find_first_of("/?#") != 0;
        }
    return StartsWithNoCase(address, 0, "file:/");
}

bool OpenInBrowser(const std::string& address)
{
    if (!IsOpenableAddress(address))
        return false;
    const std::unique_ptr<GAppInfo, void (*)(gpointer)> handler(
        g_app_info_get_default_for_type("text/html", FALSE), g_object_unref);
    if (!handler)
        return false;
    GList uris = {};
    uris.data = const_cast<char*>(address.c_str());
    GError* error = nullptr;
    // GIO starts the program through a double fork, so no child is left to reap; a failed start is the
    // handler's matter and is not reported.
    g_app_info_launch_uris(handler.get(), &uris, nullptr, &error);
    g_clear_error(&error);
    return true;
}
