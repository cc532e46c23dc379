#pragma once

#include "Engine/Foundation/Math.h"

#include <vector>

class Bone;
class PlayerBody;

// What the game renderer draws a player with: the bones of its three skeleton trees, which it points
// into. Owned by the Player, made by the player factory unless the game runs headless, and rebuilt
// whenever the player's skeleton is, since that moves the bones. Application thread only.
class PlayerRenderable
{
public:
    PlayerRenderable() = default;
    PlayerRenderable(const PlayerRenderable&) = delete;
    PlayerRenderable& operator=(const PlayerRenderable&) = delete;
    virtual ~PlayerRenderable() = default;

    // Collects the bones again from the body's trees, depth first.
    void Rebuild(PlayerBody& body);

    // Set when the player was moved outside an ordinary tick (by a re-simulation), so that drawing
    // does not interpolate from where it was.
    bool moved = false;
    std::vector<Bone*> bones;
    // The bones with a draw order for facing left, and for facing right, each in that order.
    std::vector<Bone*> leftBones;
    std::vector<Bone*> rightBones;
};
