#pragma once

#include "Engine/Foundation/Resource.h"
#include "Source/World/Part.h"

#include <cstdint>

class Bone;

// The run-time parts of the special part definitions, each the part kind it is worn as. Their sounds
// are played by id; -1 means none is playing.

class HelicopterHat final : public Head
{
public:
    uint32_t sound = Lumvek::InvalidId;
    uint32_t voice = Lumvek::InvalidId;
    // The rig node that shows the blade frames; the wearer's rig owns it.
    Bone* hatNode = nullptr;
    // Seconds per blade frame.
    float frameTime = 0.0f;
    uint32_t frame = 0;
    // The blades run their frames forwards and backwards in turn.
    bool reverse = false;
    float accumulatedTime = 0.0f;
};

class AmmoBelt final : public Core
{
};

class Jetpack final : public Core
{
public:
    uint32_t sound = Lumvek::InvalidId;
    uint32_t voice = Lumvek::InvalidId;
    // The world entity showing the trail while the jetpack is selected; 0 for none.
    uint16_t trail = 0;
};

class BonusHitops final : public Legs
{
public:
    uint32_t sound = Lumvek::InvalidId;
    uint32_t voice = Lumvek::InvalidId;
    // Whether the boost of the current use was applied, so that ending it removes exactly that.
    bool boosted = false;
};

class SpaceBoots final : public Legs
{
public:
    // Cleared by the jump in the air, set again on touching ground; new boots may jump at once.
    bool armed = true;
};
