// SplitFields and the e-mail address scanner behind ExtractEmails.
#include "core/UUtils.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

using namespace std::string_literals;

namespace {

using TList = std::vector<std::string>;

TEST(SplitFields, CutsAtEverySeparator)
{
    struct TCase
    {
        std::string Line;
        TList Fields;
    };
    const TCase cases[] = {
        {"", {}},
        {"a^b^", {"a", "b"}},
        {"a^b", {"a", "b"}},
        {"a^^b^", {"a", "", "b"}},
        {"^a^", {"", "a"}},
        {"^^^", {"", "", ""}},
        {" a ^ b ", {" a ", " b "}},
        {"no separator", {"no separator"}},
        {"a\0b^c"s, {"a\0b"s, "c"}},
    };
    TList fields{"stale"};
    for (const auto& c : cases) {
        SplitFields('^', c.Line, fields);
        EXPECT_EQ(fields, c.Fields) << c.Line;
    }
    SplitFields(',', "x,y^z", fields);
    EXPECT_EQ(fields, (TList{"x", "y^z"}));
}

TEST(ExtractEmails, FindsAddressesLeftmostAndGreedy)
{
    struct TCase
    {
        std::string Text;
        TList Emails;
    };
    const TCase cases[] = {
        {"", {}},
        {"write to joe@example.com.", {"joe@example.com"}},
        {"first.last@mail.example.org today", {"first.last@mail.example.org"}},
        {"no dot: joe@localhost", {}},
        {"joe@example.com and joe@example.com", {"joe@example.com", "joe@example.com"}},
        {"a@b.c@d.e", {"a@b.c"}},
        {"a@b..c x@y.z", {"x@y.z"}},
        {"..__--@a-b.c_d", {"..__--@a-b.c_d"}},
        {"x@y.z.", {"x@y.z"}},
        {"@a.b", {}},
        {"\xe9joe@x.org", {"joe@x.org"}},
        {"Joe@Example.COM", {"Joe@Example.COM"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractEmails(c.Text), c.Emails) << c.Text;
}

// The scanner must agree with the pattern's meaning as a regular-expression engine gives it.
TEST(ExtractEmails, AgreesWithTheRegularExpressionOnRandomText)
{
    const std::regex pattern(R"([_a-zA-Z\d\-\.]+@[_a-zA-Z\d\-]+(\.[_a-zA-Z\d\-]+)+)");
    const std::string alphabet = "ab9_-..@@ \n";
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        std::size_t length = random() % 24;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        TList expected;
        for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
            expected.push_back(it->str());
        ASSERT_EQ(ExtractEmails(text), expected) << '"' << text << '"';
    }
}

// Long runs that look like the start of an address must neither recurse nor rescan.
TEST(ExtractEmails, LongRunsWithoutAnAddress)
{
    std::string letters(4'000'000, 'a');
    EXPECT_TRUE(ExtractEmails(letters).empty());
    std::string ats;
    for (int i = 0; i < 200'000; ++i)
        ats += "aaaa@bbbb";
    EXPECT_TRUE(ExtractEmails(ats).empty());
    EXPECT_EQ(ExtractEmails(letters + "@x.y"), TList{letters + "@x.y"});
}

// Posts.dat and everything copied from it keep no user name and password of a forum's address.
TEST(WithoutUserInfo, DropsOnlyTheUserNameAndPasswordBeforeTheHost)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://user:pw@host.example/", "http://host.example/"},
        {"https://me@host.example:8080/f?x=a@b#c@d", "https://host.example:8080/f?x=a@b#c@d"},
        {"http://u:p@ss@host.example/", "http://host.example/"}, // a password with an "@"
        {"http://host.example/user@mail", "http://host.example/user@mail"},
        {"http://host.example?to=a@b", "http://host.example?to=a@b"},
        {"//u:p@host.example/", "//host.example/"},
        {"host.example/a//u@b", "host.example/a//u@b"},
        {"mailto:someone@host.example", "mailto:someone@host.example"},
        {"", ""},
    };
    for (const auto& [address, expected] : cases)
        EXPECT_EQ(WithoutUserInfo(address), expected) << address;
}

} // namespace
