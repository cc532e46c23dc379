#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/Texture.h"

namespace Lumvek
{

// Signed-distance-field fonts: a PNG of the glyphs, then each glyph's place and placement, the
// font's metrics and the advances and kerning of the 128 character codes. Read into a texture of
// the image's size whose whole-image region is a TextureFontRegion. Fonts are made by our asset
// generator, never saved by the engine.
class SdfFormat : public BinaryFormat<Texture, ReversedOrder>
{
public:
    using BinaryFormat::BinaryFormat;

    // A table cut short leaves what follows the cut at zero and still reads as a font; only a
    // missing or unreadable image fails.
    bool Read(BufferReader& reader, Texture& texture) override;
    bool Write(BufferWriter&, const Texture&) override { return true; }
};

} // namespace Lumvek
