#include "Source/World/World.h"

#include "Source/World/EntityFactory.h"
#include "Source/World/PlatformRenderable.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;

namespace
{

void SetRectangle(Body& body, const Rectangle& place)
{
    body.x = body.previousX = place.x;
    body.y = body.previousY = place.y;
    body.width = place.width;
    body.height = place.height;
}

} // namespace

Platform* World::AddPlatform(Vector2 position, Vector2 size)
{
    Platform* platform = CreatePlatformEntity(*this, position, size, false, false, false, false);
    if (!platform)
        return nullptr;
    platform->fromMap = true;
    if (platform->renderable)
        platform->renderable->Prepare(*platform, true);
    RebuildGraph();
    return platform;
}

bool World::PlacePlatform(Platform& platform, const Rectangle& place)
{
    if (!platform.body || !std::isfinite(place.x) || !std::isfinite(place.y) || !std::isfinite(place.width) ||
        !std::isfinite(place.height) || !(place.width > 0.0f) || !(place.height > 0.0f))
        return false;
    Body& body = platform.GetBody();
    const Rectangle before = body.GetBounds();
    SetRectangle(body, place);
    if (!platformGrid.Reinsert(platform))
    {
        SetRectangle(body, before);
        platformGrid.Reinsert(platform);
        return false;
    }
    // The path moves with the platform: it goes on from where it was put rather than jumping back to
    // the frame it was at.
    if (PathedBody* pathed = platform.GetPathedBody())
        for (PathKey& key : pathed->path)
        {
            key.x += place.x - before.x;
            key.y += place.y - before.y;
        }
    // A Box2D body stays where it was made: a new one at the new place (the old one's copy goes too).
    if (body.active)
    {
        platform.body->DestroyPhysics();
        platform.body->CreatePhysics(platform.moving ? 1 : 0);
    }
    if (platform.renderable)
        platform.renderable->Prepare(platform, true);
    RebuildGraph();
    return true;
}

void World::SetPlatformMoving(Platform& platform, bool moving)
{
    if (!platform.body)
        return;
    const Rectangle place = platform.GetBody().GetBounds();
    // The old body, its Box2D body and that body's copy go with it.
    platform.SetMoving(*this, moving);
    SetRectangle(platform.GetBody(), place);
    platform.GetBody().active = 1;
    platform.body->Reset();
    RebuildGraph();
}

void World::RemovePlatform(Platform& platform)
{
    if (!platform.body)
        return;
    platformGrid.Remove(platform);
    platform.fromMap = false;
    platform.body->DestroyPhysics();
    platform.body->active = 0;
    std::erase(movingPlatforms, &platform);
    std::erase(hotZonePlatforms, &platform);
    // The neighbours it joined are prepared again without it, so no join tile points at a gap.
    if (platform.renderable)
        platform.renderable->Prepare(platform, true);
    platform.renderable.reset();
    RebuildGraph();
}

void World::DeletePickup(Pickup& pickup)
{
    if (!pickup.body->active)
        return;
    HandBackPickup(pickup);
    RemovePickup(pickup);
}

void World::RemoveHazard(Hazard& hazard)
{
    // Out of the grid as well, so that nothing finds, touches or draws it from now on.
    hazardGrid.Remove(hazard);
    hazard.fromMap = false;
    hazard.body.active = 0;
}

void World::RemoveZone(Zone& zone)
{
    zoneGrid.Remove(zone);
    zone.fromMap = false;
    zone.body.active = 0;
}

void World::RemoveInteraction(Interaction& interaction)
{
    interactionGrid.Remove(interaction);
    interaction.SetHitAction(TriggerAction::None, *this);
    interaction.fromMap = false;
    interaction.body.active = 0;
}

uint32_t World::AddSpawnPoint(const SpawnPoint& point)
{
    spawnPoints.push_back(point);
    return static_cast<uint32_t>(spawnPoints.size() - 1);
}

void World::RemoveSpawnPoint(uint32_t index)
{
    if (index < spawnPoints.size())
        spawnPoints.erase(spawnPoints.begin() + index);
}

void World::SetSpawnPoint(uint32_t index, const SpawnPoint& point)
{
    if (index < spawnPoints.size())
        spawnPoints[index] = point;
}

void World::SetSpawnPoints(std::vector<SpawnPoint> points)
{
    spawnPoints = std::move(points);
}

bool World::Refile(Hazard& hazard)
{
    return hazardGrid.Reinsert(hazard);
}

bool World::Refile(Interaction& interaction)
{
    return interactionGrid.Reinsert(interaction);
}

bool World::Refile(Zone& zone)
{
    return zoneGrid.Reinsert(zone);
}

bool World::Refile(Platform& platform)
{
    return platformGrid.Reinsert(platform);
}

bool World::Refile(Pickup& pickup)
{
    return pickupGrid.Reinsert(pickup);
}

bool World::Refile(Projectile& projectile)
{
    return projectileGrid.Reinsert(projectile);
}

bool World::Refile(Trigger& trigger)
{
    return triggerGrid.Reinsert(trigger);
}

bool World::Refile(Visual& visual)
{
    return visualGrid.Reinsert(visual);
}

namespace
{

void RecreateFixture(TransformBody& body)
{
    if (auto* simulated = dynamic_cast<DynamicBody*>(&body))
        simulated->initialVelocity = {simulated->velocityX, simulated->velocityY};
    body.DestroyFixture();
    body.CreateFixture();
}

} // namespace

void World::Relocate(Pickup& pickup)
{
    Refile(pickup);
    RecreateFixture(*pickup.body);
}

void World::Relocate(Projectile& projectile)
{
    Refile(projectile);
    if (auto* moving = dynamic_cast<TransformBody*>(&projectile.GetBody()))
        RecreateFixture(*moving);
}

void World::Relocate(Visual& visual)
{
    Refile(visual);
    RecreateFixture(*visual.body);
}

void World::RebuildGraph()
{
    navigator.Build(*this);
}

void World::ForgetPlatformCopy(const b2Body* source)
{
    const auto found = std::find_if(platformCopies.begin(), platformCopies.end(),
                                    [source](const PlatformCopy& copy) { return copy.source == source; });
    if (found == platformCopies.end())
        return;
    if (found->copy && visualPhysics)
        visualPhysics->DestroyBody(found->copy);
    platformCopies.erase(found);
}
