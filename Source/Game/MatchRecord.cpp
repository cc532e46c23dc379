#include "Source/Game/MatchRecord.h"

#include "Engine/Foundation/Log.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>

namespace
{

// Farther than this in one tick is a respawn, not a step.
constexpr float LongestStep = 1.0f;

} // namespace

void MatchRecord::Clear()
{
    players = {};
    peakVisuals = 0;
    ticks = 0;
    closed = false;
}

void MatchRecord::Tick(const World& world, const GameType* gameType)
{
    if (closed)
        return;
    ++ticks;
    peakVisuals = std::max(peakVisuals, world.visuals.Count());
    for (const Player& player : world.players)
    {
        if (!player.present || player.index >= players.size())
            continue;
        PlayerRecord& record = players[player.index];
        record.seen = true;
        const PlayerBody& body = player.body;
        const bool active = body.active != 0;
        if (active && record.active)
        {
            const float step = std::hypot(body.x - record.x, body.y - record.y);
            if (step < LongestStep)
                record.travelled += step;
        }
        record.active = active;
        record.x = body.x;
        record.y = body.y;
        // The clip is no count of shots: an Ammo Belt fills it again within the tick. A record taken
        // by a new player starts its count again.
        record.shots += player.shotsFired >= record.fired ? player.shotsFired - record.fired : player.shotsFired;
        record.fired = player.shotsFired;
    }
    if (!gameType)
        return;
    // A line posted this tick has been counted down once.
    const uint32_t killed = gameType->GetSharedKinds().killed;
    for (const GameTypeEvent& event : gameType->GetFeed())
        if (event.kind == killed && event.ticks == GameTypeEvent::ShownTicks - 1 && event.a < players.size())
            ++players[event.a].kills;
    // The tick that ended the match is its last: what the players do under the scoreboard is no part
    // of it.
    closed = gameType->IsEnded();
}

void MatchRecord::Log() const
{
    Lumvek::Log::Write("the world held at most {} visuals", peakVisuals);
    for (uint32_t index = 0; index < players.size(); ++index)
    {
        const PlayerRecord& record = players[index];
        if (record.seen)
            Lumvek::Log::Write("player {} travelled {} units, fired {} shots and killed {} players", index,
                               static_cast<uint32_t>(record.travelled), record.shots, record.kills);
    }
}
