#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"

#include <cstdint>
#include <string>
#include <vector>

class Data;

namespace Lumvek
{
class Texture;
}

// One node of a skeleton: a character definition holds its skeletons as trees of bones, and each
// player's rig copies them. Children are held by value, the parent by a plain pointer; a copied tree's
// parent pointers still point into the tree it was copied from until it is re-linked where it stays.
class Bone
{
public:
    // Finds the sprite ids of the bone and of its children among the owner's image files.
    static void ResolveSpriteIds(const Data& owner, Bone& bone);
    // Loads the images behind the sprite ids of the bone and of its children into the sprite and
    // drawing textures.
    static void LoadTree(const Data& owner, Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture,
                         const Bone& bone);

    std::string name;
    // Sprite ids in NameTableA, -1 for none: the region drawn, and the region shown.
    uint32_t drawRegion = Lumvek::InvalidId;
    uint32_t region = Lumvek::InvalidId;
    // A polygon in bone space.
    std::vector<Lumvek::Vector2> shape;
    // The layout of the bone's sprite sheet.
    uint32_t cellCountX = 1;
    uint32_t cellCountY = 1;
    uint32_t frameCount = 1;
    // Draw orders when facing left and right; -1 for unset.
    uint32_t leftOrder = Lumvek::InvalidId;
    uint32_t rightOrder = Lumvek::InvalidId;
    // The cached transforms below are recomputed when their flag is set.
    bool localDirty = true;
    bool worldDirty = true;
    bool renderDirty = true;
    // A root bone's own transform.
    Lumvek::Matrix3x3 localTransform;
    Lumvek::Matrix3x3 worldTransform;
    Lumvek::Matrix3x3 renderTransform;
    // Where a root is drawn, between two simulated positions.
    Lumvek::Vector2 renderPosition;
    Lumvek::Vector2 position;
    // A negative x mirrors the bone (facing left).
    Lumvek::Vector2 scale = Lumvek::Vector2(1.0f, 1.0f);
    // The pivot: the point of the bone that sits at its position.
    Lumvek::Vector2 offset;
    // Radians.
    float rotation = 0.0f;
    std::vector<Bone> children;
    // Null for a root.
    Bone* parent = nullptr;
};
