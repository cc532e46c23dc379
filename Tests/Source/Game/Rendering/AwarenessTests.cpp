#include "Source/Game/Rendering/IndicatorMarkers.h"

#include "Source/Data/ItemData.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Awareness.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/Item.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using Lumvek::Vector2;
using MatchTesting::Match;

namespace
{

constexpr float Tick = Lumvek::TickSeconds;

// An empty world of two players, the observer (0, team 0) and the other (1, of the given team).
struct Sight
{
    explicit Sight(uint8_t otherTeam = 1)
    {
        match.AddLocal(0, 0, 0);
        match.AddLocal(1, otherTeam, 1);
        match.LoadText(MatchTesting::MapText(""));
        match.CreateRules();
        observer = &match.Place(0, {5.0f, 5.0f});
        other = &match.Place(1, {5.0f, 5.0f});
    }

    // Puts the other at that squared distance to the right of the observer.
    void PutOtherAt(float distanceSquared) { other->body.x = 5.0f + std::sqrt(distanceSquared); }

    bool Sees() const
    {
        for (const AwarenessMarker& marker : observer->awareness)
            if (marker.kind == AwarenessMarker::PlayerKind && marker.identifier == other->index)
                return true;
        return false;
    }

    World& world() { return *match.world; }

    Match match;
    Player* observer = nullptr;
    Player* other = nullptr;
};

SpawnPoint At(float x, float y)
{
    SpawnPoint point;
    point.x = x;
    point.y = y;
    return point;
}

uint32_t Alpha(uint32_t color)
{
    return color >> 24;
}

} // namespace

TEST(Awareness, PlayersAreNoticedNearbyAlwaysAndFartherOnlyByTheirNoise)
{
    struct Case
    {
        float distanceSquared;
        // The other's noise level, and the observer's base awareness.
        float noise;
        float awareness;
        bool noticed;
    };
    const Case cases[] = {
        {99.9f, 0.0f, 0.0f, true},
        // At exactly 10 units only noise counts: 50 is enough against an awareness of 50.
        {100.0f, 0.0f, 50.0f, false},
        {100.0f, 50.0f, 50.0f, true},
        {100.0f, 49.9f, 50.0f, false},
        // At 29 units noise of 0 is heard only by perfect awareness.
        {841.0f, 0.0f, 100.0f, true},
        {841.0f, 0.0f, 99.0f, false},
        // From 30 units on, nothing is heard.
        {900.0f, 1000.0f, 100.0f, false},
    };
    for (const Case& c : cases)
    {
        Sight sight;
        sight.PutOtherAt(c.distanceSquared);
        sight.other->baseAttributes.noisiness = c.noise;
        sight.observer->baseAttributes.awareness = c.awareness;
        sight.world().UpdateAwareness(*sight.observer, Tick);
        EXPECT_EQ(sight.Sees(), c.noticed) << c.distanceSquared << " " << c.noise << " " << c.awareness;
    }

    // The dead are not noticed; team-mates show from anywhere while the view is toggled, as it is
    // from the start, but players without a team are nobody's team-mates.
    Sight dead;
    dead.other->health = 0.0f;
    dead.other->UpdateStates();
    dead.world().UpdateAwareness(*dead.observer, Tick);
    EXPECT_FALSE(dead.Sees());
    for (uint8_t team : {0, 4})
    {
        Sight far(team);
        far.observer->team = team;
        far.PutOtherAt(1000.0f);
        far.world().UpdateAwareness(*far.observer, Tick);
        EXPECT_EQ(far.Sees(), team == 0) << int(team);
    }
}

TEST(Awareness, AMarkerNoticedAgainMovesButKeepsWhereItWasFirstAndFadesOutInThreeSeconds)
{
    Sight sight;
    sight.PutOtherAt(25.0f);
    sight.world().UpdateAwareness(*sight.observer, Tick);
    ASSERT_EQ(sight.observer->awareness.size(), 1u);
    const float height = sight.other->body.boxHeight;
    EXPECT_EQ(sight.observer->awareness[0].position, Vector2(10.0f, 5.0f + height + 0.05f));

    sight.other->body.x = 9.0f;
    sight.world().UpdateAwareness(*sight.observer, Tick);
    ASSERT_EQ(sight.observer->awareness.size(), 1u);
    const AwarenessMarker& marker = sight.observer->awareness[0];
    EXPECT_EQ(marker.firstPosition, Vector2(10.0f, 5.0f + height + 0.05f));
    EXPECT_EQ(marker.position, Vector2(9.0f, 5.0f + height + 0.05f));
    EXPECT_EQ(marker.age, 0.0f);
    EXPECT_EQ(GetMarkerColor(sight.world(), marker), GetTeamColor(1).PackedColor());

    // Out of sight it fades with its age and is gone after three seconds.
    sight.PutOtherAt(2000.0f);
    for (int tick = 0; tick < 90; ++tick)
        sight.world().UpdateAwareness(*sight.observer, Tick);
    ASSERT_EQ(sight.observer->awareness.size(), 1u);
    EXPECT_EQ(Alpha(GetMarkerColor(sight.world(), sight.observer->awareness[0])),
              static_cast<uint32_t>((1.0f - sight.observer->awareness[0].age / 3.0f) * 255.0f));
    EXPECT_NEAR(static_cast<float>(Alpha(GetMarkerColor(sight.world(), sight.observer->awareness[0]))), 127.0f, 1.0f);
    for (int tick = 0; tick < 85; ++tick)
        sight.world().UpdateAwareness(*sight.observer, Tick);
    EXPECT_EQ(sight.observer->awareness.size(), 1u);
    for (int tick = 0; tick < 10; ++tick)
        sight.world().UpdateAwareness(*sight.observer, Tick);
    EXPECT_TRUE(sight.observer->awareness.empty());
}

TEST(Awareness, HighlightedTriggersAndPickupsShowForWhomTheyAreMeant)
{
    struct Case
    {
        uint8_t team;
        uint8_t player;
        // Whether the observer of team 0 (player 0) and the other of team 1 (player 1) see it.
        bool observerSees;
        bool otherSees;
    };
    const Case cases[] = {
        {1, 255, false, true}, {0, 255, true, false}, {4, 255, true, true},
        {255, 16, true, true}, {255, 0, true, false}, {255, 255, false, false},
    };
    for (const Case& c : cases)
    {
        Sight sight;
        World& world = sight.world();
        const TriggerData& checkpoint = *sight.match.ownRegistry.triggers.Find("Checkpoint");
        Trigger* trigger = CreateTriggerEntity(world, At(30.0f, 10.0f), {1.0f, 2.0f}, {0.5f, 0.0f}, checkpoint);
        ASSERT_NE(trigger, nullptr);
        trigger->highlightTeam = c.team;
        trigger->highlightPlayer = c.player;
        const WeaponData& rifle = *sight.match.ownRegistry.weapons.Find("Rifle");
        std::unique_ptr<Weapon> weapon = rifle.Create();
        weapon->data = &rifle;
        Pickup* pickup = CreateWeaponPickupEntity(world, At(20.0f, 10.0f), 0.0f, {}, false, weapon, -1, 0);
        ASSERT_NE(pickup, nullptr);
        pickup->highlightTeam = c.team;
        pickup->highlightPlayer = c.player;
        world.UpdateAwareness(*sight.observer, Tick);
        world.UpdateAwareness(*sight.other, Tick);
        const size_t shown = c.observerSees ? 2u : 0u;
        EXPECT_EQ(sight.observer->awareness.size(), shown + 1) << int(c.team) << " " << int(c.player);
        EXPECT_EQ(sight.other->awareness.size(), (c.otherSees ? 2u : 0u) + 1) << int(c.team) << " " << int(c.player);
        if (!c.observerSees)
            continue;
        // The pickup's marker stands on top of the weapon, the trigger's on top of its box.
        const AwarenessMarker& pickupMarker = sight.observer->awareness[1];
        EXPECT_EQ(pickupMarker.kind, AwarenessMarker::WeaponPickupKind);
        EXPECT_EQ(pickupMarker.identifier, pickup->id);
        EXPECT_NEAR(pickupMarker.position.y, pickup->body->GetCenter().y + rifle.size.y * 0.5f + 0.05f, 1e-4f);
        const AwarenessMarker& triggerMarker = sight.observer->awareness[2];
        EXPECT_EQ(triggerMarker.kind, AwarenessMarker::TriggerKind);
        EXPECT_NEAR(triggerMarker.position.x, 30.0f, 1e-4f);
        EXPECT_NEAR(triggerMarker.position.y, 12.05f, 1e-4f);

        // A trigger's marker goes as soon as its highlight does, a pickup's fades like a player's.
        trigger->highlightTeam = trigger->highlightPlayer = NoHighlight;
        pickup->highlightTeam = pickup->highlightPlayer = NoHighlight;
        world.UpdateAwareness(*sight.observer, Tick);
        ASSERT_EQ(sight.observer->awareness.size(), 2u);
        EXPECT_EQ(sight.observer->awareness[1].kind, AwarenessMarker::WeaponPickupKind);
    }
}

TEST(Awareness, MarkerColoursAndIconsShowTeamsTheLeaderAndTheDead)
{
    Sight sight;
    World& world = sight.world();
    const AwarenessMarker other{1, AwarenessMarker::PlayerKind, {}, {}, 0.0f};
    const uint32_t team = GetTeamColor(1).PackedColor();
    EXPECT_EQ(GetMarkerColor(world, other), team);
    EXPECT_EQ(GetMarkerIcon(world, other), -1);

    // A carrier shows what it holds, in the hand or on the body; the leader's mark comes first.
    const ItemData& flag = *sight.match.ownRegistry.items.Find("RedFlag");
    ASSERT_NE(flag.icon, Lumvek::InvalidId);
    for (std::unique_ptr<Item> Player::*slot : {&Player::handItem, &Player::carriedItem})
    {
        (sight.other->*slot = std::make_unique<Item>())->data = &flag;
        EXPECT_EQ(GetMarkerIcon(world, other), static_cast<int32_t>(flag.icon));
    }
    sight.other->leaderMarker = true;
    EXPECT_EQ(GetMarkerColor(world, other), 0xFFFFFFFFu);
    EXPECT_EQ(GetMarkerTeamColor(world, other), team);
    EXPECT_EQ(GetMarkerIcon(world, other), static_cast<int32_t>(Images::LeaderIcon));
    sight.other->handItem.reset();
    sight.other->carriedItem.reset();
    const AwarenessMarker aged{1, AwarenessMarker::PlayerKind, {}, {}, 1.5f};
    EXPECT_EQ(GetMarkerColor(world, aged), 0x7FFFFFFFu);
    EXPECT_EQ(GetMarkerTeamColor(world, aged), (team & 0x00FFFFFFu) | 0x7F000000u);

    sight.other->health = 0.0f;
    sight.other->UpdateStates();
    EXPECT_EQ(GetMarkerIcon(world, other), static_cast<int32_t>(Images::Death));
    // A player who left, and whatever is not a player, are plain white.
    world.DropActivePlayer(*sight.other);
    EXPECT_EQ(GetMarkerColor(world, other), 0xFFFFFFFFu);
    EXPECT_EQ(GetMarkerIcon(world, other), -1);
    const AwarenessMarker outside{40, AwarenessMarker::PlayerKind, {}, {}, 0.0f};
    EXPECT_EQ(GetMarkerColor(world, outside), 0xFFFFFFFFu);

    const WeaponData& rifle = *sight.match.ownRegistry.weapons.Find("Rifle");
    std::unique_ptr<Weapon> weapon = rifle.Create();
    weapon->data = &rifle;
    Pickup* pickup = CreateWeaponPickupEntity(world, At(20.0f, 10.0f), 0.0f, {}, false, weapon, -1, 0);
    ASSERT_NE(pickup, nullptr);
    const AwarenessMarker weaponMarker{pickup->id, AwarenessMarker::WeaponPickupKind, {}, {}, 0.0f};
    EXPECT_EQ(GetMarkerColor(world, weaponMarker), 0xFFFFFFFFu);
    ASSERT_NE(rifle.icon, Lumvek::InvalidId);
    EXPECT_EQ(GetMarkerIcon(world, weaponMarker), static_cast<int32_t>(rifle.icon));
    const TriggerData& checkpoint = *sight.match.ownRegistry.triggers.Find("Checkpoint");
    Trigger* trigger = CreateTriggerEntity(world, At(30.0f, 10.0f), {1.0f, 2.0f}, {0.5f, 0.0f}, checkpoint);
    ASSERT_NE(trigger, nullptr);
    const AwarenessMarker triggerMarker{trigger->id, AwarenessMarker::TriggerKind, {}, {}, 0.0f};
    EXPECT_EQ(GetMarkerIcon(world, triggerMarker), static_cast<int32_t>(checkpoint.icon));
    // Gone from the world, they show no icon.
    world.RemovePickup(*pickup);
    world.RemoveTrigger(*trigger);
    world.Step(Tick);
    EXPECT_EQ(GetMarkerIcon(world, weaponMarker), -1);
    EXPECT_EQ(GetMarkerIcon(world, triggerMarker), -1);
}
