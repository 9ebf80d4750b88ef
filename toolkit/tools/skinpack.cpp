// Packs a skin description into a zlib stream: either bare (the program's built-in skin) or in a
// skin container as read at start-up from "dbskin.dat" (version, length, data; little-endian).
//   threadwick-skinpack --stream    SKIN.ini OUT
//   threadwick-skinpack --container SKIN.ini OUT
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t ContainerVersion = 3;

void PutLittleEndian(std::vector<unsigned char>& out, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(u >> (8 * i)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "--stream") != 0 && std::strcmp(argv[1], "--container") != 0)) {
        std::cerr << "usage: threadwick-skinpack --stream|--container SKIN.ini OUT\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::cerr << "threadwick-skinpack: cannot read " << argv[2] << "\n";
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    uLongf packedSize = compressBound(static_cast<uLong>(text.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), Z_BEST_COMPRESSION) != Z_OK) {
        std::cerr << "threadwick-skinpack: compression failed\n";
        return 1;
    }
    packed.resize(packedSize);

    std::vector<unsigned char> out;
    if (std::strcmp(argv[1], "--container") == 0) {
        PutLittleEndian(out, ContainerVersion);
        PutLittleEndian(out, static_cast<std::int32_t>(packed.size()));
    }
    out.insert(out.end(), packed.begin(), packed.end());
    std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) {
        std::cerr << "threadwick-skinpack: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
