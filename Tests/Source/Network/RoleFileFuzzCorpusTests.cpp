#include "Tests/Source/Network/Fuzz/RoleFileHarness.h"

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

std::string ReadShipped(const char* name)
{
    const auto [read, text] = File::ReadAllText(Lumvek::Testing::SourceFolder() + "/Assets/" + name);
    EXPECT_TRUE(read) << name;
    return text;
}

int FeedHarness(const std::string& text)
{
    return FuzzRoleFile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

} // namespace

// The harness traps on a record the role cannot use, so surviving is the whole check.
TEST(RoleFileFuzzCorpus, ShippedAndDamagedRoleFilesGiveUsableSettings)
{
    std::vector<std::string> corpus;
    for (const char* name : {"local.config", "client.config", "server.config"})
        corpus.push_back(ReadShipped(name));

    // Every cut of the longest file: what an interrupted copy leaves.
    const std::string server = corpus.back();
    for (size_t length = 0; length < server.size(); ++length)
        corpus.push_back(server.substr(0, length));

    const char* const damaged[] = {
        "{ PrepareDuration = -1.0 EndDuration = -1.0e300 ConnectionTimeout = 1.0e39 LoadDuration = -0.5 }",
        "{ ForceUpdateTimeout = -0.25 GameStateUpdateRate = 0.0 PacketLoss = 1.0e308 }",
        "{ HostingPort = 0 MatcherPort = 65536 MaximumPlayers = 4294967296 }",
        "{ HostingPort = 40000 HostingPort = -1 MatcherPort = 1.0 }",
        "{ HostingIp { a = 1 } MatcherIp [ 1 2 ] Simulate = \"yes\" }",
        "[ 1 2 3 ]",
        "{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{",
        "{ PrepareDuration = 1.0e-400 }",
    };
    for (const char* text : damaged)
        corpus.emplace_back(text);
    corpus.push_back(std::string("{ Simulate = true\0 PacketLoss = 1.0 }", 36));

    for (const std::string& text : corpus)
        EXPECT_EQ(FeedHarness(text), 0) << text;
}
