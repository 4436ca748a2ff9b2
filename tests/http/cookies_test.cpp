#include <gtest/gtest.h>

#include <vector>

#include "http/cookies.h"
#include "tests/support/text_printers.h"

namespace talvex {
namespace {

struct MergeRow {
    const char* cookiesBefore;
    const char* returnedBefore;
    const char* cookiesAfter;
    const char* returnedAfter;
};

TEST(MergeCookies, TableOfListsMergesNewPairsFirstAndDropsDeletedAndRepeats) {
    const std::vector<MergeRow> rows = {
        {"a=1; b=2; c=3", "b=9;c=deleted; d=4", "b=9; d=4; a=1", "b=9;c=deleted;d=4"},
        {"", "x=1; y=2", "x=1; y=2", "x=1;y=2"},
        {"x=1; y=2", "", "x=1; y=2", ""},
        {"a=1; b=2", "b=deleted", "a=1", "b=deleted"},
        {"a=deleted; b=2", "", "b=2", ""},
        {"a=1;a=2;b", "b=3", "b=3; a=1", "b=3"},
        {"a=1", "a=1;a=1", "a=1", "a=1;a=1"},
        {"", "a=1;a=2", "a=1; a=2", "a=1;a=2"},
        {"k=v v", "k2=w", "k2=w; k=vv", "k2=w"},
        {"a=1", "A=2", "A=2; a=1", "A=2"},
        {"a", "a=1", "a=1", "a=1"},
        {"a=1;;b=2", "", "a=1; ; b=2", ""},
        {"a=1;", "", "a=1", ""},
        {"", "", "", ""},
        {"a=1\xA1\xA1;\xA1\xA1 b=2", "", "a=1; b=2", ""},
    };
    for (const MergeRow& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "'" << row.cookiesBefore << "' + '" << row.returnedBefore << "'");
        Text cookies = row.cookiesBefore;
        Text returned = row.returnedBefore;
        const Text merged = MergeCookies(cookies, returned);
        EXPECT_EQ(cookies, Text(row.cookiesAfter));
        EXPECT_EQ(returned, Text(row.returnedAfter));
        EXPECT_EQ(merged, cookies);
    }
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEqualsSign) {
    EXPECT_EQ(CookieName("sid=1=2"), Text("sid"));
    EXPECT_EQ(CookieName("  sid =1"), Text("sid"));
    EXPECT_EQ(CookieName("flag"), Text("flag"));
    EXPECT_EQ(CookieName("=v"), Text(""));
    EXPECT_EQ(CookieName(""), Text(""));
}

TEST(HasCookieName, ComparesNamesExactly) {
    const TextArray list({Text("a=1"), Text("B=2"), Text("c")});
    EXPECT_TRUE(HasCookieName(list, "a"));
    EXPECT_TRUE(HasCookieName(list, "c"));
    EXPECT_FALSE(HasCookieName(list, "b"));
    EXPECT_FALSE(HasCookieName(TextArray(), ""));
}

TEST(RemoveDuplicates, KeepsTheFirstOfEachPieceInOrder) {
    EXPECT_EQ(RemoveDuplicates("a; b; a; ; c", "; "), Text("a; b; ; c"));
    EXPECT_EQ(RemoveDuplicates("", "; "), Text(""));
    EXPECT_EQ(RemoveDuplicates("x,x,x", ","), Text("x"));
    EXPECT_EQ(RemoveDuplicates("x,y,", ","), Text("x,y"));
}

TEST(IndexOfText, GivesTheFirstEqualElementFromOneOrMinusOne) {
    const TextArray list({Text("a"), Text("b"), Text("a")});
    EXPECT_EQ(IndexOfText(list, "a"), 1);
    EXPECT_EQ(IndexOfText(list, "b"), 2);
    EXPECT_EQ(IndexOfText(list, "A"), -1);
    EXPECT_EQ(IndexOfText(TextArray(), ""), -1);
}

}  // namespace
}  // namespace talvex
