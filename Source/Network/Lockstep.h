#pragma once

#include "Engine/Foundation/Tick.h"
#include "Source/Network/LogBudget.h"
#include "Source/World/PlayerInput.h"

#include <array>
#include <cstdint>
#include <vector>

// The server's lockstep: each player's inputs by frame, how early they came, and the frames stepped at
// their deadlines, a player whose input did not come repeating its last one. Knows no sockets and no
// world: the server feeds it the inputs it receives and steps the world for each frame it hands out.
// Its buffers are the server's one record of each remote player and of which client added it: the
// admission counts a client's players here. Owned by the server role; the application thread's, as the
// whole role is.
class Lockstep
{
public:
    static constexpr uint32_t InputFrames = 120;

    // One player added by a client, with its inputs by frame modulo InputFrames.
    struct InputBuffer
    {
        uint8_t player = 0;
        int32_t client = 0;
        uint32_t localSlot = 0;
        std::array<PlayerInput, InputFrames> inputs{};
        std::array<bool, InputFrames> present{};
        // The last input the client sent for the player, the way its aim last pointed (zero before it
        // pointed any way), and the seconds of play since they last changed the game.
        PlayerInput lastInput{};
        Lumvek::Vector2 aim{};
        double idleSeconds = 0.0;
    };

    // How early the players' inputs came, by tenths of a frame before their deadlines: the first copy of
    // each player's input for each frame counts once.
    struct InputTiming
    {
        // Earlier or later ones are counted at the ends of the range.
        static constexpr int32_t EarliestTenths = 10 * static_cast<int32_t>(InputFrames);
        static constexpr int32_t LatestTenths = -100;
        std::array<uint64_t, EarliestTenths - LatestTenths + 1> counts{};
        uint64_t total = 0;

        void Add(double framesEarly);
        // The frames early that the share (0 to 1) of the inputs came at most; 0 while none came.
        double Quantile(double share) const;
        // What was counted since the earlier timing.
        InputTiming Since(const InputTiming& earlier) const;
    };

    // The players in the order they were added.
    const std::vector<InputBuffer>& GetPlayers() const { return players; }
    size_t GetPlayerCount() const { return players.size(); }
    // A client's player comes, with no input yet.
    InputBuffer& AddPlayer(uint8_t player, int32_t client, uint32_t localSlot);
    // The client's player with the id; null when the client added none with it.
    InputBuffer* FindPlayer(uint8_t player, int32_t client);
    size_t CountPlayers(int32_t client) const;
    // The client's players idle for longer than the limit.
    size_t CountIdlePlayers(int32_t client, double limit) const;
    // The seconds of play pass for every player; true when one has been idle for longer than the limit.
    bool AddIdleTime(double seconds, double limit);
    void RemovePlayer(uint8_t player);

    // A match begins: frame 0 is due at the first deadline, and no input is there yet.
    void Start(double firstDeadline);
    // Keeps the player's input for a frame; one for a frame stepped already or too far ahead comes from
    // a client that fell out of step and is dropped quietly. While playing, the first copy for each frame
    // counts in the timing against its deadline at the time now. An input that changes the game (its
    // move, buttons or aim) makes the player no longer idle.
    void Receive(InputBuffer& buffer, uint32_t inputFrame, const PlayerInput& input, bool playing, double now);
    // Whether the next frame's deadline has come by the time.
    bool IsDue(double time) const { return time >= deadline; }
    // Readies the frame due at the time: each player's input for it is the one that came, or else its
    // input of the frame before; a frame with an input missing is counted and, at the start of a stretch
    // of them, logged. Gives the frame's index in the buffers' inputs.
    uint32_t TakeFrame(double time);
    // The frame was stepped: the next is due a tick later.
    void Advance()
    {
        ++frame;
        deadline += Lumvek::PreciseTickSeconds;
    }
    // Logs how many frames of the stretch with an input missing went unlogged, and starts a new one.
    void EndMissedStretch(double time);

    uint32_t GetFrame() const { return frame; }
    double GetDeadline() const { return deadline; }
    // Frames stepped, over every match, while some player's input for them had not come.
    uint64_t GetIncompleteFrames() const { return incompleteFrames; }
    const InputTiming& GetInputTiming() const { return inputTiming; }
    // The longest time, in seconds of the role's clock, between two frames stepped in one match.
    double GetLongestStepGap() const { return longestStepGap; }

private:
    std::vector<InputBuffer> players;
    uint32_t frame = 0;
    double deadline = 0.0;
    uint64_t incompleteFrames = 0;
    InputTiming inputTiming;
    // When the last frame of the match was stepped (negative before its first), and the longest time
    // between two frames stepped: updates that stall show here, however the frames catch up after.
    double lastStepTime = -1.0;
    double longestStepGap = 0.0;
    // The frames stepped with an input missing in a row, up to the one stepped last: only the first of
    // them are logged one by one, the rest as a count once the stretch ends.
    uint32_t missedStretch = 0;
    uint32_t lastMissedFrame = 0;
    // A client that sends its inputs every other frame starts a stretch each time: the lines about
    // stretches come out of an allowance of their own, 60 a minute whoever is late, and the stop line
    // counts every frame.
    LogBudget missedLines{60.0, 60.0};
};
