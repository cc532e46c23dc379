#include "Engine/Runtime/Particles/ParticleRules.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Members.h"

namespace Lumvek::Effects
{

namespace
{

bool ReadNumber(BlueprintReader& reader, StringView key, float& value)
{
    return ReadMember(reader, key, value);
}

bool ReadNumber(BlueprintReader& reader, StringView key, uint8_t& value)
{
    uint32_t number = 0;
    if (!ReadMember(reader, key, number))
        return false;
    if (number > 255)
    {
        reader.Refuse(key, "above 255");
        return false;
    }
    value = static_cast<uint8_t>(number);
    return true;
}

void WriteNumber(BlueprintWriter& writer, StringView key, float value)
{
    WriteMember(writer, key, value);
}

void WriteNumber(BlueprintWriter& writer, StringView key, uint8_t value)
{
    WriteMember(writer, key, uint32_t(value));
}

// Enters the member key of the reader's current object when it is there; one of another type than
// the one asked for is reported (as what), and not entered.
bool EnterMember(BlueprintReader& reader, StringView key, BlueprintType type, StringView what)
{
    if (!reader.GetMember(key))
        return false;
    if (reader.GetCurrent().GetType() == type)
        return true;
    reader.Pop();
    reader.Refuse(key, what);
    return false;
}

template <class V> void ReadPairOf(BlueprintReader& reader, StringView key, ValuePair<V>& pair)
{
    if (!EnterMember(reader, key, BlueprintType::Object, "an object of From and To was expected"))
        return;
    ReadNumber(reader, "From", pair.from);
    ReadNumber(reader, "To", pair.to);
    reader.Pop();
}

template <class V> void ReadValueOf(BlueprintReader& reader, StringView key, V& value)
{
    if (!EnterMember(reader, key, BlueprintType::Object, "an object of Value was expected"))
        return;
    ReadNumber(reader, "Value", value);
    reader.Pop();
}

// A key's missing parts are 0.
template <class V> void ReadTimelineOf(BlueprintReader& reader, StringView key, Timeline<V>& keys)
{
    if (!EnterMember(reader, key, BlueprintType::Array, "a list of keys was expected"))
        return;
    keys.clear();
    std::vector<bool> refused;
    for (uint32_t i = 0; reader.GetElement(i); ++i)
    {
        TimelineKey<V>& timelineKey = keys.emplace_back();
        refused.push_back(reader.GetCurrent().GetType() != BlueprintType::Object);
        if (refused.back())
            reader.Refuse("", "a key of Time and Value was expected");
        else
        {
            ReadNumber(reader, "Time", timelineKey.time);
            ReadNumber(reader, "Value", timelineKey.value);
        }
        reader.Pop();
    }
    reader.Pop();
    // A key that was not read keeps its place, so that edits of the keys around it cannot drop it from
    // the file, as a copy of the key before it (the first, of the next key read): a segment of zero
    // length, which plays as if it were not there.
    for (size_t i = 0; i < keys.size(); ++i)
        if (refused[i] && i > 0)
            keys[i] = keys[i - 1];
        else if (refused[i])
            for (size_t next = 1; next < keys.size(); ++next)
                if (!refused[next])
                {
                    keys[i] = keys[next];
                    break;
                }
}

template <class V> void WritePairOf(BlueprintWriter& writer, StringView key, const ValuePair<V>& pair)
{
    writer.PushMember(key);
    WriteNumber(writer, "From", pair.from);
    WriteNumber(writer, "To", pair.to);
    writer.Pop();
}

template <class V> void WriteValueOf(BlueprintWriter& writer, StringView key, V value)
{
    writer.PushMember(key);
    WriteNumber(writer, "Value", value);
    writer.Pop();
}

template <class V> void WriteTimelineOf(BlueprintWriter& writer, StringView key, const Timeline<V>& keys)
{
    writer.PushMember(key);
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < keys.size(); ++i)
    {
        writer.PushElement(i);
        WriteNumber(writer, "Time", keys[i].time);
        WriteNumber(writer, "Value", keys[i].value);
        writer.Pop();
    }
    writer.Pop();
}

} // namespace

void ReadPair(BlueprintReader& reader, StringView key, ValuePair<float>& pair)
{
    ReadPairOf(reader, key, pair);
}

void ReadPair(BlueprintReader& reader, StringView key, ValuePair<uint8_t>& pair)
{
    ReadPairOf(reader, key, pair);
}

void ReadValue(BlueprintReader& reader, StringView key, float& value)
{
    ReadValueOf(reader, key, value);
}

void ReadValue(BlueprintReader& reader, StringView key, uint8_t& value)
{
    ReadValueOf(reader, key, value);
}

void ReadTimeline(BlueprintReader& reader, StringView key, Timeline<float>& keys)
{
    ReadTimelineOf(reader, key, keys);
}

void ReadTimeline(BlueprintReader& reader, StringView key, Timeline<uint8_t>& keys)
{
    ReadTimelineOf(reader, key, keys);
}

void WritePair(BlueprintWriter& writer, StringView key, const ValuePair<float>& pair)
{
    WritePairOf(writer, key, pair);
}

void WritePair(BlueprintWriter& writer, StringView key, const ValuePair<uint8_t>& pair)
{
    WritePairOf(writer, key, pair);
}

void WriteValue(BlueprintWriter& writer, StringView key, float value)
{
    WriteValueOf(writer, key, value);
}

void WriteValue(BlueprintWriter& writer, StringView key, uint8_t value)
{
    WriteValueOf(writer, key, value);
}

void WriteTimeline(BlueprintWriter& writer, StringView key, const Timeline<float>& keys)
{
    WriteTimelineOf(writer, key, keys);
}

void WriteTimeline(BlueprintWriter& writer, StringView key, const Timeline<uint8_t>& keys)
{
    WriteTimelineOf(writer, key, keys);
}

} // namespace Lumvek::Effects
