#pragma once

#include "Engine/Foundation/Tick.h"
#include "Libraries/Net/Config.h"
#include "Libraries/Net/ConnectToken.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Network/ClientLines.h"
#include "Source/Network/NetworkSettings.h"
#include "Source/World/MatchEvents.h"

#include <array>
#include <cstdint>
#include <string>

class LocalDevices;

// Where a network role stands in the match it drives; the game system reads it every frame to decide
// when to start, load, begin, step, show the results of and leave a match.
enum class NetworkState : int32_t
{
    // Waiting for players (server), for the connection or the next vote (client), or for the menus.
    Waiting = 0,
    // A vote on the next game runs for the timer's duration.
    Voting = 1,
    // The next match is chosen; the game system starts it and calls BeginLoading.
    Configured = 2,
    Loading = 3,
    // Once its own load has finished the game system begins play and calls BeginPreparing.
    Loaded = 4,
    // The countdown before the start.
    Preparing = 5,
    // Once its render resources are ready the game system opens the match and calls BeginStarting.
    Prepared = 6,
    Playing = 7,
    // The match is over; the results show for EndDuration.
    Ended = 8,
    // The game system leaves the match and calls BeginEnding.
    Leaving = 9,
    // The intermission after a match.
    Ending = 10,
    // The role has stopped; the game system leaves any match and deletes the role.
    Stopped = 11,
};

// The match's progress, asked by name: the states' numbers are no order to compare by (Ending, the
// intermission after a match, comes after Ended). Loaded, Leaving and Stopped answer none of them.
// No match runs: its world is not made yet or is gone, and nothing refers to the configuration's player
// slots (waiting, voting, the intermission).
constexpr bool IsBetweenMatches(NetworkState state)
{
    return state == NetworkState::Waiting || state == NetworkState::Voting || state == NetworkState::Ending;
}
// The chosen match is being loaded.
constexpr bool IsLoading(NetworkState state)
{
    return state == NetworkState::Configured || state == NetworkState::Loading;
}
// The players see the match: its countdown, play and results.
constexpr bool IsInPlay(NetworkState state)
{
    return state == NetworkState::Preparing || state == NetworkState::Prepared || state == NetworkState::Playing ||
           state == NetworkState::Ended;
}

// A vote option that names no configuration of this game: its button stays empty.
inline constexpr uint32_t NoVotingOption = 0xFFFFFFFFu;

// The tick the roles count their clocks in.
using Lumvek::TickNanoseconds;

// The key connect tokens are sealed with: the server opens them with it, a client seals its own.
extern const uint8_t GameServerKey[Net::KeyBytes];

// The network role of the running game: a local game, a dedicated server or a client. All three drive
// a match through the same NetworkState machine; the base keeps the state, the timer of timed states,
// the networking library's configuration and the settings the role was made with. Owned by the game
// system, which deletes it after Stop; every operation runs on the application thread. It hears the
// match's events; a server passes them on to its clients.
class Network : public MatchEvents
{
public:
    // Fills the library's configuration: channel 0 reliable and ordered, channel 1 unreliable,
    // protocol 0, the simulator exactly when the settings ask for it. The role starts in Waiting and
    // changes state only through Enter; the timer and the duration are the subclass's to set.
    explicit Network(const NetworkSettings& settings);
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;
    ~Network() override;

    // Once per frame, before the game system reads the state: the library's traffic, and the timed
    // transitions.
    virtual void Update(int64_t elapsed) = 0;
    // The game system started the match in Configured.
    virtual void BeginLoading() = 0;
    // The game system began play in Loaded.
    virtual void BeginPreparing() = 0;
    // The game system opened the match in Prepared.
    virtual void BeginStarting() = 0;
    // One fixed tick of dt seconds while the state is Prepared, Playing or Ended: gathers the input,
    // steps the world and the game rules.
    virtual void Step(float dt) = 0;
    // The game rules ended the match: enters Ended and writes the match's journal.
    void SaveJournal() override = 0;
    // The game system left the match in Leaving.
    virtual void BeginEnding() = 0;
    // Enters Stopped and shuts the library's client or server down; called before the role is deleted.
    virtual void Stop() = 0;
    // Hands loss and duplication (percent), latency and jitter (milliseconds) to the library's network
    // simulator, when the role has one.
    virtual void ApplySimulatorSettings(float packetLoss, float duplication, float latency, float jitter);
    // The devices this machine's players play with; null for a role without local players.
    virtual LocalDevices* GetLocalDevices() { return nullptr; }

    // What the game system and its screens ask of whichever role runs; a role a question means nothing
    // to answers none and ignores the call.
    // A client of a dedicated server, which wants to hear of the local players' choices.
    virtual bool IsClient() const { return false; }
    // How the match's bots are named: from the profiles on a local game, by their ids online.
    virtual PlayerNaming GetBotNaming() const { return PlayerNaming::Ids; }
    // The front end started a local game.
    virtual void BeginVoting() {}
    // The vote's three options by registry index; NoVotingOption for an option there is none of.
    virtual const std::array<uint32_t, 3>& GetVotingOptions() const;
    // A local player's vote and new parts, told to the server; false when not sent.
    virtual bool SendVote(uint8_t player, uint32_t choice);
    virtual bool SendSetLoadout(uint8_t player, uint32_t head, uint32_t core, uint32_t arms, uint32_t legs);
    // The match loader fills the world while this holds: the server's messages wait until it ends.
    virtual void HoldMessages(bool) {}
    // The role stopped by itself because its last player left after a match.
    virtual bool LastPlayerLeft() const { return false; }
    // Connected, the client's request for its players is held by the server until the match, vote or
    // intermission it is in with other players has passed: it is added at the server's next wait.
    virtual bool WaitsForNextMatch() const { return false; }
    // The server offered or chose a configuration this game's list does not name: the client said so
    // and left, or is leaving.
    virtual bool ConfigurationsDiffer() const { return false; }
    // The path the last journal was written to, resolved; empty until one was.
    virtual const std::string& GetSavedJournal() const;
    // Why the role gave up on its server, in a player's words for the screen: what happened, and what
    // to check. Both empty when it did not (it stopped as asked, or serves no one but itself).
    virtual const ClientLines::OnScreen& GetStopReason() const;

    // The front end took a countdown back before it ran out: Waiting, with the timer at 0.
    void CancelCountdown()
    {
        timer = 0.0f;
        Enter(NetworkState::Waiting);
    }

    NetworkState GetState() const { return state; }
    const NetworkSettings& GetSettings() const { return settings; }
    const Net::ClientServerConfig& GetConfig() const { return config; }

    // Seconds spent in the current timed state, and how long it lasts: it ends on the update that takes
    // the timer strictly past the duration.
    float timer = 0.0f;
    float duration = 0.0f;

protected:
    // Adds the frame's time to the timer; true once the timer is strictly past the duration.
    bool AdvanceTimer(int64_t elapsed);
    // Every change of the state goes through here. Tests and tools drive a role through its calls in
    // orders the game system never takes, so the one rule it asserts is the one that holds for every
    // role: nothing moves a role out of Stopped but another stop.
    void Enter(NetworkState next);
    // Starts a timed state.
    void BeginTimedState(NetworkState next, float seconds);
    bool IsBetweenMatches() const { return ::IsBetweenMatches(state); }

    NetworkState state = NetworkState::Waiting;
    Net::ClientServerConfig config;
    NetworkSettings settings;
};

// The networking library's print function: formats like printf into at most 1,023 characters and
// writes the text to the engine log. Returns 0.
int NetworkLogHook(const char* format, ...) __attribute__((format(printf, 1, 2)));
