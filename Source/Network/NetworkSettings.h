#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Source/Network/Messages/ControlMessages.h"

#include <cstdint>
#include <string>

namespace Lumvek
{
class FileManager;
}

// The role files, one LON object each, relative to the application folder.
inline constexpr Lumvek::StringView LocalRoleFile = "Assets/local.config";
inline constexpr Lumvek::StringView ClientRoleFile = "Assets/client.config";
inline constexpr Lumvek::StringView ServerRoleFile = "Assets/server.config";

// The port a server binds to and a client joins when its role file names none: the one the shipped
// role files agree on.
inline constexpr uint16_t DefaultGamePort = 40000;

// What every network role is made with: the networking library's simulator and the lengths of the
// timed states. Read from the role's file when the role is made; the role keeps a copy, and nothing
// changes it afterwards, so it needs no owner beyond that.
struct NetworkSettings
{
    bool operator==(const NetworkSettings&) const = default;

    // The four simulation values count only when simulate is set.
    bool simulate = false;
    // Percent of packets.
    float packetLoss = 5.0f;
    float packetDuplication = 5.0f;
    // Milliseconds.
    float latencyAmount = 100.0f;
    float latencyVariance = 50.0f;
    // Seconds of Preparing (server and local), of the local game's Voting and of Ended.
    float prepareDuration = 3.0f;
    float startDuration = 3.0f;
    float endDuration = 5.0f;
};

// A dedicated server's settings.
// The most players a server takes: the game messages carry at most this many loadout entries.
constexpr uint32_t MaxServerPlayers = SetLoadoutsMessage::MaxEntries;

struct ServerSettings : NetworkSettings
{
    bool operator==(const ServerSettings&) const = default;

    // The address the server binds to, as text.
    std::string hostingIp;
    uint16_t hostingPort = DefaultGamePort;
    // Players needed to start a vote once no one has connected for connectionTimeout seconds.
    uint32_t minimumPlayers = 6;
    // The server's client slots, 1 to MaxServerPlayers; reaching it starts the vote at once.
    uint32_t maximumPlayers = 8;
    // Seconds.
    float connectionTimeout = 5.0f;
    float intermissionDuration = 5.0f;
    float voteDuration = 3.0f;
    float loadDuration = 5.0f;
    // Seconds after Prepared by which the first frame is stepped even when inputs are missing.
    double forceUpdateTimeout = 0.25;
    // Seconds between two game-state broadcasts.
    double gameStateUpdateRate = 1.0 / 30.0;
    // Seconds of play after which a player whose client sent no input, or only the same one, is
    // removed; 0 removes none.
    float inactivityTimeout = 120.0f;
};

// A client's settings: which server to join.
struct ClientSettings : NetworkSettings
{
    bool operator==(const ClientSettings&) const = default;

    std::string matcherIp;
    uint16_t matcherPort = DefaultGamePort;
};

// Each reads its record's keys from the root object of a role file's tree, the shared keys first.
// A key is taken only when its value has the field's kind (a boolean, a double for f32 and f64
// fields, an unsigned integer for counts and ports, a string); otherwise the field keeps its value,
// silently. Values of the right kind that the role cannot use are logged, naming the file, and also
// leave the field: a duration or a rate that is negative or not finite, a rate of 0, a count beyond
// 32 bits, a port outside 1 to 65535. A port the file does not give is logged too, since the role
// then uses DefaultGamePort.
void ReadNetworkSimulationSettings(const Lumvek::Blueprint& root, NetworkSettings& settings, Lumvek::StringView path);
// True.
bool ReadServerSettings(const Lumvek::Blueprint& root, ServerSettings& settings, Lumvek::StringView path);
void ReadClientSettings(const Lumvek::Blueprint& root, ClientSettings& settings, Lumvek::StringView path);

// Whether the address a role file gives reads as one the networking library takes: a numeric IPv4 or
// IPv6 address, since names are not looked up, without a port (the port has a key of its own) and not an
// IPv4 address in IPv6 form. An empty HostingIp stands for every address of the machine. Otherwise logs
// one line that names the key, the file at the path and what to write.
bool IsUsableAddress(const ServerSettings& settings, Lumvek::StringView path);
bool IsUsableAddress(const ClientSettings& settings, Lumvek::StringView path);

// The settings of a role file's text: the defaults, then what the text gives. Text that is not a LON
// object is logged with the path and gives the defaults. Settings is NetworkSettings (the local
// role), ServerSettings or ClientSettings.
template <class Settings> Settings ParseRoleFile(Lumvek::StringView text, Lumvek::StringView path);
// The settings of the role file at the path that files resolves; a file that cannot be read is logged
// with its path and gives the defaults. Runs on the thread that makes the role.
template <class Settings> Settings LoadRoleFile(const Lumvek::FileManager& files, Lumvek::StringView path);
