// Decoding the pictures a copy is branded with: still banner images chosen by file-name extension
// (bitmap, icon, JPEG, Windows metafile, enhanced metafile, or recognised by content), animated GIFs
// with their frames and delays, and the application icon.
#pragma once

#include "core/UErrors.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

// A picture that cannot be decoded; what() is the decoder's message.
class EInvalidGraphic : public EThreadwickError
{
public:
    using EThreadwickError::EThreadwickError;
};

// The extension of a file name (the text after the last dot of its file-name part), without the dot.
QString PictureExtension(const QString& fileName);

// Decodes `data` with the still-image decoder that the extension of `decodingName` selects, compared
// without regard to letter case: "bmp", "ico", "jpg"/"jpeg", "wmf", "emf"; a name without extension
// has its format told from the content. Throws EInvalidGraphic with "Unknown picture file extension
// (.ext)" for any other extension, or with the decoder's message when it rejects the content.
QImage DecodePicture(const QByteArray& data, const QString& decodingName);

// The application icon from an ICO file: every image in it. The header's type field must be 0 or 1;
// anything else fails with "Icon image is not valid".
QIcon DecodeIcon(const QByteArray& data);

// A GIF decoded into full-size frames, as the animated banner shows them.
struct TGifFrame
{
    QImage Image;       // the logical screen after this frame was drawn
    int Hundredths = 0; // the frame's delay as the file gives it, in hundredths of a second
};

struct TGifPicture
{
    QSize Screen; // width and height of the logical screen descriptor
    QList<TGifFrame> Frames;
};

// Largest logical screen a GIF may have, and most memory its decoded frames (each a whole screen of 32-bit
// pixels) may hold.
inline constexpr qint64 MaxGifScreenPixels = 16'000'000;
inline constexpr qint64 MaxGifFrameBytes = qint64(256) * 1024 * 1024;

// Decodes every frame of a GIF. Throws EInvalidGraphic ("GIF image is not valid") for content that is
// not a complete GIF, and "GIF image is too large" for a screen above MaxGifScreenPixels or frames that
// would hold more than MaxGifFrameBytes, before decoding any of them.
TGifPicture DecodeGif(const QByteArray& data);
