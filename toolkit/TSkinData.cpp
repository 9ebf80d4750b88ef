// Applying the shared skin to the whole application as one style sheet.
#include "toolkit/TSkinData.h"

#include <QApplication>
#include <QFile>

namespace {
const TSkinData* CurrentSkinData = nullptr;
}

TSkinData::TSkinData(QObject* parent) : QObject(parent) {}

TSkinData::~TSkinData()
{
    if (CurrentSkinData == this)
        CurrentSkinData = nullptr;
}

TSkin TSkinData::BuiltInSkin()
{
    QFile file(QStringLiteral(":/main.skn"));
    if (!file.open(QIODevice::ReadOnly))
        throw ESkinError("The built-in skin is missing from the program.");
    return TSkin::FromZlib(file.readAll());
}

void TSkinData::SetSkin(const TSkin& skin)
{
    // Pictures live in a directory of their own for the lifetime of the skin, since the style
    // sheet refers to them by file name.
    auto pictureDir = std::make_unique<QTemporaryDir>();
    if (!pictureDir->isValid())
        throw ESkinError("The skin's pictures cannot be unpacked: no temporary directory can be made.");
    skin.WritePictures(pictureDir->path());
    const QString css = skin.StyleSheet(pictureDir->path());
    qApp->setStyleSheet(css);
    FSkin = skin;
    FPictureDir = std::move(pictureDir);
    CurrentSkinData = this;
}

const TSkin& TSkinData::Current()
{
    static const TSkin empty;
    return CurrentSkinData ? CurrentSkinData->Skin() : empty;
}
