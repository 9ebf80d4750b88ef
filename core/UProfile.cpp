// The profile-file reader behind the branding configuration.
#include "core/UProfile.h"

#include "core/UErrors.h"
#include "core/UUtils.h"

#include <optional>

namespace {

// Blanks around section names, keys and values: space, tab, CR, vertical tab and form feed.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view s)
{
    return Trim(s, IsBlank);
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

TProfile::TProfile(const std::string& fileName)
{
    // Only a regular file of at most MaxProfileFileSize bytes is read, so that neither a FIFO nor a
    // device can stall start-up; no file, or a directory in its place, is a profile without keys.
    const std::optional<TFileBytes> bytes = ReadWholeFile(fileName, MaxProfileFileSize);
    std::string_view rest = bytes ? std::string_view(bytes->Data.get(), bytes->Size) : std::string_view();
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

        const std::string_view content = TrimBlanks(line);
        if (content.empty() || content.front() == ';')
            continue;
        if (content.front() == '[') {
            const std::size_t close = content.find(']');
            section =
                TrimBlanks(content.substr(1, close == std::string_view::npos ? content.npos : close - 1));
            haveSection = true;
            continue;
        }
        const std::size_t eq = content.find('=');
        if (!haveSection || eq == std::string_view::npos)
            continue;
        const std::string_view value = Unquote(TrimBlanks(content.substr(eq + 1)));
        FEntries.push_back({section, std::string(TrimBlanks(content.substr(0, eq))),
                            std::string(value.substr(0, MaxProfileValueLength))});
    }
}

std::string TProfile::ReadString(std::string_view section, std::string_view key) const
{
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    for (const TEntry& entry : FEntries)
        if (SameName(entry.Section, section) && SameName(entry.Key, key))
            return entry.Value;
    return {};
}
