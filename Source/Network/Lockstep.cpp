#include "Source/Network/Lockstep.h"

#include "Engine/Foundation/Log.h"
#include "Source/Network/ServerLines.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;

namespace
{

// Frames stepped with an input missing that are logged one by one at the start of each stretch of them.
constexpr uint32_t LoggedMissedFrames = 3;

// Whether the input changes the game from the player's last one: its move or buttons, or the way the
// player aims, which an aim inside the dead zone leaves as it was. Only the controls: the history a
// client sends changes from frame to frame whatever its player does. Keeps the input for the next.
bool ChangesPlay(Lockstep::InputBuffer& buffer, const PlayerInput& input)
{
    const Vector2 aim = input.GetAimDirection(buffer.aim);
    const bool changed = input.move != buffer.lastInput.move || input.buttons != buffer.lastInput.buttons ||
                         aim.x != buffer.aim.x || aim.y != buffer.aim.y;
    buffer.lastInput = input;
    buffer.aim = aim;
    return changed;
}

} // namespace

Lockstep::InputBuffer& Lockstep::AddPlayer(uint8_t player, int32_t client, uint32_t localSlot)
{
    InputBuffer& buffer = players.emplace_back();
    buffer.player = player;
    buffer.client = client;
    buffer.localSlot = localSlot;
    return buffer;
}

Lockstep::InputBuffer* Lockstep::FindPlayer(uint8_t player, int32_t client)
{
    const auto found =
        std::find_if(players.begin(), players.end(),
                     [&](const InputBuffer& buffer) { return buffer.player == player && buffer.client == client; });
    return found != players.end() ? &*found : nullptr;
}

size_t Lockstep::CountPlayers(int32_t client) const
{
    return static_cast<size_t>(std::count_if(players.begin(), players.end(),
                                             [&](const InputBuffer& buffer) { return buffer.client == client; }));
}

size_t Lockstep::CountIdlePlayers(int32_t client, double limit) const
{
    return static_cast<size_t>(std::count_if(players.begin(), players.end(),
                                             [&](const InputBuffer& buffer)
                                             { return buffer.client == client && buffer.idleSeconds > limit; }));
}

bool Lockstep::AddIdleTime(double seconds, double limit)
{
    bool idle = false;
    for (InputBuffer& buffer : players)
    {
        buffer.idleSeconds += seconds;
        idle = idle || buffer.idleSeconds > limit;
    }
    return idle;
}

void Lockstep::RemovePlayer(uint8_t player)
{
    std::erase_if(players, [player](const InputBuffer& buffer) { return buffer.player == player; });
}

void Lockstep::Start(double firstDeadline)
{
    frame = 0;
    deadline = firstDeadline;
    lastStepTime = -1.0;
    for (InputBuffer& buffer : players)
        buffer.present.fill(false);
}

void Lockstep::Receive(InputBuffer& buffer, uint32_t inputFrame, const PlayerInput& input, bool playing, double now)
{
    if (inputFrame < frame || inputFrame - frame >= InputFrames)
        return;
    const uint32_t index = inputFrame % InputFrames;
    // The deadline of the frame stepped next, and a frame's length for each frame beyond it; outside
    // play the deadlines stand still.
    if (!buffer.present[index] && playing)
        inputTiming.Add((deadline - now) / PreciseTickSeconds + (inputFrame - frame));
    buffer.inputs[index] = input;
    buffer.present[index] = true;
    if (ChangesPlay(buffer, input))
        buffer.idleSeconds = 0.0;
}

uint32_t Lockstep::TakeFrame(double time)
{
    const uint32_t index = frame % InputFrames;
    const bool complete =
        std::all_of(players.begin(), players.end(), [&](const InputBuffer& buffer) { return buffer.present[index]; });
    if (lastStepTime >= 0.0)
        longestStepGap = std::max(longestStepGap, time - lastStepTime);
    lastStepTime = time;
    if (!complete)
    {
        ++incompleteFrames;
        if (++missedStretch <= LoggedMissedFrames && missedLines.Take(Net::Address(), time))
            Log::Write(ServerLines::MissedInput(frame));
        lastMissedFrame = frame;
    }
    else
        EndMissedStretch(time);
    for (InputBuffer& buffer : players)
    {
        if (!buffer.present[index])
            buffer.inputs[index] = buffer.inputs[(index + InputFrames - 1) % InputFrames];
        buffer.present[index] = false;
    }
    return index;
}

void Lockstep::EndMissedStretch(double time)
{
    if (missedStretch > LoggedMissedFrames && missedLines.Take(Net::Address(), time))
        Log::Write(ServerLines::MissedMore(missedStretch - LoggedMissedFrames, lastMissedFrame));
    missedStretch = 0;
}

void Lockstep::InputTiming::Add(double framesEarly)
{
    // Written so that a time that is not a number counts as late.
    const double tenths = std::clamp(std::round(framesEarly * 10.0), static_cast<double>(LatestTenths),
                                     static_cast<double>(EarliestTenths));
    ++counts[static_cast<size_t>((tenths >= LatestTenths ? tenths : LatestTenths) - LatestTenths)];
    ++total;
}

double Lockstep::InputTiming::Quantile(double share) const
{
    if (total == 0)
        return 0.0;
    // The input at that rank, counting the latest first.
    const auto rank = static_cast<uint64_t>(std::clamp(share, 0.0, 1.0) * static_cast<double>(total - 1));
    uint64_t below = 0;
    size_t bin = 0;
    while (bin + 1 < counts.size() && below + counts[bin] <= rank)
        below += counts[bin++];
    return static_cast<double>(static_cast<int32_t>(bin) + LatestTenths) / 10.0;
}

Lockstep::InputTiming Lockstep::InputTiming::Since(const InputTiming& earlier) const
{
    InputTiming since;
    for (size_t i = 0; i < counts.size(); ++i)
        since.counts[i] = counts[i] - std::min(counts[i], earlier.counts[i]);
    for (const uint64_t count : since.counts)
        since.total += count;
    return since;
}
