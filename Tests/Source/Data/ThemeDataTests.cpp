#include "Source/Data/ThemeData.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/Loadout.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::Blueprint;
using Lumvek::BlueprintReader;
using Lumvek::BlueprintWriter;
using Lumvek::InvalidId;
using Lumvek::Rectangle;

// A namespace of its own: the program compiles its files in batches.
namespace ThemeDataTests
{

namespace
{

// As JSON text, so that a failed comparison shows both sides whole.
std::string Written(const ThemeData& theme)
{
    BlueprintWriter writer;
    theme.Write(writer);
    return Lumvek::JsonFormat::SaveBlueprint(writer.GetRoot());
}

std::string JsonText(std::string_view json)
{
    return Lumvek::JsonFormat::SaveBlueprint(Json(json));
}

bool ReadInto(ThemeData& theme, std::string_view json)
{
    Blueprint root = Json(json);
    BlueprintReader reader(root);
    return theme.Read(reader);
}

std::vector<Rectangle> Scattered(const ThemeObject& object, const Rectangle& world, uint32_t seed)
{
    ThemeObject copy = object;
    std::mt19937 random(seed);
    copy.Scatter(world, random);
    return copy.placements;
}

const Rectangle World{0.0f, 0.0f, 10.0f, 6.0f};

} // namespace

TEST(ThemeData, WritesExactlyItsKeysAndReadsBackWhatItWrote)
{
    ThemeData theme;
    theme.name = "Snow";
    ASSERT_TRUE(ReadInto(theme, R"({
        "DisplayName": "Snowfall",
        "Backgrounds": [
            {"Texture": "ThemeTestSky", "BottomColor": "White", "TopColor": "Red", "Left": 0.0, "Depth": 10.0,
             "ScrollX": true},
            {"BottomColor": "#10203040", "Right": 50.5, "Bottom": -2.0, "Top": 30.0, "Depth": 2.5, "ScrollY": true,
             "PinLeft": true, "PinBottom": true},
            {}
        ],
        "Objects": [
            {"Texture": "ThemeTestPine", "Left": -5.0, "Top": 12.0, "Depth": 1.5, "Spacing": "2 3", "Size": "1 2",
             "SpacingVariance": "0.5 0.25", "SizeVariance": "0.125 0.75"},
            {"Texture": ""}
        ],
        "TileSize": 0.75,
        "ConveyerSize": 0.5,
        "DataMap": {"Spikes": "IceSpikes", "Water": "Ice"}
    })"));

    // A scrolling axis pins both of its edges; the empty image name is no image.
    const ThemeBackground& sky = theme.backgrounds.at(0);
    EXPECT_EQ(sky.texture, Lumvek::NameTableC().Add("ThemeTestSky"));
    EXPECT_EQ(std::tie(sky.pinLeft, sky.pinRight, sky.pinBottom, sky.pinTop),
              std::make_tuple(true, true, false, false));
    EXPECT_EQ(theme.objects.at(0).texture, Lumvek::NameTableA().Add("ThemeTestPine"));
    EXPECT_EQ(theme.objects.at(1).texture, InvalidId);

    // A textured layer writes no colours, a gradient both; edges only when given, pins only where no
    // scrolling implies them; an object writes all but its default edges.
    const std::string expected = JsonText(R"({
        "DisplayName": "Snowfall",
        "Backgrounds": [
            {"Texture": "ThemeTestSky", "Left": 0.0, "Depth": 10.0, "ScrollX": true},
            {"BottomColor": "#10203040", "TopColor": "Transparent", "Right": 50.5, "Bottom": -2.0, "Top": 30.0,
             "Depth": 2.5, "ScrollY": true, "PinLeft": true},
            {"BottomColor": "Transparent", "TopColor": "Transparent", "Depth": 0.0}
        ],
        "Objects": [
            {"Texture": "ThemeTestPine", "Left": -5.0, "Top": 12.0, "Depth": 1.5, "Spacing": "2.0 3.0",
             "Size": "1.0 2.0", "SpacingVariance": "0.5 0.25", "SizeVariance": "0.125 0.75"},
            {"Texture": "", "Depth": 0.0, "Spacing": "0.0 0.0", "Size": "0.0 0.0", "SpacingVariance": "0.0 0.0",
             "SizeVariance": "0.0 0.0"}
        ],
        "TileSize": 0.75,
        "ConveyerSize": 0.5,
        "DataMap": {"Spikes": "IceSpikes", "Water": "Ice"}
    })");
    EXPECT_EQ(Written(theme), expected);

    ThemeData reread;
    reread.name = "Snow";
    EXPECT_TRUE(ReadInto(reread, Written(theme)));
    EXPECT_EQ(Written(reread), expected);
    EXPECT_EQ(reread.objects[1].texture, InvalidId);

    EXPECT_EQ(Written(ThemeData()),
              JsonText(R"({"Backgrounds": [], "Objects": [], "TileSize": 0.5, "ConveyerSize": 0.25, "DataMap": {}})"));
}

TEST(ThemeData, MistypedMembersKeepTheirFieldsAndMisshapenListsAreReported)
{
    struct Case
    {
        std::string_view file;
        bool read;
        Lumvek::StringView key;
        std::string written;
    };
    const std::string_view gradient = R"({"BottomColor": "Transparent", "TopColor": "Transparent", "Depth": 0.0})";
    // Each case reads over a theme that already holds one layer, one object and one replacement.
    const Case cases[] = {
        {R"({"Backgrounds": {"Depth": 1.0}})", false, "Backgrounds", "[]"},
        {R"({"Objects": "Pine"})", false, "Objects", "[]"},
        {R"({"Backgrounds": [3, {"Texture": 5, "Depth": 1, "BottomColor": "#zz"}]})", false, "Backgrounds",
         "[" + std::string(gradient) + R"(, {"BottomColor": "Transparent", "TopColor": "Transparent", "Depth": 1.0}])"},
        {R"({"TileSize": 1, "ConveyerSize": "wide"})", true, "TileSize", "1.0"},
        // A replacement that is no name maps to the empty name; a name given again takes the later one.
        {R"({"DataMap": {"Spikes": 4, "Fan": "Propeller"}})", false, "DataMap",
         R"({"Fan": "Propeller", "Spikes": ""})"},
        {R"({"DataMap": ["Spikes"]})", false, "DataMap", R"({"Fan": "Blower"})"},
        // An entry without a name replaces nothing; it is kept, to be written back as it was.
        {R"({"DataMap": {"": "Blower"}})", false, "DataMap", R"({"Fan": "Blower", "": "Blower"})"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.file);
        ThemeData theme;
        ASSERT_TRUE(ReadInto(theme, R"({"Backgrounds": [{}], "Objects": [{}], "DataMap": {"Fan": "Blower"}})"));
        Lumvek::Testing::LogCapture log;
        EXPECT_EQ(ReadInto(theme, test.file), test.read);
        BlueprintWriter writer;
        theme.Write(writer);
        const Blueprint* member = writer.GetRoot().GetObject().Find(test.key);
        const Blueprint expected = Json("{\"Expected\": " + test.written + "}");
        ASSERT_NE(member, nullptr);
        EXPECT_TRUE(*member == *expected.GetObject().Find("Expected"))
            << Lumvek::JsonFormat::SaveBlueprint(writer.GetRoot());
    }
}

TEST(ThemeData, FindsMapElementsUnderTheThemesOwnNames)
{
    RegistryTestFolder assets;
    std::vector<std::unique_ptr<DataCollection<PlainDefinition>>> elements;
    for (Lumvek::StringView folder : std::initializer_list<Lumvek::StringView>{"Hazards", "Interactions", "Zones"})
        if (!FindCollection(assets.registry, folder))
            elements.push_back(std::make_unique<DataCollection<PlainDefinition>>(assets.registry, folder, 1));
    assets.WriteDefinitions("Hazards", {"Spikes", "IceSpikes", "Lava"}, "Hazard");
    assets.WriteDefinitions("Interactions", {"Door", "IceDoor"}, "Interaction");
    assets.WriteDefinitions("Zones", {"Water"}, "Zone");
    assets.WriteList("Themes", {"Snow"});
    assets.WriteDefinition("Themes", "Snow",
                           R"({"DataMap": {"Spikes": "IceSpikes", "Door": "IceDoor", "Water": "Frozen"}})");
    assets.registry.LoadAll();

    const ThemeData* snow = assets.registry.themes.Find("Snow");
    ASSERT_NE(snow, nullptr);
    EXPECT_EQ(snow->GetFolder(), Lumvek::StringView("Themes"));
    auto find = [&](Lumvek::StringView folder, Lumvek::StringView name)
    { return assets.registry.FindData(folder, name); };
    ASSERT_NE(find("Hazards", "IceSpikes"), nullptr);
    EXPECT_EQ(snow->GetHazard("Spikes"), find("Hazards", "IceSpikes"));
    EXPECT_EQ(snow->GetHazard("Lava"), find("Hazards", "Lava")) << "names the theme does not replace stay";
    EXPECT_EQ(snow->GetHazard("Door"), nullptr) << "each kind is looked up in its own collection";
    EXPECT_EQ(snow->GetInteraction("Door"), find("Interactions", "IceDoor"));
    EXPECT_EQ(snow->GetZone("Water"), nullptr) << "a replacement the collection lacks is no definition";
    EXPECT_EQ(ThemeData().GetHazard("Lava"), nullptr);
}

TEST(ThemeBackground, BoundsFollowTheWorldAndTheTextureGivesItsScales)
{
    Lumvek::ResourceTable table;
    Lumvek::RecordingGraphicsDevice device(&table);
    const uint32_t wide = Lumvek::NameTableC().Add("ThemeTestWideLayer");
    const uint32_t empty = Lumvek::NameTableC().Add("ThemeTestEmptyLayer");
    ASSERT_TRUE(device.CreateTexture(wide, 0)->SetSize(240, 60, Lumvek::TextureFormat::ColorBuffer4x8));
    ASSERT_NE(device.CreateTexture(empty, 0), nullptr);

    struct Case
    {
        uint32_t texture;
        Lumvek::GraphicsDevice* device;
        ThemeBounds edges;
        ThemeBounds bounds;
        // Aspect and scales; those not recomputed keep the 9 they start with.
        std::tuple<float, float, float> scales;
    };
    const ThemeBounds everywhere{ThemeBackground::Lowest, ThemeBackground::Highest, ThemeBackground::Lowest,
                                 ThemeBackground::Highest};
    const ThemeBounds narrow{2.0f, 5.0f, -20.0f, 3.0f};
    const Case cases[] = {
        {wide, &device, everywhere, {-1.0f, 11.0f, -1.0f, 7.0f}, {0.25f, 0.5f, 2.0f}},
        {wide, nullptr, narrow, {2.0f, 5.0f, -1.0f, 3.0f}, {9.0f, 9.0f, 9.0f}},
        // A texture whose image was missing has no size to divide by.
        {empty, &device, everywhere, {-1.0f, 11.0f, -1.0f, 7.0f}, {9.0f, 9.0f, 9.0f}},
        {Lumvek::NameTableC().Add("ThemeTestAbsentLayer"),
         &device,
         narrow,
         {2.0f, 5.0f, -1.0f, 3.0f},
         {9.0f, 9.0f, 9.0f}},
    };
    for (const Case& test : cases)
    {
        ThemeBackground background;
        background.texture = test.texture;
        std::tie(background.left, background.right, background.bottom, background.top) =
            std::tie(test.edges.left, test.edges.right, test.edges.bottom, test.edges.top);
        background.textureAspect = background.textureScaleX = background.textureScaleY = 9.0f;
        background.UpdateBounds(World, test.device);
        EXPECT_EQ(background.bounds, test.bounds) << &test - cases;
        EXPECT_EQ(std::tie(background.textureAspect, background.textureScaleX, background.textureScaleY), test.scales)
            << &test - cases;
    }
}

TEST(ThemeObject, ScattersRowsOverTheWorldWithinItsEdgesJitteredByItsSeed)
{
    ThemeObject object;
    object.spacing = {2.0f, 3.0f};
    object.size = {1.0f, 0.5f};
    std::vector<Rectangle> expected;
    for (float y : {-1.0f, 2.0f, 5.0f})
        for (float x : {-1.0f, 1.0f, 3.0f, 5.0f, 7.0f, 9.0f})
            expected.push_back({x, y, 1.0f, 0.5f});
    EXPECT_EQ(Scattered(object, World, 1), expected);

    // The vertical jitter is drawn around each row; the horizontal one carries along the row.
    object.spacingVariance = {0.5f, 0.25f};
    object.sizeVariance = {0.25f, 0.125f};
    const std::vector<Rectangle> jittered = Scattered(object, World, 7);
    EXPECT_EQ(Scattered(object, World, 7), jittered);
    EXPECT_NE(Scattered(object, World, 8), jittered);
    auto row = [](const Rectangle& placement) { return std::round((placement.y + 1.0f) / 3.0f) * 3.0f - 1.0f; };
    for (size_t i = 0; i < jittered.size(); ++i)
    {
        EXPECT_LE(std::fabs(jittered[i].y - row(jittered[i])), 0.25f) << i;
        EXPECT_LE(std::fabs(jittered[i].width - 1.0f), 0.25f) << i;
        EXPECT_LE(std::fabs(jittered[i].height - 0.5f), 0.125f) << i;
        if (i > 0 && row(jittered[i]) == row(jittered[i - 1]))
        {
            EXPECT_NEAR(jittered[i].x - jittered[i - 1].x, 2.0f, 0.5f) << i;
        }
        else
        {
            EXPECT_NEAR(jittered[i].x, -1.0f, 0.5f) << i;
        }
    }

    object = ThemeObject();
    object.spacing = {2.0f, 3.0f};
    object.left = 4.0f;
    object.right = 6.5f;
    object.top = 2.0f;
    EXPECT_EQ(Scattered(object, World, 1),
              (std::vector<Rectangle>{{4.0f, -1.0f, 0.0f, 0.0f}, {6.0f, -1.0f, 0.0f, 0.0f}}));
    // Entirely outside the world and the unit around it.
    object.left = 11.5f;
    object.right = ThemeBackground::Highest;
    EXPECT_TRUE(Scattered(object, World, 1).empty());
}

TEST(ThemeObject, ASpacingThatCannotEndTheWalkPlacesNothingOrStopsAtTheLimit)
{
    struct Case
    {
        Lumvek::Vector2 spacing;
        Rectangle world;
        size_t placements;
        std::string message;
    };
    const std::string refused = "; it needs a spacing above 0 both ways and is not placed";
    const std::string stopped = "the theme object without an image stopped at 65536 placements; the rest of its area "
                                "stays empty";
    const Case cases[] = {
        {{0.0f, 0.0f}, World, 0, "the theme object without an image has the spacing 0.0 0.0" + refused},
        {{2.0f, 0.0f}, World, 0, "the theme object without an image has the spacing 2.0 0.0" + refused},
        {{-1.0f, 3.0f}, World, 0, "the theme object without an image has the spacing -1.0 3.0" + refused},
        {{std::numeric_limits<float>::quiet_NaN(), 3.0f}, World, 0, ""},
        // Millions of copies, and a step lost in the precision of far-away coordinates.
        {{0.001f, 0.001f}, World, ThemeObject::MaximumPlacements, stopped},
        {{1.0f, 1.0f}, {1.0e9f, 0.0f, 1000.0f, 6.0f}, ThemeObject::MaximumPlacements, stopped},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.message);
        ThemeObject object;
        object.placements.push_back({1.0f, 2.0f, 3.0f, 4.0f});
        object.spacing = test.spacing;
        std::mt19937 random(3);
        Lumvek::Testing::LogCapture log;
        object.Scatter(test.world, random);
        EXPECT_EQ(object.placements.size(), test.placements);
        ASSERT_EQ(log.messages.size(), 1u);
        if (!test.message.empty())
        {
            EXPECT_EQ(log.messages[0], test.message);
        }
    }
}

} // namespace ThemeDataTests
