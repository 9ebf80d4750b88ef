// Small picture files built byte by byte for the branding and banner tests: GIFs with chosen frames
// and delays, a Windows metafile and an enhanced metafile each drawing one red rectangle, and the
// formats Qt can write itself.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QtEndian>

namespace branding {

inline void Put16(QByteArray& out, unsigned v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

inline void Put32(QByteArray& out, quint32 v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The GIF palette: 0 black (transparent in frames that ask for it), 1 red, 2 green, 3 blue.
struct TGifFrameSpec
{
    int Hundredths = 10;
    QList<int> Pixels; // palette indices, row by row, covering the whole screen
    bool Transparent0 = false;
};

// A GIF89a of the given logical screen. loops >= 0 adds a NETSCAPE2.0 repeat count.
inline QByteArray MakeGif(int width, int height, const QList<TGifFrameSpec>& frames, int loops = -1)
{
    QByteArray gif("GIF89a");
    Put16(gif, unsigned(width));
    Put16(gif, unsigned(height));
    gif.append(char(0x91)).append(char(0)).append(char(0)); // 4-entry global table
    gif.append(QByteArray::fromHex("000000ff000000ff000000ff"));
    if (loops >= 0) {
        gif.append(QByteArray::fromHex("21ff0b")).append("NETSCAPE2.0").append(char(3)).append(char(1));
        Put16(gif, unsigned(loops));
        gif.append(char(0));
    }
    for (const TGifFrameSpec& frame : frames) {
        gif.append(QByteArray::fromHex("21f904"));
        gif.append(char((1 << 2) | (frame.Transparent0 ? 1 : 0)));
        Put16(gif, unsigned(frame.Hundredths));
        gif.append(char(0)).append(char(0));
        gif.append(char(0x2C));
        Put16(gif, 0);
        Put16(gif, 0);
        Put16(gif, unsigned(width));
        Put16(gif, unsigned(height));
        gif.append(char(0));
        // LZW with 2-bit pixels: a clear code before every pixel keeps the codes 3 bits wide.
        gif.append(char(2));
        QList<int> codes;
        for (int pixel : frame.Pixels)
            codes << 4 << pixel;
        codes << 5;
        QByteArray packed;
        unsigned bits = 0, count = 0;
        for (int code : codes) {
            bits |= unsigned(code) << count;
            count += 3;
            while (count >= 8) {
                packed.append(char(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        }
        if (count > 0)
            packed.append(char(bits & 0xFF));
        for (qsizetype at = 0; at < packed.size(); at += 255) {
            const QByteArray block = packed.mid(at, 255);
            gif.append(char(block.size())).append(block);
        }
        gif.append(char(0));
    }
    gif.append(char(0x3B));
    return gif;
}

// A one-colour frame.
inline TGifFrameSpec Solid(int width, int height, int colour, int hundredths)
{
    return {hundredths, QList<int>(width * height, colour), false};
}

// A placeable Windows metafile of 100 x 50 units at 96 units per inch: one red rectangle.
inline QByteArray MakeWmf()
{
    QByteArray head;
    Put32(head, 0x9AC6CDD7u);
    for (unsigned v : {0u, 0u, 0u, 100u, 50u, 96u})
        Put16(head, v);
    Put32(head, 0);
    unsigned checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(head.constData() + 2 * i);
    Put16(head, checksum);

    QByteArray records;
    const auto record = [&records](unsigned function, std::initializer_list<unsigned> words) {
        Put32(records, quint32(3 + words.size()));
        Put16(records, function);
        for (unsigned w : words)
            Put16(records, w);
    };
    record(0x020B, {0, 0});                 // SetWindowOrg
    record(0x020C, {50, 100});              // SetWindowExt
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // CreateBrushIndirect: solid red
    record(0x012D, {0});                    // SelectObject
    record(0x041B, {50, 100, 0, 0});        // Rectangle
    record(0x0000, {});                     // EOF

    QByteArray meta;
    Put16(meta, 1);
    Put16(meta, 9);
    Put16(meta, 0x0300);
    Put32(meta, quint32((18 + records.size()) / 2));
    Put16(meta, 1);
    Put32(meta, 7);
    Put16(meta, 0);
    return head + meta + records;
}

// An enhanced metafile whose frame is 100 x 50 pixels at 96 dpi: one red rectangle.
inline QByteArray MakeEmf()
{
    QByteArray records;
    for (quint32 v : {39u, 24u, 1u, 0u, 0x0000FFu, 0u}) // CreateBrushIndirect
        Put32(records, v);
    for (quint32 v : {37u, 12u, 1u}) // SelectObject
        Put32(records, v);
    for (quint32 v : {43u, 24u, 0u, 0u, 100u, 50u}) // Rectangle
        Put32(records, v);
    for (quint32 v : {14u, 20u, 0u, 16u, 20u}) // EOF
        Put32(records, v);
    const quint32 headerSize = 108;
    QByteArray header;
    for (quint32 v : {1u, headerSize, 0u, 0u, 99u, 49u, 0u, 0u, 2646u, 1323u, 0x464D4520u, 0x10000u,
                      quint32(headerSize + records.size()), 5u})
        Put32(header, v);
    Put16(header, 2);
    Put16(header, 0);
    for (quint32 v : {0u, 0u, 0u, 1024u, 768u, 271u, 203u, 0u, 0u, 0u, 270933u, 203200u})
        Put32(header, v);
    return header + records;
}

// A picture of the given size in a format Qt writes ("bmp", "jpg", "ico", "png").
inline QByteArray MakeImage(const char* format, QSize size, QColor colour = Qt::darkCyan)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

} // namespace branding
