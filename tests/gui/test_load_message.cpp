// The Load Message dialog: its layout, the list and the detail fields, loading, deleting, and the
// double-click, driven through the real widgets.
#include "GuiTestSupport.h"

#include "ui/FMain.h"
#include "ui/FUMessages.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class LoadMessageTest : public ::testing::Test
{
protected:
    void Open(const QByteArray& messages)
    {
        Dialog.reset(); // owned by the window too: release it first
        Window.reset();
        if (!messages.isEmpty())
            Dir.Write("Messages.dat", messages);
        Window = std::make_unique<TfrmMain>(Dir.Path());
        Window->show();
        Window->edtSubject->setText(QStringLiteral("typed subject"));
        Window->memBody->setPlainText(QStringLiteral("typed body"));
        // The typed text is not saved: loading over it asks first, answered Yes here.
        Boxes.Answer(mrYes);
        Boxes.Clear();
        Dialog = std::make_unique<TfrmFMessages>(Window.get());
        Dialog->open();
        Finished = -1;
        QObject::connect(Dialog.get(), &QDialog::finished, [this](int result) { Finished = result; });
        Pump();
    }
    QPoint RowCentre(int row) const
    {
        return Dialog->lvwMsgs->visualItemRect(Dialog->lvwMsgs->topLevelItem(row)).center();
    }
    void ClickRow(int row)
    {
        QTest::mouseClick(Dialog->lvwMsgs->viewport(), Qt::LeftButton, {}, RowCentre(row));
    }

    TTempAppDir Dir;
    TMessageRecorder Boxes;
    std::unique_ptr<TfrmMain> Window;
    std::unique_ptr<TfrmFMessages> Dialog;
    int Finished = -1;
};

const QByteArray ThreeMessages = "Subject^Body^\r\n"
                                 "Hello^First body\x10r\x10nsecond line^\r\n"
                                 "Same^A^\r\n"
                                 "Same^B^\r\n";

TEST_F(LoadMessageTest, IsLaidOutAsDesigned)
{
    Open(ThreeMessages);
    EXPECT_EQ(Dialog->windowTitle(), "Load Message");
    EXPECT_EQ(Dialog->size(), QSize(375, 357));
    const std::pair<QWidget*, QRect> places[] = {
        {Dialog->bsSkinPanel1, {12, 20, 343, 108}}, {Dialog->bsSkinBevel1, {92, 144, 261, 9}},
        {Dialog->edtSubject, {64, 160, 289, 18}},   {Dialog->bsSkinPanel5, {11, 202, 342, 111}},
        {Dialog->memBody, {0, 0, 323, 111}},        {Dialog->bsSkinScrollBar1, {323, 0, 19, 111}},
        {Dialog->btnLoad, {27, 325, 116, 20}},      {Dialog->btnDelete, {146, 325, 116, 20}},
        {Dialog->btnCancel, {266, 325, 74, 20}},
    };
    for (const auto& [widget, place] : places)
        EXPECT_EQ(widget->geometry(), place) << widget->objectName().toStdString();
    EXPECT_EQ(Dialog->btnLoad->text(), "Load Message");
    EXPECT_EQ(Dialog->btnDelete->text(), "Delete Message");
    EXPECT_EQ(Dialog->btnCancel->text(), "Close");
    EXPECT_TRUE(Dialog->edtSubject->isReadOnly());
    EXPECT_TRUE(Dialog->memBody->isReadOnly());
    // The list fills its panel beside the scroll bar, which shows only when needed.
    EXPECT_EQ(Dialog->lvwMsgs->width() + (Dialog->bsSkinScrollBar2->isVisible() ? 19 : 0), 343);
    // Two half-width columns, the first taking the odd pixel, also after a resize.
    for (const QSize size : {QSize(343, 108), QSize(300, 108), QSize(301, 90)}) {
        Dialog->bsSkinPanel1->resize(size);
        Pump();
        const int width = Dialog->lvwMsgs->viewport()->width();
        EXPECT_EQ(Dialog->lvwMsgs->columnWidth(0), width - width / 2);
        EXPECT_EQ(Dialog->lvwMsgs->columnWidth(1), width / 2);
    }
    EXPECT_EQ(Dialog->lvwMsgs->headerItem()->text(0), "Subject");
    EXPECT_EQ(Dialog->lvwMsgs->headerItem()->text(1), "Message Body");
}

TEST_F(LoadMessageTest, ListsTheStoreWithNothingChosen)
{
    Open(ThreeMessages);
    ASSERT_EQ(Dialog->lvwMsgs->topLevelItemCount(), 3);
    EXPECT_EQ(Dialog->lvwMsgs->topLevelItem(0)->text(0), "Hello");
    // A body's line breaks show as a mark in its one-line cell.
    EXPECT_EQ(Dialog->lvwMsgs->topLevelItem(0)->text(1), "First body \u00B6 second line");
    EXPECT_EQ(Dialog->lvwMsgs->topLevelItem(2)->text(0), "Same");
    EXPECT_TRUE(Dialog->lvwMsgs->selectedItems().isEmpty());
    EXPECT_TRUE(Dialog->edtSubject->text().isEmpty());
    EXPECT_TRUE(Dialog->memBody->toPlainText().isEmpty());
}

TEST_F(LoadMessageTest, DetailFieldsShowTheLastChosenMessage)
{
    Open(ThreeMessages);
    ClickRow(0);
    EXPECT_EQ(Dialog->edtSubject->text(), "Hello");
    EXPECT_EQ(Dialog->memBody->toPlainText(), "First body\nsecond line");
    // Keys choose too.
    QTest::keyClick(Dialog->lvwMsgs, Qt::Key_Down);
    EXPECT_EQ(Dialog->memBody->toPlainText(), "A");
    // Clearing the selection keeps the details, and "Load Message" loads them.
    Dialog->lvwMsgs->clearSelection();
    EXPECT_EQ(Dialog->memBody->toPlainText(), "A");
    QTest::mouseClick(Dialog->btnLoad, Qt::LeftButton);
    EXPECT_EQ(Window->edtSubject->text(), "Same");
    EXPECT_EQ(Window->memBody->toPlainText(), "A");
    EXPECT_EQ(Finished, mrOk);
}

// A subject longer than its edit shows its beginning, in the dialog and once loaded.
TEST_F(LoadMessageTest, ALongSubjectShowsItsBeginning)
{
    const QString subject =
        QStringLiteral("A subject far longer than the edit it is shown in, ") + QString(200, 'x');
    Open("Subject^Body^\r\n" + subject.toLatin1() + "^b^\r\n");
    ClickRow(0);
    EXPECT_EQ(Dialog->edtSubject->cursorPosition(), 0);
    QTest::mouseClick(Dialog->btnLoad, Qt::LeftButton);
    EXPECT_EQ(Window->edtSubject->text(), subject);
    EXPECT_EQ(Window->edtSubject->cursorPosition(), 0);
}

TEST_F(LoadMessageTest, LoadingWithNothingChosenEmptiesTheEditor)
{
    for (const QByteArray& store : {QByteArray(), ThreeMessages}) {
        Open(store);
        QTest::mouseClick(Dialog->btnLoad, Qt::LeftButton);
        EXPECT_EQ(Window->edtSubject->text(), "");
        EXPECT_EQ(Window->memBody->toPlainText(), "");
        EXPECT_EQ(Finished, mrOk);
    }
}

TEST_F(LoadMessageTest, DoubleClickLoadsAndCloses)
{
    struct TCase
    {
        const char* Name;
        bool OnItem;
        QString Subject;
    };
    const TCase cases[] = {{"on a message", true, "Same"}, {"on empty space", false, "Hello"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Open(ThreeMessages);
        ClickRow(0);
        const QPoint at = c.OnItem ? RowCentre(1) : QPoint(20, Dialog->lvwMsgs->viewport()->height() - 3);
        QTest::mouseClick(Dialog->lvwMsgs->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Dialog->lvwMsgs->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(Window->edtSubject->text(), c.Subject);
        EXPECT_EQ(Finished, mrOk);
    }
}

TEST_F(LoadMessageTest, DeleteRemovesTheChosenRowFromListStoreAndFile)
{
    Open(ThreeMessages);
    ClickRow(2); // the second of two equal subjects
    QTest::mouseClick(Dialog->btnDelete, Qt::LeftButton);
    ASSERT_EQ(Window->Messages->Count(), 2);
    EXPECT_EQ(Window->Messages->RecordAt(1).Body, "A");
    EXPECT_EQ(Dialog->lvwMsgs->topLevelItemCount(), 2);
    EXPECT_TRUE(Dialog->lvwMsgs->selectedItems().isEmpty());
    EXPECT_EQ(Dialog->lvwMsgs->currentItem(), nullptr); // no unselected row with the focus frame
    EXPECT_TRUE(Dialog->edtSubject->text().isEmpty());
    EXPECT_TRUE(Dialog->memBody->toPlainText().isEmpty());
    EXPECT_EQ(Dir.Read("Messages.dat"), "Subject^Body^\r\nHello^First body\x10r\x10n"
                                        "second line^\r\nSame^A^\r\n");
    EXPECT_TRUE(Dialog->isVisible());

    // A second delete at once removes nothing but still rewrites the file.
    Dir.MarkOld("Messages.dat");
    QTest::mouseClick(Dialog->btnDelete, Qt::LeftButton);
    EXPECT_EQ(Window->Messages->Count(), 2);
    EXPECT_TRUE(Dir.WrittenSinceMarked("Messages.dat"));
    EXPECT_EQ(Dir.Read("Messages.dat"), "Subject^Body^\r\nHello^First body\x10r\x10n"
                                        "second line^\r\nSame^A^\r\n");

    // Deleting the rest leaves the header line alone.
    for (int i = 0; i < 2; ++i) {
        ClickRow(0);
        QTest::mouseClick(Dialog->btnDelete, Qt::LeftButton);
    }
    EXPECT_EQ(Dialog->lvwMsgs->topLevelItemCount(), 0);
    EXPECT_EQ(Dir.Read("Messages.dat"), "Subject^Body^\r\n");
    EXPECT_EQ(Finished, -1);
}

TEST_F(LoadMessageTest, CloseAndTheFrameCloseWithCancelButEscDoesNot)
{
    Open(ThreeMessages);
    QTest::keyClick(Dialog->lvwMsgs, Qt::Key_Escape);
    QTest::keyClick(Dialog->lvwMsgs, Qt::Key_Return);
    EXPECT_EQ(Finished, -1);
    QTest::mouseClick(Dialog->btnCancel, Qt::LeftButton);
    EXPECT_EQ(Finished, mrCancel);
    EXPECT_EQ(Window->edtSubject->text(), "typed subject");

    Open(ThreeMessages);
    Dialog->close();
    EXPECT_EQ(Finished, mrCancel);
}

TEST_F(LoadMessageTest, TabVisitsListDetailsAndButtons)
{
    Open(ThreeMessages);
    Dialog->activateWindow();
    Dialog->lvwMsgs->setFocus();
    Pump();
    const QList<QWidget*> order = {Dialog->edtSubject, Dialog->memBody,   Dialog->btnLoad,
                                   Dialog->btnCancel,  Dialog->btnDelete, Dialog->lvwMsgs};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

// "Load Message" over unsaved text in the editor asks first, No by default; No loads nothing and
// leaves the dialog open.
TEST_F(LoadMessageTest, LoadingOverUnsavedTextAsksFirst)
{
    const QString question = QStringLiteral("Replace the message in the editor? It has not been saved.");
    struct TCase
    {
        const char* Name;
        bool Typed;       // the editor holds unsaved text
        bool DoubleClick; // on the row rather than "Load Message"
        int Answer;
        bool Asked;
        bool Loads;
    };
    const TCase cases[] = {
        {"unsaved, Yes", true, false, mrYes, true, true},
        {"unsaved, No", true, false, mrNo, true, false},
        {"unsaved, closed box", true, false, mrCancel, true, false},
        {"unsaved, double-click, No", true, true, mrNo, true, false},
        {"nothing typed", false, false, mrNo, false, true},
    };
    QStringList asked;
    bool noIsDefault = false;
    int answer = mrNo;
    const auto listen = [&] {
        TMessageBox::SetTestHook([&](TMessageDialog& box) {
            asked << box.Text();
            for (const QPushButton* button : box.Buttons())
                noIsDefault = noIsDefault || (button->isDefault() && button->text() == "&No");
            return answer;
        });
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Open(ThreeMessages);
        if (!c.Typed) {
            Window->edtSubject->clear();
            Window->memBody->clear();
        }
        listen();
        asked.clear();
        noIsDefault = false;
        answer = c.Answer;
        ClickRow(0);
        if (c.DoubleClick)
            QTest::mouseDClick(Dialog->lvwMsgs->viewport(), Qt::LeftButton, {}, RowCentre(0));
        else
            QTest::mouseClick(Dialog->btnLoad, Qt::LeftButton);
        EXPECT_EQ(asked, c.Asked ? QStringList{question} : QStringList{});
        EXPECT_EQ(noIsDefault, c.Asked);
        EXPECT_EQ(Window->edtSubject->text(), c.Loads ? "Hello" : "typed subject");
        EXPECT_EQ(Finished, c.Loads ? mrOk : -1);
        EXPECT_EQ(Dialog->isVisible(), !c.Loads);
    }
    TMessageBox::SetTestHook(nullptr);
}

TEST(LoadButton, OpensTheDialogModallyAndReleasesIt)
{
    TTempAppDir dir;
    dir.Write("Messages.dat", ThreeMessages);
    TfrmMain w(dir.Path());
    w.show();
    QPointer<QDialog> seen;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->windowTitle(), "Load Message");
        seen->close();
    });
    QTest::mouseClick(w.btnLoad, Qt::LeftButton);
    Pump();
    EXPECT_TRUE(seen.isNull());
}

} // namespace
