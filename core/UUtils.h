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

// Opens `address` with the desktop's registered handler for HTML documents (the default application
// for text/html in the XDG mimeapps.list files). The handler's program is started detached, with the
// address, unchanged, as one argument. Returns false, starting nothing, when no handler is registered;
// true otherwise, whether or not the program could be started.
bool OpenInBrowser(const std::string& address);

// The command line OpenInBrowser would start for `address`: the program and its arguments as taken
// from the handler's Exec line, or nothing when no handler is registered.
std::vector<std::string> HtmlHandlerCommand(const std::string& address);
