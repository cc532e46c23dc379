#include "Source/World/BotSteering.h"

#include "Source/Data/HazardData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Data/ZoneData.h"
#include "Source/World/MatchRules.h"
#include "Source/World/Player.h"
#include "Source/World/Weapon.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Lumvek;

namespace
{

constexpr int8_t FullLeft = -127;
constexpr int8_t FullRight = 127;
constexpr float DegreesToRadians = 0.017453292f;
constexpr float Pi = 3.14159265f;
// A lob is checked for walls and platforms at this many points along its flight.
constexpr int32_t LobChecks = 12;
// The most charges a lob is planned at: every tick of the shipped launcher's charge and a little more.
constexpr int32_t LobCharges = 96;
constexpr float DrawToFraction = 2.3283064e-10f;
// Less than a tick's walk at the slowest: a body on the ground that moved less got nowhere.
constexpr float PressedStep = 0.001f;

bool OverlapsHorizontally(const Rectangle& a, const Rectangle& b)
{
    return a.x + a.width > b.x && b.x + b.width > a.x;
}

// Where the bone's pivot lies in the world; the player's centre when its rig has no such bone.
Vector2 BonePosition(const Player& player, PlayerBone which)
{
    Bone* bone = player.body.GetBone(which);
    return bone ? bone->GetWorldTransform().TransformPoint(bone->offset) : player.body.GetCenter();
}

// Anything static but a one-way platform ends the ray, and so does a moving platform, which stops shots
// as a wall does.
class SightBlocker final : public b2RayCastCallback
{
public:
    float ReportFixture(b2Fixture* fixture, const b2Vec2&, const b2Vec2&, float) override
    {
        const auto* body = reinterpret_cast<const Body*>(fixture->GetUserData().pointer);
        const auto* platform = dynamic_cast<const PlatformBody*>(body);
        if (fixture->GetBody()->GetType() != b2_staticBody && !platform)
            return -1.0f;
        if (platform && platform->platform && platform->platform->oneWay)
            return -1.0f;
        blocked = true;
        return 0.0f;
    }

    bool blocked = false;
};

// Where the weapon's muzzle would be with the player aiming at that angle, as the weapon places it.
Vector2 MuzzleAt(const Player& player, const WeaponData& data, float angle)
{
    const Vector2 aim(std::cos(angle), std::sin(angle));
    Vector2 offset((data.muzzleOffset.x - data.offset.x) * data.size.x,
                   (data.muzzleOffset.y - data.offset.y) * data.size.y);
    if (aim.x < 0.0f)
        offset.y = -offset.y;
    return BonePosition(player, PlayerBone::RightHumerus) + data.aimRadius * aim +
           Vector2(offset.x * aim.x - offset.y * aim.y, offset.x * aim.y + offset.y * aim.x);
}

// The aim stick pushed as far as it goes toward the angle: the larger component at full tilt keeps the
// most of the angle a steep lob needs.
void AimAt(PlayerInput& input, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float scale = 127.0f / std::max(std::fabs(c), std::fabs(s));
    input.aimX = static_cast<int8_t>(std::round(c * scale));
    input.aimY = static_cast<int8_t>(std::round(s * scale));
}

// What a grenade meets in flight: solid ground, any platform (one-way ones too when it collides with
// them) and moving platforms; players, pickups and sensors it passes or bounces off on its way.
class ArcBlocker final : public b2RayCastCallback
{
public:
    explicit ArcBlocker(bool oneWay) : oneWay(oneWay) {}

    float ReportFixture(b2Fixture* fixture, const b2Vec2&, const b2Vec2&, float) override
    {
        const auto* body = reinterpret_cast<const Body*>(fixture->GetUserData().pointer);
        const auto* platform = dynamic_cast<const PlatformBody*>(body);
        if (fixture->IsSensor() || (fixture->GetBody()->GetType() != b2_staticBody && !platform))
            return -1.0f;
        if (platform && platform->platform && platform->platform->oneWay && !oneWay)
            return -1.0f;
        blocked = true;
        return 0.0f;
    }

    bool oneWay;
    bool blocked = false;
};

bool HasAmmunitionInClip(const Weapon& weapon)
{
    return weapon.clip != 0;
}

} // namespace

BotMotion BotMotion::Of(const Player& player)
{
    return Of(player, player.modifiers.Get());
}

BotMotion BotMotion::Of(const Player& player, const Attributes& modifiers)
{
    const Attributes& base = player.baseAttributes;
    const auto effective = [&](float Attributes::*attribute)
    {
        return Player::IsAdditive(attribute) ? modifiers.*attribute + base.*attribute
                                             : modifiers.*attribute * base.*attribute;
    };
    BotMotion motion;
    motion.speed = std::max(effective(&Attributes::maximumForwardSpeed), effective(&Attributes::maximumBackwardSpeed));
    motion.maneuverability = effective(&Attributes::maneuverability);
    motion.agility = effective(&Attributes::agility);
    motion.hops = effective(&Attributes::hops);
    motion.hangAmount = effective(&Attributes::hangAmount);
    motion.hangTicks = static_cast<int32_t>(std::round(effective(&Attributes::hangTime) / TickSeconds));
    float weight = modifiers.weight;
    if (player.stowedWeapon && player.stowedWeapon->data)
        weight += player.stowedWeapon->data->modifiers.weight;
    weight *= base.weight;
    motion.fall = player.GetContext().configuration.settings.gravity.y * weight;
    motion.height = player.body.boxHeight;
    motion.width = player.body.boxWidth;
    return motion;
}

BotMotion BotMotion::Base(float gravity)
{
    const Attributes base;
    BotMotion motion;
    motion.speed = std::max(base.maximumForwardSpeed, base.maximumBackwardSpeed);
    motion.maneuverability = base.maneuverability;
    motion.agility = base.agility;
    motion.hops = base.hops;
    motion.hangAmount = base.hangAmount;
    motion.hangTicks = static_cast<int32_t>(std::round(base.hangTime / TickSeconds));
    motion.fall = gravity * base.weight;
    return motion;
}

BotMotion BotMotion::OutsideZones(const Player& player)
{
    World* world = player.body.world;
    if (!world)
        return Of(player);
    PlayerModifiers modifiers = player.modifiers;
    for (const Zone& zone : world->GetZones())
        if (zone.data && std::any_of(zone.touches.begin(), zone.touches.end(),
                                     [&player](const Touch& touch) { return touch.player == &player; }))
            modifiers -= zone.data->modifiers;
    return Of(player, modifiers.Get());
}

void BotSteering::Tick(BotState& bot, float dt)
{
    if (!bot.player)
        return;
    Player& player = *bot.player;
    BotNavigator& navigator = world.navigator;

    bot.previousGoal = bot.goal;
    ChooseTarget(bot);
    // Arriving clears the state as the bot steers; a bot that has come to fighting distance still aims
    // at its target, so the aim goes by what the game mode chose this tick.
    const uint32_t chosen = bot.state;

    const Platform* standing = player.body.lastPlatform;
    NavNode* start = navigator.NodeOf(standing);
    // Planned from mud, a way up falls short; out of it the bot would otherwise stand at the way's end for
    // as long as its goal stays, under a target it could have climbed to.
    const BotMotion motion = BotMotion::Of(player);
    const bool changedBody = !bot.reachesGoal && !(motion == bot.plannedWith);
    if (start && bot.goal && (bot.goal != bot.previousGoal || standing != bot.lastStart || changedBody))
    {
        bot.reachesGoal = navigator.FindPath(motion, *start, player.body.x, *bot.goal, bot.goalX, bot.path) ? 1 : 0;
        // In mud with no way but through harm, the bot plans as it will be once out of it, where that way
        // walks it out of the mud before its first step off the top: a gap it cannot jump from the mud is its
        // way once out. It took the way through spikes instead, and planned again out of the mud, the gap
        // led it back in.
        if (navigator.GetLastCost() >= BotNavigator::HarmCost)
        {
            const BotMotion outside = BotMotion::OutsideZones(player);
            if (outside.speed != motion.speed || outside.hops != motion.hops || outside.fall != motion.fall)
            {
                const bool reaches =
                    navigator.FindPath(outside, *start, player.body.x, *bot.goal, bot.goalX, outsidePath);
                if (navigator.GetLastCost() < BotNavigator::HarmCost && (reaches || !bot.reachesGoal) &&
                    LeavesZonesFirst(player, outsidePath))
                {
                    bot.path.swap(outsidePath);
                    bot.reachesGoal = reaches ? 1 : 0;
                }
            }
        }
        bot.lastStart = standing;
        bot.plannedWith = motion;
    }
    // Off the graph (on a lift) the bot plans again wherever it comes down.
    else if (!start)
        bot.lastStart = nullptr;

    PlayerInput& input = player.input;
    for (PlayerAction action : {PlayerAction::Primary, PlayerAction::Reload, PlayerAction::SwitchWeapon,
                                PlayerAction::Interact, PlayerAction::Jump, PlayerAction::FallThrough})
        input[action] = 0;
    input.move = 0;
    if (navigator.paused)
        return;

    Steer(bot);
    KeepOutOfPits(bot);
    Aim(bot, chosen, dt);
    Shoot(bot);
    KeepClear(bot);
    KeepTrackOfProgress(bot);
    if (bot.interactTicks > 0)
    {
        input[PlayerAction::Interact] = 1;
        --bot.interactTicks;
    }
    const Weapon* weapon = player.weapon.get();
    const bool emptyClip = weapon && !HasAmmunitionInClip(*weapon);
    const bool topUp = weapon && !bot.target && weapon->data && weapon->clip < weapon->data->clipSize;
    // Out of everything in hand with a loaded gun stowed, it takes that one out rather than go on
    // reloading nothing.
    const Weapon* stowed = player.stowedWeapon.get();
    const bool spent = weapon && emptyClip && weapon->reserve == 0;
    const bool swap = spent && stowed && (stowed->clip != 0 || stowed->reserve != 0);
    input[PlayerAction::SwitchWeapon] = swap ? 1 : 0;
    input[PlayerAction::Reload] = (emptyClip || topUp) && !swap ? 1 : 0;
}

bool BotSteering::LeavesZonesFirst(const Player& player, std::span<Waypoint* const> path) const
{
    size_t step = 0;
    while (step + 1 < path.size() && path[step + 1]->node == path[step]->node)
        ++step;
    if (path.empty() || step + 1 == path.size())
        return true;
    const Vector2 takeOff{path[step]->x, path[step]->y + 0.1f};
    for (const Zone& zone : world.GetZones())
    {
        const Rectangle area = zone.body.GetBounds();
        const bool inside = std::any_of(zone.touches.begin(), zone.touches.end(),
                                        [&player](const Touch& touch) { return touch.player == &player; });
        if (inside && takeOff.x >= area.x && takeOff.x <= area.x + area.width && takeOff.y >= area.y &&
            takeOff.y <= area.y + area.height)
            return false;
    }
    return true;
}

void BotSteering::KeepClear(BotState& bot)
{
    Player& player = *bot.player;
    const PlayerBody& body = player.body;
    PlayerInput& input = player.input;
    if (player.IsDead())
        return;
    // Face to face, its muzzle held out beyond the target, every shot would leave away from it: the bot
    // backs off until its muzzle is on its own side again.
    if (bot.target && MuzzleBeyond(player, *bot.target))
        input.move = bot.target->body.x < body.x ? FullRight : FullLeft;
    // In a hazard that harms, once it took what it came to fetch there, a bot that stands, or presses
    // against something it gets no further into (spikes against the bunker's wall), walks out by the
    // nearer side that is not walled off; pressed into the wall it stood there until it died. One that
    // walks on through it is left to go on.
    if (bot.interactTicks > 0)
        return;
    const Hazard* hazard =
        BotNavigator::FindHarm(world, {body.x - body.boxWidth * 0.5f, body.y, body.boxWidth, body.boxHeight});
    const bool pressed = body.IsOnGround() && std::fabs(body.x - body.previousX) < PressedStep;
    if (!hazard || (input.move != 0 && !pressed))
        return;
    const Rectangle area = hazard->body.GetBounds();
    const bool leftOpen = !BotNavigator::WalledOff(world, body.y, area.x - body.boxWidth, body.boxHeight);
    const bool rightOpen = !BotNavigator::WalledOff(world, body.y, area.x + area.width + body.boxWidth, body.boxHeight);
    const bool nearerLeft = body.x - area.x < area.x + area.width - body.x;
    input.move = (leftOpen != rightOpen ? leftOpen : nearerLeft) ? FullLeft : FullRight;
}

bool BotSteering::MuzzleBeyond(const Player& shooter, const Player& target)
{
    const Weapon* weapon = shooter.weapon.get();
    if (!weapon || !weapon->data || target.IsDead())
        return false;
    const MuzzleInfo muzzle = weapon->GetMuzzle(false);
    const Vector2 from{muzzle.x, muzzle.y};
    // The weapon is held out from the shoulder.
    const Vector2 shoulder = BonePosition(shooter, PlayerBone::RightHumerus);
    const Vector2 to = BonePosition(target, PlayerBone::Spine);
    return Dot(to - from, to - shoulder) <= 0.0f;
}

void BotSteering::KeepTrackOfProgress(BotState& bot)
{
    const Player& player = *bot.player;
    const Platform* standing = player.body.lastPlatform;
    if (bot.arrived || player.IsDead() || standing != bot.progressPlatform ||
        std::fabs(player.body.x - bot.progressX) >= StuckDistance)
    {
        bot.progressX = player.body.x;
        bot.progressPlatform = standing;
        bot.stuckTicks = 0;
        return;
    }
    if (++bot.stuckTicks < StuckTicks)
        return;
    // Short of its goal and getting nowhere (a jump that keeps failing, a wall its plan did not foresee):
    // the bot searches its path afresh and the game mode chooses again as if it had got there.
    bot.stuckTicks = 0;
    bot.lastStart = nullptr;
    bot.arrived = 1;
}

void BotSteering::ChooseTarget(BotState& bot)
{
    if (MatchRules* rules = world.GetContext().GetMatchRules())
        rules->ChooseBotTarget(bot);
}

void BotSteering::Steer(BotState& bot)
{
    Player& player = *bot.player;
    PlayerBody& body = player.body;
    PlayerInput& input = player.input;
    const Vector2 p{body.x, body.y};
    const float w = body.boxWidth;
    const Rectangle box{p.x - w * 0.5f, p.y, w, body.boxHeight};
    bot.arrived = 0;
    const Platform* last = body.lastPlatform;
    // A platform with no way to another holds no waypoints: the way to a goal on it is no path, only the
    // walk along its top.
    const bool alongTop = bot.path.empty() && bot.reachesGoal && bot.goal && bot.goal->platform == last;
    if (bot.path.empty() && !alongTop)
        return;

    const Waypoint* way = alongTop ? nullptr : bot.path.back();
    for (const Waypoint* waypoint : bot.path)
        if (waypoint->node->platform != last)
        {
            way = waypoint;
            break;
        }
    const Platform* next = way ? way->node->platform : last;

    // A lift or anything else outside the graph is no place on the path: off it the bot walks for its
    // goal as if in the air, until it stands on a platform it can plan from.
    const NavNode* node = world.navigator.NodeOf(last);
    if (!last || next == last || !node)
    {
        float toX = bot.goalX;
        float reach = w;
        if (node)
        {
            // A path short of the goal ends where the bot can get to: there it has arrived, and the game
            // mode chooses again. Something solid standing on the top (a wall, a bunker) ends the walk
            // within the bot's width of it.
            if (!bot.reachesGoal)
                toX = bot.path.back()->x;
            const float open = BotNavigator::WalkAlongTop(world, *node, p.x, toX);
            if (open != toX)
                toX = open + (toX < p.x ? w : -w);
            toX = JumpOntoStoppedLift(bot, node->Top(), toX);
            // No place to stand is inside a hazard that harms: the bot stops beside it, unless it came
            // to fetch a pickup lying there.
            const float wanted = toX;
            if (bot.state != BotState::Fetch)
                toX = BotNavigator::StandClearOfHarm(world, node->Top(), toX, p.x, w, body.boxHeight);
            // Nor is the very edge of a pit, where a shot's push or the least slip tips the body over it.
            if (const Vector2 clear = BotNavigator::LandingClearOfPits(*node, w); clear.x <= clear.y)
                toX = std::clamp(toX, clear.x, clear.y);
            // Beside either the bot lets go while its slide still ends there: at a run it slides further
            // than its width, on into the spikes or over the edge.
            const float agility = BotMotion::Of(player).agility;
            if (toX != wanted && agility > 0.0f && (toX - p.x) * body.velocity.x > 0.0f)
                reach = std::max(w, body.velocity.x * body.velocity.x * TickSeconds / (2.0f * agility));
        }
        // The bot faces the way it walks, either way: facing right alone, one walking left met its
        // enemy with its back to him, and of two bots the one that came from the left won.
        const float d = toX - p.x;
        if (d < -reach)
        {
            input.move = FullLeft;
            input.aimX = FullLeft;
        }
        else if (d > reach)
        {
            input.move = FullRight;
            input.aimX = FullRight;
        }
        else
        {
            // A bot sent to fetch a pickup takes it when it gets there, before its arrival ends the
            // errand. A hold that took nothing (the bot was reloading) is let go before the next: a player
            // takes a pickup only with a fresh press, and held on for good it never would.
            if (bot.state == BotState::Fetch && TouchesPickup(player) && bot.interactTicks == 0 && player.interactReady)
                bot.interactTicks = InteractHoldTicks;
            input.move = 0;
            input[PlayerAction::Jump] = 0;
            bot.arrivedFrom = bot.state;
            bot.state = 0;
            bot.arrived = 1;
        }
        if (node)
        {
            CrossHarmOnTop(bot, *node, toX);
            LandClearOfPits(bot, *node);
        }
        return;
    }

    const Rectangle current = last->GetBody().GetBounds();
    const Rectangle target = next->GetBody().GetBounds();
    const float targetTop = target.y + target.height;
    const float dl = target.x - p.x;
    const float dr = target.x + target.width - p.x;
    const float vx = body.velocity.x;
    if (CanWalkOffTo(player, box, current, target, vx))
    {
        const float d = way->x - p.x;
        input.move = d < -w ? FullLeft : d > w ? FullRight : 0;
        // Dropping through a one-way top short of where its way goes down, the bot comes down where its
        // speed carries it: not while the way down passes through a hazard that harms or lands within its
        // width of one (spikes under a step, or on the top beside it); it walks on to where its way drops.
        // Nor while it would come down in a pit's edge.
        const Vector2 clear = BotNavigator::LandingClearOfPits(*way->node, w);
        const float landing = LandingX(player, targetTop);
        const bool intoPit = !std::isnan(landing) && (landing < clear.x || landing > clear.y);
        if (dr > 0.0f && dl < 0.0f && last->oneWay && (input.move == 0 || !FallMeetsHarm(player, targetTop)) &&
            !intoPit)
        {
            input[PlayerAction::FallThrough] = 1;
            input[PlayerAction::Jump] = 1;
        }
        // A way down that starts at the very end of this platform: within its width of it the bot would
        // still stand on the edge, so it walks on until it is off.
        else if (input.move == 0 && OverlapsHorizontally(box, current))
        {
            if (way->x <= current.x + w)
                input.move = FullLeft;
            else if (way->x >= current.x + current.width - w)
                input.move = FullRight;
        }
        JumpOntoStoppedLift(bot, current.y + current.height, way->x);
    }
    else
    {
        // Across a gap onto a top whose near end drops into a pit the jump must carry the bot a body's
        // width past that end: landing on its very corner, the body slides off it into the pit.
        const Vector2 clear = BotNavigator::LandingClearOfPits(*way->node, w);
        Vector2 aimPoint{p.x, targetTop};
        if (dr < 0.0f)
        {
            input.move = FullLeft;
            aimPoint.x = clear.x <= clear.y ? clear.y : target.x + target.width;
        }
        else if (dl > 0.0f)
        {
            input.move = FullRight;
            aimPoint.x = clear.x <= clear.y ? clear.x : target.x;
        }
        else if (vx > 0.0f)
            input.move = FullLeft;
        else if (vx < 0.0f)
            input.move = FullRight;
        input[PlayerAction::Jump] = CanJumpTo(player, p, aimPoint, vx) ? 1 : 0;
        if (!input[PlayerAction::Jump])
            JumpOntoStoppedLift(bot, current.y + current.height, aimPoint.x);
        // Jumping off this top's end across a pit the bot faces the way it jumps, on the run-up and in the
        // air: turned to shoot at a target behind it, it ran at its backward speed, a quarter short of the
        // jump it planned, and came down in the pit.
        const bool beyondRight = input.move > 0 && target.x >= current.x + current.width;
        const bool beyondLeft = input.move < 0 && target.x + target.width <= current.x;
        const bool pitAhead = (beyondRight && node->pitRight) || (beyondLeft && node->pitLeft);
        if (pitAhead || (beyondRight && way->node->pitLeft) || (beyondLeft && way->node->pitRight))
            FaceTheWayItMoves(bot);
        // Over an edge that drops into a pit a bot that cannot jump yet must not run on: with its centre past
        // the edge the body tips over it. It runs on only while the speed it will have there carries the jump
        // across; else it brakes in time, or, standing too near to get up that speed, backs off for a run-up.
        if (pitAhead && !input[PlayerAction::Jump] && body.IsOnGround())
            TakeARunUp(bot, input.move > 0 ? current.x + current.width : current.x, aimPoint);
        // A step the bot can no longer make as it is now (it walked into mud after it planned) is
        // planned again from here.
        if (!BotNavigator::CanStep(BotMotion::Of(player), *node, *way->node))
            bot.lastStart = nullptr;
    }
    // The walk along this top to where its way leaves it passes no spikes either: the search costs the steps
    // between tops, not the walk along one.
    if (!input[PlayerAction::FallThrough] && (!input[PlayerAction::Jump] || !body.IsOnGround()))
        CrossHarmOnTop(bot, *node, std::clamp(way->x, current.x, current.x + current.width));
    LandClearOfPits(bot, *way->node);
    if (body.jumpTime >= player.GetEffective(&Attributes::hangTime))
    {
        input[PlayerAction::FallThrough] = 0;
        input[PlayerAction::Jump] = 0;
    }
    input[PlayerAction::Interact] = 0;
}

bool BotSteering::FallMeetsHarm(const Player& player, float top) const
{
    const PlayerBody& body = player.body;
    const float w = body.boxWidth;
    const float x = LandingX(player, top);
    if (std::isnan(x))
        return false;
    const float lo = std::min(x, body.x) - w * 0.5f;
    const float hi = std::max(x, body.x) + w * 0.5f;
    return BotNavigator::FindHarm(world, {lo, top, hi - lo, body.y + body.boxHeight - top}) ||
           BotNavigator::FindHarm(world, {x - w, top, 2.0f * w, body.boxHeight});
}

void BotSteering::LandClearOfPits(BotState& bot, const NavNode& onto)
{
    Player& player = *bot.player;
    if ((!onto.pitLeft && !onto.pitRight) || player.body.IsOnGround())
        return;
    // In the air a body keeps its speed across: steered by where it is, a bot over its landing spot
    // drifts on past the edge. It steers by where it will come down.
    const float x = LandingX(player, onto.Top());
    const Vector2 clear = BotNavigator::LandingClearOfPits(onto, player.body.boxWidth);
    if (x < clear.x)
        player.input.move = FullRight;
    else if (x > clear.y)
        player.input.move = FullLeft;
    else
        return;
    FaceTheWayItMoves(bot);
}

void BotSteering::KeepOutOfPits(BotState& bot)
{
    Player& player = *bot.player;
    const PlayerBody& body = player.body;
    if (body.IsOnGround() || player.IsDead())
        return;
    const float w = body.boxWidth;
    for (const std::unique_ptr<NavNode>& near : world.navigator.GetNodes())
    {
        if (!near->pitRight || body.y < near->Top())
            continue;
        const float x = LandingX(player, near->Top());
        const float lo = near->Right() - w;
        if (std::isnan(x) || x <= lo)
            continue;
        // The far side of the pit: the nearest top at that height whose left end drops into it.
        float hi = std::numeric_limits<float>::infinity();
        for (const std::unique_ptr<NavNode>& far : world.navigator.GetNodes())
            if (far->pitLeft && std::fabs(far->Top() - near->Top()) < 0.01f && far->bounds.x >= near->Right())
                hi = std::min(hi, far->bounds.x + w);
        // The end of the world with no far side is no pit a bot jumps: it never steers over it.
        if (x >= hi || !std::isfinite(hi))
            continue;
        // Steered in the air the way it goes, a jump still makes that side: the bot keeps to it. Turned back
        // for the nearer side by where it would come down at the speed it has, it hopped up and down at the
        // pit's edge for good, its way taking it back across at each landing.
        if (player.input.move != 0)
        {
            const Vector2 side{player.input.move > 0 ? hi : lo, near->Top()};
            const float hangTime = player.GetEffective(&Attributes::hangTime);
            const int32_t hangLeft = player.input[PlayerAction::Jump] && body.jumpTime < hangTime
                                         ? static_cast<int32_t>((hangTime - body.jumpTime) / TickSeconds)
                                         : 0;
            if (Reaches(BotMotion::Of(player), {body.x, body.y}, side, body.velocity.x, body.velocity.y, hangLeft))
                return;
        }
        // Coming down into the pit (a jump that falls short, a way changed in mid-air, a drop from above):
        // the bot steers for the nearer side, whatever its way says.
        player.input.move = x - lo < hi - x ? FullLeft : FullRight;
        FaceTheWayItMoves(bot);
        return;
    }
}

void BotSteering::TakeARunUp(BotState& bot, float edge, Vector2 aimPoint)
{
    Player& player = *bot.player;
    const PlayerBody& body = player.body;
    PlayerInput& input = player.input;
    const BotMotion motion = BotMotion::Of(player);
    if (!(motion.agility > 0.0f) || input.move == 0)
        return;
    const float way = input.move > 0 ? 1.0f : -1.0f;
    const float ahead = (edge - body.x) * way;
    const float towards = std::max(0.0f, body.velocity.x * way);
    // On the ground the speed changes by agility a tick.
    const float acceleration = motion.agility / TickSeconds;
    const float reached =
        std::min(motion.speed, std::sqrt(towards * towards + 2.0f * acceleration * std::max(0.0f, ahead)));
    // Only where a jump at full speed from the edge makes it does speed decide; a jump that nothing makes
    // is the search's to avoid.
    if (!CanJumpTo(motion, {edge, body.y}, aimPoint, motion.speed * way) ||
        CanJumpTo(motion, {edge, body.y}, aimPoint, reached * way))
        return;
    const float slide = towards * towards / (2.0f * acceleration);
    if (towards > 0.0f && ahead > slide + body.boxWidth * 0.5f + towards * TickSeconds)
        return;
    input.move = towards > 0.0f ? 0 : static_cast<int8_t>(-input.move);
}

void BotSteering::CrossHarmOnTop(BotState& bot, const NavNode& node, float toX)
{
    Player& player = *bot.player;
    const PlayerBody& body = player.body;
    PlayerInput& input = player.input;
    if (input.move == 0)
        return;
    const float w = body.boxWidth;
    const float top = node.Top();
    const float way = input.move > 0 ? 1.0f : -1.0f;
    const float lo = way > 0.0f ? body.x + w * 0.5f : toX - w * 0.5f;
    const float hi = way > 0.0f ? toX + w * 0.5f : body.x - w * 0.5f;
    if (!(hi > lo))
        return;
    const Hazard* hazard = BotNavigator::FindHarm(world, {lo, top, hi - lo, body.boxHeight});
    if (!hazard)
        return;
    const Rectangle area = hazard->body.GetBounds();
    // Come to stand in it (a pickup lying there) or already in it, the bot walks on: out of it is the walk-out's.
    // Only brushing its end, it is not yet in: walked on from there, a bot at its last few points of health died.
    const bool goalTouches = toX + w * 0.5f > area.x && toX - w * 0.5f < area.x + area.width;
    if (goalTouches || (body.x > area.x && body.x < area.x + area.width))
        return;
    const BotMotion motion = BotMotion::Of(player);
    const float edge = way > 0.0f ? area.x - w * 0.5f : area.x + area.width + w * 0.5f;
    const Vector2 over{way > 0.0f ? area.x + area.width + w * 0.5f : area.x - w * 0.5f, top};
    const Vector2 at{body.x, body.y};
    const Rectangle harms[] = {area};
    // In the air over it the jump is held for as long as it lifts the body.
    if (!body.IsOnGround())
    {
        input[PlayerAction::Jump] = body.jumpTime < player.GetEffective(&Attributes::hangTime) ? 1 : 0;
        return;
    }
    if (CanJumpTo(motion, at, over, body.velocity.x) && !JumpMeetsHarm(motion, at, over, body.velocity.x, harms))
    {
        input[PlayerAction::Jump] = 1;
        return;
    }
    if (CanJumpTo(motion, {edge, top}, over, motion.speed * way))
    {
        TakeARunUp(bot, edge, over);
        return;
    }
    // Nothing jumps it from here: the bot stops short of it rather than walk through.
    const float towards = std::max(0.0f, body.velocity.x * way);
    const float slide = motion.agility > 0.0f ? towards * towards * TickSeconds / (2.0f * motion.agility) : 0.0f;
    if ((edge - body.x) * way <= slide + w * 0.5f + towards * TickSeconds)
        input.move = 0;
}

void BotSteering::FaceTheWayItMoves(BotState& bot)
{
    // The aim holds until its timer runs out: started afresh, the aim at a target waits until this is over.
    PlayerInput& input = bot.player->input;
    input.aimX = input.move;
    input.aimY = 0;
    bot.aimTimer = 0.0f;
}

float BotSteering::LandingX(const Player& player, float top)
{
    const PlayerBody& body = player.body;
    const float fall = BotMotion::Of(player).fall;
    const float height = body.y - top;
    if (height < 0.0f || !(fall < 0.0f))
        return std::numeric_limits<float>::quiet_NaN();
    const float vy = body.velocity.y;
    return body.x + body.velocity.x * (vy + std::sqrt(vy * vy - 2.0f * fall * height)) / -fall;
}

float BotSteering::JumpOntoStoppedLift(BotState& bot, float top, float toX)
{
    Player& player = *bot.player;
    const PlayerBody& body = player.body;
    const Platform* lift = BotNavigator::FindStoppedLift(world, top, body.x, toX, body.boxHeight);
    if (!lift)
        return toX;
    const Rectangle bounds = lift->GetBody().GetBounds();
    const Vector2 corner{toX < body.x ? bounds.x + bounds.width : bounds.x, bounds.y + bounds.height};
    // Where the path search would not take this way (the lift stopped after the bot planned, or the bot
    // has since stepped into something that weakens its jump), the bot plans again and stops short of it.
    const BotMotion motion = BotMotion::Of(player);
    if (!CanJumpTo(motion, {0.0f, top}, {0.0f, corner.y}, motion.speed))
    {
        bot.lastStart = nullptr;
        return corner.x + (toX < body.x ? body.boxWidth : -body.boxWidth);
    }
    // Against its side a jump from a standstill lands too.
    const bool lands = CanJumpTo(player, {body.x, body.y}, corner, body.velocity.x);
    player.input[PlayerAction::Jump] = lands || std::fabs(corner.x - body.x) <= body.boxWidth ? 1 : 0;
    return toX;
}

void BotSteering::Aim(BotState& bot, float dt)
{
    Aim(bot, bot.state, dt);
}

void BotSteering::Aim(BotState& bot, uint32_t state, float dt)
{
    PlayerInput& input = bot.player->input;
    if (state != BotState::Chase)
    {
        input.aimX = input.move;
        input.aimY = 0;
        return;
    }
    bot.aimTimer += dt;
    if (bot.aimTimer < AimSeconds)
        return;
    bot.aimTimer = 0.0f;
    if (!bot.target)
        return;
    const Vector2 from = BonePosition(*bot.player, PlayerBone::RightHumerus);
    const Vector2 to = BonePosition(*bot.target, PlayerBone::Spine);
    float angle = from == to ? 0.0f : WrapAngle(std::atan2(to.y - from.y, to.x - from.x));
    const float error =
        (static_cast<float>(world.botRandom.Next()) * 10.0f * DrawToFraction - AimErrorDegrees) * DegreesToRadians;
    angle = WrapAngle(angle + WrapAngle(error));
    input.aimX = static_cast<int8_t>(std::cos(angle) * 127.0f);
    input.aimY = static_cast<int8_t>(std::sin(angle) * 127.0f);
}

void BotSteering::Shoot(BotState& bot)
{
    Player& player = *bot.player;
    auto* launcher = dynamic_cast<GrenadeLauncher*>(player.weapon.get());
    if (bot.charging)
    {
        bot.charging = 0;
        if (launcher)
        {
            ChargeThrow(bot, *launcher);
            return;
        }
    }
    if (!bot.target || !HasShot(world, player, *bot.target))
        return;
    // About one tick in ten.
    const double draw = static_cast<double>(world.botRandom.Next()) * 100.0 / 4294967296.0;
    PlayerInput& input = player.input;
    input[PlayerAction::Primary] = std::round(draw) < 11.0 ? 1 : 0;
    Lob lob;
    if (!input[PlayerAction::Primary] || !launcher || launcher->clip == 0)
        return;
    if (!PlanLob(player, *launcher, *bot.target, -1, lob))
    {
        input[PlayerAction::Primary] = 0;
        return;
    }
    // Let go before the launcher is ready again, the charge would throw nothing: the bot waits to press.
    if (launcher->ticksSinceLastShot + lob.charge + 1 < static_cast<int64_t>(launcher->data->semiRateOfFire.ticks))
    {
        input[PlayerAction::Primary] = 0;
        return;
    }
    bot.charging = 1;
    AimAt(input, lob.angle);
}

void BotSteering::ChargeThrow(BotState& bot, GrenadeLauncher& launcher)
{
    Player& player = *bot.player;
    PlayerInput& input = player.input;
    // With its target gone or out of reach the bot lets go where it aims.
    Lob lob;
    if (!bot.target || bot.target->IsDead() || !PlanLob(player, launcher, *bot.target, -1, lob))
        return;
    // The throw is planned afresh every tick: the bot and its target move while it charges.
    const bool ready = launcher.ticksSinceLastShot + 1 >= static_cast<int64_t>(launcher.data->semiRateOfFire.ticks);
    if (launcher.charge < lob.charge || !ready)
    {
        bot.charging = 1;
        input[PlayerAction::Primary] = 1;
        AimAt(input, lob.angle);
        return;
    }
    if (Lob now; PlanLob(player, launcher, *bot.target, launcher.charge, now))
        lob = now;
    AimAt(input, lob.angle);
}

bool BotSteering::PlanLob(const Player& player, const GrenadeLauncher& launcher, const Player& target,
                          int32_t onlyCharge, Lob& lob) const
{
    const auto* data = dynamic_cast<const GrenadeLauncherData*>(launcher.data);
    const auto* grenade = data ? dynamic_cast<const DynamicProjectileData*>(data->projectile) : nullptr;
    const float fall = -world.GetContext().configuration.settings.gravity.y;
    b2World* physics = world.GetPhysics();
    if (!grenade || !physics || !(fall > 0.0f) || data->lifetime.ticks < 3)
        return false;
    const int32_t rate = static_cast<int32_t>(std::min<uint32_t>(data->chargeRate.ticks, 6000));
    const auto speedOf = [&](int32_t charge)
    {
        const float t =
            rate == 0 ? 1.0f : std::clamp(static_cast<float>(charge) / static_cast<float>(rate), 0.0f, 1.0f);
        return data->minimumSpeed + (data->maximumSpeed - data->minimumSpeed) * t;
    };
    // At his feet: a grenade that meets his body bounces off it and rolls away before it goes off.
    const Vector2 feet{target.body.x, target.body.y};
    // Where a throw at that speed on the high or the low arc leaves from, its angle and its time in the air;
    // solved from the shoulder, then again from the muzzle that angle puts in place.
    const auto solve = [&](float speed, bool high, Vector2& from, float& angle, float& flight)
    {
        from = BonePosition(player, PlayerBone::RightHumerus);
        for (int32_t pass = 0; pass < 2; ++pass)
        {
            if (pass == 1)
                from = MuzzleAt(player, *data, angle);
            const float dx = std::max(std::fabs(feet.x - from.x), 0.05f);
            const float dy = feet.y - from.y;
            const float v2 = speed * speed;
            const float root = v2 * v2 - fall * (fall * dx * dx + 2.0f * dy * v2);
            if (root < 0.0f || !(speed > 0.0f))
                return false;
            const float rise = std::atan2(high ? v2 + std::sqrt(root) : v2 - std::sqrt(root), fall * dx);
            angle = feet.x < from.x ? Pi - rise : rise;
            flight = dx / (speed * std::cos(rise));
        }
        return std::isfinite(flight);
    };
    // Short of the ground at the target's feet, which ends every flight.
    const auto clear = [&](Vector2 from, float angle, float speed, float flight)
    {
        if (IsInSolidGround(world, from))
            return false;
        const Vector2 velocity = speed * Vector2(std::cos(angle), std::sin(angle));
        Vector2 previous = from;
        for (int32_t i = 1; i <= LobChecks; ++i)
        {
            const float t = flight * 0.95f * static_cast<float>(i) / static_cast<float>(LobChecks);
            const Vector2 next = from + t * velocity - Vector2(0.0f, 0.5f * fall * t * t);
            ArcBlocker blocker(grenade->collideWithOneWay);
            if ((next - previous).Length() > 0.0001f)
                physics->RayCast(&blocker, b2Vec2(previous.x, previous.y), b2Vec2(next.x, next.y));
            if (blocker.blocked)
                return false;
            previous = next;
        }
        return true;
    };
    // Landing two ticks before the fuse runs out, it goes off where it comes down; a grenade that touches
    // anything sooner lives on for its bounce lifetime and rolls away.
    const float fuse = static_cast<float>(data->lifetime.ticks - 2) * TickSeconds;
    const auto tryCharge = [&](int32_t charge, bool high, float longest)
    {
        Vector2 from;
        float angle = 0.0f;
        float flight = 0.0f;
        if (!solve(speedOf(charge), high, from, angle, flight) || flight > longest ||
            !clear(from, angle, speedOf(charge), flight))
            return false;
        lob = {charge, angle};
        return true;
    };
    const float never = std::numeric_limits<float>::max();
    if (onlyCharge >= 0)
        return tryCharge(onlyCharge, true, static_cast<float>(data->lifetime.ticks) * TickSeconds) ||
               tryCharge(onlyCharge, false, never);
    // Every tick of charge is a throw to try, each with its flight checked for walls, and this runs each tick a
    // bot charges: a charge rate a maker set to minutes would try thousands. Past LobCharges the bot tries
    // evenly spaced charges instead, the least and the most among them.
    const int32_t step = std::max(1, (rate + LobCharges - 1) / LobCharges);
    for (int32_t charge = rate; charge > -step; charge -= step)
        if (tryCharge(std::max(charge, 0), true, fuse))
            return true;
    for (int32_t charge = 0; charge < rate + step; charge += step)
        if (tryCharge(std::min(charge, rate), false, never))
            return true;
    return false;
}

bool BotSteering::HasShot(World& world, const Player& shooter, const Player& target)
{
    const Weapon* weapon = shooter.weapon.get();
    if (!weapon || !weapon->data || target.IsDead())
        return false;
    const Vector2 from = BonePosition(shooter, PlayerBone::Weapon);
    const Vector2 to = BonePosition(target, PlayerBone::Spine);
    // A weapon held into a wall fires nothing: a bot that counted that as a shot would stand at its
    // fighting spot pulling the trigger for the rest of the match.
    return (to - from).Length() < weapon->data->maxDistance && InSight(world, from, to) &&
           !weapon->GetMuzzle(true).blocked && !MuzzleBeyond(shooter, target);
}

bool BotSteering::InSight(World& world, Vector2 from, Vector2 to)
{
    b2World* physics = world.GetPhysics();
    // Box2D refuses a ray of no length; nothing lies between a point and itself.
    if (!physics || (to - from).Length() < 0.0001f)
        return true;
    // Box2D's ray meets no polygon it starts inside: from within a wall it would see straight through.
    if (IsInSolidGround(world, from))
        return false;
    SightBlocker blocker;
    physics->RayCast(&blocker, b2Vec2(from.x, from.y), b2Vec2(to.x, to.y));
    return !blocker.blocked;
}

bool BotSteering::TouchesPickup(const Player& player) const
{
    const Vector2 center = player.body.GetCenter();
    const float reach = player.GetEffective(&Attributes::reach);
    for (const Pickup& pickup :
         world.pickupGrid.Query({center.x - reach, center.y - reach, reach * 2.0f, reach * 2.0f}))
    {
        const Rectangle b = pickup.GetBody().GetBounds();
        const float dx = std::max({b.x - center.x, 0.0f, center.x - (b.x + b.width)});
        const float dy = std::max({b.y - center.y, 0.0f, center.y - (b.y + b.height)});
        if (dx * dx + dy * dy < reach * reach)
            return true;
    }
    return false;
}

bool BotSteering::CanJumpTo(const Player& player, Vector2 from, Vector2 to, float vx)
{
    return CanJumpTo(BotMotion::Of(player), from, to, vx);
}

bool BotSteering::CanWalkOffTo(const Player& player, const Rectangle& body, const Rectangle& current,
                               const Rectangle& next, float vx)
{
    return CanWalkOffTo(BotMotion::Of(player), body, current, next, vx);
}

bool BotSteering::CanJumpTo(const BotMotion& motion, Vector2 from, Vector2 to, float vx)
{
    return Reaches(motion, from, to, vx, motion.hops, motion.hangTicks);
}

bool BotSteering::Reaches(const BotMotion& motion, Vector2 from, Vector2 to, float vx, float vy, int32_t hangTicks)
{
    // Without a pull downwards the jump rises for ever and lands on nothing.
    if (!(motion.fall < 0.0f))
        return false;
    const float speed = motion.speed;
    const float turn = motion.maneuverability;
    const bool left = to.x - from.x < 0.0f;
    float x = from.x;
    float y = from.y;
    for (int32_t tick = 0; tick < MaximumSimulatedTicks; ++tick)
    {
        if (y < to.y && vy <= 0.0f)
            return false;
        if (tick < hangTicks)
            vy += motion.hangAmount;
        vx = std::clamp(vx + (left ? -turn : turn) * TickSeconds, -speed, speed);
        x += vx * TickSeconds;
        vy += motion.fall * TickSeconds;
        y += vy * TickSeconds;
        if (y >= to.y && (left ? x <= to.x : x >= to.x))
            return true;
    }
    return false;
}

bool BotSteering::JumpMeetsHarm(const BotMotion& motion, Vector2 from, Vector2 to, float vx,
                                std::span<const Rectangle> harms)
{
    if (harms.empty() || !(motion.fall < 0.0f))
        return false;
    // The jump CanJumpTo simulates, with the body's box around each point of it.
    const bool left = to.x - from.x < 0.0f;
    float vy = motion.hops;
    float x = from.x;
    float y = from.y;
    const auto meets = [&]
    {
        const float lo = x - motion.width * 0.5f;
        const float hi = x + motion.width * 0.5f;
        return std::any_of(harms.begin(), harms.end(),
                           [&](const Rectangle& area) {
                               return area.x < hi && area.x + area.width > lo && area.y < y + motion.height &&
                                      area.y + area.height > y;
                           });
    };
    for (int32_t tick = 0; tick < MaximumSimulatedTicks; ++tick)
    {
        if (y < to.y && vy <= 0.0f)
            return false;
        if (tick < motion.hangTicks)
            vy += motion.hangAmount;
        vx = std::clamp(vx + (left ? -motion.maneuverability : motion.maneuverability) * TickSeconds, -motion.speed,
                        motion.speed);
        x += vx * TickSeconds;
        vy += motion.fall * TickSeconds;
        y += vy * TickSeconds;
        if (meets())
            return true;
        if (y >= to.y && (left ? x <= to.x : x >= to.x))
            return false;
    }
    return false;
}

bool BotSteering::CanWalkOffTo(const BotMotion& motion, const Rectangle& body, const Rectangle& current,
                               const Rectangle& next, float vx)
{
    const float currentTop = current.y + current.height;
    const float nextTop = next.y + next.height;
    if (nextTop > currentTop)
        return false;
    if (next.x + next.width >= current.x && next.x <= current.x + current.width)
        return true;

    // Walk towards next as the player would: on current's top it runs up to speed by its agility each
    // tick, off it it steers by its maneuverability, and gravity pulls every tick; current holds it up
    // while the body still overlaps it.
    const float direction = next.x > current.x ? 1.0f : -1.0f;
    const float target = direction * motion.speed;
    Rectangle box = body;
    float vy = 0.0f;
    for (int32_t tick = 0; tick < MaximumSimulatedTicks; ++tick)
    {
        const bool supported = box.y <= currentTop && OverlapsHorizontally(box, current);
        if (supported)
        {
            if (vx > target + motion.agility)
                vx -= motion.agility;
            else if (vx < target - motion.agility)
                vx += motion.agility;
            else
                vx = target;
        }
        else
            vx = std::clamp(vx + direction * motion.maneuverability * TickSeconds, -motion.speed, motion.speed);
        vy += motion.fall * TickSeconds;
        const float previousBottom = box.y;
        box.x += vx * TickSeconds;
        box.y += vy * TickSeconds;
        if (OverlapsHorizontally(box, next) && previousBottom >= nextTop && box.y <= nextTop)
            return true;
        if (OverlapsHorizontally(box, current) && previousBottom >= currentTop && box.y <= currentTop)
        {
            box.y = currentTop;
            vy = 0.0f;
        }
        if (box.y < nextTop)
            return false;
        // Off current, above next and never to come down.
        if (!OverlapsHorizontally(box, current) && vy >= 0.0f && !(motion.fall < 0.0f) && box.y > nextTop)
            return false;
    }
    return false;
}
