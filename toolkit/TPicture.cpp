// Picture decoders. Qt's image readers do bitmaps, icons, JPEG and GIF; Windows metafiles go through
// libwmf and enhanced metafiles through libemf2svg, both as SVG drawn by Qt SVG. Each format's block
// structure is walked before its decoder sees the data, so a truncated or malformed file fails with the
// decoder's message instead of showing half a picture (Qt fills missing JPEG and GIF data silently) or
// reaching a metafile library with lengths it would trust.
#include "toolkit/TPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const char* const BitmapInvalid = "Bitmap image is not valid";
const char* const IconInvalid = "Icon image is not valid";
const char* const JpegInvalid = "JPEG image is not valid";
const char* const MetafileInvalid = "Metafile is not valid";
const char* const GifInvalid = "GIF image is not valid";
const char* const GifTooLarge = "GIF image is too large";
const char* const FormatUnknown = "The picture's format is not recognised";

// Metafiles say how large they are; a banner is never larger than this on either side.
constexpr int MaxMetafileSide = 8192;
// Metafiles are drawn at the density the window is laid out at.
constexpr double LayoutDpi = 96.0;

// Little-endian reads that report running off the end instead of reading past it.
class TReader
{
public:
    explicit TReader(const QByteArray& data) : FData(data) {}
    qsizetype Pos() const { return FPos; }
    qsizetype Left() const { return FData.size() - FPos; }
    bool Has(qsizetype n) const { return n >= 0 && n <= Left(); }
    bool Skip(qsizetype n)
    {
        if (!Has(n))
            return false;
        FPos += n;
        return true;
    }
    bool Byte(unsigned& v) { return Get(1, v); }
    bool Word(unsigned& v) { return Get(2, v); }
    bool DWord(unsigned& v) { return Get(4, v); }
    unsigned At32(qsizetype pos) const { return Value(pos, 4); }
    unsigned At16(qsizetype pos) const { return Value(pos, 2); }

private:
    unsigned Value(qsizetype pos, int n) const
    {
        unsigned v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(FData[pos + i]);
        return v;
    }
    bool Get(int n, unsigned& v)
    {
        if (!Has(n))
            return false;
        v = Value(FPos, n);
        FPos += n;
        return true;
    }
    const QByteArray& FData;
    qsizetype FPos = 0;
};

// Qt's image reader over bytes in memory: of the given format only, or, without one, of whatever
// format Qt tells from the content.
class TMemoryImageReader
{
public:
    TMemoryImageReader(const QByteArray& data, const char* format)
    {
        FBuffer.setData(data);
        FBuffer.open(QIODevice::ReadOnly);
        FReader.setDevice(&FBuffer);
        if (format) {
            FReader.setFormat(format);
            FReader.setDecideFormatFromContent(false);
        }
    }
    QImageReader* operator->() { return &FReader; }

private:
    QBuffer FBuffer;
    QImageReader FReader; // after the buffer, so that it goes first
};

QImage ReadWithQt(const QByteArray& data, const char* format, const char* message)
{
    QImage image = TMemoryImageReader(data, format)->read();
    if (image.isNull())
        throw EInvalidGraphic(message);
    return image;
}

// --- Bitmap ---

// The file header, an info header, and the pixel rows that the headers promise.
bool BitmapComplete(const QByteArray& data)
{
    if (data.size() < 26 || !data.startsWith("BM"))
        return false;
    TReader r(data);
    const qint64 offBits = r.At32(10);
    const unsigned infoSize = r.At32(14);
    if (infoSize < 12 || 14 + qint64(infoSize) > data.size() || offBits > data.size())
        return false;
    if (infoSize == 12) // OS/2 core header: 16-bit sizes, never compressed
        return offBits + ((qint64(r.At16(18)) * r.At16(24) + 31) / 32) * 4 * r.At16(20) <= data.size();
    if (data.size() < 14 + 16)
        return false;
    const qint64 width = static_cast<std::int32_t>(r.At32(18));
    const qint64 height = static_cast<std::int32_t>(r.At32(22));
    const unsigned bitCount = r.At16(28);
    const unsigned compression = infoSize >= 20 ? r.At32(30) : 0;
    if (width <= 0 || height == 0)
        return false;
    // BI_RGB and BI_BITFIELDS store whole rows; run-length data is checked by the reader itself.
    if (compression != 0 && compression != 3)
        return true;
    // Divided rather than multiplied: the header's width and height can make the product overflow.
    const qint64 rowBytes = ((width * bitCount + 31) / 32) * 4;
    const qint64 rows = height < 0 ? -height : height;
    return rowBytes <= (data.size() - offBits) / rows;
}

QImage DecodeBitmap(const QByteArray& data)
{
    if (!BitmapComplete(data))
        throw EInvalidGraphic(BitmapInvalid);
    return ReadWithQt(data, "bmp", BitmapInvalid);
}

// --- Icon ---

// The 6-byte header with type 0 or 1, at least one directory entry, and every image inside the file.
bool IconComplete(const QByteArray& data)
{
    if (data.size() < 6)
        return false;
    TReader r(data);
    const unsigned type = r.At16(2);
    const unsigned count = r.At16(4);
    if (r.At16(0) != 0 || type > 1 || count == 0 || 6 + qint64(count) * 16 > data.size())
        return false;
    for (unsigned i = 0; i < count; ++i) {
        const qsizetype entry = 6 + qsizetype(i) * 16;
        const qint64 bytes = r.At32(entry + 8);
        const qint64 offset = r.At32(entry + 12);
        if (bytes == 0 || offset + bytes > data.size())
            return false;
    }
    return true;
}

// Qt's reader wants type 1; an icon file of type 0 is read as the icon it otherwise is.
QByteArray AsTypeOneIcon(QByteArray data)
{
    data[2] = 1;
    return data;
}

QList<QImage> DecodeIconImages(const QByteArray& data)
{
    if (!IconComplete(data))
        throw EInvalidGraphic(IconInvalid);
    TMemoryImageReader reader(AsTypeOneIcon(data), "ico");
    QList<QImage> images;
    const int count = reader->imageCount();
    for (int i = 0; i < count; ++i) {
        if (!reader->jumpToImage(i))
            throw EInvalidGraphic(IconInvalid);
        QImage image = reader->read();
        if (image.isNull())
            throw EInvalidGraphic(IconInvalid);
        images << image;
    }
    if (images.isEmpty())
        throw EInvalidGraphic(IconInvalid);
    return images;
}

// --- JPEG ---

// Walks the markers from SOI to EOI, through the entropy-coded data after each SOS.
bool JpegComplete(const QByteArray& data)
{
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(data[i]); };
    const qsizetype size = data.size();
    if (size < 4 || at(0) != 0xFF || at(1) != 0xD8)
        return false;
    qsizetype pos = 2;
    while (true) {
        if (pos >= size || at(pos) != 0xFF)
            return false;
        while (pos < size && at(pos) == 0xFF)
            ++pos;
        if (pos >= size)
            return false;
        const unsigned marker = at(pos++);
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (pos + 2 > size)
            return false;
        const qsizetype length = (qsizetype(at(pos)) << 8) | at(pos + 1);
        if (length < 2 || pos + length > size)
            return false;
        pos += length;
        if (marker != 0xDA)
            continue;
        // Scan data ends at the first marker other than a stuffed zero or a restart marker.
        while (pos + 1 < size &&
               !(at(pos) == 0xFF && at(pos + 1) != 0 && (at(pos + 1) < 0xD0 || at(pos + 1) > 0xD7)))
            ++pos;
        if (pos + 1 >= size)
            return false;
    }
}

QImage DecodeJpeg(const QByteArray& data)
{
    if (!JpegComplete(data))
        throw EInvalidGraphic(JpegInvalid);
    return ReadWithQt(data, "jpeg", JpegInvalid);
}

// --- Metafiles ---

QImage RenderSvg(const QByteArray& svg, QSize size)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        throw EInvalidGraphic(MetafileInvalid);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

void CheckMetafileSize(QSize size)
{
    if (size.width() <= 0 || size.height() <= 0)
        throw EInvalidGraphic(MetafileInvalid);
    if (size.width() > MaxMetafileSide || size.height() > MaxMetafileSide)
        throw EInvalidGraphic("Metafile is too large");
}

// An optional placeable header, the metafile header, then records up to the end-of-file record.
bool WmfComplete(const QByteArray& data)
{
    TReader r(data);
    if (data.size() >= 4 && r.At32(0) == 0x9AC6CDD7u && !r.Skip(22))
        return false;
    unsigned type = 0, headerSize = 0, version = 0, fileWords = 0, objects = 0, maxRecordWords = 0,
             members = 0;
    if (!r.Word(type) || !r.Word(headerSize) || (type != 1 && type != 2) || headerSize != 9 ||
        !r.Word(version) || !r.DWord(fileWords) || !r.Word(objects) || !r.DWord(maxRecordWords) ||
        !r.Word(members))
        return false;
    // libwmf allocates its record buffer from the header's largest-record size before it reads a
    // record: a few bytes could otherwise ask for gigabytes. No record is larger than the file.
    if (qint64(maxRecordWords) * 2 > data.size())
        return false;
    while (true) {
        const qsizetype start = r.Pos();
        unsigned words = 0, function = 0;
        if (!r.DWord(words) || !r.Word(function) || words < 3)
            return false;
        if (function == 0)
            return true;
        if (!r.Skip(qsizetype(words) * 2 - 6) || r.Pos() <= start)
            return false;
    }
}

// Closes what libwmf opened, whichever way the decoding ends.
struct TWmfSession
{
    wmfAPI* Api = nullptr;
    ~TWmfSession()
    {
        if (Api) {
            wmf_mem_close(Api);
            wmf_api_destroy(Api);
        }
    }
};

// The memory stream libwmf writes its SVG to; closed only after the library is done with it.
struct TMemoryStream
{
    char* Text = nullptr;
    size_t Length = 0;
    FILE* File = open_memstream(&Text, &Length);
    ~TMemoryStream()
    {
        if (File)
            std::fclose(File);
        std::free(Text);
    }
    QByteArray Contents()
    {
        std::fflush(File);
        return QByteArray(Text, qsizetype(Length));
    }
};

QImage DecodeWmf(const QByteArray& data)
{
    if (!WmfComplete(data))
        throw EInvalidGraphic(MetafileInvalid);
    QByteArray bytes = data; // libwmf wants a writable buffer
    TMemoryStream out;
    TWmfSession wmf;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (!out.File || wmf_api_create(&wmf.Api, flags, &options) != wmf_E_None)
        throw EInvalidGraphic(MetafileInvalid);
    wmfD_Rect bbox{};
    unsigned width = 0, height = 0;
    if (wmf_mem_open(wmf.Api, reinterpret_cast<unsigned char*>(bytes.data()), long(bytes.size())) !=
            wmf_E_None ||
        wmf_scan(wmf.Api, 0, &bbox) != wmf_E_None ||
        wmf_display_size(wmf.Api, &width, &height, LayoutDpi, LayoutDpi) != wmf_E_None)
        throw EInvalidGraphic(MetafileInvalid);
    const QSize size(int(qMin(width, 65535u)), int(qMin(height, 65535u)));
    CheckMetafileSize(size);

    wmf_svg_t* device = WMF_SVG_GetData(wmf.Api);
    device->out = wmf_stream_create(wmf.Api, out.File);
    device->Description = const_cast<char*>("banner");
    device->bbox = bbox;
    device->width = unsigned(size.width());
    device->height = unsigned(size.height());
    device->flags |= WMF_SVG_INLINE_IMAGES;
    if (!device->out || wmf_play(wmf.Api, 0, &bbox) != wmf_E_None)
        throw EInvalidGraphic(MetafileInvalid);
    return RenderSvg(out.Contents(), size);
}

// The header record (with the " EMF" signature and a file length that fits), then records up to EMR_EOF.
bool EmfComplete(const QByteArray& data, QSize& size)
{
    TReader r(data);
    if (data.size() < 88 || r.At32(0) != 1 || r.At32(40) != 0x464D4520u)
        return false;
    const qint64 headerSize = r.At32(4);
    const qint64 fileSize = r.At32(48);
    if (headerSize < 88 || headerSize % 4 != 0 || fileSize > data.size() || headerSize > fileSize)
        return false;
    // The frame, in hundredths of a millimetre, gives the picture's size; the bounds when it is empty.
    const auto frame = [&](qsizetype at) { return static_cast<std::int32_t>(r.At32(at)); };
    const double width = double(frame(32)) - frame(24);
    const double height = double(frame(36)) - frame(28);
    if (width > 0 && height > 0)
        size = QSize(int(qMin(width * LayoutDpi / 2540.0 + 0.5, 65535.0)),
                     int(qMin(height * LayoutDpi / 2540.0 + 0.5, 65535.0)));
    else
        size = QSize(int(qBound(0.0, double(frame(16)) - frame(8) + 1, 65535.0)),
                     int(qBound(0.0, double(frame(20)) - frame(12) + 1, 65535.0)));
    r.Skip(qsizetype(headerSize));
    while (true) {
        unsigned type = 0, recordSize = 0;
        if (r.Pos() + 8 > fileSize || !r.DWord(type) || !r.DWord(recordSize) || recordSize < 8 ||
            recordSize % 4 != 0)
            return false;
        if (r.Pos() - 8 + qint64(recordSize) > fileSize)
            return false;
        if (type == 14) // EMR_EOF
            return true;
        r.Skip(qsizetype(recordSize) - 8);
    }
}

QImage DecodeEmf(const QByteArray& data)
{
    QSize size;
    if (!EmfComplete(data, size))
        throw EInvalidGraphic(MetafileInvalid);
    CheckMetafileSize(size);
    QByteArray bytes = data; // the converter wants a writable buffer
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("svg");
    options.svgDelimiter = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    char* svgText = nullptr;
    size_t svgLength = 0;
    const int converted = emf2svg(bytes.data(), size_t(bytes.size()), &svgText, &svgLength, &options);
    const QByteArray svg(svgText, svgText ? qsizetype(svgLength) : 0);
    std::free(svgText);
    if (!converted || svg.isEmpty())
        throw EInvalidGraphic(MetafileInvalid);
    return RenderSvg(svg, size);
}

// --- GIF ---

struct TGifScan
{
    QSize Screen;
    QList<int> Hundredths; // one per frame
};

// Walks the blocks of a GIF from its signature to its trailer. A file that simply stops after a complete
// block is accepted as long as it holds a frame, as lenient readers do.
bool ScanGif(const QByteArray& data, TGifScan& scan)
{
    if (!data.startsWith("GIF87a") && !data.startsWith("GIF89a"))
        return false;
    TReader r(data);
    r.Skip(6);
    unsigned width = 0, height = 0, flags = 0;
    if (!r.Word(width) || !r.Word(height) || !r.Byte(flags) || !r.Skip(2) || width == 0 || height == 0)
        return false;
    if ((flags & 0x80) && !r.Skip(3 * (2 << (flags & 7))))
        return false;
    scan.Screen = QSize(int(width), int(height));
    const auto skipSubBlocks = [&r] {
        for (unsigned length = 1; length != 0;)
            if (!r.Byte(length) || !r.Skip(length))
                return false;
        return true;
    };
    int pendingDelay = 0;
    while (true) {
        unsigned block = 0;
        if (!r.Byte(block))
            return !scan.Hundredths.isEmpty();
        if (block == 0x3B)
            return !scan.Hundredths.isEmpty();
        if (block == 0x21) {
            unsigned label = 0;
            if (!r.Byte(label))
                return false;
            if (label == 0xF9) {
                unsigned length = 0, packed = 0, delay = 0;
                if (!r.Byte(length) || length < 4 || !r.Byte(packed) || !r.Word(delay) || !r.Skip(length - 3))
                    return false;
                pendingDelay = int(delay);
            }
            if (!skipSubBlocks())
                return false;
        } else if (block == 0x2C) {
            unsigned imageFlags = 0, codeSize = 0;
            if (!r.Skip(8) || !r.Byte(imageFlags))
                return false;
            if ((imageFlags & 0x80) && !r.Skip(3 * (2 << (imageFlags & 7))))
                return false;
            if (!r.Byte(codeSize) || codeSize < 1 || codeSize > 11 || !skipSubBlocks())
                return false;
            scan.Hundredths << pendingDelay;
            pendingDelay = 0;
        } else {
            return false;
        }
    }
}

// What the name-less loader recognises by content, mapped to the decoders above.
QImage DecodeByContent(const QByteArray& data)
{
    TReader r(data);
    if (data.startsWith("BM"))
        return DecodeBitmap(data);
    if (data.startsWith("\xFF\xD8\xFF"))
        return DecodeJpeg(data);
    if (data.startsWith("GIF8"))
        return DecodeGif(data).Frames.first().Image;
    if (data.size() >= 4 &&
        (r.At32(0) == 0x9AC6CDD7u || ((r.At16(0) == 1 || r.At16(0) == 2) && r.At16(2) == 9)))
        return DecodeWmf(data);
    if (data.size() >= 44 && r.At32(0) == 1 && r.At32(40) == 0x464D4520u)
        return DecodeEmf(data);
    if (data.size() >= 6 && r.At16(0) == 0 && r.At16(2) <= 1 && r.At16(4) > 0)
        return DecodeIconImages(data).first();
    // Whatever else Qt can tell from the content (PNG, for one).
    return ReadWithQt(data, nullptr, FormatUnknown);
}

} // namespace

QString PictureExtension(const QString& fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QImage DecodePicture(const QByteArray& data, const QString& decodingName)
{
    const QString extension = PictureExtension(decodingName);
    const QString ext = extension.toLower();
    if (ext == QLatin1String("bmp"))
        return DecodeBitmap(data);
    if (ext == QLatin1String("ico"))
        return DecodeIconImages(data).first();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return DecodeJpeg(data);
    if (ext == QLatin1String("wmf"))
        return DecodeWmf(data);
    if (ext == QLatin1String("emf"))
        return DecodeEmf(data);
    if (extension.isEmpty())
        return DecodeByContent(data);
    throw EInvalidGraphic(
        QStringLiteral("Unknown picture file extension (.%1)").arg(extension).toStdString());
}

QIcon DecodeIcon(const QByteArray& data)
{
    QIcon icon;
    for (const QImage& image : DecodeIconImages(data))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

TGifPicture DecodeGif(const QByteArray& data)
{
    TGifScan scan;
    if (!ScanGif(data, scan))
        throw EInvalidGraphic(GifInvalid);
    // Every frame is kept as a whole logical screen, so a file of a few hundred bytes that claims a
    // large screen and many tiny frames would take gigabytes. Both limits stay far above any banner.
    const qint64 screenPixels = qint64(scan.Screen.width()) * scan.Screen.height();
    if (screenPixels > MaxGifScreenPixels || screenPixels * 4 * scan.Hundredths.size() > MaxGifFrameBytes)
        throw EInvalidGraphic(GifTooLarge);
    TMemoryImageReader reader(data, "gif");
    TGifPicture gif;
    gif.Screen = scan.Screen;
    for (int delay : std::as_const(scan.Hundredths)) {
        const QImage frame = reader->read();
        if (frame.isNull())
            throw EInvalidGraphic(GifInvalid);
        // Qt draws each frame onto the logical screen already; a reader that did not would leave the
        // frame at the top left, which is where the screen starts.
        QImage screen(scan.Screen, QImage::Format_ARGB32_Premultiplied);
        screen.fill(Qt::transparent);
        QPainter painter(&screen);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, frame);
        painter.end();
        gif.Frames.append({screen, delay});
    }
    return gif;
}
