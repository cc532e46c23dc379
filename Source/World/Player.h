#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/Loadout.h"
#include "Source/Data/NameTables.h"
#include "Source/World/AnimationPlayback.h"
#include "Source/World/Awareness.h"
#include "Source/World/Camera.h"
#include "Source/World/Part.h"
#include "Source/World/PlayerBody.h"
#include "Source/World/PlayerInput.h"
#include "Source/World/PlayerModifiers.h"
#include "Source/World/Weapon.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Lumvek
{
class AudioDevice;
}

class CharacterData;
class GameContext;
class Item;
class PlayerRenderable;
struct SpawnPoint;
class World;
template <class Record> struct GridNode;

// What the player factory places a new player from: its index, which is also the id of its slot in
// the game configuration, where it appears and whether it faces left.
struct PlayerPlacement
{
    uint8_t index = 0;
    Lumvek::Vector2 position;
    bool flipped = false;
};

// One of the sixteen player records of a world: a body that moves itself, a skeleton built from four
// parts, the weapons and items it holds, two attribute sets, health, the states the animation reads,
// and the input of the current tick. Embedded in the World's player table, claimed by the player
// factory and updated by the world every tick; application thread only.
class Player
{
public:
    static constexpr uint8_t NoTeam = 4;
    static constexpr uint8_t NoInteraction = 255;
    static constexpr uint16_t NoPickup = 0xFFFF;
    static constexpr uint8_t NoListener = 255;
    // Interact must be held this long on one target to use it.
    static constexpr int32_t InteractTicks = 15;
    // A hand item takes this long over 0.25 s to reach the body, divided by Dexterity.
    static constexpr float HandTicks = 15.0f;
    // Taking damage holds regeneration back this long (2 s).
    static constexpr int32_t RegenerationDelayTicks = 120;

    Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player();

    // The modifier set that changes nothing: 1 for every factor, 0 for the four attributes that add to
    // their base (HealthRegeneration, Awareness, EnergyDischarge, EnergyRecharge).
    static Attributes IdentityModifiers();
    // Whether the attribute adds its modifier to its base rather than multiplying.
    static bool IsAdditive(float Attributes::*attribute);

    // Prepares a claimed record for the match: team, character, base attributes and loadout from its
    // configuration slot, input and aim at rest, no health until it spawns.
    void Reset();
    // Wears the four parts the loadout names (arms, legs, head, core: the later ones take the ability),
    // builds the skeleton from them and attaches them. An index outside its part table, None included,
    // takes the table's first part, with a message.
    void ApplyLoadout(const Loadout& loadout);
    // Builds the skeleton again from the character and the parts worn, as an edit of their bones asks,
    // keeping what the match has put on it since: the sprites in the hand, on the back and on the
    // pickup chains, the muzzle and where the chains lie. The parts and the drawing take the new bones,
    // since the old ones are gone.
    void RebuildRig();
    // The authoritative tick.
    void Update(float dt);
    // What a client predicts of its players each tick: health, aim, the weapon's timers and states, and
    // for its own players the shots, which show, sound and kick at once.
    void UpdatePredicted(float dt);
    // Regeneration while the delay after damage has run out, up to the maximum.
    void UpdateHealth(float dt);
    void UpdateAim();
    void UpdateInteraction();
    void UpdateWeapon();
    void UpdateWeaponPredicted();
    // The weapons' input tick: the one in hand takes the buttons while the player aims, the others
    // let theirs go. Predicted, the shots show without projectiles (Weapon::UpdatePredicted).
    void TickWeapons(bool predicted);
    void UpdateParts(float dt);
    void UpdateStates();

    // The attribute as it acts: modifier times base, or modifier plus base for the additive four.
    float GetEffective(float Attributes::*attribute) const;
    bool IsDead() const { return healthState == HealthState::Dead; }
    bool IsFacingLeft() const { return aimDirection.x < 0.0f; }
    // The current noise level, which the movement step and weapons make.
    float GetNoise() const { return baseAttributes.noisiness; }
    GameContext& GetContext() const;
    // Whether this machine plays the player: a local slot of the configuration holds it.
    bool IsLocal() const;
    // What a camera following the player reads: its aim, its camera zoom and its weapon's zoom level.
    CameraFocus GetCameraFocus() const;
    PlayerBody& GetBody() { return body; }
    const PlayerBody& GetBody() const { return body; }
    Part* GetPart(uint32_t position) const;

    // The player's id (0 to 15) and that of its configuration slot.
    uint8_t index = 0;
    // The grid header the player list links the record through.
    GridNode<Player>* firstNode = nullptr;
    Player* queryNext = nullptr;
    uint32_t queryStamp = 0;
    // 0 to 3, or NoTeam.
    uint8_t team = NoTeam;
    PlayerBody body;
    // The player's own view, which the server steps before each state it sends: 16 by 9 units to
    // begin with.
    Camera camera;
    // What the renderer draws the player with; none when the game runs headless.
    std::unique_ptr<PlayerRenderable> visual;
    // The local player's audio listener, moved with the body; none for other players.
    Lumvek::AudioDevice* listenerDevice = nullptr;
    uint8_t listener = NoListener;
    HealthState healthState = HealthState::Healthy;
    MovementState movementState = MovementState::Idle;
    AirState airState = AirState::Grounded;
    WeaponState weaponState = WeaponState::None;
    ItemState handState = ItemState::None;
    PlayerInput input;
    // -1 to 1.
    float moveAxis = 0.0f;
    // A unit vector.
    Lumvek::Vector2 aimDirection{1.0f, 0.0f};
    // The first character of the registry.
    const CharacterData* character = nullptr;
    // What the character animation of each channel plays, and how far.
    AnimationState animation;
    std::unique_ptr<Weapon> weapon;
    // Carried on the body (a flag or the token).
    std::unique_ptr<Item> carriedItem;
    // The part whose ability is selected: one of the four below, or null.
    Part* abilityPart = nullptr;
    // Being picked up, and carried in the holster.
    std::unique_ptr<Weapon> pendingWeapon;
    std::unique_ptr<Weapon> stowedWeapon;
    // Being picked up into the hand.
    std::unique_ptr<Item> handItem;
    std::unique_ptr<Head> head;
    std::unique_ptr<Core> core;
    std::unique_ptr<Arms> arms;
    std::unique_ptr<Legs> legs;
    // Ticks until the hand item moves onto the body.
    int32_t handTimer = 0;
    // Ticks left in the current weapon state.
    int32_t weaponTimer = 0;
    // Health regenerates only while this is below zero.
    int32_t regenerationDelay = 0;
    // Flipped by every press of ToggleView; a new player starts with it set.
    bool viewToggle = true;
    // Set while Interact is up, so that one press uses one target.
    bool interactReady = false;
    // Ticks Interact has been held on the same target.
    int32_t interactTicks = 0;
    uint8_t interactionId = NoInteraction;
    uint16_t pickupId = NoPickup;
    // From the character. Its Noisiness is the player's current noise level instead.
    Attributes baseAttributes;
    // The parts', weapons', zones' and modes' modifiers over IdentityModifiers.
    PlayerModifiers modifiers{IdentityModifiers()};
    float health = 0.0f;
    // Set while the record is in use.
    bool present = false;
    // Shots fired since the record was taken, whatever refilled the clip: for a run's summary only, so
    // neither hashed nor sent.
    uint32_t shotsFired = 0;

    // What the game mode keeps of the player.
    // Puts the player at the point, facing the point's way, with its pose reset and its loadout's
    // weapons in hand.
    void Spawn(const SpawnPoint& point);
    // Seconds added to the next respawn's wait by the suicides and betrayals since the last one.
    uint32_t respawnPenalty = 0;
    // Set while the player leads a deathmatch that shows its leader.
    bool leaderMarker = false;
    // The players, pickups and triggers the player is aware of, refreshed every full tick.
    std::vector<AwarenessMarker> awareness;

    // What the player holds, in its own file: the weapon state machine and the operations that move
    // weapons and items between the world, the hands, the body and the holster.
    // A weapon lies this long where its holder dropped it: 30 s.
    static constexpr int32_t DroppedWeaponTicks = 1800;
    // Enters the weapon state with its time: a reload and a switch take their weapon's times over the
    // effective Dexterity.
    void SetWeaponState(WeaponState state);
    // Takes the item into the hand, at the position and angle it lay at, and the weapon onto the
    // right pickup chain, from where the animation brings them to the body and the hand.
    void HoldItem(std::unique_ptr<Item> item, Lumvek::Vector2 position, float angle, bool facingLeft);
    void HoldWeapon(std::unique_ptr<Weapon> newWeapon, Lumvek::Vector2 position, float angle, bool facingLeft);
    // Moves the item from the hand onto the body.
    void CarryItem(std::unique_ptr<Item> item);
    // Lets go of the item in the slot and puts it down where the player is, as a pickup.
    void DropItem(std::unique_ptr<Item>& slot);
    // Lets go of the weapon in the slot: an empty one goes back to its spawn, one with ammunition lies
    // as a pickup for DroppedWeaponTicks.
    void DropWeapon(std::unique_ptr<Weapon>& slot);
    // Gives up every weapon held, laying none down: the one in hand takes its modifiers back, and
    // weapons from the map's spawns go back there in their spawn time.
    void LetGoOfWeapons();
    // Makes the weapon the one in hand, shown at its stowed size when it comes from the holster.
    void EquipWeapon(std::unique_ptr<Weapon> newWeapon, bool fromStowed);
    // Puts the weapon in the holster.
    void StowWeapon(std::unique_ptr<Weapon> newWeapon);
    // Moves ammunition from a weapon lying as a pickup into the player's weapon of the same kind, up
    // to its MaxAmmo.
    void TakeAmmo(Weapon& source, Weapon& target);
    // Hides the sprite the bone shows.
    void HideSprite(PlayerBone bone);

private:
    // The weapon state machine of one tick; a client predicts it without picking weapons up.
    void StepWeaponState(bool predicted);
    // Shows an object's region on the bone at its offset and size, keeping the bone's facing.
    void ShowSprite(PlayerBone bone, uint32_t region, Lumvek::Vector2 offset, Lumvek::Vector2 size);

    // Replaces the part in the slot by the definition's, taking back the old one's modifiers.
    template <class Kind, class Definition> void Wear(std::unique_ptr<Kind>& slot, const Definition& definition);
    void UpdateHand();
    void UpdateHeldItems(float dt);
};

// Claims the record of the placement's index in the world's player table, registers it in the player
// list and prepares it. Null, logged, when the index is 16 or more or already present ("failed to
// create Player") or the player list refuses the body ("failed to add Player to database").
Player* CreatePlayerEntity(World& world, const PlayerPlacement& placement);
