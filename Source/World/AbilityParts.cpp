#include "Source/World/AbilityParts.h"

#include "Source/Data/AbilityPartData.h"

#include <memory>

std::unique_ptr<Head> HelicopterHatData::CreatePart() const
{
    return std::make_unique<HelicopterHat>();
}

std::unique_ptr<Core> AmmoBeltData::CreatePart() const
{
    return std::make_unique<AmmoBelt>();
}

std::unique_ptr<Core> JetpackData::CreatePart() const
{
    return std::make_unique<Jetpack>();
}

std::unique_ptr<Legs> BonusHitopsData::CreatePart() const
{
    return std::make_unique<BonusHitops>();
}

std::unique_ptr<Legs> SpaceBootsData::CreatePart() const
{
    return std::make_unique<SpaceBoots>();
}
