// The record of sent posts, "Posts.dat": its file, how a damaged one is kept, and the lookup that
// marks the forum list.
#include "RecordRows.h"
#include "TestDir.h"
#include "core/UErrors.h"
#include "core/UForums.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

const std::string PostsHeader = "Subject^ForumURL^SentAt^ThreadURL^\r\n";

void Fill(TPosts& store, const TRows& rows)
{
    for (const auto& row : rows)
        store.Append(std::make_unique<TPost>(TPost{row.at(0), row.at(1), row.at(2), row.at(3)}));
}

} // namespace

// Subjects come from the subject edit and addresses from pages: carets, line breaks and text in
// any script must come back as they were.
TEST(Posts, FieldsRoundTripWhateverTheyHold)
{
    const TRows rows = {
        {"Release 2^3", "http://a.example/forum/", "2026-12-09T18:00:00Z", "http://a.example/t?id=1^2"},
        {"line\r\nbreak\nand\rmore", "https://b.example", "2026-12-09T18:01:00Z", ""},
        {"\xc3\x9c"
         "bersicht \xe2\x80\x94 \xe4\xb8\xbb\xe9\xa2\x98",
         "http://xn--bcher-kva.example/", "2026-12-09T18:02:00Z",
         "http://xn--bcher-kva.example/thread/\xc3\xa9"},
        {"", "", "", ""},
    };
    TTestDir dir;
    TPosts saved(dir.Path());
    EXPECT_EQ(saved.FilePath(), dir.File("Posts.dat"));
    Fill(saved, rows);
    saved.SaveAll();
    TPosts loaded(dir.Path());
    loaded.LoadAll();
    EXPECT_EQ(Rows(loaded), rows);

    // A file in the plain form is written back byte for byte.
    const std::string plain =
        PostsHeader + "Hi^http://a.example/^2026-12-09T18:00:00Z^http://a.example/t/1^\r\n";
    WriteFileBytes(dir.File("Posts.dat"), plain);
    TPosts again(dir.Path());
    again.LoadAll();
    again.SaveAll();
    EXPECT_EQ(ReadFileBytes(dir.File("Posts.dat")), plain);
}

// A damaged record is reported and never overwritten: the posts after the damage would be lost.
TEST(Posts, DamagedFileIsReportedAndKept)
{
    TTestDir dir;
    const std::string damaged =
        PostsHeader + "a^http://a.example/^2026-12-09T18:00:00Z^t^\r\n\0b^f^s^t^\r\n"s;
    WriteFileBytes(dir.File("Posts.dat"), damaged);
    TPosts store(dir.Path());
    EXPECT_THROW(store.LoadAll(), EDataAfterZeroError);
    EXPECT_EQ(store.Count(), 1);
    Fill(store, {{"new", "http://c.example/", "2026-12-09T19:00:00Z", "t"}});
    EXPECT_THROW(store.SaveAll(), ENotSavedError);
    EXPECT_EQ(ReadFileBytes(dir.File("Posts.dat")), damaged);
}

TEST(Posts, LatestBySubjectKeepsTheLastPostOfEachForum)
{
    TTestDir dir;
    TPosts store(dir.Path());
    Fill(store, {
                    {"s", "http://a.example/", "1", "first"},
                    {"S", "http://b.example/", "2", "other subject: case counts"},
                    {"s", "http://c.example/", "3", "c"},
                    {"s", "http://a.example/", "4", "second"},
                    {"s ", "http://d.example/", "5", "blank at the end: another subject"},
                });
    const auto latest = store.LatestBySubject("s");
    EXPECT_EQ(latest.size(), 2u);
    EXPECT_EQ(latest.at("http://a.example/"), 3);
    EXPECT_EQ(latest.at("http://c.example/"), 2);
    EXPECT_TRUE(store.LatestBySubject("none").empty());
}

// The marks of a message: the latest post of each of its subjects to each forum, found whether or not
// the forum's stored address carries a user name and password.
TEST(Posts, LatestBySubjectsKeepsOnePostPerSubjectAndForum)
{
    TTestDir dir;
    TPosts store(dir.Path());
    Fill(store, {
                    {"Hello", "http://user:pw@a.example/", "1", "first"},
                    {"Hello!", "http://a.example/", "2", "edited subject"},
                    {"Hello", "http://a.example/", "3", "second"},
                    {"Other", "http://b.example/", "4", "another message"},
                    {"Hello!", "http://b.example/", "5", "b"},
                });
    const auto latest = store.LatestBySubjects({"Hello", "Hello!"});
    EXPECT_EQ(latest.size(), 2u);
    EXPECT_EQ(latest.at("http://a.example/"), (std::vector<int>{1, 2}));
    EXPECT_EQ(latest.at("http://b.example/"), (std::vector<int>{4}));
    EXPECT_TRUE(store.LatestBySubjects({}).empty());
}
