#include "Source/Network/SeatLine.h"

#include <sodium.h>

#include <algorithm>
#include <utility>

namespace
{

// Keys the host tables' hash for the process: strangers who pick their addresses cannot make them
// collide, and a lookup stays one step.
const std::array<uint8_t, crypto_shorthash_KEYBYTES>& HostHashKey()
{
    static const auto key = []
    {
        std::array<uint8_t, crypto_shorthash_KEYBYTES> bytes{};
        randombytes_buf(bytes.data(), bytes.size());
        return bytes;
    }();
    return key;
}

bool StandsBefore(const SeatLine::Waiter& a, const SeatLine::Waiter& b)
{
    return std::pair(a.rank, a.arrival) < std::pair(b.rank, b.arrival);
}

} // namespace

Net::Address SeatLine::HostOf(Net::Address address)
{
    address.SetPort(0);
    if (address.GetType() != Net::ADDRESS_IPV6)
        return address;
    const uint16_t* groups = address.GetIPv6();
    // An IPv4 peer seen through an IPv6 socket (::ffff:a.b.c.d) is one host, as it would be over IPv4.
    if (std::all_of(groups, groups + 5, [](uint16_t group) { return group == 0; }) && groups[5] == 0xffff)
        return address;
    const uint16_t prefix[8] = {groups[0], groups[1], groups[2], groups[3], 0, 0, 0, 0};
    return Net::Address(prefix, 0);
}

size_t SeatLine::HostHash::operator()(const Net::Address& host) const
{
    // Hosts have no port, and an IPv6 host no interface part.
    std::array<uint8_t, 9> bytes{static_cast<uint8_t>(host.GetType())};
    if (host.GetType() == Net::ADDRESS_IPV4)
        std::copy_n(host.GetIPv4(), 4, bytes.begin() + 1);
    else if (host.GetType() == Net::ADDRESS_IPV6)
        for (int i = 0; i < 4; ++i)
        {
            bytes[static_cast<size_t>(1 + 2 * i)] = static_cast<uint8_t>(host.GetIPv6()[i] >> 8);
            bytes[static_cast<size_t>(2 + 2 * i)] = static_cast<uint8_t>(host.GetIPv6()[i]);
        }
    uint64_t hash = 0;
    crypto_shorthash(reinterpret_cast<unsigned char*>(&hash), bytes.data(), bytes.size(), HostHashKey().data());
    return static_cast<size_t>(hash);
}

SeatLine::SeatLine(Seats seats, double joinSeconds)
    : seats(std::move(seats)), cooldownSeconds(CooldownJoins * joinSeconds)
{
}

SeatLine::Verdict SeatLine::Admits(const Net::Address& from, uint64_t id, bool answered, double now)
{
    const bool refused = IsHostRefused(HostOf(from), now);
    if (!answered && !refused)
        return Verdict::Admitted;
    // A request counts as asking only from one refused for its host, which is never challenged.
    const Place waiter = Find(from, id);
    if (waiter != waiters.end())
        waiter->lastAsked = now;
    if (refused)
        return Verdict::Refused;
    // A held seat goes to its holder when it asks, and anyone else asks behind every holder, wherever they
    // stand: one that came first but asks too seldom to hold a seat takes none held for those behind it.
    if (waiter != waiters.end() && waiter->holds)
        return Verdict::Admitted;
    if (holders + seatedSinceHeld < freeWhenHeld)
        return Verdict::Admitted;
    if (waiter == waiters.end())
        JoinLine(from, id, now);
    return Verdict::Full;
}

bool SeatLine::IsHostRefused(const Net::Address& host, double now) const
{
    if (seats.playerless(host) >= PlayerlessPerHost)
        return true;
    const auto cooldown = cooldowns.find(host);
    return cooldown != cooldowns.end() && cooldown->second > now;
}

void SeatLine::HoldSeats(double now)
{
    // Once every other place of an address stopped asking, its newest place takes the first one's
    // standing, if it came after their last answers and keeps asking: a client that comes back from its
    // address under a new port and id, once or more, stands no later than its first place would. While
    // another of them asks, the places keep their ranks, so a household asking together hands nothing
    // down the line. Those silent for long leave the line.
    const auto stopped = [&](const Waiter& waiter) { return now - waiter.lastAsked > SeatHoldSeconds; };
    std::vector<Place> silent;
    for (auto& [host, held] : hosts)
    {
        const auto begin = held.places.begin(), end = begin + held.count;
        const auto newest = std::max_element(begin, end, [](Place a, Place b) { return a->joined < b->joined; });
        const auto handsDown = [&](Place other)
        { return other == *newest || (stopped(*other) && (*newest)->joined > other->lastAsked); };
        if (newest != begin && !stopped(**newest) && std::all_of(begin, end, handsDown))
            for (auto i = static_cast<uint32_t>(newest - begin); i-- > 0;)
                Exchange(held, i);
        for (uint32_t i = 0; i < held.count; ++i)
            if (now - held.places[i]->lastAsked > WaiterSilenceSeconds)
                silent.push_back(held.places[i]);
    }
    for (const Place place : silent)
        Leave(place);
    // With nobody waiting, no seated address has anyone to let go first.
    if (waiters.empty())
        turns.clear();
    // A seat held stays held while its holder keeps asking: one ahead of it that asks once the seat is
    // held takes nothing from it. Each other free seat is held for the first in line who keeps waiting;
    // one that has not asked again since it joined, or not within its retry time and round trips, or
    // whose host may not connect now, is passed over: it keeps its place but holds nothing against those
    // behind it.
    const auto keepsAsking = [&](const Waiter& waiter)
    { return now - waiter.lastAsked <= SeatHoldSeconds && !IsHostRefused(HostOf(waiter.address), now); };
    const size_t free = seats.free();
    freeWhenHeld = free;
    seatedSinceHeld = 0;
    size_t held = 0;
    for (Waiter& waiter : waiters)
    {
        waiter.holds = waiter.holds && held < free && keepsAsking(waiter);
        held += waiter.holds ? 1 : 0;
    }
    for (Waiter& waiter : waiters)
        if (!waiter.holds && held < free && waiter.lastAsked > waiter.joined && keepsAsking(waiter))
        {
            waiter.holds = true;
            ++held;
        }
    holders = held;
}

void SeatLine::Seated(const Net::Address& address, uint64_t id)
{
    ++seatedSinceHeld;
    const Place seated = Find(address, id);
    if (seated == waiters.end())
        return;
    Leave(seated);
    // Its address's other places, in their order, stand behind all those waiting now: an address seated
    // waits for the turn of every other before its next seat, however early its places came.
    const Net::Address host = HostOf(address);
    uint64_t back = 0;
    for (const Waiter& waiter : waiters)
        if (HostOf(waiter.address) != host)
            back = std::max(back, waiter.rank + 1);
    for (Waiter& waiter : waiters)
        if (HostOf(waiter.address) == host)
            waiter.rank = back++;
    // Its next place, should it have none left or come back later, stands there too.
    std::erase_if(turns, [&](const Turn& turn) { return turn.host == host; });
    if (!waiters.empty())
    {
        if (turns.size() >= MaxWaiters)
            turns.erase(std::min_element(turns.begin(), turns.end(),
                                         [](const Turn& a, const Turn& b) { return a.nextRank < b.nextRank; }));
        turns.push_back({host, back});
    }
    waiters.sort(StandsBefore);
}

double SeatLine::CoolDown(const Net::Address& address, double now)
{
    const Net::Address host = HostOf(address);
    std::erase_if(cooldowns, [&](const auto& cooldown) { return cooldown.second <= now; });
    if (cooldowns.size() >= MaxCooldowns && !cooldowns.contains(host))
        cooldowns.erase(std::min_element(cooldowns.begin(), cooldowns.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; }));
    cooldowns[host] = now + cooldownSeconds;
    return cooldownSeconds;
}

SeatLine::Place SeatLine::Find(const Net::Address& from, uint64_t id)
{
    const auto host = hosts.find(HostOf(from));
    if (host == hosts.end())
        return waiters.end();
    const auto places = host->second.places.begin();
    const auto found = std::find_if(places, places + host->second.count,
                                    [&](Place place) { return place->id == id && place->address == from; });
    return found != places + host->second.count ? *found : waiters.end();
}

void SeatLine::Exchange(HostPlaces& held, uint32_t index)
{
    const Place first = held.places[index], second = held.places[index + 1];
    std::swap(first->rank, second->rank);
    std::swap(first->arrival, second->arrival);
    const Place afterFirst = std::next(first);
    if (afterFirst == second)
        waiters.splice(first, waiters, second);
    else
    {
        waiters.splice(std::next(second), waiters, first);
        waiters.splice(afterFirst, waiters, second);
    }
    std::swap(held.places[index], held.places[index + 1]);
}

void SeatLine::JoinLine(const Net::Address& from, uint64_t id, double now)
{
    const Net::Address host = HostOf(from);
    const auto own = hosts.find(host);
    const uint32_t places = own != hosts.end() ? own->second.count : 0;
    if (places >= PlacesPerHost || (waiters.size() >= MaxWaiters && places > 0))
        return;
    if (waiters.size() >= MaxWaiters)
    {
        // The newest place of an address that holds the most, if more than one: a first place is never
        // taken, and the address that takes it waits its turn as any other's first.
        const HostPlaces* most = nullptr;
        for (const auto& [other, held] : hosts)
            if (held.count > 1 && (!most || std::pair(held.count, held.places[held.count - 1]->arrival) >
                                                std::pair(most->count, most->places[most->count - 1]->arrival)))
                most = &held;
        if (!most)
            return;
        Leave(most->places[most->count - 1]);
    }
    // Behind its address's last place, and behind the places of its rank that came before it. An address
    // seated from the line comes back behind those who waited then, even with no place left.
    uint64_t rank = 0;
    if (places > 0)
    {
        const HostPlaces& held = own->second;
        for (uint32_t i = 0; i < held.count; ++i)
            rank = std::max(rank, held.places[i]->rank + 1);
    }
    else if (const auto turn = std::find_if(turns.begin(), turns.end(), [&](const Turn& t) { return t.host == host; });
             turn != turns.end())
        rank = turn->nextRank;
    const auto at =
        std::find_if(waiters.rbegin(), waiters.rend(), [&](const Waiter& waiter) { return waiter.rank <= rank; })
            .base();
    const Place place = waiters.insert(at, {from, id, now, now, rank, arrivals++});
    HostPlaces& held = hosts[host];
    held.places[held.count++] = place;
}

void SeatLine::Leave(Place place)
{
    const auto host = hosts.find(HostOf(place->address));
    if (host != hosts.end())
    {
        HostPlaces& held = host->second;
        const auto end = held.places.begin() + held.count;
        const auto it = std::find(held.places.begin(), end, place);
        if (it != end)
        {
            std::move(std::next(it), end, it);
            --held.count;
        }
        if (held.count == 0)
            hosts.erase(host);
    }
    if (place->holds)
        --holders;
    waiters.erase(place);
}
