#include "Source/World/PlayerBody.h"

#include "Source/Data/NamedAssets.h"
#include "Source/World/PlayerRenderable.h"
#include "Tests/Source/World/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using Lumvek::Vector2;
using PlayerTesting::PlatformMap;
using PlayerTesting::PlayerGame;
using PlayerTesting::Step;

namespace
{

const std::string GroundPlatform = R"({"Position": "0 0", "Size": "40 2"})";

// A game with a world of the given platforms and one player standing at the position, settled on the
// ground for a few ticks so that it starts at rest.
struct BodyScene
{
    explicit BodyScene(const std::string& platforms, Vector2 position = {10.0f, 2.0f},
                       Lumvek::StringView head = "BasicHead", Lumvek::StringView core = "BasicCore")
        : world(game.LoadText(PlatformMap(platforms))),
          player(game.AddPlayer(*world, position, game.MakeLoadout(head, core)))
    {
        Step(*world, 5);
        game.sounds.clear();
    }

    PlayerGame game;
    std::unique_ptr<World> world;
    Player& player;
};

// Holds jump until the player lands again; the highest the feet rose above where they started.
float JumpHeight(BodyScene& scene, bool hold = true)
{
    Player& player = scene.player;
    const float start = player.body.y;
    float highest = start;
    player.input[PlayerAction::Jump] = 1;
    for (int tick = 0; tick < 240; ++tick)
    {
        Step(*scene.world);
        if (!hold)
            player.input[PlayerAction::Jump] = 0;
        highest = std::max(highest, player.body.y);
        if (tick > 0 && player.body.IsOnGround())
            break;
    }
    player.input[PlayerAction::Jump] = 0;
    return highest - start;
}

} // namespace

TEST(PlayerBody, WalkingRightGainsAgilityPerTickUpToTheForwardSpeed)
{
    BodyScene scene(GroundPlatform);
    Player& player = scene.player;
    ASSERT_TRUE(player.body.IsOnGround());
    ASSERT_EQ(player.body.velocity.y, 0.0f);
    player.input.move = 127;
    // The movement step comes first in a tick and the player's update, which reads the axis, after it.
    Step(*scene.world);
    EXPECT_EQ(player.body.velocity.x, 0.0f);
    EXPECT_EQ(player.moveAxis, 1.0f);
    for (int tick = 1; tick <= 14; ++tick)
    {
        Step(*scene.world);
        if (tick < 10)
            EXPECT_NEAR(player.body.velocity.x, 0.4f * static_cast<float>(tick), 1e-5f) << tick;
        else
            EXPECT_EQ(player.body.velocity.x, 4.0f) << tick;
        // Walking makes noise by the share of the speed limit.
        EXPECT_NEAR(player.GetNoise(), player.body.velocity.x / 4.0f * 100.0f, 1e-3f) << tick;
    }
    EXPECT_EQ(player.movementState, MovementState::MovingForward);
    // Facing left, the same input walks backwards, at the backward speed.
    player.input.aimX = -127;
    player.input.move = 127;
    Step(*scene.world, 20);
    EXPECT_EQ(player.body.velocity.x, 3.0f);
    EXPECT_EQ(player.movementState, MovementState::MovingBackward);
}

TEST(PlayerBody, HoldingJumpRisesAboutNinePerSecondAndHangsWhileTheJumpIsYoung)
{
    BodyScene scene(GroundPlatform);
    Player& player = scene.player;
    player.input[PlayerAction::Jump] = 1;
    Step(*scene.world);
    EXPECT_NEAR(player.body.velocity.y, 9.1f, 1e-4f);
    Step(*scene.world);
    EXPECT_NEAR(player.body.velocity.y, 8.95f, 1e-4f);
    EXPECT_FALSE(player.body.IsOnGround());
    EXPECT_EQ(player.airState, AirState::Soaring);
    player.input[PlayerAction::Jump] = 0;
    Step(*scene.world);
    // Letting go ends the hang for the rest of the jump.
    EXPECT_EQ(player.body.jumpTime, PlayerBody::NoHang);

    BodyScene held(GroundPlatform);
    BodyScene tapped(GroundPlatform);
    const float heldHeight = JumpHeight(held);
    EXPECT_NEAR(heldHeight, 2.85f, 0.05f);
    EXPECT_LT(JumpHeight(tapped, false), heldHeight - 0.5f);
    // Still holding after landing: one tick on the ground, then the next jump.
    held.player.input[PlayerAction::Jump] = 1;
    Step(*held.world);
    EXPECT_TRUE(held.player.body.IsOnGround());
    Step(*held.world);
    EXPECT_GT(held.player.body.velocity.y, 9.0f);
}

TEST(PlayerBody, AHeavyLoadoutJumpsLowerAndTheHangStopsAtACeiling)
{
    BodyScene heavy(GroundPlatform, {10.0f, 2.0f}, "Helmet", "Breastplate");
    EXPECT_NEAR(JumpHeight(heavy), 2.05f, 0.05f);
    // A ceiling 1.5 above the head: the jump bumps it, and the hang is over.
    BodyScene low(GroundPlatform + R"(, {"Position": "8 4.5", "Size": "4 1"})");
    Player& player = low.player;
    player.input[PlayerAction::Jump] = 1;
    bool bumped = false;
    for (int tick = 0; tick < 30 && !bumped; ++tick)
    {
        Step(*low.world);
        bumped = player.body.GetContact(CollisionSide::Top).platform != nullptr;
        EXPECT_LE(player.body.y + player.body.boxHeight, 4.5f + 1e-4f);
    }
    ASSERT_TRUE(bumped);
    Step(*low.world);
    EXPECT_EQ(player.body.jumpTime, PlayerBody::NoHang);
    EXPECT_LE(player.body.velocity.y, 0.0f);
}

TEST(PlayerBody, JumpingAndLandingMakeNoiseAndSoundButWalkingOffAnEdgeDoesNot)
{
    BodyScene scene(GroundPlatform);
    Player& player = scene.player;
    player.input[PlayerAction::Jump] = 1;
    Step(*scene.world);
    EXPECT_EQ(player.GetNoise(), 100.0f);
    EXPECT_EQ(scene.game.CountSounds(Sounds::Jump), 1u);
    player.input[PlayerAction::Jump] = 0;
    for (int tick = 0; tick < 120 && !player.body.IsOnGround(); ++tick)
        Step(*scene.world);
    EXPECT_EQ(player.GetNoise(), 125.0f);
    EXPECT_EQ(scene.game.CountSounds(Sounds::Land), 1u);
    Step(*scene.world);
    EXPECT_EQ(player.GetNoise(), 0.0f);

    // Off the edge of a step onto the ground below: silence until the landing.
    BodyScene step(GroundPlatform + R"(, {"Position": "0 2", "Size": "11 1"})", {10.0f, 3.0f});
    step.player.input.move = 127;
    bool left = false;
    for (int tick = 0; tick < 60 && !(left && step.player.body.IsOnGround()); ++tick)
    {
        Step(*step.world);
        left = left || !step.player.body.IsOnGround();
        EXPECT_EQ(step.game.CountSounds(Sounds::Jump), 0u) << tick;
    }
    EXPECT_TRUE(left);
    EXPECT_EQ(step.game.CountSounds(Sounds::Land), 1u);
}

TEST(PlayerBody, PlatformsSideBySideLeaveNoSeam)
{
    // The box's right edge reaches the seam at every fraction of a tick's step, and never stops.
    for (float start : {19.8f, 19.81f, 19.8133f, 19.85f, 19.866f})
    {
        BodyScene scene(R"({"Position": "0 0", "Size": "20 2"}, {"Position": "20 0", "Size": "20 2"})", {start, 2.0f});
        Player& player = scene.player;
        player.input.move = 127;
        for (int tick = 0; tick < 40; ++tick)
        {
            Step(*scene.world);
            EXPECT_EQ(player.body.GetContact(CollisionSide::Right).platform, nullptr) << start << " " << tick;
        }
        EXPECT_GT(player.body.x, 21.0f) << start;
        EXPECT_EQ(player.body.velocity.x, 4.0f);
    }
}

TEST(PlayerBody, AddEdgeMergesOppositeFacesOnOneLine)
{
    struct Case
    {
        const char* name;
        CollisionEdge first;
        CollisionEdge second;
        // What is left, as [from, to] at on a side.
        std::vector<CollisionEdge> expected;
    };
    using Side = CollisionSide;
    const Case cases[] = {
        {"the same span cancels", {0, 2, 20, Side::Right}, {0, 2, 20, Side::Left}, {}},
        {"within the tolerance", {0, 2, 20, Side::Right}, {0.0005f, 2, 20.0008f, Side::Left}, {}},
        {"a longer face keeps its end", {0, 3, 20, Side::Right}, {0, 2, 20, Side::Left}, {{2, 3, 20, Side::Right}}},
        {"a shorter face gives way", {0, 2, 20, Side::Right}, {0, 3, 20, Side::Left}, {{2, 3, 20, Side::Left}}},
        {"ends that match", {0, 3, 20, Side::Right}, {1, 3, 20, Side::Left}, {{0, 1, 20, Side::Right}}},
        {"inside keeps both ends",
         {0, 4, 20, Side::Bottom},
         {1, 2, 20, Side::Top},
         {{0, 1, 20, Side::Bottom}, {2, 4, 20, Side::Bottom}}},
        {"around keeps both ends",
         {1, 2, 20, Side::Bottom},
         {0, 4, 20, Side::Top},
         {{2, 4, 20, Side::Top}, {0, 1, 20, Side::Top}}},
        {"overlapping halves",
         {0, 2, 5, Side::Left},
         {1, 3, 5, Side::Right},
         {{0, 1, 5, Side::Left}, {2, 3, 5, Side::Right}}},
        {"touching ends stay",
         {0, 2, 5, Side::Left},
         {2, 3, 5, Side::Right},
         {{0, 2, 5, Side::Left}, {2, 3, 5, Side::Right}}},
        {"the same side stays",
         {0, 2, 5, Side::Left},
         {0, 2, 5, Side::Left},
         {{0, 2, 5, Side::Left}, {0, 2, 5, Side::Left}}},
        {"another line stays",
         {0, 2, 5, Side::Left},
         {0, 2, 5.002f, Side::Right},
         {{0, 2, 5, Side::Left}, {0, 2, 5.002f, Side::Right}}},
    };
    for (const Case& test : cases)
    {
        PlayerBody body;
        body.AddEdge(test.first);
        body.AddEdge(test.second);
        ASSERT_EQ(body.edges.size(), test.expected.size()) << test.name;
        for (size_t i = 0; i < test.expected.size(); ++i)
        {
            const CollisionEdge& edge = body.edges[i];
            const CollisionEdge& expected = test.expected[i];
            EXPECT_NEAR(edge.from, expected.from, 1e-3f) << test.name;
            EXPECT_NEAR(edge.to, expected.to, 1e-3f) << test.name;
            EXPECT_NEAR(edge.at, expected.at, 1e-3f) << test.name;
            EXPECT_EQ(edge.side, expected.side) << test.name;
        }
    }
}

TEST(PlayerBody, AOneWayPlatformDropsThePlayerOnlyOnFallThroughAndJump)
{
    const std::string ledge = GroundPlatform + R"(, {"Position": "6 5", "Size": "8 0.5", "OneWay": true})";
    // Jump alone jumps off the ledge.
    BodyScene jumping(ledge, {10.0f, 5.5f});
    ASSERT_TRUE(jumping.player.body.IsOnGround());
    jumping.player.input[PlayerAction::Jump] = 1;
    Step(*jumping.world, 10);
    EXPECT_GT(jumping.player.body.y, 6.0f);

    BodyScene dropping(ledge, {10.0f, 5.5f});
    Player& player = dropping.player;
    Platform& platform = dropping.world->platforms[1];
    player.input[PlayerAction::FallThrough] = 1;
    player.input[PlayerAction::Jump] = 1;
    Step(*dropping.world);
    // Falling through, not jumping, while the buttons are held.
    EXPECT_TRUE(player.body.IsPassingThrough(&platform));
    player.input[PlayerAction::FallThrough] = 0;
    player.input[PlayerAction::Jump] = 0;
    for (int tick = 0; tick < 90; ++tick)
        Step(*dropping.world);
    EXPECT_EQ(player.body.y, 2.0f);
    EXPECT_EQ(player.body.GetContact(CollisionSide::Bottom).platform, &dropping.world->platforms[0]);
    // Far enough below that the grid no longer finds it: the ledge holds again.
    EXPECT_FALSE(player.body.IsPassingThrough(&platform));
}

TEST(PlayerBody, AOneWayPlatformLetsThePlayerThroughFromBelowAndTheSide)
{
    // Just within a held jump's reach: the player rises through and lands on top.
    BodyScene below(GroundPlatform + R"(, {"Position": "8 3", "Size": "4 0.5", "OneWay": true})");
    Player& player = below.player;
    player.input[PlayerAction::Jump] = 1;
    float lowestWhileRising = 100.0f;
    for (int tick = 0; tick < 12; ++tick)
    {
        Step(*below.world);
        lowestWhileRising = std::min(lowestWhileRising, player.body.velocity.y);
        EXPECT_NE(player.body.GetContact(CollisionSide::Top).platform, &below.world->platforms[1]) << tick;
    }
    EXPECT_GT(lowestWhileRising, 0.0f);
    player.input[PlayerAction::Jump] = 0;
    Step(*below.world, 120);
    EXPECT_NEAR(player.body.y, 3.5f, 1e-4f);
    EXPECT_EQ(player.body.GetContact(CollisionSide::Bottom).platform, &below.world->platforms[1]);

    // A one-way block on the ground: walked through.
    BodyScene side(GroundPlatform + R"(, {"Position": "12 2", "Size": "2 3", "OneWay": true})");
    side.player.input.move = 127;
    Step(*side.world, 90);
    EXPECT_GT(side.player.body.x, 15.0f);

    // Spawned inside a one-way platform: it drops through rather than standing on top.
    BodyScene inside(GroundPlatform + R"(, {"Position": "8 3", "Size": "4 0.5", "OneWay": true})", {10.0f, 3.2f});
    Step(*inside.world, 60);
    EXPECT_EQ(inside.player.body.y, 2.0f);
}

TEST(PlayerBody, AFallFasterThanTheLimitSlowsOneGravityStepPerTick)
{
    BodyScene scene(GroundPlatform, {10.0f, 15.0f});
    Player& player = scene.player;
    player.body.velocity.y = -20.0f;
    Step(*scene.world);
    EXPECT_FLOAT_EQ(player.body.velocity.y, -19.5f);
    Step(*scene.world);
    EXPECT_FLOAT_EQ(player.body.velocity.y, -19.0f);
    Step(*scene.world, 12);
    EXPECT_GE(player.body.velocity.y, -15.5f);
    EXPECT_LE(player.body.velocity.y, -15.0f);
}

TEST(PlayerBody, TheBoxNeverLeavesTheWorldBoundsSideways)
{
    for (int8_t move : {int8_t(-127), int8_t(127)})
    {
        BodyScene scene(GroundPlatform, {move < 0 ? 1.0f : 39.0f, 2.0f});
        Player& player = scene.player;
        player.input.move = move;
        player.input[PlayerAction::Jump] = 1;
        for (int tick = 0; tick < 60; ++tick)
        {
            Step(*scene.world);
            EXPECT_GE(player.body.x - player.body.boxWidth * 0.5f, 0.0f);
            EXPECT_LE(player.body.x + player.body.boxWidth * 0.5f, 40.0f);
        }
    }
}

TEST(PlayerBody, ALimitedImpulseUsesTheLimitsSizeWhicheverWayTheWindBlows)
{
    struct Case
    {
        float velocity;
        float push;
        float limit;
        float expected;
    };
    const Case cases[] = {
        // Half at rest, all of it against the limit the other way, none at the limit its own way.
        {0.0f, 2.0f, 4.0f, 1.0f},
        {-4.0f, 2.0f, 4.0f, -2.0f},
        {4.0f, 2.0f, 4.0f, 4.0f},
        // A wind blowing left carries a negative limit: the push still fades towards the wind's speed.
        {0.0f, -2.0f, -4.0f, -1.0f},
        {-4.0f, -2.0f, -4.0f, -4.0f},
        {-10.0f, -2.0f, -4.0f, -10.0f},
        {4.0f, -2.0f, -4.0f, 2.0f},
        // No limit, no push: never an infinite or undefined speed.
        {1.0f, 3.0f, 0.0f, 1.0f},
        {1.0f, -3.0f, 0.0f, 1.0f},
        {1.0f, 3.0f, NAN, 1.0f},
    };
    for (const Case& test : cases)
    {
        Vector2 velocity(test.velocity, test.velocity);
        Vector2 impulse(test.push, test.push);
        PlayerBody::AddLimitedImpulse(velocity, impulse, {test.limit, test.limit});
        EXPECT_EQ(velocity.x, test.expected) << test.velocity << " " << test.push << " " << test.limit;
        EXPECT_EQ(velocity.y, test.expected);
        EXPECT_EQ(impulse, Vector2());
    }
}

TEST(PlayerBody, ModifiersThatCancelTheSpeedLimitMakeNoInfiniteNoise)
{
    BodyScene scene(GroundPlatform);
    Player& player = scene.player;
    Attributes stopped = Player::IdentityModifiers();
    stopped.maximumForwardSpeed = 0.0f;
    stopped.maximumBackwardSpeed = 0.0f;
    player.modifiers = stopped;
    player.body.velocity.x = 3.0f;
    player.input.move = 127;
    Step(*scene.world);
    EXPECT_TRUE(std::isfinite(player.GetNoise()));
    EXPECT_NEAR(player.GetNoise(), 2.6f / 0.1f * 100.0f, 1e-2f);
}

TEST(PlayerBody, ALiftCarriesThePlayerExactlyUpAndDown)
{
    PlayerGame game;
    std::unique_ptr<World> world = game.LoadShipped("Crossroads");
    Platform* lift = nullptr;
    for (Platform& platform : world->platforms.View())
        if (platform.moving && platform.body->x == 15.0f)
            lift = &platform;
    ASSERT_NE(lift, nullptr);
    Player& player = game.AddPlayer(*world, {16.5f, 3.0f}, game.MakeLoadout());
    Step(*world, 2);
    float lowest = 100.0f, highest = 0.0f;
    // Up to the top and down again.
    for (int tick = 0; tick < 480; ++tick)
    {
        Step(*world);
        const Body& body = *lift->body;
        ASSERT_EQ(player.body.GetContact(CollisionSide::Bottom).platform, lift) << tick;
        EXPECT_NEAR(player.body.y, body.y + body.height, 1e-4f) << tick;
        EXPECT_EQ(player.body.x, 16.5f);
        lowest = std::min(lowest, player.body.y);
        highest = std::max(highest, player.body.y);
    }
    EXPECT_LT(lowest, 3.05f);
    EXPECT_GT(highest, 13.9f);
}

TEST(PlayerBody, ARespawnOntoTheGroundIsNoLandingAndRidesNothingFromBefore)
{
    // From the rising lift onto the ground, and onto a point above it from where it lands.
    for (const float spawnY : {2.0f, 4.0f})
    {
        PlayerGame game;
        std::unique_ptr<World> world = game.LoadShipped("Crossroads");
        Player& player = game.AddPlayer(*world, {16.5f, 3.0f}, game.MakeLoadout());
        Step(*world, 60);
        game.sounds.clear();
        player.body.Reset({5.0f, spawnY}, false);
        Step(*world);
        EXPECT_EQ(player.GetNoise(), 0.0f) << spawnY;
        Step(*world, 60);
        EXPECT_EQ(game.CountSounds(Sounds::Land), spawnY > 2.0f ? 1u : 0u) << spawnY;
        EXPECT_EQ(player.body.x, 5.0f) << spawnY;
        EXPECT_NEAR(player.body.y, 2.0f, 1e-4f) << spawnY;
    }
}

TEST(PlayerBody, TheHilltopConveyorCarriesAStandingPlayer)
{
    PlayerGame game;
    std::unique_ptr<World> world = game.LoadShipped("Hilltop");
    Player& player = game.AddPlayer(*world, {10.0f, 12.5f}, game.MakeLoadout());
    Step(*world, 2);
    ASSERT_TRUE(player.body.IsOnGround());
    ASSERT_EQ(player.body.GetContact(CollisionSide::Bottom).platform->conveyance, 2.0f);
    for (int tick = 0; tick < 30; ++tick)
    {
        const float before = player.body.x;
        Step(*world);
        EXPECT_NEAR(player.body.x - before, 2.0f * Lumvek::TickSeconds, 1e-5f) << tick;
        EXPECT_EQ(player.body.velocity.x, 0.0f);
    }
}

namespace
{

// A scripted run of two players over Crossroads: walking, jumping, dropping through ledges, riding the
// lifts. Every position and velocity of every tick, as bits.
std::vector<uint32_t> Trace(uint32_t ticks)
{
    PlayerGame game;
    std::unique_ptr<World> world = game.LoadShipped("Crossroads");
    Player& first = game.AddPlayer(*world, {5.0f, 2.0f}, game.MakeLoadout());
    Player& second = game.AddPlayer(*world, {40.5f, 6.5f}, game.MakeLoadout("Helmet", "Breastplate"), true);
    std::vector<uint32_t> trace;
    for (uint32_t tick = 0; tick < ticks; ++tick)
    {
        first.input.move = static_cast<int8_t>((tick / 90) % 2 ? -127 : 127);
        first.input[PlayerAction::Jump] = tick % 50 < 20;
        second.input.move = static_cast<int8_t>(tick % 160 < 100 ? -90 : 60);
        second.input.aimX = static_cast<int8_t>(tick % 200 < 100 ? -127 : 127);
        second.input[PlayerAction::Jump] = tick % 70 > 50;
        second.input[PlayerAction::FallThrough] = tick % 140 > 130;
        Step(*world);
        for (const Player* player : {&first, &second})
            for (float value : {player->body.x, player->body.y, player->body.velocity.x, player->body.velocity.y})
                trace.push_back(std::bit_cast<uint32_t>(value));
    }
    return trace;
}

} // namespace

TEST(PlayerBody, AScriptedRunOverCrossroadsReplaysBitForBit)
{
    const std::vector<uint32_t> first = Trace(600);
    const std::vector<uint32_t> second = Trace(600);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_TRUE(first == second);
    // The players went somewhere: the run is not a trace of two players standing still.
    std::vector<uint32_t> positions;
    for (size_t i = 0; i < first.size(); i += 8)
        positions.push_back(first[i]);
    std::sort(positions.begin(), positions.end());
    EXPECT_GT(std::unique(positions.begin(), positions.end()) - positions.begin(), 300);
}

TEST(PlayerBody, AClientsResimulationFromItsInputHistoryRetracesTheTicks)
{
    const std::string ledge = GroundPlatform + R"(, {"Position": "12 3.5", "Size": "6 0.5", "OneWay": true})";
    const auto script = [](PlayerInput& input, uint32_t frame)
    {
        input.move = static_cast<int8_t>(frame < 50 ? 127 : -100);
        input.aimX = static_cast<int8_t>(frame < 70 ? 127 : -127);
        input[PlayerAction::Jump] = frame % 30 < 14;
        input[PlayerAction::FallThrough] = frame > 80 && frame < 84;
    };
    BodyScene played(ledge);
    BodyScene replayed(ledge);
    for (uint32_t frame = 0; frame < 99; ++frame)
    {
        script(played.player.input, frame);
        played.player.input.SaveHistory(frame);
        Step(*played.world);
        script(replayed.player.input, frame);
        replayed.player.input.SaveHistory(frame);
    }
    replayed.world->Resimulate({}, 0, 99);
    const PlayerBody& a = played.player.body;
    const PlayerBody& b = replayed.player.body;
    EXPECT_GT(std::fabs(a.x - 10.0f), 1.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(a.x), std::bit_cast<uint32_t>(b.x));
    EXPECT_EQ(std::bit_cast<uint32_t>(a.y), std::bit_cast<uint32_t>(b.y));
    EXPECT_EQ(a.velocity, b.velocity);
    EXPECT_EQ(played.player.movementState, replayed.player.movementState);
    EXPECT_EQ(played.player.airState, replayed.player.airState);
    ASSERT_NE(replayed.player.visual, nullptr);
    EXPECT_TRUE(replayed.player.visual->moved);
}
