#include "Source/World/Bone.h"

#include "Source/Data/BoneSprites.h"

void Bone::ResolveSpriteIds(const Data& owner, Bone& bone)
{
    ResolveBoneSprites(owner, bone);
}

void Bone::LoadTree(const Data& owner, Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture, const Bone& bone)
{
    LoadBoneSprites(owner, spriteTexture, drawTexture, bone);
}
