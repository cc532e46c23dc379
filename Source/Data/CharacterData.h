#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/Data.h"

#include <memory>
#include <vector>

class Bone;

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

    // The shared keys, "Attributes" when present, and the "Skeleton" object, which is kept as read.
    bool Read(Lumvek::BlueprintReader& reader) override;
    // The shared keys, "Attributes" with all 24 values, and the skeleton as read.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // The seven sounds every player makes ("Hit", "Death", "Empty", "PickUpWeapon", "PickUpAmmo",
    // "PutAway", "TakeOut" under the fixed ids the world plays them by). A sound an earlier character
    // loaded keeps playing: the first character supplies them.
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    // Releases the sounds.
    void Unload() override;
    Lumvek::StringView GetFolder() const override { return "Characters"; }

    Attributes attributes;
    BoneSet leftPickup;
    BoneSet rightPickup;
    BoneSet root;
    // The bone trees stay in their file form until the world builds bones from them; saving a
    // character writes them back unchanged, so nothing of the file is lost.
    Lumvek::Blueprint skeleton;
};
