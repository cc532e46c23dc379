#pragma once

#include "Source/World/World.h"

#include <array>
#include <cstdint>

class GameType;
class World;

// What a local run's match amounted to, kept tick by tick and logged when the run stops: how far each
// player went, how often it fired and killed, and the most visuals the world held at once. Owned by
// the game system; application thread only.
class MatchRecord
{
public:
    // Forgets the last match.
    void Clear();
    // After each tick of the match, up to the one that ends it.
    void Tick(const World& world, const GameType* gameType);
    // A line for the visuals and one for each player the match had.
    void Log() const;
    // The ticks up to and including the one in which the match ended: the scoreboard's are not counted.
    uint64_t GetTicks() const { return ticks; }

private:
    struct PlayerRecord
    {
        bool seen = false;
        // Where it stood after the last tick, while it took part.
        bool active = false;
        float x = 0.0f;
        float y = 0.0f;
        // The player's count of shots fired as last seen.
        uint32_t fired = 0;
        double travelled = 0.0;
        uint32_t shots = 0;
        uint32_t kills = 0;
    };

    std::array<PlayerRecord, World::PlayerCount> players{};
    uint32_t peakVisuals = 0;
    uint64_t ticks = 0;
    // Set by the tick in which the match ended: later ticks add nothing.
    bool closed = false;
};
