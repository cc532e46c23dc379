#pragma once

#include <cstdint>

class PartData;
class Player;

// A part a player wears, made by its definition when a loadout is applied and owned by the player.
// Its energy pays for the part's ability: a use starts only above the definition's requirement, pays
// the discharge amount at once and drains every tick until the button is let go or the energy runs
// out; then the part waits its recharge timeout and recharges up to MaximumEnergy. The special parts
// act through the hooks below. Application thread only.
class Part
{
public:
    static constexpr uint32_t MaximumEnergy = 1000;

    Part() = default;
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;
    virtual ~Part() = default;

    // Called once the part belongs to its owner and the owner's rig is built.
    virtual void Attach() {}
    // Every tick while the part is the selected ability, with the seconds it has been selected.
    virtual void SelectedTick(float) {}
    // The selection and energy rules of one tick. inUse is set while the use button is held and the
    // part is the selected ability.
    virtual void Update(float dt, bool isSelected, bool inUse);
    // The per-frame visual update.
    virtual void Animate(float) {}
    virtual void OnSelected(float) {}
    virtual void OnDeselected(float) {}
    virtual void OnUseStarted() {}
    // Every tick of a use after the first.
    virtual void OnUsing() {}
    virtual void OnUseEnded() {}

    // The energy one tick of use costs, and the energy one tick of recharging gives.
    uint32_t GetDischargePerTick() const;
    uint32_t GetRechargePerTick() const;

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

private:
    // Ends the use under way, or recharges.
    void Recharge();
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
