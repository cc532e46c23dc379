// The character window over a scratch copy of the shipped character and parts: opening clips on the
// preview body, playback, facing, the animation list and "Save" to the clip's own LON file.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Path.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Tools/Inspectors/CharacterDataInspector.h"
#include "Source/World/Bone.h"
#include "Source/World/IkAnimation.h"
#include "Source/World/TimelineAnimation.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

using Entry = CharacterDataInspector::AnimationEntry;

// The shipped character and parts in a scratch Assets folder, optionally without the basic arms.
struct ScratchCharacter
{
    explicit ScratchCharacter(bool withBasicArms = true)
    {
        std::filesystem::create_directories(assets.folder.Path("Assets"));
        for (const char* collection : {"Characters", "Parts"})
            std::filesystem::copy(std::filesystem::path(Lumvek::Testing::SourceFolder()) / "Assets" / collection,
                                  assets.folder.Path(std::string("Assets/") + collection),
                                  std::filesystem::copy_options::recursive);
        if (!withBasicArms)
            assets.WriteList("Parts/Arms", {"LongArms"});
        registry.LoadAll();
        character = registry.characters.Find("Basic");
        if (character)
            character->animations.Load(*character);
    }

    Entry Find(AnimationChannel channel, const std::string& label) const
    {
        for (const Entry& entry : CharacterDataInspector::ListAnimations(character->animations.GetTable(channel)))
            if (entry.label == label)
                return entry;
        ADD_FAILURE() << "no animation button " << label;
        return Entry();
    }

    DataTesting::AssetsFolder assets;
    DataRegistry registry{assets.files};
    CharacterData* character = nullptr;
};

TEST(CharacterDataInspector, AClipOpensOnlyWhenTheRegistryHasEveryBasicPart)
{
    for (const bool withBasicArms : {true, false})
    {
        ScratchCharacter scratch(withBasicArms);
        ASSERT_NE(scratch.character, nullptr);
        CharacterDataInspector inspector(scratch.character);
        Lumvek::Testing::LogCapture log;
        EXPECT_EQ(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Idle")), withBasicArms);
        EXPECT_EQ(inspector.InAnimationMode(), withBasicArms);
        EXPECT_EQ(log.Logged("Idle is not opened: the preview needs the parts BasicArms"), !withBasicArms);
        if (withBasicArms)
        {
            // The preview wears the basic parts: their bones are in its rig.
            EXPECT_NE(inspector.previewBody->GetBone(PlayerBone::LeftHumerus), nullptr);
            EXPECT_EQ(inspector.playing, 0);
        }
    }
}

TEST(CharacterDataInspector, PlaybackWrapsIntoTheCyclePosesThePreviewAndFlippingTwiceRestoresTheFacing)
{
    ScratchCharacter scratch;
    CharacterDataInspector inspector(scratch.character);
    ASSERT_TRUE(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Moving Walking")));
    TimelineAnimation& clip = *inspector.editedTimeline;
    const Keyframes& spine = *clip.FindTrack("Spine");
    ASSERT_FALSE(spine.keys.empty());

    struct Case
    {
        float start;
        float speed;
        float seconds;
        float expected;
    };
    for (const Case& c : {Case{0.9f, 1.0f, 0.3f, 0.2f}, Case{0.1f, 10.0f, 0.52f, 0.3f}, Case{0.1f, -1.0f, 0.3f, 0.8f}})
    {
        inspector.playing = 1;
        inspector.playbackTime = c.start;
        clip.playbackSpeed = c.speed;
        inspector.Advance(c.seconds);
        EXPECT_NEAR(inspector.playbackTime, c.expected, 1e-4f) << c.start << " + " << c.seconds << " x " << c.speed;
        const Bone& posed = *inspector.previewBody->GetBone(PlayerBone::Spine);
        EXPECT_NEAR(posed.rotation, Timeline::Sample(spine, inspector.playbackTime).rotation, 1e-5f);
    }

    // Paused, the time stays.
    inspector.playing = 0;
    inspector.Advance(0.25f);
    EXPECT_NEAR(inspector.playbackTime, 0.8f, 1e-4f);

    const float mainScale = inspector.GetMainRig()->scale.x;
    const float previewScale = inspector.previewBody->skeleton.scale.x;
    inspector.SetFlipped(true);
    EXPECT_EQ(inspector.GetMainRig()->scale.x, -mainScale);
    EXPECT_LT(inspector.previewBody->skeleton.scale.x, 0.0f);
    inspector.SetFlipped(false);
    EXPECT_EQ(inspector.GetMainRig()->scale.x, mainScale);
    EXPECT_EQ(inspector.previewBody->skeleton.scale.x, previewScale);
}

TEST(CharacterDataInspector, AGaitIsListedAsItsTwoClipsAndActionsAreNotListed)
{
    AnimationTable table;
    auto& run = static_cast<CoreMovingAnimation&>(table.Insert("Run", std::make_unique<CoreMovingAnimation>()));
    auto& idle = static_cast<CoreAnimation&>(table.Insert("Idle", std::make_unique<CoreAnimation>()));
    table.Insert("Looking", std::make_unique<LookAnimation>());
    const std::vector<Entry> entries = CharacterDataInspector::ListAnimations(table);
    ASSERT_EQ(entries.size(), 3u);
    const Entry expected[] = {
        {"Idle", &idle, nullptr}, {"Run Walking", &run.walking, &run}, {"Run Running", &run.running, &run}};
    for (size_t i = 0; i < entries.size(); ++i)
    {
        EXPECT_EQ(entries[i].label, expected[i].label);
        EXPECT_EQ(entries[i].timeline, expected[i].timeline) << expected[i].label;
        EXPECT_EQ(entries[i].moving, expected[i].moving) << expected[i].label;
    }
}

TEST(CharacterDataInspector, SaveWritesTheWholeGaitAsLonAndSaysSoOnlyOnceWritten)
{
    ScratchCharacter scratch;
    CharacterDataInspector inspector(scratch.character);
    ASSERT_TRUE(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Moving Running")));
    auto& gait = static_cast<CoreMovingAnimation&>(*inspector.editedAnimation);
    gait.running.playbackSpeed = 0.75f;
    gait.running.FindTrack("Spine")->Insert({0.6f, 0.5f, 0.4f, 1.0f});
    const std::string relative = gait.path;
    const std::string path = Lumvek::Path::Append(scratch.assets.files.applicationRoot, relative);

    struct Case
    {
        std::string path;
        bool saved;
    };
    // The second file would go below a file, where no folder can be made.
    for (const Case& c : {Case{relative, true}, Case{"Assets/Characters/Basic/Data.json/Moving.lon", false}})
    {
        gait.path = c.path;
        const std::string resolved = Lumvek::Path::Append(scratch.assets.files.applicationRoot, c.path);
        Lumvek::Testing::LogCapture log;
        EXPECT_EQ(inspector.Save(), c.saved) << c.path;
        EXPECT_EQ(log.Logged("saved Moving Running to " + resolved), c.saved) << c.path;
        EXPECT_EQ(log.Logged("could not save Moving Running to " + resolved), !c.saved) << c.path;
    }

    const auto [read, text] = Lumvek::File::ReadAllText(Lumvek::StringView(path));
    ASSERT_TRUE(read);
    Lumvek::Blueprint value;
    ASSERT_TRUE(Lumvek::Lon::Parse(text, value));
    CoreMovingAnimation loaded;
    Lumvek::BlueprintReader reader(value);
    loaded.Read(reader);
    const auto lon = [](const PlayerAnimation& animation)
    {
        Lumvek::BlueprintWriter writer;
        writer.GetRoot().SetObject();
        animation.Write(writer);
        return Lumvek::LonFormat::SaveBlueprint(writer.GetRoot());
    };
    EXPECT_EQ(lon(loaded), lon(gait));
    EXPECT_FLOAT_EQ(loaded.running.playbackSpeed, 0.75f);
    EXPECT_EQ(loaded.running.FindTrack("Spine")->keys.size(), gait.running.FindTrack("Spine")->keys.size());

    // A built-in clip has no file of its own.
    gait.path.clear();
    Lumvek::Testing::LogCapture log;
    EXPECT_FALSE(inspector.Save());
    EXPECT_TRUE(log.Logged("Moving Running is not saved: it has no file of its own"));
}

} // namespace
