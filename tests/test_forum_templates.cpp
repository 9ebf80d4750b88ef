// Each forum's link template ("ForumTemplates.dat"): kept by the forum's address, round-tripped
// whatever the address holds, and never written over a file that could not be read whole.
#include "TestDir.h"
#include "core/UErrors.h"
#include "core/UForums.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Header = "URL^Template^\r\n";

} // namespace

TEST(ForumTemplates, KeptByAddressAndRoundTripped)
{
    TTestDir dir;
    // Addresses as a user may have typed or pasted them: a caret, line breaks, non-ASCII bytes.
    const std::string addresses[] = {"http://f.example/^board", "http://a.example/x\r\ny",
                                     "http://b.example/\n\r", "http://f\xc3\xb6rum.example/\xe6\x9d\xb1"};
    TForumTemplates saved(dir.Path());
    for (const std::string& url : addresses)
        saved.SetTemplate(url, url.substr(7, 1));
    saved.SaveAll();
    TForumTemplates loaded(dir.Path());
    loaded.LoadAll();
    ASSERT_EQ(loaded.Count(), 4);
    for (const std::string& url : addresses)
        EXPECT_EQ(loaded.TemplateOf(url), url.substr(7, 1)) << url;
}

TEST(ForumTemplates, OneEntryPerAddress)
{
    TTestDir dir;
    // A file edited by hand may name an address twice: the last entry counts, and a change
    // leaves one entry.
    WriteFileBytes(dir.File("ForumTemplates.dat"),
                   Header + "http://x/^html^\r\nhttp://y/^ubb^\r\nhttp://x/^ubb^\r\n");
    TForumTemplates store(dir.Path());
    store.LoadAll();
    EXPECT_EQ(store.TemplateOf("http://x/"), "ubb");

    const struct
    {
        const char* Name;
        bool Changed;
        const char* File;
    } steps[] = {
        {"ubb", true, "http://y/^ubb^\r\nhttp://x/^ubb^\r\n"},   // the duplicate goes
        {"ubb", false, "http://y/^ubb^\r\nhttp://x/^ubb^\r\n"},  // nothing to save
        {"html", true, "http://y/^ubb^\r\nhttp://x/^html^\r\n"}, // changed in place
        {"", true, "http://y/^ubb^\r\n"},                        // "None" forgets it
        {"", false, "http://y/^ubb^\r\n"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(store.SetTemplate("http://x/", step.Name), step.Changed) << step.Name;
        store.SaveAll();
        EXPECT_EQ(ReadFileBytes(dir.File("ForumTemplates.dat")), Header + step.File) << step.Name;
    }
}

TEST(ForumTemplates, DamagedFileIsReportedAndNeverOverwritten)
{
    TTestDir dir;
    const std::string damaged = Header + "http://x/^ubb^\r\n" + std::string(1, '\0') + "http://y/^html^\r\n";
    WriteFileBytes(dir.File("ForumTemplates.dat"), damaged);
    TForumTemplates store(dir.Path());
    EXPECT_THROW(store.LoadAll(), EDataAfterZeroError);
    store.SetTemplate("http://z/", "ubb");
    EXPECT_THROW(store.SaveAll(), ENotSavedError);
    EXPECT_EQ(ReadFileBytes(dir.File("ForumTemplates.dat")), damaged);
}
