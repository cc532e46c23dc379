#include "Source/World/LinearBody.h"

#include "Source/Data/PartData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Projectile.h"
#include "Source/World/World.h"

#include <cmath>

using Lumvek::Rectangle;
using Lumvek::Vector2;

void LinearBody::Reset()
{
    TransformBody::Reset();
    collideWithOneWay = 1;
    velocityX = 0.0f;
    velocityY = 0.0f;
    angularVelocity = 0.0f;
    orient = 0;
    gravity = 0.0f;
    lastHit = {};
}

void LinearBody::SetUp(Projectile* newOwner, const WeaponData& weapon, Vector2 velocity)
{
    owner = newOwner;
    velocityX = velocity.x;
    velocityY = velocity.y;
    if (weapon.projectile)
    {
        pivotX = weapon.projectile->offset.x;
        pivotY = weapon.projectile->offset.y;
        collideWithOneWay = weapon.projectile->collideWithOneWay;
        orient = weapon.projectile->orient;
    }
    gravity = weapon.gravity;
}

void LinearBody::Place(Vector2 position, Vector2 velocity, float newRotation)
{
    x = position.x;
    y = position.y;
    velocityX = velocity.x;
    velocityY = velocity.y;
    rotation = newRotation;
}

namespace
{

// The crossing of the segment from o along s with the edge a-b, when nearer than the best so far.
bool TestEdge(Vector2 o, Vector2 s, Vector2 a, Vector2 b, SweepHit& best)
{
    const float length = s.Length();
    if (!(length > 0.0f))
        return false;
    const Vector2 d = s / length;
    const Vector2 e = b - a;
    const float denominator = e.x * d.y - e.y * d.x;
    if (denominator == 0.0f)
        return false;
    const float t = (e.x * (a.y - o.y) - e.y * (a.x - o.x)) / denominator;
    const float u = (d.x * (a.y - o.y) - d.y * (a.x - o.x)) / denominator;
    if (!(t >= 0.0f && t <= length && u >= 0.0f && u <= 1.0f) || !(t < best.distance))
        return false;
    best.distance = t;
    best.point = o + d * t;
    return true;
}

bool Inside(Vector2 point, const Rectangle& r)
{
    return point.x > r.x && point.x < r.x + r.width && point.y > r.y && point.y < r.y + r.height;
}

// The rectangle test of the sweep: a hit at the origin when it lies strictly inside, else the first of
// the left, top, right and bottom edges the segment crosses nearer than the best so far.
bool TestRectangle(Vector2 o, Vector2 s, const Rectangle& r, SweepHit& best)
{
    if (Inside(o, r))
    {
        if (!(0.0f < best.distance))
            return false;
        best.distance = 0.0f;
        best.point = o;
        return true;
    }
    const Vector2 bottomLeft(r.x, r.y), topLeft(r.x, r.y + r.height);
    const Vector2 topRight(r.x + r.width, r.y + r.height), bottomRight(r.x + r.width, r.y);
    return TestEdge(o, s, bottomLeft, topLeft, best) || TestEdge(o, s, topLeft, topRight, best) ||
           TestEdge(o, s, topRight, bottomRight, best) || TestEdge(o, s, bottomRight, bottomLeft, best);
}

Vector2 PartSize(const PartData* part)
{
    if (const auto* head = dynamic_cast<const HeadData*>(part))
        return head->size;
    if (const auto* core = dynamic_cast<const CoreData*>(part))
        return core->size;
    if (const auto* legs = dynamic_cast<const LegsData*>(part))
        return legs->size;
    return Vector2();
}

} // namespace

SweepHit LinearBody::Sweep(Vector2 o, Vector2 s, const Rectangle& box) const
{
    SweepHit best;
    Interaction* hitInteraction = nullptr;
    Platform* hitPlatform = nullptr;
    Player* hitPlayer = nullptr;
    uint32_t zone = 0;
    if (!world)
        return best;
    // The player's legs, core and head stand on each other from its feet up, each centred on it.
    for (Player& player : world->playerList.Query(box))
    {
        const PlayerBody& body = player.body;
        const Rectangle playerBox{body.x - body.boxWidth * 0.5f, body.y, body.boxWidth, body.boxHeight};
        if (!owner || !owner->CanHit(player) || !EntityDetail::Overlaps(playerBox, box))
            continue;
        const Vector2 legs = PartSize(player.legs ? player.legs->data : nullptr);
        const Vector2 core = PartSize(player.core ? player.core->data : nullptr);
        const Vector2 head = PartSize(player.head ? player.head->data : nullptr);
        const struct
        {
            Vector2 size;
            float bottom;
            uint32_t zone;
        } zones[] = {{legs, body.y, 5}, {core, body.y + legs.y, 4}, {head, body.y + legs.y + core.y, 3}};
        bool hit = false;
        for (const auto& part : zones)
            if (TestRectangle(o, s, {body.x - part.size.x * 0.5f, part.bottom, part.size.x, part.size.y}, best))
            {
                zone = part.zone;
                hit = true;
            }
        if (hit)
            hitPlayer = &player;
    }
    for (Interaction& interaction : world->interactionGrid.Query(box))
    {
        if (!interaction.hitAction)
            continue;
        const Rectangle r = interaction.GetBody().GetBounds();
        const Vector2 bottomLeft(r.x, r.y), topLeft(r.x, r.y + r.height);
        const Vector2 topRight(r.x + r.width, r.y + r.height), bottomRight(r.x + r.width, r.y);
        bool hit = TestEdge(o, s, topLeft, topRight, best);
        hit = TestEdge(o, s, topRight, bottomRight, best) || hit;
        hit = TestEdge(o, s, bottomRight, bottomLeft, best) || hit;
        hit = TestEdge(o, s, bottomLeft, topLeft, best) || hit;
        if (hit)
            hitInteraction = &interaction;
    }
    const bool downward = collideWithOneWay && velocityY < 0.0f;
    for (Platform& platform : world->platformGrid.Query(box))
    {
        const Rectangle r = platform.GetBody().GetBounds();
        const Vector2 bottomLeft(r.x, r.y), topLeft(r.x, r.y + r.height);
        const Vector2 topRight(r.x + r.width, r.y + r.height), bottomRight(r.x + r.width, r.y);
        const bool oneWay = platform.oneWay;
        bool hit = false;
        if ((!oneWay || downward) && Inside(o, r))
        {
            if (!oneWay)
            {
                best.distance = 0.0f;
                best.point = o;
                hit = true;
            }
            else
            {
                // Inside a one-way platform only a body that came down through its top is held.
                SweepHit back = best;
                if (TestEdge(o, -s, topLeft, topRight, back))
                {
                    best.distance = 0.0f;
                    best.point = back.point;
                    hit = true;
                }
            }
        }
        if (!oneWay)
        {
            hit = TestEdge(o, s, bottomRight, bottomLeft, best) || hit;
            hit = TestEdge(o, s, bottomLeft, topLeft, best) || hit;
            hit = TestEdge(o, s, topRight, bottomRight, best) || hit;
        }
        if (!oneWay || (downward && o.y > r.y + r.height))
            hit = TestEdge(o, s, topLeft, topRight, best) || hit;
        if (hit)
            hitPlatform = &platform;
    }
    if (hitInteraction)
    {
        best.interaction = hitInteraction;
        best.kind = 2;
    }
    else if (hitPlatform)
    {
        best.platform = hitPlatform;
        best.kind = 1;
    }
    else if (hitPlayer)
    {
        best.player = hitPlayer;
        best.kind = zone;
    }
    return best;
}

void LinearBody::Step(float dt)
{
    previousX = x;
    previousY = y;
    velocityY -= dt * gravity;
    if (orient)
    {
        rotation = WrapAngle(std::atan2(velocityY, velocityX));
        flipY = velocityX < 0.0f;
    }
    const Vector2 s(velocityX * dt, velocityY * dt);
    if (owner)
    {
        Rectangle box = GetBounds();
        if (s.x < 0.0f)
            box.x += s.x;
        if (s.y < 0.0f)
            box.y += s.y;
        box.width += std::fabs(s.x);
        box.height += std::fabs(s.y);
        const Rectangle bounds = GetBounds();
        lastHit = Sweep({bounds.x + bounds.width * 0.5f, bounds.y + bounds.height * 0.5f}, s, box);
        if (lastHit.kind != ContactKind::None)
            owner->OnContact({lastHit.player, lastHit.interaction, lastHit.platform, lastHit.kind}, lastHit.point);
    }
    // A body that hit something rests where it hit: moved on by the rest of the step it would explode,
    // and take the side of its spin, beyond the wall or the player it met.
    if (lastHit.kind == ContactKind::None)
    {
        x += velocityX * dt;
        y += velocityY * dt;
    }
    rotation = WrapAngle(rotation + dt * angularVelocity);
}
