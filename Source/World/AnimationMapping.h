#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Source/Data/Data.h"
#include "Source/Data/NameTables.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Player;
class PlayerAnimation;

// The four limb groups a character is posed by, each choosing and playing its own animation.
enum class AnimationChannel : uint32_t
{
    Head,
    Core,
    LeftArm,
    RightArm,
};
constexpr uint32_t AnimationChannelCount = 4;

// What a player is doing, as the character's animation mappings read it. A player's state never holds
// the Any values, which only mappings use.
struct CharacterState
{
    HealthState health = HealthState::Healthy;
    MovementState movement = MovementState::Idle;
    AirState air = AirState::Grounded;
    WeaponState weapon = WeaponState::None;
    ItemState item = ItemState::None;

    static CharacterState Of(const Player& player);
};

// One line of a channel's mapping file: the animation to play in the states it names. Each field must
// equal the player's (adding Weight to the mapping's score) or be Any (adding nothing); a field left out
// of the file is its first value (Healthy, Idle, Grounded, None, None), not Any.
struct AnimationMapping
{
    // The keys "Animation", "Health", "Movement", "Air", "Weapon", "Item" (names of the states, in any
    // letter case) and "Weight" (a whole number in decimal digits). A key that is absent keeps its field;
    // one of another kind, out of range or naming no state keeps it too and is refused through the
    // reader, which names it in the file's report. True.
    bool Read(Lumvek::BlueprintReader& reader);
    // Whether the mapping takes the state, and its score for it.
    bool Matches(const CharacterState& state, uint64_t& score) const;

    std::string animation;
    HealthState health = HealthState::Healthy;
    MovementState movement = MovementState::Idle;
    AirState air = AirState::Grounded;
    WeaponState weapon = WeaponState::None;
    ItemState item = ItemState::None;
    uint32_t weight = 1;
};

using AnimationMappings = std::vector<AnimationMapping>;

// Replaces the list by the value's elements in order, each read over a default mapping. False, with
// the list left empty, when the value is no Array.
bool ReadAnimationMappings(const Lumvek::Blueprint& value, AnimationMappings& mappings,
                           Lumvek::ReadReport* report = nullptr);

// A channel's animations by name; owns them. Filled when the character loads, read-only afterwards.
class AnimationTable
{
public:
    AnimationTable();
    AnimationTable(const AnimationTable&) = delete;
    AnimationTable& operator=(const AnimationTable&) = delete;
    ~AnimationTable();

    // Stores the animation under the name; one already there is destroyed.
    PlayerAnimation& Insert(Lumvek::StringView name, std::unique_ptr<PlayerAnimation> animation);
    // Null when the table has none of that name. Allocates nothing.
    PlayerAnimation* Find(Lumvek::StringView name) const;
    // Every name, sorted; for listing, not for every tick.
    std::vector<std::string> GetNames() const;
    void Clear();
    uint32_t Count() const { return static_cast<uint32_t>(animations.size()); }

private:
    std::unordered_map<std::string, std::unique_ptr<PlayerAnimation>, DataDetail::NameHash, std::equal_to<>> animations;
};
