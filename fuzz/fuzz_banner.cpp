// The banner and icon decoders on any content. The first byte picks the decoder, as a banner's file
// name would: bmp, ico, jpg, wmf, emf, no extension (told from the content), the animated GIF decoder,
// or the application icon. A decoder returns a picture or throws EInvalidGraphic; nothing else.
#include "toolkit/TPicture.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    static const char* const Names[] = {"a.bmp", "a.ico", "a.jpg", "a.wmf", "a.emf", "a"};
    try {
        const unsigned pick = data[0] % 8;
        if (pick < 6)
            (void)DecodePicture(bytes, QString::fromLatin1(Names[pick]));
        else if (pick == 6)
            (void)DecodeGif(bytes);
        else
            (void)DecodeIcon(bytes);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
