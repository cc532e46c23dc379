#pragma once

#include "Engine/Foundation/StringView.h"
#include "Libraries/Net/Address.h"
#include "Libraries/Net/NetcodeServer.h"
#include "Source/Network/Network.h"

#include <cstdint>
#include <string>
#include <string_view>

// Every line a dedicated server writes for its host: where it listens or why it cannot, how its wait
// for players goes, who joins, leaves or is sent away and why, what it refuses of its clients, and its
// totals as it stops. Each is made from plain facts that ServerNetwork (and the game system, as it makes
// the role) gathers, which keeps the protocol's code free of them and lets a test read every line against
// its facts without a socket. Pure functions, any thread.
namespace ServerLines
{

// What the server played over its life, for the stop line.
struct Play
{
    uint64_t frames = 0;
    int64_t milliseconds = 0;
    uint64_t incompleteFrames = 0;
    int64_t longestGapMilliseconds = 0;
    // The inputs timed against their deadlines, and their median and 5th percentile in frames.
    uint64_t timedInputs = 0;
    double median = 0.0;
    double fifthPercentile = 0.0;
};

// How a connection that held players, or waited to add them, ended.
struct Departure
{
    Net::ClientEnd end = Net::ClientEnd::Closed;
    // The seconds of silence after which the client times out.
    int32_t timeoutSeconds = 0;
    // A failing send (an errno value, 0 when the last one left) tells of this machine's network rather than
    // the client's leaving.
    int sendError = 0;
    // The server did not run for the client's time-out just before.
    bool serverStalled = false;
};

// Why the vote has no configuration to offer: the configurations whose names a vote cannot send, and those
// without room for their bots and MaximumPlayers players.
struct Unoffered
{
    size_t namesTooLong = 0;
    size_t withoutRoom = 0;
};

// As the role is made.
std::string NoLibsodium(Lumvek::StringView path);
// The socket did not open: the address, the system's reason and what to do about it.
std::string CannotListen(const std::string& hostingIp, uint16_t hostingPort, int error);
std::string NoSlots(uint32_t slots);
std::string LeftOutOfVote(const std::string& configuration, size_t bots, uint32_t maximumPlayers,
                          uint32_t matchPlayers);
// A configuration whose name, which the vote sends, is longer than a vote's message holds.
std::string NameTooLongForVote(std::string_view configuration, size_t maximumLength);
std::string NoConfigurationFits(uint32_t maximumPlayers, const Unoffered& leftOut, Lumvek::StringView path);
// Where it listens, with what to set for other machines when only this one can join.
std::string Listens(const Net::Address& bound, Lumvek::StringView path);
// Checked once a second: the machine no longer holds the one address the server is bound to, and the
// server stops.
std::string AddressLost(const Net::Address& bound);

// The state the server enters: each of them is a line of its own.
std::string Entered(NetworkState state);
// Once a wait that has lasted its time, while players are too few for a vote.
std::string FewPlayers(size_t players, uint32_t minimumPlayers);

// Connections and players.
std::string Connected(int client);
std::string Adding(uint32_t players, int client);
std::string Stayed(int client, int32_t players);
// A connection that held players, or waited to add them, ended: which way, and what to do about it.
std::string Disconnected(int client, const Departure& how);
// A request for players that came during a vote, a match or an intermission waits for the next wait for
// players.
std::string HoldsForNextMatch(int client, uint32_t players, NetworkState state);
// The update after the server did not run for its clients' time-out: it ends their connections.
std::string DidNotRun(double seconds, size_t connections);
std::string LeftWithoutPlayers(int client, double wait);
// Why a connection is sent away, and the line: its address may connect again after the wait.
std::string NoPlayerWithin(double seconds);
std::string NoNewInput(double seconds);
std::string SentAway(int client, const std::string& why, double wait);
std::string IdlePlayersRemoved(int client, size_t players, double seconds);
// The last players' connections ended before the vote (Voting) or the match (any other state) ended.
std::string EveryPlayerLeft(NetworkState state, int sendError);
// The last player's connection ended after a match: the server stops.
std::string LastPlayerLeft(uint32_t matches, int sendError);
// The same while connections that joined during the match wait to add their players: it waits again.
std::string LastPlayerLeftWhileOthersWait(uint32_t matches, size_t waiting);
// A client lacks a configuration the vote offers (by name): its list differs from the server's.
std::string LacksConfiguration(int client, std::string_view configuration);
std::string LacksConfigurationWithoutPlayers(int client);

// What the server refuses of its clients.
std::string RefusalsUnlogged(int client, size_t type);
std::string TooManyRefusals(int client, uint32_t refusals);
// What ("a loadout", "a vote", "input") for a player of another client.
std::string NotItsPlayer(int client, const char* what, uint32_t player);
// A part past the part lists, asked for a player's loadout, or as its client adds it.
std::string PartPastLists(int client, uint32_t player, bool adding);
std::string ServerOnlyMessage(int client, int type);
std::string LinesLeftOut(uint64_t count);
// Requests whose tokens name another server, since the last such line, and what the host sets.
std::string OtherServers(const Net::Address& own, uint64_t requests, const Net::Address& named);

// Frames stepped with an input missing: the first of a stretch one by one, the rest as a count.
std::string MissedInput(uint32_t frame);
std::string MissedMore(uint32_t frames, uint32_t upTo);

// As the role stops.
std::string PlayTotals(const Play& play);
std::string PacketTotals(uint64_t sent, uint64_t received);
std::string ConnectionLayerTotals(uint64_t taken, uint64_t dropped, uint64_t forOtherServers, uint64_t unread);
std::string RefusalTotals(uint64_t refused, uint64_t linesLeftOut);
std::string DeniedTotals(uint64_t denied, int playerlessPerHost);

} // namespace ServerLines
