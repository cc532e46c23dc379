#include "Source/Network/ClientLines.h"
#include "Source/Network/ServerLines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>

// What each role tells its player or host, from the facts it knows: where a fact changes the story, the
// line must change with it rather than blame the server, the players or nothing at all.
TEST(RoleLines, EachLineTellsWhatTheFactsShow)
{
    const std::string server = "[fd00::1]:40000";
    ClientLines::Ended addressGone{server, true, false, Net::Address("fd00::2"), 0.0, 0};
    ClientLines::Ended addressGoneSendsFail = addressGone;
    addressGoneSendsFail.sendError = EADDRNOTAVAIL;
    const ClientLines::Ended stalled{"10.0.0.1:40000", true, true, Net::Address("10.0.0.2"), 15.04, 0};
    const ClientLines::Unconnected turnedAwayThenSilent{
        "10.0.0.1", 40000, "connection request timed out", true, 0, Net::Address(), 0, true};
    const std::pair<std::string, const char*> rows[] = {
        // Held out of the match in play, as opposed to waiting with the server for more players.
        {ClientLines::WaitsForPlayers("10.0.0.1:40000", false, 0),
         "this client waits for the next vote: the server 10.0.0.1:40000 is in a match with other players, in its "
         "vote or in the intermission after a match, and adds this client's players once it waits for players again"},
        {ClientLines::WaitsForPlayers("10.0.0.1:40000", true, 1),
         "this client waits for players: the server 10.0.0.1:40000 begins a vote once enough have joined (1 here now)"},
        // Past one player the client cannot tell whether more are needed: it names what the vote waits for.
        {ClientLines::WaitsForPlayers("10.0.0.1:40000", true, 5),
         "this client waits for the vote: the server 10.0.0.1:40000 begins it once no one has joined for its "
         "ConnectionTimeout and MinimumPlayers are here, or at once when it is full (5 here now)"},
        // The server was there until it turned the client away: no checklist of a server never reached.
        {ClientLines::NotConnected(turnedAwayThenSilent),
         "could not connect to 10.0.0.1:40000 (connection request timed out): the server, which had turned this "
         "client away for now, stopped answering: it stopped, or the way to it broke. Start the client again to join "
         "it once it runs"},
        {ClientLines::NotConnected({"127.0.0.1", 40000, "disconnected", false, 0, Net::Address(), 0, false}),
         "could not connect to 127.0.0.1:40000 (disconnected): the server took the connection and closed it at once: "
         "it stopped, or sent this client away (its log says why). Start the client again to join it once it runs"},
        // Sends from a deleted address still leave on some systems: the client cannot say they did not arrive.
        {ClientLines::Disconnected(addressGone),
         "disconnected: this machine no longer holds the address the connection left from (fd00::2), so what the "
         "server [fd00::1]:40000 sent found no way back to it: start the client again to join from an address the "
         "machine holds"},
        {ClientLines::Disconnected(addressGoneSendsFail),
         "disconnected: this machine no longer holds the address the connection left from (fd00::2), so nothing more "
         "reached the server [fd00::1]:40000 or came back from it: start the client again to join from an address "
         "the machine holds"},
        {ClientLines::Disconnected(stalled),
         "disconnected: this client did not run for 15.0 seconds (the process was stopped, or the machine suspended or "
         "too busy), so the server 10.0.0.1:40000 heard nothing from it and let the connection go: start the client "
         "again to join"},
        // A server that lost its own way out says so, not that its players left.
        {ServerLines::Disconnected(0, {Net::ClientEnd::TimedOut, 10, ENETUNREACH}),
         "client 0's connection ended while nothing could be sent to it (Network is unreachable): this machine lost "
         "the address the client reached it at, or its way to the client"},
        // A player who quit, one whose program died and one the stalled server lost read differently.
        {ServerLines::Disconnected(3, {Net::ClientEnd::Left, 10}),
         "client 3 disconnected: it left (its program closed the connection)"},
        {ServerLines::Disconnected(3, {Net::ClientEnd::TimedOut, 10}),
         "client 3 disconnected: it timed out, as nothing came from it for 10 seconds: its program stopped or died, or "
         "its link to this machine went. It may join again once it runs"},
        {ServerLines::HoldsForNextMatch(2, 1, NetworkState::Playing),
         "holding client 2's 1 players for the next match: the server is in a match, and adds them once it waits for "
         "players again"},
        {ServerLines::NoConfigurationFits(15, {1, 2}, "Assets/server.config"),
         "no game configuration can be voted on: 1 configurations have names longer than a vote sends (the lines "
         "above name them): shorten them in Assets/Configurations/Configurations.json; the other 2 have no room for "
         "their bots and 15 players (lower MaximumPlayers in Assets/server.config). The server does not start"},
        {ServerLines::EveryPlayerLeft(NetworkState::Playing, ENETUNREACH),
         "every player's connection ended before the match ended while nothing could be sent to them (Network is "
         "unreachable): this machine lost the address they reached it at, or its way to them. Leaving the match"},
        {ServerLines::EveryPlayerLeft(NetworkState::Voting, 0), "every player left before the vote ended"},
        {ServerLines::AddressLost(Net::Address("fd00::1", 40000)),
         "this machine no longer holds fd00::1, the address the server listens at: nothing reaches it at "
         "[fd00::1]:40000 and nothing leaves from there, so the server stops. Start it again once the machine holds "
         "that address, or with HostingIp = \"::\" in Assets/server.config for every address of the machine"},
        // Nothing was timed: no median of nothing.
        {ServerLines::PlayTotals({}),
         "the server played 0 frames in 0 ms; 0 stepped with an input missing; the longest gap between two stepped "
         "frames was 0 ms; no input of a player came in play to be timed"},
        {ServerLines::PlayTotals({3647, 61016, 0, 37, 7294, 2.0, 1.9}),
         "the server played 3647 frames in 61016 ms; 0 stepped with an input missing; the longest gap between two "
         "stepped frames was 37 ms; inputs came a median of 2.0 frames before their deadlines, 1.9 at the 5th "
         "percentile"},
    };
    for (const auto& [line, expected] : rows)
        EXPECT_EQ(line, expected);
}
