// The Custom Message Templates dialog: read-only rows 1 to 3 against every way of moving into them,
// in-place editing, "Save", "Delete Selected Row" and "Cancel", and the store sizes around eight.
#include "GuiTestSupport.h"

#include "ui/FFormats.h"
#include "ui/FMain.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

QByteArray Store(int templates)
{
    QByteArray file = "Name^LinkOpen^LinkMiddle^LinkEnd^Email^\r\n";
    for (int i = 1; i <= templates; ++i)
        file += QStringLiteral("t%1^o%1^m%1^e%1^x%1^\r\n").arg(i).toLatin1();
    return file;
}

class TemplatesDialogTest : public ::testing::Test
{
public:
    void Open(int templates)
    {
        Dialog.reset();
        Window.reset();
        Dir.Write("Formats.dat", Store(templates));
        Window = std::make_unique<TfrmMain>(Dir.Path());
        Window->show();
        Dialog = std::make_unique<TfrmFormat>(Window.get());
        QObject::connect(Dialog.get(), &QDialog::finished, [this](int result) { Finished = result; });
        Finished = -1;
        Dialog->open();
        Dialog->activateWindow();
        Grid()->setFocus();
        Pump();
        Boxes.Clear();
    }
    TTemplateGrid* Grid() const { return Dialog->grdSettings; }
    QPoint CellCentre(int column, int row) const
    {
        return Grid()->visualRect(Grid()->model()->index(row - 1, column)).center();
    }
    QPoint Current() const { return {Grid()->Col(), Grid()->Row()}; }
    // The cell editor open in the table (a closed one may linger until it is deleted).
    QLineEdit* Editor() const
    {
        for (QLineEdit* editor : Grid()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }
    int ReadOnlyMessages() const
    {
        int count = 0;
        for (const TShownBox& box : Boxes.Boxes())
            if (box.Text == "These templates are read only." && box.Caption == "Information")
                ++count;
        return count;
    }
    void Wheel(int delta)
    {
        QWheelEvent wheel(QPointF(CellCentre(0, 5)),
                          Grid()->viewport()->mapToGlobal(QPointF(CellCentre(0, 5))), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Grid()->viewport(), &wheel);
    }

    TTempAppDir Dir;
    TMessageRecorder Boxes;
    std::unique_ptr<TfrmMain> Window;
    std::unique_ptr<TfrmFormat> Dialog;
    int Finished = -1;
};

TEST_F(TemplatesDialogTest, IsLaidOutAsDesignedAndStartsInRowFour)
{
    Open(3);
    EXPECT_EQ(Dialog->windowTitle(), "Custom Message Templates");
    EXPECT_EQ(Dialog->size(), QSize(553, 296));
    EXPECT_EQ(Dialog->Panel1->geometry(), QRect(9, 33, 526, 211));
    EXPECT_EQ(Dialog->btnSave->geometry(), QRect(117, 257, 84, 20));
    EXPECT_EQ(Dialog->btnDelete->geometry(), QRect(204, 257, 140, 20));
    EXPECT_EQ(Dialog->btnCancel->geometry(), QRect(348, 257, 84, 20));
    EXPECT_EQ(Dialog->btnDelete->text(), "Delete Selected Row");
    EXPECT_EQ(Grid()->geometry(), QRect(0, 0, 526, 211));
    EXPECT_FALSE(Dialog->bsSkinScrollBar1->isVisible());
    EXPECT_FALSE(Dialog->bsSkinScrollBar2->isVisible());
    ASSERT_EQ(Grid()->columnCount(), 5);
    ASSERT_EQ(Grid()->rowCount(), 8);
    const QStringList headings = {"Name", "Link Open", "Link Middle", "Link End", "Email"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(Grid()->horizontalHeaderItem(c)->text(), headings[c]);
        EXPECT_EQ(Grid()->columnWidth(c), 100);
    }
    EXPECT_EQ(Grid()->rowHeight(0), 20);
    EXPECT_EQ(Dialog->Cell(2, 3), "m3");
    EXPECT_EQ(Current(), QPoint(0, 4));
    EXPECT_EQ(ReadOnlyMessages(), 0);
}

TEST_F(TemplatesDialogTest, EveryWayIntoRowsOneToThreeIsRefusedWithOneMessage)
{
    struct TCase
    {
        const char* Name;
        std::function<void(TemplatesDialogTest&)> Act;
    };
    const TCase cases[] = {
        {"Up", [](TemplatesDialogTest& t) { QTest::keyClick(t.Grid(), Qt::Key_Up); }},
        {"Page Up", [](TemplatesDialogTest& t) { QTest::keyClick(t.Grid(), Qt::Key_PageUp); }},
        {"Ctrl+Home",
         [](TemplatesDialogTest& t) { QTest::keyClick(t.Grid(), Qt::Key_Home, Qt::ControlModifier); }},
        {"wheel up", [](TemplatesDialogTest& t) { t.Wheel(120); }},
        {"click on row 2",
         [](TemplatesDialogTest& t) {
             QTest::mouseClick(t.Grid()->viewport(), Qt::LeftButton, {}, t.CellCentre(1, 2));
         }},
        {"double-click on row 1",
         [](TemplatesDialogTest& t) {
             // As the window system delivers it: a click, then the double-click in place of a second press.
             QTest::mouseClick(t.Grid()->viewport(), Qt::LeftButton, {}, t.CellCentre(3, 1));
             QTest::mouseDClick(t.Grid()->viewport(), Qt::LeftButton, {}, t.CellCentre(3, 1));
             QTest::mouseRelease(t.Grid()->viewport(), Qt::LeftButton, {}, t.CellCentre(3, 1));
         }},
        {"program move", [](TemplatesDialogTest& t) { EXPECT_FALSE(t.Grid()->MoveTo(0, 3)); }},
        {"right-click on row 2",
         [](TemplatesDialogTest& t) {
             QTest::mouseClick(t.Grid()->viewport(), Qt::RightButton, {}, t.CellCentre(0, 2));
         }},
        {"middle-click on row 3",
         [](TemplatesDialogTest& t) {
             QTest::mouseClick(t.Grid()->viewport(), Qt::MiddleButton, {}, t.CellCentre(0, 3));
         }},
        {"drag from row 4 into row 2",
         [](TemplatesDialogTest& t) {
             // Pressed on the current cell, whose editor the press opens and the drag leaves alone; then
             // from another cell of row 4, which the drag takes along.
             for (int column : {0, 1}) {
                 QWidget* viewport = t.Grid()->viewport();
                 QTest::mousePress(viewport, Qt::LeftButton, {}, t.CellCentre(column, 4));
                 for (int row : {3, 2}) {
                     const QPointF at(t.CellCentre(column, row));
                     QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                                      Qt::LeftButton, Qt::NoModifier);
                     QApplication::sendEvent(viewport, &move);
                 }
                 QTest::mouseRelease(viewport, Qt::LeftButton, {}, t.CellCentre(column, 2));
                 t.Grid()->CommitEditor();
             }
         }},
    };
    Open(3);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Grid()->MoveTo(0, 4);
        Boxes.Clear();
        const QPoint before = Current();
        c.Act(*this);
        Pump();
        EXPECT_EQ(ReadOnlyMessages(), 1);
        EXPECT_EQ(Current().y(), before.y());
        EXPECT_FALSE(Grid()->IsEditing());
        // Rows 1 to 3 are as loaded, whatever was typed afterwards.
        QTest::keyClicks(Grid(), "zz");
        Grid()->CommitEditor();
        for (int row = 1; row <= 3; ++row)
            EXPECT_EQ(Dialog->Cell(0, row), QStringLiteral("t%1").arg(row)) << row;
    }
}

TEST_F(TemplatesDialogTest, MovesAmongRowsFourToEightShowNothing)
{
    Open(3);
    QTest::keyClick(Grid(), Qt::Key_Down);
    QTest::keyClick(Grid(), Qt::Key_Right);
    EXPECT_EQ(Current(), QPoint(1, 5));
    QTest::keyClick(Grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Current(), QPoint(4, 8));
    Wheel(120);
    EXPECT_EQ(Current(), QPoint(4, 7));
    Wheel(-120);
    Wheel(-120);
    EXPECT_EQ(Current(), QPoint(4, 8));
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, CellCentre(2, 6));
    EXPECT_EQ(Current(), QPoint(2, 6));
    EXPECT_EQ(ReadOnlyMessages(), 0);
}

TEST_F(TemplatesDialogTest, EditingAndSavingWithTheEditorStillOpen)
{
    Open(3);
    // Typing replaces the cell; F2 and Enter open and close the editor.
    QTest::keyClick(Grid(), Qt::Key_B);
    ASSERT_TRUE(Grid()->IsEditing());
    QTest::keyClicks(Editor(), QStringLiteral("bcode"));
    QTest::keyClick(Editor(), Qt::Key_Return);
    Pump(); // the editor closes from the event loop
    EXPECT_FALSE(Grid()->IsEditing());
    EXPECT_EQ(Dialog->Cell(0, 4), "bbcode");
    QTest::keyClick(Grid(), Qt::Key_Right);
    QTest::keyClick(Grid(), Qt::Key_F2);
    ASSERT_TRUE(Grid()->IsEditing());
    QTest::keyClicks(Editor(), QStringLiteral("[url="));
    // Save while the editor is open: the click takes the focus first, so the text is kept.
    QTest::mouseClick(Dialog->btnSave, Qt::LeftButton);
    EXPECT_EQ(Finished, mrOk);
    ASSERT_EQ(Window->Formats->Count(), 8);
    EXPECT_EQ(Window->Formats->RecordAt(3).Name, "bbcode");
    EXPECT_EQ(Window->Formats->RecordAt(3).LinkOpen, "[url=");
    EXPECT_EQ(Window->Formats->RecordAt(0).Name, "t1");
}

TEST_F(TemplatesDialogTest, SaveWritesTheEightRowsAndKeepsStoredTemplatesBeyondThem)
{
    struct TCase
    {
        int Stored;
        int SavedAndNamed;
    };
    for (const TCase c : {TCase{2, 2}, TCase{5, 5}, TCase{10, 10}}) {
        SCOPED_TRACE(c.Stored);
        Open(c.Stored);
        EXPECT_EQ(Grid()->rowCount(), 8);
        QTest::mouseClick(Dialog->btnSave, Qt::LeftButton);
        ASSERT_EQ(Window->Formats->Count(), std::max(c.Stored, 8));
        QByteArray expected = Store(c.Stored);
        for (int i = c.Stored; i < 8; ++i)
            expected += "^^^^^\r\n";
        EXPECT_EQ(Dir.Read("Formats.dat"), expected);
        // The chooser lists "text" and the named templates only.
        Window->FillFormats();
        EXPECT_EQ(Window->cbxFormat->count(), 1 + c.SavedAndNamed);
    }
}

TEST_F(TemplatesDialogTest, DeleteSelectedRowEmptiesOnlyTheCurrentRowUntilSave)
{
    Open(6);
    QTest::keyClick(Grid(), Qt::Key_Down); // row 5
    QTest::mouseClick(Dialog->btnDelete, Qt::LeftButton);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(Dialog->Cell(c, 5), "");
    EXPECT_EQ(Dialog->Cell(0, 4), "t4");
    EXPECT_EQ(Window->Formats->RecordAt(4).Name, "t5");
    EXPECT_EQ(Finished, -1);
}

TEST_F(TemplatesDialogTest, CancelChangesNothing)
{
    Open(5);
    const QByteArray before = Dir.Read("Formats.dat");
    QTest::keyClick(Grid(), Qt::Key_C);
    QTest::keyClicks(Editor(), QStringLiteral("hanged"));
    QTest::keyClick(Editor(), Qt::Key_Return);
    Pump();
    QTest::mouseClick(Dialog->btnDelete, Qt::LeftButton);
    QTest::keyClick(Grid(), Qt::Key_Escape);
    EXPECT_EQ(Finished, -1); // Esc does not close it
    QTest::mouseClick(Dialog->btnCancel, Qt::LeftButton);
    EXPECT_EQ(Finished, mrCancel);
    EXPECT_EQ(Window->Formats->Count(), 5);
    EXPECT_EQ(Window->Formats->RecordAt(3).Name, "t4");
    EXPECT_EQ(Dir.Read("Formats.dat"), before);
}

TEST(OptionsButton, StaysHiddenAndItsDialogRefillsTheChooserOnSave)
{
    TTempAppDir dir;
    TMessageRecorder boxes;
    dir.Write("Formats.dat", Store(2));
    TfrmMain w(dir.Path());
    w.show();
    Pump();
    EXPECT_FALSE(w.btnOptions->isVisible());
    w.cbxFormat->setCurrentIndex(2);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TfrmFormat*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->grdSettings->item(3, 0)->setText(QStringLiteral("new"));
        QTest::mouseClick(dialog->btnSave, Qt::LeftButton);
    });
    w.btnOptionsClick();
    const QStringList entries = {"text", "t1", "t2", "new"};
    ASSERT_EQ(w.cbxFormat->count(), entries.size());
    for (int i = 0; i < entries.size(); ++i)
        EXPECT_EQ(w.cbxFormat->itemText(i), entries[i]);
    EXPECT_EQ(w.cbxFormat->currentIndex(), 0);
    EXPECT_FALSE(w.btnOptions->isVisible());
}

} // namespace
