// The branding of a copy, decided from the optional "dbconfig.dat" and its companion files in the
// application directory: the caption, the banner, the two links, the skin and the icon. Nothing here
// touches a window; the main window applies the result.
#pragma once

#include <random>
#include <string>
#include <string_view>

// A source of uniform draws. The program's is seeded from the clock; tests give a fixed sequence.
class TRandom
{
public:
    virtual ~TRandom() = default;
    // A uniform draw from 0 to count - 1; count is at least 1.
    virtual int Below(int count) = 0;
};

// The program's source: a Mersenne twister seeded from the system clock when it is made, so that
// successive starts rotate through the banners and links.
class TClockRandom : public TRandom
{
public:
    TClockRandom();
    int Below(int count) override;

private:
    std::mt19937 FGenerator;
};

struct TBrandingLink
{
    std::string URL, Name;
};

// What the branding chose. Paths are full paths in the application directory.
struct TBranding
{
    // "dbconfig.dat" exists: the window is branded, and its link labels take Link1 and Link2 even
    // when they are empty. Without it every other field is empty and the window stays as laid out.
    bool Configured = false;
    // The message of a configuration that could not be read; the branding then goes on as if it named
    // nothing.
    std::string ReadFailure;
    std::string Caption;     // "AppName"; empty keeps the window's own
    std::string AffiliateID; // "AfiliateID"; empty keeps the window's own
    // The banner drawn from the candidates 1 to 3 that have a path: its place among those candidates
    // (-1 when there is none), its path and address as configured, the stored image it is decoded
    // from (dbimgN.dat, N = place + 1; empty when that file does not exist) and the file name whose
    // extension picks the decoder.
    int Banner = -1;
    std::string BannerPath, BannerURL;
    std::string BannerImage;
    std::string BannerFileName;
    // Two different links drawn from the candidates 1 to 4 that have an address; empty when fewer.
    TBrandingLink Link1, Link2;
    std::string SkinFile; // "dbskin.dat" when it exists
    std::string IconPath; // "IconPath" as configured
    std::string IconFile; // the file-name part of IconPath when such a file exists
};

// Reads the branding from `directory` (with a trailing separator), drawing banner and links from
// `random`. Only the configuration is read; the companion files are only looked for.
TBranding ReadBranding(const std::string& directory, TRandom& random);

// The file-name part of a name from the configuration: what follows its last backslash, colon or
// slash. Such files are always looked up in the application directory.
std::string_view FileNamePart(std::string_view name);
