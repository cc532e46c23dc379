#include "Engine/Foundation/Tick.h"
#include "Source/World/Character.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Texture.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/CharacterAnimations.h"
#include "Source/World/IkAnimation.h"
#include "Source/World/Item.h"
#include "Source/World/TimelineAnimation.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/AnimationTestSupport.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>

using namespace Lumvek;
using AnimationTesting::Scene;

namespace
{

constexpr float FrameSeconds = Lumvek::TickSeconds;

// A table of three animations named A, B and C.
struct ThreeAnimations
{
    ThreeAnimations()
    {
        for (std::string_view name : {"A", "B", "C"})
            table.Insert(name, std::make_unique<HeadAnimation>());
    }

    // The name of what the mappings choose for the state; empty for none.
    std::string Select(StringView mappingText, const CharacterState& state) const
    {
        AnimationMappings mappings;
        ReadAnimationMappings(AnimationTesting::Lon(mappingText), mappings);
        const PlayerAnimation* chosen = Character::SelectAnimation(state, mappings, table);
        for (std::string_view name : {"A", "B", "C"})
            if (chosen == table.Find(name))
                return std::string(name);
        return chosen ? "?" : "";
    }

    AnimationTable table;
};

// A mapping of the animation that takes any state but the fields given.
std::string Mapping(const std::string& animation, const std::string& fields = "")
{
    return "{ Animation = \"" + animation + "\" Health = \"Any\" Movement = \"Any\" Air = \"Any\" Weapon = \"Any\" " +
           "Item = \"Any\" " + fields + " }";
}

bool Finite(const Matrix3x3& matrix)
{
    for (float value : matrix.m)
        if (!std::isfinite(value))
            return false;
    return true;
}

// Whether every bone below and of the tree has a finite world transform.
bool FiniteTree(Bone& bone)
{
    if (!Finite(bone.GetWorldTransform()))
        return false;
    for (Bone& child : bone.children)
        if (!FiniteTree(child))
            return false;
    return true;
}

} // namespace

TEST(Character, SelectionScoresEachMappingsWeightPerFieldThatIsNotAnyAndTheLaterWinsATie)
{
    const ThreeAnimations animations;
    const CharacterState healthy;
    CharacterState wounded;
    wounded.health = HealthState::Wounded;
    struct Case
    {
        const char* label;
        std::string mappings;
        CharacterState state;
        const char* expected;
    };
    const Case cases[] = {
        {"empty list", "[]", healthy, ""},
        {"tie", "[" + Mapping("A", "Health = \"Healthy\"") + Mapping("B", "Movement = \"Idle\"") + "]", healthy, "B"},
        {"all Any scores 0", "[" + Mapping("B", "Health = \"Healthy\"") + Mapping("A", "Weight = 5") + "]", healthy,
         "B"},
        {"all Any is the fallback", "[" + Mapping("B", "Health = \"Wounded\"") + Mapping("A") + "]", healthy, "A"},
        {"Weight 0 scores 0", "[" + Mapping("B", "Health = \"Healthy\" Weight = 0") + Mapping("A") + "]", healthy, "A"},
        {"Weight 0 still beats an earlier 0",
         "[" + Mapping("A") + Mapping("B", "Health = \"Healthy\" Weight = 0") + "]", healthy, "B"},
        {"Weight 2.0 stays 1",
         "[" + Mapping("A", "Health = \"Healthy\" Weight = 2.0") + Mapping("B", "Movement = \"Idle\"") + "]", healthy,
         "B"},
        {"Weight +2 stays 1",
         "[" + Mapping("A", "Health = \"Healthy\" Weight = +2") + Mapping("B", "Movement = \"Idle\"") + "]", healthy,
         "B"},
        {"Weight 2", "[" + Mapping("A", "Health = \"Healthy\" Weight = 2") + Mapping("B", "Movement = \"Idle\"") + "]",
         healthy, "A"},
        {"lower case", "[" + Mapping("A", "Health = \"wounded\"") + "]", wounded, "A"},
        {"shortened name", "[" + Mapping("A", "Health = \"Wound\"") + "]", wounded, ""},
        {"trailing blank", "[" + Mapping("A", "Health = \"Wounded \"") + "]", wounded, ""},
        {"shortened name stays Healthy", "[" + Mapping("A", "Health = \"Wound\"") + "]", healthy, "A"},
        {"no Health is Healthy", R"([ { Animation = "A" Movement = "Any" Air = "Any" Weapon = "Any" Item = "Any" } ])",
         wounded, ""},
        {"defaults", R"([ { Animation = "A" } { Animation = "B" Movement = "Any" } ])", healthy, "A"},
        {"winner names nothing", "[" + Mapping("A") + R"({ Health = "Any" })" + "]", healthy, ""},
        {"winner names no animation of the table", "[" + Mapping("A") + Mapping("Missing") + "]", healthy, ""},
        {"not an array", Mapping("A"), healthy, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(animations.Select(c.mappings, c.state), c.expected) << c.label;
}

TEST(Character, TheDriverStartsOnlyAChangedSelectionAndEasesTheFlinchBackExceptWhenDead)
{
    Scene scene;
    Player& player = scene.player;
    AnimationState& state = player.animation;
    Character::UpdateAnimations(player, 0.1f, 1.0f);
    const uint32_t core = static_cast<uint32_t>(AnimationChannel::Core);
    const PlayerAnimation* idle = state.current[core];
    ASSERT_NE(idle, nullptr);
    const float time = state.playback[core].time;
    Character::UpdateAnimations(player, 0.1f, 1.0f);
    EXPECT_EQ(state.current[core], idle);
    EXPECT_GT(state.playback[core].time, time);

    // A channel whose mappings choose nothing keeps playing what it played.
    CharacterData& character = scene.game.ownRegistry.characters.At(0);
    character.animations->GetMappings(AnimationChannel::Core).clear();
    player.movementState = MovementState::MovingForward;
    Character::UpdateAnimations(player, 0.1f, 1.0f);
    EXPECT_EQ(state.current[core], idle);

    struct Case
    {
        float flinch;
        float frame;
        float expected;
    };
    for (const Case& c : {Case{0.02f, 0.01f, 0.0f}, Case{-0.02f, 0.01f, 0.0f}, Case{0.5f, 0.1f, 0.5f - 0.31415927f},
                          Case{-0.5f, 0.1f, -0.5f + 0.31415927f}})
    {
        player.body.flinchAngle = c.flinch;
        Character::UpdateAnimations(player, c.frame, 1.0f);
        EXPECT_NEAR(player.body.flinchAngle, c.expected, 1e-6f) << c.flinch;
    }

    player.healthState = HealthState::Dead;
    player.body.flinchAngle = 0.5f;
    const float deadTime = state.playback[core].time;
    Character::UpdateAnimations(player, 0.1f, 1.0f);
    EXPECT_EQ(player.body.flinchAngle, 0.5f);
    EXPECT_EQ(state.playback[core].time, deadTime);
}

TEST(Character, FilesBecomeTheirChannelsAnimationsAndUnreadableFilesAreLoggedAndSkipped)
{
    WorldTesting::TestGame game;
    CharacterData& robot = *game.Add(game.ownRegistry.characters, "Robot", "{}");
    const auto write = [&](const std::string& path, StringView text)
    { ASSERT_TRUE(File::WriteAllText(game.folder.Path("Assets/Characters/Robot/" + path), text)); };
    // A Weight the mapping cannot take costs that key alone: its mapping and the others stay.
    write("Mappings/HeadMappings.data",
          R"([ { Animation = "Looking" Health = "Any" } { Animation = "Nod" Weight = 0x10 } { Animation = "Idle" } ])");
    write("Mappings/CoreMappings.data", R"([ { Animation = "Idle" )");
    const std::string clip = R"({ TransitionTime = 0.5 })";
    for (const char* name : {"MovingRun", "movingRun", "Movin", "Moving", "Idle"})
        write(std::string("Animations/Core/") + name + ".lon", clip);
    write("Animations/Head/Looking.lon", clip);
    write("Animations/Head/Nod.lon", clip);
    write("Animations/Head/Broken.lon", "{ Skull [");
    write("Animations/LeftArm/Wave.lon", R"({ IsLeftArm = true })");
    write("Animations/RightArm/MovingArm.lon", R"({ IsLeftArm = true })");

    Testing::LogCapture log;
    Texture images;
    Texture drawings;
    robot.Load(images, drawings);
    const std::string mappings = "Assets/Characters/Robot/Mappings/";
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{
                  mappings + "HeadMappings.data: [1].Weight holds 0x10, which was not taken: a number in decimal "
                             "digits was expected",
                  mappings + "CoreMappings.data did not parse: the text is not LON: line 1, column 24: expected '}'",
                  mappings + "LeftArmMappings.data did not parse: the file cannot be read",
                  mappings + "RightArmMappings.data did not parse: the file cannot be read",
                  "Assets/Characters/Robot/Animations/Head/Broken.lon did not parse: the text is not LON: line 1, "
                  "column 10: expected a number"}));

    const CharacterAnimations& animations = *robot.animations;
    const AnimationMappings& heads = animations.GetMappings(AnimationChannel::Head);
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(std::tie(heads[1].animation, heads[1].weight), std::make_tuple(std::string("Nod"), 1u));
    EXPECT_TRUE(animations.GetMappings(AnimationChannel::Core).empty());
    const AnimationTable& core = animations.GetTable(AnimationChannel::Core);
    EXPECT_NE(dynamic_cast<CoreMovingAnimation*>(core.Find("MovingRun")), nullptr);
    EXPECT_NE(dynamic_cast<CoreMovingAnimation*>(core.Find("Moving")), nullptr);
    EXPECT_NE(dynamic_cast<CoreAnimation*>(core.Find("movingRun")), nullptr);
    EXPECT_NE(dynamic_cast<CoreAnimation*>(core.Find("Movin")), nullptr);
    EXPECT_EQ(core.Find("MovingRun")->path, "Assets/Characters/Robot/Animations/Core/MovingRun.lon");
    EXPECT_EQ(core.Find("Idle")->transitionTime, 0.5f);

    const AnimationTable& head = animations.GetTable(AnimationChannel::Head);
    EXPECT_NE(dynamic_cast<LookAnimation*>(head.Find("Looking")), nullptr);
    EXPECT_EQ(head.Find("Looking")->transitionTime, 0.1f);
    EXPECT_NE(dynamic_cast<HeadAnimation*>(head.Find("Nod")), nullptr);
    EXPECT_EQ(head.Find("Broken"), nullptr);
    EXPECT_EQ(head.Count(), 2u);

    const AnimationTable& right = animations.GetTable(AnimationChannel::RightArm);
    const auto* moving = dynamic_cast<ArmMovingAnimation*>(right.Find("MovingArm"));
    ASSERT_NE(moving, nullptr);
    EXPECT_TRUE(moving->walking.isLeftArm && moving->running.isLeftArm);
    for (std::string_view name : {"Aiming", "Reload", "PutAway", "TakeOut", "PickUp"})
        EXPECT_NE(dynamic_cast<IkAnimation*>(right.Find(name)), nullptr) << name;
    const AnimationTable& left = animations.GetTable(AnimationChannel::LeftArm);
    EXPECT_NE(dynamic_cast<PushAnimation*>(left.Find("Push")), nullptr);
    EXPECT_NE(dynamic_cast<LeftArmPickUpAnimation*>(left.Find("PickUp")), nullptr);
    EXPECT_NE(dynamic_cast<LeftArmReloadAnimation*>(left.Find("Reload")), nullptr);
    EXPECT_NE(dynamic_cast<ArmAnimation*>(left.Find("Wave")), nullptr);

    // Unloading the match's resources keeps the animations, which the ticks read; emptying them is apart.
    robot.Unload();
    EXPECT_EQ(head.Count(), 2u);
    robot.UnloadAnimations();
    for (AnimationChannel channel :
         {AnimationChannel::Head, AnimationChannel::Core, AnimationChannel::LeftArm, AnimationChannel::RightArm})
    {
        EXPECT_TRUE(animations.GetMappings(channel).empty());
        EXPECT_EQ(animations.GetTable(channel).Count(), 0u);
    }
}

// A Basic player through a match's moves: every channel chooses an animation in every state it passes,
// a dead player holds its pose, and no bone of the rig ever leaves the finite numbers.
TEST(Character, ABasicPlayerAnimatesThroughEveryMoveOfAMatch)
{
    Scene scene({5.0f, 2.0f});
    PlayerTesting::PlayerGame& game = scene.game;
    for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
             &game.ownRegistry.projectiles, &game.ownRegistry.weapons, &game.ownRegistry.items})
        collection->Load();
    ASSERT_GT(game.ownRegistry.weapons.Count(), 1u);
    Player& player = scene.player;
    const CharacterData& character = *player.character;
    AnimationState& animation = player.animation;

    std::set<uint32_t> movements;
    std::set<uint32_t> airs;
    std::set<uint32_t> weapons;
    std::set<uint32_t> items;
    std::set<bool> gaits;
    uint32_t frames = 0;
    // One tick and one rendered frame, with the weapon timer run down as the weapons do.
    const auto tick = [&](uint32_t count = 1)
    {
        for (uint32_t i = 0; i < count; ++i)
        {
            PlayerTesting::Step(*scene.world);
            Character::UpdateAnimations(player, FrameSeconds, 0.5f);
            ++frames;
            const CharacterState state = CharacterState::Of(player);
            for (uint32_t channel = 0; channel < AnimationChannelCount; ++channel)
            {
                const auto which = static_cast<AnimationChannel>(channel);
                ASSERT_NE(Character::SelectAnimation(state, character.animations->GetMappings(which),
                                                     character.animations->GetTable(which)),
                          nullptr)
                    << "channel " << channel << " frame " << frames;
                ASSERT_NE(animation.current[channel], nullptr);
            }
            ASSERT_TRUE(FiniteTree(player.body.skeleton) && FiniteTree(player.body.leftPickup) &&
                        FiniteTree(player.body.rightPickup))
                << "frame " << frames;
            movements.insert(static_cast<uint32_t>(player.movementState));
            airs.insert(static_cast<uint32_t>(player.airState));
            weapons.insert(static_cast<uint32_t>(player.weaponState));
            items.insert(static_cast<uint32_t>(player.handState));
            if (player.movementState == MovementState::MovingForward && player.airState == AirState::Grounded)
                gaits.insert(MovingAnimation::IsWalking(player.body));
        }
    };

    tick(30);
    // Walking up to speed, running, then jumping and coming down while running on.
    player.input.move = PlayerInput::AxisRange;
    tick(60);
    player.input[PlayerAction::Jump] = 1;
    tick(20);
    player.input[PlayerAction::Jump] = 0;
    tick(60);
    // Into the wall at x 20, where the left hand pushes.
    tick(180);
    EXPECT_EQ(player.movementState, MovementState::WallForward);
    player.input.move = 0;
    player.input.aimX = -PlayerInput::AxisRange;
    tick(20);

    // With a weapon: aiming, reloading, switching to the stowed one, picking one up with both hands full.
    const WeaponData& rifle = game.ownRegistry.weapons.At(0);
    const WeaponData& other = game.ownRegistry.weapons.At(1);
    const auto make = [](const WeaponData& data)
    {
        std::unique_ptr<Weapon> weapon = data.Create();
        weapon->data = &data;
        weapon->reserve = data.clipSize;
        return weapon;
    };
    player.EquipWeapon(make(rifle), false);
    player.StowWeapon(make(other));
    const auto press = [&](PlayerAction action, uint32_t ticks)
    {
        player.input[action] = 1;
        tick();
        player.input[action] = 0;
        tick(ticks);
    };
    tick(10);
    EXPECT_EQ(player.weaponState, WeaponState::Aiming);
    press(PlayerAction::Reload, rifle.reloadTime.ticks + 10);
    press(PlayerAction::SwitchWeapon, other.putAwayTime.ticks + other.takeOutTime.ticks + 10);
    player.HoldWeapon(make(rifle), player.body.GetCenter() + Vector2(0.5f, 0.0f), 0.0f, false);
    tick(rifle.putAwayTime.ticks + rifle.takeOutTime.ticks * 2 + 10);
    EXPECT_EQ(player.weaponState, WeaponState::Aiming);

    // The flag into the left hand while walking back, shot at and hurt.
    auto flag = std::make_unique<Item>();
    flag->data = game.ownRegistry.items.Find("RedFlag");
    player.HoldItem(std::move(flag), player.body.GetCenter() + Vector2(-0.5f, 0.0f), 0.0f, false);
    player.input.move = -PlayerInput::AxisRange;
    player.input.aimX = PlayerInput::AxisRange;
    player.body.flinchAngle = 0.6f;
    player.health = player.GetEffective(&Attributes::maximumHealth) * 0.5f;
    tick(20);
    player.health = player.GetEffective(&Attributes::maximumHealth) * 0.1f;
    tick(20);

    // Dead: the pose holds, wherever the body goes.
    player.health = 0.0f;
    tick();
    std::vector<Keyframe> pose;
    const std::function<void(Bone&)> keep = [&](Bone& bone)
    {
        for (Bone& child : bone.children)
        {
            pose.push_back({0.0f, child.position.x, child.position.y, child.rotation});
            keep(child);
        }
    };
    keep(player.body.skeleton);
    const std::vector<Keyframe> held = pose;
    tick(10);
    pose.clear();
    keep(player.body.skeleton);
    EXPECT_EQ(pose, held);

    EXPECT_EQ(gaits, (std::set<bool>{false, true}));
    for (MovementState movement :
         {MovementState::Idle, MovementState::MovingForward, MovementState::MovingBackward, MovementState::WallForward})
        EXPECT_TRUE(movements.count(static_cast<uint32_t>(movement))) << static_cast<uint32_t>(movement);
    EXPECT_EQ(airs.size(), 3u);
    EXPECT_EQ(weapons.size(), 7u);
    EXPECT_EQ(items.size(), 3u);
    EXPECT_GT(game.CountSounds(Sounds::Step1) + game.CountSounds(Sounds::Step2), 4u);
}
