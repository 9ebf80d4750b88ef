// Reading the branding configuration and drawing the banner and the links.
#include "core/UBranding.h"

#include "core/UProfile.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

const char* const ConfigFile = "dbconfig.dat";
const char* const SkinFile = "dbskin.dat";
const char* const Section = "Settings";
constexpr int BannerCandidates = 3;
constexpr int LinkCandidates = 4;

// Only a file counts; a directory of that name does not.
bool FileExists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

} // namespace

TClockRandom::TClockRandom()
{
    const auto ticks =
        static_cast<unsigned long long>(std::chrono::system_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32)};
    FGenerator.seed(seed);
}

int TClockRandom::Below(int count)
{
    return std::uniform_int_distribution<int>(0, count - 1)(FGenerator);
}

std::string_view FileNamePart(std::string_view name)
{
    const std::size_t cut = name.find_last_of("\\:/");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

TBranding ReadBranding(const std::string& directory, TRandom& random)
{
    TBranding branding;
    const std::string configPath = directory + ConfigFile;
    if (!FileExists(configPath))
        return branding;
    branding.Configured = true;
    // The configuration is read once. One that is refused (too large, say) is reported, and the
    // branding goes on as if it named nothing.
    std::optional<TProfile> config;
    try {
        config.emplace(configPath);
    } catch (const std::exception& failure) {
        branding.ReadFailure = failure.what();
    }
    const auto read = [&config](const std::string& key) {
        return config ? config->ReadString(Section, key) : std::string();
    };

    branding.Caption = read("AppName");
    branding.AffiliateID = read("AfiliateID");

    std::vector<std::string> bannerPaths, bannerURLs;
    for (int n = 1; n <= BannerCandidates; ++n) {
        std::string path = read("BannerPath" + std::to_string(n));
        if (path.empty())
            continue;
        bannerPaths.push_back(std::move(path));
        bannerURLs.push_back(read("BannerURL" + std::to_string(n)));
    }
    if (!bannerPaths.empty()) {
        const int banner = random.Below(int(bannerPaths.size()));
        branding.Banner = banner;
        branding.BannerPath = bannerPaths[std::size_t(banner)];
        branding.BannerURL = bannerURLs[std::size_t(banner)];
        // The image is kept under a neutral name, numbered by the banner's place among the
        // candidates; the banner's own file name only picks the decoder, by its extension.
        const std::string stored = directory + "dbimg" + std::to_string(banner + 1) + ".dat";
        if (FileExists(stored))
            branding.BannerImage = stored;
        branding.BannerFileName = FileNamePart(branding.BannerPath);
    }

    std::vector<TBrandingLink> links;
    for (int n = 1; n <= LinkCandidates; ++n) {
        std::string url = read("Link" + std::to_string(n) + "URL");
        if (!url.empty())
            links.push_back({std::move(url), read("Link" + std::to_string(n) + "Name")});
    }
    if (!links.empty()) {
        const auto first = links.begin() + random.Below(int(links.size()));
        branding.Link1 = std::move(*first);
        links.erase(first);
    }
    if (!links.empty())
        branding.Link2 = std::move(links[std::size_t(random.Below(int(links.size())))]);

    if (FileExists(directory + SkinFile))
        branding.SkinFile = directory + SkinFile;

    branding.IconPath = read("IconPath");
    // An empty IconPath names no file: its file-name part would be the directory itself.
    if (!branding.IconPath.empty()) {
        const std::string icon = directory + std::string(FileNamePart(branding.IconPath));
        if (FileExists(icon))
            branding.IconFile = icon;
    }
    return branding;
}
