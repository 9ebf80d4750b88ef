// Link markup: web and e-mail addresses wrapped in a template's markup.
#include "core/ULinkMarkup.h"

#include <gtest/gtest.h>

namespace {

// A template whose pieces are easy to read in expectations: [target|text] with "m:" before e-mail targets.
const TFormat Brackets{"test", "[", "|", "]", "m:"};

struct TCase
{
    const char* Name;
    std::string Text;
    std::string Converted;
};

void PrintTo(const TCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ConvertLinksWithTemplate : public ::testing::TestWithParam<TCase>
{
};

TEST_P(ConvertLinksWithTemplate, Converts)
{
    EXPECT_EQ(ConvertLinks(GetParam().Text, &Brackets), GetParam().Converted);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ConvertLinksWithTemplate,
    ::testing::Values(
        TCase{"Empty", "", ""}, TCase{"NoAddress", "plain words, nothing else", "plain words, nothing else"},
        TCase{"WebAddressEndsAtSpace", "see http://a.example/x now",
              "see [http://a.example/x|http://a.example/x] now"},
        TCase{"CapitalsFoundAndKept", "HTTP://A.Example/X", "[HTTP://A.Example/X|HTTP://A.Example/X]"},
        TCase{"Https", "at https://s.example", "at [https://s.example|https://s.example]"},
        TCase{"NoSchemeIsPlainText", "www.example.com", "www.example.com"},
        TCase{"FtpIsPlainText", "ftp://f.example x", "ftp://f.example x"},
        TCase{"CommaAfterAddressStaysInText", "http://a.x, http://b.y",
              "[http://a.x|http://a.x], [http://b.y|http://b.y]"},
        TCase{"CommaInsideAddressStays", "http://a.x,http://b.y",
              "[http://a.x,http://b.y|http://a.x,http://b.y]"},
        TCase{"CommasAndFullStopsInsideStay", "at http://x.org/a,b,c or http://x.org/x.html?y=1.",
              "at [http://x.org/a,b,c|http://x.org/a,b,c] or "
              "[http://x.org/x.html?y=1|http://x.org/x.html?y=1]."},
        TCase{"LineBreakEndsAnAddress", "https://example.org/x\nDie \xc4nderungen",
              "[https://example.org/x|https://example.org/x]\nDie \xc4nderungen"},
        TCase{"TabAndControlCharactersEndAnAddress",
              "http://a.x\tb http://c.y\x01"
              "d",
              "[http://a.x|http://a.x]\tb [http://c.y|http://c.y]\x01"
              "d"},
        TCase{"LineBreaksAfterLastAddressStay", "go http://a.x\r\n\r\n",
              "go [http://a.x|http://a.x]\r\n\r\n"},
        TCase{"SentencePunctuationShed",
              "See http://a.x/p. Or http://b.y!? Ask 'http://c.z/q'; \"http://d.w\":",
              "See [http://a.x/p|http://a.x/p]. Or [http://b.y|http://b.y]!? Ask "
              "'[http://c.z/q|http://c.z/q]'; \""
              "[http://d.w|http://d.w]\":"},
        TCase{"BracketWithPartnerInsideKept", "http://en.wikipedia.org/wiki/Foo_(bar)",
              "[http://en.wikipedia.org/wiki/Foo_(bar)|http://en.wikipedia.org/wiki/Foo_(bar)]"},
        TCase{"BracketsWithoutPartnerShed", "(see http://x.org/a). [http://y.org/b] <http://z.org/{c}>",
              "(see [http://x.org/a|http://x.org/a]). [[http://y.org/b|http://y.org/b]] "
              "<[http://z.org/{c}|http://z.org/{c}]>"},
        TCase{"OnlyUnpartneredClosersShed", "(http://x.org/f(a))) and (http://x.org/(b)",
              "([http://x.org/f(a)|http://x.org/f(a)])) and ([http://x.org/(b)|http://x.org/(b)]"},
        TCase{"SchemeAlone", "http:// x", "[http://|http://] x"},
        TCase{"EmailWithoutFinalFullStop", "mail first.last@mail.example.com.",
              "mail [m:first.last@mail.example.com|first.last@mail.example.com]."},
        TCase{"AtWithoutDomainDot", "me@home", "me@home"},
        TCase{"SameEmailTwice", "a@b.cc or a@b.cc", "[m:a@b.cc|a@b.cc] or [m:a@b.cc|a@b.cc]"},
        TCase{"TwoEmails", "x@y.zz, p@q.rr", "[m:x@y.zz|x@y.zz], [m:p@q.rr|p@q.rr]"},
        TCase{"EmailThatIsTheTailOfAnother", "b@c.dd ab@c.dd", "[m:b@c.dd|b@c.dd] [m:ab@c.dd|ab@c.dd]"},
        TCase{"EmailThatIsAPrefixOfAnother", "a@b.co a@b.com", "[m:a@b.co|a@b.co] [m:a@b.com|a@b.com]"},
        TCase{"EmailInsideWebAddressLeftAlone", "http://u@h.example/ u@h.example",
              "[http://u@h.example/|http://u@h.example/] [m:u@h.example|u@h.example]"},
        TCase{"EmailRightBeforeWebAddress", "a@b.cchttp://x.y", "[m:a@b.cc|a@b.cc][http://x.y|http://x.y]"}),
    [](const auto& instance) { return std::string(instance.param.Name); });

TEST(ConvertLinks, WithoutTemplateTextIsUnchanged)
{
    const std::string text = "http://a.example/ and joe@example.com\r\n";
    EXPECT_EQ(ConvertLinks(text, nullptr), text);
}

TEST(ConvertLinks, EmailInsideTemplateMarkupLeftAlone)
{
    const TFormat withAddress{"t", "<a href=\"x@y.zz?", "\">", "</a>", "mailto:"};
    EXPECT_EQ(ConvertLinks("http://w.v q@r.ss", &withAddress),
              "<a href=\"x@y.zz?http://w.v\">http://w.v</a> <a href=\"x@y.zz?mailto:q@r.ss\">q@r.ss</a>");
}

TEST(ConvertLinks, EmptyTemplateWritesAddressesTwice)
{
    const TFormat empty;
    EXPECT_EQ(ConvertLinks("http://a.b c@d.ee", &empty), "http://a.bhttp://a.b c@d.eec@d.ee");
}

TEST(LinkMarkup, SingleAddresses)
{
    EXPECT_EQ(UrlMarkup(" \thttp://a.b\r\n", &Brackets), "[http://a.b|http://a.b]");
    EXPECT_EQ(UrlMarkup(" \thttp://a.b\r\n", nullptr), "http://a.b");
    EXPECT_EQ(EmailMarkup(" a@b.c ", &Brackets), "[m:a@b.c|a@b.c]");
    EXPECT_EQ(EmailMarkup(" a@b.c ", nullptr), "a@b.c");
    EXPECT_EQ(UrlMarkup("\xa0x\xa0", nullptr), "\xa0x\xa0"); // bytes above 127 are not blanks
}

} // namespace
