// Reading a skin description and turning it into the application's style sheet.
#include "toolkit/TSkin.h"

#include <QDir>
#include <QFile>
#include <QSize>
#include <QStringDecoder>

#include <zlib.h>

namespace {

QString Quoted(const QString& s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

QByteArray InflateZlib(const QByteArray& stream, qsizetype maxSize)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw ESkinError("The skin data cannot be inflated: out of memory.");
    QByteArray out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.constData()));
    z.avail_in = static_cast<uInt>(stream.size());
    char chunk[64 * 1024];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            const QString reason = QString::fromLatin1(z.msg ? z.msg : "truncated stream");
            inflateEnd(&z);
            throw ESkinError(QStringLiteral("The skin data is damaged (%1).").arg(reason).toStdString());
        }
        const qsizetype produced = static_cast<qsizetype>(sizeof chunk - z.avail_out);
        if (out.size() + produced > maxSize) {
            inflateEnd(&z);
            throw ESkinError(QStringLiteral("The skin data is too large: it inflates to more than %1 MiB.")
                                 .arg(maxSize / (1024 * 1024))
                                 .toStdString());
        }
        out.append(chunk, produced);
        if (rc == Z_OK && produced == 0 && z.avail_in == 0) {
            inflateEnd(&z);
            throw ESkinError("The skin data is damaged (truncated stream).");
        }
    }
    inflateEnd(&z);
    return out;
}

const QStringList& TSkin::SectionNames()
{
    static const QStringList names = {
        QStringLiteral("window"),      QStringLiteral("panel"),      QStringLiteral("button"),
        QStringLiteral("toolbutton"),  QStringLiteral("edit"),       QStringLiteral("memo"),
        QStringLiteral("vscrollbar"),  QStringLiteral("hscrollbar"), QStringLiteral("listbox"),
        QStringLiteral("combobox"),    QStringLiteral("tab"),        QStringLiteral("stdlabel"),
        QStringLiteral("bevel"),       QStringLiteral("grid"),       QStringLiteral("listview"),
        QStringLiteral("resizebutton")};
    return names;
}

TSkin TSkin::Parse(const QByteArray& utf8Text)
{
    auto decode = QStringDecoder(QStringDecoder::Utf8);
    const QString text = decode(utf8Text);
    if (decode.hasError())
        throw ESkinError("The skin description is not UTF-8 text.");

    TSkin skin;
    TSkinSection* current = nullptr;
    bool inHeader = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        const auto fail = [&](const QString& what) {
            throw ESkinError(
                QStringLiteral("Skin description, line %1: %2").arg(i + 1).arg(what).toStdString());
        };
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                fail(QStringLiteral("a section header must end with \"]\"."));
            const QString name = line.mid(1, line.size() - 2).trimmed().toLower();
            inHeader = name == QLatin1String("skin");
            if (!inHeader && !SectionNames().contains(name))
                fail(QStringLiteral("unknown section %1.").arg(Quoted(name)));
            current = inHeader ? nullptr : &skin.FSections[name];
            if (current)
                current->Name = name;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            fail(QStringLiteral("expected \"[section]\" or \"key=value\"."));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (inHeader) {
            if (key == QLatin1String("name"))
                skin.FName = value;
            continue;
        }
        if (!current)
            fail(QStringLiteral("a key before the first section."));
        current->Values.insert(key, value);
    }
    if (skin.FSections.isEmpty())
        throw ESkinError("The skin description holds no control sections.");

    // Check what the style sheet will rely on, so a broken skin fails here and not later.
    for (const TSkinSection& section : std::as_const(skin.FSections)) {
        for (auto it = section.Values.cbegin(); it != section.Values.cend(); ++it) {
            const bool isColour =
                it.key() == QLatin1String("text") || it.key() == QLatin1String("background") ||
                it.key() == QLatin1String("border") || it.key() == QLatin1String("highlight") ||
                it.key() == QLatin1String("highlighttext") || it.key() == QLatin1String("hover") ||
                it.key() == QLatin1String("pressed") || it.key() == QLatin1String("disabled") ||
                it.key() == QLatin1String("handle");
            if (isColour && !QColor::isValidColorName(it.value()))
                throw ESkinError(QStringLiteral("Skin section [%1]: %2 is not a colour (key %3).")
                                     .arg(section.Name, Quoted(it.value()), it.key())
                                     .toStdString());
            if ((it.key() == QLatin1String("picture") || it.key() == QLatin1String("arrow")) &&
                skin.Picture(section.Name, it.key()).isEmpty())
                throw ESkinError(QStringLiteral("Skin section [%1]: the %2 is not base64 PNG data.")
                                     .arg(section.Name, it.key())
                                     .toStdString());
        }
    }
    return skin;
}

TSkin TSkin::FromZlib(const QByteArray& stream)
{
    return Parse(InflateZlib(stream));
}

QString TSkin::Value(const QString& section, const QString& key, const QString& fallback) const
{
    const auto it = FSections.constFind(section);
    if (it == FSections.cend())
        return fallback;
    return it->Values.value(key, fallback);
}

std::optional<QColor> TSkin::Color(const QString& section, const QString& key) const
{
    const QString value = Value(section, key);
    if (value.isEmpty())
        return std::nullopt;
    return QColor::fromString(value);
}

std::optional<QFont> TSkin::Font(const QString& section) const
{
    // "Family, 13px[, bold]"
    const QString value = Value(section, QStringLiteral("font"));
    if (value.isEmpty())
        return std::nullopt;
    const QStringList parts = value.split(QLatin1Char(','));
    QFont font(parts.value(0).trimmed());
    int pixels = 13;
    bool bold = false;
    for (int i = 1; i < parts.size(); ++i) {
        QString part = parts[i].trimmed().toLower();
        if (part == QLatin1String("bold"))
            bold = true;
        else if (part.endsWith(QLatin1String("px")))
            pixels = part.chopped(2).toInt();
        else if (part.toInt() > 0)
            pixels = part.toInt();
    }
    font.setPixelSize(pixels > 0 ? pixels : 13);
    font.setBold(bold);
    return font;
}

QByteArray TSkin::Picture(const QString& section, const QString& key) const
{
    const QString value = Value(section, key);
    if (value.isEmpty())
        return {};
    const auto decoded =
        QByteArray::fromBase64Encoding(value.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || !decoded.decoded.startsWith("\x89PNG"))
        return {};
    return decoded.decoded;
}

namespace {

// Width or height of a PNG from its header, 0 when it is not one.
QSize PngSize(const QByteArray& png)
{
    if (png.size() < 24)
        return {};
    const auto be32 = [&](int at) {
        return (uchar(png[at]) << 24) | (uchar(png[at + 1]) << 16) | (uchar(png[at + 2]) << 8) |
               uchar(png[at + 3]);
    };
    return QSize(int(be32(16)), int(be32(20)));
}

} // namespace

int TSkin::WindowPictureWidth() const
{
    if (!HasSection(QStringLiteral("window")))
        return 120;
    const int explicitWidth = Value(QStringLiteral("window"), QStringLiteral("picturewidth")).toInt();
    if (explicitWidth > 0)
        return explicitWidth;
    const int width = PngSize(Picture(QStringLiteral("window"))).width();
    return width > 0 ? width : 120;
}

int TSkin::ButtonPictureHeight() const
{
    if (!HasSection(QStringLiteral("button")))
        return 25;
    const int explicitHeight = Value(QStringLiteral("button"), QStringLiteral("pictureheight")).toInt();
    if (explicitHeight > 0)
        return explicitHeight;
    const int height = PngSize(Picture(QStringLiteral("button"))).height();
    return height > 0 ? height : 25;
}

QFont TSkin::MessageFont() const
{
    if (auto font = Font(QStringLiteral("stdlabel")))
        return *font;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    return font;
}

QColor TSkin::LinkColor() const
{
    return Color(QStringLiteral("stdlabel"), QStringLiteral("text")).value_or(QColor(Qt::black));
}

QColor TSkin::LinkHoverColor() const
{
    return Color(QStringLiteral("stdlabel"), QStringLiteral("highlight")).value_or(QColor(Qt::blue));
}

void TSkin::WritePictures(const QString& pictureDir) const
{
    QDir().mkpath(pictureDir);
    for (const TSkinSection& section : FSections) {
        for (const QString& key : {QStringLiteral("picture"), QStringLiteral("arrow")}) {
            const QByteArray png = Picture(section.Name, key);
            if (png.isEmpty())
                continue;
            QFile file(pictureDir + QLatin1Char('/') + section.Name + QLatin1Char('-') + key +
                       QStringLiteral(".png"));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(png);
        }
    }
}

namespace {

// Collects the declarations of one rule from a section's keys.
class TRule
{
public:
    TRule(const TSkin& skin, QString section) : FSkin(skin), FSection(std::move(section)) {}

    TRule& Font()
    {
        if (auto font = FSkin.Font(FSection)) {
            Add(QStringLiteral("font-family"), Quoted(font->family()));
            Add(QStringLiteral("font-size"), QString::number(font->pixelSize()) + QStringLiteral("px"));
            Add(QStringLiteral("font-weight"),
                font->bold() ? QStringLiteral("bold") : QStringLiteral("normal"));
        }
        return *this;
    }
    TRule& Colour(const char* property, const char* key)
    {
        const QString value = FSkin.Value(FSection, QLatin1String(key));
        if (!value.isEmpty())
            Add(QLatin1String(property), value);
        return *this;
    }
    TRule& Border(const char* key = "border")
    {
        const QString value = FSkin.Value(FSection, QLatin1String(key));
        if (!value.isEmpty())
            Add(QStringLiteral("border"), QStringLiteral("1px solid ") + value);
        return *this;
    }
    TRule& Radius()
    {
        const QString value = FSkin.Value(FSection, QStringLiteral("radius"));
        if (!value.isEmpty())
            Add(QStringLiteral("border-radius"), QString::number(value.toInt()) + QStringLiteral("px"));
        return *this;
    }
    // A section picture drawn as a nine-slice border image when the skin gives its margins.
    TRule& Picture(const QString& dir)
    {
        const int margin = FSkin.Value(FSection, QStringLiteral("picturemargins")).toInt();
        if (margin > 0 && !FSkin.Picture(FSection).isEmpty()) {
            const QString m = QString::number(margin);
            Add(QStringLiteral("border-image"),
                QStringLiteral("url(%1/%2-picture.png) %3 %3 %3 %3 stretch").arg(dir, FSection, m));
            Add(QStringLiteral("border-width"), m + QStringLiteral("px"));
        }
        return *this;
    }
    TRule& Raw(const QString& property, const QString& value)
    {
        Add(property, value);
        return *this;
    }
    QString For(const QString& selector) const
    {
        if (FDeclarations.isEmpty())
            return {};
        return selector + QStringLiteral(" {\n") + FDeclarations + QStringLiteral("}\n");
    }

private:
    void Add(const QString& property, const QString& value)
    {
        FDeclarations +=
            QStringLiteral("    ") + property + QStringLiteral(": ") + value + QStringLiteral(";\n");
    }
    const TSkin& FSkin;
    QString FSection;
    QString FDeclarations;
};

} // namespace

QString TSkin::StyleSheet(const QString& pictureDir) const
{
    QString css;
    const auto rule = [&](const char* section) { return TRule(*this, QLatin1String(section)); };
    const auto has = [&](const char* section) { return HasSection(QLatin1String(section)); };

    if (has("window"))
        css += rule("window")
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "background")
                   .For(QStringLiteral("QMainWindow, QDialog, TSkinForm"));
    if (has("panel")) {
        css += rule("panel")
                   .Colour("background-color", "background")
                   .Colour("color", "text")
                   .Raw(QStringLiteral("border"), QStringLiteral("none"))
                   .For(QStringLiteral("TSkinPanel"));
        css += rule("panel").Border().Picture(pictureDir).For(QStringLiteral("TSkinPanel[framed=\"true\"]"));
    }
    if (has("button")) {
        css += rule("button")
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "background")
                   .Border()
                   .Radius()
                   .Picture(pictureDir)
                   .Raw(QStringLiteral("padding"), QStringLiteral("0px 4px"))
                   .For(QStringLiteral("QPushButton"));
        css += rule("button")
                   .Colour("background-color", "hover")
                   .Colour("border-color", "highlight")
                   .For(QStringLiteral("QPushButton:hover"));
        css += rule("button").Colour("border-color", "highlight").For(QStringLiteral("QPushButton:focus"));
        css +=
            rule("button").Colour("background-color", "pressed").For(QStringLiteral("QPushButton:pressed"));
        css += rule("button").Colour("color", "disabled").For(QStringLiteral("QPushButton:disabled"));
    }
    if (has("toolbutton")) {
        css += rule("toolbutton")
                   .Colour("color", "text")
                   .Radius()
                   .Raw(QStringLiteral("background-color"), QStringLiteral("transparent"))
                   .Raw(QStringLiteral("border"), QStringLiteral("1px solid transparent"))
                   .For(QStringLiteral("QToolButton"));
        css += rule("toolbutton")
                   .Colour("background-color", "hover")
                   .Colour("border-color", "border")
                   .For(QStringLiteral("QToolButton:hover"));
        css += rule("toolbutton")
                   .Colour("background-color", "pressed")
                   .For(QStringLiteral("QToolButton:pressed"));
    }
    const auto field = [&](const char* section, const QString& selector) {
        if (!has(section))
            return;
        css += rule(section)
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "background")
                   .Border()
                   .Radius()
                   .Colour("selection-background-color", "highlight")
                   .Colour("selection-color", "highlighttext")
                   .For(selector);
        // The focus state goes on every selector of a list, or the ones before the last would match
        // without it.
        QStringList focused = selector.split(QLatin1Char(','));
        for (QString& one : focused)
            one = one.trimmed() + QStringLiteral(":focus");
        css += rule(section).Colour("border-color", "highlight").For(focused.join(QStringLiteral(", ")));
    };
    field("edit", QStringLiteral("QLineEdit"));
    css += has("edit") ? QStringLiteral("QLineEdit { padding: 0px 3px; }\n") : QString();
    field("memo", QStringLiteral("QPlainTextEdit, QTextEdit"));
    field("listbox", QStringLiteral("QListWidget"));
    field("combobox", QStringLiteral("QComboBox"));
    field("grid", QStringLiteral("QTableView"));
    field("listview", QStringLiteral("QTreeView"));

    if (has("listbox")) {
        const QString rowHeight =
            Value(QStringLiteral("listbox"), QStringLiteral("rowheight"), QStringLiteral("20"));
        // The transparent background is what makes the style draw every item from this rule: an item
        // rule without anything to draw leaves plain items to the platform style, which knows nothing
        // of the padding, and only hovered and selected rows would be indented.
        css += rule("listbox")
                   .Raw(QStringLiteral("height"), QString::number(rowHeight.toInt()) + QStringLiteral("px"))
                   .Raw(QStringLiteral("padding-left"), QStringLiteral("3px"))
                   .Raw(QStringLiteral("background-color"), QStringLiteral("transparent"))
                   .For(QStringLiteral("QListWidget::item"));
        css += rule("listbox")
                   .Colour("background-color", "highlight")
                   .Colour("color", "highlighttext")
                   .For(QStringLiteral("QListWidget::item:selected"));
        css += rule("listbox")
                   .Colour("background-color", "hover")
                   .For(QStringLiteral("QListWidget::item:hover:!selected"));
    }
    if (has("combobox")) {
        css += QStringLiteral("QComboBox { padding: 0px 3px; }\n"
                              "QComboBox::drop-down { border: none; width: 16px; }\n");
        if (!Picture(QStringLiteral("combobox"), QStringLiteral("arrow")).isEmpty())
            css += QStringLiteral("QComboBox::down-arrow { image: url(%1/combobox-arrow.png); }\n")
                       .arg(pictureDir);
        css += rule("combobox")
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "background")
                   .Border()
                   .Colour("selection-background-color", "highlight")
                   .Colour("selection-color", "highlighttext")
                   .For(QStringLiteral("QComboBox QAbstractItemView"));
    }
    if (has("grid")) {
        css += rule("grid").Colour("gridline-color", "border").For(QStringLiteral("QTableView"));
        css += rule("grid")
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "hover")
                   .Raw(QStringLiteral("border"), QStringLiteral("none"))
                   .Raw(QStringLiteral("padding"), QStringLiteral("0px 3px"))
                   .For(QStringLiteral("QHeaderView::section"));
    }
    if (has("listview")) {
        css += rule("listview")
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "hover")
                   .Raw(QStringLiteral("border"), QStringLiteral("none"))
                   .Raw(QStringLiteral("padding"), QStringLiteral("2px 4px"))
                   .For(QStringLiteral("QTreeView QHeaderView::section"));
        css += rule("listview")
                   .Colour("background-color", "highlight")
                   .Colour("color", "highlighttext")
                   .For(QStringLiteral("QTreeView::item:selected"));
    }
    const auto scrollbar = [&](const char* section, bool vertical) {
        if (!has(section))
            return;
        const QString o = vertical ? QStringLiteral("vertical") : QStringLiteral("horizontal");
        css += rule(section)
                   .Colour("background-color", "background")
                   .Raw(QStringLiteral("border"), QStringLiteral("none"))
                   .Raw(vertical ? QStringLiteral("width") : QStringLiteral("height"), QStringLiteral("12px"))
                   .Raw(QStringLiteral("margin"), QStringLiteral("0px"))
                   .For(QStringLiteral("QScrollBar:") + o);
        css += rule(section)
                   .Colour("background-color", "handle")
                   .Radius()
                   .Raw(vertical ? QStringLiteral("min-height") : QStringLiteral("min-width"),
                        QStringLiteral("24px"))
                   .Raw(QStringLiteral("margin"), QStringLiteral("2px"))
                   .For(QStringLiteral("QScrollBar::handle:") + o);
        css += rule(section)
                   .Colour("background-color", "hover")
                   .For(QStringLiteral("QScrollBar::handle:") + o + QStringLiteral(":hover"));
        css += rule(section)
                   .Colour("background-color", "background")
                   .For(QStringLiteral("QScrollBar::handle:") + o + QStringLiteral(":disabled"));
        css +=
            QStringLiteral("QScrollBar::add-line:%1, QScrollBar::sub-line:%1 { width: 0px; height: 0px; }\n"
                           "QScrollBar::add-page:%1, QScrollBar::sub-page:%1 { background: none; }\n")
                .arg(o);
    };
    scrollbar("vscrollbar", true);
    scrollbar("hscrollbar", false);
    // A stand-alone scroll bar is as wide as its place in the layout.
    css += QStringLiteral("TScrollBar:vertical { width: auto; }\n");

    if (has("tab")) {
        css += rule("tab")
                   .Border()
                   .Colour("background-color", "background")
                   .For(QStringLiteral("QTabWidget::pane"));
        css += rule("tab")
                   .Font()
                   .Colour("color", "text")
                   .Colour("background-color", "hover")
                   .Border()
                   .Raw(QStringLiteral("border-bottom"), QStringLiteral("none"))
                   .Raw(QStringLiteral("border-top-left-radius"), QStringLiteral("4px"))
                   .Raw(QStringLiteral("border-top-right-radius"), QStringLiteral("4px"))
                   .Raw(QStringLiteral("height"), QStringLiteral("19px"))
                   .Raw(QStringLiteral("padding"), QStringLiteral("0px 10px"))
                   .For(QStringLiteral("QTabBar::tab"));
        css += rule("tab")
                   .Colour("background-color", "background")
                   .Colour("color", "highlight")
                   .For(QStringLiteral("QTabBar::tab:selected"));
        css += QStringLiteral("QTabWidget::tab-bar { left: 0px; }\n");
    }
    if (has("stdlabel"))
        css += rule("stdlabel")
                   .Font()
                   .Colour("color", "text")
                   .Raw(QStringLiteral("background"), QStringLiteral("transparent"))
                   .For(QStringLiteral("QLabel"));
    // Link labels are underlined and light up under the pointer, with or without a label section.
    css += QStringLiteral("TLinkLabel { color: %1; text-decoration: underline; }\n"
                          "TLinkLabel:hover { color: %2; }\n")
               .arg(LinkColor().name(), LinkHoverColor().name());
    if (has("bevel"))
        css += rule("bevel")
                   .Raw(QStringLiteral("border"), QStringLiteral("none"))
                   .Raw(QStringLiteral("border-top"),
                        QStringLiteral("1px solid ") +
                            Value(QStringLiteral("bevel"), QStringLiteral("border"), QStringLiteral("gray")))
                   .Raw(QStringLiteral("background"), QStringLiteral("transparent"))
                   .For(QStringLiteral("TBevel"));
    if (has("resizebutton"))
        css += rule("resizebutton").Colour("background-color", "background").For(QStringLiteral("QSizeGrip"));
    return css;
}
