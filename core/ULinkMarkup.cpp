// Link markup conversion. Works on positions in the input, so the cost is linear in the text and the
// markup produced.
#include "core/ULinkMarkup.h"

#include "core/UUtils.h"

#include <string_view>

namespace {

// Start of the first web address at or after `from`, or npos.
std::size_t FindWebAddress(std::string_view text, std::size_t from)
{
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        if (LowerAscii(text[pos]) != 'h')
            continue;
        if (StartsWithNoCase(text, pos, "http://") || StartsWithNoCase(text, pos, "https://"))
            return pos;
    }
    return std::string_view::npos;
}

void AppendUrlMarkup(std::string& out, std::string_view address, const TFormat& format)
{
    address = Trim(address);
    out += format.LinkOpen;
    out += address;
    out += format.LinkMiddle;
    out += address;
    out += format.LinkEnd;
}

void AppendEmailMarkup(std::string& out, std::string_view address, const TFormat& format)
{
    address = Trim(address);
    out += format.LinkOpen;
    out += format.Email;
    out += address;
    out += format.LinkMiddle;
    out += address;
    out += format.LinkEnd;
}

// Copies a stretch of the user's own text, each e-mail address in it replaced by its markup.
void AppendPlainText(std::string& out, std::string_view text, const TFormat& format)
{
    std::size_t copied = 0;
    for (TTextSpan found = FindEmail(text, 0); found.Len != 0;
         found = FindEmail(text, found.Pos + found.Len)) {
        out.append(text.substr(copied, found.Pos - copied));
        AppendEmailMarkup(out, text.substr(found.Pos, found.Len), format);
        copied = found.Pos + found.Len;
    }
    out.append(text.substr(copied));
}

// Length of the web address at the start of `text`: up to the first blank or control character, less
// the punctuation that a reader sees as the sentence's (a full stop, a comma, a closing quotation mark)
// and each closing bracket whose opening partner lies outside the address.
std::size_t WebAddressLength(std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size() && !IsBlankOrControl(text[end]))
        ++end;
    constexpr std::string_view Punctuation = ".,;:!?'\"";
    constexpr std::string_view Openers = "([{<", Closers = ")]}>";
    // Brackets of each kind inside the address; shedding a closer lowers its count.
    std::size_t opened[Openers.size()] = {}, closed[Closers.size()] = {};
    for (std::size_t i = 0; i < end; ++i) {
        if (const std::size_t opener = Openers.find(text[i]); opener != std::string_view::npos)
            ++opened[opener];
        else if (const std::size_t closer = Closers.find(text[i]); closer != std::string_view::npos)
            ++closed[closer];
    }
    while (end > 0) {
        const char last = text[end - 1];
        if (Punctuation.find(last) != std::string_view::npos) {
            --end;
            continue;
        }
        const std::size_t k = Closers.find(last);
        if (k == std::string_view::npos || opened[k] >= closed[k])
            break;
        --closed[k];
        --end;
    }
    return end;
}

} // namespace

std::string UrlMarkup(const std::string& address, const TFormat* format)
{
    if (!format)
        return std::string(Trim(address));
    std::string out;
    AppendUrlMarkup(out, address, *format);
    return out;
}

std::string EmailMarkup(const std::string& address, const TFormat* format)
{
    if (!format)
        return std::string(Trim(address));
    std::string out;
    AppendEmailMarkup(out, address, *format);
    return out;
}

// E-mail addresses are converted only in the text around the web addresses, each where it stands: an
// address inside a web address (user@host in it) or inside the template's own markup is left alone,
// and an address that is the tail of a longer one is not converted twice.
std::string ConvertLinks(const std::string& text, const TFormat* format)
{
    if (!format)
        return text;
    const std::string_view input(text);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::size_t pos = 0;
    for (std::size_t start = FindWebAddress(input, 0); start != std::string_view::npos;
         start = FindWebAddress(input, pos)) {
        AppendPlainText(out, input.substr(pos, start - pos), *format);
        const std::size_t length = WebAddressLength(input.substr(start));
        AppendUrlMarkup(out, input.substr(start, length), *format);
        pos = start + length;
    }
    AppendPlainText(out, input.substr(pos), *format);
    return out;
}
