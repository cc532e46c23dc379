#include "Engine/Foundation/Pattern.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

// Items as "L:text" and "P:head:spec", so whole lists compare in one line.
std::vector<std::string> Items(StringView pattern, bool& complete)
{
    std::vector<FormatItem> items;
    complete = FormatPattern::Split(pattern, items);
    std::vector<std::string> texts;
    for (const FormatItem& item : items)
    {
        if (item.kind == FormatItem::Literal)
            texts.push_back("L:" + item.text.ToString());
        else
            texts.push_back("P:" + item.text.ToString() + ":" + item.spec.ToString());
    }
    return texts;
}

} // namespace

TEST(FormatPattern, SplitsIntoLiteralsAndPlaceholders)
{
    using Texts = std::vector<std::string>;
    struct Case
    {
        std::string pattern;
        Texts items;
        bool complete;
    };
    const Case cases[] = {
        {"{} and {}", {"P::", "L: and ", "P::"}, true},
        {"{1}x{0:abc}", {"P:1:", "L:x", "P:0:abc"}, true},
        {"{-:a:b}", {"P:-:a:b"}, true},
        {"{{}", {"L:{", "L:}"}, true},
        {"a}b", {"L:a}b"}, true},
        {"{{{0}}}", {"L:{", "P:0:", "L:}}"}, true},
        {"{0:abc", {"L:0:abc"}, false},
        {"ab{", {"L:ab", "L:"}, false},
    };
    for (const Case& c : cases)
    {
        bool complete = false;
        EXPECT_EQ(Items(c.pattern, complete), c.items) << c.pattern;
        EXPECT_EQ(complete, c.complete) << c.pattern;
    }
}

TEST(FormatString, PlacesArgumentsByOrderOrIndex)
{
    struct Case
    {
        std::string pattern;
        std::string expected;
    };
    const Case cases[] = {
        {"{} and {}", "a and b"},
        {"{1} {0}", "b a"},
        {"{1}{}", "b"}, // the index counts on from 2, past the last argument
        {"{2}{}", ""},  // no such argument: nothing is appended and the index stays
        {"{{}", "{}"},
        {"{0:spec}", "a"}, // what follows the colon is ignored
        {"{x}{}", "ab"},   // a head that is no number keeps the index
        {"{0x1}", "b"},
        {"a{0:never closed", "a0:never closed"},
        {"{-1}{}", ""}, // a negative index selects nothing, and stays
        {"{2147483647}{}", ""},
        {"{99999999999}{}", "ab"}, // no 32-bit number: the index stays at 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatText(c.pattern, "a", std::string("b")), c.expected) << c.pattern;

    EXPECT_EQ(FormatText("no arguments {}"), "no arguments ");
}

TEST(FormatString, PrintsEachTypeInItsToStringForm)
{
    const std::string folder = "Assets";
    StringView name = "Map.json";
    EXPECT_EQ(FormatText("{}\\{}", folder, name), "Assets\\Map.json");
    EXPECT_EQ(FormatText("Degrees({}) {} {} {}", 90.0f, -3, uint64_t(18446744073709551615u), true),
              "Degrees(90.0) -3 18446744073709551615 true");
}

TEST(Parse, ReadsOutputsInPatternOrder)
{
    float x = 0, y = 0;
    StringReader reader("1.5 2");
    EXPECT_TRUE(Parse(reader, "{1} {0}", y, x));
    EXPECT_EQ(x, 1.5f);
    EXPECT_EQ(y, 2.0f);

    StringReader trailing("Degrees(90)xyz");
    EXPECT_TRUE(Parse(trailing, "Degrees({})", x));
    EXPECT_EQ(x, 90.0f);
    EXPECT_EQ(trailing.Rest(), StringView("xyz"));

    double wide = 0;
    uint64_t count = 0;
    int64_t offset = 0;
    uint32_t small = 0;
    StringReader mixed("2.5/18446744073709551615/-9000000000/7");
    EXPECT_TRUE(Parse(mixed, "{}/{}/{}/{}", wide, count, offset, small));
    EXPECT_EQ(FormatText("{} {} {} {}", wide, count, offset, small), "2.5 18446744073709551615 -9000000000 7");
    EXPECT_TRUE(reader.errors.empty() && trailing.errors.empty() && mixed.errors.empty());
}

TEST(Parse, SpecsSkipOrSelectText)
{
    StringView key, rest;
    int32_t value = 0;
    StringReader reader(" \t\nSpeed=12 and more");
    EXPECT_TRUE(Parse(reader, "{-:\\s*}{:[A-Za-z]+}={} {}", key, value, rest));
    EXPECT_EQ(key, StringView("Speed"));
    EXPECT_EQ(value, 12);
    EXPECT_EQ(rest, StringView("and more"));
    // Without a spec the text output consumes nothing.
    EXPECT_EQ(reader.Position(), 12u);
    EXPECT_TRUE(reader.expression.IsEmpty());

    StringView literal;
    StringReader quoted("\"a\\\"b\" tail");
    EXPECT_TRUE(Parse(quoted, "\"{:(?:[^\"\\\\]|\\\\.)*}\"", literal));
    EXPECT_EQ(literal, StringView("a\\\"b"));
    EXPECT_EQ(quoted.Rest(), StringView(" tail"));
}

TEST(Parse, FailuresRecordWhereAndWhy)
{
    struct Case
    {
        std::string pattern;
        std::string message;
        uint32_t offset;
    };
    // Every case reads from the second line of the text, column 3, and fails.
    const Case cases[] = {
        {"{} {}", "text mismatch", 2},
        {"{0:x", "missing closing brace", 0},
        {"{}{-:[a-z]}", "expression mismatch", 3},
        {"{x}", "invalid index", 1},
        {"{-1}", "not enough parameters", 1},
        {"{}{}", "not enough parameters", 3},
        {"1.5,{2147483648}", "invalid index", 5},
        {"1.5,{}", "failed to parse item", 5},
    };
    for (const Case& c : cases)
    {
        StringReader reader("#\n  1.5,x");
        reader.SetPosition(4);
        float value = 0;
        EXPECT_FALSE(Parse(reader, c.pattern, value)) << c.pattern;
        ASSERT_EQ(reader.errors.size(), 1u) << c.pattern;
        const ParseError& error = reader.errors[0];
        EXPECT_EQ(error.message, StringView(c.message)) << c.pattern;
        EXPECT_EQ(error.line, 2u) << c.pattern;
        EXPECT_EQ(error.column, 3u) << c.pattern;
        EXPECT_EQ(error.pattern, StringView(c.pattern)) << c.pattern;
        EXPECT_EQ(error.offset, c.offset) << c.pattern;
        EXPECT_EQ(reader.Position(), 4u) << c.pattern;
    }
}

TEST(Parse, FailureKeepsOutputsAlreadyReadAndTheErrorsOfEarlierAttempts)
{
    int32_t a = 0, b = 0, c = 0;
    StringReader reader("1 2 x");
    EXPECT_FALSE(Parse(reader, "{} {} {}", a, b, c));
    EXPECT_FALSE(Parse(reader, "{} {}:", a, b));
    EXPECT_EQ(FormatText("{} {} {}", a, b, c), "1 2 0");
    EXPECT_EQ(reader.errors.size(), 2u);
}

TEST(Parse, NumbersAtTheEndOfAnUnterminatedTextReadOnlyTheirDigits)
{
    // No terminating zero after the text: the address sanitizer stops any read past it.
    std::unique_ptr<char[]> text(new char[4]{'7', ' ', '4', '2'});
    int32_t a = 0, b = 0;
    StringReader reader(StringView(text.get(), 4));
    EXPECT_TRUE(Parse(reader, "{} {}", a, b));
    EXPECT_EQ(b, 42);
}

TEST(StringReader, MatchIsAnchoredAtThePosition)
{
    struct Case
    {
        std::string text;
        uint32_t start;
        std::string expression;
        bool ignoreCase;
        int32_t length;
    };
    const Case cases[] = {
        {"abc123", 3, "\\d+", false, 3}, {"abc123", 0, "\\d+", false, -1}, // must begin at the position
        {"abc123", 3, "^1", false, 1},                                     // "^" is the position
        {"abc", 0, "a|ab", false, 1},                                      // alternatives in order, as ECMAScript
        {"ABC", 0, "abc", true, 3},      {"a\nb", 0, "a.b", false, -1},    // "." stops at line breaks
        {"ab\n", 0, "ab$", false, -1},                                     // "$" is the very end only
        {"abc", 0, "(", false, -1},                                        // an invalid expression matches nothing
        {"abc", 0, "[^]+", false, 3},
    };
    for (const Case& c : cases)
    {
        StringReader reader(c.text, c.ignoreCase);
        reader.SetPosition(c.start);
        reader.expression = c.expression;
        EXPECT_EQ(reader.Match(), c.length) << c.text << " " << c.expression;
        EXPECT_EQ(reader.Position(), c.start + (c.length > 0 ? c.length : 0)) << c.text << " " << c.expression;
    }

    // A match cannot reach into characters after the reader's text.
    StringReader cut(StringView("aaaa", 2));
    cut.expression = "a*";
    EXPECT_EQ(cut.Match(), 2);
}

TEST(StringReader, LongTextsAndRunawayExpressionsFailCleanly)
{
    // The string-literal expression over a long text must not exhaust the stack.
    std::string text = "\"" + std::string(100000, 'a') + "\"";
    StringView literal;
    StringReader reader(text);
    EXPECT_TRUE(Parse(reader, "\"{:(?:[^\"\\\\]|\\\\.)*}\"", literal));
    EXPECT_EQ(literal.length, 100000u);

    // Exponential backtracking stops at the matcher's limit and reads as a mismatch.
    const std::string letters(40, 'a');
    StringReader runaway(letters);
    runaway.expression = "(?:a|a)*[bc]";
    EXPECT_EQ(runaway.Match(), -1);
    EXPECT_EQ(runaway.Position(), 0u);
}
