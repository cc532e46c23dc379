#include "Source/Data/Data.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/NamedAssets.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::Blueprint;
using Lumvek::BlueprintReader;
using Lumvek::BlueprintWriter;
using Lumvek::InvalidId;
using Lumvek::NameTableA;
using Lumvek::Testing::LogCapture;

TEST(Data, ReadsAndWritesTheKeysEveryDefinitionShares)
{
    PerilTestData peril;
    peril.name = "Pending";
    peril.description = "Kept";
    Blueprint file = Json(R"({"DisplayName": "Waiting", "Description": 12})");
    BlueprintReader reader(file);
    peril.Read(reader);
    EXPECT_EQ(peril.displayName, "Waiting");
    EXPECT_EQ(peril.description, "Kept");
    // Every definition gets both image ids; a name that makes a fixed image name shares its id.
    EXPECT_EQ(peril.icon, Images::PendingIcon);
    EXPECT_EQ(peril.sketch, Images::PendingSketch);

    // Definitions of different families with one name share their images.
    SpringData spring;
    spring.name = "Pending";
    Blueprint empty = Json("{}");
    BlueprintReader emptyReader(empty);
    spring.Read(emptyReader);
    EXPECT_EQ(spring.icon, peril.icon);
    EXPECT_EQ(NameTableA().GetName(spring.sketch), Lumvek::StringView("PendingSketch"));

    // Empty texts are not written, and the name, index and ids never are.
    peril.description.clear();
    BlueprintWriter writer;
    peril.Write(writer);
    EXPECT_EQ(writer.GetRoot(), Json(R"({"DisplayName": "Waiting", "Damage": 10.0})"));
    PerilTestData again;
    BlueprintReader written(writer.GetRoot());
    again.Read(written);
    EXPECT_EQ(std::tie(again.displayName, again.description), std::tie(peril.displayName, peril.description));
}

TEST(DataTypeMap, CreatesTheClassRegisteredUnderADataTypeName)
{
    class OtherSpike final : public ThingData
    {
    };
    const DataTypeMap<ThingData> types{
        DataTypeMap<ThingData>::Of<SpikeData>("Spike"),
        DataTypeMap<ThingData>::Of<SpringData>("Spring"),
        // A name given again keeps its slot and takes the later class.
        DataTypeMap<ThingData>::Of<OtherSpike>("Spike"),
    };
    EXPECT_EQ(types.Find("Spike"), 0u);
    EXPECT_EQ(types.Find("Spring"), 1u);
    EXPECT_EQ(types.GetEntries().size(), 2u);
    std::unique_ptr<ThingData> spike = types.Create("Spike");
    ASSERT_NE(spike, nullptr);
    EXPECT_NE(dynamic_cast<OtherSpike*>(spike.get()), nullptr);
    EXPECT_EQ(std::tie(spike->name, spike->index, spike->icon, spike->sketch),
              std::make_tuple(std::string(), 0u, InvalidId, InvalidId));
    EXPECT_EQ(types.Create("spike"), nullptr);
    EXPECT_EQ(GameTypeDataTypes().Create("Item"), nullptr);

    EXPECT_EQ(types.NameOf(*spike), Lumvek::StringView("Spike"));
    EXPECT_EQ(types.NameOf(SpringData()), Lumvek::StringView("Spring"));
    EXPECT_EQ(types.NameOf(SpikeData()), Lumvek::StringView());
}

namespace
{

// A registry over a fixture folder, with an audio device and two textures in one table.
class AssetLoaders : public testing::Test
{
protected:
    AssetLoaders() : audio(&table, calls), registry(assets.files, &audio)
    {
        assets.Write("Perils/Lava/LavaImage.png", Lumvek::Testing::PatternPng(8, 4));
        assets.Write("Perils/Lava/Sheet.png", Lumvek::Testing::PatternPng(12, 6));
        assets.Write("Perils/Lava/Frame.png", Lumvek::Testing::PatternPng(10, 10));
        assets.Write("Perils/Lava/Huge.png", Lumvek::Testing::PatternPng(40, 8));
        assets.Write("Perils/Lava/Bubble.wav", "RIFF");
        lava.name = "Lava";
        lava.registry = &registry;
        texture = table.CreateTexture(Lumvek::NameTableB().Add("DataTestTexture"));
        EXPECT_TRUE(texture->SetSize(32, 32, Lumvek::TextureFormat::ColorBuffer4x8));
    }

    // A new region id for each use, so tests in one process never share one.
    static uint32_t RegionId(const std::string& name) { return NameTableA().Add("DataTests" + name); }

    AssetsFolder assets;
    Lumvek::ResourceTable table{&assets.files};
    Lumvek::Testing::DeviceCalls calls;
    Lumvek::Testing::RecordingAudioDevice audio;
    TestRegistry registry;
    PerilTestData lava;
    Lumvek::Texture* texture = nullptr;
};

} // namespace

TEST_F(AssetLoaders, AnImageTakesARegionOfItsOwnSizeAndLoadsOnce)
{
    EXPECT_TRUE(lava.HasAsset("LavaImage", ".png"));
    EXPECT_FALSE(lava.HasAsset("LavaImage", ".jpg"));
    const uint32_t id = RegionId("Plain");
    LogCapture log;
    lava.LoadImage(*texture, id, "LavaImage");
    Lumvek::TextureRegion* region = texture->GetRegion(id);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(std::tie(region->width, region->height), std::make_tuple(8u, 4u));
    EXPECT_EQ(Lumvek::Testing::TexturePixel(*texture, region->x + 7, region->y + 3),
              Lumvek::Testing::PatternPixel(7, 3));
    EXPECT_EQ(region->path, "Assets/Perils/Lava/LavaImage.png");

    // The first load of an id wins, whichever file a later one names.
    lava.LoadImage(*texture, id, "Sheet");
    EXPECT_EQ(texture->GetRegion(id), region);
    EXPECT_EQ(region->width, 8u);
    EXPECT_EQ(log.sections.size(), 1u);

    // Images pack side by side; one that does not fit, a missing file and the id -1 load nothing.
    const uint32_t second = RegionId("Second");
    lava.LoadImage(*texture, second, "Sheet");
    ASSERT_NE(texture->GetRegion(second), nullptr);
    EXPECT_FALSE(texture->GetRegion(second)->x < region->x + region->width &&
                 texture->GetRegion(second)->y < region->y + region->height);
    lava.LoadImage(*texture, RegionId("Huge"), "Huge");
    lava.LoadImage(*texture, RegionId("Missing"), "Missing");
    lava.LoadImage(*texture, InvalidId, "LavaImage");
    EXPECT_EQ(texture->GetRegion(RegionId("Huge")), nullptr);
    EXPECT_EQ(texture->GetRegion(RegionId("Missing")), nullptr);
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{"image Assets/Perils/Lava/Missing.png is missing or unreadable"}));
}

TEST_F(AssetLoaders, NineSliceAndFrameImagesKeepTheirLayout)
{
    const uint32_t slice = RegionId("Slice");
    lava.LoadNineSliceImage(*texture, slice, "Frame", 1, 2, 3, 4);
    auto* nine = texture->FindRegion<Lumvek::TextureNineSliceRegion>(slice);
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(std::tie(nine->left, nine->right, nine->bottom, nine->top), std::make_tuple(1u, 2u, 3u, 4u));

    const uint32_t frames = RegionId("Frames");
    lava.LoadFramesImage(*texture, frames, "Sheet", 3, 2, 5);
    auto* sheet = texture->FindRegion<Lumvek::TextureFramesRegion>(frames);
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->frames.size(), 5u);
    EXPECT_FLOAT_EQ(sheet->frames[4].x - sheet->frames[3].x, sheet->uv.width / 3.0f);
    EXPECT_FLOAT_EQ(sheet->frames[3].y - sheet->frames[0].y, sheet->uv.height / 2.0f);

    // A cell count of 0 from a file is taken as 1 instead of dividing by it.
    const uint32_t single = RegionId("Single");
    LogCapture log;
    lava.LoadFramesImage(*texture, single, "LavaImage", 0, 0, 1);
    auto* whole = texture->FindRegion<Lumvek::TextureFramesRegion>(single);
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(whole->frames.size(), 1u);
    EXPECT_FLOAT_EQ(whole->frames[0].width, whole->uv.width);
    EXPECT_EQ(log.messages.front(), "LavaImage of Lava has a cell count of 0; 1 is used");
}

TEST_F(AssetLoaders, ASoundIsCreatedOnceUnderItsName)
{
    LogCapture log;
    lava.LoadSound(Sounds::HitPlayer, "Bubble", 2, true);
    const uint32_t slot = Lumvek::NameTableB().Add("HitPlayer");
    auto* sound = table.Find<Lumvek::Sound>(slot);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->device, &audio);
    EXPECT_EQ(std::tie(sound->soundId, sound->mixer, sound->looping), std::make_tuple(Sounds::HitPlayer, 2u, true));
    EXPECT_EQ(sound->path, "Assets/Perils/Lava/Bubble.wav");
    EXPECT_EQ(log.sections.size(), 1u);
    // The device plays only what it was told about, on the sound's mixer.
    EXPECT_EQ(calls.calls, (std::vector<std::string>{"AddSound " + std::to_string(Sounds::HitPlayer) + " 2 looping"}));

    lava.LoadSound(Sounds::HitPlayer, "Other", 0, false);
    EXPECT_EQ(table.Find<Lumvek::Sound>(slot), sound);
    EXPECT_EQ(sound->mixer, 2u);
    lava.LoadSound(InvalidId, "Bubble", 0, false);
    EXPECT_EQ(log.sections.size(), 1u);
}
