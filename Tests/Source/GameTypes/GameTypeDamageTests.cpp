#include "Source/GameTypes/GameType.h"

#include "Source/Data/NamedAssets.h"
#include "Source/World/HitInfo.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using Lumvek::Vector2;
using MatchTesting::Match;

namespace
{

// A match on Crossroads of two local players, one on each team, placed on the ground.
struct Duel
{
    Duel(uint8_t firstTeam = 0, uint8_t secondTeam = 1, bool headless = false) : match(headless)
    {
        match.AddLocal(0, firstTeam, 0, "ANNA");
        match.AddLocal(1, secondTeam, 1, "BEN");
        match.Load("Crossroads");
        match.CreateRules();
        first = &match.Place(0, {10.0f, 2.0f});
        second = &match.Place(1, {12.0f, 2.0f});
    }

    HitInfo From(Player* shooter) const
    {
        HitInfo hit;
        hit.shooter = shooter;
        hit.zone = HitInfo::BodyZone;
        return hit;
    }

    Match match;
    Player* first = nullptr;
    Player* second = nullptr;
};

} // namespace

TEST(GameTypeDamage, AKillWaitsTheRespawnTimeAndThePenaltyOfItsKind)
{
    struct Case
    {
        uint8_t victimTeam;
        uint8_t attackerTeam;
        // Whether the victim died by its own hand.
        bool suicide;
        float respawnSpeed;
        float delay;
        const char* feed;
    };
    // RespawnTime 3, SuicidePenalty 5, BetrayalPenalty 7.
    const Case cases[] = {
        {0, 1, true, 1.0f, 8.0f, "#BE141BFFANNA #414042FFDIED"},
        {0, 1, true, 0.5f, 4.0f, "#BE141BFFANNA #414042FFDIED"},
        // A negative respawn speed waits nothing at all.
        {0, 1, true, -1.0f, 0.0f, "#BE141BFFANNA #414042FFDIED"},
        {0, 1, false, 1.0f, 3.0f, "#0173B9FFBEN #414042FFKILLED #BE141BFFANNA"},
        {1, 1, false, 1.0f, 10.0f, "#0173B9FFBEN #414042FFKILLED #0173B9FFANNA"},
        // Players without a team are nobody's team-mates: a kill, not a betrayal.
        {4, 4, false, 1.0f, 3.0f, "#E6E7E8FFBEN #414042FFKILLED #E6E7E8FFANNA"},
    };
    for (const Case& c : cases)
    {
        Duel duel(c.victimTeam, c.attackerTeam);
        GameSettings& settings = duel.match.configuration.settings;
        settings.respawnTime = 3;
        settings.suicidePenalty = 5;
        settings.betrayalPenalty = 7;
        duel.first->baseAttributes.respawnSpeed = c.respawnSpeed;
        GameType& rules = *duel.match.rules;
        rules.KillPlayer(*duel.first, duel.From(c.suicide ? duel.first : duel.second));
        ASSERT_EQ(rules.GetRespawns().size(), 1u);
        EXPECT_FLOAT_EQ(rules.GetRespawns().front().seconds, c.delay) << c.feed;
        EXPECT_EQ(duel.first->respawnPenalty, 0u);
        EXPECT_EQ(rules.GetFeed().back().text, c.feed);
        EXPECT_EQ(duel.first->health, 0.0f);
        EXPECT_TRUE(duel.first->IsDead());
        EXPECT_FALSE(duel.first->body.active);
        // The penalty was spent by this death: the next one by an enemy waits the respawn time alone.
        duel.match.Place(0, {10.0f, 2.0f});
        duel.first->team = 0;
        duel.second->team = 1;
        rules.KillPlayer(*duel.first, duel.From(duel.second));
        EXPECT_FLOAT_EQ(rules.GetRespawns().back().seconds, 3.0f * std::max(c.respawnSpeed, 0.0f));
    }
}

TEST(GameTypeDamage, AHitTakesHealthPushesLeansRumblesAndShakes)
{
    Duel duel;
    GameType& rules = *duel.match.rules;
    Player& player = *duel.second;
    HitInfo hit = duel.From(duel.first);
    hit.damage = 30.0f;
    hit.spin = 0.5f;
    hit.impulse = {2.0f, 1.0f};
    hit.shake = 3.0f;
    hit.shakeLevel = 5.0f;
    hit.shakeTime = 0.5f;
    hit.firstRumble = 10.0f;
    hit.secondRumble = 100.0f;
    rules.DamagePlayer(player, hit);
    EXPECT_EQ(player.health, 70.0f);
    EXPECT_EQ(player.body.impulse, Vector2(2.0f, 1.0f));
    EXPECT_EQ(player.body.flinchAngle, 0.5f);
    EXPECT_EQ(player.regenerationDelay, Player::RegenerationDelayTicks);
    ASSERT_EQ(duel.match.pads.sets.size(), 1u);
    EXPECT_EQ(duel.match.pads.sets[0].highFrequency, 65.0f);
    EXPECT_EQ(duel.match.pads.sets[0].lowFrequency, 10.0f);
    EXPECT_EQ(duel.match.pads.sets[0].pad, 1u);
    EXPECT_EQ(player.camera.shakeAmplitude, 3.0f);
    EXPECT_EQ(player.camera.shakeFrequency, 5.0f);
    EXPECT_EQ(player.camera.shakeTime, 0.5f);

    // A second lean past 40 degrees stops there; a weaker shake raises nothing.
    hit.damage = 0.0f;
    hit.shakeLevel = 1.0f;
    hit.shakeTime = 0.1f;
    rules.DamagePlayer(player, hit);
    EXPECT_FLOAT_EQ(player.body.flinchAngle, GameType::MaximumFlinch);
    EXPECT_EQ(player.camera.shakeAmplitude, 6.0f);
    EXPECT_EQ(player.camera.shakeFrequency, 5.0f);
    EXPECT_EQ(player.camera.shakeDuration, 0.5f);
    hit.spin = -2.0f;
    rules.DamagePlayer(player, hit);
    EXPECT_FLOAT_EQ(player.body.flinchAngle, -GameType::MaximumFlinch);

    // Damage equal to the health left kills; the dead take nothing more.
    hit.damage = 70.0f;
    rules.DamagePlayer(player, hit);
    EXPECT_TRUE(player.IsDead());
    EXPECT_EQ(rules.GetRespawns().size(), 1u);
    rules.DamagePlayer(player, hit);
    EXPECT_EQ(player.health, 0.0f);
    EXPECT_EQ(rules.GetRespawns().size(), 1u);
}

TEST(GameTypeDamage, APlayerLivesWithItsBottomOnTheBoundsFloorAndDiesJustBelow)
{
    struct Case
    {
        float y;
        bool dies;
    };
    // Bounds 0 0 40 20: the floor is at 1.0, the ceiling at 22.0 for the top of a box 1.0 high.
    const Case cases[] = {
        {1.0f, false},
        {std::nextafter(1.0f, 0.0f), true},
        {21.0f, false},
        {std::nextafter(21.0f, 30.0f), true},
    };
    for (const Case& c : cases)
    {
        Match match;
        // Without gravity a body at rest stays where it is.
        match.configuration.settings.gravity = Vector2(0.0f, 0.0f);
        match.AddBot(0, 0);
        match.LoadText(MatchTesting::MapText(""));
        match.CreateRules();
        Player& player = match.Place(0, {20.0f, c.y});
        ASSERT_EQ(player.body.boxHeight, 1.0f);
        match.Tick();
        EXPECT_EQ(player.body.y, c.y);
        EXPECT_EQ(player.IsDead(), c.dies) << c.y;
        EXPECT_EQ(match.rules->GetRespawns().size(), c.dies ? 1u : 0u) << c.y;
    }
}

TEST(GameTypeDamage, CrossroadsSpikesHurtByTheirDamageEachTickAndTheUpdraftPushesWithout)
{
    Match match;
    match.AddLocal(0, 0, 0);
    match.AddLocal(1, 1, 1);
    match.Load("Crossroads");
    match.CreateRules();
    // The spikes lie from 27 to 30 along the ground, the updraft rises from 19 to 21.
    Player& spiked = match.Place(0, {28.5f, 2.0f});
    Player& lifted = match.Place(1, {20.0f, 2.0f});
    const float perTick = 40.0f * Lumvek::TickSeconds;
    match.Tick();
    EXPECT_FLOAT_EQ(spiked.health, 100.0f - perTick);
    // Set by the hit, then counted down by the player's own update in the same tick.
    EXPECT_EQ(spiked.regenerationDelay, Player::RegenerationDelayTicks - 1);
    EXPECT_FLOAT_EQ(spiked.body.flinchAngle, perTick * 0.5f * 0.017453292f);
    ASSERT_FALSE(match.pads.sets.empty());
    EXPECT_EQ(match.pads.sets.back().pad, 0u);
    EXPECT_FLOAT_EQ(match.pads.sets.back().lowFrequency, perTick * 0.5f);
    EXPECT_EQ(lifted.health, 100.0f);
    EXPECT_EQ(lifted.body.windSpeed, Vector2(0.0f, 6.0f));
    EXPECT_FLOAT_EQ(lifted.body.windImpulse.y, 0.4f);

    match.Tick(29);
    EXPECT_NEAR(spiked.health, 100.0f - 30.0f * perTick, 1e-3f);
    EXPECT_EQ(lifted.health, 100.0f);

    // Falling through the updraft is slower than falling beside it.
    match.Place(1, {20.0f, 9.0f});
    Player& beside = match.Place(0, {12.0f, 9.0f});
    match.Tick(10);
    EXPECT_EQ(lifted.health, 100.0f);
    EXPECT_GT(lifted.body.velocity.y, beside.body.velocity.y + 1.0f);
    EXPECT_LT(beside.body.velocity.y, 0.0f);
}

TEST(GameTypeDamage, AKillBreaksTheRigIntoDebrisAndPlaysTheDeathSound)
{
    Duel duel;
    Player& victim = *duel.first;
    victim.body.velocity = {1.0f, 0.0f};
    HitInfo hit = duel.From(duel.second);
    hit.angle = 0.0f;
    hit.push = 5.0f;
    duel.match.rules->KillPlayer(victim, hit);
    World& world = *duel.match.world;
    ASSERT_EQ(world.visuals.View().size(), MatchTesting::CountSprites(victim.body.skeleton));
    for (const Visual& debris : world.visuals.View())
    {
        EXPECT_TRUE(debris.moving);
        // 2.5 s and up to one more.
        EXPECT_GE(debris.lifetime, 150);
        EXPECT_LE(debris.lifetime, 210);
        const auto& body = dynamic_cast<const DynamicBody&>(*debris.body);
        // Thrown along the hit at its push, within 15 degrees and one unit a second, over the body's own.
        const float speed = std::hypot(body.initialVelocity.x - 1.0f, body.initialVelocity.y);
        EXPECT_GE(speed, 4.0f);
        EXPECT_LE(speed, 6.0f);
        EXPECT_LE(std::fabs(std::atan2(body.initialVelocity.y, body.initialVelocity.x - 1.0f)), 0.27f);
    }
    EXPECT_EQ(duel.match.CountSounds(Sounds::PlayerDeath), 1u);
    EXPECT_EQ(duel.match.sounds.back().position, Vector2(10.0f, 2.0f));
    EXPECT_EQ(victim.body.physicsBody, nullptr);
}

TEST(GameTypeDamage, AHeadlessMatchMakesNoDebrisSpawnVisualsOrSoundsAndLogsNothing)
{
    Lumvek::Testing::LogCapture log;
    Match match(true);
    match.AddBot(0, 0);
    match.AddBot(1, 1);
    World& world = match.Load("Crossroads");
    ASSERT_GT(MatchTesting::CountSprites(match.PlayerOf(0).body.skeleton), 0u);
    match.CreateRules();
    log.messages.clear();
    match.Begin();
    EXPECT_TRUE(match.rules->GetSpawnIns().front().visuals.empty());
    match.Tick(125);
    ASSERT_TRUE(match.PlayerOf(0).body.active);
    match.rules->KillPlayer(match.PlayerOf(0), HitInfo());
    HitInfo hit;
    hit.shooter = &match.PlayerOf(0);
    hit.damage = 500.0f;
    match.rules->DamagePlayer(match.PlayerOf(1), hit);
    match.Tick();
    EXPECT_TRUE(match.PlayerOf(1).IsDead());
    EXPECT_EQ(world.visuals.View().size(), 0u);
    // Movement makes its own sounds, which a headless game system does not play either.
    EXPECT_EQ(match.CountSounds(Sounds::PlayerDeath), 0u);
    for (const std::string& message : log.messages)
        ADD_FAILURE() << message;
}
