// The banner pictures: the animated banner's timing rules on GIFs built here, and every still-image
// decoder on a good, a truncated and a corrupt file of its format.
#include "BrandingFiles.h"
#include "GuiTestSupport.h"

#include "toolkit/TBanner.h"
#include "toolkit/TPicture.h"

#include <gtest/gtest.h>

using namespace branding;

namespace {

TEST(GifBanner, ClampsFrameDelaysTo50Through10000Milliseconds)
{
    const std::pair<int, int> cases[] = {{0, 50},       {1, 50},       {4, 50},     {5, 50},
                                         {6, 60},       {10, 100},     {999, 9990}, {1000, 10000},
                                         {1001, 10000}, {65535, 10000}};
    for (auto [hundredths, ms] : cases)
        EXPECT_EQ(TGifBanner::FrameDelay(hundredths), ms) << hundredths;

    // The delays reach the frames as the file gives them, each clamped.
    TGifBanner banner;
    banner.LoadFromData(MakeGif(2, 2, {Solid(2, 2, 1, 0), Solid(2, 2, 2, 25), Solid(2, 2, 3, 5000)}));
    ASSERT_EQ(banner.FrameCount(), 3);
    EXPECT_EQ(banner.FrameDelayAt(0), 50);
    EXPECT_EQ(banner.FrameDelayAt(1), 250);
    EXPECT_EQ(banner.FrameDelayAt(2), 10000);
}

TEST(GifBanner, LoopsForEverWhateverTheRepeatCount)
{
    for (int loops : {-1, 0, 1, 3}) {
        QWidget panel;
        auto* banner = new TGifBanner(&panel);
        banner->LoadFromData(MakeGif(3, 2, {Solid(3, 2, 1, 10), Solid(3, 2, 2, 20)}, loops));
        EXPECT_FALSE(banner->IsAnimating()) << "not before it is visible";
        panel.show();
        EXPECT_TRUE(banner->IsAnimating()) << loops;
        QList<QRgb> seen;
        for (int step = 0; step < 7; ++step) {
            seen << banner->CurrentFrame().pixel(0, 0);
            banner->AdvanceFrame();
            EXPECT_TRUE(banner->IsAnimating()) << loops << " step " << step;
        }
        const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0);
        EXPECT_EQ(seen, (QList<QRgb>{red, green, red, green, red, green, red})) << loops;
        panel.hide();
        EXPECT_FALSE(banner->IsAnimating());
    }
}

TEST(GifBanner, OneFrameStandsStill)
{
    QWidget panel;
    auto* banner = new TGifBanner(&panel);
    banner->LoadFromData(MakeGif(2, 2, {Solid(2, 2, 3, 10)}, 0));
    panel.show();
    EXPECT_FALSE(banner->IsAnimating());
    banner->AdvanceFrame();
    EXPECT_EQ(banner->CurrentFrameIndex(), 0);
    EXPECT_EQ(banner->CurrentFrame().pixel(1, 1), qRgb(0, 0, 255));
}

TEST(GifBanner, TakesTheLogicalScreenSizeAndKeepsTransparency)
{
    // A frame smaller than the screen: the rest of the screen stays transparent.
    QByteArray gif = MakeGif(4, 3, {{10, QList<int>(12, 0), true}});
    TGifBanner banner;
    banner.resize(98, 140);
    banner.LoadFromData(gif);
    EXPECT_EQ(banner.size(), QSize(4, 3));
    EXPECT_EQ(qAlpha(banner.CurrentFrame().pixel(2, 1)), 0);
}

TEST(GifBanner, RefusesWhatIsNotACompleteGif)
{
    const QByteArray good = MakeGif(2, 2, {Solid(2, 2, 1, 10), Solid(2, 2, 2, 10)});
    const QByteArray cases[] = {
        good.left(good.size() / 2),         // truncated inside a frame
        good.left(12),                      // truncated inside the colour table
        QByteArray("GIF89b") + good.mid(6), // wrong signature
        MakeImage("bmp", QSize(2, 2)),      // another format
        QByteArray(),
    };
    for (const QByteArray& data : cases) {
        TGifBanner banner;
        try {
            banner.LoadFromData(data);
            ADD_FAILURE() << "accepted " << data.toHex().left(40).constData();
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "GIF image is not valid");
        }
        EXPECT_EQ(banner.FrameCount(), 0);
    }
}

// A GIF of a few hundred bytes with a huge logical screen and many one-pixel frames: every frame is kept
// as a whole screen, so it is refused before anything is decoded.
TEST(GifBanner, RefusesGifsWhoseFramesWouldNotFitInMemory)
{
    const auto gif = [](int width, int height, int frames) {
        QByteArray data = MakeGif(1, 1, QList<TGifFrameSpec>(frames, Solid(1, 1, 1, 10)));
        data[6] = char(width & 0xFF), data[7] = char(width >> 8);
        data[8] = char(height & 0xFF), data[9] = char(height >> 8);
        return data;
    };
    const QByteArray cases[] = {
        gif(4000, 4000, 40),  // 64 MB a frame: 2.5 GB in all
        gif(5000, 4000, 1),   // 20 megapixels
        gif(65535, 65535, 1), // the largest screen a GIF can claim
        gif(2048, 2048, 17),  // one frame more than 256 MiB holds
    };
    for (const QByteArray& data : cases) {
        ASSERT_LT(data.size(), 1024);
        TGifBanner banner;
        try {
            banner.LoadFromData(data);
            ADD_FAILURE() << "accepted " << data.toHex().left(20).constData();
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "GIF image is too large");
        }
        EXPECT_EQ(banner.FrameCount(), 0);
    }
}

TEST(DecodePicture, DecodesEachFormatByItsExtension)
{
    struct TCase
    {
        QString Name;
        QByteArray Data;
        QSize Size;
    };
    const TCase cases[] = {
        {QStringLiteral("a.bmp"), MakeImage("bmp", QSize(40, 20)), QSize(40, 20)},
        {QStringLiteral("a.BMP"), MakeImage("bmp", QSize(3, 5)), QSize(3, 5)},
        {QStringLiteral("a.ico"), MakeImage("ico", QSize(32, 32)), QSize(32, 32)},
        {QStringLiteral("a.jpg"), MakeImage("jpg", QSize(30, 12)), QSize(30, 12)},
        {QStringLiteral("a.Jpeg"), MakeImage("jpg", QSize(8, 9)), QSize(8, 9)},
        {QStringLiteral("a.wmf"), MakeWmf(), QSize(100, 50)},
        {QStringLiteral("a.emf"), MakeEmf(), QSize(100, 50)},
        // Without an extension the format is told from the content.
        {QStringLiteral("bmp"), MakeImage("bmp", QSize(7, 4)), QSize(7, 4)},
        {QStringLiteral("dir.d/jpg"), MakeImage("jpg", QSize(7, 4)), QSize(7, 4)},
        {QStringLiteral("w"), MakeWmf(), QSize(100, 50)},
        {QStringLiteral("e"), MakeEmf(), QSize(100, 50)},
        {QStringLiteral("g"), MakeGif(5, 6, {Solid(5, 6, 1, 10)}), QSize(5, 6)},
        {QStringLiteral("p"), MakeImage("png", QSize(9, 2)), QSize(9, 2)},
    };
    for (const TCase& c : cases) {
        try {
            const QImage image = DecodePicture(c.Data, QStringLiteral("/app/") + c.Name);
            EXPECT_EQ(image.size(), c.Size) << c.Name.toStdString();
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.Name.toStdString() << ": " << e.what();
        }
    }
    // The metafiles draw their red rectangle.
    EXPECT_EQ(QColor(DecodePicture(MakeWmf(), QStringLiteral("a.wmf")).pixel(50, 25)), QColor(Qt::red));
    EXPECT_EQ(QColor(DecodePicture(MakeEmf(), QStringLiteral("a.emf")).pixel(50, 25)), QColor(Qt::red));
}

TEST(DecodePicture, FailsWithTheDecodersMessage)
{
    struct TCase
    {
        QString Name;
        QByteArray Data;
        std::string Message;
    };
    const QByteArray bmp = MakeImage("bmp", QSize(40, 20));
    const QByteArray ico = MakeImage("ico", QSize(32, 32));
    const QByteArray jpg = MakeImage("jpg", QSize(40, 20));
    const QByteArray wmf = MakeWmf();
    const QByteArray emf = MakeEmf();
    QByteArray cursor = ico;
    cursor[2] = 2;
    const TCase cases[] = {
        {QStringLiteral("a.bmp"), "XX" + bmp.mid(2), "Bitmap image is not valid"},
        {QStringLiteral("a.ico"), cursor, "Icon image is not valid"},
        {QStringLiteral("a.jpg"), jpg.left(jpg.size() - 2), "JPEG image is not valid"},
        {QStringLiteral("a.jpeg"), bmp, "JPEG image is not valid"},
        {QStringLiteral("a.wmf"), wmf.left(wmf.size() - 4), "Metafile is not valid"},
        {QStringLiteral("a.wmf"), wmf.left(22) + QByteArray(18, '\x7f') + wmf.mid(40),
         "Metafile is not valid"},
        {QStringLiteral("a.emf"), emf.left(40) + "XEMF" + emf.mid(44), "Metafile is not valid"},
        {QStringLiteral("a.b.Tiff"), bmp, "Unknown picture file extension (.Tiff)"},
        {QStringLiteral("noext"), QByteArray("plain text, not a picture"),
         "The picture's format is not recognised"},
        {QStringLiteral("noext"), jpg.left(jpg.size() / 2), "JPEG image is not valid"},
    };
    for (const TCase& c : cases) {
        try {
            DecodePicture(c.Data, c.Name);
            ADD_FAILURE() << c.Name.toStdString() << " accepted; expected " << c.Message;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.what(), c.Message) << c.Name.toStdString();
        }
    }
}

TEST(DecodeIcon, AcceptsHeaderTypesZeroAndOne)
{
    QByteArray ico = MakeImage("ico", QSize(16, 16));
    EXPECT_FALSE(DecodeIcon(ico).isNull());
    ico[2] = 0;
    EXPECT_FALSE(DecodeIcon(ico).isNull());
    ico[2] = 2;
    EXPECT_THROW(DecodeIcon(ico), EInvalidGraphic);
}

} // namespace
