#include "Source/World/Character.h"

#include "Source/Data/CharacterData.h"
#include "Source/World/CharacterAnimations.h"
#include "Source/World/Player.h"
#include "Source/World/PlayerAnimation.h"

#include <array>

using namespace Lumvek;

namespace
{

constexpr float Pi = 3.1415927f;

constexpr std::array<AnimationChannel, AnimationChannelCount> Channels{
    AnimationChannel::Head, AnimationChannel::Core, AnimationChannel::LeftArm, AnimationChannel::RightArm};
// The core goes first: the limbs hang from the spine it poses.
constexpr std::array<AnimationChannel, AnimationChannelCount> UpdateOrder{
    AnimationChannel::Core, AnimationChannel::Head, AnimationChannel::LeftArm, AnimationChannel::RightArm};

void DecayFlinch(PlayerBody& body, float frameTime)
{
    const float step = Pi * frameTime;
    if (body.flinchAngle > step)
        body.flinchAngle -= step;
    else if (body.flinchAngle < -step)
        body.flinchAngle += step;
    else
        body.flinchAngle = 0.0f;
}

} // namespace

PlayerAnimation* Character::SelectAnimation(const CharacterState& state, const AnimationMappings& mappings,
                                            const AnimationTable& table)
{
    uint64_t best = 0;
    const AnimationMapping* chosen = nullptr;
    for (const AnimationMapping& mapping : mappings)
    {
        uint64_t score = 0;
        if (mapping.Matches(state, score) && score >= best)
        {
            best = score;
            chosen = &mapping;
        }
    }
    if (!chosen || chosen->animation.empty())
        return nullptr;
    return table.Find(chosen->animation);
}

void Character::UpdateAnimations(Player& player, float frameTime, float interpolation)
{
    if (player.healthState == HealthState::Dead)
        return;
    AnimationState& state = player.animation;
    const CharacterData* character = player.character;
    if (state.character != character)
    {
        state = AnimationState();
        state.character = character;
    }
    if (character && character->animations)
    {
        const CharacterAnimations& animations = *character->animations;
        const CharacterState now = CharacterState::Of(player);
        std::array<PlayerAnimation*, AnimationChannelCount> selected{};
        for (AnimationChannel channel : Channels)
            selected[static_cast<uint32_t>(channel)] =
                SelectAnimation(now, animations.GetMappings(channel), animations.GetTable(channel));
        for (uint32_t i = 0; i < AnimationChannelCount; ++i)
            if (selected[i] && selected[i] != state.current[i])
            {
                state.current[i] = selected[i];
                selected[i]->Start(player, state.playback[i]);
            }
        for (AnimationChannel channel : UpdateOrder)
        {
            const uint32_t i = static_cast<uint32_t>(channel);
            if (state.current[i])
                state.current[i]->Update(player, state.playback[i], frameTime, interpolation);
        }
    }
    DecayFlinch(player.body, frameTime);
}

void Character::AnimateParts(Player& player, float frameTime)
{
    if (player.healthState == HealthState::Dead)
        return;
    for (Part* part : {static_cast<Part*>(player.head.get()), static_cast<Part*>(player.core.get()),
                       static_cast<Part*>(player.arms.get()), static_cast<Part*>(player.legs.get())})
        if (part)
            part->Animate(frameTime);
}
