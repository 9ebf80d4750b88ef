// A store file that another program changed while Threadwick ran (a synchronised folder, an editor) is
// never overwritten: "Posts.dat" is merged with it, any other store writes its version beside it.
#include "RecordRows.h"
#include "TestDir.h"
#include "core/UErrors.h"
#include "core/UForums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// The files of the directory whose names start with `prefix`.
std::vector<std::string> FilesStartingWith(const TTestDir& dir, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        if (entry.path().filename().string().starts_with(prefix))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Gives `path` the modification time it had before: tools that copy files between machines keep it.
void KeepTime(const std::string& path, const std::function<void()>& change)
{
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    change();
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

template <class TStore> void AddRecord(TStore& store, const std::vector<std::string>& fields)
{
    auto record = std::make_unique<std::remove_cvref_t<decltype(store.RecordAt(0))>>();
    auto it = fields.begin();
    if constexpr (std::is_same_v<TStore, TForums>)
        *record = {it[0], it[1], it[2]};
    else
        *record = {it[0], it[1]};
    store.Append(std::move(record));
}

struct TChange
{
    const char* Name;
    // Changes the file at the path as another program would.
    std::function<void(const std::string&)> Make;
    std::string Theirs; // the file afterwards
    bool Deleted = false;
};

// line: a record line of the store, its first byte a lower-case letter.
template <class TStore>
void CheckConflicts(const char* fileName, const std::string& header, const std::string& line,
                    const std::vector<std::string>& mine)
{
    const std::string original = header + line;
    const std::string otherContent = header + "other^side^\r\n";
    const std::string sameSize = header + char(line[0] - 'a' + 'A') + line.substr(1);
    const TChange changes[] = {
        {"other content", [&](const std::string& path) { WriteFileBytes(path, otherContent); }, otherContent},
        {"truncated", [](const std::string& path) { WriteFileBytes(path, ""); }, ""},
        // Same size and the old time: only the content tells.
        {"same size and time",
         [&](const std::string& path) { KeepTime(path, [&] { WriteFileBytes(path, sameSize); }); }, sameSize},
        {"deleted", [](const std::string& path) { fs::remove(path); }, {}, true},
    };
    for (const TChange& change : changes) {
        SCOPED_TRACE(std::string(fileName) + ", " + change.Name);
        TTestDir dir;
        const std::string path = dir.File(fileName);
        WriteFileBytes(path, original);
        TStore store(dir.Path());
        store.LoadAll();
        change.Make(path);

        AddRecord(store, mine);
        std::string message;
        try {
            store.SaveAll();
        } catch (const EStoreConflictError& conflict) {
            message = conflict.what();
        }
        // The other side's file is as it left it, and this copy's version lies beside it.
        if (change.Deleted)
            EXPECT_FALSE(fs::exists(path));
        else
            EXPECT_EQ(ReadFileBytes(path), change.Theirs);
        const std::string stem = std::string(fileName).substr(0, std::string(fileName).size() - 4);
        const auto beside = FilesStartingWith(dir, stem + ".conflict-");
        ASSERT_EQ(beside.size(), 1u);
        EXPECT_EQ(beside[0].size(), stem.size() + std::string(".conflict-YYYYMMDD-HHMMSS.dat").size());
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(dir.File(beside[0])), std::string::npos) << message;

        // Later saves go on into that file, without a word, and leave the other side's alone.
        AddRecord(store, mine);
        EXPECT_NO_THROW(store.SaveAll());
        const std::string saved = ReadFileBytes(dir.File(beside[0]));
        EXPECT_EQ(saved.substr(0, original.size()), original);
        EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 4);
        EXPECT_EQ(FilesStartingWith(dir, stem).size(), change.Deleted ? 1u : 2u);
    }
}

TEST(StoreConflicts, AChangedFileIsKeptAndThisCopysVersionWrittenBeside)
{
    CheckConflicts<TForums>("Forums.dat", "URL^Username^Password^\r\n", "a^b^c^\r\n",
                            {"https://new.example/", "u", "p"});
    CheckConflicts<TFMessages>("Messages.dat", "Subject^Body^\r\n", "a^b^\r\n", {"New", "Body"});
}

// The file is what the store last read or wrote in everything but its time (touched, or copied back
// with the same bytes): it is simply replaced. A file larger than the write buffer is hashed in pieces
// when written and whole when compared.
TEST(StoreConflicts, TheSameBytesAreNoConflict)
{
    for (const std::size_t bodySize : {std::size_t(10), std::size_t(700 * 1024)}) {
        SCOPED_TRACE(bodySize);
        TTestDir dir;
        TFMessages store(dir.Path());
        store.LoadAll();
        store.Append(std::make_unique<TFMessage>(TFMessage{"S", std::string(bodySize, 'x')}));
        store.SaveAll();
        const std::string path = dir.File("Messages.dat");
        const std::string bytes = ReadFileBytes(path);
        fs::remove(path);
        WriteFileBytes(path, bytes); // a new file, a new time, the same bytes
        store.Append(std::make_unique<TFMessage>(TFMessage{"T", "U"}));
        EXPECT_NO_THROW(store.SaveAll());
        EXPECT_EQ(ReadFileBytes(path), bytes + "T^U^\r\n");
        EXPECT_TRUE(FilesStartingWith(dir, "Messages.conflict-").empty());
    }
}

const std::string PostsHeader = "Subject^ForumURL^SentAt^ThreadURL^\r\n";

std::string PostLine(const std::string& n)
{
    return "S^https://f" + n + "/^2026-01-0" + n + "T00:00:00Z^https://f" + n + "/t^\r\n";
}

// Posts.dat merges: the other side's posts, less the ones this run forgot, plus the ones this run
// recorded, each once.
TEST(StoreConflicts, PostsMergeBothSidesWithoutDuplicates)
{
    const struct
    {
        const char* Name;
        std::string Theirs; // their file, after both sides started from posts 1 and 2
        std::string Merged; // this run forgot post 1 and recorded post 3
    } cases[] = {
        {"they recorded post 4", PostsHeader + PostLine("1") + PostLine("2") + PostLine("4"),
         PostsHeader + PostLine("2") + PostLine("4") + PostLine("3")},
        {"they recorded post 3 too", PostsHeader + PostLine("1") + PostLine("2") + PostLine("3"),
         PostsHeader + PostLine("2") + PostLine("3")},
        {"they forgot post 2", PostsHeader + PostLine("1"), PostsHeader + PostLine("3")},
        {"they removed the file", "", PostsHeader + PostLine("3")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestDir dir;
        const std::string path = dir.File("Posts.dat");
        WriteFileBytes(path, PostsHeader + PostLine("1") + PostLine("2"));
        TPosts posts(dir.Path());
        posts.LoadAll();
        if (c.Theirs.empty())
            fs::remove(path);
        else
            WriteFileBytes(path, c.Theirs);
        posts.RemoveAt(0);
        posts.Append(
            std::make_unique<TPost>(TPost{"S", "https://f3/", "2026-01-03T00:00:00Z", "https://f3/t"}));
        EXPECT_NO_THROW(posts.SaveAll());
        EXPECT_EQ(ReadFileBytes(path), c.Merged);
        TPosts reread(dir.Path());
        reread.LoadAll();
        EXPECT_EQ(Rows(reread), Rows(posts));
        EXPECT_TRUE(FilesStartingWith(dir, "Posts.conflict-").empty());
    }
}

} // namespace
