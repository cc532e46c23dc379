#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace Lumvek
{
class Geometry;
class Texture;
class TextureNineSliceRegion;
struct UvRectangle;
} // namespace Lumvek

class ThemeData;
class World;
struct Platform;

// One instance of the platform pass: a textured rectangle in world units. The last field is the
// depth under the tile material and the draw-in progress under the outline material. The shaders
// read these 36 bytes as they are.
struct PositionInstance
{
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    float uWidth = 0.0f;
    float vHeight = 0.0f;
    float last = 0.0f;

    bool operator==(const PositionInstance&) const = default;
};
static_assert(sizeof(PositionInstance) == 36, "the platform materials read 36-byte instances");

// Remembers which complaints a renderer has already logged, so that bad content is named once and
// not every frame. Owned by the renderer; application thread only.
class OnceLog
{
public:
    // True the first time the subject and kind are seen since the last Clear.
    bool First(const void* subject, uint32_t kind);
    void Clear() { said.clear(); }

private:
    std::set<std::pair<const void*, uint32_t>> said;
};

// What the platform pass hands each renderable: the shared instance buffer, the platform texture with
// the theme's pieces and the outline, the match's theme and the renderer's once-only log.
struct PlatformDrawTarget
{
    Lumvek::Geometry& instances;
    const Lumvek::Texture& texture;
    const ThemeData& theme;
    OnceLog& log;
};

// How a platform draws its tiles. Made by the world's platform factory (none on a dedicated server
// or for a hidden platform), owned by its platform and prepared again whenever the world asks.
// Application thread only, except that the match loader prepares renderables while it fills a
// world nothing draws yet.
class PlatformRenderable
{
public:
    PlatformRenderable() = default;
    PlatformRenderable(const PlatformRenderable&) = delete;
    PlatformRenderable& operator=(const PlatformRenderable&) = delete;
    virtual ~PlatformRenderable();

    // Called when the platform is made or changes; rejoin also prepares the platforms it touches.
    virtual void Prepare(Platform& platform, bool rejoin) = 0;
    // Appends the platform's instances for the body's bounds at alpha; dt scrolls a conveyer.
    virtual void Draw(Platform& platform, const PlatformDrawTarget& target, float alpha, float dt) = 0;

    // The scroll of the conveyer strip, in world units within one conveyer piece.
    float conveyerOffset = 0.0f;
};

// A platform drawn on its own: moving and one-way platforms.
class IndependentPlatformRenderable final : public PlatformRenderable
{
public:
    void Prepare(Platform& platform, bool rejoin) override;
    void Draw(Platform& platform, const PlatformDrawTarget& target, float alpha, float dt) override;
};

// A solid platform drawn together with the solid platforms that touch it, so that touching blocks
// read as one mass: its edge tiles join where a neighbour covers them.
class JoinedPlatformRenderable final : public PlatformRenderable
{
public:
    // Tile kinds of the side columns and the bottom row.
    enum Kind : uint32_t
    {
        Covered = 0,
        Corner = 1,
        JoinStart = 2,
        JoinEnd = 3,
        Edge = 4,
        Bottom = 5,
    };

    void Prepare(Platform& platform, bool rejoin) override;
    void Draw(Platform& platform, const PlatformDrawTarget& target, float alpha, float dt) override;

    // From the bottom up, one per row.
    std::vector<uint32_t> leftKinds;
    std::vector<uint32_t> rightKinds;
    // The tiles between the two bottom corners, from the left.
    std::vector<uint32_t> bottomKinds;
    // Columns first to end - 1 of the top row.
    struct ColumnSpan
    {
        uint32_t first = 0;
        uint32_t end = 0;
    };

    // The top row runs over the columns topStart to topEnd - 1; its ends are Corner (drawn wider) or
    // Edge (a neighbour reaches as high).
    uint32_t topStartKind = Corner;
    uint32_t topEndKind = Corner;
    uint32_t topStart = 0;
    uint32_t topEnd = 0;
    // Where platforms stand on the row between its ends, from the left: the row stops under each and
    // resumes beyond it.
    std::vector<ColumnSpan> topGaps;
    // The usable platforms touching each edge, ordered along it, and all of them together.
    std::vector<Platform*> leftPlatforms;
    std::vector<Platform*> rightPlatforms;
    std::vector<Platform*> bottomPlatforms;
    std::vector<Platform*> topPlatforms;
    std::vector<Platform*> joined;
};

// Prepares every platform of the world again, as when the map has loaded: what a renderable keeps is
// sized by the theme's tile size, so a change of it must reach them all.
void PrepareAllPlatforms(World& world);

namespace PlatformGeometry
{

// Depths of the tile pass: one-way platforms behind solid ones.
constexpr float OneWayDepth = 90.0f;
constexpr float SolidDepth = 80.0f;
// The outline's border, in world units.
constexpr float OutlineBorder = 0.25f;
// No platform draws more tiles than this; a tile size that would ask for more is unusable.
constexpr uint64_t MaximumTiles = 1u << 16;
// No conveyer strip draws more pieces than this.
constexpr uint64_t MaximumConveyerPieces = 1u << 12;

// A size the theme can tile with: finite and above zero.
bool IsUsableSize(float size);
// The rectangle a platform's tiles cover: at least two tiles wide (and, when joined, high), so that
// both end pieces fit. The body itself keeps its size: the simulation must not depend on whether a
// renderer exists.
Lumvek::Rectangle DrawnBounds(const Lumvek::Rectangle& bounds, float tileSize, bool joined);
// Whole tiles along a length, rounded to the nearest; 0 for a length or tile size that gives none.
uint64_t CountTiles(float length, float tileSize);
// Instances the conveyer strip from start to end takes at the offset, both end pieces included; 0
// for an unusable piece size.
uint32_t CountConveyerPieces(float start, float end, float offset, float pieceSize);
// The offset after dt at the speed, brought into (-C, C); a speed under 0.0001 leaves it, and an
// offset or step that is not finite starts again at 0.
float AdvanceConveyer(float offset, float speed, float dt, float pieceSize);

// The eight border pieces of the nine-slice outline around the rectangle (the centre is left out),
// each carrying last in its last field.
void WriteOutline(PositionInstance* out, const Lumvek::Rectangle& bounds, const Lumvek::TextureNineSliceRegion& region,
                  float last);

// The strip of conveyer pieces along a platform's top from start to end: a partial piece for the
// offset, whole pieces, a partial last piece, then the two end pieces. Returns the instances written,
// CountConveyerPieces of them.
uint32_t WriteConveyer(PositionInstance* out, float start, float end, float top, float offset, float pieceSize,
                       const Lumvek::UvRectangle& left, const Lumvek::UvRectangle& middle,
                       const Lumvek::UvRectangle& right, float depth);

} // namespace PlatformGeometry
