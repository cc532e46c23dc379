#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>
#include <vector>

class Data;
struct BoneData;

namespace Lumvek
{
class Texture;
}

// One node of a skeleton: a character definition holds its skeletons as trees of bones, and each
// player's rig copies them. Children are held by value, the parent by a plain pointer; a copied tree's
// parent pointers still point into the tree it was copied from until it is re-linked where it stays
// (SetParent on the copy's root). Transforms are composed up the parent chain on demand and cached:
// whoever changes a transform value or the tree calls MarkDirty on the bone it changed. Used on the
// application thread only, apart from loading a character on the start-up loader thread.
class Bone
{
public:
    // Children nested deeper than this are not read: the reader recurses once per level, and a
    // skeleton is a handful of levels deep.
    static constexpr uint32_t MaximumDepth = 64;

    // Finds the sprite ids of the bone and of its children among the owner's image files.
    static void ResolveSpriteIds(const Data& owner, Bone& bone);
    // Loads the images behind the sprite ids of the bone and of its children into the sprite and
    // drawing textures.
    static void LoadTree(const Data& owner, Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture,
                         const Bone& bone);

    // Bone space to world space. A child takes its parent's flips and rotation but not the size of its
    // parent's scale.
    const Lumvek::Matrix3x3& GetWorldTransform();
    // The same, with a root placed at its render position, for drawing between two ticks.
    const Lumvek::Matrix3x3& GetRenderTransform();
    // The rotation plus the parents' rotations, in [0, 2π) for a child; flips are not counted.
    float GetWorldRotation() const;
    // Sets the dirty flags of the bone and of every bone below it.
    void MarkDirty();
    // Makes parent the bone's parent and points every bone below it at its own parent again: a copied
    // or moved tree is usable after this.
    void SetParent(Bone* newParent);
    // The first child of that name, or, when recursive, the first bone of that name below the bone,
    // searched depth first. The bone itself is never compared. Linear: for set-up, not for every tick.
    Bone* Find(Lumvek::StringView boneName, bool recursive);
    // Takes only what the definition holds; a child definition is applied to the child of its name,
    // or added as a new child when there is none.
    void Apply(const BoneData& definition);
    // Appends a child made of every value of the definition, flags or not, with its children.
    Bone& AddChild(const BoneData& definition);
    // Takes the source's rotation, and each child that of the source's child of the same name.
    void CopyRotations(const Bone& source);

    // Takes the keys of the reader's current Object; a missing or mistyped key keeps its field.
    // "Children" replaces the children, which are linked to this bone. True.
    bool Read(Lumvek::BlueprintReader& reader);
    // Writes the name and position always, everything else only when it differs from a new bone.
    void Write(Lumvek::BlueprintWriter& writer) const;

    std::string name;
    // Sprite ids in NameTableA, -1 for none: the region drawn, and the region shown. Showing a sprite
    // sets both; hiding sets both to -1.
    uint32_t drawRegion = Lumvek::InvalidId;
    uint32_t region = Lumvek::InvalidId;
    // A polygon in bone space.
    std::vector<Lumvek::Vector2> shape;
    // The layout of the bone's sprite sheet; never 0 frames, since animations take a frame modulo it.
    uint32_t cellCountX = 1;
    uint32_t cellCountY = 1;
    uint32_t frameCount = 1;
    // The frame of the sprite sheet shown, below frameCount: what a part's animation (the helicopter
    // hat's blades) sets.
    uint32_t frame = 0;
    // Draw orders when facing left and right; -1 for unset.
    uint32_t leftOrder = Lumvek::InvalidId;
    uint32_t rightOrder = Lumvek::InvalidId;
    // The cached transforms below are recomputed when their flag is set.
    bool localDirty = true;
    bool worldDirty = true;
    bool renderDirty = true;
    // A root bone's own transform, kept apart so that moving a child does not recompute it.
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

private:
    // The transform of a child relative to its parent's transform, at the given position.
    Lumvek::Matrix3x3 GetChildTransform(Lumvek::Vector2 at) const;
    bool Read(Lumvek::BlueprintReader& reader, uint32_t depth);
};
