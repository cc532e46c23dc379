#include "Source/Network/LogBudget.h"

#include "Source/Network/SeatLine.h"

#include <algorithm>

LogBudget::LogBudget(double hostLines, double allLines) : hostLines(hostLines), allLines(allLines), all{allLines, 0.0}
{
}

void LogBudget::Allowance::Refill(double size, double now)
{
    lines = std::min(size, lines + std::max(now - time, 0.0) * size / Period);
    time = std::max(time, now);
}

bool LogBudget::Take(const Net::Address& peer, double time)
{
    const Net::Address address = SeatLine::HostOf(peer);
    // The host's entry, else a free one, else the one whose allowance was touched last.
    Host* host = nullptr;
    for (Host& candidate : hosts)
        if (candidate.used && candidate.address == address)
            host = &candidate;
    if (!host)
    {
        host = &*std::min_element(hosts.begin(), hosts.end(),
                                  [](const Host& a, const Host& b)
                                  { return a.used != b.used ? !a.used : a.allowance.time < b.allowance.time; });
        *host = {address, {hostLines, time}, true};
    }
    host->allowance.Refill(hostLines, time);
    all.Refill(allLines, time);
    if (host->allowance.lines < 1.0 || all.lines < 1.0)
    {
        ++leftOut;
        return false;
    }
    host->allowance.lines -= 1.0;
    all.lines -= 1.0;
    return true;
}

uint64_t LogBudget::TakeReport(double time)
{
    if (leftOut == reported || time < nextReport)
        return 0;
    const uint64_t count = leftOut - reported;
    reported = leftOut;
    nextReport = time + Period;
    return count;
}
