#include "Source/Tools/Bake/FontRecipe.h"
#include "Source/Tools/Bake/Recipe.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/SdfFormat.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

using namespace Lumvek;
using namespace Lumvek::Testing;

namespace
{

const std::string CommittedAssets = std::string(LUMVEK_SOURCE_DIR) + "/Assets";

// Every file under the folder by its path relative to it, with its bytes.
std::map<std::string, std::string> FilesUnder(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] =
                File::ReadAllText(entry.path().string()).second;
    return files;
}

// The alpha of the atlas pixel under a point of a glyph's texture rectangle, given as fractions of it.
uint8_t DistanceAt(const Texture& texture, const FontGlyph& glyph, float u, float v)
{
    const auto x = uint32_t((glyph.uv.x + u * glyph.uv.width) * float(texture.width));
    const auto y = uint32_t((glyph.uv.y + v * glyph.uv.height) * float(texture.height));
    return texture.pixels.Data()[(size_t(y) * texture.width + x) * 4 + 3];
}

} // namespace

TEST(BakeAssets, BakingTwiceGivesTheCommittedFilesByteForByte)
{
    TestFolder first, second;
    LogCapture log;
    ASSERT_TRUE(BakeAll(first.Root()));
    ASSERT_TRUE(BakeAll(second.Root()));
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();

    const auto baked = FilesUnder(first.Root());
    EXPECT_TRUE(baked.count("Ui/Fonts/HeadingFont.sdf") && baked.count("Ui/Fonts/ScriptFont.sdf"));
    EXPECT_TRUE(baked.count("Licenses/fonts-cabinsketch.txt") && baked.count("Licenses/fonts-comic-neue.txt"));
    EXPECT_TRUE(baked == FilesUnder(second.Root()));
    for (const auto& [path, bytes] : baked)
    {
        const auto [read, committed] = File::ReadAllText(CommittedAssets + "/" + path);
        EXPECT_TRUE(read && committed == bytes) << path << " differs from the committed file: run scripts/bake-assets";
    }
}

TEST(BakeAssets, CommittedFontsLoadWithEveryPrintableCharacter)
{
    for (const char* name : {"HeadingFont", "ScriptFont"})
    {
        SCOPED_TRACE(name);
        const auto [read, bytes] = File::ReadAllText(CommittedAssets + "/Ui/Fonts/" + name + ".sdf");
        ASSERT_TRUE(read);
        Texture texture;
        LogCapture log;
        SdfFormat().Load("", bytes, texture);
        EXPECT_TRUE(log.messages.empty());
        const auto* font = texture.FindRegion<TextureFontRegion>(InvalidId);
        ASSERT_NE(font, nullptr);

        // One font unit spans the line from descent to ascent, the size text is drawn at.
        EXPECT_NEAR(font->ascent - font->descent, 1.0f, 1e-5f);
        EXPECT_LT(font->descent, 0.0f);
        EXPECT_GT(font->spaceAdvance, 0.0f);
        EXPECT_EQ(font->spaceAdvance, font->glyphs[' '].advance);
        bool kerned = false;
        for (uint32_t code = 0; code < TextureFontRegion::GlyphCount; ++code)
        {
            const FontGlyph& glyph = font->glyphs[code];
            ASSERT_EQ(glyph.kerning.size(), 128u) << code;
            const bool printable = code >= 32 && code <= 126;
            EXPECT_EQ(glyph.advance > 0.0f, printable) << code;
            if (!printable || code == ' ')
                continue;
            EXPECT_TRUE(glyph.width > 0.0f && glyph.height > 0.0f && glyph.height < 2.0f) << code;
            EXPECT_TRUE(glyph.uv.x >= 0.0f && glyph.uv.y >= 0.0f && glyph.uv.x + glyph.uv.width <= 1.0f &&
                        glyph.uv.y + glyph.uv.height <= 1.0f)
                << code;
            // The field is padded: the rectangle's corners lie outside every outline.
            for (const auto& [u, v] : {std::pair{0.0f, 0.0f}, {0.99f, 0.0f}, {0.0f, 0.99f}, {0.99f, 0.99f}})
                EXPECT_LT(DistanceAt(texture, glyph, u, v), 128) << code;
            for (uint32_t next = 32; next <= 126; ++next)
                kerned = kerned || font->GetKerning(char(code), char(next)) != 0.0f;
        }
        EXPECT_TRUE(kerned);

        // The stem of an 'l' runs up the middle of its image: its centre is inside the outline, and the
        // glyph sits on the baseline and rises most of the way to the ascent.
        const FontGlyph& l = font->glyphs['l'];
        EXPECT_GT(DistanceAt(texture, l, 0.5f, 0.5f), 128);
        EXPECT_LT(l.offsetY, 0.0f);
        EXPECT_GT(l.offsetY + l.height, 0.5f * font->ascent);
        EXPECT_LT(font->MeasureText("lll"), font->MeasureText("mmm"));
    }
}

TEST(BakeAssets, FontsThatCannotBeReadOrPlacedAreRefused)
{
    const auto [read, font] = File::ReadBytes("/usr/share/fonts/opentype/comic-neue/ComicNeue-Regular.otf");
    ASSERT_TRUE(read);
    SdfFontSettings narrow;
    narrow.atlasWidth = 40;
    struct Case
    {
        const char* name;
        std::string bytes;
        SdfFontSettings settings;
        const char* message;
    };
    const Case cases[] = {
        {"no bytes", "", {}, "the font file holds no font"},
        {"no font", "not a font at all, just text", {}, "the font file holds no font"},
        {"cut font", font.View().Sub(0, 200).ToString(), {}, "the font file holds no font"},
        {"narrow atlas", font.ToString(), narrow, "the glyphs do not fit an atlas 40 pixels wide"},
    };
    for (const Case& test : cases)
    {
        LogCapture log;
        Buffer sdf;
        EXPECT_FALSE(BakeSdfFont(test.bytes, test.settings, sdf)) << test.name;
        EXPECT_TRUE(log.Logged(test.message)) << test.name;
        EXPECT_EQ(sdf.Size(), 0u) << test.name;
    }

    TestFolder folder;
    LogCapture log;
    const FontRecipe missing("Ui/Fonts/Missing.sdf", "/usr/share/fonts/NoSuchFont.ttf", "fonts-cabinsketch");
    EXPECT_FALSE(missing.Bake(folder.Root()));
    EXPECT_TRUE(log.Logged("cannot read /usr/share/fonts/NoSuchFont.ttf: is the package fonts-cabinsketch installed?"));
    EXPECT_TRUE(FilesUnder(folder.Root()).empty());
}
