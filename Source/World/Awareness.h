#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>

// One thing a player is aware of: another player it sees or hears, or a pickup or trigger highlighted
// for it. Kept in a list in each player record, in the order first noticed, and refreshed by the world
// at the end of every full tick. The heads-up display draws a marker for each entry, and deathmatch
// bots choose their targets among the players in the list.
struct AwarenessMarker
{
    enum Kind : uint32_t
    {
        PlayerKind = 0,
        WeaponPickupKind = 1,
        ItemPickupKind = 2,
        TriggerKind = 3,
    };

    // An entry is dropped this many seconds after it was last noticed.
    static constexpr float FadeSeconds = 3.0f;

    // The player index of a player, the entity id of a pickup or a trigger.
    uint64_t identifier = 0;
    uint32_t kind = PlayerKind;
    // Where the marker stands now, and where the thing was first noticed.
    Lumvek::Vector2 position;
    Lumvek::Vector2 firstPosition;
    // Seconds since the thing was last noticed.
    float age = 0.0f;
};

// Pickups and triggers carry who they are highlighted for: this value in both bytes is nobody.
constexpr uint8_t NoHighlight = 255;
