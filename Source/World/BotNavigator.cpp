#include "Source/World/BotNavigator.h"

#include "Source/Data/HazardData.h"
#include "Source/World/BotSteering.h"
#include "Source/World/Weapon.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <chrono>
#include <cmath>

using namespace Lumvek;

namespace
{

// How far beside a platform a player may land when it walks or drops off it.
constexpr float Reach = 4.0f;
// Spans of ground narrower than this are no way down.
constexpr float NarrowestSpan = 0.25f;
// The floor-neighbour probe, just beyond either end of a platform.
constexpr float Probe = 0.1f;
constexpr float SameX = 0.0001f;

struct Span
{
    float lo;
    float hi;
};

bool EntirelyLeftOf(const NavNode& node, const NavNode& of)
{
    return node.Right() <= of.bounds.x;
}

bool EntirelyRightOf(const NavNode& node, const NavNode& of)
{
    return node.bounds.x >= of.Right();
}

// The node's waypoint nearest x; the first of two as near. The node has waypoints.
Waypoint* NearestWaypoint(const NavNode& node, float x)
{
    Waypoint* nearest = node.waypoints.front().get();
    for (const std::unique_ptr<Waypoint>& waypoint : node.waypoints)
        if (std::fabs(waypoint->x - x) < std::fabs(nearest->x - x))
            nearest = waypoint.get();
    return nearest;
}

float Distance(const Waypoint& a, const Waypoint& b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

void Join(Waypoint& a, Waypoint& b, float cost)
{
    // A pair joined twice would only be relaxed twice at the same cost.
    const auto joined = [](const Waypoint& from, const Waypoint& to)
    {
        return std::any_of(from.neighbours.begin(), from.neighbours.end(),
                           [&to](const Waypoint::Neighbour& n) { return n.waypoint == &to; });
    };
    if (&a == &b || joined(a, b))
        return;
    a.neighbours.push_back({&b, cost});
    b.neighbours.push_back({&a, cost});
}

// Looks for anything solid between two waypoints: the platforms of the link itself, one-way
// platforms and moving or dynamic bodies do not block.
class SightBlocker final : public b2RayCastCallback
{
public:
    SightBlocker(const Platform* first, const Platform* second) : first(first), second(second) {}

    float ReportFixture(b2Fixture* fixture, const b2Vec2&, const b2Vec2&, float) override
    {
        if (fixture->GetBody()->GetType() != b2_staticBody)
            return -1.0f;
        const auto* body = reinterpret_cast<const Body*>(fixture->GetUserData().pointer);
        if (const auto* platform = dynamic_cast<const PlatformBody*>(body); platform && platform->platform)
        {
            const Platform* record = platform->platform;
            if (record == first || record == second || record->oneWay)
                return -1.0f;
        }
        blocked = true;
        return 0.0f;
    }

    bool blocked = false;

private:
    const Platform* first;
    const Platform* second;
};

// The nearest thing solid on a ray that is not the given platform: one-way platforms and moving or
// dynamic bodies do not count.
class NearestBlocker final : public b2RayCastCallback
{
public:
    explicit NearestBlocker(const Platform* own) : own(own) {}

    float ReportFixture(b2Fixture* fixture, const b2Vec2&, const b2Vec2&, float fraction) override
    {
        if (fixture->GetBody()->GetType() != b2_staticBody)
            return -1.0f;
        const auto* body = reinterpret_cast<const Body*>(fixture->GetUserData().pointer);
        if (const auto* platform = dynamic_cast<const PlatformBody*>(body); platform && platform->platform)
            if (platform->platform == own || platform->platform->oneWay)
                return -1.0f;
        nearest = std::min(nearest, fraction);
        // Clipping the ray to this fixture leaves only nearer ones to report.
        return fraction;
    }

    float nearest = 1.0f;

private:
    const Platform* own;
};

// How far above its start a jump of the motion rises, as the jump simulation moves it.
float JumpRise(const BotMotion& motion)
{
    if (!(motion.fall < 0.0f))
        return 0.0f;
    float vy = motion.hops;
    float y = 0.0f;
    float highest = 0.0f;
    for (int32_t tick = 0; tick < BotSteering::MaximumSimulatedTicks && (vy > 0.0f || tick < motion.hangTicks); ++tick)
    {
        if (tick < motion.hangTicks)
            vy += motion.hangAmount;
        vy += motion.fall * TickSeconds;
        y += vy * TickSeconds;
        highest = std::max(highest, y);
    }
    return highest;
}

bool Blocked(World& world, Vector2 from, Vector2 to, const Platform* first, const Platform* second)
{
    b2World* physics = world.GetPhysics();
    // Box2D refuses a ray of no length, and nothing lies between a point and itself.
    if (!physics || (to - from).Length() < SameX)
        return false;
    SightBlocker blocker(first, second);
    physics->RayCast(&blocker, b2Vec2(from.x, from.y), b2Vec2(to.x, to.y));
    return blocker.blocked;
}

} // namespace

void BotNavigator::ClearGraph()
{
    // Nothing of the bots may point into the graph once it is gone.
    for (BotState& bot : bots)
    {
        bot.goal = bot.previousGoal = nullptr;
        bot.lastStart = nullptr;
        bot.path.clear();
    }
    nodes.clear();
    platformNodes.clear();
    generation = 0;
    lastCost = 0.0f;
}

void BotNavigator::Build(World& world)
{
    ClearGraph();
    ++builds;
    BuildNodes(world);
    BuildLinks(world);
    BuildWaypoints(world);
}

void BotNavigator::BuildNodes(World& world)
{
    platformNodes.assign(world.platforms.Count(), nullptr);
    for (Platform& platform : world.platforms.View())
    {
        // A platform an editor deleted keeps its record but is no ground to walk on.
        if (platform.moving || platform.impassable || !platform.body || !platform.GetBody().active)
            continue;
        auto node = std::make_unique<NavNode>();
        node->platform = &platform;
        node->bounds = platform.GetBody().GetBounds();
        platformNodes[platform.id] = node.get();
        nodes.push_back(std::move(node));
    }
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const std::unique_ptr<NavNode>& a, const std::unique_ptr<NavNode>& b)
                     {
                         if (a->Top() != b->Top())
                             return a->Top() > b->Top();
                         return a->bounds.x < b->bounds.x;
                     });
}

void BotNavigator::BuildLinks(World& world)
{
    // Beyond an end of a top: no floor carries on at its height and nothing solid stands there, and the
    // first node below is one where a body has fallen out of the world, or there is none.
    const auto pitBeyond = [&](const NavNode& node, float x)
    {
        const float top = node.Top();
        if (FindPlatformAt(world, x, top) || IsInSolidGround(world, {x, top + Probe}))
            return false;
        for (const std::unique_ptr<NavNode>& below : nodes)
            if (below->Top() < top && below->bounds.x < x && x < below->Right())
                return BelowTheWorld(*below);
        return true;
    };
    for (const std::unique_ptr<NavNode>& node : nodes)
    {
        node->pitLeft = pitBeyond(*node, node->bounds.x - Probe);
        node->pitRight = pitBeyond(*node, node->Right() + Probe);
    }

    std::vector<Span> spans;
    std::vector<Span> kept;
    for (size_t i = 0; i < nodes.size(); ++i)
    {
        NavNode& node = *nodes[i];
        const Rectangle& n = node.bounds;
        const float top = node.Top();

        // Solid ground beside the node's top bounds where a player can step off it.
        float left = n.x - Reach;
        float right = node.Right() + Reach;
        const Rectangle around{n.x - Reach, top - Probe, n.width + 2.0f * Reach, 2.0f * Probe};
        for (Platform& beside : world.platformGrid.Query(around))
        {
            if (beside.oneWay || beside.moving)
                continue;
            const Rectangle q = beside.GetBody().GetBounds();
            if (q.y + q.height == top && q.x >= n.x)
                continue;
            if (q.x <= n.x && q.x + q.width > left)
                left = q.x + q.width;
            if (node.Right() <= q.x + q.width && q.x < right)
                right = q.x;
        }

        spans.clear();
        if (node.platform->oneWay)
            spans.push_back({left, right});
        else
        {
            if (left + NarrowestSpan < n.x)
                spans.push_back({left, n.x});
            if (node.Right() < right - NarrowestSpan)
                spans.push_back({node.Right(), right});
        }

        if (Platform* floor = FindPlatformAt(world, n.x - Probe, top))
            if (NavNode* other = NodeOf(floor))
                node.links.push_back({other, n.x - Probe, n.x});
        if (Platform* floor = FindPlatformAt(world, node.Right() + Probe, top))
            if (NavNode* other = NodeOf(floor))
                node.links.push_back({other, node.Right(), node.Right() + Probe});

        // Drops onto the nodes below, nearest first: what a nearer node covers hides the ones under it.
        for (size_t j = i + 1; j < nodes.size() && !spans.empty(); ++j)
        {
            NavNode& below = *nodes[j];
            const float lo = below.bounds.x;
            const float hi = below.Right();
            kept.clear();
            for (const Span& span : spans)
            {
                if (!(span.hi > lo && span.lo < hi))
                {
                    kept.push_back(span);
                    continue;
                }
                if (lo - span.lo > NarrowestSpan)
                    kept.push_back({span.lo, lo});
                if (span.hi - hi > NarrowestSpan)
                    kept.push_back({hi, span.hi});
                const float overlapLo = std::max(span.lo, lo);
                const float overlapHi = std::min(span.hi, hi);
                node.links.push_back({&below, overlapLo, overlapHi});
                below.links.push_back({&node, overlapHi, overlapLo});
            }
            spans.swap(kept);
        }
    }
}

void BotNavigator::BuildWaypoints(World& world)
{
    for (const std::unique_ptr<NavNode>& owner : nodes)
    {
        NavNode& node = *owner;
        // Joining adds links to other nodes' lists, never to this one's: walking it by index is safe.
        for (size_t k = 0; k < node.links.size(); ++k)
        {
            const NavLink link = node.links[k];
            if (!(link.a < link.b))
                continue;
            NavNode& other = *link.other;
            const float mid = link.a + (link.b - link.a) * 0.5f;
            const Vector2 p1{std::clamp(mid, node.bounds.x, node.Right()), node.Top()};
            Vector2 p2{mid, other.Top()};
            if (EntirelyLeftOf(other, node))
                p2.x = other.Right();
            else if (EntirelyRightOf(other, node))
                p2.x = other.bounds.x;
            if (Blocked(world, p1, p2, node.platform, other.platform))
                continue;
            Waypoint& there = WaypointAt(other, p2.x, p2.y);
            Waypoint& here = WaypointAt(node, p1.x, p1.y);
            Join(there, here, Distance(there, here));
        }
    }
    for (const std::unique_ptr<NavNode>& owner : nodes)
    {
        std::vector<std::unique_ptr<Waypoint>>& waypoints = owner->waypoints;
        std::stable_sort(waypoints.begin(), waypoints.end(),
                         [](const std::unique_ptr<Waypoint>& a, const std::unique_ptr<Waypoint>& b)
                         { return a->x < b->x; });
        // A solid platform standing on the top (a wall, a bunker) parts the waypoints either side of it:
        // walking along the top runs into it. One that only rises at the end of the top, where a
        // waypoint lies against its side, parts nothing: the walk stops short of its face. The floor of
        // a pit below the world stays parted, so that no way runs through it.
        const float above = owner->Top() + Probe;
        const bool pit = BelowTheWorld(*owner);
        for (size_t k = 1; k < waypoints.size(); ++k)
        {
            Waypoint& a = *waypoints[k - 1];
            Waypoint& b = *waypoints[k];
            const float inset = pit ? 0.0f : std::min(Probe, (b.x - a.x) * 0.25f);
            if (!Blocked(world, {a.x + inset, above}, {b.x - inset, above}, owner->platform, owner->platform))
                Join(a, b, Distance(a, b));
        }
    }
}

Waypoint& BotNavigator::WaypointAt(NavNode& node, float x, float y)
{
    for (const std::unique_ptr<Waypoint>& waypoint : node.waypoints)
        if (std::fabs(waypoint->x - x) < SameX)
            return *waypoint;
    auto waypoint = std::make_unique<Waypoint>();
    waypoint->node = &node;
    waypoint->x = x;
    waypoint->y = y;
    node.waypoints.push_back(std::move(waypoint));
    return *node.waypoints.back();
}

Platform* BotNavigator::FindPlatformAt(World& world, float x, float y)
{
    for (Platform& platform : world.platformGrid.QueryPoint({x, y - Probe}))
    {
        const Rectangle bounds = platform.GetBody().GetBounds();
        if (std::fabs(bounds.y + bounds.height - y) < SameX)
            return &platform;
    }
    return nullptr;
}

NavNode* BotNavigator::NodeOf(const Platform* platform) const
{
    if (!platform || platform->id >= platformNodes.size())
        return nullptr;
    NavNode* node = platformNodes[platform->id];
    // A node made for another world's platform of the same index is not this one's.
    return node && node->platform == platform ? node : nullptr;
}

float BotNavigator::WalkAlongTop(World& world, const NavNode& node, float x, float toX)
{
    b2World* physics = world.GetPhysics();
    if (!physics || std::fabs(toX - x) < SameX)
        return toX;
    const float y = node.Top() + Probe;
    NearestBlocker blocker(node.platform);
    physics->RayCast(&blocker, b2Vec2(x, y), b2Vec2(toX, y));
    return x + (toX - x) * blocker.nearest;
}

const Platform* BotNavigator::FindStoppedLift(World& world, float top, float x, float toX, float height)
{
    const Platform* nearest = nullptr;
    float nearestDistance = 0.0f;
    for (Platform* platform : world.GetMovingPlatforms())
    {
        const PathedBody* body = platform->GetPathedBody();
        if (!body || !body->active || !body->physicsBody || platform->oneWay || !(body->stopped || body->finished))
            continue;
        const Rectangle b = body->GetBounds();
        const float distance = toX < x ? x - (b.x + b.width) : b.x - x;
        if (b.x < std::max(x, toX) && b.x + b.width > std::min(x, toX) && b.y < top + height && b.y + b.height > top &&
            (!nearest || distance < nearestDistance))
        {
            nearest = platform;
            nearestDistance = distance;
        }
    }
    return nearest;
}

bool BotNavigator::CanStep(const BotMotion& motion, const NavNode& from, const NavNode& to)
{
    if (EntirelyLeftOf(to, from))
        return BotSteering::CanJumpTo(motion, {from.bounds.x, from.Top()}, {to.Right(), to.Top()}, -motion.speed);
    if (EntirelyRightOf(to, from))
        return BotSteering::CanJumpTo(motion, {from.Right(), from.Top()}, {to.bounds.x, to.Top()}, motion.speed);
    return BotSteering::CanJumpTo(motion, {0.0f, from.Top()}, {0.0f, to.Top()}, motion.speed);
}

bool BotNavigator::CanWalkAlong(const BotMotion& motion, const NavNode& node, const Waypoint& from,
                                const Waypoint& to) const
{
    World* world = node.platform->GetBody().world;
    const Platform* lift = world ? FindStoppedLift(*world, node.Top(), from.x, to.x, motion.height) : nullptr;
    if (!lift)
        return true;
    const Rectangle bounds = lift->GetBody().GetBounds();
    return BotSteering::CanJumpTo(motion, {0.0f, node.Top()}, {0.0f, bounds.y + bounds.height}, motion.speed);
}

bool BotNavigator::JumpAcrossHarms(const BotMotion& motion, const NavNode& from, const NavNode& to) const
{
    if (EntirelyLeftOf(to, from))
        return BotSteering::JumpMeetsHarm(motion, {from.bounds.x, from.Top()}, {to.Right(), to.Top()}, -motion.speed,
                                          harms);
    if (EntirelyRightOf(to, from))
        return BotSteering::JumpMeetsHarm(motion, {from.Right(), from.Top()}, {to.bounds.x, to.Top()}, motion.speed,
                                          harms);
    return false;
}

bool BotNavigator::IsTrap(NavNode& node, float rise) const
{
    if (node.trapGeneration == generation)
        return node.trap;
    node.trapGeneration = generation;
    node.trap = BelowTheWorld(node) ||
                std::none_of(node.links.begin(), node.links.end(),
                             [&](const NavLink& link) { return link.other->Top() <= node.Top() + rise; });
    return node.trap;
}

bool BotNavigator::BelowTheWorld(const NavNode& node)
{
    // A body standing on a top this low has fallen out of the world.
    const World* world = node.platform ? node.platform->GetBody().world : nullptr;
    return world && node.Top() < world->bounds.y + 1.0f;
}

bool BotNavigator::Harms(float top, float x0, float x1, float height) const
{
    const float lo = std::min(x0, x1);
    const float hi = std::max(x0, x1);
    height = std::max(height, Probe);
    return std::any_of(harms.begin(), harms.end(),
                       [&](const Rectangle& area) {
                           return area.x < hi && area.x + area.width > lo && area.y < top + height &&
                                  area.y + area.height > top;
                       });
}

const Hazard* BotNavigator::FindHarm(World& world, const Rectangle& box)
{
    for (const Hazard& hazard : world.GetHazards())
    {
        if (!hazard.body.active || !hazard.data || !(hazard.data->damage > 0.0f))
            continue;
        const Rectangle area = hazard.body.GetBounds();
        if (area.x < box.x + box.width && area.x + area.width > box.x && area.y < box.y + box.height &&
            area.y + area.height > box.y)
            return &hazard;
    }
    return nullptr;
}

float BotNavigator::StandClearOfHarm(World& world, float top, float x, float from, float width, float height)
{
    // A few hazards side by side are stepped past one after another.
    for (int32_t tries = 0; tries < 4; ++tries)
    {
        const Hazard* hazard = FindHarm(world, {x - width * 0.5f, top, width, height});
        if (!hazard)
            return x;
        const Rectangle area = hazard->body.GetBounds();
        const float left = area.x - width;
        const float right = area.x + area.width + width;
        // Spikes against a wall: the side inside the wall is no place to stand, however near.
        const bool leftOpen = !WalledOff(world, top, left, height);
        const bool rightOpen = !WalledOff(world, top, right, height);
        const bool nearerLeft = std::fabs(from - left) <= std::fabs(from - right);
        x = leftOpen && (nearerLeft || !rightOpen) ? left : rightOpen ? right : nearerLeft ? left : right;
    }
    return x;
}

bool BotNavigator::WalledOff(World& world, float top, float x, float height)
{
    return IsInSolidGround(world, {x, top + std::max(height, Probe) * 0.5f});
}

float BotNavigator::OpenSpotOn(World& world, const NavNode& node, float x, float width, float height)
{
    const float top = node.Top();
    const float half = width * 0.5f;
    const auto open = [&](float at)
    {
        return !WalledOff(world, top, at - half, height) && !WalledOff(world, top, at, height) &&
               !WalledOff(world, top, at + half, height);
    };
    if (open(x))
        return x;
    const float lo = node.bounds.x + half;
    const float hi = node.Right() - half;
    if (!(lo < hi))
        return x;
    const float from = std::clamp(x, lo, hi);
    if (open(from))
        return from;
    // Steps of a quarter of the body's width find a gap it fits in; the nearer side wins, the left on a tie.
    const float step = std::max(width * 0.25f, Probe);
    for (float d = step; from - d >= lo || from + d <= hi; d += step)
    {
        if (from - d >= lo && open(from - d))
            return from - d;
        if (from + d <= hi && open(from + d))
            return from + d;
    }
    return x;
}

Vector2 BotNavigator::LandingClearOfPits(const NavNode& node, float width)
{
    return {node.bounds.x + (node.pitLeft ? width : 0.0f), node.Right() - (node.pitRight ? width : 0.0f)};
}

bool BotNavigator::LandsClearOfPits(const BotMotion& motion, const NavNode& from, float x, const NavNode& onto,
                                    float toX)
{
    if (!onto.pitLeft && !onto.pitRight)
        return true;
    const Vector2 clear = LandingClearOfPits(onto, motion.width);
    if (clear.x > clear.y)
        return false;
    const Vector2 landing{std::clamp(toX, clear.x, clear.y), onto.Top()};
    if (EntirelyLeftOf(onto, from))
        return BotSteering::CanJumpTo(motion, {from.bounds.x, from.Top()}, landing, -motion.speed);
    if (EntirelyRightOf(onto, from))
        return BotSteering::CanJumpTo(motion, {from.Right(), from.Top()}, landing, motion.speed);
    if (!(onto.Top() < from.Top()) || !(motion.fall < 0.0f))
        return true;
    // A bot that comes off the top running towards the nearer pit edge, steering away from it all the way
    // down: where it comes down is the nearest it can land to the clear stretch.
    const bool towardsLeft = onto.pitLeft && (!onto.pitRight || toX - onto.bounds.x <= onto.Right() - toX);
    const float away = towardsLeft ? 1.0f : -1.0f;
    float vx = -away * motion.speed;
    float vy = 0.0f;
    float y = from.Top();
    for (int32_t tick = 0; tick < BotSteering::MaximumSimulatedTicks && y > onto.Top(); ++tick)
    {
        vx = std::clamp(vx + away * motion.maneuverability * TickSeconds, -motion.speed, motion.speed);
        x += vx * TickSeconds;
        vy += motion.fall * TickSeconds;
        y += vy * TickSeconds;
    }
    return towardsLeft ? x >= clear.x : x <= clear.y;
}

void BotNavigator::ForgetErrand(const Player& player)
{
    for (BotState& bot : bots)
        if (bot.player == &player)
        {
            BotState fresh;
            fresh.player = bot.player;
            fresh.randomOffset = bot.randomOffset;
            bot = std::move(fresh);
        }
}

NavNode* BotNavigator::FindNearestNode(World& world, Vector2 point, float radius, bool underPoint,
                                       const NavNode* except) const
{
    NavNode* nearest = nullptr;
    float nearestDistance = 0.0f;
    const Rectangle square{point.x - radius, point.y - radius, 2.0f * radius, 2.0f * radius};
    for (Platform& platform : world.platformGrid.Query(square))
    {
        NavNode* node = NodeOf(&platform);
        if (!node || node == except || (underPoint && node->Top() > point.y + SameX))
            continue;
        const Rectangle& b = node->bounds;
        const float dx = point.x - std::clamp(point.x, b.x, b.x + b.width);
        const float dy = point.y - std::clamp(point.y, b.y, b.y + b.height);
        if (dx * dx + dy * dy >= radius * radius)
            continue;
        const float cx = point.x - (b.x + b.width * 0.5f);
        const float cy = point.y - (b.y + b.height * 0.5f);
        const float distance = cx * cx + cy * cy;
        if (!nearest || distance < nearestDistance)
        {
            nearest = node;
            nearestDistance = distance;
        }
    }
    return nearest;
}

bool BotNavigator::FindPath(const BotMotion& motion, const NavNode& start, float startX, const NavNode& goal,
                            float goalX, std::vector<Waypoint*>& path)
{
    ++searchCount;
    if (!timeSearches)
        return Search(motion, start, startX, goal, goalX, path);
    const auto begin = std::chrono::steady_clock::now();
    const bool reached = Search(motion, start, startX, goal, goalX, path);
    searchNanoseconds += static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - begin).count());
    return reached;
}

bool BotNavigator::Search(const BotMotion& motion, const NavNode& start, float startX, const NavNode& goal, float goalX,
                          std::vector<Waypoint*>& path)
{
    path.clear();
    // Stamps run on; when they wrap, every waypoint forgets its old ones so none is taken for current.
    if (++generation == 0)
    {
        for (const std::unique_ptr<NavNode>& node : nodes)
            for (const std::unique_ptr<Waypoint>& waypoint : node->waypoints)
                waypoint->generation = 0;
        generation = 1;
    }
    // A platform with no way to another holds no waypoints; a goal on the platform the bot stands on is
    // reached by walking its top, with no path.
    if (&start == &goal && start.waypoints.empty())
        return true;
    if (start.waypoints.empty() || goal.waypoints.empty())
        return false;
    harms.clear();
    if (World* world = start.platform ? start.platform->GetBody().world : nullptr)
        for (const Hazard& hazard : world->GetHazards())
            if (hazard.body.active && hazard.data && hazard.data->damage > 0.0f)
                harms.push_back(hazard.body.GetBounds());
    const float rise = JumpRise(motion);
    Waypoint* const s = NearestWaypoint(start, startX);
    Waypoint* const g = NearestWaypoint(goal, goalX);
    Waypoint* best = s;
    float bestH = Distance(*g, *s);
    bool bestHarmed = false;

    // A min-heap on f; push_heap moves a new entry up only past parents of larger f.
    const auto later = [](const OpenEntry& a, const OpenEntry& b) { return a.f > b.f; };
    open.clear();
    s->generation = generation;
    s->parent = nullptr;
    s->g = 0.0f;
    open.push_back({s, 0.0f, 0.0f});
    while (!open.empty())
    {
        std::pop_heap(open.begin(), open.end(), later);
        const OpenEntry entry = open.back();
        open.pop_back();
        Waypoint& current = *entry.waypoint;
        if (&current == g)
            break;
        const NavNode& here = *current.node;
        for (const Waypoint::Neighbour& neighbour : current.neighbours)
        {
            Waypoint& next = *neighbour.waypoint;
            const NavNode& there = *next.node;
            // A body on a top below the world has fallen out of it: no goal is worth that step, not even
            // a target's that stands over the pit.
            const bool reachable = &there == &here ? CanWalkAlong(motion, here, current, next)
                                                   : !BelowTheWorld(there) && CanStep(motion, here, there);
            if (!reachable)
                continue;
            // Walking through a hazard that harms, landing in one, dropping into a pit with no way out or
            // landing where the bot cannot come down clear of a pit's edge is the last way the search takes.
            const bool across = &there != &here;
            const bool harmful = Harms(there.Top(), across ? next.x : current.x, next.x, motion.height) ||
                                 (across && &there != &goal && IsTrap(*next.node, rise)) ||
                                 (across && !LandsClearOfPits(motion, here, current.x, there, next.x)) ||
                                 (across && JumpAcrossHarms(motion, here, there));
            const float t = entry.g + neighbour.cost + (harmful ? HarmCost : 0.0f);
            if (next.generation == generation && !(t < next.g))
                continue;
            const float h = Distance(*g, next);
            next.generation = generation;
            next.parent = &current;
            next.g = t;
            open.push_back({&next, t, t + h});
            std::push_heap(open.begin(), open.end(), later);
            // A way short of the goal ends nearest it among the waypoints the bot gets to unharmed, where
            // there are any: the nearest of all may lie in a pit or on spikes.
            const bool harmed = t >= HarmCost;
            if (harmed < bestHarmed || (harmed == bestHarmed && h < bestH))
            {
                best = &next;
                bestH = h;
                bestHarmed = harmed;
            }
        }
    }
    // A goal that was reached at all was reached by the time the open list ran dry.
    const bool reached = g->generation == generation;
    Waypoint* end = reached ? g : best;
    lastCost = end->g;
    for (Waypoint* at = end; at; at = at->parent)
        path.push_back(at);
    std::reverse(path.begin(), path.end());
    return reached;
}
