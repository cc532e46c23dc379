#include "Source/Data/WeaponData.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ProjectileData.h"

#include <cmath>
#include <string>

using namespace Lumvek;

namespace
{

// An Array of numbers, each the factor of one scope step. A member that is present replaces the list,
// except one that is no Array, which is refused. A level no scope can use (no number, zero, negative,
// beyond a float, where it would become an infinity that JSON writes as null) is left out and the
// list is refused, naming the level: the maker sets the list as a whole. The other levels are taken.
bool ReadZoomLevels(BlueprintReader& reader, std::vector<float>& levels)
{
    const Blueprint* member = reader.GetCurrent().GetObject().Find("ZoomLevels");
    if (!member)
        return false;
    if (member->GetType() != BlueprintType::Array)
    {
        reader.Refuse("ZoomLevels", "an array of numbers was expected");
        return false;
    }
    levels.clear();
    bool all = true;
    for (uint32_t i = 0; i < member->GetCount(); ++i)
    {
        const Blueprint& element = member->GetElement(i);
        const BlueprintType type = element.GetType();
        const double level = type == BlueprintType::Number            ? element.GetNumber()
                             : type == BlueprintType::UnsignedInteger ? double(element.GetUnsignedInteger())
                             : type == BlueprintType::Integer         ? double(element.GetInteger())
                                                                      : std::nan("");
        if (level > 0.0 && FitsFloat(level))
        {
            levels.push_back(static_cast<float>(level));
            continue;
        }
        if (all)
            reader.Refuse("ZoomLevels",
                          FormatText("element {} holds {}, which no scope can use", i, DescribeValue(element)));
        all = false;
    }
    return all;
}

void WriteZoomLevels(BlueprintWriter& writer, const std::vector<float>& levels)
{
    writer.PushMember("ZoomLevels");
    writer.GetCurrent().SetArray();
    for (float level : levels)
        writer.GetCurrent().AppendElement().SetFloat(level);
    writer.Pop();
}

} // namespace

bool WeaponData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "AutoRateOfFire", autoRateOfFire);
    ReadMember(reader, "SemiRateOfFire", semiRateOfFire);
    ReadMember(reader, "MaxAmmo", maxAmmo);
    ReadMember(reader, "ClipSize", clipSize);
    ReadMember(reader, "DefaultAmmo", defaultAmmo);
    ReadMember(reader, "BulletCount", bulletCount);
    ReadMember(reader, "ReloadTime", reloadTime);
    ReadMember(reader, "PutAwayTime", putAwayTime);
    ReadMember(reader, "TakeOutTime", takeOutTime);
    ReadZoomLevels(reader, zoomLevels);
    ReadMember(reader, "Spread", spread);
    ReadMember(reader, "Recoil", recoil);
    ReadMember(reader, "FireNoise", fireNoise);
    ReadMember(reader, "AimRadius", aimRadius);
    ReadMember(reader, "Size", size);
    ReadMember(reader, "StowedSize", stowedSize);
    ReadMember(reader, "Offset", offset);
    ReadMember(reader, "MuzzleOffset", muzzleOffset);
    ReadMember(reader, "OptimalDistance", optimalDistance);
    ReadMember(reader, "MaxDistance", maxDistance);
    ReadMember(reader, "Shape", shape);
    ReadMember(reader, "Modifiers", modifiers);
    // A weapon fires whatever its projectile is, so one without a projectile is worth a message; it
    // stays without one instead of pointing at nothing, and a name that finds none is refused.
    const bool named = ReadMember(reader, "Projectile", projectileName);
    projectile =
        registry ? dynamic_cast<const ProjectileData*>(registry->FindData("Projectiles", projectileName)) : nullptr;
    if (!projectile && named)
        reader.Refuse("Projectile", "no projectile of that name");
    else if (!projectile)
        Log::Write("weapon {} has no projectile named \"{}\"", name, projectileName);
    ReadMember(reader, "ContactDamage", contactDamage);
    ReadMember(reader, "Knockback", knockback);
    ReadMember(reader, "Speed", speed);
    ReadMember(reader, "SpeedVariance", speedVariance);
    ReadMember(reader, "Gravity", gravity);
    ReadMember(reader, "Lifetime", lifetime);
    ReadMember(reader, "BounceLifetime", bounceLifetime);
    ReadMember(reader, "InnerExplosionRadius", innerExplosionRadius);
    ReadMember(reader, "OuterExplosionRadius", outerExplosionRadius);
    ReadMember(reader, "ExplosionDamage", explosionDamage);
    ReadMember(reader, "ExplosionImpulse", explosionImpulse);
    return true;
}

void WeaponData::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "DataType", WeaponDataTypes().NameOf(*this));
    Data::Write(writer);
    WriteMember(writer, "AutoRateOfFire", autoRateOfFire);
    WriteMember(writer, "SemiRateOfFire", semiRateOfFire);
    WriteMember(writer, "MaxAmmo", maxAmmo);
    WriteMember(writer, "ClipSize", clipSize);
    WriteMember(writer, "DefaultAmmo", defaultAmmo);
    WriteMember(writer, "BulletCount", bulletCount);
    WriteMember(writer, "ReloadTime", reloadTime);
    WriteMember(writer, "PutAwayTime", putAwayTime);
    WriteMember(writer, "TakeOutTime", takeOutTime);
    WriteZoomLevels(writer, zoomLevels);
    WriteMember(writer, "Spread", spread);
    WriteMember(writer, "Recoil", recoil);
    WriteMember(writer, "FireNoise", fireNoise);
    WriteMember(writer, "AimRadius", aimRadius);
    WriteMember(writer, "Size", size);
    WriteMember(writer, "StowedSize", stowedSize);
    WriteMember(writer, "Offset", offset);
    WriteMember(writer, "MuzzleOffset", muzzleOffset);
    WriteMember(writer, "OptimalDistance", optimalDistance);
    WriteMember(writer, "MaxDistance", maxDistance);
    WriteMember(writer, "Shape", shape);
    // An all-zero set is left out rather than written as an empty object.
    if (!(modifiers == Attributes::Modifiers()))
    {
        writer.PushMember("Modifiers");
        modifiers.Write(writer);
        writer.Pop();
    }
    StringView projectileText = projectile ? StringView(projectile->name) : StringView(projectileName);
    if (!projectileText.IsEmpty())
        WriteMember(writer, "Projectile", projectileText);
    WriteMember(writer, "ContactDamage", contactDamage);
    WriteMember(writer, "Knockback", knockback);
    WriteMember(writer, "Speed", speed);
    WriteMember(writer, "SpeedVariance", speedVariance);
    WriteMember(writer, "Gravity", gravity);
    WriteMember(writer, "Lifetime", lifetime);
    // The all-ones default is "a bounce does not shorten the life", which no seconds say: written,
    // it would be 71582792 s, a time of its own that a file never held.
    if (bounceLifetime.ticks != UINT32_MAX)
        WriteMember(writer, "BounceLifetime", bounceLifetime);
    WriteMember(writer, "InnerExplosionRadius", innerExplosionRadius);
    WriteMember(writer, "OuterExplosionRadius", outerExplosionRadius);
    WriteMember(writer, "ExplosionDamage", explosionDamage);
    WriteMember(writer, "ExplosionImpulse", explosionImpulse);
}

void WeaponData::Load(Texture& imageTexture, Texture& drawTexture)
{
    image = NameTableA().Add(name);
    flash = NameTableA().Add(name + "Flash");
    fireSound = NameSet::Global().Add(name + "FireSound");
    reloadSound = NameSet::Global().Add(name + "ReloadSound");
    // Only a weapon with steps to go through has a scope to sound.
    if (zoomLevels.size() > 1)
        scopeSound = NameSet::Global().Add(name + "ScopeSound");
    LoadImage(imageTexture, image, "Image");
    LoadImage(drawTexture, image, "Draw");
    LoadImage(imageTexture, flash, "Flash");
    LoadSound(fireSound, "Fire", 2, false);
    LoadSound(reloadSound, "Reload", 2, false);
    LoadSound(scopeSound, "Scope", 2, false);
}

void WeaponData::Unload()
{
    ReleaseSound(fireSound);
    ReleaseSound(reloadSound);
    ReleaseSound(scopeSound);
}

bool SniperRifleData::Read(BlueprintReader& reader)
{
    WeaponData::Read(reader);
    ReadMember(reader, "LaserLength", laserLength);
    ReadMember(reader, "LaserWidth", laserWidth);
    return true;
}

void SniperRifleData::Write(BlueprintWriter& writer) const
{
    WeaponData::Write(writer);
    WriteMember(writer, "LaserLength", laserLength);
    WriteMember(writer, "LaserWidth", laserWidth);
}

void SniperRifleData::Load(Texture& imageTexture, Texture& drawTexture)
{
    WeaponData::Load(imageTexture, drawTexture);
    laser = NameTableA().Add(name + "Laser");
    LoadImage(imageTexture, laser, "Laser");
}

bool GrenadeLauncherData::Read(BlueprintReader& reader)
{
    WeaponData::Read(reader);
    ReadMember(reader, "MinimumSpeed", minimumSpeed);
    ReadMember(reader, "MaximumSpeed", maximumSpeed);
    ReadMember(reader, "ChargeRate", chargeRate);
    return true;
}

void GrenadeLauncherData::Write(BlueprintWriter& writer) const
{
    WeaponData::Write(writer);
    WriteMember(writer, "MinimumSpeed", minimumSpeed);
    WriteMember(writer, "MaximumSpeed", maximumSpeed);
    WriteMember(writer, "ChargeRate", chargeRate);
}

const DataTypeMap<WeaponData>& WeaponDataTypes()
{
    static const DataTypeMap<WeaponData> types{
        DataTypeMap<WeaponData>::Of<WeaponData>("Weapon"),
        DataTypeMap<WeaponData>::Of<SniperRifleData>("SniperRifle"),
        DataTypeMap<WeaponData>::Of<GrenadeLauncherData>("GrenadeLauncher"),
    };
    return types;
}
