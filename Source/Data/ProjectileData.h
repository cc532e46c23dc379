#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Source/Data/Data.h"

#include <cstdint>
#include <memory>
#include <vector>

class Projectile;

// What a weapon fires: its size and images, whether it turns to face its flight, whether it hits
// one-way platforms, its trail and its explosion. The damage and flight values belong to the weapon.
// Held by the registry's projectile collection, by "DataType"; weapons point at the one they fire.
class ProjectileData : public Data
{
public:
    // The shared keys, then "Size", "Offset", "Orient", "CollideWithOneWay", "TrailSize".
    bool Read(Lumvek::BlueprintReader& reader) override;
    // "DataType" first, then the keys Read takes.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // The image into the texture, and each of the trail image, the trail and explosion effects and the
    // explosion sound whose file the projectile's folder holds. The second texture is not used.
    void Load(Lumvek::Texture& texture, Lumvek::Texture& unused) override;
    // Releases the effects and the explosion sound; the images stay in their texture.
    void Unload() override;
    Lumvek::StringView GetFolder() const override { return "Projectiles"; }

    // A new projectile of the definition's kind with its body; the caller attaches the definition,
    // the weapon and the owner.
    virtual std::unique_ptr<Projectile> Create() const = 0;

    Lumvek::Vector2 size;
    Lumvek::Vector2 trailSize;
    // The body's pivot.
    Lumvek::Vector2 offset;
    bool orient = true;
    bool collideWithOneWay = false;
    // Ids in NameTableA of the images named name + "Projectile" and name + "Trail".
    uint32_t image = Lumvek::InvalidId;
    uint32_t trail = Lumvek::InvalidId;
    // Ids in NameTableB, also the effects' slots in the resource table.
    uint32_t trailEffect = Lumvek::InvalidId;
    uint32_t explosionEffect = Lumvek::InvalidId;
    // Id in NameSet::Global.
    uint32_t explosionSound = Lumvek::InvalidId;
};

// Moved by the world along a straight swept path.
class LinearProjectileData final : public ProjectileData
{
public:
    std::unique_ptr<Projectile> Create() const override;
};

// Simulated by the physics engine as a body of its own.
class DynamicProjectileData final : public ProjectileData
{
public:
    // The linear keys, then "Density", "Restitution", "Friction", "Shape".
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    std::unique_ptr<Projectile> Create() const override;

    float density = 1.0f;
    float restitution = 0.4f;
    float friction = 0.4f;
    // The body's outline in unit-square coordinates.
    std::vector<Lumvek::Vector2> shape;
};

// "LinearProjectile" and "DynamicProjectile".
const DataTypeMap<ProjectileData>& ProjectileDataTypes();
