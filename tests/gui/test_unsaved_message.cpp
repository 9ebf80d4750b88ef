// The message in the editor is not lost by closing the window or by the end of the desktop session:
// unsaved text brings a question at close, and is saved without one when the session ends.
#include "GuiTestSupport.h"

#include "ui/FMain.h"
#include "ui/FUMessages.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QString CloseQuestion = QStringLiteral("Save the message before closing?");
const QByteArray Header = "Subject^Body^\r\n";

class UnsavedMessageTest : public ::testing::Test
{
public:
    void Start()
    {
        Window = std::make_unique<TfrmMain>(Dir.Path());
        Window->show();
        Pump();
        Boxes.Clear();
    }
    void Type(const QString& subject, const QString& body)
    {
        Window->edtSubject->setText(subject);
        Window->memBody->setPlainText(body);
    }
    QStringList Texts() const
    {
        QStringList texts;
        for (const TShownBox& box : Boxes.Boxes())
            texts << box.Text;
        return texts;
    }

    TTempAppDir Dir;
    TMessageRecorder Boxes;
    std::unique_ptr<TfrmMain> Window;
};

TEST_F(UnsavedMessageTest, ClosingAsksOnlyForTextThatWouldBeLost)
{
    // Typed before closing; a body with a line break, as the store keeps it.
    const QString body = QStringLiteral("Body\nP.S. one more line");
    const QByteArray record = "S^Body\x10nP.S. one more line^\r\n";
    struct TCase
    {
        const char* Name;
        std::function<void(UnsavedMessageTest&)> Before;
        int Answer;
        bool Asked;
        bool Closes;
        QByteArray File; // Messages.dat afterwards; empty: not written
    };
    const TCase cases[] = {
        {"nothing typed", [](UnsavedMessageTest&) {}, mrCancel, false, true, {}},
        {"typed, Yes saves", [&](UnsavedMessageTest& t) { t.Type("S", body); }, mrYes, true, true,
         Header + record},
        {"typed, No drops it", [&](UnsavedMessageTest& t) { t.Type("S", body); }, mrNo, true, true, {}},
        {"typed, Cancel stays", [&](UnsavedMessageTest& t) { t.Type("S", body); }, mrCancel, true, false, {}},
        {"saved as it stands",
         [&](UnsavedMessageTest& t) {
             t.Type("S", body);
             QTest::mouseClick(t.Window->btnSave, Qt::LeftButton);
         },
         mrCancel, false, true, Header + record},
        {"a P.S. after the save",
         [&](UnsavedMessageTest& t) {
             t.Type("S", QStringLiteral("Body"));
             QTest::mouseClick(t.Window->btnSave, Qt::LeftButton);
             t.Type("S", body);
         },
         mrNo, true, true, Header + "S^Body^\r\n"},
        {"emptied after the save",
         [&](UnsavedMessageTest& t) {
             t.Type("S", body);
             QTest::mouseClick(t.Window->btnSave, Qt::LeftButton);
             t.Type({}, {});
         },
         mrCancel, false, true, Header + record},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(Dir.Path() + "Messages.dat");
        Start();
        c.Before(*this);
        Boxes.Answer(c.Answer);
        const bool closed = Window->close();
        EXPECT_EQ(closed, c.Closes);
        EXPECT_EQ(Window->isVisible(), !c.Closes);
        EXPECT_EQ(Texts(), c.Asked ? QStringList{CloseQuestion} : QStringList{});
        if (c.Asked) {
            EXPECT_EQ(Boxes.Boxes().constFirst().Caption, "Confirm");
        }
        EXPECT_EQ(Dir.Read("Messages.dat"), c.File);
    }
}

// A message loaded from the store is kept as the editor shows it: closing right after a load asks
// nothing, also for a body with line breaks stored as CR LF.
TEST_F(UnsavedMessageTest, ALoadedMessageIsNotUnsaved)
{
    Dir.Write("Messages.dat", Header + "Loaded^Line one\x10r\x10nline two^\r\n");
    Start();
    TfrmFMessages dialog(Window.get());
    dialog.show();
    QTest::mouseClick(dialog.lvwMsgs->viewport(), Qt::LeftButton, {},
                      dialog.lvwMsgs->visualItemRect(dialog.lvwMsgs->topLevelItem(0)).center());
    QTest::mouseClick(dialog.btnLoad, Qt::LeftButton);
    ASSERT_EQ(Window->edtSubject->text(), "Loaded");
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
}

struct TFailedSave
{
    const char* Name;
    void (*Make)(const TTempAppDir& dir);
};

void PrintTo(const TFailedSave& c, std::ostream* os)
{
    *os << c.Name;
}

class FailedSave : public UnsavedMessageTest, public ::testing::WithParamInterface<TFailedSave>
{
};

// However often the user answers Yes, a save that fails is reported and the window stays with the text.
TEST_P(FailedSave, KeepsTheWindowAndTheTextEveryTime)
{
    GetParam().Make(Dir);
    Start();
    Type("S", "Body");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        Boxes.Clear();
        Boxes.Answer(mrYes);
        EXPECT_FALSE(Window->close());
        EXPECT_TRUE(Window->isVisible());
        EXPECT_EQ(Window->memBody->toPlainText(), "Body");
        ASSERT_EQ(Boxes.Boxes().size(), 2);
        EXPECT_EQ(Boxes.Boxes()[1].Caption, "Error");
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, FailedSave,
                         ::testing::Values(
                             // A directory in the store's place cannot be replaced by a file.
                             TFailedSave{
                                 "DirectoryInPlace",
                                 [](const TTempAppDir& dir) { QDir(dir.Path()).mkdir("Messages.dat"); }},
                             // A store read only up to a zero byte refuses to overwrite the rest.
                             TFailedSave{"ReadUpToAZeroByte",
                                         [](const TTempAppDir& dir) {
                                             static const char Bytes[] = "a^b^\r\n\0c^d^\r\n";
                                             dir.Write(QStringLiteral("Messages.dat"),
                                                       Header + QByteArray(Bytes, sizeof Bytes - 1));
                                         }}),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(UnsavedMessageTest, TheEndOfTheSessionSavesWithoutAsking)
{
    Start();
    Window->SaveForSessionEnd();
    EXPECT_FALSE(Dir.Exists("Messages.dat"));

    Type("S", "Body");
    Window->SaveForSessionEnd();
    Window->SaveForSessionEnd();
    EXPECT_EQ(Dir.Read("Messages.dat"), Header + "S^Body^\r\n");
    // Saved, the window then closes without a question.
    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
}

} // namespace
