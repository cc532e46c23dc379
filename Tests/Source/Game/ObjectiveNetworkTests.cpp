// A dedicated server and one client, each a whole game system over its own scratch application folder,
// play each objective mode over the in-memory network. Scripted moves of the client's player on the
// server bring each match to its end, while the client is checked to show the stands, checkpoints,
// flags and token.

#include "Libraries/Net/Socket.h"
#include "Source/Data/TriggerData.h"
#include "Source/GameTypes/CaptureTheFlag.h"
#include "Source/GameTypes/Keepaway.h"
#include "Source/GameTypes/Race.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/World/World.h"
#include "Tests/Source/Game/GameTestSupport.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

// A configuration of the mode with no bots: the client's player is the only one.
std::string ModeMatch(const std::string& name, const std::string& mode, const std::string& map, uint32_t teams,
                      const std::string& settings)
{
    return R"({"Name": ")" + name + R"(", "Map": ")" + map + R"(", "Theme": "Meadow", "GameType": ")" + mode +
           R"(", "TeamCount": )" + std::to_string(teams) +
           R"(, "Loadout": {"StartingWeapon": "Rifle"}, "GameTypeSettings": )" + settings + "}";
}

class ObjectiveMatch
{
public:
    // The three configurations a vote can choose are all this one.
    explicit ObjectiveMatch(const std::string& configuration)
    {
        NetworkSettings timing;
        timing.prepareDuration = 0.2f;
        timing.endDuration = 0.5f;
        ServerSettings serverSettings;
        static_cast<NetworkSettings&>(serverSettings) = timing;
        serverSettings.hostingPort = 40000;
        serverSettings.minimumPlayers = 1;
        serverSettings.maximumPlayers = 1;
        serverSettings.connectionTimeout = 1.0f;
        serverSettings.voteDuration = 0.3f;
        serverSettings.loadDuration = 0.2f;
        serverSettings.intermissionDuration = 0.5f;
        ClientSettings clientSettings;
        static_cast<NetworkSettings&>(clientSettings) = timing;
        clientSettings.matcherIp = "10.0.0.1";
        clientSettings.matcherPort = 40000;

        for (size_t i = 0; i < machines.size(); ++i)
        {
            GameFixture& machine = machines[i];
            machine.Write("Assets/Configurations/Configurations.json", R"(["One", "Two", "Three", "Default"])");
            for (const char* name : {"One", "Two", "Three"})
                machine.Write(std::string("Assets/Configurations/") + name + ".data", configuration);
            machine.Start();
            machine.game->random.Seed(5 + static_cast<uint32_t>(i));
            transports[i] = std::make_unique<Net::MemoryTransport>(
                network, Net::Address(10, 0, 0, static_cast<uint8_t>(1 + i), static_cast<uint16_t>(40000 + i)));
            Vantorel_& game = *machine.game;
            std::unique_ptr<Network> role;
            if (i == 0)
                role = std::make_unique<ServerNetwork>(game, serverSettings, 5, transports[i].get());
            else
            {
                game.configuration.players.emplace_back(nullptr, 0);
                role = std::make_unique<ClientNetwork>(game, clientSettings, 51, transports[i].get());
            }
            const auto writer = [](const Journal&) { return std::string("journal"); };
            if (auto* server = dynamic_cast<ServerNetwork*>(role.get()))
                server->SetJournalWriter(writer);
            else
                static_cast<ClientNetwork*>(role.get())->SetJournalWriter(writer);
            game.SetNetwork(std::move(role), i == 0, i != 0);
        }
    }

    Vantorel_& Server() { return *machines[0].game; }
    Vantorel_& Client() { return *machines[1].game; }
    NetworkState StateOf(Vantorel_& game) { return game.GetNetwork() ? game.GetNetwork()->GetState() : NetworkState::Stopped; }

    void Frame()
    {
        for (GameFixture& machine : machines)
            machine.Frame();
    }
    // Frames until the condition holds, at most the limit; whether it holds.
    bool RunUntil(const std::function<bool()>& condition, int32_t frames = 60 * 60)
    {
        for (int32_t frame = 0; frame < frames && !condition(); ++frame)
            Frame();
        return condition();
    }
    // Both sides playing, and the client's player on the server spawned in.
    bool StartPlaying()
    {
        return RunUntil(
            [this]
            {
                Player* player = ServerPlayer();
                return StateOf(Server()) == NetworkState::Playing && StateOf(Client()) == NetworkState::Playing &&
                       player && player->body.physicsBody;
            });
    }
    bool RunToTheEnd()
    {
        return RunUntil(
            [this] { return StateOf(Server()) == NetworkState::Ended && StateOf(Client()) == NetworkState::Ended; });
    }

    // The client's player as the server runs it.
    Player* ServerPlayer()
    {
        auto& remote = Server().configuration.remotePlayers;
        return remote.empty() ? nullptr : remote.front().player;
    }
    // The player stands at the position, as if it had walked there.
    void Place(Vector2 position)
    {
        Player& player = *ServerPlayer();
        player.body.Reset(position, false);
        player.body.active = 1;
    }
    // The player takes the item from its pickup onto its body.
    void Take(const Item& item)
    {
        World& world = *Server().world;
        for (Pickup& pickup : world.pickups.View())
            if (pickup.item.get() == &item && pickup.body->active)
            {
                Place({pickup.body->x, pickup.body->y});
                Player& player = *ServerPlayer();
                pickup.GiveTo(player);
                player.CarryItem(std::move(player.handItem));
                return;
            }
        ADD_FAILURE() << "the item lies nowhere";
    }

    template <class Kind> uint32_t CountClientPickups()
    {
        uint32_t count = 0;
        for (const Pickup& pickup : Client().world->pickups.View())
            count += pickup.body->active && dynamic_cast<const Kind*>(pickup.item.get()) ? 1u : 0u;
        return count;
    }
    uint32_t CountClientTriggers(const std::string& name)
    {
        uint32_t count = 0;
        for (const Trigger& trigger : Client().world->triggers.View())
            count += trigger.body->active && trigger.data && trigger.data->name == name ? 1u : 0u;
        return count;
    }

private:
    // The roles go before the transports they send through, and those before their network.
    Net::MemoryNetwork network{1024, 2048};
    std::array<std::unique_ptr<Net::MemoryTransport>, 2> transports;
    std::array<GameFixture, 2> machines;
};

} // namespace

TEST(ObjectiveNetworkMatch, AFlagCarriedToItsStandOnTheServerEndsTheMatchTheClientSawTheFlagsAndStandsOf)
{
    ObjectiveMatch match(ModeMatch("Flags", "CaptureTheFlag", "Hilltop", 2, R"({"CapturesToWin": 1})"));
    ASSERT_TRUE(match.StartPlaying());
    auto& rules = dynamic_cast<CaptureTheFlag&>(*match.Server().GetGameType());
    ASSERT_TRUE(match.RunUntil([&] { return match.CountClientTriggers("FlagStand") == 2; }));
    Player& player = *match.ServerPlayer();
    ASSERT_EQ(player.team, 0);
    // The client sees its own flag while it stands at home.
    match.Place({3.0f, 2.0f});
    EXPECT_TRUE(match.RunUntil([&] { return match.CountClientPickups<CtfFlag>() >= 1; }, 120));
    match.Take(*rules.GetFlags().at(1));
    const Trigger* home = nullptr;
    for (const Trigger& trigger : match.Server().world->triggers.View())
        if (const auto* stand = dynamic_cast<const CtfFlagStandAction*>(trigger.enterAction.get());
            stand && stand->team == 0)
            home = &trigger;
    ASSERT_NE(home, nullptr);
    match.Place({home->body->x, home->body->y});
    EXPECT_TRUE(match.RunToTheEnd());
    EXPECT_TRUE(rules.IsEnded());
    EXPECT_EQ(rules.GetStatistics(player.index).captures, 1u);
}

TEST(ObjectiveNetworkMatch, AHeldTokenEndsTheMatchWhileTheClientsStatesKeepArriving)
{
    ObjectiveMatch match(ModeMatch("Tokens", "Keepaway", "Hilltop", 1, R"({"TimeToWin": 30, "TokenCount": 1})"));
    ASSERT_TRUE(match.StartPlaying());
    auto& rules = dynamic_cast<Keepaway&>(*match.Server().GetGameType());
    // Standing by the token, the client sees it lie there.
    const KeepawayToken& token = *rules.GetTokens().at(0);
    for (const Pickup& pickup : match.Server().world->pickups.View())
        if (pickup.item.get() == &token)
            match.Place({pickup.body->x + 1.0f, pickup.body->y});
    EXPECT_TRUE(match.RunUntil([&] { return match.CountClientPickups<KeepawayToken>() == 1; }, 120));
    match.Take(token);
    auto* client = dynamic_cast<ClientNetwork*>(match.Client().GetNetwork());
    ASSERT_NE(client, nullptr);
    // States arrive every few frames while the token is held in the client's own view.
    uint32_t lastState = client->GetNextStateFrame();
    uint32_t arrivals = 0;
    for (int frame = 0; frame < 30 * 60 - 60; ++frame)
    {
        match.Frame();
        if (client->GetNextStateFrame() != lastState)
            ++arrivals;
        lastState = client->GetNextStateFrame();
    }
    EXPECT_GT(arrivals, 300u);
    const Player* own = match.Client().configuration.players.front().player;
    ASSERT_NE(own, nullptr);
    EXPECT_NE(dynamic_cast<const KeepawayToken*>(own->carriedItem.get()), nullptr);
    EXPECT_TRUE(match.RunToTheEnd());
    EXPECT_TRUE(rules.IsEnded());
}

TEST(ObjectiveNetworkMatch, EveryCheckpointTouchedOnTheServerEndsTheRaceTheClientSawTheCheckpointsOf)
{
    ObjectiveMatch match(ModeMatch("Course", "Race", "Crossroads", 1, R"({"CheckpointsToWin": 6, "Crazy": true})"));
    ASSERT_TRUE(match.StartPlaying());
    auto& rules = dynamic_cast<Race&>(*match.Server().GetGameType());
    ASSERT_TRUE(match.RunUntil([&] { return match.CountClientTriggers("Checkpoint") == 6; }));
    for (const Race::Checkpoint& checkpoint : rules.GetCheckpoints().at(0))
    {
        match.Place({checkpoint.point.x, checkpoint.point.y});
        match.Frame();
        match.Frame();
    }
    EXPECT_TRUE(match.RunToTheEnd());
    EXPECT_TRUE(rules.IsEnded());
}
