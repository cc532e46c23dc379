#include "Engine/Foundation/Random.h"

#include <chrono>

namespace Lumvek
{

RandomGenerator::RandomGenerator() : engine(ClockSeed()) {}

uint32_t RandomGenerator::ClockSeed()
{
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return static_cast<uint32_t>(ticks) ^ static_cast<uint32_t>(static_cast<uint64_t>(ticks) >> 32);
}

} // namespace Lumvek
