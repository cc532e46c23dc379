#include "Source/World/WorldHash.h"

#include "Source/World/World.h"

#include <bit>

void WorldHash::AddBytes(const void* data, uint32_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (uint32_t index = 0; index < size; ++index)
    {
        value ^= bytes[index];
        value *= Prime;
    }
}

void WorldHash::Add(float field)
{
    // The bits, not the number: -0 and 0 differ, and so would two NaNs a replay should not tell apart.
    Add(std::bit_cast<uint32_t>(field));
}

void WorldHash::AddWorld(const World& world)
{
    // Each section starts with its count, so that an entity moving from one list to the next still
    // changes the hash.
    Add(static_cast<uint32_t>(world.activePlayers.size()));
    for (const Player& player : world.players)
    {
        if (!player.present)
            continue;
        const PlayerBody& body = player.body;
        Add(player.index);
        Add(player.team);
        Add(body.active);
        Add(body.x);
        Add(body.y);
        Add(body.velocity.x);
        Add(body.velocity.y);
        Add(player.health);
        Add(static_cast<uint32_t>(player.healthState));
        Add(static_cast<uint32_t>(player.movementState));
        Add(static_cast<uint32_t>(player.airState));
        Add(static_cast<uint32_t>(player.weaponState));
        Add(player.aimDirection.x);
        Add(player.aimDirection.y);
    }

    Add(world.pickups.Count());
    for (const Pickup& pickup : world.pickups.View())
    {
        Add(pickup.id);
        Add(pickup.body->active);
        Add(pickup.body->x);
        Add(pickup.body->y);
        Add(pickup.body->velocityX);
        Add(pickup.body->velocityY);
        Add(pickup.lifetime);
    }

    Add(world.projectiles.Count());
    for (const std::unique_ptr<Projectile>& projectile : world.projectiles.View())
    {
        const Body& body = projectile->GetBody();
        Add(projectile->id);
        Add(projectile->age);
        Add(body.active);
        Add(body.x);
        Add(body.y);
        if (const auto* moving = dynamic_cast<const MovingBody*>(&body))
        {
            Add(moving->velocityX);
            Add(moving->velocityY);
            Add(moving->rotation);
        }
    }

    // Platforms carry their index, which tells the moving ones apart.
    for (uint32_t index = 0; index < world.platforms.Count(); ++index)
    {
        const Platform& platform = world.platforms[index];
        const PathedBody* body = platform.GetPathedBody();
        if (!body)
            continue;
        Add(index);
        Add(body->active);
        Add(body->x);
        Add(body->y);
        Add(body->time);
        Add(body->stopped);
        Add(body->finished);
    }
}

void WorldHash::AddScore(uint8_t index, int32_t score)
{
    Add(index);
    Add(score);
}
