// The skin engine: reading skin descriptions, inflating skin data safely, the metrics the message
// box takes from a skin, and keeping the current skin when a new one is broken.
#include "GuiTestSupport.h"

#include "toolkit/TSkinData.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

QByteArray Deflate(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
              uLong(data.size()), 9);
    out.resize(qsizetype(size));
    return out;
}

TEST(Skin, BrokenDescriptionsAreRefusedWithAClearMessage)
{
    struct TCase
    {
        const char* Name;
        QByteArray Text;
        const char* Message;
    };
    const TCase cases[] = {
        {"nothing", "", "The skin description holds no control sections."},
        {"only comments", "; a comment\n# another\n", "The skin description holds no control sections."},
        {"not a key", "[button]\nfont Arial\n",
         "Skin description, line 2: expected \"[section]\" or \"key=value\"."},
        {"unknown section", "[gizmo]\ntext=#000000\n",
         "Skin description, line 1: unknown section \"gizmo\"."},
        {"open header", "[button\n", "Skin description, line 1: a section header must end with \"]\"."},
        {"key before section", "text=#000\n[button]\n",
         "Skin description, line 1: a key before the first section."},
        {"bad colour", "[edit]\nborder=#12345z\n",
         "Skin section [edit]: \"#12345z\" is not a colour (key border)."},
        {"bad picture", "[button]\npicture=not-png\n",
         "Skin section [button]: the picture is not base64 PNG data."},
        {"not UTF-8", "[button]\ntext=\xff\xfe\n", "The skin description is not UTF-8 text."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            TSkin::Parse(c.Text);
            ADD_FAILURE() << "accepted";
        } catch (const ESkinError& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}

// Edits and memos draw the focus border only while they have the focus.
TEST(Skin, OnlyTheFocusedControlShowsTheFocusBorder)
{
    const TSkin skin = TSkinData::BuiltInSkin();
    qApp->setStyleSheet(skin.StyleSheet(QString()));
    QWidget window;
    window.resize(300, 200);
    auto* plain = new QPlainTextEdit(&window);
    plain->setGeometry(10, 10, 120, 60);
    auto* rich = new QTextEdit(&window);
    rich->setGeometry(150, 10, 120, 60);
    auto* line = new QLineEdit(&window);
    line->setGeometry(10, 100, 120, 20);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto border = [](QWidget* w) { return QColor(w->grab().toImage().pixel(0, w->height() / 2)); };
    for (QWidget* focused : std::initializer_list<QWidget*>{line, plain, rich}) {
        focused->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return focused->hasFocus(); }));
        for (auto [w, section] :
             {std::pair<QWidget*, const char*>{plain, "memo"}, {rich, "memo"}, {line, "edit"}}) {
            const QColor expected(skin.Value(
                QLatin1String(section), QLatin1String(w == focused ? "highlight" : "border"), QString()));
            EXPECT_EQ(border(w), expected) << w->metaObject()->className() << " with "
                                           << focused->metaObject()->className() << " focused";
        }
    }
    qApp->setStyleSheet(QString());
}

TEST(Skin, ReadsSectionsKeysAndFonts)
{
    const TSkin skin = TSkin::Parse("[skin]\nname = Night\n\n[Button]\n  Font = DejaVu Sans, 15px, bold \n"
                                    "text=#ffffff\n[stdlabel]\nfont=Arial,11\n");
    EXPECT_EQ(skin.Name(), "Night");
    EXPECT_TRUE(skin.HasSection("button"));
    EXPECT_EQ(skin.Value("button", "text"), "#ffffff");
    const auto font = skin.Font("button");
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->family(), "DejaVu Sans");
    EXPECT_EQ(font->pixelSize(), 15);
    EXPECT_TRUE(font->bold());
    EXPECT_EQ(skin.MessageFont().pixelSize(), 11);
    EXPECT_FALSE(skin.Font("edit").has_value());
}

TEST(Skin, MessageBoxMetricsFallBackWhenTheSkinLacksThem)
{
    struct TCase
    {
        const char* Name;
        QByteArray Text;
        int WindowWidth;
        int ButtonHeight;
        int FontPixels;
        QColor Hover;
    };
    const TCase cases[] = {
        {"no window, button or label section", "[edit]\ntext=#000000\n", 120, 25, 15, QColor(Qt::blue)},
        {"sections without pictures", "[window]\ntext=#000000\n[button]\ntext=#000000\n", 120, 25, 15,
         QColor(Qt::blue)},
        {"explicit metrics",
         "[window]\npicturewidth=400\n[button]\npictureheight=30\n[stdlabel]\nfont=Arial,12px\n"
         "highlight=#ff0000\n",
         400, 30, 12, QColor(Qt::red)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TSkin skin = TSkin::Parse(c.Text);
        EXPECT_EQ(skin.WindowPictureWidth(), c.WindowWidth);
        EXPECT_EQ(skin.ButtonPictureHeight(), c.ButtonHeight);
        EXPECT_EQ(skin.MessageFont().pixelSize(), c.FontPixels);
        EXPECT_EQ(skin.LinkHoverColor(), c.Hover);
    }
    EXPECT_EQ(TSkin().WindowPictureWidth(), 120);
    EXPECT_EQ(TSkin().ButtonPictureHeight(), 25);
}

TEST(Skin, InflatingStopsAtTheSizeLimitAndAtDamage)
{
    const QByteArray text(1 << 20, 'x');
    const QByteArray stream = Deflate(text);
    EXPECT_EQ(InflateZlib(stream, 1 << 20), text);
    try {
        InflateZlib(stream, (1 << 20) - 1);
        ADD_FAILURE() << "inflated past the limit";
    } catch (const ESkinError& e) {
        EXPECT_STREQ(e.what(), "The skin data is too large: it inflates to more than 0 MiB.");
    }
    EXPECT_THROW(InflateZlib(stream.left(stream.size() / 2)), ESkinError);
    EXPECT_THROW(InflateZlib(QByteArray("not zlib at all")), ESkinError);
    EXPECT_THROW(InflateZlib(QByteArray()), ESkinError);
}

TEST(Skin, TheBuiltInSkinDescribesEveryKindOfControl)
{
    const TSkin skin = TSkinData::BuiltInSkin();
    for (const QString& section : TSkin::SectionNames())
        EXPECT_TRUE(skin.HasSection(section)) << section.toStdString();
    EXPECT_EQ(skin.WindowPictureWidth(), 315);
    EXPECT_EQ(skin.ButtonPictureHeight(), 21);
    const QString css = skin.StyleSheet(QStringLiteral("/tmp/pictures"));
    for (const char* selector : {"QPushButton {", "QLineEdit {", "QComboBox::down-arrow", "TLinkLabel:hover",
                                 "TSkinPanel[framed=\"true\"]", "TBevel {", "QTabBar::tab"})
        EXPECT_TRUE(css.contains(QLatin1String(selector))) << selector;
}

TEST(Skin, ABrokenSkinLeavesTheCurrentOneInPlace)
{
    TSkinData data;
    data.LoadBuiltIn();
    const QString before = qApp->styleSheet();
    EXPECT_THROW(data.SetSkin(TSkin::FromZlib(Deflate("[gizmo]\n"))), ESkinError);
    EXPECT_EQ(qApp->styleSheet(), before);
    EXPECT_EQ(TSkinData::Current().Name(), "Slate");

    data.SetSkin(TSkin::FromZlib(Deflate("[skin]\nname=Plain\n[button]\ntext=#101010\n")));
    EXPECT_EQ(TSkinData::Current().Name(), "Plain");
    EXPECT_NE(qApp->styleSheet(), before);
}

} // namespace
