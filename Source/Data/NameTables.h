#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/StringView.h"

#include <concepts>
#include <cstdint>

// The game's enumerations as text: each has a fixed list of names, the position of a name being its
// value. Texts are parsed ignoring letter case, the whole text against each name; a value is written
// as its name exactly as listed.

enum class PartClassification : uint32_t
{
    Dull,
    Okay,
    Cool,
    Awesome,
};

enum class PathState : uint32_t
{
    Normal,
    Hidden,
    Stopped,
    Finished,
};

// In the four animation-state enumerations, Any is the wildcard of animation selection.
enum class HealthState : uint32_t
{
    Healthy,
    Wounded,
    Critical,
    Dead,
    Any,
};

enum class MovementState : uint32_t
{
    Idle,
    MovingForward,
    MovingBackward,
    WallForward,
    WallBackward,
    LeanForward,
    LeanBackward,
    SkidForward,
    SkidBackward,
    Any,
};

enum class AirState : uint32_t
{
    Grounded,
    Soaring,
    Falling,
    Any,
};

enum class WeaponState : uint32_t
{
    None,
    Aiming,
    Reloading,
    FinishingReload,
    PuttingAway,
    TakingOut,
    PickingUp,
    Any,
};

enum class ItemState : uint32_t
{
    None,
    PickingUp,
    Holding,
    Any,
};

enum class TriggerAction : uint32_t
{
    PathStartAction,
    CtfFlagStandAction,
    CheckpointAction,
    None,
};

// How the game modes combine their players' scores into a team's score.
enum class TeamScoring : uint32_t
{
    SumOfTeam,
    TeamMaximum,
    TeamMinimum,
};
// The game modes' name for the same rule.
using ScoreType = TeamScoring;

// The teams, numbered from 0; Neutral is no team (or every team).
enum class TeamColor : uint32_t
{
    Red,
    Blue,
    Green,
    Yellow,
    Neutral,
};

// At most this many teams play; the team count 1 is every player for himself.
constexpr uint32_t MaximumTeamCount = 4;
constexpr uint32_t TeamColorCount = 5;

// What the scoreboard, the feed and the per-team asset names use of a team.
struct TeamColorEntry
{
    uint32_t value;
    // Mixed case: builds asset names ("Red" + "Flag").
    Lumvek::StringView name;
    // Capitals: the team's name in feed messages and on the scoreboard.
    Lumvek::StringView upperName;
    Lumvek::Color color;

    // The colour's bytes red, green, blue, alpha in memory, read as one little-endian number.
    uint32_t PackedColor() const
    {
        return static_cast<uint32_t>(color.r) | static_cast<uint32_t>(color.g) << 8 |
               static_cast<uint32_t>(color.b) << 16 | static_cast<uint32_t>(color.a) << 24;
    }
};

// The entry of a team value; throws InvalidIndex for a value past Neutral.
const TeamColorEntry& GetTeamColor(uint32_t team);

// The name lists, one per enumeration.
const Lumvek::NameList& EnumNames(PartClassification);
const Lumvek::NameList& EnumNames(PathState);
const Lumvek::NameList& EnumNames(HealthState);
const Lumvek::NameList& EnumNames(MovementState);
const Lumvek::NameList& EnumNames(AirState);
const Lumvek::NameList& EnumNames(WeaponState);
const Lumvek::NameList& EnumNames(ItemState);
const Lumvek::NameList& EnumNames(TriggerAction);
const Lumvek::NameList& EnumNames(TeamScoring);
const Lumvek::NameList& EnumNames(TeamColor);

// The names of the spawn-mask bits, entry i naming bit i: "Player", "Objective", "Weapon0" to
// "Weapon5", "Team0" to "Team3", "FreeForAll", then the four game modes.
const Lumvek::NameList& SpawnMaskNames();

template <class E>
concept NamedEnum = requires(E value)
{
    {
        EnumNames(value)
        } -> std::same_as<const Lumvek::NameList&>;
};

// The name of a value; empty for a value past the end of its list.
template <NamedEnum E> Lumvek::StringView EnumName(E value)
{
    return EnumNames(E{}).GetName(static_cast<uint32_t>(value));
}

// The value whose name equals the whole text, ignoring case; false and value untouched when none does.
template <NamedEnum E> bool ParseEnum(E& value, Lumvek::StringView text)
{
    uint32_t parsed = 0;
    if (!EnumNames(E{}).ParseName(parsed, text))
        return false;
    value = static_cast<E>(parsed);
    return true;
}

bool ReadEnumMember(Lumvek::BlueprintReader& reader, Lumvek::StringView key, const Lumvek::NameList& names,
                    uint32_t& value);
bool WriteEnumMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, const Lumvek::NameList& names,
                     uint32_t value);

// A String member holding one of the names; absent, mistyped or unknown leaves the field, and a
// present one that is not taken is refused through the reader.
template <NamedEnum E> bool ReadMember(Lumvek::BlueprintReader& reader, Lumvek::StringView key, E& value)
{
    uint32_t parsed = 0;
    if (!ReadEnumMember(reader, key, EnumNames(E{}), parsed))
        return false;
    value = static_cast<E>(parsed);
    return true;
}

// The value's name as a String member; false, writing nothing, for a value past the end of its list.
template <NamedEnum E> bool WriteMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, E value)
{
    return WriteEnumMember(writer, key, EnumNames(E{}), static_cast<uint32_t>(value));
}
