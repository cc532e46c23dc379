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

// One rendered frame of the player's animation: each channel starts the animation its mappings choose
// when that changed, every channel plays on by the frame's seconds, the parts animate, and the flinch
// eases back toward 0 by π per second. A dead player holds its last pose and flinch. Called by the
// visual update for every player of the world, after loading has finished; application thread only.
void UpdateAnimations(Player& player, float frameTime, float interpolation);

} // namespace Character
