#include "Source/Tools/Bake/FontRecipe.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/SdfFormat.h"
#include "Engine/Foundation/Texture.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

using namespace Lumvek;

namespace
{

constexpr uint32_t FirstCode = 32;
constexpr uint32_t LastCode = 126;
constexpr uint32_t CodeCount = TextureFontRegion::GlyphCount;
// Empty pixels between glyphs and around the atlas, so filtering at a glyph's edge reads nothing of
// its neighbour.
constexpr uint32_t Gap = 1;

struct Glyph
{
    uint32_t code = 0;
    int width = 0; // the distance image, padding included
    int height = 0;
    int offsetX = 0; // its top-left corner from the pen on the baseline, y down
    int offsetY = 0;
    uint32_t x = 0; // its place in the atlas
    uint32_t y = 0;
    std::vector<uint8_t> distances;
};

// The font's metrics and kerning come from stb_truetype, which reads kerning from the 'GPOS' table as
// well as 'kern'; its distance fields are drawn by FreeType, which also follows the cubic outlines of
// OpenType fonts. Both read the same bytes, and design units become font units through the one
// ascent-to-descent height.
class Font
{
public:
    Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }

    bool Load(StringView bytes, const SdfFontSettings& settings)
    {
        // FreeType checks the table directory against the bytes; stb_truetype trusts them and must
        // only see a font FreeType accepted.
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data);
        if (FT_Init_FreeType(&library) != 0 ||
            FT_New_Memory_Face(library, data, FT_Long(bytes.length), 0, &face) != 0 ||
            !stbtt_InitFont(&info, data, stbtt_GetFontOffsetForIndex(data, 0)))
        {
            Log::Write("the font file holds no font");
            return false;
        }
        int ascent = 0, descent = 0, lineGap = 0;
        stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
        if (ascent - descent <= 0 || face->units_per_EM == 0)
        {
            Log::Write("the font has no height");
            return false;
        }
        toUnits = 1.0f / float(ascent - descent);
        // FreeType sizes by the em: the em that makes ascent to descent pixelHeight pixels, in 1/64 points
        // at 72 points per inch.
        const double emPixels = double(settings.pixelHeight) * face->units_per_EM / double(ascent - descent);
        auto spread = FT_Int(settings.spread);
        if (FT_Property_Set(library, "sdf", "spread", &spread) != 0 ||
            FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(emPixels * 64.0)), 72, 72) != 0)
        {
            Log::Write("the font cannot be drawn at {} pixels with a spread of {}", settings.pixelHeight,
                       settings.spread);
            return false;
        }
        return true;
    }

    // Design units to font units.
    float Units(int designUnits) const { return float(designUnits) * toUnits; }

    stbtt_fontinfo info{};
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    float toUnits = 0.0f;
};

void DrawGlyphs(const Font& font, std::vector<Glyph>& glyphs)
{
    for (uint32_t code = FirstCode; code <= LastCode; ++code)
    {
        Glyph glyph;
        glyph.code = code;
        if (FT_Get_Char_Index(font.face, code) == 0)
            Log::Write("the font has no glyph for '{}'", char(code));
        // Hinting would bend the outlines towards this one size's pixel grid.
        const bool drawn = FT_Load_Char(font.face, code, FT_LOAD_NO_HINTING) == 0 &&
                           FT_Render_Glyph(font.face->glyph, FT_RENDER_MODE_SDF) == 0;
        const FT_Bitmap& bitmap = font.face->glyph->bitmap;
        // Blank characters (the space) have no outline and no image; they keep only their advance.
        if (drawn && bitmap.width > 0 && bitmap.rows > 0 && bitmap.buffer)
        {
            glyph.width = int(bitmap.width);
            glyph.height = int(bitmap.rows);
            glyph.offsetX = font.face->glyph->bitmap_left;
            glyph.offsetY = -font.face->glyph->bitmap_top;
            glyph.distances.resize(size_t(bitmap.width) * bitmap.rows);
            for (uint32_t row = 0; row < bitmap.rows; ++row)
                std::memcpy(&glyph.distances[size_t(row) * bitmap.width], bitmap.buffer + ptrdiff_t(row) * bitmap.pitch,
                            bitmap.width);
        }
        else if (code != ' ')
            Log::Write("the glyph of '{}' cannot be drawn", char(code));
        glyphs.push_back(std::move(glyph));
    }
}

// Shelf packing, tallest first, so rows waste little height. Ties keep code order: the layout, and
// with it the file, depends on nothing but the font. Returns the atlas height, 0 when a glyph is wider
// than the atlas.
uint32_t Pack(std::vector<Glyph>& glyphs, uint32_t atlasWidth)
{
    std::vector<Glyph*> order;
    for (Glyph& glyph : glyphs)
        if (!glyph.distances.empty())
            order.push_back(&glyph);
    std::stable_sort(order.begin(), order.end(), [](const Glyph* a, const Glyph* b) { return a->height > b->height; });
    uint32_t x = Gap, y = Gap, rowHeight = 0;
    for (Glyph* glyph : order)
    {
        const auto width = uint32_t(glyph->width), height = uint32_t(glyph->height);
        if (width + 2 * Gap > atlasWidth)
        {
            Log::Write("glyph '{}' is {} pixels wide, wider than the atlas", char(glyph->code), width);
            return 0;
        }
        if (x + width + Gap > atlasWidth)
        {
            x = Gap;
            y += rowHeight + Gap;
            rowHeight = 0;
        }
        glyph->x = x;
        glyph->y = y;
        x += width + Gap;
        rowHeight = std::max(rowHeight, height);
    }
    const uint32_t used = y + rowHeight + Gap;
    return (used + 3) / 4 * 4;
}

// White everywhere, the distance in alpha: drawn as a plain image the atlas shows soft glyphs.
std::vector<uint8_t> FillAtlas(const std::vector<Glyph>& glyphs, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> pixels(size_t(width) * height * 4, 0);
    for (size_t i = 0; i < pixels.size(); i += 4)
        pixels[i] = pixels[i + 1] = pixels[i + 2] = 255;
    for (const Glyph& glyph : glyphs)
        for (int row = 0; row < glyph.height; ++row)
            for (int column = 0; column < glyph.width; ++column)
                pixels[((size_t(glyph.y) + row) * width + glyph.x + column) * 4 + 3] =
                    glyph.distances[size_t(row) * glyph.width + column];
    return pixels;
}

void WriteGlyphTable(BufferWriter& writer, const std::vector<Glyph>& glyphs, const SdfFontSettings& settings,
                     uint32_t height)
{
    writer.Write(uint32_t(glyphs.size()));
    for (const Glyph& glyph : glyphs)
    {
        const char name = char(glyph.code);
        writer.WriteString(StringView(&name, 1));
        const bool drawn = !glyph.distances.empty();
        const auto width = float(settings.atlasWidth);
        const float pixelUnits = 1.0f / float(settings.pixelHeight);
        writer.Write(drawn ? float(glyph.x) / width : 0.0f);
        writer.Write(drawn ? float(glyph.y) / float(height) : 0.0f);
        writer.Write(float(glyph.width) / width);
        writer.Write(float(glyph.height) / float(height));
        // The placement measures up from the baseline to the image's bottom edge.
        writer.Write(float(glyph.offsetX) * pixelUnits);
        writer.Write(float(-(glyph.offsetY + glyph.height)) * pixelUnits);
        writer.Write(float(glyph.width) * pixelUnits);
        writer.Write(float(glyph.height) * pixelUnits);
    }
}

void WriteMetrics(BufferWriter& writer, const Font& font)
{
    int ascent = 0, descent = 0, lineGap = 0, spaceAdvance = 0, spaceBearing = 0;
    stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &lineGap);
    stbtt_GetCodepointHMetrics(&font.info, ' ', &spaceAdvance, &spaceBearing);
    writer.Write(font.Units(ascent));
    writer.Write(font.Units(descent));
    writer.Write(font.Units(spaceAdvance));
    writer.Write(font.Units(lineGap));
}

// Codes outside the printable range get no advance and no kerning: they have no glyph either.
void WriteKerning(BufferWriter& writer, const Font& font)
{
    const auto printable = [](uint32_t code) { return code >= FirstCode && code <= LastCode; };
    for (uint32_t first = 0; first < CodeCount; ++first)
    {
        int advance = 0, bearing = 0;
        if (printable(first))
            stbtt_GetCodepointHMetrics(&font.info, int(first), &advance, &bearing);
        writer.Write(font.Units(bearing));
        writer.Write(font.Units(advance));
        for (uint32_t second = 0; second < CodeCount; ++second)
        {
            const int kerning = printable(first) && printable(second)
                                    ? stbtt_GetCodepointKernAdvance(&font.info, int(first), int(second))
                                    : 0;
            writer.Write(font.Units(kerning));
        }
    }
}

} // namespace

bool BakeSdfFont(StringView fontBytes, const SdfFontSettings& settings, Buffer& sdf)
{
    Font font;
    if (settings.pixelHeight == 0 || settings.spread == 0 || !font.Load(fontBytes, settings))
        return false;
    std::vector<Glyph> glyphs;
    DrawGlyphs(font, glyphs);
    const uint32_t height = Pack(glyphs, settings.atlasWidth);
    if (height == 0 || height > Texture::MaximumSize || settings.atlasWidth > Texture::MaximumSize)
    {
        Log::Write("the glyphs do not fit an atlas {} pixels wide", settings.atlasWidth);
        return false;
    }
    const std::vector<uint8_t> pixels = FillAtlas(glyphs, settings.atlasWidth, height);

    BufferWriter writer(SdfFormat::ByteOrder);
    if (!PngFormat::WritePng(writer, pixels.data(), settings.atlasWidth, height, settings.atlasWidth * 4))
        return false;
    WriteGlyphTable(writer, glyphs, settings, height);
    WriteMetrics(writer, font);
    WriteKerning(writer, font);
    sdf = std::move(writer.buffer);
    return true;
}

bool FontRecipe::Bake(const std::string& assets) const
{
    const auto [fontRead, fontBytes] = File::ReadBytes(fontFile);
    const std::string licenceFile = "/usr/share/doc/" + package + "/copyright";
    const auto [licenceRead, licence] = File::ReadAllText(licenceFile);
    if (!fontRead || !licenceRead)
    {
        Log::Write("cannot read {}: is the package {} installed?", fontRead ? licenceFile : fontFile, package);
        return false;
    }
    Buffer sdf;
    if (!BakeSdfFont(fontBytes.View(), settings, sdf))
        return false;
    return WriteAsset(assets, output, sdf) && WriteAsset(assets, "Licenses/" + package + ".txt", StringView(licence));
}

void AddFontRecipes(std::vector<std::unique_ptr<Recipe>>& recipes)
{
    recipes.push_back(std::make_unique<FontRecipe>(
        "Ui/Fonts/HeadingFont.sdf", "/usr/share/fonts/truetype/cabinsketch/CabinSketch-Bold.ttf", "fonts-cabinsketch"));
    recipes.push_back(std::make_unique<FontRecipe>(
        "Ui/Fonts/ScriptFont.sdf", "/usr/share/fonts/opentype/comic-neue/ComicNeue-Regular.otf", "fonts-comic-neue"));
}
