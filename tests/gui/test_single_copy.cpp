// One copy per data directory: a second start of the real program on the same directory brings the
// running copy's window to the front and ends with status 0, leaving the files alone; the lock of a
// killed copy is taken over; another directory runs side by side.
#include "GuiTestSupport.h"

#include "app/TSingleCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Generous: the program starts under a loaded machine; the wait ends as soon as it has ended.
constexpr int ProgramWaitMs = 60000;

const QByteArray Forums = "URL^Username^Password^\r\nhttps://forum.example/^me^secret^\r\n";
const QByteArray Messages = "Subject^Body^\r\nHello^World^\r\n";

// The real program in dir, which is then its application directory.
QString InstallProgram(const TTempAppDir& dir)
{
    const QString target = dir.Path() + QStringLiteral("Threadwick");
    if (::link(THREADWICK_EXECUTABLE, QFile::encodeName(target).constData()) != 0)
        QFile::copy(QStringLiteral(THREADWICK_EXECUTABLE), target);
    return target;
}

// Runs the program to its end with this process's event loop running (this process may be the copy
// that has to answer it); its exit status, or -1 when it crashed or did not end.
int RunToEnd(QProcess& program, const QString& path)
{
    program.start(path, {});
    if (!program.waitForStarted())
        return -1;
    if (!QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, ProgramWaitMs)) {
        program.kill();
        program.waitForFinished();
        return -1;
    }
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

QStringList Entries(const TTempAppDir& dir)
{
    return QDir(dir.Path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(SingleCopy, ASecondStartRaisesTheRunningCopyAndEndsWithoutTouchingTheFiles)
{
    TTempAppDir dir;
    dir.Write("Forums.dat", Forums);
    dir.Write("Messages.dat", Messages);
    const QString program = InstallProgram(dir);
    TSingleCopy running(dir.Path());
    ASSERT_EQ(running.Start(), TSingleCopy::TStart::First);
    QWidget window;
    window.showMinimized();
    running.SetWindow(&window);
    int raised = 0;
    QObject::connect(&running, &TSingleCopy::RaiseRequested, [&] { ++raised; });

    QProcess second;
    EXPECT_EQ(RunToEnd(second, program), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(dir.Read("Forums.dat"), Forums);
    EXPECT_EQ(dir.Read("Messages.dat"), Messages);
    EXPECT_EQ(Entries(dir), QStringList({"Forums.dat", "Messages.dat", "Threadwick", "Threadwick.lock"}));
}

TEST(SingleCopy, TheLockOfAKilledCopyIsTakenOver)
{
    TTempAppDir dir;
    const QString program = InstallProgram(dir);
    QProcess killed;
    killed.start(program, {});
    ASSERT_TRUE(killed.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dir.Exists("Threadwick.lock"); }, ProgramWaitMs));
    killed.kill();
    killed.waitForFinished();
    ASSERT_TRUE(dir.Exists("Threadwick.lock"));

    TSingleCopy next(dir.Path());
    ASSERT_EQ(next.Start(), TSingleCopy::TStart::First);
    // The killed copy's socket is gone with it: the new holder answers later starts itself.
    int raised = 0;
    QObject::connect(&next, &TSingleCopy::RaiseRequested, [&] { ++raised; });
    QProcess later;
    EXPECT_EQ(RunToEnd(later, program), 0) << later.readAllStandardError().toStdString();
    EXPECT_EQ(raised, 1);
}

TEST(SingleCopy, DirectoriesAreToldApartButNotTheirSpellings)
{
    TTempAppDir one;
    TTempAppDir other;
    TSingleCopy first(one.Path());
    TSingleCopy second(other.Path());
    EXPECT_EQ(first.Start(), TSingleCopy::TStart::First);
    EXPECT_EQ(second.Start(), TSingleCopy::TStart::First);
    EXPECT_NE(TSingleCopy::ServerName(one.Path()), TSingleCopy::ServerName(other.Path()));

    const QString link = other.Path() + QStringLiteral("link");
    ASSERT_TRUE(QFile::link(QDir(one.Path()).absolutePath(), link));
    const QString oneWithoutSeparator = QDir(one.Path()).absolutePath();
    for (const QString& spelling : {oneWithoutSeparator, link, link + QLatin1Char('/')})
        EXPECT_EQ(TSingleCopy::ServerName(spelling), TSingleCopy::ServerName(one.Path()))
            << spelling.toStdString();
}

TEST(SingleCopy, ACopyThatHoldsTheDirectoryButDoesNotAnswerIsNamed)
{
    TTempAppDir dir;
    QLockFile held(dir.Path() + TSingleCopy::LockFileName());
    ASSERT_TRUE(held.tryLock(0));
    TSingleCopy late(dir.Path());
    EXPECT_EQ(late.Start(), TSingleCopy::TStart::Refused);
    EXPECT_EQ(late.Refusal(), QStringLiteral("Threadwick is already running with the files in %1.")
                                  .arg(QFileInfo(dir.Path()).canonicalFilePath()));
}

} // namespace
