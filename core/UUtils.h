// Utility routines: splitting a caret record line into fields, finding e-mail addresses in a text, and
// opening an address in the user's own web browser.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Empties `fields`, then fills it with the pieces of `line` between separators. Every separator closes a
// field, even an empty one; the text after the last separator is a field only when it is not empty.
void SplitFields(char separator, const std::string& line, std::vector<std::string>& fields);

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

// True for an address that may be handed to another program: an absolute http or https address
// ("http://" with a host) or a file address ("file:/..."), scheme in any case, without control
// characters. Anything else (a relative name, a leading "-" that a program would take for an option,
// "javascript:", "mailto:") is refused, so that text from a configuration file can never become a
// command-line option or run as script in the user's browser.
bool IsOpenableAddress(std::string_view address);

// Opens `address` with the desktop's handler for HTML documents (the default application for text/html
// by the XDG rules). The handler is started detached, with the address, unchanged, as one URI; nothing
// goes through a shell, and the program never waits for it. Returns false, starting nothing, when the
// address is not openable or no handler exists; true otherwise, whether or not the start succeeded.
bool OpenInBrowser(const std::string& address);
