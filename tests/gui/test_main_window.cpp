// The main window: every control's place, parent, caption and visibility as laid out, what moves
// when the window is resized, the banner centring, the keyboard order, and start-up with and
// without data files.
#include "GuiTestSupport.h"

#include "browser/TBrowserPane.h"
#include "ui/FMain.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

struct TControlCase
{
    const char* Name;
    const char* Parent;
    QRect Geometry;
    const char* Caption; // nullptr: not checked
    bool Visible;
    bool Focusable;
};

QString CaptionOf(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    return {};
}

class MainWindowTest : public ::testing::Test
{
protected:
    TTempAppDir Dir;
    TMessageRecorder Boxes;
};

TEST_F(MainWindowTest, EveryControlStandsWhereItIsLaidOut)
{
    TfrmMain w(Dir.Path());
    w.show();
    Pump();
    ASSERT_EQ(w.size(), QSize(761, 566));
    EXPECT_EQ(w.windowTitle(), "Threadwick");

    // Parents, places and sizes at the design size (labels size themselves to their caption).
    const TControlCase cases[] = {
        {"bsSkinPanel1", "frmMain", {0, 0, 761, 33}, nullptr, true, false},
        {"panBanner", "frmMain", {0, 33, 761, 65}, nullptr, true, false},
        {"panLinks", "frmMain", {0, 527, 761, 39}, nullptr, true, false},
        {"bsSkinPanel2", "frmMain", {0, 98, 257, 429}, nullptr, true, false},
        {"bsSkinPanel3", "frmMain", {257, 98, 504, 429}, nullptr, true, false},
        {"btnAutoInsert", "bsSkinPanel1", {8, 5, 98, 20}, "Auto Insert", true, false},
        {"cbxFormat", "bsSkinPanel1", {131, 5, 91, 20}, nullptr, true, true},
        {"btnPreview", "bsSkinPanel1", {232, 5, 74, 20}, "Preview", true, false},
        {"btnCopy", "bsSkinPanel1", {309, 5, 74, 20}, "Copy", true, false},
        {"btnSave", "bsSkinPanel1", {386, 5, 74, 20}, "Save", true, false},
        {"btnLoad", "bsSkinPanel1", {463, 5, 74, 20}, "Load", true, false},
        {"btnOptions", "bsSkinPanel1", {540, 5, 74, 20}, "Options", false, true},
        {"btnHelp", "bsSkinPanel1", {540, 5, 98, 20}, "Help", true, false},
        {"btnMakeMoney", "bsSkinPanel1", {641, 5, 98, 20}, "Make Money", true, false},
        {"bsSkinBevel1", "bsSkinPanel2", {89, 16, 154, 9}, nullptr, true, false},
        {"edtSubject", "bsSkinPanel2", {52, 32, 133, 18}, nullptr, true, true},
        {"btnSPaste", "bsSkinPanel2", {191, 32, 49, 20}, "Paste", true, false},
        {"bsSkinPanel5", "bsSkinPanel2", {11, 74, 232, 111}, nullptr, true, false},
        {"bsSkinScrollBar1", "bsSkinPanel5", {213, 0, 19, 111}, nullptr, true, false},
        {"memBody", "bsSkinPanel5", {0, 0, 213, 111}, nullptr, true, true},
        {"btnBPaste", "bsSkinPanel2", {10, 194, 234, 20}, "Paste message on selected field", true, true},
        {"bsSkinPageControl1", "bsSkinPanel2", {8, 221, 237, 196}, nullptr, true, false},
        {"btnAddURL", "bsSkinTabSheet1", {9, 9, 106, 20}, "Add Current URL", true, true},
        {"btnRemoveURL", "bsSkinTabSheet1", {121, 9, 106, 20}, "Remove URL", true, true},
        {"edtUsername", "bsSkinTabSheet1", {66, 37, 99, 18}, nullptr, true, true},
        {"btnUPaste", "bsSkinTabSheet1", {170, 36, 56, 20}, "Paste", true, false},
        {"edtPassword", "bsSkinTabSheet1", {66, 65, 99, 18}, nullptr, true, true},
        {"btnWPaste", "bsSkinTabSheet1", {170, 64, 56, 20}, "Paste", true, false},
        {"lvwForums", "bsSkinTabSheet1", {9, 94, 217, 70}, nullptr, true, true},
        {"bsSkinPanel4", "bsSkinPanel3", {0, 0, 504, 89}, nullptr, true, false},
        {"webBrowser", "bsSkinPanel3", {0, 89, 504, 340}, nullptr, true, false},
        {"bsSkinBevel2", "bsSkinPanel4", {59, 16, 432, 9}, nullptr, true, false},
        {"edtURL", "bsSkinPanel4", {48, 32, 390, 18}, nullptr, true, true},
        {"bsSkinButton2", "bsSkinPanel4", {445, 31, 47, 20}, "Go!", true, false},
        {"bsSkinSpeedButton1", "bsSkinPanel4", {48, 56, 25, 25}, nullptr, true, false},
        {"bsSkinSpeedButton2", "bsSkinPanel4", {76, 56, 25, 25}, nullptr, true, false},
        {"bsSkinSpeedButton4", "bsSkinPanel4", {104, 56, 25, 25}, nullptr, true, false},
        {"bsSkinSpeedButton3", "bsSkinPanel4", {132, 56, 25, 25}, nullptr, true, false},
    };
    for (const TControlCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* widget = w.findChild<QWidget*>(QLatin1String(c.Name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(c.Parent));
        EXPECT_EQ(widget->geometry(), c.Geometry);
        if (c.Caption) {
            EXPECT_EQ(CaptionOf(widget), QString::fromUtf8(c.Caption));
        }
        EXPECT_EQ(widget->isVisible(), c.Visible);
        EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, c.Focusable);
        if (qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    // Labels keep their place and are as large as their caption; a label beside an edit stands on the
    // edit's text line instead, its middle level with the edit's.
    struct TLabelCase
    {
        const char* Name;
        QPoint Place;
        const char* Edit;
    };
    const TLabelCase labels[] = {
        {"bsSkinStdLabel1", {114, 9}, nullptr},      {"bsSkinStdLabel3", {9, 9}, nullptr},
        {"bsSkinStdLabel4", {9, 33}, "edtSubject"},  {"bsSkinStdLabel5", {9, 57}, nullptr},
        {"bsSkinStdLabel7", {9, 38}, "edtUsername"}, {"bsSkinStdLabel8", {9, 68}, "edtPassword"},
        {"bsSkinStdLabel2", {8, 9}, nullptr},        {"bsSkinStdLabel6", {9, 33}, "edtURL"},
        {"lblLink1URL", {13, 9}, nullptr},
    };
    for (const TLabelCase& c : labels) {
        SCOPED_TRACE(c.Name);
        auto* label = w.findChild<QLabel*>(QLatin1String(c.Name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->size(), label->sizeHint());
        if (!c.Edit) {
            EXPECT_EQ(label->pos(), c.Place);
            continue;
        }
        const QRect edit = w.findChild<QWidget*>(QLatin1String(c.Edit))->geometry();
        EXPECT_EQ(label->x(), c.Place.x());
        EXPECT_LE(qAbs(2 * label->y() + label->height() - (2 * edit.y() + edit.height())), 1);
    }
    EXPECT_EQ(w.lblLink2URL->geometry().right() + 1, 761 - 15);

    // Captions, hints and entries as laid out.
    EXPECT_EQ(w.bsSkinPageControl1->tabText(0), "Your Forums");
    EXPECT_NE(w.bsSkinPageControl1->tabBar()->focusPolicy() & Qt::TabFocus, 0);
    EXPECT_EQ(w.bsSkinTabSheet1->size(), QSize(235, 174));
    // Each hint as laid out, followed by the button's shortcut in brackets.
    EXPECT_TRUE(w.bsSkinSpeedButton1->toolTip().startsWith("Back ("));
    EXPECT_TRUE(w.bsSkinSpeedButton2->toolTip().startsWith("Foward ("));
    EXPECT_TRUE(w.bsSkinSpeedButton4->toolTip().startsWith("Refresh ("));
    EXPECT_TRUE(w.bsSkinSpeedButton3->toolTip().startsWith("Stop ("));
    EXPECT_FALSE(w.bsSkinSpeedButton1->icon().isNull());
    EXPECT_EQ(w.lblLink1URL->text(), "Google");
    EXPECT_EQ(w.lblLink2URL->text(), "Google");
    EXPECT_FALSE(w.lblLink1URL->URL().isEmpty());
    EXPECT_EQ(w.cbxFormat->maxVisibleItems(), 8);
    EXPECT_FALSE(w.cbxFormat->isEditable());
    EXPECT_EQ(w.lvwForums->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(w.memBody->tabChangesFocus());
    EXPECT_EQ(w.memBody->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(w.edtPassword->cursor().shape(), Qt::IBeamCursor);
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
}

TEST_F(MainWindowTest, ResizingMovesOnlyWhatIsDockedOrAnchored)
{
    TfrmMain w(Dir.Path());
    w.show();
    Pump();
    for (const QSize size : {QSize(1000, 700), QSize(761, 566), QSize(600, 450), QSize(1400, 900)}) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        w.resize(size);
        Pump();
        const int dw = size.width() - 761;
        const int dh = size.height() - 566;
        EXPECT_EQ(w.bsSkinPanel1->geometry(), QRect(0, 0, size.width(), 33));
        EXPECT_EQ(w.panBanner->geometry(), QRect(0, 33, size.width(), 65));
        EXPECT_EQ(w.panLinks->geometry(), QRect(0, size.height() - 39, size.width(), 39));
        EXPECT_EQ(w.bsSkinPanel2->geometry(), QRect(0, 98, 257, 429 + dh));
        EXPECT_EQ(w.bsSkinPanel3->geometry(), QRect(257, 98, 504 + dw, 429 + dh));
        // The toolbar buttons never move.
        EXPECT_EQ(w.btnMakeMoney->geometry(), QRect(641, 5, 98, 20));
        // Page control and forum list grow with the height.
        EXPECT_EQ(w.bsSkinPageControl1->geometry(), QRect(8, 221, 237, 196 + dh));
        EXPECT_EQ(w.lvwForums->geometry(), QRect(9, 94, 217, std::max(0, 70 + dh)))
            << w.bsSkinTabSheet1->height() << " " << w.bsSkinTabSheet1->minimumSizeHint().height();
        // The address box widens; "Go!" keeps 12 pixels to the right edge.
        EXPECT_EQ(w.edtURL->geometry(), QRect(48, 32, 390 + dw, 18));
        EXPECT_EQ(w.bsSkinPanel4->width() - (w.bsSkinButton2->geometry().right() + 1), 12);
        EXPECT_EQ(w.bsSkinBevel2->width(), 432 + dw);
        EXPECT_EQ(w.webBrowser->geometry(), QRect(0, 89, 504 + dw, 340 + dh));
        EXPECT_EQ(w.panLinks->width() - (w.lblLink2URL->geometry().right() + 1), 15);
        EXPECT_EQ(w.lblLink1URL->pos(), QPoint(13, 9));
    }
}

TEST_F(MainWindowTest, BannerIsCentredInItsPanel)
{
    TfrmMain w(Dir.Path());
    w.show();
    Pump();
    // Design sizes: 761 x 65 panel, 105 x 105 picture.
    EXPECT_EQ(w.imgBanner->pos(), QPoint(380 - 52, 32 - 52));
    EXPECT_EQ(w.gifBanner->geometry(), w.imgBanner->geometry());

    struct TCase
    {
        int PictureWidth;
        int ExpectedLeft;
    };
    const TCase cases[] = {{101, 330}, {100, 330}, {800, -20}, {1, 380}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.PictureWidth);
        QImage picture(c.PictureWidth, 20, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        w.imgBanner->SetPicture(picture);
        w.FormResize();
        EXPECT_EQ(w.imgBanner->x(), c.ExpectedLeft);
        EXPECT_EQ(w.imgBanner->y(), 32 - 10);
    }
    // Maximising and restoring re-centre each time.
    w.resize(1201, 700);
    Pump();
    EXPECT_EQ(w.imgBanner->x(), 600 - 0);
    w.resize(761, 566);
    Pump();
    EXPECT_EQ(w.imgBanner->x(), 380);
}

TEST_F(MainWindowTest, TabVisitsTheControlsInReadingOrder)
{
    TfrmMain w(Dir.Path());
    w.show();
    w.activateWindow();
    Pump();
    w.cbxFormat->setFocus();
    Pump();
    const QList<QWidget*> expected = {w.edtSubject, w.btnBPaste,    w.bsSkinPageControl1->tabBar(),
                                      w.btnAddURL,  w.btnRemoveURL, w.edtUsername,
                                      w.lvwForums,  w.edtPassword,  w.memBody};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        Pump();
        ASSERT_EQ(QApplication::focusWidget(), next)
            << next->objectName().toStdString() << " expected, "
            << QApplication::focusWidget()->objectName().toStdString();
    }
    // Then the browser pane, whose page keeps Tab for its own fields; the address box follows it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    Pump();
    QWidget* pane = QApplication::focusWidget();
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(w.webBrowser->isAncestorOf(pane));
    // Leaving the page forwards moves on to the address box, backwards to the memo.
    w.focusNextPrevChild(true);
    EXPECT_EQ(QApplication::focusWidget(), w.edtURL);
    QTest::keyClick(w.edtURL, Qt::Key_Backtab, Qt::ShiftModifier);
    Pump();
    EXPECT_TRUE(w.webBrowser->isAncestorOf(QApplication::focusWidget()));
    // From the address box round to the format chooser.
    w.edtURL->setFocus();
    QTest::keyClick(w.edtURL, Qt::Key_Tab);
    Pump();
    EXPECT_EQ(QApplication::focusWidget(), w.cbxFormat);
}

TEST_F(MainWindowTest, StartsInAnEmptyDirectoryWithNothingButTheDesignedWindow)
{
    TfrmMain w(Dir.Path());
    w.show();
    Pump(50);
    EXPECT_EQ(w.lvwForums->count(), 0);
    ASSERT_EQ(w.cbxFormat->count(), 1);
    EXPECT_EQ(w.cbxFormat->itemText(0), "text");
    EXPECT_TRUE(w.panBanner->isVisible());
    EXPECT_EQ(w.Messages->Count(), 0);
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
    // Nothing is written at start-up.
    EXPECT_FALSE(Dir.Exists("Forums.dat"));
    EXPECT_FALSE(Dir.Exists("Messages.dat"));
    EXPECT_FALSE(Dir.Exists("Formats.dat"));
}

TEST_F(MainWindowTest, ListsTheForumsAndTemplatesOfItsFiles)
{
    Dir.Write("Forums.dat", "URL^Username^Password^\r\n"
                            "https://a.example/^ann^pw1^\r\n"
                            "https://b.example/^bob^pw2^\r\n"
                            "https://c.example/^cy^pw3^\r\n");
    Dir.Write("Formats.dat", "Name^LinkOpen^LinkMiddle^LinkEnd^Email^\r\n"
                             "html^<a href=\"^\">^</a>^mailto:^\r\n"
                             "^x^y^z^^\r\n"
                             "ubb^[url=^]^[/url]^mailto:^\r\n");
    TfrmMain w(Dir.Path());
    w.show();
    Pump();
    ASSERT_EQ(w.lvwForums->count(), 3);
    EXPECT_EQ(w.lvwForums->item(0)->text(), "https://a.example/");
    EXPECT_EQ(w.lvwForums->item(2)->text(), "https://c.example/");
    const QStringList chooser = {"text", "html", "ubb"};
    ASSERT_EQ(w.cbxFormat->count(), chooser.size());
    for (int i = 0; i < chooser.size(); ++i)
        EXPECT_EQ(w.cbxFormat->itemText(i), chooser[i]);
    EXPECT_EQ(w.cbxFormat->currentIndex(), 0);
}

TEST_F(MainWindowTest, AnUnreadableFileIsReportedOnceTheWindowIsUpAndKeptSafe)
{
    // A link that points at itself exists but can never be opened, for root too. The other
    // stores still load, every list is filled, and the failure is reported once the window is up.
    Dir.Write("Forums.dat", "URL^Username^Password^\r\nhttps://a.example/^ann^pw^\r\n");
    ASSERT_EQ(::symlink("Messages.dat", (Dir.Path() + "Messages.dat").toLocal8Bit().constData()), 0);
    TfrmMain w(Dir.Path());
    EXPECT_TRUE(Boxes.Boxes().isEmpty()); // nothing before the window shows
    w.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Boxes.Boxes().isEmpty(); }));
    EXPECT_EQ(w.lvwForums->count(), 1);
    EXPECT_EQ(w.cbxFormat->count(), 1);
    ASSERT_EQ(Boxes.Boxes().size(), 1);
    EXPECT_EQ(Boxes.Boxes()[0].Caption, "Error");
    EXPECT_TRUE(Boxes.Boxes()[0].Text.startsWith("Cannot open file \"" + Dir.Path() + "Messages.dat\". "))
        << Boxes.Boxes()[0].Text.toStdString();
    // The store that could not be read never overwrites its file.
    w.Messages->Append(std::make_unique<TFMessage>());
    EXPECT_THROW(w.Messages->SaveAll(), std::exception);
    EXPECT_TRUE(QFileInfo(Dir.Path() + "Messages.dat").isSymLink());
}

} // namespace
