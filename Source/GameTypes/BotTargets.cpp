// The bots' choice of target and goal: the base chases the first local player; deathmatch bots, and
// the base's without a local player, hunt, retreat, fetch weapons and wander over the navigation graph.

#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/Deathmatch.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/BotNavigator.h"
#include "Source/World/BotSteering.h"
#include "Source/World/GameContext.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;

namespace
{

// A fetching bot looks this far for a pickup, and for the node at it.
constexpr float PickupSearchRadius = 10.0f;
constexpr float PickupNodeRadius = 1.0f;
// A retreating bot heads for the node this close to its point at the world's edge.
constexpr float RetreatNodeRadius = 5.0f;
// Nearer than this to its target a bot's shots start beyond it (the muzzle is held out about this far).
constexpr float CloseRange = 2.0f;
// How far from its fighting point a bot looks for somewhere else to stand.
constexpr float StandOffRadius = 3.0f;
// A bot that went somewhere else to hunt from gives up on getting there after this many ticks (15 s).
constexpr int32_t DetourTicks = 15 * 60;

bool HasAmmunition(const Weapon* weapon)
{
    return weapon && (weapon->clip != 0 || weapon->reserve != 0);
}

// A target off the graph (on a lift, a moving platform, in the air) is hunted from the node nearest
// below it, or else beside it: from there the bot can shoot at it or wait for it to come down, rather than
// stand with no goal for as long as the target stays there.
constexpr float OffGraphNodeRadius = 8.0f;

NavNode* NodeOf(World& world, const Player& player)
{
    return world.navigator.NodeOf(player.body.lastPlatform);
}

NavNode* TargetNode(World& world, const Player& target)
{
    if (NavNode* node = NodeOf(world, target))
        return node;
    const Vector2 at{target.body.x, target.body.y};
    if (NavNode* below = world.navigator.FindNearestNode(world, at, OffGraphNodeRadius, true))
        return below;
    return world.navigator.FindNearestNode(world, at, OffGraphNodeRadius);
}

// Where a bot stands to shoot at a target off the graph (on a lift): on a node within its weapon's reach,
// at its fighting distance from the target on either side or under him, a spot from which nothing solid
// crosses its line to him; of those, the one whose distance from him comes nearest its fighting distance.
// A lift stops shots as a wall does: from the node right under it the bot would never have a shot, and
// would hold its fire for as long as the target stayed there.
struct Vantage
{
    NavNode* node = nullptr;
    float x = 0.0f;
};

Vantage FindVantage(World& world, const BotState& bot, const Player& target)
{
    const Player& self = *bot.player;
    Vantage best;
    const WeaponData* weapon = self.weapon ? self.weapon->data : nullptr;
    if (!weapon)
        return best;
    const float range = weapon->optimalDistance + bot.randomOffset;
    const float reach = weapon->maxDistance;
    const float margin = std::max(std::fabs(bot.randomOffset), self.body.boxWidth);
    // The bot's weapon is held out at about the height of its middle.
    const float held = self.body.GetCenter().y - self.body.y;
    const Vector2 aimAt = target.body.GetCenter();
    float bestMiss = 0.0f;
    for (Platform& platform : world.platformGrid.Query({aimAt.x - reach, aimAt.y - reach, 2.0f * reach, 2.0f * reach}))
    {
        NavNode* node = world.navigator.NodeOf(&platform);
        if (!node || BotNavigator::BelowTheWorld(*node))
            continue;
        const Rectangle& b = node->bounds;
        for (const float x : {aimAt.x - range, aimAt.x + range, aimAt.x})
        {
            const float at =
                b.width > 2.0f * margin ? std::clamp(x, b.x + margin, b.x + b.width - margin) : b.x + b.width * 0.5f;
            const Vector2 from{at, node->Top() + held};
            const float distance = (aimAt - from).Length();
            const float miss = std::fabs(distance - range);
            if (!(distance < reach) || std::fabs(at - aimAt.x) < CloseRange || (best.node && !(miss < bestMiss)) ||
                !BotSteering::InSight(world, from, aimAt))
                continue;
            best = {node, at};
            bestMiss = miss;
        }
    }
    return best;
}

// A node's centre can lie under something solid resting on its top (the ground's under a hill): a bot sent
// there gets no nearer than the foot of the hill, where its way may keep it hopping between steps for good.
// It goes to the nearest spot of the top where it stands in the open instead.
float OpenSpot(World& world, const Player& self, const NavNode& node, float x)
{
    return BotNavigator::OpenSpotOn(world, node, x, self.body.boxWidth, self.body.boxHeight);
}

// Wanders to a node the game's generator picks, unless already on its way to one. Where the mode has
// places to reach (a race's checkpoints) the bot makes for those instead: on a map of one platform the
// node's centre would be the same spot every time, and a race bot would stand there all match. Come to
// such a place without it counting (a checkpoint out of reach above the node), it takes a node once.
void Wander(World& world, BotState& bot)
{
    if (bot.state == BotState::Wander && !bot.arrived)
        return;
    const auto nodes = world.navigator.GetNodes();
    if (nodes.empty())
        return;
    const float draw = static_cast<float>(world.gameRandom.Next()) * 2.3283064e-10f;
    Vector2 place;
    if (GameType* rules = bot.player->GetContext().GetGameType();
        rules && rules->FindWanderPoint(*bot.player, draw, place))
    {
        NavNode* node = world.navigator.FindNearestNode(world, place, OffGraphNodeRadius, true);
        if (!node)
            node = world.navigator.FindNearestNode(world, place, OffGraphNodeRadius);
        const bool cameBefore = bot.arrived && bot.goal == node && bot.goalX == place.x;
        if (node && !cameBefore)
        {
            bot.goal = node;
            bot.state = BotState::Wander;
            bot.goalX = place.x;
            bot.target = nullptr;
            return;
        }
    }
    const size_t last = nodes.size() - 1;
    size_t index = std::min(static_cast<size_t>(std::round(draw * static_cast<float>(last))), last);
    // Nothing is to be had where a body has fallen out of the world: the bot takes the node before.
    for (size_t tries = 0; tries < last && BotNavigator::BelowTheWorld(*nodes[index]); ++tries)
        index = index == 0 ? last : index - 1;
    NavNode& node = *nodes[index];
    bot.goal = &node;
    bot.state = BotState::Wander;
    bot.goalX = OpenSpot(world, *bot.player, node, node.bounds.x + node.bounds.width * 0.5f + bot.randomOffset);
    bot.target = nullptr;
}

// Heads for the pickup nearest the bot, unless already on its way to one; with none about, for the
// node under the goal it had, or, once there, wherever wandering takes it.
void Fetch(World& world, BotState& bot)
{
    if ((bot.state == BotState::Fetch || bot.detour) && !bot.arrived)
        return;
    // A way that ended short of the pickup (the bot in mud, a wall between) is no arrival: from where it
    // stands it would make for the same pickup by the same short way for good, so it goes elsewhere first
    // and tries again from there.
    if (bot.arrived && !bot.detour && !bot.reachesGoal && bot.goal && bot.arrivedFrom == BotState::Fetch)
    {
        bot.detour = 1;
        Wander(world, bot);
        return;
    }
    bot.detour = 0;
    const Player& self = *bot.player;
    const Vector2 at{self.body.x, self.body.y};
    // The goal point's height is the top of the goal's node, where the bot walks.
    Vector2 point{bot.goalX, bot.goal ? bot.goal->Top() : at.y};
    const Pickup* nearest = nullptr;
    float nearestDistance = 0.0f;
    const float r = PickupSearchRadius;
    for (const Pickup& pickup : world.pickupGrid.Query({at.x - r, at.y - r, 2.0f * r, 2.0f * r}))
    {
        const Rectangle b = pickup.GetBody().GetBounds();
        const float dx = at.x - std::clamp(at.x, b.x, b.x + b.width);
        const float dy = at.y - std::clamp(at.y, b.y, b.y + b.height);
        if (!(dx * dx + dy * dy < r * r))
            continue;
        const float px = pickup.body->x - at.x;
        const float py = pickup.body->y - at.y;
        const float distance = px * px + py * py;
        if (!nearest || distance < nearestDistance)
        {
            nearest = &pickup;
            nearestDistance = distance;
        }
    }
    // With none about, it heads for where it was going; once there, it roams the map until one comes
    // within its sight, rather than stand where it found nothing for the rest of the match.
    if (!nearest && bot.arrived)
    {
        Wander(world, bot);
        return;
    }
    if (nearest)
        point = {nearest->body->x, nearest->body->y};
    // The platform the pickup lies on, rather than a step above it whose centre is nearer but from
    // which the bot could not reach down to it.
    NavNode* node = world.navigator.FindNearestNode(world, point, PickupNodeRadius, true);
    if (!node)
        node = world.navigator.FindNearestNode(world, point, PickupNodeRadius);
    if (!node)
    {
        Wander(world, bot);
        return;
    }
    bot.goal = node;
    bot.goalX = point.x;
    bot.state = BotState::Fetch;
    bot.target = nullptr;
}

// A place to fight from on the target's node: at the bot's weapon's optimal distance (varied by its
// offset) from the target on the given side, kept within the node's ends, and how far towards it the
// node's top lets the bot walk from the target before something solid standing on it stops it.
struct NodeSpot
{
    float ideal;
    float x;
    float walked;
};

NodeSpot SpotOnNode(World& world, const BotState& bot, const Player& target, const NavNode& node, float side)
{
    const Player& self = *bot.player;
    const float range =
        (self.weapon && self.weapon->data ? self.weapon->data->optimalDistance : 0.0f) + bot.randomOffset;
    const float margin = std::fabs(bot.randomOffset);
    NodeSpot spot{target.body.x + side * range, 0.0f, 0.0f};
    spot.x = spot.ideal;
    if (side < 0.0f && spot.x < node.bounds.x)
        spot.x = node.bounds.x + margin;
    else if (side > 0.0f && spot.x > node.Right())
        spot.x = node.Right() - margin;
    spot.walked = BotNavigator::WalkAlongTop(world, node, target.body.x, spot.x);
    return spot;
}

// The side of the target the bot is on; a bot level with the target counts as on its right.
float SideOf(const Player& self, const Player& target)
{
    return target.body.x - self.body.x > 0.0f ? -1.0f : 1.0f;
}

// Where a chasing bot stands to fight: its weapon's optimal distance (varied by its offset) from the
// target on the target's side towards the bot, on the target's node and within its ends. Where that
// puts it right against the target, where its shots would start beyond it, or behind something solid
// standing on the node's top that it could never walk past, it stands instead on another node near the
// point at that distance; with none about, as far out as the node's top lets it walk.
void PlaceAtFightingDistance(World& world, BotState& bot, const Player& target, NavNode& node)
{
    const Player& self = *bot.player;
    const float margin = std::fabs(bot.randomOffset);
    const float side = SideOf(self, target);
    const NodeSpot spot = SpotOnNode(world, bot, target, node, side);
    bot.goal = &node;
    if (spot.walked == spot.x && std::fabs(spot.x - target.body.x) >= CloseRange)
    {
        bot.goalX = spot.x;
        return;
    }
    if (NavNode* other = world.navigator.FindNearestNode(world, {spot.ideal, node.Top()}, StandOffRadius, false, &node))
    {
        const Rectangle& b = other->bounds;
        bot.goal = other;
        bot.goalX = b.width > 2.0f * margin ? std::clamp(spot.ideal, b.x + margin, b.x + b.width - margin)
                                            : b.x + b.width * 0.5f;
        return;
    }
    bot.goalX = spot.walked == spot.x ? spot.x : spot.walked - side * (self.body.boxWidth + margin);
}

// Where on the target's own node a bot that follows the target stands: at its fighting distance on its
// own side of the target, or on the other side where its own is too short or walled off, or else as far
// from the target as the node lets it. Against the target its shots would start beyond him, and aimed
// down at him its muzzle would lie in the floor, where no shot leaves.
float FollowingSpot(World& world, const BotState& bot, const Player& target, const NavNode& node)
{
    const Player& self = *bot.player;
    const float own = SideOf(self, target);
    float best = target.body.x;
    for (const float side : {own, -own})
    {
        const NodeSpot spot = SpotOnNode(world, bot, target, node, side);
        // Short of a wall it keeps its own width and margin away from it.
        const float x =
            spot.walked == spot.x ? spot.x : spot.walked - side * (self.body.boxWidth + std::fabs(bot.randomOffset));
        const float distance = std::fabs(x - target.body.x);
        if (distance >= CloseRange && side * (x - target.body.x) > 0.0f)
            return x;
        if (side * (x - target.body.x) > 0.0f && distance > std::fabs(best - target.body.x))
            best = x;
    }
    return best;
}

// Whether the target stands elsewhere than when the bot chose to close in on him: on another platform, or
// further along than it takes to step aside of a shot.
bool TargetMoved(const BotState& bot, const Player& target, const NavNode& node)
{
    return node.Top() != bot.closeInTop || std::fabs(target.body.x - bot.closeInX) > CloseRange;
}

// Chases the target on its node: to the fighting spot `place` sets, or, where the bot came to it with no
// shot, to the target itself; a target off the graph is shot at from a vantage, never closed in on from
// below. Come with no shot to the end of a way that stopped short of the platform it
// made for, or to the target itself, the bot has nowhere nearer to go from where it stands: rather than
// wait there for good, it goes somewhere else and hunts from there, and chases again once it got there.
template <class Place>
void Chase(World& world, BotState& bot, const Player& target, NavNode& node, Place place, bool fromVantage = false)
{
    const Player& self = *bot.player;
    // A place it cannot get to (a jump onto it that keeps failing) would hold it on its way for good.
    if (bot.detour && !bot.arrived && ++bot.detourTicks < DetourTicks)
        return;
    bot.detour = 0;
    const bool hasShot = BotSteering::HasShot(world, self, target);
    const bool shortOfGoal = bot.arrived && bot.goal && NodeOf(world, self) != bot.goal;
    // Mud weakens the bot's jump, so a way planned from in it falls short of a spot a step up: at its end,
    // in the mud, the bot stood shooting for as long as it had a shot, seldom hitting a target it could
    // have climbed nearer to. It walks out and plans again from firm ground.
    if (shortOfGoal && !bot.reachesGoal && !(BotMotion::Of(self) == BotMotion::OutsideZones(self)))
    {
        bot.detour = 1;
        bot.detourTicks = 0;
        bot.closingIn = 0;
        Wander(world, bot);
        return;
    }
    if (bot.arrived && !hasShot && bot.goal && (bot.closingIn || fromVantage || shortOfGoal))
    {
        bot.detour = 1;
        bot.detourTicks = 0;
        bot.closingIn = 0;
        Wander(world, bot);
        return;
    }
    bot.state = BotState::Chase;
    // A fighting spot from which the target cannot be shot (a wall or a bunker in between) is no place to
    // wait: the bot makes for the target. It keeps to that until it has fired, or the target has moved on
    // and its fighting spot with him: let go at the first glimpse of a shot, it went back to the spot
    // without one, lost the shot on the way and came again, pacing to and fro without firing.
    if (bot.closingIn && (self.shotsFired != bot.closeInShots || TargetMoved(bot, target, node)))
        bot.closingIn = 0;
    else if (!bot.closingIn && !hasShot && bot.arrived && !fromVantage)
    {
        bot.closingIn = 1;
        bot.closeInX = target.body.x;
        bot.closeInTop = node.Top();
        bot.closeInShots = self.shotsFired;
    }
    if (bot.closingIn)
    {
        bot.goal = &node;
        bot.goalX = target.body.x;
        return;
    }
    place();
}

// Chases a target off the graph (on a lift) from a vantage; false where the target is on the graph or no
// vantage has a shot at him.
bool ChaseFromVantage(World& world, BotState& bot, const Player& target)
{
    const Vantage vantage = NodeOf(world, target) ? Vantage() : FindVantage(world, bot, target);
    if (!vantage.node)
        return false;
    Chase(
        world, bot, target, *vantage.node,
        [&]
        {
            bot.goal = vantage.node;
            bot.goalX = vantage.x;
        },
        true);
    return true;
}

} // namespace

void GameType::ChooseBotTarget(BotState& bot)
{
    if (!bot.player || !bot.player->body.world)
        return;
    Player* target = FindBaseBotTarget();
    // Nobody plays on this machine: a bot that waited for a player here would stand still all match. Nor
    // does a bot of the player's own team follow him about, to stand beside him and shoot at him: it
    // hunts the other team.
    if (!target || (target->team != Player::NoTeam && target->team == bot.player->team))
    {
        HuntBotTarget(bot);
        return;
    }
    World& world = *bot.player->body.world;
    if (target != bot.target)
        bot.closingIn = 0;
    bot.target = target;
    // With nothing to fire in hand or stowed it fetches a weapon, as a hunting bot does: following the
    // player with an empty gun it stood at its spot beside him for the rest of the match.
    if (!HasAmmunition(bot.player->weapon.get()) && !HasAmmunition(bot.player->stowedWeapon.get()))
    {
        bot.closingIn = 0;
        Fetch(world, bot);
        return;
    }
    if (ChaseFromVantage(world, bot, *target))
        return;
    NavNode* node = TargetNode(world, *target);
    if (!node)
    {
        bot.goal = nullptr;
        bot.goalX = target->body.x;
        bot.state = BotState::Chase;
        return;
    }
    // The base names no point on the goal: the bot keeps its fighting distance from the player on his
    // platform, and aims at what it shoots; it hunts him as the deathmatch bots hunt their targets.
    Chase(world, bot, *target, *node,
          [&]
          {
              bot.goal = node;
              bot.goalX = FollowingSpot(world, bot, *target, *node);
          });
}

Player* GameType::FindNearestEnemy(const Player& bot) const
{
    World* world = context.world;
    if (!world)
        return nullptr;
    Player* nearest = nullptr;
    float nearestDistance = 0.0f;
    for (const AwarenessMarker& marker : bot.awareness)
    {
        if (marker.kind != AwarenessMarker::PlayerKind || marker.identifier >= World::PlayerCount)
            continue;
        Player* candidate = &world->players[marker.identifier];
        if (!candidate->present || candidate == &bot || candidate->IsDead() ||
            (candidate->team != Player::NoTeam && candidate->team == bot.team))
            continue;
        const float dx = candidate->body.x - bot.body.x;
        const float dy = candidate->body.y - bot.body.y;
        const float distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance)
        {
            nearest = candidate;
            nearestDistance = distance;
        }
    }
    return nearest;
}

void Deathmatch::ChooseBotTarget(BotState& bot)
{
    HuntBotTarget(bot);
}

void GameType::HuntBotTarget(BotState& bot)
{
    if (!bot.player || !bot.player->body.world)
        return;
    Player& self = *bot.player;
    World& world = *self.body.world;
    Player* target = FindNearestEnemy(self);
    if (target != bot.target)
        bot.closingIn = 0;
    bot.target = target;
    const bool armed = HasAmmunition(self.weapon.get());
    const bool stowedArmed = HasAmmunition(self.stowedWeapon.get());
    if (!target)
    {
        if (armed || stowedArmed)
            Wander(world, bot);
        else
            Fetch(world, bot);
        return;
    }
    if (armed)
    {
        if (ChaseFromVantage(world, bot, *target))
            return;
        NavNode* node = TargetNode(world, *target);
        if (!node)
            return;
        Chase(world, bot, *target, *node, [&] { PlaceAtFightingDistance(world, bot, *target, *node); });
        return;
    }
    bot.closingIn = 0;
    if (stowedArmed)
    {
        const Rectangle& bounds = world.bounds;
        const Vector2 point{target->body.x < self.body.x ? bounds.x + bounds.width : bounds.x,
                            (bounds.y + 1.0f) + (bounds.height + 1.0f) * 0.5f};
        NavNode* node = world.navigator.FindNearestNode(world, point, RetreatNodeRadius);
        if (!node)
        {
            Wander(world, bot);
            return;
        }
        bot.goal = node;
        bot.state = BotState::Wander;
        bot.goalX = OpenSpot(world, self, *node, node->bounds.x + node->bounds.width * 0.5f + bot.randomOffset);
        return;
    }
    Fetch(world, bot);
}
