// The message box: its layout rules (label, icon, button row, client size, least and greatest
// width), captions by type, mnemonics, and the keys that close it.
#include "GuiTestSupport.h"

#include "toolkit/TSkinData.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class MessageBoxTest : public ::testing::Test
{
protected:
    void SetUp() override { Skin.LoadBuiltIn(); }
    TSkinData Skin;
};

TEST_F(MessageBoxTest, IsLaidOutFromItsTextAndTheSkin)
{
    const int buttonHeight = TSkinData::Current().ButtonPictureHeight();
    const int leastWidth = TSkinData::Current().WindowPictureWidth();
    const QFontMetrics fm(TSkinData::Current().MessageFont());
    const int workWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    ASSERT_EQ(buttonHeight, 21);
    ASSERT_EQ(leastWidth, 315);

    struct TCase
    {
        const char* Name;
        QString Text;
        int Lines;
    };
    const TCase cases[] = {
        {"empty text", QString(), 1},
        {"short line", QStringLiteral("Saved."), 1},
        {"three kinds of line break", QStringLiteral("a\r\nb\rc\nd"), 4},
        {"subject and body joint", QStringLiteral("Subject\n\r\n\rBody"), 4},
        {"very long line", QString(4000, QLatin1Char('W')), 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto box = TMessageBox::Build(c.Text, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
        const QRect label = box->Label()->geometry();
        EXPECT_EQ(label.topLeft(), QPoint(50, 15));
        // One line's height per line, an empty text included.
        EXPECT_NEAR(label.height(), c.Lines * fm.lineSpacing(), c.Lines + 1);
        EXPECT_EQ(box->height(), buttonHeight + label.height() + 50);
        const int natural = std::max(50 + label.width(), 70) + 40;
        EXPECT_EQ(box->width(), std::clamp(natural, std::min(leastWidth, workWidth), workWidth));

        // The icon sits beside the middle of the text, never above 10.
        ASSERT_NE(box->Icon(), nullptr);
        EXPECT_EQ(box->Icon()->geometry(), QRect(5, std::max(10, 15 + label.height() / 2 - 16), 32, 32));

        // One "OK", 70 wide, centred, its bottom 10 above the bottom edge.
        ASSERT_EQ(box->Buttons().size(), 1);
        QPushButton* ok = box->Buttons()[0];
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_EQ(ok->geometry(),
                  QRect((box->width() - 70) / 2, box->height() - 10 - buttonHeight, 70, buttonHeight));
        EXPECT_TRUE(ok->isDefault());
    }
}

TEST_F(MessageBoxTest, RowOfSeveralButtonsIsCentred)
{
    auto box = TMessageBox::Build(QStringLiteral("Go on?"), TMsgDlgType::mtConfirmation,
                                  {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel});
    ASSERT_EQ(box->Buttons().size(), 3);
    const int row = 3 * 70 + 2 * 10;
    const int left = (box->width() - row) / 2;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(box->Buttons()[i]->x(), left + i * 80);
}

TEST_F(MessageBoxTest, CaptionAndIconFollowTheType)
{
    struct TCase
    {
        TMsgDlgType Type;
        QString Caption;
        bool HasIcon;
    };
    const TCase cases[] = {
        {TMsgDlgType::mtWarning, "Warning", true},
        {TMsgDlgType::mtError, "Error", true},
        {TMsgDlgType::mtInformation, "Information", true},
        {TMsgDlgType::mtConfirmation, "Confirm", true},
        {TMsgDlgType::mtCustom, TMessageBox::ApplicationTitle(), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Caption.toStdString());
        auto box = TMessageBox::Build(QStringLiteral("x"), c.Type, {TMsgDlgBtn::mbOK});
        EXPECT_EQ(box->windowTitle(), c.Caption);
        EXPECT_EQ(box->Icon() != nullptr, c.HasIcon);
    }
}

TEST(ApplicationTitle, IsTheExecutableNameCutAtItsFirstDot)
{
    const std::pair<QString, QString> cases[] = {
        {"/opt/threadwick/Threadwick", "Threadwick"},
        {"/opt/x/THREADWICK.bin.old", "Threadwick"},
        {"/usr/bin/threadwick", "threadwick"},
        {"C", "C"},
        {"/usr/bin/.hidden", ""},
        {"/usr/bin/ÉCRIRE.exe", "Écrire"},
    };
    for (const auto& [path, title] : cases)
        EXPECT_EQ(TMessageBox::ApplicationTitleOf(path), title) << path.toStdString();
}

TEST_F(MessageBoxTest, AmpersandMarksAMnemonic)
{
    // "a&b" shows "ab" with the b underlined; "a&&b" shows "a&b".
    const auto width = [](const QString& text) {
        return TMessageBox::Build(text, TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK})->Label()->width();
    };
    EXPECT_EQ(width(QStringLiteral("a&b")), width(QStringLiteral("ab")));
    EXPECT_GT(width(QStringLiteral("a&&b")), width(QStringLiteral("ab")));
    EXPECT_EQ(width(QStringLiteral("a&&b")), width(QStringLiteral("a&&b&")));
}

TEST_F(MessageBoxTest, EnterEscAndTheWindowSystemCloseIt)
{
    struct TCase
    {
        const char* Name;
        std::function<void(TMessageDialog&)> Act;
        int Result;
    };
    const TCase cases[] = {
        {"Enter", [](TMessageDialog& b) { QTest::keyClick(&b, Qt::Key_Return); }, mrOk},
        {"keypad Enter", [](TMessageDialog& b) { QTest::keyClick(&b, Qt::Key_Enter); }, mrOk},
        {"Esc", [](TMessageDialog& b) { QTest::keyClick(&b, Qt::Key_Escape); }, mrOk},
        {"click on OK", [](TMessageDialog& b) { QTest::mouseClick(b.Buttons()[0], Qt::LeftButton); }, mrOk},
        {"window system close", [](TMessageDialog& b) { b.close(); }, mrCancel},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto box =
            TMessageBox::Build(QStringLiteral("Hello"), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
        int result = -1;
        QObject::connect(box.get(), &QDialog::finished, [&](int r) { result = r; });
        box->open();
        Pump();
        c.Act(*box);
        Pump();
        EXPECT_EQ(result, c.Result);
        EXPECT_FALSE(box->isVisible());
    }
}

// Enter presses the default button, also when no button holds the focus (a click on the text takes
// it away, say), and the button the user moved the focus to when there is one.
TEST_F(MessageBoxTest, EnterPressesTheDefaultButton)
{
    struct TCase
    {
        const char* Name;
        std::function<void(TMessageDialog&)> Focus;
        int Result;
    };
    const TCase cases[] = {
        {"focus on the default", [](TMessageDialog&) {}, mrNo},
        {"no button focused", [](TMessageDialog& b) { b.Buttons()[1]->clearFocus(); }, mrNo},
        {"focus moved to Yes", [](TMessageDialog& b) { b.Buttons()[0]->setFocus(); }, mrYes},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto box = TMessageBox::Build(QStringLiteral("Paste it anyway?"), TMsgDlgType::mtConfirmation,
                                      {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo});
        box->SetDefaultButton(TMsgDlgBtn::mbNo);
        int result = -1;
        QObject::connect(box.get(), &QDialog::finished, [&](int r) { result = r; });
        box->open();
        Pump();
        c.Focus(*box);
        Pump();
        QTest::keyClick(box.get(), Qt::Key_Return);
        Pump();
        EXPECT_EQ(result, c.Result);
    }
}

// A box that holds its input back (the question about another program) takes keys and clicks only
// after a quiet delay: input that keeps arriving, however slowly, never answers it. Once it takes
// keys, Enter answers with the default button wherever Tab moved the focus.
TEST_F(MessageBoxTest, InputThatKeepsArrivingDoesNotAnswerADelayedBox)
{
    // The delay of the question about another program, and a slow typist's pace (five keys a second).
    constexpr int DelayMs = 1000;
    constexpr int KeyGapMs = 200;
    struct TClockReset
    {
        ~TClockReset() { TMessageDialog::SetInputDelayClock(nullptr); }
    } clockReset;
    qint64 now = 0;
    TMessageDialog::SetInputDelayClock([&] { return now; });

    // Where a key would go: the box's focused button, else the box.
    const auto focused = [](TMessageDialog& b) -> QWidget* { return b.focusWidget() ? b.focusWidget() : &b; };
    const auto typed = [&](const QString& before, const QString& after) {
        return [&, before, after](TMessageDialog& b) {
            const auto keys = [&](const QString& text) {
                for (const QChar c : text) {
                    now += KeyGapMs;
                    QTest::keyClick(focused(b), c.toLatin1());
                }
            };
            keys(before);
            now += KeyGapMs;
            QTest::keyClick(focused(b), Qt::Key_Tab);
            keys(after);
            now += KeyGapMs;
            QTest::keyClick(focused(b), Qt::Key_Return);
        };
    };
    const struct
    {
        const char* Name;
        std::function<void(TMessageDialog&)> Input;
    } cases[] = {
        {"alice<Tab>hunter2<Enter>", typed(QStringLiteral("alice"), QStringLiteral("hunter2"))},
        {"clicks on Yes",
         [&](TMessageDialog& b) {
             for (int i = 0; i < 10; ++i) {
                 now += KeyGapMs;
                 QTest::mouseClick(b.Buttons()[0], Qt::LeftButton);
             }
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto box =
            TMessageBox::Build(QStringLiteral("Another program on this computer will open it. Open it?"),
                               TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo});
        box->SetDefaultButton(TMsgDlgBtn::mbNo);
        box->SetInputDelay(DelayMs);
        int result = -1;
        QObject::connect(box.get(), &QDialog::finished, [&](int r) { result = r; });
        box->open();
        Pump();
        c.Input(*box);
        Pump();
        EXPECT_EQ(result, -1);
        EXPECT_TRUE(box->isVisible());
        EXPECT_FALSE(box->Buttons()[0]->isEnabled());

        // A quiet delay later the box takes keys; Tab to Yes and Enter still answer No.
        now += DelayMs;
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->Buttons()[0]->isEnabled(); }));
        QTest::keyClick(focused(*box), Qt::Key_Tab);
        EXPECT_EQ(box->focusWidget(), box->Buttons()[0]);
        QTest::keyClick(focused(*box), Qt::Key_Return);
        Pump();
        EXPECT_EQ(result, mrNo);
    }
}

// A text taller than the screen scrolls inside the box: the box, its caption and its buttons stay
// within the screen's work area, and the keys that page scroll the text.
TEST_F(MessageBoxTest, ATallTextScrollsInsideABoxThatFitsTheScreen)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QStringList lines;
    for (int i = 1; i <= 400; ++i)
        lines << QStringLiteral("line %1").arg(i);
    auto tall = TMessageBox::Build(lines.join(QLatin1Char('\n')), TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK});
    ASSERT_NE(tall->TextArea(), nullptr);
    EXPECT_LT(tall->height(), work.height());
    tall->open();
    Pump();
    EXPECT_TRUE(work.contains(tall->geometry()));
    QPushButton* ok = tall->Buttons()[0];
    EXPECT_LE(ok->geometry().bottom(), tall->height() - 10);
    EXPECT_LE(tall->TextArea()->geometry().bottom(), ok->y());
    QScrollBar* bar = tall->TextArea()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(tall.get(), Qt::Key_PageDown);
    EXPECT_GT(bar->value(), 0);
    QTest::keyClick(tall.get(), Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
    tall->close();

    // A text that fits does not scroll.
    EXPECT_EQ(
        TMessageBox::Build(QStringLiteral("a\nb"), TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK})->TextArea(),
        nullptr);
}

TEST_F(MessageBoxTest, ShowMessageBoxIsAnsweredByTheTestHook)
{
    TMessageRecorder recorder;
    TMessageBox box;
    EXPECT_EQ(box.ShowMessageBox(QStringLiteral("These templates are read only."), TMsgDlgType::mtInformation,
                                 {TMsgDlgBtn::mbOK}, 0),
              mrOk);
    ASSERT_EQ(recorder.Boxes().size(), 1);
    EXPECT_EQ(recorder.Boxes()[0].Caption, "Information");
    EXPECT_EQ(recorder.Boxes()[0].Text, "These templates are read only.");
    EXPECT_GE(recorder.Boxes()[0].ClientSize.width(), 315);
}

} // namespace
