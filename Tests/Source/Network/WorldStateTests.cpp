#include "Source/Data/ItemData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/ReceivedEntities.h"
#include "Source/Network/WorldState.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/WorldHash.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <vector>

using MatchTesting::Match;

namespace
{

// A mode that hands out the items a client is told about, as the modes with items do.
class ItemGame final : public GameType
{
public:
    using GameType::GameType;

    float GetProgress(int32_t) const override { return 0.0f; }
    std::unique_ptr<Item> CreateItem(uint32_t index) override
    {
        auto item = std::make_unique<Item>();
        item->data = GetContext().registry->items.Get(index);
        ++made;
        return item;
    }
    void ReturnItem(std::unique_ptr<Item>& item) override
    {
        ++returned;
        item.reset();
    }

    uint32_t made = 0;
    uint32_t returned = 0;
};

constexpr uint32_t ServerClient = 1;
constexpr uint32_t OtherClient = 2;

// A Crossroads match of four bots, as the server and as one client see it, in one process. Bots 0 and
// 1 belong to the client, 2 and 3 to another one. Every player stands in the open with its camera on
// itself.
SpawnPoint At(float x, float y);

struct TwoWorlds
{
    TwoWorlds()
    {
        for (Match* match : {&server, &client})
        {
            for (uint8_t id = 0; id < 4; ++id)
                match->AddBot(id, id % 2);
            match->Load("Crossroads");
            match->CreateRules();
            for (uint8_t id = 0; id < 4; ++id)
                Stand(*match, id, {8.0f + 8.0f * id, 4.0f});
        }
    }

    static void Stand(Match& match, uint8_t id, Lumvek::Vector2 at)
    {
        Player& player = match.Place(id, at);
        player.camera.position = at;
    }

    GameState Collect(uint32_t forClient)
    {
        GameState state;
        CollectGameState(server, state, viewers, forClient);
        return state;
    }

    Pickup* DropRifle(Lumvek::Vector2 at)
    {
        const WeaponData* rifle = server.ownRegistry.weapons.Find("Rifle");
        std::unique_ptr<Weapon> weapon = rifle->Create();
        weapon->data = rifle;
        return CreateWeaponPickupEntity(*server.world, At(at.x, at.y), 0.0f, {}, false, weapon, -1, 0);
    }

    Match server;
    Match client;
    std::vector<StateViewer> viewers{{0, ServerClient}, {1, ServerClient}, {2, OtherClient}, {3, OtherClient}};
};

SpawnPoint At(float x, float y)
{
    SpawnPoint point;
    point.x = x;
    point.y = y;
    return point;
}

uint64_t Hash(const World& world)
{
    WorldHash hash;
    hash.AddWorld(world);
    return hash.Get();
}

} // namespace

TEST(WorldState, OwnPlayersGoWholeAndOthersOnlyAliveInTheirOwnView)
{
    TwoWorlds worlds;
    // An own player goes dead or alive; another client's dead player, or one outside its own view, does
    // not; a player with no buffer never goes.
    Player& ownDead = worlds.server.PlayerOf(1);
    ownDead.body.active = 0;
    ownDead.health = 0.0f;
    worlds.server.PlayerOf(2).body.active = 0;
    worlds.server.PlayerOf(3).camera.position = {40.0f, 20.0f};
    worlds.viewers.erase(worlds.viewers.begin());

    GameState state = worlds.Collect(ServerClient);
    ASSERT_EQ(state.ownCount, 1u);
    EXPECT_EQ(state.ownPlayers[0].player, 1);
    EXPECT_EQ(state.playerCount, 0u);

    worlds.server.PlayerOf(3).camera.position = {32.0f, 4.0f};
    state = worlds.Collect(ServerClient);
    ASSERT_EQ(state.playerCount, 1u);
    EXPECT_EQ(state.players[0].player, 3);

    // A removed slot is skipped like a missing player.
    worlds.server.configuration.GetPlayer(3).removed = true;
    EXPECT_EQ(worlds.Collect(ServerClient).playerCount, 0u);
}

TEST(WorldState, PlayersAppliedOnTheClientCollectAsTheServerSentThem)
{
    TwoWorlds worlds;
    Player& sent = worlds.server.PlayerOf(0);
    sent.body.velocity = {1.5f, -2.0f};
    sent.body.jumpTime = 0.25f;
    sent.health = 42.0f;
    sent.weaponState = WeaponState::Reloading;
    sent.weaponTimer = 17;
    sent.airState = AirState::Falling;
    sent.input.move = -90;
    sent.input[PlayerAction::Jump] = 1;
    const WeaponData& shotgun = *worlds.server.ownRegistry.weapons.Find("Shotgun");
    sent.weapon = shotgun.Create();
    sent.weapon->data = &shotgun;
    sent.weapon->clip = 5;
    sent.weapon->reserve = 30;
    const WeaponData& sniper = *worlds.server.ownRegistry.weapons.Find("SniperRifle");
    std::unique_ptr<Weapon> lying = sniper.Create();
    lying->data = &sniper;
    sent.HoldWeapon(std::move(lying), {0.5f, 1.25f}, 0.75f, true);
    // More platforms passed through than a state holds: the first six go.
    for (uint16_t index = 0; index < 8; ++index)
        sent.body.passThroughPlatforms.push_back(&worlds.server.world->platforms[index]);

    GameState state = worlds.Collect(ServerClient);
    ASSERT_EQ(state.ownCount, 2u);
    EXPECT_EQ(state.ownPlayers[0].passThroughCount, 6u);
    EXPECT_EQ(state.ownPlayers[0].passThroughPlatforms[5], 5);
    ApplyGameState(worlds.client, state);

    Player& received = worlds.client.PlayerOf(0);
    ASSERT_NE(received.weapon, nullptr);
    EXPECT_EQ(received.weapon->data, worlds.client.ownRegistry.weapons.Find("Shotgun"));
    EXPECT_EQ(received.body.passThroughPlatforms.size(), 6u);
    ASSERT_NE(received.pendingWeapon, nullptr);
    EXPECT_EQ(received.pendingWeapon->owner, &received);
    FullPlayerState again;
    CollectFullPlayerState(again, received);
    EXPECT_EQ(again, state.ownPlayers[0]);

    // A platform the client does not have is neither ground nor passed through.
    FullPlayerState unknown = state.ownPlayers[0];
    unknown.onPlatform = true;
    unknown.platform = 1023;
    unknown.passThroughPlatforms[2] = 1023;
    ApplyFullPlayerState(unknown, received);
    EXPECT_EQ(received.body.GetContact(CollisionSide::Bottom).platform, nullptr);
    EXPECT_EQ(received.body.passThroughPlatforms.size(), 5u);

    // The other client's view of the same player carries its controls and its health in whole points
    // (rounded up: a living player never reads as dead) instead of its ammunition.
    sent.health = 41.2f;
    GameState other = worlds.Collect(OtherClient);
    ASSERT_EQ(other.playerCount, 2u);
    const PlayerState& seen = other.players[0].player == 0 ? other.players[0] : other.players[1];
    EXPECT_EQ(seen.move, -90);
    EXPECT_EQ(seen.jump, 1);
    EXPECT_EQ(seen.health, 42u);
    ApplyPlayerState(seen, worlds.client.PlayerOf(2));
    EXPECT_EQ(worlds.client.PlayerOf(2).health, 42.0f);
    PlayerState seenAgain;
    CollectPlayerState(seenAgain, worlds.client.PlayerOf(2));
    seenAgain.player = 0;
    EXPECT_EQ(seenAgain, seen);
}

TEST(WorldState, ListsKeepTheLastDiscoveredAndAThingInTwoViewsGoesTwice)
{
    TwoWorlds worlds;
    World& world = *worlds.server.world;
    // Both own players look at the same wide stretch: pickups in the first grid column are discovered
    // first, so they are the ones a full list leaves out.
    for (uint8_t id : {0, 1})
    {
        worlds.server.PlayerOf(id).camera.position = {20.0f, 8.0f};
        worlds.server.PlayerOf(id).camera.viewSize = {40.0f, 14.0f};
    }
    std::vector<EntityId> early;
    for (int i = 0; i < 5; ++i)
        early.push_back(worlds.DropRifle({2.0f + i, 10.0f})->id);
    for (int i = 0; i < 50; ++i)
        ASSERT_NE(worlds.DropRifle({17.0f + (i % 10) * 2.0f, 4.0f + (i / 10) * 2.0f}), nullptr);
    // Ten moving platforms and ten shots in view: eight of each, listed once per own player no more.
    for (int i = 0; i < 10; ++i)
    {
        Platform* lift = CreatePlatformEntity(world, {2.0f + 3.0f * i, 14.0f}, {2.0f, 0.5f}, false, false, true, false);
        ASSERT_NE(lift, nullptr);
        ASSERT_NE(CreateProjectileEntity(world, 0.0f, 1.0f, At(3.0f + 3.0f * i, 12.0f),
                                         *worlds.server.ownRegistry.weapons.Find("Rifle"), nullptr),
                  nullptr);
    }
    GameState state = worlds.Collect(ServerClient);
    EXPECT_EQ(state.pickupCount, 50u);
    EXPECT_EQ(state.platformCount, 8u);
    EXPECT_EQ(state.projectileCount, 8u);
    for (uint32_t i = 0; i < state.pickupCount; ++i)
        EXPECT_EQ(std::count(early.begin(), early.end(), state.pickups[i].id), 0) << state.pickups[i].id;

    // With room, each own player's view lists the same pickup again.
    worlds.server.PlayerOf(0).camera.viewSize = {1.0f, 1.0f};
    worlds.server.PlayerOf(1).camera.viewSize = {1.0f, 1.0f};
    worlds.server.PlayerOf(0).camera.position = {2.0f, 10.0f};
    worlds.server.PlayerOf(1).camera.position = {2.0f, 10.0f};
    state = worlds.Collect(ServerClient);
    ASSERT_EQ(state.pickupCount, 2u);
    EXPECT_EQ(state.pickups[0], state.pickups[1]);

    ApplyGameState(worlds.client, state);
    World& clientWorld = *worlds.client.world;
    EXPECT_EQ(clientWorld.pickups.Count(), 1u);
    Pickup* placed = clientWorld.pickups.Find(state.pickups[0].id);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->body->x, state.pickups[0].position.x);
    EXPECT_EQ(placed->body->y, state.pickups[0].position.y);
    ASSERT_NE(placed->weapon, nullptr);
    EXPECT_EQ(placed->weapon->data->index, state.pickups[0].definition);
}

TEST(WorldState, ApplyingAStateTwiceIsApplyingItOnce)
{
    TwoWorlds worlds;
    worlds.DropRifle({9.0f, 6.0f});
    CreateProjectileEntity(*worlds.server.world, 0.5f, 3.0f, At(10.0f, 6.0f),
                           *worlds.server.ownRegistry.weapons.Find("GrenadeLauncher"), &worlds.server.PlayerOf(0));
    worlds.server.PlayerOf(0).camera.position = {15.0f, 6.0f};
    worlds.server.PlayerOf(1).camera.position = {40.0f, 20.0f};
    for (int tick = 0; tick < 30; ++tick)
        worlds.server.world->Step(Lumvek::TickSeconds);
    const GameState state = worlds.Collect(ServerClient);
    ASSERT_EQ(state.pickupCount, 1u);
    ASSERT_EQ(state.projectileCount, 1u);
    ASSERT_GE(state.platformCount, 1u);

    ApplyGameState(worlds.client, state);
    const uint64_t once = Hash(*worlds.client.world);
    ApplyGameState(worlds.client, state);
    EXPECT_EQ(Hash(*worlds.client.world), once);
    EXPECT_EQ(worlds.client.world->pickups.Count(), 1u);
    EXPECT_EQ(worlds.client.world->projectiles.Count(), 1u);

    std::unique_ptr<Projectile>* shot = worlds.client.world->projectiles.Find(state.projectiles[0].id);
    ASSERT_TRUE(shot && *shot);
    EXPECT_EQ((*shot)->owner, &worlds.client.PlayerOf(0));
    const PlatformState& sentLift = state.platforms[0];
    EXPECT_EQ(worlds.client.world->platforms[sentLift.platform].GetPathedBody()->time, sentLift.pathTime);
}

TEST(WorldState, AReceivedWeaponLikeTheHeldOneOnlyUpdatesItsAmmunition)
{
    TwoWorlds worlds;
    Player& player = worlds.client.PlayerOf(0);
    const DataRegistry& registry = worlds.client.ownRegistry;
    const uint32_t rifle = registry.weapons.Find("Rifle")->index;
    const uint32_t shotgun = registry.weapons.Find("Shotgun")->index;
    const uint32_t none = registry.weapons.Count();
    struct Case
    {
        uint32_t held;
        uint32_t received;
        bool kept;
        bool empty;
    };
    for (const Case& c :
         {Case{rifle, rifle, true, false}, Case{rifle, shotgun, false, false}, Case{rifle, none, false, true},
          Case{none, rifle, false, false}, Case{none, none + 1, false, true}})
    {
        SCOPED_TRACE(::testing::Message() << c.held << " -> " << c.received);
        SyncCurrentWeapon(player, c.held, 1, 2, false);
        // A mark on the held weapon tells it apart from a new one, which the allocator may well place
        // where the old one was.
        if (player.weapon)
            player.weapon->spawnNumber = 12345;
        SyncCurrentWeapon(player, c.received, 7, 20, false);
        if (c.empty)
        {
            EXPECT_EQ(player.weapon, nullptr);
            continue;
        }
        ASSERT_NE(player.weapon, nullptr);
        EXPECT_EQ(player.weapon->data->index, c.received);
        EXPECT_EQ(player.weapon->spawnNumber == 12345, c.kept);
        EXPECT_EQ(player.weapon->clip, 7u);
        EXPECT_EQ(player.weapon->reserve, 20u);
    }
}

TEST(WorldState, AHiddenKeyframeTakesThePlatformsBox2DBodyAway)
{
    TwoWorlds worlds;
    Platform& lift = *worlds.client.names.platforms.Find("LeftLift");
    PathedBody& body = *lift.GetPathedBody();
    body.path = {{0.0f, 15.0f, 2.5f, PathState::Normal},
                 {2.0f, 15.0f, 8.0f, PathState::Hidden},
                 {4.0f, 15.0f, 13.5f, PathState::Normal}};
    ASSERT_NE(body.physicsBody, nullptr);
    const int32_t bodies = worlds.client.world->GetPhysics()->GetBodyCount();

    GameState state;
    state.platformCount = 1;
    state.platforms[0] = {static_cast<uint16_t>(lift.id), 3.0f, false, false};
    ApplyGameState(worlds.client, state);
    EXPECT_EQ(body.physicsBody, nullptr);
    EXPECT_EQ(body.active, 0);
    EXPECT_EQ(worlds.client.world->GetPhysics()->GetBodyCount(), bodies - 1);
    EXPECT_EQ(body.time, 3.0f);

    state.platforms[0].pathTime = 4.5f;
    ApplyGameState(worlds.client, state);
    EXPECT_NE(body.physicsBody, nullptr);
    EXPECT_EQ(body.active, 1);
    EXPECT_EQ(body.y, 13.5f);
    EXPECT_EQ(worlds.client.world->GetPhysics()->GetBodyCount(), bodies);

    // A platform the client does not have is skipped.
    state.platforms[0].platform = 1023;
    ApplyGameState(worlds.client, state);
}

TEST(WorldState, ReceivedRotationsAreWrappedIntoOneTurn)
{
    TwoWorlds worlds;
    const uint32_t rifle = worlds.client.ownRegistry.weapons.Find("Rifle")->index;
    struct Case
    {
        float degrees;
        float radians;
    };
    EntityId id = 3;
    for (const Case& c : {Case{360.0f, 0.0f}, Case{810.0f, 1.5707964f}, Case{-90.0f, 4.712389f}, Case{-720.0f, 0.0f},
                          Case{180.0f, 3.1415927f}})
    {
        SCOPED_TRACE(c.degrees);
        GameState state;
        state.pickupCount = 1;
        state.pickups[0] = {id, true, rifle, {20.0f, 10.0f}, {}, c.degrees, 0, 0};
        state.projectileCount = 1;
        state.projectiles[0] = {id, false, ProjectileState::NoOwner, rifle, {22.0f, 10.0f}, {}, c.degrees, 0};
        // Once to create, once to move what exists.
        for (int pass = 0; pass < 2; ++pass)
        {
            ApplyGameState(worlds.client, state);
            const float pickup = worlds.client.world->pickups.Find(id)->body->rotation;
            const auto& shot =
                static_cast<const TransformBody&>((*worlds.client.world->projectiles.Find(id))->GetBody());
            for (float rotation : {pickup, shot.rotation})
            {
                EXPECT_GE(rotation, 0.0f);
                EXPECT_LT(rotation, TwoPi);
                EXPECT_NEAR(rotation, c.radians, 1e-4f);
            }
        }
        ++id;
    }
    EXPECT_FLOAT_EQ(StateAngle(-1.0f), TwoPi - 0.017453292f);
}

TEST(WorldState, AClientTriggerHasNoActionsAndAnOccupiedSlotIsTakenOver)
{
    TwoWorlds worlds;
    World& world = *worlds.client.world;
    const MessageLimits limits;
    TriggerCreatedMessage message(limits);
    message.trigger = 5;
    message.definition = 0;
    message.position = {12.0f, 6.0f};
    message.size = {2.0f, 2.0f};
    message.flipped = true;
    const TriggerData& data = worlds.client.ownRegistry.triggers.At(0);
    ASSERT_NE(data.enterAction, TriggerAction::None);
    Trigger* trigger = CreateTriggerFromMessage(world, ToReceived(message));
    ASSERT_NE(trigger, nullptr);
    EXPECT_EQ(trigger->enterAction, nullptr);
    EXPECT_EQ(trigger->body->flipX, 1);

    // The same id placed again leaves one trigger, registered once, where the second message put it.
    message.position = {30.0f, 6.0f};
    trigger = CreateTriggerFromMessage(world, ToReceived(message));
    ASSERT_NE(trigger, nullptr);
    EXPECT_EQ(world.triggers.Count(), 1u);
    EXPECT_EQ(world.triggerGrid.Query({11.0f, 5.0f, 4.0f, 4.0f}).count, 0u);
    EXPECT_EQ(world.triggerGrid.Query({29.0f, 5.0f, 4.0f, 4.0f}).count, 1u);

    // A definition the client lacks makes nothing.
    message.definition = worlds.client.ownRegistry.triggers.Count();
    EXPECT_EQ(CreateTriggerFromMessage(world, ToReceived(message)), nullptr);
}

TEST(WorldState, ATokenTravelsWithItsItemIndex)
{
    TwoWorlds worlds;
    ItemGame clientGame(worlds.client, 1);
    worlds.client.SetGameType(&clientGame);
    const ItemData& token = *worlds.server.ownRegistry.items.Find("Token");
    auto item = std::make_unique<Item>();
    item->data = &token;
    Pickup* lying = CreatePickupEntity(*worlds.server.world, At(9.0f, 6.0f), 0.0f, {}, false, item, -1);
    ASSERT_NE(lying, nullptr);
    worlds.server.PlayerOf(1).camera.position = {40.0f, 20.0f};

    const GameState state = worlds.Collect(ServerClient);
    ASSERT_EQ(state.pickupCount, 1u);
    EXPECT_FALSE(state.pickups[0].holdsWeapon);
    EXPECT_EQ(state.pickups[0].definition, token.index);
    ApplyGameState(worlds.client, state);
    Pickup* placed = worlds.client.world->pickups.Find(lying->id);
    ASSERT_NE(placed, nullptr);
    ASSERT_NE(placed->item, nullptr);
    EXPECT_EQ(placed->item->data->index, token.index);
    EXPECT_EQ(placed->weapon, nullptr);

    // Carried, the token is made once and kept; dropped, it goes back to the mode.
    Player& player = worlds.client.PlayerOf(0);
    SyncCarriedItem(player, token.index);
    const Item* carried = player.carriedItem.get();
    ASSERT_NE(carried, nullptr);
    EXPECT_EQ(carried->holder, &player);
    SyncCarriedItem(player, token.index);
    EXPECT_EQ(player.carriedItem.get(), carried);
    const uint32_t returned = clientGame.returned;
    SyncCarriedItem(player, worlds.client.ownRegistry.items.Count());
    EXPECT_EQ(player.carriedItem, nullptr);
    EXPECT_EQ(clientGame.returned, returned + 1);
    EXPECT_EQ(clientGame.made, 2u);
    worlds.client.SetGameType(nullptr);
}
