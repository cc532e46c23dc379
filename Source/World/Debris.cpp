// The debris a killed player's rig breaks into: a piece a bone, flying off with the hit.

#include "Source/World/World.h"

#include "Engine/Foundation/Log.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"

#include <cmath>
#include <vector>

using Lumvek::InvalidId;
using Lumvek::Vector2;

namespace
{

constexpr float Pi = 180.0f * 0.017453292f;
constexpr float DegreesPerRadian = 57.29578f;
constexpr float RadiansPerDegree = 0.017453292f;
// Debris flies within this many degrees of the hit's direction, at the hit's push give or take this.
constexpr float DebrisSpread = 15.0f;
constexpr float DebrisSpeedSpread = 1.0f;
// Debris lasts 2.5 s and up to one second more.
constexpr float DebrisSeconds = 2.5f;

// Each piece of debris is a box over its bone's sprite.
const std::vector<Vector2>& UnitSquare()
{
    static const std::vector<Vector2> square{{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    return square;
}

} // namespace

void World::CreateDebris(Lumvek::RandomGenerator& random, Bone& node, bool facingLeft, Vector2 velocity, float angle,
                         float speed)
{
    if (node.region != InvalidId && node.frameCount != 0)
    {
        float worldAngle = WrapAngle(node.GetWorldRotation());
        if (facingLeft)
            worldAngle = WrapAngle(Pi - worldAngle);
        const float degrees = angle * DegreesPerRadian;
        const float direction =
            WrapAngle(random.NextRange(degrees - DebrisSpread, degrees + DebrisSpread) * RadiansPerDegree);
        const float pieceSpeed = random.NextRange(speed - DebrisSpeedSpread, speed + DebrisSpeedSpread);
        const Vector2 pieceVelocity =
            velocity + Vector2(std::cos(direction) * pieceSpeed, std::sin(direction) * pieceSpeed);
        const auto lifetime =
            static_cast<int32_t>(std::lround((random.NextFraction() + DebrisSeconds) / Lumvek::TickSeconds));
        // The draws are made headless too, so that a server and its clients draw alike.
        if (!context.headless)
        {
            if (Visual* visual = visuals.Allocate(); NoteVisualRoom(visual != nullptr))
            {
                const Vector2 position = node.GetWorldTransform().TransformPoint(node.offset);
                const Vector2 size(std::fabs(node.scale.x), std::fabs(node.scale.y));
                // The renderer orders images by their first index.
                const uint32_t drawOrder = facingLeft ? 50u - node.leftOrder : node.rightOrder;
                CreateDynamicBody(*this, *visual, position, size, node.offset, worldAngle, false, facingLeft,
                                  UnitSquare(), pieceVelocity, lifetime, 0, node.region, drawOrder);
                if (!visualGrid.Insert(*visual))
                {
                    Lumvek::Log::Write("failed to add {} to database", "Visual");
                    visual->body->DestroyFixture();
                    visual->image.reset();
                    visuals.Remove(visual->id);
                }
                else if (visual->sound != InvalidId)
                {
                    context.PlaySound(visual->sound, visual->body->GetCenter(), Vector2(), 1.0f);
                }
            }
        }
    }
    for (Bone& child : node.children)
        CreateDebris(random, child, facingLeft, velocity, angle, speed);
}

bool World::NoteVisualRoom(bool room)
{
    if (!room && !visualsFull)
        Lumvek::Log::Write("failed to create {}", "Visual");
    visualsFull = !room;
    return room;
}
