#pragma once

#include "Engine/Runtime/Particles/ParticleRules.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <array>
#include <cstdint>

// The updaters: one attribute of the live particles, every advance. Interpolated and timeline values
// follow each particle's progress through its life; positions are set in the particle's own space.
namespace Lumvek::Effects
{

template <class Family> class InterpolateUpdater : public ParticleUpdater
{
public:
    using Value = typename Family::Value;

    void Update(EmitterState& state, uint32_t first, float) const override
    {
        // Each particle's fraction, a division, is found once for all components. Everything the
        // loop reads is held in locals: stores of channel bytes may alias anything, which would
        // otherwise reload the count and the pointers for every particle.
        const uint32_t count = state.count;
        const float* age = state.age.data();
        const float* lifetime = state.lifetime.data();
        Value* arrays[Family::Components];
        ValuePair<Value> ends[Family::Components];
        for (uint32_t c = 0; c < Family::Components; ++c)
        {
            arrays[c] = Family::Array(state, c);
            ends[c] = pairs[c];
        }
        for (uint32_t i = first; i < count; ++i)
        {
            const float f = LifeFraction(age[i], lifetime[i]);
            for (uint32_t c = 0; c < Family::Components; ++c)
                arrays[c][i] = Interpolate(ends[c].from, ends[c].to, f);
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

// A timeline with fewer than two keys, or none after a particle's progress, leaves it alone.
template <class Family> class TimelineUpdater : public ParticleUpdater
{
public:
    using Value = typename Family::Value;

    void Update(EmitterState& state, uint32_t first, float) const override
    {
        for (uint32_t c = 0; c < Family::Components; ++c)
        {
            if (timelines[c].size() < 2)
                continue;
            Value* array = Family::Array(state, c);
            const uint32_t count = state.count;
            for (uint32_t i = first; i < count; ++i)
                Evaluate(timelines[c], LifeFraction(state, i), array[i]);
        }
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

class AngleInterpolateUpdater final : public InterpolateUpdater<AngleFamily>
{
};
class AngleTimelineUpdater final : public TimelineUpdater<AngleFamily>
{
};

// Turns each particle by its rotation speed.
class AngleMotionUpdater final : public ParticleUpdater
{
public:
    void Update(EmitterState& state, uint32_t first, float elapsed) const override;
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

class ColorInterpolateUpdater final : public InterpolateUpdater<ColorFamily>
{
};
class ColorTimelineUpdater final : public TimelineUpdater<ColorFamily>
{
};

class PositionInterpolateUpdater final : public InterpolateUpdater<PositionFamily>
{
};
class PositionTimelineUpdater final : public TimelineUpdater<PositionFamily>
{
};

// Moves each particle by its velocity, then keeps it inside the circle of half the system's width
// around the system (the origin in local space) or, without the circle, inside the system's area.
class PositionMotionUpdater final : public ParticleUpdater
{
public:
    void Update(EmitterState& state, uint32_t first, float elapsed) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    bool confineToCircle = false;
    bool confineToBounds = false;
};

class RotationInterpolateUpdater final : public InterpolateUpdater<RotationFamily>
{
};
class RotationTimelineUpdater final : public TimelineUpdater<RotationFamily>
{
};

class ScaleInterpolateUpdater final : public InterpolateUpdater<ScaleFamily>
{
};
class ScaleTimelineUpdater final : public TimelineUpdater<ScaleFamily>
{
};

class VelocityInterpolateUpdater final : public InterpolateUpdater<VelocityFamily>
{
};
class VelocityTimelineUpdater final : public TimelineUpdater<VelocityFamily>
{
};

} // namespace Lumvek::Effects
