#include "Source/Data/TriggerData.h"
#include "Source/Data/ZoneData.h"
#include "Source/World/Action.h"
#include "Source/World/EntityFactory.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Lumvek::Vector2;
using WeaponTesting::GroundMap;
using WeaponTesting::Match;
using WeaponTesting::PlatformMapWithSpawn;

namespace
{

// Notes which player it ran for, under its name.
class RecordingAction final : public Action
{
public:
    RecordingAction(std::vector<std::string>& runs, std::string name) : runs(runs), name(std::move(name)) {}

    void Run(Player& player) override { runs.push_back(name + " " + std::to_string(player.index)); }

private:
    std::vector<std::string>& runs;
    std::string name;
};

// A trigger over the rectangle whose three actions record their runs.
Trigger& MakeTrigger(Match& match, const Lumvek::Rectangle& area, std::vector<std::string>& runs)
{
    const TriggerData* data = match.ownRegistry.triggers.Find("FlagStand");
    EXPECT_NE(data, nullptr);
    const SpawnPoint placement{area.x, area.y, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    Trigger* trigger = CreateTriggerEntity(*match.world, placement, {area.width, area.height}, {0.0f, 0.0f}, *data);
    EXPECT_NE(trigger, nullptr);
    trigger->enterAction = std::make_unique<RecordingAction>(runs, "enter");
    trigger->stayAction = std::make_unique<RecordingAction>(runs, "stay");
    trigger->leaveAction = std::make_unique<RecordingAction>(runs, "leave");
    return *trigger;
}

} // namespace

// Three ticks inside make enter, stay, stay; the tick after stepping out makes leave, and after it
// nothing. A trigger that goes with a player inside lets the player leave.
TEST(Touches, APlayerInsideATriggerEntersStaysAndLeaves)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({11.0f, 2.0f});
    std::vector<std::string> runs;
    Trigger& trigger = MakeTrigger(match, {10.0f, 2.0f, 2.0f, 2.0f}, runs);
    for (int tick = 0; tick < 3; ++tick)
        trigger.UpdateTouches(world);
    player.body.Reset({20.0f, 2.0f}, false);
    trigger.UpdateTouches(world);
    trigger.UpdateTouches(world);
    EXPECT_EQ(runs, (std::vector<std::string>{"enter 0", "stay 0", "stay 0", "leave 0"}));

    runs.clear();
    player.body.Reset({11.0f, 2.0f}, false);
    trigger.UpdateTouches(world);
    world.RemoveTrigger(trigger);
    match.Step();
    EXPECT_EQ(runs, (std::vector<std::string>{"enter 0", "leave 0"}));
}

// A player whose box only touches the trigger's edge is not inside.
TEST(Touches, TouchingEdgesDoNotCount)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({11.0f, 2.0f});
    const PlayerBody& body = player.body;
    const float right = (body.x - body.boxWidth * 0.5f) + body.boxWidth;
    const float top = body.y + body.boxHeight;
    std::vector<std::string> runs;
    Trigger& beside = MakeTrigger(match, {right, 2.0f, 2.0f, 2.0f}, runs);
    Trigger& above = MakeTrigger(match, {10.0f, top, 2.0f, 2.0f}, runs);
    beside.UpdateTouches(world);
    above.UpdateTouches(world);
    EXPECT_TRUE(runs.empty());
    // A hair further in, it is.
    player.body.Reset({11.0f + 0.001f, 2.0f}, false);
    beside.UpdateTouches(world);
    EXPECT_EQ(runs, std::vector<std::string>{"enter 0"});
}

// A zone puts its modifiers on a player once as the player comes in, however long it stays, and takes
// them off exactly as it leaves.
TEST(Touches, AZonesModifiersApplyOncePerStay)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({11.0f, 2.0f});
    ZoneData mud;
    mud.modifiers.maximumForwardSpeed = -0.5f;
    mud.modifiers.hops = -0.25f;
    Zone* zone = CreateZoneEntity(world, {10.0f, 2.0f}, {2.0f, 2.0f}, mud);
    ASSERT_NE(zone, nullptr);
    const Attributes before = player.modifiers.Get();
    for (int tick = 0; tick < 5; ++tick)
    {
        zone->UpdateTouches(world);
        EXPECT_FLOAT_EQ(player.modifiers[&Attributes::maximumForwardSpeed], before.maximumForwardSpeed - 0.5f);
        EXPECT_FLOAT_EQ(player.modifiers[&Attributes::hops], before.hops - 0.25f);
    }
    player.body.Reset({20.0f, 2.0f}, false);
    zone->UpdateTouches(world);
    EXPECT_EQ(player.modifiers.Get().maximumForwardSpeed, before.maximumForwardSpeed);
    EXPECT_EQ(player.modifiers.Get().hops, before.hops);
    EXPECT_TRUE(zone->touches.empty());

    // The definition's tiling reaches the zone's image, as a hazard's does.
    mud.image = Lumvek::NameTableA().Add("TiledZoneImage");
    mud.tiles.tileSize = 0.25f;
    mud.tiles.tileVertically = true;
    const Zone* tiled = CreateZoneEntity(world, {20.0f, 8.0f}, {4.0f, 1.0f}, mud);
    ASSERT_TRUE(tiled && tiled->image);
    EXPECT_EQ(tiled->image->tileSize, 0.25f);
    EXPECT_TRUE(tiled->image->tileVertically);
    EXPECT_FALSE(tiled->image->tileHorizontally);
}

// Running a path start twice leaves the platform as it was; an index that names no moving platform
// does nothing.
TEST(Actions, APathStartRunTwiceRestoresThePath)
{
    Match match;
    World& world = match.LoadShipped("Crossroads");
    Player& player = match.AddPlayer({3.0f, 2.0f});
    const Platform* lift = match.names.platforms.Find("LeftLift");
    const Platform* ground = match.names.platforms.Find("Ground");
    ASSERT_TRUE(lift && ground && lift->GetPathedBody());
    PathStartAction action(world);
    action.platform = lift->id;
    const bool stopped = lift->GetPathedBody()->stopped;
    action.Run(player);
    EXPECT_NE(lift->GetPathedBody()->stopped, stopped);
    action.Run(player);
    EXPECT_EQ(lift->GetPathedBody()->stopped, stopped);
    for (const uint16_t platform : {ground->id, uint16_t(world.platforms.Count()), uint16_t(65535)})
    {
        action.platform = platform;
        action.Run(player);
        EXPECT_EQ(lift->GetPathedBody()->stopped, stopped);
    }
}

// Holding Interact at Hilltop's ferry lever for 15 ticks starts the ferry from its stop.
TEST(Actions, PullingAHilltopLeverStartsTheFerry)
{
    Match match;
    World& world = match.LoadShipped("Hilltop");
    const Platform* ferry = match.names.platforms.Find("Ferry");
    const Interaction* lever = match.names.interactions.Find("FerryLever");
    ASSERT_TRUE(ferry && ferry->GetPathedBody() && lever);
    const PathedBody& path = *ferry->GetPathedBody();
    ASSERT_TRUE(path.stopped);
    const Lumvek::Rectangle bounds = lever->body.GetBounds();
    Player& player = match.AddPlayer({bounds.x + bounds.width * 0.5f, bounds.y});

    player.input[PlayerAction::Interact] = 0;
    player.UpdateInteraction();
    EXPECT_EQ(player.interactionId, lever->id);
    player.input[PlayerAction::Interact] = 1;
    for (int tick = 0; tick < 14; ++tick)
        player.UpdateInteraction();
    EXPECT_TRUE(path.stopped);
    player.UpdateInteraction();
    EXPECT_FALSE(path.stopped);

    const Vector2 start(path.x, path.y);
    for (int tick = 0; tick < 30; ++tick)
        world.Step(Lumvek::TickSeconds);
    EXPECT_NE(Vector2(path.x, path.y), start);
}
