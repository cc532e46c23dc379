#include "Source/World/PlatformRenderable.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WorldTestSupport.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Lumvek;
using namespace WorldTesting;

namespace
{

std::string MapOf(const std::string& platforms)
{
    return R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Platforms": [)" + platforms + "]}}";
}

// A platform texture with every piece as a 64-pixel square in a row of its own, and the outline.
struct PlatformTexture
{
    PlatformTexture()
    {
        texture.SetSize(1024, 1024, TextureFormat::ColorBuffer4x8);
        const uint32_t pieces[] = {
            Images::TopLeft,          Images::TopMiddle,        Images::TopRight,          Images::SolidLeft,
            Images::SolidBackground,  Images::SolidRight,       Images::SolidLeftCorner,   Images::SolidBottom,
            Images::SolidRightCorner, Images::SolidJoinTopLeft, Images::SolidJoinTopRight, Images::SolidJoinRight,
            Images::SolidJoinLeft,    Images::OneWayLeft,       Images::OneWayBackground,  Images::OneWayRight,
            Images::OneWayLeftCorner, Images::OneWayBottom,     Images::OneWayRightCorner, Images::ConveyerLeft,
            Images::ConveyerMiddle,   Images::ConveyerRight};
        uint32_t x = 0;
        for (uint32_t id : pieces)
        {
            texture.AddRegion(id, x, 0)->SetSize(32, 64);
            x += 32;
        }
        auto* outline = texture.AddNineSliceRegion(Images::PlatformDraw, 0, 600);
        outline->SetSize(512, 256);
        outline->left = outline->right = outline->top = outline->bottom = 64;
    }

    const UvRectangle& Uv(uint32_t id) const { return texture.GetRegion(id)->uv; }

    Texture texture;
};

// Draws the platform's tiles as the renderer's tile pass does and reads back what it wrote.
struct TilePass
{
    std::vector<PositionInstance> Draw(Platform& platform, const ThemeData& theme, float dt = 0.0f)
    {
        buffer.used = 0;
        platform.renderable->Draw(platform, {buffer, textures.texture, theme, log}, 1.0f, dt);
        std::vector<PositionInstance> written(buffer.used / sizeof(PositionInstance));
        std::memcpy(written.data(), buffer.data.Data(), buffer.used);
        return written;
    }

    PlatformTexture textures;
    Geometry buffer;
    OnceLog log;
};

bool SameUv(const PositionInstance& instance, const UvRectangle& uv)
{
    return instance.u == uv.x && instance.v == uv.y && instance.uWidth == uv.width && instance.vHeight == uv.height;
}

ThemeData& ThemeOf(TestGame& game)
{
    return *game.ownRegistry.themes.Get(game.configuration.theme);
}

} // namespace

TEST(PlatformRenderable, TheFactoryGivesEachKindOfPlatformItsRenderable)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MapOf(R"({"Name": "Solid", "Position": "0 0", "Size": "2 1"},
        {"Name": "Ledge", "Position": "5 0", "Size": "2 1", "OneWay": true},
        {"Name": "Secret", "Position": "10 0", "Size": "2 1", "Hidden": true})"),
                           names);
    EXPECT_NE(dynamic_cast<JoinedPlatformRenderable*>(names.platforms.Find("Solid")->renderable.get()), nullptr);
    EXPECT_NE(dynamic_cast<IndependentPlatformRenderable*>(names.platforms.Find("Ledge")->renderable.get()), nullptr);
    EXPECT_EQ(names.platforms.Find("Secret")->renderable, nullptr);

    game.headless = true;
    auto server = game.Load(MapOf(R"({"Name": "Solid", "Position": "0 0", "Size": "2 1"})"), names);
    EXPECT_EQ(names.platforms.Find("Solid")->renderable, nullptr);
}

TEST(PlatformRenderable, ANarrowPlatformIsDrawnTwoTilesWideWhileItsBodyKeepsItsSize)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MapOf(R"({"Name": "Ledge", "Position": "1 2", "Size": "0.6 1", "OneWay": true})"), names);
    Platform& ledge = *names.platforms.Find("Ledge");
    TilePass pass;
    const std::vector<PositionInstance> written = pass.Draw(ledge, ThemeOf(game));
    // Two columns of 0.5, two rows: (rows + 2) x columns.
    ASSERT_EQ(written.size(), 8u);
    EXPECT_FLOAT_EQ(ledge.GetBody().width, 0.6f);
    const PositionInstance& topRight = written[7];
    EXPECT_TRUE(SameUv(topRight, pass.textures.Uv(Images::TopRight)));
    EXPECT_FLOAT_EQ(topRight.x, 1.5f);
    EXPECT_FLOAT_EQ(topRight.width, 0.75f);
    EXPECT_FLOAT_EQ(written[4].y, 1.5f); // the bottom corners hang below the rectangle
    for (const PositionInstance& instance : written)
        EXPECT_EQ(instance.last, PlatformGeometry::OneWayDepth);
}

TEST(PlatformRenderable, AnIndependentPlatformWritesItsTilesInOrder)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MapOf(R"({"Name": "Lift", "Position": "0 0", "Size": "2 1", "Moving": true,
        "Path": [{"Time": 0, "Value": {"Position": "0 0", "Action": "Normal"}}]})"),
                           names);
    TilePass pass;
    const std::vector<PositionInstance> written = pass.Draw(*names.platforms.Find("Lift"), ThemeOf(game));
    // Four columns and two rows: 2 x 2 interior, 2 left, 2 right, 4 below, 4 on top.
    ASSERT_EQ(written.size(), 16u);
    const struct
    {
        size_t index;
        uint32_t piece;
        float x, y, width;
    } expected[] = {
        {0, Images::SolidBackground, 0.5f, 0.0f, 0.5f},  {3, Images::SolidBackground, 1.0f, 0.5f, 0.5f},
        {4, Images::SolidLeft, 0.0f, 0.0f, 0.5f},        {6, Images::SolidRight, 1.5f, 0.0f, 0.5f},
        {8, Images::SolidLeftCorner, 0.0f, -0.5f, 0.5f}, {9, Images::SolidRightCorner, 1.5f, -0.5f, 0.5f},
        {10, Images::SolidBottom, 0.5f, -0.5f, 0.5f},    {12, Images::TopLeft, -0.25f, 0.5f, 0.75f},
        {13, Images::TopRight, 1.5f, 0.5f, 0.75f},       {15, Images::TopMiddle, 1.0f, 0.5f, 0.5f},
    };
    for (const auto& e : expected)
    {
        SCOPED_TRACE(e.index);
        EXPECT_TRUE(SameUv(written[e.index], pass.textures.Uv(e.piece)));
        EXPECT_FLOAT_EQ(written[e.index].x, e.x);
        EXPECT_FLOAT_EQ(written[e.index].y, e.y);
        EXPECT_FLOAT_EQ(written[e.index].width, e.width);
        EXPECT_EQ(written[e.index].last, PlatformGeometry::SolidDepth);
    }
}

TEST(PlatformRenderable, AConveyerStripOfThreeWholePiecesTakesFiveInstances)
{
    const UvRectangle left{0.1f, 0.0f, 0.1f, 0.1f}, middle{0.5f, 0.0f, 0.2f, 0.1f}, right{0.8f, 0.0f, 0.1f, 0.1f};
    const struct
    {
        float offset;
        uint32_t count;
    } cases[] = {{0.0f, 5}, {0.05f, 6}, {0.2f, 6}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.offset);
        PositionInstance out[8];
        ASSERT_EQ(PlatformGeometry::CountConveyerPieces(1.0f, 1.75f, c.offset, 0.25f), c.count);
        ASSERT_EQ(PlatformGeometry::WriteConveyer(out, 1.0f, 1.75f, 2.0f, c.offset, 0.25f, left, middle, right, 80.0f),
                  c.count);
        EXPECT_FLOAT_EQ(out[0].y, 1.875f); // straddling the top edge
        const PositionInstance& last = out[c.count - 3];
        EXPECT_FLOAT_EQ(last.x + last.width, 1.75f);
        EXPECT_FLOAT_EQ(out[c.count - 2].x, 1.0f);
        EXPECT_TRUE(out[c.count - 2].u == left.x);
        EXPECT_FLOAT_EQ(out[c.count - 1].x, 1.5f);
    }
    PositionInstance out[8];
    PlatformGeometry::WriteConveyer(out, 1.0f, 1.75f, 2.0f, 0.0f, 0.25f, left, middle, right, 80.0f);
    // The last piece of an unshifted strip shows the whole texture rectangle.
    EXPECT_FLOAT_EQ(out[2].uWidth, middle.width);
    PlatformGeometry::WriteConveyer(out, 1.0f, 1.75f, 2.0f, 0.05f, 0.25f, left, middle, right, 80.0f);
    // The first piece shows the last fifth of the middle piece.
    EXPECT_FLOAT_EQ(out[0].width, 0.05f);
    EXPECT_FLOAT_EQ(out[0].u, 0.5f + 0.8f * 0.2f);
    EXPECT_FLOAT_EQ(out[0].uWidth, 0.2f * 0.2f);
}

TEST(PlatformRenderable, TheConveyerOffsetStaysWithinOnePieceWhateverItIsFed)
{
    const struct
    {
        float offset, speed, dt, expected;
    } cases[] = {
        {0.0f, 1.0f, 0.1f, 0.1f},     {0.2f, 1.0f, 0.1f, 0.05f},    {0.0f, -1.0f, 0.1f, -0.1f},
        {-0.2f, -1.0f, 0.1f, -0.05f}, {0.1f, 0.00001f, 1.0f, 0.1f}, {0.0f, 1e30f, 1e10f, 0.0f},
        {0.1f, NAN, 0.1f, 0.1f},      {0.1f, 1.0f, INFINITY, 0.0f}, {0.0f, 3e6f, 1.0f, 0.0f},
    };
    for (const auto& c : cases)
    {
        const float result = PlatformGeometry::AdvanceConveyer(c.offset, c.speed, c.dt, 0.25f);
        EXPECT_NEAR(result, c.expected, 1e-5f) << c.offset << " " << c.speed << " " << c.dt;
        EXPECT_LT(std::fabs(result), 0.25f);
    }
    // Two views showing the platform advance it twice in one frame.
    TestGame game;
    MapNames names;
    auto world = game.Load(MapOf(R"({"Name": "Belt", "Position": "0 0", "Size": "3 1", "Conveyance": 1.0})"), names);
    Platform& belt = *names.platforms.Find("Belt");
    TilePass pass;
    pass.Draw(belt, ThemeOf(game), 0.05f);
    pass.Draw(belt, ThemeOf(game), 0.05f);
    EXPECT_NEAR(belt.renderable->conveyerOffset, 0.1f, 1e-6f);
}

TEST(PlatformRenderable, TheOutlineOfAPlatformOneUnitWideHasHalfUnitEdges)
{
    PlatformTexture textures;
    const auto& region = *textures.texture.FindRegion<TextureNineSliceRegion>(Images::PlatformDraw);
    PositionInstance out[8];
    PlatformGeometry::WriteOutline(out, {2.0f, 3.0f, 1.0f, 2.0f}, region, 0.5f);
    for (int corner = 0; corner < 4; ++corner)
    {
        EXPECT_FLOAT_EQ(out[corner].width, 0.25f);
        EXPECT_FLOAT_EQ(out[corner].height, 0.25f);
    }
    EXPECT_FLOAT_EQ(out[4].width, 0.5f);
    EXPECT_FLOAT_EQ(out[5].y, 4.75f);
    EXPECT_FLOAT_EQ(out[6].height, 1.5f);
    EXPECT_FLOAT_EQ(out[3].x, 2.75f);
    // The bottom-left corner samples the image's bottom-left cell: 64 of 1024 pixels square.
    EXPECT_FLOAT_EQ(out[0].u, 0.0f);
    EXPECT_FLOAT_EQ(out[0].v, (600.0f + 256.0f - 64.0f) / 1024.0f);
    EXPECT_FLOAT_EQ(out[0].uWidth, 64.0f / 1024.0f);
    // The top edge samples the top middle cell.
    EXPECT_FLOAT_EQ(out[5].u, 64.0f / 1024.0f);
    EXPECT_FLOAT_EQ(out[5].uWidth, (512.0f - 128.0f) / 1024.0f);
    EXPECT_FLOAT_EQ(out[5].v, 600.0f / 1024.0f);
    for (const PositionInstance& piece : out)
        EXPECT_EQ(piece.last, 0.5f);
    // Narrower than its borders: empty edges, never negative sizes.
    PlatformGeometry::WriteOutline(out, {0.0f, 0.0f, 0.3f, 0.3f}, region, 0.5f);
    EXPECT_EQ(out[4].width, 0.0f);
    EXPECT_EQ(out[6].height, 0.0f);
}

TEST(PlatformRenderable, ATileSizeOfZeroOrLessDrawsOutlinesAndSaysSoOncePerTheme)
{
    for (float tileSize : {0.0f, -1.0f, NAN, 1e-30f})
    {
        SCOPED_TRACE(tileSize);
        TestGame game;
        ThemeOf(game).tileSize = tileSize;
        MapNames names;
        auto world = game.Load(MapOf(R"({"Name": "A", "Position": "0 0", "Size": "2 1"},
            {"Name": "B", "Position": "2 0", "Size": "2 1"},
            {"Name": "C", "Position": "5 0", "Size": "2 1", "OneWay": true})"),
                               names);
        auto* joined = dynamic_cast<JoinedPlatformRenderable*>(names.platforms.Find("A")->renderable.get());
        ASSERT_NE(joined, nullptr);
        EXPECT_TRUE(joined->leftKinds.empty() && joined->joined.empty());
        Testing::LogCapture log;
        TilePass pass;
        for (std::string name : {"A", "B", "C", "A"})
        {
            const std::vector<PositionInstance> written = pass.Draw(*names.platforms.Find(name), ThemeOf(game));
            ASSERT_EQ(written.size(), 8u);
            EXPECT_FLOAT_EQ(written[4].width, 1.5f);
        }
        EXPECT_EQ(log.messages.size(), 1u);
    }
}

TEST(PlatformRenderable, AConveyerSizeOfZeroOrLessDrawsTilesWithoutAStrip)
{
    TestGame game;
    ThemeOf(game).conveyerSize = 0.0f;
    MapNames names;
    auto world = game.Load(MapOf(R"({"Name": "A", "Position": "0 0", "Size": "2 1", "Conveyance": 1.0},
        {"Name": "B", "Position": "5 0", "Size": "2 1", "OneWay": true, "Conveyance": -1.0})"),
                           names);
    Testing::LogCapture log;
    TilePass pass;
    EXPECT_EQ(pass.Draw(*names.platforms.Find("A"), ThemeOf(game), 0.1f).size(), 4u * 2u + 4u);
    EXPECT_EQ(pass.Draw(*names.platforms.Find("B"), ThemeOf(game), 0.1f).size(), 16u);
    EXPECT_EQ(log.messages.size(), 1u);
}

TEST(PlatformRenderable, JoinedPlatformsJoinTheirEdgesToTheirSolidNeighbours)
{
    TestGame game;
    MapNames names;
    // Wall stands left of Block and reaches above it; Step lies on Block's right half; Floor lies
    // under Block's middle; Plank is one-way and joins nothing.
    auto world = game.Load(MapOf(R"({"Name": "Block", "Position": "0 0", "Size": "3 2"},
        {"Name": "Wall", "Position": "-1 -1", "Size": "1 4"},
        {"Name": "Step", "Position": "2 2", "Size": "1 1"},
        {"Name": "Floor", "Position": "1 -1", "Size": "1 1"},
        {"Name": "Plank", "Position": "3 1", "Size": "1 0.5", "OneWay": true})"),
                           names);
    auto& block = dynamic_cast<JoinedPlatformRenderable&>(*names.platforms.Find("Block")->renderable);
    EXPECT_EQ(block.leftPlatforms, std::vector<Platform*>{names.platforms.Find("Wall")});
    EXPECT_TRUE(block.rightPlatforms.empty());
    EXPECT_EQ(block.topPlatforms, std::vector<Platform*>{names.platforms.Find("Step")});
    EXPECT_EQ(block.bottomPlatforms, std::vector<Platform*>{names.platforms.Find("Floor")});
    EXPECT_EQ(block.joined.size(), 3u);
    // Six columns, four rows: the wall covers the whole left side; the bottom tile and the column's last
    // tile keep their kinds.
    EXPECT_EQ(block.leftKinds, (std::vector<uint32_t>{JoinedPlatformRenderable::Bottom, 0, 0, 4}));
    EXPECT_EQ(block.rightKinds, (std::vector<uint32_t>{JoinedPlatformRenderable::Corner, 4, 4, 4}));
    // The floor covers the middle two of the four tiles between the corners.
    EXPECT_EQ(block.bottomKinds, (std::vector<uint32_t>{4, 2, 3, 4}));
    EXPECT_EQ(block.topStartKind, JoinedPlatformRenderable::Edge);
    EXPECT_EQ(block.topStart, 0u);
    EXPECT_EQ(block.topEnd, 4u);

    TilePass pass;
    const std::vector<PositionInstance> written = pass.Draw(*names.platforms.Find("Block"), ThemeOf(game));
    // rows x columns - topStart + topEnd.
    ASSERT_EQ(written.size(), 4u * 6u + 4u);
    // The top row starts with a middle piece at the platform's left edge, not the wider corner.
    const PositionInstance& first = written[written.size() - 4];
    EXPECT_TRUE(SameUv(first, pass.textures.Uv(Images::TopMiddle)));
    EXPECT_FLOAT_EQ(first.x, 0.0f);
    EXPECT_FLOAT_EQ(first.width, 0.5f);
    // The row cut short by the step runs on in middle pieces.
    EXPECT_TRUE(SameUv(written.back(), pass.textures.Uv(Images::TopMiddle)));
    EXPECT_FLOAT_EQ(written.back().x, 1.5f);
}

TEST(PlatformRenderable, ATopRowResumesBeyondEachPlatformStandingOnIt)
{
    TestGame game;
    MapNames names;
    const auto [read, text] = File::ReadAllText(Testing::SourceFolder() + "/Assets/Maps/Crossroads/Data.json");
    ASSERT_TRUE(read);
    auto world = game.Load(text, names);
    Platform* ground = names.platforms.Find("Ground");
    ASSERT_NE(ground, nullptr);
    const float T = ThemeOf(game).tileSize;
    const float top = ground->GetBody().y + ground->GetBody().height - T;

    TilePass pass;
    const std::vector<PositionInstance> written = pass.Draw(*ground, ThemeOf(game));
    const auto topPieceAt = [&](float x)
    {
        for (const PositionInstance& tile : written)
            if (SameUv(tile, pass.textures.Uv(Images::TopMiddle)) && tile.y == top && tile.x <= x &&
                x < tile.x + tile.width)
                return true;
        return false;
    };
    // Left of the bunker, beyond it on the right, and not under it.
    for (const auto& [x, shown] : {std::pair{10.0f, true}, std::pair{40.0f, true}, std::pair{24.0f, false}})
        EXPECT_EQ(topPieceAt(x), shown) << x;
}
