#include "Engine/Foundation/Members.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ReadReport.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

using namespace Lumvek;

namespace
{

constexpr float Pi = 3.14159265f;

Blueprint ReadLon(const std::string& text)
{
    Blueprint value;
    EXPECT_TRUE(Lon::Parse(text, value)) << text;
    return value;
}

// Reads every member of a tree holding one member of each tag into a field holding sentinel: only
// the accepted keys may be read, each other member is refused once in the report under its path from
// the file's root, and a refused read leaves the field and the cursor alone.
template <class T> void ExpectOnlyKeysRead(std::initializer_list<std::pair<StringView, T>> accepted, const T& sentinel)
{
    const Blueprint tree =
        ReadLon("[ { In { B = true I = -5 U = 5 N = 2.5 S = \"1 2 3\" O { X = 1 } A [ 1 ] Z = null W = invalid } } ]");
    ReadReport report;
    // A reader over part of a file starts at that part's path.
    BlueprintReader reader(tree, &report, "Root");
    ASSERT_TRUE(reader.GetElement(0) && reader.GetMember("In"));
    for (StringView key : std::initializer_list<StringView>{"B", "I", "U", "N", "S", "O", "A", "Z", "W", "Missing"})
    {
        const auto found =
            std::find_if(accepted.begin(), accepted.end(), [&](const auto& a) { return a.first == key; });
        const size_t problems = report.GetProblems().size();
        T field = sentinel;
        const bool read = ReadMember(reader, key, field);
        EXPECT_EQ(read, found != accepted.end()) << key.ToStdView();
        EXPECT_EQ(field, read ? found->second : sentinel) << key.ToStdView();
        EXPECT_EQ(reader.GetPath(), "Root[0].In");
        const bool refused = !read && !(key == StringView("Missing"));
        ASSERT_EQ(report.GetProblems().size(), problems + refused) << key.ToStdView();
        if (refused)
        {
            EXPECT_EQ(report.GetProblems().back().path, "Root[0].In." + key.ToString());
        }
    }
}

// A member holding text, read back through a tree.
template <class T> bool ReadText(const std::string& text, T& field)
{
    BlueprintWriter writer;
    WriteMember(writer, "Key", StringView(text));
    BlueprintReader reader(writer.GetRoot());
    return ReadMember(reader, "Key", field);
}

// How a form reads a member's text: its value shown, or "refused".
template <class T, class Show> std::function<std::string(const std::string&)> Reading(Show show)
{
    return [=](const std::string& text)
    {
        T value{};
        return ReadText(text, value) ? show(value) : std::string("refused");
    };
}

} // namespace

TEST(Members, ReadTheirFormsAndRefuseOthers)
{
    ExpectOnlyKeysRead<bool>({{"B", true}}, false);
    // A whole number is a number: files hold "Speed": 2.
    ExpectOnlyKeysRead<float>({{"I", -5.0f}, {"U", 5.0f}, {"N", 2.5f}}, 0.0f);
    ExpectOnlyKeysRead<double>({{"I", -5.0}, {"U", 5.0}, {"N", 2.5}}, 0.0);
    ExpectOnlyKeysRead<int32_t>({{"I", -5}, {"U", 5}}, 7);
    ExpectOnlyKeysRead<int64_t>({{"I", -5}, {"U", 5}}, 7);
    ExpectOnlyKeysRead<uint32_t>({{"U", 5u}}, 7u);
    ExpectOnlyKeysRead<uint64_t>({{"U", 5u}}, 7u);
    ExpectOnlyKeysRead<std::string>({{"S", "1 2 3"}}, "x");
    ExpectOnlyKeysRead<Vector2>({}, Vector2(9, 9));
    ExpectOnlyKeysRead<Color>({{"S", Color{1, 2, 3, 255}}}, Color::Red);
    ExpectOnlyKeysRead<BoneTransform>({{"O", BoneTransform{3, 4, 5}}}, BoneTransform{3, 4, 5});

    // Whole numbers outside the field's range are refused, not cut to its low bits.
    const Blueprint numbers = ReadLon("{ Big = 3000000000 Negative = -1 }");
    BlueprintReader numbersReader(numbers);
    int32_t signedField = 7;
    uint64_t unsignedField = 7;
    EXPECT_FALSE(ReadMember(numbersReader, "Big", signedField));
    EXPECT_FALSE(ReadMember(numbersReader, "Negative", unsignedField));
    EXPECT_EQ(signedField, 7);
    EXPECT_EQ(unsignedField, 7u);

    // Off an Object nothing is read.
    const Blueprint tree = ReadLon("[ { U = 1 } ]");
    BlueprintReader reader(tree);
    uint32_t field = 7;
    EXPECT_FALSE(ReadMember(reader, "U", field));
    EXPECT_EQ(field, 7u);
}

// A float member read from JSON and saved again reads back the same, or is refused at once: a number
// narrowed to an infinity would be saved as null and come back as the field's default.
TEST(Members, FloatsBeyondTheirRangeAreRefusedWithAMessage)
{
    constexpr float Sentinel = 7.0f;
    // The largest float's shortest text lies a little above it, and reads as it.
    constexpr float Largest = std::numeric_limits<float>::max();
    const std::pair<const char*, float> cases[] = {
        {"1e39", Sentinel},        {"-1e39", Sentinel},         {"1e300", Sentinel},
        {"3.4e38", 3.4e38f},       {"-3.4e38", -3.4e38f},       {"1e-50", 0.0f},
        {"3.4028235e38", Largest}, {"-3.4028235e38", -Largest}, {"3.40282357e38", Sentinel}};
    for (const auto& [number, read] : cases)
    {
        Blueprint tree;
        ASSERT_TRUE(JsonFormat::LoadBlueprint(std::string(R"({"WindSpeed": )") + number + "}", tree)) << number;
        BlueprintReader reader(tree);
        Testing::LogCapture log;
        float field = Sentinel;
        EXPECT_EQ(ReadMember(reader, "WindSpeed", field), read != Sentinel) << number;
        EXPECT_EQ(field, read) << number;
        EXPECT_EQ(log.messages.empty(), read != Sentinel) << number;
        for (const std::string& message : log.messages)
            EXPECT_NE(message.find("WindSpeed"), std::string::npos) << message;
        // Saved in either text, it reads back as the same float.
        BlueprintWriter writer;
        WriteMember(writer, "WindSpeed", field);
        for (const std::string& text :
             {JsonFormat::SaveBlueprint(writer.GetRoot()), LonFormat::SaveBlueprint(writer.GetRoot())})
        {
            Blueprint back;
            ASSERT_TRUE(text[0] == '{' && (JsonFormat::LoadBlueprint(text, back) || Lon::Parse(text, back))) << text;
            BlueprintReader again(back);
            float saved = 0.0f;
            EXPECT_TRUE(ReadMember(again, "WindSpeed", saved) && saved == field) << text;
        }
    }
}

TEST(Members, WritesEveryTypeInItsFormAndReadsItBack)
{
    BlueprintWriter writer;
    writer.GetRoot().SetUnsignedInteger(3); // becomes the Object
    WriteMember(writer, "Flag", true);
    WriteMember(writer, "Float", 1.5f);
    WriteMember(writer, "Int32", int32_t(-3));
    WriteMember(writer, "UInt64", uint64_t(18000000000000000000u));
    WriteMember(writer, "Text", std::string("a \"b\""));
    WriteMember(writer, "Position", Vector2(1.5f, -2.0f));
    WriteMember(writer, "Rotation", Angle{Pi});
    WriteMember(writer, "Name", Name{NameSet::Global().Add("Hero")});
    WriteMember(writer, "Nameless", Name{});
    WriteMember(writer, "Tint", Color{10, 20, 30, 40});
    WriteMember(writer, "Grey", Color::Grey);
    WriteMember(writer, "Delay", Duration{30});
    EXPECT_TRUE(WriteMember(writer, "Flag", false)); // in place
    EXPECT_EQ(writer.GetDepth(), 0u);
    EXPECT_EQ(LonFormat::SaveBlueprint(writer.GetRoot()),
              "{\n\tFlag = false\n\tFloat = 1.5\n\tInt32 = -3\n\tUInt64 = 18000000000000000000\n"
              "\tText = \"a \\\"b\\\"\"\n\tPosition = \"1.5 -2.0\"\n\tRotation = \"Degrees(180.0)\"\n"
              "\tName = \"Hero\"\n\tNameless = \"\"\n\tTint = \"#0A141E28\"\n\tGrey = \"Grey\"\n\tDelay = 0.5\n}");

    BlueprintReader reader(writer.GetRoot());
    Name name;
    EXPECT_TRUE(ReadMember(reader, "Name", name));
    EXPECT_EQ(NameSet::Global().GetName(name.index), StringView("Hero"));
    // Any other type than a String is no name.
    BlueprintWriter other;
    other.PushMember("Name");
    other.GetCurrent().SetUnsignedInteger(3);
    other.Pop();
    BlueprintReader otherReader(other.GetRoot());
    EXPECT_FALSE(ReadMember(otherReader, "Name", name));
    EXPECT_EQ(NameSet::Global().GetName(name.index), StringView("Hero"));
}

TEST(Members, VectorsAnglesColoursAndBoneTransforms)
{
    Vector2 vector(7, 7);
    EXPECT_TRUE(ReadText(" -1 3e2 ", vector));
    EXPECT_EQ(vector, Vector2(-1, 300));
    for (const char* refused : {"1,2", "1", ""})
        EXPECT_FALSE(ParseVector2(StringView::FromCString(refused), vector)) << refused;
    EXPECT_EQ(vector, Vector2(-1, 300));

    constexpr float Refused = -100.0f;
    struct Case
    {
        std::string text;
        float radians;
    };
    const Case angles[] = {
        {"Degrees(450)", Pi / 2},  {"Degrees(-90)", 3 * Pi / 2}, {"Degrees(90)xyz", Refused},
        {"Radians(7)", 7.0f},      {"Radians(-1)", -1.0f},       {"Degrees(inf)", Refused},
        {"Degrees(nan)", Refused}, {"Radians(inf)", Refused},    {"degrees(90)", Refused},
    };
    for (const Case& c : angles)
    {
        Angle angle{Refused};
        EXPECT_EQ(ReadText(c.text, angle), c.radians != Refused) << c.text;
        EXPECT_NEAR(angle.radians, c.radians, 1e-5) << c.text;
    }
    Color color = Color::Blue;
    EXPECT_TRUE(ReadText("red", color));
    EXPECT_EQ(color, Color::Red);
    Testing::LogCapture log;
    EXPECT_FALSE(ReadText("#ff0000f", color)); // not alpha 15
    EXPECT_EQ(color, Color::Red);
    EXPECT_TRUE(log.Logged("Key holds \"#ff0000f\", which was not taken: a \"#\" colour needs six or eight "
                           "hexadecimal digits: \"#RRGGBB\" or \"#RRGGBBAA\""));

    const Blueprint tree = ReadLon("{ Full { Position = \"1 2\" Rotation = \"Degrees(90)\" }"
                                   "  Part { Rotation = \"Radians(1)\" Position = \"oops\" } }");
    BlueprintReader reader(tree);
    BoneTransform transform{9, 9, 9};
    EXPECT_TRUE(ReadMember(reader, "Full", transform));
    EXPECT_EQ(transform.x, 1.0f);
    EXPECT_EQ(transform.y, 2.0f);
    EXPECT_NEAR(transform.angle, Pi / 2, 1e-6);
    transform = {9, 9, 9};
    EXPECT_TRUE(ReadMember(reader, "Part", transform));
    EXPECT_EQ(transform, (BoneTransform{9, 9, 1}));
    EXPECT_EQ(reader.GetDepth(), 0u);
}

// An angle read and written again gives the degrees the maker wrote within a turn, not the float
// product beside them (60 came back as 60.000004, 770 as 49.999992 and then 49.999993), and every
// angle written reads back as itself, so a second Save writes the text of the first.
TEST(Members, EveryAngleWrittenReadsBackAsItselfInTheShortestDegrees)
{
    const auto read = [](const std::string& text)
    {
        Angle angle{-100.0f};
        EXPECT_TRUE(ReadText(text, angle)) << text;
        return angle.radians;
    };
    const auto written = [&](float radians)
    {
        BlueprintWriter writer;
        WriteMember(writer, "Key", Angle{radians});
        const std::string text = writer.GetRoot().GetObject().Find("Key")->GetString().ToString();
        EXPECT_EQ(read(text), radians) << text;
        return text;
    };
    for (int degrees = -3600; degrees <= 3600; ++degrees)
        EXPECT_EQ(written(read(FormatText("Degrees({})", degrees))),
                  FormatText("Degrees({}.0)", (degrees % 360 + 360) % 360));
    // The text read, and the start of the one written: degrees within a turn, far beyond the reach of
    // a loop taking off turns one by one too; radians outside it as they are.
    const std::pair<const char*, const char*> texts[] = {
        {"Degrees(0.5)", "Degrees(0.5)"},        {"Degrees(359.9)", "Degrees(359.9)"},
        {"Degrees(770.125)", "Degrees(50.125)"}, {"Degrees(-0.5)", "Degrees(359.5)"},
        {"Degrees(1e-30)", "Degrees(1e-30)"},    {"Degrees(-1e-30)", "Degrees(0.0)"},
        {"Degrees(359.99997)", "Degrees("},      {"Degrees(-3e38)", "Degrees("},
        {"Degrees(1e30)", "Degrees("},           {"Degrees(2e10)", "Degrees("},
        {"Radians(7)", "Radians(7.0)"},          {"Radians(0.1)", ""},
    };
    for (const auto& [text, start] : texts)
        EXPECT_TRUE(written(read(text)).starts_with(start)) << text << " as " << written(read(text));
    // Floats within a turn, spread over its values and over their exponents.
    for (uint32_t step = 0; step < 50000; ++step)
    {
        written(6.2831855f * static_cast<float>(step) / 50000.0f);
        written(std::bit_cast<float>(step * 21727u));
    }
}

TEST(Members, TextFormsReadTheirNumbersAsFilesDo)
{
    const auto vector = Reading<Vector2>([](Vector2 v) { return FormatText("{} {}", v.x, v.y); });
    const auto angle = Reading<Angle>([](Angle a) { return FormatText("{}", a.radians); });
    const auto duration = Reading<Duration>([](Duration d) { return FormatText("{}", d.ticks); });
    const auto colour = Reading<Color>([](Color c) { return FormatText("{} {} {} {}", +c.r, +c.g, +c.b, +c.a); });
    struct Case
    {
        std::function<std::string(const std::string&)> read;
        std::string text;
        std::string value;
    };
    const Case cases[] = {
        {vector, "010 -010", "10.0 -10.0"},    {vector, "2E3 1e-5", "2000.0 0.00001"},
        {vector, "0x10 1", "refused"},         {vector, "1 2abc", "refused"},
        {vector, "1 2 3", "refused"},          {angle, "Degrees(9E1)", "1.5707964"},
        {angle, "Degrees(0x10)", "refused"},   {duration, "010_ticks", "10"},
        {duration, "1e1_seconds", "600"},      {duration, "0x10_seconds", "refused"},
        {duration, "2E1_ticks", "refused"}, // a count is whole, as a whole-number key in a file
        {colour, "010 20 30", "10 20 30 255"}, {colour, "300 0 0 255", "refused"},
        {colour, "-1 0 0 255", "refused"},     {colour, "256 0 0", "refused"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.read(c.text), c.value) << c.text;
}

TEST(Members, DurationsInEveryForm)
{
    constexpr uint32_t Refused = 12345;
    struct Case
    {
        std::string value; // LON
        uint32_t ticks;
    };
    const Case cases[] = {{"0.5", 30},
                          {"30", 30},
                          {"-1", 4294967295u},
                          {"-10", Refused}, // only -1 stands for the largest
                          {"\"-1_ticks\"", 4294967295u},
                          {"\"-5_ticks\"", Refused},
                          {"-1.0", Refused},
                          {"4294967296", Refused},
                          {"\"1_seconds\"", 60},
                          {"\"45_ticks\"", 45},
                          {"\"010_ticks\"", 10},
                          {"\"30_hertz\"", 2},
                          {"\"20_hertz\"", 3},
                          {"0.0083334", 1},
                          {"1e12", 4294967295u},
                          {"\"fast\"", Refused},
                          {"\"1.5_ticks\"", Refused},
                          {"\"0_hertz\"", Refused},
                          {"\"-30_hertz\"", Refused},
                          {"\"inf_hertz\"", Refused},
                          {"\"-1_seconds\"", Refused},
                          {"-0.5", Refused},
                          {"inf.0", Refused},
                          {"nan.0", Refused},
                          {"true", Refused}};
    for (const Case& c : cases)
    {
        const Blueprint tree = ReadLon("{ Delay = " + c.value + " }");
        BlueprintReader reader(tree);
        Duration duration{Refused};
        EXPECT_EQ(ReadMember(reader, "Delay", duration), c.ticks != Refused) << c.value;
        EXPECT_EQ(duration.ticks, c.ticks) << c.value;
        EXPECT_EQ(reader.GetDepth(), 0u);
    }

    // Written as seconds, every count reads back as itself through each text form: past 2^23 ticks a
    // float of seconds holds no single tick (59999997 was written 999999.94 and read as 59999992).
    std::vector<uint32_t> counts{0, 1, 59, 7864326, 59999997, 4294966816, 4294967295};
    for (uint32_t power = 23; power < 32; ++power)
        counts.insert(counts.end(), {(1u << power) - 1, 1u << power, (1u << power) + 1});
    for (uint64_t i = 0; i < 20000; ++i)
        counts.push_back(static_cast<uint32_t>(i * 214745u + i % 61));
    using Save = std::string (*)(const Blueprint&);
    using Load = bool (*)(StringView, Blueprint&);
    for (const auto& [save, load] : {std::pair<Save, Load>{&LonFormat::SaveBlueprint, &LonFormat::LoadBlueprint},
                                     std::pair<Save, Load>{&JsonFormat::SaveBlueprint, &JsonFormat::LoadBlueprint}})
        for (const uint32_t ticks : counts)
        {
            BlueprintWriter writer;
            WriteMember(writer, "Delay", Duration{ticks});
            Blueprint back;
            ASSERT_TRUE(load(save(writer.GetRoot()), back));
            BlueprintReader reader(back);
            Duration duration;
            EXPECT_TRUE(ReadMember(reader, "Delay", duration));
            ASSERT_EQ(duration.ticks, ticks) << save(writer.GetRoot());
        }
    // The seconds a maker wrote come back as written, not off in their last float digit.
    for (const auto& [ticks, seconds] :
         {std::pair{6u, "0.1"}, std::pair{90u, "1.5"}, std::pair{132u, "2.2"}, std::pair{1u, "0.016666668"},
          std::pair{59999997u, "999999.95"}, std::pair{60000000u, "1000000.0"}, std::pair{4294967295u, "71582788.25"}})
    {
        BlueprintWriter writer;
        WriteMember(writer, "Delay", Duration{ticks});
        EXPECT_EQ(JsonFormat::SaveBlueprint(writer.GetRoot()), "{\n\t\"Delay\": " + std::string(seconds) + "\n}");
    }
}
