// The profile-file reader that the branding configuration is read with.
#include "TestDir.h"
#include "core/UErrors.h"
#include "core/UProfile.h"

#include <gtest/gtest.h>

namespace {

TEST(Profile, FollowsTheProfileFileRules)
{
    struct TCase
    {
        const char* Name;
        std::string Text;
        std::string Key;
        std::string Value;
    };
    const TCase cases[] = {
        {"plain", "[Settings]\nAppName=Forum Pal\n", "AppName", "Forum Pal"},
        {"section case", "[sEtTiNgS]\nAppName=x\n", "AppName", "x"},
        {"key case", "[Settings]\nAPPNAME=x\n", "appname", "x"},
        {"blanks", "  [ Settings ]  \n \t AppName \t=  a b \t\n", "AppName", "a b"},
        {"double quotes", "[Settings]\nAppName=\" padded \"\n", "AppName", " padded "},
        {"single quotes", "[Settings]\nAppName='x'\n", "AppName", "x"},
        {"unmatched quotes kept", "[Settings]\nAppName=\"x'\n", "AppName", "\"x'"},
        {"inner quotes kept", "[Settings]\nAppName=a \"b\"\n", "AppName", "a \"b\""},
        {"one quote kept", "[Settings]\nAppName=\"\n", "AppName", "\""},
        {"comment", "[Settings]\n;AppName=hidden\n  ; AppName=hidden\nAppName=shown\n", "AppName", "shown"},
        {"first wins", "[Settings]\nAppName=first\nAppName=second\n", "AppName", "first"},
        {"first wins across repeated sections", "[Settings]\nA=1\n[Other]\nB=2\n[Settings]\nA=3\nB=4\n", "B",
         "4"},
        {"other section", "[Other]\nAppName=x\n[Settings]\n", "AppName", ""},
        {"before any section", "AppName=x\n[Settings]\n", "AppName", ""},
        {"missing key", "[Settings]\nAppName=x\n", "IconPath", ""},
        {"empty value", "[Settings]\nAppName=\nAppName=late\n", "AppName", ""},
        {"crlf", "[Settings]\r\nAppName=x\r\n", "AppName", "x"},
        {"byte-order mark skipped", "\xEF\xBB\xBF[Settings]\r\nAppName=x\r\n", "AppName", "x"},
        {"byte-order mark only at the start",
         "[Settings]\n\xEF\xBB\xBF"
         "AppName=x\n",
         "AppName", ""},
        {"equals in value", "[Settings]\nLink1URL=http://a/?b=c\n", "Link1URL", "http://a/?b=c"},
        {"no equals sign", "[Settings]\nAppName\nAppName=x\n", "AppName", "x"},
        {"prefix is not the key", "[Settings]\nBannerPath10=x\n", "BannerPath1", ""},
        {"cut to 2047", "[Settings]\nAppName=" + std::string(3000, 'v') + "\n", "AppName",
         std::string(2047, 'v')},
        {"cut after unquoting", "[Settings]\nAppName=\"" + std::string(2100, 'q') + "\"\n", "AppName",
         std::string(2047, 'q')},
    };
    TTestDir dir;
    for (const TCase& c : cases) {
        WriteFileBytes(dir.File("dbconfig.dat"), c.Text);
        EXPECT_EQ(TProfile(dir.File("dbconfig.dat")).ReadString("Settings", c.Key), c.Value) << c.Name;
    }
}

TEST(Profile, MissingFileOrDirectoryGivesEmpty)
{
    TTestDir dir;
    EXPECT_EQ(TProfile(dir.File("absent.dat")).ReadString("Settings", "AppName"), "");
    EXPECT_EQ(TProfile(dir.Path()).ReadString("Settings", "AppName"), "");
}

// A file far larger than any configuration, or with a line far longer than any value, is refused whole
// rather than read: the branding goes on without it.
TEST(Profile, RefusesOversizedFilesAndLines)
{
    struct TCase
    {
        const char* Name;
        std::string Text;
        std::string Reason; // "" when read
    };
    const std::string head = "[Settings]\nAppName=x\n";
    const TCase cases[] = {
        {"1 MiB", head + std::string(MaxProfileFileSize - head.size(), '\n'), ""},
        {"above 1 MiB", head + std::string(MaxProfileFileSize - head.size() + 1, '\n'),
         "The file is too large"},
        {"64 KiB line", head + "A=" + std::string(MaxProfileLineLength - 2, 'v') + "\n", ""},
        {"longer line", head + "A=" + std::string(MaxProfileLineLength - 1, 'v') + "\n",
         "Line 3 is longer than 64 KiB"},
        {"longer last line without line end", head + std::string(MaxProfileLineLength + 1, ';'),
         "Line 3 is longer than 64 KiB"},
    };
    TTestDir dir;
    for (const TCase& c : cases) {
        const std::string path = dir.File("dbconfig.dat");
        WriteFileBytes(path, c.Text);
        std::string message;
        try {
            EXPECT_EQ(TProfile(path).ReadString("Settings", "AppName"), "x") << c.Name;
        } catch (const EFOpenError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, c.Reason.empty() ? "" : "Cannot open file \"" + path + "\". " + c.Reason)
            << c.Name;
    }
}

} // namespace
