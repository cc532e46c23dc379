#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/UnitRectangle.h"

#include "Tests/Engine/Foundation/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

using namespace Lumvek;
using Lumvek::Testing::TexturePixel;

namespace
{

std::tuple<float, float, float, float> Uv(const UvRectangle& uv)
{
    return {uv.x, uv.y, uv.width, uv.height};
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
    EXPECT_EQ(texture->AddRegion(0, 0, 0), nullptr); // no pixels yet

    ASSERT_TRUE(texture->SetSize(16, 8, TextureFormat::ColorBuffer4x8));
    EXPECT_EQ(texture->pixels.Size(), 16u * 8 * 4);
    EXPECT_EQ(texture->version, 1u);
    ASSERT_NE(texture->AddRegion(InvalidId, 0, 0), nullptr);

    // Refused sizes leave everything in place; 8192 on a side is the largest accepted.
    EXPECT_FALSE(texture->SetSize(Texture::MaximumSize + 1, 1, TextureFormat::ColorBuffer4x8));
    EXPECT_FALSE(texture->SetSize(0x40000000u, 0x40000000u, TextureFormat::ColorBuffer4x8));
    EXPECT_EQ(texture->width, 16u);
    EXPECT_NE(texture->GetRegion(InvalidId), nullptr);
    ASSERT_TRUE(texture->SetSize(Texture::MaximumSize, 2, TextureFormat::ColorBuffer4x8));
    EXPECT_EQ(texture->pixels.Size(), Texture::MaximumSize * 2u * 4);
    EXPECT_EQ(texture->GetRegion(InvalidId), nullptr);

    // Render targets keep no pixels on this side, so no region can be cut from them.
    ASSERT_TRUE(texture->SetSize(4, 4, TextureFormat::ColorTarget4x8));
    EXPECT_EQ(texture->pixels.Size(), 0u);
    EXPECT_EQ(texture->AddRegion(InvalidId, 0, 0), nullptr);
}

TEST(TextureRegion, RegionsSitAtTheirIndexPlusOneAndStayInsideTheTexture)
{
    Texture texture;
    texture.SetSize(200, 100, TextureFormat::ColorBuffer4x8);
    TextureRegion* whole = texture.AddRegion(InvalidId, 0, 0);
    TextureRegion* region = texture.AddFramesRegion(0, 50, 25);
    EXPECT_EQ(texture.regions[0].get(), whole);
    EXPECT_EQ(texture.regions[1].get(), region);
    EXPECT_EQ(Uv(region->uv), std::make_tuple(-1.0f, -1.0f, -1.0f, -1.0f));
    EXPECT_EQ(texture.AddNineSliceRegion(0, 0, 0), nullptr);
    EXPECT_EQ(texture.AddRegion(5, 201, 0), nullptr);
    EXPECT_EQ(texture.AddRegion(5, 0, 101), nullptr);
    EXPECT_NE(texture.AddRegion(5, 200, 100), nullptr); // an empty region on the far corner

    ASSERT_TRUE(region->SetSize(100, 50));
    EXPECT_EQ(Uv(region->uv), std::make_tuple(0.25f, 0.25f, 0.5f, 0.5f));
    EXPECT_EQ(region->Pixels(), texture.pixels.Data() + (25 * 200 + 50) * 4);
    const std::tuple<uint32_t, uint32_t, bool> sizes[] = {
        {150, 75, true}, {151, 75, false}, {150, 76, false}, {0xFFFFFFFFu, 1, false}, {0, 0, true}};
    for (auto [width, height, accepted] : sizes)
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
    auto place = [](const TextureAtlasRegion::Node& node)
    { return std::make_tuple(node.x, node.y, node.width, node.height); };

    uint32_t x = 99, y = 99;
    ASSERT_TRUE(atlas->Pack(60, 20, x, y));
    EXPECT_EQ(std::tie(x, y), std::make_tuple(0u, 0u));
    ASSERT_EQ(atlas->nodes.size(), 3u);
    EXPECT_EQ(place(atlas->nodes[0]), std::make_tuple(0u, 0u, 60u, 20u));
    EXPECT_EQ(place(atlas->nodes[1]), std::make_tuple(0u, 20u, 100u, 80u));
    EXPECT_EQ(place(atlas->nodes[2]), std::make_tuple(60u, 0u, 40u, 20u));
    ASSERT_TRUE(atlas->Pack(50, 50, x, y));
    EXPECT_EQ(std::tie(x, y), std::make_tuple(0u, 20u));
    const auto nodes = atlas->nodes.size();
    EXPECT_FALSE(atlas->Pack(60, 60, x, y));
    EXPECT_EQ(atlas->nodes.size(), nodes);

    // A rectangle of exactly the leaf's size leaves two empty strips.
    auto* exact = texture.AddRegionOf<TextureAtlasRegion>(0, 10, 10);
    exact->SetSize(30, 20);
    ASSERT_TRUE(exact->Pack(30, 20, x, y));
    EXPECT_EQ(place(exact->nodes[1]), std::make_tuple(0u, 20u, 30u, 0u));
    EXPECT_EQ(place(exact->nodes[2]), std::make_tuple(30u, 0u, 0u, 20u));
    EXPECT_FALSE(exact->Pack(1, 1, x, y));

    // Many small images make a deep tree; every one finds a place of its own.
    std::set<std::pair<uint32_t, uint32_t>> places;
    while (atlas->Pack(1, 1, x, y))
        EXPECT_TRUE(places.emplace(x, y).second);
    EXPECT_GT(places.size(), 4000u);
}

TEST(Texture, AllocatedRegionsKeepTheirPaddingFreeAroundThemInTheAtlas)
{
    Texture texture;
    texture.SetSize(42, 64, TextureFormat::ColorBuffer4x8);
    // 40 x 30 with padding 1 takes 42 x 32 and starts one pixel in.
    TextureRegion* first = Texture::AllocateRegion(texture, 0, 40, 30, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::tie(first->x, first->y, first->width, first->height), std::make_tuple(1u, 1u, 40u, 30u));
    // The 32 rows below it hold another with padding 1, but not with padding 2.
    EXPECT_EQ(Texture::AllocateNineSliceRegion(texture, 1, 40, 30, 2), nullptr);
    auto* frames = Texture::AllocateFramesRegion(texture, 1, 40, 30, 1);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(std::tie(frames->x, frames->y), std::make_tuple(1u, 33u));
    // An index taken, and a size no texture holds.
    EXPECT_EQ(Texture::AllocateRegion(texture, 0, 4, 4, 0), nullptr);
    EXPECT_EQ(Texture::AllocateRegion(texture, 4, 0xFFFFFFFFu, 1, 1), nullptr);
}

TEST(TextureFramesRegion, GridCutsTheRegionRowByRowThenKeepsTheCount)
{
    Texture texture;
    texture.SetSize(256, 256, TextureFormat::ColorBuffer4x8);
    TextureFramesRegion* sheet = texture.AddFramesRegion(0, 128, 0);
    sheet->SetSize(128, 64);
    ASSERT_TRUE(sheet->SetGrid(4, 2, 32, 32, 10));
    EXPECT_EQ(Uv(sheet->frames[5]), std::make_tuple(0.625f, 0.125f, 0.125f, 0.125f));
    EXPECT_EQ(Uv(sheet->frames[9]), std::make_tuple(0.0f, 0.0f, 1.0f, 1.0f));
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
    texture.ExtrudeRegionTop(*region, 1);
    EXPECT_EQ(TexturePixel(texture, 3, 2), 0x11u);
    EXPECT_EQ(TexturePixel(texture, 2, 3), 0u);

    // Each pixel of the 6 x 6 block around the region takes the nearest pixel of the region.
    texture.ExtrudeRegion(*region, 2);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
        {
            const bool inside = x >= 1 && x < 7 && y >= 1 && y < 7;
            const uint32_t nearest = y < 4 ? (x < 4 ? 0x11 : 0x22) : (x < 4 ? 0x33 : 0x44);
            EXPECT_EQ(TexturePixel(texture, x, y), inside ? nearest : 0u) << x << "," << y;
        }

    // Regions on the texture's edges extrude as far as the texture goes, and no further.
    TextureRegion* corner = texture.AddRegion(1, 0, 0);
    corner->SetSize(8, 8);
    texture.ExtrudeRegion(*corner, 3);
    texture.ExtrudeRegionRight(*corner, 0xFFFFFFFFu);
    texture.ExtrudeRegionBottom(*corner, 0xFFFFFFFFu);
    EXPECT_EQ(TexturePixel(texture, 1, 1), 0x11u);
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
    EXPECT_EQ(font->GetKerning('V', 'A'), 0.0f);
    EXPECT_EQ(font->GetKerning('\xC3', 'A'), 0.0f);

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
    texture.SetSize(2048, 2048, TextureFormat::ColorBuffer4x8);
    auto* stream = texture.AddRegionOf<TextureStreamRegion>(InvalidId, 0, 0);
    stream->SetSize(2048, 2048);
    EXPECT_EQ(stream->AddFrame(1), nullptr); // no cells yet
    EXPECT_FALSE(stream->SetCellSize(0, 16));
    EXPECT_FALSE(stream->SetCellSize(1, 1)); // four million cells
    EXPECT_TRUE(stream->SetCellSize(2, 2));

    texture.SetSize(64, 64, TextureFormat::ColorBuffer4x8);
    stream = texture.AddRegionOf<TextureStreamRegion>(InvalidId, 0, 0);
    stream->SetSize(64, 32);
    ASSERT_TRUE(stream->SetCellSize(32, 16));
    EXPECT_EQ(std::tie(stream->columns, stream->rows, stream->head, stream->tail), std::make_tuple(2u, 2u, 0u, 3u));

    // A resized texture is dirty all over until uploaded; start as an upload leaves it.
    texture.dirty = {};
    // Without use the tail cell is handed out each time, and each hand-out makes the last one stale.
    for (uint32_t id = 10; id < 14; ++id)
        EXPECT_EQ(stream->AddFrame(id)->index, 3u);
    EXPECT_FALSE(stream->HoldsFrame(10));
    EXPECT_TRUE(stream->HoldsFrame(13));
    EXPECT_EQ(std::tie(texture.GetRegion(12)->x, texture.GetRegion(12)->y), std::make_tuple(32u, 16u));
    EXPECT_EQ(std::tie(texture.dirty.left, texture.dirty.top, texture.dirty.right, texture.dirty.bottom),
              std::make_tuple(32u, 16u, 64u, 32u));

    // Streaming use moves each cell to the head, so frames cycle through all cells.
    ASSERT_TRUE(stream->SetCellSize(32, 16));
    std::vector<uint32_t> handedOut;
    bool added = false;
    for (uint32_t id = 20; id < 24; ++id)
        handedOut.push_back(stream->UseFrame(id, added)->index);
    EXPECT_EQ(handedOut, (std::vector<uint32_t>{3, 2, 1, 0}));

    // Frame 20, used again, keeps its cell, so the next new frame takes frame 21's.
    EXPECT_EQ(stream->UseFrame(20, added)->index, 3u);
    EXPECT_FALSE(added);
    EXPECT_EQ(stream->UseFrame(24, added)->index, 2u);
    EXPECT_TRUE(added);
    EXPECT_FALSE(stream->HoldsFrame(21));

    // Frame 21 comes back: its region moves to the cell it gets now, off frame 24's cell.
    EXPECT_EQ(stream->UseFrame(21, added)->index, 1u);
    EXPECT_EQ(std::tie(texture.GetRegion(21)->x, texture.GetRegion(21)->y), std::make_tuple(32u, 0u));
    EXPECT_EQ(std::tie(texture.GetRegion(24)->x, texture.GetRegion(24)->y), std::make_tuple(0u, 16u));

    // The use order stays one intact list from head to tail.
    std::vector<uint32_t> order;
    for (uint32_t at = stream->head; at != TextureStreamRegion::None; at = stream->cells[at].next)
        order.push_back(at);
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 3, 0}));
    EXPECT_EQ(std::tie(stream->tail, stream->cells[0].previous), std::make_tuple(0u, 3u));
}

TEST(UnitRectangle, ResolvesEachUnitAgainstTheParent)
{
    using U = UnitRectangle;
    const std::tuple<U, std::tuple<float, float, float, float>> cases[] = {
        {U{}, {0, 0, 200, 100}},
        {U{{U::Pixels, 5}, {U::Pixels, 6}, {U::Pixels, 7}, {U::Pixels, 8}}, {5, 6, 7, 8}},
        {U{{U::Percent, 10}, {U::Percent, 10}, {U::Percent, 50}, {U::Percent, 50}}, {20, 10, 100, 50}},
        {U{{9, 5}, {U::Automatic, 6}, {9, 7}, {U::Automatic, 8}}, {0, 0, 200, 100}},
    };
    for (const auto& [rectangle, expected] : cases)
    {
        const U::Resolved resolved = rectangle.Resolve(200, 100);
        EXPECT_EQ(std::make_tuple(resolved.x, resolved.y, resolved.width, resolved.height), expected);
    }
}
