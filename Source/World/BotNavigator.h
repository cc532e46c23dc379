#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class Player;
class World;
struct Attributes;
struct Hazard;
struct NavNode;
struct Platform;

// What a bot's own movement can do, read from its player's effective attributes: how fast it runs
// and turns on the ground and in the air, how high it jumps and hangs, and how fast it falls. The
// path search and the steering simulate jumps and walk-offs with it.
struct BotMotion
{
    // The player's effective values under its game's gravity; its weight counts its stowed weapon's.
    static BotMotion Of(const Player& player);
    // A player of the base attributes, carrying nothing, under a vertical gravity: what a bot of any
    // loadout can be counted on to do, with no height (nothing hanging low stops it).
    static BotMotion Base(float gravity);
    // The same with the modifiers given in place of the player's.
    static BotMotion Of(const Player& player, const Attributes& modifiers);
    // The player's motion out of the zones it stands in (mud).
    static BotMotion OutsideZones(const Player& player);

    // The larger of the forward and backward speeds.
    float speed = 0.0f;
    // Change of speed per second in the air.
    float maneuverability = 0.0f;
    // Change of speed per tick on the ground.
    float agility = 0.0f;
    // The vertical speed a jump starts with, and what each tick of hanging adds to it.
    float hops = 0.0f;
    float hangAmount = 0.0f;
    // Ticks of hanging, rounded to the nearest.
    int32_t hangTicks = 0;
    // Gravity times weight: the vertical change of speed per second (negative when it pulls down).
    float fall = 0.0f;
    // The height of its box: it walks under nothing that hangs lower over the ground.
    float height = 0.0f;
    // The width of its box: coming down within it of a pit's edge, the least drift carries it over.
    float width = 0.0f;

    bool operator==(const BotMotion&) const = default;
};

// A point on a node's top that paths run through, joined to its neighbours by the distance between
// them. The search leaves its marks in it, telling its own from older ones by the generation.
struct Waypoint
{
    struct Neighbour
    {
        Waypoint* waypoint = nullptr;
        float cost = 0.0f;
    };

    NavNode* node = nullptr;
    float x = 0.0f;
    float y = 0.0f;
    std::vector<Neighbour> neighbours;
    // The search that last reached the waypoint; 0 for none.
    uint32_t generation = 0;
    Waypoint* parent = nullptr;
    float g = 0.0f;
};

// A way from one node onto another over the x interval [a, b] above the other: a < b on the node that
// owns the link's waypoints, a > b on its mirror.
struct NavLink
{
    NavNode* other = nullptr;
    float a = 0.0f;
    float b = 0.0f;
};

// One static platform of the graph: its bounds when the graph was built, the ways onto other nodes
// and the waypoints on its top.
struct NavNode
{
    float Top() const { return bounds.y + bounds.height; }
    float Right() const { return bounds.x + bounds.width; }

    Platform* platform = nullptr;
    Lumvek::Rectangle bounds;
    std::vector<NavLink> links;
    // Sorted by x once built.
    std::vector<std::unique_ptr<Waypoint>> waypoints;
    // The search that last asked whether the node is a trap (no step of that search's bot leads off it
    // onto another node), and the answer.
    uint32_t trapGeneration = 0;
    bool trap = false;
    // Set where a body walking off that end of the top falls into a pit or out of the world.
    bool pitLeft = false;
    bool pitRight = false;
};

// One bot's wishes and plan: what the game mode chose (target, goal node and x, state), the path the
// navigator found to it, and the aim's timer. Zeroed when the bot joins the world; kept in the world's
// navigator.
struct BotState
{
    // The goal kinds the game modes set in state.
    static constexpr uint32_t Chase = 1;
    static constexpr uint32_t Fetch = 2;
    static constexpr uint32_t Wander = 4;

    // The player to aim at; null for none.
    Player* target = nullptr;
    Player* player = nullptr;
    // The platform the last search started from.
    const Platform* lastStart = nullptr;
    // The goal node of the previous tick, and the one the game mode chose for this tick.
    NavNode* previousGoal = nullptr;
    NavNode* goal = nullptr;
    std::vector<Waypoint*> path;
    // Set while the path reaches the goal's waypoint. A path that ends short of it takes the bot only as
    // far as it goes, where the bot counts as arrived.
    uint8_t reachesGoal = 0;
    // The movement the path was searched with: a way that fell short with a weaker body (in mud, a heavy
    // gun stowed) is searched again once the body changes.
    BotMotion plannedWith;
    // Chase aims at the target; cleared on arrival.
    uint32_t state = 0;
    float goalX = 0.0f;
    // Set while the bot stands within its own width of goal x on the goal's platform.
    uint8_t arrived = 0;
    // The state the bot was in when it last arrived.
    uint32_t arrivedFrom = 0;
    // In [-1, 1): varies the distance the bot keeps and where it wanders to.
    float randomOffset = 0.0f;
    // Seconds since the aim last changed.
    float aimTimer = 0.0f;
    // Ticks Interact is still held for a pickup the bot came to fetch.
    int32_t interactTicks = 0;
    // Set while Primary is held to charge a grenade, until the bot lets it go at the charge its throw needs.
    uint8_t charging = 0;
    // Set while a chasing bot that came to its fighting spot without a shot at its target closes in on
    // the target itself; cleared once it has fired, the target has moved on or it stops chasing. Where the
    // target stood (its x and the top of its node) and the bot's shots fired when it chose to close in.
    uint8_t closingIn = 0;
    float closeInX = 0.0f;
    float closeInTop = 0.0f;
    uint32_t closeInShots = 0;
    // Set while a bot that came to the end of its way short of its target's platform goes somewhere else
    // to hunt it from there; cleared when it gets there, or gives up after a while. The ticks it has been
    // on its way.
    uint8_t detour = 0;
    int32_t detourTicks = 0;
    // Where the bot last made headway (its x and the platform under it), and the ticks since.
    float progressX = 0.0f;
    const Platform* progressPlatform = nullptr;
    int32_t stuckTicks = 0;
};

// The bots of a match and the graph they find their way over: one node per static platform that is
// not impassable, links where a player can walk, drop or jump from one platform onto another, and
// waypoints on the tops joined by distance. Built by the map loader when the game has bots (on the
// match-loading thread, before anything steps the world); used by the world's tick on the
// application thread. Embedded in the World.
class BotNavigator
{
public:
    BotNavigator() = default;
    BotNavigator(const BotNavigator&) = delete;
    BotNavigator& operator=(const BotNavigator&) = delete;

    // Forgets the graph, and the bots' goals and paths in it.
    void ClearGraph();
    // Clears the graph and builds it anew over the world's platforms.
    void Build(World& world);
    // How many times the graph was built: a holder of its nodes or waypoints drops them once it grows.
    uint32_t GetBuilds() const { return builds; }
    // The three steps of the build, in this order.
    void BuildNodes(World& world);
    void BuildLinks(World& world);
    void BuildWaypoints(World& world);

    // The platform whose top is at y with x strictly inside it, or null.
    static Platform* FindPlatformAt(World& world, float x, float y);
    // The platform's node, or null for a platform left out of the graph.
    NavNode* NodeOf(const Platform* platform) const;
    // Of the nodes whose bounds come closer to the point than radius, the one whose centre is nearest;
    // null when there is none. Under the point: only nodes whose top is not above it, where something
    // lying at the point rests.
    NavNode* FindNearestNode(World& world, Lumvek::Vector2 point, float radius, bool underPoint = false,
                             const NavNode* except = nullptr) const;
    // How far a walk along the node's top from x towards toX gets: toX, or the x where something solid
    // standing on the top (a wall, a bunker) stops it.
    static float WalkAlongTop(World& world, const NavNode& node, float x, float toX);

    // Whether a body standing on the node's top has fallen out of the world (a pit cut below its floor).
    static bool BelowTheWorld(const NavNode& node);
    // The first active hazard that harms (its damage is above 0) overlapping the box; null for none.
    static const Hazard* FindHarm(World& world, const Lumvek::Rectangle& box);
    // Where on a top a body of that width and height that wants to stand at x stands clear of every
    // hazard that harms there: x itself, or just beside the hazard, on the side nearer from that is not
    // walled off.
    static float StandClearOfHarm(World& world, float top, float x, float from, float width, float height);
    // Whether a body of that height standing at x on a top would stand inside something solid (a wall).
    static bool WalledOff(World& world, float top, float x, float height);
    // Where on the node's top nearest x a body of that width and height stands clear of anything solid
    // resting on it (a hill, a bunker): x itself where it does, else the nearest such spot within the top;
    // x where the whole top is covered.
    static float OpenSpotOn(World& world, const NavNode& node, float x, float width, float height);
    // The stretch [lo, hi] of the node's top where a body of that width comes down clear of the ends that
    // drop into a pit: the whole top where none does; lo > hi where the top is too narrow.
    static Lumvek::Vector2 LandingClearOfPits(const NavNode& node, float width);
    // Whether a bot of the motion stepping off one node at x onto another, where it means to land at toX,
    // can come down clear of the other's pit edges: a jump across a gap from the near end reaches the
    // clear stretch, and a drop that starts moving towards the nearer pit edge at full speed can be
    // steered back onto it before it lands.
    static bool LandsClearOfPits(const BotMotion& motion, const NavNode& from, float x, const NavNode& onto, float toX);

    // A* from the start node's waypoint nearest startX (where the bot stands) to the goal node's
    // waypoint nearest goalX: the path from start to goal, or to the waypoint nearest the goal when the
    // goal cannot be reached. A step between two platforms is taken only where a jump with the motion
    // reaches, and a step along a top under a stopped moving platform (a lift halted low) only where the
    // bot fits under it or a jump with the motion lands on it. A step that walks or lands the bot in a
    // hazard that harms, drops it onto a node other than the goal's that it cannot jump off again (a
    // pit), lands it where it cannot come down clear of a pit's edge, or jumps it across a gap through
    // such a hazard, costs HarmCost more than its length: the search takes it only where no other way goes.
    // A step onto a top below the world is never taken, whatever the goal. Empty when either node has no
    // waypoint.
    // (Starting from a node's first waypoint instead would start a bot beyond a wall that parts its
    // platform from wherever it stands.) True when the path reaches the goal's waypoint.
    bool FindPath(const BotMotion& motion, const NavNode& start, float startX, const NavNode& goal, float goalX,
                  std::vector<Waypoint*>& path);
    // Whether a bot of the motion can get from one node onto another: a jump from the near end of the
    // one lands on the near end of the other, or, where they overlap, reaches the other's height. The
    // path search takes a step between nodes only where this holds.
    static bool CanStep(const BotMotion& motion, const NavNode& from, const NavNode& to);
    // The stopped moving platform (halted on its path or at its end) nearest x that stands in the way of
    // a body of that height walking along a top from x to toX, too low to pass under; null for none.
    static const Platform* FindStoppedLift(World& world, float top, float x, float toX, float height);

    // More than any way over a map's tops is long.
    static constexpr float HarmCost = 10000.0f;

    std::span<const std::unique_ptr<NavNode>> GetNodes() const { return nodes; }
    // The path cost of the waypoint the last search ended on.
    float GetLastCost() const { return lastCost; }

    // Starts the record of the player's bot afresh, keeping only its player and offset: whatever it
    // was doing ended with its life, and the game mode chooses again. Nothing for a player that is no bot.
    void ForgetErrand(const Player& player);

    std::vector<BotState> bots;
    // While set, bots choose targets and paths but are not steered.
    uint8_t paused = 0;
    // Measurements: the searches run so far, and the time they took while timing is on.
    uint64_t searchCount = 0;
    bool timeSearches = false;
    uint64_t searchNanoseconds = 0;

private:
    struct OpenEntry
    {
        Waypoint* waypoint;
        float g;
        float f;
    };

    Waypoint& WaypointAt(NavNode& node, float x, float y);
    bool Search(const BotMotion& motion, const NavNode& start, float startX, const NavNode& goal, float goalX,
                std::vector<Waypoint*>& path);
    // Whether a bot of the motion can walk along the node's top from one waypoint to the other: no
    // stopped moving platform in the way, or one it can jump onto.
    bool CanWalkAlong(const BotMotion& motion, const NavNode& node, const Waypoint& from, const Waypoint& to) const;
    // Whether no other node the node is linked to lies lower than its top plus the rise of the searching
    // bot's jump, or its top lies where a body has fallen out of the world; asked once a search.
    bool IsTrap(NavNode& node, float rise) const;
    // Whether the jump across a gap from one node onto the other, from the near end at full speed, carries
    // the bot through one of the harms (spikes on a ledge over the gap).
    bool JumpAcrossHarms(const BotMotion& motion, const NavNode& from, const NavNode& to) const;
    // Whether a body of the height walking along a top between the two x meets one of the harms.
    bool Harms(float top, float x0, float x1, float height) const;

    // Sorted higher top first, then by smaller x.
    std::vector<std::unique_ptr<NavNode>> nodes;
    // The node of each platform by its index in the world's platform array.
    std::vector<NavNode*> platformNodes;
    uint32_t generation = 0;
    uint32_t builds = 0;
    float lastCost = 0.0f;
    // Reused by every search: the open list, and the areas of the hazards that harm.
    std::vector<OpenEntry> open;
    std::vector<Lumvek::Rectangle> harms;
};
