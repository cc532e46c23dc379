#pragma once

#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

// What the particle rules share: the value kinds they are read and written in, the attribute
// families they work on, and the registries that make them by type name.
namespace Lumvek::Effects
{

constexpr float RadiansPerDegree = 0.017453292f;
constexpr float DegreesPerRadian = 57.29578f;
constexpr float FullTurn = 6.2831855f;

// A value interpolated or drawn between two ends.
template <class V> struct ValuePair
{
    V from{};
    V to{};

    bool operator==(const ValuePair&) const = default;
};

// One key of a timeline; keys stay in file order.
template <class V> struct TimelineKey
{
    float time = 0.0f;
    V value{};

    bool operator==(const TimelineKey&) const = default;
};

template <class V> using Timeline = std::vector<TimelineKey<V>>;

// Float arithmetic into a colour channel: NaN gives 0 and values past the ends stop there. These run
// for every particle of every frame, so they stay inline and off the maths library.
inline uint8_t ToChannel(float value)
{
    if (!(value > 0.0f))
        return 0;
    return value >= 255.0f ? 255 : static_cast<uint8_t>(value);
}

// from + (to - from) * t.
inline float Interpolate(float from, float to, float t)
{
    return from + (to - from) * t;
}

// from + truncate(t * (to - from)): truncated before it is added, so that a fall from 255 at a half
// keeps the upper value (128).
inline uint8_t Interpolate(uint8_t from, uint8_t to, float t)
{
    float delta = t * (float(to) - float(from));
    if (delta != delta)
        return 0;
    // Held within a byte's reach first: converting a float beyond an int's range is undefined.
    delta = delta < -255.0f ? -255.0f : (delta > 255.0f ? 255.0f : delta);
    const int value = int(from) + static_cast<int>(delta);
    return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// from + (to - from) * u.
inline float Draw(float from, float to, float u)
{
    return from + (to - from) * u;
}

// The same for a channel, rounded to the nearest value (halves up).
inline uint8_t Draw(uint8_t from, uint8_t to, float u)
{
    return ToChannel(float(from) + (float(to) - float(from)) * u + 0.5f);
}

// The timeline at t: false with fewer than two keys or when no key lies after t. Otherwise the
// segment ending at the first key after t (from key 1 on) gives the value, extrapolated before the
// first key; a segment of zero length gives its first key's value.
template <class V> bool Evaluate(const Timeline<V>& keys, float t, V& value)
{
    if (keys.size() < 2)
        return false;
    for (size_t k = 1; k < keys.size(); ++k)
        if (keys[k].time > t)
        {
            const TimelineKey<V>& a = keys[k - 1];
            const TimelineKey<V>& b = keys[k];
            const float length = b.time - a.time;
            value = length != 0.0f ? Interpolate(a.value, b.value, (t - a.time) / length) : a.value;
            return true;
        }
    return false;
}

// File forms, each under a key of the reader's current object: {"From", "To"}, {"Value"} and a list
// of {"Time", "Value"}. Floats take Numbers, channels UnsignedIntegers up to 255. A missing key keeps
// the value; one of the wrong form or out of range keeps it too, and is reported to the reader's report.
void ReadPair(BlueprintReader& reader, StringView key, ValuePair<float>& pair);
void ReadPair(BlueprintReader& reader, StringView key, ValuePair<uint8_t>& pair);
void ReadValue(BlueprintReader& reader, StringView key, float& value);
void ReadValue(BlueprintReader& reader, StringView key, uint8_t& value);
void ReadTimeline(BlueprintReader& reader, StringView key, Timeline<float>& keys);
void ReadTimeline(BlueprintReader& reader, StringView key, Timeline<uint8_t>& keys);
void WritePair(BlueprintWriter& writer, StringView key, const ValuePair<float>& pair);
void WritePair(BlueprintWriter& writer, StringView key, const ValuePair<uint8_t>& pair);
void WriteValue(BlueprintWriter& writer, StringView key, float value);
void WriteValue(BlueprintWriter& writer, StringView key, uint8_t value);
void WriteTimeline(BlueprintWriter& writer, StringView key, const Timeline<float>& keys);
void WriteTimeline(BlueprintWriter& writer, StringView key, const Timeline<uint8_t>& keys);

// The attribute families: their components, the keys those are written under and the arrays they
// live in. Position values are offsets scaled by the system's size when they initialise.
struct AngleFamily
{
    using Value = float;
    static constexpr uint32_t Components = 1;
    static constexpr StringView Keys[Components] = {"Angle"};
    static constexpr bool Offsets = false;
    static Value* Array(EmitterState& state, uint32_t) { return state.angle.data(); }
};

struct RotationFamily
{
    using Value = float;
    static constexpr uint32_t Components = 1;
    static constexpr StringView Keys[Components] = {"Rotation"};
    static constexpr bool Offsets = false;
    static Value* Array(EmitterState& state, uint32_t) { return state.rotation.data(); }
};

struct LifetimeFamily
{
    using Value = float;
    static constexpr uint32_t Components = 1;
    static constexpr StringView Keys[Components] = {"Lifetime"};
    static constexpr bool Offsets = false;
    static Value* Array(EmitterState& state, uint32_t) { return state.lifetime.data(); }
};

struct ColorFamily
{
    using Value = uint8_t;
    static constexpr uint32_t Components = 4;
    static constexpr StringView Keys[Components] = {"Red", "Green", "Blue", "Alpha"};
    static constexpr bool Offsets = false;
    static Value* Array(EmitterState& state, uint32_t component)
    {
        switch (component)
        {
        case 0:
            return state.red.data();
        case 1:
            return state.green.data();
        case 2:
            return state.blue.data();
        default:
            return state.alpha.data();
        }
    }
};

struct PositionFamily
{
    using Value = float;
    static constexpr uint32_t Components = 2;
    static constexpr StringView Keys[Components] = {"X", "Y"};
    static constexpr bool Offsets = true;
    static Value* Array(EmitterState& state, uint32_t component)
    {
        return component == 0 ? state.x.data() : state.y.data();
    }
};

struct ScaleFamily
{
    using Value = float;
    static constexpr uint32_t Components = 2;
    static constexpr StringView Keys[Components] = {"Width", "Height"};
    static constexpr bool Offsets = false;
    static Value* Array(EmitterState& state, uint32_t component)
    {
        return component == 0 ? state.scaleX.data() : state.scaleY.data();
    }
};

struct VelocityFamily
{
    using Value = float;
    static constexpr uint32_t Components = 2;
    static constexpr StringView Keys[Components] = {"VelocityX", "VelocityY"};
    static constexpr bool Offsets = false;
    static Value* Array(EmitterState& state, uint32_t component)
    {
        return component == 0 ? state.velocityX.data() : state.velocityY.data();
    }
};

// The rule types of one kind by name, in registry order. Filled once from a fixed table.
template <class Base> class RuleRegistry
{
public:
    struct Entry
    {
        StringView name;
        const std::type_info* type;
        std::unique_ptr<Base> (*create)();
    };

    template <class T> static Entry Make(StringView name)
    {
        return {name, &typeid(T), []() -> std::unique_ptr<Base> { return std::make_unique<T>(); }};
    }

    RuleRegistry(std::initializer_list<Entry> list) : entries(list)
    {
        for (uint32_t i = 0; i < entries.size(); ++i)
            index.emplace(entries[i].name.ToStdView(), i);
    }

    std::unique_ptr<Base> Create(StringView name) const
    {
        auto found = index.find(name.ToStdView());
        return found == index.end() ? nullptr : entries[found->second].create();
    }
    StringView GetName(const Base& rule) const
    {
        for (const Entry& entry : entries)
            if (*entry.type == typeid(rule))
                return entry.name;
        return StringView();
    }
    std::vector<StringView> GetNames() const
    {
        std::vector<StringView> names;
        for (const Entry& entry : entries)
            names.push_back(entry.name);
        return names;
    }

private:
    std::vector<Entry> entries;
    std::unordered_map<std::string_view, uint32_t> index;
};

} // namespace Lumvek::Effects
