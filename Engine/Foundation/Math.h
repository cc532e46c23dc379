#pragma once

#include <cstdint>

namespace Lumvek
{

// A point or size in the plane.
struct Vector2
{
    float x = 0.0f;
    float y = 0.0f;

    constexpr Vector2() = default;
    constexpr Vector2(float x, float y) : x(x), y(y) {}

    float Length() const;
    // Keeps the direction and gives the vector this length. A zero vector has no direction and
    // stays zero.
    void SetLength(float length);

    constexpr Vector2 operator-() const { return {-x, -y}; }
    constexpr Vector2& operator+=(Vector2 other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }
    constexpr Vector2& operator-=(Vector2 other)
    {
        x -= other.x;
        y -= other.y;
        return *this;
    }
    constexpr Vector2& operator*=(float factor)
    {
        x *= factor;
        y *= factor;
        return *this;
    }
    constexpr Vector2& operator/=(float divisor)
    {
        x /= divisor;
        y /= divisor;
        return *this;
    }
    constexpr bool operator==(const Vector2&) const = default;
};

constexpr Vector2 operator+(Vector2 a, Vector2 b)
{
    return a += b;
}

constexpr Vector2 operator-(Vector2 a, Vector2 b)
{
    return a -= b;
}

constexpr Vector2 operator*(Vector2 a, float factor)
{
    return a *= factor;
}

constexpr Vector2 operator*(float factor, Vector2 a)
{
    return a *= factor;
}

constexpr Vector2 operator/(Vector2 a, float divisor)
{
    return a /= divisor;
}

constexpr float Dot(Vector2 a, Vector2 b)
{
    return a.x * b.x + a.y * b.y;
}

// The z component of the 3-D cross product: positive when b turns counter-clockwise from a.
constexpr float Cross(Vector2 a, Vector2 b)
{
    return a.x * b.y - a.y * b.x;
}

// An angle in radians. A type of its own so that overloads tell it from a plain float: its text
// form in files is "Degrees({})" or "Radians({})".
struct Angle
{
    float radians = 0.0f;

    constexpr bool operator==(const Angle&) const = default;
};

// Where a bone sits relative to its parent: a position and a rotation in radians.
struct BoneTransform
{
    float x = 0.0f;
    float y = 0.0f;
    float angle = 0.0f;

    constexpr bool operator==(const BoneTransform&) const = default;
};

// An axis-aligned rectangle from its corner (x, y) and its size.
struct Rectangle
{
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;

    // Strictly inside: a point on an edge is outside.
    bool Contains(Vector2 point) const;

    constexpr bool operator==(const Rectangle&) const = default;
};

// Where segment a-b meets segment c-d, ends included. Parallel segments never meet, overlapping
// collinear ones included. The point is written only when they meet.
bool IntersectSegments(Vector2 a, Vector2 b, Vector2 c, Vector2 d, Vector2& point);

// The part of the screen, in units of the whole screen, that shows one of count local players'
// views. Counts of one to four are laid out; any other view and count pair gets the whole screen.
Rectangle GetSplitScreenRectangle(uint32_t view, uint32_t count);

struct Matrix4x4;

// A 2-D transform, row-major (element 3 * row + column). Points are row vectors (x, y, 1)
// multiplied on the left, so a product A * B applies A first and the translation is in row 2.
// Angles are in radians.
struct Matrix3x3
{
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    static Matrix3x3 Translation(float x, float y);
    static Matrix3x3 Scale(float x, float y);
    static Matrix3x3 Rotation(float angle);
    // Moves a point by minus the origin, scales it, rotates it, then moves it to the position.
    static Matrix3x3 Compose(float positionX, float positionY, float scaleX, float scaleY, float rotation,
                             float originX, float originY);

    // this = this * Rotation(angle).
    void Rotate(float angle);
    Matrix3x3& operator*=(const Matrix3x3& other);
    Vector2 TransformPoint(Vector2 point) const;
    Matrix4x4 ToMatrix4x4() const;

    bool operator==(const Matrix3x3&) const = default;
};

Matrix3x3 operator*(const Matrix3x3& a, const Matrix3x3& b);

// A 3-D transform or projection with the same conventions as Matrix3x3 (element 4 * row + column).
struct Matrix4x4
{
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    // A perspective projection with a horizontal field of view; depth maps near to 0 and far to 1.
    static Matrix4x4 Perspective(float fieldOfView, float aspectRatio, float near, float far);
    // Maps x from 0..width and y from 0..height to -1..1, and z from 0..depth to 0..1.
    static Matrix4x4 Orthographic(float width, float height, float depth);

    // this * other.
    Matrix4x4 Multiply(const Matrix4x4& other) const;

    bool operator==(const Matrix4x4&) const = default;
};

} // namespace Lumvek
