#include "Source/Network/Messages/GameState.h"

#include "Source/Network/Messages/GameMessage.h"

namespace
{

// Platform indexes travel in 10 bits: a world has 1024 platforms.
constexpr int64_t MaxPlatformIndex = 1023;
constexpr int64_t MaxEntityId = 65534;
constexpr int64_t MaxClip = 127;
constexpr int64_t MaxReserve = 511;
constexpr int64_t MaxTimer = 511;
// A part's energy never runs past its maximum.
constexpr int64_t MaxEnergy = 1000;

template <class Stream> bool SerializeVector(Stream& stream, Lumvek::Vector2& vector)
{
    return Wire::Raw(stream, vector.x) && Wire::Raw(stream, vector.y);
}

template <class Stream> bool SerializeTransform(Stream& stream, HeldTransform& transform)
{
    return SerializeVector(stream, transform.position) && Wire::Raw(stream, transform.rotation) &&
           Wire::Flag(stream, transform.mirrored);
}

// The fields both kinds of player state begin with: index, movement, ground contact and pass-through
// platforms.
template <class Stream, class Record> bool SerializeBody(Stream& stream, Record& record)
{
    if (!Wire::Ranged(stream, record.player, 0, HighestPlayerIndex) || !SerializeVector(stream, record.position) ||
        !SerializeVector(stream, record.velocity) || !Wire::Raw(stream, record.jumpTime) ||
        !Wire::Flag(stream, record.onPlatform))
        return false;
    if (record.onPlatform)
    {
        if (!Wire::Ranged(stream, record.platform, 0, MaxPlatformIndex))
            return false;
    }
    else if constexpr (Stream::IsReading)
    {
        record.platform = FullPlayerState::NoPlatform;
    }
    if (!Wire::Ranged(stream, record.passThroughCount, 0, FullPlayerState::MaxPassThroughPlatforms))
        return false;
    for (uint32_t i = 0; i < record.passThroughCount; ++i)
        if (!Wire::Ranged(stream, record.passThroughPlatforms[i], 0, MaxPlatformIndex))
            return false;
    return true;
}

// The ability part and what the player holds: a weapon or item place holds the list's count when empty.
template <class Stream, class Record>
bool SerializeEquipment(Stream& stream, Record& record, const MessageLimits& limits)
{
    return Wire::Ranged(stream, record.abilityPart, 0, 3) &&
           Wire::IndexUpTo(stream, record.secondaryWeapon, limits.weapons) &&
           Wire::IndexUpTo(stream, record.currentWeapon, limits.weapons) &&
           Wire::IndexUpTo(stream, record.pickedUpWeapon, limits.weapons) &&
           Wire::IndexUpTo(stream, record.carriedItem, limits.items) &&
           Wire::IndexUpTo(stream, record.pickedUpItem, limits.items);
}

// Where the hands hold what they pick up; only for the places that hold something.
template <class Stream, class Record> bool SerializeHands(Stream& stream, Record& record, const MessageLimits& limits)
{
    if (record.pickedUpWeapon < limits.weapons && !SerializeTransform(stream, record.pickedUpWeaponTransform))
        return false;
    if (record.pickedUpItem < limits.items && !SerializeTransform(stream, record.pickedUpItemTransform))
        return false;
    return true;
}

template <class Stream, class Record> bool SerializeStates(Stream& stream, Record& record)
{
    return Wire::Ranged(stream, record.airState, 0, 2) && Wire::Ranged(stream, record.weaponState, 0, 6) &&
           Wire::Clamped(stream, record.weaponTimer, 0, MaxTimer) && Wire::Ranged(stream, record.handState, 0, 2) &&
           Wire::Clamped(stream, record.handTimer, 0, MaxTimer);
}

// A vector that is often zero: a bit, and the two components when it is not.
template <class Stream> bool SerializePush(Stream& stream, Lumvek::Vector2& push)
{
    bool present = push.x != 0.0f || push.y != 0.0f;
    if (!Wire::Flag(stream, present))
        return false;
    if (present)
    {
        if (!SerializeVector(stream, push))
            return false;
        // A push said to be there is not nothing: the writer flags a zero push absent.
        if constexpr (Stream::IsReading)
            return push.x != 0.0f || push.y != 0.0f;
        return true;
    }
    if constexpr (Stream::IsReading)
        push = Lumvek::Vector2();
    return true;
}

template <class Stream> bool SerializeDrive(Stream& stream, PlayerDrive& drive)
{
    if (!SerializePush(stream, drive.impulse) || !SerializePush(stream, drive.windImpulse) ||
        !SerializePush(stream, drive.windSpeed) || !Wire::Clamped(stream, drive.energy, 0, MaxEnergy) ||
        !Wire::Clamped(stream, drive.rechargeDelay, 0, MaxTimer) || !Wire::Flag(stream, drive.discharging))
        return false;
    for (uint32_t i = 0; i < Attributes::Count; ++i)
    {
        bool changed = (drive.modifierMask >> i) & 1u;
        if (!Wire::Flag(stream, changed))
            return false;
        if constexpr (Stream::IsReading)
        {
            drive.modifierMask = changed ? drive.modifierMask | (1u << i) : drive.modifierMask & ~(1u << i);
            drive.modifiers[i] = 0.0f;
        }
        if (changed && !Wire::Raw(stream, drive.modifiers[i]))
            return false;
    }
    return true;
}

template <class Stream> bool SerializeFullPlayer(Stream& stream, FullPlayerState& record, const MessageLimits& limits)
{
    if (!SerializeBody(stream, record) || !SerializeEquipment(stream, record, limits) ||
        !Wire::Raw(stream, record.health))
        return false;
    if (record.currentWeapon < limits.weapons &&
        (!Wire::Clamped(stream, record.clip, 0, MaxClip) || !Wire::Clamped(stream, record.reserve, 0, MaxReserve)))
        return false;
    return SerializeHands(stream, record, limits) && SerializeStates(stream, record) &&
           SerializeDrive(stream, record.drive);
}

template <class Stream> bool SerializePlayer(Stream& stream, PlayerState& record, const MessageLimits& limits)
{
    return SerializeBody(stream, record) && Wire::Axis(stream, record.move) && Wire::Axis(stream, record.aimX) &&
           Wire::Axis(stream, record.aimY) && Wire::Flag(stream, record.fallThrough) &&
           Wire::Flag(stream, record.jump) && Wire::Flag(stream, record.use) &&
           Wire::Clamped(stream, record.health, 0, PlayerState::MaxHealth) &&
           SerializeEquipment(stream, record, limits) && SerializeHands(stream, record, limits) &&
           SerializeStates(stream, record) && SerializeDrive(stream, record.drive);
}

template <class Stream> bool SerializePickup(Stream& stream, PickupState& record, const MessageLimits& limits)
{
    // The flag comes first, so the definition's range follows what the pickup holds: item indexes may
    // run past the weapons' count.
    return Wire::Ranged(stream, record.id, 0, MaxEntityId) && Wire::Flag(stream, record.holdsWeapon) &&
           Wire::IndexBelow(stream, record.definition, record.holdsWeapon ? limits.weapons : limits.items) &&
           SerializeVector(stream, record.position) && SerializeVector(stream, record.velocity) &&
           Wire::Raw(stream, record.rotation) && Wire::Flag(stream, record.flipY) && Wire::Flag(stream, record.rotates);
}

template <class Stream> bool SerializePlatform(Stream& stream, PlatformState& record)
{
    return Wire::Ranged(stream, record.platform, 0, MaxPlatformIndex) && Wire::Raw(stream, record.pathTime) &&
           Wire::Flag(stream, record.stopped) && Wire::Flag(stream, record.finished);
}

template <class Stream> bool SerializeProjectile(Stream& stream, ProjectileState& record, const MessageLimits& limits)
{
    if (!Wire::Ranged(stream, record.id, 0, MaxEntityId) || !Wire::Flag(stream, record.hasOwner))
        return false;
    if (record.hasOwner)
    {
        if (!Wire::Ranged(stream, record.owner, 0, HighestPlayerIndex))
            return false;
    }
    else if constexpr (Stream::IsReading)
    {
        record.owner = ProjectileState::NoOwner;
    }
    return Wire::IndexBelow(stream, record.definition, limits.weapons) && SerializeVector(stream, record.position) &&
           SerializeVector(stream, record.velocity) && Wire::Raw(stream, record.rotation) &&
           Wire::Flag(stream, record.flipY);
}

template <class Stream> bool SerializeShot(Stream& stream, ShotState& record, const MessageLimits& limits)
{
    return Wire::Ranged(stream, record.shooter, 0, HighestPlayerIndex) &&
           Wire::Ranged(stream, record.age, 0, ShotState::MaxAge) &&
           Wire::IndexBelow(stream, record.definition, limits.weapons) && SerializeVector(stream, record.position) &&
           Wire::Ranged(stream, record.heading, 0, ShotState::HeadingSteps - 1) &&
           Wire::Flag(stream, record.facingLeft);
}

} // namespace

template <class Stream> bool SerializeGameState(Stream& stream, GameState& state, const MessageLimits& limits)
{
    if (!Wire::Ranged(stream, state.ownCount, 0, GameState::MaxOwnPlayers) ||
        !Wire::Ranged(stream, state.playerCount, 0, GameState::MaxPlayers) ||
        !Wire::Ranged(stream, state.pickupCount, 0, GameState::MaxPickups) ||
        !Wire::Ranged(stream, state.platformCount, 0, GameState::MaxPlatforms) ||
        !Wire::Ranged(stream, state.projectileCount, 0, GameState::MaxProjectiles) ||
        !Wire::Ranged(stream, state.shotCount, 0, GameState::MaxShots))
        return false;
    for (uint32_t i = 0; i < state.ownCount; ++i)
        if (!SerializeFullPlayer(stream, state.ownPlayers[i], limits))
            return false;
    for (uint32_t i = 0; i < state.playerCount; ++i)
        if (!SerializePlayer(stream, state.players[i], limits))
            return false;
    for (uint32_t i = 0; i < state.pickupCount; ++i)
        if (!SerializePickup(stream, state.pickups[i], limits))
            return false;
    for (uint32_t i = 0; i < state.platformCount; ++i)
        if (!SerializePlatform(stream, state.platforms[i]))
            return false;
    for (uint32_t i = 0; i < state.projectileCount; ++i)
        if (!SerializeProjectile(stream, state.projectiles[i], limits))
            return false;
    for (uint32_t i = 0; i < state.shotCount; ++i)
        if (!SerializeShot(stream, state.shots[i], limits))
            return false;
    return true;
}

template bool SerializeGameState(Net::MeasureStream&, GameState&, const MessageLimits&);
template bool SerializeGameState(Net::WriteStream&, GameState&, const MessageLimits&);
template bool SerializeGameState(Net::ReadStream&, GameState&, const MessageLimits&);
