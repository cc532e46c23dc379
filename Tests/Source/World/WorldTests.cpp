#include "Source/World/World.h"

#include "Source/World/Bone.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityFactory.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

using namespace WorldTesting;
using Lumvek::Rectangle;
using Lumvek::Vector2;

namespace
{

const std::vector<Vector2> UnitSquare{{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

// A half-unit box simulated by Box2D, as debris is.
std::unique_ptr<DynamicBody> MakeBox(World& world, Vector2 position, Vector2 velocity, bool collideWithOneWay = true)
{
    auto body = std::make_unique<DynamicBody>();
    body->world = &world;
    body->x = position.x;
    body->y = position.y;
    body->width = body->height = 0.5f;
    body->Reset();
    body->collideWithOneWay = collideWithOneWay;
    body->density = 1.0f;
    body->rotates = 0;
    body->SetPoints(UnitSquare, velocity);
    body->CreateFixture();
    return body;
}

void StepTicks(World& world, int ticks)
{
    for (int i = 0; i < ticks; ++i)
        world.Step(Lumvek::TickSeconds);
}

} // namespace

TEST(Body, TransformBodiesTurnAndFlipAroundTheirPivot)
{
    TransformBody body;
    body.x = 1.0f;
    body.y = 2.0f;
    body.width = 4.0f;
    body.height = 2.0f;
    EXPECT_EQ(body.GetCenter(), Vector2(3.0f, 3.0f));
    body.flipX = 1;
    EXPECT_EQ(body.GetCenter(), Vector2(-1.0f, 3.0f));
    body.flipX = 0;
    body.rotation = std::numbers::pi_v<float> * 0.5f;
    const Rectangle bounds = body.GetBounds();
    EXPECT_NEAR(bounds.width, 2.0f, 1e-5f);
    EXPECT_NEAR(bounds.height, 4.0f, 1e-5f);
    body.previousX = 0.0f;
    body.previousY = 0.0f;
    EXPECT_EQ(body.GetInterpolatedPosition(0.0f), Vector2(0.0f, 0.0f));
    EXPECT_EQ(body.GetInterpolatedPosition(1.0f), Vector2(1.0f, 2.0f));
}

TEST(Body, ADynamicBodyReadsItsAngleBackIntoOneTurn)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100"})", names);
    auto box = MakeBox(*world, {0.0f, 0.0f}, {});
    box->physicsBody->SetTransform(box->physicsBody->GetPosition(), -0.1f);
    box->Step(Lumvek::TickSeconds);
    EXPECT_EQ(box->rotation, 6.1831855f);
    EXPECT_EQ(WrapAngle(-0.1f), 6.1831855f);
    EXPECT_EQ(WrapAngle(1e30f) < TwoPi, true);
    EXPECT_EQ(WrapAngle(std::nanf("")), 0.0f);
}

TEST(ContactListener, OneWayPlatformsHoldUpOnlyWhatComesDownOntoThem)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Platforms": [
        {"Position": "-5 0", "Size": "10 0.5", "OneWay": true}]}})",
                           names);
    // The platform is made first and then last, so that Box2D holds the pair in either order.
    for (bool platformFirst : {true, false})
    {
        SCOPED_TRACE(platformFirst);
        std::unique_ptr<DynamicBody> rising;
        std::unique_ptr<DynamicBody> falling;
        if (!platformFirst)
        {
            world->platforms[0].body->Reset();
            world->platforms[0].body->active = 1;
        }
        falling = MakeBox(*world, {-2.0f, 2.0f}, {0.0f, -2.0f});
        rising = MakeBox(*world, {2.0f, -2.0f}, {0.0f, 12.0f});
        StepTicks(*world, 90);
        EXPECT_NEAR(falling->physicsBody->GetPosition().y, 0.75f, 0.05f);
        EXPECT_GT(rising->physicsBody->GetPosition().y, 0.6f);
    }
}

TEST(ContactListener, SlowBodiesPassThroughPlayersAndFastOnesBounce)
{
    TestGame game;
    game.configuration.settings.gravity = Vector2(0.0f, 0.0f);
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100"})", names);
    PlayerBody player;
    b2BodyDef definition;
    b2Body* playerBox = world->GetPhysics()->CreateBody(&definition);
    b2PolygonShape shape;
    shape.SetAsBox(0.5f, 1.0f);
    b2FixtureDef fixture;
    fixture.shape = &shape;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(static_cast<Body*>(&player));
    fixture.filter.categoryBits = 0x0002;
    fixture.filter.maskBits = 0x0008;
    playerBox->CreateFixture(&fixture);

    auto slow = MakeBox(*world, {-1.5f, 0.4f}, {0.2f, 0.0f});
    auto fast = MakeBox(*world, {-1.5f, -0.9f}, {4.0f, 0.0f});
    StepTicks(*world, 240);
    // Inside the player's box, where a contact would have stopped it at -0.75.
    EXPECT_GT(slow->physicsBody->GetPosition().x, -0.6f);
    EXPECT_LT(fast->physicsBody->GetPosition().x, -0.5f);
}

TEST(World, ResimulationStepsEachNamedPlatformOncePerFrameOverTheHistoryItHolds)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Platforms": [
        {"Name": "Lift", "Position": "0 0", "Size": "2 1", "Moving": true, "Path": [
            {"Time": 0.0, "Value": {"Position": "0 0", "Action": "Normal"}},
            {"Time": 100.0, "Value": {"Position": "100 0", "Action": "Normal"}}]}]}})",
                           names);
    PathedBody& lift = *names.platforms.Find("Lift")->GetPathedBody();
    const std::vector<uint16_t> named{0, 0, 7};
    world->Resimulate(named, 10, 20);
    EXPECT_NEAR(lift.time, 10 * Lumvek::TickSeconds, 1e-5f);
    // From frame 0 to 250 the history holds only the last 99 frames.
    world->Resimulate(std::vector<uint16_t>{0}, 0, 250);
    EXPECT_NEAR(lift.time, 109 * Lumvek::TickSeconds, 1e-4f);
    world->Resimulate(std::vector<uint16_t>{0}, 30, 30);
    EXPECT_NEAR(lift.time, 109 * Lumvek::TickSeconds, 1e-4f);
}

TEST(World, VisualsEndWhenTheirLifetimeRunsOutAndLeaveAtTheEndOfTheTick)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100"})", names);
    Visual* forever = CreateVisualEntity(*world, {0, 0}, {1, 1}, {}, 0.0f, 75.0f, false, false, 1, Lumvek::InvalidId,
                                         Lumvek::InvalidId, -1, 0, 0);
    ASSERT_NE(forever, nullptr);
    const EntityId foreverId = forever->id;
    Visual* brief = CreateVisualEntity(*world, {2, 2}, {1, 1}, {}, 0.0f, 75.0f, false, false, 1, Lumvek::InvalidId,
                                       Lumvek::InvalidId, 1, 0, 0);
    ASSERT_NE(brief, nullptr);
    const EntityId briefId = brief->id;
    world->RemoveVisual(*world->visuals.Find(foreverId));
    // Removal takes the visual out of the grid at once and out of the storage at the end of the tick.
    EXPECT_EQ(world->visualGrid.Query({-1, -1, 2, 2}).count, 0u);
    EXPECT_NE(world->visuals.Find(foreverId), nullptr);
    world->visuals.Find(foreverId)->body->active = 1;
    world->visualGrid.Insert(*world->visuals.Find(foreverId));
    StepTicks(*world, 1);
    EXPECT_EQ(world->visuals.Find(briefId), nullptr);
    EXPECT_EQ(world->visuals.Find(foreverId), nullptr);
    Visual* lasting = CreateVisualEntity(*world, {0, 0}, {1, 1}, {}, 0.0f, 75.0f, false, false, 1, Lumvek::InvalidId,
                                         Lumvek::InvalidId, -1, 0, 0);
    const EntityId lastingId = lasting->id;
    StepTicks(*world, 600);
    EXPECT_NE(world->visuals.Find(lastingId), nullptr);
}

// Debris meets the platforms in a Box2D world of its own, through copies of them, and a platform gone
// from the match is gone there too.
TEST(World, DebrisLandsOnTheMatchsPlatformsFromABox2DWorldOfItsOwn)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Platforms": [
        {"Position": "-5 0", "Size": "10 0.5"}]}})",
                           names);
    const int32_t matchBodies = world->GetPhysics()->GetBodyCount();
    const auto drop = [&]
    {
        Visual* debris = world->visuals.Allocate();
        CreateDynamicBody(*world, *debris, {0.0f, 3.0f}, {0.5f, 0.5f}, {0.5f, 0.5f}, 0.0f, false, false, UnitSquare,
                          {0.0f, 0.0f}, -1, 0, Lumvek::InvalidId, Lumvek::InvalidId);
        EXPECT_TRUE(world->visualGrid.Insert(*debris));
        StepTicks(*world, 120);
        return static_cast<const DynamicBody*>(debris->body.get())->physicsBody->GetPosition().y;
    };
    EXPECT_NEAR(drop(), 0.75f, 0.05f);
    EXPECT_EQ(world->GetPhysics()->GetBodyCount(), matchBodies);
    world->platforms[0].body->DestroyPhysics();
    EXPECT_LT(drop(), -1.0f);
}

// A paused client makes debris of every kill it hears of while no tick ends any: the full storage is
// said once, and again only after pieces found room in between.
TEST(World, DebrisThatFindsTheVisualsFullSaysSoOncePerTime)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "-50 -50 100 100"})", names);
    Bone bone;
    bone.region = 1;
    Lumvek::RandomGenerator random(1);
    Lumvek::Testing::LogCapture log;
    const auto kill = [&]
    {
        for (int piece = 0; piece < 300; ++piece)
            world->CreateDebris(random, bone, false, {}, 0.0f, 5.0f);
    };
    kill();
    EXPECT_EQ(world->visuals.Count(), 256u);
    EXPECT_EQ(log.StartingWith("failed to create Visual").size(), 1u);
    StepTicks(*world, 600);
    kill();
    EXPECT_EQ(log.StartingWith("failed to create Visual").size(), 2u);
}

TEST(World, DebrisThatFallsOutOfTheWorldIsRemovedWithItsBox2DBody)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "0 0 20 20"})", names);
    Visual* debris = world->visuals.Allocate();
    CreateDynamicBody(*world, *debris, {10.0f, 5.0f}, {0.5f, 0.5f}, {0.5f, 0.5f}, 0.0f, false, false, UnitSquare,
                      {0.0f, 0.0f}, -1, 0, Lumvek::InvalidId, Lumvek::InvalidId);
    ASSERT_TRUE(world->visualGrid.Insert(*debris));
    const EntityId id = debris->id;
    // Its body is the visuals' alone: the match's Box2D world holds nothing of it.
    EXPECT_EQ(world->GetPhysics()->GetBodyCount(), 0);
    EXPECT_EQ(world->GetVisualPhysics()->GetBodyCount(), 1);
    StepTicks(*world, 180);
    EXPECT_EQ(world->visuals.Find(id), nullptr);
    EXPECT_EQ(world->GetVisualPhysics()->GetBodyCount(), 0);
}
