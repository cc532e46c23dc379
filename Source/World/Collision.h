#pragma once

#include <box2d/box2d.h>

#include <cstdint>

// The Box2D collision categories of the world's fixtures. A pair collides when each one's mask holds
// the other's category: platforms and interactions take only dynamic bodies, which take the solid bit
// of every platform and, as they choose, one-way platforms and interactions.
namespace Collision
{

constexpr uint16_t OneWayPlatform = 0x0001;
// Solid platforms carry the one-way bit as well, so that a body that ignores one-way platforms
// still meets them through SolidBit.
constexpr uint16_t SolidBit = 0x0002;
constexpr uint16_t SolidPlatform = OneWayPlatform | SolidBit;
constexpr uint16_t Interaction = 0x0004;
constexpr uint16_t DynamicBody = 0x0008;

// Sets the polygon from the points when Box2D can take them: 3 to b2_maxPolygonVertices finite
// points whose hull encloses an area. False, the shape untouched, otherwise (Box2D would stop on an
// assertion or make a box of its own).
bool SetPolygon(b2PolygonShape& shape, const b2Vec2* points, int32 count);

// Whether a box of that centre and half extents can go into Box2D: finite, with positive extents.
bool IsValidBox(float centerX, float centerY, float halfWidth, float halfHeight);

} // namespace Collision
