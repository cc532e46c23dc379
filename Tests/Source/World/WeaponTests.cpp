#include "Source/World/Weapon.h"

#include "Source/Data/WeaponData.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

TEST(Weapon, EachDefinitionMakesItsKindWithNoAmmunitionAndNoOwner)
{
    const WeaponData plain;
    const SniperRifleData rifle;
    const GrenadeLauncherData launcher;
    std::unique_ptr<Weapon> weapons[] = {plain.Create(), rifle.Create(), launcher.Create()};
    const auto& first = *weapons[0];
    const auto& second = *weapons[1];
    const auto& third = *weapons[2];
    EXPECT_EQ(typeid(first), typeid(Weapon));
    EXPECT_EQ(typeid(second), typeid(SniperRifle));
    EXPECT_EQ(typeid(third), typeid(GrenadeLauncher));
    for (const std::unique_ptr<Weapon>& weapon : weapons)
    {
        EXPECT_EQ(std::tie(weapon->data, weapon->owner), std::make_tuple(nullptr, nullptr));
        EXPECT_EQ(std::tie(weapon->clip, weapon->reserve), std::make_tuple(0u, 0u));
        // A weapon made outside a weapon spawn has no spawn to go back to.
        EXPECT_EQ(std::tie(weapon->spawnSlot, weapon->spawnNumber), std::make_tuple(Weapon::NoSpawn, Weapon::NoSpawn));
    }
    EXPECT_EQ(static_cast<SniperRifle&>(*weapons[1]).laser, 0xFFFFu);
    EXPECT_EQ(static_cast<GrenadeLauncher&>(*weapons[2]).charge, 0);
}
