#include "Source/World/Projectile.h"

#include "Source/Data/ProjectileData.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/LinearBody.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

TEST(Projectile, EachDefinitionMakesItsKindWithItsBody)
{
    const LinearProjectileData bolt;
    const DynamicProjectileData grenade;
    std::unique_ptr<Projectile> linear = bolt.Create();
    std::unique_ptr<Projectile> dynamic = grenade.Create();
    // Dereferenced apart: typeid of an expression that calls a function is a warning of its own.
    const auto& linearMade = *linear;
    const auto& dynamicMade = *dynamic;
    const auto& linearBody = *linear->body;
    const auto& dynamicBody = *dynamic->body;
    EXPECT_EQ(typeid(linearMade), typeid(LinearProjectile));
    EXPECT_EQ(typeid(dynamicMade), typeid(DynamicProjectile));
    EXPECT_EQ(typeid(linearBody), typeid(LinearBody));
    EXPECT_EQ(typeid(dynamicBody), typeid(DynamicBody));
    // The caller attaches the weapon and the owner; there is no trail until the projectile begins.
    for (const Projectile* projectile : {linear.get(), dynamic.get()})
        EXPECT_EQ(std::tie(projectile->weapon, projectile->owner, projectile->trail),
                  std::make_tuple(nullptr, nullptr, Projectile::NoEntity));
}

TEST(Projectile, ADynamicBodyDropsItsBox2DBodyOnResetAndDestroysTheOneItHolds)
{
    b2World world(b2Vec2(0.0f, -10.0f));
    b2BodyDef definition;
    definition.type = b2_dynamicBody;
    b2Body* dropped = world.CreateBody(&definition);
    {
        DynamicBody dynamic;
        dynamic.physicsBody = dropped;
        dynamic.collidesWithTriggers = 1;
        dynamic.collideWithOneWay = 0;
        dynamic.Reset();
        EXPECT_EQ(dynamic.physicsBody, nullptr);
        EXPECT_EQ(std::tie(dynamic.collidesWithTriggers, dynamic.collideWithOneWay), std::make_tuple(0, 1));
        dynamic.physicsBody = world.CreateBody(&definition);
        EXPECT_EQ(world.GetBodyCount(), 2);
    }
    EXPECT_EQ(world.GetBodyCount(), 1);
    EXPECT_EQ(world.GetBodyList(), dropped);
}
