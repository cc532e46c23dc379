#include "Source/Data/ProjectileData.h"

#include "Tests/Source/Data/DefinitionTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::InvalidId;

TEST(ProjectileData, EachKindReadsAndWritesItsOwnKeys)
{
    DynamicProjectileData bare;
    ReadDefinition(bare, R"({"DataType": "DynamicProjectile"})");
    EXPECT_TRUE(bare.orient);
    EXPECT_FALSE(bare.collideWithOneWay);
    EXPECT_EQ(std::tie(bare.density, bare.restitution, bare.friction), std::make_tuple(1.0f, 0.4f, 0.4f));
    EXPECT_TRUE(bare.shape.empty());
    EXPECT_EQ(std::tie(bare.image, bare.trail, bare.trailEffect, bare.explosionEffect, bare.explosionSound),
              std::make_tuple(InvalidId, InvalidId, InvalidId, InvalidId, InvalidId));

    const std::string keys = R"("Size": "0.5 0.25", "Offset": "0.5 0.5", "Orient": false, "CollideWithOneWay": true,
                                "TrailSize": "2.0 0.25", "Density": 3.0, "Restitution": 0.5, "Friction": 0.75,
                                "Shape": ["0.0 0.0", "1.0 0.5"])";
    LinearProjectileData bolt;
    ReadDefinition(bolt, "{" + keys + "}");
    EXPECT_EQ(std::tie(bolt.size.x, bolt.offset.y, bolt.trailSize.x), std::make_tuple(0.5f, 0.5f, 2.0f));
    EXPECT_FALSE(bolt.orient);
    EXPECT_TRUE(bolt.collideWithOneWay);
    // A linear projectile has no body of its own to weigh or shape.
    EXPECT_EQ(MemberNames(Written(bolt)),
              (std::vector<std::string>{"DataType", "Size", "Offset", "Orient", "CollideWithOneWay", "TrailSize"}));
    EXPECT_EQ(Written(bolt).GetObject().Find("DataType")->GetString(), StringView("LinearProjectile"));
    ExpectRoundTrip(bolt);

    DynamicProjectileData grenade;
    ReadDefinition(grenade, "{" + keys + "}");
    EXPECT_EQ(std::tie(grenade.density, grenade.restitution, grenade.friction), std::make_tuple(3.0f, 0.5f, 0.75f));
    EXPECT_EQ(grenade.shape.size(), 2u);
    EXPECT_EQ(Written(grenade), Json(R"({"DataType": "DynamicProjectile", )" + keys + "}"));
    ExpectRoundTrip(grenade);

    EXPECT_EQ(ProjectileDataTypes().Create("Projectile"), nullptr);
}

TEST(ProjectileData, LoadsWhatItsFolderHoldsAndReleasesItAgain)
{
    LoadingFolder folder;
    folder.Write("Projectiles/Bolt/Image.png", Lumvek::Testing::PatternPng(4, 2));
    folder.Write("Projectiles/Bolt/Trail.png", Lumvek::Testing::PatternPng(8, 2));
    folder.Write("Projectiles/Bolt/Trail.lte", "{}");
    folder.Write("Projectiles/Bolt/Explosion.lte", "{}");
    folder.Write("Projectiles/Bolt/Explosion.wav", "RIFF");
    folder.Write("Projectiles/Pellet/Image.png", Lumvek::Testing::PatternPng(2, 2));

    LinearProjectileData bolt;
    folder.Attach(bolt, "Bolt");
    bolt.Load(*folder.first, *folder.second);
    EXPECT_EQ(bolt.image, Lumvek::NameTableA().Add("BoltProjectile"));
    EXPECT_EQ(bolt.trail, Lumvek::NameTableA().Add("BoltTrail"));
    EXPECT_EQ(bolt.trailEffect, Lumvek::NameTableB().Add("BoltTrailEffect"));
    EXPECT_EQ(bolt.explosionEffect, Lumvek::NameTableB().Add("BoltExplosionEffect"));
    EXPECT_EQ(bolt.explosionSound, Lumvek::NameSet::Global().Add("BoltExplosionSound"));
    ASSERT_NE(folder.first->GetRegion(bolt.trail), nullptr);
    EXPECT_EQ(folder.first->GetRegion(bolt.trail)->width, 8u);
    ASSERT_NE(folder.FindSound(bolt.explosionSound), nullptr);
    EXPECT_EQ(folder.FindSound(bolt.explosionSound)->path, "Assets/Projectiles/Bolt/Explosion.wav");

    // Unloading releases the effects in their slots and the sound, once; the images stay.
    folder.FillSlot(bolt.trailEffect);
    folder.FillSlot(bolt.explosionEffect);
    folder.calls.calls.clear();
    bolt.Unload();
    bolt.Unload();
    EXPECT_EQ(folder.table.Get(bolt.trailEffect), nullptr);
    EXPECT_EQ(folder.table.Get(bolt.explosionEffect), nullptr);
    EXPECT_EQ(folder.FindSound(bolt.explosionSound), nullptr);
    EXPECT_NE(folder.first->GetRegion(bolt.image), nullptr);

    // Without the optional files only the image loads, and nothing is released.
    DynamicProjectileData pellet;
    folder.Attach(pellet, "Pellet");
    pellet.Load(*folder.first, *folder.second);
    EXPECT_NE(folder.first->GetRegion(pellet.image), nullptr);
    EXPECT_EQ(std::tie(pellet.trail, pellet.trailEffect, pellet.explosionEffect, pellet.explosionSound),
              std::make_tuple(InvalidId, InvalidId, InvalidId, InvalidId));
    const std::vector<std::string> boltCalls = folder.calls.calls;
    pellet.Unload();
    EXPECT_EQ(folder.calls.calls, boltCalls);
}
