#pragma once

#include "Source/Network/Messages/GameState.h"
#include "Source/World/World.h"

#include <array>
#include <cstdint>

class GameContext;
class Player;
class WeaponData;
struct MuzzleInfo;

// How a shot fired on the server is heard on the clients whose players did not fire it. A local match
// hears every shot, fainter with distance but never silent (an effect falls as 5 / distance beyond 5
// units, without a distance where it ends), so the states name every shot of the world, wherever its
// projectile flies: one that leaves the receiver's view before a state names it, or never enters it, is
// heard all the same, once, where it was fired.

// The shots the server's world fired lately, for its game states: each goes in the first StatesPerShot
// states after it, so that a state lost on the way costs no shot. Owned by the server role and filled
// as its world steps; application thread.
class ShotLog
{
public:
    static constexpr uint32_t StatesPerShot = 2;

    // A new match: its frames count from 0 again.
    void Clear();
    // The shooter's weapon fired in the frame the server is stepping.
    void Add(uint32_t frame, const Player& shooter, const WeaponData& weapon, const MuzzleInfo& muzzle);
    // Names in the state of the frame the shots fired since the frame of the state StatesPerShot states
    // before it, but for those of the state's own players (their machine heard them as it predicted
    // them): the newest first, as many as the state has room for.
    void Collect(GameState& state, uint32_t stateFrame) const;
    // The states of the frame went out.
    void StateSent(uint32_t stateFrame);

private:
    // Room for every shot of the last states' frames at the shipped rate of states; at a slower rate
    // the oldest give way.
    static constexpr uint32_t Capacity = 256;
    struct Entry
    {
        uint32_t frame = 0;
        ShotState shot;
    };
    std::array<Entry, Capacity> entries{};
    uint32_t next = 0;
    uint32_t count = 0;
    // The frames of the last StatesPerShot states sent, the oldest first.
    std::array<uint32_t, StatesPerShot> sentFrames{};
};

// The shots a client has played of those the states named: each once, whether two states name it, a
// state is lost or states come out of order (the older ones are heard too, though not applied). Owned
// by the client role; application thread.
class HeardShots
{
public:
    // A new match: its frames count from 0 again.
    void Clear();
    // Shows and plays each shot of the state of the frame not heard yet, with its weapon's flash and
    // fire sound at its muzzle. Shots of this machine's own players, and those too old to be told
    // from a shot heard before (Frames before the newest state heard), are left out.
    void Hear(GameContext& context, const GameState& state, uint32_t stateFrame);

private:
    static constexpr uint32_t Frames = 256;
    static_assert(ShotState::MaxAge + 1 < Frames);
    // By shooter and frame modulo Frames: 1 + the frame of the shot heard there, 0 for none.
    std::array<std::array<uint32_t, Frames>, World::PlayerCount> heard{};
    uint32_t newestFrame = 0;
};
