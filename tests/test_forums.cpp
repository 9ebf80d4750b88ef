// Record stores: the caret file format, the store operations and how saving fails safely.
#include "FailingFlush.h"
#include "RecordRows.h"
#include "TestDir.h"
#include "core/UErrors.h"
#include "core/UForums.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

void SetFields(TForum& r, const std::vector<std::string>& f)
{
    r = {f.at(0), f.at(1), f.at(2)};
}
void SetFields(TFMessage& r, const std::vector<std::string>& f)
{
    r = {f.at(0), f.at(1)};
}
void SetFields(TFormat& r, const std::vector<std::string>& f)
{
    r = {f.at(0), f.at(1), f.at(2), f.at(3), f.at(4)};
}

template <class TStore> void Fill(TStore& store, const TRows& rows)
{
    for (const auto& row : rows) {
        auto record = std::make_unique<std::remove_cvref_t<decltype(store.RecordAt(0))>>();
        SetFields(*record, row);
        store.Append(std::move(record));
    }
}

template <class TStore> TRows LoadRows(const TTestDir& dir)
{
    TStore store(dir.Path());
    store.LoadAll();
    return Rows(store);
}

// The message of whatever `action` throws, or "" when it throws nothing.
template <class TAction> std::string ErrorOf(TAction action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

const std::string MessagesHeader = "Subject^Body^\r\n";

struct TLoadCase
{
    const char* Name;
    std::string File; // bytes of "Messages.dat"
    TRows Messages;
    bool DataAfterZero = false; // reported, and the file is then kept from being overwritten
};

void PrintTo(const TLoadCase& c, std::ostream* os)
{
    *os << c.Name;
}

class LoadMessages : public ::testing::TestWithParam<TLoadCase>
{
};

TEST_P(LoadMessages, ReadsRecordsAsTheFileRulesSay)
{
    TTestDir dir;
    WriteFileBytes(dir.File("Messages.dat"), GetParam().File);
    TFMessages store(dir.Path());
    const std::string quoted = "\"" + store.FilePath() + "\"";
    EXPECT_EQ(ErrorOf([&] { store.LoadAll(); }),
              GetParam().DataAfterZero
                  ? quoted +
                        " has data after a zero byte; it was read up to there and will not be overwritten"
                  : "");
    EXPECT_EQ(Rows(store), GetParam().Messages);
    const std::string refusal =
        GetParam().DataAfterZero
            ? "Not saved: " + quoted + " was read only up to a zero byte, so saving would lose the rest."
            : "";
    // The saves that follow keystrokes report the refusal once; a save the user asks for reports it
    // every time. The file is never written.
    EXPECT_EQ(ErrorOf([&] { store.SaveAllReportingOnce(); }), refusal);
    EXPECT_EQ(ErrorOf([&] { store.SaveAllReportingOnce(); }), "");
    EXPECT_EQ(ErrorOf([&] { store.SaveAll(); }), refusal);
    EXPECT_EQ(ErrorOf([&] { store.SaveAll(); }), refusal);
    if (GetParam().DataAfterZero) {
        EXPECT_EQ(ReadFileBytes(store.FilePath()), GetParam().File);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FileRules, LoadMessages,
    ::testing::Values(
        TLoadCase{"EmptyFile", "", {}}, TLoadCase{"HeaderOnly", "Subject^Body^", {}},
        TLoadCase{"HeaderOnlyWithLineEnd", MessagesHeader, {}},
        TLoadCase{"FirstLineSkippedWhateverItHolds", "a^b^\r\nc^d^\r\n", {{"c", "d"}}},
        TLoadCase{"LeadingLineBreakMakesHeaderARecord", "\r\nSubject^Body^\r\n", {{"Subject", "Body"}}},
        TLoadCase{"BlankLinesSkipped", MessagesHeader + " \t \r\n\r\n\x01\x1f \r\na^b^\r\n", {{"a", "b"}}},
        TLoadCase{"CaretsAloneAreNotBlank", MessagesHeader + "^^\r\n", {{"", ""}}},
        TLoadCase{"HighBytesAreNotBlank", MessagesHeader + "\xa0\xff\r\n", {{"\xa0\xff", ""}}},
        TLoadCase{"BlanksAroundFieldsKept", MessagesHeader + "  s \t^ b  ^\r\n", {{"  s \t", " b  "}}},
        TLoadCase{"NoFinalCaret", MessagesHeader + "s^b\r\n", {{"s", "b"}}},
        TLoadCase{"NoCaretAtAll", MessagesHeader + "just text\r\n", {{"just text", ""}}},
        TLoadCase{"ExtraFieldsDropped", MessagesHeader + "a^b^c^d^\r\n", {{"a", "b"}}},
        TLoadCase{"EmptyFirstField", MessagesHeader + "^b^\r\n", {{"", "b"}}},
        TLoadCase{"LineEndsAlike",
                  "h\na^1^\rb^2^\r\nc^3^\n\rd^4^",
                  {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
        TLoadCase{"NulEndsTheText",
                  MessagesHeader + "a^b^\r\nc^d\0e^\r\nf^g^\r\n"s,
                  {{"a", "b"}, {"c", "d"}},
                  true},
        TLoadCase{"NulInHeader", "Subj\0ect^Body^\r\na^b^\r\n"s, {}, true},
        TLoadCase{"OnlyBlanksAndZerosAfterNul", MessagesHeader + "a^b^\r\n\0\0 \r\n\t\0"s, {{"a", "b"}}},
        TLoadCase{"EscapesDecoded",
                  MessagesHeader + "a\x10"
                                   "cb\x10r\x10n^\x10"
                                   "0\x10\x10^\r\n",
                  {{"a^b\r\n", "\0\x10"s}}},
        TLoadCase{
            "UnknownEscapeKept", MessagesHeader + "a\x10x^b\x10^\x10\x10\x10^\r\n", {{"a\x10x", "b\x10"}}},
        TLoadCase{"DuplicatesSideBySide", MessagesHeader + "k^1^\r\nk^2^\r\n", {{"k", "1"}, {"k", "2"}}}),
    [](const auto& instance) { return std::string(instance.param.Name); });

TEST(Forums, LineWithOnlyAnAddressGivesEmptyUserAndPassword)
{
    TTestDir dir;
    WriteFileBytes(dir.File("Forums.dat"), "URL^Username^Password^\r\nhttp://a.example/\r\nu^n^p^x^\r\n");
    EXPECT_EQ(LoadRows<TForums>(dir), (TRows{{"http://a.example/", "", ""}, {"u", "n", "p"}}));
}

TEST(Stores, MissingFileLeavesStoreAsItIsAndCreatesNothing)
{
    TTestDir dir;
    TFMessages store(dir.Path());
    Fill(store, {{"kept", "x"}});
    store.LoadAll();
    EXPECT_EQ(Rows(store), (TRows{{"kept", "x"}}));
    EXPECT_FALSE(std::filesystem::exists(store.FilePath()));
}

TEST(Stores, LoadAllAppendsAfterExistingEntries)
{
    TTestDir dir;
    WriteFileBytes(dir.File("Messages.dat"), MessagesHeader + "f^1^\r\n");
    TFMessages store(dir.Path());
    Fill(store, {{"m", "0"}});
    store.LoadAll();
    EXPECT_EQ(Rows(store), (TRows{{"m", "0"}, {"f", "1"}}));
}

TEST(Stores, FilePathJoinsDirectoryWithOrWithoutSlash)
{
    EXPECT_EQ(TForums("/a/b").FilePath(), "/a/b/Forums.dat");
    EXPECT_EQ(TFMessages("/a/b/").FilePath(), "/a/b/Messages.dat");
    EXPECT_EQ(TFormats("").FilePath(), "Formats.dat");
}

// Files in the plain form (header, exact field counts, CR LF everywhere) come back byte for byte.
TEST(Stores, SaveAfterLoadReproducesPlainFilesExactly)
{
    const std::pair<std::string, std::string> files[] = {
        {"Forums.dat", "URL^Username^Password^\r\nhttp://x.example/a?b=c^me^s e c r e t^\r\n^^^\r\n"},
        {"Messages.dat", MessagesHeader + "Hi^  body with blanks ^\r\n\xe9t\xe9^\x7f\x01^\r\n"},
        {"Formats.dat", "Name^LinkOpen^LinkMiddle^LinkEnd^Email^\r\nHTML^<a href=\"^\">^</a>^mailto:^\r\n"},
        {"Formats.dat", "Name^LinkOpen^LinkMiddle^LinkEnd^Email^\r\n"},
    };
    for (const auto& [name, bytes] : files) {
        TTestDir dir;
        WriteFileBytes(dir.File(name), bytes);
        auto roundTrip = [&](auto store) {
            store.LoadAll();
            store.SaveAll();
        };
        if (name == "Forums.dat")
            roundTrip(TForums(dir.Path()));
        else if (name == "Messages.dat")
            roundTrip(TFMessages(dir.Path()));
        else
            roundTrip(TFormats(dir.Path()));
        EXPECT_EQ(ReadFileBytes(dir.File(name)), bytes) << name;
    }
}

TEST(Stores, SaveWritesHeaderAndOneLinePerRecord)
{
    TTestDir dir;
    TFormats formats(dir.Path());
    formats.SaveAll();
    EXPECT_EQ(ReadFileBytes(formats.FilePath()), "Name^LinkOpen^LinkMiddle^LinkEnd^Email^\r\n");

    TFMessages messages(dir.Path());
    Fill(messages, {{"", ""}, {"s", "b"}});
    messages.SaveAll();
    EXPECT_EQ(ReadFileBytes(messages.FilePath()), MessagesHeader + "^^\r\ns^b^\r\n");
}

// The exact escaped form, which stored files rely on.
TEST(Stores, SaveEscapesBytesTheFormatCannotHold)
{
    TTestDir dir;
    TFMessages store(dir.Path());
    Fill(store, {{"a^b", "1\r\n2\0\x10"s}});
    store.SaveAll();
    EXPECT_EQ(ReadFileBytes(store.FilePath()), MessagesHeader + "a\x10"
                                                                "cb^1\x10r\x10n2\x10"
                                                                "0\x10\x10^\r\n");
}

TEST(Stores, EveryByteValueSurvivesSaveAndLoad)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const TRows rows = {
        {all, std::string(all.rbegin(), all.rend())},
        {"\x10", "\x10"
                 "c"},                  // an escape byte before a letter that names an escape
        {"\r\n", "\n\r"},               // line ends that must not split the record
        {" \t ", "^"},                  // a blank field stays; a lone caret is a field, not a separator
        {std::string(3, '\0'), "\x10"}, // NULs, and an escape byte at the end of a field
        {"", ""},
    };
    TTestDir dir;
    TFMessages saved(dir.Path());
    Fill(saved, rows);
    saved.SaveAll();
    EXPECT_EQ(LoadRows<TFMessages>(dir), rows);
}

TEST(Stores, InsertAtZeroPutsTheForumOnLineTwo)
{
    TTestDir dir;
    TForums forums(dir.Path());
    Fill(forums, {{"old", "u", "p"}});
    forums.InsertAt(0, std::make_unique<TForum>(TForum{"new", "", ""}));
    forums.RecordAt(1).Password = "changed";
    forums.SaveAll();
    EXPECT_EQ(ReadFileBytes(forums.FilePath()), "URL^Username^Password^\r\nnew^^^\r\nold^u^changed^\r\n");
}

TEST(Stores, RemoveAtAndClearAll)
{
    TTestDir dir;
    TFormats formats(dir.Path());
    Fill(formats, {{"a", "", "", "", ""}, {"b", "", "", "", ""}, {"c", "", "", "", ""}});
    formats.RemoveAt(1);
    EXPECT_EQ(Rows(formats), (TRows{{"a", "", "", "", ""}, {"c", "", "", "", ""}}));
    formats.ClearAll();
    EXPECT_EQ(formats.Count(), 0);
}

TEST(Stores, IndexOutOfBoundsIsRefusedAndChangesNothing)
{
    struct TCase
    {
        const char* Operation;
        int Index;
        std::string Message;
    };
    const TCase cases[] = {
        {"RecordAt", -1, "List index out of bounds (-1)"}, {"RecordAt", 2, "List index out of bounds (2)"},
        {"RemoveAt", 2, "List index out of bounds (2)"},   {"RemoveAt", -5, "List index out of bounds (-5)"},
        {"InsertAt", 3, "List index out of bounds (3)"},   {"InsertAt", -1, "List index out of bounds (-1)"},
    };
    for (const auto& c : cases) {
        TFMessages store("/nonexistent");
        Fill(store, {{"a", "1"}, {"b", "2"}});
        std::string op = c.Operation;
        std::string message = ErrorOf([&] {
            if (op == "RecordAt")
                store.RecordAt(c.Index);
            else if (op == "RemoveAt")
                store.RemoveAt(c.Index);
            else
                store.InsertAt(c.Index, std::make_unique<TFMessage>());
        });
        EXPECT_EQ(message, c.Message) << op << " " << c.Index;
        EXPECT_EQ(Rows(store), (TRows{{"a", "1"}, {"b", "2"}})) << op;
    }
    TFMessages store("/nonexistent");
    EXPECT_THROW(static_cast<const TFMessages&>(store).RecordAt(0), EListError);
    EXPECT_NO_THROW(store.InsertAt(0, std::make_unique<TFMessage>()));
}

// A file that exists but cannot be read is reported, and the store then refuses to overwrite it.
TEST(StoreErrors, UnreadableFileFailsLoadAndBlocksSave)
{
    TTestDir dir;
    // A link to itself cannot be opened, whoever runs the test.
    std::filesystem::create_symlink("Forums.dat", dir.File("Forums.dat"));
    TForums forums(dir.Path());
    EXPECT_EQ(ErrorOf([&] { forums.LoadAll(); }),
              "Cannot open file \"" + forums.FilePath() + "\". " + std::strerror(ELOOP));
    EXPECT_EQ(forums.Count(), 0);
    EXPECT_EQ(ErrorOf([&] { forums.SaveAll(); }),
              "Not saved: \"" + forums.FilePath() + "\" could not be read when the program started.");
    EXPECT_TRUE(std::filesystem::is_symlink(forums.FilePath()));
}

// Only a regular file of sane size is read: a FIFO would hang start-up, a device would feed bytes until
// memory runs out. Each is refused as a failed load, so the store then keeps its hands off the file.
TEST(StoreErrors, OnlyARegularFileOfSaneSizeIsRead)
{
    struct TCase
    {
        const char* Name;
        std::function<void(const std::string&)> Make;
        const char* Reason;
    };
    const TCase cases[] = {
        {"fifo", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, "Not a regular file"},
        {"link to a device",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
         "Not a regular file"},
        {"above 1 GiB",
         [](const std::string& path) {
             WriteFileBytes(path, "URL^Username^Password^\r\na^b^c^\r\n");
             std::filesystem::resize_file(path, (std::uintmax_t(1) << 30) + 1); // sparse: costs no space
         },
         "The file is too large"},
    };
    for (const TCase& c : cases) {
        TTestDir dir;
        c.Make(dir.File("Forums.dat"));
        const auto before = std::filesystem::symlink_status(dir.File("Forums.dat")).type();
        TForums store(dir.Path());
        EXPECT_EQ(ErrorOf([&] { store.LoadAll(); }),
                  "Cannot open file \"" + store.FilePath() + "\". " + c.Reason)
            << c.Name;
        EXPECT_EQ(store.Count(), 0) << c.Name;
        EXPECT_THROW(store.SaveAll(), ENotSavedError) << c.Name;
        EXPECT_EQ(std::filesystem::symlink_status(dir.File("Forums.dat")).type(), before) << c.Name;
    }
}

// Saving as root: "Forums.dat" holds passwords, so a file of another user (reached through a link, say)
// is never replaced, which would hand them the new passwords; other stores keep their owner.
TEST(StoreErrors, ForumsOfAnotherUserAreNotReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    constexpr uid_t Other = 65534;
    struct TCase
    {
        const char* File;
        bool Refused;
    };
    const TCase cases[] = {{"Forums.dat", true}, {"Messages.dat", false}, {"Formats.dat", false}};
    for (const TCase& c : cases) {
        TTestDir dir;
        std::filesystem::create_directory(dir.File("other"));
        const std::string target = dir.File("other/") + c.File;
        WriteFileBytes(target, "old\r\n");
        ASSERT_EQ(::chown(target.c_str(), Other, Other), 0);
        ::chmod(target.c_str(), 0644);
        std::filesystem::create_symlink(target, dir.File(c.File));
        const std::string name = c.File;
        std::string message;
        if (name == "Forums.dat") {
            TForums store(dir.Path());
            Fill(store, {{"https://f", "me", "secret"}});
            message = ErrorOf([&] { store.SaveAll(); });
        } else if (name == "Messages.dat") {
            message = ErrorOf([&] { TFMessages(dir.Path()).SaveAll(); });
        } else {
            message = ErrorOf([&] { TFormats(dir.Path()).SaveAll(); });
        }
        struct stat info;
        ASSERT_EQ(::stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, Other) << c.File;
        if (c.Refused) {
            EXPECT_EQ(message,
                      "Cannot create file \"" + dir.File(c.File) + "\". The file belongs to another user");
            EXPECT_EQ(ReadFileBytes(target), "old\r\n");
        } else {
            EXPECT_EQ(message, "") << c.File;
            EXPECT_NE(ReadFileBytes(target), "old\r\n") << c.File;
        }
    }
}

// A save killed half-way leaves "<file>.tmp<pid>_<n>" behind; the next save of that file removes it once
// no process of that id runs. Anything else is left alone.
TEST(StoreErrors, LeftoversOfKilledSavesAreRemoved)
{
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0); // its id now belongs to no process
    const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
    struct TCase
    {
        std::string Name;
        bool Removed;
    };
    const TCase cases[] = {
        {"Messages.dat.tmp" + dead + "_0", true},
        {"Messages.dat.tmp" + dead + "_17", true},
        {"Messages.dat.tmp" + alive + "_3", false},     // a save of this process still under way
        {"Messages.dat.tmp1_0", false},                 // a running process
        {"Forums.dat.tmp" + dead + "_0", false},        // another store's file
        {"Messages.dat.tmp" + dead + "_0.keep", false}, // not a name the save makes
        {"Messages.dat.tmp" + dead, false},
        {"Messages.dat.tmp0" + dead + "_0", false},
        {"Messages.datx.tmp" + dead + "_0", false},
    };
    TTestDir dir;
    for (const TCase& c : cases)
        WriteFileBytes(dir.File(c.Name), "left over");
    TFMessages store(dir.Path());
    Fill(store, {{"s", "b"}});
    store.SaveAll();
    for (const TCase& c : cases)
        EXPECT_EQ(std::filesystem::exists(dir.File(c.Name)), !c.Removed) << c.Name;
    EXPECT_EQ(ReadFileBytes(store.FilePath()), MessagesHeader + "s^b^\r\n");
}

TEST(StoreErrors, FileWithoutReadPermission)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    TTestDir dir;
    WriteFileBytes(dir.File("Messages.dat"), MessagesHeader + "a^b^\r\n");
    ::chmod(dir.File("Messages.dat").c_str(), 0200);
    TFMessages store(dir.Path());
    EXPECT_EQ(ErrorOf([&] { store.LoadAll(); }),
              "Cannot open file \"" + store.FilePath() + "\". " + std::strerror(EACCES));
    EXPECT_THROW(store.SaveAll(), ENotSavedError);
}

TEST(StoreErrors, DirectoryInPlaceOfTheFile)
{
    TTestDir dir;
    std::filesystem::create_directory(dir.File("Messages.dat"));
    TFMessages store(dir.Path());
    EXPECT_NO_THROW(store.LoadAll()); // counts as no file
    Fill(store, {{"a", "b"}});
    EXPECT_EQ(ErrorOf([&] { store.SaveAll(); }),
              "Cannot create file \"" + store.FilePath() + "\". " + std::strerror(EISDIR));
    EXPECT_TRUE(std::filesystem::is_directory(store.FilePath()));
    EXPECT_EQ(Rows(store), (TRows{{"a", "b"}}));
}

TEST(StoreErrors, MissingDirectory)
{
    TTestDir dir;
    TFormats store(dir.File("missing"));
    EXPECT_EQ(ErrorOf([&] { store.SaveAll(); }),
              "Cannot create file \"" + store.FilePath() + "\". " + std::strerror(ENOENT));
}

TEST(StoreErrors, ReadOnlyDirectory)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any directory";
    TTestDir dir;
    WriteFileBytes(dir.File("Forums.dat"), "URL^Username^Password^\r\n");
    ::chmod(dir.Path().c_str(), 0500);
    TForums store(dir.Path());
    Fill(store, {{"u", "", ""}});
    EXPECT_EQ(ErrorOf([&] { store.SaveAll(); }),
              "Cannot create file \"" + store.FilePath() + "\". " + std::strerror(EACCES));
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(ReadFileBytes(dir.File("Forums.dat")), "URL^Username^Password^\r\n");
}

// The write runs out of room half-way (a file size limit in a child process): the old file stays whole
// and no temporary file is left behind.
TEST(StoreErrors, SaveFailingHalfWayKeepsTheOldFile)
{
    TTestDir dir;
    const std::string old = MessagesHeader + "old^file^\r\n";
    WriteFileBytes(dir.File("Messages.dat"), old);

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TFMessages store(dir.Path());
        store.LoadAll();
        Fill(store, {{"big", std::string(100000, 'x')}});
        std::string message = ErrorOf([&] { store.SaveAll(); });
        if (::write(pipeFds[1], message.data(), message.size()) < 0)
            ::_exit(2);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string message;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);

    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(ReadFileBytes(dir.File("Messages.dat")), old);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Messages.dat"});
}

// The new file is in place when the directory flush fails: the message says what happened.
TEST(StoreErrors, AFailedDirectoryFlushIsNotReportedAsAFailedWrite)
{
    TTestDir dir;
    TFMessages store(dir.Path());
    Fill(store, {{"s", "b"}});
    FailDirectoryFlush = true;
    const std::string message = ErrorOf([&] { store.SaveAll(); });
    FailDirectoryFlush = false;
    EXPECT_EQ(message,
              std::string("Saved, but the folder could not be flushed to disk: ") + std::strerror(EIO));
    EXPECT_EQ(ReadFileBytes(store.FilePath()), MessagesHeader + "s^b^\r\n");
}

TEST(StoreModes, ForumsOwnerOnlyOthersKeepTheirMode)
{
    struct TCase
    {
        const char* File;
        int OldMode; // -1: no file before the save
        mode_t Umask;
        int Expected;
    };
    const TCase cases[] = {
        {"Forums.dat", -1, 022, 0600},
        {"Forums.dat", 0644, 022, 0600},
        {"Forums.dat", 0666, 0, 0600},
        {"Messages.dat", -1, 022, 0644},
        {"Messages.dat", -1, 077, 0600},
        {"Messages.dat", 0640, 022, 0640},
        {"Formats.dat", 0666, 022, 0666},
        {"Formats.dat", -1, 0, 0644},
        {"Messages.dat", -1, 0, 0644},
        {"Forums.dat", -1, 0, 0600},
        // Every new file but those holding secrets: 0644 less the umask, never writable by others.
        {"Posts.dat", -1, 0, 0644},
        {"Posts.dat", -1, 022, 0644},
        {"Posts.dat", -1, 077, 0600},
        {"Formats.dat", -1, 027, 0640},
        {"Formats.dat", -1, 077, 0600},
        {"Messages.dat", -1, 002, 0644},
        {"ForumTemplates.dat", -1, 0, 0600},
        {"ForumTemplates.dat", -1, 022, 0600},
        {"ForumTemplates.dat", -1, 077, 0600},
        {"Forums.dat", -1, 077, 0600},
    };
    for (const auto& c : cases) {
        TTestDir dir;
        std::string path = dir.File(c.File);
        if (c.OldMode >= 0) {
            WriteFileBytes(path, "");
            ::chmod(path.c_str(), static_cast<mode_t>(c.OldMode));
        }
        mode_t previous = ::umask(c.Umask);
        std::string name = c.File;
        if (name == "Forums.dat")
            TForums(dir.Path()).SaveAll();
        else if (name == "Messages.dat")
            TFMessages(dir.Path()).SaveAll();
        else if (name == "Posts.dat")
            TPosts(dir.Path()).SaveAll();
        else if (name == "ForumTemplates.dat")
            TForumTemplates(dir.Path()).SaveAll();
        else
            TFormats(dir.Path()).SaveAll();
        ::umask(previous);
        struct stat info;
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, static_cast<mode_t>(c.Expected))
            << c.File << " " << c.OldMode << " umask " << c.Umask;
    }
}

TEST(Stores, SaveThroughSymlinkReplacesTheTarget)
{
    TTestDir dir;
    std::filesystem::create_directory(dir.File("data"));
    WriteFileBytes(dir.File("data/Messages.dat"), MessagesHeader);
    std::filesystem::create_symlink("data/Messages.dat", dir.File("Messages.dat"));
    TFMessages store(dir.Path());
    Fill(store, {{"s", "b"}});
    store.SaveAll();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("Messages.dat")));
    EXPECT_EQ(ReadFileBytes(dir.File("data/Messages.dat")), MessagesHeader + "s^b^\r\n");
}

} // namespace
