#include "Engine/Foundation/Lon.h"

#include "Engine/Foundation/Json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

std::string Write(const Blueprint& value, int indent)
{
    BufferWriter writer;
    LonFormat::WriteValue(writer, value, indent, false, true);
    return writer.ToString();
}

Blueprint Read(const std::string& text)
{
    Blueprint value;
    EXPECT_TRUE(Lon::Parse(text, value)) << text.substr(0, 200);
    return value;
}

} // namespace

TEST(Lon, WritesPrettyWithTabsAndCompactOnOneLine)
{
    const std::string pretty = "{\n\tName = \"A\"\n\tCount = 3\n\tOffset = -2\n\tScale = 1.5\n"
                               "\tTags [\n\t\t\"x\"\n\t\t\"y\"\n\t]\n\tChild {\n\t\tOn = true\n\t}\n}";
    EXPECT_EQ(LonFormat::SaveBlueprint(Read(pretty)), pretty);

    const std::string compact = "{Tags [\"x\" \"y\"] Child {On =true}}";
    EXPECT_EQ(Write(Read(compact), 0), compact);

    // A compact value that is not last in its container is followed by a blank.
    BufferWriter writer;
    LonFormat::WriteValue(writer, Read("{A = +0}").GetChild(0), 0, true, false);
    LonFormat::WriteValue(writer, Read("[7]").GetChild(0), 3, true, true);
    EXPECT_EQ(writer.ToString(), "=+0 = 7");
}

TEST(Lon, WrittenTextsReadBackByteForByte)
{
    const std::string trees[] = {
        "{}",
        "[]",
        // A lone value ends with a blank, without which a literal would not read.
        "+7 ",
        "2.5 ",
        "true ",
        "{A [] B {} C [[] {}] =1 E {{}}}",
        "[invalid null false true +0 -1 -9223372036854775808 +9223372036854775807 0 18446744073709551615]",
        "[0.0 -0.25 2.0 123456.5 100000000000000000000.0 -0.000001 inf.0 -inf.0]",
        "[\"\" \"\\\" \\\\ \\b \\f \\n \\r \\t \x01 \xC3\xA9 \x7F\" \"" + std::string(300, 'x') + "\"]",
        std::string("[\"a\0b\"]", 7),
        "{Invalid =invalid Null =null Deep [{X [[\"]}\"]]}] a}b =\"{[=:\" caf\xC3\xA9 =+5}",
    };
    for (const std::string& compact : trees)
    {
        const Blueprint tree = Read(compact);
        EXPECT_EQ(Write(tree, 0), compact);
        for (int indent : {1, 3})
        {
            const std::string text = Write(tree, indent);
            const Blueprint back = Read(text);
            EXPECT_EQ(back, tree) << text;
            EXPECT_EQ(Write(back, indent), text);
        }
    }
}

TEST(Lon, LiteralsTakeTheTypeOfTheirWrittenForm)
{
    // Written again compact, the form tells the type: a sign for an Integer, a point for a Number. A
    // number token the tree cannot hold as written is noted with its path and why, and held as text;
    // without notes it fails the text.
    struct Case
    {
        std::string text;
        std::string compact;
        std::vector<std::string> noted;
    };
    const Case cases[] = {
        {" \r\n\t[ ] ", "[]", {}},
        {"{ A [ ] B { } }", "{A [] B {}}", {}},
        {"{ A = 1 B = +1 C = -1 D = 1.0 E = .5 }", "{A =1 B =+1 C =-1 D =1.0 E =0.5}", {}},
        {"{ A=1 B=2\n}", "{A =1 B =2}", {}},
        {"{ A { X = 1 } B = 2 A [ 3 ] }", "{A [3] B =2}", {}}, // a repeated key keeps its place, the last value wins
        // An exponent makes a Number, with or without a point; digits are decimal whatever they start
        // with. A number "%f" would not give back is written as the shortest text that does.
        {"[1e-40 1E5 2.5e3 -010 010 +09 1.23456789 0.0000001 -1.0e-30 1e-400]",
         "[1.0e-40 100000.0 2500.0 -10 10 +9 1.23456789 0.0000001 -1.0e-30 0.0]",
         {}},
        {"[nan.0 -inf.0]", "[nan.0 -inf.0]", {}},
        {"{A = 12abc B [0x10 1e400 -1.5.2] C { D = 18446744073709551616 } }",
         "{A =\"12abc\" B [\"0x10\" \"1e400\" \"-1.5.2\"] C {D =\"18446744073709551616\"}}",
         {"A 12abc: a number in decimal digits was expected", "B[0] 0x10: a number in decimal digits was expected",
          "B[1] 1e400: a number beyond a double", "B[2] -1.5.2: a number in decimal digits was expected",
          "C.D 18446744073709551616: a whole number beyond 64 bits"}},
        {"[\"a\\\"b\" \"\\q\\n\"]", "[\"a\\\"b\" \"\\n\"]", {}},
        {"5 ", "5 ", {}},
        {"\"lone\"", "\"lone\" ", {}},
        {"[1]trailing", "[1]", {}},
    };
    for (const Case& c : cases)
    {
        JsonNotes notes;
        Blueprint value;
        ASSERT_TRUE(Lon::Parse(c.text, value, &notes)) << c.text;
        EXPECT_EQ(Write(value, 0), c.compact) << c.text;
        std::vector<std::string> noted;
        for (const JsonNotes::Number& number : notes.numbers)
            noted.push_back(number.path + " " + number.text + ": " + number.why);
        EXPECT_EQ(noted, c.noted) << c.text;
        Blueprint plain;
        EXPECT_EQ(Lon::Parse(c.text, plain), c.noted.empty()) << c.text;
    }
}

TEST(Lon, MalformedTextsFailWithTheReadersMessage)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> messages;
        uint32_t line;
        uint32_t column;
    };
    const Case cases[] = {
        {"", {"expected a number"}, 1, 1},
        {"5", {"expected a number"}, 1, 1},
        {"{ A: 1 }", {"expected '}'"}, 1, 4},
        {"{ A = 1 ", {"expected '}'"}, 1, 9},
        {"{ A = 1", {"expected a number"}, 1, 7},
        {"{ A = B }", {"expected a number"}, 1, 7},
        {"{ A = - }", {"expected a number"}, 1, 7},
        {"{ A = 99999999999999999999 }", {"expected a number"}, 1, 7},
        {"{ A = [1] }", {"expected a number"}, 1, 7},
        {"{ = }", {"expected a number"}, 1, 5},
        {"{\n\tA\n}", {"expected '}'"}, 3, 1},
        {"[1 2", {"expected a number"}, 1, 4},
        {"[ \"abc ]", {"text mismatch", "expected a string"}, 1, 3},
        {"[\"a\\\nb\"]", {"text mismatch", "expected a string"}, 1, 2},
        {"[[[[", {"expected a number"}, 1, 5},
    };
    for (const Case& c : cases)
    {
        StringReader reader(c.text);
        Blueprint value = Read("[42]");
        EXPECT_FALSE(Lon::Parse(reader, value)) << c.text;
        EXPECT_EQ(value, Read("[42]")) << c.text;
        ASSERT_EQ(reader.errors.size(), c.messages.size()) << c.text;
        for (size_t i = 0; i < c.messages.size(); ++i)
            EXPECT_EQ(reader.errors[i].message, StringView(c.messages[i])) << c.text;
        EXPECT_EQ(reader.errors.back().line, c.line) << c.text;
        EXPECT_EQ(reader.errors.back().column, c.column) << c.text;
    }
    Blueprint target = Read("[42]");
    EXPECT_FALSE(LonFormat::LoadBlueprint("{ A: 1 }", target));
    EXPECT_EQ(target, Read("[42]"));
}

TEST(Lon, DeepNestingAndLongStringsCostNoStack)
{
    constexpr uint32_t depth = 200000;
    const std::string arrays = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_TRUE(Write(Read(arrays), 0) == arrays);

    StringReader unclosed(std::string_view(arrays).substr(0, depth));
    Blueprint value;
    EXPECT_FALSE(Lon::Parse(unclosed, value));
    EXPECT_EQ(unclosed.errors.size(), 1u);

    // Indentation stops growing at 32 tabs, so the text stays linear in the tree.
    const std::string indented = Write(Read(std::string(300, '[') + "1" + std::string(300, ']')), 1);
    EXPECT_EQ(indented.substr(indented.find('1') - 33, 35), "\n" + std::string(32, '\t') + "1\n");
    EXPECT_LT(indented.size(), 300u * 2 * 34);
    const std::string deepText = LonFormat::SaveBlueprint(Read(arrays));
    EXPECT_LT(deepText.size(), size_t(depth) * 2 * 34);
    EXPECT_TRUE(Read(deepText) == Read(arrays));

    const std::string plain(8 << 20, 'a');
    std::string escaped;
    for (int i = 0; i < (1 << 18); ++i)
        escaped += "\\n\\\"";
    value = Read("[\"" + plain + "\" \"" + escaped + "\"]");
    EXPECT_EQ(value.GetElement(0).GetString().length, plain.size());
    EXPECT_EQ(value.GetElement(1).GetString().length, 2u << 18);
}

TEST(Lon, SavedLoneValuesReadBack)
{
    Blueprint values[9];
    values[1].SetNull();
    values[2].SetBoolean(false);
    values[3].SetInteger(-7);
    values[4].SetInteger(7);
    values[5].SetUnsignedInteger(18446744073709551615u);
    values[6].SetNumber(-0.125);
    values[7].SetString("text \"quoted\"");
    values[8].SetNumber(1e300);
    for (const Blueprint& value : values)
    {
        const std::string text = LonFormat::SaveBlueprint(value);
        Blueprint back;
        ASSERT_TRUE(LonFormat::LoadBlueprint(text, back)) << text;
        EXPECT_TRUE(back == value) << text;
    }
}
