#include "Source/World/Part.h"

#include "Source/Data/AbilityPartData.h"
#include "Source/Data/PartData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/AbilityParts.h"
#include "Tests/Source/World/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <typeinfo>

using Lumvek::InvalidId;

namespace
{

// The run-time part that the definition of a DataType makes.
template <class Kind> std::unique_ptr<Part> Make(const DataTypeMap<Kind>& types, Lumvek::StringView dataType)
{
    std::unique_ptr<Kind> definition = types.Create(dataType);
    return definition ? definition->CreatePart() : nullptr;
}

TEST(Part, EachDefinitionMakesItsPartWithFullEnergyAndNothingElse)
{
    const std::pair<std::unique_ptr<Part>, const std::type_info*> cases[] = {
        {Make(HeadDataTypes(), "Head"), &typeid(Head)},
        {Make(HeadDataTypes(), "HelicopterHat"), &typeid(HelicopterHat)},
        {Make(CoreDataTypes(), "Core"), &typeid(Core)},
        {Make(CoreDataTypes(), "AmmoBelt"), &typeid(AmmoBelt)},
        {Make(CoreDataTypes(), "Jetpack"), &typeid(Jetpack)},
        {Make(ArmsDataTypes(), "Arms"), &typeid(Arms)},
        {Make(LegsDataTypes(), "Legs"), &typeid(Legs)},
        {Make(LegsDataTypes(), "BonusHitops"), &typeid(BonusHitops)},
        {Make(LegsDataTypes(), "SpaceBoots"), &typeid(SpaceBoots)},
    };
    for (const auto& [part, type] : cases)
    {
        ASSERT_NE(part, nullptr) << type->name();
        const Part& made = *part;
        EXPECT_EQ(typeid(made), *type);
        EXPECT_EQ(part->energy, 1000u);
        // The wearer and the definition are the taker's to set.
        EXPECT_EQ(part->owner, nullptr);
        EXPECT_EQ(part->data, nullptr);
        EXPECT_FALSE(part->selected || part->discharging || part->rechargeDelay || part->usedTime);
    }
    // No sound plays yet, and new boots may jump in the air at once.
    EXPECT_EQ(dynamic_cast<const HelicopterHat&>(*cases[1].first).voice.id, InvalidId);
    EXPECT_EQ(dynamic_cast<const Jetpack&>(*cases[4].first).voice.id, InvalidId);
    EXPECT_TRUE(dynamic_cast<const SpaceBoots&>(*cases[8].first).armed);
}

using PlayerTesting::PlayerGame;
using PlayerTesting::Step;

// A Basic player on flat ground wearing the parts named, settled for a few ticks.
struct Wearer
{
    explicit Wearer(Lumvek::StringView head = "BasicHead", Lumvek::StringView core = "BasicCore",
                    Lumvek::StringView legs = "BasicLegs", Lumvek::Vector2 position = {10.0f, 2.0f})
        : world(game.LoadText(PlayerTesting::PlatformMap(R"({"Position": "0 0", "Size": "40 2"})"))),
          player(game.AddPlayer(*world, position, game.MakeLoadout(head, core, "BasicArms", legs)))
    {
        Step(*world, 3);
        game.sounds.clear();
    }

    PlayerGame game;
    std::unique_ptr<World> world;
    Player& player;
};

// A core with an ability and the energy rules given, worn by the player through a part of its own.
struct EnergyCase
{
    EnergyCase(Player& player, uint32_t requirement, uint32_t amount, uint32_t dischargeTicks,
               uint32_t rechargeTicks = 100, uint32_t timeout = 0)
    {
        definition.hasAbility = true;
        definition.energyRequirement = requirement;
        definition.energyDischargeAmount = amount;
        definition.energyDischargeTime.ticks = dischargeTicks;
        definition.energyRechargeTime.ticks = rechargeTicks;
        definition.energyRechargeTimeout.ticks = timeout;
        part = definition.CreatePart();
        part->owner = &player;
        part->data = &definition;
    }

    // One tick of the part selected, with the use button as given.
    void Tick(bool use) { part->Update(Lumvek::TickSeconds, true, use); }

    CoreData definition;
    std::unique_ptr<Core> part;
};

} // namespace

// The energy rules of a part: what a use pays, how it drains and recharges, and modifiers that cancel the
// rates.
TEST(Part, EnergyIsPaidDrainedAndRechargedByTheRulesAndTheirModifiers)
{
    Wearer wearer;
    // The requirement lies below the amount: 300 pays for a use of 400 with all it has.
    EnergyCase expensive(wearer.player, 100, 400, 60);
    expensive.part->energy = 300;
    expensive.Tick(true);
    EXPECT_TRUE(expensive.part->discharging);
    EXPECT_EQ(expensive.part->energy, 0u);
    expensive.Tick(true);
    // Nothing left to drain: the use ends.
    EXPECT_FALSE(expensive.part->discharging);
    EXPECT_EQ(expensive.part->energy, 0u);

    // Exactly the requirement is not enough to start.
    EnergyCase exact(wearer.player, 300, 10, 60);
    exact.part->energy = 300;
    exact.Tick(true);
    EXPECT_FALSE(exact.part->discharging);
    EXPECT_EQ(exact.part->energy, 300u);

    struct Case
    {
        uint32_t requirement;
        uint32_t dischargeTicks;
        // Energy after the payment of 100 and two more ticks of use.
        uint32_t expected;
    };
    const Case cases[] = {
        // 120 ticks empty a full part: 8 a tick.
        {10, 120, 900 - 16},
        // No requirement: the use is free after the payment.
        {0, 120, 900},
    };
    for (const Case& test : cases)
    {
        EnergyCase use(wearer.player, test.requirement, 100, test.dischargeTicks);
        for (int tick = 0; tick < 3; ++tick)
            use.Tick(true);
        EXPECT_EQ(use.part->energy, test.expected) << test.requirement;
        EXPECT_NEAR(use.part->usedTime, 2.0f * Lumvek::TickSeconds, 1e-6f);
    }

    // A discharge time of 0 ticks drains everything: the use ends on its second tick.
    EnergyCase instant(wearer.player, 10, 100, 0, 100, 30);
    instant.Tick(true);
    EXPECT_TRUE(instant.part->discharging);
    instant.Tick(true);
    EXPECT_FALSE(instant.part->discharging);
    EXPECT_EQ(instant.part->energy, 0u);
    EXPECT_EQ(instant.part->rechargeDelay, 30);
    // The timeout of 30 ticks passes before the first recharge of 1000 / 100 a tick.
    for (int tick = 0; tick < 30; ++tick)
        instant.Tick(false);
    EXPECT_EQ(instant.part->energy, 0u);
    instant.Tick(false);
    EXPECT_EQ(instant.part->energy, 10u);

    Player& player = wearer.player;
    // EnergyDischarge and EnergyRecharge add their modifiers: -2 on a base of 1 leaves -1.
    player.modifiers.Add(&Attributes::energyDischarge, -2.0f);
    player.modifiers.Add(&Attributes::energyRecharge, -2.0f);
    EnergyCase use(player, 10, 100, 120, 100);
    EXPECT_EQ(use.part->GetDischargePerTick(), 1000u);
    EXPECT_EQ(use.part->GetRechargePerTick(), 1000u);
    // Huge rates are no longer a tick's worth.
    player.modifiers.Add(&Attributes::energyDischarge, 1e30f);
    EXPECT_EQ(use.part->GetDischargePerTick(), 0u);
}

TEST(Part, TheJetpackThrustsWhileInUseAndShowsItsTrailWhileSelected)
{
    Wearer wearer("BasicHead", "Jetpack");
    Player& player = wearer.player;
    ASSERT_EQ(player.abilityPart, player.core.get());
    auto& jetpack = dynamic_cast<Jetpack&>(*player.core);
    ASSERT_NE(wearer.world->visuals.Find(jetpack.trail), nullptr);

    player.input[PlayerAction::Use] = 1;
    float highest = player.body.y;
    for (int tick = 0; tick < 60; ++tick)
    {
        Step(*wearer.world);
        highest = std::max(highest, player.body.y);
    }
    EXPECT_TRUE(jetpack.discharging);
    EXPECT_GT(highest, 5.0f);
    // Each tick of use pushes up by the thrust; the body takes the push in its next step.
    const float waiting = player.body.impulse.y;
    jetpack.OnUsing();
    EXPECT_NEAR(player.body.impulse.y - waiting, 1.6f, 1e-6f);

    // Another part selected: the trail goes with the end of the tick.
    player.abilityPart = player.head.get();
    player.input[PlayerAction::Use] = 0;
    const EntityId trail = jetpack.trail;
    Step(*wearer.world);
    EXPECT_FALSE(jetpack.discharging);
    EXPECT_EQ(wearer.world->visuals.Find(trail), nullptr);
    EXPECT_EQ(jetpack.trail, NoEntity);

    // Selected again and in use, the trail and the sound go with a player who leaves.
    player.abilityPart = player.core.get();
    player.input[PlayerAction::Use] = 1;
    Step(*wearer.world, 2);
    const EntityId used = jetpack.trail;
    ASSERT_TRUE(jetpack.discharging && wearer.world->visuals.Find(used));
    wearer.world->RemovePlayer(player);
    Step(*wearer.world);
    EXPECT_FALSE(jetpack.discharging || wearer.world->visuals.Find(used));
}

TEST(Part, TheHelicopterHatSlowsTheFallAndGivesItsModifiersBackExactly)
{
    Wearer wearer("HelicopterHat", "BasicCore", "BasicLegs", {10.0f, 15.0f});
    Player& player = wearer.player;
    ASSERT_EQ(player.abilityPart, player.head.get());
    // Values whose float products do not divide back exactly.
    Attributes start = Player::IdentityModifiers();
    start.aerodynamics = 0.9f;
    start.maneuverability = 1.1f;
    start.maximumFallingSpeed = 0.9f;
    player.modifiers = start;
    player.body.y = 15.0f;
    player.input[PlayerAction::Use] = 1;
    Step(*wearer.world, 20);
    EXPECT_FLOAT_EQ(player.modifiers[&Attributes::aerodynamics], 2.9f);
    EXPECT_FLOAT_EQ(player.modifiers[&Attributes::maneuverability], 1.6f);
    EXPECT_FLOAT_EQ(player.modifiers[&Attributes::maximumFallingSpeed], 0.27f);
    EXPECT_GE(player.body.velocity.y, -15.0f * 0.27f - 0.5f);
    player.input[PlayerAction::Use] = 0;
    Step(*wearer.world);
    EXPECT_EQ(player.modifiers.Get(), start);
}

TEST(Part, TheHelicopterBladesPingPongAndAStillRateShowsTheFirstFrame)
{
    Wearer wearer("HelicopterHat");
    auto& hat = dynamic_cast<HelicopterHat&>(*wearer.player.head);
    ASSERT_NE(hat.hatNode, nullptr);
    hat.hatNode->frameCount = 4;
    hat.discharging = true;
    std::vector<uint32_t> shown;
    for (int step = 0; step < 12; ++step)
    {
        hat.Animate(1.0f / 12.0f + 0.001f);
        shown.push_back(hat.hatNode->frame);
    }
    EXPECT_EQ(shown, (std::vector<uint32_t>{1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3, 3}));

    // No rate, a negative one or an absurd one: the blades stay or move, but the frame ends.
    for (float rate : {0.0f, -12.0f, 1e30f})
    {
        HelicopterHatData still;
        still.frameRate = rate;
        HelicopterHat part;
        part.owner = &wearer.player;
        part.data = &still;
        part.Attach();
        part.discharging = true;
        part.hatNode->frameCount = 4;
        part.Animate(1.0f);
        EXPECT_LT(part.hatNode->frame, 4u) << rate;
        if (rate <= 0.0f)
        {
            EXPECT_EQ(part.hatNode->frame, 0u) << rate;
        }
    }
}

TEST(Part, TheAmmoBeltFillsTheClipFromTheReserve)
{
    Wearer wearer("BasicHead", "AmmoBelt");
    Player& player = wearer.player;
    WeaponData rifle;
    rifle.clipSize = 10;
    player.weapon = std::make_unique<Weapon>();
    player.weapon->data = &rifle;
    struct Case
    {
        uint32_t clip, reserve, expectedClip, expectedReserve;
    };
    for (const Case& test : {Case{3, 20, 10, 13}, Case{0, 4, 4, 0}, Case{10, 5, 10, 5}, Case{12, 5, 12, 5}})
    {
        player.weapon->clip = test.clip;
        player.weapon->reserve = test.reserve;
        player.core->Update(Lumvek::TickSeconds, false, false);
        EXPECT_EQ(player.weapon->clip, test.expectedClip) << test.clip << " " << test.reserve;
        EXPECT_EQ(player.weapon->reserve, test.expectedReserve);
    }
}

TEST(Part, BonusHitopsBoostOnlyFromTheGroundAndAlwaysSound)
{
    for (bool onGround : {true, false})
    {
        Wearer wearer("OxygenMask", "BasicCore", "BonusHitops", {10.0f, onGround ? 2.0f : 12.0f});
        Player& player = wearer.player;
        ASSERT_EQ(player.body.IsOnGround(), onGround);
        const Attributes before = player.modifiers.Get();
        const uint32_t sound = static_cast<const BonusHitopsData&>(*player.legs->data).sound;
        player.input[PlayerAction::Use] = 1;
        Step(*wearer.world);
        ASSERT_TRUE(player.legs->discharging);
        EXPECT_EQ(wearer.game.CountSounds(sound), 1u);
        const float boost = onGround ? 0.5f : 0.0f;
        EXPECT_EQ(player.modifiers[&Attributes::maximumForwardSpeed], before.maximumForwardSpeed + boost);
        EXPECT_EQ(player.modifiers[&Attributes::agility], before.agility + boost);
        // The oxygen mask recharges faster while the boost lasts.
        EXPECT_EQ(player.modifiers[&Attributes::energyRecharge], before.energyRecharge + (onGround ? 1.5f : 0.0f));
        player.input[PlayerAction::Use] = 0;
        Step(*wearer.world);
        EXPECT_EQ(player.modifiers.Get(), before);
    }
}

TEST(Part, SpaceBootsJumpOncePerStayInTheAir)
{
    Wearer wearer("BasicHead", "BasicCore", "SpaceBoots", {10.0f, 12.0f});
    Player& player = wearer.player;
    auto& boots = dynamic_cast<SpaceBoots&>(*player.legs);
    ASSERT_FALSE(player.body.IsOnGround());
    const auto press = [&]
    {
        boots.energy = Part::MaximumEnergy;
        player.input[PlayerAction::Use] = 1;
        Step(*wearer.world);
        player.input[PlayerAction::Use] = 0;
        Step(*wearer.world);
    };
    player.body.velocity.y = -5.0f;
    press();
    EXPECT_FALSE(boots.armed);
    // The jump's push: half of 8 at rest against a falling limit of 15.
    EXPECT_GT(player.body.velocity.y, 2.0f);
    EXPECT_EQ(wearer.game.CountSounds(static_cast<const SpaceBootsData&>(*boots.data).sound), 1u);
    player.body.velocity.y = -5.0f;
    press();
    EXPECT_LT(player.body.velocity.y, -5.0f);
    // Back on the ground the boots are armed again.
    for (int tick = 0; tick < 240 && !player.body.IsOnGround(); ++tick)
        Step(*wearer.world);
    Step(*wearer.world);
    EXPECT_TRUE(boots.armed);
}
