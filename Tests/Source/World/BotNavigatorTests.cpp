#include "Source/World/BotNavigator.h"

#include "Source/Data/Attributes.h"
#include "Source/World/BotSteering.h"
#include "Source/World/World.h"
#include "Tests/Source/World/BotTestSupport.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace WorldTesting;
using BotTesting::BaseMotion;

namespace
{

struct PlatformSpec
{
    const char* name;
    const char* position;
    const char* size;
    const char* flags = "";
};

std::string MapOf(const std::vector<PlatformSpec>& platforms)
{
    std::string text = R"({"WorldBounds": "-20 -20 80 60", "Entities": {"Platforms": [)";
    for (size_t i = 0; i < platforms.size(); ++i)
    {
        const PlatformSpec& p = platforms[i];
        text += std::string(i ? "," : "") + R"({"Name": ")" + p.name + R"(", "Position": ")" + p.position +
                R"(", "Size": ")" + p.size + "\"" + p.flags + "}";
    }
    return text + "]}}";
}

constexpr const char* OneWay = R"(, "OneWay": true)";
constexpr const char* Impassable = R"(, "Impassable": true)";

// A game with one bot, so that loading a map builds the graph.
class BotGame : public TestGame
{
public:
    BotGame() { configuration.bots.resize(1); }

    World& LoadPlatforms(const std::vector<PlatformSpec>& platforms)
    {
        world = Load(MapOf(platforms), names);
        return *world;
    }
    NavNode& Node(const char* name)
    {
        NavNode* node = world->navigator.NodeOf(names.platforms.Find(std::string_view(name)));
        EXPECT_NE(node, nullptr) << name;
        return *node;
    }
    // The links from one node onto another that own waypoints (a < b).
    std::vector<NavLink> LinksOnto(const char* from, const char* onto)
    {
        std::vector<NavLink> found;
        for (const NavLink& link : Node(from).links)
            if (link.other == &Node(onto) && link.a < link.b)
                found.push_back(link);
        return found;
    }
    bool Joined(const NavNode& a, const NavNode& b)
    {
        for (const auto& waypoint : a.waypoints)
            for (const Waypoint::Neighbour& neighbour : waypoint->neighbours)
                if (neighbour.waypoint->node == &b)
                    return true;
        return false;
    }

    MapNames names;
    std::unique_ptr<World> world;
};

// The node's waypoint nearest x.
Waypoint* NearestWaypoint(const NavNode& node, float x)
{
    Waypoint* nearest = nullptr;
    for (const auto& waypoint : node.waypoints)
        if (!nearest || std::fabs(waypoint->x - x) < std::fabs(nearest->x - x))
            nearest = waypoint.get();
    return nearest;
}

} // namespace

TEST(BotNavigator, SideBySidePlatformsAreJoinedWithoutAGap)
{
    BotGame game;
    game.LoadPlatforms({{"A", "0 0", "4 1"}, {"B", "4 0", "4 1"}});
    const std::vector<NavLink> right = game.LinksOnto("A", "B");
    ASSERT_FALSE(right.empty());
    EXPECT_FLOAT_EQ(right.front().a, 4.0f);
    EXPECT_FLOAT_EQ(right.front().b, 4.1f);
    ASSERT_FALSE(game.LinksOnto("B", "A").empty());
    EXPECT_TRUE(game.Joined(game.Node("A"), game.Node("B")));

    std::vector<Waypoint*> path;
    game.world->navigator.FindPath(BaseMotion(), game.Node("A"), 1.0f, game.Node("B"), 6.0f, path);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), NearestWaypoint(game.Node("B"), 6.0f));
}

TEST(BotNavigator, AGapNarrowerThanAQuarterIsNoWayDown)
{
    struct Case
    {
        const char* position;
        bool dropsLeft;
    };
    // B beside A at the same height, with the ground below both.
    const Case cases[] = {{"4.2 5", false}, {"4.5 5", true}};
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.position);
        BotGame game;
        game.LoadPlatforms({{"A", "0 5", "4 1"}, {"B", test.position, "4 1"}, {"Ground", "-10 0", "40 1"}});
        bool dropsLeft = false;
        for (const NavLink& link : game.LinksOnto("B", "Ground"))
            dropsLeft = dropsLeft || link.b <= game.Node("B").bounds.x;
        EXPECT_EQ(dropsLeft, test.dropsLeft);
    }
}

TEST(BotNavigator, AOneWayPlatformIsAWayDownOverItsWholeExtentAndFourBeyond)
{
    struct Case
    {
        const char* flags;
        std::vector<std::pair<float, float>> drops;
    };
    const Case cases[] = {
        {OneWay, {{6.0f, 18.0f}}},
        {"", {{6.0f, 10.0f}, {14.0f, 18.0f}}},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.flags);
        BotGame game;
        game.LoadPlatforms({{"Ledge", "10 4", "4 1", test.flags}, {"Ground", "-10 0", "40 1"}});
        const std::vector<NavLink> drops = game.LinksOnto("Ledge", "Ground");
        ASSERT_EQ(drops.size(), test.drops.size());
        for (size_t i = 0; i < drops.size(); ++i)
        {
            EXPECT_FLOAT_EQ(drops[i].a, test.drops[i].first);
            EXPECT_FLOAT_EQ(drops[i].b, test.drops[i].second);
        }
    }
}

TEST(BotNavigator, AWayBlockedByASolidPlatformHasNoEdge)
{
    struct Case
    {
        const char* slabFlags;
        bool joinedOnTheRight;
    };
    // The ledge's right-hand drop to the ground runs through the slab; its left-hand one does not.
    const Case cases[] = {{Impassable, false}, {nullptr, true}};
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.slabFlags ? "slab" : "no slab");
        BotGame game;
        std::vector<PlatformSpec> platforms{{"Ledge", "0 5", "4 1"}, {"Ground", "-10 0", "40 1"}};
        if (test.slabFlags)
            platforms.push_back({"Slab", "3 2", "6 1", test.slabFlags});
        game.LoadPlatforms(platforms);
        NavNode& ledge = game.Node("Ledge");
        bool left = false, right = false;
        for (const auto& waypoint : ledge.waypoints)
            for (const Waypoint::Neighbour& neighbour : waypoint->neighbours)
                if (neighbour.waypoint->node == &game.Node("Ground"))
                    (waypoint->x > 2.0f ? right : left) = true;
        EXPECT_TRUE(left);
        EXPECT_EQ(right, test.joinedOnTheRight);
    }
}

TEST(BotNavigator, ABlockStandingOnAPlatformPartsTheWayAlongIt)
{
    for (bool block : {false, true})
    {
        SCOPED_TRACE(block ? "with the block" : "without");
        BotGame game;
        // Ledges over both ends of the ground give it waypoints at either end; the block stands between.
        std::vector<PlatformSpec> platforms{
            {"Ground", "0 0", "20 1"}, {"Left", "1 3", "2 0.5", OneWay}, {"Right", "17 3", "2 0.5", OneWay}};
        if (block)
            platforms.push_back({"Block", "9 1", "2 5"});
        game.LoadPlatforms(platforms);
        NavNode& ground = game.Node("Ground");
        ASSERT_GE(ground.waypoints.size(), 2u);
        bool crosses = false;
        for (const auto& waypoint : ground.waypoints)
            for (const Waypoint::Neighbour& neighbour : waypoint->neighbours)
                crosses = crosses || (neighbour.waypoint->node == &ground &&
                                      (waypoint->x < 9.0f) != (neighbour.waypoint->x < 9.0f));
        EXPECT_EQ(crosses, !block);
    }
}

TEST(BotNavigator, AnUnreachableGoalEndsAtTheWaypointNearestIt)
{
    BotGame game;
    // The roof is far above any jump; the ground reaches under it.
    game.LoadPlatforms({{"Ground", "0 0", "30 1"}, {"Roof", "20 15", "4 1"}});
    NavNode& ground = game.Node("Ground");
    NavNode& roof = game.Node("Roof");
    ASSERT_FALSE(roof.waypoints.empty());
    std::vector<Waypoint*> path;
    game.world->navigator.FindPath(BaseMotion(), ground, 2.0f, roof, 22.0f, path);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), NearestWaypoint(ground, 2.0f));
    const Waypoint& goal = *NearestWaypoint(roof, 22.0f);
    const Waypoint* nearest = nullptr;
    for (const auto& waypoint : ground.waypoints)
        if (!nearest || std::hypot(waypoint->x - goal.x, waypoint->y - goal.y) <
                            std::hypot(nearest->x - goal.x, nearest->y - goal.y))
            nearest = waypoint.get();
    EXPECT_EQ(path.back(), nearest);

    // Downwards the same pair is a path to the goal itself.
    game.world->navigator.FindPath(BaseMotion(), roof, 22.0f, ground, 2.0f, path);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), NearestWaypoint(ground, 2.0f));
}

TEST(BotNavigator, StartAndGoalOnOnePlatformStayOnIt)
{
    BotGame game;
    game.LoadPlatforms(
        {{"Ground", "0 0", "40 1"}, {"Ledge", "10 3", "4 0.5", OneWay}, {"Shelf", "25 3", "4 0.5", OneWay}});
    NavNode& ground = game.Node("Ground");
    ASSERT_GT(ground.waypoints.size(), 1u);
    // At one place: that place's waypoint alone.
    std::vector<Waypoint*> path;
    game.world->navigator.FindPath(BaseMotion(), ground, 11.0f, ground, 13.0f, path);
    ASSERT_EQ(path.size(), 1u);
    EXPECT_EQ(path.front(), NearestWaypoint(ground, 12.0f));
    EXPECT_EQ(game.world->navigator.GetLastCost(), 0.0f);
    // Far apart: along the top, never over the ledges.
    game.world->navigator.FindPath(BaseMotion(), ground, 1.0f, ground, 39.0f, path);
    ASSERT_GT(path.size(), 1u);
    for (const Waypoint* waypoint : path)
        EXPECT_EQ(waypoint->node, &ground);
    EXPECT_EQ(path.back(), NearestWaypoint(ground, 39.0f));
}

TEST(BotNavigator, FindsPlatformsByTheirTopAndNodesNearAPoint)
{
    BotGame game;
    World& world = game.LoadPlatforms(
        {{"Ground", "0 0", "30 1"}, {"Ledge", "10 3", "4 0.5", OneWay}, {"Wall", "-1 0", "1 10", Impassable}});
    EXPECT_EQ(BotNavigator::FindPlatformAt(world, 12.0f, 3.5f), game.names.platforms.Find("Ledge"));
    EXPECT_EQ(BotNavigator::FindPlatformAt(world, 12.0f, 3.4f), nullptr);
    EXPECT_EQ(world.navigator.NodeOf(game.names.platforms.Find("Wall")), nullptr);
    struct Case
    {
        Lumvek::Vector2 point;
        float radius;
        const char* node;
    };
    const Case cases[] = {
        {{12.0f, 4.0f}, 1.0f, "Ledge"},
        // Both lie within reach: the nearer centre wins.
        {{12.0f, 2.0f}, 5.0f, "Ledge"},
        {{25.0f, 2.0f}, 5.0f, "Ground"},
        {{12.0f, 6.0f}, 1.0f, nullptr},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.point.x + test.point.y);
        NavNode* found = world.navigator.FindNearestNode(world, test.point, test.radius);
        EXPECT_EQ(found, test.node ? &game.Node(test.node) : nullptr);
    }
}

TEST(BotNavigator, NoGraphWithoutBots)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MapOf({{"Ground", "0 0", "30 1"}}), names);
    EXPECT_TRUE(world->navigator.GetNodes().empty());
}

// Every platform a player spawns on can be reached from every other one with the base attributes.
class ShippedMapGraph : public ::testing::TestWithParam<const char*>
{
};

TEST_P(ShippedMapGraph, HasANodeForEveryStaticPlatformAndJoinsThePlayersSpawns)
{
    ShippedGame game;
    game.configuration.bots.resize(1);
    game.Choose(std::string_view(GetParam()));
    auto world = std::make_unique<World>(game, 1);
    MapNames names;
    ASSERT_TRUE(LoadMapData(*world, names));
    BotNavigator& navigator = world->navigator;
    for (const Platform& platform : world->platforms.View())
        EXPECT_EQ(navigator.NodeOf(&platform) != nullptr, !platform.moving && !platform.impassable)
            << "platform " << platform.id;

    // The platform each player spawn point stands on, and where.
    std::vector<std::pair<NavNode*, float>> spawns;
    SpawnMask player;
    player.Parse("Player");
    for (const SpawnPoint& point : world->GetSpawnPoints())
    {
        if (!point.mask.Contains(player))
            continue;
        Platform* platform = BotNavigator::FindPlatformAt(*world, point.x, point.y);
        ASSERT_NE(platform, nullptr) << point.x << " " << point.y;
        NavNode* node = navigator.NodeOf(platform);
        ASSERT_NE(node, nullptr) << point.x << " " << point.y;
        spawns.emplace_back(node, point.x);
    }
    const auto nameOf = [&names](const NavNode* node)
    {
        const std::string* name = names.platforms.FindName(node->platform);
        return name ? *name : std::string("?");
    };
    std::vector<Waypoint*> path;
    for (const auto& [from, fromX] : spawns)
        for (const auto& [to, toX] : spawns)
        {
            navigator.FindPath(BaseMotion(), *from, fromX, *to, toX, path);
            EXPECT_TRUE(!path.empty() && path.back() == NearestWaypoint(*to, toX))
                << "no way from " << nameOf(from) << " at " << fromX << " to " << nameOf(to) << " at " << toX;
        }
}

INSTANTIATE_TEST_SUITE_P(Maps, ShippedMapGraph, ::testing::Values("Crossroads", "Hilltop"));

// Ground cut by a pit three wide whose floor lies below the world, a wall at the left end and a one-way ledge over
// the pit. Only the ends over the pit, and the far end with nothing under it, drop into one; a landing within a
// body's width of such an end is no landing, unless the jump or the steered fall brings the bot clear of it; and no
// goal takes a bot onto the floor below the world.
TEST(BotNavigator, APitsEdgeIsNoPlaceToLandAndItsFloorNoPlaceToGo)
{
    BotGame game;
    game.LoadPlatforms({{"A", "0 0", "8 2"},
                        {"B", "11 0", "9 2"},
                        {"Floor", "8 -20", "3 0.5"},
                        {"Ledge", "6 6", "8 0.5", OneWay},
                        {"Wall", "-1 0", "1 24", Impassable}});
    const NavNode& a = game.Node("A");
    const NavNode& b = game.Node("B");
    const NavNode& ledge = game.Node("Ledge");
    EXPECT_EQ(std::vector<bool>({a.pitLeft, a.pitRight, b.pitLeft, b.pitRight, ledge.pitLeft, ledge.pitRight}),
              std::vector<bool>({false, true, true, true, false, false}));
    EXPECT_EQ(BotNavigator::LandingClearOfPits(b, 0.5f), Lumvek::Vector2(11.5f, 19.5f));

    BotMotion motion = BaseMotion();
    motion.width = 0.5f;
    const struct
    {
        const char* name;
        float speed, maneuverability; // of the base's
        const NavNode& from;
        float x, toX;
        bool clear;
    } cases[] = {
        {"a jump across that carries it a width in", 1.0f, 1.0f, a, 8.0f, 11.0f, true},
        {"a jump across too short for that", 0.5f, 1.0f, a, 8.0f, 11.0f, false},
        {"a drop steered back from its drift", 1.0f, 1.0f, ledge, 11.25f, 11.25f, true},
        {"a drop that cannot be steered", 1.0f, 0.0f, ledge, 11.25f, 11.25f, false},
        {"a drop onto the middle, unsteered", 1.0f, 0.0f, ledge, 13.9f, 16.0f, true},
    };
    for (const auto& test : cases)
    {
        BotMotion scaled = motion;
        scaled.speed *= test.speed, scaled.maneuverability *= test.maneuverability;
        EXPECT_EQ(BotNavigator::LandsClearOfPits(scaled, test.from, test.x, b, test.toX), test.clear) << test.name;
    }

    std::vector<Waypoint*> path;
    EXPECT_FALSE(game.world->navigator.FindPath(motion, a, 4.0f, game.Node("Floor"), 9.5f, path));
    EXPECT_TRUE(std::none_of(path.begin(), path.end(),
                             [&](const Waypoint* waypoint) { return waypoint->node == &game.Node("Floor"); }));
}
