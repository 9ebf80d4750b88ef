// The profile-file reader behind the branding configuration.
#include "core/UProfile.h"

#include "core/UErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The file's bytes; empty when there is no file or a directory at the path. Only a regular file of at
// most MaxProfileFileSize bytes is read, so that neither a FIFO nor a device can stall start-up.
std::string ReadProfileFile(const std::string& fileName)
{
    struct stat info;
    if (::stat(fileName.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw EFOpenError(fileName, "Not a regular file");
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw EFOpenError(fileName, errno);
    }
    const std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { ::close(*f); });
    if (::fstat(fd, &info) != 0)
        throw EFOpenError(fileName, errno);
    if (S_ISDIR(info.st_mode))
        return {};
    if (!S_ISREG(info.st_mode))
        throw EFOpenError(fileName, "Not a regular file");

    // One byte more than the limit tells a file that grew past it while being read.
    std::string text(MaxProfileFileSize + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        ssize_t got = ::read(fd, text.data() + size, text.size() - size);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EFOpenError(fileName, errno);
        }
        if (got == 0)
            break;
        size += static_cast<std::size_t>(got);
    }
    if (size > MaxProfileFileSize)
        throw EFOpenError(fileName, "The file is too large");
    text.resize(size);
    return text;
}

} // namespace

TProfile::TProfile(const std::string& fileName)
{
    const std::string text = ReadProfileFile(fileName);
    std::string_view rest(text);
    // Editors on some systems start a UTF-8 file with a byte-order mark; it is not part of the first line.
    if (rest.starts_with("\xEF\xBB\xBF"))
        rest.remove_prefix(3);

    std::string section;
    bool haveSection = false;
    for (std::size_t number = 1; !rest.empty(); ++number) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.size() > MaxProfileLineLength)
            throw EFOpenError(fileName, "Line " + std::to_string(number) + " is longer than " +
                                            std::to_string(MaxProfileLineLength / 1024) + " KiB");

        const std::string_view content = Trim(line);
        if (content.empty() || content.front() == ';')
            continue;
        if (content.front() == '[') {
            const std::size_t close = content.find(']');
            section = Trim(content.substr(1, close == std::string_view::npos ? content.npos : close - 1));
            haveSection = true;
            continue;
        }
        const std::size_t eq = content.find('=');
        if (!haveSection || eq == std::string_view::npos)
            continue;
        const std::string_view value = Unquote(Trim(content.substr(eq + 1)));
        FEntries.push_back({section, std::string(Trim(content.substr(0, eq))),
                            std::string(value.substr(0, MaxProfileValueLength))});
    }
}

std::string TProfile::ReadString(std::string_view section, std::string_view key) const
{
    section = Trim(section);
    key = Trim(key);
    for (const TEntry& entry : FEntries)
        if (SameName(entry.Section, section) && SameName(entry.Key, key))
            return entry.Value;
    return {};
}
