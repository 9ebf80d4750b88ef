// Helpers shared by the fuzz targets: writing an input to a private file, since the readers under test
// read files by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// A private directory for the life of the process, in memory when the system has one.
inline const std::string& FuzzDirectory()
{
    static const std::string directory = [] {
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/threadwick-fuzz-XXXXXX"
                                                              : "/tmp/threadwick-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern + "/";
    }();
    return directory;
}

// Replaces the file `name` in FuzzDirectory() with the given bytes and returns its path.
inline std::string WriteFuzzFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = FuzzDirectory() + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    return path;
}
