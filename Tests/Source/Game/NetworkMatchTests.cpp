// A dedicated server and two clients, each a whole game system over its own scratch application
// folder, play a match in one process over the in-memory network, all three on one simulated clock.

#include "Libraries/Net/Client.h"
#include "Libraries/Net/ConnectToken.h"
#include "Libraries/Net/Socket.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/SimulatedLink.h"
#include "Tests/Source/Game/GameTestSupport.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

// Short bot deathmatches: the first three configurations are the ones a vote can choose.
std::string ShortMatch(const char* name)
{
    return std::string(R"({"Name": ")") + name + R"(", "Map": "Crossroads", "Theme": "Meadow",
        "GameType": "Deathmatch", "TeamCount": 2,
        "Bots": [{"TeamId": 0, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}},
                 {"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
        "Loadout": {"StartingWeapon": "Rifle"},
        "GameTypeSettings": {"PointsToWin": 3}})";
}

// What one run leaves behind to compare with another of the same seed.
struct Outcome
{
    bool allEnded = false;
    std::vector<int32_t> serverScores;
    uint32_t serverFrame = 0;
    // Frames the server stepped with an input missing.
    uint64_t incompleteFrames = 0;
    std::array<uint32_t, 2> clientFrames{};
    std::vector<size_t> journalSizes;
    // Frames at which an idle client player stood on the server and on its client, where both were seen.
    uint32_t comparedFrames = 0;
    uint32_t mismatchedFrames = 0;
};

struct Machine
{
    Machine()
    {
        fixture.Write("Assets/Configurations/Configurations.json", R"(["One", "Two", "Three", "Default"])");
        fixture.Write("Assets/Configurations/One.data", ShortMatch("One"));
        fixture.Write("Assets/Configurations/Two.data", ShortMatch("Two"));
        fixture.Write("Assets/Configurations/Three.data", ShortMatch("Three"));
    }

    GameFixture fixture;
    Net::MemoryTransport* transport = nullptr;
    std::vector<std::string> journals;
};

class NetworkMatch
{
public:
    // With passers-by, that many clients each join, add a player and leave before the second client
    // starts, and the server has room for three.
    NetworkMatch(uint32_t seed, NetworkSettings simulation, int passersBy = 0)
    {
        simulation.prepareDuration = 0.2f;
        simulation.endDuration = 0.5f;

        ServerSettings serverSettings;
        static_cast<NetworkSettings&>(serverSettings) = simulation;
        serverSettings.hostingPort = 40000;
        serverSettings.minimumPlayers = 2;
        serverSettings.maximumPlayers = passersBy ? 3 : 2;
        serverSettings.connectionTimeout = 1.0f;
        serverSettings.voteDuration = 0.3f;
        serverSettings.loadDuration = 0.2f;
        serverSettings.intermissionDuration = 0.5f;

        ClientSettings clientSettings;
        static_cast<NetworkSettings&>(clientSettings) = simulation;
        clientSettings.matcherIp = "10.0.0.1";
        clientSettings.matcherPort = 40000;

        for (size_t i = 0; i < machines.size(); ++i)
        {
            if (i == 2)
                for (int passer = 0; passer < passersBy; ++passer)
                    PassBy(static_cast<uint8_t>(10 + passer));
            Machine& machine = machines[i];
            machine.fixture.Start();
            machine.fixture.game->random.Seed(seed + static_cast<uint32_t>(i));
            transports[i] = std::make_unique<Net::MemoryTransport>(
                network, Net::Address(10, 0, 0, static_cast<uint8_t>(1 + i), static_cast<uint16_t>(40000 + i)));
            Vantorel_& game = *machine.fixture.game;
            std::unique_ptr<Network> role;
            if (i == 0)
                role = std::make_unique<ServerNetwork>(game, serverSettings, seed, transports[i].get());
            else
            {
                game.configuration.players.emplace_back(nullptr, 0);
                role = std::make_unique<ClientNetwork>(game, clientSettings, seed * 10 + i, transports[i].get());
            }
            std::vector<std::string>* journals = &machine.journals;
            const auto writer = [journals](const Journal& journal)
            {
                journals->push_back(journal.Write());
                return std::string("journal");
            };
            if (auto* server = dynamic_cast<ServerNetwork*>(role.get()))
                server->SetJournalWriter(writer);
            else
                static_cast<ClientNetwork*>(role.get())->SetJournalWriter(writer);
            game.SetNetwork(std::move(role), i == 0, i != 0);
        }
    }

    Vantorel_& Game(size_t i) { return *machines[i].fixture.game; }

    // Frames on every machine until done, or the limit; whether done came.
    bool RunUntil(int32_t frames, const std::function<bool()>& done)
    {
        for (int32_t frame = 0; frame < frames && !done(); ++frame)
            for (Machine& machine : machines)
                machine.fixture.Frame();
        return done();
    }

    // Frames until every role has ended a match, or the limit. The first client may stand still for
    // some frames once it has played stallAt of its own, as a machine that stalls does.
    // The first client may also run rushFrames frames ahead as it starts, as one does that counted
    // frames while its render resources took long to load; or, with lateLoad, load its match until
    // the server plays it, as a slow machine does.
    Outcome Play(int32_t frames, uint32_t stallAt = 0, int32_t stallFrames = 0, int32_t rushFrames = 0,
                 bool lateLoad = false)
    {
        Outcome outcome;
        std::array<bool, 3> ended{};
        std::map<uint32_t, Vector2> serverPositions;
        std::map<uint32_t, Vector2> clientPositions;
        for (int32_t frame = 0; frame < frames && !(ended[0] && ended[1] && ended[2]); ++frame)
        {
            for (size_t i = 0; i < machines.size(); ++i)
            {
                const auto* client = i == 1 ? dynamic_cast<const ClientNetwork*>(Game(i).GetNetwork()) : nullptr;
                if (client && stallFrames > 0 && client->GetState() == NetworkState::Playing &&
                    client->GetFrame() >= stallAt)
                {
                    --stallFrames;
                    continue;
                }
                if (client && lateLoad &&
                    (client->GetState() == NetworkState::Loading || client->GetState() == NetworkState::Loaded))
                {
                    // Its game system is busy loading: only the role hears the server.
                    Game(i).GetNetwork()->Update(Vantorel_::StepLength);
                    continue;
                }
                machines[i].fixture.Frame();
                if (client && rushFrames > 0 && client->GetState() == NetworkState::Playing)
                    for (; rushFrames > 0; --rushFrames)
                        Game(i).GetNetwork()->Step(Lumvek::TickSeconds);
                const Network* role = Game(i).GetNetwork();
                if (role && role->GetState() == NetworkState::Ended)
                    ended[i] = true;
            }
            Track(serverPositions, clientPositions);
        }
        outcome.allEnded = ended[0] && ended[1] && ended[2];
        if (const auto* server = dynamic_cast<const ServerNetwork*>(Game(0).GetNetwork()))
        {
            outcome.serverFrame = server->GetFrame();
            outcome.incompleteFrames = server->GetIncompleteFrames();
        }
        if (const GameType* rules = Game(0).GetGameType())
            for (const ScoreEntry& entry : rules->GetTeamScores())
                outcome.serverScores.push_back(entry.score);
        for (size_t i = 1; i < machines.size(); ++i)
            if (const auto* client = dynamic_cast<const ClientNetwork*>(Game(i).GetNetwork()))
                outcome.clientFrames[i - 1] = client->GetFrame();
        for (const Machine& machine : machines)
            for (const std::string& journal : machine.journals)
                outcome.journalSizes.push_back(journal.size());
        for (const auto& [at, position] : clientPositions)
        {
            const auto found = serverPositions.find(at);
            if (found == serverPositions.end())
                continue;
            ++outcome.comparedFrames;
            if (!(found->second == position))
                ++outcome.mismatchedFrames;
        }
        return outcome;
    }

private:
    // A client of the test's own that joins with one player and leaves, while the others run.
    void PassBy(uint8_t host)
    {
        Net::MemoryTransport transport(network, Net::Address(10, 0, 0, host, 50000));
        const MessageLimits limits = MessageLimits::FromRegistry(*Game(0).registry);
        VantorelAdapter adapter(limits);
        Net::DefaultAllocator allocator;
        double time = 0.0;
        Net::Client client(allocator, transport, Game(0).GetNetwork()->GetConfig(), adapter, time);
        uint8_t token[Net::ConnectTokenBytes];
        const Net::Address server(10, 0, 0, 1, 40000);
        ASSERT_TRUE(Net::GenerateConnectToken(1, &server, 60, 10, host, 0, host, GameServerKey, nullptr, token));
        client.Connect(host, token);
        const auto& players = static_cast<const ServerNetwork*>(Game(0).GetNetwork())->GetPlayers();
        const auto frameUntil = [&](const std::function<bool()>& done)
        {
            for (int frame = 0; frame < 600 && !done(); ++frame)
            {
                client.SendPackets();
                client.ReceivePackets();
                client.AdvanceTime(time += Lumvek::TickSeconds);
                while (Net::Message* message = client.ReceiveMessage(0))
                    client.ReleaseMessage(message);
                machines[0].fixture.Frame();
                if (Game(1).GetNetwork())
                    machines[1].fixture.Frame();
            }
            return done();
        };
        ASSERT_TRUE(frameUntil([&] { return client.IsConnected(); }));
        auto* add = static_cast<AddPlayerMessage*>(client.CreateMessage(static_cast<int>(GameMessageType::AddPlayer)));
        add->count = 1;
        client.SendMessage(0, add);
        ASSERT_TRUE(frameUntil([&] { return players.size() == 2; }));
        client.Disconnect();
        ASSERT_TRUE(frameUntil([&] { return players.size() == 1; }));
    }

    // The first client's player while it stands idle and unharmed, on both sides, by the frames
    // each side has stepped.
    void Track(std::map<uint32_t, Vector2>& onServer, std::map<uint32_t, Vector2>& onClient)
    {
        const auto* server = dynamic_cast<const ServerNetwork*>(Game(0).GetNetwork());
        const auto* client = dynamic_cast<const ClientNetwork*>(Game(1).GetNetwork());
        if (!server || !client || server->GetState() != NetworkState::Playing ||
            client->GetState() != NetworkState::Playing || Game(1).configuration.players.empty())
            return;
        const PlayerSlot& own = Game(1).configuration.players.front();
        if (!own.player || own.id >= World::PlayerCount)
            return;
        const Player* authority = Game(0).configuration.GetPlayer(own.id).player;
        if (!authority)
            return;
        const auto untouched = [](const Player& player)
        { return player.body.active && player.health >= player.GetEffective(&Attributes::maximumHealth); };
        if (untouched(*authority))
            onServer[server->GetFrame()] = {authority->body.x, authority->body.y};
        if (untouched(*own.player))
            onClient[client->GetFrame()] = {own.player->body.x, own.player->body.y};
    }

    // The roles go before the transports they send through, and those before their network.
    Net::MemoryNetwork network{1024, 2048};
    std::array<std::unique_ptr<Net::MemoryTransport>, 3> transports;
    std::array<Machine, 3> machines;
};

// A seed whose bots score their three points within half a minute, and the frames that leaves with
// the vote, loading and the countdown before it.
constexpr uint32_t MatchSeed = 23;
constexpr int32_t FrameLimit = 60 * 60;

} // namespace

TEST(NetworkMatch, UnderLossAServerAndTwoClientsPlayToTheEndTheSameWayForOneSeed)
{
    for (const NetworkSettings& loss : {Simulated(50, 20, 5, 5), Simulated(100, 50, 20, 10)})
    {
        SCOPED_TRACE(loss.packetLoss);
        Outcome first = NetworkMatch(MatchSeed, loss).Play(FrameLimit);
        Outcome second = NetworkMatch(MatchSeed, loss).Play(FrameLimit);
        EXPECT_TRUE(first.allEnded);
        ASSERT_FALSE(first.serverScores.empty());
        EXPECT_EQ(first.serverScores.front(), 3);
        EXPECT_EQ(first.serverScores, second.serverScores);
        EXPECT_EQ(first.serverFrame, second.serverFrame);
        EXPECT_EQ(first.clientFrames, second.clientFrames);
        // Every role wrote one journal of the set-up alone.
        EXPECT_EQ(first.journalSizes, (std::vector<size_t>{173, 173, 173}));
    }
}

// A client that counted three seconds of frames before it started (a slow load) is further ahead of
// the server than its inputs may be: it falls back to a round trip ahead instead of having every input
// refused as too early. When it later stands still for half a second and finds the server past the
// frames it would send next, it moves ahead again instead of having every later input come too late.
TEST(NetworkMatch, AClientFarAheadOfTheServerFallsBackAndOneBehindItCatchesUp)
{
    Outcome outcome = NetworkMatch(MatchSeed, {}).Play(FrameLimit, 300, 30, 180);
    EXPECT_TRUE(outcome.allEnded);
    // The frames the client slept through, and the few before it finds itself behind.
    EXPECT_LT(outcome.incompleteFrames, 60u);
}

// A client still loading its match when the server has counted down and started plays it all the
// same once its load is done, instead of waiting out the match behind its loading screen.
TEST(NetworkMatch, AClientThatLoadsPastTheCountdownJoinsTheRunningMatch)
{
    Testing::LogCapture log;
    Outcome outcome = NetworkMatch(MatchSeed, {}).Play(FrameLimit, 0, 0, 0, true);
    EXPECT_TRUE(outcome.allEnded);
    // The server and both clients.
    EXPECT_EQ(std::count_if(log.messages.begin(), log.messages.end(),
                            [](const std::string& message)
                            { return message.find(" game screens") != std::string::npos; }),
              3);
}

// Three clients join with a player and leave before a newcomer joins, who takes the id they held: the
// newcomer's player plays on the server and on both clients, and the newcomer, who never heard of the
// three, reads the scores and the end of the match like the others. Without loss an idle client player
// is predicted where the server puts it.
TEST(NetworkMatch, ANewcomerAfterThreeDeparturesIsOnEveryMachine)
{
    Testing::LogCapture log;
    NetworkMatch match(MatchSeed, {}, 3);
    const Outcome outcome = match.Play(FrameLimit);
    EXPECT_TRUE(outcome.allEnded);
    EXPECT_GT(outcome.comparedFrames, 60u);
    EXPECT_EQ(outcome.mismatchedFrames, 0u);
    const uint8_t newcomer = match.Game(2).configuration.players.front().id;
    const auto& remote = match.Game(0).configuration.remotePlayers;
    // The three who left before the match took their slots with them.
    EXPECT_EQ(std::count_if(remote.begin(), remote.end(), [](const RemotePlayerSlot& slot) { return slot.removed; }),
              0);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NE(match.Game(i).configuration.GetPlayer(newcomer).player, nullptr) << i;
    EXPECT_FALSE(log.Logged("failed to create Player"));
}

// A client paused when the server ends the match is let go by the end, and plays the next match too.
TEST(NetworkMatch, AClientPausedWhenItsMatchEndsGoesOnWithTheServerToTheNextMatch)
{
    NetworkMatch match(MatchSeed, {});
    Vantorel_& client = match.Game(1);
    const auto reaches = [&](size_t i, NetworkState state)
    { return match.RunUntil(FrameLimit, [&] { return match.Game(i).GetNetwork()->GetState() == state; }); };
    ASSERT_TRUE(reaches(1, NetworkState::Playing));
    client.PauseMatch(true);
    ASSERT_TRUE(reaches(0, NetworkState::Ended));
    ASSERT_TRUE(reaches(0, NetworkState::Playing));
    const auto* role = static_cast<const ClientNetwork*>(client.GetNetwork());
    EXPECT_TRUE(match.RunUntil(FrameLimit, [&] { return role->GetFrame() > 60; }));
    EXPECT_EQ(client.GetMatchFlow(), MatchFlow::Running);
}
