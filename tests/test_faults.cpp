// Saving under faults: a process killed in the middle of a save, a disk that fills up, a directory that
// cannot be written. Each fault that needs a process of its own (a kill, a file size limit) runs the
// save in a forked child; the child reports what it saw through a pipe.
#include "RecordRows.h"
#include "TestDir.h"
#include "core/UErrors.h"
#include "core/UForums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A record whose every field carries `text`, with the field's number after it.
template <class TRecord> std::unique_ptr<TRecord> MakeRecord(const std::string& text)
{
    auto record = std::make_unique<TRecord>();
    if constexpr (std::is_same_v<TRecord, TForum>)
        *record = {text + "0", text + "1", text + "2"};
    else if constexpr (std::is_same_v<TRecord, TFMessage>)
        *record = {text + "0", text + "1"};
    else
        *record = {text + "0", text + "1", text + "2", text + "3", text + "4"};
    return record;
}

template <class TAction> std::string ErrorOf(TAction action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

std::vector<std::string> FileNames(const TTestDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct TChild
{
    pid_t Pid = -1;
    int ReadFd = -1;
};

// Forks a child that runs `body`, sends back the text it returns and ends without running the
// parent's exit handlers.
TChild StartChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        std::string report;
        try {
            report = body();
        } catch (const std::exception& error) {
            report = std::string("unexpected: ") + error.what();
        }
        const char* p = report.data();
        for (std::size_t left = report.size(); left > 0;) {
            ssize_t written = ::write(fds[1], p, left);
            if (written <= 0)
                ::_exit(2);
            p += written;
            left -= static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}

// Waits for the child and returns its report; status gets the wait status.
std::string FinishChild(const TChild& child, int* status = nullptr)
{
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(child.ReadFd, buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    ::close(child.ReadFd);
    int ignored = 0;
    ::waitpid(child.Pid, status ? status : &ignored, 0);
    return report;
}

std::string RunInChild(const std::function<std::string()>& body)
{
    return FinishChild(StartChild(body));
}

// A directory in memory when the system has one: a killed process loses nothing that it handed to the
// kernel, so a kill behaves the same there, and the many fsync calls of the kill test cost nothing.
class TMemoryDir
{
public:
    TMemoryDir()
    {
        std::string pattern = "/dev/shm/threadwick-faults-XXXXXX";
        if (::access("/dev/shm", W_OK) == 0 && ::mkdtemp(pattern.data()))
            FPath = pattern;
    }
    ~TMemoryDir()
    {
        std::error_code ignored;
        if (!FPath.empty())
            std::filesystem::remove_all(FPath, ignored);
    }
    std::string Path() const { return FPath.empty() ? FFallback.Path() : FPath + "/"; }

private:
    std::string FPath;
    TTestDir FFallback;
};

// A save killed at any moment leaves the file whole: either all of the old text or all of the new.
TEST(SaveFaults, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFileWhole)
{
    TMemoryDir dir;
    constexpr int RecordCount = 10000;
    constexpr int Trials = 200;

    // Two versions of one store of 10,000 records that differ in every record; each trial saves the
    // version that is not on disk.
    TFMessages first(dir.Path()), second(dir.Path());
    for (int i = 0; i < RecordCount; ++i) {
        first.Append(std::make_unique<TFMessage>(TFMessage{std::to_string(i), "a"}));
        second.Append(std::make_unique<TFMessage>(TFMessage{std::to_string(i), "b^"}));
    }
    first.SaveAll();
    const std::string firstText = ReadFileBytes(first.FilePath());
    second.SaveAll();
    const std::string secondText = ReadFileBytes(second.FilePath());
    ASSERT_NE(firstText, secondText);
    ASSERT_GT(firstText.size(), 80000u);

    // The kills must land all over the save, its end (the rename) included, so the delays span a little
    // more than one whole save takes here; a few milliseconds at least, and never so long that the
    // trials drag.
    const auto started = std::chrono::steady_clock::now();
    FinishChild(StartChild([&] {
        first.SaveAll();
        return std::string();
    }));
    const auto saveTime =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started)
            .count();
    std::mt19937 random(20261209);
    std::uniform_int_distribution<long> delay(
        0, std::clamp<long>(saveTime * 5 / 4, 4000, 30000)); // microseconds
    bool onDiskIsSecond = false;
    int killed = 0, finished = 0, completed[2] = {0, 0};
    for (int trial = 0; trial < Trials; ++trial) {
        TFMessages& next = onDiskIsSecond ? first : second;
        TChild child = StartChild([&] {
            next.SaveAll();
            return std::string();
        });
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child.Pid, SIGKILL);
        int status = 0;
        FinishChild(child, &status);
        (WIFSIGNALED(status) ? killed : finished)++;

        const std::string text = ReadFileBytes(first.FilePath());
        const bool isFirst = text == firstText, isSecond = text == secondText;
        ASSERT_TRUE(isFirst || isSecond) << "trial " << trial << ": " << text.size() << " bytes";
        if (isSecond != onDiskIsSecond)
            ++completed[isSecond];
        onDiskIsSecond = isSecond;
    }
    // Whatever the timing, the survivors are whole files; which of them survived is the kernel's affair.
    RecordProperty("KilledSaves", killed);
    RecordProperty("FinishedSaves", finished);
    RecordProperty("ReplacedFiles", completed[0] + completed[1]);

    // A save after all of that still works and loads back.
    TFMessages last(dir.Path());
    last.Append(MakeRecord<TFMessage>("last"));
    last.SaveAll();
    TFMessages loaded(dir.Path());
    loaded.LoadAll();
    EXPECT_EQ(Rows(loaded), Rows(last));
}

// One failing save and the save after the repair, for store class TStore. Runs in the calling process
// and returns what went wrong, "" when everything behaved: the failure's message matches, the old file
// (if any) is whole, the store in memory is unchanged, and the next save succeeds and loads back.
template <class TStore, class TRecord>
std::string FailThenRecover(const std::string& dir, const std::function<void()>& fault,
                            const std::function<void()>& repair, const std::string& expectedMessage,
                            const std::string& oldText)
{
    TStore store(dir);
    store.LoadAll();
    store.Append(MakeRecord<TRecord>(std::string(200000, 'n')));
    store.InsertAt(0, MakeRecord<TRecord>("^ first\r\n"));
    const TRows before = Rows(store);

    fault();
    std::string message = ErrorOf([&] { store.SaveAll(); });
    repair();
    std::string problems;
    if (message != expectedMessage)
        problems += "message \"" + message + "\" instead of \"" + expectedMessage + "\"; ";
    if (oldText.empty()
            ? std::filesystem::exists(store.FilePath()) && !std::filesystem::is_directory(store.FilePath())
            : ReadFileBytes(store.FilePath()) != oldText)
        problems += "the old file changed; ";
    if (Rows(store) != before)
        problems += "the store changed; ";

    std::string second = ErrorOf([&] { store.SaveAll(); });
    if (!second.empty())
        problems += "the next save failed: " + second + "; ";
    TStore loaded(dir);
    loaded.LoadAll();
    if (Rows(loaded) != before)
        problems += "the next save did not load back; ";
    return problems;
}

template <class TStore, class TRecord> struct TKindOf
{
    static std::string OldText(const std::string& dir)
    {
        TStore store(dir);
        store.Append(MakeRecord<TRecord>("old"));
        store.Append(MakeRecord<TRecord>("older"));
        store.SaveAll();
        return ReadFileBytes(store.FilePath());
    }
    static std::string FilePath(const std::string& dir) { return TStore(dir).FilePath(); }
};

struct TStoreKind
{
    const char* Name;
    std::function<std::string(const std::string&)> OldText;
    std::function<std::string(const std::string&)> FilePath;
    std::function<std::string(const std::string&, const std::function<void()>&, const std::function<void()>&,
                              const std::string&, const std::string&)>
        FailThenRecover;
};

template <class TStore, class TRecord> TStoreKind Kind(const char* name)
{
    return {name, &TKindOf<TStore, TRecord>::OldText, &TKindOf<TStore, TRecord>::FilePath,
            &FailThenRecover<TStore, TRecord>};
}

const TStoreKind StoreKinds[] = {
    Kind<TForums, TForum>("forums"),
    Kind<TFMessages, TFMessage>("messages"),
    Kind<TFormats, TFormat>("formats"),
};

// The disk fills up during the save of every kind of store: a file size limit in a child process stands
// for it, lifted again before the next save.
TEST(SaveFaults, AFullDiskDuringEverySaveKeepsTheOldFileAndTheStore)
{
    for (const TStoreKind& kind : StoreKinds) {
        TTestDir dir;
        const std::string oldText = kind.OldText(dir.Path());
        std::string problems = RunInChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit saved;
            ::getrlimit(RLIMIT_FSIZE, &saved);
            auto fault = [&] {
                rlimit limit{8192, saved.rlim_max};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            };
            auto repair = [&] { ::setrlimit(RLIMIT_FSIZE, &saved); };
            return kind.FailThenRecover(dir.Path(), fault, repair, "Stream write error", oldText);
        });
        EXPECT_EQ(problems, "") << kind.Name;
        EXPECT_EQ(FileNames(dir).size(), 1u) << kind.Name << ": a temporary file was left behind";
    }
}

// The file's directory cannot be written during the save of every kind of store, or the file itself is
// read-only. As root every directory is writable, so a directory standing in the file's place plays the
// fault there too.
TEST(SaveFaults, AnUnwritableDirectoryOrFileOrADirectoryInItsPlaceDuringEverySave)
{
    for (const TStoreKind& kind : StoreKinds) {
        {
            TTestDir dir;
            const std::string path = kind.FilePath(dir.Path());
            auto fault = [&] { std::filesystem::create_directory(path); };
            auto repair = [&] { std::filesystem::remove(path); };
            EXPECT_EQ(kind.FailThenRecover(dir.Path(), fault, repair,
                                           "Cannot create file \"" + path + "\". " + std::strerror(EISDIR),
                                           ""),
                      "")
                << kind.Name << ", directory in place of the file";
        }
        {
            // The rename would replace a read-only file anyway; the save must refuse it, root's too.
            TTestDir dir;
            const std::string oldText = kind.OldText(dir.Path());
            const std::string path = kind.FilePath(dir.Path());
            auto fault = [&] { ::chmod(path.c_str(), 0444); };
            auto repair = [&] { ::chmod(path.c_str(), 0644); };
            EXPECT_EQ(kind.FailThenRecover(dir.Path(), fault, repair,
                                           "Cannot create file \"" + path + "\". " + std::strerror(EACCES),
                                           oldText),
                      "")
                << kind.Name << ", read-only file";
        }
        if (::geteuid() != 0) {
            TTestDir dir;
            const std::string oldText = kind.OldText(dir.Path());
            const std::string path = kind.FilePath(dir.Path());
            auto fault = [&] { ::chmod(dir.Path().c_str(), 0500); };
            auto repair = [&] { ::chmod(dir.Path().c_str(), 0700); };
            EXPECT_EQ(kind.FailThenRecover(dir.Path(), fault, repair,
                                           "Cannot create file \"" + path + "\". " + std::strerror(EACCES),
                                           oldText),
                      "")
                << kind.Name << ", read-only directory";
        }
    }
}

} // namespace
