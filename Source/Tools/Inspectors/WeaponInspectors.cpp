#include "Source/Tools/Inspectors/WeaponInspectors.h"

#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Tools/PropertyInput.h"

#include <imgui.h>

WeaponDataInspector::WeaponDataInspector(WeaponData* weapon) : DataInspector(weapon), weapon(weapon) {}

void WeaponDataInspector::DrawWeapon()
{
    DrawHeader();
    PropertyInput::DefinitionImage(weapon->name, weapon->image, &weapon->shape);
    ModifiersButton(weapon, weapon->modifiers);
    PropertyInput::FramesAsRate("Auto Rate", &weapon->autoRateOfFire.ticks);
    PropertyInput::FramesAsRate("Semi-Auto Rate", &weapon->semiRateOfFire.ticks);
    PropertyInput::Count("Max Ammo", &weapon->maxAmmo);
    PropertyInput::Count("Clip Size", &weapon->clipSize);
    PropertyInput::Count("Default Ammo", &weapon->defaultAmmo);
    PropertyInput::Count("Bullet Count", &weapon->bulletCount);
    PropertyInput::FramesAsSeconds("Reload Time", &weapon->reloadTime.ticks);
    PropertyInput::FramesAsSeconds("Put Away Time", &weapon->putAwayTime.ticks);
    PropertyInput::FramesAsSeconds("Take Out Time", &weapon->takeOutTime.ticks);
    PropertyInput::Float("Spread", &weapon->spread);
    PropertyInput::Float("Recoil", &weapon->recoil);
    PropertyInput::FloatSmall("Aim Radius", &weapon->aimRadius);
    PropertyInput::Vector2("Size", &weapon->size);
    PropertyInput::Vector2("Stowed Size", &weapon->stowedSize);
    PropertyInput::Vector2("Offset", &weapon->offset);
    PropertyInput::Vector2("Muzzle Offset", &weapon->muzzleOffset);
    PropertyInput::Float("MaxDistance", &weapon->maxDistance);
    PropertyInput::Float("OptimalDistance", &weapon->optimalDistance);
}

void WeaponDataInspector::DrawShot()
{
    PropertyInput::PushScope("Projectile");
    if (ImGui::TreeNode("Projectile"))
    {
        // Which projectile the weapon fires is shown, not chosen; a name that found no definition is
        // shown as read.
        ImGui::AlignTextToFramePadding();
        ImGui::TextUnformatted("Name");
        ImGui::SameLine(PropertyInput::GetLabelWidth());
        const std::string& name = weapon->projectile ? weapon->projectile->name : weapon->projectileName;
        ImGui::TextUnformatted(name.c_str(), name.c_str() + name.size());
        PropertyInput::FloatCoarse("Damage", &weapon->contactDamage);
        PropertyInput::FloatSmall("Knockback", &weapon->knockback);
        PropertyInput::Float("Speed", &weapon->speed);
        PropertyInput::Float("Speed Variance", &weapon->speedVariance);
        PropertyInput::Float("Gravity", &weapon->gravity);
        PropertyInput::FramesAsSeconds("Lifetime", &weapon->lifetime.ticks);
        ImGui::TreePop();
    }
    PropertyInput::PopScope();
    PropertyInput::PushScope("Explosion");
    if (ImGui::TreeNode("Explosion"))
    {
        PropertyInput::Float("Inner Radius", &weapon->innerExplosionRadius);
        PropertyInput::Float("Outer Radius", &weapon->outerExplosionRadius);
        PropertyInput::FloatCoarse("Damage", &weapon->explosionDamage);
        PropertyInput::Float("Impulse", &weapon->explosionImpulse);
        ImGui::TreePop();
    }
    PropertyInput::PopScope();
}

void WeaponDataInspector::Draw()
{
    DrawWeapon();
    DrawShot();
}

GrenadeLauncherDataInspector::GrenadeLauncherDataInspector(GrenadeLauncherData* launcher)
    : WeaponDataInspector(launcher)
{
}

void GrenadeLauncherDataInspector::Draw()
{
    DrawWeapon();
    auto& launcher = static_cast<GrenadeLauncherData&>(*weapon);
    PropertyInput::Float("Minimum Speed", &launcher.minimumSpeed);
    PropertyInput::Float("Maximum Speed", &launcher.maximumSpeed);
    PropertyInput::FramesAsSeconds("Charge Rate", &launcher.chargeRate.ticks);
    DrawShot();
}

SniperRifleDataInspector::SniperRifleDataInspector(SniperRifleData* rifle) : WeaponDataInspector(rifle) {}

void SniperRifleDataInspector::Draw()
{
    DrawWeapon();
    PropertyInput::FloatSmall("Laser Width", &static_cast<SniperRifleData&>(*weapon).laserWidth);
    DrawShot();
}
