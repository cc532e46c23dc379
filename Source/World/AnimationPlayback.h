#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/AnimationMapping.h"
#include "Source/World/Keyframes.h"
#include "Source/World/PlayerBody.h"

#include <array>
#include <cstdint>

class CharacterData;
class PlayerAnimation;

// How far one player is through the animation one of its channels plays. Animations are shared by
// every player of a character, so all that is a player's own lives here; Start fills it afresh.
struct AnimationPlayback
{
    // The most bones one timeline poses (the core's seven).
    static constexpr uint32_t MaximumPosedBones = 7;

    // In the animation's time units: 0 to 1 per cycle for a looping clip.
    float time = 0.0f;
    bool transitionDone = false;
    // The animation times a blend of the pose began and ends at.
    float blendStart = 0.0f;
    float blendEnd = 0.0f;
    // The gait of the last frame, and the gait change under way, of a walking-and-running animation.
    bool wasWalking = false;
    bool blending = false;
    float blendLeft = 0.0f;
    // Where each posed bone was when the current blend began, in the timeline's bone order.
    std::array<Keyframe, MaximumPosedBones> startPose{};

    // The arm an action bends and the node its hand reaches for. Kept as names of the rig's nodes rather
    // than pointers, since a new loadout rebuilds the rig under a running animation.
    PlayerBone upper = PlayerBone::RightHumerus;
    PlayerBone lower = PlayerBone::RightRadius;
    PlayerBone end = PlayerBone::RightHand;
    PlayerBone target = PlayerBone::Weapon;
    // Seconds the action takes for this player, whose Dexterity it depends on.
    float duration = 0.0f;
    // Where the moved node started, in player space, and its rotation and size then.
    Lumvek::Vector2 savedPoint;
    float savedAngle = 0.0f;
    Lumvek::Vector2 savedSize;
    // Where the pick-up root holding the object started, in world units, and its rotation then.
    Lumvek::Vector2 savedHeldPosition;
    float savedHeldAngle = 0.0f;
};

// What a player's character animation plays: the animation of each channel (none until a mapping
// first chooses one) and its progress. Held by the player record; application thread only.
struct AnimationState
{
    // The character whose animations the pointers below are; a player given another character
    // starts over.
    const CharacterData* character = nullptr;
    std::array<PlayerAnimation*, AnimationChannelCount> current{};
    std::array<AnimationPlayback, AnimationChannelCount> playback{};
};
