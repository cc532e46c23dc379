#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/WorldState.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <array>
#include <set>

namespace
{

// Flashes, trails, fire sounds and rumbles of a local match (first) and of a client (second) that
// predicts the same player 0 (at 5 2, facing player 1 of another machine at 9 2) and gets a state of
// that match every other tick, while the shooter holds its trigger for 19 ticks: four rifle shots,
// which kill nobody. The rifle's images and sound have ids as when the match's resources are loaded.
std::array<std::array<size_t, 4>, 2> PlayShots(uint8_t shooter)
{
    std::array<MatchTesting::Match, 2> matches;
    for (MatchTesting::Match& match : matches)
    {
        WeaponData& rifle = *match.ownRegistry.weapons.Find("Rifle");
        rifle.flash = 60001;
        rifle.fireSound = 60002;
        match.ownRegistry.projectiles.Find(rifle.projectile->name)->trail = 60003;
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
                    !seen[i].contains(visual.id))
                {
                    counts[i][0] += visual.image->region == 60001;
                    counts[i][1] += visual.image->region == 60003;
                }
            seen[i] = std::move(live);
            counts[i][2] = matches[i].CountSounds(60002);
            counts[i][3] = matches[i].pads.sets.size();
        }
    }
    return counts;
}

} // namespace

// Each shot flashes and sounds once on a client as locally, whoever fires: the own player's at once,
// another's when a state first names its projectile, which a remote player's own pressed trigger does
// not repeat. A hit rumbles the pad of this machine's player. A projectile that lands between two
// states is never seen there.
TEST(ShotFeedback, AClientShowsHearsAndFeelsEachShotOnceAsALocalMatchDoes)
{
    for (const uint8_t shooter : {uint8_t(0), uint8_t(1)})
    {
        SCOPED_TRACE(static_cast<int>(shooter));
        const auto [local, online] = PlayShots(shooter);
        EXPECT_EQ(local, (std::array<size_t, 4>{4, 4, 4, shooter == 1 ? 4u : 0u}));
        EXPECT_EQ(online[0], 4u);
        EXPECT_EQ(online[2], 4u);
        for (size_t i = 0; i < local.size(); ++i)
        {
            EXPECT_LE(online[i], local[i]) << i;
            EXPECT_GE(online[i] * 4, local[i] * 3) << i;
        }
    }
}
