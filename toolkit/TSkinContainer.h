// The skin container a copy may carry as "dbskin.dat": a signed 32-bit format version, a signed 32-bit
// data length N (both little-endian), then N bytes of zlib data holding a skin description. Bytes
// after the data are ignored.
#pragma once

#include "toolkit/TSkin.h"

#include <QByteArray>

#include <optional>

// Highest container version this program reads.
inline constexpr qint32 MaxSkinContainerVersion = 3;

// The skin in a container file's bytes, or nothing when the file holds no skin: a version above
// MaxSkinContainerVersion, a file shorter than its 8-byte header, or a length of 0 or less. Throws
// ESkinError with "Stream read error" when the length runs past the end of the file, and with the
// skin reader's message when the data is damaged, too large or not a valid skin.
std::optional<TSkin> ReadSkinContainer(const QByteArray& file);
