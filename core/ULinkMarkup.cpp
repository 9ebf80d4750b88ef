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
    // With no space left after an address, a comma ends it; knowing where the last space is keeps the
    // search for the end of each address from scanning the whole rest of the text.
    const std::size_t lastSpace = input.rfind(' ');

    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::size_t pos = 0;
    for (std::size_t start = FindWebAddress(input, 0); start != std::string_view::npos;
         start = FindWebAddress(input, pos)) {
        AppendPlainText(out, input.substr(pos, start - pos), *format);
        std::size_t end;
        if (lastSpace != std::string_view::npos && lastSpace > start)
            end = input.find(' ', start);
        else
            end = input.find(',', start);
        if (end == std::string_view::npos)
            end = input.size();
        AppendUrlMarkup(out, input.substr(start, end - start), *format);
        pos = end;
    }
    AppendPlainText(out, input.substr(pos), *format);
    return out;
}
