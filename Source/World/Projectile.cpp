#include "Source/World/Projectile.h"

#include "Source/Data/InteractionData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/HitInfo.h"
#include "Source/World/LinearBody.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/MatchRules.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

using Lumvek::InvalidId;
using Lumvek::Rectangle;
using Lumvek::Vector2;

namespace
{

constexpr float RadiansPerDegree = 0.017453292f;
// Drawn above the map and the players.
constexpr float ShotDepth = 20.0f;
// The explosion's image shows this long before it fades.
constexpr int32_t ExplosionTicks = 2;
// A bounce at or below this share of full impact makes no sound.
constexpr float QuietBounce = 0.2f;

// How far the rectangle lies from the point; 0 when the point is inside.
float DistanceTo(const Rectangle& r, Vector2 point)
{
    const float dx = std::max({r.x - point.x, 0.0f, point.x - (r.x + r.width)});
    const float dy = std::max({r.y - point.y, 0.0f, point.y - (r.y + r.height)});
    return std::sqrt(dx * dx + dy * dy);
}

// The players whose list bounds come within radius of the point, copied out of the list's query:
// the damage they are handed to may query the players again.
struct PlayersAround
{
    std::array<Player*, World::PlayerCount> players{};
    uint32_t count = 0;
};

PlayersAround QueryRadius(World& world, Vector2 point, float radius)
{
    PlayersAround found;
    const Rectangle area{point.x - radius, point.y - radius, radius * 2.0f, radius * 2.0f};
    for (Player& player : world.playerList.Query(area))
    {
        const Rectangle bounds = player.body.GetBounds();
        const float d = DistanceTo(bounds, point);
        if (d * d <= radius * radius && found.count < found.players.size())
            found.players[found.count++] = &player;
    }
    return found;
}

// A visual moved to a new place this tick, drawn from where it was.
void MoveVisual(World& world, Visual& visual, Vector2 position)
{
    TransformBody& body = *visual.body;
    body.previousX = body.x;
    body.previousY = body.y;
    body.x = position.x;
    body.y = position.y;
    // One the grid cannot take any more is still drawn, only not found.
    world.visualGrid.Reinsert(visual);
}

} // namespace

float Falloff(float d, float a, float b)
{
    if (d <= a)
        return 1.0f;
    if (d >= b)
        return 0.0f;
    const float f = 1.0f - (d - a) / (b - a);
    return f * f;
}

Projectile::Projectile(std::unique_ptr<Body> body) : body(std::move(body)) {}

Projectile::~Projectile() = default;

LinearProjectile::LinearProjectile() : Projectile(std::make_unique<LinearBody>()) {}

DynamicProjectile::DynamicProjectile() : Projectile(std::make_unique<DynamicBody>()) {}

bool Projectile::CanHit(const Player& player) const
{
    if (&player == owner)
        return false;
    if (!owner)
        return true;
    const GameConfiguration& configuration = GetWorld().GetContext().configuration;
    if (configuration.teamCount == 1 || configuration.settings.friendlyFire)
        return true;
    return player.team != owner->team;
}

void Projectile::OnContact(const ProjectileContact& target, Vector2 position)
{
    body->x = position.x;
    body->y = position.y;
    contact = target;
    if (target.kind == ContactKind::Interaction)
        return;
    const auto& moving = static_cast<const MovingBody&>(*body);
    GetWorld().GetContext().PlaySound(target.kind == ContactKind::Solid ? Sounds::HitPlatform : Sounds::HitPlayer,
                                      {body->x, body->y}, {moving.velocityX, moving.velocityY}, 1.0f);
}

void Projectile::OnCollision(const ProjectileContact& target, Vector2 normal)
{
    collision = target;
    const auto& moving = static_cast<const MovingBody&>(*body);
    if (target.kind == ContactKind::Solid)
    {
        const float impact =
            std::min(std::fabs(normal.x * moving.velocityX + normal.y * moving.velocityY) / 10.0f, 1.0f);
        if (impact > QuietBounce)
            GetWorld().GetContext().PlaySound(Sounds::Bounce, {body->x, body->y}, {moving.velocityX, moving.velocityY},
                                              impact);
    }
    // After a contact at most the bounce lifetime remains.
    if (!weapon)
        return;
    const int64_t lifetime = weapon->lifetime.ticks;
    const int64_t bounceLifetime = weapon->bounceLifetime.ticks;
    if (bounceLifetime >= 1 && lifetime - static_cast<int64_t>(age) > bounceLifetime)
        age = static_cast<uint32_t>(lifetime - bounceLifetime);
}

void Projectile::Expire(uint32_t)
{
    Destroy();
}

void Projectile::Begin()
{
    age = 0;
    const ProjectileData* definition = weapon ? weapon->projectile : nullptr;
    if (definition && (definition->trail != InvalidId || definition->trailEffect != InvalidId))
    {
        const auto& transform = static_cast<const TransformBody&>(*body);
        if (Visual* visual = CreateVisualEntity(GetWorld(), {body->x, body->y}, definition->trailSize, {1.0f, 0.5f},
                                                transform.rotation, ShotDepth, transform.flipX, transform.flipY,
                                                definition->trail, definition->trailEffect, InvalidId, -1, 0, 0))
        {
            if (visual->image)
            {
                visual->image->depth = ShotDepth;
                visual->image->layer = VisualLayer::Shots;
            }
            trail = visual->id;
        }
    }
    OnBegin();
}

void Projectile::Update()
{
    if (age < UINT32_MAX)
        ++age;
    if (collision.kind == ContactKind::Interaction && collision.interaction)
    {
        HitInteraction(*collision.interaction);
        Destroy();
        return;
    }
    switch (contact.kind)
    {
    case ContactKind::None:
        if (weapon && age < weapon->lifetime.ticks)
        {
            OnTick(age);
            MoveTrail();
        }
        else
        {
            Expire(age);
        }
        return;
    case ContactKind::Solid:
        Destroy();
        return;
    case ContactKind::Interaction:
        if (contact.interaction)
            HitInteraction(*contact.interaction);
        Destroy();
        return;
    default:
        if (contact.player)
            HitPlayer(*contact.player, contact.kind);
        Destroy();
        return;
    }
}

void Projectile::UpdatePredicted()
{
    if (age < UINT32_MAX)
        ++age;
    if (contact.kind == ContactKind::None && weapon && age < weapon->lifetime.ticks)
    {
        MoveTrail();
        return;
    }
    // The player it met feels the hit at once; the damage, and whether it explodes, is the server's
    // to say.
    if (contact.kind > ContactKind::Interaction && contact.player)
        if (MatchRules* rules = GetWorld().GetContext().GetMatchRules())
            rules->FeelHit(*contact.player, DirectHit(*contact.player, contact.kind));
    RemoveTrail();
    GetWorld().RemoveProjectile(*this);
}

void Projectile::HitInteraction(Interaction& interaction)
{
    if (interaction.data)
        GetWorld().GetContext().PlaySound(interaction.data->interact, interaction.body.GetCenter(), Vector2(), 1.0f);
    if (interaction.hitAction)
        interaction.hitAction->RunByProjectile(*this);
}

HitInfo Projectile::DirectHit(const Player& player, uint32_t kind) const
{
    HitInfo hit;
    if (!weapon)
        return hit;
    float modifier = 1.0f;
    if (kind == ContactKind::Head)
        modifier = player.GetEffective(&Attributes::headshotModifier);
    else if (kind == ContactKind::Torso)
        modifier = player.GetEffective(&Attributes::bodyshotModifier);
    else if (kind == ContactKind::Limb)
        modifier = player.GetEffective(&Attributes::limbshotModifier);
    const auto& moving = static_cast<const MovingBody&>(*body);
    hit.shooter = owner;
    hit.damage = weapon->contactDamage * modifier;
    const float spin = hit.damage * 0.5f * RadiansPerDegree;
    hit.spin = player.body.x > body->x ? spin : -spin;
    hit.impulse = Vector2(moving.velocityX, moving.velocityY);
    hit.impulse.SetLength(weapon->knockback);
    hit.zone = kind;
    hit.angle = moving.rotation;
    hit.push = weapon->speed * 0.15f;
    hit.firstRumble = hit.secondRumble = hit.damage * 0.5f;
    return hit;
}

void Projectile::HitPlayer(Player& player, uint32_t kind)
{
    MatchRules* rules = GetWorld().GetContext().GetMatchRules();
    if (!rules || !weapon)
        return;
    rules->DamagePlayer(player, DirectHit(player, kind));
}

void Projectile::Destroy()
{
    Explode(true);
    RemoveTrail();
    OnDestroy(age);
    if (MatchEvents* events = GetWorld().GetContext().events)
        events->SendProjectileRemoved(id);
    GetWorld().RemoveProjectile(*this);
}

void Projectile::Explode(bool applyEffects)
{
    if (!weapon || !(weapon->innerExplosionRadius > 0.0f))
        return;
    World& world = GetWorld();
    const Vector2 point(body->x, body->y);
    const float inner = weapon->innerExplosionRadius;
    const float outer = weapon->outerExplosionRadius;
    const ProjectileData* definition = weapon->projectile;
    if (Visual* visual =
            CreateVisualEntity(world, point, {2.0f * inner, 2.0f * inner}, {0.5f, 0.5f}, 0.0f, ShotDepth, false, false,
                               InvalidId, definition ? definition->explosionEffect : InvalidId,
                               definition ? definition->explosionSound : InvalidId, ExplosionTicks, 1, 0))
        if (visual->image)
        {
            visual->image->depth = ShotDepth;
            visual->image->layer = VisualLayer::Shots;
        }
    // Without its effects (a client's), the players around only feel the blast.
    if (MatchRules* rules = world.GetContext().GetMatchRules())
    {
        const PlayersAround around = QueryRadius(world, point, ShakeRadius);
        for (uint32_t i = 0; i < around.count; ++i)
        {
            Player& player = *around.players[i];
            const PlayerBody& playerBody = player.body;
            const Rectangle box{playerBody.x - playerBody.boxWidth * 0.5f, playerBody.y, playerBody.boxWidth,
                                playerBody.boxHeight};
            const float d = DistanceTo(box, point);
            const float fall = Falloff(d, inner, outer);
            const float shakeFall = Falloff(d, outer, ShakeRadius);
            const Vector2 away = playerBody.GetCenter() - point;
            // At the player's very centre the blast has no direction to push in.
            Vector2 direction = away;
            direction.SetLength(1.0f);
            HitInfo hit;
            hit.shooter = owner;
            hit.damage = fall * weapon->explosionDamage;
            hit.impulse = direction * (weapon->explosionImpulse * fall);
            hit.shake = shakeFall * 15.0f;
            hit.shakeLevel = shakeFall * 5.0f;
            hit.shakeTime = shakeFall;
            hit.zone = ContactKind::Torso;
            hit.angle = WrapAngle(std::atan2(away.y, away.x));
            hit.push = fall * weapon->explosionImpulse;
            hit.firstRumble = hit.secondRumble = hit.damage * 0.5f;
            if (applyEffects)
                rules->DamagePlayer(player, hit);
            else
                rules->FeelHit(player, hit);
        }
    }
    if (!applyEffects)
        return;

    const Rectangle area{point.x - outer, point.y - outer, outer * 2.0f, outer * 2.0f};
    for (Pickup& pickup : world.pickupGrid.Query(area))
    {
        DynamicBody& pickupBody = *pickup.body;
        if (!(DistanceTo(pickupBody.GetBounds(), point) < outer))
            continue;
        // Measured to the body's position, its corner for a pickup lying unturned.
        const float d = (Vector2(pickupBody.x, pickupBody.y) - point).Length();
        const float strength = Falloff(d, inner, outer) * weapon->explosionImpulse * 0.05f;
        if (!(strength > 0.0f))
            continue;
        Vector2 push = pickupBody.GetCenter() - point;
        push.SetLength(strength);
        b2Body* physicsBody = pickupBody.physicsBody;
        if (physicsBody && physicsBody->GetType() == b2_dynamicBody)
        {
            physicsBody->SetAwake(true);
            physicsBody->ApplyLinearImpulse(b2Vec2(push.x, push.y), b2Vec2(point.x, point.y), true);
        }
    }
}

void Projectile::RemoveTrail()
{
    World& world = GetWorld();
    if (Visual* visual = world.visuals.Find(trail); visual && visual->body->active)
        world.RemoveVisual(*visual);
    trail = NoEntity;
}

void Projectile::MoveTrail()
{
    World& world = GetWorld();
    if (Visual* visual = world.visuals.Find(trail); visual && visual->body->active)
        MoveVisual(world, *visual, {body->x, body->y});
}

std::unique_ptr<Projectile> LinearProjectileData::Create() const
{
    return std::make_unique<LinearProjectile>();
}

std::unique_ptr<Projectile> DynamicProjectileData::Create() const
{
    return std::make_unique<DynamicProjectile>();
}
