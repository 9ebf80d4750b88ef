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
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <iostream>

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

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

// Sets an environment variable for the scope of a test; restores what it was.
class TEnvironment
{
public:
    TEnvironment(const char* name, const QByteArray& value)
        : FName(name), FHad(qEnvironmentVariableIsSet(name)), FValue(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~TEnvironment()
    {
        if (FHad)
            qputenv(FName, FValue);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    bool FHad;
    QByteArray FValue;
};

// Acting as a second local user needs root; "nobody" is that user.
const passwd* OtherUser()
{
    return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
}

TEST(SingleCopy, TheSocketLiesOnlyWhereNoOtherUserCanCreateOne)
{
    const passwd* other = OtherUser();
    QTemporaryDir temp;
    const TEnvironment tmpdir("TMPDIR", QFile::encodeName(temp.path()));
    const QString fallback = temp.path() + QStringLiteral("/threadwick-") + QString::number(::geteuid());
    const auto directory = [&](const char* name, mode_t mode, bool otherUsers) {
        const QString path = temp.path() + QLatin1Char('/') + QLatin1String(name);
        ::mkdir(QFile::encodeName(path).constData(), mode);
        ::chmod(QFile::encodeName(path).constData(), mode);
        if (otherUsers && other) {
            EXPECT_EQ(::chown(QFile::encodeName(path).constData(), other->pw_uid, other->pw_gid), 0);
        }
        return path;
    };
    const QString own = directory("own", 0700, false);
    const QString link = temp.path() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(own, link));
    const struct
    {
        const char* Case;
        QString Runtime;
        QString Expected;
        bool NeedsOtherUser;
    } cases[] = {
        {"the user's runtime directory", own, own, false},
        {"unset", QString(), fallback, false},
        {"open to others", directory("open", 0777, false), fallback, false},
        {"a link", link, fallback, false},
        {"another user's", directory("theirs", 0700, true), fallback, true},
    };
    for (const auto& c : cases) {
        if (c.NeedsOtherUser && !other) {
            std::cout << "[ SKIPPED  ] " << c.Case << ": acting as a second user needs root\n";
            continue;
        }
        const TEnvironment runtime("XDG_RUNTIME_DIR",
                                   c.Runtime.isNull() ? QByteArray() : QFile::encodeName(c.Runtime));
        EXPECT_EQ(TSingleCopy::SocketDirectory(), c.Expected) << c.Case;
    }
    // Another user made the fallback first: no socket at all rather than one of theirs.
    if (other) {
        ASSERT_TRUE(QDir(fallback).removeRecursively());
        ASSERT_EQ(::mkdir(QFile::encodeName(fallback).constData(), 0777), 0);
        ASSERT_EQ(::chown(QFile::encodeName(fallback).constData(), other->pw_uid, other->pw_gid), 0);
        const TEnvironment runtime("XDG_RUNTIME_DIR", QByteArray());
        EXPECT_EQ(TSingleCopy::SocketDirectory(), QString());
    }
}

// A process of another user that listens at the given socket paths and answers every request as
// the running copy would. Bound while still root, so that it can sit where the user's copy looks;
// it listens only once it is the other user, which is who the system then names as the peer.
class TSquatter
{
public:
    TSquatter(const passwd& user, const QStringList& paths)
    {
        // Everything is prepared before the fork: the child makes only plain system calls.
        std::vector<sockaddr_un> addresses;
        for (const QString& path : paths) {
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(path);
            std::copy(name.begin(), name.end(), address.sun_path);
            addresses.push_back(address);
        }
        const uid_t uid = user.pw_uid;
        const gid_t gid = user.pw_gid;
        FPid = ::fork();
        if (FPid != 0)
            return;
        pollfd listening[4] = {};
        const int count = int(std::min<size_t>(addresses.size(), 4));
        for (int i = 0; i < count; ++i) {
            ::unlink(addresses[i].sun_path);
            listening[i].fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            listening[i].events = POLLIN;
            if (::bind(listening[i].fd, reinterpret_cast<const sockaddr*>(&addresses[i]),
                       sizeof addresses[i]) != 0)
                ::_exit(1);
        }
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(1);
        for (int i = 0; i < count; ++i)
            ::listen(listening[i].fd, 8);
        for (;;) {
            if (::poll(listening, nfds_t(count), -1) <= 0)
                continue;
            for (int i = 0; i < count; ++i) {
                if (!(listening[i].revents & POLLIN))
                    continue;
                const int peer = ::accept(listening[i].fd, nullptr, nullptr);
                char request[64];
                if (::read(peer, request, sizeof request) > 0 && ::write(peer, "raised\n", 7) < 0)
                    ::_exit(1);
                ::close(peer);
            }
        }
    }
    ~TSquatter()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
    }

private:
    pid_t FPid = -1;
};

TEST(SingleCopy, AnotherUsersAnswerIsNotTrusted)
{
    const passwd* other = OtherUser();
    if (!other)
        GTEST_SKIP() << "acting as a second local user needs root and the user \"nobody\"";
    TTempAppDir dir;
    // The directory is held, so a start asks the running copy; another user answers, at the name
    // the socket once had in the shared temporary directory and at the one it has now.
    QLockFile held(dir.Path() + TSingleCopy::LockFileName());
    ASSERT_TRUE(held.tryLock(0));
    const QString name = TSingleCopy::ServerName(dir.Path());
    const QString directory = TSingleCopy::SocketDirectory();
    ASSERT_FALSE(directory.isEmpty());
    const QStringList paths = {QDir::tempPath() + QLatin1Char('/') + name,
                               directory + QLatin1Char('/') + name};
    const TSquatter squatter(*other, paths);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(paths[0]) && QFileInfo::exists(paths[1]); }));
    TSingleCopy late(dir.Path());
    EXPECT_EQ(late.Start(), TSingleCopy::TStart::Refused);
    for (const QString& path : paths)
        QFile::remove(path);
}

} // namespace

// The lock file is created as the stores' files are: 0644 less the umask, never writable by others.
TEST(SingleCopy, TheLockFileIsNoWiderThan0644AndTheUmask)
{
    const struct
    {
        mode_t Umask;
        mode_t Expected;
    } cases[] = {{0, 0644}, {022, 0644}, {077, 0600}};
    for (const auto& c : cases) {
        TTempAppDir dir;
        const mode_t previous = ::umask(c.Umask);
        {
            TSingleCopy copy(dir.Path());
            EXPECT_EQ(copy.Start(), TSingleCopy::TStart::First);
            struct stat info = {};
            ASSERT_EQ(::stat(QFile::encodeName(dir.Path() + TSingleCopy::LockFileName()).constData(), &info),
                      0);
            EXPECT_EQ(info.st_mode & 07777, c.Expected) << "umask " << c.Umask;
        }
        EXPECT_EQ(::umask(previous), c.Umask) << "the umask is given back";
    }
}
