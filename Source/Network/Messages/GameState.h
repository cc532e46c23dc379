#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Data/Attributes.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/MessageLimits.h"
#include "Source/World/World.h"

#include <array>
#include <cstdint>

// The records of one client's part of the world as a game state carries them: its own players in full,
// the other players it can see, the pickups, moving platforms and projectiles around its players, and
// the shots other players fired lately.
// Plain values filled by the server's collection and read by the client's application. A weapon or item
// place holds the index of its object's definition, or the list's count when the place is empty. Angles
// are in degrees.

// Where a player's hand holds the object it is picking up: its rig node's place, and whether the node
// is mirrored.
struct HeldTransform
{
    bool operator==(const HeldTransform&) const = default;

    Lumvek::Vector2 position;
    float rotation = 0.0f;
    bool mirrored = false;
};

// What a player's movement and ability step needs beyond its place and controls, so that a client
// steps it as the server does: the pushes waiting for its next move, the energy of its ability part,
// and the modifiers in effect (zones, parts in use, the game mode's bonuses).
struct PlayerDrive
{
    bool operator==(const PlayerDrive&) const = default;

    // The body's impulse (thrust, recoil, knockback), wind impulse and wind speed.
    Lumvek::Vector2 impulse;
    Lumvek::Vector2 windImpulse;
    Lumvek::Vector2 windSpeed;
    // Of the ability part: its energy (0 to 1000), the ticks before it recharges (they travel as 0 to
    // 511) and whether its ability is in use.
    uint32_t energy = 0;
    int32_t rechargeDelay = 0;
    bool discharging = false;
    // The components of the modifier set that differ from the set that changes nothing, one bit each
    // in Attributes order, and their values; the others hold 0.
    uint32_t modifierMask = 0;
    std::array<float, Attributes::Count> modifiers{};
};

// A player of the receiving client: everything its prediction starts from.
struct FullPlayerState
{
    static constexpr uint32_t MaxPassThroughPlatforms = 6;
    static constexpr uint16_t NoPlatform = 65535;

    bool operator==(const FullPlayerState&) const = default;

    uint8_t player = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 velocity;
    float jumpTime = 0.0f;
    // The platform of the body's ground contact; a state read without one holds NoPlatform.
    bool onPlatform = false;
    uint16_t platform = 0;
    // The platforms the body falls through, by index.
    uint32_t passThroughCount = 0;
    std::array<uint16_t, MaxPassThroughPlatforms> passThroughPlatforms{};
    // 0 head, 1 core, 2 arms, 3 legs.
    uint32_t abilityPart = 0;
    uint32_t secondaryWeapon = 0;
    uint32_t currentWeapon = 0;
    uint32_t pickedUpWeapon = 0;
    uint32_t carriedItem = 0;
    uint32_t pickedUpItem = 0;
    float health = 0.0f;
    // Of the current weapon; they travel only with one, at most 127 and 511.
    uint32_t clip = 0;
    uint32_t reserve = 0;
    // They travel only with a picked-up weapon or item.
    HeldTransform pickedUpWeaponTransform;
    HeldTransform pickedUpItemTransform;
    uint32_t airState = 0;
    uint32_t weaponState = 0;
    // Ticks; they travel as 0 to 511.
    int32_t weaponTimer = 0;
    uint32_t handState = 0;
    int32_t handTimer = 0;
    PlayerDrive drive;
};

// Another player, another client's or one the server steps itself: what shows it and lets its
// movement be guessed, with its current controls in place of its ammunition.
struct PlayerState
{
    bool operator==(const PlayerState&) const = default;

    uint8_t player = 0;
    bool onPlatform = false;
    uint16_t platform = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 velocity;
    float jumpTime = 0.0f;
    uint32_t passThroughCount = 0;
    std::array<uint16_t, FullPlayerState::MaxPassThroughPlatforms> passThroughPlatforms{};
    int8_t move = 0;
    int8_t aimX = 0;
    int8_t aimY = 0;
    uint8_t fallThrough = 0;
    uint8_t jump = 0;
    // Whether it holds its ability's button.
    uint8_t use = 0;
    // Whole points, rounded up so a living player never reads as dead; enough for the wounded look and
    // the markers. It travels as at most MaxHealth.
    static constexpr uint32_t MaxHealth = 1023;
    uint32_t health = 0;
    uint32_t abilityPart = 0;
    uint32_t secondaryWeapon = 0;
    uint32_t currentWeapon = 0;
    uint32_t pickedUpWeapon = 0;
    uint32_t carriedItem = 0;
    uint32_t pickedUpItem = 0;
    HeldTransform pickedUpWeaponTransform;
    HeldTransform pickedUpItemTransform;
    uint32_t airState = 0;
    uint32_t weaponState = 0;
    int32_t weaponTimer = 0;
    uint32_t handState = 0;
    int32_t handTimer = 0;
    PlayerDrive drive;
};

// A weapon or an item lying in the world.
struct PickupState
{
    bool operator==(const PickupState&) const = default;

    uint16_t id = 0;
    bool holdsWeapon = false;
    // A weapon definition's index when it holds a weapon, else an item definition's.
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 velocity;
    float rotation = 0.0f;
    uint8_t flipY = 0;
    uint8_t rotates = 0;
};

// A moving platform's place along its path.
struct PlatformState
{
    bool operator==(const PlatformState&) const = default;

    // Its index in the world's platforms.
    uint16_t platform = 0;
    // Seconds along the path.
    float pathTime = 0.0f;
    bool stopped = false;
    bool finished = false;
};

// A projectile in flight.
struct ProjectileState
{
    static constexpr uint8_t NoOwner = 255;

    bool operator==(const ProjectileState&) const = default;

    uint16_t id = 0;
    // A state read without an owner holds NoOwner.
    bool hasOwner = false;
    uint8_t owner = 0;
    // The weapon definition that fired it.
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 velocity;
    float rotation = 0.0f;
    uint8_t flipY = 0;
};

// A shot another machine's player fired lately: where it left the muzzle, so that the receiving client
// hears it there once, whether or not its projectile ever comes into view.
struct ShotState
{
    // A shot older than this many frames before its state's frame does not travel.
    static constexpr uint32_t MaxAge = 127;
    // The muzzle's direction travels in steps of a turn over this.
    static constexpr uint32_t HeadingSteps = 256;

    bool operator==(const ShotState&) const = default;

    uint8_t shooter = 0;
    // It was fired in the frame age + 1 before the state's frame.
    uint32_t age = 0;
    // The weapon definition that fired it.
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    // Of HeadingSteps to a turn, counterclockwise from the right.
    uint32_t heading = 0;
    bool facingLeft = false;
};

// One client's part of the world, with room for as much as one state may carry. Only the first count
// entries of each list mean anything.
struct GameState
{
    static constexpr uint32_t MaxOwnPlayers = AddPlayerMessage::MaxPlayers;
    static constexpr uint32_t MaxPlayers = World::PlayerCount;
    static constexpr uint32_t MaxPickups = 50;
    static constexpr uint32_t MaxPlatforms = 8;
    static constexpr uint32_t MaxProjectiles = 8;
    static constexpr uint32_t MaxShots = 32;

    bool operator==(const GameState&) const = default;

    // Empties every list and zeroes every slot.
    void Clear() { *this = GameState(); }

    uint32_t ownCount = 0;
    uint32_t playerCount = 0;
    uint32_t pickupCount = 0;
    uint32_t platformCount = 0;
    uint32_t projectileCount = 0;
    uint32_t shotCount = 0;
    std::array<FullPlayerState, MaxOwnPlayers> ownPlayers{};
    std::array<PlayerState, MaxPlayers> players{};
    std::array<PickupState, MaxPickups> pickups{};
    std::array<PlatformState, MaxPlatforms> platforms{};
    std::array<ProjectileState, MaxProjectiles> projectiles{};
    std::array<ShotState, MaxShots> shots{};
};

// Measures, writes or reads a game state, for the three streams of the networking library. Every count
// travels before its entries and a read refuses one above its list's room; clips, reserves and timers
// beyond what their fields hold are written as the nearest value they hold.
template <class Stream> bool SerializeGameState(Stream& stream, GameState& state, const MessageLimits& limits);
