#include "Source/World/Projectile.h"

#include "Source/Data/PartData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Action.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/LinearBody.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

using Lumvek::Vector2;
using WeaponTesting::GroundMap;
using WeaponTesting::Match;
using WeaponTesting::PlatformMapWithSpawn;
using WeaponTesting::RecordedHit;

namespace
{

constexpr float HalfTurn = 180.0f * 0.017453292f;
// Players stand on it at y 2, so that they stay where they are put.

// A definition of our own making that fires the shipped projectile of that name.
std::unique_ptr<WeaponData> MakeShootingWeapon(const Match& match, Lumvek::StringView projectile = "Bullet")
{
    auto definition = std::make_unique<WeaponData>();
    definition->name = "TestGun";
    definition->speed = 40.0f;
    definition->contactDamage = 10.0f;
    definition->knockback = 2.0f;
    definition->lifetime.ticks = 300;
    definition->projectile = match.ownRegistry.projectiles.Find(projectile);
    return definition;
}

Projectile& Shoot(World& world, const WeaponData& definition, Vector2 from, float angle, Player* owner = nullptr)
{
    const SpawnPoint placement{from.x, from.y, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    Projectile* projectile = CreateProjectileEntity(world, angle, definition.speed, placement, definition, owner);
    EXPECT_NE(projectile, nullptr);
    return *projectile;
}

const RecordedHit* FindHit(const Match& match, const Player& player)
{
    for (const RecordedHit& hit : static_cast<const WeaponTesting::RecordingRules&>(*match.rules).hits)
        if (hit.player == &player)
            return &hit;
    return nullptr;
}

} // namespace

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

// A weapon whose projectile does not exist was named as its file was read: its shots make nothing, unsaid.
TEST(Projectile, AWeaponWithoutItsProjectileShootsNothingAndSaysNothing)
{
    Match match;
    World& world = match.LoadText(PlatformMapWithSpawn(""));
    Lumvek::Testing::LogCapture log;
    const SpawnPoint placement{2.0f, 3.0f, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    EXPECT_EQ(CreateProjectileEntity(world, 0.0f, 40.0f, placement, *MakeShootingWeapon(match, "Bolts"), nullptr),
              nullptr);
    EXPECT_TRUE(log.messages.empty());
}

// After a bounce at most the bounce lifetime remains; a later bounce changes nothing.
TEST(Projectile, ABounceLeavesAtMostTheBounceLifetime)
{
    Match match;
    World& world = match.LoadText(PlatformMapWithSpawn(""));
    auto definition = MakeShootingWeapon(match, "Grenade");
    definition->bounceLifetime.ticks = 30;
    Projectile& grenade = Shoot(world, *definition, {10.0f, 10.0f}, 0.0f);
    grenade.age = 10;
    grenade.OnCollision({nullptr, nullptr, nullptr, ContactKind::Solid}, {0.0f, 1.0f});
    EXPECT_EQ(grenade.age, 270u);
    for (int tick = 0; tick < 9; ++tick)
        grenade.Update();
    grenade.OnCollision({nullptr, nullptr, nullptr, ContactKind::Solid}, {0.0f, 1.0f});
    EXPECT_EQ(grenade.age, 279u);
    for (int tick = 0; tick < 20; ++tick)
        grenade.Update();
    EXPECT_TRUE(grenade.body->active);
    grenade.Update();
    EXPECT_FALSE(grenade.body->active);
}

// A bullet sweeping into a player's head deals the contact damage times the head-shot modifier, and
// pushes, spins and rumbles by it.
TEST(Projectile, AHeadshotDealsTheContactDamageTimesTheHeadshotModifier)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& victim = match.AddPlayer({20.0f, 2.0f});
    victim.baseAttributes.headshotModifier = 2.0f / victim.modifiers[&Attributes::headshotModifier];
    ASSERT_FLOAT_EQ(victim.GetEffective(&Attributes::headshotModifier), 2.0f);
    const auto& legs = static_cast<const LegsData&>(*victim.legs->data);
    const auto& core = static_cast<const CoreData&>(*victim.core->data);
    const auto& head = static_cast<const HeadData&>(*victim.head->data);
    const float headHeight = 2.0f + legs.size.y + core.size.y + head.size.y * 0.5f;
    const auto definition = MakeShootingWeapon(match);
    Shoot(world, *definition, {15.0f, headHeight}, 0.0f);
    match.Step(30);
    const RecordedHit* hit = FindHit(match, victim);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->hit.zone, ContactKind::Head);
    EXPECT_FLOAT_EQ(hit->hit.damage, 20.0f);
    EXPECT_FLOAT_EQ(hit->hit.firstRumble, 10.0f);
    EXPECT_FLOAT_EQ(hit->hit.secondRumble, 10.0f);
    EXPECT_FLOAT_EQ(hit->hit.spin, 20.0f * 0.5f * 0.017453292f);
    EXPECT_NEAR(hit->hit.impulse.x, 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(hit->hit.push, 40.0f * 0.15f);
    EXPECT_FLOAT_EQ(victim.health, victim.GetEffective(&Attributes::maximumHealth) - 20.0f);
    EXPECT_TRUE(match.LiveProjectiles().empty());
}

// The owner is never hit; team-mates only in a free-for-all or with friendly fire.
TEST(Projectile, OnlyThosePlayersAreHitThatTheShotMayHit)
{
    const struct
    {
        uint32_t teamCount;
        bool friendlyFire;
        bool owner, mate, enemy;
    } cases[] = {{2, false, false, false, true}, {2, true, false, true, true}, {1, false, false, true, true}};
    for (const auto& c : cases)
    {
        Match match;
        World& world = match.LoadText(GroundMap);
        match.configuration.teamCount = c.teamCount;
        match.configuration.settings.friendlyFire = c.friendlyFire;
        Player& shooter = match.AddPlayer({5.0f, 2.0f}, 0);
        Player& mate = match.AddPlayer({8.0f, 2.0f}, 0);
        Player& enemy = match.AddPlayer({11.0f, 2.0f}, 1);
        const auto definition = MakeShootingWeapon(match);
        Projectile& shot = Shoot(world, *definition, {1.0f, 2.5f}, 0.0f, &shooter);
        EXPECT_EQ(std::make_tuple(shot.CanHit(shooter), shot.CanHit(mate), shot.CanHit(enemy)),
                  std::make_tuple(c.owner, c.mate, c.enemy));
        // Nobody's shot hits everybody.
        shot.owner = nullptr;
        EXPECT_TRUE(shot.CanHit(shooter));
        shot.owner = &shooter;
        // Through the sweep: the shot passes the players it may not hit and stops at the first it may.
        match.Step(30);
        EXPECT_EQ(FindHit(match, shooter), nullptr);
        EXPECT_EQ(FindHit(match, mate) != nullptr, c.mate);
        EXPECT_EQ(FindHit(match, enemy) != nullptr, !c.mate);
    }
}

// Explosion damage is full within the inner radius, a quarter half-way to the outer, none from the
// outer on; players up to 10 units away still shake; beyond that they are not touched.
TEST(Projectile, AnExplosionFallsOffBetweenItsRadii)
{
    Match match;
    World& world = match.LoadText(PlatformMapWithSpawn(""));
    auto definition = MakeShootingWeapon(match, "Grenade");
    definition->innerExplosionRadius = 1.0f;
    definition->outerExplosionRadius = 3.0f;
    definition->explosionDamage = 80.0f;
    definition->explosionImpulse = 10.0f;
    const Vector2 point(5.0f, 5.5f);
    const struct
    {
        float distance;
        float damage;
        bool shaken;
    } cases[] = {{0.5f, 80.0f, true}, {2.0f, 20.0f, true}, {3.0f, 0.0f, true}, {9.0f, 0.0f, true}};
    std::vector<Player*> players;
    for (const auto& c : cases)
    {
        Player& player = match.AddPlayer({0.0f, 5.0f});
        player.body.Reset({point.x + c.distance + player.body.boxWidth * 0.5f, 5.0f}, false);
        players.push_back(&player);
    }
    Player& far = match.AddPlayer({0.0f, 5.0f});
    far.body.Reset({point.x + 11.0f + 1.0f, 5.0f}, false);

    Shoot(world, *definition, point, 0.0f).Explode(true);
    for (size_t i = 0; i < players.size(); ++i)
    {
        SCOPED_TRACE(cases[i].distance);
        const RecordedHit* hit = FindHit(match, *players[i]);
        ASSERT_NE(hit, nullptr);
        EXPECT_NEAR(hit->hit.damage, cases[i].damage, 1e-4f);
        EXPECT_NEAR(hit->hit.push, cases[i].damage / 8.0f, 1e-4f);
        EXPECT_GT(hit->hit.shake, 0.0f);
        EXPECT_GT(hit->hit.impulse.x, cases[i].damage > 0.0f ? 0.0f : -1.0f);
    }
    EXPECT_EQ(FindHit(match, far), nullptr);
}

// A blast at the very centre of a player has no direction to push in: the push is nothing, and
// everything stays finite.
TEST(Projectile, ABlastAtAPlayersCentreStaysFinite)
{
    Match match;
    World& world = match.LoadText(PlatformMapWithSpawn(""));
    Player& player = match.AddPlayer({10.0f, 5.0f});
    auto definition = MakeShootingWeapon(match, "Grenade");
    definition->innerExplosionRadius = 1.0f;
    definition->outerExplosionRadius = 3.0f;
    definition->explosionDamage = 10.0f;
    definition->explosionImpulse = 10.0f;
    Projectile& grenade = Shoot(world, *definition, player.body.GetCenter(), 0.0f);
    grenade.Explode(true);
    const RecordedHit* hit = FindHit(match, player);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->hit.impulse, Vector2());
    EXPECT_TRUE(std::isfinite(hit->hit.angle));
    EXPECT_FLOAT_EQ(hit->hit.damage, 10.0f);
    EXPECT_TRUE(std::isfinite(player.body.impulse.x) && std::isfinite(player.body.impulse.y));
}

// The Crossroads bunker button moves the right lift: a shot stops it where it is, the next one starts
// it again.
TEST(Projectile, AShotAtTheCrossroadsButtonTogglesTheLift)
{
    Match match;
    Lumvek::Testing::LogCapture log;
    World& world = match.LoadShipped("Crossroads");
    const Interaction* button = nullptr;
    for (const Interaction& interaction : world.interactions.View())
        if (interaction.hitAction)
            button = &interaction;
    ASSERT_NE(button, nullptr);
    const auto* action = dynamic_cast<const PathStartAction*>(button->hitAction.get());
    ASSERT_NE(action, nullptr);
    PathedBody* lift = world.platforms[action->platform].GetPathedBody();
    ASSERT_NE(lift, nullptr);
    ASSERT_EQ(match.names.platforms.Find("RightLift"), &world.platforms[action->platform]);
    ASSERT_FALSE(lift->stopped);

    const auto definition = MakeShootingWeapon(match);
    const Lumvek::Rectangle bounds = button->body.GetBounds();
    const Vector2 from(bounds.x + bounds.width + 2.0f, bounds.y + bounds.height * 0.5f);
    for (const bool stopped : {true, false})
    {
        Shoot(world, *definition, from, HalfTurn);
        match.Step(10);
        EXPECT_TRUE(match.LiveProjectiles().empty());
        EXPECT_EQ(lift->stopped, stopped);
        const Vector2 position(lift->x, lift->y);
        match.Step(10);
        EXPECT_EQ(Vector2(lift->x, lift->y) == position, stopped);
    }
    EXPECT_TRUE(log.messages.empty());
}
