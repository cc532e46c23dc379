#include "Source/Data/CharacterData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ReadReport.h"
#include "Source/Data/BoneData.h"
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

// Finds the sprites of a bone of the skeleton and of its children among the owner's images.
void ResolveSkeletonSprites(const Data& owner, const BoneData& bone, std::vector<CharacterData::BoneSprite>& sprites)
{
    CharacterData::BoneSprite sprite;
    sprite.bone = bone.name;
    sprite.frameCount = std::max(bone.frameCount, 1u);
    sprite.cellCountX = bone.cellCountX;
    sprite.cellCountY = bone.cellCountY;
    BoneSprites::Resolve(owner, sprite.bone, sprite.frameCount, sprite.drawRegion, sprite.region);
    sprites.push_back(sprite);
    for (const BoneData& child : bone.children)
        ResolveSkeletonSprites(owner, child, sprites);
}

// Takes out of the tree the object member a path below it names; an element is left in its place.
void RemoveMember(Blueprint& tree, StringView path)
{
    uint32_t dot = path.length;
    while (dot > 0 && path.data[dot - 1] != '.')
        --dot;
    if (path.IsEmpty() || path.data[path.length - 1] == ']')
        return;
    const StringView name = path.Sub(dot);
    auto* parent = dot == 0 ? &tree : const_cast<Blueprint*>(FindPath(tree, path.Sub(0, dot - 1)));
    if (!parent || parent->GetType() != BlueprintType::Object)
        return;
    Blueprint kept;
    ValueObject& members = kept.SetObject();
    for (const BlueprintMember& member : parent->GetObject())
        if (member.name.View() != name)
            members.AddMember(member.name.View(), member.value);
    *parent = std::move(kept);
}

} // namespace

bool CharacterData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "Attributes", attributes);
    const Blueprint* bones = reader.GetCurrent().GetObject().Find("Skeleton");
    if (bones && bones->GetType() != BlueprintType::Object)
        reader.Refuse("Skeleton", "an object of bone trees was expected");
    if (!bones || bones->GetType() != BlueprintType::Object)
        return true;
    // The bones are read here once, through the file's report, as the world will read them; what they
    // cannot take is left out of the kept trees, so that no later reader meets it again. A Save then
    // finds it still missing until the maker sets it.
    ReadReport unreported;
    ReadReport& report = reader.GetReport() ? *reader.GetReport() : unreported;
    const size_t known = report.GetProblems().size();
    const std::string path = reader.GetPath().empty() ? "Skeleton" : reader.GetPath() + ".Skeleton";
    BlueprintReader bonesReader(*bones, &report, path);
    boneSprites.clear();
    for (const StringView tree : {StringView("LeftPickup"), StringView("RightPickup"), StringView("Root")})
        if (BoneData bone; ReadMember(bonesReader, tree, bone))
            ResolveSkeletonSprites(*this, bone, boneSprites);
    skeleton = *bones;
    for (size_t i = known; i < report.GetProblems().size(); ++i)
        if (const std::string& refused = report.GetProblems()[i].path; refused.starts_with(path + "."))
            RemoveMember(skeleton, StringView(refused).Sub(static_cast<uint32_t>(path.size()) + 1));
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
