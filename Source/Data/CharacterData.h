#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/Data.h"

#include <memory>
#include <string>
#include <vector>

class Bone;
class CharacterAnimations;

// The character every player is built on: its base attributes and the bone trees of its skeleton
// (the two pickup points and the root). Held by the registry's character collection; players use the
// first one.
class CharacterData : public Data
{
public:
    // The world makes the bones and hands over how each is destroyed with it, so the definition can
    // own bones without the data library knowing their type.
    using BoneDeleter = void (*)(Bone*);
    using BoneSet = std::vector<std::unique_ptr<Bone, BoneDeleter>>;
    // The animations are the world's too, made and destroyed by it in the same way.
    using AnimationsDeleter = void (*)(CharacterAnimations*);

    // The shared keys, "Attributes" when present, and the "Skeleton" object, which is kept as read
    // less the bone members its bones could not take (those are named in the file's report).
    bool Read(Lumvek::BlueprintReader& reader) override;
    // The shared keys, "Attributes" with all 24 values, and the skeleton as read.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // The mappings and animations of the four channels when none are loaded yet, then the seven sounds
    // every player makes ("Hit", "Death", "Empty", "PickUpWeapon", "PickUpAmmo", "PutAway", "TakeOut"
    // under the fixed ids the world plays them by). A sound an earlier character loaded keeps playing:
    // the first character supplies them.
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    // Releases the sounds. The animations stay: the world's ticks read them, drawn or not.
    void Unload() override;
    // Made by the world: makes the animations when there are none yet and loads them from the
    // character's folder; empties them.
    void LoadAnimations();
    void UnloadAnimations();
    Lumvek::StringView GetFolder() const override { return "Characters"; }

    Attributes attributes;
    BoneSet leftPickup;
    BoneSet rightPickup;
    BoneSet root;
    // The mappings and animations of the four channels, from the character's folder; null until loaded
    // (the game's start-up loader loads them, before any match).
    std::unique_ptr<CharacterAnimations, AnimationsDeleter> animations{nullptr, nullptr};
    // The bone trees stay in their file form until the world builds bones from them; saving a
    // character writes them back unchanged, so nothing of the file is lost.
    Lumvek::Blueprint skeleton;

    // The sprites of one bone of the skeleton, found among the character's images as it is read.
    struct BoneSprite
    {
        std::string bone;
        uint32_t drawRegion = Lumvek::InvalidId;
        uint32_t region = Lumvek::InvalidId;
        uint32_t frameCount = 1;
        uint32_t cellCountX = 1;
        uint32_t cellCountY = 1;
    };
    // Every bone of the trees, depth first; Load loads their images.
    std::vector<BoneSprite> boneSprites;

    // Gives a bone built from the skeleton, and every bone below it, the sprite ids found for its name.
    template <class BoneType> void ApplyBoneSprites(BoneType& bone) const
    {
        for (const BoneSprite& sprite : boneSprites)
            if (sprite.bone == bone.name)
            {
                bone.drawRegion = sprite.drawRegion;
                bone.region = sprite.region;
                break;
            }
        for (BoneType& child : bone.children)
            ApplyBoneSprites(child);
    }
};
