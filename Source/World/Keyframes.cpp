#include "Source/World/Keyframes.h"

#include "Engine/Foundation/Members.h"
#include "Source/World/Body.h"

using namespace Lumvek;

namespace
{

constexpr float Pi = 3.1415927f;

} // namespace

float BlendRotation(float from, float to, float factor)
{
    const float difference = from - to;
    if (difference >= Pi)
        to += TwoPi;
    else if (difference < -Pi)
        from += TwoPi;
    return WrapAngle(from + (to - from) * factor);
}

Keyframe Keyframe::Blend(const Keyframe& a, const Keyframe& b, float factor)
{
    Keyframe blended;
    blended.time = a.time + (b.time - a.time) * factor;
    blended.x = a.x + (b.x - a.x) * factor;
    blended.y = a.y + (b.y - a.y) * factor;
    blended.rotation = BlendRotation(a.rotation, b.rotation, factor);
    return blended;
}

uint32_t Keyframes::Insert(const Keyframe& key)
{
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i].time > key.time)
        {
            keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(i), key);
            return static_cast<uint32_t>(i);
        }
    keys.push_back(key);
    return static_cast<uint32_t>(keys.size() - 1);
}

Keyframe Timeline::Sample(const Keyframes& track, float t)
{
    const std::vector<Keyframe>& keys = track.keys;
    const size_t count = keys.size();
    if (count == 0)
        return Keyframe{t, 0.0f, 0.0f, 0.0f};
    size_t low = 0;
    for (size_t i = count; i-- > 0;)
        if (keys[i].time <= t)
        {
            low = i;
            break;
        }
    size_t high = count;
    for (size_t i = 0; i < count; ++i)
        if (keys[i].time >= t)
        {
            high = i;
            break;
        }
    if (high == count)
        low = high = count - 1;
    Keyframe sampled = keys[low];
    if (low != high)
    {
        const float span = keys[high].time - keys[low].time;
        // Keys out of order or of one time leave no span to divide by: the earlier key holds.
        const float factor = span > 0.0f ? (t - keys[low].time) / span : 0.0f;
        sampled = Keyframe::Blend(keys[low], keys[high], factor);
    }
    sampled.time = t;
    return sampled;
}

bool ReadMember(BlueprintReader& reader, StringView key, Keyframes& track)
{
    if (!reader.GetMember(key))
        return false;
    track.keys.clear();
    const Blueprint& member = reader.GetCurrent();
    if (member.GetType() != BlueprintType::Array)
    {
        reader.Pop();
        reader.Refuse(key, "a list of keys was expected");
        return false;
    }
    bool complete = true;
    track.keys.reserve(member.GetCount());
    for (uint32_t i = 0; reader.GetElement(i); ++i)
    {
        if (reader.GetCurrent().GetType() != BlueprintType::Object)
            reader.Refuse("", "a key of Time and Value was expected");
        Keyframe& keyframe = track.keys.emplace_back();
        bool read = ReadMember(reader, "Time", keyframe.time);
        if (read)
        {
            BoneTransform value;
            read = ReadMember(reader, "Value", value);
            keyframe.x = value.x;
            keyframe.y = value.y;
            keyframe.rotation = value.angle;
        }
        complete = complete && read;
        reader.Pop();
    }
    reader.Pop();
    return complete;
}

bool WriteMember(BlueprintWriter& writer, StringView key, const Keyframes& track)
{
    writer.PushMember(key);
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < track.keys.size(); ++i)
    {
        const Keyframe& keyframe = track.keys[i];
        writer.PushElement(i);
        WriteMember(writer, "Time", keyframe.time);
        writer.PushMember("Value");
        WriteMember(writer, "Position", Vector2(keyframe.x, keyframe.y));
        WriteMember(writer, "Rotation", Angle{keyframe.rotation});
        writer.Pop();
        writer.Pop();
    }
    writer.Pop();
    return true;
}
