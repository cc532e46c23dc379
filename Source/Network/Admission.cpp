#include "Source/Network/Admission.h"

#include "Engine/Foundation/Log.h"
#include "Source/Network/ServerLines.h"

#include <algorithm>
#include <utility>

using namespace Lumvek;

namespace
{

// A client's refused messages of one type that are logged, and the refusals of all types after which
// it is disconnected: an honest client sends none.
constexpr uint32_t LoggedRefusals = 3;
constexpr uint32_t RefusalLimit = 100;
// Lines a minute about one host's clients and about all clients: room for a full server's players to
// come and go, and a few megabytes a day at most whatever strangers do.
constexpr double HostLogLines = 20.0;
constexpr double ClientLogLines = 120.0;
// The least time a connection has to add its players, however short the countdown: a client learns
// that it is connected and its request comes back a round trip after the server counted it, later on
// a slow link or a busy machine.
constexpr double LeastJoinSeconds = 3.0;

} // namespace

Admission::Admission(Connections& connections, double joinSeconds)
    : connections(connections), joinSeconds(std::max(joinSeconds, LeastJoinSeconds)),
      logBudget(HostLogLines, ClientLogLines), playerLog(HostLogLines, ClientLogLines),
      stayedLog(HostLogLines, ClientLogLines),
      seatLine(
          {[this] { return FreeSeats(); }, [this](const Net::Address& host) { return PlayerlessConnections(host); }},
          this->joinSeconds)
{
}

uint64_t Admission::TakeLinesLeftOut(double now)
{
    return logBudget.TakeReport(now) + playerLog.TakeReport(now) + stayedLog.TakeReport(now);
}

uint64_t Admission::GetLinesLeftOut() const
{
    return logBudget.GetLeftOut() + playerLog.GetLeftOut() + stayedLog.GetLeftOut();
}

bool Admission::Refuse(int client, GameMessageType type, double now)
{
    ClientSlot& slot = clients[static_cast<size_t>(client)];
    const size_t kind = std::min(static_cast<size_t>(type), slot.refusals.size() - 1);
    const uint32_t count = ++slot.refusals[kind];
    ++refusedMessages;
    if (count == LoggedRefusals + 1 && MayLog(client, false, now))
        Log::Write(ServerLines::RefusalsUnlogged(client, kind));
    if (++slot.refusedTotal == RefusalLimit)
    {
        if (MayLog(client, false, now))
            Log::Write(ServerLines::TooManyRefusals(client, RefusalLimit));
        Dismiss(client);
    }
    return count <= LoggedRefusals && MayLog(client, false, now);
}

bool Admission::MayLog(int client, bool aboutPlayers, double now)
{
    const ClientSlot& slot = clients[static_cast<size_t>(client)];
    LogBudget& budget = !aboutPlayers ? logBudget : slot.stayed ? stayedLog : playerLog;
    return budget.Take(slot.address, now);
}

void Admission::Accept(bool seatsNewcomers, double now)
{
    for (int i = 0; i < connections.GetMaxClients(); ++i)
    {
        ClientSlot& slot = clients[static_cast<size_t>(i)];
        if (slot.client >= 0 || !connections.IsConnected(i))
            continue;
        // The countdown goes on: a connection without players, every few seconds, would otherwise hold
        // the server in Waiting for good. Players restart it as they come. During a match players may
        // still leave before the next Waiting, where a full server turns newcomers away.
        slot.address = connections.GetAddress(i);
        if (MayLog(i, false, now))
            Log::Write(ServerLines::Connected(i));
        if (seatsNewcomers)
        {
            slot.client = i;
            slot.arrival = now;
        }
        else
            connections.Disconnect(i);
    }
}

bool Admission::Admits(const Net::Address& from, uint64_t id, bool answered, double now)
{
    const SeatLine::Verdict verdict = seatLine.Admits(from, id, answered, now);
    deniedRequests += verdict == SeatLine::Verdict::Refused ? 1 : 0;
    return verdict == SeatLine::Verdict::Admitted;
}

size_t Admission::FreeSeats() const
{
    size_t free = 0;
    for (int i = 0; i < connections.GetMaxClients(); ++i)
        free += connections.IsConnected(i) ? 0 : 1;
    return free;
}

int Admission::PlayerlessConnections(const Net::Address& host) const
{
    int playerless = 0;
    for (int i = 0; i < connections.GetMaxClients(); ++i)
        if (connections.IsConnected(i) && SeatLine::HostOf(connections.GetAddress(i)) == host && !HoldsPlayers(i))
            ++playerless;
    return playerless;
}

bool Admission::HoldsPlayers(int client) const
{
    if (!IsSeated(client))
        return false;
    const ClientSlot& slot = clients[static_cast<size_t>(client)];
    return connections.CountPlayers(client) >= 1 ||
           (slot.heldRequest && slot.held.count >= 1 && slot.held.count <= AddPlayerMessage::MaxPlayers);
}

size_t Admission::WaitingConnections() const
{
    size_t waiting = 0;
    for (size_t i = 0; i < clients.size(); ++i)
    {
        const int client = static_cast<int>(i);
        // A connection the library took in this update is not in the slots yet; one taken in before may
        // have its request for players on the way. Either may be a newcomer that has just reached the
        // server.
        const bool newcomer =
            connections.IsConnected(client) && connections.CountPlayers(client) == 0 && !clients[i].dismissed;
        waiting += HoldsPlayers(client) || newcomer ? 1 : 0;
    }
    return waiting;
}

bool Admission::Hold(int client, const HeldRequest& request)
{
    ClientSlot& slot = clients[static_cast<size_t>(client)];
    slot.heldRequest = true;
    slot.held = request;
    return HoldsPlayers(client);
}

Admission::HeldRequest Admission::TakeHeld(int client)
{
    ClientSlot& slot = clients[static_cast<size_t>(client)];
    slot.heldRequest = false;
    return slot.held;
}

bool Admission::LogJoin(int client, bool aboutPlayers, double now)
{
    return clients[static_cast<size_t>(client)].joinLogged = MayLog(client, aboutPlayers, now);
}

void Admission::MarkStayed(double now)
{
    for (size_t i = 0; i < clients.size(); ++i)
    {
        ClientSlot& slot = clients[i];
        const int client = static_cast<int>(i);
        if (!HasPlayers(client) || std::exchange(slot.stayed, true))
            continue;
        if (!slot.joinLogged && MayLog(client, true, now))
            Log::Write(ServerLines::Stayed(client, static_cast<int32_t>(connections.CountPlayers(client))));
        slot.joinLogged = true;
    }
}

void Admission::Dismiss(int client)
{
    clients[static_cast<size_t>(client)].dismissed = true;
    connections.Disconnect(client);
}

void Admission::SendAway(int client, const std::string& why, double now)
{
    const double wait = seatLine.CoolDown(clients[static_cast<size_t>(client)].address, now);
    if (MayLog(client, false, now))
        Log::Write(ServerLines::SentAway(client, why, wait));
    Dismiss(client);
}
