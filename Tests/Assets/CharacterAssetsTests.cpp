// The committed characters' animations as the game loads them: read without a message, every name a
// mapping gives is an animation of its channel, and every state a player can be in chooses an
// animation in every channel.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/World/Character.h"
#include "Source/World/CharacterAnimations.h"
#include "Source/World/IkAnimation.h"
#include "Source/World/TimelineAnimation.h"
#include "Tests/LogCapture.h"
#include "Tests/TestPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

using namespace Lumvek;

// A namespace of its own: the program compiles its files in batches.
namespace CharacterAssetsTests
{

namespace
{

const std::string SourceRoot = Lumvek::Testing::SourceFolder();

constexpr AnimationChannel Channels[] = {AnimationChannel::Head, AnimationChannel::Core, AnimationChannel::LeftArm,
                                         AnimationChannel::RightArm};

// The committed registry with its characters loaded, and what was logged while they loaded.
struct LoadedCharacters
{
    LoadedCharacters() : files(SourceRoot, SourceRoot, SourceRoot, SourceRoot), registry(files)
    {
        files.RegisterFormats();
        Lumvek::RegisterRuntimeFormats(files);
        registry.LoadAll();
        Testing::LogCapture capture;
        for (const auto& character : registry.characters.GetItems())
            character->Load(images, drawings);
        messages = capture.messages;
    }
    ~LoadedCharacters()
    {
        for (const auto& character : registry.characters.GetItems())
            character->Unload();
    }

    FileManager files;
    DataRegistry registry;
    Texture images;
    Texture drawings;
    std::vector<std::string> messages;
};

} // namespace

TEST(CharacterAssets, CharactersLoadTheirAnimationsWithoutAMessageAndNameOnlyAnimationsTheyHave)
{
    LoadedCharacters loaded;
    EXPECT_THAT(loaded.messages, testing::IsEmpty());
    ASSERT_GT(loaded.registry.characters.Count(), 0u);
    for (const auto& character : loaded.registry.characters.GetItems())
    {
        std::set<std::string> used;
        for (AnimationChannel channel : Channels)
        {
            const AnimationMappings& mappings = character->animations->GetMappings(channel);
            EXPECT_FALSE(mappings.empty()) << character->name << " " << static_cast<uint32_t>(channel);
            for (const AnimationMapping& mapping : mappings)
            {
                EXPECT_NE(character->animations->GetTable(channel).Find(mapping.animation), nullptr)
                    << character->name << ": " << mapping.animation;
                used.insert(mapping.animation);
            }
        }
        for (std::string_view builtIn : {"Looking", "Aiming", "Reload", "PutAway", "TakeOut", "PickUp", "Push"})
            EXPECT_TRUE(used.count(std::string(builtIn))) << character->name << ": " << builtIn;
    }
}

TEST(CharacterAssets, EveryStateAPlayerCanBeInChoosesAnAnimationInEveryChannel)
{
    LoadedCharacters loaded;
    for (const auto& character : loaded.registry.characters.GetItems())
        for (uint32_t health = 0; health < static_cast<uint32_t>(HealthState::Any); ++health)
            for (uint32_t movement = 0; movement < static_cast<uint32_t>(MovementState::Any); ++movement)
                for (uint32_t air = 0; air < static_cast<uint32_t>(AirState::Any); ++air)
                    for (uint32_t weapon = 0; weapon < static_cast<uint32_t>(WeaponState::Any); ++weapon)
                        for (uint32_t item = 0; item < static_cast<uint32_t>(ItemState::Any); ++item)
                        {
                            const CharacterState state{static_cast<HealthState>(health),
                                                       static_cast<MovementState>(movement), static_cast<AirState>(air),
                                                       static_cast<WeaponState>(weapon), static_cast<ItemState>(item)};
                            for (AnimationChannel channel : Channels)
                                ASSERT_NE(Character::SelectAnimation(state, character->animations->GetMappings(channel),
                                                                     character->animations->GetTable(channel)),
                                          nullptr)
                                    << character->name << " channel " << static_cast<uint32_t>(channel) << " state "
                                    << health << movement << air << weapon << item;
                        }
}

TEST(CharacterAssets, TheBasicCharacterPosesItsLimbsAndSoundsTheThemesStepsWhenItMoves)
{
    LoadedCharacters loaded;
    const CharacterData* basic = loaded.registry.characters.Find("Basic");
    ASSERT_NE(basic, nullptr);
    const CharacterAnimations& animations = *basic->animations;
    for (AnimationChannel channel : Channels)
        for (std::string_view name : {"Idle", "Jump", "Fall", "Wounded"})
            EXPECT_NE(dynamic_cast<TimelineAnimation*>(animations.GetTable(channel).Find(name)), nullptr) << name;

    const auto* core =
        dynamic_cast<const CoreMovingAnimation*>(animations.GetTable(AnimationChannel::Core).Find("Moving"));
    ASSERT_NE(core, nullptr);
    std::set<uint32_t> steps;
    for (const SoundTrigger& trigger : core->soundTriggers)
        steps.insert(trigger.sound);
    EXPECT_EQ(steps, (std::set<uint32_t>{Sounds::Step1, Sounds::Step2}));
    for (const TimelineAnimation* clip : {&core->walking, &core->running})
        for (uint32_t i = 0; i < clip->GetTrackKeys().size(); ++i)
            EXPECT_FALSE(clip->tracks[i].keys.empty()) << clip->GetTrackKeys()[i].ToStdView();

    for (AnimationChannel channel : {AnimationChannel::LeftArm, AnimationChannel::RightArm})
    {
        const bool left = channel == AnimationChannel::LeftArm;
        const auto* arm = dynamic_cast<const ArmMovingAnimation*>(animations.GetTable(channel).Find("Moving"));
        ASSERT_NE(arm, nullptr);
        EXPECT_EQ(arm->isLeftArm, left);
        for (const char* name : {"Idle", "Jump", "Fall", "Wounded"})
        {
            const auto* clip = dynamic_cast<const ArmAnimation*>(animations.GetTable(channel).Find(std::string(name)));
            ASSERT_NE(clip, nullptr);
            EXPECT_EQ(clip->isLeftArm, left) << name;
        }
    }
}

} // namespace CharacterAssetsTests
