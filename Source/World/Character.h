#pragma once

#include "Source/World/AnimationMapping.h"

class Player;

// The character animation of a player: choosing each channel's animation and playing it.
namespace Character
{

// The animation of the highest-scoring mapping that takes the state (a later mapping winning a tie);
// none when no mapping takes it, the winner names nothing or the table has no animation of its name.
PlayerAnimation* SelectAnimation(const CharacterState& state, const AnimationMappings& mappings,
                                 const AnimationTable& table);

// One tick of the player's pose: each channel starts the animation its mappings choose when that
// changed, every channel plays on by the seconds given, and the flinch eases back toward 0 by π per
// second. A dead player holds its last pose and flinch. The world calls it first in every tick,
// drawn or not: the tick reads the pose (the muzzle hangs from the shoulder), so a pose that moved with
// the frames drawn would make a match play differently in a window than headless.
void UpdateAnimations(Player& player, float frameTime, float interpolation);
// One rendered frame of the player's parts (Part::Animate), which only change what is drawn; a dead
// player's parts hold still. Called by the visual update; application thread only.
void AnimateParts(Player& player, float frameTime);

} // namespace Character
