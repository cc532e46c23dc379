#include "Engine/Runtime/ImageContent.h"
#include "Engine/Runtime/TextContent.h"

#include "Tests/Engine/Runtime/Gui/ContentTesting.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;

constexpr UnitRectangle::Measure Automatic{UnitRectangle::Automatic, 0};
constexpr UnitRectangle::Measure Pixels(float value)
{
    return {UnitRectangle::Pixels, value};
}
constexpr UnitRectangle::Measure Percent(float value)
{
    return {UnitRectangle::Percent, value};
}

// A 64 x 32 texture with region 1, 40 x 20 at its corner; region 2, created but never loaded; and the
// nine-slice regions 3, 40 x 20 at (8, 4) with insets left 4, right 8, bottom 2 and top 6, and 4, the
// same without a left inset.
class ImageContentTest : public ContentTest
{
protected:
    ImageContentTest()
    {
        Texture* made = MakeTexture("ContentTests.Image", 64, 32, texture);
        made->AddRegion(InvalidId, 0, 0)->SetSize(64, 32);
        made->AddRegion(1, 0, 0)->SetSize(40, 20);
        made->AddRegion(2, 0, 0);
        for (uint32_t index : {3u, 4u})
        {
            TextureNineSliceRegion* slices = made->AddNineSliceRegion(index, 8, 4);
            slices->SetSize(40, 20);
            slices->left = index == 3 ? 4 : 0;
            slices->right = 8;
            slices->bottom = 2;
            slices->top = 6;
        }
    }

    ImageContent Image(uint32_t region, UnitRectangle::Measure width, UnitRectangle::Measure height) const
    {
        ImageContent image;
        image.texture = texture;
        image.region = region;
        image.width = width;
        image.height = height;
        image.color = Color::Yellow;
        return image;
    }

    NineSliceContent Frame(uint32_t region, uint32_t mode, UnitRectangle::Measure border) const
    {
        NineSliceContent frame;
        frame.texture = texture;
        frame.region = region;
        frame.borderMode = mode;
        frame.borderSize = border;
        frame.color = Color::Turquoise;
        return frame;
    }

    uint32_t texture = 0;
};

TEST_F(ImageContentTest, SizesFollowTheirUnitsAndAnAutomaticSideFollowsTheAspect)
{
    // The element is (10, 20), 300 x 200; region 1 is twice as wide as it is high.
    using enum ContentAlignment;
    const struct
    {
        const char* name;
        UnitRectangle::Measure width, height;
        ContentAlignment horizontal, vertical;
        Rectangle drawn;
    } cases[] = {
        {"automatic width", Automatic, Pixels(100), Start, Start, {10, 20, 200, 100}},
        {"automatic height", Pixels(50), Automatic, Start, Start, {10, 20, 50, 25}},
        {"percent height", Automatic, Percent(50), Start, Start, {10, 20, 200, 100}},
        {"percent width", Percent(10), Pixels(7), Start, Start, {10, 20, 30, 7}},
        {"negative width scales", Pixels(-2), Pixels(100), Start, Start, {10, 20, 400, 100}},
        {"both automatic", Automatic, Automatic, Start, Start, {10, 20, 40, 20}},
        {"both scaled", Pixels(-1.5f), Pixels(-1.5f), Start, Start, {10, 20, 60, 30}},
        {"centred at the end", Automatic, Pixels(100), Center, End, {60, 120, 200, 100}},
        {"stretched", Pixels(50), Pixels(20), Stretch, Stretch, {10, 20, 300, 200}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        ImageContent image = Image(1, test.width, test.height);
        image.horizontalAlignment = static_cast<uint32_t>(test.horizontal);
        image.verticalAlignment = static_cast<uint32_t>(test.vertical);
        Render(image, {10, 20, 300, 200});
        EXPECT_TRUE(Near(image.drawnRectangle, test.drawn));
        const auto quads = ImageQuads();
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_TRUE(Near(quads[0].area, test.drawn));
        EXPECT_TRUE(Near(quads[0].uv, {0, 0, 40.0f / 64, 20.0f / 32}));
        EXPECT_EQ(quads[0].color, Color::Yellow);
    }
}

TEST_F(ImageContentTest, AMissingRegionDrawsTheFallbackOrNothing)
{
    const uint32_t none = InvalidId;
    const struct
    {
        const char* name;
        uint32_t texture, region, fallback;
        std::vector<UvRectangle> drawn;
    } cases[] = {
        {"whole texture", texture, InvalidId, none, {{0, 0, 1, 1}}},
        {"missing region", texture, 9, 1, {{0, 0, 40.0f / 64, 20.0f / 32}}},
        {"region not loaded yet", texture, 2, 1, {{0, 0, 40.0f / 64, 20.0f / 32}}},
        {"no fallback", texture, 9, none, {}},
        {"fallback missing too", texture, 9, 8, {}},
        {"no texture", NameTableC().Add("ContentTests.NoTexture"), 1, 1, {}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        ImageContent image = Image(test.region, Automatic, Pixels(10));
        image.texture = test.texture;
        image.fallbackRegion = test.fallback;
        Render(image, {0, 0, 100, 100});
        const auto quads = ImageQuads();
        ASSERT_EQ(quads.size(), test.drawn.size());
        if (!quads.empty())
        {
            EXPECT_TRUE(Near(quads[0].uv, test.drawn[0]));
        }
        const auto draws = Draws();
        ASSERT_EQ(draws.size(), test.drawn.size());
        for (const DrawCommand& draw : draws)
        {
            EXPECT_EQ(draw.material, app.gui->imageMaterial);
            EXPECT_EQ(draw.textures[0], texture);
            EXPECT_EQ(draw.geometryStride, 20u);
            EXPECT_EQ(std::make_pair(draw.first, draw.count), std::make_pair(0u, 6u));
        }
    }
}

TEST_F(ImageContentTest, NineSlicesCutTheElementAndTheRegionAlongTheResolvedBorders)
{
    // Mode left with 8 pixels: left 8, right 16 (the insets' ratio), top and bottom 8.
    NineSliceContent frame = Frame(3, NineSliceContent::Left, Pixels(8));
    Render(frame, {10, 20, 100, 50});
    const float x[] = {10, 18, 94, 110}, y[] = {20, 28, 62, 70};
    // The region spans u 0.125 to 0.75 and v 0.125 to 0.75, 64 and 32 pixels to the unit.
    const float u[] = {0.125f, 0.1875f, 0.625f, 0.75f}, v[] = {0.125f, 0.3125f, 0.6875f, 0.75f};
    const auto quads = ImageQuads();
    ASSERT_EQ(quads.size(), 9u);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
        {
            const DrawnQuad& quad = quads[size_t(row * 3 + column)];
            SCOPED_TRACE(row * 3 + column);
            EXPECT_TRUE(Near(quad.area, {x[column], y[row], x[column + 1] - x[column], y[row + 1] - y[row]}));
            EXPECT_TRUE(Near(quad.uv, {u[column], v[row], u[column + 1] - u[column], v[row + 1] - v[row]}));
            EXPECT_EQ(quad.color, Color::Turquoise);
        }
    EXPECT_EQ(Draws().size(), 9u);
    EXPECT_EQ(frame.drawnRectangle, (Rectangle{10, 20, 100, 50}));
}

TEST_F(ImageContentTest, BorderModesSizeOneBorderAndTheOthersFollow)
{
    // Region 3's insets: left 4, right 8, bottom 2, top 6. The element is 100 x 50.
    const struct
    {
        const char* name;
        uint32_t region, mode;
        UnitRectangle::Measure size;
        NineSliceContent::Borders borders;
        size_t quads;
    } cases[] = {
        {"left", 3, NineSliceContent::Left, Pixels(8), {8, 16, 8, 8}, 9},
        {"right", 3, NineSliceContent::Right, Pixels(8), {4, 8, 8, 8}, 9},
        {"top, percent of height", 3, NineSliceContent::Top, Percent(20), {10, 10, 10, 10.0f * 2 / 6}, 9},
        {"bottom", 3, NineSliceContent::Bottom, Pixels(4), {4, 4, 12, 4}, 9},
        {"left, percent of width", 3, NineSliceContent::Left, Percent(10), {10, 20, 10, 10}, 9},
        {"unknown mode counts as left", 3, 7, Pixels(8), {8, 16, 8, 8}, 9},
        // No border: the centre alone covers the element.
        {"none", 3, NineSliceContent::Left, Automatic, {0, 0, 0, 0}, 1},
        // Without a left inset the left column is not drawn and the right border keeps the size.
        {"no left inset", 4, NineSliceContent::Left, Pixels(8), {0, 8, 8, 8}, 6},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        NineSliceContent frame = Frame(test.region, test.mode, test.size);
        const auto* slices = app.device->GetTexture(texture)->FindRegion<TextureNineSliceRegion>(test.region);
        const auto borders = frame.ResolveBorders(slices->left, slices->right, slices->top, slices->bottom, 100, 50);
        EXPECT_TRUE(Near(Rectangle{borders.left, borders.right, borders.top, borders.bottom},
                         Rectangle{test.borders.left, test.borders.right, test.borders.top, test.borders.bottom}));
        Render(frame, {0, 0, 100, 50});
        EXPECT_EQ(ImageQuads().size(), test.quads);
    }

    // A region that is not a nine-slice draws nothing.
    NineSliceContent plain = Frame(1, NineSliceContent::Left, Pixels(8));
    Render(plain, {0, 0, 100, 50});
    EXPECT_TRUE(ImageQuads().empty());
}

TEST_F(ImageContentTest, ContentsDrawThroughTheMenuIntoTheDevice)
{
    const uint32_t font = MakeFont();
    app.gui->AddMenu(std::make_unique<TestMenu>(calls, "Contents",
                                                [&](TestMenu& built)
                                                {
                                                    auto text = std::make_unique<TextContent>();
                                                    text->text = "AAA";
                                                    text->font = font;
                                                    AddBox(built.GetRoot(), 0, 0, 200, 40).content = std::move(text);
                                                    AddBox(built.GetRoot(), 0, 50, 100, 100).content =
                                                        std::make_unique<ImageContent>(Image(1, Automatic, Automatic));
                                                    AddBox(built.GetRoot(), 0, 200, 100, 50).content =
                                                        std::make_unique<NineSliceContent>(
                                                            Frame(3, NineSliceContent::Left, Pixels(8)));
                                                }),
                     nullptr, nullptr, Whole(), false);
    app.Frame();
    app.device->ClearCalls();
    app.device->Render();

    // The three glyphs fold into one draw; the image and the nine slices after it share their state
    // and fold into another.
    const auto slot = [](uint32_t id) { return std::to_string(id); };
    const std::string vertices = slot(app.gui->GetVertexBuffer()->deviceSlot);
    const std::string indices = slot(app.gui->GetIndexBuffer()->deviceSlot);
    const std::vector<std::string> expected = {
        "SetMaterial " + slot(app.gui->textMaterial),
        "SetGeometry " + vertices + " 32",
        "SetInstances none 0",
        "SetIndices " + indices + " 2",
        "SetTexture " + slot(font) + " 0",
        "DrawIndexed 0 18",
        "SetMaterial " + slot(app.gui->imageMaterial),
        "SetGeometry " + vertices + " 20",
        "SetInstances none 0",
        "SetIndices " + indices + " 2",
        "SetTexture " + slot(texture) + " 0",
        "DrawIndexed 18 60",
        "Present",
    };
    const auto& recorded = app.device->calls;
    ASSERT_GE(recorded.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(recorded.end() - std::ptrdiff_t(expected.size()), recorded.end()), expected);
}

} // namespace
} // namespace Lumvek
