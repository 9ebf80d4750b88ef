// Link markup with a template taken from the input: the first five NUL-ended pieces are the template's
// fields, the rest is the text. The same text with no template must come back unchanged.
#include "core/ULinkMarkup.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    TFormat format;
    std::string* fields[] = {&format.Name, &format.LinkOpen, &format.LinkMiddle, &format.LinkEnd,
                             &format.Email};
    std::size_t at = 0;
    for (std::string* field : fields) {
        std::size_t end = input.find('\0', at);
        if (end == std::string::npos)
            break;
        field->assign(input, at, end - at);
        at = end + 1;
    }
    const std::string text = input.substr(std::min(at, input.size()));
    (void)ConvertLinks(text, &format);
    if (ConvertLinks(text, nullptr) != text)
        std::abort();
    return 0;
}
