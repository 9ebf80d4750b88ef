// Reading one value from an INI-form profile file ("dbconfig.dat"), the way the branding reads its
// configuration: one key at a time, straight from the file, with an empty default.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Longest value handed out; the rest of a longer value is dropped.
inline constexpr std::size_t MaxProfileValueLength = 2047;

// The value of `key` in `section` of the profile file `fileName`, or "" when the file, the section or
// the key is missing. Section and key names match without regard to ASCII letter case; blanks around
// names and values are dropped; a value wrapped in a matching pair of double or single quotes loses
// them; lines whose first non-blank character is ';' are comments; the first occurrence of a key wins,
// even when its section appears more than once. The value is cut to MaxProfileValueLength bytes.
std::string ReadProfileString(const std::string& fileName, std::string_view section, std::string_view key);
