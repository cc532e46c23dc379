#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/WorldState.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <array>
#include <set>

using MatchTesting::Match;
// Flashes, trails, fire sounds and rumbles seen by one machine.
using Feedback = std::array<size_t, 4>;

namespace
{

// Player 0, this machine's, and player 1 of another, both with rifles, whose flash, trail and sound
// have ids as when the match's resources are loaded.
void Prepare(Match& match)
{
    WeaponData& rifle = *match.ownRegistry.weapons.Find("Rifle");
    rifle.flash = 1;
    rifle.fireSound = 2;
    match.ownRegistry.projectiles.Find(rifle.projectile->name)->trail = 3;
    match.configuration.loadout.startingWeapon = rifle.index;
    match.AddLocal(0, 0, 0);
    RemotePlayerSlot other;
    other.id = other.team = 1;
    other.loadout = match.BasicLoadout();
    match.configuration.remotePlayers.push_back(other);
    match.Load("Crossroads");
    match.CreateRules();
}

// A local match, and a client that predicts the same player 0 and gets a state of that match every
// other tick, while player 0 at 5 2 and player 1 at 9 2 face each other and the shooter holds its
// trigger for 19 ticks: four rifle shots, which kill nobody.
std::array<Feedback, 2> Play(uint8_t shooter)
{
    Match local, client;
    Prepare(local);
    Prepare(client);
    local.Begin();
    local.Tick(130);
    const WeaponData& rifle = *local.ownRegistry.weapons.Find("Rifle");
    const StateViewer viewers[] = {{0, 0}, {1, 1}};
    GameState state;
    std::array<Feedback, 2> counts{};
    std::array<std::set<EntityId>, 2> seen;
    for (int32_t tick = -1; tick < 90; ++tick)
    {
        for (Match* match : {&local, &client})
            for (uint8_t id = 0; id < 2; ++id)
            {
                Player& player = tick < 0 ? match->Place(id, {id ? 9.0f : 5.0f, 2.0f}) : match->PlayerOf(id);
                player.input.aimX = id ? -PlayerInput::AxisRange : PlayerInput::AxisRange;
                player.input[PlayerAction::Primary] = id == shooter && tick >= 0 && tick < 19 ? 1 : 0;
            }
        if (tick % 2 != 0)
        {
            local.PlayerOf(0).camera.position = {5.0f, 2.0f};
            CollectGameState(local, state, viewers, 0);
            ApplyGameState(client, state);
        }
        local.Tick();
        client.world->StepPredicted(Lumvek::TickSeconds);
        for (size_t i = 0; i < 2; ++i)
        {
            std::set<EntityId> live;
            for (const Visual& visual : (i ? client : local).world->visuals.View())
                if (visual.body->active && visual.image && live.insert(visual.id).second &&
                    !seen[i].contains(visual.id))
                {
                    counts[i][0] += visual.image->region == rifle.flash;
                    counts[i][1] += visual.image->region == rifle.projectile->trail;
                }
            seen[i] = std::move(live);
        }
    }
    for (size_t i = 0; i < 2; ++i)
    {
        counts[i][2] = (i ? client : local).CountSounds(rifle.fireSound);
        counts[i][3] = (i ? client : local).pads.sets.size();
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
        const auto [local, online] = Play(shooter);
        EXPECT_EQ(local, (Feedback{4, 4, 4, shooter == 1 ? 4u : 0u}));
        EXPECT_EQ(online[0], 4u);
        EXPECT_EQ(online[2], 4u);
        for (size_t i = 0; i < local.size(); ++i)
        {
            EXPECT_LE(online[i], local[i]) << i;
            EXPECT_GE(online[i] * 4, local[i] * 3) << i;
        }
    }
}
