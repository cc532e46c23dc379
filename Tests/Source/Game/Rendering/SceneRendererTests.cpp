// What the game renderer's sub-renderers put in a view: background parallax, sprites and their tiles,
// the entities a world shows, and the indicators at a view's edge.

#include "Source/Game/Rendering/BackgroundRenderer.h"
#include "Source/Game/Rendering/EntityRenderer.h"
#include "Source/Game/Rendering/IndicatorRenderer.h"
#include "Source/Game/Rendering/SpriteGeometry.h"
#include "Source/Ui/Kit/HudLayout.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/World/Awareness.h"
#include "Source/World/Bone.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/PlayerRenderable.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/World/PlayerTestSupport.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

constexpr float Pi = std::numbers::pi_v<float>;

// A picture of the test's own, by number.
uint32_t PlainRegion(uint32_t n)
{
    return NameTableA().Add("SceneRendererTestsPicture" + std::to_string(n));
}

ThemeBackground Layer(float depth)
{
    ThemeBackground layer;
    layer.depth = depth;
    layer.bounds = {0.0f, 32.0f, 0.0f, 18.0f};
    return layer;
}

// An entity renderer loaded on the recording device, drawing a world of the test game through a view
// of 16 x 9 units at (8, 4.5) with a world atlas holding one plain and one nine-slice picture.
struct EntityBench
{
    EntityBench()
    {
        files.RegisterFormats();
        RegisterRuntimeFormats(files);
        game.headless = false;
        world = game.Load(R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Hazards": [
            {"Data": "Spikes", "Position": "2 2", "Size": "4 2"},
            {"Data": "Icicles", "Position": "40 2", "Size": "1 1"}]}})",
                          names);
        game.world = world.get();
        renderer.Load(device, nullptr, nullptr, nullptr);
        atlas.SetSize(256, 256, TextureFormat::ColorBuffer4x8);
        // The whole atlas's region, as the renderer's atlases have one.
        atlas.AddRegionOf<TextureAtlasRegion>(InvalidId, 0, 0)->SetSize(256, 256);
        atlas.AddRegion(PlainId, 0, 0)->SetSize(64, 64);
        auto* nine = atlas.AddNineSliceRegion(NineId, 64, 0);
        nine->SetSize(64, 64);
        nine->left = nine->right = nine->top = nine->bottom = 16;
        view.camera->position = {8.0f, 4.5f};
        view.camera->viewSize = {16.0f, 9.0f};
        for (Hazard& hazard : world->hazards.View())
        {
            hazard.image = std::make_unique<ImageInstance>();
            hazard.image->region = PlainId;
            hazard.image->depth = 95.0f;
        }
    }

    Hazard& Spikes() { return world->hazards[0]; }

    // The entity instances one view's DrawEntities writes.
    uint32_t DrawnEntities()
    {
        renderer.BeginFrame();
        renderer.DrawEntities(view, &atlas, nullptr, nullptr, 1.0f);
        return renderer.firstGroup.count + renderer.secondGroup.count;
    }

    static inline const uint32_t PlainId = NameTableA().Add("SceneRendererTestsPlain");
    static inline const uint32_t NineId = NameTableA().Add("SceneRendererTestsNine");

    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    ResourceTable table{&files};
    RecordingGraphicsDevice device{&table, 1920, 1080};
    WorldTesting::TestGame game;
    MapNames names;
    std::unique_ptr<World> world;
    EntityRenderer renderer{game};
    Texture atlas;
    CameraView view;
};

} // namespace

TEST(BackgroundGeometry, DepthZeroStaysInTheWorldAndDepthOneFollowsTheCamera)
{
    const BackgroundGeometry::Reference reference = BackgroundGeometry::ReferenceExtent(0.5625f);
    EXPECT_FLOAT_EQ(reference.width, 16.0f);
    EXPECT_FLOAT_EQ(reference.height, 9.0f);
    // A view zoomed out to twice the reference size.
    const Vector2 camera{10.0f, 6.0f}, extent{32.0f, 18.0f};
    BackgroundGeometry::Corners corners;
    ASSERT_TRUE(BackgroundGeometry::Project(Layer(0.0f), camera, extent, reference, corners));
    EXPECT_FLOAT_EQ(corners.left, 0.0f);
    EXPECT_FLOAT_EQ(corners.right, 32.0f);
    EXPECT_FLOAT_EQ(corners.top, 18.0f);
    ASSERT_TRUE(BackgroundGeometry::Project(Layer(1.0f), camera, extent, reference, corners));
    EXPECT_FLOAT_EQ(corners.scaleX, 2.0f);
    EXPECT_FLOAT_EQ(corners.left, camera.x);
    EXPECT_FLOAT_EQ(corners.right, camera.x + 64.0f);
    EXPECT_FLOAT_EQ(corners.bottom, camera.y);

    ThemeBackground pinned = Layer(0.7f);
    pinned.pinLeft = pinned.pinRight = true;
    ASSERT_TRUE(BackgroundGeometry::Project(pinned, camera, extent, reference, corners));
    EXPECT_FLOAT_EQ(corners.left, 0.0f);
    EXPECT_FLOAT_EQ(corners.right, 32.0f);

    // A layer pushed behind the camera inverts and is not drawn; a view without a size shows none.
    EXPECT_FALSE(BackgroundGeometry::Project(Layer(-3.0f), camera, extent, reference, corners));
    for (float aspect : {0.0f, -1.0f, NAN, INFINITY})
        EXPECT_EQ(BackgroundGeometry::ReferenceExtent(aspect).width, 0.0f) << aspect;
}

TEST(BackgroundGeometry, ALayerScrollingAlongXOnlyKeepsTheWholeTextureHeight)
{
    ThemeBackground layer = Layer(0.5f);
    layer.scrollX = true;
    layer.textureAspect = 0.5f;
    layer.textureScaleX = 120.0f / 512.0f;
    layer.textureScaleY = 120.0f / 256.0f;
    const auto reference = BackgroundGeometry::ReferenceExtent(0.5625f);
    BackgroundGeometry::Corners corners;
    ASSERT_TRUE(BackgroundGeometry::Project(layer, {5.0f, 5.0f}, {16.0f, 9.0f}, reference, corners));
    TexturedBackgroundVertex quad[4];
    BackgroundGeometry::TexturedCorners(layer, {5.0f, 5.0f}, corners, quad);
    EXPECT_FLOAT_EQ(quad[0].v - quad[2].v, 1.0f);
    EXPECT_FLOAT_EQ(quad[2].v, 0.0f);
    EXPECT_GT(quad[1].u - quad[0].u, 0.0f);
    // Without a texture size yet, the picture starts at its corner rather than at infinity.
    layer.textureAspect = 0.0f;
    layer.scrollY = true;
    layer.scrollX = false;
    BackgroundGeometry::TexturedCorners(layer, {5.0f, 5.0f}, corners, quad);
    for (const TexturedBackgroundVertex& corner : quad)
        EXPECT_TRUE(std::isfinite(corner.u) && std::isfinite(corner.v));
}

TEST(SpriteGeometry, TilesCoverThePartAndCutTheLastColumnAndRow)
{
    std::vector<SpriteGeometry::Part> tiles;
    SpriteGeometry::AppendTiles({1.0f, 2.0f, 2.5f, 1.0f, {0.5f, 0.0f, 0.25f, 0.5f}}, 1.0f, 1.0f, tiles);
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_FLOAT_EQ(tiles[2].x, 3.0f);
    EXPECT_FLOAT_EQ(tiles[2].width, 0.5f);
    EXPECT_FLOAT_EQ(tiles[2].texture.width, 0.125f);
    EXPECT_FLOAT_EQ(tiles[0].texture.width, 0.25f);
    // Tile sizes that tile nothing, or too finely, leave the part whole.
    for (float tile : {0.0f, -1.0f, NAN, 1e-6f})
    {
        tiles.clear();
        SpriteGeometry::AppendTiles({0.0f, 0.0f, 2.0f, 2.0f, {}}, tile, tile, tiles);
        EXPECT_EQ(tiles.size(), 1u) << tile;
    }
}

TEST(SpriteGeometry, ANineSliceKeepsItsBordersAndRepeatsItsMiddleWhereAsked)
{
    Texture texture;
    texture.SetSize(128, 128, TextureFormat::ColorBuffer4x8);
    auto* region = texture.AddNineSliceRegion(0, 0, 0);
    region->SetSize(64, 64);
    region->left = region->right = region->top = region->bottom = 16;
    std::vector<SpriteGeometry::Part> parts;
    // Borders of 0.5 around a middle cell of 1 x 1: a 4 x 3 quad has a 3 x 2 middle.
    SpriteGeometry::AppendNineSlice(*region, 4.0f, 3.0f, 0.5f, true, false, parts);
    // Four corners, 1 left, 1 right, 3 bottom, 3 top, 3 x 1 middle.
    ASSERT_EQ(parts.size(), 4u + 1 + 1 + 3 + 3 + 3);
    EXPECT_FLOAT_EQ(parts[1].x, 3.5f);
    EXPECT_FLOAT_EQ(parts[1].width, 0.5f);
    EXPECT_FLOAT_EQ(parts[4].height, 2.0f);
    parts.clear();
    SpriteGeometry::AppendNineSlice(*region, 4.0f, 3.0f, 0.5f, false, false, parts);
    EXPECT_EQ(parts.size(), 9u);
}

TEST(EntityRenderer, ANineSliceSpriteWithoutATileSizeIsDrawnOnceAndSaidOnce)
{
    EntityBench bench;
    Hazard& spikes = bench.Spikes();
    spikes.image->region = EntityBench::NineId;
    spikes.image->tileSize = 0.5f;
    spikes.image->tileHorizontally = 1;
    // Four corners, the two side edges whole, three tiles along the bottom, the top and the middle.
    EXPECT_EQ(bench.DrawnEntities(), 4u + 2 + 3 + 3 + 3);
    for (float tileSize : {0.0f, -2.0f})
    {
        spikes.image->tileSize = tileSize;
        Testing::LogCapture log;
        EXPECT_EQ(bench.DrawnEntities(), 1u);
        EXPECT_EQ(bench.DrawnEntities(), 1u);
        EXPECT_LE(log.messages.size(), 1u);
    }
}

TEST(EntityRenderer, AHazardTakenOutOfTheMatchIsNotDrawn)
{
    EntityBench bench;
    // Only the first hazard is in view.
    EXPECT_EQ(bench.DrawnEntities(), 1u);
    EXPECT_EQ(bench.renderer.firstGroup.first, 0u);
    bench.Spikes().GetBody().active = 0;
    EXPECT_EQ(bench.DrawnEntities(), 0u);
    bench.Spikes().GetBody().active = 1;
    bench.Spikes().image->visible = 0;
    EXPECT_EQ(bench.DrawnEntities(), 0u);
    // An image of no picture draws nothing, never the whole atlas.
    bench.Spikes().image->visible = 1;
    bench.Spikes().image->region = InvalidId;
    EXPECT_EQ(bench.DrawnEntities(), 0u);
}

TEST(EntityRenderer, AnExplosionOutOfEveryViewEndsOnTimeAndAnEffectMovesWithItsBody)
{
    EntityBench bench;
    auto effect = Testing::ParseEffect(
        R"({ Emitters [ { Lifetime = 0.5 Generators [ { Type = "Stream" TimeBetweenEmissions = 0.125 } ] } ] })");
    // One in the view and one far beyond it; each waits for its effect once its two ticks are up.
    for (const Vector2 position : {Vector2{8.0f, 4.0f}, Vector2{40.0f, 30.0f}})
    {
        Visual* visual = CreateVisualEntity(*bench.world, position, {1.0f, 1.0f}, {0.5f, 0.5f}, 0.0f, 20.0f, false,
                                            false, InvalidId, InvalidId, InvalidId, 2, 1, 0);
        ASSERT_NE(visual, nullptr);
        visual->effect = std::make_unique<Effects::ParticleSystem>(effect.get(), 1);
        visual->effect->SyncEmitters();
    }
    int frames = 0;
    for (; frames < 600 && bench.world->visuals.Count() != 0; ++frames)
    {
        bench.world->Step(Lumvek::TickSeconds);
        bench.renderer.AdvanceEffects(1.0f, Lumvek::TickSeconds);
        bench.DrawnEntities();
    }
    // Births for half a second, each living a second.
    EXPECT_NEAR(frames, 92, 3);

    // A thrown body has a velocity; one the world places moved half a unit right in the last tick.
    DynamicBody thrown;
    thrown.velocityX = 3.0f;
    thrown.velocityY = -2.0f;
    EXPECT_EQ(GetBodyVelocity(thrown), Vector2(3.0f, -2.0f));
    Visual* visual = CreateVisualEntity(*bench.world, {1.0f, 1.0f}, {1.0f, 1.0f}, {}, 0.0f, 0.0f, false, false,
                                        InvalidId, InvalidId, InvalidId, -1, 0, 0);
    ASSERT_NE(visual, nullptr);
    const auto moving = Testing::OneEmitter("Lifetime = 1.0");
    visual->effect = std::make_unique<Effects::ParticleSystem>(moving.get(), 1);
    visual->GetBody().x = 1.5f;
    bench.renderer.AdvanceEffects(1.0f, 0.0f);
    EXPECT_EQ(visual->effect->velocityX, 0.5f / Lumvek::TickSeconds);
}

TEST(IndicatorGeometry, TargetsInsideTheEllipseStayWhereTheyAreAndOthersArePinnedToIt)
{
    const Vector2 centre{10.0f, 10.0f}, extent{21.0f, 10.5f};
    // Radii 10 and 5.
    const struct
    {
        Vector2 target;
        bool outside;
        Vector2 position;
        float rotation;
    } cases[] = {
        {{10.0f, 10.0f}, false, {10.0f, 10.0f}, 0.0f},     {{10.0f, 14.0f}, false, {10.0f, 14.0f}, 0.0f},
        {{10.0f, 16.0f}, true, {10.0f, 15.0f}, Pi},        {{10.0f, 2.0f}, true, {10.0f, 5.0f}, 0.0f},
        {{30.0f, 10.0f}, true, {20.0f, 10.0f}, Pi / 2.0f}, {{-30.0f, 10.0f}, true, {0.0f, 10.0f}, 3.0f * Pi / 2.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.target.x << " " << c.target.y);
        const IndicatorGeometry::Placement placement = IndicatorGeometry::Place(c.target, centre, extent);
        EXPECT_EQ(placement.outside, c.outside);
        EXPECT_NEAR(placement.position.x, c.position.x, 1e-4f);
        EXPECT_NEAR(placement.position.y, c.position.y, 1e-4f);
        EXPECT_NEAR(std::fmod(placement.rotation, 2.0f * Pi), c.rotation, 1e-4f);
    }
}

// A target up and to the left, or in the display's top band where its dials stand, is pinned below the band.
TEST(IndicatorGeometry, IndicatorsKeepBelowTheDialsOfTheHud)
{
    const Vector2 centre{5.0f, 4.0f}, extent{16.0f, 4.5f};
    for (const float band : {0.0f, 135.0f})
        for (const Vector2 target : {Vector2{-10.0f, 20.0f}, Vector2{-1.0f, 6.1f}, Vector2{5.0f, 6.2f}})
        {
            const IndicatorGeometry::Area area = IndicatorGeometry::BelowBand(centre, extent, 270.0f, band);
            const Vector2 placed = IndicatorGeometry::Place(target, area.centre, area.extent).position;
            EXPECT_GE((centre.y + extent.y / 2.0f - placed.y) / extent.y * 270.0f, band) << target.x << " " << band;
        }
}

TEST(IndicatorGeometry, AViewWithoutPixelsHasNoIndicatorSizes)
{
    IndicatorGeometry::Sizes sizes;
    ASSERT_TRUE(IndicatorGeometry::ComputeSizes({16.0f, 9.0f}, {1600.0f, 900.0f}, sizes));
    EXPECT_FLOAT_EQ(sizes.icon.x, 0.3f);
    EXPECT_FLOAT_EQ(sizes.arrow.y, 0.2f);
    EXPECT_FLOAT_EQ(sizes.arrowBesideIcon.x, 0.2f);
    for (Vector2 pixels : {Vector2(0.0f, 900.0f), Vector2(1600.0f, 0.0f), Vector2(-1.0f, 5.0f)})
        EXPECT_FALSE(IndicatorGeometry::ComputeSizes({16.0f, 9.0f}, pixels, sizes));
    // An arrow beside an icon: the icon sits one icon size from it, toward the view's centre.
    IndicatorGeometry::Placement above;
    above.position = {0.0f, 5.0f};
    above.rotation = Pi;
    const Vector2 iconCentre = IndicatorGeometry::IconTransform(above, {1.0f, 1.0f}).TransformPoint({0.5f, 0.5f});
    EXPECT_NEAR(iconCentre.x, 0.0f, 1e-5f);
    EXPECT_NEAR(iconCentre.y, 4.0f, 1e-5f);
}

namespace
{

// A platform texture with the outline and every tile piece of a theme.
void FillPlatformTexture(Texture& texture)
{
    texture.SetSize(1024, 1024, TextureFormat::ColorBuffer4x8);
    auto* outline = texture.AddNineSliceRegion(Images::PlatformDraw, 0, 600);
    outline->SetSize(96, 96);
    outline->left = outline->right = outline->top = outline->bottom = 12;
    uint32_t x = 0;
    for (uint32_t piece :
         {Images::TopLeft,          Images::TopMiddle,        Images::TopRight,          Images::SolidLeft,
          Images::SolidBackground,  Images::SolidRight,       Images::SolidLeftCorner,   Images::SolidBottom,
          Images::SolidRightCorner, Images::SolidJoinTopLeft, Images::SolidJoinTopRight, Images::SolidJoinRight,
          Images::SolidJoinLeft,    Images::OneWayLeft,       Images::OneWayBackground,  Images::OneWayRight,
          Images::OneWayLeftCorner, Images::OneWayBottom,     Images::OneWayRightCorner, Images::ConveyerLeft,
          Images::ConveyerMiddle,   Images::ConveyerRight})
    {
        texture.AddRegion(piece, x, 0)->SetSize(32, 32);
        x += 32;
    }
}

std::vector<PositionInstance> PlatformInstances(const EntityRenderer& renderer)
{
    std::vector<PositionInstance> written(renderer.platforms.count);
    std::memcpy(written.data(),
                renderer.platformInstances->data.Data() + size_t(renderer.platforms.first) * sizeof(PositionInstance),
                written.size() * sizeof(PositionInstance));
    return written;
}

} // namespace

TEST(EntityRenderer, AHiddenPlatformIsOutlinedDuringTheDrawInButNeverTiled)
{
    WorldTesting::TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Platforms": [
        {"Name": "Secret", "Position": "2 2", "Size": "2 1", "Hidden": true},
        {"Name": "Low", "Position": "3 0", "Size": "2 1", "OneWay": true},
        {"Name": "High", "Position": "4 0.5", "Size": "2 1", "OneWay": true}]}})",
                           names);
    game.world = world.get();
    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    files.RegisterFormats();
    RegisterRuntimeFormats(files);
    ResourceTable table{&files};
    RecordingGraphicsDevice device{&table, 1920, 1080};
    EntityRenderer renderer{game};
    renderer.Load(device, nullptr, nullptr, nullptr);
    Texture platforms;
    FillPlatformTexture(platforms);
    CameraView view;
    view.camera->position = {4.0f, 2.0f};
    view.camera->viewSize = {16.0f, 9.0f};

    renderer.BeginFrame();
    renderer.DrawPlatformsDrawIn(view, &platforms, 0.25f);
    const std::vector<PositionInstance> outlines = PlatformInstances(renderer);
    ASSERT_EQ(outlines.size(), 3u * 8u);
    for (const PositionInstance& piece : outlines)
        EXPECT_EQ(piece.last, 0.25f);
    const Rectangle hidden = names.platforms.Find("Secret")->GetBody().GetBounds();
    EXPECT_EQ(std::count_if(outlines.begin(), outlines.end(),
                            [&](const PositionInstance& p) { return p.x == hidden.x && p.y == hidden.y; }),
              1);

    // The tile pass: the higher one-way platform first, so that the lower covers it; the hidden one
    // draws nothing.
    renderer.BeginFrame();
    renderer.DrawPlatforms(view, &platforms, 1.0f, 0.0f);
    const std::vector<PositionInstance> tiles = PlatformInstances(renderer);
    ASSERT_EQ(tiles.size(), 2u * 16u);
    EXPECT_FLOAT_EQ(tiles[4].x, 4.0f); // High's first left-column tile
    EXPECT_FLOAT_EQ(tiles[16 + 4].x, 3.0f);
    for (const PositionInstance& tile : tiles)
        EXPECT_EQ(tile.last, PlatformGeometry::OneWayDepth);
}

TEST(EntityRenderer, TheViewsOwnPlayerIsDrawnOnceWhereverItIsAndPickupsAndVisualsByTheirLayers)
{
    PlayerTesting::PlayerGame game;
    auto world = game.LoadText(PlayerTesting::PlatformMap(R"({"Position": "0 0", "Size": "40 1"})"));
    game.world = world.get();
    Player& near = game.AddPlayer(*world, {5.0f, 1.0f}, game.MakeLoadout());
    Player& far = game.AddPlayer(*world, {35.0f, 1.0f}, game.MakeLoadout(), true);
    ASSERT_TRUE(near.visual && far.visual);

    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    files.RegisterFormats();
    RegisterRuntimeFormats(files);
    ResourceTable table{&files};
    RecordingGraphicsDevice device{&table, 1920, 1080};
    EntityRenderer renderer{game};
    renderer.Load(device, nullptr, nullptr, nullptr);
    // Every bone's picture as a small square of its own.
    Texture atlas;
    atlas.SetSize(1024, 1024, TextureFormat::ColorBuffer4x8);
    uint32_t x = 0;
    const auto pictured = [&](const std::vector<Bone*>& bones)
    {
        uint32_t count = 0;
        for (const Bone* bone : bones)
            if (bone->region != InvalidId)
            {
                if (!atlas.GetRegion(bone->region))
                {
                    atlas.AddRegion(bone->region, x, 0)->SetSize(8, 8);
                    x += 8;
                }
                ++count;
            }
        return count;
    };
    const uint32_t nearBones = pictured(near.visual->rightBones);
    const uint32_t farBones = pictured(far.visual->leftBones);
    ASSERT_GT(nearBones, 3u);

    CameraView view;
    view.camera->position = {5.0f, 4.0f};
    view.camera->viewSize = {16.0f, 9.0f};
    const auto drawn = [&](Player* own)
    {
        view.player = own;
        renderer.BeginFrame();
        renderer.DrawEntities(view, &atlas, nullptr, nullptr, 1.0f);
        return renderer.firstGroup.count;
    };
    EXPECT_EQ(drawn(nullptr), nearBones);
    EXPECT_EQ(drawn(&near), nearBones);
    EXPECT_EQ(drawn(&far), nearBones + farBones);
    // A player out of the match is not drawn, even in its own view.
    far.body.active = 0;
    EXPECT_EQ(drawn(&far), nearBones);

    // A weapon lies behind the players and a flag in front of them; visuals go by layer, not by depth:
    // the shot, made first and deepest, is drawn last. Pictures of the test's own stand in.
    for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
             &game.ownRegistry.items, &game.ownRegistry.projectiles, &game.ownRegistry.weapons})
        collection->Load();
    WeaponData& rifle = *game.ownRegistry.weapons.Find("Rifle");
    rifle.image = PlainRegion(0);
    std::unique_ptr<Weapon> weapon = rifle.Create();
    weapon->data = &rifle;
    auto flag = std::make_unique<Item>();
    flag->data = game.ownRegistry.items.Find("RedFlag");
    game.ownRegistry.items.Find("RedFlag")->image = PlainRegion(1);
    const SpawnPoint at{5.0f, 1.5f, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    ASSERT_TRUE(CreateWeaponPickupEntity(*world, at, 0.0f, {}, false, weapon, -1, 0));
    ASSERT_TRUE(CreatePickupEntity(*world, at, 0.0f, {}, false, flag, -1));
    for (const auto& [region, layer, depth] :
         {std::tuple{2u, VisualLayer::Shots, 95.0f}, std::tuple{3u, VisualLayer::Scenery, 20.0f}})
    {
        Visual* visual = CreateVisualEntity(*world, {5.0f, 2.0f}, {1.0f, 1.0f}, {}, 0.0f, 0.0f, false, false,
                                            PlainRegion(region), InvalidId, InvalidId, -1, 0, 0);
        ASSERT_TRUE(visual && visual->image);
        visual->image->layer = layer;
        visual->image->depth = depth;
    }
    for (uint32_t region = 0; region < 4; ++region)
        atlas.AddRegion(PlainRegion(region), 1000, 8 * region)->SetSize(8, 8);
    drawn(&near);
    std::string order;
    for (uint32_t i = 0; i < renderer.firstGroup.count + renderer.secondGroup.count; ++i)
    {
        TransformInstance instance;
        std::memcpy(&instance, renderer.entityInstances->data.Data() + i * sizeof(TransformInstance), sizeof instance);
        // The pictures of the test stand in the last column, one above the other.
        order += instance.texture.u < 1000.0f / 1024.0f ? 'p' : "WFSV"[std::lround(instance.texture.v * 128.0f)];
    }
    EXPECT_EQ(order, "W" + std::string(nearBones, 'p') + "FVS");
}

// Where the 16 x 9 view about (5, 4) in 960 x 540 pixels shows a target's marker: below the game screen's dials.
IndicatorGeometry::Placement PlaceBelowTheDials(const GameContext& game, Vector2 target)
{
    const HudLayout hud = HudLayout::For(960.0f, 540.0f, HudLayout::ScoreDials(game.configuration.teamCount));
    const IndicatorGeometry::Area area =
        IndicatorGeometry::BelowBand({5.0f, 4.0f}, {16.0f, 9.0f}, 540.0f, hud.MarkerTop());
    return IndicatorGeometry::Place(target, area.centre, area.extent);
}

TEST(IndicatorRenderer, EachViewDrawsItsPlayersMarkersAndAViewWithoutPixelsNone)
{
    PlayerTesting::PlayerGame game;
    auto world = game.LoadText(PlayerTesting::PlatformMap(R"({"Position": "0 0", "Size": "40 1"})"));
    game.world = world.get();
    Player& watcher = game.AddPlayer(*world, {5.0f, 1.0f}, game.MakeLoadout());
    Player& watched = game.AddPlayer(*world, {35.0f, 1.0f}, game.MakeLoadout());
    World::Notice(watcher.awareness, AwarenessMarker::PlayerKind, watched.index, {35.0f, 1.0f});

    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    files.RegisterFormats();
    RegisterRuntimeFormats(files);
    ResourceTable table{&files};
    RecordingGraphicsDevice device{&table, 1920, 1080};
    Texture* ui = device.CreateTexture(GraphicsResources::UiAtlas, 0);
    ASSERT_NE(ui, nullptr);
    ui->SetSize(256, 256, TextureFormat::ColorBuffer4x8);
    ui->AddRegion(Images::Indicator, 0, 0)->SetSize(64, 32);
    IndicatorRenderer renderer{game};
    renderer.Load(device);

    std::array<CameraView, 3> views;
    for (CameraView& view : views)
    {
        view.camera->position = {5.0f, 4.0f};
        view.camera->viewSize = {16.0f, 9.0f};
        view.camera->pixelRect = {0.0f, 0.0f, 960.0f, 540.0f};
    }
    views[0].player = &watcher;
    views[2].player = &watcher;
    renderer.BeginFrame();
    std::vector<RenderRange> ranges;
    for (CameraView& view : views)
    {
        renderer.Draw(device, view);
        ranges.push_back({renderer.indicatorFirst, renderer.indicatorCount});
    }
    // One arrow per view that follows the watcher; the view of nobody draws none.
    EXPECT_EQ(ranges[0].first, 0u);
    EXPECT_EQ(ranges[0].count, 1u);
    EXPECT_EQ(ranges[1].count, 0u);
    EXPECT_EQ(ranges[2].first, 1u);
    EXPECT_EQ(ranges[2].count, 1u);
    // The arrow's base is pinned to the ellipse on the way to the marker.
    TransformInstance arrow;
    std::memcpy(&arrow, renderer.instances->data.Data(), sizeof(arrow));
    const IndicatorGeometry::Placement placement = PlaceBelowTheDials(game, watcher.awareness[0].position);
    EXPECT_TRUE(placement.outside);
    EXPECT_NEAR(0.5f * arrow.transform.m[0] + arrow.transform.m[12], placement.position.x, 1e-4f);
    EXPECT_NEAR(0.5f * arrow.transform.m[1] + arrow.transform.m[13], placement.position.y, 1e-4f);
    EXPECT_GT(placement.position.x, 12.0f);

    // A view of no pixels has nothing to size its indicators by.
    views[0].camera->pixelRect = {0.0f, 0.0f, 0.0f, 540.0f};
    renderer.BeginFrame();
    renderer.Draw(device, views[0]);
    EXPECT_EQ(renderer.indicatorCount, 0u);
}

TEST(IndicatorRenderer, AMarkerWhoseIconIsMissingWaitsWhereItWasShown)
{
    PlayerTesting::PlayerGame game;
    auto world = game.LoadText(PlayerTesting::PlatformMap(R"({"Position": "0 0", "Size": "40 1"})"));
    game.world = world.get();
    Player& watcher = game.AddPlayer(*world, {5.0f, 1.0f}, game.MakeLoadout());
    Player& watched = game.AddPlayer(*world, {35.0f, 1.0f}, game.MakeLoadout());
    watched.healthState = HealthState::Dead;
    World::Notice(watcher.awareness, AwarenessMarker::PlayerKind, watched.index, {35.0f, 1.0f});
    AwarenessMarker& marker = watcher.awareness[0];
    const Vector2 first = marker.position;

    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    ResourceTable table{&files};
    RecordingGraphicsDevice device{&table, 1920, 1080};
    Texture* ui = device.CreateTexture(GraphicsResources::UiAtlas, 0);
    ASSERT_NE(ui, nullptr);
    ui->SetSize(256, 256, TextureFormat::ColorBuffer4x8);
    ui->AddRegion(Images::Indicator, 0, 0)->SetSize(64, 32);
    IndicatorRenderer renderer{game};
    renderer.Load(device);
    CameraView view;
    view.player = &watcher;
    view.camera->position = {5.0f, 4.0f};
    view.camera->viewSize = {16.0f, 9.0f};
    view.camera->pixelRect = {0.0f, 0.0f, 960.0f, 540.0f};
    const auto draw = [&]
    {
        renderer.BeginFrame();
        renderer.Draw(device, view);
        return renderer.indicatorCount;
    };
    // Dead, the watched player's marker shows the skull, which the atlas lacks yet.
    EXPECT_EQ(draw(), 0u);
    marker.position = {20.0f, 12.0f};
    EXPECT_EQ(draw(), 0u);
    ui->AddRegion(Images::Death, 64, 0)->SetSize(32, 32);
    ASSERT_EQ(draw(), 2u);
    TransformInstance arrow;
    std::memcpy(&arrow, renderer.instances->data.Data() + sizeof(TransformInstance), sizeof(arrow));
    const IndicatorGeometry::Placement placement = PlaceBelowTheDials(game, first);
    EXPECT_NEAR(0.5f * arrow.transform.m[0] + arrow.transform.m[12], placement.position.x, 1e-4f);
    EXPECT_NEAR(0.5f * arrow.transform.m[1] + arrow.transform.m[13], placement.position.y, 1e-4f);
}

// Every shipped map in every shipped theme, its hazards and zones drawn with their own pictures: each instance
// shows its pixels at most twice as stretched along one axis as along the other, not smeared into streaks.
TEST(EntityRenderer, ShippedFieldsAreTiledOrNineSlicedNotStretched)
{
    for (const std::string_view theme : {"Meadow", "Glacier"})
        for (const std::string_view map : {"Crossroads", "Hilltop"})
        {
            MatchTesting::Match match;
            RegisterRuntimeFormats(match.files);
            match.configuration.theme = match.ownRegistry.themes.FindIndex(theme);
            match.Load(map);
            Texture atlas;
            ASSERT_TRUE(atlas.SetSize(2048, 2048, TextureFormat::ColorBuffer4x8));
            for (const auto& hazard : match.ownRegistry.hazards.GetItems())
                hazard->Load(atlas, atlas);
            for (const auto& zone : match.ownRegistry.zones.GetItems())
                zone->Load(atlas, atlas);
            ResourceTable table{&match.files};
            RecordingGraphicsDevice device{&table, 1920, 1080};
            EntityRenderer renderer{match};
            renderer.Load(device, nullptr, nullptr, nullptr);
            CameraView view;
            const Rectangle& world = match.world->bounds;
            view.camera->position = {world.x + world.width / 2.0f, world.y + world.height / 2.0f};
            view.camera->viewSize = {world.width, world.height};
            renderer.BeginFrame();
            renderer.DrawEntities(view, &atlas, nullptr, nullptr, 1.0f);
            ASSERT_GT(renderer.firstGroup.count, 10u) << map;
            TransformInstance drawn;
            for (uint32_t i = 0; i < renderer.firstGroup.count; ++i)
            {
                // World units per picture pixel along the instance's two axes.
                std::memcpy(&drawn, renderer.entityInstances->data.Data() + i * sizeof drawn, sizeof drawn);
                const float* m = drawn.transform.m;
                const float alongX = std::hypot(m[0], m[1]) / drawn.texture.width;
                const float alongY = std::hypot(m[4], m[5]) / drawn.texture.height;
                EXPECT_LE(std::max(alongX / alongY, alongY / alongX), 2.0f) << map << " in " << theme << ": " << i;
            }
        }
}
