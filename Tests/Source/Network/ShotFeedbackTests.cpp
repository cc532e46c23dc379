#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/WorldState.h"
#include "Source/World/EntityFactory.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <array>
#include <deque>
#include <set>
#include <utility>

// Four rifle shots, which kill nobody, between player 0 at 5 2 and player 1 of another machine at 9 2,
// in a local match and on a client that predicts player 0 and takes a state of that match every other
// tick. Each shot flashes and sounds once on the client as locally, whoever fires: the own player's at
// once, another's when a state first names its projectile, which a remote player's own pressed trigger
// does not repeat. A hit rumbles the pad of this machine's player. A projectile that lands between two
// states is never seen there.
TEST(ShotFeedback, AClientShowsHearsAndFeelsEachShotOnceAsALocalMatchDoes)
{
    for (const uint8_t shooter : {uint8_t(0), uint8_t(1)})
    {
        SCOPED_TRACE(static_cast<int>(shooter));
        // The rifle's images and sound have ids as when the match's resources are loaded; the flash's
        // and the trail's count at 0 and 1.
        std::array<MatchTesting::Match, 2> matches;
        for (MatchTesting::Match& match : matches)
        {
            WeaponData& rifle = *match.ownRegistry.weapons.Find("Rifle");
            rifle.flash = 60000;
            rifle.fireSound = 60002;
            match.ownRegistry.projectiles.Find(rifle.projectile->name)->trail = 60001;
            match.configuration.loadout.startingWeapon = rifle.index;
            match.AddLocal(0, 0, 0);
            RemotePlayerSlot& other = match.configuration.remotePlayers.emplace_back();
            other.id = other.team = 1;
            other.loadout = match.BasicLoadout();
            match.Load("Crossroads");
            match.CreateRules();
        }
        matches[0].Begin();
        matches[0].Tick(130);
        const StateViewer viewers[] = {{0, 0}, {1, 1}};
        GameState state;
        // Flashes, trails, fire sounds and rumbles of each match; the visuals each has counted.
        std::array<std::array<size_t, 4>, 2> counts{};
        std::array<std::set<EntityId>, 2> seen;
        for (int32_t tick = -1; tick < 90; ++tick)
        {
            for (MatchTesting::Match& match : matches)
                for (uint8_t id = 0; id < 2; ++id)
                {
                    Player& player = tick < 0 ? match.Place(id, {id ? 9.0f : 5.0f, 2.0f}) : match.PlayerOf(id);
                    player.input.aimX = id ? -PlayerInput::AxisRange : PlayerInput::AxisRange;
                    player.input[PlayerAction::Primary] = id == shooter && tick >= 0 && tick < 19 ? 1 : 0;
                }
            if (tick % 2 != 0)
            {
                matches[0].PlayerOf(0).camera.position = {5.0f, 2.0f};
                CollectGameState(matches[0], state, viewers, 0);
                ApplyGameState(matches[1], state);
            }
            matches[0].Tick();
            matches[1].world->StepPredicted(Lumvek::TickSeconds);
            for (size_t i = 0; i < 2; ++i)
            {
                std::set<EntityId> live;
                for (const Visual& visual : matches[i].world->visuals.View())
                    if (visual.body->active && visual.image && live.insert(visual.id).second &&
                        !seen[i].contains(visual.id) && visual.image->region - 60000 < 2)
                        ++counts[i][visual.image->region - 60000];
                seen[i] = std::move(live);
                counts[i][2] = matches[i].CountSounds(60002);
                counts[i][3] = matches[i].pads.sets.size();
            }
        }
        const auto& [local, online] = counts;
        EXPECT_EQ(local, (std::array<size_t, 4>{4, 4, 4, shooter == 1 ? 4u : 0u}));
        EXPECT_EQ(online[0], 4u);
        EXPECT_EQ(online[2], 4u);
        for (size_t i = 0; i < local.size(); ++i)
            EXPECT_TRUE(online[i] <= local[i] && online[i] * 4 >= local[i] * 3)
                << i << ": " << online[i] << " of " << local[i];
    }
}

// Player 0 fires, jumps, lands, reloads and flies the jetpack, in a local match and on a client that
// predicts it and takes each state six frames late, one state lost and one twice, replaying the frames
// since as its network role does; the client skips forward over the frames of the first shot, so the
// replay steps them first. The client plays each sound and shows each flash as often as the local
// match, and the jetpack's use, which the late states call over, makes it jump and land no more.
TEST(ShotFeedback, LateStatesReplayTheirFramesUnheardAndUnseen)
{
    for (const bool shotgun : {false, true})
    {
        SCOPED_TRACE(shotgun);
        std::array<MatchTesting::Match, 2> matches;
        for (MatchTesting::Match& match : matches)
        {
            WeaponData& weapon =
                shotgun ? *match.ownRegistry.weapons.Find("Shotgun") : *match.ownRegistry.weapons.Find("Rifle");
            weapon.flash = 60000;
            weapon.fireSound = 60002;
            weapon.reloadSound = 60003;
            match.configuration.loadout.startingWeapon = weapon.index;
            match.AddLocal(0, 0, 0).loadout.core = match.ownRegistry.cores.FindIndex("Jetpack");
            match.Load("Crossroads");
            match.CreateRules();
            match.Place(0, {5.0f, 2.0f});
        }
        matches[0].Begin();
        const StateViewer viewer{0, 1};
        std::deque<std::pair<uint32_t, GameState>> inFlight;
        // Flashes, fire sounds, reloads, jumps and landings of each match.
        std::array<std::array<size_t, 5>, 2> counts{};
        std::array<std::set<EntityId>, 2> seen;
        uint32_t stepped = 0;
        for (uint32_t frame = 0; frame < 200; ++frame)
        {
            for (MatchTesting::Match& match : matches)
            {
                PlayerInput& input = match.PlayerOf(0).input;
                input.buttons.fill(0);
                input.aimX = PlayerInput::AxisRange;
                input[PlayerAction::Primary] = frame >= 10 && frame < 30;
                input[PlayerAction::Jump] = frame == 40;
                input[PlayerAction::Reload] = frame == 90;
                input[PlayerAction::Use] = frame >= 140 && frame < 150;
            }
            matches[0].Tick();
            matches[0].PlayerOf(0).camera.position = {5.0f, 2.0f};
            CollectGameState(matches[0], inFlight.emplace_back(frame + 1, GameState()).second, std::span(&viewer, 1),
                             1);
            MatchTesting::Match& client = matches[1];
            client.PlayerOf(0).input.SaveHistory(frame);
            if (frame < 10 || frame >= 14)
                client.world->StepPredicted(Lumvek::TickSeconds), stepped = frame + 1;
            for (; inFlight.size() > 6 && (frame < 10 || frame >= 13); inFlight.pop_front())
                for (int copy = 0; copy < (inFlight.front().first == 120) + (inFlight.front().first != 100); ++copy)
                {
                    ApplyGameState(client, inFlight.front().second);
                    client.world->Resimulate({}, inFlight.front().first, frame + 1, stepped);
                    stepped = frame + 1;
                }
            for (size_t i = 0; i < 2; ++i)
            {
                std::set<EntityId> live;
                for (const Visual& visual : matches[i].world->visuals.View())
                    if (visual.body->active && visual.image && visual.image->region == 60000 &&
                        live.insert(visual.id).second && !seen[i].contains(visual.id))
                        ++counts[i][0];
                seen[i] = std::move(live);
                counts[i][1] = matches[i].CountSounds(60002);
                counts[i][2] = matches[i].CountSounds(60003);
                counts[i][3] = matches[i].CountSounds(Sounds::Jump);
                counts[i][4] = matches[i].CountSounds(Sounds::Land);
            }
        }
        const auto& [local, online] = counts;
        EXPECT_EQ(local[0], local[1]);
        EXPECT_EQ(local[1] == 1u, shotgun) << local[1];
        EXPECT_EQ(local[2], 1u);
        EXPECT_GE(local[3], 1u);
        EXPECT_EQ(online, local);
    }
}

// On spikes, a client's player feels every tick's hit once (a spike's hit rumbles and does not shake),
// as a local player does, though its step harms no one and replays the frames after each state, which
// comes six frames late.
TEST(ShotFeedback, AClientsPlayerOnSpikesShakesAndRumblesAsLocally)
{
    std::array<MatchTesting::Match, 2> matches;
    for (MatchTesting::Match& match : matches)
    {
        match.AddLocal(0, 0, 0);
        match.Load("Crossroads");
        match.CreateRules();
    }
    matches[0].Begin();
    for (MatchTesting::Match& match : matches)
    {
        match.Place(0, {5.0f, 2.0f});
        CreateHazardEntity(*match.world, {4.0f, 1.5f}, {2.0f, 2.0f}, *match.ownRegistry.hazards.Find("Spikes"));
    }
    const StateViewer viewer{0, 1};
    std::deque<GameState> inFlight;
    for (uint32_t frame = 0; frame < 30; ++frame)
    {
        matches[0].Tick();
        CollectGameState(matches[0], inFlight.emplace_back(), std::span(&viewer, 1), 1);
        matches[1].PlayerOf(0).input.SaveHistory(frame);
        matches[1].world->StepPredicted(Lumvek::TickSeconds);
        if (inFlight.size() > 6)
        {
            ApplyGameState(matches[1], inFlight.front());
            matches[1].world->Resimulate({}, frame - 5, frame + 1);
            inFlight.pop_front();
        }
    }
    EXPECT_EQ(matches[0].pads.sets.size(), 30u);
    EXPECT_EQ(matches[1].pads.sets.size(), 30u);
    EXPECT_LT(matches[1].PlayerOf(0).health, matches[1].PlayerOf(0).GetEffective(&Attributes::maximumHealth));
}
