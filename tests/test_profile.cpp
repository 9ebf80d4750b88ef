// The profile-file reader that the branding configuration is read with.
#include "TestDir.h"
#include "core/UProfile.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadProfileString, FollowsTheProfileFileRules)
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
        EXPECT_EQ(ReadProfileString(dir.File("dbconfig.dat"), "Settings", c.Key), c.Value) << c.Name;
    }
}

TEST(ReadProfileString, MissingFileOrDirectoryGivesEmpty)
{
    TTestDir dir;
    EXPECT_EQ(ReadProfileString(dir.File("absent.dat"), "Settings", "AppName"), "");
    EXPECT_EQ(ReadProfileString(dir.Path(), "Settings", "AppName"), "");
}

} // namespace
