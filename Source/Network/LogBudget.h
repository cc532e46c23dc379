#pragma once

#include "Libraries/Net/Address.h"

#include <array>
#include <cstdint>

// What a server's peers can make it log, bounded over time. Anyone can connect, reconnect and send what
// is refused as often as he likes, so a line about a peer is written only while both the allowance of
// the peer's host and the server-wide one last. Each allowance refills at its size a minute, whoever
// connects, so the log grows by a bounded amount a minute under any traffic; the lines left out are
// counted. Owned by the server role, on the application thread.
class LogBudget
{
public:
    static constexpr double Period = 60.0;

    // Lines a period for one host and for all hosts together, each also the most written at once.
    LogBudget(double hostLines, double allLines);

    // Takes one line about the peer at the time (seconds, never going back): false, and counted as left
    // out, when the host's or the server-wide allowance is spent. The host is the one the seat rules
    // count (SeatLine::HostOf): a peer's new connections come from new ports, and new IPv6 addresses.
    bool Take(const Net::Address& peer, double time);
    // The lines left out since the last report, at most once a period; 0 when none or too soon.
    uint64_t TakeReport(double time);
    uint64_t GetLeftOut() const { return leftOut; }

private:
    struct Allowance
    {
        double lines = 0.0;
        double time = 0.0;
        // Adds what the time since the last refill earned, up to the size.
        void Refill(double size, double now);
    };
    struct Host
    {
        Net::Address address;
        Allowance allowance;
        bool used = false;
    };

    double hostLines;
    double allLines;
    Allowance all;
    // The hosts seen last; one not among them starts with a full allowance, which the server-wide one
    // still bounds.
    std::array<Host, 64> hosts{};
    uint64_t leftOut = 0;
    uint64_t reported = 0;
    double nextReport = 0.0;
};
