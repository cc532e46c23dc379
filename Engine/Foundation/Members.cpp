#include "Engine/Foundation/Members.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/TickCount.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <span>
#include <type_traits>

namespace Lumvek
{

namespace
{

constexpr float RadiansPerDegree = 0.017453292f;
constexpr float FullTurn = 6.2831855f;

// The member key of the reader's current Object; null when it is absent or there is no Object.
const Blueprint* FindMember(const BlueprintReader& reader, StringView key)
{
    return reader.GetCurrent().GetObject().Find(key);
}

// The member key when it has exactly the tag type. A member of another tag is refused with why;
// an absent one is left to the caller's default.
const Blueprint* TakeMember(BlueprintReader& reader, StringView key, BlueprintType type, StringView why)
{
    const Blueprint* member = FindMember(reader, key);
    if (member && member->GetType() != type)
    {
        reader.Refuse(key, why);
        return nullptr;
    }
    return member;
}

// A number of any tag: files written by hand hold "Speed": 2 for 2.0. Infinite and NaN numbers,
// which a float or a double field could not save again, and for a float field numbers that narrow to
// an infinity are refused. Empty when taken, otherwise why not.
std::string NumberFrom(const Blueprint& member, bool toFloat, double& number)
{
    switch (member.GetType())
    {
    case BlueprintType::Number:
        number = member.GetNumber();
        break;
    case BlueprintType::Integer:
        number = static_cast<double>(member.GetInteger());
        break;
    case BlueprintType::UnsignedInteger:
        number = static_cast<double>(member.GetUnsignedInteger());
        break;
    default:
        return "a number was expected";
    }
    if (!std::isfinite(number))
        return "not a finite number";
    // Narrowed, such a number would become an infinity that JSON writes as null, and the field would
    // read back as its default: the definition would change on its second save.
    if (toFloat && !FitsFloat(number))
        return "beyond the range of a float";
    return {};
}

// A whole number inside the range of T. A signed field takes an UnsignedInteger too, as JSON gives
// every number from 0 up that tag; an unsigned field takes no Integer, which is negative in JSON and
// written with a sign in LON. Empty when taken, otherwise why not.
template <class T> std::string WholeFrom(const Blueprint& member, T& value)
{
    using Limits = std::numeric_limits<T>;
    if (member.GetType() == BlueprintType::Integer && Limits::is_signed)
    {
        const int64_t number = member.GetInteger();
        if (number < static_cast<int64_t>(Limits::min()) || number > static_cast<int64_t>(Limits::max()))
            return "beyond the range of the field";
        value = static_cast<T>(number);
        return {};
    }
    if (member.GetType() == BlueprintType::UnsignedInteger)
    {
        const uint64_t number = member.GetUnsignedInteger();
        if (number > static_cast<uint64_t>(Limits::max()))
            return FormatText("above {}", static_cast<uint64_t>(Limits::max()));
        value = static_cast<T>(number);
        return {};
    }
    if (member.GetType() == BlueprintType::Integer && member.GetInteger() < 0)
        return "below 0";
    return Limits::is_signed ? "a whole number was expected" : "a whole number from 0 up, without a sign, was expected";
}

const Blueprint* TakeNumber(BlueprintReader& reader, StringView key, bool toFloat, double& number)
{
    const Blueprint* member = FindMember(reader, key);
    if (!member)
        return nullptr;
    const std::string why = NumberFrom(*member, toFloat, number);
    if (why.empty())
        return member;
    reader.Refuse(key, why);
    return nullptr;
}

template <class T> bool TakeWhole(BlueprintReader& reader, StringView key, T& value)
{
    const Blueprint* member = FindMember(reader, key);
    if (!member)
        return false;
    const std::string why = WholeFrom(*member, value);
    if (!why.empty())
        reader.Refuse(key, why);
    return why.empty();
}

// The text as a member holding it would be: read by the files' rule, then taken by take.
template <class Take> std::string FromText(StringView text, Take take)
{
    Blueprint number;
    const char* why = Lon::ReadNumber(text, number);
    return why ? std::string(why) : take(number);
}

template <class T> std::string WholeFromText(StringView text, T& value)
{
    return FromText(text, [&](const Blueprint& number) { return WholeFrom(number, value); });
}

template <class T> std::string NumberFromText(StringView text, T& value)
{
    return FromText(text,
                    [&](const Blueprint& number)
                    {
                        double read = 0.0;
                        std::string why = NumberFrom(number, std::is_same_v<T, float>, read);
                        if (why.empty())
                            value = static_cast<T>(read);
                        return why;
                    });
}

constexpr StringView VectorExpected = "two finite numbers \"x y\" were expected";

// Runs store on the member key of the writer's current value, made an Object when needed, and
// returns the writer to that Object.
template <class Store> bool StoreMember(BlueprintWriter& writer, StringView key, Store store)
{
    writer.PushMember(key);
    store(writer.GetCurrent());
    writer.Pop();
    return true;
}

bool ParseAngle(StringView text, float& radians)
{
    StringReader reader(text);
    float number = 0.0f;
    if (Parse(reader, "Degrees({})", number))
    {
        if (!std::isfinite(number) || !AtEndOfForm(reader))
            return false;
        radians = RadiansFromDegrees(number);
        return true;
    }
    if (Parse(reader, "Radians({})", number) && std::isfinite(number) && AtEndOfForm(reader))
    {
        radians = number;
        return true;
    }
    return false;
}

// The shortest text of a float that reads back as it: at least one decimal, as the float writer has it.
std::string ShortestText(float number)
{
    char text[32];
    char* end = std::to_chars(text, text + sizeof text - 2, number).ptr;
    if (std::find_if(text, end, [](char c) { return c == '.' || c == 'e' || c == 'n'; }) == end)
    {
        *end++ = '.';
        *end++ = '0';
    }
    return std::string(text, end);
}

// The shortest "Degrees(d)" that reads back as these radians: the float product of the radians and
// the degrees per radian lands an ulp or two beside the degrees a file was written with (60 became
// 60.000004). Radians no degrees text reads as (outside [0, 2π), or between the products of two
// neighbouring floats of degrees) are written "Radians(r)", which reads back as itself: a text that
// read back as another angle would move it a little at every Save.
std::string AngleText(float radians)
{
    // A float d that reads as the radians lies within an ulp of the quotient.
    const double quotient = static_cast<double>(radians) / static_cast<double>(RadiansPerDegree);
    float degrees[3];
    size_t count = 0;
    if (std::isfinite(quotient) && std::fabs(quotient) < 720.0)
    {
        // +0 for -0 (which reads as 0), whose text "-0.0" would not be written again.
        const float near = static_cast<float>(quotient) + 0.0f;
        for (const float candidate : {near, std::nextafter(near, 720.0f), std::nextafter(near, -720.0f)})
            if (RadiansFromDegrees(candidate) == radians)
                degrees[count++] = candidate;
    }
    for (int decimals = 1; decimals <= 9; ++decimals)
        for (const float candidate : std::span(degrees, count))
        {
            char text[32];
            std::snprintf(text, sizeof text, "Degrees(%.*f)", decimals, static_cast<double>(candidate));
            float read = 0.0f;
            if (ParseAngle(StringView::FromCString(text), read) && read == radians)
                return text;
        }
    // Nine decimals do not tell apart the floats of degrees near 0; their shortest text does.
    if (count > 0)
        return "Degrees(" + ShortestText(degrees[0]) + ")";
    return "Radians(" + ShortestText(radians) + ")";
}

// Whether a text of seconds, as a file holds it, reads as the count: as the count itself, not as seconds
// beyond the largest that become it.
bool ReadsAsTicks(const std::string& text, uint32_t ticks)
{
    double seconds = 0.0;
    return std::from_chars(text.data(), text.data() + text.size(), seconds).ec == std::errc() &&
           std::round(seconds * TicksPerSecond) == static_cast<double>(ticks);
}

// A whole count of ticks: -1 stands for the largest, as its low 32 bits are; any other count below 0
// or beyond 32 bits is refused, as its low bits would be another count.
bool TicksFromCount(int64_t count, uint32_t& ticks)
{
    if (count < -1 || count > static_cast<int64_t>(UINT32_MAX))
        return false;
    ticks = count == -1 ? UINT32_MAX : static_cast<uint32_t>(count);
    return true;
}

} // namespace

float RadiansFromDegrees(float degrees)
{
    // fmod is exact, so 770 leaves 50 itself. Taking turns off the product in float steps would leave
    // radians a few ulps beside those of 50, which no text of degrees reads as.
    float within = std::fmod(degrees, 360.0f);
    // Whole turns below zero leave -0, which is written "-0.0"; adding +0 makes it 0.
    within = within < 0.0f ? within + 360.0f : within + 0.0f;
    const float radians = within * RadiansPerDegree;
    // Just below 360 degrees, and a tiny negative angle raised by a turn, can round to the full turn.
    return radians < FullTurn ? radians : 0.0f;
}

bool FitsFloat(double number)
{
    // Halfway between the largest float and the next power of two, which rounds to even: the infinity.
    // Compared rather than narrowed, as narrowing a double beyond the floats is undefined.
    constexpr double RoundsToInfinity = (2.0 - 0x1p-24) * 0x1p127;
    return std::fabs(number) < RoundsToInfinity;
}

bool ReadMember(BlueprintReader& reader, StringView key, bool& value)
{
    const Blueprint* member = TakeMember(reader, key, BlueprintType::Boolean, "true or false was expected");
    if (!member)
        return false;
    value = member->GetBoolean();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, float& value)
{
    double number = 0.0;
    if (!TakeNumber(reader, key, true, number))
        return false;
    value = static_cast<float>(number);
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, double& value)
{
    return TakeNumber(reader, key, false, value) != nullptr;
}

bool ReadMember(BlueprintReader& reader, StringView key, int32_t& value)
{
    return TakeWhole(reader, key, value);
}

bool ReadMember(BlueprintReader& reader, StringView key, uint32_t& value)
{
    return TakeWhole(reader, key, value);
}

bool ReadMember(BlueprintReader& reader, StringView key, int64_t& value)
{
    return TakeWhole(reader, key, value);
}

bool ReadMember(BlueprintReader& reader, StringView key, uint64_t& value)
{
    return TakeWhole(reader, key, value);
}

bool ReadMember(BlueprintReader& reader, StringView key, std::string& value)
{
    const Blueprint* member = TakeMember(reader, key, BlueprintType::String, "a text in quotes was expected");
    if (!member)
        return false;
    value = member->GetString().ToString();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Vector2& value)
{
    const Blueprint* member = FindMember(reader, key);
    if (!member)
        return false;
    if (member->GetType() != BlueprintType::String || !ParseVector2(member->GetString(), value))
    {
        reader.Refuse(key, VectorExpected);
        return false;
    }
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Angle& value)
{
    const Blueprint* member = FindMember(reader, key);
    if (!member)
        return false;
    if (member->GetType() != BlueprintType::String || !ParseAngle(member->GetString(), value.radians))
    {
        reader.Refuse(key, "a finite angle \"Degrees(d)\" or \"Radians(r)\" was expected");
        return false;
    }
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Name& value)
{
    const Blueprint* member = TakeMember(reader, key, BlueprintType::String, "a name in quotes was expected");
    if (!member)
        return false;
    value.index = NameSet::Global().Add(member->GetString());
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, BoneTransform& value)
{
    return ReadObjectMember(reader, key, "an object with a Position and a Rotation was expected",
                            [&]
                            {
                                Vector2 position(value.x, value.y);
                                if (ReadMember(reader, "Position", position))
                                {
                                    value.x = position.x;
                                    value.y = position.y;
                                }
                                Angle rotation;
                                if (ReadMember(reader, "Rotation", rotation))
                                    value.angle = rotation.radians;
                                return true;
                            });
}

bool ReadMember(BlueprintReader& reader, StringView key, Color& value)
{
    const Blueprint* member = FindMember(reader, key);
    if (!member)
        return false;
    StringReader text(member->GetString());
    Color color;
    const bool parsed = member->GetType() == BlueprintType::String && Color::Parse(color, text);
    if (!parsed || !AtEndOfForm(text))
    {
        if (!parsed && text.Peek() == '#')
            reader.Refuse(key, "a \"#\" colour needs six or eight hexadecimal digits: \"#RRGGBB\" or \"#RRGGBBAA\"");
        else
            reader.Refuse(key, "a colour was expected: a name, \"#RRGGBB\", \"#RRGGBBAA\", or \"r g b\" or \"r g b a\" "
                               "with each channel from 0 to 255");
        return false;
    }
    value = color;
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Duration& value)
{
    if (!reader.GetMember(key))
        return false;
    const bool read = ReadDuration(reader, value.ticks);
    reader.Pop();
    if (!read)
        reader.Refuse(key, "a duration was expected: seconds from 0 up, a whole count of ticks from 0 up (-1 for the "
                           "largest), or \"N_seconds\", \"N_ticks\" or \"N_hertz\" alike");
    return read;
}

bool ReadMember(BlueprintReader& reader, StringView key, std::vector<Vector2>& points)
{
    const Blueprint* member = FindMember(reader, key);
    if (!member)
        return false;
    points.clear();
    if (member->GetType() != BlueprintType::Array)
    {
        reader.Refuse(key, "an array of points \"x y\" was expected");
        return false;
    }
    uint32_t refused = UINT32_MAX;
    points.reserve(member->GetCount());
    for (uint32_t i = 0; i < member->GetCount(); ++i)
    {
        const Blueprint& element = member->GetElement(i);
        Vector2 point(0.0f, 0.0f);
        if ((element.GetType() != BlueprintType::String || !ParseVector2(element.GetString(), point)) &&
            refused == UINT32_MAX)
            refused = i;
        points.push_back(point);
    }
    // The whole list is named: it is set as a whole in an editor.
    if (refused != UINT32_MAX)
        reader.Refuse(key, FormatText("element {} holds {}: {}", refused, DescribeValue(member->GetElement(refused)),
                                      VectorExpected));
    return refused == UINT32_MAX;
}

bool WriteMember(BlueprintWriter& writer, StringView key, bool value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetBoolean(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, float value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetFloat(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, double value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetNumber(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, int32_t value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetInteger(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, uint32_t value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetUnsignedInteger(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, int64_t value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetInteger(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, uint64_t value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetUnsignedInteger(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, StringView value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetString(value); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, Vector2 value)
{
    writer.PushMember(key);
    WriteVector2Text(writer, value);
    writer.Pop();
    return true;
}

bool WriteMember(BlueprintWriter& writer, StringView key, Angle value)
{
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetString(AngleText(value.radians)); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, Name value)
{
    return StoreMember(writer, key,
                       [&](Blueprint& member) { member.SetString(NameSet::Global().GetName(value.index)); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, const Color& value)
{
    BufferWriter text;
    Color::ToName(value, text);
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetString(text.GetView()); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, Duration value)
{
    // Divided in double: ticks times the rounded tick length would write 1.5000001 for 90 ticks.
    const double exact = static_cast<double>(value.ticks) / TicksPerSecond;
    // The float nearest the seconds, in the texts the float writers give it (JSON's shortest, LON's and
    // XML's "%f"), while they read back as the count: so the files hold what they always have, 0.5 and
    // 0.016666668. Past a day and a half some no longer do (59999997 ticks became 999999.94, which reads
    // as 59999996), and JSON's shortest text of a round float is an exponent (1e+06).
    const auto single = static_cast<float>(exact);
    const std::string shortest = ShortestText(single);
    if (shortest.find('e') == std::string::npos && ReadsAsTicks(shortest, value.ticks) &&
        ReadsAsTicks(TrimmedFloat(single), value.ticks))
        return StoreMember(writer, key, [&](Blueprint& member) { member.SetFloat(single); });
    // Then the fewest decimals that read back: two always do, being within 0.005 s, under a third of a
    // tick, of the count. The writers give the double the text it was read from.
    double seconds = exact;
    for (int decimals = 1; decimals <= 2; ++decimals)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", decimals, exact);
        if (ReadsAsTicks(text, value.ticks))
        {
            seconds = std::strtod(text, nullptr);
            break;
        }
    }
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetNumber(seconds); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, const std::vector<Vector2>& points)
{
    writer.PushMember(key);
    // An empty list is still an Array, so it reads back as an empty list.
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < points.size(); ++i)
    {
        writer.PushElement(i);
        WriteVector2Text(writer, points[i]);
        writer.Pop();
    }
    writer.Pop();
    return true;
}

bool ParseVector2(StringView text, Vector2& value)
{
    StringReader reader(text);
    float x = 0.0f;
    float y = 0.0f;
    // NaN, an infinity and a number beyond a float ("1e39") are no place, size or direction.
    if (!Parse(reader, "{} {}", x, y) || !AtEndOfForm(reader) || !std::isfinite(x) || !std::isfinite(y))
        return false;
    value = Vector2(x, y);
    return true;
}

bool WriteVector2Text(BlueprintWriter& writer, Vector2 value)
{
    return writer.WriteString(FormatText("{} {}", value.x, value.y));
}

bool ReadDuration(BlueprintReader& reader, uint32_t& ticks)
{
    const Blueprint& value = reader.GetCurrent();
    switch (value.GetType())
    {
    case BlueprintType::Integer:
        return TicksFromCount(value.GetInteger(), ticks);
    case BlueprintType::UnsignedInteger:
        if (value.GetUnsignedInteger() > UINT32_MAX)
            return false;
        ticks = static_cast<uint32_t>(value.GetUnsignedInteger());
        return true;
    case BlueprintType::Number:
        return TicksFromSeconds(value.GetNumber(), ticks);
    case BlueprintType::String:
        break;
    default:
        return false;
    }

    // The forms are tried in turn on one reader; a failed attempt leaves the position at the start.
    StringReader text(value.GetString());
    double seconds = 0.0;
    if (Parse(text, "{}_seconds", seconds))
        return AtEndOfForm(text) && TicksFromSeconds(seconds, ticks);
    int64_t count = 0;
    if (Parse(text, "{}_ticks", count))
        return AtEndOfForm(text) && TicksFromCount(count, ticks);
    double rate = 0.0;
    if (Parse(text, "{}_hertz", rate))
        return AtEndOfForm(text) && rate > 0.0 && std::isfinite(rate) && TicksFromSeconds(1.0 / rate, ticks);
    return false;
}

template <class T> std::string ReadNumberText(StringView text, T& value)
{
    if constexpr (std::is_floating_point_v<T>)
        return NumberFromText(text, value);
    else
        return WholeFromText(text, value);
}

template std::string ReadNumberText(StringView, float&);
template std::string ReadNumberText(StringView, double&);
template std::string ReadNumberText(StringView, int32_t&);
template std::string ReadNumberText(StringView, uint32_t&);
template std::string ReadNumberText(StringView, int64_t&);
template std::string ReadNumberText(StringView, uint64_t&);

bool AtEndOfForm(StringReader& reader)
{
    reader.SkipWhitespace();
    return reader.AtEnd();
}

} // namespace Lumvek
