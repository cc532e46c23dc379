#pragma once

#include "Engine/Foundation/StringView.h"
#include "Libraries/Net/Address.h"

#include <cstdint>
#include <string>
#include <string_view>

// Every line a client writes for its player: why it could not connect or lost its connection and what
// to do about it, how it waits, what of the server's messages it could not take and how its timing went.
// Each is made from plain facts that ClientNetwork gathers, which keeps the protocol's code free of them
// and lets a test read every line against its facts without a connection. Pure functions, any thread.
namespace ClientLines
{

// What a client knows when its connection never came about.
struct Unconnected
{
    std::string matcherIp;
    uint16_t matcherPort = 0;
    // The connection layer's state as it gave up, by name, and whether its requests went unanswered.
    std::string state;
    bool requestTimedOut = false;
    // The system's reason that no request could leave; 0 once one did.
    int sendError = 0;
    // Where answers came from other than the address dialled, and how many; invalid when none did.
    Net::Address strayFrom;
    uint64_t strayAnswers = 0;
    // The server had turned the client away for now, and it was waiting for a seat.
    bool turnedAway = false;
};

// What a client knows when a connection that had come about ended.
struct Ended
{
    std::string server;
    // Nothing came from the server for the connection's time-out; otherwise the server closed it.
    bool timedOut = false;
    // Whether the machine still holds the address the connection left from, and that address.
    bool holdsAddress = true;
    Net::Address own;
    // The seconds the client did not run, when it did not for a whole time-out shortly before; 0 otherwise.
    double stallSeconds = 0.0;
    // The system's reason the last send failed; 0 when it left.
    int sendError = 0;
};

// What a screen tells a player of a role that gave up on its server: what happened, and what to check.
struct OnScreen
{
    std::string what;
    std::string check;
};

// The server as every line names it: an IPv6 host in brackets before its port.
std::string ServerName(const std::string& matcherIp, uint16_t matcherPort);

// The role cannot be made: connect tokens are sealed with libsodium.
std::string NoLibsodium(Lumvek::StringView path);
// As it starts, a client whose machine reaches the server from a link-local address alone.
std::string LinkLocalSource(const std::string& server, const Net::Address& source);
// The client could not make itself a token (an address the settings check let through, or no libsodium).
std::string NoToken(const std::string& server);
// Once a wait: the server denied the client for now, and it asks again every few seconds.
std::string TurnedAway(const std::string& server, int64_t retrySeconds);
std::string Connecting(int32_t clientIndex);
// The role ends: no connection came about.
std::string NotConnected(const Unconnected& facts);
// The role ends: the connection that had come about ended.
std::string Disconnected(const Ended& facts);
// The same two ends as the screen tells them; the log's line says more.
OnScreen NotConnectedOnScreen(const Unconnected& facts);
OnScreen DisconnectedOnScreen(const Ended& facts);
// Once a wait for a vote that lasts: whether the server added the client's players (it waits for more
// players to vote) or holds its request for the next wait, as it does for one made during its vote, a
// match or its intermission; and the players the client knows of.
std::string WaitsForPlayers(const std::string& server, bool added, size_t here);

// As the role stops: what the connection, or the connection requests, sent and received, and the play.
std::string RequestCounts(uint64_t requests, uint64_t received, bool turnedAway);
std::string PacketCounts(uint64_t sent, uint64_t received);
std::string PlayCounts(uint64_t ticks, int64_t milliseconds, uint64_t packets);

// The client's timing: a move to where its clock puts it, a raised lead, the lines left out, and the
// lead as a match ends. Margins and spares in frames, rounded to tenths.
std::string MovedToClock(uint32_t frame, uint32_t target);
std::string InputsShort(float margin, float spare, int32_t lead);
std::string TimingLeftOut(uint64_t count);
std::string LeadAtEnd(int32_t lead, float margin, float spare);

// The server offered (in its vote) or chose a configuration, by name, that this game's list does not
// name: the lists differ, and the client leaves.
std::string ConfigurationMissing(const std::string& server, bool offered, std::string_view configuration);

// What the client does not take from the server, or does not send.
std::string LengthNotANumber(float seconds);
std::string PartPastLists(uint32_t player);
std::string LoadoutNotSent(uint32_t player);
std::string VoteNotSent(uint32_t player, uint32_t option);

} // namespace ClientLines
