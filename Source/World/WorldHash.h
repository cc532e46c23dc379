#pragma once

#include <cstdint>

class World;

// A 64-bit FNV-1a hash of what a tick decides in a world: the players' positions, velocities, health
// and states, the pickups, the projectiles, the moving platforms, and the scores the caller adds.
// Every float goes in as its exact bit pattern and every entity in its storage's order, so two worlds
// stepped through the same ticks from the same seed hash the same, and any drift shows at the tick it
// happens. Used to compare replays of a match; costs no allocation.
class WorldHash
{
public:
    static constexpr uint64_t OffsetBasis = 0xcbf29ce484222325ull;
    static constexpr uint64_t Prime = 0x100000001b3ull;

    // Adds the world's players (by index), pickups, projectiles and moving platforms.
    void AddWorld(const World& world);
    // Adds one score of a team or player list, in the list's order.
    void AddScore(uint8_t index, int32_t score);

    uint64_t Get() const { return value; }

private:
    void AddBytes(const void* data, uint32_t size);
    template <class T> void Add(T field) { AddBytes(&field, sizeof(field)); }
    void Add(float field);

    uint64_t value = OffsetBasis;
};
