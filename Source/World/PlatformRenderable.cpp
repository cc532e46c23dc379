#include "Source/World/PlatformRenderable.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"
#include "Source/World/Platform.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Lumvek;

namespace
{

constexpr float Epsilon = 0.0001f;

// Complaint kinds of the once-only log.
enum Complaint : uint32_t
{
    BadTileSize = 1,
    BadConveyerSize = 2,
    NoOutline = 3,
    // Plus the piece's image id.
    MissingPiece = 16,
};

// The instances one Draw writes, kept between frames so that drawing allocates nothing once warm.
// Application thread only.
std::vector<PositionInstance>& Scratch()
{
    static std::vector<PositionInstance> instances;
    return instances;
}

// Takes count instances from the buffer at once and copies the scratch list into them.
void Submit(Geometry& buffer, const std::vector<PositionInstance>& instances)
{
    if (instances.empty())
        return;
    const GraphicsBufferRange range =
        GraphicsBuffer::Allocate(buffer, sizeof(PositionInstance), static_cast<uint32_t>(instances.size()));
    if (range.bytes)
        std::memcpy(range.bytes, instances.data(), instances.size() * sizeof(PositionInstance));
}

// The texture rectangle of a piece; a missing piece is named once and gives nothing, so that the
// tile drawn with it is empty.
const UvRectangle* FindPiece(const PlatformDrawTarget& target, uint32_t id)
{
    const TextureRegion* region = target.texture.GetRegion(id);
    if (region && region->uv.width >= 0.0f && region->uv.height >= 0.0f)
        return &region->uv;
    if (target.log.First(&target.texture, MissingPiece + id))
        Log::Write("the platform piece {} is missing from the platform texture", NameTableA().GetName(id));
    return nullptr;
}

PositionInstance Tile(float x, float y, float width, float height, const UvRectangle* uv, float depth)
{
    if (!uv)
        return {x, y, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, depth};
    return {x, y, width, height, uv->x, uv->y, uv->width, uv->height, depth};
}

// A tile pass for a theme whose tile size tiles nothing: the platform's outline stands in for it.
void DrawOutlineInstead(const Rectangle& bounds, const PlatformDrawTarget& target, float depth)
{
    if (target.log.First(&target.theme, BadTileSize))
        Log::Write("the theme {} has the tile size {}: its platforms are drawn as outlines", target.theme.name,
                   target.theme.tileSize);
    const auto* outline = target.texture.FindRegion<TextureNineSliceRegion>(Images::PlatformDraw);
    if (!outline)
    {
        if (target.log.First(&target.texture, NoOutline))
            Log::Write("the platform texture has no outline region PlatformDraw");
        return;
    }
    std::vector<PositionInstance>& out = Scratch();
    out.resize(8);
    PlatformGeometry::WriteOutline(out.data(), bounds, *outline, depth);
    Submit(target.instances, out);
}

// The strip's offset advanced for this draw, or false when the platform draws no strip.
bool PrepareConveyer(PlatformRenderable& renderable, const Platform& platform, const PlatformDrawTarget& target,
                     float dt, float& drawnOffset)
{
    if (!(std::fabs(platform.conveyance) >= Epsilon))
        return false;
    const float pieceSize = target.theme.conveyerSize;
    if (!PlatformGeometry::IsUsableSize(pieceSize))
    {
        if (target.log.First(&target.theme, BadConveyerSize))
            Log::Write("the theme {} has the conveyer size {}: its conveyers are drawn without a strip",
                       target.theme.name, pieceSize);
        return false;
    }
    renderable.conveyerOffset =
        PlatformGeometry::AdvanceConveyer(renderable.conveyerOffset, platform.conveyance, dt, pieceSize);
    drawnOffset = renderable.conveyerOffset < 0.0f ? renderable.conveyerOffset + pieceSize : renderable.conveyerOffset;
    return true;
}

uint32_t StripPieces(bool conveyer, float start, float end, float offset, float pieceSize)
{
    if (!conveyer)
        return 0;
    const uint32_t pieces = PlatformGeometry::CountConveyerPieces(start, end, offset, pieceSize);
    return pieces <= PlatformGeometry::MaximumConveyerPieces ? pieces : 0;
}

void WriteStrip(std::vector<PositionInstance>& out, size_t at, const PlatformDrawTarget& target, float start, float end,
                float top, float offset, float depth)
{
    const UvRectangle none{0.0f, 0.0f, 0.0f, 0.0f};
    const UvRectangle* left = FindPiece(target, Images::ConveyerLeft);
    const UvRectangle* middle = FindPiece(target, Images::ConveyerMiddle);
    const UvRectangle* right = FindPiece(target, Images::ConveyerRight);
    PlatformGeometry::WriteConveyer(out.data() + at, start, end, top, offset, target.theme.conveyerSize,
                                    left ? *left : none, middle ? *middle : none, right ? *right : none, depth);
}

// Platforms of the grid overlapping the strip, leaving out those that do not join: one-way, moving
// and hidden ones.
void CollectTouching(World& world, const Platform& self, const Rectangle& strip, std::vector<Platform*>& list)
{
    list.clear();
    for (Platform& other : world.platformGrid.Query(strip))
        if (&other != &self && !other.oneWay && !other.moving && !other.hidden)
            list.push_back(&other);
}

struct Span
{
    int64_t first = 0;
    int64_t count = 0;
};

// The neighbour's overlap with the edge from start to end, in tiles from the edge's start.
Span SpanOf(float neighbourStart, float neighbourEnd, float edgeStart, float edgeEnd, float tileSize)
{
    const float start = std::max(neighbourStart, edgeStart);
    const float end = std::min(neighbourEnd, edgeEnd);
    if (!(end > start))
        return {};
    return {std::llround((start - edgeStart) / tileSize), std::llround((end - start) / tileSize)};
}

} // namespace

bool OnceLog::First(const void* subject, uint32_t kind)
{
    return said.insert({subject, kind}).second;
}

PlatformRenderable::~PlatformRenderable() = default;

namespace PlatformGeometry
{

bool IsUsableSize(float size)
{
    return std::isfinite(size) && size > 0.0f;
}

Rectangle DrawnBounds(const Rectangle& bounds, float tileSize, bool joined)
{
    Rectangle drawn = bounds;
    if (!IsUsableSize(tileSize))
        return drawn;
    drawn.width = std::max(drawn.width, 2.0f * tileSize);
    if (joined)
        drawn.height = std::max(drawn.height, 2.0f * tileSize);
    return drawn;
}

uint64_t CountTiles(float length, float tileSize)
{
    if (!IsUsableSize(tileSize) || !std::isfinite(length) || !(length > 0.0f))
        return 0;
    const double tiles = std::round(static_cast<double>(length) / tileSize);
    // Past the limit the count is only ever compared with it.
    return tiles < static_cast<double>(MaximumTiles) ? static_cast<uint64_t>(tiles) : MaximumTiles + 1;
}

uint32_t CountConveyerPieces(float start, float end, float offset, float pieceSize)
{
    if (!IsUsableSize(pieceSize) || !std::isfinite(start) || !std::isfinite(end) || !std::isfinite(offset))
        return 0;
    uint32_t pieces = 2;
    float p = start;
    if (offset >= Epsilon)
    {
        ++pieces;
        p = start + offset;
    }
    // The same walk WriteConveyer takes, so that the count matches what it writes to the float.
    while (p + pieceSize < end)
    {
        if (pieces > MaximumConveyerPieces)
            return pieces;
        ++pieces;
        p += pieceSize;
    }
    if (end - p >= Epsilon)
        ++pieces;
    return pieces;
}

float AdvanceConveyer(float offset, float speed, float dt, float pieceSize)
{
    if (!(std::fabs(speed) >= Epsilon))
        return offset;
    const float moved = offset + speed * dt;
    if (!std::isfinite(moved) || !IsUsableSize(pieceSize))
        return 0.0f;
    // What reducing by whole pieces while at or past one piece either way leaves.
    float reduced = std::fmod(moved, pieceSize);
    if (reduced >= pieceSize || reduced <= -pieceSize)
        reduced = 0.0f;
    return reduced;
}

void WriteOutline(PositionInstance* out, const Rectangle& bounds, const TextureNineSliceRegion& region, float last)
{
    const float textureWidth = region.texture && region.texture->width ? float(region.texture->width) : 1.0f;
    const float textureHeight = region.texture && region.texture->height ? float(region.texture->height) : 1.0f;
    const UvRectangle& uv = region.uv;
    // Column and row boundaries of the nine cells; rows run down the image from its top.
    const float columns[4] = {uv.x, uv.x + float(region.left) / textureWidth,
                              uv.x + uv.width - float(region.right) / textureWidth, uv.x + uv.width};
    const float rows[4] = {uv.y, uv.y + float(region.top) / textureHeight,
                           uv.y + uv.height - float(region.bottom) / textureHeight, uv.y + uv.height};
    const auto cell = [&](int column, int row, float x, float y, float width, float height)
    {
        return PositionInstance{x,
                                y,
                                width,
                                height,
                                columns[column],
                                rows[row],
                                columns[column + 1] - columns[column],
                                rows[row + 1] - rows[row],
                                last};
    };
    constexpr float B = OutlineBorder;
    const float x = bounds.x, y = bounds.y, w = bounds.width, h = bounds.height;
    // An outline narrower than its two borders keeps its corners and draws empty edges.
    const float edgeWidth = std::max(w - 2.0f * B, 0.0f);
    const float edgeHeight = std::max(h - 2.0f * B, 0.0f);
    // Image row 2 is the bottom of the picture, drawn at the platform's bottom.
    out[0] = cell(0, 2, x, y, B, B);
    out[1] = cell(2, 2, x + w - B, y, B, B);
    out[2] = cell(0, 0, x, y + h - B, B, B);
    out[3] = cell(2, 0, x + w - B, y + h - B, B, B);
    out[4] = cell(1, 2, x + B, y, edgeWidth, B);
    out[5] = cell(1, 0, x + B, y + h - B, edgeWidth, B);
    out[6] = cell(0, 1, x, y + B, B, edgeHeight);
    out[7] = cell(2, 1, x + w - B, y + B, B, edgeHeight);
}

uint32_t WriteConveyer(PositionInstance* out, float start, float end, float top, float offset, float pieceSize,
                       const UvRectangle& left, const UvRectangle& middle, const UvRectangle& right, float depth)
{
    const uint32_t pieces = CountConveyerPieces(start, end, offset, pieceSize);
    if (pieces == 0 || pieces > MaximumConveyerPieces)
        return 0;
    const float C = pieceSize;
    const float y = top - 0.5f * C;
    uint32_t n = 0;
    float p = start;
    if (offset >= Epsilon)
    {
        const float part = offset / C;
        out[n++] = {
            start,         y,    offset, C, middle.x + (1.0f - part) * middle.width, middle.y, part * middle.width,
            middle.height, depth};
        p = start + offset;
    }
    while (p + C < end)
    {
        out[n++] = {p, y, C, C, middle.x, middle.y, middle.width, middle.height, depth};
        p += C;
    }
    const float remaining = end - p;
    if (remaining >= Epsilon)
        out[n++] = {p, y, remaining, C, middle.x, middle.y, remaining / C * middle.width, middle.height, depth};
    out[n++] = {start, y, C, C, left.x, left.y, left.width, left.height, depth};
    out[n++] = {end - C, y, C, C, right.x, right.y, right.width, right.height, depth};
    return n;
}

} // namespace PlatformGeometry

void PrepareAllPlatforms(World& world)
{
    // Each one finds its neighbours from their bodies, not from what they kept, so one pass in any
    // order joins them all.
    for (Platform& platform : world.platforms.View())
        if (platform.renderable)
            platform.renderable->Prepare(platform, false);
}

void IndependentPlatformRenderable::Prepare(Platform&, bool)
{
    // The drawn rectangle is widened to two tiles when drawn; nothing is kept between draws.
}

void IndependentPlatformRenderable::Draw(Platform& platform, const PlatformDrawTarget& target, float alpha, float dt)
{
    using namespace PlatformGeometry;
    const float depth = platform.oneWay ? OneWayDepth : SolidDepth;
    const float T = target.theme.tileSize;
    const Rectangle bounds = platform.GetBody().GetInterpolatedBounds(alpha);
    const Rectangle drawn = DrawnBounds(bounds, T, false);
    const uint64_t columns = CountTiles(drawn.width, T);
    const uint64_t rows = CountTiles(drawn.height, T);
    if (!IsUsableSize(T) || columns == 0 || (rows + 2) * columns > MaximumTiles)
    {
        DrawOutlineInstead(bounds, target, depth);
        return;
    }

    const float x = drawn.x, y = drawn.y, w = drawn.width, h = drawn.height;
    float offset = 0.0f;
    const bool conveyer = PrepareConveyer(*this, platform, target, dt, offset);
    const uint32_t strip = StripPieces(conveyer, x, x + w, offset, target.theme.conveyerSize);

    const bool oneWay = platform.oneWay;
    const UvRectangle* background = FindPiece(target, oneWay ? Images::OneWayBackground : Images::SolidBackground);
    const UvRectangle* left = FindPiece(target, oneWay ? Images::OneWayLeft : Images::SolidLeft);
    const UvRectangle* right = FindPiece(target, oneWay ? Images::OneWayRight : Images::SolidRight);
    const UvRectangle* leftCorner = FindPiece(target, oneWay ? Images::OneWayLeftCorner : Images::SolidLeftCorner);
    const UvRectangle* rightCorner = FindPiece(target, oneWay ? Images::OneWayRightCorner : Images::SolidRightCorner);
    const UvRectangle* bottom = FindPiece(target, oneWay ? Images::OneWayBottom : Images::SolidBottom);
    const UvRectangle* topLeft = FindPiece(target, Images::TopLeft);
    const UvRectangle* topMiddle = FindPiece(target, Images::TopMiddle);
    const UvRectangle* topRight = FindPiece(target, Images::TopRight);

    std::vector<PositionInstance>& out = Scratch();
    out.clear();
    out.reserve((rows + 2) * columns + strip);
    for (uint64_t r = 0; r < rows; ++r)
        for (uint64_t c = 1; c + 1 < columns; ++c)
            out.push_back(Tile(x + c * T, y + r * T, T, T, background, depth));
    for (uint64_t r = 0; r < rows; ++r)
        out.push_back(Tile(x, y + r * T, T, T, left, depth));
    for (uint64_t r = 0; r < rows; ++r)
        out.push_back(Tile(x + w - T, y + r * T, T, T, right, depth));
    out.push_back(Tile(x, y - T, T, T, leftCorner, depth));
    out.push_back(Tile(x + w - T, y - T, T, T, rightCorner, depth));
    for (uint64_t c = 1; c + 1 < columns; ++c)
        out.push_back(Tile(x + c * T, y - T, T, T, bottom, depth));
    out.push_back(Tile(x - 0.5f * T, y + h - T, 1.5f * T, T, topLeft, depth));
    out.push_back(Tile(x + w - T, y + h - T, 1.5f * T, T, topRight, depth));
    for (uint64_t c = 1; c + 1 < columns; ++c)
        out.push_back(Tile(x + c * T, y + h - T, T, T, topMiddle, depth));
    if (strip > 0)
    {
        const size_t at = out.size();
        out.resize(at + strip);
        WriteStrip(out, at, target, x, x + w, y + h, offset, depth);
    }
    Submit(target.instances, out);
}

void JoinedPlatformRenderable::Prepare(Platform& platform, bool rejoin)
{
    if (rejoin)
        for (Platform* other : joined)
            if (other->renderable)
                other->renderable->Prepare(*other, false);

    leftKinds.clear();
    rightKinds.clear();
    bottomKinds.clear();
    leftPlatforms.clear();
    rightPlatforms.clear();
    bottomPlatforms.clear();
    topPlatforms.clear();
    joined.clear();
    topGaps.clear();
    topStart = topEnd = 0;
    topStartKind = topEndKind = Corner;

    World* world = platform.GetBody().world;
    const ThemeData* theme = world ? world->theme : nullptr;
    const float T = theme ? theme->tileSize : 0.0f;
    // Without a usable tile size there are no tiles to join; the tile pass draws the outline.
    if (!world || !PlatformGeometry::IsUsableSize(T))
        return;

    const Rectangle b = PlatformGeometry::DrawnBounds(platform.GetBody().GetBounds(), T, true);
    const uint64_t columns = PlatformGeometry::CountTiles(b.width, T);
    const uint64_t rows = PlatformGeometry::CountTiles(b.height, T);
    if (columns < 2 || rows == 0 || rows * columns > PlatformGeometry::MaximumTiles)
        return;
    const float left = b.x, right = b.x + b.width, bottom = b.y, top = b.y + b.height;

    constexpr float Near = 0.05f, Far = 0.1f, Depth = Far - Near;
    CollectTouching(*world, platform, {left - Far, bottom + Near, Depth, b.height - 2.0f * Near}, leftPlatforms);
    CollectTouching(*world, platform, {right + Near, bottom + Near, Depth, b.height - 2.0f * Near}, rightPlatforms);
    CollectTouching(*world, platform, {left + Near, bottom - Far, b.width - 2.0f * Near, Depth}, bottomPlatforms);
    CollectTouching(*world, platform, {left + Near, top + Near, b.width - 2.0f * Near, Depth}, topPlatforms);
    const auto byY = [](const Platform* a, const Platform* c) { return a->GetBody().y < c->GetBody().y; };
    const auto byX = [](const Platform* a, const Platform* c) { return a->GetBody().x < c->GetBody().x; };
    std::sort(leftPlatforms.begin(), leftPlatforms.end(), byY);
    std::sort(rightPlatforms.begin(), rightPlatforms.end(), byY);
    std::sort(bottomPlatforms.begin(), bottomPlatforms.end(), byX);
    std::sort(topPlatforms.begin(), topPlatforms.end(), byX);

    const auto boundsOf = [](const Platform* other) { return other->GetBody().GetBounds(); };
    topStart = 0;
    topEnd = static_cast<uint32_t>(columns);
    const auto reachesTop = [&](const std::vector<Platform*>& side)
    {
        if (side.empty())
            return false;
        const Rectangle highest = boundsOf(side.back());
        return highest.y + highest.height >= top - Epsilon;
    };
    if (reachesTop(leftPlatforms))
        topStartKind = Edge;
    if (reachesTop(rightPlatforms))
        topEndKind = Edge;
    // A platform standing at an end of the row shortens it; one standing between the ends leaves a
    // gap, beyond which the row goes on.
    const int64_t columnCount = static_cast<int64_t>(columns);
    for (const Platform* other : topPlatforms)
    {
        const Rectangle cut = boundsOf(other);
        const auto first = static_cast<uint32_t>(std::clamp<int64_t>(std::llround((cut.x - left) / T), 0, columnCount));
        const auto end =
            static_cast<uint32_t>(std::clamp<int64_t>(std::llround((cut.x + cut.width - left) / T), 0, columnCount));
        if (cut.x <= left + Epsilon)
            topStart = std::max(topStart, end);
        else if (cut.x + cut.width >= right - Epsilon)
            topEnd = std::min(topEnd, first);
        else if (first < end)
            topGaps.push_back({first, end});
    }
    topStart = std::min(topStart, topEnd);

    joined.insert(joined.end(), leftPlatforms.begin(), leftPlatforms.end());
    joined.insert(joined.end(), rightPlatforms.begin(), rightPlatforms.end());
    joined.insert(joined.end(), bottomPlatforms.begin(), bottomPlatforms.end());
    joined.insert(joined.end(), topPlatforms.begin(), topPlatforms.end());

    leftKinds.assign(rows, Edge);
    rightKinds.assign(rows, Edge);
    bottomKinds.assign(columns - 2, Edge);

    const auto buildSide = [&](std::vector<uint32_t>& kinds, const std::vector<Platform*>& side, bool isLeft)
    {
        bool bottomReaches = false;
        if (!bottomPlatforms.empty())
        {
            if (isLeft)
                bottomReaches = !(boundsOf(bottomPlatforms.front()).x >= left + Epsilon);
            else
            {
                const Rectangle last = boundsOf(bottomPlatforms.back());
                bottomReaches = !(last.x + last.width <= right - Epsilon);
            }
        }
        const bool sideReachesDown = !side.empty() && !(boundsOf(side.front()).y >= bottom + Epsilon);
        kinds[0] = !bottomReaches && !sideReachesDown ? Corner : bottomReaches ? Edge : Bottom;
        const int64_t count = static_cast<int64_t>(kinds.size());
        for (const Platform* other : side)
        {
            const Rectangle o = boundsOf(other);
            const Span span = SpanOf(o.y, o.y + o.height, bottom, top, T);
            if (span.count <= 0)
                continue;
            const int64_t last = span.first + span.count - 1;
            for (int64_t i = std::max<int64_t>(span.first, 1); i <= last && i < count; ++i)
            {
                if (i == span.first)
                    kinds[i] = JoinStart;
                else if (i == last)
                    kinds[i] = i == count - 1 ? kinds[i] : JoinEnd;
                else
                    kinds[i] = Covered;
            }
            if (last == span.first && last >= 1 && last < count - 1)
                kinds[last] = JoinEnd;
        }
    };
    buildSide(leftKinds, leftPlatforms, true);
    buildSide(rightKinds, rightPlatforms, false);

    const int64_t inner = static_cast<int64_t>(bottomKinds.size());
    for (const Platform* other : bottomPlatforms)
    {
        const Rectangle o = boundsOf(other);
        // Tiles of the row between the corners, counted from the first of them.
        const Span span = SpanOf(o.x, o.x + o.width, left + T, right - T, T);
        if (span.count <= 0 || span.first >= inner)
            continue;
        if (span.count == 1)
        {
            if (span.first == 0)
                bottomKinds[0] = JoinEnd;
            else if (span.first == inner - 1)
                bottomKinds[span.first] = JoinStart;
            continue;
        }
        const int64_t last = span.first + span.count - 1;
        for (int64_t i = span.first; i <= last && i < inner; ++i)
            bottomKinds[i] = i == span.first ? JoinStart : i == last ? JoinEnd : Covered;
    }

    if (rejoin)
        for (Platform* other : joined)
            if (other->renderable)
                other->renderable->Prepare(*other, false);
}

void JoinedPlatformRenderable::Draw(Platform& platform, const PlatformDrawTarget& target, float alpha, float dt)
{
    using namespace PlatformGeometry;
    const float depth = SolidDepth;
    const float T = target.theme.tileSize;
    const Rectangle bounds = platform.GetBody().GetInterpolatedBounds(alpha);
    const Rectangle drawn = DrawnBounds(bounds, T, true);
    const uint64_t columns = CountTiles(drawn.width, T);
    const uint64_t rows = CountTiles(drawn.height, T);
    // Lists prepared for another tile size than the theme's now have do not fit: the outline stands in.
    if (!IsUsableSize(T) || columns < 2 || rows == 0 || rows * columns > MaximumTiles || leftKinds.size() != rows ||
        rightKinds.size() != rows || bottomKinds.size() != columns - 2 || topEnd > columns || topStart > topEnd)
    {
        DrawOutlineInstead(bounds, target, depth);
        return;
    }

    const float x = drawn.x, y = drawn.y, w = drawn.width, h = drawn.height;
    const float stripStart = x + topStart * T, stripEnd = x + topEnd * T;
    float offset = 0.0f;
    const bool conveyer = PrepareConveyer(*this, platform, target, dt, offset);
    const uint32_t strip = StripPieces(conveyer, stripStart, stripEnd, offset, target.theme.conveyerSize);

    const UvRectangle* background = FindPiece(target, Images::SolidBackground);
    const UvRectangle* leftPieces[6] = {background,
                                        FindPiece(target, Images::SolidLeftCorner),
                                        FindPiece(target, Images::SolidJoinLeft),
                                        FindPiece(target, Images::SolidJoinTopLeft),
                                        FindPiece(target, Images::SolidLeft),
                                        FindPiece(target, Images::SolidBottom)};
    const UvRectangle* rightPieces[6] = {background,
                                         FindPiece(target, Images::SolidRightCorner),
                                         FindPiece(target, Images::SolidJoinRight),
                                         FindPiece(target, Images::SolidJoinTopRight),
                                         FindPiece(target, Images::SolidRight),
                                         FindPiece(target, Images::SolidBottom)};
    const UvRectangle* topLeft = FindPiece(target, Images::TopLeft);
    const UvRectangle* topMiddle = FindPiece(target, Images::TopMiddle);
    const UvRectangle* topRight = FindPiece(target, Images::TopRight);

    std::vector<PositionInstance>& out = Scratch();
    out.clear();
    out.reserve(rows * columns - topStart + topEnd + strip);
    for (uint64_t r = 1; r < rows; ++r)
        for (uint64_t c = 1; c + 1 < columns; ++c)
            out.push_back(Tile(x + c * T, y + r * T, T, T, background, depth));
    for (uint64_t r = 0; r < rows; ++r)
        out.push_back(Tile(x, y + r * T, T, T, leftPieces[std::min<uint32_t>(leftKinds[r], 5)], depth));
    for (uint64_t r = 0; r < rows; ++r)
        out.push_back(Tile(x + w - T, y + r * T, T, T, rightPieces[std::min<uint32_t>(rightKinds[r], 5)], depth));
    for (uint64_t c = 0; c + 2 < columns; ++c)
    {
        const uint32_t kind = bottomKinds[c];
        const UvRectangle* piece = kind == JoinStart ? leftPieces[JoinStart]
                                   : kind == JoinEnd ? rightPieces[JoinStart]
                                   : kind == Edge    ? leftPieces[Bottom]
                                                     : background;
        out.push_back(Tile(x + (c + 1) * T, y, T, T, piece, depth));
    }
    size_t gap = 0;
    for (uint32_t u = topStart; u < topEnd; ++u)
    {
        while (gap < topGaps.size() && topGaps[gap].end <= u)
            ++gap;
        if (gap < topGaps.size() && topGaps[gap].first <= u)
            continue;
        const float top = y + h - T;
        if (u == 0)
            out.push_back(topStartKind == Corner ? Tile(x - 0.5f * T, top, 1.5f * T, T, topLeft, depth)
                                                 : Tile(x, top, T, T, topMiddle, depth));
        // A row cut short by a platform on top runs on under it in middle pieces; only the row that
        // reaches the right edge ends there.
        else if (u == topEnd - 1 && topEnd == columns)
            out.push_back(topEndKind == Corner ? Tile(x + w - T, top, 1.5f * T, T, topRight, depth)
                                               : Tile(x + w - T, top, T, T, topMiddle, depth));
        else
            out.push_back(Tile(x + u * T, top, T, T, topMiddle, depth));
    }
    if (strip > 0)
    {
        const size_t at = out.size();
        out.resize(at + strip);
        WriteStrip(out, at, target, stripStart, stripEnd, y + h, offset, depth);
    }
    Submit(target.instances, out);
}
