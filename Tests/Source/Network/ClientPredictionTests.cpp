// A client's world against the server's: the server steps the whole tick for the client's player and
// its own bots; the client predicts every tick and, six frames late as over a link, takes the server's
// state through its wire form and replays the frames since, as its network role does.

#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/WorldState.h"
#include "Source/World/Part.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/Network/Messages/MessageTestSupport.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>

namespace
{

constexpr uint8_t Own = 0;
constexpr StateViewer OwnView{Own, 1};

// One player over the frames that both worlds have it alive: how far apart they have it, where the
// server takes it and how many animations each starts on it.
struct Watch
{
    float farthest = 0.0f;
    double apart = 0.0;
    uint32_t frames = 0;
    float travelled = 0.0f;
    Lumvek::Vector2 reach;
    std::array<uint32_t, 2> starts{};
    std::array<std::array<const PlayerAnimation*, AnimationChannelCount>, 2> last{};
    // The client's largest move in one frame of the body and of where it is drawn.
    float bodyStep = 0.0f, drawnStep = 0.0f;
    Lumvek::Vector2 lastBody, lastDrawn;
};

// The own player wears the core named; bots 1 to bots join it on the other team.
struct ServerAndClient
{
    ServerAndClient(Lumvek::StringView core, uint8_t bots) : watches(bots + 1u)
    {
        for (MatchTesting::Match* match : {&server, &client})
        {
            match->AddLocal(Own, 0, 0).loadout.core = match->ownRegistry.cores.FindIndex(core);
            for (uint8_t id = 1; id <= bots; ++id)
                match->AddBot(id, 1);
            match->Load("Crossroads");
            match->CreateRules();
            for (uint8_t id = 0; id <= bots; ++id)
                match->Place(id, {3.0f + 4.0f * id, 2.0f});
        }
    }

    // One frame with the own player's controls: the server steps it and sends its state, the client
    // steps it and takes the state that has come by then.
    void Frame(int8_t move = 0, bool use = false)
    {
        for (MatchTesting::Match* match : {&server, &client})
        {
            PlayerInput& input = match->PlayerOf(Own).input;
            input.buttons.fill(0);
            input.move = move;
            input[PlayerAction::Use] = use;
        }
        server.Tick();
        // The server frames every player's view on it before each state.
        for (Player* player : server.world->activePlayers)
            player->camera.position = {player->body.x, player->body.y};
        sent.frame = frame + 1;
        CollectGameState(server, sent.state, std::span(&OwnView, 1), OwnView.client);
        CollectBots(server, sent.state, OwnView.client);
        inFlight.push_back(MessageTesting::Write(sent).value().bytes);

        client.PlayerOf(Own).input.SaveHistory(frame++);
        client.world->StepPredicted(Lumvek::TickSeconds);
        client.world->EaseDrawnPlayers();
        if (inFlight.size() > 6)
        {
            ASSERT_GT(MessageTesting::Read(received, inFlight.front()), 0);
            inFlight.pop_front();
            client.world->NoteDrawnPlayers();
            ApplyGameState(client, received.state);
            client.world->Resimulate({}, received.frame, frame);
            client.world->EaseDrawnCorrections();
        }
        for (uint8_t id = 0; id < watches.size(); ++id)
        {
            Watch& watch = watches[id];
            const Player* players[] = {&server.PlayerOf(id), &client.PlayerOf(id)};
            for (size_t i = 0; i < 2; ++i)
                for (uint32_t c = 0; c < AnimationChannelCount; ++c)
                    watch.starts[i] += std::exchange(watch.last[i][c], players[i]->animation.current[c]) !=
                                       players[i]->animation.current[c];
            const PlayerBody& there = players[0]->body;
            const PlayerBody& here = players[1]->body;
            if (!there.active || !here.active)
                continue;
            const Lumvek::Vector2 body{here.x, here.y}, drawn = here.GetInterpolatedPosition(1.0f);
            if (watch.frames > 0)
            {
                watch.bodyStep = std::max(watch.bodyStep, (body - watch.lastBody).Length());
                watch.drawnStep = std::max(watch.drawnStep, (drawn - watch.lastDrawn).Length());
            }
            watch.lastBody = body;
            watch.lastDrawn = drawn;
            watch.travelled += std::fabs(there.x - there.previousX);
            watch.reach = {std::max(watch.reach.x, there.x), std::max(watch.reach.y, there.y)};
            const float apart = std::hypot(there.x - here.x, there.y - here.y);
            watch.farthest = std::max(watch.farthest, apart);
            watch.apart += apart;
            ++watch.frames;
        }
    }

    MatchTesting::Match server{true};
    MatchTesting::Match client{true};
    std::vector<Watch> watches;
    uint32_t frame = 0;
    MessageLimits limits = MessageLimits::FromRegistry(server.ownRegistry);
    GameStateMessage sent{limits};
    GameStateMessage received{limits};
    std::deque<std::vector<uint8_t>> inFlight;
};

} // namespace

// With nothing lost or late but the link's frames, a client's own player stays where the server has it
// while it walks from 3 through the mud at 13 to 17 on to the lift's shaft, then while it flies the
// jetpack up through the shaft's low gravity and lands: nothing the server does to its movement is left
// out of the client's step or of the state, and the gauge follows the fuel the server burns.
TEST(ClientPrediction, TheOwnPlayerInMudOnTheJetpackAndInLowGravityStaysWhereTheServerHasIt)
{
    // On the jetpack for the first frames of every 100; the server's player gets past the mark on the axis.
    struct Leg
    {
        const char* name;
        int frames, flyingOfEach100;
        float Lumvek::Vector2::*axis;
        float mark, farthest;
    };
    const Leg legs[] = {{"through the mud", 320, 0, &Lumvek::Vector2::x, 17.0f, 0.01f},
                        {"on the jetpack", 200, 70, &Lumvek::Vector2::y, 6.0f, 0.05f}};
    ServerAndClient link("Jetpack", 0);
    for (const Leg& leg : legs)
    {
        SCOPED_TRACE(leg.name);
        const Watch& own = link.watches[Own] = {};
        for (int i = 0; i < leg.frames; ++i)
        {
            const bool flying = i % 100 < leg.flyingOfEach100;
            link.Frame(flying ? PlayerInput::AxisRange / 3 : PlayerInput::AxisRange, flying);
        }
        ASSERT_GT(own.reach.*leg.axis, leg.mark) << "the player got there on the server";
        EXPECT_EQ(own.frames, leg.frames);
        EXPECT_LT(own.farthest, leg.farthest);
    }
    EXPECT_EQ(link.client.PlayerOf(Own).core->energy, link.server.PlayerOf(Own).core->energy);
    EXPECT_LT(link.server.PlayerOf(Own).core->energy, Part::MaximumEnergy);
}

// A client sees the server's bots where they are, a few frames' guess away, and animating about as
// often as on the server; each state's correction of a bot that changed its mind is eased into, not
// drawn as a snap.
TEST(ClientPrediction, BotsMoveAndAnimateOnAClientAsOnTheServer)
{
    ServerAndClient link("BasicCore", 3);
    for (int i = 0; i < 900; ++i)
        link.Frame();
    double apart = 0.0;
    uint32_t compared = 0;
    for (uint8_t id = 1; id <= 3; ++id)
    {
        SCOPED_TRACE(id);
        const Watch& bot = link.watches[id];
        EXPECT_GT(bot.travelled, 5.0f) << "the bot walked on the server";
        EXPECT_GE(bot.starts[1], bot.starts[0] * 2 / 3);
        EXPECT_LE(bot.starts[1], bot.starts[0] * 3 / 2);
        EXPECT_LT(bot.farthest, 1.5f);
        // The replays move the body by a unit at once; the drawn body moves no more than a run's step
        // and a sixth of a correction.
        EXPECT_GT(bot.bodyStep, 0.8f);
        EXPECT_LT(bot.drawnStep, 0.45f);
        apart += bot.apart;
        compared += bot.frames;
    }
    ASSERT_GT(compared, 0u);
    EXPECT_LT(apart / compared, 0.1);
}

// A state sent before the own player respawned names it dead where it died: it leaves the living
// player where the spawn put it, and a state of the living player moves it again.
TEST(ClientPrediction, AStateFromBeforeTheSpawnLeavesTheRespawnedPlayerWhereItSpawned)
{
    ServerAndClient link("BasicCore", 0);
    link.server.PlayerOf(Own).body.Reset({30.0f, 2.0f}, false);
    link.server.PlayerOf(Own).health = 0.0f;
    GameState state;
    CollectGameState(link.server, state, std::span(&OwnView, 1), OwnView.client);

    Player& spawned = link.client.Place(Own, {5.0f, 2.0f});
    ApplyGameState(link.client, state);
    EXPECT_EQ(spawned.body.x, 5.0f);
    state.ownPlayers[0].health = 100.0f;
    ApplyGameState(link.client, state);
    EXPECT_EQ(spawned.body.x, 30.0f);
}
