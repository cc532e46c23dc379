#include "Source/World/Collision.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Collision
{

namespace
{

float Turn(const b2Vec2& o, const b2Vec2& a, const b2Vec2& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

} // namespace

bool SetPolygon(b2PolygonShape& shape, const b2Vec2* points, int32 count)
{
    if (count < 3 || count > b2_maxPolygonVertices)
        return false;
    // Box2D welds points closer than half its linear slop and needs three left; so must we.
    const float weld = 0.5f * b2_linearSlop;
    b2Vec2 distinct[b2_maxPolygonVertices];
    int32 n = 0;
    for (int32 i = 0; i < count; ++i)
    {
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y))
            return false;
        bool unique = true;
        for (int32 j = 0; j < n && unique; ++j)
            unique = b2DistanceSquared(points[i], distinct[j]) >= weld * weld;
        if (unique)
            distinct[n++] = points[i];
    }
    if (n < 3)
        return false;
    // The hull's area, as Box2D's centroid needs it above its epsilon.
    // At most eight points: an insertion sort by x, then y (std::sort's unrolled loops make g++'s
    // release build warn about bounds it cannot see).
    for (int32 i = 1; i < n; ++i)
    {
        const b2Vec2 point = distinct[i];
        int32 j = i;
        for (; j > 0 && (point.x < distinct[j - 1].x || (point.x == distinct[j - 1].x && point.y < distinct[j - 1].y));
             --j)
            distinct[j] = distinct[j - 1];
        distinct[j] = point;
    }
    b2Vec2 hull[2 * b2_maxPolygonVertices];
    int32 k = 0;
    for (int32 i = 0; i < n; ++i)
    {
        while (k >= 2 && Turn(hull[k - 2], hull[k - 1], distinct[i]) <= 0.0f)
            --k;
        hull[k++] = distinct[i];
    }
    for (int32 i = n - 2, lower = k + 1; i >= 0; --i)
    {
        while (k >= lower && Turn(hull[k - 2], hull[k - 1], distinct[i]) <= 0.0f)
            --k;
        hull[k++] = distinct[i];
    }
    const int32 hullCount = k - 1;
    if (hullCount < 3)
        return false;
    float area = 0.0f;
    for (int32 i = 0; i < hullCount; ++i)
        area += b2Cross(hull[i], hull[(i + 1) % hullCount]);
    if (!(area * 0.5f > 4.0f * b2_epsilon) || !std::isfinite(area))
        return false;
    shape.Set(hull, hullCount);
    return true;
}

bool IsValidBox(float centerX, float centerY, float halfWidth, float halfHeight)
{
    return std::isfinite(centerX) && std::isfinite(centerY) && std::isfinite(halfWidth) && std::isfinite(halfHeight) &&
           halfWidth > 0.0f && halfHeight > 0.0f;
}

} // namespace Collision
