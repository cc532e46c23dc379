#include "Source/World/AnimationMapping.h"

#include "Engine/Foundation/Members.h"
#include "Source/World/Player.h"
#include "Source/World/PlayerAnimation.h"

#include <algorithm>

using namespace Lumvek;

namespace
{

// A field equal to the state's scores the weight, Any scores nothing, anything else rejects.
template <class E> bool Score(E field, E value, uint32_t weight, uint64_t& score)
{
    if (field == E::Any)
        return true;
    if (field != value)
        return false;
    score += weight;
    return true;
}

} // namespace

CharacterState CharacterState::Of(const Player& player)
{
    return CharacterState{player.healthState, player.movementState, player.airState, player.weaponState,
                          player.handState};
}

bool AnimationMapping::Read(BlueprintReader& reader)
{
    ReadMember(reader, "Animation", animation);
    ReadMember(reader, "Health", health);
    ReadMember(reader, "Movement", movement);
    ReadMember(reader, "Air", air);
    ReadMember(reader, "Weapon", weapon);
    ReadMember(reader, "Item", item);
    ReadMember(reader, "Weight", weight);
    return true;
}

bool AnimationMapping::Matches(const CharacterState& state, uint64_t& score) const
{
    // Counted wide: five fields of a weight near the 32-bit limit must not wrap round to a low score.
    score = 0;
    return Score(health, state.health, weight, score) && Score(movement, state.movement, weight, score) &&
           Score(air, state.air, weight, score) && Score(weapon, state.weapon, weight, score) &&
           Score(item, state.item, weight, score);
}

bool ReadAnimationMappings(const Blueprint& value, AnimationMappings& mappings, ReadReport* report)
{
    mappings.clear();
    if (value.GetType() != BlueprintType::Array)
        return false;
    mappings.reserve(value.GetCount());
    bool read = true;
    for (uint32_t i = 0; i < value.GetCount(); ++i)
    {
        BlueprintReader reader(value.GetElement(i), report, "[" + std::to_string(i) + "]");
        read = mappings.emplace_back().Read(reader) && read;
    }
    return read;
}

AnimationTable::AnimationTable() = default;

AnimationTable::~AnimationTable() = default;

std::vector<std::string> AnimationTable::GetNames() const
{
    std::vector<std::string> names;
    names.reserve(animations.size());
    for (const auto& entry : animations)
        names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}

void AnimationTable::Clear()
{
    animations.clear();
}

PlayerAnimation& AnimationTable::Insert(StringView name, std::unique_ptr<PlayerAnimation> animation)
{
    std::unique_ptr<PlayerAnimation>& slot = animations[name.ToString()];
    slot = std::move(animation);
    return *slot;
}

PlayerAnimation* AnimationTable::Find(StringView name) const
{
    const auto found = animations.find(name.ToStdView());
    return found == animations.end() ? nullptr : found->second.get();
}
