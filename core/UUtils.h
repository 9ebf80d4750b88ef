// Utility routines: splitting a caret record line into fields, finding e-mail addresses in a text, and
// opening an address in the user's own web browser.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Empties `fields`, then fills it with the pieces of `line` between separators. Every separator closes a
// field, even an empty one; the text after the last separator is a field only when it is not empty.
void SplitFields(char separator, const std::string& line, std::vector<std::string>& fields);

// A file's bytes as read.
struct TFileBytes
{
    std::unique_ptr<char[]> Data;
    std::size_t Size = 0;
};

// The whole file of at most `maxSize` bytes, or nothing when there is no file (or a directory) at
// the path. Only a regular file is read: a FIFO would block start-up and a device could feed bytes
// without end. The path is looked at before it is opened, so that no device is opened at all, and
// opened without blocking in case it was swapped for a FIFO in between. Throws EFOpenError ("Cannot
// open file "PATH". reason") for a file that cannot be read, is not a regular file or is larger than
// `maxSize`.
std::optional<TFileBytes> ReadWholeFile(const std::string& path, std::size_t maxSize);

// Every e-mail address in `text`, in order, repeats included. An address is a match of
// [_a-zA-Z\d\-\.]+@[_a-zA-Z\d\-]+(\.[_a-zA-Z\d\-]+)+ found leftmost first and greedily; each search
// resumes right after the previous match.
std::vector<std::string> ExtractEmails(const std::string& text);

struct TTextSpan
{
    std::size_t Pos = 0;
    std::size_t Len = 0;
};

// The first e-mail address in `text` at or after `from`, with ExtractEmails' rules; Len is 0 when there is
// none. Runs in time linear in the text searched.
TTextSpan FindEmail(std::string_view text, std::size_t from);

// `c` in lower case when it is an ASCII capital letter; any other byte unchanged.
inline char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True for the bytes 0 to 32: the control characters and the space.
inline bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// `text` without the bytes at either end for which `blank` is true (by default the bytes 0 to 32).
inline std::string_view Trim(std::string_view text, bool (*blank)(char) = IsBlankOrControl)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// True when `text` holds `prefix` at `pos`, ignoring the case of ASCII letters; `prefix` is lower case.
inline bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix)
{
    if (pos > text.size() || text.size() - pos < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(text[pos + i]) != prefix[i])
            return false;
    return true;
}

// `address` without the user name and password before its host ("http://user:pw@host/" gives
// "http://host/"): what lies between the "//" that begins the authority (the first "/" of the
// address, after the scheme's ":" if any) and the last "@" of the authority, which ends at the first
// "/", backslash, "?" or "#". Any other address comes back as it is.
std::string WithoutUserInfo(std::string_view address);

// How an address leaves the program: refused, to the desktop's web browser, or to its mail program.
enum class TOutsideKind { Refused, Web, Mail };

struct TOutsideAddress
{
    TOutsideKind Kind = TOutsideKind::Refused;
    std::string Address; // as it is handed on; empty when refused
};

// Whether and how an address from a configuration file (which anyone may hand a user) may be handed to
// another program. Refused: an empty address, one that starts with "-" or a blank (a program would take
// it for an option), one holding control characters, and every scheme but these: "http://" and
// "https://" with a host; "file:" naming an existing ".html" or ".htm" file on this computer;
// "mailto:" (to the mail program). An address without a scheme that starts with a host name
// ("www.sponsor.com", "sponsor.com/offer") is a web address and gets "http://" in front. Schemes in
// any case.
TOutsideAddress OutsideAddress(std::string_view address);

// True when OutsideAddress does not refuse the address.
bool IsOpenableAddress(std::string_view address);

// Opens `address` outside the program: a web or file address with the desktop's handler for HTML
// documents (the default application for text/html by the XDG rules), a "mailto:" address with its
// handler for x-scheme-handler/mailto. The handler is started detached, with the address as
// OutsideAddress hands it on, as one URI; nothing goes through a shell, and the program never waits
// for it. Returns false, starting nothing, when the address is refused or no handler exists; true
// otherwise, whether or not the start succeeded.
bool OpenInBrowser(const std::string& address);

// OpenInBrowser for a click that must not do nothing in silence: an address that has no program
// registered to open it fails with ENoHandlerError, which says how to register one. A refused
// address still starts nothing and says nothing.
void OpenInBrowserOrSay(const std::string& address);
