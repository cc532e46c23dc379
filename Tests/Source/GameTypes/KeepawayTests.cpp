#include "Source/GameTypes/Keepaway.h"

#include "Source/Data/WeaponData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/HitInfo.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using MatchTesting::Match;

namespace
{

// Keepaway on Hilltop with local players of these ids and teams on screens 0 up, standing still.
struct TokenMatch
{
    TokenMatch(uint32_t teamCount, std::initializer_list<std::pair<uint8_t, uint8_t>> players,
               void (*configure)(KeepawayConfiguration&) = nullptr)
    {
        match.UseMode("Keepaway");
        match.configuration.teamCount = teamCount;
        if (configure)
            configure(match.SettingsOf<KeepawayConfiguration>());
        uint32_t screen = 0;
        for (const auto& [id, team] : players)
            match.AddLocal(id, team, screen++);
        match.Load("Hilltop");
        match.CreateRules();
        match.Begin();
        for (const auto& [id, team] : players)
            match.Place(id, Away(id));
    }

    Keepaway& Rules() { return match.RulesOf<Keepaway>(); }

    // On the flat ground left of the pit.
    static Lumvek::Vector2 Away(uint8_t id) { return {3.0f + 0.5f * id, 2.0f}; }

    Pickup* PickupOf(const Item& token)
    {
        for (Pickup& pickup : match.world->pickups.View())
            if (pickup.item.get() == &token && pickup.body->active)
                return &pickup;
        return nullptr;
    }

    // The player takes the token from where it lies and carries it.
    void Take(uint8_t id, KeepawayToken& token)
    {
        Pickup* pickup = PickupOf(token);
        ASSERT_NE(pickup, nullptr);
        Player& player = match.PlayerOf(id);
        pickup->GiveTo(player);
        ASSERT_EQ(player.handItem.get(), &token);
        player.CarryItem(std::move(player.handItem));
    }

    void Drop(uint8_t id)
    {
        Player& player = match.PlayerOf(id);
        player.HideSprite(PlayerBone::Item);
        player.DropItem(player.carriedItem);
    }

    static int32_t ScoreOf(const std::vector<ScoreEntry>& scores, uint8_t index)
    {
        for (const ScoreEntry& entry : scores)
            if (entry.index == index)
                return entry.score;
        return -1;
    }

    Match match;
};

} // namespace

TEST(Keepaway, HoldingScoresWholeSecondsAndTwoTokensCountTwice)
{
    // Free for all, with player ids that are not the slot positions.
    TokenMatch game(1, {{3, 4}, {9, 4}}, [](KeepawayConfiguration& settings) { settings.tokenCount = 2; });
    Keepaway& rules = game.Rules();
    ASSERT_EQ(rules.GetTokens().size(), 2u);
    game.Take(9, *rules.GetTokens()[0]);
    game.match.Tick(59);
    EXPECT_EQ(rules.GetStatistics(9).ticksHeld, 59u);
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetPlayerScores(), 9), 0);
    game.match.Tick(1);
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetPlayerScores(), 9), 1);
    // In a free-for-all the team entry is the player's own.
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetTeamScores(), 9), 1);
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetTeamScores(), 3), 0);

    // The second token in the hand as well: two ticks a tick.
    Player& holder = game.match.PlayerOf(9);
    Pickup* second = game.PickupOf(*rules.GetTokens()[1]);
    ASSERT_NE(second, nullptr);
    std::unique_ptr<Item> token = std::move(second->item);
    game.match.world->RemovePickup(*second);
    holder.HoldItem(std::move(token), {holder.body.x, holder.body.y}, 0.0f, false);
    rules.GetTokens()[1]->OnTaken();
    game.match.Tick(1);
    EXPECT_EQ(rules.GetStatistics(9).ticksHeld, 62u);
}

TEST(Keepaway, TwoTeamMatesHoldingHalfTheTimeEachWinASumOfTeamMatch)
{
    TokenMatch game(2, {{0, 0}, {1, 0}, {2, 1}},
                    [](KeepawayConfiguration& settings)
                    {
                        settings.tokenCount = 2;
                        settings.timeToWin = 60;
                        settings.scoring = TeamScoring::SumOfTeam;
                    });
    Keepaway& rules = game.Rules();
    game.Take(0, *rules.GetTokens()[0]);
    game.Take(1, *rules.GetTokens()[1]);
    game.match.Tick(1799);
    EXPECT_FALSE(rules.IsEnded());
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetTeamScores(), 0), 58);
    game.match.Tick(1);
    EXPECT_TRUE(rules.IsEnded());
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetTeamScores(), 0), 60);
    // Once ended, holding earns nothing more.
    game.match.Tick(120);
    EXPECT_EQ(rules.GetStatistics(0).ticksHeld, 1800u);
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetTeamScores(), 0), 60);
}

TEST(Keepaway, AKillWhileHoldingAddsTheBonusAndTheHoldersModifiersComeOffWithTheToken)
{
    TokenMatch game(2, {{0, 0}, {2, 1}},
                    [](KeepawayConfiguration& settings)
                    {
                        settings.killsWhileHoldingBonus = 5;
                        settings.modifyHolder = true;
                        settings.holderModifiers.maximumForwardSpeed = -1.0f;
                    });
    Keepaway& rules = game.Rules();
    Player& holder = game.match.PlayerOf(0);
    const float speed = holder.modifiers[&Attributes::maximumForwardSpeed];
    game.Take(0, *rules.GetTokens()[0]);
    EXPECT_FLOAT_EQ(holder.modifiers[&Attributes::maximumForwardSpeed], speed - 1.0f);
    HitInfo hit;
    hit.shooter = &holder;
    rules.KillPlayer(game.match.PlayerOf(2), hit);
    EXPECT_EQ(rules.GetStatistics(0).ticksHeld, 300u);
    game.match.Tick(1);
    EXPECT_EQ(TokenMatch::ScoreOf(rules.GetPlayerScores(), 0), 5);

    game.Drop(0);
    EXPECT_FLOAT_EQ(holder.modifiers[&Attributes::maximumForwardSpeed], speed);
    ASSERT_FALSE(rules.GetEvents(0).empty());
    EXPECT_EQ(rules.GetEvents(0).back().text, "TOKEN DROPPED");
}

TEST(Keepaway, ATokenNeverHeldPostsNoDrop)
{
    TokenMatch game(2, {{0, 0}, {2, 1}});
    Keepaway& rules = game.Rules();
    // Laid out at set-up, and laid out again after leaving the world: no line either time.
    EXPECT_TRUE(rules.GetEvents(0).empty());
    std::unique_ptr<Item> token;
    Pickup* pickup = game.PickupOf(*rules.GetTokens()[0]);
    ASSERT_NE(pickup, nullptr);
    token = std::move(pickup->item);
    game.match.world->RemovePickup(*pickup);
    game.match.world->ReturnItem(std::move(token));
    EXPECT_NE(game.PickupOf(*rules.GetTokens()[0]), nullptr);
    EXPECT_TRUE(rules.GetEvents(0).empty());

    game.Take(0, *rules.GetTokens()[0]);
    ASSERT_EQ(rules.GetEvents(0).size(), 1u);
    EXPECT_EQ(rules.GetEvents(0).back().text, "TOKEN TAKEN");
}

TEST(Keepaway, ATokenDroppedWithEveryPickupInUseAppearsAtATokenPointOnceOneIsFree)
{
    TokenMatch game(2, {{0, 0}, {2, 1}});
    Keepaway& rules = game.Rules();
    World& world = *game.match.world;
    KeepawayToken& token = *rules.GetTokens()[0];
    game.Take(0, token);
    // The taken pickup's record is freed at the end of the tick.
    game.match.Tick(1);
    const WeaponData& rifle = *game.match.ownRegistry.weapons.Find("Rifle");
    std::vector<EntityId> fillers;
    while (world.pickups.Count() < decltype(world.pickups)::Capacity)
    {
        std::unique_ptr<Weapon> weapon = rifle.Create();
        weapon->data = &rifle;
        const SpawnPoint at{30.0f, 5.0f, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
        Pickup* filler = CreateWeaponPickupEntity(world, at, 0.0f, {}, false, weapon, -1, 0);
        ASSERT_NE(filler, nullptr);
        fillers.push_back(filler->id);
    }
    game.Drop(0);
    EXPECT_EQ(world.GetUnplacedItems().size(), 1u);
    EXPECT_EQ(game.PickupOf(token), nullptr);
    game.match.Tick(2);
    EXPECT_EQ(world.GetUnplacedItems().size(), 1u);

    world.RemovePickup(*world.pickups.Find(fillers.front()));
    game.match.Tick(2);
    EXPECT_TRUE(world.GetUnplacedItems().empty());
    const Pickup* placed = game.PickupOf(token);
    ASSERT_NE(placed, nullptr);
    // At one of the race's free-for-all objective points, where it fell from.
    SpawnMask mask;
    mask.Parse("Race|Objective|FreeForAll");
    const SpawnQuery points = world.QuerySpawnPoints(mask);
    bool atPoint = false;
    for (uint32_t n = 0; n < points.Count(); ++n)
        atPoint = atPoint || std::abs(points.GetNth(n).x - placed->body->x) < 0.5f;
    EXPECT_TRUE(atPoint) << placed->body->x << " " << placed->body->y;
}

// Six tokens, one at each of Hilltop's token points, lie there ten seconds later, on the one-way
// balconies and summit as on solid ground; one let go in the air falls to the ground.
TEST(Keepaway, TokensRestAtTheirPointsAndOneInTheAirFalls)
{
    TokenMatch game(1, {{0, 0}}, [](KeepawayConfiguration& settings) { settings.tokenCount = 6; });
    std::unique_ptr<Item> loose = game.Rules().CreateItem(0);
    CreatePickupEntity(*game.match.world, {36.0f, 8.0f, 0.0f, 0.0f, 0.0f, false, {}}, 0.0f, {}, true, loose, -1);
    game.match.Tick(600);
    std::multiset<std::pair<float, float>> lying;
    for (const Pickup& pickup : game.match.world->pickups.View())
        lying.insert(
            {std::round(pickup.body->x * 20.0f) / 20.0f, std::round(pickup.body->GetLowestPoint() * 20.0f) / 20.0f});
    EXPECT_EQ(lying, (decltype(lying){{10, 2}, {20, 9}, {30, 2}, {36, 12.5f}, {20, 17.5f}, {4, 12.5f}, {36, 2}}));
}

TEST(Keepaway, AClientsCopyOfTheTokenIsDroppedRatherThanLaidOut)
{
    TokenMatch game(2, {{0, 0}});
    std::unique_ptr<Item> copy = game.Rules().CreateItem(0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->data->name, "Token");
    const uint32_t pickups = game.match.world->pickups.Count();
    game.Rules().ReturnItem(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(game.match.world->pickups.Count(), pickups);
}

TEST(Keepaway, AHighlightedTokenIsNoticedAsAnItemPickup)
{
    TokenMatch game(2, {{0, 0}});
    Pickup* pickup = game.PickupOf(*game.Rules().GetTokens()[0]);
    ASSERT_NE(pickup, nullptr);
    pickup->highlightPlayer = GameTypeEvent::EveryPlayer;
    game.match.Tick(1);
    const std::vector<AwarenessMarker>& markers = game.match.PlayerOf(0).awareness;
    EXPECT_TRUE(std::any_of(markers.begin(), markers.end(),
                            [&](const AwarenessMarker& marker) {
                                return marker.kind == AwarenessMarker::ItemPickupKind &&
                                       marker.identifier == pickup->id;
                            }));
}

TEST(Keepaway, ATokenWhoseHolderLeftTheMatchIsLaidOutAgainAndEarnsNothing)
{
    TokenMatch game(2, {{0, 0}, {2, 1}});
    KeepawayToken& token = *game.Rules().GetTokens()[0];
    game.Take(0, token);
    game.match.Tick(10);
    game.match.world->RemovePlayer(game.match.PlayerOf(0));
    game.match.Tick(10);
    EXPECT_LE(game.Rules().GetStatistics(0).ticksHeld, 11u);
    EXPECT_FALSE(token.held);
    EXPECT_NE(game.PickupOf(token), nullptr);
}
