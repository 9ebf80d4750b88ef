// Failures that no handler deals with: shown in the skinned message box, and the program goes on.
#include "GuiTestSupport.h"

#include "toolkit/TErrorReport.h"
#include "toolkit/TSkinData.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(ErrorHandling, AFailureInAHandlerIsReportedAndTheProgramGoesOn)
{
    TSkinData skin;
    skin.LoadBuiltIn();
    TMessageRecorder recorder;
    QPushButton button(QStringLiteral("Save"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        throw std::runtime_error("Stream write error");
    });
    button.show();
    Pump();
    for (int round = 1; round <= 2; ++round) {
        QTest::mouseClick(&button, Qt::LeftButton);
        Pump();
        ASSERT_EQ(recorder.Boxes().size(), round);
        EXPECT_EQ(recorder.Boxes().last().Caption, "Error");
        EXPECT_EQ(recorder.Boxes().last().Text, "Stream write error");
    }
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(button.isDown());
}

TEST(ErrorHandling, AFailureInATimerIsReportedToo)
{
    TMessageRecorder recorder;
    QTimer::singleShot(0, [] { throw std::runtime_error("List index out of bounds (5)"); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.Boxes().isEmpty(); }));
    ASSERT_EQ(recorder.Boxes().size(), 1);
    EXPECT_EQ(recorder.Boxes()[0].Text, "List index out of bounds (5)");
}

// The box takes "&" for a mnemonic: a path holding one is passed doubled, so that it shows as it is.
TEST(ErrorHandling, AnAmpersandInAFailureIsShown)
{
    TMessageRecorder recorder;
    ReportFailure(QStringLiteral("Cannot open file \"/home/a&b/Forums.dat\". Permission denied"));
    ASSERT_EQ(recorder.Boxes().size(), 1);
    EXPECT_EQ(recorder.Boxes()[0].Text, "Cannot open file \"/home/a&&b/Forums.dat\". Permission denied");
}

} // namespace
