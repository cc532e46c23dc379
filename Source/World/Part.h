#pragma once

#include <cstdint>

class PartData;
class Player;

// A part a player wears, made by its definition when a loadout is applied and owned by the player.
// Its energy pays for the part's ability: a use starts only above the definition's requirement, and
// the part recharges up to MaximumEnergy between uses.
class Part
{
public:
    static constexpr uint32_t MaximumEnergy = 1000;

    Part() = default;
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;
    virtual ~Part() = default;

    // The wearer and the definition, set by whoever takes the new part.
    Player* owner = nullptr;
    // Seconds the part has been the selected ability; 0 while it is not.
    float selectedTime = 0.0f;
    // Seconds of the current use; 0 between uses.
    float usedTime = 0.0f;
    uint32_t energy = MaximumEnergy;
    // Ticks left before recharging starts after a use.
    int32_t rechargeDelay = 0;
    // Whether the part was selected at the last update.
    bool selected = false;
    // Set while the ability is in use.
    bool discharging = false;
    const PartData* data = nullptr;
};

class Head : public Part
{
};

class Core : public Part
{
};

class Arms : public Part
{
};

class Legs : public Part
{
};
