#pragma once

#include "Source/Tools/Bake/Recipe.h"

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>

// How a distance-field font is drawn into its atlas.
struct SdfFontSettings
{
    // The height from the lowest descender to the highest ascender, in atlas pixels; one font unit.
    uint32_t pixelHeight = 64;
    // How far from an outline, in atlas pixels, the distance field reaches on either side.
    uint32_t spread = 8;
    uint32_t atlasWidth = 512;
};

// Bakes the printable ASCII characters (32 to 126) of a TrueType or OpenType font into the bytes of an
// ".sdf" font: a white PNG atlas whose alpha holds the signed distance to the outline (128 on the
// outline, rising inside and falling outside by 128 / spread per pixel), then every glyph's place and
// placement, the metrics, and the advances and kerning of the 128 character codes, all in font units
// (one unit from descent to ascent). False, with a logged message, for bytes that hold no font or
// glyphs that do not fit the atlas.
bool BakeSdfFont(Lumvek::StringView fontBytes, const SdfFontSettings& settings, Lumvek::Buffer& sdf);

// A distance-field font of the Assets folder, baked from a font file of a Debian package, whose
// licence is copied beside the other licences.
class FontRecipe : public Recipe
{
public:
    FontRecipe(std::string output, std::string fontFile, std::string package)
        : output(std::move(output)), fontFile(std::move(fontFile)), package(std::move(package))
    {
    }

    std::string Name() const override { return output; }
    bool Bake(const std::string& assets) const override;

    std::string output;   // relative to the Assets folder
    std::string fontFile; // absolute
    std::string package;  // its licence is /usr/share/doc/<package>/copyright
    SdfFontSettings settings;
};
