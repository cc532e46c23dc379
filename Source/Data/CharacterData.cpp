#include "Source/Data/CharacterData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/BoneSprites.h"
#include "Source/Data/NamedAssets.h"

#include <algorithm>

using namespace Lumvek;

namespace
{

struct CharacterSound
{
    const uint32_t* id;
    Lumvek::StringView file;
};

// The sounds every player makes, by the id the world plays them under and the file in the
// character's folder.
const CharacterSound CharacterSounds[] = {
    {&Sounds::HitPlayer, "Hit"},         {&Sounds::PlayerDeath, "Death"},
    {&Sounds::ClipEmpty, "Empty"},       {&Sounds::PickUpWeapon, "PickUpWeapon"},
    {&Sounds::PickUpAmmo, "PickUpAmmo"}, {&Sounds::PutAwaySound, "PutAway"},
    {&Sounds::TakeOutSound, "TakeOut"},
};

// Bones nested deeper than this are not read (as the world's bone reader does).
constexpr uint32_t MaximumBoneDepth = 64;

// Finds the sprites of a bone object of the skeleton and of its children among the owner's images.
// What cannot be read goes to the report under the bone's path.
void ResolveSkeletonSprites(const Data& owner, const Blueprint& tree, uint32_t depth, ReadReport* report,
                            const std::string& path, std::vector<CharacterData::BoneSprite>& sprites)
{
    if (tree.GetType() != BlueprintType::Object || depth > MaximumBoneDepth)
        return;
    BlueprintReader reader(tree, report, path);
    CharacterData::BoneSprite sprite;
    ReadMember(reader, "Name", sprite.bone);
    ReadMember(reader, "FrameCount", sprite.frameCount);
    ReadMember(reader, "CellCountX", sprite.cellCountX);
    ReadMember(reader, "CellCountY", sprite.cellCountY);
    sprite.frameCount = std::max(sprite.frameCount, 1u);
    BoneSprites::Resolve(owner, sprite.bone, sprite.frameCount, sprite.drawRegion, sprite.region);
    sprites.push_back(sprite);
    if (const Blueprint* children = tree.GetObject().Find("Children");
        children && children->GetType() == BlueprintType::Array)
        for (uint32_t i = 0; i < children->GetCount(); ++i)
            ResolveSkeletonSprites(owner, children->GetElement(i), depth + 1, report,
                                   FormatText("{}.Children[{}]", path, i), sprites);
}

} // namespace

bool CharacterData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "Attributes", attributes);
    const Blueprint* bones = reader.GetCurrent().GetObject().Find("Skeleton");
    if (bones && bones->GetType() == BlueprintType::Object)
        skeleton = *bones;
    else if (bones)
        reader.Refuse("Skeleton", "an object of bone trees was expected");
    boneSprites.clear();
    if (skeleton.GetType() == BlueprintType::Object)
        for (const StringView tree : {StringView("LeftPickup"), StringView("RightPickup"), StringView("Root")})
            if (const Blueprint* bone = skeleton.GetObject().Find(tree))
                ResolveSkeletonSprites(*this, *bone, 0, reader.GetReport(),
                                       reader.GetPath().empty() ? "Skeleton." + tree.ToString()
                                                                : reader.GetPath() + ".Skeleton." + tree.ToString(),
                                       boneSprites);
    return true;
}

void CharacterData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    writer.PushMember("Attributes");
    attributes.WriteAll(writer);
    writer.Pop();
    if (skeleton.GetType() == BlueprintType::Object)
    {
        writer.PushMember("Skeleton");
        writer.GetCurrent() = skeleton;
        writer.Pop();
    }
}

void CharacterData::Load(Texture& imageTexture, Texture& drawTexture)
{
    for (const BoneSprite& sprite : boneSprites)
        BoneSprites::Load(*this, imageTexture, drawTexture, sprite.drawRegion, sprite.region, sprite.frameCount,
                          sprite.cellCountX, sprite.cellCountY);
    // Animations loaded at start-up stay: the match's ticks may be reading them on another thread.
    if (!animations)
        LoadAnimations();
    for (const CharacterSound& sound : CharacterSounds)
        LoadSound(*sound.id, sound.file, 2, false);
}

void CharacterData::Unload()
{
    for (const CharacterSound& sound : CharacterSounds)
        ReleaseSound(*sound.id);
}
