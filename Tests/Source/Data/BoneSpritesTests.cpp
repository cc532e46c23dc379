#include "Source/Data/BoneSprites.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/PartData.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace DataTesting;
using Lumvek::InvalidId;
using Lumvek::NameTableA;

namespace
{

class BoneSpritesTest : public testing::Test
{
protected:
    BoneSpritesTest() : registry(assets.files)
    {
        spriteTexture = table.CreateTexture(Lumvek::NameTableB().Add("BoneSpritesTestSprites"));
        drawTexture = table.CreateTexture(Lumvek::NameTableB().Add("BoneSpritesTestDrawings"));
        EXPECT_TRUE(spriteTexture->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
        EXPECT_TRUE(drawTexture->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
    }

    // A head definition of the given name, whose folder holds the given images.
    HeadData& Owner(const std::string& name, const std::vector<std::pair<std::string, std::string>>& images)
    {
        for (const auto& [file, content] : images)
            assets.Write("Parts/Heads/" + name + "/" + file + ".png", content);
        HeadData& owner = *owners.emplace_back(std::make_unique<HeadData>());
        owner.name = name;
        owner.registry = &registry;
        return owner;
    }

    // The region name of a sprite id; "-" for none.
    static std::string Region(uint32_t id) { return id == InvalidId ? "-" : NameTableA().GetName(id).ToString(); }

    AssetsFolder assets;
    DataRegistry registry;
    Lumvek::ResourceTable table{&assets.files};
    Lumvek::Texture* spriteTexture = nullptr;
    Lumvek::Texture* drawTexture = nullptr;
    std::vector<std::unique_ptr<HeadData>> owners;
};

} // namespace

TEST_F(BoneSpritesTest, FindsEachViewByTheFirstFileThatExists)
{
    struct Case
    {
        std::string bone;
        uint32_t frameCount;
        std::vector<std::string> files;
        std::string first;
        std::string second;
    };
    const std::vector<Case> cases = {
        // Both views share the bone's one image.
        {"Skull", 1, {"SkullImage"}, "Skull", "Skull"},
        {"Skull", 1, {"SkullBackImage", "SkullImage"}, "Skull", "SkullBack"},
        // A right bone puts its front first, a left bone its back; both fall back on side-less names.
        {"RightHand", 1, {"HandFrontImage", "HandBackImage"}, "HandFront", "HandBack"},
        {"LeftHand", 1, {"HandFrontImage", "HandBackImage"}, "HandBack", "HandFront"},
        {"RightHand", 1, {"RightHandBackImage", "HandBackImage", "HandImage"}, "Hand", "RightHandBack"},
        // "left" in lower case is no side word.
        {"leftHand", 1, {"leftHandFrontImage", "leftHandBackImage"}, "leftHandFront", "leftHandBack"},
        // Animated bones look for animation sheets only, through the same four tries.
        {"LeftRadius",
         4,
         {"RadiusBackAnimation", "LeftRadiusAnimation", "RadiusAnimation"},
         "RadiusBack",
         "LeftRadius"},
        {"LeftRadius", 4, {"RadiusAnimation"}, "Radius", "Radius"},
        {"LeftRadius", 1, {"RadiusAnimation", "LeftRadiusBackAnimation"}, "-", "-"},
        {"LeftRadius", 2, {"RadiusImage"}, "-", "-"},
        {"Spine", 1, {"SpineImage.jpg", "OtherImage"}, "-", "-"},
    };
    for (size_t i = 0; i < cases.size(); ++i)
    {
        const Case& test = cases[i];
        std::vector<std::pair<std::string, std::string>> images;
        for (const std::string& file : test.files)
            images.emplace_back(file, "image");
        const HeadData& owner = Owner("Resolve" + std::to_string(i), images);
        uint32_t first = 0;
        uint32_t second = 0;
        BoneSprites::Resolve(owner, test.bone, test.frameCount, first, second);
        // Region names carry the owner's name, so two parts never share a sprite by accident.
        EXPECT_EQ(Region(first), test.first == "-" ? "-" : owner.name + test.first) << i << " " << test.bone;
        EXPECT_EQ(Region(second), test.second == "-" ? "-" : owner.name + test.second) << i << " " << test.bone;
    }
}

TEST_F(BoneSpritesTest, LoadsTheFilesFoundIntoBothTexturesDepthFirst)
{
    using Lumvek::Testing::PatternPng;
    const HeadData& owner = Owner("Loader", {{"SkullImage", PatternPng(8, 6)},
                                             {"SkullDraw", PatternPng(8, 6)},
                                             {"HandFrontImage", PatternPng(5, 5)},
                                             {"HandBackImage", PatternPng(6, 6)},
                                             {"HandFrontDraw", PatternPng(5, 5)},
                                             {"HandBackDraw", PatternPng(6, 6)},
                                             {"JawAnimation", PatternPng(12, 6)}});
    BoneData skull;
    skull.name = "Skull";
    BoneData& hand = skull.children.emplace_back();
    hand.name = "RightHand";
    // A sheet whose file gives no columns is cut as one column, not divided by zero.
    BoneData& jaw = hand.children.emplace_back();
    jaw.name = "Jaw";
    jaw.frameCount = 3;
    jaw.cellCountX = 0;
    jaw.cellCountY = 3;
    ResolveBoneSprites(owner, skull);

    Lumvek::Testing::LogCapture log;
    LoadBoneSprites(owner, *spriteTexture, *drawTexture, skull);
    const std::string folder = "Assets/Parts/Heads/Loader/";
    struct Expected
    {
        uint32_t id;
        std::string sprite;
        std::string drawing;
    };
    for (const Expected& expected : std::vector<Expected>{{skull.drawRegion, "SkullImage", "SkullDraw"},
                                                          {hand.drawRegion, "HandFrontImage", "HandFrontDraw"},
                                                          {hand.region, "HandBackImage", "HandBackDraw"},
                                                          {jaw.drawRegion, "JawAnimation", ""}})
    {
        const Lumvek::TextureRegion* sprite = spriteTexture->GetRegion(expected.id);
        ASSERT_NE(sprite, nullptr) << expected.sprite;
        EXPECT_EQ(sprite->path, folder + expected.sprite + ".png");
        const Lumvek::TextureRegion* drawing = drawTexture->GetRegion(expected.id);
        EXPECT_EQ(drawing ? drawing->path : std::string(),
                  expected.drawing.empty() ? "" : folder + expected.drawing + ".png");
    }
    // The missing drawing of the jaw is only reported.
    EXPECT_EQ(log.messages, (std::vector<std::string>{"JawAnimation of Loader has a cell count of 0; 1 is used",
                                                      "image " + folder + "JawDraw.png is missing or unreadable"}));

    const auto* sheet = spriteTexture->FindRegion<Lumvek::TextureFramesRegion>(jaw.drawRegion);
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->frames.size(), 3u);
    EXPECT_FLOAT_EQ(sheet->frames[0].width, sheet->uv.width);
    EXPECT_FLOAT_EQ(sheet->frames[2].y - sheet->frames[0].y, sheet->uv.height * 2.0f / 3.0f);
}

TEST_F(BoneSpritesTest, ACharacterFindsItsSkeletonsSpritesAsItIsReadAndLoadsThem)
{
    using Lumvek::Testing::PatternPng;
    for (const char* file : {"SkullImage", "SkullDraw", "HandBackImage", "HandFrontImage"})
        assets.Write(std::string("Characters/Crew/") + file + ".png", PatternPng(6, 4));
    Lumvek::Blueprint file;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(R"({"Skeleton": {"LeftPickup": {"Name": "LeftPickup"},
        "Root": {"Name": "Root", "Children": [{"Name": "Skull"}, {"Name": "LeftHand"}]}}})",
                                                  file));
    CharacterData character;
    character.name = "Crew";
    character.registry = &registry;
    Lumvek::BlueprintReader reader(file);
    ASSERT_TRUE(character.Read(reader));
    // Each bone, its draw sprite, and its sprite.
    std::vector<std::array<std::string, 3>> found;
    for (const CharacterData::BoneSprite& sprite : character.boneSprites)
        found.push_back({sprite.bone, Region(sprite.drawRegion), Region(sprite.region)});
    ASSERT_EQ(found, (std::vector<std::array<std::string, 3>>{{"LeftPickup", "-", "-"},
                                                              {"Root", "-", "-"},
                                                              {"Skull", "CrewSkull", "CrewSkull"},
                                                              {"LeftHand", "CrewHandBack", "CrewHandFront"}}));

    character.Load(*spriteTexture, *drawTexture);
    const uint32_t skull = character.boneSprites[2].drawRegion;
    ASSERT_NE(spriteTexture->GetRegion(skull), nullptr);
    EXPECT_EQ(spriteTexture->GetRegion(skull)->path, "Assets/Characters/Crew/SkullImage.png");
    EXPECT_NE(drawTexture->GetRegion(skull), nullptr);
    EXPECT_NE(spriteTexture->GetRegion(character.boneSprites[3].region), nullptr);
}
