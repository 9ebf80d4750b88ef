// A stand-in for fsync that can make a directory flush fail, as on a file system that cannot flush
// one; every other fsync is the real one. A test program that includes this (in one source file
// only: it defines the wrapper) is linked with -Wl,--wrap=fsync.
#pragma once

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

// While set, flushing a directory fails with EIO.
inline std::atomic<bool> FailDirectoryFlush{false};

extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd)
{
    struct stat info;
    if (FailDirectoryFlush && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        errno = EIO;
        return -1;
    }
    return __real_fsync(fd);
}
