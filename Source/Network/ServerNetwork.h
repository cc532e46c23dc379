#pragma once

#include "Libraries/Net/Memory.h"
#include "Libraries/Net/Server.h"
#include "Source/Network/Admission.h"
#include "Source/Network/Journal.h"
#include "Source/Network/Lockstep.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/GameMessage.h"
#include "Source/Network/Messages/MessageLimits.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Source/Network/Network.h"
#include "Source/Network/RemoteShots.h"
#include "Source/Network/SeatLine.h"
#include "Source/Network/ServerLines.h"
#include "Source/World/PlayerInput.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class GameContext;
class Player;
struct GameTypeEvent;
struct ScoreEntry;
struct Trigger;
enum class GameTypeEventClass : uint32_t;

// The authoritative role of a dedicated server: it takes clients and their players, runs the vote
// among three configurations, paces the clients through loading, preparing and starting, steps the
// match in ticks of 1/60 s from the players' inputs (up to a deadline, repeating a late player's last
// input), and ends each match with an intermission before the next vote. Owned by the game system;
// everything, the library server included, runs on the application thread. Its admission, vote and
// lockstep are units of their own that it feeds; what it tells its clients is in ServerBroadcasts.cpp
// and what it does with their messages in ServerReceive.cpp.
class ServerNetwork final : public Network
{
public:
    static constexpr uint32_t InputFrames = Lockstep::InputFrames;
    using InputBuffer = Lockstep::InputBuffer;
    using InputTiming = Lockstep::InputTiming;

    // Binds to HostingIp:HostingPort, or to the transport when one is given (tests run several roles in
    // one process); the transport must outlive the role. The seed picks the voting options.
    ServerNetwork(GameContext& context, const ServerSettings& settings, uint64_t seed,
                  Net::Transport* transport = nullptr);
    ~ServerNetwork() override;

    void Update(int64_t elapsed) override;
    void BeginLoading() override;
    void BeginPreparing() override;
    void BeginStarting() override;
    // The server steps inside Update.
    void Step(float) override {}
    void SaveJournal() override;
    void BeginEnding() override;
    // Logs the frames stepped, the time spent playing and the longest wait between two frames, and the
    // packets of the connections.
    void Stop() override;
    void ApplySimulatorSettings(float packetLoss, float duplication, float latency, float jitter) override;

    // What writes the journal when a match ends; without one none is written.
    void SetJournalWriter(JournalWriter writer) { journalWriter = std::move(writer); }
    // The path the last journal was written to, resolved; empty until one was.
    const std::string& GetSavedJournal() const override { return savedJournal; }

    // What the game rules and the world tell every client with players, as it happens. Each message
    // goes only where the channel can take it.
    bool HasListeners() const override { return true; }
    void SendScore(const std::vector<ScoreEntry>& teams, const std::vector<ScoreEntry>& players,
                   bool reliable) override;
    void SendPlayerSpawned(const Player& player) override;
    void SendPlayerKilled(const Player& victim, float angle, float speed) override;
    void SendPickupRemoved(uint16_t pickup, bool hadContents) override;
    void SendProjectileRemoved(uint16_t projectile) override;
    void SendShotFired(const Player& shooter, const WeaponData& weapon, const MuzzleInfo& muzzle) override;
    void SendTriggerCreated(const Trigger& trigger) override;
    void SendTriggerRemoved(uint16_t trigger) override;
    void SendGameTypeEvent(GameTypeEventClass eventClass, const GameTypeEvent& event) override;

    const ServerSettings& GetServerSettings() const { return serverSettings; }
    // False when the socket did not open or the slots did not fit: the role stops at its first update.
    bool IsListening() const { return server->IsRunning(); }
    // The server stopped by itself because its last player left after a match: what it was run for is done.
    bool LastPlayerLeft() const override { return lastPlayerLeft; }
    Net::Address GetAddress() const { return server->GetAddress(); }
    const std::vector<InputBuffer>& GetPlayers() const { return lockstep.GetPlayers(); }
    uint32_t GetFrame() const { return lockstep.GetFrame(); }
    // Frames stepped, over every match, while some player's input for them had not come.
    uint64_t GetIncompleteFrames() const { return lockstep.GetIncompleteFrames(); }
    // Over every match: how early the inputs came before their frames' deadlines.
    const InputTiming& GetInputTiming() const { return lockstep.GetInputTiming(); }
    // The longest time, in seconds of the role's clock, between two frames stepped in one match.
    double GetLongestStepGap() const { return lockstep.GetLongestStepGap(); }
    const std::array<uint32_t, 3>& GetVotingOptions() const override { return votingOptions; }
    uint32_t GetChosenOption() const { return chosenOption; }
    // The configurations the vote offers: those whose bots and MaximumPlayers players a match holds.
    // Empty when none does, and the server cannot run.
    const std::vector<uint32_t>& GetOfferedConfigurations() const { return offered; }
    // Why the configurations the vote does not offer are left out.
    const ServerLines::Unoffered& GetUnoffered() const { return unoffered; }
    const SeatLine& GetSeatLine() const { return admission.GetSeatLine(); }

private:
    using ClientSlot = Admission::ClientSlot;
    // A slot's client arriving (true) or leaving, as the library told it.
    struct ConnectionNotice
    {
        int client = 0;
        bool connected = false;
        // How a departure ended, and the client's time-out.
        Net::ClientEnd end = Net::ClientEnd::Closed;
        int32_t timeout = 0;
    };

    double Now() const { return static_cast<double>(elapsed) / 1e9; }
    // Removes the players of every client the library saw leave since the last call, before the slot
    // can pass to anyone else.
    void HandleConnectionNotices();
    // After an update that came the clients' time-out or more after the last, those clients have timed out
    // at their end: ends their connections, with a line. True when it ended any.
    bool EndStalledConnections(int64_t delta);
    // In Waiting makes the requests held since the match; in any state disconnects the connections
    // that asked for no player within the connection timeout of their arrival or of the last Waiting's
    // start.
    void AdmitClients();
    // During play, removes the players whose client sent no input that changes the game for
    // InactivityTimeout seconds; a client left without players is sent away.
    void RemoveIdlePlayers(int64_t delta);
    // Tells the clients with players, the one's own included, that the player left, and takes it out of the
    // lockstep and the world.
    void RemovePlayer(uint8_t player);
    // Brings the vote's high count down to the players present once they stayed below it for longer
    // than the connection timeout.
    void LowerMostPlayers();
    // The last player left before any match ended, or while other connections wait to add players: the
    // server goes back to waiting for players, leaving the match it was starting, if any.
    void ReturnToWaiting(bool announce = true);
    void BeginWaiting();
    // Through the admission, at the role's clock.
    bool Refuse(int client, GameMessageType type) { return admission.Refuse(client, type, Now()); }
    bool MayLog(int client, bool aboutPlayers = false) { return admission.MayLog(client, aboutPlayers, Now()); }
    void HandleMessage(int client, Net::Message& message);
    void AddPlayers(int client, uint32_t count, const AddPlayerMessage::Player* entries);
    void RemoveClient(const ConnectionNotice& departure);
    // Takes the vote, and shares the players over the chosen configuration's teams.
    void TallyVotes();
    // Steps every frame whose deadline has come, while the match lasts.
    void StepFrames();
    // The configuration player a client's message names; null (with a message) when the id is not one
    // of that client's players.
    struct Slot* OwnPlayer(int client, uint32_t player, GameMessageType type, const char* what);
    // The remote player with the id that has not left; null when there is none.
    struct RemotePlayerSlot* RemoteSlot(uint32_t player);
    // Creates, fills and sends a message to every slot with players; a channel that cannot take it
    // drops it.
    template <class Message, class Fill> void Broadcast(bool reliable, const Fill& fill);
    template <class Message, class Fill> void SendTo(int client, bool reliable, const Fill& fill);
    void SendPlayerAdded(int to, const InputBuffer& buffer);
    // Every client with players gets its own part of the world as it stands at the current frame.
    void SendGameStates(bool reliable);
    // The players' cameras decide what each client's state holds; they follow their players at the
    // rate the states go out.
    void StepCameras();
    // Adds what each connection sent and received since the last look to the role's totals.
    void CountPackets();
    // Logs the requests whose tokens named another server than this one since the last such line, at most
    // once a minute: strangers may send such tokens at will.
    void ReportOtherServers(double time);

    GameContext& context;
    ServerSettings serverSettings;
    int64_t elapsed = 0;
    uint32_t nextStateFrame = 0;
    double preparedTime = 0.0;
    double nextStateTime = 0.0;
    // The shots the states tell the clients of.
    ShotLog shots;
    // Holds the one record of each remote player: the admission and the configuration's slots go by it.
    Lockstep lockstep;
    std::array<uint32_t, 3> votingOptions{};
    uint32_t chosenOption = 0;
    uint64_t optionSeed;
    MessageLimits limits;
    std::vector<uint32_t> offered;
    ServerLines::Unoffered unoffered;
    // Since when the players present have been fewer than the high count; negative while they are not.
    double belowMostSince = -1.0;
    // The most players since Waiting began, or since the players were last too few for a vote; only a
    // higher count restarts its countdown.
    size_t mostPlayers = 0;
    // When the current Waiting began, by the role's clock.
    double waitingSince = 0.0;
    // Matches whose end was reached; until one is, the server waits on for players when the last
    // leaves.
    uint32_t endedMatches = 0;
    // The server stopped because its last player left after a match.
    bool lastPlayerLeft = false;
    // The last player left after a match while other connections waited to add players: should they all
    // go without adding any, the server stops as it would have then.
    bool stopOwed = false;
    // The connections this update ends went because the server did not run for their time-out.
    bool stalled = false;
    // The wait for players said that they are too few for a vote.
    bool fewPlayersLogged = false;
    // Stays at its default set-up with no frames: the journal records only that a match was played.
    Journal journal;
    JournalWriter journalWriter;
    std::string savedJournal;
    VantorelAdapter adapter;
    // Filled from inside the library's calls and emptied by HandleConnectionNotices.
    std::vector<ConnectionNotice> notices;
    Net::DefaultAllocator allocator;
    std::unique_ptr<Net::Server> server;
    // What the admission knows of the library's slots: the library's connections and the lockstep's players.
    class SlotConnections final : public Admission::Connections
    {
    public:
        SlotConnections(Net::Server& server, const Lockstep& lockstep) : server(server), lockstep(lockstep) {}
        int GetMaxClients() const override { return server.GetMaxClients(); }
        bool IsConnected(int client) const override { return server.IsClientConnected(client); }
        Net::Address GetAddress(int client) const override { return server.GetClientAddress(client); }
        size_t CountPlayers(int client) const override { return lockstep.CountPlayers(client); }
        void Disconnect(int client) override { server.DisconnectClient(client); }

    private:
        Net::Server& server;
        const Lockstep& lockstep;
    };
    SlotConnections connections;
    // The slots of the library's clients and who may take them.
    Admission admission;
    // Over every match of the role: frames stepped and the time spent playing them.
    uint64_t playedFrames = 0;
    int64_t playedTime = 0;
    // The library's counts per slot as last seen, which start again with each new connection, and the
    // totals they add up to.
    struct PacketCounts
    {
        uint64_t sent = 0;
        uint64_t received = 0;
    };
    std::vector<PacketCounts> seenPackets;
    PacketCounts packets;
    // The requests for another server counted by the last line about them, and when the next may come.
    static constexpr double OtherServersLinePeriod = 60.0;
    uint64_t reportedOtherServers = 0;
    double nextOtherServersLine = 0.0;
    // How often, in seconds of the role's clock, the server asks whether its machine still holds the address
    // it is bound to, and when it asks next.
    static constexpr double AddressCheckSeconds = 1.0;
    double nextAddressCheck = 0.0;
    // The game system may stop a role again after it has stopped: the totals are logged once.
    bool countsLogged = false;
};

template <class Message, class Fill> inline void ServerNetwork::SendTo(int client, bool reliable, const Fill& fill)
{
    constexpr GameMessageType type = Message::Type;
    Net::Message* created = server->CreateMessage(client, static_cast<int>(type));
    if (!created)
        return;
    fill(static_cast<Message&>(*created));
    const int channel = static_cast<int>(GetMessageChannel(type, reliable));
    if (server->CanSendMessage(client, channel))
        server->SendMessage(client, channel, created);
    else
        server->ReleaseMessage(client, created);
}

template <class Message, class Fill> inline void ServerNetwork::Broadcast(bool reliable, const Fill& fill)
{
    for (size_t i = 0; i < admission.GetSlotCount(); ++i)
        if (admission.HasPlayers(static_cast<int>(i)))
            SendTo<Message>(static_cast<int>(i), reliable, fill);
}
