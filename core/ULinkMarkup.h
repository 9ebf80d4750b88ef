// Link markup: rewrites the web and e-mail addresses of a text in a template's link syntax
// (an HTML anchor, a bulletin-board tag, ...). A null template means plain text: nothing is changed.
#pragma once

#include "core/UForums.h"

#include <string>

// LinkOpen + address + LinkMiddle + address + LinkEnd, the address trimmed of bytes 0-32 at both ends.
std::string UrlMarkup(const std::string& address, const TFormat* format);

// LinkOpen + Email + address + LinkMiddle + address + LinkEnd: the e-mail prefix goes into the link
// target only. The address is trimmed as in UrlMarkup.
std::string EmailMarkup(const std::string& address, const TFormat* format);

// Wraps every web address ("http://" or "https://", any case, up to the first space after it, or with no
// space left up to the first comma, or to the end) in UrlMarkup, and every e-mail address in the text
// around them in EmailMarkup.
std::string ConvertLinks(const std::string& text, const TFormat* format);
