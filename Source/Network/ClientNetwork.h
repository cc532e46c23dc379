#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Libraries/Net/Client.h"
#include "Libraries/Net/Memory.h"
#include "Source/Network/ClientInputs.h"
#include "Source/Network/ClientLines.h"
#include "Source/Network/InputLead.h"
#include "Source/Network/Journal.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/MessageLimits.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Source/Network/Network.h"
#include "Source/Network/RemoteShots.h"
#include "Source/World/PlayerInput.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class GameContext;
class GameStateMessage;
class GameTypeEventMessage;
class PickupRemovedMessage;
class PlayerKilledMessage;
class PlayerSpawnedMessage;
class ScoreMessage;
class TriggerCreatedMessage;

// The role of a player's machine that joins a dedicated server: it connects with a token it makes
// itself, announces its local players, follows the server through the vote, loading, preparing and
// starting, sends each local player's input every tick and mirrors what the server decides. Owned by
// the game system; everything, the library client included, runs on the application thread.
class ClientNetwork final : public Network
{
public:
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
    LocalDevices* GetLocalDevices() override { return &inputs.Devices(); }
    bool IsClient() const override { return true; }

    // The devices the local players play with; any may be null, and reads as nothing pressed. The
    // mouse aims from the window's centre until the game says where its views show the players.
    void SetDevices(Lumvek::ControllerDevice* controllerDevice, Lumvek::KeyboardDevice* keyboardDevice,
                    Lumvek::MouseDevice* mouseDevice, WindowSize windowSize, bool keyboardStandsIn = false);
    // What writes the journal when a match ends; without one none is written.
    void SetJournalWriter(JournalWriter writer) { journalWriter = std::move(writer); }
    // The path the last journal was written to, resolved; empty until one was.
    const std::string& GetSavedJournal() const override { return savedJournal; }
    const ClientLines::OnScreen& GetStopReason() const override { return stopReason; }

    int32_t GetClientIndex() const { return clientIndex; }
    bool WaitsForNextMatch() const override;
    uint32_t GetFrame() const { return frame; }
    uint32_t GetNextStateFrame() const { return nextStateFrame; }
    // The client's moves to its place after the start, and the frames it keeps ahead of its clock: see InputLead.
    uint32_t GetRealignments() const { return inputLead.GetRealignments(); }
    int32_t GetLead() const { return inputLead.GetLead(); }
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
    // Sends the connection's packet now, counted when the match plays.
    void SendPackets();
    // The role's clock in seconds.
    double Now() const { return static_cast<double>(elapsed) / 1e9; }
    // Moves the client to the frame its lead names at this update, where it fell out of step.
    void KeepInStep();
    // A predicted tick of the world, and what this machine's players notice in it.
    void StepWorld(float dt);
    // What the connection measures now of the link, for the lead.
    InputLead::Link MeasuredLink() const;
    // The server's messages, one each, as ApplyMessage hands them on: the players and the control
    // messages on the client's configuration and state,
    void ApplyPlayerAdded(const PlayerAddedMessage& added);
    void ApplyPlayerRemoved(const PlayerRemovedMessage& removed);
    void ApplyVotingOptions(const VotingOptionsMessage& voting);
    void ApplySetConfiguration(const SetConfigurationMessage& chosen);
    void ApplySetLoadouts(const SetLoadoutsMessage& loadouts);
    void ApplyStartGame();
    void ApplyEndGame(const EndGameMessage& ended);
    // the states and the event messages on the client's own world,
    void ApplyGameState(const GameStateMessage& received);
    void ApplyPlayerSpawned(const PlayerSpawnedMessage& spawned);
    void ApplyKill(const PlayerKilledMessage& killed);
    void RemovePickup(const PickupRemovedMessage& removed);
    void RemoveProjectile(uint16_t id);
    void RemoveTrigger(uint16_t id);
    void CreateTrigger(const TriggerCreatedMessage& created);
    // and the scores and lines on the rules.
    void ApplyScore(const ScoreMessage& scores);
    void ApplyGameTypeEvent(const GameTypeEventMessage& line);
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
    // The lead by which the inputs go ahead of the clock, and the inputs sent.
    InputLead inputLead;
    ClientInputs inputs;
    // The shots of other machines' players the states named, each played once.
    HeardShots heardShots;
    // The platforms a state named, handed to the re-simulation; room for a full state's list.
    std::array<uint16_t, 8> statePlatforms{};
    // Stays at its default set-up with no frames: the journal records only that a match was played.
    Journal journal;
    JournalWriter journalWriter;
    std::string savedJournal;
    // Why the role gave up on its server, for the screen.
    ClientLines::OnScreen stopReason;
    VantorelAdapter adapter;
    Net::DefaultAllocator allocator;
    std::unique_ptr<Net::Client> client;
    // The local players' inputs go out through the connection, on the unreliable channel.
    class InputConnection final : public ClientInputs::Sender
    {
    public:
        explicit InputConnection(Net::Client& client) : client(client) {}
        void SendInput(uint32_t frame, uint8_t player, const PlayerInput& input) override;

    private:
        Net::Client& client;
    };
    InputConnection inputConnection{*client};
    // "host:port" of the server, as every line names it.
    std::string serverText;
};
