#pragma once

#include "Source/Tools/Inspectors/DataInspector.h"

class GrenadeLauncherData;
class SniperRifleData;
class WeaponData;

// The window of a weapon definition: the common header, its images, a "Modifiers" button, the firing,
// ammunition, timing, size and offset rows, and the figures of what it fires and of its explosion.
// Edits change the registry's definition at once. Owned by the tools host; application thread.
class WeaponDataInspector : public DataInspector
{
public:
    explicit WeaponDataInspector(WeaponData* weapon);
    void Draw() override;

    WeaponData* weapon;

protected:
    // The header and the weapon's own rows, without the two tree nodes.
    void DrawWeapon();
    // The "Projectile" and "Explosion" tree nodes.
    void DrawShot();
};

class GrenadeLauncherDataInspector final : public WeaponDataInspector
{
public:
    explicit GrenadeLauncherDataInspector(GrenadeLauncherData* launcher);
    void Draw() override;
};

class SniperRifleDataInspector final : public WeaponDataInspector
{
public:
    explicit SniperRifleDataInspector(SniperRifleData* rifle);
    void Draw() override;
};
