#include "Source/Data/ThemeAtlas.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::NameTableA;
using Lumvek::NameTableB;
using Lumvek::NameTableC;
using Lumvek::Texture;
using Lumvek::Testing::PatternPixel;
using Lumvek::Testing::PatternPng;
using Lumvek::Testing::TexturePixel;

namespace
{

// The pixels around a piece placed at (x, y) that differ from what extrusion makes of them: inside the
// piece and its extruded sides and corners, the nearest pixel of its image; within five pixels
// further, untouched (0). The area an empty piece would have extruded stays untouched.
int Mismatches(const Texture& tiles, uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t left,
               uint32_t right, uint32_t bottom, uint32_t top)
{
    const int64_t x0 = int64_t(x) - left;
    const int64_t x1 = int64_t(x) + width + right;
    const int64_t y0 = int64_t(y) - top;
    const int64_t y1 = int64_t(y) + height + bottom;
    const int64_t margin = width > 0 && height > 0 ? 5 : 0;
    int count = 0;
    for (int64_t row = std::max<int64_t>(y0 - margin, 0); row < y1 + margin; ++row)
        for (int64_t column = std::max<int64_t>(x0 - margin, 0); column < x1 + margin; ++column)
        {
            const bool filled = width > 0 && height > 0 && column >= x0 && column < x1 && row >= y0 && row < y1;
            const uint32_t expected = filled ? PatternPixel(uint32_t(std::clamp<int64_t>(column - x, 0, width - 1)),
                                                            uint32_t(std::clamp<int64_t>(row - y, 0, height - 1)))
                                             : 0;
            count += TexturePixel(tiles, uint32_t(column), uint32_t(row)) != expected;
        }
    return count;
}

class ThemeAtlasTest : public testing::Test
{
protected:
    void SetUp() override
    {
        assets.WriteList("Themes", {"Snow"});
        assets.WriteDefinition("Themes", "Snow", R"({
            "Backgrounds": [{"Texture": "ThemeTestSky"}, {"Texture": "ThemeTestSky", "Depth": 2.0},
                            {"Texture": "ThemeTestDusk"}, {"BottomColor": "Red"}],
            "Objects": [{"Texture": "ThemeTestPine"}, {"Texture": "ThemeTestRock"}, {}]
        })");
        assets.Write("Themes/Snow/ThemeTestSky.png", PatternPng(8, 4));
        assets.Write("Themes/Snow/ThemeTestDusk.png", PatternPng(4, 4));
        assets.Write("Themes/Snow/ThemeTestPine.png", PatternPng(6, 5));
        using Image = std::tuple<const char*, uint32_t, uint32_t>;
        for (auto [piece, width, height] : std::initializer_list<Image>{{"SolidLeft", 150, 150},
                                                                        {"SolidJoinTopLeft", 10, 150},
                                                                        {"ConveyerMiddle", 40, 20},
                                                                        {"TopRight", 30, 30}})
            assets.Write(std::string("Themes/Snow/") + piece + ".png", PatternPng(width, height));
        for (const char* sound : {"Ambience", "Step1", "Step2", "Jump", "Land", "Bounce", "HitPlatform"})
            assets.Write(std::string("Themes/Snow/") + sound + ".wav", "RIFF");

        registry.LoadAll();
        theme = registry.themes.Find("Snow");
        ASSERT_NE(theme, nullptr);
        objects = table.CreateTexture(NameTableB().Add("ThemeTestObjects"));
        tiles = table.CreateTexture(NameTableB().Add("ThemeTestTiles"));
        ASSERT_TRUE(objects->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
        ASSERT_TRUE(tiles->SetSize(1024, 700, Lumvek::TextureFormat::ColorBuffer4x8));
    }

    AssetsFolder assets;
    Lumvek::ResourceTable table{&assets.files};
    Lumvek::RecordingGraphicsDevice device{&table};
    Lumvek::Testing::DeviceCalls calls;
    Lumvek::Testing::RecordingAudioDevice audio{&table, calls};
    DataRegistry registry{assets.files, &audio};
    ThemeData* theme = nullptr;
    Texture* objects = nullptr;
    Texture* tiles = nullptr;
    Lumvek::Testing::LogCapture log;
};

} // namespace

TEST_F(ThemeAtlasTest, PlacesThePiecesAtTheirPlacesWithExtrudedEdges)
{
    // A region made before keeps its piece from being loaded over it.
    ASSERT_NE(tiles->AddRegion(Images::TopRight, 400, 0), nullptr);
    theme->LoadAtlas(device, *objects, *tiles);

    struct Case
    {
        uint32_t piece;
        uint32_t x, y, width, height, left, right, bottom, top;
    };
    // Pieces whose image is missing get empty regions and fill nothing, not even the corner below
    // SolidJoinRight, whose source pixel would be the last of SolidJoinTopLeft.
    const Case cases[] = {
        {Images::SolidLeft, 500, 170, 150, 150, 5, 5, 5, 5},
        {Images::SolidJoinTopLeft, 505, 500, 10, 150, 5, 5, 5, 5},
        {Images::ConveyerMiddle, 920, 0, 40, 20, 5, 5, 5, 5},
        {Images::SolidJoinRight, 505, 660, 0, 0, 5, 5, 5, 5},
        {Images::TopLeft, 0, 0, 0, 0, 0, 0, 0, 0},
        {Images::TopRight, 400, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(NameTableA().GetName(test.piece).ToStdView());
        const Lumvek::TextureRegion* region = tiles->GetRegion(test.piece);
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(std::tie(region->x, region->y, region->width, region->height),
                  std::tie(test.x, test.y, test.width, test.height));
        EXPECT_EQ(
            Mismatches(*tiles, test.x, test.y, test.width, test.height, test.left, test.right, test.bottom, test.top),
            0);
    }
    uint32_t regions = 0;
    for (const auto& region : tiles->regions)
        regions += region != nullptr;
    EXPECT_EQ(regions, 22u);
}

TEST_F(ThemeAtlasTest, LoadsBackgroundTexturesObjectImagesAndSoundsOnce)
{
    const uint32_t sky = NameTableC().Add("ThemeTestSky");
    const uint32_t dusk = NameTableC().Add("ThemeTestDusk");
    // A texture alive in its slot is neither replaced nor loaded again.
    Texture* alive = device.CreateTexture(dusk, 0);
    ASSERT_NE(alive, nullptr);
    // Only what it made is the theme's, to destroy with the match.
    std::vector<uint32_t> created;
    theme->LoadAtlas(device, *objects, *tiles, &created);
    EXPECT_EQ(created, std::vector<uint32_t>{sky});

    Texture* texture = device.GetTexture(sky);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(std::tie(texture->width, texture->height), std::make_tuple(8u, 4u));
    EXPECT_EQ(TexturePixel(*texture, 7, 3), PatternPixel(7, 3));
    EXPECT_EQ(texture->usage, static_cast<uint32_t>(Lumvek::ResourceUsage::UploadOnce));
    EXPECT_EQ(texture->locked, 0);
    const uint32_t version = texture->version;
    EXPECT_GT(version, 0u);
    EXPECT_EQ(device.GetTexture(dusk), alive);
    EXPECT_EQ(alive->width, 0u);
    EXPECT_EQ(alive->locked, 1);

    theme->backgrounds[0].UpdateBounds({0.0f, 0.0f, 10.0f, 6.0f}, &device);
    EXPECT_EQ(theme->backgrounds[0].textureAspect, 0.5f);
    EXPECT_EQ(theme->backgrounds[0].textureScaleX, 15.0f);

    const Lumvek::TextureRegion* pine = objects->GetRegion(NameTableA().Add("ThemeTestPine"));
    ASSERT_NE(pine, nullptr);
    EXPECT_EQ(std::tie(pine->width, pine->height), std::make_tuple(6u, 5u));
    EXPECT_EQ(TexturePixel(*objects, pine->x + 5, pine->y + 4), PatternPixel(5, 4));
    EXPECT_EQ(objects->GetRegion(NameTableA().Add("ThemeTestRock")), nullptr);

    struct Expected
    {
        Lumvek::StringView name;
        uint32_t mixer;
        bool looping;
    };
    for (const Expected& expected :
         {Expected{"Ambience", 0, true}, Expected{"Step1", 2, false}, Expected{"Step2", 2, false},
          Expected{"Jump", 2, false}, Expected{"Land", 2, false}, Expected{"Bounce", 2, false},
          Expected{"HitPlatform", 2, false}})
    {
        auto* sound = table.Find<Lumvek::Sound>(NameTableB().Add(expected.name));
        SCOPED_TRACE(expected.name.ToStdView());
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(sound->soundId, Lumvek::NameSet::Global().Add(expected.name));
        EXPECT_EQ(sound->mixer, expected.mixer);
        EXPECT_EQ(sound->looping, expected.looping);
        EXPECT_EQ(sound->path, "Assets/Themes/Snow/" + expected.name.ToString() + ".wav");
    }

    // Loading again keeps every texture and region as it is.
    const uint32_t pineX = pine->x;
    theme->LoadAtlas(device, *objects, *tiles);
    EXPECT_EQ(device.GetTexture(sky)->version, version);
    EXPECT_EQ(objects->GetRegion(NameTableA().Add("ThemeTestPine"))->x, pineX);
}
