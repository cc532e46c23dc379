#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Lon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

Blueprint Load(StringView text)
{
    Blueprint value;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(text, value)) << text.ToStdView();
    return value;
}

} // namespace

TEST(Json, NumbersAndLiteralsMapToTheirTypes)
{
    struct Case
    {
        const char* text;
        BlueprintType type;
        int64_t integer;
        uint64_t unsignedInteger;
        double number;
    };
    const Case cases[] = {
        {"0", BlueprintType::UnsignedInteger, 0, 0, 0},
        {"-0", BlueprintType::UnsignedInteger, 0, 0, 0},
        {"4294967295", BlueprintType::UnsignedInteger, 0, 4294967295u, 0},
        {"4294967296", BlueprintType::UnsignedInteger, 0, 4294967296u, 0},
        {"18446744073709551615", BlueprintType::UnsignedInteger, 0, UINT64_MAX, 0},
        {"-1", BlueprintType::Integer, -1, 0, 0},
        {"-2147483648", BlueprintType::Integer, INT32_MIN, 0, 0},
        {"-9223372036854775808", BlueprintType::Integer, INT64_MIN, 0, 0},
        {"1.0", BlueprintType::Number, 0, 0, 1.0},
        {"-0.5", BlueprintType::Number, 0, 0, -0.5},
        {"1e2", BlueprintType::Number, 0, 0, 100.0},
        {"18446744073709551616", BlueprintType::Number, 0, 0, 18446744073709551616.0},
        {"-9223372036854775809", BlueprintType::Number, 0, 0, -9223372036854775809.0},
        {"true", BlueprintType::Boolean, 0, 0, 0},
        {"null", BlueprintType::Null, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        Blueprint value = Load("[" + std::string(c.text) + "]");
        ASSERT_EQ(value.GetCount(), 1u) << c.text;
        const Blueprint& element = value.GetElement(0);
        EXPECT_EQ(element.GetType(), c.type) << c.text;
        EXPECT_EQ(element.GetInteger(), c.integer) << c.text;
        EXPECT_EQ(element.GetUnsignedInteger(), c.unsignedInteger) << c.text;
        EXPECT_EQ(element.GetNumber(), c.number) << c.text;
    }

    Blueprint object = Load(R"({"a": 1, "b": -1, "c": 1.0, "d": 4294967296, "e": -2147483649, "f": false})");
    const ValueObject& members = object.GetObject();
    ASSERT_EQ(members.GetCount(), 6u);
    EXPECT_EQ(members.Find("a")->GetUnsignedInteger(), 1u);
    EXPECT_EQ(members.Find("b")->GetInteger(), -1);
    EXPECT_EQ(members.Find("c")->GetNumber(), 1.0);
    EXPECT_EQ(members.Find("d")->GetUnsignedInteger(), 4294967296u);
    EXPECT_EQ(members.Find("e")->GetInteger(), -2147483649);
    EXPECT_EQ(members.Find("f")->GetType(), BlueprintType::Boolean);
}

TEST(Json, StringsKeepEveryByte)
{
    Blueprint value = Load(R"(["a\u0000b", "\u00e9\n\"\\", "a fairly long string past the inline size"])");
    EXPECT_EQ(value.GetElement(0).GetString(), StringView("a\0b", 3));
    EXPECT_EQ(value.GetElement(1).GetString(), StringView("\xC3\xA9\n\"\\"));
    EXPECT_EQ(value.GetElement(2).GetString(), StringView("a fairly long string past the inline size"));
}

TEST(Json, RepeatedKeyKeepsItsPlaceAndTheLastValue)
{
    Blueprint value = Load(R"({"k": 1, "x": [2], "k": {"y": 3}})");
    const ValueObject& members = value.GetObject();
    ASSERT_EQ(members.GetCount(), 2u);
    EXPECT_EQ(members.GetName(0), StringView("k"));
    EXPECT_EQ(members.GetValue(0).GetObject().Find("y")->GetUnsignedInteger(), 3u);
    EXPECT_EQ(members.GetName(1), StringView("x"));

    // Noted with their paths and the values they replaced, at any depth the parse reaches.
    JsonNotes notes;
    ASSERT_TRUE(JsonFormat::LoadBlueprint(R"({"k": 1, "a": [0, {"b": {"y": 2, "y": 3}}], "k": [4]})", value, notes));
    ASSERT_EQ(notes.repeats.size(), 2u);
    EXPECT_EQ(notes.repeats[0].first, "a[1].b.y");
    EXPECT_EQ(notes.repeats[0].second.GetUnsignedInteger(), 2u);
    EXPECT_EQ(notes.repeats[1].first, "k");
    std::string path;
    for (int i = 0; i < 70; ++i)
        path += "[0]";
    ASSERT_TRUE(
        JsonFormat::LoadBlueprint(std::string(70, '[') + R"({"k": 1, "k": 2})" + std::string(70, ']'), value, notes));
    ASSERT_EQ(notes.repeats.size(), 1u);
    EXPECT_EQ(notes.repeats[0].first, path + ".k");

    // The LON reader notes the same paths. Past the first 64 repeats, or a path past 1,024 characters,
    // either text is refused whole: a hostile one's paths would take memory without end.
    JsonNotes lon;
    ASSERT_TRUE(Lon::Parse("{ k = 1 a [ 0 { b { y = 2 y = 3 } } ] k [ 4 ] }", value, &lon));
    ASSERT_EQ(lon.repeats.size(), 2u);
    EXPECT_EQ(lon.repeats[0].first, "a[1].b.y");
    EXPECT_EQ(lon.repeats[1].first, "k");
    std::string many = "{\"k\": 0", manyLon = "{ k = 0";
    for (int i = 0; i <= 64; ++i)
        many += ", \"k\": 1", manyLon += " k = 1";
    const std::string longKey(1100, 'x');
    for (const std::string& text : {many + "}", "{\"" + longKey + "\": 1, \"" + longKey + "\": 2}"})
    {
        EXPECT_FALSE(JsonFormat::LoadBlueprint(text, value, notes));
        EXPECT_NE(notes.error.find(JsonNotes::TooManyRepeats), std::string::npos) << notes.error;
    }
    for (const std::string& text : {manyLon + " }", "{ " + longKey + " = 1 " + longKey + " = 2 }"})
        EXPECT_FALSE(Lon::Parse(text, value, &lon));
    EXPECT_TRUE(Lon::Parse(manyLon + " }", value));

    // A whole number beyond 64 bits is noted with its path: a Save would write it as another number.
    // Past the first 64 such numbers, in JSON or LON, the text is refused whole.
    ASSERT_TRUE(JsonFormat::LoadBlueprint(R"({"a": [0, {"b": -9223372036854775809}], "c": 18446744073709551616})",
                                          value, notes));
    ASSERT_EQ(notes.numbers.size(), 2u);
    EXPECT_EQ(notes.numbers[0].path + " " + notes.numbers[0].text, "a[1].b -9223372036854775809");
    EXPECT_EQ(notes.numbers[1].path + " " + notes.numbers[1].why, "c a whole number beyond 64 bits");
    std::string wide = "[0", wideLon = "[";
    for (int i = 0; i <= 64; ++i)
        wide += ", 18446744073709551616", wideLon += " 12abc";
    EXPECT_FALSE(JsonFormat::LoadBlueprint(wide + "]", value, notes));
    EXPECT_NE(notes.error.find(JsonNotes::TooManyNumbers), std::string::npos) << notes.error;
    EXPECT_FALSE(Lon::Parse(wideLon + " ]", value, &lon));
}

TEST(Json, MalformedTextsFailAndLeaveTheTarget)
{
    const std::string deep(100000, '[');
    const std::string texts[] = {
        "",           " ",          "5",      "\"s\"",    "true",          "null", "{",        "[1,]", R"({"a":1,})",
        R"({"a" 1})", "[1] x",      "[] []",  "// c\n{}", "{'a':1}",       "[01]", "[1.]",     "[-]",  R"(["\x"])",
        R"(["abc)",   "[\"a\nb\"]", "{1: 2}", "[nul]",    "[\"\\ud800\"]", deep,   deep + "1",
    };
    for (const std::string& text : texts)
    {
        Blueprint target;
        target.SetObject().AddMember("kept");
        EXPECT_FALSE(JsonFormat::LoadBlueprint(text, target)) << text.substr(0, 20);
        EXPECT_EQ(target.GetObject().FindMember("kept"), 0u);
    }
    // Where and why, counted from 1.
    const std::pair<const char*, const char*> placed[] = {
        {"{\n  \"a\": 1e309}", "line 2, column 8: a number beyond a double"},
        {"5", "line 1, column 1: a value outside any object or array"},
        {"[1,\n\n   ]", "line 3, column 4: invalid value"},
    };
    for (const auto& [text, why] : placed)
    {
        Blueprint target;
        JsonNotes notes;
        EXPECT_FALSE(JsonFormat::LoadBlueprint(StringView::FromCString(text), target, notes));
        EXPECT_EQ(notes.error, why);
    }
    // The view ends where its length says, whatever follows in memory.
    const char bytes[] = "[1]]";
    Blueprint target;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(StringView(bytes, 3), target));
    EXPECT_FALSE(JsonFormat::LoadBlueprint(StringView(bytes, 2), target));
}

TEST(Json, AnyNestingDepthLoads)
{
    for (uint32_t depth : {1u, 63u, 64u, 65u, 66u, 1000u, 100000u})
    {
        std::string open, close;
        for (uint32_t i = 0; i < depth; ++i)
        {
            open += "[{\"k\": ";
            close += ", \"after\": 7}]";
        }
        Blueprint value = Load(open + "\"x\"" + close);
        const Blueprint* level = &value;
        for (uint32_t i = 0; i < depth; ++i)
        {
            ASSERT_EQ(level->GetType(), BlueprintType::Array) << depth;
            const ValueObject& members = level->GetElement(0).GetObject();
            ASSERT_EQ(members.GetCount(), 2u) << depth;
            EXPECT_EQ(members.Find("after")->GetUnsignedInteger(), 7u);
            level = members.Find("k");
        }
        EXPECT_EQ(level->GetString(), StringView("x")) << depth;

        Blueprint target;
        EXPECT_FALSE(JsonFormat::LoadBlueprint(open + "\"x\"" + close.substr(1), target)) << depth;
        EXPECT_EQ(target.GetType(), BlueprintType::Invalid);
    }
}

TEST(Json, SavesPrettyTextWithTabs)
{
    Blueprint value = Load(R"({"a": 1, "b": [true, "x", null, {}], "c": {"d": -5, "e": 2.5}, "f": []})");
    value.MakeObject().AddMember("skipped");
    value.MakeObject().Find("b")->AppendElement();
    // Names end at their first zero byte.
    value.MakeObject().AddMember(StringView("g\0h", 3)).SetBoolean(false);
    EXPECT_EQ(JsonFormat::SaveBlueprint(value), "{\n"
                                                "\t\"a\": 1,\n"
                                                "\t\"b\": [\n"
                                                "\t\ttrue,\n"
                                                "\t\t\"x\",\n"
                                                "\t\tnull,\n"
                                                "\t\t{}\n"
                                                "\t],\n"
                                                "\t\"c\": {\n"
                                                "\t\t\"d\": -5,\n"
                                                "\t\t\"e\": 2.5\n"
                                                "\t},\n"
                                                "\t\"f\": [],\n"
                                                "\t\"g\": false\n"
                                                "}");

    Blueprint scalar;
    scalar.SetUnsignedInteger(3);
    EXPECT_EQ(JsonFormat::SaveBlueprint(scalar), "null");
    EXPECT_EQ(JsonFormat::SaveBlueprint(Blueprint()), "null");
}

// Floats are written in the shortest text that reads back as the float, in the form a double read back from it is
// written in, so that a second Save writes what the first did; whole ones keep a fraction, which makes them Numbers,
// and a copy is still a float.
TEST(Json, SavedScalarsReadBackAsTheTableSays)
{
    struct Case
    {
        Blueprint value;
        const char* text;
    };
    Case cases[19];
    cases[0].value.SetInteger(5), cases[0].text = "5";
    cases[1].value.SetInteger(-5), cases[1].text = "-5";
    cases[2].value.SetUnsignedInteger(9223372036854775809u), cases[2].text = "9223372036854775809";
    cases[3].value.SetNumber(1.0), cases[3].text = "1.0";
    cases[4].value.SetNumber(0.1), cases[4].text = "0.1";
    cases[5].value.SetNumber(std::numeric_limits<double>::quiet_NaN()), cases[5].text = "null";
    cases[6].value.SetNumber(-std::numeric_limits<double>::infinity()), cases[6].text = "null";
    cases[7].value.SetString(StringView("a\0\"\n", 4)), cases[7].text = R"("a\u0000\"\n")";
    cases[8].value.SetBoolean(false), cases[8].text = "false";
    cases[9].value.SetNull(), cases[9].text = "null";
    cases[10].value.SetFloat(0.1f), cases[10].text = "0.1";
    cases[11].value.SetFloat(2.2f), cases[11].text = "2.2";
    cases[12].value.SetFloat(2.0f), cases[12].text = "2.0";
    cases[13].value.SetFloat(-0.0f), cases[13].text = "-0.0";
    cases[14].value.SetFloat(1e30f), cases[14].text = "1e30";
    cases[15].value.SetFloat(16777216.0f), cases[15].text = "16777216.0";
    cases[16].value.SetFloat(3.4028235e38f), cases[16].text = "3.4028235e38";
    cases[17].value.SetFloat(1e-45f), cases[17].text = "1e-45";
    cases[18].value.SetFloat(1e-5f), cases[18].text = "0.00001";
    for (const Case& c : cases)
    {
        Blueprint array;
        array.AppendElement(c.value);
        const std::string saved = JsonFormat::SaveBlueprint(Blueprint(array));
        EXPECT_EQ(saved, "[\n\t" + std::string(c.text) + "\n]");
        EXPECT_EQ(JsonFormat::SaveBlueprint(Load(saved)), saved);
    }

    Blueprint round;
    for (const Case& c : cases)
        round.AppendElement(c.value);
    Blueprint back = Load(JsonFormat::SaveBlueprint(round));
    EXPECT_EQ(back.GetElement(0).GetType(), BlueprintType::UnsignedInteger);
    EXPECT_EQ(back.GetElement(0).GetUnsignedInteger(), 5u);
    EXPECT_EQ(back.GetElement(1).GetInteger(), -5);
    EXPECT_EQ(back.GetElement(2).GetUnsignedInteger(), 9223372036854775809u);
    EXPECT_EQ(back.GetElement(4).GetNumber(), 0.1);
    EXPECT_EQ(back.GetElement(7).GetString(), StringView("a\0\"\n", 4));
    for (uint32_t i = 10; i < std::size(cases); ++i)
        EXPECT_TRUE(back.GetElement(i).GetType() == BlueprintType::Number &&
                    float(back.GetElement(i).GetNumber()) == float(cases[i].value.GetNumber()))
            << i;
}

TEST(Json, TreesRoundTrip)
{
    const char text[] = R"({"Name": "Blaster", "Damage": 12, "Offset": -3, "Scale": 0.75,
        "Tags": ["a", "b", "a string that is longer than the inline storage"],
        "Nested": {"Deeper": {"Deepest": [[], {}, [1, [2, [3]]]]}}, "Flag": true, "Nothing": null})";
    Blueprint value = Load(text);
    EXPECT_TRUE(Load(JsonFormat::SaveBlueprint(value)) == value);
    EXPECT_EQ(Load("{}").GetType(), BlueprintType::Object);
    EXPECT_EQ(Load(" [ ] \n").GetType(), BlueprintType::Array);

    const uint32_t depth = 2000;
    Blueprint deep = Load(std::string(depth, '[') + std::string(depth, ']'));
    EXPECT_TRUE(Load(JsonFormat::SaveBlueprint(deep)) == deep);
}

TEST(Json, DoublesReadBackAsTheSameDouble)
{
    std::mt19937_64 random(2024);
    std::vector<double> numbers = {
        0.1, 1.0 / 3.0, 5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, -123456.789e-20, 0.30000000000000004};
    while (numbers.size() < 4000)
    {
        uint64_t bits = random();
        double number;
        std::memcpy(&number, &bits, sizeof number);
        if (std::isfinite(number))
            numbers.push_back(number);
        // Numbers of everyday size too, where a fast parse is tempted to round.
        numbers.push_back(std::ldexp(double(random() >> 11), -int(random() % 60)));
    }
    Blueprint value;
    for (double number : numbers)
        value.AppendElement().SetNumber(number);
    Blueprint back = Load(JsonFormat::SaveBlueprint(value));
    ASSERT_EQ(back.GetCount(), numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i)
    {
        // An integral double is written without a fraction and comes back as an integer type.
        if (back.GetElement(uint32_t(i)).GetType() != BlueprintType::Number)
            continue;
        EXPECT_EQ(back.GetElement(uint32_t(i)).GetNumber(), numbers[i]) << i;
    }
    // Saved again, the text does not move.
    EXPECT_EQ(JsonFormat::SaveBlueprint(Load(JsonFormat::SaveBlueprint(back))), JsonFormat::SaveBlueprint(back));
}

TEST(Json, DeepTreesSaveInLinearSize)
{
    const uint32_t depth = 50000;
    Blueprint deep = Load(std::string(depth, '[') + std::string(depth, ']'));
    const std::string text = JsonFormat::SaveBlueprint(deep);
    EXPECT_LT(text.size(), size_t(depth) * 2 * 34);
    EXPECT_NE(text.find("\n" + std::string(32, '\t') + "["), std::string::npos);
    EXPECT_EQ(text.find(std::string(33, '\t')), std::string::npos);
    EXPECT_TRUE(Load(text) == deep);
}

TEST(Json, ZeroSignificandsAndNumbersAtTheEdgesOfTheDoubles)
{
    // A zero with a large exponent once reached undefined behaviour in the exact conversion.
    Blueprint value = Load("[0e55, -0e300, 0.000e-500, 1e-400, 4.9e-324, 1.7976931348623157e308, "
                           "18446744073709551616, 4294967296, -2147483649, 1E2]");
    const double expected[] = {0.0, -0.0, 0.0, 0.0, 5e-324, 1.7976931348623157e308, 18446744073709551616.0};
    for (uint32_t i = 0; i < 7; ++i)
    {
        ASSERT_EQ(value.GetElement(i).GetType(), BlueprintType::Number) << i;
        EXPECT_EQ(value.GetElement(i).GetNumber(), expected[i]) << i;
        EXPECT_EQ(std::signbit(value.GetElement(i).GetNumber()), std::signbit(expected[i])) << i;
    }
    EXPECT_EQ(value.GetElement(7).GetUnsignedInteger(), 4294967296u);
    EXPECT_EQ(value.GetElement(8).GetInteger(), -2147483649);
    EXPECT_EQ(value.GetElement(9).GetNumber(), 100.0);

    Blueprint target;
    EXPECT_FALSE(JsonFormat::LoadBlueprint("[1e400]", target));
    EXPECT_FALSE(JsonFormat::LoadBlueprint("[-1e400]", target));
    // RapidJSON refuses an exponent past the doubles' range whatever the significand.
    EXPECT_FALSE(JsonFormat::LoadBlueprint("[0e400]", target));
    EXPECT_EQ(target.GetType(), BlueprintType::Invalid);
}
