#include "Engine/Foundation/Math.h"

#include <cmath>

namespace Lumvek
{

float Vector2::Length() const
{
    return std::sqrt(x * x + y * y);
}

void Vector2::SetLength(float length)
{
    // A length this close to zero is applied as a plain factor, without normalising first.
    if (std::fabs(length) >= 0.0001f)
    {
        float current = Length();
        if (current == 0.0f)
            return;
        x /= current;
        y /= current;
    }
    x *= length;
    y *= length;
}

bool Rectangle::Contains(Vector2 point) const
{
    return x < point.x && point.x < x + width && y < point.y && point.y < y + height;
}

bool IntersectSegments(Vector2 a, Vector2 b, Vector2 c, Vector2 d, Vector2& point)
{
    Vector2 r = b - a;
    Vector2 s = d - c;
    Vector2 q = a - c;
    float denominator = Cross(r, s);
    if (denominator == 0.0f)
        return false;
    float t = Cross(s, q) / denominator;
    float u = Cross(r, q) / denominator;
    if (t < 0.0f || t > 1.0f || u < 0.0f || u > 1.0f)
        return false;
    point = a + t * r;
    return true;
}

Rectangle GetSplitScreenRectangle(uint32_t view, uint32_t count)
{
    static constexpr Rectangle layouts[4][4] = {
        {{0, 0, 1, 1}},
        {{0, 0.5f, 1, 0.5f}, {0, 0, 1, 0.5f}},
        {{0, 0.5f, 1, 0.5f}, {0, 0, 0.5f, 0.5f}, {0.5f, 0, 0.5f, 0.5f}},
        {{0, 0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f, 0.5f}, {0, 0, 0.5f, 0.5f}, {0.5f, 0, 0.5f, 0.5f}},
    };
    if (count < 1 || count > 4 || view >= count)
        return {0, 0, 1, 1};
    return layouts[count - 1][view];
}

Matrix3x3 Matrix3x3::Translation(float x, float y)
{
    Matrix3x3 result;
    result.m[6] = x;
    result.m[7] = y;
    return result;
}

Matrix3x3 Matrix3x3::Scale(float x, float y)
{
    Matrix3x3 result;
    result.m[0] = x;
    result.m[4] = y;
    return result;
}

Matrix3x3 Matrix3x3::Rotation(float angle)
{
    float c = std::cos(angle);
    float s = std::sin(angle);
    Matrix3x3 result;
    result.m[0] = c;
    result.m[1] = s;
    result.m[3] = -s;
    result.m[4] = c;
    return result;
}

Matrix3x3 Matrix3x3::Compose(float positionX, float positionY, float scaleX, float scaleY, float rotation,
                             float originX, float originY)
{
    // Translation(-origin) * Scale * Rotation * Translation(position), multiplied out.
    float c = std::cos(rotation);
    float s = std::sin(rotation);
    float ox = -originX * scaleX;
    float oy = -originY * scaleY;
    Matrix3x3 result;
    result.m[0] = scaleX * c;
    result.m[1] = scaleX * s;
    result.m[3] = -scaleY * s;
    result.m[4] = scaleY * c;
    result.m[6] = ox * c - oy * s + positionX;
    result.m[7] = ox * s + oy * c + positionY;
    return result;
}

void Matrix3x3::Rotate(float angle)
{
    *this *= Rotation(angle);
}

Matrix3x3 operator*(const Matrix3x3& a, const Matrix3x3& b)
{
    Matrix3x3 result;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
        {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k)
                sum += a.m[3 * row + k] * b.m[3 * k + column];
            result.m[3 * row + column] = sum;
        }
    return result;
}

Matrix3x3& Matrix3x3::operator*=(const Matrix3x3& other)
{
    *this = *this * other;
    return *this;
}

Vector2 Matrix3x3::TransformPoint(Vector2 point) const
{
    return {point.x * m[0] + point.y * m[3] + m[6], point.x * m[1] + point.y * m[4] + m[7]};
}

Matrix4x4 Matrix3x3::ToMatrix4x4() const
{
    Matrix4x4 result;
    const float rows[16] = {m[0], m[1], 0, m[2], m[3], m[4], 0, m[5], 0, 0, 1, 0, m[6], m[7], 0, m[8]};
    for (int i = 0; i < 16; ++i)
        result.m[i] = rows[i];
    return result;
}

Matrix4x4 Matrix4x4::Perspective(float fieldOfView, float aspectRatio, float near, float far)
{
    float t = std::tan(fieldOfView * 0.5f);
    Matrix4x4 result;
    result.m[0] = 1.0f / t;
    result.m[5] = aspectRatio / t;
    result.m[10] = far / (far - near);
    result.m[11] = 1.0f;
    result.m[14] = -near * far / (far - near);
    result.m[15] = 0.0f;
    return result;
}

Matrix4x4 Matrix4x4::Orthographic(float width, float height, float depth)
{
    Matrix4x4 result;
    result.m[0] = 2.0f / width;
    result.m[5] = 2.0f / height;
    result.m[10] = 1.0f / depth;
    result.m[12] = -width * (1.0f / width);
    result.m[13] = -height * (1.0f / height);
    result.m[14] = 0.0f;
    return result;
}

Matrix4x4 Matrix4x4::Multiply(const Matrix4x4& other) const
{
    Matrix4x4 result;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += m[4 * row + k] * other.m[4 * k + column];
            result.m[4 * row + column] = sum;
        }
    return result;
}

} // namespace Lumvek
