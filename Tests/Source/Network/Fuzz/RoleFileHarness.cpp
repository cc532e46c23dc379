#include "Tests/Source/Network/Fuzz/RoleFileHarness.h"

#include "Source/Network/NetworkSettings.h"

#include <cmath>
#include <limits>

using namespace Lumvek;

namespace
{

void TrapUnless(bool invariant)
{
    if (!invariant)
        __builtin_trap();
}

bool IsDuration(double seconds)
{
    return std::isfinite(seconds) && seconds >= 0.0;
}

void CheckShared(const NetworkSettings& settings)
{
    for (float value :
         {settings.packetLoss, settings.packetDuplication, settings.latencyAmount, settings.latencyVariance})
        TrapUnless(std::isfinite(value));
    for (float seconds : {settings.prepareDuration, settings.startDuration, settings.endDuration})
        TrapUnless(IsDuration(seconds));
}

} // namespace

int FuzzRoleFile(const uint8_t* data, size_t size)
{
    if (size > std::numeric_limits<uint32_t>::max())
        return 0;
    const StringView text(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));

    CheckShared(ParseRoleFile<NetworkSettings>(text, "fuzz/local.config"));

    const ServerSettings server = ParseRoleFile<ServerSettings>(text, "fuzz/server.config");
    CheckShared(server);
    TrapUnless(server.hostingPort != 0);
    for (float seconds :
         {server.connectionTimeout, server.intermissionDuration, server.voteDuration, server.loadDuration})
        TrapUnless(IsDuration(seconds));
    TrapUnless(IsDuration(server.forceUpdateTimeout));
    TrapUnless(IsDuration(server.gameStateUpdateRate) && server.gameStateUpdateRate > 0.0);

    const ClientSettings client = ParseRoleFile<ClientSettings>(text, "fuzz/client.config");
    CheckShared(client);
    TrapUnless(client.matcherPort != 0);
    return 0;
}
