// Reading a skin container.
#include "toolkit/TSkinContainer.h"

#include <QtEndian>

std::optional<TSkin> ReadSkinContainer(const QByteArray& file)
{
    if (file.size() < 8)
        return std::nullopt;
    const qint32 version = qFromLittleEndian<qint32>(file.constData());
    if (version > MaxSkinContainerVersion)
        return std::nullopt;
    const qint32 length = qFromLittleEndian<qint32>(file.constData() + 4);
    if (length <= 0)
        return std::nullopt;
    if (length > file.size() - 8)
        throw ESkinError("Stream read error");
    return TSkin::FromZlib(file.mid(8, length));
}
