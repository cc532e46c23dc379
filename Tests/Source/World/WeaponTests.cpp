#include "Source/World/Weapon.h"

#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityFactory.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

using Lumvek::Vector2;
using WeaponTesting::Match;
using WeaponTesting::PlatformMapWithSpawn;

namespace
{

constexpr float RadiansPerDegree = 0.017453292f;

// A weapon definition of our own making that fires the shipped bullet: 10 rounds, a semi rate of 30
// ticks and an auto rate of 10, no spread.
template <class Definition = WeaponData> std::unique_ptr<Definition> MakeDefinition(const Match& match)
{
    auto definition = std::make_unique<Definition>();
    definition->name = "TestGun";
    definition->semiRateOfFire.ticks = 30;
    definition->autoRateOfFire.ticks = 10;
    definition->clipSize = 10;
    definition->maxAmmo = 40;
    definition->speed = 40.0f;
    definition->lifetime.ticks = 60;
    definition->size = Vector2(0.8f, 0.3f);
    definition->offset = Vector2(0.3f, 0.4f);
    definition->muzzleOffset = Vector2(0.98f, 0.65f);
    definition->projectile = match.ownRegistry.projectiles.Find("Bullet");
    return definition;
}

// The signed difference of two angles, in (-π, π].
float AngleBetween(float a, float b)
{
    float d = std::fmod(a - b, TwoPi);
    if (d > TwoPi * 0.5f)
        d -= TwoPi;
    if (d <= -TwoPi * 0.5f)
        d += TwoPi;
    return d;
}

// One tick of the player's weapon with the primary button as given.
void Pull(Player& player, bool primary, bool secondary = false, bool scope = false)
{
    player.input[PlayerAction::Primary] = primary;
    player.input[PlayerAction::Secondary] = secondary;
    player.input[PlayerAction::Scope] = scope;
    player.UpdateWeapon();
}

} // namespace

TEST(Weapon, EachDefinitionMakesItsKindWithNoAmmunitionAndNoOwner)
{
    const WeaponData plain;
    const SniperRifleData rifle;
    const GrenadeLauncherData launcher;
    std::unique_ptr<Weapon> weapons[] = {plain.Create(), rifle.Create(), launcher.Create()};
    const auto& first = *weapons[0];
    const auto& second = *weapons[1];
    const auto& third = *weapons[2];
    EXPECT_EQ(typeid(first), typeid(Weapon));
    EXPECT_EQ(typeid(second), typeid(SniperRifle));
    EXPECT_EQ(typeid(third), typeid(GrenadeLauncher));
    for (const std::unique_ptr<Weapon>& weapon : weapons)
    {
        EXPECT_EQ(std::tie(weapon->data, weapon->owner), std::make_tuple(nullptr, nullptr));
        EXPECT_EQ(std::tie(weapon->clip, weapon->reserve), std::make_tuple(0u, 0u));
        // A weapon made outside a weapon spawn has no spawn to go back to.
        EXPECT_EQ(std::tie(weapon->spawnSlot, weapon->spawnNumber), std::make_tuple(Weapon::NoSpawn, Weapon::NoSpawn));
    }
}

// However slow its rate, a weapon just picked up fires on the first press; the next shots wait for the
// rate again.
TEST(Weapon, FiresOnTheFirstPressAfterPickUpAndThenAtItsRates)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(""));
    Player& player = match.AddPlayer({10.0f, 5.0f});
    const auto definition = MakeDefinition(match);
    Weapon& weapon = Match::Arm(player, Match::MakeWeapon(*definition, 10, 0));

    Pull(player, true);
    EXPECT_EQ(match.LiveProjectiles().size(), 1u);
    EXPECT_EQ(weapon.clip, 9u);
    // Held, the auto rate of 10 ticks applies; pressed anew, the semi rate of 30.
    for (int tick = 1; tick < 10; ++tick)
        Pull(player, true);
    EXPECT_EQ(weapon.clip, 9u);
    Pull(player, true);
    EXPECT_EQ(weapon.clip, 8u);
    Pull(player, false);
    Pull(player, true);
    EXPECT_EQ(weapon.clip, 8u);
    for (int tick = 0; tick < 28; ++tick)
        Pull(player, false);
    Pull(player, true);
    EXPECT_EQ(weapon.clip, 7u);
    EXPECT_EQ(weapon.ticksSinceLastShot, 0);
}

// Recoil pushes the shooter back along the aim, and the shot is heard.
TEST(Weapon, AShotPushesTheShooterBackAndMakesNoise)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(""));
    Player& player = match.AddPlayer({10.0f, 5.0f}, 0, true);
    auto definition = MakeDefinition(match);
    definition->recoil = 0.5f;
    definition->fireNoise = 150.0f;
    Match::Arm(player, Match::MakeWeapon(*definition, 10, 0));
    player.baseAttributes.noisiness = 0.0f;
    Pull(player, true);
    EXPECT_EQ(player.body.impulse, Vector2(0.5f, 0.0f));
    EXPECT_EQ(player.GetNoise(), 150.0f);
}

TEST(Weapon, AnEmptyClipClicksAndRestartsTheRateTimer)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(""));
    Player& player = match.AddPlayer({10.0f, 5.0f});
    const auto definition = MakeDefinition(match);
    Weapon& weapon = Match::Arm(player, Match::MakeWeapon(*definition, 0, 20));
    Pull(player, true);
    EXPECT_EQ(match.CountSounds(Sounds::ClipEmpty), 1u);
    EXPECT_EQ(weapon.ticksSinceLastShot, 0);
    EXPECT_TRUE(match.LiveProjectiles().empty());
    EXPECT_EQ(weapon.reserve, 20u);
}

// A muzzle inside solid ground does nothing at all: no shot, no round, no click, and the rate timer
// runs on. A one-way platform does not block.
TEST(Weapon, AMuzzleInSolidGroundDoesNothing)
{
    for (const bool oneWay : {false, true})
    {
        SCOPED_TRACE(oneWay ? "one-way" : "solid");
        Match match;
        World& world = match.LoadText(PlatformMapWithSpawn(""));
        Player& player = match.AddPlayer({10.0f, 5.0f});
        const auto definition = MakeDefinition(match);
        Weapon& weapon = Match::Arm(player, Match::MakeWeapon(*definition, 10, 0));
        const MuzzleInfo muzzle = weapon.GetMuzzle(false);
        ASSERT_NE(CreatePlatformEntity(world, {muzzle.x - 0.25f, muzzle.y - 0.25f}, {0.5f, 0.5f}, false, oneWay, false,
                                       false),
                  nullptr);
        EXPECT_EQ(weapon.GetMuzzle(true).blocked, !oneWay);
        const int32_t before = weapon.ticksSinceLastShot;
        Pull(player, true);
        EXPECT_EQ(match.LiveProjectiles().size(), oneWay ? 1u : 0u);
        EXPECT_EQ(weapon.clip, oneWay ? 9u : 10u);
        EXPECT_EQ(weapon.ticksSinceLastShot, oneWay ? 0 : before + 1);
        EXPECT_EQ(match.CountSounds(Sounds::ClipEmpty), 0u);
    }
}

TEST(Weapon, OneRoundOfFiveBulletsMakesFiveShotsEachWithItsOwnSpreadAndOneReport)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(""));
    Player& player = match.AddPlayer({10.0f, 5.0f});
    auto definition = MakeDefinition(match);
    definition->bulletCount = 5;
    definition->spread = 10.0f;
    definition->fireSound = 60002;
    Weapon& weapon = Match::Arm(player, Match::MakeWeapon(*definition, 10, 0));
    const float aim = weapon.GetMuzzle(false).angle;
    Pull(player, true);
    EXPECT_EQ(weapon.clip, 9u);
    const std::vector<Projectile*> shots = match.LiveProjectiles();
    ASSERT_EQ(shots.size(), 5u);
    std::set<float> angles;
    for (const Projectile* shot : shots)
    {
        const float rotation = static_cast<const TransformBody&>(*shot->body).rotation;
        angles.insert(rotation);
        EXPECT_LE(std::fabs(AngleBetween(rotation, aim)), 10.0f * RadiansPerDegree);
    }
    EXPECT_EQ(angles.size(), 5u);
    EXPECT_EQ(match.CountSounds(60002), 1u);
}

TEST(Weapon, AReloadFillsTheClipAsFarAsTheReserveGoes)
{
    const struct
    {
        uint32_t clip, clipSize, reserve, expectedClip, expectedReserve;
    } cases[] = {{3, 10, 4, 7, 0}, {3, 10, 20, 10, 13}, {10, 10, 5, 10, 5}, {0, 10, 0, 0, 0}};
    for (const auto& c : cases)
    {
        WeaponData definition;
        definition.clipSize = c.clipSize;
        std::unique_ptr<Weapon> weapon = Match::MakeWeapon(definition, c.clip, c.reserve);
        EXPECT_EQ(weapon->CanReload(), c.clip < c.clipSize && c.reserve > 0);
        weapon->Reload();
        EXPECT_EQ(std::tie(weapon->clip, weapon->reserve), std::tie(c.expectedClip, c.expectedReserve))
            << c.clip << " of " << c.clipSize << " with " << c.reserve;
    }
}

// Each press of the scope steps to the next zoom level and wraps; one level or none stays at 0.
TEST(Weapon, TheScopeCyclesThroughTheZoomLevels)
{
    const struct
    {
        std::vector<float> levels;
        std::vector<uint32_t> indices;
    } cases[] = {{{1.0f, 1.6f, 2.4f}, {1, 2, 0, 1}}, {{1.0f}, {0, 0}}, {{}, {0}}};
    for (const auto& c : cases)
    {
        Match match;
        match.LoadText(PlatformMapWithSpawn(""));
        Player& player = match.AddPlayer({10.0f, 5.0f});
        auto definition = MakeDefinition(match);
        definition->zoomLevels = c.levels;
        Weapon& weapon = Match::Arm(player, Match::MakeWeapon(*definition, 10, 0));
        for (uint32_t expected : c.indices)
        {
            Pull(player, false, false, true);
            Pull(player, false, false, true);
            Pull(player, false, false, false);
            EXPECT_EQ(weapon.zoomIndex, expected) << c.levels.size() << " levels";
        }
    }
}

// A charged grenade leaves faster the longer the trigger was held, up to the maximum at the charge
// time; a charge time of 0 is full charge at once.
TEST(GrenadeLauncher, TheChargeSetsTheGrenadesSpeed)
{
    const struct
    {
        uint32_t chargeRate;
        uint32_t heldTicks;
        float speed;
    } cases[] = {{30, 0, 6.0f}, {30, 15, 12.0f}, {30, 30, 18.0f}, {30, 90, 18.0f}, {0, 0, 18.0f}};
    for (const auto& c : cases)
    {
        Match match;
        match.LoadText(PlatformMapWithSpawn(""));
        Player& player = match.AddPlayer({10.0f, 5.0f});
        auto definition = MakeDefinition<GrenadeLauncherData>(match);
        definition->projectile = match.ownRegistry.projectiles.Find("Grenade");
        definition->minimumSpeed = 6.0f;
        definition->maximumSpeed = 18.0f;
        definition->chargeRate.ticks = c.chargeRate;
        definition->spread = 30.0f;
        Match::Arm(player, Match::MakeWeapon(*definition, 4, 0));
        Pull(player, true);
        for (uint32_t tick = 0; tick < c.heldTicks; ++tick)
            Pull(player, true);
        EXPECT_TRUE(match.LiveProjectiles().empty());
        Pull(player, false);
        const std::vector<Projectile*> shots = match.LiveProjectiles();
        ASSERT_EQ(shots.size(), 1u);
        const auto& body = static_cast<const DynamicBody&>(*shots[0]->body);
        EXPECT_NEAR(body.initialVelocity.Length(), c.speed, 1e-4f)
            << "charge rate " << c.chargeRate << ", held " << c.heldTicks;
        // A charged grenade flies straight along the aim.
        EXPECT_FLOAT_EQ(body.rotation, 0.0f);
    }
}

// The laser ends at the world's edge, passes through one-way platforms and stops at solid ones.
TEST(SniperRifle, TheLaserEndsAtTheWorldsEdgeOrTheFirstSolidPlatform)
{
    const struct
    {
        const char* platforms;
        float end;
    } cases[] = {
        {"", 40.0f},
        {R"({"Position": "37 0", "Size": "1 10", "OneWay": true})", 40.0f},
        {R"({"Position": "37 0", "Size": "1 10"})", 37.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.platforms);
        Match match;
        World& world = match.LoadText(PlatformMapWithSpawn(c.platforms));
        Player& player = match.AddPlayer({33.0f, 2.0f});
        auto definition = MakeDefinition<SniperRifleData>(match);
        definition->laserLength = 50.0f;
        definition->laserWidth = 0.1f;
        auto& rifle = static_cast<SniperRifle&>(Match::Arm(player, Match::MakeWeapon(*definition, 5, 0)));
        const Visual* laser = world.visuals.Find(static_cast<EntityId>(rifle.laser));
        ASSERT_NE(laser, nullptr);
        const MuzzleInfo muzzle = rifle.GetMuzzle(true);
        ASSERT_FALSE(muzzle.blocked);
        Pull(player, false, true);
        const TransformBody& body = *laser->body;
        EXPECT_EQ(Vector2(body.x, body.y), Vector2(muzzle.x, muzzle.y));
        EXPECT_NEAR(body.x + body.width, c.end, 1e-3f);
        EXPECT_FLOAT_EQ(body.height, 0.1f);
        // Dropping the rifle takes its laser out of the world.
        player.DropWeapon(player.weapon);
        match.Step();
        EXPECT_EQ(world.visuals.Find(laser->id), nullptr);
    }
}

// Every spread comes from the match's own generator: one seed spreads alike in two runs, another seed
// otherwise. An Accuracy modified to nothing widens the spread tenfold at most, never beyond.
TEST(Weapon, TheSpreadIsTheMatchsOwnAndStaysWithinItsCone)
{
    const auto fire = [](uint32_t seed, float accuracy)
    {
        Match match;
        match.LoadText(PlatformMapWithSpawn(""), seed);
        Player& player = match.AddPlayer({10.0f, 5.0f});
        player.modifiers.Multiply(&Attributes::accuracy, accuracy);
        auto definition = MakeDefinition(match);
        definition->bulletCount = 8;
        definition->spread = 2.0f;
        definition->speedVariance = 1.0f;
        Match::Arm(player, Match::MakeWeapon(*definition, 10, 0));
        Pull(player, true);
        std::vector<std::pair<float, float>> shots;
        for (const Projectile* shot : match.LiveProjectiles())
        {
            const auto& body = static_cast<const MovingBody&>(*shot->body);
            shots.emplace_back(body.rotation, Vector2(body.velocityX, body.velocityY).Length());
        }
        return shots;
    };
    EXPECT_EQ(fire(7, 1.0f), fire(7, 1.0f));
    EXPECT_NE(fire(7, 1.0f), fire(8, 1.0f));
    for (const float accuracy : {1.0f, 0.0f, -1.0f})
        for (const auto& [rotation, speed] : fire(7, accuracy))
        {
            const float cone = accuracy >= 0.1f ? 2.0f / accuracy : 20.0f;
            EXPECT_TRUE(std::isfinite(rotation) && std::isfinite(speed));
            EXPECT_LE(std::fabs(AngleBetween(rotation, 0.0f)), cone * RadiansPerDegree + 1e-6f) << accuracy;
            EXPECT_LE(std::fabs(speed - 40.0f), cone * 0.5f + 1e-4f) << accuracy;
        }
}
