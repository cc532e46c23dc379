#include "Source/World/BotSteering.h"

#include <algorithm>

using namespace Lumvek;

namespace
{

constexpr float Tick = 1.0f / 60.0f;

bool OverlapsHorizontally(const Rectangle& a, const Rectangle& b)
{
    return a.x + a.width > b.x && b.x + b.width > a.x;
}

} // namespace

bool BotSteering::CanJumpTo(const BotMotion& motion, Vector2 from, Vector2 to, float vx)
{
    // Without a pull downwards the jump rises for ever and lands on nothing.
    if (!(motion.fall < 0.0f))
        return false;
    const float speed = motion.speed;
    const float turn = motion.maneuverability;
    const bool left = to.x - from.x < 0.0f;
    float vy = motion.hops;
    float x = from.x;
    float y = from.y;
    for (int32_t tick = 0; tick < MaximumSimulatedTicks; ++tick)
    {
        if (y < to.y && vy <= 0.0f)
            return false;
        if (tick < motion.hangTicks)
            vy += motion.hangAmount;
        vx = std::clamp(vx + (left ? -turn : turn) * Tick, -speed, speed);
        x += vx * Tick;
        vy += motion.fall * Tick;
        y += vy * Tick;
        if (y >= to.y && (left ? x <= to.x : x >= to.x))
            return true;
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
            vx = std::clamp(vx + direction * motion.maneuverability * Tick, -motion.speed, motion.speed);
        vy += motion.fall * Tick;
        const float previousBottom = box.y;
        box.x += vx * Tick;
        box.y += vy * Tick;
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
