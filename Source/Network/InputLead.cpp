#include "Source/Network/InputLead.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Tick.h"
#include "Libraries/Net/Address.h"
#include "Source/Network/ClientLines.h"
#include "Source/Network/NetworkSettings.h"

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace Lumvek;

namespace
{

// The server's wait for its first frame, as a server made with the default settings has it. One that
// waits longer only gets the inputs earlier; one that waits less shows it in its states.
const double AssumedForceUpdateTimeout = ServerSettings().forceUpdateTimeout;

} // namespace

void InputLead::Start(int64_t now, Link link)
{
    startTime = static_cast<double>(now) / 1e9;
    lead = LeadFrames(link);
    placed = false;
    waitTicks = 0;
    timedFrom = 0;
    marginCount = 0;
    margin = 0.0f;
    spare = StartingSpare;
    updateCount = 0;
    spreadCount = 0;
    spread = 0.0f;
    shortWindows = 0;
    earlyWindows = 0;
    lowerAfter = 1;
    lowered = false;
}

void InputLead::NoteUpdate(int64_t delta)
{
    // The ticks an update runs were due as much as its wait beyond a tick before it.
    const double late = static_cast<double>(delta) / TickNanoseconds - 1.0;
    updateLateness[updateCount++ % UpdateSamples] =
        static_cast<float>(std::clamp(late, 0.0, static_cast<double>(MaximumLateFrames)));
}

bool InputLead::SitOut()
{
    if (waitTicks == 0)
        return false;
    --waitTicks;
    return true;
}

float InputLead::RoundTripFrames(Link link)
{
    // Written so that an estimate that is not a number counts as none.
    const float milliseconds = link.roundTripMilliseconds > 0.0f ? std::min(link.roundTripMilliseconds, 1e6f) : 0.0f;
    return std::min(milliseconds * 0.06f, static_cast<float>(MaximumRoundTrip));
}

int32_t InputLead::LeadFrames(Link link)
{
    const double frames = RoundTripFrames(link) + StartingSpare - AssumedForceUpdateTimeout / PreciseTickSeconds;
    return static_cast<int32_t>(
        std::clamp(std::ceil(frames), -static_cast<double>(MaximumLead), static_cast<double>(MaximumLead)));
}

double InputLead::PlaceFrame(int64_t at) const
{
    return (static_cast<double>(at) / 1e9 - startTime) / PreciseTickSeconds + lead;
}

uint32_t InputLead::KeepInStep(uint32_t frame, int64_t now, int64_t steppedUntil)
{
    if (!placed)
    {
        // The first move only takes the client to its place, one it could not know before the start.
        // A place before frame 0 is waited for: the client is nearer the server than its first wait.
        placed = true;
        const auto target = static_cast<int64_t>(std::ceil(PlaceFrame(now)));
        if (target > frame)
            frame = MoveTo(static_cast<uint32_t>(target));
        else
        {
            frame = static_cast<uint32_t>(std::max<int64_t>(target, 0));
            waitTicks = static_cast<uint32_t>(std::max<int64_t>(-target, 0));
        }
        // No stall came before it: the states are timed from here.
        timedFrom = frame;
        return frame;
    }
    // Judged by the time the game system has stepped frames up to: the time this update brought is
    // stepped after it, unless there is more of it than the game system catches up with.
    const double place = PlaceFrame(steppedUntil);
    // Behind, after a stall or a dropped backlog, its inputs come late; far ahead, they are refused as
    // too early. Within the band it stays where it is.
    if (frame + LateFrames >= place && frame <= place + FarAheadFrames + waitTicks)
        return frame;
    ++realignments;
    const auto target = static_cast<uint32_t>(std::max(std::ceil(place), 0.0));
    if (TakeTimingLine(now))
        Log::Write(ClientLines::MovedToClock(frame, target));
    waitTicks = 0;
    return MoveTo(target);
}

uint32_t InputLead::TimeState(uint32_t frame, uint32_t serverFrame, int64_t now, int64_t steppedUntil, Link link)
{
    // While it sits out ticks the client's frames do not follow its clock.
    if (waitTicks > 0)
        return frame;
    // The frames since the input for the state's frame left; the time this update brought counts too,
    // though the game system steps its frames only after it.
    const double pending = static_cast<double>(now - steppedUntil) / 1e9 / PreciseTickSeconds;
    const double sinceSent = static_cast<double>(frame) - static_cast<double>(serverFrame) + pending;
    const float roundTrip = RoundTripFrames(link);
    const float timed = static_cast<float>(sinceSent) - roundTrip;
    // A server at or past this client's frame has stepped frames whose inputs have not even left: it
    // gave up waiting for them, and every later input would come as late.
    const bool behind = sinceSent <= 0.0;
    // Of a state from before the last move only that much is sure.
    if (serverFrame < timedFrom && !behind)
        return frame;
    sinces[marginCount % QuickSamples] = static_cast<float>(sinceSent);
    margins[marginCount++ % MarginSamples] = timed;
    // The newest states, sorted.
    std::array<float, QuickSamples> newest{};
    const auto recent = std::min(marginCount, QuickSamples);
    for (uint32_t i = 0; i < recent; ++i)
        newest[i] = margins[(marginCount - 1 - i) % MarginSamples];
    std::sort(newest.begin(), newest.begin() + recent);
    const bool full = marginCount >= MarginSamples;
    if (full)
    {
        std::array<float, MarginSamples> sorted = margins;
        std::sort(sorted.begin(), sorted.end());
        // The spread is taken down to about the 5th percentile, and averaged over the last few seconds:
        // one second's few lowest states say little.
        margin = sorted[MarginSamples / 2];
        judgedSince = margin + roundTrip;
        spreads[spreadCount++ % SpreadWindows] = margin - sorted[MarginSamples / 15];
        const auto windows = std::min(spreadCount, SpreadWindows);
        spread = std::accumulate(spreads.begin(), spreads.begin() + windows, 0.0f) / static_cast<float>(windows);
        spare = JudgeSpare(spread, link);
        // Each second's states are judged once: judged again with every state, the median would dip
        // below the spare now and then by chance alone.
        marginCount = 0;
    }
    const bool shifted = recent == QuickSamples && newest[QuickSamples - 1] < JudgeSpare(0.0f, link);
    // How far beyond the spare and the slack the lowest of the newest states lies, the spare taken afresh:
    // after the link's delay fell, the round trip it counts has fallen too. Before a second was judged the
    // spread is not known, and the starting spare stands.
    const float above = recent == QuickSamples && spreadCount > 0 && !Slower()
                            ? newest[0] - JudgeSpare(spread, link) - SlackFrames
                            : 0.0f;
    const bool far = !full && above > 1.0f;
    if (behind || shifted || far)
        margin = behind ? timed : newest[QuickSamples / 2];
    else if (!full)
        return frame;
    // A second's median dips below the spare now and then by chance: two seconds in a row must agree.
    shortWindows = full && !behind && !shifted && margin < spare ? shortWindows + 1 : 0;
    // A state from a server far off the client's frames asks for no more than the lead's range.
    const float range = 2.0f * MaximumLead;
    if (margin < spare && (behind || shifted || shortWindows >= 2))
    {
        shortWindows = 0;
        // Back to half the slack above the spare.
        const float raised = std::min(std::ceil(spare + SlackFrames / 2.0f - margin), range);
        if (TakeTimingLine(now))
            Log::Write(ClientLines::InputsShort(
                margin, spare, std::clamp(lead + static_cast<int32_t>(raised), -MaximumLead, MaximumLead)));
        // A lead that was just lowered too far waits twice as long before it comes down again.
        if (std::exchange(lowered, false))
            lowerAfter = std::min(2 * lowerAfter, MaximumLowerAfter);
        return ChangeLead(frame, static_cast<int32_t>(raised));
    }
    if (far)
        // Each of the newest states stays beyond the spare and the slack at the lower lead.
        return LowerLead(frame, above);
    if (full && margin >= spare)
    {
        // The last lowering held: the next one waits no longer than the first.
        if (std::exchange(lowered, false))
            lowerAfter = 1;
        earlyWindows = margin > spare + SlackFrames ? earlyWindows + 1 : 0;
        // Down to between half a frame and the slack above the spare, or MaximumLowerStep frames nearer it.
        if (earlyWindows >= lowerAfter)
            return LowerLead(frame, margin - spare - SlackFrames + 1.0f);
    }
    return frame;
}

bool InputLead::Slower() const
{
    std::array<float, QuickSamples> sorted = sinces;
    std::nth_element(sorted.begin(), sorted.begin() + QuickSamples / 2, sorted.end());
    return sorted[QuickSamples / 2] > judgedSince + 0.5f;
}

uint32_t InputLead::LowerLead(uint32_t frame, float excess)
{
    earlyWindows = 0;
    lowered = true;
    return ChangeLead(frame, -static_cast<int32_t>(std::clamp(excess, 1.0f, static_cast<float>(MaximumLowerStep))));
}

float InputLead::JudgeSpare(float spread, Link link) const
{
    // An input whose packet is lost goes with the next tick's, a tick later: a tick for each copy that
    // more than one input in a hundred waits for.
    const float loss = std::isfinite(link.packetLoss) ? std::clamp(link.packetLoss / 100.0f, 0.0f, 1.0f) : 0.0f;
    float copies = 0.0f;
    for (float chance = loss; copies + 1 < InputCopies && chance > 0.01f; chance *= loss)
        ++copies;
    // A path's delay changes with its length: a quarter of the round trip lets the delay of a link 100 ms
    // long double before its inputs come late, and costs a LAN nothing.
    return MinimumSpare + spread + LateTickFrames() + copies + RoundTripFrames(link) / 4.0f;
}

float InputLead::LateTickFrames() const
{
    std::array<float, UpdateSamples> sorted = updateLateness;
    const auto count = std::min(updateCount, UpdateSamples);
    if (count < 3)
        return 0.0f;
    std::nth_element(sorted.begin(), sorted.begin() + (count - 3), sorted.begin() + count);
    return sorted[count - 3];
}

uint32_t InputLead::ChangeLead(uint32_t frame, int32_t frames)
{
    const int32_t before = lead;
    lead = std::clamp(lead + frames, -MaximumLead, MaximumLead);
    if (lead > before)
        frame = MoveTo(frame + static_cast<uint32_t>(lead - before));
    else
    {
        // Sitting out a tick costs the world a tick's pause, a move back would replay frames.
        waitTicks += static_cast<uint32_t>(before - lead);
        marginCount = 0;
    }
    // No stall came before it: the states of the frames from here tell of the new lead.
    timedFrom = frame;
    return frame;
}

bool InputLead::TakeTimingLine(int64_t now)
{
    const double seconds = static_cast<double>(now) / 1e9;
    if (const uint64_t leftOut = timingLines.TakeReport(seconds))
        Log::Write(ClientLines::TimingLeftOut(leftOut));
    return timingLines.Take(Net::Address(), seconds);
}

uint32_t InputLead::MoveTo(uint32_t target)
{
    // States made before the move show the timing of the old place for a round trip, and a stall swells
    // the round trip the library measures for a while: a second passes before the next judgement.
    timedFrom = target + static_cast<uint32_t>(1.0 / PreciseTickSeconds);
    marginCount = 0;
    return target;
}
