#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Libraries/Net/Client.h"
#include "Libraries/Net/Memory.h"
#include "Source/Network/ClientLines.h"
#include "Source/Network/Journal.h"
#include "Source/Network/LocalDevices.h"
#include "Source/Network/LogBudget.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/MessageLimits.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Source/Network/Network.h"
#include "Source/World/PlayerInput.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class GameContext;
class GameStateMessage;
class PlayerKilledMessage;

// The role of a player's machine that joins a dedicated server: it connects with a token it makes
// itself, announces its local players, follows the server through the vote, loading, preparing and
// starting, sends each local player's input every tick and mirrors what the server decides. Owned by
// the game system; everything, the library client included, runs on the application thread.
class ClientNetwork final : public Network
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
    static constexpr uint32_t UpdateSamples = 60;
    static constexpr float MaximumLateFrames = 6.0f;
    // The most frames a client runs ahead of its clock's count: a second. The server takes inputs up to
    // 120 frames early and a re-simulation replays at most 99 frames.
    static constexpr int32_t MaximumLead = 60;
    // The longest round trip the lead allows for, in frames: half a second. A stall holds up the acks
    // and swells the smoothed round trip for seconds after it, which would throw the client as far
    // ahead as the stall was long.
    static constexpr uint32_t MaximumRoundTrip = 30;
    // Frames a client may fall behind its place before it is moved: its ticks fall anywhere within a
    // frame of the clock, and the round trip it is placed by wavers.
    static constexpr uint32_t LateFrames = 2;
    // Frames a client may run beyond its place before it is moved back.
    static constexpr uint32_t FarAheadFrames = 30;
    // The frames each input message is sent for: the frame's own, and copies of the frames before it,
    // so that a lost packet costs no frame its input.
    static constexpr uint32_t InputCopies = 3;
    // How long a client that a full server denied waits before it asks again.
    static constexpr int64_t SeatRetryNanoseconds = 3'000'000'000;

    // Joins MatcherIp:MatcherPort over UDP, or over the transport when one is given (tests run
    // several roles in one process); the transport must outlive the role.
    ClientNetwork(GameContext& context, const ClientSettings& settings, uint64_t clientId,
                  Net::Transport* transport = nullptr);
    ~ClientNetwork() override;

    // Sends a packet only when the ticks have stalled or, outside play, none went for a tick: a client
    // sends at most one a tick.
    void Update(int64_t elapsed) override;
    void BeginLoading() override;
    void BeginPreparing() override;
    void BeginStarting() override;
    void Step(float dt) override;
    void SaveJournal() override;
    void BeginEnding() override;
    // Logs the packets the connection sent and received.
    void Stop() override;
    void ApplySimulatorSettings(float packetLoss, float duplication, float latency, float jitter) override;
    LocalDevices* GetLocalDevices() override { return &devices; }
    bool IsClient() const override { return true; }

    // The devices the local players play with; any may be null, and reads as nothing pressed. The
    // mouse aims from the window's centre until the game says where its views show the players.
    void SetDevices(Lumvek::ControllerDevice* controllerDevice, Lumvek::KeyboardDevice* keyboardDevice,
                    Lumvek::MouseDevice* mouseDevice, WindowSize windowSize, bool keyboardStandsIn = false);
    // What writes the journal when a match ends; without one none is written.
    void SetJournalWriter(JournalWriter writer) { journalWriter = std::move(writer); }
    // The path the last journal was written to, resolved; empty until one was.
    const std::string& GetSavedJournal() const override { return savedJournal; }

    int32_t GetClientIndex() const { return clientIndex; }
    bool WaitsForNextMatch() const override;
    uint32_t GetFrame() const { return frame; }
    uint32_t GetNextStateFrame() const { return nextStateFrame; }
    // How often, after its place at the start, the client was moved because its ticks fell behind its
    // clock or ran far ahead of it.
    uint32_t GetRealignments() const { return realignments; }
    // The frames this client keeps ahead of its clock's count since the start message; negative where
    // the server's first wait is longer than the round trip and the spare.
    int32_t GetLead() const { return lead; }
    // While the match played: the ticks stepped and the packets sent.
    uint64_t GetPlayTicks() const { return playTicks; }
    uint64_t GetPlayPackets() const { return playPackets; }
    // By index in this game's registry, found by the names the server offered; NoVotingOption for an
    // option this game does not have.
    const std::array<uint32_t, 3>& GetVotingOptions() const override { return votingOptions; }
    uint32_t GetChosenOption() const { return chosenOption; }
    bool ConfigurationsDiffer() const override { return leaveForConfigurationsAt >= 0; }

    // Tells the server of a local player's new parts on the reliable channel. Parts outside their
    // collections and players without a match id are not sent (logged); false then, or when the
    // connection cannot take the message now.
    bool SendSetLoadout(uint8_t player, uint32_t head, uint32_t core, uint32_t arms, uint32_t legs) override;

    // Tells the server of a local player's vote for option 0 to 2 on the reliable channel; players
    // without a match id are not sent (logged). False then, or when the connection cannot take it now.
    bool SendVote(uint8_t player, uint32_t choice) override;

    // Applies one message from the server, as Update does with each that arrives; the caller keeps it.
    void ApplyMessage(const Net::Message& message);
    // Set by the game system, before each Update, while its match loader fills the world: the world is
    // that thread's until it has finished, so the server's messages wait in the library's queues, in
    // order (a reliable one that finds no room there is sent again).
    void HoldMessages(bool hold) override { holdingMessages = hold; }

private:
    // Asks the server for a connection with a token of its own; false (logged) when none can be made.
    bool ConnectToServer();
    // A full server denied the connection: the client asks again every few seconds, for as long as it
    // runs, and takes the seat a leaving player frees. False when the failure was another.
    bool WaitForSeat();
    bool IsValidLoadout(uint32_t head, uint32_t core, uint32_t arms, uint32_t legs) const;
    // Polls the devices and reads every local player's controls for the frame into its world player,
    // keeping them as the frame's history entry, which a re-simulation replays.
    void GatherInput(uint32_t forFrame);
    // Keeps every local player's input for the frame as it stands and sends it, with the copies kept of
    // the frames before it.
    void SendInputs(uint32_t forFrame, uint32_t copies = InputCopies);
    // Sends the connection's packet now, counted when the match plays.
    void SendPackets();
    // The role's clock in seconds.
    double Now() const { return static_cast<double>(elapsed) / 1e9; }
    // The frame this client should be at by its clock's time (nanoseconds): the frames since the start
    // message, plus the lead by which its inputs reach the server before their deadlines.
    double PlaceFrame(int64_t at) const;
    // The lead for the current round trip: the server's first deadline comes its wait after it sent the
    // start message, which took part of the round trip to come, and each input takes the rest.
    int32_t LeadFrames() const;
    // Moves a client behind its place, or far ahead of it, to it.
    void KeepInStep();
    // Measures from a state how early the inputs reach the server: it steps each frame at its deadline
    // and its state comes back the rest of a round trip later, so the frames since the state's frame
    // was sent, less a round trip, are the margin. It raises the lead when the median margin of two
    // seconds' states in a row falls below the spare, or as soon as QuickSamples states do so by far, and
    // lowers it when a second's states show the inputs coming earlier than the spare and the slack, or as
    // soon as QuickSamples states do so by more than a frame.
    void TimeState(uint32_t serverFrame);
    // The spare for margins of the spread below their median: the minimum, the spread, the client's
    // late ticks, the copies a lost input waits for and a share of the round trip.
    float JudgeSpare(float spread) const;
    // The frames by which the client's recent ticks ran late: the third latest update of the last second.
    float LateTickFrames() const;
    // Changes the lead by the frames, moving the client on at once or sitting out ticks.
    void ChangeLead(int32_t frames);
    // Whether the newest states come later after their inputs left than the last judged second's did: the
    // path back got slower, and until the acks of the inputs sent since come back the round trip the client
    // measures is the old one, and their margins read too high by what it got slower by. A faster link
    // brings its states as soon or sooner: what the inputs gain on the way there is what they now wait.
    bool Slower() const;
    // Lowers the lead by the whole frames of the excess, at least one and at most MaximumLowerStep.
    void LowerLead(float excess);
    // Whether a line about the client's timing may be written now; first reports those left out.
    bool TakeTimingLine();
    // Goes on from the frame, sending and keeping the current input for the frames it skips forward.
    void MoveTo(uint32_t target);
    // The smoothed round trip to the server in frames, at most MaximumRoundTrip.
    float RoundTripFrames() const;
    // The event messages, each on the client's own world.
    void ApplyGameState(const GameStateMessage& received);
    void ApplyKill(const PlayerKilledMessage& killed);
    void RemovePickup(uint16_t id, bool fade);
    void RemoveProjectile(uint16_t id);
    void RemoveTrigger(uint16_t id);
    // What this machine can tell of why a connection that had come about ended.
    ClientLines::Ended Ending() const;
    // Says once in each wait for a vote that lasts that the client waits for players, or for the next
    // vote where the server holds its request.
    void NoteWaitForPlayers();
    // The server has added a local player: it took the request rather than hold it for its next wait.
    bool HasPlayersAdded() const;
    // The registry index of the loaded configuration of that name; NoVotingOption when there is none.
    uint32_t FindConfiguration(std::string_view name) const;
    // The server named a configuration this game lacks: says so once, tells the server which of its
    // options (none when negative), and leaves once the server lets it go or a second has passed.
    void LeaveForConfigurations(std::string_view name, int option);

    // A wait for the vote this long is told: longer than the shipped server waits for newcomers
    // (ConnectionTimeout), so a server that has its players begins its vote first.
    static constexpr int64_t PlayerWaitLineNanoseconds = 15'000'000'000;
    // A request unanswered this long after the connection came about is held by the server: it adds the
    // players of one it takes within a round trip.
    static constexpr int64_t HeldAfterNanoseconds = 3'000'000'000;
    // Seconds either end of a connection waits, hearing nothing, before it lets the connection go.
    static constexpr int ConnectionTimeoutSeconds = 10;

    GameContext& context;
    ClientSettings clientSettings;
    int64_t elapsed = 0;
    // The clock before the last update: the game system has stepped the frames up to it.
    int64_t steppedUntil = 0;
    int32_t clientIndex = -1;
    uint64_t clientId;
    // When a denied client asks again, by the role's clock; negative while it is not waiting to.
    int64_t seatRetryAt = -1;
    bool seatWaitLogged = false;
    uint32_t frame = 0;
    uint32_t nextStateFrame = 0;
    uint32_t realignments = 0;
    // The lines about late inputs and moves. A machine too slow for the clock falls behind in every frame
    // and is moved every time: a few lines a minute are written, and the rest counted. The peer's
    // address plays no part.
    LogBudget timingLines{6.0, 6.0};
    // When the start message came, by the role's clock, and the frames the client keeps ahead of the
    // count since then; it is placed once at its first tick of play.
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
    // The inputs sent for the last frames, by frame modulo InputCopies, for the copies.
    struct SentInputs
    {
        uint32_t frame = 0;
        bool kept = false;
        std::array<PlayerInput, AddPlayerMessage::MaxPlayers> inputs{};
    };
    std::array<SentInputs, InputCopies> sentInputs{};
    // The role's time when it last sent its packets, against which updates keep to one a tick.
    int64_t lastSent = -2 * TickNanoseconds;
    // The connection's packet counts as last seen while connected; a disconnection clears the library's.
    uint64_t packetsSent = 0;
    uint64_t packetsReceived = 0;
    // While the match played: the role's time, the ticks stepped and the packets sent.
    int64_t playTime = 0;
    uint64_t playTicks = 0;
    uint64_t playPackets = 0;
    bool countsLogged = false;
    // When the client, connected, began to wait for a vote, and whether its players had been added then;
    // negative while it does not wait.
    int64_t waitingSince = -1;
    bool waitAdded = false;
    bool playerWaitLogged = false;
    // When the connection came about, by the role's clock.
    int64_t connectedAt = 0;
    // The last update that came a whole connection time-out after the one before (the process stopped, the
    // machine suspended or too busy), and the role's clock when it came; zero before one did.
    int64_t stall = 0;
    int64_t stallEnded = 0;
    bool holdingMessages = false;
    // When a client whose configurations differ from the server's leaves at the latest; negative while
    // they do not.
    int64_t leaveForConfigurationsAt = -1;
    float intermission = 0.0f;
    std::array<uint32_t, 3> votingOptions{};
    uint32_t chosenOption = 0;
    MessageLimits limits;
    LocalDevices devices;
    // The platforms a state named, handed to the re-simulation; room for a full state's list.
    std::array<uint16_t, 8> statePlatforms{};
    // Stays at its default set-up with no frames: the journal records only that a match was played.
    Journal journal;
    JournalWriter journalWriter;
    std::string savedJournal;
    VantorelAdapter adapter;
    Net::DefaultAllocator allocator;
    std::unique_ptr<Net::Client> client;
    // "host:port" of the server, as every line names it.
    std::string serverText;
};
