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

// The committed PNG as RGBA pixels; an empty texture when it cannot be read.
struct Picture
{
    explicit Picture(const std::string& path)
    {
        const auto [read, bytes] = File::ReadAllText(SourceRoot + "/" + path);
        BufferReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        EXPECT_TRUE(read && PngFormat::ReadPng(reader, texture)) << path;
    }
    const uint8_t* At(uint32_t x, uint32_t y) const
    {
        return texture.pixels.Data() + (size_t(y) * texture.width + x) * 4;
    }
    // Whether a pixel within a few of the point, given as fractions of the picture from its lower left,
    // is drawn.
    bool DrawnNear(float fx, float fy) const
    {
        const int cx = int(fx * float(texture.width)), cy = int((1.0f - fy) * float(texture.height));
        for (int y = cy - 3; y <= cy + 3; ++y)
            for (int x = cx - 3; x <= cx + 3; ++x)
                if (x >= 0 && y >= 0 && x < int(texture.width) && y < int(texture.height) && At(x, y)[3] > 128)
                    return true;
        return false;
    }

    Texture texture;
};

} // namespace

// The rig faces right where it is not mirrored: a held weapon's picture has its grip and its muzzle where
// its definition says, and a head's picture looks right.
TEST(RenderAssets, HeldWeaponsAndHeadsAreDrawnFacingRight)
{
    Folder folder;
    DataRegistry registry(folder.files);
    registry.LoadAll();
    ASSERT_GT(registry.weapons.Count(), 0u);
    for (const auto& weapon : registry.weapons.GetItems())
    {
        const Picture picture("Assets/Weapons/" + weapon->name + "/Image.png");
        EXPECT_TRUE(picture.DrawnNear(weapon->muzzleOffset.x, weapon->muzzleOffset.y)) << weapon->name << " muzzle";
        EXPECT_TRUE(picture.DrawnNear(weapon->offset.x, weapon->offset.y)) << weapon->name << " grip";
    }
    for (const char* skull : {"Characters/Basic", "Player", "Parts/Heads/BasicHead", "Parts/Heads/Helmet",
                              "Parts/Heads/OxygenMask", "Parts/Heads/HelicopterHat"})
    {
        // The eye: the white of the picture.
        const Picture picture(std::string("Assets/") + skull + "/SkullImage.png");
        uint32_t left = 0, right = 0;
        for (uint32_t y = 0; y < picture.texture.height; ++y)
            for (uint32_t x = 0; x < picture.texture.width; ++x)
            {
                const uint8_t* p = picture.At(x, y);
                if (p[0] > 245 && p[1] > 245 && p[2] > 245 && p[3] == 255)
                    ++(x < picture.texture.width / 2 ? left : right);
            }
        EXPECT_GT(right, 10u) << skull;
        EXPECT_EQ(left, 0u) << skull;
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
