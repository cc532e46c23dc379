#pragma once

#include <cstdint>

class Player;
class WeaponData;

// A weapon in a match: held by a player (current or stowed), or lying in a pickup, which owns it.
// Made by its weapon definition with no ammunition and no owner.
class Weapon
{
public:
    Weapon() = default;
    Weapon(const Weapon&) = delete;
    Weapon& operator=(const Weapon&) = delete;
    virtual ~Weapon() = default;

    // The spawn slot and number that mean none.
    static constexpr uint32_t NoSpawn = 0xFFFFFFFFu;

    // Set by the caller right after creation.
    const WeaponData* data = nullptr;
    // Null while the weapon lies in a pickup.
    Player* owner = nullptr;
    // The configuration's weapon spawn the weapon came from, and which point of it. A weapon that
    // came from a spawn goes back to it; one made for a loadout or a pickup keeps none, so it is not
    // sent to a spawn it never had.
    uint32_t spawnSlot = NoSpawn;
    uint32_t spawnNumber = NoSpawn;
    // Into the definition's zoom levels.
    uint32_t zoomIndex = 0;
    uint32_t clip = 0;
    uint32_t reserve = 0;
    // Counted up every tick and compared with the rates of fire.
    int32_t ticksSinceLastShot = 0;
    // The buttons as the last input update saw them: 1 held, 0 not.
    uint8_t previousPrimary = 0;
    uint8_t previousSecondary = 0;
    uint8_t previousScope = 0;
};

// A weapon with a laser sight, drawn by a visual entity of its own while it is held.
class SniperRifle final : public Weapon
{
public:
    // The entity id of the laser's visual; none until the rifle is picked up.
    uint32_t laser = 0xFFFF;
};

// A weapon whose shot speed grows with the time the trigger is held.
class GrenadeLauncher final : public Weapon
{
public:
    // Ticks the primary button has been held; -1 for an uncharged shot.
    int32_t charge = 0;
};
