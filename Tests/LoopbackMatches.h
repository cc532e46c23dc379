#pragma once

// What runs of a server and its clients on the loopback address share: a port of their own, and
// scratch Assets whose every configuration is a match over within seconds.

#include "Engine/Foundation/File.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace Lumvek::Testing
{

// A UDP port of the loopback address that nothing uses now, so that parallel runs do not meet; 0 when
// none could be had.
inline uint16_t FreeLoopbackPort()
{
    const int handle = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (handle >= 0 && ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (handle >= 0)
        ::close(handle);
    return port;
}

// Rewrites the scratch Assets under root so that a server offers three deathmatches, FallA, FallB and
// FallC, on "Drop", Crossroads with its platforms taken away: the first player to fall out of the
// world scores the only point needed, so whichever the vote takes lasts little more than its spawn-in.
// False when a file cannot be read or written.
inline bool WriteFallMatches(const std::filesystem::path& root)
{
    const auto write = [&](const std::string& relative, const std::string& text)
    { return File::WriteAllText((root / relative).string(), text); };
    std::string map = File::ReadAllText((root / "Assets/Maps/Crossroads/Data.json").string()).second;
    const size_t entities = map.find("\"Entities\"");
    if (entities == std::string::npos)
        return false;
    map = map.substr(0, entities) +
          R"("Entities": {"Platforms": [], "Hazards": [], "Visuals": [], "Zones": [], "Interactions": []}, )" +
          R"("Backgrounds": []})";
    bool written = write("Assets/Maps/Drop/Data.json", map) &&
                   write("Assets/Maps/Maps.json", R"(["Crossroads", "Hilltop", "Drop"])") &&
                   write("Assets/Configurations/Configurations.json", R"(["FallA", "FallB", "FallC"])");
    for (const char* name : {"FallA", "FallB", "FallC"})
        written = written && write(std::string("Assets/Configurations/") + name + ".data",
                                   std::string(R"({"Name": ")") + name +
                                       R"(", "Description": "Nothing to stand on: the first to fall scores the only point.",
    "Map": "Drop", "Theme": "Meadow", "GameType": "Deathmatch",
    "TeamCount": 2, "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 1, "PointsPerSuicide": 1}})");
    return written;
}

} // namespace Lumvek::Testing
