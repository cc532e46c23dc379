#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/BotNavigator.h"

#include <cstdint>
#include <span>
#include <vector>

class GrenadeLauncher;
class Player;
class World;

// Turns what the game mode wants of a bot into the input of its player each tick: keeps its path,
// walks, jumps and drops along it, aims at its target and shoots. Its simulations of the bot's own
// movement also tell the path search which steps between platforms a bot can make. Made by the world's
// tick for the world it steps; application thread only.
class BotSteering
{
public:
    // Simulations give up after this many ticks (10 s), so that a body that never comes down ends.
    static constexpr int32_t MaximumSimulatedTicks = 600;
    // The aim moves this often, by an error of up to this much either way.
    static constexpr float AimSeconds = 0.5f;
    static constexpr float AimErrorDegrees = 5.0f;
    // A bot that came to fetch a pickup holds Interact this long after it last stood at it: long enough
    // for the player to take it, counting the tick on which the player first notices the pickup.
    static constexpr int32_t InteractHoldTicks = 16;
    // A bot short of its goal that moves less than this far along x on one platform in this many ticks
    // (longer than a lift's ride) is stuck.
    static constexpr float StuckDistance = 0.5f;
    static constexpr int32_t StuckTicks = 300;

    explicit BotSteering(World& world) : world(world) {}

    // One tick of one bot: the game mode's choice, a new path when the platform stood on or the goal
    // changed, the buttons cleared, then (unless the navigator is paused) steering, aim, shots and
    // reloading.
    void Tick(BotState& bot, float dt);
    void Steer(BotState& bot);
    void Aim(BotState& bot, float dt);
    void Shoot(BotState& bot);

    // Whether the shooter's weapon has the target in sight and within its reach, and its muzzle is out
    // in the open where a shot leaves it and on its own side of the target, so that a bot would fire at it.
    static bool HasShot(World& world, const Player& shooter, const Player& target);
    // Whether the shooter's muzzle lies past the target's centre, as seen from its shoulder: face to face at
    // close range, where its shots start beyond the target and leave away from it.
    static bool MuzzleBeyond(const Player& shooter, const Player& target);
    // Whether nothing solid lies between the two points, nor around the first: one-way platforms,
    // players and dynamic bodies do not block; moving platforms do.
    static bool InSight(World& world, Lumvek::Vector2 from, Lumvek::Vector2 to);

    // Whether a jump from `from` with horizontal speed vx comes down onto `to`: over it, at or above
    // its height, before falling below it. A body that is not pulled down never comes down: no.
    static bool CanJumpTo(const BotMotion& motion, Lumvek::Vector2 from, Lumvek::Vector2 to, float vx);
    static bool CanJumpTo(const Player& player, Lumvek::Vector2 from, Lumvek::Vector2 to, float vx);
    // Whether a body in the air at from, moving at vx and vy and lifted for hangTicks more ticks, comes down at
    // or past to, steering for it all the way.
    static bool Reaches(const BotMotion& motion, Lumvek::Vector2 from, Lumvek::Vector2 to, float vx, float vy,
                        int32_t hangTicks);
    // Whether that jump carries a body of the motion's width and height through one of the areas before it
    // lands.
    static bool JumpMeetsHarm(const BotMotion& motion, Lumvek::Vector2 from, Lumvek::Vector2 to, float vx,
                              std::span<const Lumvek::Rectangle> harms);
    // Whether a body of that rectangle walking off current with horizontal speed vx lands on next: yes
    // at once when next overlaps current horizontally, no when next is higher, otherwise as a walk
    // over current's edge with gravity every tick shows within MaximumSimulatedTicks.
    static bool CanWalkOffTo(const BotMotion& motion, const Lumvek::Rectangle& body, const Lumvek::Rectangle& current,
                             const Lumvek::Rectangle& next, float vx);
    static bool CanWalkOffTo(const Player& player, const Lumvek::Rectangle& body, const Lumvek::Rectangle& current,
                             const Lumvek::Rectangle& next, float vx);

private:
    // Aims as the state says: at the target when it is Chase, where the bot walks otherwise.
    void Aim(BotState& bot, uint32_t state, float dt);
    // A throw of the launcher that comes down at the target's feet: the charge it is let go at and the
    // angle it leaves at.
    struct Lob
    {
        int32_t charge = 0;
        float angle = 0.0f;
    };
    // The lob with the most charge at or below the most the launcher takes whose grenade, clear of walls
    // and platforms all the way, lands at the target's feet just before its fuse runs out, so that it goes
    // off there rather than bounce or roll on; failing that, the slowest flat throw that gets there. With
    // onlyCharge, the one thrown at that charge. No lob when nothing the bot could throw gets there clear.
    bool PlanLob(const Player& player, const GrenadeLauncher& launcher, const Player& target, int32_t onlyCharge,
                 Lob& lob) const;
    // Holds, aims and lets go a charged throw; a bot that tapped the trigger threw every grenade at the
    // launcher's least speed, level, and they fell short.
    void ChargeThrow(BotState& bot, GrenadeLauncher& launcher);
    // Where a moving platform stopped low hangs between the bot walking on the top and toX, too low to
    // walk under, the bot jumps as soon as the jump lands on it; where no jump of its would, it plans again
    // and walks only to within its width of it. The x to walk to.
    float JumpOntoStoppedLift(BotState& bot, float top, float toX);
    // Whether the player, falling from where it is at its speed onto the top, passes through or comes down
    // within its width of a hazard that harms.
    bool FallMeetsHarm(const Player& player, float top) const;
    // In the air over a node with an end that drops into a pit: steers so as to come down clear of it.
    void LandClearOfPits(BotState& bot, const NavNode& onto);
    // In the air coming down into a pit between two tops: steers for the nearer of them.
    void KeepOutOfPits(BotState& bot);
    // Running along its top for a jump off the edge at x onto the aim point: runs on while the speed it gets
    // up by the edge makes the jump, brakes while its slide still ends short of the edge, and backs off for
    // a run-up when it stands too near.
    void TakeARunUp(BotState& bot, float edge, Lumvek::Vector2 aimPoint);
    // Walking along its top towards x past spikes lying on it (a ledge with spikes across it): jumps them where
    // a jump clears them, takes a run-up where one would, or else stops short of them. Walked through, they
    // killed a bot that came up on the far side of them again and again.
    void CrossHarmOnTop(BotState& bot, const NavNode& node, float x);
    // Turns the bot's aim the way it walks, where the speed of its facing matters more than its shots: a
    // body runs slower backwards.
    void FaceTheWayItMoves(BotState& bot);
    // Where the player comes down on a top below it if it keeps its speed across; NaN where it is not
    // above the top or nothing pulls it down.
    static float LandingX(const Player& player, float top);
    // Whether the path takes its first step off the top it starts on from outside every zone the player
    // stands in (the mud it is in).
    bool LeavesZonesFirst(const Player& player, std::span<Waypoint* const> path) const;
    // Backs the bot off a target its muzzle reaches past, and walks a bot that stands in a hazard that
    // harms out of it.
    void KeepClear(BotState& bot);
    // Notices a bot that gets nowhere and makes it plan afresh.
    void KeepTrackOfProgress(BotState& bot);
    // The game mode's choice of target, goal and state for the bot.
    void ChooseTarget(BotState& bot);
    // Whether the player stands within its reach of a pickup.
    bool TouchesPickup(const Player& player) const;

    World& world;
    // The path searched for a bot in mud as it will be out of it; kept to reuse its storage.
    std::vector<Waypoint*> outsidePath;
};
