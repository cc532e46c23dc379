#include "Engine/Foundation/Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace Lumvek;

namespace
{

void ExpectNear(const Matrix3x3& a, const Matrix3x3& b)
{
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], 1e-5f) << "element " << i;
}

void ExpectNear(Vector2 a, Vector2 b)
{
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
}

// A row vector (x, y, z, 1) times the matrix, divided by w.
void ExpectProjects(const Matrix4x4& matrix, const float point[3], const float expected[3])
{
    float out[4];
    for (int column = 0; column < 4; ++column)
        out[column] = point[0] * matrix.m[column] + point[1] * matrix.m[4 + column] + point[2] * matrix.m[8 + column] +
                      matrix.m[12 + column];
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(out[i] / out[3], expected[i], 1e-5f) << "component " << i;
}

} // namespace

TEST(Math, SegmentIntersection)
{
    struct Case
    {
        Vector2 a, b, c, d;
        bool meet;
        Vector2 point;
    };
    const Case cases[] = {
        {{0, 0}, {2, 2}, {0, 2}, {2, 0}, true, {1, 1}},
        {{0, 0}, {1, 1}, {1, 1}, {2, 0}, true, {1, 1}},  // shared end point
        {{0, 0}, {4, 0}, {2, -1}, {2, 0}, true, {2, 0}}, // one end touching the other segment
        {{0, 0}, {1, 0}, {2, 0}, {3, 0}, false, {}},     // collinear, apart
        {{0, 0}, {2, 0}, {1, 0}, {3, 0}, false, {}},     // collinear, overlapping
        {{0, 0}, {1, 0}, {0, 1}, {1, 1}, false, {}},     // parallel
        {{0, 0}, {1, 1}, {3, 0}, {2, 1}, false, {}},     // the lines meet beyond both ends
        {{0, 0}, {2, 0}, {1, 0.5f}, {1, 2}, false, {}},  // the lines meet beyond one end
    };
    for (const Case& c : cases)
    {
        Vector2 point(-7, -7);
        EXPECT_EQ(IntersectSegments(c.a, c.b, c.c, c.d, point), c.meet);
        ExpectNear(point, c.meet ? c.point : Vector2(-7, -7));
    }
}

TEST(Math, RectangleContainsOnlyInteriorPoints)
{
    Rectangle rectangle{1, 2, 3, 4};
    EXPECT_TRUE(rectangle.Contains({2, 3}));
    for (Vector2 outside : {Vector2(1, 3), Vector2(4, 3), Vector2(2, 2), Vector2(2, 6), Vector2(0, 0), Vector2(5, 7)})
        EXPECT_FALSE(rectangle.Contains(outside)) << outside.x << " " << outside.y;
}

TEST(Math, SetLengthKeepsDirection)
{
    struct Case
    {
        Vector2 start;
        float length;
        Vector2 result;
    };
    const Case cases[] = {
        {{3, 4}, 5, {3, 4}},     {{0, 2}, 1, {0, 1}},
        {{3, 4}, -10, {-6, -8}}, {{3, 4}, 0.00005f, {0.00015f, 0.0002f}}, // below the threshold: only scaled
        {{0, 0}, 5, {0, 0}},                                              // no direction to keep
    };
    for (const Case& c : cases)
    {
        Vector2 v = c.start;
        v.SetLength(c.length);
        ExpectNear(v, c.result);
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    }
    EXPECT_FLOAT_EQ(Vector2(3, 4).Length(), 5.0f);
}

TEST(Math, SplitScreenLayouts)
{
    struct Case
    {
        uint32_t view, count;
        Rectangle rectangle;
    };
    const Case cases[] = {
        {0, 1, {0, 0, 1, 1}},
        {0, 2, {0, 0.5f, 1, 0.5f}},
        {1, 2, {0, 0, 1, 0.5f}},
        {0, 3, {0, 0.5f, 1, 0.5f}},
        {1, 3, {0, 0, 0.5f, 0.5f}},
        {2, 3, {0.5f, 0, 0.5f, 0.5f}},
        {0, 4, {0, 0.5f, 0.5f, 0.5f}},
        {1, 4, {0.5f, 0.5f, 0.5f, 0.5f}},
        {2, 4, {0, 0, 0.5f, 0.5f}},
        {3, 4, {0.5f, 0, 0.5f, 0.5f}},
        // Outside the layouts: the whole screen.
        {1, 1, {0, 0, 1, 1}},
        {4, 4, {0, 0, 1, 1}},
        {0, 0, {0, 0, 1, 1}},
        {0, 5, {0, 0, 1, 1}},
        {UINT32_MAX, UINT32_MAX, {0, 0, 1, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetSplitScreenRectangle(c.view, c.count), c.rectangle) << c.view << " of " << c.count;
}

TEST(Math, Matrix3x3AppliesTheLeftFactorFirst)
{
    Matrix3x3 rotation;
    rotation.Rotate(std::numbers::pi_v<float> / 2);
    ExpectNear(rotation.TransformPoint({1, 0}), {0, 1});

    Matrix3x3 moveThenScale = Matrix3x3::Translation(2, 0);
    moveThenScale *= Matrix3x3::Scale(2, 3);
    ExpectNear(moveThenScale.TransformPoint({1, 1}), {6, 3});

    ExpectNear(Matrix3x3::Compose(5, -2, 1, 1, 0, 0, 0), Matrix3x3::Translation(5, -2));
    const float px = 3, py = -1, sx = 2, sy = 0.5f, angle = 0.7f, ox = 1.5f, oy = 4;
    Matrix3x3 product = Matrix3x3::Translation(-ox, -oy) * Matrix3x3::Scale(sx, sy) * Matrix3x3::Rotation(angle) *
                        Matrix3x3::Translation(px, py);
    ExpectNear(Matrix3x3::Compose(px, py, sx, sy, angle, ox, oy), product);
    // The origin lands on the position.
    ExpectNear(product.TransformPoint({ox, oy}), {px, py});
}

TEST(Math, Matrix4x4Products)
{
    Matrix3x3 a = Matrix3x3::Compose(3, -1, 2, 0.5f, 0.7f, 1.5f, 4);
    Matrix3x3 b = Matrix3x3::Compose(-2, 6, 1, 3, -1.2f, 0, 2);
    a.m[2] = 0.25f;
    b.m[5] = -0.5f;
    Matrix4x4 expected = (a * b).ToMatrix4x4();
    Matrix4x4 product = a.ToMatrix4x4().Multiply(b.ToMatrix4x4());
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(product.m[i], expected.m[i], 1e-4f) << "element " << i;
    const Matrix4x4 layout = a.ToMatrix4x4();
    const float rows[16] = {a.m[0], a.m[1], 0, a.m[2], a.m[3], a.m[4], 0, a.m[5],
                            0,      0,      1, 0,      a.m[6], a.m[7], 0, a.m[8]};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(layout.m[i], rows[i]) << "element " << i;
    EXPECT_EQ(Matrix4x4().Multiply(layout), layout);
}

TEST(Math, ProjectionsMapTheirVolumes)
{
    Matrix4x4 perspective = Matrix4x4::Perspective(std::numbers::pi_v<float> / 2, 1.5f, 1, 100);
    const float nearPoint[3] = {1, 0, 1}, nearExpected[3] = {1, 0, 0};
    const float farPoint[3] = {0, 100, 100}, farExpected[3] = {0, 1.5f, 1};
    ExpectProjects(perspective, nearPoint, nearExpected);
    ExpectProjects(perspective, farPoint, farExpected);

    Matrix4x4 orthographic = Matrix4x4::Orthographic(800, 600, 10);
    const float corner[3] = {0, 0, 0}, cornerExpected[3] = {-1, -1, 0};
    const float opposite[3] = {800, 600, 10}, oppositeExpected[3] = {1, 1, 1};
    ExpectProjects(orthographic, corner, cornerExpected);
    ExpectProjects(orthographic, opposite, oppositeExpected);
}
