// Text crosses between the windows (QString) and the stores and files (8-bit strings in the
// locale's encoding) here.
#pragma once

#include <QString>

#include <string>

inline std::string ToAnsi(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

inline QString FromAnsi(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}
