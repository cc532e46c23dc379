#include "Engine/Foundation/SdfFormat.h"

#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Log.h"

#include <string>

namespace Lumvek
{

namespace
{

// Reads the floats in turn, stopping at the first that is not there; false when one was missing.
template <class... Floats> bool ReadFloats(BufferReader& reader, Floats&... values)
{
    return (reader.Read(values) && ...);
}

// The glyph table: a glyph whose name holds no character code of ours still has its eight values
// read past, so the entries after it stay in step.
bool ReadGlyphs(BufferReader& reader, TextureFontRegion& font)
{
    uint32_t count = 0;
    if (!reader.Read(count))
        return false;
    for (uint32_t entry = 0; entry < count; ++entry)
    {
        std::string name;
        if (!reader.ReadString(name))
            return false;
        FontGlyph ignored;
        const auto code = name.empty() ? TextureFontRegion::GlyphCount : static_cast<uint8_t>(name[0]);
        FontGlyph& glyph = code < TextureFontRegion::GlyphCount ? font.glyphs[code] : ignored;
        if (!ReadFloats(reader, glyph.uv.x, glyph.uv.y, glyph.uv.width, glyph.uv.height, glyph.offsetX, glyph.offsetY,
                        glyph.width, glyph.height))
            return false;
    }
    return true;
}

bool ReadMetrics(BufferReader& reader, TextureFontRegion& font)
{
    float lineGap = 0.0f;
    if (!ReadFloats(reader, font.ascent, font.descent, font.spaceAdvance, lineGap))
        return false;
    font.lineHeight = font.ascent - font.descent + lineGap;
    return true;
}

void ReadKerning(BufferReader& reader, TextureFontRegion& font)
{
    for (FontGlyph& glyph : font.glyphs)
    {
        if (!ReadFloats(reader, glyph.bearing, glyph.advance))
            return;
        for (uint32_t following = 0; following < TextureFontRegion::GlyphCount; ++following)
        {
            float amount = 0.0f;
            if (!reader.Read(amount))
                return;
            glyph.SetKerning(static_cast<uint8_t>(following), amount);
        }
    }
}

} // namespace

bool SdfFormat::Read(BufferReader& reader, Texture& texture)
{
    const TextureHeader header = PngFormat::ReadPngHeader(reader);
    if (header.width == 0 || header.height == 0)
        return false;
    if (!texture.SetSize(header.width, header.height, TextureFormat::ColorBuffer4x8))
    {
        Log::Write("png image of {} x {} is larger than a texture can be", header.width, header.height);
        return false;
    }
    auto* font = texture.AddRegionOf<TextureFontRegion>(InvalidId, 0, 0);
    if (!PngRegionFormat::ReadPng(reader, *font))
        return false;
    if (ReadGlyphs(reader, *font) && ReadMetrics(reader, *font))
        ReadKerning(reader, *font);
    return true;
}

} // namespace Lumvek
