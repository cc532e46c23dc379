#pragma once

#include "Source/Data/ThemeData.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Lumvek
{
class Geometry;
class Texture;
} // namespace Lumvek

struct Platform;
class World;

// How a platform is drawn. Made by the platform factory through the match's WorldRenderer (none when
// headless or hidden) and owned by the platform. Application thread, or the match loader while it
// fills a world nothing draws yet.
class PlatformRenderable
{
public:
    PlatformRenderable() = default;
    PlatformRenderable(const PlatformRenderable&) = delete;
    PlatformRenderable& operator=(const PlatformRenderable&) = delete;
    virtual ~PlatformRenderable() = default;

    // The platform was made or changed: fit its size to the theme's tiles and, with rejoin set, join
    // it again with the platforms it touches.
    virtual void Prepare(Platform& platform, World& world, uint8_t rejoin) = 0;
    // Writes the platform's tiles as position instances into the buffer. alpha interpolates a moving
    // platform between ticks; dt advances the conveyer strip.
    virtual void Draw(Platform& platform, Lumvek::Geometry& instances, const Lumvek::Texture* platformTexture,
                      const ThemeData& theme, float alpha, float dt) = 0;
};

// What the world asks of the game renderer, which the game library provides: the platform
// renderables, and the map's own background layers, which the map file reads and writes. Published
// through the GameContext; null on a dedicated server and in tests without a renderer.
class WorldRenderer
{
public:
    virtual ~WorldRenderer() = default;

    // A renderable for the platform: joined with its neighbours unless it moves or is one-way.
    virtual std::unique_ptr<PlatformRenderable> CreatePlatformRenderable(const Platform& platform) = 0;
    // The map's background layers, drawn over the theme's.
    virtual std::vector<ThemeBackground>& GetMapBackgrounds() = 0;
};
