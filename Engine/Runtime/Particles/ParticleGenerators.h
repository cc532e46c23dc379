#pragma once

#include "Engine/Runtime/Particles/ParticleRules.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <cstdint>

// The generators: when an emitter's particles are born. Each advances the emitter clock of the state
// it runs on; the clock and the time of the next timed birth are the state's.
namespace Lumvek::Effects
{

// Count particles on the first advance after a reset, aged by that advance.
class BurstGenerator : public ParticleGenerator
{
public:
    void Generate(EmitterState& state, float elapsed) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    uint32_t count = 25;
};

// One particle every TimeBetweenEmissions seconds until the emitter's duration has passed; a looping
// emitter starts over.
class StreamGenerator : public ParticleGenerator
{
public:
    void Generate(EmitterState& state, float elapsed) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    // Seconds; 0.0001 or less emits nothing.
    float timeBetweenEmissions = 0.1f;
};

// A stream whose interval moves from the start value to the end value over the emitter's duration.
class InterpolateGenerator : public ParticleGenerator
{
public:
    void Generate(EmitterState& state, float elapsed) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    float startTimeBetweenEmissions = 0.1f;
    float endTimeBetweenEmissions = 0.0f;
};

// One particle per advance unless a draw in [0, 100) stays at or below ChanceToEmit: despite its
// name, the chance of a birth is 100 - ChanceToEmit per cent, which effect files are tuned to.
class RandomGenerator : public ParticleGenerator
{
public:
    void Generate(EmitterState& state, float elapsed) const override;
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    float chanceToEmit = 5.0f;
};

// Bursts at given times of the emitter clock: as the clock enters the span of key j (from its time
// to the next key's), Value particles are born once. The last key only closes the span before it.
class TimelineGenerator : public ParticleGenerator
{
public:
    // No key fired yet.
    static constexpr uint32_t None = 0xFFFFFFFFu;

    void Generate(EmitterState& state, float elapsed) const override;
    // The keys are the list "Keys" of {"Time", "Value"} objects.
    void Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;

    Timeline<uint8_t> keys;
};

} // namespace Lumvek::Effects
