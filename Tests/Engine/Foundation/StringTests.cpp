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

TEST(String, EqualityAndSearch)
{
    EXPECT_TRUE(String::Equals("Abc", "aBC", true));
    EXPECT_FALSE(String::Equals("Abc", "aBC", false));
    EXPECT_FALSE(String::Equals("abc", "abcd", true));
    EXPECT_FALSE(String::Equals("\xC9", "\xE9", true)); // bytes above 127 are never folded

    const uint32_t results[][2] = {
        {String::IndexOf("abc", ""), 0},
        {String::IndexOf("ab", "abc"), None},
        {String::IndexOf("xABc", "bC", true), 2},
        {String::IndexOf("xABc", "bC"), None},
        {String::IndexOfAny("xyZ", "z", true), 2},
        {String::IndexOfAnyNot("  \tx", " \t"), 3},
        {String::IndexOfAnyNot("aAb", "a", true), 2},
        {String::LastIndexOf("abcabc", "bc"), 4},
        {String::LastIndexOf("abc", ""), 3},
        {String::LastIndexOfAnyNot("x y  ", " "), 2},
        {String::LastIndexBeforeRepeats("abcxx", "x"), 2},
        {String::LastIndexBeforeRepeats("abxyx", "xy"), 4},
        {String::LastIndexBeforeRepeats("xx", "x"), None},
        {String::LastIndexBeforeRepeats("abc", ""), 2},
        {String::LastIndexBeforeRepeats("ab", "abc"), 1},
        // A view cut out of a longer text: nothing after its end may be found.
        {String::IndexOf(StringView("abcabc", 3), "ca"), None},
    };
    for (size_t i = 0; i < std::size(results); ++i)
        EXPECT_EQ(results[i][0], results[i][1]) << "case " << i;
}

TEST(String, Editing)
{
    struct Replace
    {
        std::string text, find, replacement, expected;
        int32_t count;
    };
    const Replace replaces[] = {
        {"aaa", "a", "aa", "aaaaaa", 3}, {"aaaa", "aa", "a", "aa", 2}, {"abc", "", "x", "abc", 0}};
    for (const Replace& c : replaces)
    {
        std::string text = c.text;
        EXPECT_EQ(String::ReplaceAll(text, c.find, c.replacement), c.count) << c.text;
        EXPECT_EQ(text, c.expected) << c.text;
    }

    struct Trim
    {
        bool end;
        std::string text, set, expected;
    };
    const Trim trims[] = {
        {false, "  x y  ", " ", "x y"}, {false, "   ", " ", ""}, {false, "\t-x-\n", "\t\n-", "x"},
        {true, "abcxx", "x", "abc"},    {true, "xx", "x", ""},   {true, "a//b////", "//", "a//b"},
        {true, "abxyx", "xy", "abxyx"}, {true, "ab", "", "ab"},
    };
    for (const Trim& c : trims)
    {
        std::string text = c.text;
        c.end ? String::TrimEnd(text, c.set) : String::Trim(text, c.set);
        EXPECT_EQ(text, c.expected) << c.text;
    }

    using List = std::vector<std::string>;
    EXPECT_EQ(Pieces(String::Split("a,b,", ",")), (List{"a", "b", ""}));
    EXPECT_EQ(Pieces(String::Split("", ",")), (List{""}));
    EXPECT_EQ(Pieces(String::Split(":", "::")), (List{":"}));
    EXPECT_EQ(Pieces(String::Split("a,b", "")), (List{"a,b"}));
    EXPECT_EQ(Pieces(String::SplitAny(",a b", " ,")), (List{"", "a", "b"}));
    EXPECT_EQ(String::Concat("ab", "cd"), "abcd");
}

TEST(String, EscapeAndUnescape)
{
    const std::string every = "q\"b\\\x08\x0C\n\r\tz\x01";
    EXPECT_EQ(String::Escape(every), "q\\\"b\\\\\\b\\f\\n\\r\\tz\x01");
    EXPECT_EQ(String::Unescape(String::Escape(every)), every);
    // An unknown escape drops both characters; a lone final backslash is dropped.
    EXPECT_EQ(String::Unescape("a\\qb\\"), "ab");
}

TEST(String, ScanNumberReadsAPrefixThatFitsTheType)
{
    struct Case
    {
        std::string text;
        uint32_t consumed;
        int32_t value;
    };
    const Case integers[] = {
        {"12abc", 2, 12}, {"  -7 ", 4, -7}, {"0x1F", 4, 31},       {"010", 3, 8},
        {"08", 1, 0},     {"abc", 0, 99},   {"2147483648", 0, 99}, {"-2147483649", 0, 99},
    };
    for (const Case& c : integers)
    {
        int32_t value = 99;
        EXPECT_EQ(String::ScanNumber(c.text, value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }

    uint32_t count = 5;
    uint64_t wide = 0;
    EXPECT_EQ(String::ScanNumber("-1", count) + String::ScanNumber("4294967296", count), 0u);
    EXPECT_EQ(String::ScanNumber("18446744073709551616", wide), 0u);
    EXPECT_EQ(String::ScanNumber("0x10", count), 1u); // decimal only
    double number = 0;
    EXPECT_EQ(String::ScanNumber("1.5e2x", number), 5u);
    EXPECT_EQ(number, 150.0);
    EXPECT_EQ(String::ScanNumber("1e", number), 1u);
}

TEST(String, ScanNumberNeverReadsPastTheView)
{
    int32_t value = 0;
    EXPECT_EQ(String::ScanNumber(StringView("12345", 2), value), 2u);
    EXPECT_EQ(value, 12);
    // No terminating zero after the digits: the address sanitizer stops any read beyond them.
    std::unique_ptr<char[]> digits(new char[2]{'4', '2'});
    EXPECT_EQ(String::ScanNumber(StringView(digits.get(), 2), value), 2u);
    EXPECT_EQ(value, 42);
    // Longer than the small copy buffer, still read whole.
    std::string longNumber = "0." + std::string(200, '0') + "1";
    double number = 0;
    EXPECT_EQ(String::ScanNumber(longNumber, number), longNumber.size());
    EXPECT_GT(number, 0.0);
}
