#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/Texture.h"

namespace Lumvek
{

// Texture descriptions: LON documents that say how to build a texture and its regions (a plain
// image, an atlas packed from named images, a sheet of frames cut by count or by size, a nine-slice
// image or a streaming texture). The images they name are loaded by their own formats through the
// file manager. Descriptions are written by hand, never saved by the engine.
class LtdFormat : public BlueprintFormat<Texture, TextureHeader>
{
public:
    using BlueprintFormat::BlueprintFormat;

    // A faulty description builds nothing; a faulty region of an atlas is skipped alone.
    bool Read(const Blueprint& tree, Texture& texture) override;
    bool Write(Blueprint&, const Texture&) override { return true; }
};

} // namespace Lumvek
