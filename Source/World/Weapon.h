#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>
#include <memory>

class Player;
class World;
class WeaponData;
class SniperRifleData;
class GrenadeLauncherData;

// Where a shot leaves the weapon: the world position of the muzzle, the aim's angle in [0, 2π), the
// facing, and whether the muzzle lies inside solid ground.
struct MuzzleInfo
{
    float x = 0.0f;
    float y = 0.0f;
    float angle = 0.0f;
    uint8_t facingLeft = 0;
    uint8_t blocked = 0;
};

// Whether the point lies inside solid ground (a platform that is not one-way), where no shot leaves a
// muzzle and no ray started there sees out.
bool IsInSolidGround(World& world, Lumvek::Vector2 point);

// What one shot shows and sounds, whatever its pellets: the weapon's flash at the muzzle, turned to its
// angle, and its fire sound there.
void ShowShot(World& world, const WeaponData& data, const MuzzleInfo& muzzle);

// A weapon in a match: held by a player (current, stowed or being picked up), or lying in a pickup,
// which owns it. Made by its weapon definition with no ammunition and no owner. The holder's weapon
// state machine calls its operations; the buttons reach it through Update once per tick. Application
// thread only.
class Weapon
{
public:
    Weapon() = default;
    Weapon(const Weapon&) = delete;
    Weapon& operator=(const Weapon&) = delete;
    virtual ~Weapon() = default;

    // The spawn slot and number that mean none.
    static constexpr uint32_t NoSpawn = 0xFFFFFFFFu;

    // The player takes it: it can fire at once, and remembers no button.
    virtual void OnPickedUp(Player& newOwner);
    // It leaves its owner's hands.
    virtual void OnDropped();
    // It becomes the weapon in hand, lending its modifiers to the owner.
    virtual void TakeOut();
    // It leaves the hand, taking its modifiers back.
    virtual void PutAway();
    // It goes onto the owner's back, or comes off it when a switch completes.
    virtual void OnStowed();
    virtual void OnUnstowed();
    // A reload would put something into the clip.
    virtual bool CanReload() const;
    // Fills the clip from the reserve as far as the reserve goes.
    virtual void Reload();

    // Every tick at the end of the input update, while held and while loose.
    virtual void HeldTick() {}
    virtual void LooseTick() {}
    // The buttons: pressed this tick, held since an earlier tick, let go this tick.
    virtual void PrimaryPressed();
    virtual void PrimaryHeld();
    // One shot: a click when the clip is empty, nothing when the muzzle is in the ground.
    virtual void Fire();
    virtual void PrimaryReleased() {}
    virtual void SecondaryPressed() {}
    virtual void SecondaryHeld() {}
    virtual void SecondaryReleased() {}
    // Steps through the zoom levels.
    virtual void ScopePressed();
    virtual void ScopeReleased() {}
    // Where a shot would leave; checkBlocked asks Box2D whether solid ground covers the muzzle.
    virtual MuzzleInfo GetMuzzle(bool checkBlocked) const;
    // One projectile from the muzzle, with its own spread; Fire shows the shot once for all of them.
    virtual void Shoot(const MuzzleInfo& muzzle);
    // The angle offset (radians) and speed of one projectile.
    virtual void Spread(float& angleOffset, float& speed);

    // The input update of one tick while the holder aims: the counter, the button events, the tick.
    void Update(bool primary, bool secondary, bool scope);
    // The same on a client for one of its own players: a shot flashes, sounds and kicks at once, and
    // uses the clip, but makes no projectile; the server makes it, and its states bring it.
    void UpdatePredicted(bool primary, bool secondary, bool scope);
    // The input update of a weapon whose holder does not aim, or that lies loose: every button still
    // held is let go.
    void ReleaseButtons();

    // The world of the owner; null without one.
    World* GetWorld() const;

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

protected:
    // Set during UpdatePredicted.
    bool predicted = false;

    virtual void OnPickedUpHook() {}
    virtual void OnDroppedHook() {}
    virtual void TakeOutHook() {}
    virtual void PutAwayHook() {}
    virtual void OnStowedHook() {}
    virtual void OnUnstowedHook() {}

    // Where the owner's "Weapon" bone shows its sprite, where the weapon's own sounds play.
    Lumvek::Vector2 GetSoundPosition() const;
    void PlayAtWeapon(uint32_t sound) const;
};

// A weapon with a laser sight, drawn by a visual entity of its own while it is held, shown while the
// second button is held.
class SniperRifle final : public Weapon
{
public:
    void SecondaryPressed() override;
    void SecondaryHeld() override;
    void SecondaryReleased() override;

    // The entity id of the laser's visual; none until the rifle is picked up.
    uint32_t laser = 0xFFFF;

protected:
    void OnPickedUpHook() override;
    void OnDroppedHook() override;

private:
    // Points the laser from the muzzle to the first solid thing or the world's edge.
    void UpdateLaser(bool justPressed);
    void ShowLaser(bool shown);
};

// A weapon whose shot speed grows with the time the trigger is held; the second button fires quick
// uncharged shots.
class GrenadeLauncher final : public Weapon
{
public:
    void PrimaryPressed() override;
    void PrimaryHeld() override;
    void PrimaryReleased() override;
    void SecondaryPressed() override;
    void SecondaryHeld() override;
    void Spread(float& angleOffset, float& speed) override;

    // Ticks the primary button has been held; -1 for an uncharged shot.
    int32_t charge = 0;
};

// A weapon of the definition as it lies at a weapon spawn (slot and number, or NoSpawn for a weapon
// of no spawn): full clip and its default reserve.
std::unique_ptr<Weapon> CreateSpawnWeapon(const WeaponData& definition, uint32_t slot, uint32_t number);
