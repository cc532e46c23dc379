#include "Engine/Foundation/Tick.h"
#include "Source/World/Camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

using Lumvek::Rectangle;
using Lumvek::Vector2;

namespace
{

// Improved noise written out again from its published description, in double precision and in the
// other common form: the sum over the eight cell corners of the corner's gradient dotted with the
// offset from it, weighted by the faded distances.
namespace Reference
{

constexpr int Permutation[256] = {
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

// The twelve cube-edge directions by the hash's low four bits, four of them a second time.
constexpr int Gradients[16][3] = {
    {1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
    {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}, {1, 1, 0}, {0, -1, 1}, {-1, 1, 0}, {0, -1, -1},
};

int P(int i)
{
    return Permutation[i & 255];
}

double Smooth(double t)
{
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// From -1 to 1.
double Noise(double x, double y, double z)
{
    const double cell[3] = {std::floor(x), std::floor(y), std::floor(z)};
    const int lattice[3] = {static_cast<int>(cell[0]) & 255, static_cast<int>(cell[1]) & 255,
                            static_cast<int>(cell[2]) & 255};
    const double inside[3] = {x - cell[0], y - cell[1], z - cell[2]};
    double sum = 0.0;
    for (int corner = 0; corner < 8; ++corner)
    {
        const int c[3] = {corner & 1, (corner >> 1) & 1, (corner >> 2) & 1};
        const int hash = P(P(P(lattice[0] + c[0]) + lattice[1] + c[1]) + lattice[2] + c[2]);
        double weight = 1.0;
        double dot = 0.0;
        for (int axis = 0; axis < 3; ++axis)
        {
            const double s = Smooth(inside[axis]);
            weight *= c[axis] ? s : 1.0 - s;
            dot += Gradients[hash & 15][axis] * (inside[axis] - c[axis]);
        }
        sum += weight * dot;
    }
    return sum;
}

} // namespace Reference

constexpr float Frame = Lumvek::TickSeconds;
constexpr float BaseWidth = 16.0f;
constexpr float Aspect = 0.5f;
// Large enough to leave the view alone.
constexpr Rectangle Everywhere{-1000.0f, -1000.0f, 2000.0f, 2000.0f};

} // namespace

TEST(Camera, NoiseMatchesTheReferenceOffTheLatticeAndIsOneHalfOnIt)
{
    // The value the published reference program prints anchors the transcription above.
    ASSERT_NEAR(Reference::Noise(3.14, 42, 7), 0.13691995878400012, 1e-12);
    const std::array<float, 3> points[] = {
        {3.14f, 42.0f, 7.0f},     {0.5f, 0.5f, 0.5f},     {0.25f, 0.0f, 0.0f},       {0.0f, 0.75f, 0.0f},
        {-5.5f, -3.25f, -0.125f}, {255.9f, 1.1f, 254.6f}, {256.3f, 511.8f, -256.2f}, {1000.37f, -77.77f, 13.1f},
    };
    for (const auto& [x, y, z] : points)
        EXPECT_NEAR(ImprovedNoise(x, y, z), (Reference::Noise(x, y, z) + 1.0) / 2.0, 2e-5) << x << " " << y << " " << z;

    const float infinity = std::numeric_limits<float>::infinity();
    const std::array<float, 3> lattice[] = {{1, 2, 3}, {-7, 300, -256}, {1.0e9f, 0, 0}, {infinity, 0, 0}};
    for (const auto& [x, y, z] : lattice)
        EXPECT_EQ(ImprovedNoise(x, y, z), 0.5f) << x << " " << y << " " << z;
}

TEST(Camera, LookAheadTurnsAtTwentyUnitsASecond)
{
    Camera camera;
    camera.lookOffset = Vector2(1.0f, 0.0f);
    const float expected[] = {2.0f / 3.0f, 1.0f / 3.0f, 0.0f, -1.0f / 3.0f, -2.0f / 3.0f, -1.0f, -1.0f};
    for (float x : expected)
    {
        camera.Step(Frame, BaseWidth, Aspect, Vector2(), CameraFocus{Vector2(-1.0f, 0.0f)}, Everywhere);
        EXPECT_NEAR(camera.lookOffset.x, x, 1e-5f);
    }
    // The view looks ahead of a point a unit above the player.
    EXPECT_EQ(camera.position, Vector2(-1.0f, 1.0f));
}

TEST(Camera, ZoomChangesEaseInQuadraticallyUnlessSnapped)
{
    Camera camera;
    const CameraFocus zoomedOut{Vector2(1.0f, 0.0f), 2.0f, 3.0f};
    camera.Step(0.05f, BaseWidth, Aspect, Vector2(), zoomedOut, Everywhere);
    camera.Step(0.05f, BaseWidth, Aspect, Vector2(), zoomedOut, Everywhere);
    // Halfway through the ease, a quarter of the change is done.
    EXPECT_NEAR(camera.zoom.x, 1.25f, 1e-5f);
    EXPECT_NEAR(camera.zoom.y, 1.5f, 1e-5f);
    EXPECT_NEAR(camera.viewSize.x, BaseWidth * 1.25f, 1e-4f);

    // A snap lands on the final zoom and place at once and stops a shake.
    Camera snapped;
    snapped.snap = true;
    snapped.shakeAmplitude = 50.0f;
    snapped.shakeDuration = 1.0f;
    snapped.shakeTime = 1.0f;
    snapped.Step(Frame, BaseWidth, Aspect, Vector2(10.0f, 20.0f), zoomedOut, Everywhere);
    EXPECT_EQ(snapped.viewSize, Vector2(32.0f, 16.0f));
    EXPECT_EQ(snapped.position, Vector2(13.0f, 21.0f));
    EXPECT_EQ(snapped.shakeTime, 0.0f);
    EXPECT_FALSE(snapped.snap);
}

TEST(Camera, TheViewStaysInsideTheWorldBounds)
{
    // The view is 16 by 8 units; the camera sits a unit above the followed point and looks a unit right.
    const std::tuple<Rectangle, Vector2, Vector2> cases[] = {
        {{0, 0, 100, 50}, {50, 20}, {51, 21}},
        {{0, 0, 100, 50}, {-10, -30}, {8, 4}},
        {{0, 0, 100, 50}, {99, 49}, {92, 46}},
        // Bounds smaller than the view: it keeps to their left and bottom edges.
        {{10, 5, 4, 2}, {12, 6}, {18, 9}},
    };
    for (const auto& [bounds, followed, position] : cases)
    {
        Camera camera;
        camera.snap = true;
        camera.Step(Frame, BaseWidth, Aspect, followed, CameraFocus(), bounds);
        EXPECT_EQ(camera.position, position) << followed.x << " " << followed.y;
    }
}

TEST(Camera, AShakeRunsStrongThenFadesAndEnds)
{
    Camera camera;
    camera.lookOffset = Vector2(1.0f, 0.0f);
    camera.shakeAmplitude = 600.0f;
    camera.shakeFrequency = 7.0f;
    camera.shakeDuration = 0.5f;
    camera.shakeTime = 0.5f;
    float strongest = 0.0f;
    for (int frame = 0; frame < 40; ++frame)
    {
        camera.Step(Frame, BaseWidth, Aspect, Vector2(50.0f, 50.0f), CameraFocus(), Everywhere);
        // Full strength (amplitude times the frame) for the first half, falling to nothing by the end.
        const float progress = camera.shakeTime > 0.0f ? 1.0f - camera.shakeTime / 0.5f : 1.0f;
        const float limit = 10.0f * std::min(1.0f, 2.0f - 2.0f * progress) + 1e-5f;
        EXPECT_TRUE(std::fabs(camera.shakeOffset.x) <= limit && std::fabs(camera.shakeOffset.y) <= limit) << frame;
        EXPECT_EQ(camera.position, Vector2(51.0f, 51.0f) + camera.shakeOffset);
        strongest = std::max(strongest, std::fabs(camera.shakeOffset.x) + std::fabs(camera.shakeOffset.y));
    }
    EXPECT_GT(strongest, 0.5f);
    EXPECT_EQ(camera.shakeOffset, Vector2());

    // A shake given a time but no length ends instead of spreading infinities through the view.
    Camera broken;
    broken.shakeAmplitude = 10.0f;
    broken.shakeTime = 1.0f;
    broken.Step(Frame, BaseWidth, Aspect, Vector2(), CameraFocus(), Everywhere);
    EXPECT_TRUE(std::isfinite(broken.position.x) && std::isfinite(broken.position.y));
}

TEST(Camera, TheTransformPutsTheViewCentreAtTheCentreOfItsPixels)
{
    // The whole window, and the top right quarter of a four-way split.
    const std::pair<Rectangle, Vector2> cases[] = {{{0.0f, 0.0f, 1.0f, 1.0f}, {400.0f, 300.0f}},
                                                   {{0.5f, 0.5f, 0.5f, 0.5f}, {600.0f, 450.0f}}};
    for (const auto& [viewRect, pixel] : cases)
    {
        Camera camera;
        camera.viewRect = viewRect;
        camera.pixelRect = {0.0f, 0.0f, 800.0f, 600.0f};
        camera.position = Vector2(10.0f, 5.0f);
        camera.viewSize = Vector2(16.0f, 12.0f);
        camera.baseTransform.m[12] = 1.0f; // applied last, in pixels
        const Lumvek::Matrix4x4 transform = camera.GetTransform();
        const float* m = transform.m;
        const auto apply = [m](Vector2 p)
        { return Vector2(p.x * m[0] + p.y * m[4] + m[12], p.x * m[1] + p.y * m[5] + m[13]); };
        EXPECT_EQ(apply(camera.position), pixel + Vector2(1.0f, 0.0f));
        // The view's half width of the world fills half the view's pixels.
        EXPECT_FLOAT_EQ(apply(camera.position + Vector2(8.0f, 0.0f)).x - pixel.x - 1.0f, 400.0f * viewRect.width);
    }
}
