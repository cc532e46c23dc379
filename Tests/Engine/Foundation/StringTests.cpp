#include "Engine/Foundation/String.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

constexpr uint32_t None = String::NotFound;

std::vector<std::string> Pieces(const std::vector<StringView>& views)
{
    std::vector<std::string> pieces;
    for (StringView view : views)
        pieces.push_back(view.ToString());
    return pieces;
}

} // namespace

TEST(String, EqualsComparesLengthThenBytesOrFoldedLetters)
{
    EXPECT_TRUE(String::Equals("Abc", "aBC", true));
    EXPECT_FALSE(String::Equals("Abc", "aBC", false));
    EXPECT_FALSE(String::Equals("abc", "abcd", true));
    // Bytes above 127 are compared as they are, never folded.
    EXPECT_TRUE(String::Equals("\xC9t\xE9", "\xC9T\xE9", true));
    EXPECT_FALSE(String::Equals("\xC9", "\xE9", true));
}

TEST(String, Searches)
{
    struct Case
    {
        std::string name;
        uint32_t found;
        uint32_t expected;
    };
    const Case cases[] = {
        {"IndexOf empty find", String::IndexOf("abc", ""), 0},
        {"IndexOf", String::IndexOf("abcabc", "ca"), 2},
        {"IndexOf at the end", String::IndexOf("abc", "bc"), 1},
        {"IndexOf absent", String::IndexOf("abc", "cd"), None},
        {"IndexOf longer find", String::IndexOf("ab", "abc"), None},
        {"IndexOf ignoring case", String::IndexOf("xABc", "bC", true), 2},
        {"IndexOf case-sensitive", String::IndexOf("xABc", "bC"), None},
        {"IndexOfAny", String::IndexOfAny("hello world", " o"), 4},
        {"IndexOfAny empty text", String::IndexOfAny("", "a"), None},
        {"IndexOfAny ignoring case", String::IndexOfAny("xyZ", "z", true), 2},
        {"IndexOfAnyNot", String::IndexOfAnyNot("  \tx", " \t"), 3},
        {"IndexOfAnyNot all in set", String::IndexOfAnyNot("aaa", "a"), None},
        {"IndexOfAnyNot ignoring case", String::IndexOfAnyNot("aAb", "a", true), 2},
        {"LastIndexOf", String::LastIndexOf("abcabc", "bc"), 4},
        {"LastIndexOf at the start", String::LastIndexOf("abcx", "ab"), 0},
        {"LastIndexOf longer find", String::LastIndexOf("a", "ab"), None},
        {"LastIndexOf empty find", String::LastIndexOf("abc", ""), 3},
        {"LastIndexOfAnyNot", String::LastIndexOfAnyNot("x y  ", " "), 2},
        {"LastIndexOfAnyNot none", String::LastIndexOfAnyNot("   ", " "), None},
        {"LastIndexBeforeRepeats", String::LastIndexBeforeRepeats("abcxx", "x"), 2},
        {"LastIndexBeforeRepeats of a word", String::LastIndexBeforeRepeats("a/b//", "//"), 2},
        {"LastIndexBeforeRepeats partial", String::LastIndexBeforeRepeats("abxyx", "xy"), 4},
        {"LastIndexBeforeRepeats only repeats", String::LastIndexBeforeRepeats("xx", "x"), None},
        {"LastIndexBeforeRepeats empty text", String::LastIndexBeforeRepeats("", "x"), None},
        {"LastIndexBeforeRepeats empty find", String::LastIndexBeforeRepeats("abc", ""), 2},
        {"LastIndexBeforeRepeats longer find", String::LastIndexBeforeRepeats("ab", "abc"), 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.found, c.expected) << c.name;

    EXPECT_TRUE(String::Contains("abc", "bc"));
    EXPECT_FALSE(String::Contains("abc", "BC"));
}

TEST(String, SearchesStayInsideTheView)
{
    // The views are cut out of a longer text: nothing after their end may be found.
    const char text[] = "abcabc";
    StringView view(text, 3);
    EXPECT_EQ(String::IndexOf(view, "ca"), None);
    EXPECT_EQ(String::LastIndexOf(view, "a"), 0u);
    EXPECT_EQ(String::IndexOfAny(view, "x"), None);
    EXPECT_EQ(String::Split(view, "c").size(), 2u);
}

TEST(String, ReplaceAllResumesAfterEachReplacement)
{
    struct Case
    {
        std::string text;
        std::string find;
        std::string replacement;
        std::string expected;
        int32_t count;
    };
    const Case cases[] = {
        {"aaa", "a", "aa", "aaaaaa", 3}, {"a.b.c", ".", "", "abc", 2}, {"abab", "ab", "x", "xx", 2},
        {"aaaa", "aa", "a", "aa", 2},    {"abc", "", "x", "abc", 0},   {"abc", "d", "x", "abc", 0},
        {"xyz", "xyz", "1", "1", 1},
    };
    for (const Case& c : cases)
    {
        std::string text = c.text;
        EXPECT_EQ(String::ReplaceAll(text, c.find, c.replacement), c.count) << c.text;
        EXPECT_EQ(text, c.expected) << c.text;
    }
}

TEST(String, TrimAndTrimEnd)
{
    struct Case
    {
        std::string text;
        std::string set;
        std::string trimmed;
    };
    const Case trims[] = {
        {"  x y  ", " ", "x y"}, {"   ", " ", ""}, {"", " ", ""}, {"\t-x-\n", "\t\n-", "x"}, {"x", "", "x"},
    };
    for (const Case& c : trims)
    {
        std::string text = c.text;
        String::Trim(text, c.set);
        EXPECT_EQ(text, c.trimmed) << c.text;
    }

    const Case trimEnds[] = {
        {"abcxx", "x", "abc"}, {"xx", "x", ""}, {"a//b////", "//", "a//b"}, {"abxyx", "xy", "abxyx"}, {"ab", "", "ab"},
    };
    for (const Case& c : trimEnds)
    {
        std::string text = c.text;
        String::TrimEnd(text, c.set);
        EXPECT_EQ(text, c.trimmed) << c.text;
    }
}

TEST(String, SplitKeepsTheLastPiece)
{
    using Pieces_ = std::vector<std::string>;
    EXPECT_EQ(Pieces(String::Split("a,b,", ",")), (Pieces_{"a", "b", ""}));
    EXPECT_EQ(Pieces(String::Split("", ",")), (Pieces_{""}));
    EXPECT_EQ(Pieces(String::Split("a::b", "::")), (Pieces_{"a", "b"}));
    EXPECT_EQ(Pieces(String::Split(":", "::")), (Pieces_{":"}));
    EXPECT_EQ(Pieces(String::Split("a,b", "")), (Pieces_{"a,b"}));
    EXPECT_EQ(Pieces(String::SplitAny("a b,c", " ,")), (Pieces_{"a", "b", "c"}));
    EXPECT_EQ(Pieces(String::SplitAny(",a,", ",")), (Pieces_{"", "a", ""}));
    EXPECT_EQ(Pieces(String::SplitAny("abc", "")), (Pieces_{"abc"}));
    EXPECT_EQ(String::Concat("ab", "cd"), "abcd");
}

TEST(String, EscapeAndUnescape)
{
    const std::string every = "q\"b\\\x08\x0C\n\r\tz\x01";
    EXPECT_EQ(String::Escape(every), "q\\\"b\\\\\\b\\f\\n\\r\\tz\x01");
    EXPECT_EQ(String::Unescape(String::Escape(every)), every);

    // An unknown escape drops both characters; a lone final backslash is dropped.
    EXPECT_EQ(String::Unescape("a\\qb"), "ab");
    EXPECT_EQ(String::Unescape("ab\\"), "ab");
    EXPECT_EQ(String::Unescape("\\\\\\"), "\\");
}

TEST(String, ScanNumberReadsThePrefixOnly)
{
    struct Case
    {
        std::string text;
        uint32_t consumed;
        int32_t value;
    };
    const Case integers[] = {
        {"12abc", 2, 12},
        {"  -7 ", 4, -7},
        {"0x1F", 4, 31},
        {"010", 3, 8},
        {"+3", 2, 3},
        {"08", 1, 0},
        {"0x", 1, 0},
        {"abc", 0, 99},
        {"", 0, 99},
        {"-", 0, 99},
        {"2147483647", 10, 2147483647},
        {"2147483648", 0, 99},
        {"-2147483649", 0, 99},
    };
    for (const Case& c : integers)
    {
        int32_t value = 99;
        EXPECT_EQ(String::ScanNumber(c.text, value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }

    uint32_t count = 5;
    EXPECT_EQ(String::ScanNumber("-1", count), 0u);
    EXPECT_EQ(String::ScanNumber("4294967296", count), 0u);
    EXPECT_EQ(String::ScanNumber("0x10", count), 1u); // decimal only
    EXPECT_EQ(count, 0u);

    uint64_t wide = 0;
    EXPECT_EQ(String::ScanNumber("18446744073709551615", wide), 20u);
    EXPECT_EQ(wide, std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(String::ScanNumber("18446744073709551616", wide), 0u);
    int64_t signedWide = 0;
    EXPECT_EQ(String::ScanNumber("-0x8000000000000000", signedWide), 19u);
    EXPECT_EQ(signedWide, std::numeric_limits<int64_t>::min());

    double number = 0;
    EXPECT_EQ(String::ScanNumber("1.5e2x", number), 5u);
    EXPECT_EQ(number, 150.0);
    EXPECT_EQ(String::ScanNumber("1e", number), 1u);
    float single = 0;
    EXPECT_EQ(String::ScanNumber(" .25)", single), 4u);
    EXPECT_EQ(single, 0.25f);
}

TEST(String, ScanNumberNeverReadsPastTheView)
{
    // The digits after the view's end must not join the number; a long number still reads whole.
    const char text[] = "12345";
    int32_t value = 0;
    EXPECT_EQ(String::ScanNumber(StringView(text, 2), value), 2u);
    EXPECT_EQ(value, 12);

    std::string longNumber = "0." + std::string(200, '0') + "1";
    double number = 0;
    EXPECT_EQ(String::ScanNumber(longNumber, number), longNumber.size());
    EXPECT_GT(number, 0.0);

    // No terminating zero after the digits: the address sanitizer stops any read beyond them.
    std::unique_ptr<char[]> digits(new char[2]{'4', '2'});
    EXPECT_EQ(String::ScanNumber(StringView(digits.get(), 2), value), 2u);
    EXPECT_EQ(value, 42);
}
