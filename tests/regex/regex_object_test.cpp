#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "text/codepage.h"

namespace talvex {
namespace {

// Test texts are written in UTF-8 and handed to the object in GBK, as a page reaches it.
Text Gbk(std::string_view utf8) {
    return Utf8ToAnsi(Text(utf8));
}

// The pattern the search flows use to pick the result links out of a page.
const Text kResultList = R"re(<a href="(.*?)">(.*?)</a></li><li>)re";

struct ResultItem {
    std::string address;
    std::string title;  // UTF-8
};

struct ResultPageCase {
    const char* name;
    std::string page;  // UTF-8
    std::vector<ResultItem> expected;
};

TEST(RegexObject, ResultListPatternPicksEveryResultOfAPageAndNothingSplitOverALine) {
    const std::vector<ResultPageCase> cases = {
        {"two items",
         "<ul><li><a href=\"/d/1.html\">第一个标题</a></li><li><a href=\"/d/2.html\">Second "
         "标题</a></li><li></ul>",
         {{"/d/1.html", "第一个标题"}, {"/d/2.html", "Second 标题"}}},
        {"tags and attribute in capitals",
         "<LI><A HREF=\"/d/7\">大写</A></LI><LI><A Href=\"/d/8\">Mixed</a></Li><lI>",
         {{"/d/7", "大写"}, {"/d/8", "Mixed"}}},
        {"two items on separate lines",
         "<li><a href=\"/a\">甲</a></li><li>\r\n<a href=\"/b\">乙</a></li><li>\n",
         {{"/a", "甲"}, {"/b", "乙"}}},
        {"title split by LF",
         "<a href=\"/x\">上半\n下半</a></li><li><a href=\"/y\">完整</a></li><li>",
         {{"/y", "完整"}}},
        {"title split by CRLF", "<a href=\"/x\">上半\r\n下半</a></li><li>", {}},
        {"title split by a lone CR", "<a href=\"/x\">上半\r下半</a></li><li>", {}},
        {"address split by LF", "<a href=\"/x\ny\">标题</a></li><li>", {}},
        {"anchor not followed by the next item", "<a href=\"/x\">标题</a></li></ul>", {}},
        {"empty page", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegexObject regex;
        ASSERT_TRUE(regex.Create(kResultList, Gbk(c.page)));
        ASSERT_EQ(regex.MatchCount(), static_cast<int>(c.expected.size()));
        for (int i = 1; i <= regex.MatchCount(); ++i) {
            const ResultItem& item = c.expected[static_cast<std::size_t>(i) - 1];
            EXPECT_EQ(regex.SubmatchText(i, 1), Gbk(item.address)) << "match " << i;
            EXPECT_EQ(regex.SubmatchText(i, 2), Gbk(item.title)) << "match " << i;
        }
        EXPECT_EQ(regex.SubmatchCount(), c.expected.empty() ? 0 : 2);
    }
}

TEST(RegexObject, MatchTextIsTheWholeMatchInGbk) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("<b>(.*?)</b>", Gbk("x<b>粗体</b>y<B>第二</B>")));
    ASSERT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), Gbk("<b>粗体</b>"));
    EXPECT_EQ(regex.MatchText(2), Gbk("<B>第二</B>"));
    EXPECT_EQ(regex.SubmatchText(2, 1), Gbk("第二"));
}

TEST(RegexObject, InvalidPatternFailsAndEveryReadingGivesEmptyOrZero) {
    RegexObject regex;
    EXPECT_FALSE(regex.Create("(", Gbk("(abc)")));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubmatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), Text());
    EXPECT_EQ(regex.SubmatchText(1, 1), Text());
    EXPECT_EQ(regex.Replace("x"), Text());
    // The engine still holds the rejected pattern.
    EXPECT_EQ(regex.GetPattern(), Text("("));
}

TEST(RegexObject, ObjectWithoutCreateReadsAsEmpty) {
    const RegexObject regex;
    EXPECT_EQ(regex.GetPattern(), Text());
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubmatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), Text());
    EXPECT_EQ(regex.SubmatchText(1, 1), Text());
    EXPECT_EQ(regex.Replace("x"), Text());
    int position = 99;
    EXPECT_EQ(regex.MatchText(1, &position), Text());
    EXPECT_EQ(position, -2);  // nothing to search in
}

TEST(RegexObject, PatternMatchingNothingSucceedsWithNoMatch) {
    RegexObject regex;
    EXPECT_TRUE(regex.Create(kResultList, Text()));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubmatchCount(), 0);
    EXPECT_TRUE(regex.Create("zzz", "abc"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.Replace("y"), Text("abc"));
}

TEST(RegexObject, IndicesOutOfRangeGiveTheEmptyText) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a)(b)", "ab ab"));
    ASSERT_EQ(regex.MatchCount(), 2);
    const std::vector<std::pair<int, int>> outside = {
        {0, 1}, {-1, 1}, {3, 1}, {-2147483647 - 1, 1}, {1, 0}, {1, -1}, {1, 3}, {2, 2147483647},
    };
    for (const auto& [match, group] : outside) {
        SCOPED_TRACE(testing::Message() << "match " << match << ", group " << group);
        EXPECT_EQ(regex.SubmatchText(match, group), Text());
    }
    for (const int match : {0, -1, 3, 2147483647}) {
        SCOPED_TRACE(testing::Message() << "match " << match);
        EXPECT_EQ(regex.MatchText(match), Text());
    }
    EXPECT_EQ(regex.MatchText(2), Text("ab"));
    EXPECT_EQ(regex.SubmatchText(2, 2), Text("b"));
}

TEST(RegexObject, GroupThatTookNoPartIsEmpty) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a)|(b)", "b"));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubmatchCount(), 2);
    EXPECT_EQ(regex.SubmatchText(1, 1), Text());
    EXPECT_EQ(regex.SubmatchText(1, 2), Text("b"));
}

TEST(RegexObject, QuoteMarkerExpandsOnlyWhenAskedAndGetPatternShowsTheResult) {
    const Text marked = Gbk("href=#引号(.*?)#引号");
    const Text page = Gbk("<a href=\"/d/9\">");
    RegexObject regex;
    ASSERT_TRUE(regex.Create(marked, page, CaseSensitive::No, Multiline::Yes, Global::Yes,
                             ExpandQuoteMarker::Yes));
    EXPECT_EQ(regex.GetPattern(), Text(R"re(href="(.*?)")re"));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubmatchText(1, 1), Text("/d/9"));

    ASSERT_TRUE(regex.Create(marked, page));
    EXPECT_EQ(regex.GetPattern(), marked);
    EXPECT_EQ(regex.MatchCount(), 0);
}

struct OptionCase {
    const char* name;
    Text pattern;
    Text subject;
    CaseSensitive caseSensitive;
    Multiline multiline;
    Global global;
    std::vector<Text> matches;
};

TEST(RegexObject, OptionsChangeCaseLinesAndRepetition) {
    const CaseSensitive exact = CaseSensitive::Yes;
    const CaseSensitive anyCase = CaseSensitive::No;
    const std::vector<OptionCase> cases = {
        {"ignores case by default",
         "ab",
         "AB ab",
         anyCase,
         Multiline::Yes,
         Global::Yes,
         {"AB", "ab"}},
        {"exact when case-sensitive", "ab", "AB ab", exact, Multiline::Yes, Global::Yes, {"ab"}},
        {"first match only without global",
         "ab",
         "ab ab",
         anyCase,
         Multiline::Yes,
         Global::No,
         {"ab"}},
        {"anchors at line breaks",
         "^\\w+$",
         "one\ntwo\r\nthree\rfour",
         anyCase,
         Multiline::Yes,
         Global::Yes,
         {"one", "two", "three", "four"}},
        {"anchors at the ends only", "^\\w+$", "one\ntwo", anyCase, Multiline::No, Global::Yes, {}},
        {"no match before a final break without multi-line",
         "two$",
         "two\n",
         anyCase,
         Multiline::No,
         Global::Yes,
         {}},
        {"dot stops at every line break",
         "a.b",
         "a\nb a\rb a b",
         anyCase,
         Multiline::Yes,
         Global::Yes,
         {"a b"}},
        {"lazy quantifier takes the shortest",
         "<(.*?)>",
         "<x><y>",
         anyCase,
         Multiline::Yes,
         Global::Yes,
         {"<x>", "<y>"}},
        {"case folding of Chinese is harmless",
         Gbk("中(.)"),
         Gbk("中文 中A 中a"),
         anyCase,
         Multiline::Yes,
         Global::Yes,
         {Gbk("中文"), Gbk("中A"), Gbk("中a")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global));
        std::vector<Text> found;
        for (int i = 1; i <= regex.MatchCount(); ++i) {
            found.push_back(regex.MatchText(i));
        }
        std::vector<std::string> foundBytes;
        std::vector<std::string> expectedBytes;
        for (const Text& t : found) {
            foundBytes.push_back(t.str());
        }
        for (const Text& t : c.matches) {
            expectedBytes.push_back(t.str());
        }
        EXPECT_EQ(foundBytes, expectedBytes);
    }
}

struct EmptyMatchCase {
    Text pattern;
    Text subject;
    std::vector<std::string> matches;
};

TEST(RegexObject, EmptyMatchesAdvanceByOneCharacterWithCrlfAsOne) {
    const std::vector<EmptyMatchCase> cases = {
        {"x*", "ab", {"", "", ""}},       {"a*", "baaa", {"", "aaa", ""}}, {"", "", {""}},
        {"$", "a\r\nb", {"", ""}},  // once before the CRLF, never between CR and LF
        {"^", "a\r\nb\nc", {"", "", ""}}, {"", Gbk("中文"), {"", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "pattern " << c.pattern.str() << ", subject "
                                        << testing::PrintToString(c.subject.str()));
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, c.subject));
        std::vector<std::string> found;
        for (int i = 1; i <= regex.MatchCount(); ++i) {
            found.push_back(regex.MatchText(i).str());
        }
        EXPECT_EQ(found, c.matches);
    }
}

struct PositionCase {
    const char* name;
    Text subject;
    Text pattern;
    int match;
    int group;  // 0: MatchText
    Text text;
    int position;
};

TEST(RegexObject, PositionSearchesFromTheMatchOffsetCountedAsABytePosition) {
    const Text zhongA(
        "\xD6\xD0"
        "a");  // 中a
    const Text zhongZhongCc(
        "\xD6\xD0\xD6\xD0"
        "cc");  // 中中cc
    const std::vector<PositionCase> cases = {
        {"second c", "abc abc", "c", 2, 0, "c", 6},
        {"first c", "abc abc", "c", 1, 0, "c", 2},
        {"after a two-byte character", zhongA, "a", 1, 0, "a", 2},
        // Match 2 starts at unit 3 but at byte offset 5; the search from byte 3 meets the
        // first c, at offset 4.
        {"earlier occurrence after Chinese text", zhongZhongCc, "c", 2, 0, "c", 4},
        {"group searched from its match", "xy=1 xy=2", "xy=(\\d)", 2, 1, "2", 8},
        {"group equal to text before it in the match", "aa", "a(a)", 1, 1, "a", 0},
        {"empty match counts as found at the start", "ab", "$", 1, 0, "", 0},
        {"empty subject", "", "x*", 1, 0, "", -2},
        {"match out of range searches from the start", "abc", "b", 2, 0, "", 0},
        {"group out of range", "abc", "(b)", 1, 2, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, c.subject));
        int position = 12345;
        const Text text = c.group == 0 ? regex.MatchText(c.match, &position)
                                       : regex.SubmatchText(c.match, c.group, &position);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(position, c.position);
    }
}

TEST(RegexObject, SecondCreateReplacesPatternMatchesAndSubject) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create(kResultList, Gbk("<a href=\"/1\">一</a></li><li><a href=\"/2\">二"
                                              "</a></li><li>")));
    ASSERT_EQ(regex.MatchCount(), 2);

    ASSERT_TRUE(regex.Create("(z)", "xzx"));
    EXPECT_EQ(regex.GetPattern(), Text("(z)"));
    EXPECT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubmatchCount(), 1);
    EXPECT_EQ(regex.SubmatchText(1, 1), Text("z"));
    EXPECT_EQ(regex.SubmatchText(1, 2), Text());
    EXPECT_EQ(regex.SubmatchText(2, 1), Text());
    EXPECT_EQ(regex.Replace("-"), Text("x-x"));
    int position = 0;
    EXPECT_EQ(regex.MatchText(1, &position), Text("z"));
    EXPECT_EQ(position, 1);

    EXPECT_FALSE(regex.Create("(", "abc"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubmatchText(1, 1), Text());
    EXPECT_EQ(regex.Replace("-"), Text());
    EXPECT_EQ(regex.MatchText(1, &position), Text());
    EXPECT_EQ(position, 0);  // the new subject "abc" is searched for the empty text
}

struct ReplaceCase {
    Text pattern;
    Text subject;
    Global global;
    Text replacement;
    Text expected;
};

TEST(RegexObject, ReplaceRewritesEveryMatchOrTheFirstWithGroupReferences) {
    const std::vector<ReplaceCase> cases = {
        {"(\\w+)@(\\w+)", "a@b c@d", Global::Yes, "$2@$1", "b@a d@c"},
        {"(\\w+)@(\\w+)", "a@b c@d", Global::No, "$2@$1", "b@a c@d"},
        {"(\\w+)@(\\w+)", "a@b c@d", Global::Yes, "[$&]", "[a@b] [c@d]"},
        {"(\\w+)@(\\w+)", "a@b c@d", Global::Yes, "[$0]", "[a@b] [c@d]"},
        {"(\\w+)@(\\w+)", "a@b c@d", Global::Yes, "$$1", "$1 $1"},
        {"(\\w+)@(\\w+)", "a@b c@d", Global::Yes, "$3$", "$3$ $3$"},
        {"(\\w+)@(\\w+)", "a@b c@d", Global::Yes, "$10", "a0 c0"},
        {"@", "a@b", Global::Yes, "<$`|$'>", "a<a|b>b"},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "abcdefghij", Global::Yes, "$9$10$1", "ija"},
        {"(a)|(b)", "ab", Global::Yes, "[$1$2]", "[a][b]"},
        {"o", "foo boo", Global::Yes, "", "f b"},
        {"o", "foo boo", Global::No, "", "fo boo"},
        {"q", "foo", Global::Yes, "x", "foo"},
        {"x*", "ab", Global::Yes, "-", "-a-b-"},
        {"$", "a\r\nb", Global::Yes, "!", "a!\r\nb!"},
        {Gbk("中"), Gbk("中文中"), Global::Yes, Gbk("汉$&"), Gbk("汉中文汉中")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "pattern " << c.pattern.str() << ", replacement " << c.replacement.str());
        RegexObject regex;
        ASSERT_TRUE(
            regex.Create(c.pattern, c.subject, CaseSensitive::No, Multiline::Yes, c.global));
        EXPECT_EQ(regex.Replace(c.replacement), c.expected);
    }
}

TEST(RegexObject, ReplaceWithoutReplacementRemovesTheMatches) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("<[^>]*>", "<b>bold</b> text"));
    EXPECT_EQ(regex.Replace(), Text("bold text"));
}

TEST(RegexObject, CopySharesTheResultsAndOutlivesTheOriginalsNextCreate) {
    RegexObject original;
    ASSERT_TRUE(original.Create("(\\d+)", "a1 b22"));
    const RegexObject copy = original;
    ASSERT_TRUE(original.Create("x", "y"));
    EXPECT_EQ(original.MatchCount(), 0);

    EXPECT_EQ(copy.GetPattern(), Text("(\\d+)"));
    ASSERT_EQ(copy.MatchCount(), 2);
    EXPECT_EQ(copy.SubmatchText(2, 1), Text("22"));
    EXPECT_EQ(copy.Replace("#"), Text("a# b#"));
    int position = 0;
    EXPECT_EQ(copy.MatchText(2, &position), Text("22"));
    EXPECT_EQ(position, 4);

    RegexObject assigned;
    assigned = copy;
    EXPECT_EQ(assigned.SubmatchText(1, 1), Text("1"));
    RegexObject moved = std::move(assigned);
    EXPECT_EQ(moved.MatchText(2), Text("22"));
}

TEST(RegexObject, RunawayLineEndsTheScanOfThatLineWithTheMatchesFoundSoFar) {
    // Nested quantifiers over a long run of a's explode for any backtracking engine; the
    // match after that run, on the same line, is never reached.
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a+)+b", Text("ab aab " + std::string(5000, 'a') + " ab")));
    ASSERT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), Text("ab"));
    EXPECT_EQ(regex.MatchText(2), Text("aab"));

    // The same run short enough to finish: the last match is found.
    ASSERT_TRUE(regex.Create("(a+)+b", "ab aab aaaa ab"));
    EXPECT_EQ(regex.MatchCount(), 3);
}

TEST(RegexObject, RunawayLineCostsOnlyItselfAndLaterLinesAreStillSearched) {
    const std::string runaway(5000, 'a');
    RegexObject regex;
    for (const char* lineBreak : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(lineBreak[0] == '\n' ? "LF" : lineBreak[1] ? "CRLF" : "CR");
        const std::string subject = "ab" + std::string(lineBreak) + runaway + " ab" + lineBreak +
                                    "xab" + lineBreak + runaway + lineBreak + "aab";
        ASSERT_TRUE(regex.Create("(a+)+b", Text(subject)));
        ASSERT_EQ(regex.MatchCount(), 3);
        EXPECT_EQ(regex.MatchText(1), Text("ab"));
        EXPECT_EQ(regex.MatchText(2), Text("ab"));
        EXPECT_EQ(regex.MatchText(3), Text("aab"));
    }

    // A page made of nothing but runaway lines ends after a bounded number of them (each line
    // holds a "b", so the engine cannot rule it out at once).
    const auto runawayLines = [&](int count) {
        std::string lines;
        for (int i = 0; i < count; ++i) {
            lines += runaway + " b\n";
        }
        return lines + "ab";
    };
    ASSERT_TRUE(regex.Create("(a+)+b", Text(runawayLines(50))));
    EXPECT_EQ(regex.MatchCount(), 1);
    ASSERT_TRUE(regex.Create("(a+)+b", Text(runawayLines(200))));
    EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObject, HostileResultPageLineKeepsTheResultsAroundIt) {
    std::string page = "<a href=\"/1\">一</a></li><li><a href=\"/2\">二</a></li><li>\n";
    for (int i = 0; i < 6000; ++i) {
        page += "<a href=\"\">";  // anchors that never reach the next list item
    }
    page += "</a></li><l\n<a href=\"/3\">三</a></li><li>\n";
    RegexObject regex;
    ASSERT_TRUE(regex.Create(kResultList, Gbk(page)));
    ASSERT_EQ(regex.MatchCount(), 3);
    EXPECT_EQ(regex.SubmatchText(1, 2), Gbk("一"));
    EXPECT_EQ(regex.SubmatchText(2, 2), Gbk("二"));
    EXPECT_EQ(regex.SubmatchText(3, 2), Gbk("三"));
    EXPECT_EQ(regex.SubmatchText(3, 1), Text("/3"));
}

}  // namespace
}  // namespace talvex
