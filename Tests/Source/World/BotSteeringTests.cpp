#include "Source/World/BotSteering.h"

#include "Source/Data/WeaponData.h"
#include "Source/World/World.h"
#include "Tests/Source/World/BotTestSupport.h"
#include "Tests/Source/World/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using BotTesting::BaseMotion;
using PlayerTesting::PlatformMap;
using PlayerTesting::PlayerGame;

namespace
{

Lumvek::Vector2 BonePosition(const Player& player, PlayerBone which)
{
    Bone* bone = player.body.GetBone(which);
    return bone ? bone->GetWorldTransform().TransformPoint(bone->offset) : player.body.GetCenter();
}

// A world of platforms with its graph, a bot standing on the ground and, when asked, a target.
class BotMatch
{
public:
    explicit BotMatch(const std::string& platforms)
    {
        world = game.LoadText(PlatformMap(platforms));
        world->navigator.Build(*world);
    }

    // A player standing at x on the ground (top 1), settled by a few ticks.
    Player& Stand(float x)
    {
        Player& player = game.AddPlayer(*world, {x, 1.0f}, game.MakeLoadout());
        PlayerTesting::Step(*world, 3);
        return player;
    }
    BotState& AddBot(float x)
    {
        Player& player = Stand(x);
        BotState& bot = world->navigator.bots.emplace_back();
        bot.player = &player;
        return bot;
    }
    // Gives the player a weapon of the definition with a clip of that many.
    void Arm(Player& player, uint32_t clip)
    {
        player.weapon = std::make_unique<Weapon>();
        player.weapon->data = &weapon;
        player.weapon->owner = &player;
        player.weapon->clip = clip;
    }
    NavNode& Node(const char* name)
    {
        NavNode* node = world->navigator.NodeOf(game.names.platforms.Find(std::string_view(name)));
        EXPECT_NE(node, nullptr) << name;
        return *node;
    }
    void Tick(BotState& bot) { BotSteering(*world).Tick(bot, Lumvek::TickSeconds); }
    // Ticks only the bot, as often as asked, and counts the ticks it pulled the trigger on.
    int CountShots(BotState& bot, int ticks)
    {
        int shots = 0;
        for (int i = 0; i < ticks; ++i)
        {
            Tick(bot);
            shots += bot.player->input[PlayerAction::Primary];
        }
        return shots;
    }

    PlayerGame game;
    std::unique_ptr<World> world;
    WeaponData weapon;
};

// Ground from 0 to 40 (top 1) and a one-way ledge over it, so that the ground has waypoints.
const std::string GroundWithLedge = R"({"Name": "Ground", "Position": "0 0", "Size": "40 1"},
    {"Name": "Ledge", "Position": "20 3", "Size": "4 0.5", "OneWay": true})";

} // namespace

// A bot looks where it walks, either way, chasing or not; a chasing bot's aim between its half-second
// aims included. Ground with no other platform has no waypoints: the bot walks its top all the same.
TEST(BotSteering, ArrivingWithinItsWidthStopsAndClearsTheState)
{
    const std::string groundAlone = R"({"Name": "Ground", "Position": "0 0", "Size": "40 1"})";
    struct Case
    {
        const std::string& platforms;
        float goalX;
        uint32_t chosen;
        int8_t move;
        uint8_t arrived;
        uint32_t state;
    };
    const Case cases[] = {{GroundWithLedge, 10.1f, BotState::Wander, 0, 1, 0},
                          {GroundWithLedge, 15.0f, BotState::Wander, 127, 0, BotState::Wander},
                          {GroundWithLedge, 5.0f, BotState::Wander, -127, 0, BotState::Wander},
                          {GroundWithLedge, 5.0f, BotState::Chase, -127, 0, BotState::Chase},
                          {groundAlone, 15.0f, BotState::Wander, 127, 0, BotState::Wander},
                          {groundAlone, 10.1f, BotState::Wander, 0, 1, 0}};
    for (const Case& test : cases)
    {
        SCOPED_TRACE(testing::Message() << test.goalX << (&test.platforms == &groundAlone ? " alone" : ""));
        BotMatch match(test.platforms);
        BotState& bot = match.AddBot(10.0f);
        bot.goal = &match.Node("Ground");
        bot.goalX = test.goalX;
        bot.state = test.chosen;
        match.Tick(bot);
        EXPECT_TRUE(bot.reachesGoal);
        EXPECT_EQ(bot.player->input.move, test.move);
        EXPECT_EQ(bot.arrived, test.arrived);
        EXPECT_EQ(bot.state, test.state);
        EXPECT_EQ(bot.player->input.aimX, test.move);
        EXPECT_EQ(bot.player->input.aimY, 0);
    }
}

TEST(BotSteering, ShootsOnlyWhatItSeesWithinReach)
{
    struct Case
    {
        const char* name;
        const char* wall;
        // Added to the distance from the bot's weapon to the target's spine to make the reach.
        float reach;
        bool shoots;
    };
    const Case cases[] = {
        {"in the open", "", 0.1f, true},
        {"just out of reach", "", -0.1f, false},
        {"behind a solid wall", R"(, {"Name": "Wall", "Position": "12 1", "Size": "0.5 6"})", 20.0f, false},
        {"behind a one-way wall", R"(, {"Name": "Wall", "Position": "12 1", "Size": "0.5 6", "OneWay": true})", 20.0f,
         true},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        BotMatch match(GroundWithLedge + test.wall);
        BotState& bot = match.AddBot(10.0f);
        Player& target = match.Stand(14.0f);
        match.Arm(*bot.player, 10);
        bot.target = &target;
        bot.state = BotState::Chase;
        const Lumvek::Vector2 from = BonePosition(*bot.player, PlayerBone::Weapon);
        const Lumvek::Vector2 to = BonePosition(target, PlayerBone::Spine);
        match.weapon.maxDistance = (to - from).Length() + test.reach;
        const int shots = match.CountShots(bot, 300);
        EXPECT_EQ(shots > 0, test.shoots) << shots;
        if (test.shoots)
        {
            EXPECT_LT(shots, 100);
        }
    }
}

TEST(BotSteering, ReloadsAnEmptyClipAndTopsUpWithoutATarget)
{
    struct Case
    {
        uint32_t clip;
        bool target;
        uint8_t reload;
    };
    const Case cases[] = {{0, true, 1}, {0, false, 1}, {5, false, 1}, {5, true, 0}, {10, false, 0}};
    for (const Case& test : cases)
    {
        SCOPED_TRACE(testing::Message() << test.clip << (test.target ? " with" : " without") << " a target");
        BotMatch match(GroundWithLedge);
        BotState& bot = match.AddBot(10.0f);
        Player& target = match.Stand(30.0f);
        match.Arm(*bot.player, test.clip);
        match.weapon.clipSize = 10;
        bot.target = test.target ? &target : nullptr;
        match.Tick(bot);
        EXPECT_EQ(bot.player->input[PlayerAction::Reload], test.reload);
    }
}

TEST(BotSteering, AimsEveryHalfSecondWithinFiveDegrees)
{
    BotMatch match(GroundWithLedge);
    BotState& bot = match.AddBot(10.0f);
    Player& target = match.Stand(16.0f);
    bot.target = &target;
    // The bot stands at its fighting spot already: arriving clears the state every tick, and still it aims.
    bot.goal = &match.Node("Ground");
    bot.goalX = 10.0f;
    const Lumvek::Vector2 from = BonePosition(*bot.player, PlayerBone::RightHumerus);
    const Lumvek::Vector2 to = BonePosition(target, PlayerBone::Spine);
    const float truth = std::atan2(to.y - from.y, to.x - from.x);

    int8_t aimX = bot.player->input.aimX, aimY = bot.player->input.aimY;
    std::vector<int> changes;
    for (int tick = 1; tick <= 300; ++tick)
    {
        // As the game mode chooses each tick.
        bot.state = BotState::Chase;
        match.Tick(bot);
        EXPECT_EQ(bot.arrived, 1) << "tick " << tick;
        const PlayerInput& input = bot.player->input;
        if (input.aimX == aimX && input.aimY == aimY)
            continue;
        aimX = input.aimX;
        aimY = input.aimY;
        changes.push_back(tick);
        // Truncating the axes to whole steps of 1/127 adds about half a degree.
        const float off = std::remainder(std::atan2(float(aimY), float(aimX)) - truth, 6.2831855f);
        EXPECT_LE(std::fabs(off), (5.0f + 0.6f) * 0.017453292f) << "tick " << tick;
    }
    ASSERT_GE(changes.size(), 5u);
    for (size_t i = 1; i < changes.size(); ++i)
        EXPECT_GE(changes[i] - changes[i - 1], 30);
}

TEST(BotSteering, APausedNavigatorStillPlansAndClearsTheButtons)
{
    BotMatch match(GroundWithLedge);
    BotState& bot = match.AddBot(10.0f);
    match.world->navigator.paused = 1;
    bot.goal = &match.Node("Ledge");
    bot.goalX = 22.0f;
    bot.state = BotState::Wander;
    PlayerInput& input = bot.player->input;
    input.move = 127;
    for (PlayerAction action : {PlayerAction::Primary, PlayerAction::Reload, PlayerAction::SwitchWeapon,
                                PlayerAction::Interact, PlayerAction::Jump, PlayerAction::FallThrough})
        input[action] = 1;
    match.Tick(bot);
    EXPECT_FALSE(bot.path.empty());
    EXPECT_EQ(input.move, 0);
    for (PlayerAction action : {PlayerAction::Primary, PlayerAction::Reload, PlayerAction::SwitchWeapon,
                                PlayerAction::Interact, PlayerAction::Jump, PlayerAction::FallThrough})
        EXPECT_EQ(input[action], 0);
}

// Bots walk, jump and drop on their own across a shipped map: from the ground spawn on the left to
// each of these platforms in turn, down to the ground on the right and back over the bunker.
TEST(BotSteering, FindsItsWayAcrossCrossroads)
{
    PlayerGame game;
    game.configuration.bots.resize(1);
    std::unique_ptr<World> world = game.LoadShipped("Crossroads");
    ASSERT_FALSE(world->navigator.GetNodes().empty());
    Player& player = game.AddPlayer(*world, {3.0f, 2.0f}, game.MakeLoadout());
    BotState& bot = world->navigator.bots.emplace_back();
    bot.player = &player;
    for (const char* goal : {"Bunker", "LeftPerch", "Bridge", "RightPerch", "RightLedge", "Ground", "LeftLedge"})
    {
        SCOPED_TRACE(goal);
        Platform* platform = game.names.platforms.Find(std::string_view(goal));
        ASSERT_NE(platform, nullptr);
        bot.goal = world->navigator.NodeOf(platform);
        ASSERT_NE(bot.goal, nullptr);
        const Lumvek::Rectangle bounds = platform->GetBody().GetBounds();
        bot.goalX = bounds.x + bounds.width * 0.5f + (std::string_view(goal) == "Ground" ? 20.0f : 0.0f);
        bot.state = BotState::Wander;
        // The game mode's choices are made inside the tick; one made between ticks plans anew this way.
        bot.lastStart = nullptr;
        int ticks = 0;
        while (!(bot.arrived && player.body.lastPlatform == platform) && ticks < 60 * 60)
        {
            PlayerTesting::Step(*world);
            ++ticks;
        }
        EXPECT_TRUE(bot.arrived && player.body.lastPlatform == platform)
            << "at " << player.body.x << " " << player.body.y << " after " << ticks << " ticks";
    }
}
TEST(BotSteering, JumpsAndWalkOffsEndAndSayNoWithoutGravity)
{
    BotMotion weightless = BaseMotion();
    weightless.fall = 0.0f;
    BotMotion still = BaseMotion();
    still.speed = 0.0f;
    struct Case
    {
        const char* name;
        BotMotion motion;
        Lumvek::Vector2 to;
        bool jumps;
    };
    const Case cases[] = {
        {"onto a ledge in reach", BaseMotion(), {2.0f, 2.0f}, true},
        {"onto a ledge too high", BaseMotion(), {2.0f, 4.0f}, false},
        {"weightless, in reach", weightless, {2.0f, 2.0f}, false},
        {"weightless, out of reach", weightless, {1000.0f, 2.0f}, false},
        {"standing still, beside", still, {2.0f, 0.5f}, false},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(BotSteering::CanJumpTo(test.motion, {0.0f, 0.0f}, test.to, test.motion.speed), test.jumps);
    }

    // A body on a ledge walks off its right edge onto lower ground across a gap.
    const Lumvek::Rectangle body{3.0f, 5.0f, 0.8f, 2.0f};
    const Lumvek::Rectangle ledge{0.0f, 4.0f, 4.0f, 1.0f};
    const Lumvek::Rectangle ground{5.0f, 0.0f, 10.0f, 1.0f};
    const Lumvek::Rectangle farGround{30.0f, 0.0f, 10.0f, 1.0f};
    EXPECT_TRUE(BotSteering::CanWalkOffTo(BaseMotion(), body, ledge, ground, 0.0f));
    EXPECT_FALSE(BotSteering::CanWalkOffTo(BaseMotion(), body, ledge, farGround, 0.0f));
    EXPECT_FALSE(BotSteering::CanWalkOffTo(weightless, body, ledge, ground, 0.0f));
    // Overlapping below is a drop; anything higher is no walk at all.
    EXPECT_TRUE(BotSteering::CanWalkOffTo(weightless, body, ledge, {2.0f, 0.0f, 4.0f, 1.0f}, 0.0f));
    EXPECT_FALSE(BotSteering::CanWalkOffTo(BaseMotion(), body, ledge, {5.0f, 5.0f, 4.0f, 1.0f}, 0.0f));
}

// A bot on the ground at 12 makes for 30 past something at 18 to 21: onto a lift halted low it jumps and walks on;
// short of a lift halted too high to jump onto yet too low to walk under, and of a wall, it arrives at once.
TEST(BotSteering, GetsPastALiftStoppedLowAndArrivesShortOfWhatItCannotGetPast)
{
    const std::string lift = R"({"Name": "Lift", "Moving": true, "Position": "18 1.6", "Path": [{"Time": 0, "Value":
        {"Position": "18 1.6", "Action": "Finished"}}], "Size": )";
    for (const auto& [obstacle, passes] : {std::pair{lift + R"("3 0.5"})", true}, {lift + R"("3 3"})", false},
                                           {R"({"Name": "Wall", "Position": "18 1", "Size": "3 4"})", false}})
    {
        // The ledges give the ground waypoints either side.
        BotMatch match(R"({"Name": "Ground", "Position": "0 0", "Size": "40 1"}, {"Name": "Left", "Position": "8 3",
            "Size": "4 0.5", "OneWay": true}, {"Name": "Right", "Position": "28 3", "Size": "4 0.5",
            "OneWay": true}, )" + obstacle);
        BotState& bot = match.AddBot(12.0f);
        bot.goal = &match.Node("Ground");
        bot.goalX = 30.0f;
        float furthest = 0.0f;
        for (int ticks = 0; ticks < 6 * 60 && !bot.arrived; ++ticks, furthest = std::max(furthest, bot.player->body.x))
            PlayerTesting::Step(*match.world);
        EXPECT_TRUE(bot.arrived && (passes ? bot.player->body.x > 29.0f : furthest < 17.7f)) << obstacle << furthest;
    }
}

// In the air over its goal beside a pit's edge, drifting towards the pit: a bot that went by where it was stopped
// steering over the goal and drifted on into the pit; it steers by where it will come down.
TEST(BotSteering, InTheAirBesideAPitItSteersByWhereItWillComeDown)
{
    BotMatch match(R"({"Name": "A", "Position": "0 0", "Size": "8 1"},
        {"Name": "B", "Position": "11 0", "Size": "29 1"})");
    BotState& bot = match.AddBot(15.0f);
    bot.goal = &match.Node("B");
    bot.goalX = 11.0f;
    bot.state = BotState::Wander;
    PlayerBody& body = bot.player->body;
    body.Reset({11.8f, 3.0f}, true);
    body.velocity.x = -4.0f;
    body.lastPlatform = match.Node("B").platform;
    PlayerTesting::Step(*match.world, 90);
    EXPECT_NEAR(body.y, 1.0f, 0.01f);
    EXPECT_GE(body.x, 11.0f);
}
