#include "Source/Data/WeaponData.h"

#include "Source/Data/ProjectileData.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DefinitionTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::InvalidId;
using Lumvek::Testing::LogCapture;

namespace
{

// A registry holding the projectile "Bolt", for weapons to fire.
class WeaponFolder : public LoadingFolder
{
public:
    WeaponFolder()
    {
        WriteList("Projectiles", {"Bolt"});
        WriteDefinition("Projectiles", "Bolt", R"({"DataType": "LinearProjectile"})");
        registry.projectiles.Load();
    }

    template <class T> void ReadWeapon(T& weapon, const std::string& name, const std::string& json)
    {
        Attach(weapon, name);
        ReadDefinition(weapon, json);
    }
};

// The words of the text, in order.
std::vector<std::string> Keys(const std::string& text)
{
    std::vector<std::string> keys;
    std::istringstream words(text);
    for (std::string word; words >> word;)
        keys.push_back(word);
    return keys;
}

} // namespace

TEST(WeaponData, AWeaponWithOnlyItsProjectileHasEveryDefault)
{
    WeaponFolder folder;
    WeaponData weapon;
    LogCapture log;
    folder.ReadWeapon(weapon, "Rifle", R"({"DataType": "Weapon", "Projectile": "Bolt"})");
    EXPECT_TRUE(log.messages.empty());
    EXPECT_EQ(weapon.projectile, folder.registry.projectiles.Find("Bolt"));
    WeaponData defaults;
    defaults.projectile = weapon.projectile;
    EXPECT_EQ(Written(weapon), Written(defaults));
    // Even the bounce lifetime that never ends survives being written as seconds.
    ExpectRoundTrip(weapon);
}

TEST(WeaponData, DurationsAndZoomLevelsTakeEveryFormTheFilesUse)
{
    struct Case
    {
        const char* reloadTime;
        uint32_t ticks;
    };
    const Case durations[] = {
        {"1.5", 90},
        {"90", 90},
        {"\"90_ticks\"", 90},
        // Mistyped and negative values keep the default.
        {"true", 120},
        {"-1.0", 120},
    };
    for (const Case& test : durations)
    {
        SCOPED_TRACE(test.reloadTime);
        WeaponData weapon;
        ReadDefinition(weapon, std::string(R"({"ReloadTime": )") + test.reloadTime + "}");
        EXPECT_EQ(weapon.reloadTime.ticks, test.ticks);
    }

    struct ZoomCase
    {
        const char* zoomLevels;
        std::vector<float> levels;
        std::vector<const char*> refused;
    };
    const ZoomCase zooms[] = {
        {"[1.0, 2.5, 3]", {1.0f, 2.5f, 3.0f}, {}},
        // Each level the weapon cannot use is left out, and the others are kept as read.
        {"[1.0, 1e39, 2.4]", {1.0f, 2.4f}, {"element 1 holds 1e+39"}},
        // The list is named once, with its first level no scope can use.
        {"[-3.0, 1.6, 0, \"x\"]", {1.6f}, {"element 0 holds -3"}},
        // No list at all: the levels are kept.
        {"\"1.0\"", {9.0f}, {"an array of numbers was expected"}},
    };
    for (const ZoomCase& test : zooms)
    {
        SCOPED_TRACE(test.zoomLevels);
        WeaponData weapon;
        weapon.name = "Scoped";
        weapon.zoomLevels = {9.0f};
        LogCapture log;
        ReadDefinition(weapon, std::string(R"({"ZoomLevels": )") + test.zoomLevels + "}");
        EXPECT_EQ(weapon.zoomLevels, test.levels);
        const std::vector<std::string> messages = log.StartingWith("ZoomLevels holds ");
        ASSERT_EQ(messages.size(), test.refused.size());
        for (size_t i = 0; i < messages.size(); ++i)
            EXPECT_NE(messages[i].find(test.refused[i]), std::string::npos) << messages[i];
        ExpectRoundTrip(weapon);
    }
}

TEST(WeaponData, WritesEveryKeyInReadingOrderWithTheKindsKeysLast)
{
    WeaponFolder folder;
    SniperRifleData rifle;
    folder.ReadWeapon(rifle, "Longshot", R"({"Projectile": "Bolt", "LaserLength": 30.0, "ZoomLevels": [1.0, 2.0]})");
    const std::vector<std::string> weaponKeys = Keys(
        "DataType AutoRateOfFire SemiRateOfFire MaxAmmo ClipSize DefaultAmmo BulletCount ReloadTime PutAwayTime "
        "TakeOutTime ZoomLevels Spread Recoil FireNoise AimRadius Size StowedSize Offset MuzzleOffset OptimalDistance "
        "MaxDistance Shape Projectile ContactDamage Knockback Speed SpeedVariance Gravity Lifetime "
        "InnerExplosionRadius OuterExplosionRadius ExplosionDamage ExplosionImpulse");
    // An all-zero modifier set is left out.
    std::vector<std::string> keys = weaponKeys;
    keys.insert(keys.end(), {"LaserLength", "LaserWidth"});
    EXPECT_EQ(MemberNames(Written(rifle)), keys);
    EXPECT_EQ(Written(rifle).GetObject().Find("DataType")->GetString(), StringView("SniperRifle"));
    EXPECT_EQ(Written(rifle).GetObject().Find("LaserLength")->GetNumber(), 30.0);
    // The default bounce lifetime, "never cut short", has no seconds to be written as.
    rifle.bounceLifetime.ticks = 30;
    EXPECT_EQ(Written(rifle).GetObject().Find("BounceLifetime")->GetNumber(), 0.5);
    ExpectRoundTrip(rifle);

    GrenadeLauncherData launcher;
    folder.ReadWeapon(launcher, "Lobber", R"({"Projectile": "Bolt", "Modifiers": {"Weight": 1.5, "Hops": 0.0},
                                              "ChargeRate": 1.0, "MaximumSpeed": 20.0, "Shape": ["0 0", "1 1"]})");
    EXPECT_EQ(launcher.chargeRate.ticks, 60u);
    EXPECT_EQ(launcher.maximumSpeed, 20.0f);
    EXPECT_EQ(launcher.modifiers.weight, 1.5f);
    keys = weaponKeys;
    keys.insert(keys.begin() + 22, "Modifiers");
    keys.insert(keys.end(), {"MinimumSpeed", "MaximumSpeed", "ChargeRate"});
    EXPECT_EQ(MemberNames(Written(launcher)), keys);
    EXPECT_EQ(*Written(launcher).GetObject().Find("Modifiers"), Json(R"({"Weight": 1.5})"));
    ExpectRoundTrip(launcher);
}

TEST(WeaponData, AWeaponWithoutItsProjectileSaysSoAndKeepsTheName)
{
    WeaponFolder folder;
    WeaponData unknown;
    WeaponData unnamed;
    LogCapture log;
    folder.ReadWeapon(unknown, "Blaster", R"({"Projectile": "Plasma"})");
    folder.ReadWeapon(unnamed, "Stick", R"({"Projectile": 3})");
    EXPECT_EQ(unknown.projectile, nullptr);
    EXPECT_EQ(unnamed.projectile, nullptr);
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{"Projectile holds \"Plasma\", which was not taken: no projectile of that name",
                                        "Projectile holds 3, which was not taken: a text in quotes was expected",
                                        "weapon Stick has no projectile named \"\""}));
    // Saving keeps the reference, which loads once the projectile exists.
    EXPECT_EQ(Written(unknown).GetObject().Find("Projectile")->GetString(), StringView("Plasma"));
    EXPECT_EQ(Written(unnamed).GetObject().Find("Projectile"), nullptr);
}

TEST(WeaponData, LoadsItsImagesAndSoundsAndReleasesTheSounds)
{
    WeaponFolder folder;
    for (const char* file : {"Image", "Draw", "Flash"})
        folder.Write(std::string("Weapons/Longshot/") + file + ".png", Lumvek::Testing::PatternPng(3, 3));
    folder.Write("Weapons/Longshot/Laser.png", Lumvek::Testing::PatternPng(16, 1));

    // One zoom level has no scope to sound.
    WeaponData pistol;
    folder.ReadWeapon(pistol, "Pistol", R"({"ZoomLevels": [1.0]})");
    pistol.Load(*folder.first, *folder.second);
    EXPECT_EQ(std::tie(pistol.image, pistol.flash, pistol.fireSound, pistol.scopeSound),
              std::make_tuple(Lumvek::NameTableA().Add("Pistol"), Lumvek::NameTableA().Add("PistolFlash"),
                              Lumvek::NameSet::Global().Add("PistolFireSound"), InvalidId));

    SniperRifleData rifle;
    folder.ReadWeapon(rifle, "Longshot", R"({"Projectile": "Bolt", "ZoomLevels": [1.0, 2.0]})");
    folder.calls.calls.clear();
    rifle.Load(*folder.first, *folder.second);
    EXPECT_EQ(rifle.scopeSound, Lumvek::NameSet::Global().Add("LongshotScopeSound"));
    EXPECT_EQ(rifle.laser, Lumvek::NameTableA().Add("LongshotLaser"));
    for (uint32_t region : {rifle.image, rifle.flash, rifle.laser})
        EXPECT_NE(folder.first->GetRegion(region), nullptr) << Lumvek::NameTableA().GetName(region).ToStdView();
    EXPECT_NE(folder.second->GetRegion(rifle.image), nullptr);
    EXPECT_EQ(folder.second->GetRegion(rifle.flash), nullptr);
    EXPECT_EQ(folder.first->GetRegion(rifle.laser)->width, 16u);
    auto added = [](uint32_t sound) { return "AddSound " + std::to_string(sound) + " 2"; };
    EXPECT_EQ(folder.calls.calls,
              (std::vector<std::string>{added(rifle.fireSound), added(rifle.reloadSound), added(rifle.scopeSound)}));
    EXPECT_EQ(folder.FindSound(rifle.scopeSound)->path, "Assets/Weapons/Longshot/Scope.wav");

    folder.calls.calls.clear();
    rifle.Unload();
    auto removed = [](uint32_t sound) { return "RemoveSound " + std::to_string(sound); };
    EXPECT_EQ(folder.calls.calls, (std::vector<std::string>{removed(rifle.fireSound), removed(rifle.reloadSound),
                                                            removed(rifle.scopeSound)}));
    EXPECT_EQ(folder.FindSound(rifle.fireSound), nullptr);
}
