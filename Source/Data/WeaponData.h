#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Resource.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/Data.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ProjectileData;
class Weapon;

// Everything a weapon needs before it exists in a match: its rates of fire, ammunition and timings,
// aiming and spread, sizes and attachment points, the flight, damage and explosion of what it fires,
// the attributes it lends its holder, the projectile it shoots, and its images and sounds. Held by the
// registry's weapon collection, by "DataType"; configurations and loadouts name weapons by index.
class WeaponData : public Data
{
public:
    // The shared keys, then every key of the fields below in their order, except that
    // "OptimalDistance" comes before "MaxDistance". "Projectile" names a projectile definition of the
    // registry; one that is missing or unknown leaves the weapon without one, logged.
    bool Read(Lumvek::BlueprintReader& reader) override;
    // "DataType" first, then the keys Read takes, durations as seconds. "Modifiers" only when a
    // modifier is not 0; "Projectile" as the projectile's name, or the name read when none was found.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // Names the images and sounds after the weapon and loads them from its folder: "Image" into both
    // textures ("Draw" into the second), "Flash" into the first, and the sounds "Fire", "Reload" and,
    // for a weapon with more than one zoom level, "Scope".
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    // Releases the three sounds.
    void Unload() override;
    Lumvek::StringView GetFolder() const override { return "Weapons"; }

    // A new weapon of the definition's kind, with no ammunition and no owner; the caller attaches the
    // definition and the owner.
    virtual std::unique_ptr<Weapon> Create() const;

    Lumvek::Duration autoRateOfFire{60};
    Lumvek::Duration semiRateOfFire{30};
    uint32_t maxAmmo = 100;
    uint32_t clipSize = 10;
    uint32_t defaultAmmo = 50;
    uint32_t bulletCount = 1;
    Lumvek::Duration reloadTime{120};
    Lumvek::Duration putAwayTime{12};
    Lumvek::Duration takeOutTime{12};
    // The camera zoom of each scope step.
    std::vector<float> zoomLevels;
    float spread = 0.0f;
    float recoil = 0.0f;
    // The noise a shot adds to its shooter.
    float fireNoise = 150.0f;
    float aimRadius = 0.75f;
    // In the hand, and stowed on the back.
    Lumvek::Vector2 size;
    Lumvek::Vector2 stowedSize;
    // Where it is held, and where shots leave it.
    Lumvek::Vector2 offset;
    Lumvek::Vector2 muzzleOffset;
    // The distances bots reach and prefer.
    float maxDistance = 6.0f;
    float optimalDistance = 2.0f;
    std::vector<Lumvek::Vector2> shape;
    // Added to the holder's attributes while the weapon is out.
    Attributes modifiers = Attributes::Modifiers();
    // Ids in NameTableA of the images named after the weapon and name + "Flash".
    uint32_t image = Lumvek::InvalidId;
    uint32_t flash = Lumvek::InvalidId;
    // Ids in NameSet::Global of name + "FireSound", "ReloadSound" and "ScopeSound".
    uint32_t fireSound = Lumvek::InvalidId;
    uint32_t reloadSound = Lumvek::InvalidId;
    uint32_t scopeSound = Lumvek::InvalidId;
    // The registry's definition of what the weapon fires; null when the file named none that exists.
    const ProjectileData* projectile = nullptr;
    // The "Projectile" name as read, written back while no definition answers to it, so that saving
    // a weapon whose projectile is missing keeps the reference.
    std::string projectileName;
    float contactDamage = 25.0f;
    float knockback = 0.0f;
    float speed = 100.0f;
    float speedVariance = 0.0f;
    // Velocity a projectile loses downwards per second.
    float gravity = 0.0f;
    Lumvek::Duration lifetime{300};
    // How long a projectile may live after its first bounce; the largest count means for ever.
    Lumvek::Duration bounceLifetime{UINT32_MAX};
    float innerExplosionRadius = 0.0f;
    float outerExplosionRadius = 0.0f;
    float explosionDamage = 0.0f;
    float explosionImpulse = 0.0f;
};

// A weapon with a laser sight.
class SniperRifleData final : public WeaponData
{
public:
    // The weapon keys, then "LaserLength" and "LaserWidth".
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // The weapon's load, then the image "Laser" under name + "Laser" in the first texture.
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    std::unique_ptr<Weapon> Create() const override;

    float laserLength = 20.0f;
    float laserWidth = 0.1f;
    // Id in NameTableA of the laser image.
    uint32_t laser = Lumvek::InvalidId;
};

// A weapon whose shots leave faster the longer the trigger is held.
class GrenadeLauncherData final : public WeaponData
{
public:
    // The weapon keys, then "MinimumSpeed", "MaximumSpeed" and "ChargeRate".
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    std::unique_ptr<Weapon> Create() const override;

    float minimumSpeed = 5.0f;
    float maximumSpeed = 15.0f;
    // The hold time that reaches the maximum speed.
    Lumvek::Duration chargeRate{120};
};

// "Weapon", "SniperRifle" and "GrenadeLauncher".
const DataTypeMap<WeaponData>& WeaponDataTypes();
