#include "Source/World/PlayerRig.h"

#include "Source/Data/CharacterData.h"
#include "Source/Data/PartData.h"
#include "Source/World/PlayerBody.h"

#include <array>
#include <cmath>
#include <utility>

using Lumvek::StringView;

namespace
{

// The names the body's bones are found by, in PlayerBone order; the two pick-up roots are the body's
// own trees and have none.
constexpr std::array<StringView, PlayerBoneCount> BoneNames{
    "Skull",        "Spine",       "LeftHumerus", "LeftRadius", "LeftHand",       "Item",
    "RightHumerus", "RightRadius", "RightHand",   "LeftFemur",  "LeftTibia",      "LeftFoot",
    "RightFemur",   "RightTibia",  "RightFoot",   "Reload",     "Holster",        "ItemTarget",
    "Weapon",       "Muzzle",      StringView(),  StringView(), "LeftHandTarget", "RightHandTarget"};

// The character's tree of that key: its built bones, or, while it has none built, the tree as its file
// gives it. An empty bone when the character has no such tree.
Bone CopyTree(const CharacterData* character, CharacterData::BoneSet CharacterData::*trees, StringView key)
{
    if (!character)
        return Bone();
    const CharacterData::BoneSet& built = character->*trees;
    if (!built.empty() && built.front())
        return *built.front();
    Bone bone;
    const Lumvek::Blueprint& skeleton = character->skeleton;
    const Lumvek::Blueprint* tree =
        skeleton.GetType() == Lumvek::BlueprintType::Object ? skeleton.GetObject().Find(key) : nullptr;
    if (tree && tree->GetType() == Lumvek::BlueprintType::Object)
    {
        Lumvek::BlueprintReader reader(*tree);
        bone.Read(reader);
        character->ApplyBoneSprites(bone);
    }
    return bone;
}

void ApplyBone(Bone& skeleton, StringView name, const BoneData& definition)
{
    if (Bone* bone = skeleton.Find(name, true))
        bone->Apply(definition);
}

} // namespace

void PlayerRig::Setup(PlayerBody& body, const CharacterData* character, const HeadData* head, const CoreData* core,
                      const ArmsData* arms, const LegsData* legs)
{
    const Lumvek::Vector2 position = body.skeleton.position;
    const bool facingLeft = body.skeleton.scale.x < 0.0f;

    body.skeleton = CopyTree(character, &CharacterData::root, "Root");
    body.leftPickup = CopyTree(character, &CharacterData::leftPickup, "LeftPickup");
    body.rightPickup = CopyTree(character, &CharacterData::rightPickup, "RightPickup");
    body.width = std::fabs(body.skeleton.scale.x);
    body.height = std::fabs(body.skeleton.scale.y);

    body.skeleton.position = position;
    if ((body.skeleton.scale.x < 0.0f) != facingLeft)
        body.skeleton.scale.x = -body.skeleton.scale.x;
    body.skeleton.MarkDirty();
    // The copies still point at the character's trees until they are linked where they now live.
    body.skeleton.SetParent(nullptr);
    body.leftPickup.SetParent(nullptr);
    body.rightPickup.SetParent(nullptr);

    // Applying may add bones and move the bones beside them, so every bone is looked up afresh after
    // the last definition is applied.
    if (core)
        ApplyBone(body.skeleton, "Spine", core->spine);
    if (head)
        ApplyBone(body.skeleton, "Skull", head->skull);
    if (arms)
        for (const auto& [name, definition] :
             {std::pair<StringView, const BoneData*>{"LeftHumerus", &arms->leftHumerus},
              {"LeftRadius", &arms->leftRadius},
              {"LeftHand", &arms->leftHand},
              {"RightHumerus", &arms->rightHumerus},
              {"RightRadius", &arms->rightRadius},
              {"RightHand", &arms->rightHand}})
            ApplyBone(body.skeleton, name, *definition);
    if (legs)
        for (const auto& [name, definition] : {std::pair<StringView, const BoneData*>{"LeftFemur", &legs->leftFemur},
                                               {"LeftTibia", &legs->leftTibia},
                                               {"LeftFoot", &legs->leftFoot},
                                               {"RightFemur", &legs->rightFemur},
                                               {"RightTibia", &legs->rightTibia},
                                               {"RightFoot", &legs->rightFoot}})
            ApplyBone(body.skeleton, name, *definition);
    body.skeleton.SetParent(nullptr);
    body.skeleton.MarkDirty();

    for (uint32_t i = 0; i < PlayerBoneCount; ++i)
        body.bones[i] = BoneNames[i].Length() ? body.skeleton.Find(BoneNames[i], true) : nullptr;
    body.bones[static_cast<uint32_t>(PlayerBone::LeftPickup)] = &body.leftPickup;
    body.bones[static_cast<uint32_t>(PlayerBone::RightPickup)] = &body.rightPickup;
}
