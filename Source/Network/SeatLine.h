#pragma once

#include "Libraries/Net/Address.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

// Who may take a seat of a full server, and in which order: the line of clients the server denied for
// want of a seat, and the hosts it refuses for a while (those that hold their share of connections
// without players, and those cooling down after one of their connections was sent away or left without
// players). Owned by the server role, on the application thread; the library asks it from inside its
// update, and it only reads the seats through the role.
class SeatLine
{
public:
    // How often a client of ours that a full server denied asks again (ClientNetwork::SeatRetryNanoseconds).
    static constexpr double SeatRetrySeconds = 3.0;
    // The longest round trip of a waiting client that still holds its seat. It asks again its retry time
    // after its denial reached it, and its answer comes a round trip after that request: its answers are
    // its retry time and two round trips apart.
    static constexpr double FarRoundTripSeconds = 1.0;
    // A waiting client holds a seat while it asked within its retry time, the round trips of a far
    // connection and a margin for a lost request or two (it sends ten a second): it comes for the seat at
    // its next retry. One that asks less often holds none.
    static constexpr double SeatHoldSeconds = SeatRetrySeconds + 2.0 * FarRoundTripSeconds + 0.5;
    // A waiting client that missed two retries has given up.
    static constexpr double WaiterSilenceSeconds = 2.0 * SeatHoldSeconds;
    // Connections without players one host holds at once: players behind one router join one after
    // another, and a stranger from one address holds no more.
    static constexpr int PlayerlessPerHost = 2;
    // Places in line one address holds: a household or friends behind one router share an address and
    // wait together, and a fifth of them takes a place once one of the four is seated. However many
    // ports and ids it uses, one address fills no more.
    static constexpr uint32_t PlacesPerHost = 4;
    // Clients in line for a seat. The addresses take turns: each one's first place stands before any
    // second, and so on. Strangers fill it from 256 addresses that receive at them, but a newcomer's
    // address then takes a place from one that holds several: to keep it out they need an address for
    // every place.
    static constexpr size_t MaxWaiters = 256 * PlacesPerHost;
    // Hosts remembered cooling down; each was sent away after a whole connection, so a few are enough.
    static constexpr size_t MaxCooldowns = 256;
    // A host whose connection was sent away waits this many join times before it connects again: a
    // stranger who comes straight back holds a seat a quarter of the time at most, and an honest client,
    // denied meanwhile, asks again every few seconds.
    static constexpr double CooldownJoins = 3.0;

    // What the line reads of the server's seats, as they stand when it asks. It counts the free ones
    // when it holds them: one freed within an update is held at the next.
    struct Seats
    {
        std::function<size_t()> free;
        // Connections from the host (as HostOf gives it) that hold no players.
        std::function<int(const Net::Address& host)> playerless;
    };

    enum class Verdict
    {
        Admitted,
        // Its host may not connect now.
        Refused,
        // The free seats, if any, are held for others: one that answered waits in line.
        Full,
    };

    // One client in line, known again by its address and id together: anyone can make a token with any
    // id, but few can send from another's address.
    struct Waiter
    {
        Net::Address address;
        uint64_t id = 0;
        double joined = 0.0;
        double lastAsked = 0.0;
        // Where it stands: by rank, then by arrival. An address's first place has rank 0 and each later
        // one the rank after its address's last; a seated place sends the others of its address, and any
        // it takes later (see turns), behind every place of the other addresses. A client that comes back
        // from its address under a new port and id, once every other place there stopped asking, takes
        // the first one's standing.
        uint64_t rank = 0;
        uint64_t arrival = 0;
        // It holds one of the free seats, as the last HoldSeats found.
        bool holds = false;
    };

    // The host a per-address rule counts: the address without its port, an IPv6 one by its /64 prefix,
    // as one machine or household is given a whole /64.
    static Net::Address HostOf(Net::Address address);

    // The join time is the least time a connection has to add its players; a cool-down lasts
    // CooldownJoins of them.
    SeatLine(Seats seats, double joinSeconds);

    // Whether a connection from the address is taken now: not while its host is refused, nor, once it
    // answered the challenge, while the free seats are held for others in line. One denied then for want
    // of a seat waits in line for one, and one refused for its host keeps its place while it asks. A
    // request from a refused host costs no pass over the line.
    Verdict Admits(const Net::Address& from, uint64_t id, bool answered, double now);
    bool IsHostRefused(const Net::Address& host, double now) const;
    // Gives a client that came back the standing of its places that stopped asking, drops the waiting
    // clients that stopped long ago, keeps each seat held while its holder keeps asking, and holds each
    // other free seat for one of the first in line who keep asking and may connect now. Called once an
    // update, before the library reads.
    void HoldSeats(double now);
    // A client took a seat (every connection, whether it waited or not): if it waited, the other places
    // of its address go behind every other place.
    void Seated(const Net::Address& address, uint64_t id);
    // Denies the address's host for a while; returns how long, in seconds.
    double CoolDown(const Net::Address& address, double now);

    // In the order they stand.
    const std::list<Waiter>& GetWaiters() const { return waiters; }

private:
    using Place = std::list<Waiter>::iterator;
    struct HostHash
    {
        size_t operator()(const Net::Address& host) const;
    };
    // The places one host holds in line, in the order they stand.
    struct HostPlaces
    {
        std::array<Place, PlacesPerHost> places{};
        uint32_t count = 0;
    };
    // Addresses seated from the line while others waited, with the rank their next place takes: one
    // sent away or that left joins again behind those who waited then, not as a first place.
    struct Turn
    {
        Net::Address host;
        uint64_t nextRank = 0;
    };

    Place Find(const Net::Address& from, uint64_t id);
    // The host's place at the index and the next one change where they stand.
    void Exchange(HostPlaces& held, uint32_t index);
    // Puts a client that a full server denied in line, unless its address holds its share of places
    // or, when the line is full, any place while another address holds more.
    void JoinLine(const Net::Address& from, uint64_t id, double now);
    void Leave(Place place);

    Seats seats;
    double cooldownSeconds;
    std::list<Waiter> waiters;
    // Every waiter's place by its host, kept as places join and leave: a host's places are found without
    // a pass over the line.
    std::unordered_map<Net::Address, HostPlaces, HostHash> hosts;
    // The waiters that hold a seat.
    size_t holders = 0;
    // The free seats when they were last held and the clients seated since: within an update only those
    // seats go to clients that hold none, as the server hands out a seat freed in it at the next.
    size_t freeWhenHeld = 0;
    size_t seatedSinceHeld = 0;
    uint64_t arrivals = 0;
    std::vector<Turn> turns;
    // Hosts whose connection was sent away, with the time until which their requests are denied.
    std::unordered_map<Net::Address, double, HostHash> cooldowns;
};
