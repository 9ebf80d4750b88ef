// The message editor's actions: the format chooser, "Preview", "Copy" and "Save", and a message with
// paragraphs that survives a restart.
#include "GuiTestSupport.h"

#include "ui/FMain.h"
#include "ui/FUMessages.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QByteArray Templates = "Name^LinkOpen^LinkMiddle^LinkEnd^Email^\r\n"
                             "html^<a href=\"^\">^</a>^mailto:^\r\n"
                             "^IGNORED(^|^)^^\r\n"
                             "ubb^[url=^]^[/url]^mailto:^\r\n"
                             "^^^^^\r\n"
                             "bare^^^^^\r\n";

class EditorActionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dir.Write("Formats.dat", Templates);
        Window = std::make_unique<TfrmMain>(Dir.Path());
        Window->show();
        Pump();
    }
    void Type(const QString& subject, const QString& body)
    {
        Window->edtSubject->setText(subject);
        Window->memBody->setPlainText(body);
    }
    TTempAppDir Dir;
    TMessageRecorder Boxes;
    std::unique_ptr<TfrmMain> Window;
};

TEST_F(EditorActionsTest, ChooserListsTextThenTheNamedTemplatesEachApplyingItsOwn)
{
    const QStringList entries = {"text", "html", "ubb", "bare"};
    ASSERT_EQ(Window->cbxFormat->count(), entries.size());
    for (int i = 0; i < entries.size(); ++i)
        EXPECT_EQ(Window->cbxFormat->itemText(i), entries[i]);
    EXPECT_EQ(Window->cbxFormat->currentIndex(), 0);

    // Each entry converts with the template it names, past the nameless ones.
    Type(QString(), QStringLiteral("see http://a.example/x"));
    const QStringList copies = {
        "see http://a.example/x", "see <a href=\"http://a.example/x\">http://a.example/x</a>",
        "see [url=http://a.example/x]http://a.example/x[/url]", "see http://a.example/xhttp://a.example/x"};
    for (int i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i].toStdString());
        Window->cbxFormat->setCurrentIndex(i);
        QTest::mouseClick(Window->btnCopy, Qt::LeftButton);
        EXPECT_EQ(QApplication::clipboard()->text(), copies[i]);
    }
}

TEST_F(EditorActionsTest, PreviewShowsConvertedSubjectAndBodyJoinedByLineBreaks)
{
    struct TCase
    {
        const char* Name;
        int Entry;
        QString Subject;
        QString Body;
        QString Shown;
    };
    const TCase cases[] = {
        {"text keeps both as typed", 0, "Hi http://x.example", "mail me@x.example\nbye",
         "Hi http://x.example\n\r\n\rmail me@x.example\nbye"},
        {"empty subject: body alone", 1, "", "http://x.example",
         "<a href=\"http://x.example\">http://x.example</a>"},
        {"empty body: subject and the joint", 2, "me@x.example", "",
         "[url=mailto:me@x.example]me@x.example[/url]\n\r\n\r"},
        {"both empty", 0, "", "", ""},
        // Each "&" doubled, so that the box shows it instead of underlining the next letter.
        {"ampersands are shown", 0, "a&b", "a&&b", "a&&b\n\r\n\ra&&&&b"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Boxes.Clear();
        Window->cbxFormat->setCurrentIndex(c.Entry);
        Type(c.Subject, c.Body);
        QTest::mouseClick(Window->btnPreview, Qt::LeftButton);
        ASSERT_EQ(Boxes.Boxes().size(), 1);
        EXPECT_EQ(Boxes.Boxes()[0].Text, c.Shown);
        EXPECT_EQ(Boxes.Boxes()[0].Caption, TMessageBox::ApplicationTitle());
    }
}

TEST_F(EditorActionsTest, CopyPutsOnlyTheConvertedBodyOnTheClipboard)
{
    QApplication::clipboard()->setText(QStringLiteral("old"));
    Window->cbxFormat->setCurrentIndex(1);
    Type(QStringLiteral("subject http://s.example"), QStringLiteral("line 1\nwrite to a.b@c.example."));
    QTest::mouseClick(Window->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "line 1\nwrite to <a href=\"mailto:a.b@c.example\">a.b@c.example</a>.");
    // An empty body empties the clipboard.
    Type(QStringLiteral("x"), QString());
    QTest::mouseClick(Window->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "");
}

TEST_F(EditorActionsTest, SaveStoresWhatWasTypedEachTimeAndNothingWhenBothAreEmpty)
{
    Window->cbxFormat->setCurrentIndex(1); // the template never reaches the store
    Type(QString(), QString());
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    EXPECT_EQ(Window->Messages->Count(), 0);
    EXPECT_FALSE(Dir.Exists("Messages.dat"));

    Type(QString(), QStringLiteral("body only http://x.example"));
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    Type(QStringLiteral("Same"), QStringLiteral("twice"));
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    ASSERT_EQ(Window->Messages->Count(), 3);
    EXPECT_EQ(Window->Messages->RecordAt(0).Subject, "");
    EXPECT_EQ(Window->Messages->RecordAt(0).Body, "body only http://x.example");
    EXPECT_EQ(Dir.Read("Messages.dat"),
              "Subject^Body^\r\n^body only http://x.example^\r\nSame^twice^\r\nSame^twice^\r\n");
    EXPECT_TRUE(Boxes.Boxes().isEmpty());
}

TEST_F(EditorActionsTest, AFailedSaveIsReportedAndTheNextOneWritesEverything)
{
    // A directory in place of the file makes the save fail with the store's message.
    ASSERT_TRUE(QDir(Dir.Path()).mkdir("Messages.dat"));
    Type(QStringLiteral("one"), QStringLiteral("first"));
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    Pump();
    ASSERT_EQ(Boxes.Boxes().size(), 1);
    EXPECT_EQ(Boxes.Boxes()[0].Caption, "Error");
    EXPECT_TRUE(Boxes.Boxes()[0].Text.startsWith("Cannot create file \"" + Dir.Path() + "Messages.dat\"."));
    ASSERT_TRUE(QDir(Dir.Path()).rmdir("Messages.dat"));
    Type(QStringLiteral("two"), QStringLiteral("second"));
    QTest::mouseClick(Window->btnSave, Qt::LeftButton);
    EXPECT_EQ(Dir.Read("Messages.dat"), "Subject^Body^\r\none^first^\r\ntwo^second^\r\n");
}

TEST(EditorRestart, ParagraphsComeBackAfterARestart)
{
    TTempAppDir dir;
    TMessageRecorder boxes;
    const QString body = QStringLiteral("Dear all,\n\nFirst paragraph ^ with a caret.\n\n\tSecond, indented: "
                                        "é ü ✓ 😀\n\nBye\n");
    {
        TfrmMain w(dir.Path());
        w.show();
        Pump();
        w.edtSubject->setText(QStringLiteral("Paragraphs ^ test"));
        QTest::mouseClick(w.memBody, Qt::LeftButton);
        w.memBody->setPlainText(body);
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
    }
    TfrmMain w(dir.Path());
    w.show();
    Pump();
    // Load it back through the dialog, as a user would.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TfrmFMessages*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->lvwMsgs->setCurrentItem(dialog->lvwMsgs->topLevelItem(0));
        QTest::mouseClick(dialog->btnLoad, Qt::LeftButton);
    });
    QTest::mouseClick(w.btnLoad, Qt::LeftButton);
    EXPECT_EQ(w.edtSubject->text(), "Paragraphs ^ test");
    EXPECT_EQ(w.memBody->toPlainText(), body);
    EXPECT_TRUE(boxes.Boxes().isEmpty());
}

} // namespace
