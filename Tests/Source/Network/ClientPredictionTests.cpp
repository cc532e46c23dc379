// A client's world against the server's: the server steps the whole tick for the client's player and
// its own bots; the client predicts every tick and, some frames late as over a link, takes the server's
// state through its wire form and replays the frames since, as its network role does.

#include "Source/Data/PartData.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/WorldState.h"
#include "Source/World/Part.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/Network/Messages/MessageTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

using MatchTesting::Match;

namespace
{

constexpr uint8_t Own = 0;
constexpr uint32_t Client = 1;

class ServerAndClient
{
public:
    // The own player wears the core named; bots 1 to bots join it on the other team.
    ServerAndClient(Lumvek::StringView core, uint8_t bots, uint32_t lateFrames)
        : lateFrames(lateFrames), limits(MessageLimits::FromRegistry(server.ownRegistry)),
          factory(allocator, limits)
    {
        for (Match* match : {&server, &client})
        {
            match->AddLocal(Own, 0, 0).loadout.core = match->ownRegistry.cores.FindIndex(core);
            for (uint8_t id = 1; id <= bots; ++id)
                match->AddBot(id, 1);
            match->Load("Crossroads");
            match->CreateRules();
            for (uint8_t id = 0; id <= bots; ++id)
                match->Place(id, {3.0f + 4.0f * id, 2.0f});
        }
        sent = factory.CreateMessage(static_cast<int>(GameStateMessage::Type));
        received = factory.CreateMessage(static_cast<int>(GameStateMessage::Type));
    }
    ~ServerAndClient()
    {
        factory.ReleaseMessage(sent);
        factory.ReleaseMessage(received);
    }

    // One frame with the own player's controls: the server steps it and sends its state, the client
    // steps it and takes the state that has come by then.
    void Frame(const std::function<void(PlayerInput&)>& controls)
    {
        for (Match* match : {&server, &client})
        {
            PlayerInput& input = match->PlayerOf(Own).input;
            input.buttons.fill(0);
            controls(input);
        }
        server.Tick();
        // The server frames every player's view on it before each state.
        for (Player* player : server.world->activePlayers)
            player->camera.position = {player->body.x, player->body.y};
        auto& state = static_cast<GameStateMessage&>(*sent);
        state.frame = frame + 1;
        const StateViewer own{Own, Client};
        CollectGameState(server, state.state, std::span(&own, 1), Client);
        CollectBots(server, state.state, Client);
        const std::optional<MessageTesting::WireImage> image = MessageTesting::Write(*sent);
        ASSERT_TRUE(image);
        inFlight.push_back(image->bytes);

        client.PlayerOf(Own).input.SaveHistory(frame);
        client.world->StepPredicted(Lumvek::TickSeconds);
        ++frame;
        if (inFlight.size() > lateFrames)
        {
            ASSERT_GT(MessageTesting::Read(*received, inFlight.front()), 0);
            inFlight.pop_front();
            const auto& arrived = static_cast<const GameStateMessage&>(*received);
            ApplyGameState(client, arrived.state);
            client.world->Resimulate({}, arrived.frame, frame);
        }
    }

    float Distance(uint8_t id)
    {
        const PlayerBody& there = server.PlayerOf(id).body;
        const PlayerBody& here = client.PlayerOf(id).body;
        return std::hypot(there.x - here.x, there.y - here.y);
    }

    Match server{true};
    Match client{true};
    const uint32_t lateFrames;
    uint32_t frame = 0;

private:
    MessageLimits limits;
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory;
    Net::Message* sent = nullptr;
    Net::Message* received = nullptr;
    std::deque<std::vector<uint8_t>> inFlight;
};

// How many animations the player's channels have started since the last count.
struct AnimationStarts
{
    uint32_t Count(const Player& player)
    {
        for (uint32_t i = 0; i < AnimationChannelCount; ++i)
            if (player.animation.current[i] != last[i])
            {
                last[i] = player.animation.current[i];
                ++starts;
            }
        return starts;
    }
    std::array<const PlayerAnimation*, AnimationChannelCount> last{};
    uint32_t starts = 0;
};

} // namespace

// With nothing lost or late but the link's frames, a client's own player walking through mud, flying
// the jetpack up through the low gravity and landing stays where the server has it: nothing the server
// does to its movement is left out of the client's step or of the state.
TEST(ClientPrediction, TheOwnPlayerInMudOnTheJetpackAndInLowGravityStaysWhereTheServerHasIt)
{
    ServerAndClient link("Jetpack", 0, 6);
    // From 3 to the mud at 13 to 17, on through it to the lift's shaft, then up on the jetpack.
    const auto walk = [](PlayerInput& input) { input.move = PlayerInput::AxisRange; };
    const auto fly = [](PlayerInput& input)
    {
        input.move = PlayerInput::AxisRange / 3;
        input[PlayerAction::Use] = 1;
    };
    float mud = 0.0f;
    float flight = 0.0f;
    bool wadedThrough = false;
    for (int i = 0; i < 320; ++i)
    {
        link.Frame(walk);
        const float x = link.server.PlayerOf(Own).body.x;
        wadedThrough = wadedThrough || x > 17.0f;
        mud = std::max(mud, link.Distance(Own));
    }
    ASSERT_TRUE(wadedThrough);
    float highest = 0.0f;
    for (int i = 0; i < 200; ++i)
    {
        link.Frame(i % 100 < 70 ? fly : walk);
        highest = std::max(highest, link.server.PlayerOf(Own).body.y);
        flight = std::max(flight, link.Distance(Own));
    }
    EXPECT_GT(highest, 6.0f) << "the jetpack took the player up";
    EXPECT_LT(mud, 0.01f);
    EXPECT_LT(flight, 0.05f);
    // The gauge follows the fuel the server burns.
    EXPECT_EQ(link.client.PlayerOf(Own).core->energy, link.server.PlayerOf(Own).core->energy);
    EXPECT_LT(link.server.PlayerOf(Own).core->energy, Part::MaximumEnergy);
}

// A client sees the server's bots where they are, a few frames' guess away, and animating about as
// often as on the server.
TEST(ClientPrediction, BotsMoveAndAnimateOnAClientAsOnTheServer)
{
    constexpr uint8_t Bots = 3;
    ServerAndClient link("BasicCore", Bots, 6);
    std::array<AnimationStarts, Bots + 1> onServer;
    std::array<AnimationStarts, Bots + 1> onClient;
    std::array<float, Bots + 1> travelled{};
    float farthest = 0.0f;
    double total = 0.0;
    uint32_t compared = 0;
    for (int i = 0; i < 900; ++i)
    {
        link.Frame([](PlayerInput&) {});
        for (uint8_t id = 1; id <= Bots; ++id)
        {
            const Player& bot = link.server.PlayerOf(id);
            onServer[id].Count(bot);
            onClient[id].Count(link.client.PlayerOf(id));
            if (!bot.body.active || !link.client.PlayerOf(id).body.active)
                continue;
            travelled[id] += std::fabs(bot.body.x - bot.body.previousX);
            const float distance = link.Distance(id);
            farthest = std::max(farthest, distance);
            total += distance;
            ++compared;
        }
    }
    ASSERT_GT(compared, 0u);
    for (uint8_t id = 1; id <= Bots; ++id)
    {
        SCOPED_TRACE(id);
        EXPECT_GT(travelled[id], 5.0f) << "the bot walked on the server";
        EXPECT_GE(onClient[id].starts, onServer[id].starts * 2 / 3);
        EXPECT_LE(onClient[id].starts, onServer[id].starts * 3 / 2);
    }
    EXPECT_LT(total / compared, 0.1);
    EXPECT_LT(farthest, 1.5f);
}

// A state sent before the own player respawned names it dead where it died: it leaves the living
// player where the spawn put it, and a state of the living player moves it again.
TEST(ClientPrediction, AStateFromBeforeTheSpawnLeavesTheRespawnedPlayerWhereItSpawned)
{
    ServerAndClient link("BasicCore", 0, 0);
    Player& died = link.server.PlayerOf(Own);
    died.body.Reset({30.0f, 2.0f}, false);
    died.health = 0.0f;
    GameState before;
    const StateViewer own{Own, Client};
    CollectGameState(link.server, before, std::span(&own, 1), Client);

    Player& spawned = link.client.Place(Own, {5.0f, 2.0f});
    ApplyGameState(link.client, before);
    EXPECT_EQ(spawned.body.x, 5.0f);

    GameState after = before;
    after.ownPlayers[0].health = 100.0f;
    ApplyGameState(link.client, after);
    EXPECT_EQ(spawned.body.x, 30.0f);
}
