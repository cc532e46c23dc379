// The committed images the game renderer loads besides the definitions': the erase patterns and the
// platform outline, which shares the platform texture with every theme's tile pieces.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/NameSet.h"
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

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace Lumvek;

// A namespace of its own: the program compiles its files in batches.
namespace RenderAssetsTests
{

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

// A repeating sky layer runs on from its last column into its first (a slanted line crossing the seam differs a
// row or two); platform pieces are opaque at the edges where their middle is, save a pixel of a ledge's wobbled
// underline, so that no sky shows between two tiles.
TEST(RenderAssets, ThePlatformOutlineOverlapsNoTileOfAnyThemeAndSkiesAndTilesLeaveNoSeams)
{
    Folder folder;
    RecordingGraphicsDevice device(&folder.table);
    Testing::LogCapture log;
    DataRegistry registry(folder.files);
    registry.LoadAll();
    ASSERT_FALSE(registry.themes.GetItems().empty());
    Texture image;
    const auto opaque = [&](uint32_t x, uint32_t y) { return At(image, x, y)[3] == 255; };

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
        for (const auto& file : std::filesystem::directory_iterator(SourceRoot + "/Assets/Themes/" + theme->name))
        {
            const std::string name = file.path().stem().string();
            bool sky = false, tile = false;
            for (const ThemeBackground& layer : theme->backgrounds)
                sky |= layer.scrollX && NameTableC().GetName(layer.texture).ToString() == name;
            for (const char* piece : {"Top", "Solid", "OneWay", "Conveyer"})
                tile |= name.starts_with(piece);
            if (!sky && !tile)
                continue;
            ReadPicture("Assets/Themes/" + theme->name + "/" + name + ".png", image);
            const uint32_t w = image.width, h = image.height;
            uint32_t faults = 0;
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t c = 0; c < 4; ++c)
                    faults += sky ? std::abs(At(image, 0, y)[c] - At(image, w - 1, y)[c]) > 64
                                  : c < 2 && opaque(w / 2, y) && !opaque(c * (w - 1), y);
            for (uint32_t x = 0; x < w && !sky; ++x)
                faults += opaque(x, h / 2) ? 2 - opaque(x, 0) - opaque(x, h - 1) : 0;
            EXPECT_LE(faults, sky ? 2 + h / 100 : 2) << name;
        }
        // And the outline fits there as the renderer places it.
        auto* placed = tiles->AddNineSliceRegion(Images::PlatformDraw, OutlineX, OutlineY);
        ASSERT_TRUE(placed);
        EXPECT_TRUE(placed->SetSize(outline->width, outline->height));
    }
}

} // namespace RenderAssetsTests
