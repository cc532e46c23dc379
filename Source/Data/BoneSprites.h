#pragma once

#include "Engine/Foundation/StringView.h"
#include "Source/Data/Data.h"

#include <cstdint>

namespace Lumvek
{
class Texture;
}

// The sprites of a bone, seen from the back and from the front, found among the image files of the
// definition that owns the bone by a fixed naming scheme: a definition may draw a view or a side of
// its own, or share one image. Part bones and skeleton bones use the same scheme; both hold a name,
// their sprite layout (frameCount, cellCountX, cellCountY), the two sprite ids drawRegion and region
// (ids in NameTableA) and their children.
namespace BoneSprites
{

// The two sprite ids of one bone: the back view first for a bone whose name begins with "Left", the
// front view first for any other. An id is -1 when no file supplies the view.
void Resolve(const Data& owner, Lumvek::StringView boneName, uint32_t frameCount, uint32_t& first, uint32_t& second);

// Loads the images behind a bone's sprite ids into the sprite texture, cut into frames when the bone is
// animated, and the matching drawing images into the drawing texture under the same ids. Ids of -1
// load nothing; two equal ids load once.
void Load(const Data& owner, Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture, uint32_t first,
          uint32_t second, uint32_t frameCount, uint32_t cellCountX, uint32_t cellCountY);

} // namespace BoneSprites

// Resolves the sprite ids of a bone and of its children, depth first.
template <class BoneType> void ResolveBoneSprites(const Data& owner, BoneType& bone)
{
    BoneSprites::Resolve(owner, bone.name, bone.frameCount, bone.drawRegion, bone.region);
    for (BoneType& child : bone.children)
        ResolveBoneSprites(owner, child);
}

// Loads the sprites of a bone and of its children, depth first.
template <class BoneType>
void LoadBoneSprites(const Data& owner, Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture,
                     const BoneType& bone)
{
    BoneSprites::Load(owner, spriteTexture, drawTexture, bone.drawRegion, bone.region, bone.frameCount, bone.cellCountX,
                      bone.cellCountY);
    for (const BoneType& child : bone.children)
        LoadBoneSprites(owner, spriteTexture, drawTexture, child);
}
