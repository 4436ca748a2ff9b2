#include "text/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/text/text_test_support.h"

namespace talvex {
namespace {

using talvex::testing::HexBytes;

// UTF-16LE bytes of the given units, no terminator added.
WideBytes Units(std::u16string_view units) {
    std::string bytes;
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFFU));
        bytes.push_back(static_cast<char>(unit >> 8U));
    }
    return WideBytes(std::move(bytes));
}

std::string WideHex(std::u16string_view units) {
    return HexBytes(Units(units).str());
}

// Encodings are written as escaped bytes: GBK where GBK is meant, UTF-8 where UTF-8 is meant.
constexpr const char* kGbkZhongWen = "\xD6\xD0\xCE\xC4";           // 中文
constexpr const char* kUtf8ZhongWen = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
constexpr const char* kUtf8Grin = "\xF0\x9F\x98\x80";              // U+1F600, not in GBK

TEST(ToWide, EndsInExactlyOneZeroUnit) {
    struct Row {
        std::string text;
        int codePage;
        std::u16string units;  // without the terminator
    };
    const std::vector<Row> rows = {
        {"", kCodePageUtf8, u""},
        {"", kCodePageGbk, u""},
        {"A\xD6\xD0", kCodePageGbk, u"A\u4E2D"},
        {"A\xD6\xD0", kCodePageAnsi, u"A\u4E2D"},
        {kGbkZhongWen, kCodePageGbk, u"\u4E2D\u6587"},
        {kUtf8ZhongWen, kCodePageUtf8, u"\u4E2D\u6587"},
        {kUtf8Grin, kCodePageUtf8, u"\U0001F600"},
        {"\x80", kCodePageGbk, u"\u20AC"},      // the euro sign of code page 936
        {"\xFD\x9C", kCodePageGbk, u"\uF92C"},  // a compatibility ideograph GBK holds
        {"plain ascii", kCodePageGbk, u"plain ascii"},
        {"text", 1252, u""},  // a code page this tool does not know converts to nothing
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text) + " in code page " + std::to_string(row.codePage));
        const WideBytes wide = ToWide(Text(row.text), row.codePage);
        EXPECT_EQ(HexBytes(wide.str()), WideHex(row.units + u'\0'));
    }
    EXPECT_EQ(ToWide(Text()).str(), std::string(2, '\0'));
}

TEST(ToWide, ReplacesEachInvalidSequenceAndKeepsTheCharactersAroundIt) {
    struct Row {
        const char* what;
        std::string text;
        int codePage;
        std::u16string units;
    };
    const std::vector<Row> rows = {
        {"truncated UTF-8 sequence",
         "\xE4\xB8\xAD\xE4\xB8"
         "a",
         kCodePageUtf8,
         u"\u4E2D\uFFFD"
         "a"},
        {"truncated UTF-8 at the end", "a\xE4\xB8", kCodePageUtf8, u"a\uFFFD"},
        {"overlong UTF-8",
         "a\xC0\xAF"
         "b",
         kCodePageUtf8,
         u"a\uFFFD\uFFFD"
         "b"},
        {"UTF-8 surrogate",
         "a\xED\xA0\x80"
         "b",
         kCodePageUtf8,
         u"a\uFFFD\uFFFD\uFFFD"
         "b"},
        {"stray UTF-8 continuation", "\x80\xE4\xB8\xAD", kCodePageUtf8, u"\uFFFD\u4E2D"},
        {"GBK lead byte with a bad trail",
         "a\x81\x20"
         "b",
         kCodePageGbk, u"a\uFFFD b"},
        {"GBK lone lead byte at the end", "\xD6\xD0\x81", kCodePageGbk, u"\u4E2D\uFFFD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + ": " + HexBytes(row.text));
        EXPECT_EQ(HexBytes(ToWide(Text(row.text), row.codePage).str()), WideHex(row.units + u'\0'));
    }
}

TEST(FromWide, ConvertsTheUnitsBeforeTheFirstZeroUnit) {
    struct Row {
        std::u16string units;
        int codePage;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {u"A\u4E2D", kCodePageAnsi, "A\xD6\xD0"},
        {u"A\u4E2D", kCodePageGbk, "A\xD6\xD0"},
        {u"A\u4E2D", kCodePageUtf8, "A\xE4\xB8\xAD"},
        {std::u16string(u"A\0B", 3), kCodePageAnsi, "A"},
        {std::u16string(u"\0B", 2), kCodePageAnsi, ""},
        {u"\U0001F600x", kCodePageGbk, "?x"},  // GBK lacks it
        {u"\U0001F600", kCodePageUtf8, kUtf8Grin},
        {u"a\xD800"
         "b",
         kCodePageGbk, "a?b"},  // a lone surrogate
        {u"\u20AC", kCodePageGbk, "\x80"},
        // Best-fit stand-ins of the code page 936 table: cent sign, superscript two, soft hyphen.
        {u"\u00A2\u00B2\u00AD", kCodePageGbk,
         "\xA1\xE9"
         "2-"},
        // A default-ignorable character GBK lacks is substituted, not dropped.
        {u"a\u200Bb", kCodePageGbk, "a?b"},
        {u"", kCodePageGbk, ""},
        {u"abc", 1252, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(WideHex(row.units) + " to code page " + std::to_string(row.codePage));
        std::u16string terminated = row.units;
        terminated.push_back(u'\0');
        EXPECT_EQ(HexBytes(FromWide(Units(terminated), row.codePage).str()),
                  HexBytes(row.expected));
    }
    EXPECT_EQ(FromWide(Units(std::u16string(u"\u4E2D\0", 2))).str(), "\xD6\xD0");
}

TEST(Utf8AndAnsi, ConvertChineseBothWaysAndLeaveAsciiAlone) {
    EXPECT_EQ(HexBytes(AnsiToUtf8(Text(kGbkZhongWen)).str()), HexBytes(kUtf8ZhongWen));
    EXPECT_EQ(HexBytes(Utf8ToAnsi(Text(kUtf8ZhongWen)).str()), HexBytes(kGbkZhongWen));
    const Text ascii("GET /s/%E5/1/ HTTP/1.1");
    EXPECT_EQ(AnsiToUtf8(ascii), ascii);
    EXPECT_EQ(Utf8ToAnsi(ascii), ascii);
    EXPECT_TRUE(AnsiToUtf8(Text()).empty());
    EXPECT_TRUE(Utf8ToAnsi(Text()).empty());
}

TEST(Utf8ToAnsi, TurnsWhatGbkLacksOrWhatIsInvalidIntoQuestionMarks) {
    struct Row {
        const char* what;
        std::string utf8;
        std::string gbk;
    };
    const std::vector<Row> rows = {
        {"character outside GBK", std::string("a") + kUtf8Grin + "b", "a?b"},
        {"truncated sequence", "\xE4\xB8\xAD\xE4\xB8\xE6\x96\x87", "\xD6\xD0?\xCE\xC4"},
        {"overlong form", "\xE4\xB8\xAD\xC0\xAF\xE6\x96\x87", "\xD6\xD0??\xCE\xC4"},
        {"encoded surrogate", "\xE4\xB8\xAD\xED\xA0\x80\xE6\x96\x87", "\xD6\xD0???\xCE\xC4"},
        {"lone 0xFF", "x\xFFy", "x?y"},
        // No composition here: e + combining acute stays two characters.
        {"combining mark", "e\xCC\x81", "e?"},
        {"euro sign", "\xE2\x82\xAC", "\x80"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + ": " + HexBytes(row.utf8));
        EXPECT_EQ(HexBytes(Utf8ToAnsi(Text(row.utf8)).str()), HexBytes(row.gbk));
    }
}

TEST(AnsiToUtf8, TurnsInvalidGbkIntoReplacementCharacters) {
    EXPECT_EQ(HexBytes(AnsiToUtf8(Text("a\x81\x20"
                                       "b"))
                           .str()),
              HexBytes("a\xEF\xBF\xBD b"));
    EXPECT_EQ(HexBytes(AnsiToUtf8(Text("\xD6\xD0\x81")).str()),
              HexBytes("\xE4\xB8\xAD\xEF\xBF\xBD"));
}

TEST(Utf8AndAnsi, OnePassGivesTheSameBytesAsGoingThroughUtf16) {
    const std::vector<std::string> utf8Inputs = {
        kUtf8ZhongWen,
        std::string("<a href=\"/d/1\">") + kUtf8ZhongWen + kUtf8Grin + "</a>",
        "\xE4\xB8\xAD\xE4\xB8"
        "a\xC0\xAF\xED\xA0\x80\xFF\xF0\x9F",
        "e\xCC\x81 \xEF\xA4\xAC",
        std::string(5000, 'x') + kUtf8ZhongWen + std::string(5000, 'y') + "\xE4",
    };
    for (const std::string& input : utf8Inputs) {
        SCOPED_TRACE(HexBytes(input.substr(0, 64)));
        const Text text(input);
        EXPECT_EQ(Utf8ToAnsi(text), FromWide(ToWide(text, kCodePageUtf8), kCodePageGbk));
    }
    const std::vector<std::string> gbkInputs = {
        kGbkZhongWen,
        "a\x81\x20"
        "b\xD6\xD0\x81",
        "\x80\xFF\xAA\xA1\xFD\x9C",
        std::string(5000, 'x') + kGbkZhongWen + std::string(5000, 'y') + "\xD6",
    };
    for (const std::string& input : gbkInputs) {
        SCOPED_TRACE(HexBytes(input.substr(0, 64)));
        const Text text(input);
        EXPECT_EQ(AnsiToUtf8(text), FromWide(ToWide(text, kCodePageGbk), kCodePageUtf8));
    }
}

// Random byte strings drawn mostly from bytes that begin, continue or break multi-byte
// sequences, with a fixed seed so a failure repeats.
std::vector<std::string> RandomByteStrings(std::uint32_t seed, int count, std::size_t maxLength) {
    static constexpr unsigned char kBytes[] = {'a',  ' ',  '%',  0x7F, 0x80, 0x81, 0x9F, 0xA1,
                                               0xAF, 0xB0, 0xBF, 0xC0, 0xC3, 0xD6, 0xE4, 0xED,
                                               0xEF, 0xF0, 0xF4, 0xF8, 0xFD, 0xFE, 0xFF, 0x40};
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> lengthOf(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kBytes) - 1);
    std::vector<std::string> strings;
    for (int i = 0; i < count; ++i) {
        std::string bytes(lengthOf(random), '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(kBytes[pick(random)]);
        }
        strings.push_back(std::move(bytes));
    }
    return strings;
}

TEST(Utf8AndAnsi, OnePassMatchesGoingThroughUtf16OnRandomBytes) {
    for (const std::string& bytes : RandomByteStrings(936, 3000, 24)) {
        SCOPED_TRACE(HexBytes(bytes));
        const Text text(bytes);
        ASSERT_EQ(HexBytes(Utf8ToAnsi(text).str()),
                  HexBytes(FromWide(ToWide(text, kCodePageUtf8), kCodePageGbk).str()));
        ASSERT_EQ(HexBytes(AnsiToUtf8(text).str()),
                  HexBytes(FromWide(ToWide(text, kCodePageGbk), kCodePageUtf8).str()));
    }
}

TEST(WideToGbk, ConvertsEveryWholeUnitAndCutsAtTheFirstNul) {
    struct Row {
        const char* what;
        std::string wideBytes;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"odd last byte ignored", std::string("A\0B\0C", 5), "AB"},
        {"zero unit ends the text", std::string("A\0\0\0B\0", 6), "A"},
        {"empty", "", ""},
        {"single odd byte", "A", ""},
        {"no terminator", Units(u"\u4E2D\u6587").str(), kGbkZhongWen},
        {"with terminator", Units(std::u16string(u"\u4E2D\0", 2)).str(), "\xD6\xD0"},
        {"outside GBK", Units(u"a\U0001F600").str(), "a?"},
        {"lone surrogate",
         Units(u"\xDC00"
               "b")
             .str(),
         "?b"},
        {"lone lead surrogate at the end", Units(u"a\xD800").str(), "a?"},
        {"lone lead surrogate before a character", Units(u"\xD800\u4E2D").str(), "?\xD6\xD0"},
        {"lone surrogate before a mark", Units(u"\xD800\u0301").str(), "??"},
        {"e + combining acute composes", Units(u"e\u0301").str(), "\xA8\xA6"},
        {"x + combining acute has no precomposed form", Units(u"x\u0301").str(), "x?"},
        {"a + diaeresis composes to what GBK lacks", Units(u"a\u0308").str(), "a?"},
        {"u + diaeresis + acute composes twice", Units(u"u\u0308\u0301").str(), "\xA8\xB6"},
        {"composition amid text", Units(u"\u4E2De\u0301x").str(), "\xD6\xD0\xA8\xA6x"},
        {"a mark at the start stays apart", Units(u"\u0301e").str(), "?e"},
        // A compatibility ideograph GBK holds is not rewritten as full NFC would.
        {"compatibility ideograph kept", Units(u"\uF92C").str(), "\xFD\x9C"},
        {"precomposed kept", Units(u"\u00E9").str(), "\xA8\xA6"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + ": " + HexBytes(row.wideBytes));
        EXPECT_EQ(HexBytes(WideToGbk(WideBytes(row.wideBytes)).str()), HexBytes(row.expected));
    }
}

TEST(WideToGbk, UnitViewGivesTheSameAsWideBytes) {
    const std::vector<std::u16string> inputs = {
        u"", u"abc", u"\u4E2D\u6587", u"e\u0301", std::u16string(u"a\0b", 3), u"\U0001F600",
    };
    for (const std::u16string& units : inputs) {
        SCOPED_TRACE(WideHex(units));
        EXPECT_EQ(WideToGbk(std::u16string_view(units)), WideToGbk(Units(units)));
    }
}

TEST(WideToGbk, ComposesLikeConvertingThePrecomposedCharacter) {
    // Every pinyin vowel GBK holds, written decomposed, gives its precomposed GBK bytes.
    const std::u16string precomposed =
        u"\u0101\u00E1\u01CE\u00E0\u0113\u00E9\u011B\u00E8"
        u"\u012B\u00ED\u01D0\u00EC\u014D\u00F3\u01D2\u00F2"
        u"\u016B\u00FA\u01D4\u00F9\u01D6\u01D8\u01DA\u01DC"
        u"\u00FC\u00EA";
    const std::u16string decomposed =
        u"a\u0304a\u0301a\u030Ca\u0300e\u0304e\u0301e\u030Ce\u0300"
        u"i\u0304i\u0301i\u030Ci\u0300o\u0304o\u0301o\u030Co\u0300"
        u"u\u0304u\u0301u\u030Cu\u0300u\u0308\u0304u\u0308\u0301"
        u"u\u0308\u030Cu\u0308\u0300u\u0308e\u0302";
    const Text expected = WideToGbk(std::u16string_view(precomposed));
    EXPECT_EQ(expected.size(), precomposed.size() * 2);  // each one a two-byte GBK character
    EXPECT_EQ(WideToGbk(std::u16string_view(decomposed)), expected);
}

TEST(CodePageRoundTrip, EveryTwoByteGbkCodeSurvivesGbkToUtf16ToGbk) {
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            const WideBytes wide = ToWide(Text(code), kCodePageGbk);
            // One unit and the terminator, not the replacement character.
            ASSERT_EQ(wide.size(), 4U) << HexBytes(code);
            ASSERT_NE(HexBytes(wide.str()), "FD FF 00 00") << HexBytes(code);
            ASSERT_EQ(HexBytes(WideToGbk(wide).str()), HexBytes(code));
            ASSERT_EQ(HexBytes(FromWide(wide).str()), HexBytes(code));
        }
    }
}

TEST(CodePageRoundTrip, EverySingleByteSurvives) {
    for (int byte = 0x01; byte <= 0xFF; ++byte) {
        if (byte >= 0x81 && byte <= 0xFE) {
            continue;  // lead bytes: a lone one is invalid
        }
        const std::string code(1, static_cast<char>(byte));
        SCOPED_TRACE(HexBytes(code));
        EXPECT_EQ(HexBytes(WideToGbk(ToWide(Text(code), kCodePageGbk)).str()), HexBytes(code));
    }
}

}  // namespace
}  // namespace talvex
