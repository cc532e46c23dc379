#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/WorldState.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <array>
#include <set>

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
