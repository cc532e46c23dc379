#include "Engine/Foundation/SdfFormat.h"

#include "Tests/Engine/Foundation/TextureTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumvek;
using namespace Lumvek::Testing;

namespace
{

struct GlyphEntry
{
    std::string name;
    float values[8];
};

// A font file: the glyph image, the entries, the metrics, then per character its two values (the
// code / 10 and the code / 4) and its kerning, (first - second) / 100 for every pair.
std::string FontFile(const std::vector<GlyphEntry>& glyphs, uint32_t count)
{
    BigEndianWriter file;
    file.Bytes(PatternPng(16, 8)).Value(count);
    for (const GlyphEntry& glyph : glyphs)
    {
        file.Text(glyph.name);
        for (float value : glyph.values)
            file.Value(value);
    }
    file.Value(12.0f).Value(-4.0f).Value(3.0f).Value(2.0f);
    for (int first = 0; first < 128; ++first)
    {
        file.Value(first / 10.0f).Value(first / 4.0f);
        for (int second = 0; second < 128; ++second)
            file.Value((first - second) / 100.0f);
    }
    return file.Result();
}

const std::vector<GlyphEntry> Glyphs = {
    {"V", {0.5f, 0, 0.25f, 0.5f, 1, 2, 3, 4}},
    {"A", {0, 0, 0.25f, 0.5f, 5, 6, 7, 8}},
    {"", {9, 9, 9, 9, 9, 9, 9, 9}},                // no character: its values are passed over
    {"\xC3\xA9", {9, 9, 9, 9, 9, 9, 9, 9}},        // beyond the 128 glyphs: likewise
    {"Alpha", {0, 0.5f, 0.25f, 0.5f, 1, 1, 1, 1}}, // a second entry for 'A' wins
};

TextureFontRegion* FontOf(Texture& texture)
{
    return texture.FindRegion<TextureFontRegion>(InvalidId);
}

} // namespace

TEST(SdfFormat, ReadsGlyphsMetricsAndTheFullKerningTable)
{
    Texture texture;
    LogCapture log;
    SdfFormat().Load("", FontFile(Glyphs, 5), texture);
    EXPECT_TRUE(log.messages.empty());
    TextureFontRegion* font = FontOf(texture);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::tie(font->width, font->height), std::make_tuple(16u, 8u));
    EXPECT_EQ(TexturePixel(texture, 3, 2), PatternPixel(3, 2));

    const FontGlyph& a = font->glyphs['A'];
    EXPECT_EQ(std::make_tuple(a.uv.x, a.uv.y, a.uv.width, a.uv.height), std::make_tuple(0.0f, 0.5f, 0.25f, 0.5f));
    EXPECT_EQ(std::make_tuple(a.offsetX, a.offsetY, a.width, a.height), std::make_tuple(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(font->glyphs['V'].height, 4.0f);
    EXPECT_EQ(font->glyphs[0].uv.width, 1.0f); // untouched
    EXPECT_EQ(std::make_tuple(font->ascent, font->descent, font->spaceAdvance, font->lineHeight),
              std::make_tuple(12.0f, -4.0f, 3.0f, 18.0f));
    EXPECT_EQ(std::make_tuple(a.bearing, a.advance), std::make_tuple(6.5f, 16.25f));

    // Every pair is stored, kerning 0 included.
    for (uint32_t first = 0; first < 128; ++first)
        ASSERT_EQ(font->glyphs[first].kerning.size(), 128u) << first;
    EXPECT_FLOAT_EQ(font->MeasureText("AV"), 65 / 4.0f + 86 / 4.0f + (65 - 86) / 100.0f + (0 - 65) / 100.0f);
    EXPECT_EQ(SdfFormat().Save("", texture).Size(), 0u);
}

TEST(SdfFormat, AFileEndingEarlyKeepsWhatCameBeforeAndABadImageBuildsNoFont)
{
    const std::string file = FontFile(Glyphs, 5);
    const size_t image = PatternPng(16, 8).size();
    const size_t glyphs = image + 4 + 37 + 37 + 36 + 38 + 41; // each name's length, its bytes, eight floats
    struct Case
    {
        const char* name;
        std::string bytes;
        std::tuple<float, float, float, size_t> a; // offset x, line height, advance and kerning pairs of 'A'
    };
    const Case cases[] = {
        {"image only", file.substr(0, image), {0, 0, 0, 0}},
        {"cut in the glyphs", file.substr(0, image + 4 + 37 + 5 + 20), {5, 0, 0, 0}},
        {"cut in the metrics", file.substr(0, glyphs + 8), {1, 0, 0, 0}},
        {"cut in the kerning of A", file.substr(0, glyphs + 16 + 65 * 520 + 8 + 40), {1, 18, 16.25f, 10}},
        {"claiming more glyphs", FontFile(Glyphs, 0xFFFFFFFFu), {1, 0, 0, 0}},
    };
    for (const Case& test : cases)
    {
        Texture texture;
        LogCapture log;
        SdfFormat().Load("", test.bytes, texture);
        EXPECT_TRUE(log.messages.empty()) << test.name;
        TextureFontRegion* font = FontOf(texture);
        ASSERT_NE(font, nullptr) << test.name;
        const FontGlyph& a = font->glyphs['A'];
        EXPECT_EQ(std::make_tuple(a.offsetX, font->lineHeight, a.advance, a.kerning.size()), test.a) << test.name;
        EXPECT_EQ(font->glyphs['B'].kerning.size(), 0u) << test.name;
    }

    const std::tuple<std::string, std::string> failures[] = {
        {"", "data is not a valid png"},
        {"font", "data is not a valid png"},
        {file.substr(0, image - 20), "failed to read the png image"},
        {PatternPng(Texture::MaximumSize + 1, 1), "png image of 8193 x 1 is larger than a texture can be"},
    };
    for (const auto& [bytes, message] : failures)
    {
        Texture texture;
        LogCapture log;
        SdfFormat().Load("", bytes, texture);
        EXPECT_EQ(log.messages, std::vector<std::string>{message});
        // A font whose image failed has no glyphs read after it, and measures as nothing.
        if (TextureFontRegion* font = FontOf(texture))
        {
            EXPECT_EQ(font->MeasureText("AV"), 0.0f) << message;
        }
    }
}
