// The committed images the game renderer loads besides the definitions': the erase patterns, the
// platform outline, which shares the platform texture with every theme's tile pieces, and the themes'
// sky layers and tiles.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Tests/LogCapture.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace Lumvek;

namespace
{

const std::string SourceRoot = Lumvek::Testing::SourceFolder();

// Where the renderer puts the outline on the platform texture, and the room it has there.
constexpr uint32_t OutlineX = 0;
constexpr uint32_t OutlineY = 600;
constexpr uint32_t OutlineMaximumWidth = 500;
constexpr uint32_t OutlineMaximumHeight = 424;

struct Folder
{
    Folder() : files(SourceRoot, SourceRoot, SourceRoot, SourceRoot), table(&files)
    {
        files.RegisterFormats();
        Lumvek::RegisterRuntimeFormats(files);
    }

    Texture* NewTexture(const std::string& name)
    {
        return table.CreateTexture(NameTableB().Add("RenderAssetsTests" + name));
    }

    FileManager files;
    ResourceTable table;
};

// The committed PNG's pixels into the texture; empty when it cannot be read.
void ReadPicture(const std::string& path, Texture& picture)
{
    const auto [read, bytes] = File::ReadAllText(SourceRoot + "/" + path);
    BufferReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_TRUE(read && PngFormat::ReadPng(reader, picture)) << path;
}

const uint8_t* At(const Texture& picture, uint32_t x, uint32_t y)
{
    return picture.pixels.Data() + (size_t(y) * picture.width + x) * 4;
}

} // namespace

// The rig faces right where it is not mirrored: a held weapon's picture is drawn at its grip and its
// muzzle (fractions of the picture from its lower left), and a head's eye is in its right half.
TEST(RenderAssets, HeldWeaponsAndHeadsAreDrawnFacingRight)
{
    Folder folder;
    DataRegistry registry(folder.files);
    registry.LoadAll();
    for (const auto& weapon : registry.weapons.GetItems())
    {
        Texture picture;
        ReadPicture("Assets/Weapons/" + weapon->name + "/Image.png", picture);
        for (Vector2 point : {weapon->muzzleOffset - Vector2(0.02f, 0.0f), weapon->offset})
        {
            const auto x = uint32_t(point.x * float(picture.width)),
                       y = uint32_t((1.0f - point.y) * float(picture.height));
            EXPECT_GT(x < picture.width && y < picture.height ? At(picture, x, y)[3] : 0, 128)
                << weapon->name << " " << point.x;
        }
    }
    for (const char* head : {"Characters/Basic", "Player", "Parts/Heads/BasicHead", "Parts/Heads/Helmet",
                             "Parts/Heads/OxygenMask", "Parts/Heads/HelicopterHat"})
    {
        Texture picture;
        ReadPicture(std::string("Assets/") + head + "/SkullImage.png", picture);
        uint32_t eye[2] = {0, 0};
        for (uint32_t y = 0; y < picture.height; ++y)
            for (uint32_t x = 0; x < picture.width; ++x)
            {
                const uint8_t* p = At(picture, x, y);
                eye[x * 2 / picture.width] += p[0] > 245 && p[1] > 245 && p[2] > 245 && p[3] == 255 ? 1 : 0;
            }
        EXPECT_EQ(eye[0], 0u) << head;
        EXPECT_GT(eye[1], 10u) << head;
    }
}

TEST(RenderAssets, TheErasePatternsLoadAsRegionsOfTheirTexture)
{
    Folder folder;
    Testing::LogCapture log;
    Texture* erase = folder.NewTexture("Erase");
    erase->Load("Assets/Rendering/Erase.ltd");
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();
    for (std::string name : {"Erase1", "Erase2", "Erase3"})
    {
        const TextureRegion* region = erase->GetRegion(NameTableA().Add(name));
        ASSERT_TRUE(region) << name;
        EXPECT_GT(region->width, 0u) << name;
        EXPECT_GT(region->uv.width, 0.0f) << name;
        // A mask whose opacity orders the erase: nearly everything is covered, early and late.
        const uint8_t* pixels = region->Pixels();
        ASSERT_TRUE(pixels);
        uint32_t covered = 0, early = 0, late = 0;
        for (uint32_t y = 0; y < region->height; ++y)
            for (uint32_t x = 0; x < region->width; ++x)
            {
                const uint8_t alpha = pixels[y * erase->RowPitch() + x * 4 + 3];
                covered += alpha > 0;
                early += alpha > 0 && alpha < 64;
                late += alpha > 192;
            }
        const uint32_t area = region->width * region->height;
        EXPECT_GT(covered, area * 9 / 10) << name;
        EXPECT_GT(early, area / 20) << name;
        EXPECT_GT(late, area / 20) << name;
    }
}

TEST(RenderAssets, ThePlatformOutlineOverlapsNoTileOfAnyTheme)
{
    Folder folder;
    RecordingGraphicsDevice device(&folder.table);
    Testing::LogCapture log;
    DataRegistry registry(folder.files);
    registry.LoadAll();
    ASSERT_FALSE(registry.themes.GetItems().empty());

    Texture* outline = folder.NewTexture("Outline");
    outline->Load("Assets/Themes/PlatformDraw.png");
    ASSERT_GT(outline->width, 24u);
    EXPECT_LE(outline->width, OutlineMaximumWidth);
    EXPECT_LE(outline->height, OutlineMaximumHeight);

    for (const auto& theme : registry.themes.GetItems())
    {
        SCOPED_TRACE(theme->name);
        Texture* objects = folder.NewTexture(theme->name + "Objects");
        Texture* tiles = folder.NewTexture(theme->name + "Tiles");
        ASSERT_TRUE(objects->SetSize(64, 64, TextureFormat::ColorBuffer4x8));
        ASSERT_TRUE(tiles->SetSize(1024, 1024, TextureFormat::ColorBuffer4x8));
        theme->LoadAtlas(device, *objects, *tiles);
        // Every piece and what its edges were extruded into stays out of the outline's room.
        uint32_t touched = 0;
        for (uint32_t y = OutlineY; y < OutlineY + OutlineMaximumHeight; ++y)
            for (uint32_t x = OutlineX; x < OutlineX + OutlineMaximumWidth; ++x)
                touched += tiles->pixels.Data()[y * tiles->RowPitch() + x * 4 + 3] != 0;
        EXPECT_EQ(touched, 0u);
        for (const auto& region : tiles->regions)
            if (region)
            {
                const bool apart = region->x >= OutlineX + OutlineMaximumWidth ||
                                   region->y >= OutlineY + OutlineMaximumHeight ||
                                   region->x + region->width <= OutlineX || region->y + region->height <= OutlineY;
                EXPECT_TRUE(apart) << region->x << " " << region->y;
            }
        // And the outline fits there as the renderer places it.
        auto* placed = tiles->AddNineSliceRegion(Images::PlatformDraw, OutlineX, OutlineY);
        ASSERT_TRUE(placed);
        EXPECT_TRUE(placed->SetSize(outline->width, outline->height));
    }
}

// A theme's sky layer that repeats runs on from its last column into its first and, over every shipped map,
// covers at most about one and a half of a window's pixels 720 high (a view at rest, 9 units high) with each
// of its own; its platform pieces are opaque at the edges where they meet the next tile (a ledge's sides
// as far down as its middle is opaque, a block's four edges), so that no sky shows between two tiles.
TEST(RenderAssets, RepeatingLayersMeetThemselvesUnblurredAndTilesLeaveNoGaps)
{
    Folder folder;
    Testing::LogCapture log;
    DataRegistry registry(folder.files);
    registry.LoadAll();
    ASSERT_FALSE(registry.themes.GetItems().empty());
    std::vector<Rectangle> worlds;
    for (const auto& map : registry.maps.GetItems())
    {
        Blueprint file;
        const Blueprint* bounds = nullptr;
        ASSERT_TRUE(JsonFormat::LoadBlueprint(
            File::ReadAllText(SourceRoot + "/" + map->GetAssetPath("Data", ".json")).second, file));
        ASSERT_TRUE(file.GetType() == BlueprintType::Object && (bounds = file.GetObject().Find("WorldBounds")));
        StringReader reader(bounds->GetString());
        Rectangle& world = worlds.emplace_back();
        ASSERT_TRUE(Parse(reader, "{} {} {} {}", world.x, world.y, world.width, world.height)) << map->name;
    }
    ASSERT_FALSE(worlds.empty());
    const auto differ = [](const uint8_t* a, const uint8_t* b) {
        return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2]), std::abs(a[3] - b[3])}) >
               64;
    };

    for (const auto& theme : registry.themes.GetItems())
    {
        const std::string folderPath = "Assets/Themes/" + theme->name + "/";
        for (ThemeBackground layer : theme->backgrounds)
        {
            if (layer.texture == InvalidId)
                continue;
            const std::string path = folderPath + NameTableC().GetName(layer.texture).ToString() + ".png";
            Texture picture;
            ReadPicture(path, picture);
            ASSERT_GT(picture.width * picture.height, 0u) << path;
            // Where a stroke crosses the seam at a slant, a row or two of it differs.
            uint32_t rows = 0, columns = 0;
            for (uint32_t y = 0; y < picture.height && layer.scrollX; ++y)
                rows += differ(At(picture, 0, y), At(picture, picture.width - 1, y)) ? 1 : 0;
            for (uint32_t x = 0; x < picture.width && layer.scrollY; ++x)
                columns += differ(At(picture, x, 0), At(picture, x, picture.height - 1)) ? 1 : 0;
            EXPECT_LE(rows, 2 + picture.height / 100) << path << ": its edges' rows that differ";
            EXPECT_LE(columns, 2 + picture.width / 100) << path << ": its edges' columns that differ";
            for (const Rectangle& world : worlds)
            {
                layer.UpdateBounds(world, nullptr);
                const float drawn = (layer.bounds.top - layer.bounds.bottom) * 720.0f / 9.0f;
                EXPECT_LE(drawn / float(picture.height), 1.5f) << path << " over a world " << world.height << " high";
            }
        }
        for (const auto& entry : std::filesystem::directory_iterator(SourceRoot + "/" + folderPath))
        {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() != ".png" || !(name.starts_with("Top") || name.starts_with("Solid") ||
                                                        name.starts_with("OneWay") || name.starts_with("Conveyer")))
                continue;
            Texture tile;
            ReadPicture(folderPath + name, tile);
            const auto opaque = [&](uint32_t x, uint32_t y) { return At(tile, x, y)[3] == 255; };
            // A block meets the tiles above and below it too; a ledge only those beside it.
            bool block = true;
            for (uint32_t y = 0; y < tile.height; ++y)
                block = block && opaque(tile.width / 2, y);
            uint32_t gaps = 0;
            // Rows in the fringe of a ledge's wobbled underline are left out.
            for (uint32_t y = 1; y + 1 < tile.height; ++y)
                if (opaque(tile.width / 2, y - 1) && opaque(tile.width / 2, y) && opaque(tile.width / 2, y + 1))
                    gaps += !opaque(0, y) + !opaque(tile.width - 1, y);
            for (uint32_t x = 0; x < tile.width && block; ++x)
                gaps += !opaque(x, 0) + !opaque(x, tile.height - 1);
            EXPECT_EQ(gaps, 0u) << folderPath << name << ": see-through edge pixels";
        }
    }
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();
}
