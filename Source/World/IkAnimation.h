#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/PlayerAnimation.h"

#include <cstdint>

class Bone;
class WeaponData;

// Player space: world units measured from the lower-left corner of the player's rectangle (the rig's
// root spans that rectangle). Nodes that hang from the root take their positions in it divided by the
// player's width and height.

// An arm that follows the game rather than a clip: each frame it places a target node (where the hand
// should be) and bends the arm's upper and lower bone so that the hand reaches it. The work is done
// with the rig facing right; a player facing left is turned back afterwards. Built in code; never loops
// and has no transition. Shared by every player of the character, each one's progress in its
// playback block.
class IkAnimation : public PlayerAnimation
{
public:
    IkAnimation();

    // The node's pivot in player space.
    static Lumvek::Vector2 NodePoint(const Player& player, Bone& node);
    // The node's pivot in the world.
    static Lumvek::Vector2 NodeWorldPoint(Bone& node);
    // Puts a node that hangs from the root at the point, turned by the angle, of the size (keeping the
    // signs of its scale).
    static void PlaceTarget(const Player& player, Bone& node, Lumvek::Vector2 point, float angle, Lumvek::Vector2 size);
    // Puts the node between two places by weight (at `to` from weight 1 on), the angle the shorter way.
    static void BlendPlace(const Player& player, Bone& node, Lumvek::Vector2 from, float fromAngle, Lumvek::Vector2 to,
                           float toAngle, float weight);
    // The same, with the size blended too.
    static void BlendPlaceScaled(const Player& player, Bone& node, Lumvek::Vector2 from, float fromAngle,
                                 Lumvek::Vector2 fromSize, Lumvek::Vector2 to, float toAngle, Lumvek::Vector2 toSize,
                                 float weight);
    // Where the aimed weapon is held: out from the right shoulder along the aim by the weapon's
    // AimRadius (0.5 without a weapon), as if facing right; and the aim's angle in [0, 2π).
    static void AimTarget(const Player& player, Lumvek::Vector2& point, float& angle);
    // Bends upper and lower so that the end of the chain reaches the target's pivot: straight toward a
    // target out of reach, folded back on one too near. Takes the bones' own directions from the rig, so
    // an arm drawn hanging down is bent as well as one drawn pointing along its rotation. A bone of no
    // length leaves the arm as it is.
    static void SolveTwoBones(Bone& upper, Bone& lower, Bone& end, Bone& target);

    // The lower-left corner of the player's rectangle in the world, and its size.
    static Lumvek::Vector2 OriginCorner(const Player& player);
    static Lumvek::Vector2 PlayerSize(const Player& player);
    // Seconds a weapon time of that many ticks takes the player at its Dexterity.
    static float ActionSeconds(const Player& player, uint32_t ticks);
    // How far through the action the timer is: the ticks left interpolated toward the next tick,
    // against the duration; 1 for an action of no duration, never outside [0, 1].
    static float Progress(const AnimationPlayback& playback, int32_t timer, float interpolation);

protected:
    void OnStart(Player& player, AnimationPlayback& playback) override;
    void ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight) override;
    void Apply(Player& player, AnimationPlayback& playback, float step, float time, float interpolation) override;

    // Chooses the arm and the target and keeps where things start.
    virtual void Begin(Player& player, AnimationPlayback& playback, bool mirrored) = 0;
    // Places the target for this frame.
    virtual void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                              bool mirrored) = 0;

    static void UseArm(AnimationPlayback& playback, bool left, PlayerBone target);
};

// The right hand holds the weapon out along the aim.
class AimAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The left hand goes to the weapon's reload point and comes back.
class LeftArmReloadAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The weapon comes down to the reload point, then back up to the aim.
class RightArmReloadAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The weapon goes to the holster at its stowed size; a weapon being picked up comes to the right hand.
class PutAwayAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The weapon comes from where it was up to the aim at its full size.
class TakeOutAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The right hand reaches for the weapon being picked up and brings it in.
class RightArmPickUpAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The left hand reaches for the item being picked up and brings it in.
class LeftArmPickUpAnimation final : public IkAnimation
{
protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The left hand pushes against the wall beside the player, higher when walking into it.
class PushAnimation final : public IkAnimation
{
public:
    static constexpr float Duration = 0.2f;

protected:
    void Begin(Player& player, AnimationPlayback& playback, bool mirrored) override;
    void UpdateTarget(Player& player, AnimationPlayback& playback, float step, float time, float interpolation,
                      bool mirrored) override;
};

// The head turns toward the aim: up to 30 degrees up, and down by half of the aim's angle below the
// horizon, which stops at 35 degrees.
class LookAnimation final : public PlayerAnimation
{
public:
    LookAnimation();

    // The skull's rotation for an aim angle in [0, 2π).
    static float LookAngle(float aimAngle);

protected:
    void ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight) override;
    void Apply(Player& player, AnimationPlayback& playback, float step, float time, float interpolation) override;
};
