#pragma once

#include "Libraries/Net/Address.h"
#include "Source/Network/LogBudget.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/GameMessage.h"
#include "Source/Network/SeatLine.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Who holds the server's connection slots: a slot per client the library seats, the line for the seats
// of a full server with the hosts refused for a while, the messages refused from each client, and the
// budgets of the lines about clients. It decides over what the connections it is given tell of the
// library's slots and of the players each client has in, and disconnects through them those it sends away;
// the players are the server's. Owned by the server role, on the application thread, as the whole role is:
// the library asks Admits from inside its update.
class Admission
{
public:
    // The library's slots as the admission sees them, and the one thing it does to them: in the server the
    // library and the lockstep's players, in tests a table.
    class Connections
    {
    public:
        virtual ~Connections() = default;
        virtual int GetMaxClients() const = 0;
        virtual bool IsConnected(int client) const = 0;
        virtual Net::Address GetAddress(int client) const = 0;
        // The players the client has in.
        virtual size_t CountPlayers(int client) const = 0;
        virtual void Disconnect(int client) = 0;
    };

    // A request for players made outside Waiting, kept for the next.
    struct HeldRequest
    {
        uint8_t count = 0;
        std::array<AddPlayerMessage::Player, AddPlayerMessage::MaxPlayers> players{};
    };

    struct ClientSlot
    {
        // The slot's index once the admission took its connection in; -1 before.
        int32_t client = -1;
        // Where the connection came from, for the log's budget; kept until the slot is cleared.
        Net::Address address;
        // Messages refused from the connection, by type and in all.
        std::array<uint32_t, GameMessageTypeCount> refusals{};
        uint32_t refusedTotal = 0;
        // When the connection was taken in: it has the connection timeout from then, or from the start
        // of Waiting if later, to add its players.
        double arrival = 0.0;
        // A request for players that came outside Waiting, made once Waiting begins.
        bool heldRequest = false;
        // Its players were there when a vote began, and the line about its joining was written: lines
        // about clients that stayed come from an allowance strangers who leave within seconds cannot
        // spend.
        bool stayed = false;
        bool joinLogged = false;
        // The server disconnected it: its leaving was not its own.
        bool dismissed = false;
        HeldRequest held;
    };

    // A connection without players has the join time (at least a few seconds) to add them. The
    // connections must outlive the admission.
    Admission(Connections& connections, double joinSeconds);

    // One slot per seat of the library; the server sizes them to its seats.
    void SetSlotCount(size_t seats) { clients.resize(seats); }
    size_t GetSlotCount() const { return clients.size(); }
    const ClientSlot& GetClient(int client) const { return clients[static_cast<size_t>(client)]; }
    // The connection in the slot was taken in, and has not left since.
    bool IsSeated(int client) const
    {
        return client >= 0 && static_cast<size_t>(client) < clients.size() &&
               clients[static_cast<size_t>(client)].client >= 0;
    }
    bool HasPlayers(int client) const { return IsSeated(client) && connections.CountPlayers(client) >= 1; }
    // Seated and has added no player yet.
    bool AwaitsPlayers(int client) const { return IsSeated(client) && connections.CountPlayers(client) == 0; }
    // Its players are in, or wait for the next match: either way it is no connection without players.
    bool HoldsPlayers(int client) const;
    // Connections that hold players, or wait to add them (held for the next match, or newcomers whose
    // request is on its way).
    size_t WaitingConnections() const;
    // Keeps a request for players made outside Waiting for the next: true when it holds players.
    bool Hold(int client, const HeldRequest& request);
    // The held request, no longer held.
    HeldRequest TakeHeld(int client);
    // Whether the line about the client's players joining may be logged now, remembered for the vote.
    bool LogJoin(int client, bool aboutPlayers, double now);
    // As a vote begins: the clients with players stayed, and a joining whose line was left out is logged.
    void MarkStayed(double now);
    // The slot's client left: the slot is empty for the next.
    void Clear(int client) { clients[static_cast<size_t>(client)] = ClientSlot(); }

    double GetJoinSeconds() const { return joinSeconds; }
    SeatLine& GetSeatLine() { return seatLine; }
    const SeatLine& GetSeatLine() const { return seatLine; }
    // Takes in every new connection, whatever the state, so that what it sends is read; one that comes
    // when the server seats no newcomers (a full server waiting for players) is disconnected.
    void Accept(bool seatsNewcomers, double now);
    // Whether the line lets a connection from the address in now; counts the requests refused for their
    // host. Asked from inside the library's update, also when no seat is free.
    bool Admits(const Net::Address& from, uint64_t id, bool answered, double now);
    // Disconnects a client that held a seat without playing, with one line, and lets its host connect
    // again only after a cooldown.
    void SendAway(int client, const std::string& why, double now);
    // The server's own disconnect of a client, as opposed to one that leaves.
    void Dismiss(int client);
    // Counts a message refused from the client: true while refusals of its type are still logged. A
    // client that keeps sending them is disconnected.
    bool Refuse(int client, GameMessageType type, double now);
    // Whether a line about the client may be logged now; each one that may is counted against the
    // budget of its host and of all clients. Lines about players joining and leaving come out of budgets
    // of their own, which the refusals of strangers' messages cannot spend.
    bool MayLog(int client, bool aboutPlayers, double now);
    // The lines about clients left out since the last call, and over the role's life.
    uint64_t TakeLinesLeftOut(double now);
    uint64_t GetLinesLeftOut() const;
    // Messages refused from every client, and requests denied to hosts cooling down or holding their
    // share of connections without players, over the role's life.
    uint64_t GetRefusedMessages() const { return refusedMessages; }
    uint64_t GetDeniedRequests() const { return deniedRequests; }

private:
    size_t FreeSeats() const;
    // The host's connections that hold no players and wait for none: it may hold only a few.
    int PlayerlessConnections(const Net::Address& host) const;

    Connections& connections;
    // By slot of the library.
    std::vector<ClientSlot> clients;
    double joinSeconds;
    LogBudget logBudget;
    LogBudget playerLog;
    LogBudget stayedLog;
    SeatLine seatLine;
    uint64_t deniedRequests = 0;
    uint64_t refusedMessages = 0;
};
