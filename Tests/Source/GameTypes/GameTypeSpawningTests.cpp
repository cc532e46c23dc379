#include "Source/GameTypes/GameType.h"

#include "Source/Data/WeaponData.h"
#include "Source/World/Collision.h"
#include "Source/World/HitInfo.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

using Lumvek::Vector2;
using MatchTesting::Match;

namespace
{

// The spawn points of Crossroads for deathmatch players.
const std::vector<Vector2> Team0Points{{3, 2}, {5, 2}, {7.5f, 6.5f}};
const std::vector<Vector2> Team1Points{{45, 2}, {43, 2}, {40.5f, 6.5f}};
const std::vector<Vector2> Team3Points{{42, 14.5f}, {39, 14.5f}};
const std::vector<Vector2> FreeForAllPoints{{3, 2},      {45, 2},     {24, 5},    {10, 6.5f}, {38, 6.5f},
                                            {20, 10.5f}, {28, 10.5f}, {6, 14.5f}, {42, 14.5f}};

bool IsAmong(Vector2 position, const std::vector<Vector2>& points)
{
    return std::find(points.begin(), points.end(), position) != points.end();
}

size_t CountPickups(World& world)
{
    return world.pickups.View().size();
}

} // namespace

TEST(GameTypeSpawning, PlayersSpawnAtTheirTeamsPointsOfTheMode)
{
    struct Case
    {
        uint32_t teamCount;
        uint8_t team;
        // The query the player's team spawns from, and how many points it holds.
        const std::vector<Vector2>* points;
        size_t queries;
    };
    const Case cases[] = {
        // "Player|Deathmatch|Team1": team 1's three points and no other.
        {2, 1, &Team1Points, 2},
        {4, 3, &Team3Points, 4},
        // One "FreeForAll" query for everybody.
        {1, 4, &FreeForAllPoints, 1},
        // A player without a team, or of a team the queries do not reach, takes the first query.
        {2, 4, &Team0Points, 2},
        {2, 3, &Team0Points, 2},
    };
    for (const Case& c : cases)
    {
        Match match;
        match.configuration.teamCount = c.teamCount;
        match.AddBot(0, c.team);
        match.Load("Crossroads");
        GameType& rules = match.CreateRules();
        rules.Start();
        ASSERT_EQ(rules.GetPlayerSpawnQueries().size(), c.queries);
        const uint32_t query = c.teamCount != 1 && c.team < c.queries ? c.team : 0;
        EXPECT_EQ(rules.GetPlayerSpawnQueries()[query].Count(), c.points->size());
        const Player& player = match.PlayerOf(0);
        EXPECT_TRUE(IsAmong({player.body.x, player.body.y}, *c.points))
            << c.teamCount << " " << int(c.team) << ": " << player.body.x << " " << player.body.y;
        // Team 1 and 3 spawn at the right edge, facing left.
        const bool facingLeft = c.points == &Team1Points || c.points == &Team3Points;
        EXPECT_EQ(player.aimDirection.x, facingLeft ? -1.0f : 1.0f);
        EXPECT_EQ(player.body.skeleton.scale.x < 0.0f, facingLeft);
    }

    // Without teams there are no queries: the player starts at the origin.
    Match noTeams;
    noTeams.configuration.teamCount = 0;
    noTeams.AddBot(0, 0);
    noTeams.Load("Crossroads");
    noTeams.Place(0, {12.0f, 2.0f});
    GameType& rules = noTeams.CreateRules();
    rules.Start();
    EXPECT_TRUE(rules.GetPlayerSpawnQueries().empty());
    EXPECT_EQ(Vector2(noTeams.PlayerOf(0).body.x, noTeams.PlayerOf(0).body.y), Vector2(0.0f, 0.0f));
}

TEST(GameTypeSpawning, ASpawnInShowsThePlayerForTwoSecondsThenItTakesPart)
{
    Match match;
    match.AddLocal(0, 0, 0);
    World& world = match.Load("Crossroads");
    match.CreateRules();
    match.Begin();
    Player& player = match.PlayerOf(0);
    ASSERT_EQ(match.rules->GetSpawnIns().size(), 1u);
    const std::vector<EntityId> visuals = match.rules->GetSpawnIns().front().visuals;
    // One image for each bone that shows a sprite.
    ASSERT_EQ(visuals.size(), MatchTesting::CountSprites(player.body.skeleton));
    ASSERT_GT(visuals.size(), 0u);
    EXPECT_EQ(player.weaponState, WeaponState::Aiming);
    // Each is sketched in over the two seconds, from nothing.
    for (EntityId id : visuals)
        EXPECT_EQ(std::make_tuple(world.visuals.Find(id)->image->drawIn, world.visuals.Find(id)->image->duration),
                  std::make_tuple(uint8_t{1}, 2.0f));

    match.Tick(118);
    EXPECT_FALSE(player.body.active);
    EXPECT_EQ(player.health, 0.0f);
    EXPECT_EQ(player.body.physicsBody, nullptr);
    EXPECT_NE(world.visuals.Find(visuals[0]), nullptr);

    match.Tick(4);
    EXPECT_TRUE(match.rules->GetSpawnIns().empty());
    EXPECT_TRUE(player.body.active);
    EXPECT_EQ(player.health, 100.0f);
    for (EntityId id : visuals)
        EXPECT_EQ(world.visuals.Find(id), nullptr);
    // A kinematic box over the hit box, which only dynamic bodies meet.
    b2Body* box = player.body.physicsBody;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetType(), b2_kinematicBody);
    b2Fixture* fixture = box->GetFixtureList();
    ASSERT_NE(fixture, nullptr);
    EXPECT_EQ(fixture->GetFilterData().categoryBits, Collision::Interaction);
    EXPECT_EQ(fixture->GetFilterData().maskBits, Collision::DynamicBody);
    EXPECT_EQ(reinterpret_cast<Body*>(fixture->GetUserData().pointer), &player.body);
    const b2AABB bounds = fixture->GetAABB(0);
    EXPECT_NEAR(bounds.upperBound.x - bounds.lowerBound.x, player.body.boxWidth + 0.02f, 1e-4f);
    EXPECT_NEAR(bounds.upperBound.y - bounds.lowerBound.y, player.body.boxHeight + 0.02f, 1e-4f);
}

TEST(GameTypeSpawning, TheConfigurationsAttributeSettingsActOnTheBaseAttributes)
{
    Match match;
    Attributes& settings = match.configuration.attributes;
    settings.maximumHealth = 2.0f;
    settings.healthRegeneration = 3.0f;
    settings.respawnSpeed = 0.5f;
    settings.awareness = 10.0f;
    settings.accuracy = 2.0f;
    settings.reach = 4.0f;
    match.AddBot(0, 0);
    match.Load("Crossroads");
    match.CreateRules().Start();
    const Attributes& base = match.PlayerOf(0).baseAttributes;
    EXPECT_EQ(base.maximumHealth, 200.0f);
    EXPECT_EQ(base.healthRegeneration, 3.0f);
    EXPECT_EQ(base.respawnSpeed, 0.5f);
    EXPECT_EQ(base.awareness, 60.0f);
    // Accuracy, dexterity, camera zoom and reach are not set per match.
    EXPECT_EQ(base.accuracy, 1.0f);
    EXPECT_EQ(base.reach, 1.0f);
}

TEST(GameTypeSpawning, ARespawnDelayOfZeroRespawnsOnTheNextTick)
{
    Match match;
    match.configuration.settings.respawnTime = 0;
    match.configuration.settings.suicidePenalty = 0;
    match.AddBot(0, 1);
    match.Load("Crossroads");
    GameType& rules = match.CreateRules();
    rules.Start();
    Player& player = match.Place(0, {12.0f, 2.0f});
    rules.KillPlayer(player, HitInfo());
    ASSERT_EQ(rules.GetRespawns().size(), 1u);
    EXPECT_EQ(rules.GetRespawns().front().seconds, 0.0f);
    rules.Update(Lumvek::TickSeconds);
    EXPECT_TRUE(rules.GetRespawns().empty());
    ASSERT_EQ(rules.GetSpawnIns().size(), 1u);
    EXPECT_TRUE(IsAmong({player.body.x, player.body.y}, Team1Points));
}

TEST(GameTypeSpawning, WeaponSpawnsLayAWeaponAtEachPointAndTakeOneBackOnlyToItsOwn)
{
    Match match;
    const uint32_t rifle = match.ownRegistry.weapons.FindIndex("Rifle");
    const WeaponData& rifleData = *match.ownRegistry.weapons.Get(rifle);
    match.configuration.weapons[2] = {rifle, 4};
    // Slot 0 names a weapon the registry does not hold: skipped, with a message.
    match.configuration.weapons[0] = {4000, 4};
    World& world = match.LoadText(MatchTesting::MapText(
        R"({"Position": "5 2", "Size": "1 0.5", "Mask": "Weapon2"},
           {"Position": "15 2", "Size": "1 0.5", "Mask": "Weapon2"},
           {"Position": "25 2", "Size": "1 0.5", "Mask": "Weapon2|Weapon0"},
           {"Position": "35 2", "Size": "1 0.5", "Mask": "Weapon3"})",
        R"({"Position": "0 0", "Size": "40 2"})"));
    GameType& rules = match.CreateRules();
    rules.SetupObjectives();
    ASSERT_EQ(CountPickups(world), 3u);
    for (const Pickup& pickup : world.pickups.View())
    {
        ASSERT_TRUE(pickup.weapon);
        EXPECT_EQ(pickup.weapon->data, &rifleData);
        EXPECT_EQ(pickup.weapon->spawnSlot, 2u);
        EXPECT_EQ(pickup.weapon->clip, rifleData.clipSize);
        EXPECT_EQ(pickup.weapon->reserve, rifleData.defaultAmmo);
        EXPECT_EQ(pickup.body->x, 5.0f + 10.0f * static_cast<float>(pickup.weapon->spawnNumber));
    }

    // The weapon of the second point is taken and used, then handed back.
    Pickup* taken = nullptr;
    for (Pickup& pickup : world.pickups.View())
        if (pickup.weapon->spawnNumber == 1)
            taken = &pickup;
    ASSERT_NE(taken, nullptr);
    std::unique_ptr<Weapon> weapon = std::move(taken->weapon);
    world.RemovePickup(*taken);
    weapon->clip = 2;
    weapon->reserve = 0;
    rules.QueueWeaponSpawn(std::move(weapon));
    // A weapon from no spawn is not kept.
    std::unique_ptr<Weapon> loose = rifleData.Create();
    loose->data = &rifleData;
    rules.QueueWeaponSpawn(std::move(loose));
    ASSERT_EQ(rules.GetWeaponRespawns().size(), 1u);

    match.Tick(234);
    EXPECT_EQ(CountPickups(world), 2u);
    match.Tick(8);
    ASSERT_EQ(CountPickups(world), 3u);
    const Pickup& back = world.pickups.View().back();
    ASSERT_TRUE(back.weapon);
    EXPECT_EQ(back.weapon->spawnNumber, 1u);
    EXPECT_EQ(back.weapon->clip, rifleData.clipSize);
    EXPECT_EQ(back.weapon->reserve, rifleData.defaultAmmo);
    EXPECT_NEAR(back.body->x, 15.0f, 0.05f);
}

TEST(GameTypeSpawning, APickupThatLeavesTheWorldSendsItsWeaponBackToItsSpawn)
{
    Match match;
    const uint32_t rifle = match.ownRegistry.weapons.FindIndex("Rifle");
    match.configuration.weapons[1] = {rifle, 1};
    // No ground: the weapon falls out of the world.
    World& world = match.LoadText(MatchTesting::MapText(R"({"Position": "20 2", "Size": "1 0.5", "Mask": "Weapon1"})"));
    GameType& rules = match.CreateRules();
    rules.SetupObjectives();
    ASSERT_EQ(CountPickups(world), 1u);
    for (int tick = 0; tick < 600 && rules.GetWeaponRespawns().empty(); ++tick)
        world.Step(Lumvek::TickSeconds);
    ASSERT_EQ(rules.GetWeaponRespawns().size(), 1u);
    EXPECT_EQ(rules.GetWeaponRespawns().front().weapon->spawnSlot, 1u);
    EXPECT_EQ(CountPickups(world), 0u);
}

TEST(GameTypeSpawning, AMapFarFromTheOriginPlaysWithItsPlayers)
{
    Match match;
    match.configuration.teamCount = 1;
    match.AddBot(0, 4);
    match.AddBot(1, 4);
    const std::string point = R"({"Size": "1 1", "Mask": "Player|Deathmatch|FreeForAll", "Position": )";
    World& world =
        match.LoadText(R"({"WorldBounds": "100 100 50 30", "SpawnPoints": [)" + point + R"("110 102"}, )" + point +
                       R"("140 102"}], "Entities": {"Platforms": [{"Position": "100 100", "Size": )"
                       R"("50 2"}]}, "Backgrounds": []})");
    ASSERT_EQ(world.activePlayers.size(), 2u);
    match.CreateRules();
    match.Begin();
    match.Tick(180);
    for (const Player* player : world.activePlayers)
        EXPECT_TRUE(player->body.active && !player->IsDead() && player->body.y > 101.9f) << int(player->index);
}
