#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace Lumvek
{
// A namespace of its own: the program compiles its files in batches.
namespace ContentTests
{
namespace
{

using namespace GuiTesting;
using enum ContentAlignment;
using Measure = UnitRectangle::Measure;

constexpr Color Red{255, 0, 0, 255};
constexpr Color White = Color::White;
constexpr Measure Automatic{UnitRectangle::Automatic, 0};
constexpr Measure Pixels(float value)
{
    return {UnitRectangle::Pixels, value};
}
constexpr Measure Percent(float value)
{
    return {UnitRectangle::Percent, value};
}

// One quad read back from the Gui's vertex buffer: area in pixels, texture rectangle, fill colour.
struct DrawnQuad
{
    std::array<float, 4> area;
    std::array<float, 4> uv;
    Color color;
    Color stroke; // text only
};

#define EXPECT_NEAR4(actual, ...)                                                                                      \
    EXPECT_THAT(actual, ::testing::Pointwise(::testing::FloatNear(1e-3f), std::array<float, 4>(__VA_ARGS__)))

// A Gui on a 1000 x 500 recording device with one open menu; contents render straight into the Gui's
// buffers through a list of the test's own. The font's printable glyphs all advance 0.5 and are drawn
// 0.4 x 0.8 from 0.05 right of the pen and 0.1 below the baseline; the descent is 0.25, a space
// advances 0.25 and 'A' kerns -0.1 before 'V'. The 64 x 32 image has region 1, 40 x 20 at its
// corner; region 2, never loaded; and nine-slice regions 3, 40 x 20 at (8, 4) with insets left 4,
// right 8, bottom 2 and top 6, and 4, the same without a left inset.
class ContentTest : public ::testing::Test
{
protected:
    ContentTest()
    {
        app.gui->imageMaterial = NameTableC().Add("ContentTests.ImageMaterial");
        app.gui->textMaterial = NameTableC().Add("ContentTests.TextMaterial");
        menu = app.gui->AddMenu(std::make_unique<TestMenu>(calls), nullptr, nullptr, UnitRectangle(), false);
        list.Add();

        auto* fontRegion = MakeTexture<TextureFontRegion>("ContentTests.Font", 256, 128, font);
        fontRegion->descent = -0.25f;
        fontRegion->spaceAdvance = fontRegion->glyphs[' '].advance = 0.25f;
        for (uint32_t code = 33; code < 127; ++code)
            fontRegion->glyphs[code] = {{float(code % 16) / 16, float(code / 16) / 8, 1.0f / 16, 1.0f / 8},
                                        0.05f,
                                        -0.1f,
                                        0.4f,
                                        0.8f,
                                        0.0f,
                                        0.5f,
                                        {},
                                        {}};
        fontRegion->glyphs['A'].SetKerning('V', -0.1f);

        Texture* made = MakeTexture("ContentTests.Image", 64, 32, image)->texture;
        made->AddRegion(1, 0, 0)->SetSize(40, 20);
        made->AddRegion(2, 0, 0);
        for (uint32_t index : {3u, 4u})
        {
            TextureNineSliceRegion* slices = made->AddNineSliceRegion(index, 8, 4);
            slices->SetSize(40, 20);
            std::tie(slices->left, slices->right, slices->bottom, slices->top) =
                std::tuple(index == 3 ? 4 : 0, 8, 2, 6);
        }
    }

    // A texture in the device slot of the name, with a whole-image region of the kind.
    template <class Region = TextureRegion>
    Region* MakeTexture(const std::string& name, uint32_t width, uint32_t height, uint32_t& slot)
    {
        slot = NameTableC().Add(name);
        Texture* texture = app.device->CreateTexture(slot, 0);
        texture->SetSize(width, height, TextureFormat::ColorBuffer4x8);
        Region* region = texture->AddRegionOf<Region>(InvalidId, 0, 0);
        region->SetSize(width, height);
        return region;
    }

    template <class T = TextContent> T Text(const std::string& text, bool codes = false)
    {
        T content;
        content.text = text;
        content.font = font;
        content.size = {TextContent::Pixels, 40};
        content.colorCodes = codes;
        return content;
    }

    // Renders the content alone and reads its quads back.
    template <class Vertex> std::vector<DrawnQuad> Render(Content& content, const Rectangle& rectangle)
    {
        Geometry& buffer = *app.gui->GetVertexBuffer();
        buffer.used = app.gui->GetIndexBuffer()->used = 0;
        list.Reset();
        content.Render(0.0f, list, buffer, *app.gui->GetIndexBuffer(), *app.device, *menu, rectangle);
        std::vector<DrawnQuad> quads;
        for (uint32_t at = 0; at + 4 * sizeof(Vertex) <= buffer.used; at += 4 * sizeof(Vertex))
        {
            Vertex corners[4];
            std::memcpy(corners, buffer.data.Data() + at, sizeof(corners));
            const Vertex &first = corners[0], &last = corners[3];
            const float left = (first.x + 1) * 500, top = (1 - first.y) * 250;
            DrawnQuad quad;
            quad.area = {left, top, (last.x + 1) * 500 - left, (1 - last.y) * 250 - top};
            quad.uv = {first.u, first.v, last.u - first.u, last.v - first.v};
            if constexpr (sizeof(Vertex) == sizeof(GuiTextVertex))
                std::tie(quad.color, quad.stroke) = std::tie(first.fillColor, first.strokeColor);
            else
                quad.color = first.color;
            quads.push_back(quad);
        }
        return quads;
    }
    std::vector<DrawnQuad> RenderText(TextContent& text, const Rectangle& rectangle)
    {
        return Render<GuiTextVertex>(text, rectangle);
    }
    std::vector<DrawnQuad> RenderImage(Content& content, const Rectangle& rectangle)
    {
        return Render<GuiImageVertex>(content, rectangle);
    }

    // Outlives the application, whose menus write to it as they are destroyed.
    Calls calls;
    TestApplication app;
    Menu* menu = nullptr;
    DrawList list;
    uint32_t font = 0;
    uint32_t image = 0;
};

std::array<float, 4> Values(const Rectangle& r)
{
    return {r.x, r.y, r.width, r.height};
}

TEST_F(ContentTest, TextIsPlacedByItsSizeAlignmentLetterSpacingAndKerning)
{
    // "AAA" measures 1.5 sizes; the element is (100, 50), 200 x 80.
    const struct
    {
        Measure size;
        ContentAlignment horizontal, vertical;
        float letterSpacing;
        std::array<float, 4> drawn;
        float minimumSize = 0.0f;
        uint8_t shrinkToFit = 0;
    } cases[] = {
        {Pixels(40), Start, Start, 0, {100, 50, 60, 40}},
        {Pixels(40), Center, Center, 0, {170, 70, 60, 40}},
        {Pixels(40), End, End, 0, {240, 90, 60, 40}},
        {Pixels(40), Stretch, Stretch, 0, {100, 50, 60, 40}},
        {{TextContent::ElementHeight, 7}, Start, Start, 0, {100, 50, 120, 80}},
        {{TextContent::PercentOfHeight, 25}, Start, Start, 0, {100, 50, 30, 20}},
        {Pixels(40), Center, Start, 0.5f, {150, 50, 100, 40}}, // spacing between glyphs only
        // Shrunk or sized by its share, a line stops at the least size, and drops its letter spacing there.
        {Pixels(200), Start, Start, 0, {100, 50, 240, 160}, 160, 1},
        {{TextContent::PercentOfHeight, 25}, Start, Start, 0.5f, {100, 50, 45, 30}, 30},
    };
    for (const auto& test : cases)
    {
        TextContent text = Text("AAA");
        text.size = test.size;
        text.horizontalAlignment = uint32_t(test.horizontal);
        text.verticalAlignment = uint32_t(test.vertical);
        text.letterSpacing = test.letterSpacing;
        text.minimumSize = test.minimumSize;
        text.shrinkToFit = test.shrinkToFit;
        const auto quads = RenderText(text, {100, 50, 200, 80});
        EXPECT_NEAR4(Values(text.drawnRectangle), test.drawn);
        const auto [x, y, width, size] = test.drawn;
        // Three glyphs half a size wide and the spacing twice between them.
        const float spacing = (width / size - 1.5f) / 2.0f;
        ASSERT_EQ(quads.size(), 3u);
        for (size_t i = 0; i < quads.size(); ++i)
        {
            // The baseline is 0.25 above the line's bottom and the glyph reaches 0.1 below it.
            EXPECT_NEAR4(quads[i].area, {x + float(i) * (0.5f + spacing) * size + 0.05f * size, y + 0.05f * size,
                                         0.4f * size, 0.8f * size});
            EXPECT_NEAR4(quads[i].uv, {1.0f / 16, 4.0f / 8, 1.0f / 16, 1.0f / 8}); // 'A' is 65
        }
    }

    TextContent kerned = Text("AVA");
    const auto quads = RenderText(kerned, {0, 0, 500, 100});
    EXPECT_NEAR(quads[1].area[0], (0.5f - 0.1f + 0.05f) * 40, 1e-3f);
    EXPECT_NEAR(kerned.drawnRectangle.width, (1.5f - 0.1f) * 40, 1e-3f);
}

TEST_F(ContentTest, ColourCodesColourTheGlyphsAfterThemAreNeitherDrawnNorMeasuredAndPickABackedLinesBox)
{
    const struct
    {
        const char* text;
        bool codes;
        std::vector<Color> glyphs; // each glyph's fill, and its stroke as no stroke radius is set
        float width;               // in sizes
    } cases[] = {
        {"#FF0000FFabc", true, {Red, Red, Red}, 1.5f},
        {"#FF0000FFabc", false, std::vector<Color>(12, White), 6},
        {"a#00FF0080b", true, {White, {0, 255, 0, 128}}, 1},
        {"ab#12", true, std::vector<Color>(5, White), 2.5f},    // too short for a code
        {"#GG0000FFa", true, std::vector<Color>(10, White), 5}, // not a colour
        {"A\xC3\xA9\x41", false, {White, White}, 1},            // no glyphs beyond 127
        {"A A", false, {White, White}, 1.25f},
    };
    for (const auto& test : cases)
    {
        TextContent text = Text(test.text, test.codes);
        std::vector<Color> fills, strokes;
        for (const DrawnQuad& quad : RenderText(text, {0, 0, 1000, 100}))
        {
            fills.push_back(quad.color);
            strokes.push_back(quad.stroke);
        }
        EXPECT_EQ(fills, test.glyphs) << test.text;
        EXPECT_EQ(strokes, test.glyphs) << test.text;
        EXPECT_NEAR(text.drawnRectangle.width, test.width * 40, 1e-3f) << test.text;
    }

    // A backed line stands on one box: of the contrast pair, the colour more of its coloured glyphs read on (the
    // pale ones here, not the red); text of the box's own colour takes the other.
    app.gui->colorMaterial = NameTableC().Add("ContentTests.ColorMaterial");
    constexpr Color Ink{0x41, 0x40, 0x42, 255}, Paper{0xF5, 0xF8, 0xFA, 255}, Pale{0xE6, 0xE7, 0xE8, 255};
    TextContent text = Text("#E6E7E8FFa #414042FFb #FF0000FFc #E6E7E8FFd", true);
    std::tie(text.fillColor, text.strokeColor, text.contrastColor, text.contrastStroke, text.backing) =
        std::tuple(Ink, Ink, Paper, 1, 1);
    text.outerStrokeRadius = 0.49f;
    RenderText(text, {0, 0, 1000, 100});
    std::vector<Color> boxes, glyphs;
    const auto* indices = reinterpret_cast<const uint16_t*>(app.gui->GetIndexBuffer()->data.Data());
    for (const DrawCommand& item : list.items)
    {
        const bool isBox = item.material == app.gui->colorMaterial;
        const uint8_t* vertex = app.gui->GetVertexBuffer()->data.Data() + indices[item.first] * item.geometryStride;
        if (item.count == 6) // a box's colour follows its position, a glyph's fill its texture coordinates
            (isBox ? boxes : glyphs).push_back(*reinterpret_cast<const Color*>(vertex + (isBox ? 8 : 16)));
    }
    EXPECT_EQ(boxes, std::vector<Color>{Ink});
    EXPECT_EQ(glyphs, (std::vector<Color>{Pale, Paper, Red, Pale}));
}

TEST_F(ContentTest, TextWithoutAFontOrCharactersDrawsNothing)
{
    uint32_t plain = 0;
    MakeTexture("ContentTests.Plain", 8, 8, plain);
    const uint32_t missing = NameTableC().Add("ContentTests.Missing");
    const struct
    {
        const char* text;
        uint32_t font;
        bool multiline;
        const char* message;
    } cases[] = {
        {"A", missing, false, "TextContent::Render - Font ContentTests.Missing not found"},
        {"A", 0xFFFFFF00u, false, "TextContent::Render - Font  not found"},
        {"A", plain, false, "TextContent::Render - Texture ContentTests.Plain is not a Font"},
        {"A", plain, true, "MultilineTextContent::Render - Texture ContentTests.Plain is not a font"},
        {"", missing, true, nullptr},
    };
    for (const auto& test : cases)
    {
        Testing::LogCapture log;
        MultilineTextContent multiline = Text<MultilineTextContent>(test.text);
        TextContent single = Text(test.text);
        TextContent& text = test.multiline ? multiline : single;
        text.font = test.font;
        EXPECT_TRUE(RenderText(text, {0, 0, 100, 100}).empty());
        EXPECT_EQ(list.items.size(), 1u);
        EXPECT_EQ(log.messages, test.message ? std::vector<std::string>{test.message} : std::vector<std::string>{});
    }
}

TEST_F(ContentTest, LinesBreakAtTheLastSpaceThatFitsOrBeforeTheOverflowingCharacter)
{
    // At size 40 a glyph advances 20 pixels and a space 10.
    const struct
    {
        const char* text;
        float width;
        std::vector<std::string> lines;
    } cases[] = {
        {"aaa bbb", 100, {"aaa", "bbb"}},
        {"aaa bbb", 130, {"aaa bbb"}},
        {"aa bb cc", 110, {"aa bb", "cc"}},
        {"aaaaaaa", 50, {"aa", "aa", "aa", "a"}},
        {"ab\ncd\n\nef", 1000, {"ab", "cd", "", "ef"}},
        {"abc", 5, {"a", "b", "c"}}, // a glyph wider than the element stands alone
        {"#FF0000FFaaa bbb", 130, {"#FF0000FFaaa bbb"}},
        {"a\xC3\xA9\xC3\xA9 b", 40, {"a\xC3\xA9\xC3\xA9", "b"}},
    };
    const auto& fontRegion = *app.device->GetTexture(font)->FindRegion<TextureFontRegion>(InvalidId);
    for (const auto& test : cases)
    {
        MultilineTextContent text = Text<MultilineTextContent>(test.text, true);
        text.BreakLines(fontRegion, 40, test.width);
        std::vector<std::string> lines;
        for (const auto& [first, last] : text.lines)
            lines.push_back(text.text.substr(first, last - first));
        EXPECT_EQ(lines, test.lines) << test.text;
    }

    // Lines are aligned one by one and keep the colour of a code in an earlier line.
    MultilineTextContent text = Text<MultilineTextContent>("#FF0000FFaaa bb", true);
    text.horizontalAlignment = text.verticalAlignment = uint32_t(Center);
    const auto quads = RenderText(text, {100, 50, 100, 200});
    // Two lines, 80 high, centred at 110; "aaa" (60 wide) from 120, "bb" (40 wide) from 130.
    EXPECT_NEAR4(Values(text.drawnRectangle), {120, 110, 60, 80});
    ASSERT_EQ(quads.size(), 5u);
    const float lefts[] = {120, 140, 160, 130, 150};
    for (size_t i = 0; i < quads.size(); ++i)
    {
        EXPECT_NEAR4(quads[i].area, {lefts[i] + 2, i < 3 ? 112.0f : 152.0f, 16, 32});
        EXPECT_EQ(quads[i].color, Red);
    }
}

TEST_F(ContentTest, ImagesFollowTheirUnitsTheRegionsAspectAndTheirFallback)
{
    // The element is (10, 20), 300 x 200; region 1 is twice as wide as high.
    const uint32_t none = InvalidId;
    const std::array<float, 4> first{0, 0, 40.0f / 64, 20.0f / 32};
    const struct
    {
        uint32_t region, fallback;
        Measure width, height;
        ContentAlignment horizontal, vertical;
        std::vector<std::array<float, 4>> drawn; // area, then texture rectangle
    } cases[] = {
        {1, none, Automatic, Pixels(100), Start, Start, {{10, 20, 200, 100}, first}},
        {1, none, Pixels(50), Automatic, Start, Start, {{10, 20, 50, 25}, first}},
        {1, none, Percent(10), Pixels(7), Start, Start, {{10, 20, 30, 7}, first}},
        {1, none, Pixels(-2), Pixels(100), Start, Start, {{10, 20, 400, 100}, first}}, // negative: a scale
        {1, none, Automatic, Automatic, Start, Start, {{10, 20, 40, 20}, first}},      // the region's size
        {1, none, Automatic, Pixels(100), Center, End, {{60, 120, 200, 100}, first}},
        {1, none, Pixels(50), Pixels(20), Stretch, Stretch, {{10, 20, 300, 200}, first}},
        {none, none, Pixels(64), Pixels(32), Start, Start, {{10, 20, 64, 32}, {0, 0, 1, 1}}},
        {9, 1, Pixels(50), Automatic, Start, Start, {{10, 20, 50, 25}, first}},
        {2, 1, Pixels(50), Automatic, Start, Start, {{10, 20, 50, 25}, first}}, // 2 is not loaded yet
        {9, none, Pixels(50), Automatic, Start, Start, {}},
    };
    for (const auto& test : cases)
    {
        ImageContent content;
        std::tie(content.texture, content.region, content.fallbackRegion) = std::tie(image, test.region, test.fallback);
        std::tie(content.width, content.height) = std::tie(test.width, test.height);
        content.horizontalAlignment = uint32_t(test.horizontal);
        content.verticalAlignment = uint32_t(test.vertical);
        content.color = Color::Yellow;
        const auto quads = RenderImage(content, {10, 20, 300, 200});
        ASSERT_EQ(quads.size(), test.drawn.size() / 2);
        if (quads.empty())
            continue;
        EXPECT_NEAR4(quads[0].area, test.drawn[0]);
        EXPECT_NEAR4(Values(content.drawnRectangle), test.drawn[0]);
        EXPECT_NEAR4(quads[0].uv, test.drawn[1]);
        EXPECT_EQ(quads[0].color, Color::Yellow);
    }
    ImageContent lost;
    lost.texture = NameTableC().Add("ContentTests.NoTexture");
    EXPECT_TRUE(RenderImage(lost, {0, 0, 100, 100}).empty());
}

TEST_F(ContentTest, NineSlicesCutTheElementAndTheRegionAlongTheResolvedBorders)
{
    // Region 3's insets: left 4, right 8, bottom 2, top 6. The element is (10, 20), 100 x 50.
    const struct
    {
        uint32_t region, mode;
        Measure size;
        std::array<float, 4> borders; // left, right, top, bottom
        size_t quads;
    } cases[] = {
        {3, NineSliceContent::Left, Pixels(8), {8, 16, 8, 8}, 9}, // the opposite border follows the insets
        {3, NineSliceContent::Right, Pixels(8), {4, 8, 8, 8}, 9},
        {3, NineSliceContent::Top, Percent(20), {10, 10, 10, 10.0f / 3}, 9}, // percent of the height
        {3, NineSliceContent::Bottom, Pixels(4), {4, 4, 12, 4}, 9},
        {3, NineSliceContent::Left, Percent(10), {10, 20, 10, 10}, 9}, // percent of the width
        {3, 7, Pixels(8), {8, 16, 8, 8}, 9},                           // unknown modes count as left
        {3, NineSliceContent::Left, Automatic, {0, 0, 0, 0}, 1},       // the centre alone
        {4, NineSliceContent::Left, Pixels(8), {0, 8, 8, 8}, 6},       // no left inset, no left column
        {1, NineSliceContent::Left, Pixels(8), {8, 16, 8, 8}, 0},      // not a nine-slice region
    };
    for (const auto& test : cases)
    {
        NineSliceContent frame;
        std::tie(frame.texture, frame.region, frame.borderMode, frame.borderSize) =
            std::tie(image, test.region, test.mode, test.size);
        const auto b = frame.ResolveBorders(test.region == 4 ? 0 : 4, 8, 6, 2, 100, 50);
        EXPECT_NEAR4((std::array{b.left, b.right, b.top, b.bottom}), test.borders);
        EXPECT_EQ(RenderImage(frame, {10, 20, 100, 50}).size(), test.quads);
    }

    // The slices of the first case, row by row; the region spans u and v 0.125 to 0.75.
    NineSliceContent frame;
    std::tie(frame.texture, frame.region, frame.borderSize) = std::tuple(image, 3u, Pixels(8));
    const auto quads = RenderImage(frame, {10, 20, 100, 50});
    const float x[] = {10, 18, 94, 110}, y[] = {20, 28, 62, 70};
    const float u[] = {0.125f, 0.1875f, 0.625f, 0.75f}, v[] = {0.125f, 0.3125f, 0.6875f, 0.75f};
    ASSERT_EQ(quads.size(), 9u);
    for (int i = 0; i < 9; ++i)
    {
        const int r = i / 3, c = i % 3;
        EXPECT_NEAR4(quads[i].area, {x[c], y[r], x[c + 1] - x[c], y[r + 1] - y[r]});
        EXPECT_NEAR4(quads[i].uv, {u[c], v[r], u[c + 1] - u[c], v[r + 1] - v[r]});
    }
}

TEST_F(ContentTest, ContentsDrawThroughTheMenuIntoTheDevice)
{
    for (const uint32_t material : {app.gui->imageMaterial, app.gui->textMaterial})
        app.device->CreateMaterial(material);
    const auto build = [&](TestMenu& built)
    {
        AddBox(built.GetRoot(), 0, 0, 200, 40).content = std::make_unique<TextContent>(Text("AAA"));
        auto picture = std::make_unique<ImageContent>();
        picture->texture = image;
        AddBox(built.GetRoot(), 0, 50, 100, 100).content = std::move(picture);
        auto frame = std::make_unique<NineSliceContent>();
        std::tie(frame->texture, frame->region, frame->borderSize) = std::tuple(image, 3u, Pixels(8));
        AddBox(built.GetRoot(), 0, 200, 100, 50).content = std::move(frame);
    };
    app.gui->AddMenu(std::make_unique<TestMenu>(calls, "Contents", build), nullptr, nullptr, UnitRectangle(), false);
    app.Frame();
    app.device->ClearCalls();
    app.device->Render();

    // The glyphs fold into one draw; the image and the nine slices after it share their state and
    // fold into another.
    const auto slot = [](uint32_t id) { return std::to_string(id); };
    const std::string geometry = "SetGeometry " + slot(app.gui->GetVertexBuffer()->deviceSlot);
    const std::string indices = "SetIndices " + slot(app.gui->GetIndexBuffer()->deviceSlot) + " 2";
    const std::vector<std::string> expected = {
        "SetMaterial " + slot(app.gui->textMaterial),
        geometry + " 32",
        "SetInstances none 0",
        indices,
        "SetTexture " + slot(font) + " 0",
        "DrawIndexed 0 18",
        "SetMaterial " + slot(app.gui->imageMaterial),
        geometry + " 20",
        "SetInstances none 0",
        indices,
        "SetTexture " + slot(image) + " 0",
        "DrawIndexed 18 60",
        "Present",
    };
    const auto& recorded = app.device->calls;
    ASSERT_GE(recorded.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(recorded.end() - std::ptrdiff_t(expected.size()), recorded.end()), expected);
}

} // namespace
} // namespace ContentTests
} // namespace Lumvek
