#include "Source/World/Part.h"

#include "Source/Data/PartData.h"
#include "Source/World/Player.h"

#include <algorithm>
#include <memory>

namespace
{

// MaximumEnergy shared over the ticks that an effective rate attribute times a duration makes: a use
// of that many ticks empties a full part, a recharge of that many fills an empty one. Less than one
// tick (a product of 0, or below 0 when modifiers outweigh the base) spends or gives everything at
// once; the product is compared before it is converted, since a float beyond the integer's range
// does not convert.
uint32_t SharePerTick(float attribute, uint32_t ticks)
{
    const float product = attribute * static_cast<float>(ticks);
    if (!(product >= 1.0f))
        return Part::MaximumEnergy;
    if (product >= static_cast<float>(Part::MaximumEnergy + 1))
        return 0;
    return Part::MaximumEnergy / static_cast<uint32_t>(product);
}

} // namespace

std::unique_ptr<Head> HeadData::CreatePart() const
{
    return std::make_unique<Head>();
}

std::unique_ptr<Core> CoreData::CreatePart() const
{
    return std::make_unique<Core>();
}

std::unique_ptr<Arms> ArmsData::CreatePart() const
{
    return std::make_unique<Arms>();
}

std::unique_ptr<Legs> LegsData::CreatePart() const
{
    return std::make_unique<Legs>();
}

uint32_t Part::GetDischargePerTick() const
{
    if (data->energyRequirement == 0)
        return 0;
    return SharePerTick(owner->GetEffective(&Attributes::energyDischarge), data->energyDischargeTime.ticks);
}

uint32_t Part::GetRechargePerTick() const
{
    return SharePerTick(owner->GetEffective(&Attributes::energyRecharge), data->energyRechargeTime.ticks);
}

void Part::Update(float dt, bool isSelected, bool inUse)
{
    if (!isSelected && selected)
    {
        OnDeselected(selectedTime);
        selectedTime = 0.0f;
    }
    if (isSelected)
    {
        if (!selected)
            OnSelected(selectedTime);
        SelectedTick(selectedTime);
        selectedTime += dt;
    }
    selected = isSelected;

    if (inUse && !isSelected)
        return;
    if (inUse)
    {
        if (!discharging)
        {
            if (energy > data->energyRequirement)
            {
                // The requirement may lie below the amount: the payment stops at empty rather than
                // wrapping round to nearly endless energy.
                energy -= std::min(energy, data->energyDischargeAmount);
                OnUseStarted();
                discharging = true;
            }
            return;
        }
        const uint32_t drain = GetDischargePerTick();
        if (energy > drain)
        {
            energy -= drain;
            OnUsing();
            usedTime += dt;
            return;
        }
        energy = 0;
    }
    Recharge();
}

void Part::Recharge()
{
    if (discharging)
    {
        OnUseEnded();
        discharging = false;
        usedTime = 0.0f;
        rechargeDelay = static_cast<int32_t>(std::min<uint32_t>(data->energyRechargeTimeout.ticks, INT32_MAX));
        return;
    }
    if (rechargeDelay > 0)
    {
        --rechargeDelay;
        return;
    }
    energy = std::min(MaximumEnergy, energy + GetRechargePerTick());
}
