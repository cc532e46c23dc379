#include "Source/World/Body.h"

#include <box2d/box2d.h>

#include <cmath>

using Lumvek::Matrix3x3;
using Lumvek::Rectangle;
using Lumvek::Vector2;

float WrapAngle(float radians)
{
    if (!std::isfinite(radians))
        return 0.0f;
    // Far from the range, subtracting single turns would no longer change the value.
    if (std::fabs(radians) >= TwoPi * 64.0f)
        radians = std::fmod(radians, TwoPi);
    while (radians < 0.0f)
        radians += TwoPi;
    while (radians >= TwoPi)
        radians -= TwoPi;
    return radians;
}

Body::~Body() = default;

Vector2 Body::GetCenter() const
{
    return {x + width * 0.5f, y + height * 0.5f};
}

Rectangle Body::GetBounds() const
{
    return {x, y, width, height};
}

Matrix3x3 Body::GetTransform() const
{
    return Matrix3x3::Compose(x, y, width, height, 0.0f, 0.0f, 0.0f);
}

Vector2 Body::GetInterpolatedPosition(float alpha) const
{
    return {previousX + (x - previousX) * alpha, previousY + (y - previousY) * alpha};
}

Vector2 Body::GetInterpolatedCenter(float alpha) const
{
    return GetInterpolatedPosition(alpha) + Vector2(width * 0.5f, height * 0.5f);
}

Rectangle Body::GetInterpolatedBounds(float alpha) const
{
    const Vector2 position = GetInterpolatedPosition(alpha);
    return {position.x, position.y, width, height};
}

Matrix3x3 Body::GetInterpolatedTransform(float alpha) const
{
    const Vector2 position = GetInterpolatedPosition(alpha);
    return Matrix3x3::Compose(position.x, position.y, width, height, 0.0f, 0.0f, 0.0f);
}

namespace
{

Rectangle RotatedBounds(Vector2 center, float width, float height, float rotation)
{
    const float c = std::fabs(std::cos(rotation));
    const float s = std::fabs(std::sin(rotation));
    const float w = width * c + height * s;
    const float h = width * s + height * c;
    return {center.x - w * 0.5f, center.y - h * 0.5f, w, h};
}

Vector2 Rotated(Vector2 offset, float rotation)
{
    const float c = std::cos(rotation);
    const float s = std::sin(rotation);
    return {offset.x * c - offset.y * s, offset.x * s + offset.y * c};
}

} // namespace

Vector2 TransformBody::CenterOffset(bool applyFlips) const
{
    const float px = applyFlips && flipX ? 1.0f - pivotX : pivotX;
    const float py = applyFlips && flipY ? 1.0f - pivotY : pivotY;
    return Rotated({(0.5f - px) * width, (0.5f - py) * height}, rotation);
}

Vector2 TransformBody::GetCenter() const
{
    return Vector2(x, y) + CenterOffset(true);
}

Rectangle TransformBody::GetBounds() const
{
    return RotatedBounds(GetCenter(), width, height, rotation);
}

Matrix3x3 TransformBody::GetTransform() const
{
    return Matrix3x3::Compose(x, y, flipX ? -width : width, flipY ? -height : height, rotation, pivotX, pivotY);
}

Vector2 TransformBody::GetInterpolatedCenter(float alpha) const
{
    return GetInterpolatedPosition(alpha) + CenterOffset(false);
}

Rectangle TransformBody::GetInterpolatedBounds(float alpha) const
{
    return RotatedBounds(GetInterpolatedCenter(alpha), width, height, rotation);
}

Matrix3x3 TransformBody::GetInterpolatedTransform(float alpha) const
{
    const Vector2 position = GetInterpolatedPosition(alpha);
    return Matrix3x3::Compose(position.x, position.y, flipX ? -width : width, flipY ? -height : height, rotation,
                              pivotX, pivotY);
}

void TransformBody::Reset()
{
    pivotX = 0.0f;
    pivotY = 0.0f;
    rotation = 0.0f;
    flipX = 0;
    flipY = 0;
}

FixtureBody::~FixtureBody()
{
    if (physicsBody)
        physicsBody->GetWorld()->DestroyBody(physicsBody);
}

void FixtureBody::Reset()
{
    TransformBody::Reset();
    owner = nullptr;
    physicsBody = nullptr;
}

void FixtureBody::DestroyFixture()
{
    if (physicsBody)
        physicsBody->GetWorld()->DestroyBody(physicsBody);
    physicsBody = nullptr;
    owner = nullptr;
}
