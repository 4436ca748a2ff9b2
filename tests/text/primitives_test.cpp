#include "text/primitives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tests/text/text_test_support.h"

namespace talvex {
namespace {

using talvex::testing::HexBytes;

// GBK byte strings used across the tables. Source files are UTF-8, so GBK is written escaped.
constexpr const char* kZhong = "\xD6\xD0";             // 中
constexpr const char* kZhongWen = "\xD6\xD0\xCE\xC4";  // 中文
constexpr const char* kWideSpace = "\xA1\xA1";         // full-width space

std::string Str(const Text& text) {
    return text.str();
}

// Measuring and slicing ------------------------------------------------------------------

TEST(TextLength, CountsBytesNotCharacters) {
    EXPECT_EQ(TextLength(Text()), 0);
    EXPECT_EQ(TextLength(Text("abc")), 3);
    EXPECT_EQ(TextLength(Text(kZhongWen)), 4);
}

TEST(Slicing, ClipsAndEmptiesAtTheStatedEdges) {
    struct Row {
        const char* what;
        Text result;
        std::string expected;
    };
    const Text abc("abc");
    const std::vector<Row> rows = {
        {"Left n=2", LeftText(abc, 2), "ab"},
        {"Left n=0", LeftText(abc, 0), ""},
        {"Left n<0", LeftText(abc, -3), ""},
        {"Left past end", LeftText(abc, 10), "abc"},
        {"Left splits a character", LeftText(Text(kZhong), 1), "\xD6"},
        {"Left of empty", LeftText(Text(), 3), ""},
        {"Right n=2", RightText(abc, 2), "bc"},
        {"Right n=0", RightText(abc, 0), ""},
        {"Right n<0", RightText(abc, -1), ""},
        {"Right past end", RightText(abc, 4), "abc"},
        {"Right splits a character", RightText(Text(kZhongWen), 3), "\xD0\xCE\xC4"},
        {"Mid clipped at end", MidText(abc, 3, 5), "c"},
        {"Mid start past end", MidText(abc, 4, 1), ""},
        {"Mid start 0", MidText(abc, 0, 2), ""},
        {"Mid start negative", MidText(abc, -1, 2), ""},
        {"Mid n=0", MidText(abc, 1, 0), ""},
        {"Mid middle", MidText(abc, 2, 1), "b"},
        {"Mid huge n", MidText(abc, 2, std::numeric_limits<int>::max()), "bc"},
        {"Concat", ConcatText(Text("a"), Text(), Text(kZhong)), std::string("a") + kZhong},
        {"Concat of empties", ConcatText(Text(), Text()), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Str(row.result), row.expected);
    }
}

// Searching ------------------------------------------------------------------------------

struct FindRow {
    const char* text;
    const char* subtext;
    std::optional<int> start;
    IgnoreCase ignoreCase;
    int expected;
};

TEST(FindText, FindsTheFirstOccurrenceOnACharacterBoundary) {
    const std::vector<FindRow> rows = {
        {"abcabc", "c", std::nullopt, IgnoreCase::No, 3},
        {"abcabc", "c", 4, IgnoreCase::No, 6},
        {"abcabc", "c", 6, IgnoreCase::No, 6},
        {"abcabc", "c", 7, IgnoreCase::No, -1},
        {"abcabc", "c", 0, IgnoreCase::No, 3},
        {"abcabc", "c", -5, IgnoreCase::No, 3},
        {"abcabc", "abcabcd", std::nullopt, IgnoreCase::No, -1},
        {"abcabc", "bcabc", 3, IgnoreCase::No, -1},
        {"abc", "x", std::nullopt, IgnoreCase::No, -1},
        {"", "a", std::nullopt, IgnoreCase::No, -1},
        // Empty subtext: 1 (not start) when the searched part is non-empty.
        {"abc", "", std::nullopt, IgnoreCase::No, 1},
        {"abc", "", 3, IgnoreCase::No, 1},
        {"abc", "", 4, IgnoreCase::No, -1},
        {"", "", std::nullopt, IgnoreCase::No, -1},
        // D0 CE stand side by side in 中文 but straddle two characters.
        {kZhongWen, "\xD0\xCE", std::nullopt, IgnoreCase::No, -1},
        {kZhongWen, "\xCE\xC4", std::nullopt, IgnoreCase::No, 3},
        // A trail byte that looks like ASCII is never a match start: 81 61 holds "a".
        {"\x81"
         "a"
         "a",
         "a", std::nullopt, IgnoreCase::No, 3},
        {"\x81"
         "a",
         "a", std::nullopt, IgnoreCase::No, -1},
        // The walk begins at byte start itself, even inside a character.
        {"\x81"
         "a",
         "a", 2, IgnoreCase::No, 2},
        // A stray first byte at the end is a one-byte character.
        {"ab\xD6", "\xD6", std::nullopt, IgnoreCase::No, 3},
        {"x User-Agent: y", "user-agent:", std::nullopt, IgnoreCase::Yes, 3},
        {"x User-Agent: y", "user-agent:", std::nullopt, IgnoreCase::No, -1},
        // Case folding covers ASCII letters only, but in every byte of the span.
        {"\x81"
         "A",
         "\x81"
         "a",
         std::nullopt, IgnoreCase::Yes, 1},
        {"\xA3\xC1", "\xA3\xE1", std::nullopt, IgnoreCase::Yes, -1},  // full-width A vs a
        {"abcABC", "Bc", 3, IgnoreCase::Yes, 5},
        {"ab", "abc", std::nullopt, IgnoreCase::Yes, -1},
    };
    for (const FindRow& row : rows) {
        SCOPED_TRACE(HexBytes(row.text) + " / " + HexBytes(row.subtext) + " start " +
                     (row.start ? std::to_string(*row.start) : "omitted"));
        EXPECT_EQ(FindText(Text(row.text), Text(row.subtext), row.start, row.ignoreCase),
                  row.expected);
    }
}

TEST(FindText, OmittedStartSearchesFromTheFirstByte) {
    EXPECT_EQ(FindText(Text("xAx"), Text("a"), IgnoreCase::Yes), 2);
    EXPECT_EQ(FindText(Text("xAx"), Text("a")), -1);
}

TEST(FindTextReverse, FindsTheLastOccurrenceWithinTheFirstStartMinusOneBytes) {
    const std::vector<FindRow> rows = {
        {"a.b.c", ".", std::nullopt, IgnoreCase::No, 4},
        {"a.b.c", ".", 4, IgnoreCase::No, 2},
        {"a.b.c", ".", 2, IgnoreCase::No, -1},
        {"a.b.c", ".", 1, IgnoreCase::No, -1},
        {"a.b.c", ".", 0, IgnoreCase::No, -1},
        {"a.b.c", ".", 6, IgnoreCase::No, 4},
        {"a.b.c", ".", 100, IgnoreCase::No, 4},
        // The occurrence must lie wholly inside the first start - 1 bytes.
        {"abab", "ab", 4, IgnoreCase::No, 1},
        {"abab", "ab", 5, IgnoreCase::No, 3},
        // Occurrences may overlap: the last "aa" in "aaa" is at 2.
        {"aaa", "aa", std::nullopt, IgnoreCase::No, 2},
        {"abc", "x", std::nullopt, IgnoreCase::No, -1},
        {"", "a", std::nullopt, IgnoreCase::No, -1},
        {"abc", "", std::nullopt, IgnoreCase::No, 1},
        {"abc", "", 2, IgnoreCase::No, 1},
        {"abc", "", 1, IgnoreCase::No, -1},
        {"", "", std::nullopt, IgnoreCase::No, -1},
        // Walked by characters from the first byte: "a" inside 81 61 does not count.
        {"a\x81"
         "a",
         "a", std::nullopt, IgnoreCase::No, 1},
        {kZhongWen, "\xD0\xCE", std::nullopt, IgnoreCase::No, -1},
        {"HOST host", "Host", std::nullopt, IgnoreCase::Yes, 6},
        {"HOST host", "Host", std::nullopt, IgnoreCase::No, -1},
    };
    for (const FindRow& row : rows) {
        SCOPED_TRACE(HexBytes(row.text) + " / " + HexBytes(row.subtext) + " start " +
                     (row.start ? std::to_string(*row.start) : "omitted"));
        EXPECT_EQ(FindTextReverse(Text(row.text), Text(row.subtext), row.start, row.ignoreCase),
                  row.expected);
    }
}

TEST(FindTextReverse, RepeatedCallsStepBackThroughTheOccurrences) {
    const Text text("x/y/z/");
    std::vector<int> found;
    for (int at = FindTextReverse(text, Text("/")); at != -1;
         at = FindTextReverse(text, Text("/"), at, IgnoreCase::No)) {
        found.push_back(at);
    }
    EXPECT_EQ(found, (std::vector<int>{6, 4, 2}));
}

// Rewriting ------------------------------------------------------------------------------

TEST(ReplaceSubtext, ReplacesNonOverlappingOccurrencesByCharacters) {
    struct Row {
        const char* text;
        const char* subtext;
        const char* replacement;
        std::optional<int> start;
        std::optional<int> count;
        CaseSensitive caseSensitive;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"aXa", "x", "y", std::nullopt, std::nullopt, CaseSensitive::No, "aya"},
        {"aXa", "x", "y", std::nullopt, std::nullopt, CaseSensitive::Yes, "aXa"},
        {"aaaa", "aa", "a", std::nullopt, std::nullopt, CaseSensitive::Yes, "aa"},
        // The replacement is written unchanged and never searched again.
        {"ab", "a", "aa", std::nullopt, std::nullopt, CaseSensitive::Yes, "aab"},
        {"aXa", "x", "Y", std::nullopt, std::nullopt, CaseSensitive::No, "aYa"},
        // Omitted replacement deletes.
        {"a-b-c", "-", "", std::nullopt, std::nullopt, CaseSensitive::Yes, "abc"},
        // start: the bytes before it are copied and not searched.
        {"a-b-c", "-", "+", 3, std::nullopt, CaseSensitive::Yes, "a-b+c"},
        {"a-b-c", "-", "+", 0, std::nullopt, CaseSensitive::Yes, "a+b+c"},
        {"a-b-c", "-", "+", -4, std::nullopt, CaseSensitive::Yes, "a+b+c"},
        {"a-b-c", "-", "+", 5, std::nullopt, CaseSensitive::Yes, "a-b-c"},
        {"a-b-c", "-", "+", 6, std::nullopt, CaseSensitive::Yes, "a-b-c"},
        // count caps the replacements; 0 changes nothing.
        {"a-b-c", "-", "+", std::nullopt, 1, CaseSensitive::Yes, "a+b-c"},
        {"a-b-c", "-", "+", std::nullopt, 2, CaseSensitive::Yes, "a+b+c"},
        {"a-b-c", "-", "+", std::nullopt, 0, CaseSensitive::Yes, "a-b-c"},
        {"a-b-c", "-", "+", std::nullopt, -1, CaseSensitive::Yes, "a+b+c"},
        {"a-b-c", "-", "+", 3, 1, CaseSensitive::Yes, "a-b+c"},
        // Unchanged for an empty text or subtext.
        {"", "a", "b", std::nullopt, std::nullopt, CaseSensitive::Yes, ""},
        {"abc", "", "x", std::nullopt, std::nullopt, CaseSensitive::Yes, "abc"},
        // Walked by characters: D0 CE straddles two characters of 中文.
        {kZhongWen, "\xD0\xCE", "x", std::nullopt, std::nullopt, CaseSensitive::Yes, kZhongWen},
        {"\x81"
         "aa",
         "a", "b", std::nullopt, std::nullopt, CaseSensitive::Yes,
         "\x81"
         "ab"},
        // Case folding reaches the second byte of a two-byte character.
        {"\x81"
         "A",
         "\x81"
         "a",
         "z", std::nullopt, std::nullopt, CaseSensitive::No, "z"},
        {"ab\xD6", "\xD6", "!", std::nullopt, std::nullopt, CaseSensitive::Yes, "ab!"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text) + " / " + HexBytes(row.subtext) + " -> " +
                     HexBytes(row.replacement));
        EXPECT_EQ(Str(ReplaceSubtext(Text(row.text), Text(row.subtext), Text(row.replacement),
                                     row.start, row.count, row.caseSensitive)),
                  row.expected);
    }
}

TEST(ReplaceSubtext, HandlesALongTextWithManyOccurrences) {
    std::string text;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        text += "<td>\xD6\xD0</td>";
        expected += "[\xD6\xD0]";
    }
    const Text opened = ReplaceSubtext(Text(text), Text("<td>"), Text("["), std::nullopt,
                                       std::nullopt, CaseSensitive::Yes);
    const Text closed = ReplaceSubtext(opened, Text("</TD>"), Text("]"), std::nullopt, std::nullopt,
                                       CaseSensitive::No);
    EXPECT_EQ(closed.str(), expected);
}

TEST(SplitText, CutsAtEachDelimiterUnderTheElementRules) {
    struct Row {
        const char* text;
        const char* delimiter;
        std::optional<int> count;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"a;b", ";", std::nullopt, {"a", "b"}},
        {"a;b;", ";", std::nullopt, {"a", "b"}},
        {";a", ";", std::nullopt, {"", "a"}},
        {"a;;b", ";", std::nullopt, {"a", "", "b"}},
        {";", ";", std::nullopt, {""}},
        {";;", ";", std::nullopt, {"", ""}},
        {"", ";", std::nullopt, {}},
        {"abc", "", std::nullopt, {"abc"}},
        {"", "", std::nullopt, {}},
        {"abc", ";", std::nullopt, {"abc"}},
        {"a\r\nb\r\n", "\r\n", std::nullopt, {"a", "b"}},
        // Case matters.
        {"aXbxc", "x", std::nullopt, {"aXb", "c"}},
        // count caps the elements; the rest is dropped.
        {"a;b;c", ";", 1, {"a"}},
        {"a;b;c", ";", 2, {"a", "b"}},
        {"a;b;c", ";", 3, {"a", "b", "c"}},
        {"a;b;c", ";", 9, {"a", "b", "c"}},
        {"a;b;c", ";", 0, {}},
        {"a;b;c", ";", -2, {}},
        {"abc", "", 0, {}},
        // Walked by characters: 81 3B holds ";" as its second byte.
        {"a\x81;b;c", ";", std::nullopt, {"a\x81;b", "c"}},
        {kZhongWen, "\xD0\xCE", std::nullopt, {kZhongWen}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text) + " split at " + HexBytes(row.delimiter));
        const TextArray pieces = SplitText(Text(row.text), Text(row.delimiter), row.count);
        std::vector<std::string> got;
        for (int i = 1; i <= pieces.Count(); ++i) {
            got.push_back(pieces[i].str());
        }
        EXPECT_EQ(got, row.expected);
    }
}

TEST(SplitText, OmittedCountMeansNoCap) {
    const TextArray pieces = SplitText(Text("1,2,3,4"), Text(","));
    ASSERT_EQ(pieces.Count(), 4);
    EXPECT_EQ(pieces[4].str(), "4");
}

TEST(Spaces, TrimAndRemoveTreatA1A1AsASpaceAndDropAStrayLeadByte) {
    struct Row {
        const char* what;
        std::string text;
        std::string trimmed;
        std::string removed;
    };
    const std::string wide = kWideSpace;
    const std::vector<Row> rows = {
        {"ascii spaces", "  a b  ", "a b", "ab"},
        {"full-width spaces", wide + "a" + wide, "a", "a"},
        {"mixed spaces inside", " a " + wide + "b" + wide + " ", "a " + wide + "b", "ab"},
        {"tabs stop the trim", "\t a \t", "\t a \t", "\ta\t"},
        {"line ends are no spaces", "\r\n x \r\n", "\r\n x \r\n", "\r\nx\r\n"},
        {"only spaces", " " + wide + " ", "", ""},
        {"empty", "", "", ""},
        {"stray lead byte at the end", "a \xD6", "a ", "a"},
        {"stray lead byte alone", "\xD6", "", ""},
        {"space then stray lead byte", " \xD6", "", ""},
        {"wide space then stray", wide + "\xA1", "", ""},
        // A1 A1 only where it begins a character: in B0 A1 A1 x the pair is no space.
        {"A1 A1 straddling characters",
         "\xB0\xA1\xA1"
         "x",
         "\xB0\xA1\xA1"
         "x",
         "\xB0\xA1\xA1"
         "x"},
        {"chinese kept", " \xD6\xD0 ", "\xD6\xD0", "\xD6\xD0"},
        {"chinese at the very end kept", "a \xD6\xD0", "a \xD6\xD0", "a\xD6\xD0"},
        {"trail byte A1 at the end kept", "\xB0\xA1", "\xB0\xA1", "\xB0\xA1"},
        {"second byte 20 is no space", "\x81\x20", "\x81\x20", "\x81\x20"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + ": " + HexBytes(row.text));
        EXPECT_EQ(HexBytes(TrimBoth(Text(row.text)).str()), HexBytes(row.trimmed));
        EXPECT_EQ(HexBytes(RemoveAllSpaces(Text(row.text)).str()), HexBytes(row.removed));
    }
    EXPECT_EQ(RemoveAllSpaces(Text("a b\xA1\xA1"
                                   "c"))
                  .str(),
              "abc");
}

TEST(CaseFolding, ChangesSingleByteAsciiLettersOnly) {
    struct Row {
        std::string text;
        std::string upper;
        std::string lower;
    };
    const std::vector<Row> rows = {
        {"abc\xD6\xD0", "ABC\xD6\xD0", "abc\xD6\xD0"},
        {"MiXeD 123 z@[`{", "MIXED 123 Z@[`{", "mixed 123 z@[`{"},
        {"\x81"
         "a"
         "a",
         "\x81"
         "aA",
         "\x81"
         "aa"},  // the second byte 61 stays
        {"\x81"
         "A"
         "A",
         "\x81"
         "AA",
         "\x81"
         "Aa"},
        {"\xA3\xC1\xA3\xE1", "\xA3\xC1\xA3\xE1", "\xA3\xC1\xA3\xE1"},  // full-width letters
        {"a\xD6", "A\xD6", "a\xD6"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text));
        EXPECT_EQ(HexBytes(ToUpperText(Text(row.text)).str()), HexBytes(row.upper));
        EXPECT_EQ(HexBytes(ToLowerText(Text(row.text)).str()), HexBytes(row.lower));
    }
}

TEST(CaseFolding, AgreesWithAsciiOnEverySingleByte) {
    for (int code = 1; code < 0x80; ++code) {
        const Text byte = CharFromCode(code);
        const char upper =
            (code >= 'a' && code <= 'z') ? static_cast<char>(code - 32) : static_cast<char>(code);
        const char lower =
            (code >= 'A' && code <= 'Z') ? static_cast<char>(code + 32) : static_cast<char>(code);
        SCOPED_TRACE(code);
        EXPECT_EQ(ToUpperText(byte).str(), std::string(1, upper));
        EXPECT_EQ(ToLowerText(byte).str(), std::string(1, lower));
    }
}

// Converting -----------------------------------------------------------------------------

TEST(TextToInt, FoldsFullWidthFormsAndWrapsModulo2To32) {
    struct Row {
        std::string text;
        std::int32_t expected;
    };
    const std::vector<Row> rows = {
        {"\xA3\xB8\xA3\xB0", 80},           // full-width 8 0
        {"\xA3\xAD\xA3\xB1\xA3\xB2", -12},  // full-width - 1 2
        {"\xA3\xAB"
         "5",
         5},  // full-width +
        {"\xA1\xA1"
         "7",
         7},  // full-width space is skipped
        {" 42abc", 42},
        {"-7", -7},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-1", 0},
        {"- 1", 0},
        {"\t\n\v\f\r 9", 9},
        {"4294967297", 1},  // 2^32 + 1
        {"2147483647", 2147483647},
        {"2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"4294967295", -1},
        {"99999999999999999999", static_cast<std::int32_t>(1661992959U)},  // 10^20 - 1 mod 2^32
        {"12\xA3\xB3"
         "4",
         1234},
        {"\xB0\xA1"
         "5",
         0},  // a Chinese character is not white space
        {"\x81"
         "5",
         0},  // 5 as a second byte is no digit
        {"007", 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text));
        EXPECT_EQ(TextToInt(Text(row.text)), row.expected);
    }
}

TEST(IntToText, WritesSignedDecimal) {
    const std::vector<std::pair<std::int32_t, std::string>> rows = {
        {0, "0"},
        {-5, "-5"},
        {42, "42"},
        {std::numeric_limits<std::int32_t>::max(), "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
    };
    for (const auto& [value, expected] : rows) {
        EXPECT_EQ(IntToText(value).str(), expected);
        EXPECT_EQ(TextToInt(IntToText(value)), value);
    }
}

TEST(ToHexText, WritesUnsignedUpperCaseHexWithoutLeadingZeros) {
    const std::vector<std::pair<std::int32_t, std::string>> rows = {
        {0, "0"},
        {10, "A"},
        {255, "FF"},
        {256, "100"},
        {-1, "FFFFFFFF"},
        {std::numeric_limits<std::int32_t>::min(), "80000000"},
        {0x1234ABCD, "1234ABCD"},
    };
    for (const auto& [value, expected] : rows) {
        EXPECT_EQ(ToHexText(value).str(), expected);
    }
}

TEST(CharFromCode, TakesTheLowEightBitsAndGivesEmptyForZero) {
    EXPECT_EQ(CharFromCode(0x141).str(), "A");
    EXPECT_EQ(CharFromCode(0).str(), "");
    EXPECT_EQ(CharFromCode(0x100).str(), "");
    EXPECT_EQ(CharFromCode(-1).str(), "\xFF");
    EXPECT_EQ(CharFromCode(0xD6).str(), "\xD6");
}

TEST(BytesAndText, ConvertUpToTheFirstZeroByte) {
    EXPECT_EQ(BytesToText(Bytes(std::string_view("a\0b", 3))).str(), "a");
    EXPECT_EQ(BytesToText(Bytes(std::string_view("\0b", 2))).str(), "");
    EXPECT_EQ(BytesToText(Bytes()).str(), "");
    EXPECT_EQ(BytesToText(Bytes(std::string_view(kZhongWen))).str(), kZhongWen);
    EXPECT_EQ(TextToBytes(Text(kZhong)).str(), kZhong);
    EXPECT_TRUE(TextToBytes(Text()).empty());
}

TEST(BytesHelpers, MeasureCutJoinAndBlank) {
    const Bytes bytes(std::string_view("a\0bc", 4));
    EXPECT_EQ(BytesLength(bytes), 4);
    EXPECT_EQ(BytesLength(Bytes()), 0);
    EXPECT_EQ(LeftBytes(bytes, 2).str(), std::string("a\0", 2));
    EXPECT_EQ(LeftBytes(bytes, 9), bytes);
    EXPECT_TRUE(LeftBytes(bytes, 0).empty());
    EXPECT_TRUE(LeftBytes(bytes, -1).empty());
    EXPECT_EQ(ConcatBytes(bytes, Bytes(), Bytes(std::string_view("\0", 1))).str(),
              std::string("a\0bc\0", 5));
    EXPECT_TRUE(ConcatBytes(Bytes(), Bytes()).empty());
    EXPECT_EQ(BlankBytes(3).str(), std::string(3, '\0'));
    EXPECT_TRUE(BlankBytes(0).empty());
    EXPECT_TRUE(BlankBytes(-2).empty());
    EXPECT_EQ(BlankText(3).str(), "   ");
    EXPECT_TRUE(BlankText(0).empty());
    EXPECT_TRUE(BlankText(-1).empty());
}

// Text between markers -------------------------------------------------------------------

TEST(TextBetween, CutsTheBytesStrictlyBetweenTheMarkers) {
    struct Row {
        std::string text;
        std::string startMarker;
        std::string endMarker;
        std::optional<int> start;
        IgnoreCase ignoreCase;
        std::string expected;
    };
    const std::string quoteMarker = "\x23\xD2\xFD\xBA\xC5";  // "#引号" in GBK
    const std::vector<Row> rows = {
        {"v=[1.6];", "[", "]", std::nullopt, IgnoreCase::No, "1.6"},
        {"[a][b]", "[", "]", std::nullopt, IgnoreCase::No, "a"},
        {"x]y[z", "[", "]", std::nullopt, IgnoreCase::No, ""},
        {"ab", "ab", "b", std::nullopt, IgnoreCase::No, ""},
        {"[]", "[", "]", std::nullopt, IgnoreCase::No, ""},
        {"href=\"x\">", "href=" + quoteMarker, quoteMarker + ">", std::nullopt, IgnoreCase::No,
         "x"},
        {"Host: a\r\n", "HOST:", "\r\n", std::nullopt, IgnoreCase::No, ""},
        {"Host: a\r\n", "HOST:", "\r\n", std::nullopt, IgnoreCase::Yes, " a"},
        {"k=v;w", "=", ";", std::nullopt, IgnoreCase::No, "v"},
        {"k=v", "=", ";", std::nullopt, IgnoreCase::No, ""},
        {"", "[", "]", std::nullopt, IgnoreCase::No, ""},
        // start moves the search for the start marker.
        {"[a][b]", "[", "]", 2, IgnoreCase::No, "b"},
        {"[a][b]", "[", "]", 0, IgnoreCase::No, "a"},
        {"[a][b]", "[", "]", 9, IgnoreCase::No, ""},
        // The text itself keeps a literal placeholder; only markers are rewritten.
        {quoteMarker + "x\"", quoteMarker, "\"", std::nullopt, IgnoreCase::No, ""},
        // A magnet link between Chinese markers.
        {"\xB4\xC5\xC1\xA6:magnet:?xt=urn\xA1\xBE", "\xB4\xC5\xC1\xA6:", "\xA1\xBE", std::nullopt,
         IgnoreCase::No, "magnet:?xt=urn"},
        // Markers are matched on character boundaries only.
        {"\xD6[a]", "[", "]", std::nullopt, IgnoreCase::No, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text) + " between " + HexBytes(row.startMarker) + " and " +
                     HexBytes(row.endMarker));
        EXPECT_EQ(TextBetween(Text(row.text), Text(row.startMarker), Text(row.endMarker), row.start,
                              row.ignoreCase)
                      .str(),
                  row.expected);
    }
}

}  // namespace
}  // namespace talvex
