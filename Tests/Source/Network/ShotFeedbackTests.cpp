#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/RemoteShots.h"
#include "Source/Network/WorldState.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/MatchEvents.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <algorithm>
#include <array>
#include <deque>
#include <ranges>
#include <set>
#include <utility>
#include <vector>

namespace
{

// The server role's part in a shot: the log its states name the shots from.
struct ServerShots final : MatchEvents
{
    void SaveJournal() override {}
    void SendShotFired(const Player& shooter, const WeaponData& weapon, const MuzzleInfo& muzzle) override
    {
        log.Add(frame, shooter, weapon, muzzle);
    }

    ShotLog log;
    uint32_t frame = 0;
};

} // namespace

// Four rifle shots, which kill nobody, between player 0 at 5 2 and player 1 of another machine at 9 2
// facing it, or 20 units away on the bunker facing away, where neither it nor its projectiles come into
// the view; then player 0's jump, reload and jetpack, in a local match and on a client that predicts
// player 0 and takes each state six frames late (the first after the third shot and another lost, one
// twice), replaying the frames since; it skips forward over the first shot's frames, which the replay
// steps first. Each shot flashes and sounds once on the client as locally, whoever fires and wherever:
// the own player's at once, another's where it was fired when a state first names it, which a remote
// player's own pressed trigger does not repeat. A hit rumbles the pad of this machine's player. A
// projectile that lands between two states is never seen there. A replayed frame plays nothing again.
TEST(ShotFeedback, AClientShowsHearsAndFeelsEachShotOnceAsALocalMatchDoes)
{
    const struct
    {
        uint8_t shooter;
        Lumvek::Vector2 other;
        const char* weapon;
        // The local match's flashes, trails, fire sounds, rumbles and reloads.
        std::vector<size_t> local;
    } cases[] = {{0, {9.0f, 2.0f}, "Rifle", {4, 4, 4, 0, 1}},
                 {1, {9.0f, 2.0f}, "Rifle", {4, 4, 4, 4, 0}},
                 {1, {25.0f, 5.0f}, "Rifle", {4, 4, 4, 0, 0}},
                 {1, {9.0f, 2.0f}, "Shotgun", {1, 6, 1, 6, 0}}};
    for (const auto& [shooter, other, weapon, expected] : cases)
    {
        SCOPED_TRACE(testing::Message() << int(shooter) << " " << other.x << " " << weapon);
        const bool far = other.x > 20.0f;
        ServerShots server;
        HeardShots heard;
        // The weapon's images and sound have ids as when the match's resources are loaded; the flash's
        // and the trail's count at 0 and 1.
        std::array<MatchTesting::Match, 2> matches;
        for (MatchTesting::Match& match : matches)
        {
            WeaponData& gun = *match.ownRegistry.weapons.Find(std::string_view(weapon));
            gun.flash = 60000;
            gun.fireSound = 60002;
            gun.reloadSound = 60003;
            match.ownRegistry.projectiles.Find(gun.projectile->name)->trail = 60001;
            match.configuration.loadout.startingWeapon = gun.index;
            match.AddLocal(0, 0, 0).loadout.core = match.ownRegistry.cores.FindIndex("Jetpack");
            RemotePlayerSlot& other = match.configuration.remotePlayers.emplace_back();
            other.id = other.team = 1;
            other.loadout = match.BasicLoadout();
            match.Load("Crossroads");
            match.CreateRules();
        }
        matches[0].events = &server;
        matches[0].Begin();
        matches[0].Tick(130);
        const StateViewer viewers[] = {{0, 0}, {1, 1}};
        std::deque<std::pair<uint32_t, GameState>> inFlight;
        uint32_t stepped = 0;
        // Flashes, trails, fire sounds, rumbles, reloads, jumps and landings of each match.
        std::array<std::array<size_t, 7>, 2> counts{};
        std::array<std::set<EntityId>, 2> seen;
        for (int32_t tick = -1; tick < 90; ++tick)
        {
            for (MatchTesting::Match& match : matches)
                for (uint8_t id = 0; id < 2; ++id)
                {
                    Player& player =
                        tick < 0 ? match.Place(id, id ? other : Lumvek::Vector2(5.0f, 2.0f)) : match.PlayerOf(id);
                    player.input.aimX = id && !far ? -PlayerInput::AxisRange : PlayerInput::AxisRange;
                    player.input[PlayerAction::Primary] = id == shooter && tick >= 0 && tick < 19 ? 1 : 0;
                    player.input[PlayerAction::Jump] = id == 0 && tick == 40;
                    player.input[PlayerAction::Reload] = id == 0 && tick == 25;
                    player.input[PlayerAction::Use] = id == 0 && tick >= 55 && tick < 65;
                }
            const auto frame = static_cast<uint32_t>(tick + 1);
            server.frame = frame;
            matches[0].Tick();
            matches[0].PlayerOf(0).camera.position = {5.0f, 2.0f};
            GameState& state = inFlight.emplace_back(frame + 1, GameState()).second;
            CollectGameState(matches[0], state, viewers, 0);
            server.log.Collect(state, frame + 1);
            server.log.StateSent(frame + 1);
            matches[1].PlayerOf(0).input.SaveHistory(frame);
            if (frame < 7 || frame > 9)
                matches[1].world->StepPredicted(Lumvek::TickSeconds), stepped = frame + 1;
            for (; inFlight.size() > 6 && frame != 7 && frame != 8; inFlight.pop_front())
                for (int copy = 0; copy < (inFlight.front().first == 60) + (inFlight.front().first % 36 != 14); ++copy)
                {
                    heard.Hear(matches[1], inFlight.front().second, inFlight.front().first);
                    ApplyGameState(matches[1], inFlight.front().second);
                    matches[1].world->Resimulate({}, inFlight.front().first, frame + 1, stepped);
                    stepped = frame + 1;
                }
            for (size_t i = 0; i < 2; ++i)
            {
                std::set<EntityId> live;
                for (const Visual& visual : matches[i].world->visuals.View())
                    if (visual.body->active && visual.image && live.insert(visual.id).second &&
                        !seen[i].contains(visual.id) && visual.image->region - 60000 < 2)
                        ++counts[i][visual.image->region - 60000];
                seen[i] = std::move(live);
                counts[i][3] = matches[i].pads.sets.size();
                for (const auto& [at, sound] : std::initializer_list<std::pair<size_t, uint32_t>>{
                         {2, 60002}, {4, 60003}, {5, Sounds::Jump}, {6, Sounds::Land}})
                    counts[i][at] = matches[i].CountSounds(sound);
            }
        }
        const auto& [local, online] = counts;
        EXPECT_EQ(std::vector(local.begin(), local.begin() + 5), expected);
        EXPECT_GE(local[5], 1u);
        EXPECT_EQ(std::tie(online[0], online[2]), std::tie(local[0], local[2]));
        EXPECT_EQ(std::vector(online.begin() + 4, online.end()), std::vector(local.begin() + 4, local.end()));
        // A projectile that never comes into view never trails there.
        for (size_t i = 0; i < 4; ++i)
            EXPECT_TRUE((i == 1 && far) || (online[i] <= local[i] && online[i] * 4 >= local[i] * 3))
                << i << ": " << online[i] << " of " << local[i];
        // Another's shot is heard at the muzzle the server fired it from.
        const auto fired = [](const MatchTesting::PlayedSound& played) { return played.sound == 60002; };
        const auto at = &MatchTesting::PlayedSound::position;
        EXPECT_TRUE(shooter == 0 || std::ranges::equal(matches[0].sounds | std::views::filter(fired),
                                                       matches[1].sounds | std::views::filter(fired), {}, at, at));
    }
}

// On spikes, a client's player feels every tick's hit once (a spike's hit rumbles and does not shake),
// as a local player does, though its step harms no one and it replays the six frames before each.
TEST(ShotFeedback, AClientsPlayerOnSpikesRumblesOnceATick)
{
    MatchTesting::Match client;
    client.AddLocal(0, 0, 0);
    client.Load("Crossroads");
    client.CreateRules();
    Player& player = client.Place(0, {5.0f, 2.0f});
    CreateHazardEntity(*client.world, {4.0f, 1.5f}, {2.0f, 2.0f}, *client.ownRegistry.hazards.Find("Spikes"));
    for (uint32_t frame = 0; frame < 30; ++frame)
    {
        player.input.SaveHistory(frame);
        client.world->StepPredicted(Lumvek::TickSeconds);
        client.world->Resimulate({}, std::max(frame, 5u) - 5, frame + 1);
    }
    EXPECT_EQ(client.pads.sets.size(), 30u);
    EXPECT_EQ(player.health, player.GetEffective(&Attributes::maximumHealth));
}
