#include "Source/World/Projectile.h"

#include "Source/Data/ProjectileData.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/LinearBody.h"

#include <utility>

Projectile::Projectile(std::unique_ptr<Body> body) : body(std::move(body)) {}

Projectile::~Projectile() = default;

LinearProjectile::LinearProjectile() : Projectile(std::make_unique<LinearBody>()) {}

DynamicProjectile::DynamicProjectile() : Projectile(std::make_unique<DynamicBody>()) {}

std::unique_ptr<Projectile> LinearProjectileData::Create() const
{
    return std::make_unique<LinearProjectile>();
}

std::unique_ptr<Projectile> DynamicProjectileData::Create() const
{
    return std::make_unique<DynamicProjectile>();
}
