#include "Source/Network/ServerLines.h"

#include "Engine/Foundation/Pattern.h"
#include "Source/Network/NetworkSettings.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace Lumvek;

namespace
{

// A number of frames with one decimal.
std::string Tenths(double frames)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f", frames);
    return text.data();
}

const char* EveryAddressOf(const Net::Address& address)
{
    return address.GetType() == Net::ADDRESS_IPV6 ? "::" : "0.0.0.0";
}

// What a host sets when its players' tokens name another address or port than the server's: the
// requests came here, so a router forwards them, or the players dial what the server is not bound to.
std::string WhatToSet(const Net::Address& own, const Net::Address& named)
{
    if (named.GetPort() != own.GetPort())
        return FormatText("the ports differ. A router must forward the same port outside and in (HostingPort {}), "
                          "and MatcherPort is that port",
                          own.GetPort());
    const bool ipv6 = named.GetType() == Net::ADDRESS_IPV6;
    if (named.GetType() != own.GetType())
        return FormatText("this server serves {} alone. For {} players set HostingIp = \"{}\"", ipv6 ? "IPv4" : "IPv6",
                          ipv6 ? "IPv6" : "IPv4", ipv6 ? "::" : "0.0.0.0");
    return FormatText("behind a port forward set HostingIp = \"{}\", which takes tokens for the router's address "
                      "too; otherwise players set MatcherIp to the server's own address",
                      ipv6 ? "::" : "0.0.0.0");
}

// Connections that end while nothing leaves for them ended on this machine's side: its address or its way
// to them went. The last send tells, since the server sends to every connection every update.
std::string WhileSendsFail(int sendError, bool several)
{
    return several ? FormatText(" while nothing could be sent to them ({}): this machine lost the address they reached "
                                "it at, or its way to them",
                                std::strerror(sendError))
                   : FormatText(" while nothing could be sent to it ({}): this machine lost the address the client "
                                "reached it at, or its way to the client",
                                std::strerror(sendError));
}

} // namespace

namespace ServerLines
{

std::string NoLibsodium(StringView path)
{
    return FormatText("a dedicated server cannot start without libsodium: {} is not used", path);
}

std::string CannotListen(const std::string& hostingIp, uint16_t hostingPort, int error)
{
    const std::string host = hostingIp.empty() ? "0.0.0.0" : hostingIp;
    const Net::Address address(host.c_str(), hostingPort);
    std::string what;
    if (error == EADDRNOTAVAIL)
        what = FormatText(": HostingIp \"{}\" is no address of this machine. Set one of its addresses, or \"{}\" for "
                          "every one",
                          host, EveryAddressOf(address));
    else if (error == EADDRINUSE)
        what = FormatText(": another program, or another server, holds port {} there. Stop it or set another "
                          "HostingPort",
                          hostingPort);
    return FormatText("the server cannot listen at {}: {}{}", address.ToString(), std::strerror(error), what);
}

std::string NoSlots(uint32_t slots)
{
    return FormatText("the server could not start its {} client slots", slots);
}

std::string LeftOutOfVote(const std::string& configuration, size_t bots, uint32_t maximumPlayers, uint32_t matchPlayers)
{
    return FormatText("the configuration {} is left out of the vote: its {} bots and {} players (MaximumPlayers) "
                      "would not all have a place among the {} players of a match",
                      configuration, bots, maximumPlayers, matchPlayers);
}

std::string NameTooLongForVote(std::string_view configuration, size_t maximumLength)
{
    return FormatText("the configuration {} is left out of the vote: its name is longer than the {} bytes a vote "
                      "sends",
                      configuration, maximumLength);
}

std::string NoConfigurationFits(uint32_t maximumPlayers, const Unoffered& leftOut, StringView path)
{
    if (leftOut.namesTooLong == 0 && leftOut.withoutRoom == 0)
        return "there is no game configuration to vote on: Assets/Configurations/Configurations.json names none "
               "that could be read (the lines above say why). The server does not start";
    if (leftOut.namesTooLong == 0)
        return FormatText("no game configuration has room for its bots and {} players (MaximumPlayers in {}): the "
                          "server does not start",
                          maximumPlayers, path);
    const std::string names = FormatText("{} configurations have names longer than a vote sends (the lines above "
                                         "name them): shorten them in Assets/Configurations/Configurations.json",
                                         leftOut.namesTooLong);
    if (leftOut.withoutRoom == 0)
        return FormatText("no game configuration can be voted on: {}. The server does not start", names);
    return FormatText("no game configuration can be voted on: {}; the other {} have no room for their bots and {} "
                      "players (lower MaximumPlayers in {}). The server does not start",
                      names, leftOut.withoutRoom, maximumPlayers, path);
}

std::string Listens(const Net::Address& bound, StringView path)
{
    // A socket serves one family: bound to :: it takes no IPv4 client.
    if (bound.IsEveryAddress())
        return FormatText("a dedicated server listens on port {} at every {}address of this machine ({})",
                          bound.GetPort(), bound.GetType() == Net::ADDRESS_IPV6 ? "IPv6 " : "", bound.HostText());
    if (bound.IsLoopback())
        return FormatText("a dedicated server listens on port {} at {}: only this machine can join it; for other "
                          "machines set HostingIp = \"{}\" in {}",
                          bound.GetPort(), bound.HostText(), EveryAddressOf(bound), path);
    return FormatText("a dedicated server listens on port {} at {}", bound.GetPort(), bound.HostText());
}

std::string AddressLost(const Net::Address& bound)
{
    return FormatText("this machine no longer holds {}, the address the server listens at: nothing reaches it at {} "
                      "and nothing leaves from there, so the server stops. Start it again once the machine holds "
                      "that address, or with HostingIp = \"{}\" in {} for every address of the machine",
                      bound.HostText(), bound.ToString(), EveryAddressOf(bound), ServerRoleFile);
}

std::string Entered(NetworkState state)
{
    switch (state)
    {
    case NetworkState::Waiting:
        return "waiting for players";
    case NetworkState::Voting:
        return "configuring";
    case NetworkState::Configured:
        return "configured";
    case NetworkState::Loading:
        return "loading";
    case NetworkState::Preparing:
        return "preparing";
    case NetworkState::Playing:
        return "starting";
    case NetworkState::Ended:
        return "ended";
    case NetworkState::Leaving:
        return "leaving";
    case NetworkState::Ending:
        return "intermission";
    case NetworkState::Stopped:
        return "stopping";
    default:
        return FormatText("state {}", static_cast<int32_t>(state));
    }
}

std::string FewPlayers(size_t players, uint32_t minimumPlayers)
{
    return FormatText("the server has {} of the {} players a vote needs (MinimumPlayers): it waits for more", players,
                      minimumPlayers);
}

std::string Connected(int client)
{
    return FormatText("client {} connected", client);
}

std::string Adding(uint32_t players, int client)
{
    return FormatText("adding {} players for {}", players, client);
}

std::string Stayed(int client, int32_t players)
{
    return FormatText("client {} stayed to the vote with {} players", client, players);
}

std::string Disconnected(int client, const Departure& how)
{
    if (how.serverStalled)
        return FormatText("client {} disconnected: it timed out while the server did not run", client);
    if (how.sendError != 0)
        return FormatText("client {}'s connection ended{}", client, WhileSendsFail(how.sendError, false));
    switch (how.end)
    {
    case Net::ClientEnd::Left:
        return FormatText("client {} disconnected: it left (its program closed the connection)", client);
    case Net::ClientEnd::TimedOut:
        return FormatText("client {} disconnected: it timed out, as nothing came from it for {} seconds: its program "
                          "stopped or died, or its link to this machine went. It may join again once it runs",
                          client, how.timeoutSeconds);
    case Net::ClientEnd::Closed:
        break;
    }
    return FormatText("client {} disconnected: this server closed its connection", client);
}

std::string HoldsForNextMatch(int client, uint32_t players, NetworkState state)
{
    const char* during = state == NetworkState::Voting   ? "its vote"
                         : state == NetworkState::Ending ? "the intermission after a match"
                                                         : "a match";
    return FormatText("holding client {}'s {} players for the next match: the server is in {}, and adds them once it "
                      "waits for players again",
                      client, players, during);
}

std::string DidNotRun(double seconds, size_t connections)
{
    return FormatText("the server did not run for {} seconds: its clients timed out (the process was stopped, or "
                      "the machine suspended or too busy). Ending their {} connections and waiting for players again",
                      std::round(seconds * 10.0) / 10.0, connections);
}

std::string LeftWithoutPlayers(int client, double wait)
{
    return FormatText("client {} disconnected without players: its address may connect again in {} seconds", client,
                      wait);
}

std::string NoPlayerWithin(double seconds)
{
    return FormatText("added no player within {} seconds", seconds);
}

std::string NoNewInput(double seconds)
{
    return FormatText("sent no new input for its players in {} seconds of play", seconds);
}

std::string SentAway(int client, const std::string& why, double wait)
{
    return FormatText("client {} {}: disconnecting it; its address may connect again in {} seconds", client, why, wait);
}

std::string IdlePlayersRemoved(int client, size_t players, double seconds)
{
    return FormatText("client {} sent no new input for {} of its players in {} seconds of play: removing them", client,
                      players, seconds);
}

std::string EveryPlayerLeft(NetworkState state, int sendError)
{
    const bool voting = state == NetworkState::Voting;
    if (sendError != 0)
        return FormatText("every player's connection ended before the {} ended{}{}", voting ? "vote" : "match",
                          WhileSendsFail(sendError, true), voting ? "" : ". Leaving the match");
    return voting ? "every player left before the vote ended" : "every player left before the match ended: leaving it";
}

std::string LastPlayerLeft(uint32_t matches, int sendError)
{
    if (sendError != 0)
        return FormatText("the last player's connection ended after {} matches{}. The server stops: start it again "
                          "to host more",
                          matches, WhileSendsFail(sendError, false));
    return FormatText("the last player left after {} matches: the server stops. Start it again to host more", matches);
}

std::string LastPlayerLeftWhileOthersWait(uint32_t matches, size_t waiting)
{
    return FormatText("the last player left after {} matches, but {} connections wait to add players: the server "
                      "waits for players again",
                      matches, waiting);
}

std::string LacksConfiguration(int client, std::string_view configuration)
{
    return FormatText("client {} does not have the configuration {} that the vote offers: its configurations "
                      "(Assets/Configurations/Configurations.json) differ from the server's. Disconnecting it",
                      client, configuration);
}

std::string LacksConfigurationWithoutPlayers(int client)
{
    return FormatText("client {} without players says it lacks a configuration: ignored", client);
}

std::string RefusalsUnlogged(int client, size_t type)
{
    return FormatText("client {} keeps sending refused messages of type {}: no more of them are logged", client, type);
}

std::string TooManyRefusals(int client, uint32_t refusals)
{
    return FormatText("client {} sent {} refused messages: disconnecting it", client, refusals);
}

std::string NotItsPlayer(int client, const char* what, uint32_t player)
{
    return FormatText("client {} sent {} for player {}, which is not one of its players: ignored", client, what,
                      player);
}

std::string PartPastLists(int client, uint32_t player, bool adding)
{
    return FormatText("client {} asked for a part past the part lists for {}player {}: ignored", client,
                      adding ? "its " : "", player);
}

std::string ServerOnlyMessage(int client, int type)
{
    return FormatText("client {} sent a message of type {}, which only servers send: ignored", client, type);
}

std::string LinesLeftOut(uint64_t count)
{
    return FormatText("left {} lines about clients out of the log", count);
}

std::string OtherServers(const Net::Address& own, uint64_t requests, const Net::Address& named)
{
    return FormatText("the server at {} dropped {} connection requests whose tokens name {}: {} (at most one such "
                      "line a minute)",
                      own.ToString(), requests, named.ToString(), WhatToSet(own, named));
}

std::string MissedInput(uint32_t frame)
{
    return FormatText("Missed input on frame {}", frame);
}

std::string MissedMore(uint32_t frames, uint32_t upTo)
{
    return FormatText("Missed input on {} more frames, up to frame {}", frames, upTo);
}

std::string PlayTotals(const Play& play)
{
    // Without a player's input in play there is nothing to take a median of.
    const std::string timing =
        play.timedInputs == 0
            ? std::string("no input of a player came in play to be timed")
            : FormatText("inputs came a median of {} frames before their deadlines, {} at the 5th percentile",
                         Tenths(play.median), Tenths(play.fifthPercentile));
    return FormatText("the server played {} frames in {} ms; {} stepped with an input missing; the longest gap "
                      "between two stepped frames was {} ms; {}",
                      play.frames, play.milliseconds, play.incompleteFrames, play.longestGapMilliseconds, timing);
}

std::string PacketTotals(uint64_t sent, uint64_t received)
{
    return FormatText("the server sent {} packets and received {}", sent, received);
}

std::string ConnectionLayerTotals(uint64_t taken, uint64_t dropped, uint64_t forOtherServers, uint64_t unread)
{
    return FormatText("its connection layer took {} packets, dropped {} ({} of them connection requests whose tokens "
                      "name another server) and left {} connection requests unread for want of time",
                      taken, dropped, forOtherServers, unread);
}

std::string RefusalTotals(uint64_t refused, uint64_t linesLeftOut)
{
    return FormatText("the server refused {} messages from its clients and left {} lines about them out of the log",
                      refused, linesLeftOut);
}

std::string DeniedTotals(uint64_t denied, int playerlessPerHost)
{
    return FormatText("the server denied {} connection requests from addresses it had sent a connection away from "
                      "or that held {} connections without players",
                      denied, playerlessPerHost);
}

} // namespace ServerLines
