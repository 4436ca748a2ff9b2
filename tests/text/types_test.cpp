#include "text/types.h"

#include <gtest/gtest.h>

#include <string>

namespace talvex {
namespace {

TEST(Text, EveryConstructorStopsAtTheFirstZeroByte) {
    EXPECT_EQ(Text(std::string_view("a\0b", 3)).str(), "a");
    EXPECT_EQ(Text(std::string("ab\0c", 4)).str(), "ab");
    std::string owned("x\0y", 3);
    EXPECT_EQ(Text(std::move(owned)).str(), "x");
    EXPECT_EQ(Text(static_cast<const char*>(nullptr)).str(), "");
    EXPECT_EQ(Text("abc").size(), 3U);
    EXPECT_TRUE(Text().empty());
}

TEST(Text, EqualsOnlyTheSameBytes) {
    EXPECT_EQ(Text("a"), Text("a"));
    EXPECT_NE(Text("a"), Text("A"));
    EXPECT_NE(Text(""), Text(" "));
    EXPECT_EQ(Text(""), Text());
}

TEST(Bytes, HoldsZeroBytesAndComparesLengthAndContent) {
    const Bytes bytes(std::string_view("a\0b", 3));
    EXPECT_EQ(bytes.size(), 3U);
    EXPECT_EQ(bytes.At(1), 'a');
    EXPECT_EQ(bytes.At(2), 0);
    EXPECT_EQ(bytes.At(3), 'b');
    EXPECT_NE(bytes, Bytes(std::string_view("a\0", 2)));
    EXPECT_EQ(bytes, Bytes(std::string("a\0b", 3)));
}

TEST(TextArray, IndexesFromOne) {
    TextArray array;
    array.Append(Text("first"));
    array.Append(Text());
    EXPECT_EQ(array.Count(), 2);
    EXPECT_EQ(array[1].str(), "first");
    EXPECT_TRUE(array[2].empty());
}

TEST(TypesDeathTest, ReadingOutsideTheRangeEndsTheProgramWithAMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const TextArray array(std::vector<Text>{Text("a"), Text("b")});
    EXPECT_DEATH((void)array[0], "TextArray: element index out of range");
    EXPECT_DEATH((void)array[3], "TextArray: element index out of range");
    EXPECT_DEATH((void)TextArray()[1], "TextArray: element index out of range");
    const Bytes bytes(std::string_view("xy"));
    EXPECT_DEATH((void)bytes.At(0), "Bytes: byte index out of range");
    EXPECT_DEATH((void)bytes.At(3), "Bytes: byte index out of range");
    EXPECT_DEATH((void)Bytes().At(1), "Bytes: byte index out of range");
}

}  // namespace
}  // namespace talvex
