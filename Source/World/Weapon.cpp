#include "Source/World/Weapon.h"

#include "Source/Data/WeaponData.h"

#include <memory>

std::unique_ptr<Weapon> WeaponData::Create() const
{
    return std::make_unique<Weapon>();
}

std::unique_ptr<Weapon> SniperRifleData::Create() const
{
    return std::make_unique<SniperRifle>();
}

std::unique_ptr<Weapon> GrenadeLauncherData::Create() const
{
    return std::make_unique<GrenadeLauncher>();
}
