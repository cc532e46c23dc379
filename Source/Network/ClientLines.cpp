#include "Source/Network/ClientLines.h"

#include "Engine/Foundation/Pattern.h"
#include "Libraries/Net/NetcodeClient.h"
#include "Source/Network/NetworkSettings.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace Lumvek;

namespace
{

// A number of frames with one decimal, as the text shows it.
std::string Tenths(float frames)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f", double(frames));
    return text.data();
}

// What a player can check when no answer came: a request that times out tells nothing of why, unless the
// answers came from another address than the one dialled.
std::string WhatToCheck(const ClientLines::Unconnected& facts)
{
    const Net::Address server(facts.matcherIp.c_str());
    const bool ipv6 = server.GetType() == Net::ADDRESS_IPV6;
    const Net::Address& elsewhere = facts.strayFrom;
    if (elsewhere.IsValid())
        return FormatText(": {} answers came from {}, and a client takes answers only from the address it dials. Set "
                          "MatcherIp = \"{}\"{} in {} (a router that forwards its address to a server on its own "
                          "network, without rewriting the answers, does this)",
                          facts.strayAnswers, elsewhere.ToString(), elsewhere.HostText(),
                          elsewhere.GetPort() == facts.matcherPort
                              ? std::string()
                              : FormatText(" and MatcherPort = {}", elsewhere.GetPort()),
                          ClientRoleFile);
    // The server answered until it turned the client away: it was there and reachable then.
    if (facts.turnedAway)
        return ": the server, which had turned this client away for now, stopped answering: it stopped, or the way "
               "to it broke. Start the client again to join it once it runs";
    if (server.IsLoopback())
        return FormatText(": nothing answered on this machine, which {} is. A server on another machine needs its "
                          "address as MatcherIp in {}; one on this machine must run with HostingPort {} (MatcherPort) "
                          "and HostingIp \"{}\" or \"{}\" (one on \"{}\" takes no {} client)",
                          facts.matcherIp, ClientRoleFile, facts.matcherPort, facts.matcherIp, ipv6 ? "::" : "0.0.0.0",
                          ipv6 ? "0.0.0.0" : "::", ipv6 ? "IPv6" : "IPv4");
    // A server serves one family, and one bound to an address is reached at that address alone. A router's
    // address is none a server can bind: the router forwards the port to it.
    const char* every = ipv6 ? "::" : "0.0.0.0";
    return FormatText(": the server did not answer. Check that it runs, that its HostingIp is \"{}\" or \"{}\", the "
                      "address dialled (one on \"{}\" takes no {} client, and one on {} or on another of its "
                      "machine's addresses is not reached at {}), that its HostingPort is {} as MatcherPort is, and "
                      "that UDP on port {} is let in to it. If {} is a router's address, the router must forward UDP "
                      "port {} to the server's machine, whose HostingIp is then \"{}\"",
                      every, server.HostText(), ipv6 ? "0.0.0.0" : "::", ipv6 ? "IPv6" : "IPv4",
                      ipv6 ? "::1" : "127.0.0.1", server.HostText(), facts.matcherPort, facts.matcherPort,
                      server.HostText(), facts.matcherPort, every);
}

// What a player can check when no request left: the system's reason is this machine's, not the server's.
std::string WhatToCheckUnsent(const ClientLines::Unconnected& facts)
{
    const Net::Address server(facts.matcherIp.c_str());
    const bool ipv6 = server.GetType() == Net::ADDRESS_IPV6;
    if (facts.sendError == EAFNOSUPPORT)
        return FormatText(": this machine has no {}. Set MatcherIp to the server's {} address in {}",
                          ipv6 ? "IPv6" : "IPv4", ipv6 ? "IPv4" : "IPv6", ClientRoleFile);
    if (server.IsLoopback())
        return FormatText(": this machine does not reach its own address {}, so its loopback interface (lo) is down "
                          "or it runs without a network. Bring lo up, then start the client again",
                          server.HostText());
    return FormatText(": this machine has no way to {}. Check that it is on a network that reaches the server, then "
                      "start the client again",
                      server.HostText());
}

} // namespace

namespace ClientLines
{

std::string ServerName(const std::string& matcherIp, uint16_t matcherPort)
{
    const Net::Address address(matcherIp.c_str(), matcherPort);
    return address.IsValid() ? address.ToString() : FormatText("{}:{}", matcherIp, matcherPort);
}

std::string NoLibsodium(Lumvek::StringView path)
{
    return FormatText("a client cannot join a server without libsodium: {} is not used", path);
}

std::string LinkLocalSource(const std::string& server, const Net::Address& source)
{
    return FormatText("this machine reaches the server {} from its link-local address {} alone, which a server cannot "
                      "answer: give it an IPv6 address of the server's network",
                      server, source.HostText());
}

std::string NoToken(const std::string& server)
{
    return FormatText("cannot make a connect token for the server {}", server);
}

std::string TurnedAway(const std::string& server, int64_t retrySeconds)
{
    return FormatText("the server {} turned this client away for now: the server is full, or others from this address "
                      "are still joining. It asks again every {} seconds",
                      server, retrySeconds);
}

std::string Connecting(int32_t clientIndex)
{
    return FormatText("connecting as {}", clientIndex);
}

std::string NotConnected(const Unconnected& facts)
{
    const std::string server = ServerName(facts.matcherIp, facts.matcherPort);
    // Requests that never left the machine tell nothing of the server: the system's reason is the news.
    if (facts.sendError != 0)
        return FormatText("could not connect to {}: no connection request could be sent ({}){}", server,
                          std::strerror(facts.sendError), WhatToCheckUnsent(facts));
    // The server answered: what it did next is the reason.
    if (facts.state == Net::NetcodeClientStateName(Net::NETCODE_CLIENT_STATE_DISCONNECTED))
        return FormatText("could not connect to {} ({}): the server took the connection and closed it at once: it "
                          "stopped, or sent this client away (its log says why). Start the client again to join it "
                          "once it runs",
                          server, facts.state);
    if (facts.state == Net::NetcodeClientStateName(Net::NETCODE_CLIENT_STATE_CONNECTION_RESPONSE_TIMED_OUT) ||
        facts.state == Net::NetcodeClientStateName(Net::NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT))
        return FormatText("could not connect to {} ({}): the server answered, then went silent: it stopped, or the "
                          "way to it broke. Start the client again to join it once it runs",
                          server, facts.state);
    return FormatText("could not connect to {} ({}){}", server, facts.state,
                      facts.requestTimedOut ? WhatToCheck(facts) : std::string());
}

OnScreen NotConnectedOnScreen(const Unconnected& facts)
{
    const std::string server = ServerName(facts.matcherIp, facts.matcherPort);
    if (facts.sendError != 0)
        return {FormatText("NO REQUEST COULD LEAVE FOR {}", server),
                FormatText("This machine reaches no network that way ({})", std::strerror(facts.sendError))};
    if (facts.turnedAway)
        return {FormatText("THE SERVER AT {} STOPPED ANSWERING", server), "Start the game again once it runs"};
    if (facts.requestTimedOut)
        return {FormatText("NO SERVER ANSWERED AT {}", server),
                FormatText("Is a server running there? Its address is MatcherIp in {}", ClientRoleFile)};
    return {FormatText("COULD NOT CONNECT TO {}", server), "The game's log says why"};
}

OnScreen DisconnectedOnScreen(const Ended& facts)
{
    return {FormatText("THE CONNECTION TO {} ENDED", facts.server),
            facts.timedOut ? "The server stopped answering: is it still running?"
                           : "The server stopped, or sent this game away"};
}

std::string Disconnected(const Ended& facts)
{
    // A server that stopped says goodbye, and so does one that sends a client away (its own log says why).
    if (!facts.timedOut)
        return FormatText("disconnected: the server {} closed the connection: it stopped, or sent this client away "
                          "(its log says why). Start the client again to join it once it runs",
                          facts.server);
    // A silence may be this machine's own: the server may have answered all along. Sends from an address
    // the machine no longer holds fail on some systems and still leave on others, where the server hears
    // them and its answers find no way back.
    if (!facts.holdsAddress)
        return FormatText("disconnected: this machine no longer holds the address the connection left from ({}), so "
                          "{}: start the client again to join from an address the machine holds",
                          facts.own.HostText(),
                          facts.sendError != 0
                              ? FormatText("nothing more reached the server {} or came back from it", facts.server)
                              : FormatText("what the server {} sent found no way back to it", facts.server));
    // The silence was this client's own when it did not run for a whole time-out shortly before.
    if (facts.stallSeconds > 0.0)
        return FormatText("disconnected: this client did not run for {} seconds (the process was stopped, or the "
                          "machine suspended or too busy), so the server {} heard nothing from it and let the "
                          "connection go: start the client again to join",
                          std::round(facts.stallSeconds * 10.0) / 10.0, facts.server);
    if (facts.sendError != 0)
        return FormatText("disconnected: nothing could be sent to the server {} ({}): start the client again once "
                          "this machine reaches it",
                          facts.server, std::strerror(facts.sendError));
    return FormatText("disconnected: the server {} went silent: it stopped, or the way to it broke. Start the client "
                      "again to join it once it runs",
                      facts.server);
}

std::string WaitsForPlayers(const std::string& server, bool added, size_t here)
{
    if (!added)
        return FormatText("this client waits for the next vote: the server {} is in a match with other players, in "
                          "its vote or in the intermission after a match, and adds this client's players once it "
                          "waits for players again",
                          server);
    // The client does not know the server's MinimumPlayers: with company it can say only what the vote
    // waits for beside it.
    if (here > 1)
        return FormatText("this client waits for the vote: the server {} begins it once no one has joined for its "
                          "ConnectionTimeout and MinimumPlayers are here, or at once when it is full ({} here now)",
                          server, here);
    return FormatText(
        "this client waits for players: the server {} begins a vote once enough have joined ({} here now)", server,
        here);
}

std::string RequestCounts(uint64_t requests, uint64_t received, bool turnedAway)
{
    return FormatText("the client sent {} connection requests and received {} packets{}", requests, received,
                      turnedAway ? "; the server had turned it away for now" : "");
}

std::string PacketCounts(uint64_t sent, uint64_t received)
{
    return FormatText("the client sent {} packets and received {}", sent, received);
}

std::string PlayCounts(uint64_t ticks, int64_t milliseconds, uint64_t packets)
{
    return FormatText("the client played {} ticks in {} ms and sent {} packets in them", ticks, milliseconds, packets);
}

std::string MovedToClock(uint32_t frame, uint32_t target)
{
    return FormatText("this client was at frame {} where its clock put it at {}: going on from there", frame, target);
}

std::string InputsShort(float margin, float spare, int32_t lead)
{
    return FormatText("this client's inputs reach the server with {} frames to spare, fewer than {}: it keeps {} "
                      "frames ahead of its clock now",
                      Tenths(margin), Tenths(spare), lead);
}

std::string TimingLeftOut(uint64_t count)
{
    return FormatText("lines about this client's timing left out of the log: {}", count);
}

std::string LeadAtEnd(int32_t lead, float margin, float spare)
{
    return FormatText("at the end of the match this client kept {} frames ahead of its clock; its inputs reached the "
                      "server with {} frames to spare, for a spare of {}",
                      lead, Tenths(margin), Tenths(spare));
}

std::string ConfigurationMissing(const std::string& server, bool offered, std::string_view configuration)
{
    return FormatText("the server {} {} the configuration \"{}\", which this game's "
                      "Assets/Configurations/Configurations.json does not name: its configurations differ from the "
                      "server's, so this client cannot play its matches and leaves. Give this machine the server's "
                      "Assets/Configurations, then start the client again",
                      server, offered ? "offers" : "chose", configuration);
}

std::string LengthNotANumber(float seconds)
{
    return FormatText("the server gave a length of time of {} seconds: taken as 0", seconds);
}

std::string PartPastLists(uint32_t player)
{
    return FormatText("the server gave player {} a part past the part lists: it keeps its parts", player);
}

std::string LoadoutNotSent(uint32_t player)
{
    return FormatText("the loadout of player {} is not sent: it names parts this game does not have", player);
}

std::string VoteNotSent(uint32_t player, uint32_t option)
{
    return FormatText("the vote of player {} for option {} is not sent: outside what the server takes", player, option);
}

} // namespace ClientLines
