// The skin model: a skin description (UTF-8 INI text, one section per kind of control) read into
// sections of keys, the metrics the message box needs, and the one application-wide style sheet
// made from it. Also the zlib inflater shared by the built-in skin and "dbskin.dat".
#pragma once

#include "core/UErrors.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// A skin that cannot be read or inflated.
class ESkinError : public EThreadwickError
{
public:
    using EThreadwickError::EThreadwickError;
};

// Largest inflated skin accepted; anything larger is taken for a broken or hostile file.
inline constexpr qsizetype MaxInflatedSkinSize = 64 * 1024 * 1024;

// Inflates one zlib (RFC 1950) stream. Throws ESkinError when the stream is damaged or
// would inflate to more than maxSize bytes.
QByteArray InflateZlib(const QByteArray& stream, qsizetype maxSize = MaxInflatedSkinSize);

struct TSkinSection
{
    QString Name;
    QMap<QString, QString> Values; // keys lower-cased
};

class TSkin
{
public:
    // The kinds of control a skin may describe.
    static const QStringList& SectionNames();

    // Reads a skin description. Throws ESkinError naming the line at fault.
    static TSkin Parse(const QByteArray& utf8Text);
    // Inflates a zlib stream and reads the description inside it.
    static TSkin FromZlib(const QByteArray& stream);

    QString Name() const { return FName; }
    bool HasSection(const QString& section) const { return FSections.contains(section); }
    QString Value(const QString& section, const QString& key, const QString& fallback = {}) const;
    std::optional<QColor> Color(const QString& section, const QString& key) const;
    std::optional<QFont> Font(const QString& section) const;
    // Decoded PNG of a section's picture, empty when it has none.
    QByteArray Picture(const QString& section, const QString& key = QStringLiteral("picture")) const;

    // Width of the window picture: the least width of a message box (120 without a skin).
    int WindowPictureWidth() const;
    // Height of the button picture: the height of message-box buttons (25 without one).
    int ButtonPictureHeight() const;
    // Font of message text: the label section's, else Arial with a character height of 15 pixels.
    QFont MessageFont() const;
    // Colours of link labels: the label section's text, and its highlight (blue without one).
    QColor LinkColor() const;
    QColor LinkHoverColor() const;

    // The application-wide style sheet. Pictures are referred to as files in pictureDir,
    // which WritePictures fills.
    QString StyleSheet(const QString& pictureDir) const;
    void WritePictures(const QString& pictureDir) const;

private:
    QString FName;
    QMap<QString, TSkinSection> FSections;
};
