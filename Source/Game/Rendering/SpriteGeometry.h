#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Game/Rendering/RenderRecords.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{
class TextureNineSliceRegion;
}

// How a sprite covers its body's quad: the parts it is cut into and the tiles that repeat them. Pure
// geometry in world units measured from the quad's lower-left corner, apart from the instances they
// become.
namespace SpriteGeometry
{

// A sprite never takes more instances than this; a tile size that would ask for more draws its part
// once, stretched.
constexpr uint64_t MaximumTiles = 4096;

// A rectangle of the quad and the texture rectangle drawn over it.
struct Part
{
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    TextureRectangle texture;
};

// A usable tile length: finite and above zero.
bool IsUsableTile(float length);
// Tiles covering a part of that size: ceil(width / tileWidth) x ceil(height / tileHeight), 1 for an
// empty part. Past MaximumTiles (or for an unusable tile) the answer is above MaximumTiles.
uint64_t CountTiles(float width, float height, float tileWidth, float tileHeight);
// Covers the part with tiles of the size, each showing the whole texture rectangle, the last column
// and row cut (with their texture rectangle) where they pass the part's edge. Appends them to out.
void AppendTiles(const Part& part, float tileWidth, float tileHeight, std::vector<Part>& out);

// The nine parts of a nine-slice region stretched over a quad of width x height: four corners, then
// the left, right, bottom and top edges, then the centre. The left border is tileSize wide and the
// other borders keep their pixel proportions to it. Edges repeat along their length and the centre
// along an axis whose flag is set; otherwise they stretch. Appends the tiles to out.
void AppendNineSlice(const Lumvek::TextureNineSliceRegion& region, float width, float height, float tileSize,
                     bool tileX, bool tileY, std::vector<Part>& out);

// A plain picture of pixelWidth x pixelHeight repeated over a quad of width x height: tileSize world
// units to the picture's width and its height in proportion. Along an axis whose flag is set the
// picture repeats at that size; along one without it spans the quad. Appends the tiles to out.
void AppendPlainTiles(const TextureRectangle& texture, uint32_t pixelWidth, uint32_t pixelHeight, float width,
                      float height, float tileSize, bool tileX, bool tileY, std::vector<Part>& out);

// The part's transform: the quad's unit square transform narrowed to the part.
Lumvek::Matrix3x3 PartTransform(const Part& part, float quadWidth, float quadHeight, const Lumvek::Matrix3x3& quad);

} // namespace SpriteGeometry
