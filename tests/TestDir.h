// Test helpers: a private temporary directory per test, and whole-file reads and writes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TTestDir
{
public:
    TTestDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "threadwick-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TTestDir()
    {
        std::error_code ignored;
        // Make read-only subdirectories removable again before removing everything.
        for (auto& entry : std::filesystem::recursive_directory_iterator(FPath, ignored))
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(FPath, ignored);
    }
    TTestDir(const TTestDir&) = delete;
    TTestDir& operator=(const TTestDir&) = delete;

    // With a trailing '/', as the program passes the application directory.
    std::string Path() const { return FPath + "/"; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
