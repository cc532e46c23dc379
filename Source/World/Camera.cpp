#include "Source/World/Camera.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace Lumvek;

namespace
{

// The permutation of the noise's reference, repeated once so that a lattice index plus one plus a
// hash never needs wrapping.
constexpr std::array<uint8_t, 256> Permutation = {
    151, 160, 137, 91,  90,  15,  131, 13,  201, 95,  96,  53,  194, 233, 7,   225, 140, 36,  103, 30,  69,  142,
    8,   99,  37,  240, 21,  10,  23,  190, 6,   148, 247, 120, 234, 75,  0,   26,  197, 62,  94,  252, 219, 203,
    117, 35,  11,  32,  57,  177, 33,  88,  237, 149, 56,  87,  174, 20,  125, 136, 171, 168, 68,  175, 74,  165,
    71,  134, 139, 48,  27,  166, 77,  146, 158, 231, 83,  111, 229, 122, 60,  211, 133, 230, 220, 105, 92,  41,
    55,  46,  245, 40,  244, 102, 143, 54,  65,  25,  63,  161, 1,   216, 80,  73,  209, 76,  132, 187, 208, 89,
    18,  169, 200, 196, 135, 130, 116, 188, 159, 86,  164, 100, 109, 198, 173, 186, 3,   64,  52,  217, 226, 250,
    124, 123, 5,   202, 38,  147, 118, 126, 255, 82,  85,  212, 207, 206, 59,  227, 47,  16,  58,  17,  182, 189,
    28,  42,  223, 183, 170, 213, 119, 248, 152, 2,   44,  154, 163, 70,  221, 153, 101, 155, 167, 43,  172, 9,
    129, 22,  39,  253, 19,  98,  108, 110, 79,  113, 224, 232, 178, 185, 112, 104, 218, 246, 97,  228, 251, 34,
    242, 193, 238, 210, 144, 12,  191, 179, 162, 241, 81,  51,  145, 235, 249, 14,  239, 107, 49,  192, 214, 31,
    181, 199, 106, 157, 184, 84,  204, 176, 115, 121, 50,  45,  127, 4,   150, 254, 138, 236, 205, 93,  222, 114,
    67,  29,  24,  72,  243, 141, 128, 195, 78,  66,  215, 61,  156, 180,
};

// A typing slip in the table above would leave a value out and repeat another.
static_assert(
    []
    {
        std::array<bool, 256> seen{};
        for (uint8_t value : Permutation)
        {
            if (seen[value])
                return false;
            seen[value] = true;
        }
        return true;
    }());

// Built once at compile time and never written: any thread may read it.
constexpr std::array<int32_t, 512> Doubled = []
{
    std::array<int32_t, 512> table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = Permutation[i % 256];
    return table;
}();

float Fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float Lerp(float t, float a, float b)
{
    return a + t * (b - a);
}

// The dot product of (x, y, z) with one of twelve cube-edge directions picked by the low four bits of
// the hash (four of them twice, to make sixteen).
float Gradient(int32_t hash, float x, float y, float z)
{
    const int32_t h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) == 0 ? u : -u) + ((h & 2) == 0 ? v : -v);
}

// The lattice cell of a coordinate modulo 256, reduced before any integer conversion so that large
// coordinates cannot overflow it.
int32_t LatticeCell(float floored)
{
    return static_cast<int32_t>(floored - 256.0f * std::floor(floored / 256.0f)) & 255;
}

bool FarFrom(float a, float b)
{
    return std::fabs(a - b) >= 0.0001f;
}

} // namespace

float ImprovedNoise(float x, float y, float z)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return 0.5f;
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float fz = std::floor(z);
    const int32_t cellX = LatticeCell(fx);
    const int32_t cellY = LatticeCell(fy);
    const int32_t cellZ = LatticeCell(fz);
    x -= fx;
    y -= fy;
    z -= fz;
    const float u = Fade(x);
    const float v = Fade(y);
    const float w = Fade(z);
    const int32_t a = Doubled[cellX] + cellY;
    const int32_t aa = Doubled[a] + cellZ;
    const int32_t ab = Doubled[a + 1] + cellZ;
    const int32_t b = Doubled[cellX + 1] + cellY;
    const int32_t ba = Doubled[b] + cellZ;
    const int32_t bb = Doubled[b + 1] + cellZ;
    const float front = Lerp(v, Lerp(u, Gradient(Doubled[aa], x, y, z), Gradient(Doubled[ba], x - 1, y, z)),
                             Lerp(u, Gradient(Doubled[ab], x, y - 1, z), Gradient(Doubled[bb], x - 1, y - 1, z)));
    const float back =
        Lerp(v, Lerp(u, Gradient(Doubled[aa + 1], x, y, z - 1), Gradient(Doubled[ba + 1], x - 1, y, z - 1)),
             Lerp(u, Gradient(Doubled[ab + 1], x, y - 1, z - 1), Gradient(Doubled[bb + 1], x - 1, y - 1, z - 1)));
    return (Lerp(w, front, back) + 1.0f) * 0.5f;
}

Vector2 ViewToWindow(Vector2 centre, Vector2 size, const Rectangle& viewport, Vector2 point)
{
    const float u = (point.x - (centre.x - size.x / 2.0f)) / size.x;
    const float v = 1.0f - (point.y - (centre.y - size.y / 2.0f)) / size.y;
    return {viewport.x + u * viewport.width, viewport.y + v * viewport.height};
}

void Camera::Step(float dt, float baseWidth, float viewAspect, Vector2 followedPosition, const CameraFocus& focus,
                  const Rectangle& bounds)
{
    targetPosition = followedPosition;

    const Vector2 toAim = focus.aimDirection - lookOffset;
    const float distance = std::sqrt(Dot(toAim, toAim));
    const float reach = LookSpeed * dt;
    if (snap || reach > distance)
        lookOffset = focus.aimDirection;
    else
        lookOffset += toAim * (reach / distance);

    clock += dt;
    if (shakeTime > dt && !snap)
    {
        shakeTime -= dt;
        // A shake without a length is over at once rather than a division by zero.
        const float progress = shakeDuration > 0.0f ? 1.0f - shakeTime / shakeDuration : 1.0f;
        const float walk = progress * shakeFrequency + clock;
        // Full strength for the first half, fading to nothing over the second.
        const float fade = (1.0f - std::clamp(2.0f * progress - 1.0f, 0.0f, 1.0f)) * shakeAmplitude * dt;
        shakeOffset = Vector2((2.0f * ImprovedNoise(walk, 0.0f, 0.0f) - 1.0f) * fade,
                              (2.0f * ImprovedNoise(0.0f, walk, 0.0f) - 1.0f) * fade);
    }
    else
    {
        shakeAmplitude = 0.0f;
        shakeFrequency = 0.0f;
        shakeDuration = 0.0f;
        shakeTime = 0.0f;
        shakeOffset = Vector2();
    }

    if (FarFrom(focus.cameraZoom, zoomTo.x) || FarFrom(focus.weaponZoom, zoomTo.y))
    {
        zoomFrom = zoom;
        zoomTo = Vector2(focus.cameraZoom, focus.weaponZoom);
        zoomTime = ZoomEaseTime;
    }
    if (zoomTime > dt && !snap)
    {
        zoomTime -= dt;
        const float t = 1.0f - zoomTime / ZoomEaseTime;
        zoom = zoomFrom + (zoomTo - zoomFrom) * (t * t);
    }
    else
    {
        zoom = zoomTo;
        zoomFrom = zoomTo;
        zoomTime = 0.0f;
    }

    snap = false;
    position = targetPosition + Vector2(0.0f, 1.0f) + lookOffset * zoom.y;
    viewSize = Vector2(baseWidth * zoom.x, baseWidth * viewAspect * zoom.x);

    // A view larger than the bounds keeps to their left and bottom edges.
    const float halfWidth = viewSize.x * 0.5f;
    const float halfHeight = viewSize.y * 0.5f;
    if (position.x - halfWidth < bounds.x)
        position.x = bounds.x + halfWidth;
    else if (position.x + halfWidth > bounds.x + bounds.width)
        position.x = bounds.x + bounds.width - halfWidth;
    if (position.y - halfHeight < bounds.y)
        position.y = bounds.y + halfHeight;
    else if (position.y + halfHeight > bounds.y + bounds.height)
        position.y = bounds.y + bounds.height - halfHeight;

    position += shakeOffset;
}

Matrix4x4 Camera::GetTransform() const
{
    Matrix4x4 translation;
    translation.m[12] = viewSize.x * viewRect.x / viewRect.width + viewSize.x * 0.5f - position.x;
    translation.m[13] = viewSize.y * viewRect.y / viewRect.height + viewSize.y * 0.5f - position.y;
    Matrix4x4 scaling;
    scaling.m[0] = viewRect.width * pixelRect.width / viewSize.x;
    scaling.m[5] = viewRect.height * pixelRect.height / viewSize.y;
    return translation.Multiply(scaling).Multiply(baseTransform);
}

Vector2 Camera::ToWindow(Vector2 point, float windowHeight) const
{
    // The pixel rectangle counts its rows up from the window's bottom.
    return ViewToWindow(
        position, viewSize,
        {pixelRect.x, windowHeight - (pixelRect.y + pixelRect.height), pixelRect.width, pixelRect.height}, point);
}
