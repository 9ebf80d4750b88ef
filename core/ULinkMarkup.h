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

// Wraps every web address in UrlMarkup, and every e-mail address in the text around them in EmailMarkup.
// A web address runs from "http://" or "https://" (any case) up to the first byte 0-32 (space, tab, line
// break, control character) or the end, and then sheds from its end each . , ; : ! ? ' " and each
// closing bracket ) ] } > that has fewer opening partners than closing ones inside the address; what it
// sheds stays in the text after the markup. Commas and full stops inside an address stay.
std::string ConvertLinks(const std::string& text, const TFormat* format);
