#include "Source/Network/NetworkSettings.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

using namespace Lumvek;
using Lumvek::Testing::LogCapture;
using Lumvek::Testing::TestFolder;

namespace
{

constexpr StringView TestPath = "Assets/test.config";

// True when a message names the test file and the key.
bool LoggedAbout(const LogCapture& log, const std::string& key)
{
    for (const std::string& message : log.messages)
        if (message.find(TestPath.ToStdView()) != std::string::npos && message.find(key) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(NetworkSettings, ShippedRoleFilesAreReadWithoutMessages)
{
    LogCapture log;
    const std::string source = Lumvek::Testing::SourceFolder();
    FileManager files(source, source, source, source);
    EXPECT_EQ(LoadRoleFile<NetworkSettings>(files, LocalRoleFile), NetworkSettings{});
    const ServerSettings server = LoadRoleFile<ServerSettings>(files, ServerRoleFile);
    EXPECT_EQ(server.hostingIp, "127.0.0.1");
    EXPECT_EQ(server.minimumPlayers, 2u);
    EXPECT_EQ(server.intermissionDuration, 8.0f);
    EXPECT_EQ(server.gameStateUpdateRate, 1.0 / 30.0);
    const ClientSettings client = LoadRoleFile<ClientSettings>(files, ClientRoleFile);
    EXPECT_EQ(client.matcherIp, "127.0.0.1");
    EXPECT_EQ(client.matcherPort, 40000);
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();
}

// A number is read as written, with or without a decimal point or a sign; a value of another kind than
// the key's is logged with the key and the value and leaves the default. A duration of 0 is a state
// that ends on the first update with time in it, which a role can run; a negative one, a rate of 0,
// or a number the field cannot hold is logged and leaves the default, so no countdown starts from it.
TEST(NetworkSettings, KeysTakeOnlyTheirKindAndUsableValues)
{
    struct Case
    {
        const char* members;
        std::function<bool(const ServerSettings&)> check;
        const char* logged = nullptr; // the key the log names
    };
    const Case cases[] = {
        {"Simulate = 1", [](auto& s) { return !s.simulate; }, "Simulate = 1"},
        {"Simulate = true", [](auto& s) { return s.simulate; }},
        {"LatencyAmount = 0", [](auto& s) { return s.latencyAmount == 0.0f; }},
        {"PacketLoss = 7", [](auto& s) { return s.packetLoss == 7.0f; }},
        {"PacketLoss = -7", [](auto& s) { return s.packetLoss == -7.0f; }},
        {"PacketLoss = \"7.5\"", [](auto& s) { return s.packetLoss == 5.0f; }, "PacketLoss = \"7.5\""},
        {"PacketLoss = 7.5", [](auto& s) { return s.packetLoss == 7.5f; }},
        {"MinimumPlayers = 3.0", [](auto& s) { return s.minimumPlayers == 6; }, "MinimumPlayers = 3"},
        {"MinimumPlayers = -3", [](auto& s) { return s.minimumPlayers == 6; }, "MinimumPlayers = -3"},
        {"MinimumPlayers = +3", [](auto& s) { return s.minimumPlayers == 3; }},
        // Decimal whatever the first digit; a token only partly a number costs its own key alone.
        {"MaximumPlayers = 12 MinimumPlayers = 010", [](auto& s) { return s.minimumPlayers == 10; }},
        // A full server votes at once: the host learns at start that no more are waited for.
        {"MinimumPlayers = 5 MaximumPlayers = 2", [](auto& s) { return s.minimumPlayers == 2; },
         "MinimumPlayers 5 is more than MaximumPlayers 2, and a full server votes at once: using 2"},
        {"PacketLoss = 12abc MinimumPlayers = 3", [](auto& s) { return s.packetLoss == 5.0f && s.minimumPlayers == 3; },
         "PacketLoss = 12abc is not read: a number in decimal digits was expected"},
        {"ForceUpdateTimeout = 1", [](auto& s) { return s.forceUpdateTimeout == 1.0; }},
        {"ForceUpdateTimeout = 0.5", [](auto& s) { return s.forceUpdateTimeout == 0.5; }},
        {"HostingIp = 5", [](auto& s) { return s.hostingIp.empty(); }, "HostingIp = 5"},
        {"HostingIp = \"10.0.0.1\"", [](auto& s) { return s.hostingIp == "10.0.0.1"; }},
        {"PrepareDuration = 0.0", [](auto& s) { return s.prepareDuration == 0.0f; }},
        {"ForceUpdateTimeout = 0.0", [](auto& s) { return s.forceUpdateTimeout == 0.0; }},
        {"PrepareDuration = -1.0", [](auto& s) { return s.prepareDuration == 3.0f; }, "PrepareDuration"},
        {"EndDuration = -5.0", [](auto& s) { return s.endDuration == 5.0f; }, "EndDuration"},
        {"VoteDuration = -0.5", [](auto& s) { return s.voteDuration == 3.0f; }, "VoteDuration"},
        {"ForceUpdateTimeout = -0.25", [](auto& s) { return s.forceUpdateTimeout == 0.25; }, "ForceUpdateTimeout"},
        {"GameStateUpdateRate = 0.0", [](auto& s) { return s.gameStateUpdateRate == 1.0 / 30; }, "GameStateUpdateRate"},
        // Beyond the float range, where narrowing is undefined.
        {"EndDuration = 1.0e39", [](auto& s) { return s.endDuration == 5.0f; }, "EndDuration"},
        // Its low 32 bits would be 2.
        {"MaximumPlayers = 4294967298", [](auto& s) { return s.maximumPlayers == 8; }, "MaximumPlayers"},
        // Player ids and loadout lists on the wire hold at most 15 players.
        {"MaximumPlayers = 16", [](auto& s) { return s.maximumPlayers == 15; }, "MaximumPlayers"},
        {"MaximumPlayers = 0", [](auto& s) { return s.maximumPlayers == 1; }, "MaximumPlayers"},
        {"MaximumPlayers = 15", [](auto& s) { return s.maximumPlayers == 15; }},
    };
    for (const Case& test : cases)
    {
        LogCapture log;
        const std::string text = std::string("{ HostingPort = 40000 ") + test.members + " }";
        EXPECT_TRUE(test.check(ParseRoleFile<ServerSettings>(text, TestPath))) << test.members;
        if (test.logged)
            EXPECT_TRUE(LoggedAbout(log, test.logged)) << test.members;
        else
            EXPECT_TRUE(log.messages.empty()) << test.members << ": " << log.messages.front();
    }
}

// The file has no default port: a missing or unusable one is the shipped files' port, with a message
// naming the file and the key.
TEST(NetworkSettings, MissingOrUnusablePortsAreTheDefaultPortWithAMessage)
{
    struct Case
    {
        const char* value; // null for no member
        uint16_t port;
    };
    // 70000 would be port 4464 by its low 16 bits.
    const Case cases[] = {{nullptr, 40000}, {"40001.0", 40000}, {"+40001", 40001}, {"0", 40000},
                          {"70000", 40000}, {"65535", 65535},   {"1", 1}};
    for (const Case& test : cases)
    {
        for (const std::string key : {"HostingPort", "MatcherPort"})
        {
            LogCapture log;
            const std::string text = test.value ? "{ " + key + " = " + test.value + " }" : "{ }";
            const uint16_t port = key == "HostingPort" ? ParseRoleFile<ServerSettings>(text, TestPath).hostingPort
                                                       : ParseRoleFile<ClientSettings>(text, TestPath).matcherPort;
            EXPECT_EQ(port, test.port) << text;
            EXPECT_EQ(LoggedAbout(log, key), port == 40000) << text;
        }
    }
}

// A role is made whatever state its file is in: with the defaults, and a message naming the file.
TEST(NetworkSettings, MissingUnreadableOrDamagedRoleFilesGiveTheDefaults)
{
    struct Case
    {
        const char* text; // null for no file
        bool folder;      // a folder stands where the file should be
        const char* logged;
    };
    const Case cases[] = {
        {nullptr, false, "cannot be read"},
        {nullptr, true, "cannot be read"},
        {"", false, "is not LON text at line 1, column 1 (expected a number)"},
        {"{\n\tSimulate = true\n\tPacketLoss = ", false, "is not LON text at line 3, column 15 (expected a number)"},
        {"[ 1 2 3 ]", false, "holds no object"},
    };
    for (const Case& test : cases)
    {
        TestFolder folder;
        FileManager files(folder.Root(), folder.Root(), folder.Root(), folder.Root());
        const std::string path = folder.Path("Assets/server.config");
        if (test.folder)
            std::filesystem::create_directories(path);
        if (test.text)
        {
            ASSERT_TRUE(File::WriteAllText(path, StringView::FromCString(test.text)));
        }
        LogCapture log;
        EXPECT_EQ(LoadRoleFile<ServerSettings>(files, ServerRoleFile), ServerSettings{}) << test.logged;
        EXPECT_TRUE(log.Logged("the role file " + path + " " + test.logged + ": its settings keep their defaults"));
        EXPECT_TRUE(log.Logged(path + " gives no HostingPort as an unsigned integer: using port 40000"));
    }
}

// The networking library reads numeric addresses alone: a name or nothing cannot be joined or bound to,
// and the line names the key and the file. An empty HostingIp is every address.
TEST(NetworkSettings, AnAddressThatIsNotNumericIsRefusedWithTheKeyAndTheFile)
{
    ServerSettings server;
    ClientSettings client;
    LogCapture log;
    EXPECT_TRUE(IsUsableAddress(server, TestPath));
    EXPECT_FALSE(IsUsableAddress(client, TestPath));
    server.hostingIp = "gameserver.lan";
    client.matcherIp = "::1";
    EXPECT_FALSE(IsUsableAddress(server, TestPath));
    EXPECT_TRUE(IsUsableAddress(client, TestPath));
    EXPECT_EQ(log.messages.size(), 2u);
    EXPECT_TRUE(LoggedAbout(log, "MatcherIp = \"\" is not an address"));
    EXPECT_TRUE(LoggedAbout(log, "HostingIp = \"gameserver.lan\" is not an address"));
}

// Texts that read as addresses but cannot work, a port (dropped without a word, or dialled twice), an IPv4
// address in IPv6 form (no socket here binds to or reaches one), a link-local address without the zone it
// needs and every address of a machine to dial, and texts that would read as addresses without a blank around
// them or a zone, are refused with what to write.
TEST(NetworkSettings, AnAddressWithAPortOrInIPv6FormIsRefusedWithWhatToWrite)
{
    LogCapture log;
    EXPECT_FALSE(IsUsableAddress(ServerSettings{{}, "127.0.0.1:40000"}, TestPath));
    EXPECT_FALSE(IsUsableAddress(ClientSettings{{}, "[fd80::1]:40001"}, TestPath));
    EXPECT_FALSE(IsUsableAddress(ClientSettings{{}, "::ffff:10.80.0.1"}, TestPath));
    EXPECT_TRUE(IsUsableAddress(ClientSettings{{}, "[::1]"}, TestPath));
    EXPECT_TRUE(IsUsableAddress(ServerSettings{{}, "::"}, TestPath));
    EXPECT_FALSE(IsUsableAddress(ServerSettings{{}, "fe80::1"}, TestPath));
    EXPECT_FALSE(IsUsableAddress(ClientSettings{{}, "fe80::1"}, TestPath));
    for (const char* refused : {"::", "0.0.0.0", " 10.0.0.1", "fd81::1%eth0 "})
        EXPECT_FALSE(IsUsableAddress(ClientSettings{{}, refused}, TestPath)) << refused;
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                "Assets/test.config: HostingIp = \"127.0.0.1:40000\" holds a port: write HostingIp = "
                                "\"127.0.0.1\" and the port as HostingPort = 40000",
                                "Assets/test.config: MatcherIp = \"[fd80::1]:40001\" holds a port: write MatcherIp = "
                                "\"fd80::1\" and the port as MatcherPort = 40001",
                                "Assets/test.config: MatcherIp = \"::ffff:10.80.0.1\" is an IPv4 address in IPv6 form, "
                                "which is neither bound to nor reached: write MatcherIp = \"10.80.0.1\"",
                                "Assets/test.config: HostingIp = \"fe80::1\" is a link-local address, which needs a "
                                "zone, and zones are not taken: write another address of this machine",
                                "Assets/test.config: MatcherIp = \"fe80::1\" is a link-local address, which needs a "
                                "zone, and zones are not taken: write another address of the server's machine",
                                "Assets/test.config: MatcherIp = \"::\" stands for every address of a machine, which a "
                                "server listens at but a client cannot dial: write the server's address, or MatcherIp "
                                "= \"::1\" for a server on this machine",
                                "Assets/test.config: MatcherIp = \"0.0.0.0\" stands for every address of a machine, "
                                "which a server listens at but a client cannot dial: write the server's address, or "
                                "MatcherIp = \"127.0.0.1\" for a server on this machine",
                                "Assets/test.config: MatcherIp = \" 10.0.0.1\" begins with a space: write MatcherIp = "
                                "\"10.0.0.1\"",
                                "Assets/test.config: MatcherIp = \"fd81::1%eth0 \" names a zone (%eth0), which is not "
                                "taken: write MatcherIp = \"fd81::1\""}));
}

// The broadcast address and multicast groups are no one machine's: refused as the other forms are, at once,
// rather than dialled into silence.
TEST(NetworkSettings, BroadcastAndMulticastAddressesAreRefusedWithWhatToWrite)
{
    LogCapture log;
    for (const char* refused : {"255.255.255.255", "239.1.2.3", "ff02::1"})
        EXPECT_FALSE(IsUsableAddress(ClientSettings{{}, refused}, TestPath)) << refused;
    EXPECT_FALSE(IsUsableAddress(ServerSettings{{}, "224.0.0.1"}, TestPath));
    EXPECT_TRUE(IsUsableAddress(ClientSettings{{}, "223.255.255.255"}, TestPath));
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                "Assets/test.config: MatcherIp = \"255.255.255.255\" is the broadcast address, which "
                                "names no one machine: write the server's address, or MatcherIp = \"127.0.0.1\" for a "
                                "server on this machine",
                                "Assets/test.config: MatcherIp = \"239.1.2.3\" is a multicast address, which names no "
                                "one machine: write the server's address, or MatcherIp = \"127.0.0.1\" for a server on "
                                "this machine",
                                "Assets/test.config: MatcherIp = \"ff02::1\" is a multicast address, which names no "
                                "one machine: write the server's address, or MatcherIp = \"::1\" for a server on this "
                                "machine",
                                "Assets/test.config: HostingIp = \"224.0.0.1\" is a multicast address, which names no "
                                "one machine: write one of this machine's addresses, or HostingIp = \"0.0.0.0\" for "
                                "every one"}));
}
