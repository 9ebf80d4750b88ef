// The profile-file reader behind the branding configuration.
#include "core/UProfile.h"

#include <fstream>

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

} // namespace

std::string ReadProfileString(const std::string& fileName, std::string_view section, std::string_view key)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return {};
    section = Trim(section);
    key = Trim(key);
    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            const std::string_view name =
                text.substr(1, close == std::string_view::npos ? text.npos : close - 1);
            inSection = SameName(Trim(name), section);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t eq = text.find('=');
        if (eq == std::string_view::npos || !SameName(Trim(text.substr(0, eq)), key))
            continue;
        const std::string_view value = Unquote(Trim(text.substr(eq + 1)));
        return std::string(value.substr(0, MaxProfileValueLength));
    }
    return {};
}
