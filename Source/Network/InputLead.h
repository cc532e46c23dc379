#pragma once

#include "Engine/Foundation/Tick.h"
#include "Source/Network/LogBudget.h"

#include <array>
#include <cstdint>

// The frames a client keeps ahead of its clock's count so that its inputs reach the server before the
// deadlines at which the server steps each frame. It places the client at its first tick of play, keeps
// it within a band of that place, and measures from each state that arrives how early the inputs came:
// it raises the lead at once when they come short of the spare the link needs, and lowers it a tick or
// two at a time when they come early. It reads no connection and sends nothing: the client gives it its
// clock, its frame and what its connection measures, and goes on from the frames it names, sitting out
// the ticks it asks for. Its lines about the timing are written under a budget. Owned by the client's
// role, and like it the application thread's.
class InputLead
{
public:
    // The spare by which a client's inputs are meant to reach the server before their deadlines, beyond
    // what it measures they vary by: the spread of the margin from state to state (the jitter of both
    // legs), its own late ticks, a tick for each copy a lost packet makes the input wait for, and a
    // quarter of the round trip for a path whose delay grows at once.
    static constexpr float MinimumSpare = 0.5f;
    // The spare a client starts a match with, before it has timed any state.
    static constexpr uint32_t StartingSpare = 4;
    // Frames beyond the spare by which the inputs may come early before the lead comes down: more than
    // the frame it comes down by at the least.
    static constexpr float SlackFrames = 1.5f;
    // The most frames the lead comes down by at a time: the client sits out a tick for each, a pause a
    // player does not notice.
    static constexpr int32_t MaximumLowerStep = 2;
    // The states judged at a time: a second of them, whose median is the margin and whose spread below
    // it counts in the spare.
    static constexpr uint32_t MarginSamples = 30;
    // The seconds whose spreads are averaged.
    static constexpr uint32_t SpreadWindows = 4;
    // The newest states that raise the lead at once when all of them fall below what the spare keeps
    // without the spread: the link got slower, or the inputs came late from the start. Once a second
    // has been judged, they lower it at once when all of them lie more than a frame beyond the spare and
    // the slack: the link got faster.
    static constexpr uint32_t QuickSamples = 5;
    // The most windows in a row that must find the inputs early before the lead comes down: after a
    // lowering that had to be undone (the lead went up again before a second's states found the inputs
    // in time at it) twice as many, after one that held a single window again.
    static constexpr uint32_t MaximumLowerAfter = 2;
    // The updates whose lateness is kept: a second of them. Their third latest sets the room for the
    // client's own late ticks; a longer stall is a move, not a spare.
    static constexpr uint32_t UpdateSamples = Lumvek::TicksPerSecond;
    static constexpr float MaximumLateFrames = 6.0f;
    // The most frames a client runs ahead of its clock's count: a second. The server takes inputs up to
    // 120 frames early and a re-simulation replays at most 99 frames.
    static constexpr int32_t MaximumLead = Lumvek::TicksPerSecond;
    // The longest round trip the lead allows for, in frames: half a second. A stall holds up the acks
    // and swells the smoothed round trip for seconds after it, which would throw the client as far
    // ahead as the stall was long.
    static constexpr uint32_t MaximumRoundTrip = Lumvek::TicksPerSecond / 2;
    // Frames a client may fall behind its place before it is moved: its ticks fall anywhere within a
    // frame of the clock, and the round trip it is placed by wavers.
    static constexpr uint32_t LateFrames = 2;
    // Frames a client may run beyond its place before it is moved back.
    static constexpr uint32_t FarAheadFrames = 30;
    // The frames each input message is sent for: the frame's own, and copies of the frames before it,
    // so that a lost packet costs no frame its input. A lost input waits a tick for each copy.
    static constexpr uint32_t InputCopies = 3;

    // What the connection measures of its link to the server when a state is timed: its smoothed round
    // trip in milliseconds and the packets it loses, in percent; either may be not a number.
    struct Link
    {
        float roundTripMilliseconds = 0.0f;
        float packetLoss = 0.0f;
    };

    // The start message came at the role's clock's time (nanoseconds): the lead starts from the round
    // trip and the server's first wait, at the starting spare, with nothing timed.
    void Start(int64_t now, Link link);
    // An update in play came this long (nanoseconds) after the one before it.
    void NoteUpdate(int64_t delta);
    // Whether the client sits out this tick, sending nothing and stepping nothing, to come back to its
    // place; it counts the tick as sat out.
    bool SitOut();
    // At the client's first tick of play, the frame its place is at; later, the frame it is moved to
    // when it fell behind its place, or ran far ahead of it, by the time the game system has stepped
    // frames up to; otherwise its own frame. Times by the role's clock, in nanoseconds.
    uint32_t KeepInStep(uint32_t frame, int64_t now, int64_t steppedUntil);
    // Measures from a state of the server's frame, arriving now with the client at its frame, how early
    // the inputs reach the server: it steps each frame at its deadline and its state comes back the rest
    // of a round trip later, so the frames since the state's frame was sent, less a round trip, are the
    // margin. It raises the lead when the median margin of two seconds' states in a row falls below the
    // spare, or as soon as QuickSamples states do so by far, and lowers it when a second's states show
    // the inputs coming earlier than the spare and the slack, or as soon as QuickSamples states do so by
    // more than a frame. Gives the frame the client goes on from: beyond its own after a raise.
    uint32_t TimeState(uint32_t frame, uint32_t serverFrame, int64_t now, int64_t steppedUntil, Link link);

    // The frames this client keeps ahead of its clock's count since the start message; negative where
    // the server's first wait is longer than the round trip and the spare.
    int32_t GetLead() const { return lead; }
    // The last judged median margin and spare, in frames.
    float GetMargin() const { return margin; }
    float GetSpare() const { return spare; }
    // How often, after its place at the start, the client was moved because its ticks fell behind its
    // clock or ran far ahead of it.
    uint32_t GetRealignments() const { return realignments; }

private:
    // The frame this client should be at by its clock's time (nanoseconds): the frames since the start
    // message, plus the lead by which its inputs reach the server before their deadlines.
    double PlaceFrame(int64_t at) const;
    // The lead for the round trip: the server's first deadline comes its wait after it sent the start
    // message, which took part of the round trip to come, and each input takes the rest.
    static int32_t LeadFrames(Link link);
    // The spare for margins of the spread below their median: the minimum, the spread, the client's
    // late ticks, the copies a lost input waits for and a share of the round trip.
    float JudgeSpare(float spread, Link link) const;
    // The frames by which the client's recent ticks ran late: the third latest update of the last second.
    float LateTickFrames() const;
    // Changes the lead by the frames, giving the frame the client goes on from at once, or sitting out
    // ticks.
    uint32_t ChangeLead(uint32_t frame, int32_t frames);
    // Whether the newest states come later after their inputs left than the last judged second's did: the
    // path back got slower, and until the acks of the inputs sent since come back the round trip the client
    // measures is the old one, and their margins read too high by what it got slower by. A faster link
    // brings its states as soon or sooner: what the inputs gain on the way there is what they now wait.
    bool Slower() const;
    // Lowers the lead by the whole frames of the excess, at least one and at most MaximumLowerStep.
    uint32_t LowerLead(uint32_t frame, float excess);
    // Whether a line about the client's timing may be written now; first reports those left out.
    bool TakeTimingLine(int64_t now);
    // The client goes on from the frame: states made before the move are not timed.
    uint32_t MoveTo(uint32_t target);
    // The smoothed round trip to the server in frames, at most MaximumRoundTrip.
    static float RoundTripFrames(Link link);

    uint32_t realignments = 0;
    // The lines about late inputs and moves. A machine too slow for the clock falls behind in every frame
    // and is moved every time: a few lines a minute are written, and the rest counted. The peer's
    // address plays no part.
    LogBudget timingLines{6.0, 6.0};
    // When the start message came, in seconds by the role's clock, and the frames the client keeps ahead
    // of the count since then; it is placed once at its first tick of play.
    double startTime = 0.0;
    int32_t lead = 0;
    bool placed = false;
    // Ticks the client sits out, sending nothing and stepping nothing, to come back to its place.
    uint32_t waitTicks = 0;
    // States before this frame tell of the time before the last move, and are not timed.
    uint32_t timedFrom = 0;
    // The margins in frames of the states timed since the lead last changed, the last MarginSamples of
    // them by count modulo MarginSamples; and the last judgement's median and spare.
    std::array<float, MarginSamples> margins{};
    uint32_t marginCount = 0;
    float margin = 0.0f;
    float spare = StartingSpare;
    // The frames since their inputs left that the newest states came, by count modulo QuickSamples, and
    // the round trip plus the margin the last judgement found: what a second's states came at.
    std::array<float, QuickSamples> sinces{};
    float judgedSince = 0.0f;
    // The spreads of the last seconds' states, by count modulo SpreadWindows, and their average.
    std::array<float, SpreadWindows> spreads{};
    uint32_t spreadCount = 0;
    float spread = 0.0f;
    // The windows in a row that found the inputs short of the spare, those that found them early, how
    // many must before the lead comes down, and whether the last change lowered it and no second's
    // states have found the inputs in time at it yet.
    uint32_t shortWindows = 0;
    uint32_t earlyWindows = 0;
    uint32_t lowerAfter = 1;
    bool lowered = false;
    // How late each of the last updates in play came, in frames beyond a tick, by count modulo
    // UpdateSamples.
    std::array<float, UpdateSamples> updateLateness{};
    uint32_t updateCount = 0;
};
