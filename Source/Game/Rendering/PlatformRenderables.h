#pragma once

#include "Source/World/WorldRenderer.h"

#include <cstdint>
#include <vector>

// A platform drawn on its own: moving and one-way platforms.
class IndependentPlatformRenderable final : public PlatformRenderable
{
public:
    void Prepare(Platform& platform, World& world, uint8_t rejoin) override;
    void Draw(Platform& platform, Lumvek::Geometry& instances, const Lumvek::Texture* platformTexture,
              const ThemeData& theme, float alpha, float dt) override;

    // The conveyer strip's scroll, in world units.
    float scroll = 0.0f;
};

// A solid platform drawn together with the solid platforms it touches, so that they read as one mass.
class JoinedPlatformRenderable final : public PlatformRenderable
{
public:
    void Prepare(Platform& platform, World& world, uint8_t rejoin) override;
    void Draw(Platform& platform, Lumvek::Geometry& instances, const Lumvek::Texture* platformTexture,
              const ThemeData& theme, float alpha, float dt) override;

    float scroll = 0.0f;
};
