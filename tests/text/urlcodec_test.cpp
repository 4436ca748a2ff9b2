#include "text/urlcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/codepage.h"

#include "tests/text/text_test_support.h"

namespace talvex {
namespace {

using talvex::testing::HexBytes;

TEST(UrlEncode, EscapesEveryByteUnlessKeptPlain) {
    struct Row {
        std::string text;
        KeepPlain keepPlain;
        ToUtf8 toUtf8;
        std::string expected;
    };
    const std::vector<Row> rows = {
        // 功夫2 in GBK; its UTF-8 bytes are escaped, digits included.
        {"\xB9\xA6\xB7\xF2"
         "2",
         KeepPlain::No, ToUtf8::Yes, "%E5%8A%9F%E5%A4%AB%32"},
        {"\xB9\xA6", KeepPlain::No, ToUtf8::No, "%B9%A6"},
        {"abc", KeepPlain::No, ToUtf8::No, "%61%62%63"},
        {"abc", KeepPlain::Yes, ToUtf8::No, "abc"},
        {"a b/c", KeepPlain::Yes, ToUtf8::No, "a%20b%2Fc"},
        {"-._~", KeepPlain::Yes, ToUtf8::No, "-.%5F%7E"},
        {"AZaz09", KeepPlain::Yes, ToUtf8::Yes, "AZaz09"},
        {"\t", KeepPlain::No, ToUtf8::No, "%09"},
        {"+", KeepPlain::Yes, ToUtf8::No, "%2B"},
        {"\xFF\x80", KeepPlain::No, ToUtf8::No, "%FF%80"},
        {"\x80", KeepPlain::No, ToUtf8::Yes, "%E2%82%AC"},  // the euro sign of code page 936
        {"", KeepPlain::No, ToUtf8::No, ""},
        {"", KeepPlain::Yes, ToUtf8::Yes, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text));
        EXPECT_EQ(UrlEncode(Text(row.text), row.keepPlain, row.toUtf8).str(), row.expected);
    }
}

TEST(UrlDecode, ResolvesEscapesAndKeepsEveryOtherByte) {
    struct Row {
        std::string text;
        FromUtf8 fromUtf8;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"%E5%8A%9F%E5%A4%AB%32", FromUtf8::Yes,
         "\xB9\xA6\xB7\xF2"
         "2"},
        {"%4a%4A", FromUtf8::No, "JJ"},
        {"a+b", FromUtf8::No, "a+b"},
        {"%00x", FromUtf8::No, "x"},
        {"%25%41", FromUtf8::No, "%A"},  // a decoded "%" never starts a new escape
        {"\xD6\xD0%41", FromUtf8::No,
         "\xD6\xD0"
         "A"},
        {"%e4%b8%ad", FromUtf8::Yes, "\xD6\xD0"},
        {"", FromUtf8::No, ""},
        {"", FromUtf8::Yes, ""},
        // Undecoded UTF-8 on the page converts too.
        {"<b>\xE4\xB8\xAD</b>%2F", FromUtf8::Yes, "<b>\xD6\xD0</b>/"},
        // Invalid UTF-8 from an escape becomes "?" without losing what follows.
        {"%E4%B8x%C0%AFy", FromUtf8::Yes, "?x??y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text));
        EXPECT_EQ(HexBytes(UrlDecode(Text(row.text), row.fromUtf8).str()), HexBytes(row.expected));
    }
}

TEST(UrlDecode, KeepsAPercentThatIsNotFollowedByTwoHexDigits) {
    struct Row {
        std::string text;
        FromUtf8 fromUtf8;
        std::string expected;
    };
    const std::vector<Row> rows = {
        // "50%折扣" on a UTF-8 page: the title survives whole.
        {"50%\xE6\x8A\x98\xE6\x89\xA3", FromUtf8::Yes, "50%\xD5\xDB\xBF\xDB"},
        {"width=100%\">x", FromUtf8::No, "width=100%\">x"},
        {"width=100%", FromUtf8::No, "width=100%"},
        {"%", FromUtf8::No, "%"},
        {"%4", FromUtf8::No, "%4"},
        {"a%4", FromUtf8::No, "a%4"},
        {"%G1", FromUtf8::No, "%G1"},
        {"%1G", FromUtf8::No, "%1G"},
        {"%%41", FromUtf8::No, "%A"},  // decoding goes on at the very next byte
        {"%%%", FromUtf8::No, "%%%"},
        {"100% %E4%B8%AD", FromUtf8::Yes, "100% \xD6\xD0"},
        {"% 20", FromUtf8::No, "% 20"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(HexBytes(row.text));
        EXPECT_EQ(HexBytes(UrlDecode(Text(row.text), row.fromUtf8).str()), HexBytes(row.expected));
    }
}

TEST(UrlEncode, EncodesLongChineseTextWhole) {
    // Long enough to be converted in several slices, with a long run that holds no ASCII byte.
    std::string gbk;
    std::string expected;
    for (int i = 0; i < 30000; ++i) {
        gbk += "\xD6\xD0";  // 中
        expected += "%E4%B8%AD";
        if (i % 7000 == 6999) {
            gbk += "a";
            expected += "%61";
        }
    }
    EXPECT_EQ(UrlEncode(Text(gbk), KeepPlain::No, ToUtf8::Yes).str(), expected);
}

TEST(UrlEncode, LongGbkWithInvalidBytesEncodesAsItsWholeUtf8Form) {
    // Converted a slice at a time, the result must not differ from converting it whole.
    std::mt19937 random(65001);
    std::uniform_int_distribution<int> byteOf(0x01, 0xFF);
    std::uniform_int_distribution<int> asciiOneIn(0, 40);
    std::string gbk(100000, '\0');
    for (char& byte : gbk) {
        byte = static_cast<char>(asciiOneIn(random) == 0 ? 'x' : byteOf(random) | 0x80);
    }
    const Text text(gbk);
    EXPECT_EQ(UrlEncode(text, KeepPlain::No, ToUtf8::Yes),
              UrlEncode(AnsiToUtf8(text), KeepPlain::No, ToUtf8::No));
}

TEST(UrlCodec, DecodingAnEncodedTextGivesItBack) {
    std::string everyByte;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        everyByte.push_back(static_cast<char>(byte));
    }
    for (const KeepPlain keepPlain : {KeepPlain::No, KeepPlain::Yes}) {
        EXPECT_EQ(UrlDecode(UrlEncode(Text(everyByte), keepPlain)).str(), everyByte);
    }
    // GBK text through its UTF-8 form and back.
    const Text keyword("\xB9\xA6\xB7\xF2 2024 \xB4\xC5\xC1\xA6 mkv");
    EXPECT_EQ(UrlDecode(UrlEncode(keyword, KeepPlain::No, ToUtf8::Yes), FromUtf8::Yes), keyword);
}

}  // namespace
}  // namespace talvex
