// Reading an INI-form profile file ("dbconfig.dat"), the way the branding reads its configuration:
// values of keys in sections, with an empty default.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Longest value handed out; the rest of a longer value is dropped.
inline constexpr std::size_t MaxProfileValueLength = 2047;
// Largest profile file and longest line that are read: a configuration is a few dozen short lines, and a
// file far beyond that is not one.
inline constexpr std::size_t MaxProfileFileSize = 1024 * 1024;
inline constexpr std::size_t MaxProfileLineLength = 64 * 1024;

// A profile file, read once when made; values are then looked up without touching the file again.
class TProfile
{
public:
    // Reads `fileName`. A missing file, or a directory in its place, gives a profile without keys. Throws
    // EFOpenError ("Cannot open file "PATH". reason") for a file that cannot be read, is not a regular
    // file, is larger than MaxProfileFileSize or has a line longer than MaxProfileLineLength.
    explicit TProfile(const std::string& fileName);

    // The value of `key` in `section`, or "" when the section or the key is missing. Section and key
    // names match without regard to ASCII letter case; blanks around names and values are dropped; a
    // value wrapped in a matching pair of double or single quotes loses them; lines whose first non-blank
    // character is ';' are comments; the first occurrence of a key wins, even when its section appears
    // more than once. A UTF-8 byte-order mark at the start of the file is skipped. The value is cut to
    // MaxProfileValueLength bytes.
    std::string ReadString(std::string_view section, std::string_view key) const;

private:
    struct TEntry
    {
        std::string Section, Key, Value;
    };
    std::vector<TEntry> FEntries; // in file order
};
