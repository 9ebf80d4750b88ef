// Parsing a skin description of any content: a skin or ESkinError; nothing else.
#include "toolkit/TSkin.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        (void)TSkin::Parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const ESkinError&) {
    }
    return 0;
}
