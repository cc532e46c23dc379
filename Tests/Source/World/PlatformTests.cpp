#include "Source/World/Platform.h"

#include "Source/World/Action.h"
#include "Source/World/World.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace WorldTesting;

namespace
{

std::string MovingPlatform(const std::string& keys)
{
    return R"({"WorldBounds": "-50 -50 100 100", "Entities": {"Platforms": [
        {"Name": "Lift", "Position": "0 0", "Size": "2 1", "Moving": true, "Path": [)" +
           keys + "]}]}}";
}

std::string PathKeyText(float time, const char* position, const char* state)
{
    return R"({"Time": )" + std::to_string(time) + R"(, "Value": {"Position": ")" + position + R"(", "Action": ")" +
           state + R"("}})";
}

// Steps the world's moving platforms tick by tick until the path clock reaches the time.
void StepFor(World& world, float seconds)
{
    for (int ticks = static_cast<int>(std::lround(seconds / Lumvek::TickSeconds)); ticks > 0; --ticks)
        world.Step(Lumvek::TickSeconds);
}

} // namespace

TEST(Path, SamplesBetweenKeysAndNeverDividesByZero)
{
    const Path path{{0.0f, 0.0f, 0.0f, PathState::Normal},
                    {2.0f, 4.0f, 0.0f, PathState::Hidden},
                    {2.0f, 8.0f, 0.0f, PathState::Normal},
                    {3.0f, 8.0f, 2.0f, PathState::Stopped}};
    struct Case
    {
        float t;
        Lumvek::Vector2 position;
        PathState state;
    };
    const Case cases[] = {
        {1.0f, {2.0f, 0.0f}, PathState::Normal},
        // Two keys at the same time: the later key's stretch starts there, without 0 / 0.
        {2.0f, {8.0f, 0.0f}, PathState::Normal},
        {2.5f, {8.0f, 1.0f}, PathState::Normal},
        {5.0f, {8.0f, 2.0f}, PathState::Stopped},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.t);
        const PathSample sample = PathKeys::Sample(path, test.t);
        EXPECT_EQ(sample.position, test.position);
        EXPECT_EQ(sample.state, test.state);
    }
    EXPECT_EQ(PathKeys::Sample(Path{}, 1.0f).position, Lumvek::Vector2());
    EXPECT_EQ(PathKeys::KeyAt(path, 2.5f).time, 2.0f);
}

TEST(MovingPlatform, MovesAlongItsPathAndGivesBox2DTheVelocity)
{
    TestGame game;
    MapNames names;
    auto world =
        game.Load(MovingPlatform(PathKeyText(0, "0 0", "Normal") + "," + PathKeyText(2, "4 0", "Normal")), names);
    Platform& lift = *names.platforms.Find("Lift");
    StepFor(*world, 1.0f);
    EXPECT_NEAR(lift.body->x, 2.0f, 1e-4f);
    EXPECT_NEAR(lift.body->y, 0.0f, 1e-4f);
    ASSERT_NE(lift.body->physicsBody, nullptr);
    EXPECT_NEAR(lift.body->physicsBody->GetLinearVelocity().x, 2.0f, 1e-3f);
    // A path whose last key is not a finish wraps: 2.1 s on a 2 s path is 0.1 s.
    StepFor(*world, 1.1f);
    EXPECT_NEAR(lift.GetPathedBody()->time, 0.1f, 1e-3f);
    EXPECT_NEAR(lift.body->x, 0.2f, 1e-3f);
}

TEST(MovingPlatform, EndsAtAFinishKeyAndRestsAtAStopUntilStarted)
{
    TestGame game;
    MapNames names;
    auto world =
        game.Load(MovingPlatform(PathKeyText(0, "0 0", "Normal") + "," + PathKeyText(1, "2 0", "Stopped") + "," +
                                 PathKeyText(1.5f, "2 0", "Normal") + "," + PathKeyText(2, "2 2", "Finished")),
                  names);
    Platform& lift = *names.platforms.Find("Lift");
    PathedBody& body = *lift.GetPathedBody();
    StepFor(*world, 1.1f);
    EXPECT_TRUE(body.stopped);
    EXPECT_EQ(body.time, 1.0f);
    EXPECT_NEAR(body.x, 2.0f, 1e-4f);
    EXPECT_EQ(body.physicsBody->GetLinearVelocity(), b2Vec2(0.0f, 0.0f));
    StepFor(*world, 1.0f);
    EXPECT_TRUE(body.stopped);

    PathStartAction start(*world);
    start.platform = lift.id;
    start.Toggle();
    StepFor(*world, 2.0f);
    EXPECT_TRUE(body.finished);
    EXPECT_EQ(body.time, 2.0f);
    EXPECT_EQ(Lumvek::Vector2(body.x, body.y), Lumvek::Vector2(2.0f, 2.0f));
    EXPECT_EQ(body.physicsBody->GetLinearVelocity(), b2Vec2(0.0f, 0.0f));
}

TEST(MovingPlatform, AHiddenStretchDestroysTheBox2DBodyOnceAndMakesItAgain)
{
    TestGame game;
    MapNames names;
    auto world =
        game.Load(MovingPlatform(PathKeyText(0, "0 0", "Normal") + "," + PathKeyText(1, "1 0", "Hidden") + "," +
                                 PathKeyText(2, "2 0", "Normal") + "," + PathKeyText(3, "3 0", "Normal")),
                  names);
    Platform& lift = *names.platforms.Find("Lift");
    int destroyed = 0, created = 0;
    bool had = true;
    for (int tick = 0; tick < 170; ++tick)
    {
        world->Step(Lumvek::TickSeconds);
        const bool has = lift.body->physicsBody != nullptr;
        destroyed += had && !has;
        created += !had && has;
        had = has;
        EXPECT_EQ(has, lift.body->active != 0);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(lift.body->physicsBody->GetType(), b2_kinematicBody);
    EXPECT_EQ(world->GetPhysics()->GetBodyCount(), 1);
    // While hidden the platform was out of the queries; now it is back.
    EXPECT_EQ(world->platformGrid.Query({-50.0f, -50.0f, 100.0f, 100.0f}).count, 1u);
}

TEST(MovingPlatform, SettingMovingTwiceListsThePlatformOnce)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MovingPlatform(PathKeyText(0, "0 0", "Normal")), names);
    Platform& lift = *names.platforms.Find("Lift");
    lift.SetMoving(*world, true);
    EXPECT_EQ(world->GetMovingPlatforms().size(), 1u);
    lift.SetMoving(*world, false);
    EXPECT_TRUE(world->GetMovingPlatforms().empty());
}

TEST(MovingPlatform, HilltopsFerryHaltsAtTheTopOnceStarted)
{
    ShippedGame game;
    game.Choose("Hilltop");
    MapNames names;
    World world(game, 1);
    ASSERT_TRUE(LoadMapData(world, names));
    Platform& ferry = *names.platforms.Find("Ferry");
    PathedBody& body = *ferry.GetPathedBody();
    StepFor(world, 1.0f);
    EXPECT_TRUE(body.stopped);
    // A lever starts it; it must halt at the far end, not sail on.
    Interaction& lever = *names.interactions.Find("FerryLever");
    ASSERT_NE(lever.interactAction, nullptr);
    static_cast<PathStartAction&>(*lever.interactAction).Toggle();
    StepFor(world, 4.0f);
    EXPECT_TRUE(body.stopped);
    EXPECT_NEAR(body.time, 3.0f, 1e-3f);
    EXPECT_NEAR(body.x, 24.0f, 1e-3f);
    EXPECT_NEAR(body.y, 17.0f, 1e-3f);
    // Started again, it comes back and halts where it began.
    static_cast<PathStartAction&>(*lever.interactAction).Toggle();
    StepFor(world, 4.0f);
    EXPECT_TRUE(body.stopped);
    EXPECT_NEAR(body.x, 27.0f, 1e-3f);
    EXPECT_NEAR(body.y, 12.0f, 1e-3f);
}

TEST(MovingPlatform, CrossroadsLiftsLoop)
{
    ShippedGame game;
    game.Choose("Crossroads");
    MapNames names;
    World world(game, 1);
    ASSERT_TRUE(LoadMapData(world, names));
    Platform& lift = *names.platforms.Find("LeftLift");
    StepFor(world, 10.0f);
    EXPECT_FALSE(lift.GetPathedBody()->stopped);
    EXPECT_NEAR(lift.GetPathedBody()->time, 2.0f, 1e-2f);
}
