#pragma once

#include "Engine/Foundation/Blueprint.h"

#include <cstdint>

namespace Lumvek
{
class Texture;
}

class Data;

// How a map element's image covers the element's area: repeated in tiles of a size in world units
// along either axis, or stretched as a nine-slice with margins in pixels of the image. Hazards,
// triggers and zones each hold one.
struct TiledImage
{
    // "TileSize", "TileHorizontally", "TileVertically", "NineSliceLeft", "NineSliceRight",
    // "NineSliceBottom", "NineSliceTop"; absent or mistyped keys keep their fields.
    void Read(Lumvek::BlueprintReader& reader);
    // Only what is in use: the tile size when tiling or nine-slicing, each tiling flag that is set, and
    // the four margins together when any is not 0.
    void Write(Lumvek::BlueprintWriter& writer) const;
    // Loads the definition's "Image" into the region imageId of the texture, as a nine-slice region
    // when a margin is set.
    void LoadImage(const Data& definition, Lumvek::Texture& texture, uint32_t imageId) const;

    bool IsNineSliced() const { return nineSliceLeft || nineSliceRight || nineSliceBottom || nineSliceTop; }
    bool IsInUse() const { return tileHorizontally || tileVertically || IsNineSliced(); }

    float tileSize = 0.5f;
    bool tileHorizontally = false;
    bool tileVertically = false;
    uint32_t nineSliceLeft = 0;
    uint32_t nineSliceRight = 0;
    uint32_t nineSliceBottom = 0;
    uint32_t nineSliceTop = 0;
};
