#pragma once

#include <cstdint>
#include <random>

namespace Lumvek
{

// The game's source of random draws: a Mersenne Twister seeded from the clock, or from a given seed
// so that a match can be replayed draw for draw. Each owner (a match's game mode, its bots) keeps its
// own; code that takes std::mt19937& is handed the engine inside.
class RandomGenerator
{
public:
    // Seeded from the clock.
    RandomGenerator();
    explicit RandomGenerator(uint32_t seed) : engine(seed) {}

    // A seed from the clock, for generators whose draws need not repeat.
    static uint32_t ClockSeed();

    void Seed(uint32_t seed) { engine.seed(seed); }
    uint32_t Next() { return static_cast<uint32_t>(engine()); }
    // A draw times 2^-32 in float arithmetic: [0, 1), except that the very largest draws round to 1.
    float NextFraction() { return static_cast<float>(Next()) * 2.3283064e-10f; }
    // A draw scaled into [low, high) the same way.
    float NextRange(float low, float high)
    {
        return static_cast<float>(Next()) * ((high - low) * 2.3283064e-10f) + low;
    }

    std::mt19937 engine;
};

} // namespace Lumvek
