#include "Source/Network/RemoteShots.h"

#include "Source/Data/DataRegistry.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Body.h"
#include "Source/World/GameContext.h"
#include "Source/World/Player.h"
#include "Source/World/Weapon.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float Turn = 6.2831853f;

uint32_t HeadingOf(float angle)
{
    if (!std::isfinite(angle))
        return 0;
    const float steps = std::round(WrapAngle(angle) / Turn * ShotState::HeadingSteps);
    return static_cast<uint32_t>(steps) % ShotState::HeadingSteps;
}

bool IsOwnPlayer(const GameState& state, uint8_t player)
{
    for (uint32_t i = 0; i < std::min(state.ownCount, GameState::MaxOwnPlayers); ++i)
        if (state.ownPlayers[i].player == player)
            return true;
    return false;
}

bool IsLocalPlayer(const GameContext& context, uint8_t player)
{
    const std::vector<PlayerSlot>& slots = context.configuration.players;
    return std::any_of(slots.begin(), slots.end(),
                       [player](const PlayerSlot& slot) { return !slot.removed && slot.id == player; });
}

} // namespace

void ShotLog::Clear()
{
    next = count = 0;
    sentFrames.fill(0);
}

void ShotLog::Add(uint32_t frame, const Player& shooter, const WeaponData& weapon, const MuzzleInfo& muzzle)
{
    Entry& entry = entries[next];
    next = (next + 1) % Capacity;
    count = std::min(count + 1, Capacity);
    entry.frame = frame;
    entry.shot.shooter = shooter.index;
    entry.shot.definition = weapon.index;
    entry.shot.position = {muzzle.x, muzzle.y};
    entry.shot.heading = HeadingOf(muzzle.angle);
    entry.shot.facingLeft = muzzle.facingLeft != 0;
}

void ShotLog::Collect(GameState& state, uint32_t stateFrame) const
{
    // The entries run oldest to newest up to next.
    for (uint32_t back = 1; back <= count && state.shotCount < GameState::MaxShots; ++back)
    {
        const Entry& entry = entries[(next + Capacity - back) % Capacity];
        if (entry.frame < sentFrames.front() || entry.frame >= stateFrame ||
            stateFrame - 1 - entry.frame > ShotState::MaxAge)
            break;
        if (IsOwnPlayer(state, entry.shot.shooter))
            continue;
        ShotState& shot = state.shots[state.shotCount++];
        shot = entry.shot;
        shot.age = stateFrame - 1 - entry.frame;
    }
}

void ShotLog::StateSent(uint32_t stateFrame)
{
    std::shift_left(sentFrames.begin(), sentFrames.end(), 1);
    sentFrames.back() = stateFrame;
}

void HeardShots::Clear()
{
    for (auto& frames : heard)
        frames.fill(0);
    newestFrame = 0;
}

void HeardShots::Hear(GameContext& context, const GameState& state, uint32_t stateFrame)
{
    World* world = context.world;
    if (!world || !context.registry)
        return;
    newestFrame = std::max(newestFrame, stateFrame);
    for (uint32_t i = 0; i < std::min(state.shotCount, GameState::MaxShots); ++i)
    {
        const ShotState& shot = state.shots[i];
        if (shot.shooter >= World::PlayerCount || shot.age >= stateFrame || !std::isfinite(shot.position.x) ||
            !std::isfinite(shot.position.y) || IsLocalPlayer(context, shot.shooter))
            continue;
        const uint32_t frame = stateFrame - 1 - shot.age;
        uint32_t& mark = heard[shot.shooter][frame % Frames];
        const WeaponData* weapon = context.registry->weapons.Get(shot.definition);
        if (newestFrame - frame >= Frames || mark == frame + 1 || !weapon)
            continue;
        mark = frame + 1;
        MuzzleInfo muzzle;
        muzzle.x = shot.position.x;
        muzzle.y = shot.position.y;
        muzzle.angle = static_cast<float>(shot.heading) * Turn / ShotState::HeadingSteps;
        muzzle.facingLeft = shot.facingLeft ? 1 : 0;
        ShowShot(*world, *weapon, muzzle);
    }
}
