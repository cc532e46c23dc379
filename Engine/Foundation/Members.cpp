#include "Engine/Foundation/Members.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"

#include <cmath>
#include <limits>

namespace Lumvek
{

namespace
{

constexpr float RadiansPerDegree = 0.017453292f;
constexpr float DegreesPerRadian = 57.29578f;
constexpr float FullTurn = 6.2831855f;
// Past this many turns the wrapping loop is reduced with fmod first: it would run for a long time,
// and from 2^27 radians on a float minus one turn is the same float, so it would never end.
constexpr float LongestWrap = FullTurn * 65536.0f;

// The member key of the reader's current Object when it has exactly the tag type, otherwise null.
const Blueprint* FindMember(const BlueprintReader& reader, StringView key, BlueprintType type)
{
    const Blueprint& current = reader.GetCurrent();
    if (current.GetType() != BlueprintType::Object)
        return nullptr;
    const Blueprint* member = current.GetObject().Find(key);
    return member && member->GetType() == type ? member : nullptr;
}

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
        if (!std::isfinite(number))
            return false;
        float wrapped = number * RadiansPerDegree;
        if (std::fabs(wrapped) >= LongestWrap)
            wrapped = std::fmod(wrapped, FullTurn);
        while (wrapped >= FullTurn)
            wrapped -= FullTurn;
        while (wrapped < 0.0f)
            wrapped += FullTurn;
        radians = wrapped;
        return true;
    }
    if (Parse(reader, "Radians({})", number) && std::isfinite(number))
    {
        radians = number;
        return true;
    }
    return false;
}

// Converting a negative, infinite or NaN float to an unsigned count is undefined, so such seconds
// are refused; counts past 32 bits saturate, which makes the largest count read back as itself.
bool TicksFromSeconds(double seconds, uint32_t& ticks)
{
    if (!(seconds >= 0.0) || std::isinf(seconds))
        return false;
    const float count = std::round(static_cast<float>(seconds) / Duration::TickSeconds);
    ticks = count >= 4294967296.0f ? UINT32_MAX : static_cast<uint32_t>(count);
    return true;
}

} // namespace

bool ReadMember(BlueprintReader& reader, StringView key, bool& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::Boolean);
    if (!member)
        return false;
    value = member->GetBoolean();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, float& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::Number);
    if (!member)
        return false;
    // Narrowed, such a number would become an infinity that JSON writes as null, and the field would
    // read back as its default: the definition would change on its second save.
    const double number = member->GetNumber();
    if (std::isfinite(number) && std::fabs(number) > std::numeric_limits<float>::max())
    {
        Log::Write("the member {} holds a number beyond the range of a float and is ignored", key);
        return false;
    }
    value = static_cast<float>(number);
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, double& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::Number);
    if (!member)
        return false;
    value = member->GetNumber();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, int32_t& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::Integer);
    if (!member)
        return false;
    value = static_cast<int32_t>(member->GetInteger());
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, uint32_t& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::UnsignedInteger);
    if (!member)
        return false;
    value = static_cast<uint32_t>(member->GetUnsignedInteger());
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, int64_t& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::Integer);
    if (!member)
        return false;
    value = member->GetInteger();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, uint64_t& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::UnsignedInteger);
    if (!member)
        return false;
    value = member->GetUnsignedInteger();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, std::string& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::String);
    if (!member)
        return false;
    value = member->GetString().ToString();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Vector2& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::String);
    return member && ParseVector2(member->GetString(), value);
}

bool ReadMember(BlueprintReader& reader, StringView key, Angle& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::String);
    return member && ParseAngle(member->GetString(), value.radians);
}

bool ReadMember(BlueprintReader& reader, StringView key, Name& value)
{
    const Blueprint& current = reader.GetCurrent();
    if (current.GetType() != BlueprintType::Object)
        return false;
    const Blueprint* member = current.GetObject().Find(key);
    if (!member)
        return false;
    // A name member that holds no text names the empty name; it is still a name.
    StringView text = member->GetType() == BlueprintType::String ? member->GetString() : StringView();
    value.index = NameSet::Global().Add(text);
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, BoneTransform& value)
{
    if (!FindMember(reader, key, BlueprintType::Object) || !reader.GetMember(key))
        return false;
    Vector2 position(value.x, value.y);
    if (ReadMember(reader, "Position", position))
    {
        value.x = position.x;
        value.y = position.y;
    }
    Angle rotation;
    if (ReadMember(reader, "Rotation", rotation))
        value.angle = rotation.radians;
    reader.Pop();
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Color& value)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::String);
    if (!member)
        return false;
    StringReader text(member->GetString());
    Color color;
    if (!Color::Parse(color, text))
        return false;
    value = color;
    return true;
}

bool ReadMember(BlueprintReader& reader, StringView key, Duration& value)
{
    if (!reader.GetMember(key))
        return false;
    const bool read = ReadDuration(reader, value.ticks);
    reader.Pop();
    return read;
}

bool ReadMember(BlueprintReader& reader, StringView key, std::vector<Vector2>& points)
{
    const Blueprint& current = reader.GetCurrent();
    const Blueprint* member = current.GetType() == BlueprintType::Object ? current.GetObject().Find(key) : nullptr;
    if (!member)
        return false;
    points.clear();
    if (member->GetType() != BlueprintType::Array)
        return false;
    bool all = true;
    points.reserve(member->GetCount());
    for (uint32_t i = 0; i < member->GetCount(); ++i)
    {
        const Blueprint& element = member->GetElement(i);
        Vector2 point(0.0f, 0.0f);
        if (element.GetType() != BlueprintType::String || !ParseVector2(element.GetString(), point))
            all = false;
        points.push_back(point);
    }
    return all;
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
    const float degrees = value.radians * DegreesPerRadian;
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetString(FormatText("Degrees({})", degrees)); });
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
    const auto seconds = static_cast<float>(static_cast<double>(value.ticks) / 60.0);
    return StoreMember(writer, key, [&](Blueprint& member) { member.SetFloat(seconds); });
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
    if (!Parse(reader, "{} {}", x, y))
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
        ticks = static_cast<uint32_t>(value.GetInteger());
        return true;
    case BlueprintType::UnsignedInteger:
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
    float seconds = 0.0f;
    if (Parse(text, "{}_seconds", seconds))
        return TicksFromSeconds(seconds, ticks);
    int32_t count = 0;
    if (Parse(text, "{}_ticks", count))
    {
        ticks = static_cast<uint32_t>(count);
        return true;
    }
    float rate = 0.0f;
    if (Parse(text, "{}_hertz", rate))
        return rate > 0.0f && std::isfinite(rate) && TicksFromSeconds(1.0f / rate, ticks);
    return false;
}

} // namespace Lumvek
