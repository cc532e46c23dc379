#include "Engine/Runtime/TextContent.h"

#include "Tests/Engine/Runtime/Gui/ContentTesting.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;
using Testing::LogCapture;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr Color Red{255, 0, 0, 255};
constexpr Color HalfGreen{0, 255, 0, 128};

class TextContentTest : public ContentTest
{
protected:
    template <class T = TextContent> T Text(const std::string& text, float pixels = 40.0f)
    {
        T content;
        content.text = text;
        content.font = font;
        content.size = {TextContent::Pixels, pixels};
        return content;
    }

    uint32_t font = MakeFont();
};

TEST_F(TextContentTest, PlacesTheLineByItsSizeAlignmentAndLetterSpacing)
{
    // "AAA" measures 1.5 of the size; the element is (100, 50), 200 x 80.
    const Rectangle element{100, 50, 200, 80};
    using enum ContentAlignment;
    const UnitRectangle::Measure pixels{TextContent::Pixels, 40};
    const struct
    {
        const char* name;
        UnitRectangle::Measure size;
        ContentAlignment horizontal, vertical;
        float letterSpacing;
        Rectangle drawn;
    } cases[] = {
        {"pixels, start", pixels, Start, Start, 0, {100, 50, 60, 40}},
        {"centred", pixels, Center, Center, 0, {170, 70, 60, 40}},
        {"end", pixels, End, End, 0, {240, 90, 60, 40}},
        {"stretched", pixels, Stretch, Stretch, 0, {100, 50, 60, 40}},
        {"element height", {TextContent::ElementHeight, 7}, Start, Start, 0, {100, 50, 120, 80}},
        {"percent of height", {TextContent::PercentOfHeight, 25}, Start, Start, 0, {100, 50, 30, 20}},
        // Spacing goes between glyphs, not after the last.
        {"letter spacing", pixels, Center, Start, 0.5f, {150, 50, 100, 40}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        TextContent text = Text("AAA");
        text.size = test.size;
        text.horizontalAlignment = static_cast<uint32_t>(test.horizontal);
        text.verticalAlignment = static_cast<uint32_t>(test.vertical);
        text.letterSpacing = test.letterSpacing;
        Render(text, element);
        EXPECT_TRUE(Near(text.drawnRectangle, test.drawn));

        const float size = test.drawn.height, step = (0.5f + test.letterSpacing) * size;
        const auto quads = TextQuads();
        ASSERT_EQ(quads.size(), 3u);
        for (size_t i = 0; i < quads.size(); ++i)
        {
            // 0.05 right of the pen; the bottom 0.1 below the baseline, which is 0.25 above the line's bottom.
            const Rectangle glyph{test.drawn.x + float(i) * step + 0.05f * size, test.drawn.y + 0.05f * size,
                                  0.4f * size, 0.8f * size};
            EXPECT_TRUE(Near(quads[i].area, glyph)) << i;
            EXPECT_TRUE(Near(quads[i].uv, {1.0f / 16, 4.0f / 8, 1.0f / 16, 1.0f / 8})); // 'A' is 65
        }
    }
}

TEST_F(TextContentTest, KerningMovesTheGlyphAfterThePair)
{
    TextContent text = Text("AVA");
    Render(text, {0, 0, 500, 100});
    const auto quads = TextQuads();
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_NEAR(quads[1].area.x, (0.5f - 0.1f + 0.05f) * 40, 1e-3f);
    EXPECT_NEAR(quads[2].area.x, (0.5f - 0.1f + 0.5f + 0.05f) * 40, 1e-3f);
    EXPECT_NEAR(text.drawnRectangle.width, (1.5f - 0.1f) * 40, 1e-3f);
}

TEST_F(TextContentTest, ColourCodesColourTheGlyphsAfterThemAndAreNeitherDrawnNorMeasured)
{
    const struct
    {
        const char* text;
        bool codes;
        std::vector<Color> glyphs;
        float width; // in sizes
    } cases[] = {
        {"#FF0000FFabc", true, {Red, Red, Red}, 1.5f},
        {"#FF0000FFabc", false, std::vector<Color>(12, Color::White), 6.0f},
        {"a#00FF0080b", true, {Color::White, HalfGreen}, 1.0f},
        // Too short, or not a colour: the characters are plain glyphs, measured as drawn.
        {"ab#12", true, std::vector<Color>(5, Color::White), 2.5f},
        {"#GG0000FFa", true, std::vector<Color>(10, Color::White), 5.0f},
        // Bytes beyond the font's 128 glyphs are skipped whole.
        {"A\xC3\xA9\x41", true, {Color::White, Color::White}, 1.0f},
        {"A A", false, {Color::White, Color::White}, 1.25f},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.text);
        TextContent text = Text(test.text);
        text.colorCodes = test.codes;
        Render(text, {0, 0, 1000, 100});
        const auto quads = TextQuads();
        ASSERT_EQ(quads.size(), test.glyphs.size());
        for (size_t i = 0; i < quads.size(); ++i)
        {
            EXPECT_EQ(quads[i].color, test.glyphs[i]) << i;
            // Without stroke radii the stroke is drawn in the fill colour.
            EXPECT_EQ(quads[i].stroke, test.glyphs[i]) << i;
        }
        EXPECT_NEAR(text.drawnRectangle.width, test.width * 40, 1e-3f);
    }
    TextContent spaced = Text("A A");
    Render(spaced, {0, 0, 1000, 100});
    EXPECT_NEAR(TextQuads()[1].area.x, (0.5f + 0.25f + 0.05f) * 40, 1e-3f);
}

TEST_F(TextContentTest, StrokeRadiiAreClampedAndHalvedAndTheStrokeColourNeedsOne)
{
    const struct
    {
        float inner, outer;
        float drawnInner, drawnOuter;
        Color stroke;
    } cases[] = {
        {0, 0, 0, 0, Color::White},
        {0.2f, 0.1f, 0.1f, 0.05f, Color::Blue},
        {0.8f, -1, 0.245f, 0, Color::Blue},
        {NaN, 0.3f, 0, 0.15f, Color::Blue},
        {0.00015f, 0.0001f, 0.000075f, 0.00005f, Color::White},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.inner);
        TextContent text = Text("A");
        text.strokeColor = Color::Blue;
        text.innerStrokeRadius = test.inner;
        text.outerStrokeRadius = test.outer;
        Render(text, {0, 0, 100, 100});
        const auto quads = TextQuads();
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_FLOAT_EQ(quads[0].innerRadius, test.drawnInner);
        EXPECT_FLOAT_EQ(quads[0].outerRadius, test.drawnOuter);
        EXPECT_EQ(quads[0].stroke, test.stroke);
    }
}

TEST_F(TextContentTest, EachGlyphIsADrawOfSixIndicesWithTheTextMaterialAndTheFont)
{
    TextContent text = Text("AB");
    Render(text, {0, 0, 100, 100});
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 2u);
    for (uint32_t i = 0; i < draws.size(); ++i)
    {
        EXPECT_EQ(draws[i].material, app.gui->textMaterial);
        EXPECT_EQ(draws[i].textures[0], font);
        EXPECT_EQ(draws[i].geometry, app.gui->GetVertexBuffer()->deviceSlot);
        EXPECT_EQ(draws[i].geometryStride, 32u);
        EXPECT_EQ(std::make_pair(draws[i].first, draws[i].count), std::make_pair(6 * i, 6u));
    }
    const auto* indices = reinterpret_cast<const uint16_t*>(app.gui->GetIndexBuffer()->data.Data());
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 12),
              (std::vector<uint16_t>{0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7}));
}

TEST_F(TextContentTest, AMissingFontOrAnEmptyTextDrawsNothing)
{
    uint32_t plain = 0;
    MakeTexture("ContentTests.Plain", 8, 8, plain);
    const uint32_t missing = NameTableC().Add("ContentTests.Missing");
    const struct
    {
        const char* text;
        uint32_t font;
        bool multiline;
        const char* message; // none when empty
    } cases[] = {
        {"A", missing, false, "TextContent::Render - Font ContentTests.Missing not found"},
        {"A", 0xFFFFFF00u, false, "TextContent::Render - Font  not found"},
        {"A", plain, false, "TextContent::Render - Texture ContentTests.Plain is not a Font"},
        {"A", missing, true, "MultilineTextContent::Render - Font ContentTests.Missing not found"},
        {"A", plain, true, "MultilineTextContent::Render - Texture ContentTests.Plain is not a font"},
        {"", missing, false, ""},
        {"", font, true, ""},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.message);
        LogCapture log;
        MultilineTextContent multiline = Text<MultilineTextContent>(test.text);
        TextContent single = Text(test.text);
        TextContent& text = test.multiline ? multiline : single;
        text.font = test.font;
        text.drawnRectangle = {1, 2, 3, 4};
        Render(text, {0, 0, 100, 100});
        EXPECT_TRUE(TextQuads().empty());
        EXPECT_TRUE(Draws().empty());
        EXPECT_EQ(text.drawnRectangle, (Rectangle{1, 2, 3, 4}));
        EXPECT_EQ(log.messages, *test.message ? std::vector<std::string>{test.message} : std::vector<std::string>{});
    }
}

TEST_F(TextContentTest, LinesBreakAtTheLastSpaceThatFitsOrBeforeTheOverflowingCharacter)
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
        // A character wider than the element stands alone on its line.
        {"abc", 5, {"a", "b", "c"}},
        {"#FF0000FFaaa bbb", 130, {"#FF0000FFaaa bbb"}},
        {"a\xC3\xA9\xC3\xA9 b", 40, {"a\xC3\xA9\xC3\xA9", "b"}},
    };
    const auto& fontRegion = *app.device->GetTexture(font)->FindRegion<TextureFontRegion>(InvalidId);
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.text);
        MultilineTextContent text = Text<MultilineTextContent>(test.text);
        text.colorCodes = 1;
        text.BreakLines(fontRegion, 40, test.width);
        std::vector<std::string> lines;
        for (const auto& [first, last] : text.lines)
            lines.push_back(text.text.substr(first, last - first));
        EXPECT_EQ(lines, test.lines);
    }
}

TEST_F(TextContentTest, WrappedLinesAreAlignedOneByOneAndKeepTheirColour)
{
    MultilineTextContent text = Text<MultilineTextContent>("#FF0000FFaaa bb");
    text.colorCodes = 1;
    text.horizontalAlignment = static_cast<uint32_t>(ContentAlignment::Center);
    text.verticalAlignment = static_cast<uint32_t>(ContentAlignment::Center);
    Render(text, {100, 50, 100, 200});
    // Two lines, 80 high in all, centred at 110; "aaa" (60 wide) from 120, "bb" (40 wide) from 130.
    EXPECT_TRUE(Near(text.drawnRectangle, {120, 110, 60, 80}));
    const auto quads = TextQuads();
    ASSERT_EQ(quads.size(), 5u);
    const float lefts[] = {120, 140, 160, 130, 150};
    for (size_t i = 0; i < quads.size(); ++i)
    {
        EXPECT_NEAR(quads[i].area.x, lefts[i] + 2, 1e-3f) << i;
        EXPECT_NEAR(quads[i].area.y, (i < 3 ? 110 : 150) + 2, 1e-3f) << i;
        EXPECT_EQ(quads[i].color, Red) << i;
    }
}

} // namespace
} // namespace Lumvek
