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
    value = static_cast<uint8_t>(number > 255 ? 255 : number);
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

// The member key of the reader's current object when it has the type; null otherwise.
const Blueprint* FindMember(const BlueprintReader& reader, StringView key, BlueprintType type)
{
    const Blueprint* member = reader.GetCurrent().GetObject().Find(key);
    return member && member->GetType() == type ? member : nullptr;
}

template <class V> void ReadPairOf(BlueprintReader& reader, StringView key, ValuePair<V>& pair)
{
    if (const Blueprint* member = FindMember(reader, key, BlueprintType::Object))
    {
        BlueprintReader inner(*member);
        ReadNumber(inner, "From", pair.from);
        ReadNumber(inner, "To", pair.to);
    }
}

template <class V> void ReadValueOf(BlueprintReader& reader, StringView key, V& value)
{
    if (const Blueprint* member = FindMember(reader, key, BlueprintType::Object))
    {
        BlueprintReader inner(*member);
        ReadNumber(inner, "Value", value);
    }
}

// Elements that are not objects are skipped; a key's missing parts are 0.
template <class V> void ReadTimelineOf(BlueprintReader& reader, StringView key, Timeline<V>& keys)
{
    const Blueprint* member = FindMember(reader, key, BlueprintType::Array);
    if (!member)
        return;
    keys.clear();
    for (uint32_t i = 0; i < member->GetCount(); ++i)
    {
        const Blueprint& element = member->GetElement(i);
        if (element.GetType() != BlueprintType::Object)
            continue;
        BlueprintReader inner(element);
        TimelineKey<V> timelineKey;
        ReadNumber(inner, "Time", timelineKey.time);
        ReadNumber(inner, "Value", timelineKey.value);
        keys.push_back(timelineKey);
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
