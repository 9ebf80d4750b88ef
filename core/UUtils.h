// Utility routines: splitting a caret record line into fields and finding e-mail addresses in a text.
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
