#pragma once

#include "Engine/Runtime/Particles/ParticleRules.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <array>
#include <cstdint>

// The initializers: one attribute of the newborn particles, by family (angle, colour, lifetime,
// position, rotation, scale, velocity) and by how the value is found. Interpolated and timeline
// values follow the emitter's progress through its duration, the same for every particle born in one
// advance; random values are drawn per particle and component, component by component. Position
// values are offsets from the birth point in units of the system's size, turned with the system
// unless the emitter is in local space.
namespace Lumvek::Effects
{

namespace InitializerDetail
{

// Stores one value per component into particles first to count - 1.
template <class Family> void Assign(EmitterState& state, uint32_t first, const typename Family::Value* values)
{
    if constexpr (Family::Offsets)
    {
        const float dx = values[0] * state.system->width;
        const float dy = values[1] * state.system->height;
        for (uint32_t i = first; i < state.count; ++i)
            state.system->Offset(state, i, dx, dy);
    }
    else
        for (uint32_t c = 0; c < Family::Components; ++c)
        {
            typename Family::Value* array = Family::Array(state, c);
            for (uint32_t i = first; i < state.count; ++i)
                array[i] = values[c];
        }
}

} // namespace InitializerDetail

template <class Family> class InterpolateInitializer : public ParticleInitializer
{
public:
    using Value = typename Family::Value;

    void Initialize(EmitterState& state, uint32_t first) const override
    {
        const float e = EmitterFraction(state);
        Value values[Family::Components];
        for (uint32_t c = 0; c < Family::Components; ++c)
            values[c] = Interpolate(pairs[c].from, pairs[c].to, e);
        InitializerDetail::Assign<Family>(state, first, values);
    }
    void Read(BlueprintReader& reader) override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            ReadPair(reader, Family::Keys[c], pairs[c]);
    }
    void Write(BlueprintWriter& writer) const override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            WritePair(writer, Family::Keys[c], pairs[c]);
    }

    std::array<ValuePair<Value>, Family::Components> pairs{};
};

template <class Family> class RandomInitializer : public ParticleInitializer
{
public:
    using Value = typename Family::Value;

    void Initialize(EmitterState& state, uint32_t first) const override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
        {
            Value* array = Family::Array(state, c);
            for (uint32_t i = first; i < state.count; ++i)
                array[i] = Draw(pairs[c].from, pairs[c].to, state.system->NextFraction());
        }
    }
    void Read(BlueprintReader& reader) override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            ReadPair(reader, Family::Keys[c], pairs[c]);
    }
    void Write(BlueprintWriter& writer) const override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            WritePair(writer, Family::Keys[c], pairs[c]);
    }

    std::array<ValuePair<Value>, Family::Components> pairs{};
};

template <class Family> class SetInitializer : public ParticleInitializer
{
public:
    using Value = typename Family::Value;

    void Initialize(EmitterState& state, uint32_t first) const override
    {
        InitializerDetail::Assign<Family>(state, first, values.data());
    }
    void Read(BlueprintReader& reader) override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            ReadValue(reader, Family::Keys[c], values[c]);
    }
    void Write(BlueprintWriter& writer) const override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            WriteValue(writer, Family::Keys[c], values[c]);
    }

    std::array<Value, Family::Components> values{};
};

// A timeline with fewer than two keys, or none after the emitter's progress, gives 0.
template <class Family> class TimelineInitializer : public ParticleInitializer
{
public:
    using Value = typename Family::Value;

    void Initialize(EmitterState& state, uint32_t first) const override
    {
        const float e = EmitterFraction(state);
        Value values[Family::Components];
        for (uint32_t c = 0; c < Family::Components; ++c)
        {
            values[c] = Value{};
            Evaluate(timelines[c], e, values[c]);
        }
        InitializerDetail::Assign<Family>(state, first, values);
    }
    void Read(BlueprintReader& reader) override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            ReadTimeline(reader, Family::Keys[c], timelines[c]);
    }
    void Write(BlueprintWriter& writer) const override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
            WriteTimeline(writer, Family::Keys[c], timelines[c]);
    }

    std::array<Timeline<Value>, Family::Components> timelines{};
};

class AngleInterpolateInitializer final : public InterpolateInitializer<AngleFamily>
{
};
class AngleRandomInitializer final : public RandomInitializer<AngleFamily>
{
};
class AngleSetInitializer final : public SetInitializer<AngleFamily>
{
};
class AngleTimelineInitializer final : public TimelineInitializer<AngleFamily>
{
};

// The direction of motion plus an offset, in degrees within one turn; still particles face the
// offset.
class AngleOrientInitializer final : public ParticleInitializer
{
public:
    void Initialize(EmitterState& state, uint32_t first) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    Angle offset;
};

class ColorInterpolateInitializer final : public InterpolateInitializer<ColorFamily>
{
};
class ColorRandomInitializer final : public RandomInitializer<ColorFamily>
{
};
class ColorSetInitializer final : public SetInitializer<ColorFamily>
{
};
class ColorTimelineInitializer final : public TimelineInitializer<ColorFamily>
{
};

class LifetimeInterpolateInitializer final : public InterpolateInitializer<LifetimeFamily>
{
};
class LifetimeRandomInitializer final : public RandomInitializer<LifetimeFamily>
{
};
class LifetimeSetInitializer final : public SetInitializer<LifetimeFamily>
{
};
class LifetimeTimelineInitializer final : public TimelineInitializer<LifetimeFamily>
{
};

class PositionInterpolateInitializer final : public InterpolateInitializer<PositionFamily>
{
};
class PositionSetInitializer final : public SetInitializer<PositionFamily>
{
};
class PositionTimelineInitializer final : public TimelineInitializer<PositionFamily>
{
};

// A point drawn in the rectangle from (left, bottom) to (right, top), in half sizes of the system:
// the defaults fill its whole area.
class PositionAreaInitializer final : public ParticleInitializer
{
public:
    void Initialize(EmitterState& state, uint32_t first) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    float left = -1.0f;
    float right = 1.0f;
    float bottom = -1.0f;
    float top = 1.0f;
};

// A point on the edge of the system's area, evenly spread along its length.
class PositionBorderInitializer final : public ParticleInitializer
{
public:
    void Initialize(EmitterState& state, uint32_t first) const override;
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

// A point evenly spread over the ellipse inscribed in the system's area.
class PositionCircleInitializer final : public ParticleInitializer
{
public:
    void Initialize(EmitterState& state, uint32_t first) const override;
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

// A point on the ellipse inscribed in the system's area.
class PositionRingInitializer final : public ParticleInitializer
{
public:
    void Initialize(EmitterState& state, uint32_t first) const override;
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

class RotationInterpolateInitializer final : public InterpolateInitializer<RotationFamily>
{
};
class RotationRandomInitializer final : public RandomInitializer<RotationFamily>
{
};
class RotationSetInitializer final : public SetInitializer<RotationFamily>
{
};
class RotationTimelineInitializer final : public TimelineInitializer<RotationFamily>
{
};

class ScaleInterpolateInitializer final : public InterpolateInitializer<ScaleFamily>
{
};
class ScaleRandomInitializer final : public RandomInitializer<ScaleFamily>
{
};
class ScaleSetInitializer final : public SetInitializer<ScaleFamily>
{
};
class ScaleTimelineInitializer final : public TimelineInitializer<ScaleFamily>
{
};

class VelocityInterpolateInitializer final : public InterpolateInitializer<VelocityFamily>
{
};
class VelocityRandomInitializer final : public RandomInitializer<VelocityFamily>
{
};
class VelocitySetInitializer final : public SetInitializer<VelocityFamily>
{
};
class VelocityTimelineInitializer final : public TimelineInitializer<VelocityFamily>
{
};

// A speed drawn in a range along a direction drawn in a range of degrees, 0 along +y and 90 along
// +x. The particle is moved on by its age, to where it would be had it been born when it fell due.
class VelocityDirectionInitializer final : public ParticleInitializer
{
public:
    void Initialize(EmitterState& state, uint32_t first) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    ValuePair<float> speed;
    ValuePair<float> angle;
};

} // namespace Lumvek::Effects
