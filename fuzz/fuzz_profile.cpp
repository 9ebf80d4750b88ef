// Reading "dbconfig.dat" of any content: the keys the branding reads, and one key named by the input's
// first line.
#include "FuzzSupport.h"
#include "core/UErrors.h"
#include "core/UProfile.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view firstLine = input.substr(0, input.find('\n'));
    const std::string path = WriteFuzzFile("dbconfig.dat", data, size);
    try {
        const TProfile profile(path);
        for (std::string_view key :
             {std::string_view("AppName"), std::string_view("Link1URL"), std::string_view("BannerImage1"),
              std::string_view("IconPath"), firstLine}) {
            const std::string value = profile.ReadString("Settings", key);
            if (value.size() > MaxProfileValueLength)
                std::abort();
            (void)profile.ReadString(firstLine, key);
        }
    } catch (const EFOpenError&) {
        // An oversized file or line: refused, as it should be.
    }
    return 0;
}
