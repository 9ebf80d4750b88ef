// Reading "dbskin.dat" of any content: no skin, a skin, or ESkinError; nothing else.
#include "toolkit/TSkinContainer.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        (void)ReadSkinContainer(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const ESkinError&) {
    }
    return 0;
}
