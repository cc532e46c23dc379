#include "Source/World/PlayerBody.h"

#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/AttributeDivisor.h"
#include "Source/World/GameContext.h"
#include "Source/World/Platform.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

using Lumvek::Matrix3x3;
using Lumvek::Rectangle;
using Lumvek::Vector2;

namespace
{

constexpr float JumpNoise = 100.0f;
constexpr float LandNoise = 125.0f;
constexpr float StepSoundVolume = 0.5f;
// A jump starts only from a standing jump time.
constexpr float StandingJumpTime = 0.0001f;

bool Near(float a, float b)
{
    return std::fabs(a - b) <= PlayerBody::EdgeTolerance;
}

bool IsVertical(CollisionSide side)
{
    return side == CollisionSide::Left || side == CollisionSide::Right;
}

bool Contains(const QueryResult<Platform>& found, const Platform* platform)
{
    for (const Platform& candidate : found)
        if (&candidate == platform)
            return true;
    return false;
}

} // namespace

PlayerBody::PlayerBody()
{
    // Reserved once: a step appends four edges per platform around the box and a candidate per
    // platform, and should not allocate while the map is ordinary.
    edges.reserve(64);
    candidates.reserve(16);
    passThroughPlatforms.reserve(MaximumDropThrough * 2);
}

PlayerBody::~PlayerBody() = default;

Vector2 PlayerBody::GetCenter() const
{
    return {x, y + boxHeight * 0.5f};
}

Rectangle PlayerBody::GetBounds() const
{
    return {x - 1.0f, y - 0.5f, 2.0f, 2.0f};
}

Matrix3x3 PlayerBody::GetTransform() const
{
    // The cache belongs to the bone, not to the body's state: reading it does not change the body.
    return const_cast<Bone&>(skeleton).GetWorldTransform();
}

void PlayerBody::ClearMovement()
{
    movingLeft = movingRight = falling = false;
    velocity = windSpeed = windImpulse = impulse = carriedVelocity = Vector2();
    jumpTime = NoHang;
    lastPlatform = nullptr;
    passThroughPlatforms.clear();
    // What it touched where it was before: riding or landing on it from elsewhere would be wrong.
    contacts = {};
    flinchAngle = 0.0f;
}

void PlayerBody::Reset()
{
    ClearMovement();
    placed = false;
    ownSpeed = 0.0f;
    edges.clear();
    physicsBody = nullptr;
}

void PlayerBody::Reset(Vector2 position, bool facingLeft)
{
    ClearMovement();
    drawOffset = previousDrawOffset = Vector2();
    drawnNoted = false;
    placed = true;
    previousX = x = position.x;
    previousY = y = position.y;
    skeleton.position = position;
    skeleton.renderPosition = position;
    if ((skeleton.scale.x < 0.0f) != facingLeft)
        skeleton.scale.x = -skeleton.scale.x;
    skeleton.MarkDirty();
    if (!world)
        return;
    const Rectangle box{x - boxWidth * 0.5f, y, boxWidth, boxHeight};
    for (Platform& platform : world->platformGrid.Query(box))
        if (platform.oneWay && passThroughPlatforms.size() < MaximumDropThrough)
            passThroughPlatforms.push_back(&platform);
}

bool PlayerBody::IsPassingThrough(const Platform* platform) const
{
    return std::find(passThroughPlatforms.begin(), passThroughPlatforms.end(), platform) != passThroughPlatforms.end();
}

void PlayerBody::Ride(float dt)
{
    const Platform* standingOn = GetContact(CollisionSide::Bottom).platform;
    if (!standingOn)
        return;
    if (const PathedBody* pathed = standingOn->GetPathedBody())
    {
        x += pathed->x - pathed->previousX;
        y += pathed->y - pathed->previousY;
    }
    x += dt * standingOn->conveyance;
}

void PlayerBody::Move(float dt)
{
    Player& player = *owner;
    player.baseAttributes.noisiness = 0.0f;
    previousX = x;
    previousY = y;
    const bool justPlaced = placed;
    placed = false;

    Ride(dt);
    UpdateVelocity(dt);

    const Rectangle moved{x - boxWidth * 0.5f + velocity.x * dt, y + velocity.y * dt, boxWidth, boxHeight};
    const QueryResult<Platform> found = world->platformGrid.Query(moved);

    // The platform stood on until now: the contacts are rebuilt below.
    Platform* const standingOn = GetContact(CollisionSide::Bottom).platform;
    std::erase_if(passThroughPlatforms, [&](const Platform* platform) { return !Contains(found, platform); });
    if (standingOn && standingOn->oneWay && player.input[PlayerAction::FallThrough] &&
        player.input[PlayerAction::Jump] && passThroughPlatforms.size() < MaximumDropThrough)
    {
        // Dropping through a lift that goes down: leave at its speed, or it would catch the body again.
        const Body& platformBody = *standingOn->body;
        if (standingOn->moving && platformBody.y < platformBody.previousY)
            velocity.y = (platformBody.y - platformBody.previousY) / dt;
        passThroughPlatforms.push_back(standingOn);
    }

    edges.clear();
    contacts = {};
    for (Platform& platform : found)
    {
        if (platform.hidden || IsPassingThrough(&platform))
            continue;
        const Rectangle b = platform.body->GetBounds();
        const float right = b.x + b.width;
        const float top = b.y + b.height;
        AddEdge({b.y, top, b.x, CollisionSide::Left, &platform});
        AddEdge({b.y, top, right, CollisionSide::Right, &platform});
        AddEdge({b.x, right, b.y, CollisionSide::Bottom, &platform});
        AddEdge({b.x, right, top, CollisionSide::Top, &platform});
    }
    ResolveContacts(moved);

    x += GetContact(CollisionSide::Left).depth - GetContact(CollisionSide::Right).depth + velocity.x * dt;
    y += GetContact(CollisionSide::Bottom).depth - GetContact(CollisionSide::Top).depth + velocity.y * dt;

    const Rectangle& bounds = world->bounds;
    const float left = x - boxWidth * 0.5f;
    if (left < bounds.x)
        x += bounds.x - left;
    const float right = x + boxWidth * 0.5f;
    if (right > bounds.x + bounds.width)
        x -= right - (bounds.x + bounds.width);

    Platform* const ground = GetContact(CollisionSide::Bottom).platform;
    if (ground)
        lastPlatform = ground;
    const int8_t move = player.input.move;
    movingLeft = move < 0;
    movingRight = move > 0;
    falling = !ground && velocity.y < 0.0f;

    if (GetContact(CollisionSide::Left).platform)
    {
        velocity.x = std::max(velocity.x, 0.0f);
        windSpeed.x = std::max(windSpeed.x, 0.0f);
    }
    if (GetContact(CollisionSide::Right).platform)
    {
        velocity.x = std::min(velocity.x, 0.0f);
        windSpeed.x = std::min(windSpeed.x, 0.0f);
    }
    if (ground)
    {
        velocity.y = std::max(velocity.y, 0.0f);
        windSpeed.y = std::max(windSpeed.y, 0.0f);
    }
    if (GetContact(CollisionSide::Top).platform)
    {
        velocity.y = std::min(velocity.y, 0.0f);
        windSpeed.y = std::min(windSpeed.y, 0.0f);
    }

    skeleton.position = {x, y};
    skeleton.MarkDirty();

    if (ground != standingOn && (!standingOn || !ground) && !justPlaced)
    {
        GameContext& context = world->GetContext();
        if (!standingOn)
        {
            player.baseAttributes.noisiness += LandNoise;
            context.PlaySound(Sounds::Land, {x, y}, velocity, StepSoundVolume);
        }
        else if (velocity.y > 0.0f)
        {
            player.baseAttributes.noisiness += JumpNoise;
            context.PlaySound(Sounds::Jump, {x, y}, velocity, StepSoundVolume);
        }
    }

    if (physicsBody && physicsBody->GetType() != b2_staticBody)
        physicsBody->SetLinearVelocity(b2Vec2((x - previousX) / dt, (y - previousY) / dt));
}

void PlayerBody::UpdateVelocity(float dt)
{
    const Player& player = *owner;
    const Attributes& base = player.baseAttributes;
    float weightModifier = player.modifiers[&Attributes::weight];
    if (player.stowedWeapon && player.stowedWeapon->data)
        weightModifier += player.stowedWeapon->data->modifiers.weight;
    const float weight = weightModifier * base.weight;
    const float aerodynamics = player.GetEffective(&Attributes::aerodynamics);
    const float hops = player.GetEffective(&Attributes::hops);
    const float hangAmount = player.GetEffective(&Attributes::hangAmount);
    const float hangTime = player.GetEffective(&Attributes::hangTime);
    const float agility = player.GetEffective(&Attributes::agility);
    const float maneuverability = player.GetEffective(&Attributes::maneuverability);
    const float forwardSpeed = player.GetEffective(&Attributes::maximumForwardSpeed);
    const float backwardSpeed = player.GetEffective(&Attributes::maximumBackwardSpeed);
    const float fallingSpeed = player.GetEffective(&Attributes::maximumFallingSpeed);
    const float horizontalLimit = std::max(forwardSpeed, backwardSpeed);
    const bool onGround = IsOnGround();
    const bool facingRight = player.aimDirection.x >= 0.0f;
    const float moveAxis = player.moveAxis;

    // Holding jump on the ground jumps again after one tick there; letting go in the air ends the
    // hang for the rest of the jump.
    float boost = 0.0f;
    const bool jumping = player.input[PlayerAction::Jump] && !player.input[PlayerAction::FallThrough];
    if (jumping && std::fabs(jumpTime) < StandingJumpTime && onGround)
    {
        jumpTime += dt;
        boost = hops;
    }
    else if (jumping && jumpTime > 0.0f && jumpTime <= hangTime && !GetContact(CollisionSide::Top).platform)
    {
        jumpTime += dt;
        boost = hangAmount;
    }
    else
    {
        jumpTime = onGround ? 0.0f : NoHang;
    }

    if (onGround)
    {
        const float speed = (moveAxis < 0.0f) == facingRight ? backwardSpeed : forwardSpeed;
        const float windShare = (windSpeed.x + windImpulse.x) * aerodynamics;
        const float target = moveAxis * speed + windShare;
        // Agility is a change per tick, not per second.
        if (velocity.x > target + agility)
            velocity.x -= agility;
        else if (velocity.x < target - agility)
            velocity.x += agility;
        else
            velocity.x = target;
        ownSpeed = velocity.x - windShare;
    }
    else
    {
        const float steer = moveAxis * maneuverability * dt;
        const float negativeLimit = facingRight ? backwardSpeed : forwardSpeed;
        const float positiveLimit = facingRight ? forwardSpeed : backwardSpeed;
        // A speed already beyond a limit is not reduced.
        if (steer < 0.0f)
            velocity.x =
                velocity.x + steer >= -negativeLimit ? velocity.x + steer : std::min(-negativeLimit, velocity.x);
        else if (steer > 0.0f)
            velocity.x = velocity.x + steer <= positiveLimit ? velocity.x + steer : std::max(positiveLimit, velocity.x);
    }

    velocity.y += boost;
    velocity += carriedVelocity;

    // A body falling faster than the limit (after a blast) slows by one gravity step per tick.
    const float gravity = world->GetContext().configuration.settings.gravity.y * weight * dt;
    if (velocity.y > gravity - fallingSpeed)
    {
        velocity.y += gravity;
    }
    else
    {
        const float limit = -fallingSpeed;
        if (velocity.y > limit)
            velocity.y = limit;
        else if (velocity.y < limit - gravity)
            velocity.y -= gravity;
        else if (velocity.y < limit)
            velocity.y = limit;
    }

    if (onGround)
        windImpulse.x = windSpeed.x = 0.0f;
    windImpulse *= aerodynamics;
    windSpeed *= aerodynamics;

    AddLimitedImpulse(velocity, impulse, {horizontalLimit, fallingSpeed});
    AddLimitedImpulse(velocity, windImpulse, windSpeed);
    windSpeed = Vector2();
    carriedVelocity = Vector2();

    if (onGround)
        owner->baseAttributes.noisiness += std::fabs(ownSpeed) / AttributeDivisor(horizontalLimit) * 100.0f;
}

void PlayerBody::AddLimitedImpulse(Vector2& velocity, Vector2& impulse, Vector2 limit)
{
    const auto add = [](float& v, float p, float signedLimit)
    {
        const float l = std::fabs(signedLimit);
        if (!(l > 0.0f) || !std::isfinite(l))
            return;
        if (p < 0.0f)
            v += std::max(0.0f, (v + l) / (2.0f * l)) * p;
        else if (p > 0.0f)
            v += std::max(0.0f, (l - v) / (2.0f * l)) * p;
    };
    add(velocity.x, impulse.x, limit.x);
    add(velocity.y, impulse.y, limit.y);
    impulse = Vector2();
}

void PlayerBody::AddEdge(CollisionEdge e)
{
    for (size_t i = 0; i < edges.size();)
    {
        CollisionEdge& E = edges[i];
        // Only a face of the opposite side on the same line, overlapping by more than a touch.
        if (E.side != Opposite(e.side) || !Near(E.at, e.at) || Near(e.from, E.to) || Near(E.from, e.to) ||
            e.from > E.to || E.from > e.to)
        {
            ++i;
            continue;
        }
        const bool startsMatch = Near(e.from, E.from);
        const bool endsMatch = Near(e.to, E.to);
        if (startsMatch)
        {
            if (endsMatch)
            {
                edges.erase(edges.begin() + static_cast<ptrdiff_t>(i));
                return;
            }
            if (E.to > e.to)
            {
                E.from = e.to;
                return;
            }
            e.from = E.to;
            edges.erase(edges.begin() + static_cast<ptrdiff_t>(i));
            continue;
        }
        if (endsMatch)
        {
            if (e.from > E.from)
            {
                E.to = e.from;
                return;
            }
            e.to = E.from;
            edges.erase(edges.begin() + static_cast<ptrdiff_t>(i));
            continue;
        }
        if (e.from > E.from)
        {
            const float existingEnd = E.to;
            E.to = e.from;
            if (existingEnd > e.to)
                e = {e.to, existingEnd, E.at, E.side, E.platform};
            else
                e.from = existingEnd;
        }
        else if (e.to > E.to)
        {
            const float existingStart = E.from;
            E = {E.to, e.to, e.at, e.side, e.platform};
            e.to = existingStart;
        }
        else
        {
            const float existingStart = E.from;
            E.from = e.to;
            e.to = existingStart;
        }
        ++i;
    }
    edges.push_back(e);
}

void PlayerBody::ResolveContacts(const Rectangle& box)
{
    candidates.clear();
    const float x0 = box.x;
    const float y0 = box.y;
    const float x1 = box.x + box.width;
    const float y1 = box.y + box.height;
    for (const CollisionEdge& edge : edges)
    {
        const bool vertical = IsVertical(edge.side);
        const float low = vertical ? y0 : x0;
        const float high = vertical ? y1 : x1;
        if (!(high > edge.from && edge.to > low))
            continue;
        const bool passable = edge.side == CollisionSide::Top ? IsPassingThrough(edge.platform) : edge.platform->oneWay;
        float facing = 0.0f;
        switch (edge.side)
        {
        case CollisionSide::Left:
            facing = x1;
            break;
        case CollisionSide::Right:
            facing = x0;
            break;
        case CollisionSide::Bottom:
            facing = y1;
            break;
        case CollisionSide::Top:
            facing = y0;
            break;
        }
        const float depth = std::fabs(edge.at - facing);
        // Negative when the support lies on the box's high side only.
        float overlap = 0.0f;
        if (edge.from > low)
            overlap = high > edge.to ? edge.to - low : edge.from - high;
        else
            overlap = high > edge.to ? edge.to - low : high - low;
        // A box without a size (no loadout yet) has no fractions to speak of.
        const float size = vertical ? box.height : box.width;
        overlap = size > 0.0f ? overlap / size : 0.0f;

        auto existing = std::find_if(candidates.begin(), candidates.end(),
                                     [&](const Candidate& candidate) { return candidate.platform == edge.platform; });
        if (existing == candidates.end())
            candidates.push_back({edge.platform, depth, overlap, edge.side, passable});
        else if (depth < existing->depth)
            *existing = {edge.platform, depth, overlap, edge.side, passable};
    }

    std::array<float, CollisionSideCount> largestOverlap{};
    for (const Candidate& candidate : candidates)
    {
        if (candidate.passable)
        {
            passThroughPlatforms.push_back(candidate.platform);
            continue;
        }
        const uint32_t side = static_cast<uint32_t>(Opposite(candidate.side));
        PlayerContact& contact = contacts[side];
        if (candidate.depth > contact.depth)
        {
            contact = {candidate.platform, candidate.depth, 0.0f, true};
            largestOverlap[side] = 0.0f;
        }
        if (candidate.depth == contact.depth)
        {
            if (candidate.overlap > 0.0f)
                contact.supportBehind = false;
            const float amount = std::fabs(candidate.overlap);
            if (amount > largestOverlap[side])
            {
                contact.platform = candidate.platform;
                largestOverlap[side] = amount;
            }
            contact.support += amount;
        }
    }
}

Vector2 PlayerBody::GetInterpolatedPosition(float alpha) const
{
    return Body::GetInterpolatedPosition(alpha) + previousDrawOffset + (drawOffset - previousDrawOffset) * alpha;
}

void PlayerBody::NoteDrawn()
{
    notedPrevious = {previousX, previousY};
    noted = {x, y};
    drawnNoted = true;
}

void PlayerBody::EaseCorrection()
{
    if (!drawnNoted)
        return;
    drawnNoted = false;
    const Vector2 offset = drawOffset + noted - Vector2(x, y);
    if (offset.Length() > SnapDistance)
    {
        drawOffset = previousDrawOffset = Vector2();
        easeStep = 0.0f;
        return;
    }
    // Both ends of the tick being drawn keep their place, so the frame after the state shows the
    // body where the frame before it did.
    previousDrawOffset = previousDrawOffset + notedPrevious - Vector2(previousX, previousY);
    drawOffset = offset;
    easeStep = offset.Length() / EaseTicks;
}

void PlayerBody::EaseDrawn()
{
    previousDrawOffset = drawOffset;
    const float length = drawOffset.Length();
    drawOffset = length <= easeStep ? Vector2() : drawOffset * ((length - easeStep) / length);
}
