#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>

class Player;

// One hit on a player: who caused it, how much health it takes, how it pushes, leans and shakes the
// player, where the debris of a kill flies and how hard the victim's controller rumbles. Filled by the
// world's hazards and bounds and by projectiles, and handed by reference to the game mode's damage and
// kill rules within the tick.
struct HitInfo
{
    // Where a hit landed; other values are contacts that are none of these.
    static constexpr uint32_t HeadZone = 3;
    static constexpr uint32_t BodyZone = 4;
    static constexpr uint32_t LimbZone = 5;

    // Null for a hit nobody caused; a kill without a shooter counts as a suicide.
    Player* shooter = nullptr;
    float damage = 0.0f;
    // Radians added to the player's flinch.
    float spin = 0.0f;
    // Added to the push waiting in the player's body.
    Lumvek::Vector2 impulse;
    // Added to the player's shake amplitude; the level and time raise its frequency and duration.
    float shake = 0.0f;
    float shakeLevel = 0.0f;
    float shakeTime = 0.0f;
    uint32_t zone = 0;
    // Radians: the direction the hit came from, which a kill's debris flies along, and how fast.
    float angle = 0.0f;
    float push = 0.0f;
    // The strengths of the two motors of the victim's controller.
    float firstRumble = 0.0f;
    float secondRumble = 0.0f;
};
