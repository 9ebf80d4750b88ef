// Utility routines: SplitFields and the e-mail address scanner (OpenInBrowser lives in UOpenInBrowser.cpp).
#include "core/UUtils.h"

#include "core/UErrors.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void SplitFields(char separator, const std::string& line, std::vector<std::string>& fields)
{
    fields.clear();
    std::size_t start = 0;
    for (std::size_t pos = line.find(separator); pos != std::string::npos;
         pos = line.find(separator, start)) {
        fields.emplace_back(line, start, pos - start);
        start = pos + 1;
    }
    if (start < line.size())
        fields.emplace_back(line, start);
}

namespace {

// Character classes of the address pattern: the part before "@" also allows '.', the domain does not.
enum : unsigned char { cDomain = 1, cLocal = 2 };

constexpr std::array<unsigned char, 256> MakeEmailClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-';
        if (word)
            classes[c] = cDomain | cLocal;
    }
    classes['.'] = cLocal;
    return classes;
}
constexpr auto EmailClasses = MakeEmailClasses();

bool Is(char c, unsigned char kind)
{
    return (EmailClasses[static_cast<unsigned char>(c)] & kind) != 0;
}

} // namespace

// "@" is in neither class, so for an "@" the only possible start is the beginning of the run of local
// characters right before it (bounded by `from`), and every start inside that run ends the local part at
// the same "@". The domain that a greedy match takes is fixed as well: the whole run of domain characters,
// then as many "." + non-empty run groups as follow. When an "@" fails, no start before it can succeed,
// so the search goes on with the next "@". Each character is looked at a bounded number of times:
// backward runs stop at the previous "@", forward runs stop at the next one.
TTextSpan FindEmail(std::string_view text, std::size_t from)
{
    const std::size_t size = text.size();
    for (std::size_t at = text.find('@', from); at != std::string_view::npos; at = text.find('@', at + 1)) {
        std::size_t start = at;
        while (start > from && Is(text[start - 1], cLocal))
            --start;
        if (start == at)
            continue;

        std::size_t end = at + 1;
        while (end < size && Is(text[end], cDomain))
            ++end;
        if (end == at + 1)
            continue;
        int groups = 0;
        while (end + 1 < size && text[end] == '.' && Is(text[end + 1], cDomain)) {
            end += 2;
            while (end < size && Is(text[end], cDomain))
                ++end;
            ++groups;
        }
        if (groups > 0)
            return {start, end - start};
    }
    return {size, 0};
}

std::vector<std::string> ExtractEmails(const std::string& text)
{
    std::vector<std::string> emails;
    for (TTextSpan found = FindEmail(text, 0); found.Len != 0; found = FindEmail(text, found.Pos + found.Len))
        emails.emplace_back(text, found.Pos, found.Len);
    return emails;
}

std::optional<TFileBytes> ReadWholeFile(const std::string& path, std::size_t maxSize)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw EFOpenError(path, "Not a regular file");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw EFOpenError(path, errno);
    }
    struct FdCloser
    {
        int Fd;
        ~FdCloser() { ::close(Fd); }
    } closer{fd};

    if (::fstat(fd, &info) != 0)
        throw EFOpenError(path, errno);
    if (S_ISDIR(info.st_mode))
        return std::nullopt;
    if (!S_ISREG(info.st_mode))
        throw EFOpenError(path, "Not a regular file");
    if (static_cast<std::uintmax_t>(info.st_size) > maxSize)
        throw EFOpenError(path, "The file is too large");

    // One spare byte so that reaching the expected size does not look like a full buffer; the loop copes
    // with files that grow while they are read, up to the size limit.
    std::size_t capacity = static_cast<std::size_t>(info.st_size) + 1;
    TFileBytes bytes{std::make_unique_for_overwrite<char[]>(capacity), 0};
    for (;;) {
        if (bytes.Size == capacity) {
            if (bytes.Size > maxSize)
                throw EFOpenError(path, "The file is too large");
            std::size_t grown = std::min(capacity * 2, maxSize + 1);
            auto larger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(larger.get(), bytes.Data.get(), bytes.Size);
            bytes.Data = std::move(larger);
            capacity = grown;
        }
        ssize_t got = ::read(fd, bytes.Data.get() + bytes.Size, capacity - bytes.Size);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EFOpenError(path, errno);
        }
        if (got == 0)
            break;
        bytes.Size += static_cast<std::size_t>(got);
    }
    if (bytes.Size > maxSize)
        throw EFOpenError(path, "The file is too large");
    return bytes;
}

std::string WithoutUserInfo(std::string_view address)
{
    const std::size_t slashes = address.find('/');
    if (slashes == std::string_view::npos || address.substr(slashes, 2) != "//" ||
        (slashes > 0 && address[slashes - 1] != ':'))
        return std::string(address);
    const std::size_t host = slashes + 2;
    const std::size_t end = std::min(address.find_first_of("/\\?#", host), address.size());
    // The last "@" of the authority: a password may hold an "@" of its own.
    const std::size_t at = address.substr(host, end - host).rfind('@');
    if (at == std::string_view::npos)
        return std::string(address);
    std::string result(address.substr(0, host));
    result += address.substr(host + at + 1);
    return result;
}
