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
        const char* Config = nullptr; // nullptr: no "dbconfig.dat"
        std::vector<std::string> Files = {};
        std::vector<int> Draws = {};
        // Expected: the counts the draws were made from, then what was chosen (files relative to the
        // directory).
        std::vector<int> Counts = {};
        std::string Caption = "";
        int Banner = -1;
        std::string BannerPath = "", BannerURL = "", BannerImage = "", BannerFileName = "";
        TBrandingLink Link1 = {}, Link2 = {};
        std::string SkinFile = "", IconFile = "";
    };
    const TCase cases[] = {
        {.Name = "no configuration", .Files = {"dbimg1.dat", "dbskin.dat"}},
        {.Name = "caption only", .Config = "AppName=Forum Pal\n", .Caption = "Forum Pal"},
        {.Name = "second banner alone, image stored as the first",
         .Config = "BannerPath2=C:\\images\\Banner.JPG\nBannerURL2=http://b/\n",
         .Files = {"dbimg1.dat"},
         .Draws = {0},
         .Counts = {1},
         .Banner = 0,
         .BannerPath = "C:\\images\\Banner.JPG",
         .BannerURL = "http://b/",
         .BannerImage = "dbimg1.dat",
         .BannerFileName = "Banner.JPG"},
        {.Name = "third of three banners, its image missing",
         .Config = "BannerPath1=a.bmp\nBannerURL1=http://a/\nBannerPath2=b.bmp\nBannerPath3=x:c.gif\n",
         .Files = {"dbimg1.dat", "dbimg2.dat"},
         .Draws = {2},
         .Counts = {3},
         .Banner = 2,
         .BannerPath = "x:c.gif",
         .BannerFileName = "c.gif"},
        {.Name = "four links: the third, then the first of the rest",
         .Config = FourLinks.c_str(),
         .Draws = {2, 0},
         .Counts = {4, 3},
         .Link1 = {"http://3/", "L3"},
         .Link2 = {"http://1/", "L1"}},
        {.Name = "four links: the first, then the last of the rest",
         .Config = FourLinks.c_str(),
         .Draws = {0, 2},
         .Counts = {4, 3},
         .Link1 = {"http://1/", "L1"},
         .Link2 = {"http://4/", "L4"}},
        {.Name = "one link without a caption, a caption without a link",
         .Config = "Link3URL=http://3/\nLink1Name=One\n",
         .Draws = {0},
         .Counts = {1},
         .Link1 = {"http://3/", ""}},
        {.Name = "icon by its file-name part, skin present",
         .Config = "IconPath=C:\\icons/app.ico\n",
         .Files = {"app.ico", "dbskin.dat"},
         .SkinFile = "dbskin.dat",
         .IconFile = "app.ico"},
        {.Name = "icon named but missing", .Config = "IconPath=app.ico\n"},
        {.Name = "icon path ending in a separator names no file",
         .Config = "IconPath=C:\\\n",
         .Files = {"dbskin.dat"},
         .SkinFile = "dbskin.dat"},
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
