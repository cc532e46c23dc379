#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Source/Data/BoneData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Kit/PlayerPreview.h"
#include "Source/World/Bone.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <string>
#include <utility>
#include <vector>

namespace
{

using Lumvek::Vector2;

BoneData MakeBone(const std::string& name, uint32_t sprite, Vector2 position = {})
{
    BoneData bone;
    bone.name = name;
    bone.region = sprite;
    bone.drawRegion = sprite;
    bone.position = position;
    bone.hasPosition = true;
    return bone;
}

struct Requests
{
    PlayerPreview::Request Recorder()
    {
        return [this](uint32_t cell, const std::string& path) { made.emplace_back(cell, path); };
    }
    std::vector<std::pair<uint32_t, std::string>> made;
};

TEST(PlayerPreview, BoneSpritesComeFromThePartOrTheSharedPlayerImagesAndChildrenAreVisitedWithoutASprite)
{
    HeadData head;
    head.name = "Cap";
    head.skull = MakeBone("Skull", Images::BasicSkull);
    BoneData band = MakeBone("Band", Lumvek::InvalidId); // no sprite of its own
    band.children.push_back(MakeBone("Hat", Lumvek::NameTableA().Add("CapHatImage")));
    head.skull.children.push_back(band);

    Requests requests;
    std::vector<PreviewSprite> sprites;
    PlayerPreview::AddBoneSprites(head, head.skull, Images::BasicSkull, "Skull", sprites, requests.Recorder());
    ASSERT_EQ(sprites.size(), 2u);
    EXPECT_EQ(sprites[0].bone, &head.skull);
    EXPECT_EQ(sprites[1].bone, &head.skull.children[0].children[0]);
    EXPECT_EQ(sprites[0].image, Lumvek::NameTableA().Add("CapSkullImage"));
    EXPECT_EQ(sprites[1].draw, Lumvek::NameTableA().Add("CapHatDraw"));
    const std::vector<std::pair<uint32_t, std::string>> expected = {
        {sprites[0].draw, "Assets/Player/SkullDraw.png"},
        {sprites[0].image, "Assets/Player/SkullImage.png"},
        {sprites[1].draw, "Assets/Parts/Heads/Cap/HatDraw.png"},
        {sprites[1].image, "Assets/Parts/Heads/Cap/HatImage.png"},
    };
    EXPECT_EQ(requests.made, expected);

    // A skull of the head's own: from the head's folder.
    head.skull.region = Lumvek::NameTableA().Add("CapSkullImage");
    requests.made.clear();
    sprites.clear();
    PlayerPreview::AddBoneSprites(head, head.skull, Images::BasicSkull, "Skull", sprites, requests.Recorder());
    ASSERT_FALSE(requests.made.empty());
    EXPECT_EQ(requests.made[0].second, "Assets/Parts/Heads/Cap/SkullDraw.png");
}

TEST(PlayerPreview, EachBoneIsDrawnAtItsOwnRigNode)
{
    Bone root;
    root.name = "Root";
    root.position = {2.0f, 0.0f};
    root.AddChild(MakeBone("Skull", Lumvek::InvalidId, {0.0f, 1.5f}));
    root.AddChild(MakeBone("LeftHumerus", Lumvek::InvalidId, {0.25f, 0.75f}));
    root.children[0].AddChild(MakeBone("Hat", Lumvek::InvalidId, {0.0f, 0.5f}));
    root.SetParent(nullptr);
    root.MarkDirty();

    const struct
    {
        const char* name;
        Vector2 at;
    } cases[] = {{"Skull", {2.0f, 1.5f}}, {"LeftHumerus", {2.25f, 0.75f}}, {"Nope", {2.0f, 0.0f}}};
    for (const auto& c : cases)
    {
        const Vector2 origin = PlayerPreview::FindBoneTransform(root, std::string(c.name)).TransformPoint({0.0f, 0.0f});
        EXPECT_NEAR(origin.x, c.at.x, 1e-5f) << c.name;
        EXPECT_NEAR(origin.y, c.at.y, 1e-5f) << c.name;
    }
    // A bone below another is found too, at its own node.
    const Lumvek::Matrix3x3& hat = PlayerPreview::FindBoneTransform(root, "Hat");
    EXPECT_EQ(&hat, &root.Find("Hat", true)->GetWorldTransform());
    EXPECT_NE(&hat, &root.GetWorldTransform());
}

TEST(PlayerPreview, TheSameLoadoutTwiceGivesTheSameLeftFacingSketchAndMissingPartsAreLeftOut)
{
    DataTesting::AssetsFolder assets;
    DataRegistry registry(assets.files);
    const Lumvek::Blueprint empty = DataTesting::Json("{}");
    HeadData& head = *registry.heads.Add("Cap", empty, std::make_unique<HeadData>());
    head.skull = MakeBone("Skull", Images::BasicSkull);
    head.skull.leftOrder = 1;
    LegsData& legs = *registry.legs.Add("Plain", empty, std::make_unique<LegsData>());
    legs.leftFemur = MakeBone("LeftFemur", Images::BasicFemur);
    legs.leftFemur.leftOrder = 5;
    legs.rightFoot = MakeBone("RightFoot", Images::BasicFoot);

    Requests requests;
    PlayerPreview preview(&registry, requests.Recorder());
    const ProfileLoadout loadout{"L", 0, 40, 7, 0}; // no such core or arms
    preview.SetLoadout(loadout);
    std::vector<const BoneData*> first;
    for (const PreviewSprite& sprite : preview.GetSprites())
        first.push_back(sprite.bone);
    // Highest left order first; the bone without one last.
    EXPECT_EQ(first, (std::vector<const BoneData*>{&legs.leftFemur, &head.skull, &legs.rightFoot}));
    EXPECT_LT(preview.GetBody().skeleton.scale.x, 0.0f);

    preview.SetLoadout(loadout);
    std::vector<const BoneData*> second;
    for (const PreviewSprite& sprite : preview.GetSprites())
        second.push_back(sprite.bone);
    EXPECT_EQ(second, first);
    EXPECT_LT(preview.GetBody().skeleton.scale.x, 0.0f);
    EXPECT_EQ(requests.made.size(), 12u);
}

} // namespace

namespace
{

TEST(PlayerPreview, EveryBoneOfEveryShippedPartHasItsImages)
{
    const std::string root = Lumvek::Testing::SourceFolder();
    Lumvek::FileManager files(root, root, root, root);
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    DataRegistry registry(files);
    registry.LoadAll();
    const uint32_t most =
        std::max({registry.heads.Count(), registry.cores.Count(), registry.arms.Count(), registry.legs.Count()});
    ASSERT_GT(most, 1u);

    Requests requests;
    PlayerPreview preview(&registry, requests.Recorder());
    for (uint32_t i = 0; i < most; ++i)
        preview.SetLoadout({"L", i % registry.heads.Count(), i % registry.cores.Count(), i % registry.arms.Count(),
                            i % registry.legs.Count()});
    ASSERT_FALSE(requests.made.empty());
    for (const auto& [cell, path] : requests.made)
        EXPECT_TRUE(std::filesystem::exists(root + "/" + path)) << path;
    // The shared sketches of the basic bones are there for bones that wear them.
    for (const char* bone : {"Skull", "Spine", "Humerus", "Radius", "Femur", "Tibia", "Foot"})
        for (const char* kind : {"Draw", "Image"})
            EXPECT_TRUE(std::filesystem::exists(root + "/Assets/Player/" + bone + kind + ".png")) << bone << kind;
}

} // namespace
