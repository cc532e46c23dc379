#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/UnitRectangle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <tuple>
#include <vector>

using namespace Lumvek;

namespace
{

void ExpectUv(const UvRectangle& uv, float x, float y, float width, float height)
{
    EXPECT_FLOAT_EQ(uv.x, x);
    EXPECT_FLOAT_EQ(uv.y, y);
    EXPECT_FLOAT_EQ(uv.width, width);
    EXPECT_FLOAT_EQ(uv.height, height);
}

uint32_t PixelAt(const Texture& texture, uint32_t x, uint32_t y)
{
    uint32_t pixel = 0;
    std::memcpy(&pixel, texture.pixels.Data() + (size_t(y) * texture.width + x) * 4, 4);
    return pixel;
}

void SetPixel(Texture& texture, uint32_t x, uint32_t y, uint32_t pixel)
{
    std::memcpy(texture.pixels.Data() + (size_t(y) * texture.width + x) * 4, &pixel, 4);
}

} // namespace

TEST(Texture, SetSizeReplacesPixelsAndRegionsWithinTheSizeLimit)
{
    ResourceTable table;
    Texture* texture = table.CreateTexture(3);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(table.CreateTexture(3), nullptr);
    EXPECT_EQ(texture->deviceSlot, InvalidId);

    ASSERT_TRUE(texture->SetSize(16, 8, TextureFormat::ColorBuffer4x8));
    EXPECT_EQ(texture->pixels.Size(), 16u * 8 * 4);
    EXPECT_EQ(texture->bytesPerPixel, 4u);
    EXPECT_EQ(texture->version, 1u);
    ASSERT_NE(texture->AddRegion(InvalidId, 0, 0), nullptr);
    texture->pixelBuffers.push_back(std::make_unique<uint8_t[]>(16));

    // Refused sizes leave everything in place; 8192 on a side is the largest accepted.
    EXPECT_FALSE(texture->SetSize(Texture::MaximumSize + 1, 1, TextureFormat::ColorBuffer4x8));
    EXPECT_FALSE(texture->SetSize(0x40000000u, 0x40000000u, TextureFormat::ColorBuffer4x8));
    EXPECT_EQ(texture->width, 16u);
    EXPECT_NE(texture->GetRegion(InvalidId), nullptr);
    EXPECT_EQ(texture->pixelBuffers.size(), 1u);

    ASSERT_TRUE(texture->SetSize(Texture::MaximumSize, 2, TextureFormat::ColorBuffer4x8));
    EXPECT_EQ(texture->pixels.Size(), Texture::MaximumSize * 2u * 4);
    EXPECT_EQ(texture->GetRegion(InvalidId), nullptr);
    EXPECT_TRUE(texture->pixelBuffers.empty());

    // Render targets keep no pixels on this side, so no region can be cut from them.
    ASSERT_TRUE(texture->SetSize(4, 4, TextureFormat::ColorTarget4x8));
    EXPECT_EQ(texture->bytesPerPixel, 4u);
    EXPECT_EQ(texture->pixels.Size(), 0u);
    EXPECT_EQ(texture->AddRegion(InvalidId, 0, 0), nullptr);
}

TEST(Texture, RegionsSitAtTheirIndexPlusOneAndRefuseTakenIndicesOrOutsidePlaces)
{
    Texture texture;
    EXPECT_EQ(texture.AddRegion(0, 0, 0), nullptr); // no pixels yet
    texture.SetSize(64, 32, TextureFormat::ColorBuffer4x8);

    TextureRegion* whole = texture.AddRegion(InvalidId, 0, 0);
    TextureRegion* first = texture.AddFramesRegion(0, 8, 4);
    ASSERT_NE(whole, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(texture.regions[0].get(), whole);
    EXPECT_EQ(texture.regions[1].get(), first);
    EXPECT_NE(texture.FindRegion<TextureFramesRegion>(0), nullptr);
    EXPECT_EQ(texture.FindRegion<TextureNineSliceRegion>(0), nullptr);
    ExpectUv(first->uv, -1, -1, -1, -1);

    EXPECT_EQ(texture.AddNineSliceRegion(0, 0, 0), nullptr);
    EXPECT_EQ(texture.AddRegion(5, 65, 0), nullptr);
    EXPECT_EQ(texture.AddRegion(5, 0, 33), nullptr);
    EXPECT_EQ(texture.regions.size(), 2u);
    EXPECT_NE(texture.AddRegion(5, 64, 32), nullptr); // an empty region on the far corner
    EXPECT_EQ(texture.regions.size(), 7u);
}

TEST(TextureRegion, SetSizeComputesTextureCoordinatesAndRefusesToReachPastTheEdge)
{
    Texture texture;
    texture.SetSize(200, 100, TextureFormat::ColorBuffer4x8);
    TextureRegion* region = texture.AddRegion(1, 50, 25);
    const uint32_t version = texture.version;

    ASSERT_TRUE(region->SetSize(100, 50));
    ExpectUv(region->uv, 0.25f, 0.25f, 0.5f, 0.5f);
    EXPECT_EQ(texture.version, version + 1);
    EXPECT_EQ(region->Pixels(), texture.pixels.Data() + (25 * 200 + 50) * 4);

    const std::tuple<uint32_t, uint32_t, bool> cases[] = {
        {150, 75, true}, {151, 75, false}, {150, 76, false}, {0xFFFFFFFFu, 1, false}, {0, 0, true}};
    for (auto [width, height, accepted] : cases)
    {
        region->SetSize(100, 50);
        EXPECT_EQ(region->SetSize(width, height), accepted) << width << "x" << height;
        EXPECT_EQ(region->width, accepted ? width : 100u) << width << "x" << height;
    }
}

TEST(TextureAtlasRegion, PacksIntoTheFirstLeafThatFitsAndSplitsAlongTheLongerRest)
{
    Texture texture;
    texture.SetSize(100, 100, TextureFormat::ColorBuffer4x8);
    auto* atlas = texture.AddRegionOf<TextureAtlasRegion>(InvalidId, 0, 0);
    atlas->SetSize(100, 100);

    uint32_t x = 99, y = 99;
    ASSERT_TRUE(atlas->Pack(60, 20, x, y));
    EXPECT_EQ(std::tie(x, y), std::make_tuple(0u, 0u));
    ASSERT_EQ(atlas->nodes.size(), 3u);
    const auto& below = atlas->nodes[1];
    const auto& right = atlas->nodes[2];
    EXPECT_EQ(std::tie(below.x, below.y, below.width, below.height), std::make_tuple(0u, 20u, 100u, 80u));
    EXPECT_EQ(std::tie(right.x, right.y, right.width, right.height), std::make_tuple(60u, 0u, 40u, 20u));
    EXPECT_EQ(std::tie(atlas->nodes[0].width, atlas->nodes[0].height), std::make_tuple(60u, 20u));

    ASSERT_TRUE(atlas->Pack(50, 50, x, y));
    EXPECT_EQ(std::tie(x, y), std::make_tuple(0u, 20u));
    const auto nodes = atlas->nodes.size();
    EXPECT_FALSE(atlas->Pack(60, 60, x, y));
    EXPECT_EQ(atlas->nodes.size(), nodes);

    // A rectangle of exactly the leaf's size leaves two empty strips.
    TextureAtlasRegion* exact = texture.AddRegionOf<TextureAtlasRegion>(0, 10, 10);
    exact->SetSize(30, 20);
    ASSERT_TRUE(exact->Pack(30, 20, x, y));
    EXPECT_EQ(std::tie(x, y), std::make_tuple(0u, 0u));
    EXPECT_EQ(std::tie(exact->nodes[1].width, exact->nodes[1].height), std::make_tuple(30u, 0u));
    EXPECT_EQ(std::tie(exact->nodes[2].width, exact->nodes[2].height), std::make_tuple(0u, 20u));
    EXPECT_FALSE(exact->Pack(1, 1, x, y));
    EXPECT_TRUE(exact->Pack(0, 0, x, y));

    // Many small images make a deep tree; every one finds its own place.
    std::set<std::pair<uint32_t, uint32_t>> places;
    while (atlas->Pack(1, 1, x, y))
        EXPECT_TRUE(places.emplace(x, y).second);
    EXPECT_GT(places.size(), 4000u);
}

TEST(TextureFramesRegion, GridCutsTheRegionRowByRowThenKeepsTheCount)
{
    Texture texture;
    texture.SetSize(256, 256, TextureFormat::ColorBuffer4x8);
    TextureFramesRegion* sheet = texture.AddFramesRegion(0, 128, 0);
    ASSERT_TRUE(sheet->SetSize(128, 64));
    ExpectUv(sheet->uv, 0.5f, 0.0f, 0.5f, 0.25f);

    ASSERT_TRUE(sheet->SetGrid(4, 2, 32, 32, 8));
    ASSERT_EQ(sheet->frames.size(), 8u);
    ExpectUv(sheet->frames[5], 0.625f, 0.125f, 0.125f, 0.125f);
    ExpectUv(sheet->frames[3], 0.875f, 0.0f, 0.125f, 0.125f);

    ASSERT_TRUE(sheet->SetGrid(4, 2, 32, 32, 10));
    ExpectUv(sheet->frames[9], 0, 0, 1, 1);
    ASSERT_TRUE(sheet->SetGrid(4, 2, 32, 32, 3));
    EXPECT_EQ(sheet->frames.size(), 3u);

    // A count or grid beyond any real sheet is refused instead of exhausting memory.
    EXPECT_FALSE(sheet->SetGrid(1, 1, 32, 32, 0xFFFFFFFFu));
    EXPECT_FALSE(sheet->SetGrid(0x10000, 0x10000, 1, 1, 1));
    EXPECT_EQ(sheet->frames.size(), 3u);
}

TEST(Texture, ExtrusionRepeatsEdgePixelsOutwardAndStaysInsideTheTexture)
{
    Texture texture;
    texture.SetSize(8, 8, TextureFormat::ColorBuffer4x8);
    TextureRegion* region = texture.AddRegion(0, 3, 3);
    region->SetSize(2, 2);
    SetPixel(texture, 3, 3, 0x11);
    SetPixel(texture, 4, 3, 0x22);
    SetPixel(texture, 3, 4, 0x33);
    SetPixel(texture, 4, 4, 0x44);

    texture.ExtrudeRegion(*region, 0);
    EXPECT_EQ(PixelAt(texture, 2, 3), 0u);

    texture.ExtrudeRegion(*region, 2);
    // Each pixel of the 6 x 6 block around the region takes the nearest pixel of the region.
    for (uint32_t y = 1; y < 7; ++y)
        for (uint32_t x = 1; x < 7; ++x)
        {
            const uint32_t expected = (y < 4 ? (x < 4 ? 0x11 : 0x22) : (x < 4 ? 0x33 : 0x44));
            EXPECT_EQ(PixelAt(texture, x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(PixelAt(texture, 0, 0), 0u);
    EXPECT_EQ(PixelAt(texture, 7, 3), 0u);

    // One side at a time touches only that side.
    Texture single;
    single.SetSize(4, 4, TextureFormat::ColorBuffer4x8);
    TextureRegion* middle = single.AddRegion(0, 1, 1);
    middle->SetSize(2, 2);
    SetPixel(single, 1, 1, 7);
    single.ExtrudeRegionTop(*middle, 1);
    EXPECT_EQ(PixelAt(single, 1, 0), 7u);
    EXPECT_EQ(PixelAt(single, 0, 1), 0u);
    single.ExtrudeRegionLeft(*middle, 1);
    EXPECT_EQ(PixelAt(single, 0, 1), 7u);
    EXPECT_EQ(PixelAt(single, 0, 0), 0u);

    // Regions on the texture's edges extrude as far as the texture goes, and no further.
    TextureRegion* corner = single.AddRegion(1, 0, 0);
    corner->SetSize(4, 4);
    single.ExtrudeRegion(*corner, 3);
    single.ExtrudeRegionRight(*corner, 0xFFFFFFFFu);
    single.ExtrudeRegionBottom(*corner, 0xFFFFFFFFu);
    EXPECT_EQ(single.pixels.Size(), 64u);
}

TEST(TextureFontRegion, MeasureTextAddsAdvancesAndKerningOfEachPair)
{
    Texture texture;
    texture.SetSize(4, 4, TextureFormat::ColorBuffer4x8);
    auto* font = texture.AddRegionOf<TextureFontRegion>(InvalidId, 0, 0);
    font->spaceAdvance = 5;
    font->glyphs['A'].advance = 10;
    font->glyphs['V'].advance = 9;
    font->glyphs[' '].advance = 100; // the space advance wins
    font->glyphs[0].SetKerning('A', 0.5f);
    font->glyphs['A'].SetKerning('V', -2);
    font->glyphs['A'].SetKerning('V', -1.5f);
    font->glyphs['V'].SetKerning(' ', -0.25f);

    EXPECT_EQ(font->GetKerning('A', 'V'), -1.5f);
    EXPECT_EQ(font->GetKerning('V', 'A'), 0.0f);
    EXPECT_EQ(font->GetKerning('\xC3', 'A'), 0.0f);
    EXPECT_EQ(font->glyphs['A'].kerningAmounts.size(), 1u);

    const std::tuple<StringView, float> cases[] = {
        {"", 0.0f},
        {"AV", 10 + 9 - 1.5f + 0.5f},
        {"V ", 9 + 5 - 0.25f},
        {"\xC3\xA9", 0.0f},               // no glyphs above 127
        {"A\xFFV", 10 + 9 - 1.5f + 0.5f}, // and the pair around them is kept
    };
    for (auto [text, width] : cases)
        EXPECT_FLOAT_EQ(font->MeasureText(text), width) << text.ToString();
}

TEST(TextureStreamRegion, CellsAreReusedLeastRecentlyUsedFirst)
{
    Texture texture;
    texture.SetSize(64, 64, TextureFormat::ColorBuffer4x8);
    auto* stream = texture.AddRegionOf<TextureStreamRegion>(InvalidId, 0, 0);
    stream->SetSize(64, 32);
    EXPECT_EQ(stream->AddFrame(1), nullptr); // no cells yet
    EXPECT_FALSE(stream->SetCellSize(0, 16));
    EXPECT_FALSE(stream->SetCellSize(16, 0));
    texture.SetSize(2048, 2048, TextureFormat::ColorBuffer4x8);
    stream = texture.AddRegionOf<TextureStreamRegion>(InvalidId, 0, 0);
    stream->SetSize(2048, 2048);
    EXPECT_FALSE(stream->SetCellSize(1, 1)); // four million cells
    EXPECT_TRUE(stream->SetCellSize(2, 2));
    texture.SetSize(64, 64, TextureFormat::ColorBuffer4x8);
    stream = texture.AddRegionOf<TextureStreamRegion>(InvalidId, 0, 0);
    stream->SetSize(64, 32);
    ASSERT_TRUE(stream->SetCellSize(32, 16));
    EXPECT_EQ(std::tie(stream->columns, stream->rows), std::make_tuple(2u, 2u));
    EXPECT_EQ(std::tie(stream->head, stream->tail), std::make_tuple(0u, 3u));

    // A resized texture is dirty all over until uploaded; start as an upload leaves it.
    texture.dirty = {};
    // Without use the tail cell is handed out each time, and each hand-out makes the last one stale.
    for (uint32_t id = 10; id < 14; ++id)
        EXPECT_EQ(stream->AddFrame(id)->index, 3u);
    EXPECT_FALSE(stream->HoldsFrame(10));
    EXPECT_TRUE(stream->HoldsFrame(13));
    EXPECT_EQ(stream->cells[3].useCount, 4u);
    EXPECT_EQ(texture.GetRegion(12)->x, 32u);
    EXPECT_EQ(texture.GetRegion(12)->y, 16u);
    EXPECT_EQ(std::tie(texture.dirty.left, texture.dirty.top, texture.dirty.right, texture.dirty.bottom),
              std::make_tuple(32u, 16u, 64u, 32u));

    // Streaming use moves each cell to the head, so frames cycle through all cells.
    ASSERT_TRUE(stream->SetCellSize(32, 16));
    std::vector<uint32_t> handedOut;
    bool added = false;
    for (uint32_t id = 20; id < 24; ++id)
    {
        handedOut.push_back(stream->UseFrame(id, added)->index);
        EXPECT_TRUE(added);
    }
    EXPECT_EQ(handedOut, (std::vector<uint32_t>{3, 2, 1, 0}));

    // Using frame 20 again keeps its cell and makes it the most recent, so the next new frame takes
    // the cell of frame 21, now the least recently used.
    EXPECT_EQ(stream->UseFrame(20, added)->index, 3u);
    EXPECT_FALSE(added);
    EXPECT_EQ(stream->head, 3u);
    EXPECT_EQ(stream->UseFrame(24, added)->index, 2u);
    EXPECT_TRUE(added);
    EXPECT_FALSE(stream->HoldsFrame(21));
    EXPECT_EQ(stream->FindFrame(21)->cell, 2u);
    EXPECT_EQ(stream->FindFrame(99), nullptr);

    // Frame 21 comes back: its region moves to the cell it gets now, off frame 24's cell.
    const auto* cell = stream->UseFrame(21, added);
    EXPECT_TRUE(added);
    EXPECT_EQ(cell->index, 1u);
    EXPECT_EQ(std::tie(texture.GetRegion(21)->x, texture.GetRegion(21)->y), std::make_tuple(32u, 0u));
    EXPECT_EQ(std::tie(texture.GetRegion(24)->x, texture.GetRegion(24)->y), std::make_tuple(0u, 16u));

    // The use order stays one intact list from head to tail.
    std::vector<uint32_t> order;
    for (uint32_t at = stream->head; at != TextureStreamRegion::None; at = stream->cells[at].next)
        order.push_back(at);
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 3, 0}));
    EXPECT_EQ(stream->tail, 0u);
    EXPECT_EQ(stream->cells[0].previous, 3u);
}

TEST(UnitRectangle, ResolvesEachUnitAgainstTheParent)
{
    using U = UnitRectangle;
    const std::tuple<U, U::Resolved> cases[] = {
        {U{}, {0, 0, 200, 100}},
        {U{{U::Pixels, 5}, {U::Pixels, 6}, {U::Pixels, 7}, {U::Pixels, 8}}, {5, 6, 7, 8}},
        {U{{U::Percent, 10}, {U::Percent, 10}, {U::Percent, 50}, {U::Percent, 50}}, {20, 10, 100, 50}},
        {U{{9, 5}, {U::Automatic, 6}, {9, 7}, {U::Automatic, 8}}, {0, 0, 200, 100}},
    };
    for (const auto& [rectangle, expected] : cases)
    {
        const U::Resolved resolved = rectangle.Resolve(200, 100);
        EXPECT_FLOAT_EQ(resolved.x, expected.x);
        EXPECT_FLOAT_EQ(resolved.y, expected.y);
        EXPECT_FLOAT_EQ(resolved.width, expected.width);
        EXPECT_FLOAT_EQ(resolved.height, expected.height);
    }
}
