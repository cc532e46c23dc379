#include "Source/World/Weapon.h"

#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/AttributeDivisor.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Platform.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

using Lumvek::InvalidId;
using Lumvek::Vector2;

namespace
{

constexpr float RadiansPerDegree = 0.017453292f;
// Drawn above the map and the players.
constexpr float ShotDepth = 20.0f;
// The muzzle flash: its size, and the ticks it shows.
constexpr Vector2 FlashSize(0.5f, 0.25f);
constexpr int32_t FlashTicks = 3;
// A shot makes at most as many projectiles as the world can hold, whatever the file says.
constexpr uint32_t MaximumBullets = 1024;

// Where the bone's pivot lies in the world.
Vector2 BoneWorldPosition(Bone& bone)
{
    return bone.GetWorldTransform().TransformPoint(bone.offset);
}

// Whether a Box2D fixture is solid ground that covers the point: a platform that is not one-way.
class MuzzleQuery final : public b2QueryCallback
{
public:
    explicit MuzzleQuery(b2Vec2 point) : point(point) {}

    bool ReportFixture(b2Fixture* fixture) override
    {
        if (fixture->GetBody()->GetType() == b2_dynamicBody)
            return true;
        const auto* body = reinterpret_cast<Body*>(fixture->GetUserData().pointer);
        const auto* platformBody = dynamic_cast<const PlatformBody*>(body);
        if (!platformBody || !platformBody->platform || platformBody->platform->oneWay)
            return true;
        if (!fixture->TestPoint(point))
            return true;
        blocked = true;
        return false;
    }

    b2Vec2 point;
    bool blocked = false;
};

// The closest solid fixture along a ray: dynamic bodies and one-way platforms let the laser through.
class LaserRayCast final : public b2RayCastCallback
{
public:
    float ReportFixture(b2Fixture* fixture, const b2Vec2& point, const b2Vec2&, float fraction) override
    {
        if (fixture->GetBody()->GetType() == b2_dynamicBody)
            return -1.0f;
        const auto* platformBody =
            dynamic_cast<const PlatformBody*>(reinterpret_cast<Body*>(fixture->GetUserData().pointer));
        if (platformBody && platformBody->platform && platformBody->platform->oneWay)
            return -1.0f;
        hit = true;
        end = Vector2(point.x, point.y);
        return fraction;
    }

    bool hit = false;
    Vector2 end;
};

} // namespace

World* Weapon::GetWorld() const
{
    return owner ? owner->body.world : nullptr;
}

Vector2 Weapon::GetSoundPosition() const
{
    if (!owner)
        return Vector2();
    if (Bone* bone = owner->body.GetBone(PlayerBone::Weapon))
        return BoneWorldPosition(*bone);
    return owner->body.GetCenter();
}

void Weapon::PlayAtWeapon(uint32_t sound) const
{
    if (owner && sound != InvalidId)
        owner->GetContext().PlaySound(sound, GetSoundPosition(), owner->body.velocity, 1.0f);
}

void Weapon::OnPickedUp(Player& newOwner)
{
    owner = &newOwner;
    OnPickedUpHook();
    // A weapon just taken fires on the first press, whatever its rate.
    ticksSinceLastShot = data ? static_cast<int32_t>(std::min<uint32_t>(data->semiRateOfFire.ticks, INT32_MAX)) : 0;
    previousPrimary = previousSecondary = previousScope = 0;
}

void Weapon::OnDropped()
{
    OnDroppedHook();
    owner = nullptr;
    zoomIndex = 0;
}

void Weapon::TakeOut()
{
    zoomIndex = 0;
    if (owner && data)
        owner->modifiers += data->modifiers;
    TakeOutHook();
}

void Weapon::PutAway()
{
    PutAwayHook();
    if (owner && data)
        owner->modifiers -= data->modifiers;
}

void Weapon::OnStowed()
{
    OnStowedHook();
}

void Weapon::OnUnstowed()
{
    OnUnstowedHook();
}

bool Weapon::CanReload() const
{
    return data && clip < data->clipSize && reserve > 0;
}

void Weapon::Reload()
{
    if (!data)
        return;
    PlayAtWeapon(data->reloadSound);
    const uint32_t needed = clip < data->clipSize ? data->clipSize - clip : 0;
    if (needed > reserve)
    {
        clip += reserve;
        reserve = 0;
    }
    else
    {
        clip += needed;
        reserve -= needed;
    }
}

void Weapon::PrimaryPressed()
{
    if (data && ticksSinceLastShot >= static_cast<int64_t>(data->semiRateOfFire.ticks))
        Fire();
}

void Weapon::PrimaryHeld()
{
    if (data && ticksSinceLastShot >= static_cast<int64_t>(data->autoRateOfFire.ticks))
        Fire();
}

void Weapon::Fire()
{
    if (!owner || !data)
        return;
    if (clip == 0)
    {
        PlayAtWeapon(Sounds::ClipEmpty);
        ticksSinceLastShot = 0;
        return;
    }
    const MuzzleInfo muzzle = GetMuzzle(true);
    if (muzzle.blocked)
        return;
    --clip;
    ++owner->shotsFired;
    ticksSinceLastShot = 0;
    const uint32_t bullets = std::min(data->bulletCount, MaximumBullets);
    for (uint32_t i = 0; i < bullets; ++i)
        Shoot(muzzle);
    // One shot is one flash and one report, however many pellets it throws; other machines hear of it
    // through the role.
    if (World* world = GetWorld())
    {
        ShowShot(*world, *data, muzzle);
        if (MatchEvents* events = world->GetContext().events)
            events->SendShotFired(*owner, *data, muzzle);
    }
    owner->baseAttributes.noisiness += data->fireNoise;
    owner->body.impulse -= data->recoil * owner->aimDirection;
}

void Weapon::ScopePressed()
{
    if (!data)
        return;
    PlayAtWeapon(data->scopeSound);
    ++zoomIndex;
    if (zoomIndex >= data->zoomLevels.size())
        zoomIndex = 0;
}

MuzzleInfo Weapon::GetMuzzle(bool checkBlocked) const
{
    MuzzleInfo muzzle;
    if (!owner || !data)
        return muzzle;
    const Vector2 aim = owner->aimDirection;
    muzzle.facingLeft = aim.x < 0.0f;
    Bone* humerus = owner->body.GetBone(PlayerBone::RightHumerus);
    const Vector2 origin = humerus ? BoneWorldPosition(*humerus) : owner->body.GetCenter();
    const Vector2 reach = data->aimRadius * aim;
    Vector2 offset((data->muzzleOffset.x - data->offset.x) * data->size.x,
                   (data->muzzleOffset.y - data->offset.y) * data->size.y);
    if (muzzle.facingLeft)
        offset.y = -offset.y;
    muzzle.angle = reach.x == 0.0f && reach.y == 0.0f ? 0.0f : WrapAngle(std::atan2(reach.y, reach.x));
    const float c = std::cos(muzzle.angle);
    const float s = std::sin(muzzle.angle);
    muzzle.x = origin.x + reach.x + offset.x * c - offset.y * s;
    muzzle.y = origin.y + reach.y + offset.x * s + offset.y * c;

    if (checkBlocked && owner->body.world)
        muzzle.blocked = IsInSolidGround(*owner->body.world, {muzzle.x, muzzle.y});
    return muzzle;
}

bool IsInSolidGround(World& world, Vector2 point)
{
    if (!world.GetPhysics() || !std::isfinite(point.x) || !std::isfinite(point.y))
        return false;
    MuzzleQuery query(b2Vec2(point.x, point.y));
    b2AABB box;
    box.lowerBound = box.upperBound = query.point;
    world.GetPhysics()->QueryAABB(&query, box);
    return query.blocked;
}

void Weapon::Spread(float& angleOffset, float& speed)
{
    speed = data ? data->speed : 0.0f;
    World* world = GetWorld();
    if (!data || !world)
        return;
    // Every shot of a match draws from the match's own generator, so that a replay spreads alike.
    Lumvek::RandomGenerator& random = world->shotRandom;
    const float accuracy = AttributeDivisor(owner->GetEffective(&Attributes::accuracy));
    const float degrees = data->spread / accuracy;
    angleOffset = WrapAngle(random.NextRange(-degrees, degrees) * RadiansPerDegree);
    const float variance = data->speedVariance / accuracy;
    speed = data->speed + random.NextRange(-variance, variance);
}

void Weapon::Shoot(const MuzzleInfo& muzzle)
{
    World* world = GetWorld();
    if (!world || !data)
        return;
    if (!predicted)
    {
        float angleOffset = 0.0f;
        float speed = 0.0f;
        Spread(angleOffset, speed);
        const float angle = WrapAngle(muzzle.angle + angleOffset);
        const SpawnPoint placement{muzzle.x, muzzle.y, 0.0f, 0.0f, 0.0f, muzzle.facingLeft != 0, SpawnMask()};
        CreateProjectileEntity(*world, angle, speed, placement, *data, owner);
    }
}

void ShowShot(World& world, const WeaponData& data, const MuzzleInfo& muzzle)
{
    if (data.flash != InvalidId)
        if (Visual* flash =
                CreateVisualEntity(world, {muzzle.x, muzzle.y}, FlashSize, {0.0f, 0.5f}, muzzle.angle, ShotDepth, false,
                                   muzzle.facingLeft != 0, data.flash, InvalidId, InvalidId, FlashTicks, 0, 0);
            flash && flash->image)
        {
            flash->image->depth = ShotDepth;
            flash->image->layer = VisualLayer::Shots;
        }
    if (data.fireSound != InvalidId)
        world.GetContext().PlaySound(data.fireSound, {muzzle.x, muzzle.y}, Vector2(), 1.0f);
}

void Weapon::Update(bool primary, bool secondary, bool scope)
{
    if (ticksSinceLastShot < std::numeric_limits<int32_t>::max())
        ++ticksSinceLastShot;
    if (primary && previousPrimary)
        PrimaryHeld();
    else if (primary)
        PrimaryPressed();
    else if (previousPrimary)
        PrimaryReleased();
    if (secondary && previousSecondary)
        SecondaryHeld();
    else if (secondary)
        SecondaryPressed();
    else if (previousSecondary)
        SecondaryReleased();
    if (scope && !previousScope)
        ScopePressed();
    else if (!scope && previousScope)
        ScopeReleased();
    if (owner)
        HeldTick();
    else
        LooseTick();
    previousPrimary = primary;
    previousSecondary = secondary;
    previousScope = scope;
}

void Weapon::UpdatePredicted(bool primary, bool secondary, bool scope)
{
    predicted = true;
    Update(primary, secondary, scope);
    predicted = false;
}

void Weapon::ReleaseButtons()
{
    if (ticksSinceLastShot < std::numeric_limits<int32_t>::max())
        ++ticksSinceLastShot;
    if (previousPrimary)
        PrimaryReleased();
    if (previousSecondary)
        SecondaryReleased();
    if (previousScope)
        ScopeReleased();
    if (owner)
        HeldTick();
    else
        LooseTick();
    previousPrimary = previousSecondary = previousScope = 0;
}

void SniperRifle::OnPickedUpHook()
{
    World* world = GetWorld();
    const auto* rifle = dynamic_cast<const SniperRifleData*>(data);
    if (!world || !rifle)
        return;
    Visual* visual = CreateVisualEntity(*world, {owner->body.x, owner->body.y}, {0.0f, rifle->laserWidth}, {0.0f, 0.5f},
                                        0.0f, ShotDepth, false, false, rifle->laser, InvalidId, InvalidId, -1, 0, 0);
    if (!visual)
        return;
    if (visual->image)
    {
        visual->image->depth = ShotDepth;
        visual->image->layer = VisualLayer::Shots;
    }
    laser = visual->id;
    ShowLaser(false);
}

void SniperRifle::OnDroppedHook()
{
    World* world = GetWorld();
    if (Visual* visual = world ? world->visuals.Find(static_cast<EntityId>(laser)) : nullptr)
        if (visual->body->active)
            world->RemoveVisual(*visual);
    laser = NoEntity;
}

void SniperRifle::SecondaryPressed()
{
    ShowLaser(true);
    UpdateLaser(true);
}

void SniperRifle::SecondaryHeld()
{
    UpdateLaser(false);
}

void SniperRifle::SecondaryReleased()
{
    ShowLaser(false);
}

void SniperRifle::ShowLaser(bool shown)
{
    World* world = GetWorld();
    Visual* visual = world ? world->visuals.Find(static_cast<EntityId>(laser)) : nullptr;
    if (visual && visual->image)
        visual->image->visible = shown;
}

void SniperRifle::UpdateLaser(bool justPressed)
{
    World* world = GetWorld();
    const auto* rifle = dynamic_cast<const SniperRifleData*>(data);
    if (!world || !rifle)
        return;
    const MuzzleInfo muzzle = GetMuzzle(true);
    ShowLaser(!muzzle.blocked);
    if (muzzle.blocked)
        return;
    const Vector2 start(muzzle.x, muzzle.y);
    Vector2 end = start + rifle->laserLength * Vector2(std::cos(muzzle.angle), std::sin(muzzle.angle));

    // The laser ends where it leaves the world: bottom, top, left and right edge in turn.
    const Lumvek::Rectangle& bounds = world->bounds;
    const Vector2 bottomLeft(bounds.x, bounds.y), bottomRight(bounds.x + bounds.width, bounds.y);
    const Vector2 topLeft(bounds.x, bounds.y + bounds.height);
    const Vector2 topRight(bounds.x + bounds.width, bounds.y + bounds.height);
    const Vector2 edges[4][2] = {
        {bottomLeft, bottomRight}, {topLeft, topRight}, {bottomLeft, topLeft}, {bottomRight, topRight}};
    for (const auto& edge : edges)
        Lumvek::IntersectSegments(start, end, edge[0], edge[1], end);

    // Box2D refuses a ray without length.
    const Vector2 ray = end - start;
    if (world->GetPhysics() && Dot(ray, ray) > 0.0f && std::isfinite(ray.x) && std::isfinite(ray.y))
    {
        LaserRayCast cast;
        world->GetPhysics()->RayCast(&cast, b2Vec2(start.x, start.y), b2Vec2(end.x, end.y));
        if (cast.hit)
            end = cast.end;
    }

    Visual* visual = world->visuals.Find(static_cast<EntityId>(laser));
    if (!visual)
        return;
    TransformBody& body = *visual->body;
    if (justPressed)
    {
        body.previousX = start.x;
        body.previousY = start.y;
    }
    else
    {
        body.previousX = body.x;
        body.previousY = body.y;
    }
    body.x = start.x;
    body.y = start.y;
    body.width = (end - start).Length();
    body.height = rifle->laserWidth;
    body.rotation = muzzle.angle;
    body.flipY = muzzle.facingLeft;
    // Filed again under its new bounds; one the grid cannot take is still drawn, only not found.
    world->visualGrid.Reinsert(*visual);
}

void GrenadeLauncher::PrimaryPressed()
{
    charge = 0;
}

void GrenadeLauncher::PrimaryHeld()
{
    if (charge < std::numeric_limits<int32_t>::max())
        ++charge;
}

void GrenadeLauncher::PrimaryReleased()
{
    if (owner && data && ticksSinceLastShot >= static_cast<int64_t>(data->semiRateOfFire.ticks))
        Fire();
}

void GrenadeLauncher::SecondaryPressed()
{
    charge = -1;
    Weapon::PrimaryPressed();
}

void GrenadeLauncher::SecondaryHeld()
{
    charge = -1;
    Weapon::PrimaryHeld();
}

void GrenadeLauncher::Spread(float& angleOffset, float& speed)
{
    const auto* launcher = dynamic_cast<const GrenadeLauncherData*>(data);
    if (charge < 0 || !launcher)
    {
        Weapon::Spread(angleOffset, speed);
        return;
    }
    // A charge time of 0 reaches full charge at once.
    const uint32_t rate = launcher->chargeRate.ticks;
    const float t = rate == 0 ? 1.0f : std::clamp(static_cast<float>(charge) / static_cast<float>(rate), 0.0f, 1.0f);
    speed = launcher->minimumSpeed + (launcher->maximumSpeed - launcher->minimumSpeed) * t;
    angleOffset = 0.0f;
}

std::unique_ptr<Weapon> WeaponData::Create() const
{
    return std::make_unique<Weapon>();
}

std::unique_ptr<Weapon> SniperRifleData::Create() const
{
    return std::make_unique<SniperRifle>();
}

std::unique_ptr<Weapon> GrenadeLauncherData::Create() const
{
    return std::make_unique<GrenadeLauncher>();
}

std::unique_ptr<Weapon> CreateSpawnWeapon(const WeaponData& definition, uint32_t slot, uint32_t number)
{
    std::unique_ptr<Weapon> weapon = definition.Create();
    weapon->data = &definition;
    weapon->spawnSlot = slot;
    weapon->spawnNumber = number;
    weapon->clip = definition.clipSize;
    weapon->reserve = definition.defaultAmmo;
    return weapon;
}
