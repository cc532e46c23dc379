#include "Source/World/Player.h"

#include "Source/Data/WeaponData.h"
#include "Source/World/AttributeDivisor.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

using Lumvek::Vector2;
using PlayerTesting::PlatformMap;
using PlayerTesting::PlayerGame;

namespace
{

// A world of flat ground with one Basic player standing on it.
struct Standing
{
    Standing(const Loadout* loadout = nullptr)
        : world(game.LoadText(PlatformMap(R"({"Position": "0 0", "Size": "40 2"})"))),
          player(game.AddPlayer(*world, {10.0f, 2.0f}, loadout ? *loadout : game.MakeLoadout()))
    {
    }

    PlayerGame game;
    std::unique_ptr<World> world;
    Player& player;
};

} // namespace

TEST(Player, TheBasicCharacterInBasicPartsIsABoxOfItsPartsSizes)
{
    Standing standing;
    const Player& player = standing.player;
    EXPECT_FLOAT_EQ(player.body.boxWidth, 0.26f);
    EXPECT_FLOAT_EQ(player.body.boxHeight, 1.0f);
    EXPECT_EQ(player.character, standing.game.ownRegistry.characters.Get(0));
    EXPECT_EQ(player.baseAttributes, player.character->attributes);
    // The skeleton is the character's, with the bones the parts name found in it.
    for (PlayerBone bone : {PlayerBone::Skull, PlayerBone::Spine, PlayerBone::LeftHand, PlayerBone::RightFoot,
                            PlayerBone::Weapon, PlayerBone::Muzzle, PlayerBone::LeftPickup})
        EXPECT_NE(player.body.GetBone(bone), nullptr) << static_cast<uint32_t>(bone);
    EXPECT_EQ(player.body.GetBone(PlayerBone::Spine)->parent, &player.body.skeleton);
}

TEST(Player, ALoadoutIndexOutsideItsTableWearsTheTablesFirstPart)
{
    PlayerGame game;
    Loadout loadout = game.MakeLoadout("Helmet", "Jetpack");
    loadout.head = Loadout::None;
    loadout.legs = 4000;
    Lumvek::Testing::LogCapture log;
    std::unique_ptr<World> world = game.LoadText(PlatformMap(R"({"Position": "0 0", "Size": "40 2"})"));
    Player& player = game.AddPlayer(*world, {10.0f, 2.0f}, loadout);
    ASSERT_TRUE(player.head && player.legs && player.core);
    EXPECT_EQ(player.head->data, game.ownRegistry.heads.Get(0));
    EXPECT_EQ(player.legs->data, game.ownRegistry.legs.Get(0));
    EXPECT_EQ(player.core->data->name, "Jetpack");
    EXPECT_TRUE(
        log.Logged("player 0 wears the first head instead of index 4294967295, which is not among the 4 there are"))
        << (log.messages.empty() ? "" : log.messages.front());
    EXPECT_TRUE(log.Logged("player 0 wears the first legs instead of index 4000, which is not among the 4 there are"));
}

TEST(Player, ApplyingALoadoutAgainReplacesThePartsModifiersAndAbility)
{
    PlayerGame game;
    const Loadout heavy = game.MakeLoadout("Helmet", "Breastplate", "BasicArms", "SpaceBoots");
    Standing standing(&heavy);
    Player& player = standing.player;
    const Attributes heavyModifiers = player.modifiers.Get();
    ASSERT_EQ(player.abilityPart, player.legs.get());

    player.ApplyLoadout(heavy);
    EXPECT_EQ(player.modifiers.Get(), heavyModifiers);
    player.ApplyLoadout(game.MakeLoadout());
    EXPECT_EQ(player.modifiers.Get(), Player::IdentityModifiers());
    // The boots went with their ability.
    EXPECT_EQ(player.abilityPart, nullptr);
    EXPECT_FLOAT_EQ(player.GetEffective(&Attributes::weight), 3.0f);
}

TEST(Player, AddingThenSubtractingAModifierSetRestoresTheSetExactly)
{
    PlayerGame game;
    Attributes respawning = Attributes::Modifiers();
    respawning.respawnSpeed = 0.3f;
    respawning.hops = -0.05f;
    std::vector<const Attributes*> sets{&respawning};
    for (const auto& part : game.ownRegistry.heads.GetItems())
        sets.push_back(&part->modifiers);
    for (const auto& part : game.ownRegistry.cores.GetItems())
        sets.push_back(&part->modifiers);
    for (const auto& part : game.ownRegistry.arms.GetItems())
        sets.push_back(&part->modifiers);
    for (const auto& part : game.ownRegistry.legs.GetItems())
        sets.push_back(&part->modifiers);

    for (const Attributes* set : sets)
    {
        PlayerModifiers modifiers(Player::IdentityModifiers());
        modifiers += *set;
        // A positive RespawnSpeed shortens the wait: it is taken off.
        EXPECT_EQ(modifiers[&Attributes::respawnSpeed], 1.0f - set->respawnSpeed);
        modifiers -= *set;
        EXPECT_EQ(modifiers.Get(), Player::IdentityModifiers());
    }
}

TEST(Player, HealthStatesFollowHealthAgainstTheEffectiveMaximum)
{
    Standing standing;
    Player& player = standing.player;
    const std::pair<float, HealthState> cases[] = {
        {0.0f, HealthState::Dead},     {-5.0f, HealthState::Dead},    {24.0f, HealthState::Critical},
        {25.0f, HealthState::Wounded}, {74.9f, HealthState::Wounded}, {75.0f, HealthState::Healthy},
    };
    for (const auto& [health, state] : cases)
    {
        player.health = health;
        player.UpdateStates();
        EXPECT_EQ(player.healthState, state) << health;
    }
    // A Breastplate's 25% more health moves the thresholds with the maximum.
    player.modifiers.Add(&Attributes::maximumHealth, 0.25f);
    player.health = 74.9f;
    player.UpdateStates();
    EXPECT_EQ(player.healthState, HealthState::Wounded);
    player.health = 93.75f;
    player.UpdateStates();
    EXPECT_EQ(player.healthState, HealthState::Healthy);
}

TEST(Player, HealthRegeneratesOnceTheDelayHasRunOutAndStopsAtTheMaximum)
{
    Standing standing;
    Player& player = standing.player;
    player.modifiers.Add(&Attributes::healthRegeneration, 6.0f);
    player.health = 99.0f;
    player.regenerationDelay = 2;
    const float dt = Lumvek::TickSeconds;
    player.UpdateHealth(dt);
    player.UpdateHealth(dt);
    EXPECT_EQ(player.health, 99.0f);
    player.UpdateHealth(dt);
    EXPECT_FLOAT_EQ(player.health, 99.0f + 6.0f * dt);
    for (int tick = 0; tick < 20; ++tick)
        player.UpdateHealth(dt);
    EXPECT_EQ(player.health, 100.0f);
}

TEST(Player, TogglingWalksTheAbilityPartsCoreHeadLegsArms)
{
    PlayerGame game;
    struct Case
    {
        Loadout loadout;
        // The part selected after each of three presses; -1 for none.
        std::array<int, 4> selected;
    };
    const Case cases[] = {
        // No ability at all: nothing to toggle.
        {game.MakeLoadout(), {-1, -1, -1, -1}},
        // Only the legs: they stay selected.
        {game.MakeLoadout("BasicHead", "BasicCore", "BasicArms", "SpaceBoots"), {3, 3, 3, 3}},
        // Core, head and legs: the core wins at first, then head, legs and round again.
        {game.MakeLoadout("HelicopterHat", "Jetpack", "BasicArms", "BonusHitops"), {1, 0, 3, 1}},
    };
    for (const Case& test : cases)
    {
        Standing standing(&test.loadout);
        Player& player = standing.player;
        for (int press = 0; press < 4; ++press)
        {
            if (press > 0)
            {
                player.input[PlayerAction::TogglePart] = 1;
                player.UpdateParts(Lumvek::TickSeconds);
            }
            const int expected = test.selected[static_cast<size_t>(press)];
            EXPECT_EQ(player.abilityPart, expected < 0 ? nullptr : player.GetPart(static_cast<uint32_t>(expected)))
                << "press " << press;
        }
        // A select button picks its part only when that part has an ability.
        player.input[PlayerAction::TogglePart] = 0;
        Part* before = player.abilityPart;
        player.input[PlayerAction::SelectArms] = 1;
        player.UpdateParts(Lumvek::TickSeconds);
        EXPECT_EQ(player.abilityPart, before);
    }
}

TEST(Player, TheHandTimerHoldsWhenModifiersCancelDexterity)
{
    Standing standing;
    Player& player = standing.player;
    const std::pair<float, int32_t> cases[] = {
        {1.0f, 15}, {2.0f, 8}, {0.0f, 150}, {-3.0f, 150}, {0.001f, 150}, {NAN, 150},
    };
    for (const auto& [dexterity, ticks] : cases)
    {
        Attributes set = Player::IdentityModifiers();
        set.dexterity = dexterity;
        player.modifiers = set;
        player.Update(Lumvek::TickSeconds);
        EXPECT_EQ(player.handTimer, ticks) << dexterity;
    }
}

TEST(AttributeDivisor, DivisorsStayAtLeastATenthAndTicksWithinTheirTimers)
{
    struct Case
    {
        float ticks;
        float attribute;
        int32_t expected;
    };
    const Case cases[] = {
        {15.0f, 1.0f, 15},  {15.0f, 2.0f, 8},   {15.0f, 0.0f, 150},   {15.0f, -1.0f, 150},
        {60.0f, 0.1f, 511}, {1e30f, 1.0f, 511}, {15.0f, INFINITY, 0}, {-4.0f, 1.0f, 0},
        {NAN, 1.0f, 0},     {2.5f, 1.0f, 3},    {0.49f, 1.0f, 0},     {15.0f, NAN, 150},
    };
    for (const Case& test : cases)
        EXPECT_EQ(DivideTicks(test.ticks, test.attribute), test.expected) << test.ticks << " / " << test.attribute;
    EXPECT_EQ(RoundTicks(3000.0f, 4000), 3000);
    EXPECT_EQ(AttributeDivisor(0.25f), 0.25f);
}

TEST(Player, TheCameraFollowsTheZoomOfTheWeaponInHandElseOfTheOneBeingPickedUp)
{
    Standing standing;
    Player& player = standing.player;
    EXPECT_EQ(player.GetCameraFocus().weaponZoom, 1.0f);
    WeaponData rifle;
    rifle.zoomLevels = {1.0f, 2.5f};
    rifle.modifiers.cameraZoom = 0.5f;
    player.pendingWeapon = std::make_unique<Weapon>();
    player.pendingWeapon->data = &rifle;
    player.pendingWeapon->zoomIndex = 1;
    CameraFocus focus = player.GetCameraFocus();
    EXPECT_EQ(focus.weaponZoom, 2.5f);
    EXPECT_EQ(focus.cameraZoom, 1.5f);
    WeaponData pistol;
    pistol.zoomLevels = {1.25f};
    player.weapon = std::make_unique<Weapon>();
    player.weapon->data = &pistol;
    player.aimDirection = {0.0f, -1.0f};
    focus = player.GetCameraFocus();
    EXPECT_EQ(focus.weaponZoom, 1.25f);
    EXPECT_EQ(focus.aimDirection, Vector2(0.0f, -1.0f));
}

TEST(Player, InteractMustBeHeldFifteenTicksOnOneTargetAndReleasedBeforeTheNextUse)
{
    PlayerGame game;
    std::unique_ptr<World> world = game.LoadShipped("Hilltop");
    // Beside the ferry's lever on the right balcony.
    Player& player = game.AddPlayer(*world, {33.0f, 12.5f}, game.MakeLoadout());
    PathedBody* ferry = nullptr;
    for (Platform* platform : world->GetMovingPlatforms())
        ferry = platform->GetPathedBody();
    ASSERT_NE(ferry, nullptr);
    ASSERT_TRUE(ferry->stopped);
    PlayerTesting::Step(*world, 3);
    ASSERT_NE(player.interactionId, Player::NoInteraction);

    player.input[PlayerAction::Interact] = 1;
    PlayerTesting::Step(*world, 14);
    EXPECT_TRUE(ferry->stopped);
    PlayerTesting::Step(*world);
    EXPECT_FALSE(ferry->stopped);
    // Still held: the lever is not used again.
    PlayerTesting::Step(*world, 30);
    EXPECT_FALSE(ferry->stopped);
    player.input[PlayerAction::Interact] = 0;
    PlayerTesting::Step(*world);
    player.input[PlayerAction::Interact] = 1;
    PlayerTesting::Step(*world, 15);
    EXPECT_TRUE(ferry->stopped);
}
