#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/Texture.h"

namespace Lumvek
{

class ReadReport;

// Texture descriptions: LON documents that say how to build a texture and its regions (a plain
// image, an atlas packed from named images, a sheet of frames cut by count or by size, a nine-slice
// image or a streaming texture). The images they name are loaded by their own formats through the
// file manager. Descriptions are written by hand, never saved by the engine.
class LtdFormat : public BlueprintFormat<Texture, TextureHeader>
{
public:
    using BlueprintFormat::BlueprintFormat;

    // Parses the file's text. A text that does not parse is logged with the file, line and column and
    // builds nothing; a value the description cannot take (a word, a negative size, `0x2`, `1e400`) is
    // logged with the file and its path and costs only its own key, and a key written twice is named.
    void Load(StringView path, StringView bytes, Texture& texture) override;
    // A faulty description builds nothing; a faulty region of an atlas is skipped alone.
    bool Read(const Blueprint& tree, Texture& texture) override;
    bool Write(Blueprint&, const Texture&) override { return true; }

private:
    bool Read(const Blueprint& tree, Texture& texture, ReadReport* report);
};

} // namespace Lumvek
