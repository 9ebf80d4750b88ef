// Addresses that leave the program: which may, and the desktop program that opens each. GIO finds and
// starts the handlers; it implements the whole XDG lookup (desktop-specific lists, added and removed
// associations, the desktop files' MIME types) and the Exec line's field codes. libpsl's list of
// public suffixes tells a host name written without a scheme ("sponsor.com") from a file name
// ("help.html").
#include "core/UUtils.h"

#include "core/UErrors.h"

#include <gio/gio.h>
#include <libpsl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::string_view WebSchemes[] = {"http://", "https://"};
constexpr std::string_view FileScheme = "file:";
constexpr std::string_view MailScheme = "mailto:";
constexpr std::string_view WebPrefix = "www.";

bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

const psl_ctx_t* SuffixList()
{
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

// True when `label` is a top-level domain of the public suffix list ("com", "de", "xn--p1ai"). Without
// a list, any label of letters counts.
bool IsTopLevelDomain(std::string_view label)
{
    std::string lower;
    for (const char c : label)
        lower += LowerAscii(c);
    if (const psl_ctx_t* list = SuffixList())
        return psl_is_public_suffix2(list, lower.c_str(), PSL_TYPE_ANY | PSL_TYPE_NO_STAR_RULE) != 0;
    return !lower.empty() && std::all_of(lower.begin(), lower.end(), IsAsciiLetter);
}

// True for a host name as people write one without a scheme: dot-separated labels of ASCII letters,
// digits and hyphens (none empty, none starting or ending with a hyphen), at least two of them, that
// either begin with "www." or end in a top-level domain; or four numbers 0-255 (an IPv4 address).
bool IsHostName(std::string_view host)
{
    std::vector<std::string_view> labels;
    for (std::size_t start = 0;;) {
        const std::size_t dot = host.find('.', start);
        labels.push_back(
            host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (labels.size() < 2)
        return false;
    bool numeric = true;
    for (const std::string_view label : labels) {
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (const char c : label) {
            if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-')
                return false;
            numeric = numeric && IsAsciiDigit(c);
        }
    }
    if (numeric)
        return labels.size() == 4 && std::all_of(labels.begin(), labels.end(), [](std::string_view label) {
                   return label.size() <= 3 && std::stoi(std::string(label)) <= 255;
               });
    return StartsWithNoCase(host, 0, WebPrefix) || IsTopLevelDomain(labels.back());
}

// True when `address` starts with a host name, optionally followed by a port, and then ends or goes on
// with a path, a query or a fragment: "www.sponsor.com", "sponsor.com:8080/offer?x=1".
bool StartsWithHostName(std::string_view address)
{
    std::size_t end = address.find_first_of(":/?#");
    if (!IsHostName(address.substr(0, end)))
        return false;
    if (end == std::string_view::npos || address[end] != ':')
        return true;
    std::size_t port = end + 1;
    while (port < address.size() && IsAsciiDigit(address[port]))
        ++port;
    return port > end + 1 &&
           (port == address.size() || std::string_view("/?#").find(address[port]) != std::string_view::npos);
}

bool HasHtmlExtension(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    std::string extension;
    for (const char c : name.substr(dot + 1))
        extension += LowerAscii(c);
    return extension == "html" || extension == "htm";
}

// True when the file address names an existing regular file on this computer whose name, and the name
// of the file that any links in its path lead to, end in ".html" or ".htm". Anything else (a script, a
// ".desktop" file, a directory) could be run or opened by another program.
bool IsLocalHtmlFile(const std::string& address)
{
    gchar* host = nullptr;
    const std::unique_ptr<gchar, void (*)(gpointer)> path(
        g_filename_from_uri(address.c_str(), &host, nullptr), g_free);
    const bool local = host == nullptr || std::string_view(host) == "localhost";
    g_free(host);
    if (!path || !local || !HasHtmlExtension(path.get()))
        return false;
    struct stat info;
    if (::stat(path.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const std::unique_ptr<char, void (*)(void*)> real(::realpath(path.get(), nullptr), std::free);
    return real && HasHtmlExtension(real.get());
}

} // namespace

TOutsideAddress OutsideAddress(std::string_view address)
{
    if (address.empty() || address.front() == '-' || IsBlankOrControl(address.front()) ||
        std::any_of(address.begin(), address.end(), IsControl))
        return {};
    for (const std::string_view scheme : WebSchemes)
        if (StartsWithNoCase(address, 0, scheme)) {
            const std::string_view rest = address.substr(scheme.size());
            if (rest.empty() || rest.find_first_of("/?#") == 0)
                return {};
            return {TOutsideKind::Web, std::string(address)};
        }
    if (StartsWithNoCase(address, 0, MailScheme))
        return address.size() > MailScheme.size() ? TOutsideAddress{TOutsideKind::Mail, std::string(address)}
                                                  : TOutsideAddress{};
    if (StartsWithNoCase(address, 0, FileScheme))
        return IsLocalHtmlFile(std::string(address))
                   ? TOutsideAddress{TOutsideKind::Web, std::string(address)}
                   : TOutsideAddress{};
    if (StartsWithHostName(address))
        return {TOutsideKind::Web, "http://" + std::string(address)};
    return {};
}

bool IsOpenableAddress(std::string_view address)
{
    return OutsideAddress(address).Kind != TOutsideKind::Refused;
}

bool OpenInBrowser(const std::string& address)
{
    const TOutsideAddress outside = OutsideAddress(address);
    if (outside.Kind == TOutsideKind::Refused)
        return false;
    // A web or file address goes to the handler for HTML documents, a mail address to the handler for
    // "mailto:" (the content type x-scheme-handler/mailto).
    const std::unique_ptr<GAppInfo, void (*)(gpointer)> handler(
        outside.Kind == TOutsideKind::Mail ? g_app_info_get_default_for_uri_scheme("mailto")
                                           : g_app_info_get_default_for_type("text/html", FALSE),
        g_object_unref);
    if (!handler)
        return false;
    GList uris = {};
    uris.data = const_cast<char*>(outside.Address.c_str());
    GError* error = nullptr;
    // GIO starts the program through a double fork, so no child is left to reap; a failed start is the
    // handler's matter and is not reported.
    g_app_info_launch_uris(handler.get(), &uris, nullptr, &error);
    g_clear_error(&error);
    return true;
}

void OpenInBrowserOrSay(const std::string& address)
{
    if (OpenInBrowser(address))
        return;
    const TOutsideAddress outside = OutsideAddress(address);
    if (outside.Kind != TOutsideKind::Refused)
        throw ENoHandlerError(outside.Address, outside.Kind == TOutsideKind::Mail);
}
