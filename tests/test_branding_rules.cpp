// The branding decisions without a window: which caption, banner, links, skin and icon a
// configuration and its companion files give, with the draws taken from a fixed sequence.
#include "TestDir.h"
#include "core/UBranding.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

// Hands out the given draws in turn and records the count each draw was made from.
class TSequenceRandom : public TRandom
{
public:
    explicit TSequenceRandom(std::vector<int> draws) : FDraws(std::move(draws)) {}
    int Below(int count) override
    {
        Counts.push_back(count);
        const int draw = Counts.size() <= FDraws.size() ? FDraws[Counts.size() - 1] : 0;
        EXPECT_LT(draw, count);
        return draw;
    }
    std::vector<int> Counts;

private:
    std::vector<int> FDraws;
};

void Write(const TTestDir& dir, const std::string& name, const std::string& content)
{
    std::ofstream(dir.File(name), std::ios::binary) << content;
}

const std::string FourLinks = "Link1URL=http://1/\nLink1Name=L1\nLink2URL=http://2/\nLink2Name=L2\n"
                              "Link3URL=http://3/\nLink3Name=L3\nLink4URL=http://4/\nLink4Name=L4\n";

TEST(BrandingRules, ChoosesFromTheConfigurationAndTheFilesPresent)
{
    struct TCase
    {
        const char* Name;
        const char* Config; // nullptr: no "dbconfig.dat"
        std::vector<std::string> Files;
        std::vector<int> Draws;
        // Expected: draw counts, caption, banner place, path, address, image, decoding name, links,
        // skin and icon files (names relative to the directory).
        std::vector<int> Counts;
        std::string Caption;
        int Banner;
        std::string BannerPath, BannerURL, BannerImage, BannerFileName;
        TBrandingLink Link1, Link2;
        std::string SkinFile, IconFile;
    };
    const TCase cases[] = {
        {"no configuration",
         nullptr,
         {"dbimg1.dat", "dbskin.dat"},
         {},
         {},
         "",
         -1,
         "",
         "",
         "",
         "",
         {},
         {},
         "",
         ""},
        {"caption only", "AppName=Forum Pal\n", {}, {}, {}, "Forum Pal", -1, "", "", "", "", {}, {}, "", ""},
        {"second banner alone, image stored as the first",
         "BannerPath2=C:\\images\\Banner.JPG\nBannerURL2=http://b/\n",
         {"dbimg1.dat"},
         {0},
         {1},
         "",
         0,
         "C:\\images\\Banner.JPG",
         "http://b/",
         "dbimg1.dat",
         "Banner.JPG",
         {},
         {},
         "",
         ""},
        {"third of three banners, its image missing",
         "BannerPath1=a.bmp\nBannerURL1=http://a/\nBannerPath2=b.bmp\nBannerPath3=x:c.gif\n",
         {"dbimg1.dat", "dbimg2.dat"},
         {2},
         {3},
         "",
         2,
         "x:c.gif",
         "",
         "",
         "c.gif",
         {},
         {},
         "",
         ""},
        {"four links: the third, then the first of the rest",
         FourLinks.c_str(),
         {},
         {2, 0},
         {4, 3},
         "",
         -1,
         "",
         "",
         "",
         "",
         {"http://3/", "L3"},
         {"http://1/", "L1"},
         "",
         ""},
        {"four links: the first, then the last of the rest",
         FourLinks.c_str(),
         {},
         {0, 2},
         {4, 3},
         "",
         -1,
         "",
         "",
         "",
         "",
         {"http://1/", "L1"},
         {"http://4/", "L4"},
         "",
         ""},
        {"one link without a caption, a caption without a link",
         "Link3URL=http://3/\nLink1Name=One\n",
         {},
         {0},
         {1},
         "",
         -1,
         "",
         "",
         "",
         "",
         {"http://3/", ""},
         {},
         "",
         ""},
        {"icon by its file-name part, skin present",
         "IconPath=C:\\icons/app.ico\n",
         {"app.ico", "dbskin.dat"},
         {},
         {},
         "",
         -1,
         "",
         "",
         "",
         "",
         {},
         {},
         "dbskin.dat",
         "app.ico"},
        {"icon named but missing", "IconPath=app.ico\n", {}, {}, {}, "", -1, "", "", "", "", {}, {}, "", ""},
        {"icon path ending in a separator names no file",
         "IconPath=C:\\\n",
         {"dbskin.dat"},
         {},
         {},
         "",
         -1,
         "",
         "",
         "",
         "",
         {},
         {},
         "dbskin.dat",
         ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestDir dir;
        if (c.Config)
            Write(dir, "dbconfig.dat", std::string("[Settings]\n") + c.Config);
        for (const std::string& file : c.Files)
            Write(dir, file, "x");
        TSequenceRandom random(c.Draws);
        const TBranding b = ReadBranding(dir.Path(), random);
        const auto full = [&dir](const std::string& name) { return name.empty() ? name : dir.File(name); };
        EXPECT_EQ(b.Configured, c.Config != nullptr);
        EXPECT_EQ(b.ReadFailure, "");
        EXPECT_EQ(random.Counts, c.Counts);
        EXPECT_EQ(b.Caption, c.Caption);
        EXPECT_EQ(b.Banner, c.Banner);
        EXPECT_EQ(b.BannerPath, c.BannerPath);
        EXPECT_EQ(b.BannerURL, c.BannerURL);
        EXPECT_EQ(b.BannerImage, full(c.BannerImage));
        EXPECT_EQ(b.BannerFileName, c.BannerFileName);
        EXPECT_EQ(b.Link1.URL, c.Link1.URL);
        EXPECT_EQ(b.Link1.Name, c.Link1.Name);
        EXPECT_EQ(b.Link2.URL, c.Link2.URL);
        EXPECT_EQ(b.Link2.Name, c.Link2.Name);
        EXPECT_EQ(b.SkinFile, full(c.SkinFile));
        EXPECT_EQ(b.IconFile, full(c.IconFile));
    }
}

TEST(BrandingRules, AConfigurationThatCannotBeReadIsReportedAndNamesNothing)
{
    TTestDir dir;
    Write(dir, "dbconfig.dat", "[Settings]\nAppName=x\nLink1URL=http://1/\n" + std::string(70 * 1024, 'y'));
    Write(dir, "dbskin.dat", "x");
    TSequenceRandom random({});
    const TBranding b = ReadBranding(dir.Path(), random);
    EXPECT_TRUE(b.Configured);
    EXPECT_NE(b.ReadFailure.find("Cannot open file"), std::string::npos) << b.ReadFailure;
    EXPECT_EQ(b.Caption, "");
    EXPECT_EQ(b.Link1.URL, "");
    EXPECT_TRUE(random.Counts.empty());
    // The companion files are still looked for.
    EXPECT_EQ(b.SkinFile, dir.File("dbskin.dat"));
}

} // namespace
