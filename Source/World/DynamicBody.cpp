#include "Source/World/DynamicBody.h"

#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Collision.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

using Lumvek::Vector2;

DynamicBody::~DynamicBody()
{
    if (physicsBody)
        physicsBody->GetWorld()->DestroyBody(physicsBody);
}

void DynamicBody::Reset()
{
    TransformBody::Reset();
    collideWithOneWay = 1;
    collidesWithTriggers = 0;
    visualOnly = 0;
    physicsBody = nullptr;
}

void DynamicBody::SetUp(Projectile* newOwner, const WeaponData& weapon, Vector2 velocity)
{
    owner = newOwner;
    velocityX = velocity.x;
    velocityY = velocity.y;
    const auto* projectile = dynamic_cast<const DynamicProjectileData*>(weapon.projectile);
    if (weapon.projectile)
    {
        pivotX = weapon.projectile->offset.x;
        pivotY = weapon.projectile->offset.y;
        collideWithOneWay = weapon.projectile->collideWithOneWay;
    }
    if (projectile)
    {
        density = projectile->density;
        restitution = projectile->restitution;
        friction = projectile->friction;
    }
    collidesWithTriggers = 1;
    rotates = 1;
    SetPoints(projectile ? projectile->shape : std::vector<Vector2>(), velocity);
}

void DynamicBody::Place(Vector2 position, Vector2 velocity, float newRotation)
{
    DestroyFixture();
    x = position.x;
    y = position.y;
    initialVelocity = velocity;
    rotation = newRotation;
    CreateFixture();
}

void DynamicBody::SetPoints(const std::vector<Vector2>& unitShape, Vector2 velocity)
{
    points.clear();
    for (Vector2 unit : unitShape)
        points.push_back({(unit.x - 0.5f) * width, ((flipY ? 1.0f - unit.y : unit.y) - 0.5f) * height});
    initialVelocity = velocity;
}

float DynamicBody::GetLowestPoint() const
{
    if (points.empty())
        return GetBounds().y;
    const float c = std::cos(rotation);
    const float s = std::sin(rotation);
    float lowest = points.front().x * s + points.front().y * c;
    for (Vector2 point : points)
        lowest = std::min(lowest, point.x * s + point.y * c);
    return GetCenter().y + lowest;
}

void DynamicBody::CreateFixture()
{
    b2World* physics = !world ? nullptr : visualOnly ? world->GetVisualPhysics() : world->GetPhysics();
    if (physicsBody || !physics)
        return;
    b2BodyDef definition;
    definition.type = b2_dynamicBody;
    const Vector2 center = GetCenter();
    definition.position.Set(center.x, center.y);
    definition.angle = rotation;
    definition.linearVelocity.Set(initialVelocity.x, initialVelocity.y);
    definition.fixedRotation = !rotates;
    physicsBody = physics->CreateBody(&definition);

    // Box2D takes 3 to 8 points that enclose an area; an outline it cannot take leaves the body
    // without a fixture rather than failing inside Box2D.
    b2Vec2 vertices[b2_maxPolygonVertices];
    const int32 count = static_cast<int32>(std::min<size_t>(points.size(), b2_maxPolygonVertices));
    for (int32 i = 0; i < count; ++i)
        vertices[i].Set(points[i].x, points[i].y);
    b2PolygonShape shape;
    if (count < 3 || !Collision::SetPolygon(shape, vertices, count))
        return;
    b2FixtureDef fixture;
    fixture.shape = &shape;
    fixture.density = density;
    fixture.friction = friction;
    fixture.restitution = restitution;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(static_cast<Body*>(this));
    fixture.filter.categoryBits = Collision::DynamicBody;
    fixture.filter.maskBits = Collision::SolidBit;
    if (collideWithOneWay)
        fixture.filter.maskBits |= Collision::OneWayPlatform;
    if (collidesWithTriggers)
        fixture.filter.maskBits |= Collision::Interaction;
    physicsBody->CreateFixture(&fixture);
}

void DynamicBody::DestroyFixture()
{
    if (physicsBody)
        physicsBody->GetWorld()->DestroyBody(physicsBody);
    physicsBody = nullptr;
}

void DynamicBody::Step(float)
{
    previousX = x;
    previousY = y;
    if (!physicsBody)
        return;
    rotation = WrapAngle(physicsBody->GetAngle());
    const b2Vec2 velocity = physicsBody->GetLinearVelocity();
    velocityX = velocity.x;
    velocityY = velocity.y;
    const b2Vec2 center = physicsBody->GetPosition();
    const Vector2 offset = CenterOffset(true);
    x = center.x - offset.x;
    y = center.y - offset.y;
}
