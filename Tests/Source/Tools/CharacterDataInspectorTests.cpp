// The character window over a scratch copy of the shipped character and parts: opening clips on the
// preview body, playback, facing, the animation list and "Save" to the clip's own LON file.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Runtime/Particles/LteFormat.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Tools/Inspectors/CharacterDataInspector.h"
#include "Source/Tools/Inspectors/EffectDataInspector.h"
#include "Source/World/Bone.h"
#include "Source/World/CharacterAnimations.h"
#include "Source/World/Entities.h"
#include "Source/World/TimelineAnimation.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

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
            character->LoadAnimations();
    }

    Entry Find(AnimationChannel channel, const std::string& label) const
    {
        for (const Entry& entry : CharacterDataInspector::ListAnimations(character->animations->GetTable(channel)))
            if (entry.label == label)
                return entry;
        ADD_FAILURE() << "no animation button " << label;
        return Entry();
    }

    DataTesting::AssetsFolder assets;
    DataRegistry registry{assets.files};
    CharacterData* character = nullptr;
};

TEST(CharacterDataInspector, WithoutABasicPartAClipStaysClosedAndSaysWhichPartIsMissing)
{
    ScratchCharacter scratch(false);
    ASSERT_NE(scratch.character, nullptr);
    CharacterDataInspector inspector(scratch.character);
    Lumvek::Testing::LogCapture log;
    EXPECT_FALSE(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Idle")));
    EXPECT_FALSE(inspector.InAnimationMode());
    EXPECT_TRUE(log.Logged("Idle is not opened: the preview needs the parts BasicArms"));
}

TEST(CharacterDataInspector, AGaitListsBothClipsAndPlaybackWrapsPosesAndFlipsThePreview)
{
    ScratchCharacter scratch;
    AnimationTable& core = scratch.character->animations->GetTable(AnimationChannel::Core);
    auto& run = static_cast<CoreMovingAnimation&>(core.Insert("Run", std::make_unique<CoreMovingAnimation>()));
    const Entry walking = scratch.Find(AnimationChannel::Core, "Run Walking");
    EXPECT_EQ(walking.timeline, &run.walking);
    EXPECT_EQ(walking.moving, &run);
    EXPECT_EQ(scratch.Find(AnimationChannel::Core, "Run Running").timeline, &run.running);
    // Actions that are no clip (the head's built-in look) get no button.
    for (const Entry& entry :
         CharacterDataInspector::ListAnimations(scratch.character->animations->GetTable(AnimationChannel::Head)))
        EXPECT_NE(entry.label, "Looking");

    CharacterDataInspector inspector(scratch.character);
    ASSERT_TRUE(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Moving Walking")));
    // The preview wears the basic parts, paused at the start.
    EXPECT_NE(inspector.previewBody->GetBone(PlayerBone::LeftHumerus), nullptr);
    EXPECT_EQ(inspector.playing, 0);
    TimelineAnimation& clip = *inspector.editedTimeline;
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
        EXPECT_NEAR(inspector.previewBody->GetBone(PlayerBone::Spine)->rotation,
                    Timeline::Sample(*clip.FindTrack("Spine"), inspector.playbackTime).rotation, 1e-5f);
    }

    const float mainScale = inspector.GetMainRig()->scale.x;
    const float previewScale = inspector.previewBody->skeleton.scale.x;
    inspector.SetFlipped(true);
    EXPECT_EQ(inspector.GetMainRig()->scale.x, -mainScale);
    EXPECT_EQ(inspector.previewBody->skeleton.scale.x, -previewScale);
    inspector.SetFlipped(false);
    EXPECT_EQ(inspector.GetMainRig()->scale.x, mainScale);
    EXPECT_EQ(inspector.previewBody->skeleton.scale.x, previewScale);
}

TEST(CharacterDataInspector, DeleteErasesTheSelectedKeyOnlyWhileItsWindowHasTheFocus)
{
    ScratchCharacter scratch;
    ToolsTesting::ToolsApplication app;
    auto owned = std::make_unique<CharacterDataInspector>(scratch.character);
    CharacterDataInspector& inspector = *owned;
    ASSERT_TRUE(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Idle")));
    Keyframes& track = inspector.editedTimeline->tracks[0];
    track.Insert({0.5f, 0.0f, 0.0f, 0.0f});
    const size_t keys = track.keys.size();
    app.tools->OpenWindow("Basic", std::move(owned));
    ToolsTesting::OpenTestWindow(*app.tools, "Other");
    app.Frame();
    app.Frame();
    inspector.selectedTrack = &track;
    inspector.selectedKey = 0;
    app.PressKey(Lumvek::Key::Delete);
    EXPECT_EQ(track.keys.size(), keys);
    ImGui::SetWindowFocus(("Basic###Window" + std::to_string(inspector.windowId)).c_str());
    app.PressKey(Lumvek::Key::Delete);
    EXPECT_EQ(track.keys.size(), keys - 1);
}

// The Data editor's Save writes the skeleton as its bones write it; the bones left alone keep their
// file's text ("Degrees(60)" did come back as "Degrees(60.000004)"), an edited one takes the edit.
TEST(CharacterDataInspector, SaveKeepsTheFilesTextOfEveryBoneLeftAlone)
{
    ScratchCharacter scratch;
    const std::string path = scratch.assets.folder.Path("Assets/Characters/Basic/Data.json");
    const auto read = [&] { return DataTesting::Json(Lumvek::File::ReadAllText(path).second); };
    const Lumvek::Blueprint file = read();
    CharacterDataInspector inspector(scratch.character);
    // As the window's "Save" does.
    inspector.BeforeSave();
    ASSERT_TRUE(DataInspector::Save(*scratch.character, scratch.assets.files));
    EXPECT_TRUE(read() == file);
    inspector.GetMainRig()->position = {0.25f, 0.5f};
    inspector.BeforeSave();
    ASSERT_TRUE(DataInspector::Save(*scratch.character, scratch.assets.files));
    const Lumvek::Blueprint saved = read();
    EXPECT_EQ(saved.GetObject().Find("Skeleton")->GetObject().Find("Root")->GetObject().Find("Position")->GetString(),
              Lumvek::StringView("0.25 0.5"));
    EXPECT_NE(Lumvek::JsonFormat::SaveBlueprint(saved).find("\"Degrees(60)\""), std::string::npos);
}

// A bone member the load could not take is left out of the bones the window edits: Save leaves the
// file as it was until the member is set there.
TEST(CharacterDataInspector, ABoneMemberTheLoadRefusedIsSavedOnlyOnceSet)
{
    ScratchCharacter scratch;
    const std::string path = scratch.assets.folder.Path("Assets/Characters/Basic/Data.json");
    std::string text = Lumvek::File::ReadAllText(path).second;
    ASSERT_NE(text.find("\"LeftOrder\": 9,"), std::string::npos);
    text.replace(text.find("\"LeftOrder\": 9,"), 15, "\"LeftOrder\": \"lots\",");
    ASSERT_TRUE(Lumvek::File::WriteAllText(path, text));
    DataRegistry registry(scratch.assets.files);
    registry.LoadAll();
    CharacterData& character = *registry.characters.Find("Basic");
    character.LoadAnimations();
    CharacterDataInspector inspector(&character);
    inspector.BeforeSave();
    EXPECT_FALSE(DataInspector::Save(character, scratch.assets.files));
    EXPECT_EQ(Lumvek::File::ReadAllText(path).second, text);
    inspector.GetMainRig()->children[0].leftOrder = 7;
    inspector.BeforeSave();
    ASSERT_TRUE(DataInspector::Save(character, scratch.assets.files));
    const Lumvek::Blueprint saved = DataTesting::Json(Lumvek::File::ReadAllText(path).second);
    EXPECT_EQ(Lumvek::FindPath(saved, "Skeleton.Root.Children[0].LeftOrder")->GetUnsignedInteger(), 7u);
}

TEST(CharacterDataInspector, SaveWritesTheWholeGaitAsLonAndSaysSoOnlyOnceWritten)
{
    ScratchCharacter scratch;
    CharacterDataInspector inspector(scratch.character);
    ASSERT_TRUE(inspector.OpenAnimation(scratch.Find(AnimationChannel::Core, "Moving Running")));
    auto& gait = static_cast<CoreMovingAnimation&>(*inspector.editedAnimation);
    // A number "%f" would round to 0.0.
    gait.running.playbackSpeed = 0.0000004f;
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
        EXPECT_EQ(log.Logged("saved Moving Running to " + c.path), c.saved) << c.path;
        EXPECT_EQ(log.Logged("could not save Moving Running to " + resolved + ": Not a directory"), !c.saved) << c.path;
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
    EXPECT_EQ(loaded.running.playbackSpeed, 0.0000004f);

    // A built-in clip has no file of its own.
    gait.path.clear();
    Lumvek::Testing::LogCapture log;
    EXPECT_FALSE(inspector.Save());
    EXPECT_TRUE(log.Logged("Moving Running is not saved: it has no file of its own"));
}

} // namespace

namespace
{

// A skeleton of three sprites, one bone between them showing none.
std::unique_ptr<Bone> SpriteSkeleton()
{
    const auto sprite = [](const char* name)
    { return Lumvek::NameTableA().Add(Lumvek::StringView::FromCString(name)); };
    auto root = std::make_unique<Bone>();
    root->name = "Root";
    root->region = sprite("CharacterDataInspectorTests.Root");
    root->scale = {1.0f, 2.0f};
    Bone& spine = root->children.emplace_back();
    spine.name = "Spine";
    spine.region = sprite("CharacterDataInspectorTests.Spine");
    spine.position = {0.5f, 0.4f};
    spine.rotation = 0.3f;
    Bone& hidden = spine.children.emplace_back();
    hidden.name = "Hidden";
    Bone& skull = hidden.children.emplace_back();
    skull.name = "Skull";
    skull.region = sprite("CharacterDataInspectorTests.Skull");
    root->SetParent(nullptr);
    return root;
}

// The shipped "Basic" character, its clips loaded, in the tools over a one-platform world.
struct EditedBasic
{
    EditedBasic() { app.tools->editedWorld = &world, character.LoadAnimations(); }
    ~EditedBasic() { app.tools->editedWorld = nullptr; }
    WeaponTesting::Match match;
    World& world = match.LoadText(WeaponTesting::PlatformMapWithSpawn(R"({"Position": "0 0", "Size": "40 2"})"));
    ToolsTesting::ToolsApplication app;
    CharacterData& character = *match.ownRegistry.characters.Find("Basic");
};

TEST(CharacterDataInspector, ItsVisualsFollowTheRigShownAndGoWithTheWindow)
{
    EditedBasic edited;
    auto& [match, world, app, character] = edited;
    character.root.clear();
    character.root.emplace_back(SpriteSkeleton().release(), [](Bone* bone) { delete bone; });

    auto owned = std::make_unique<CharacterDataInspector>(&character);
    CharacterDataInspector& inspector = *owned;
    app.tools->OpenWindow("Basic", std::move(owned));
    ASSERT_EQ(inspector.nodeNames, (std::vector<std::string>{"Root", "Spine", "Skull"}));
    // The spine's visual, at the bone's point and turn as the window faces.
    const auto expectAt = [&](Bone& bone, const char* step)
    {
        const Visual* visual = world.visuals.Find(inspector.visuals[1]);
        ASSERT_NE(visual, nullptr) << step;
        const Lumvek::Vector2 point = bone.GetWorldTransform().TransformPoint(bone.offset) + inspector.previewPosition;
        EXPECT_NEAR(visual->body->x, point.x, 1e-5f) << step;
        EXPECT_NEAR(visual->body->y, point.y, 1e-5f) << step;
        const float rotation = bone.GetWorldRotation();
        EXPECT_NEAR(visual->body->rotation, inspector.flipped ? WrapAngle(3.1415927f - rotation) : rotation, 1e-5f)
            << step;
        EXPECT_EQ(visual->body->flipX, inspector.flipped != 0) << step;
    };
    Bone& spine = *inspector.GetMainRig()->Find("Spine", false);
    expectAt(spine, "opened");

    inspector.SetFlipped(true);
    expectAt(spine, "flipped");

    // The three trees, and the main rig's own rows, drawn open leave no scope behind.
    app.Frame();
    ImGuiWindow* window = ImGui::FindWindowByName(("Basic###Window" + std::to_string(inspector.windowId)).c_str());
    ASSERT_NE(window, nullptr);
    const ImGuiID scope = ImHashStr("Window", 0, window->ID);
    const ImGuiID skeleton = ImHashStr("Skeleton", 0, scope);
    const Bone* root = inspector.GetMainRig();
    for (const ImGuiID tree : {skeleton, ImHashStr("Mappings", 0, scope), ImHashStr("Animations", 0, scope),
                               ImHashStr("Root", 0, ImHashData(&root, sizeof(root), skeleton))})
        window->StateStorage.SetInt(tree, 1);
    Lumvek::Testing::LogCapture log;
    for (int i = 0; i < 3; ++i)
        app.Frame();
    EXPECT_FALSE(log.Logged("the window Basic left property scopes open"));

    // A clip shows the preview rig, posed; "Back" the character's own again.
    ASSERT_TRUE(inspector.OpenAnimation(
        CharacterDataInspector::ListAnimations(character.animations->GetTable(AnimationChannel::Core)).front()));
    inspector.playing = 1;
    for (int i = 0; i < 3; ++i)
        app.Frame();
    expectAt(*inspector.previewBody->GetBone(PlayerBone::Spine), "playing");
    inspector.CloseAnimation();
    expectAt(spine, "back");

    // The definition's file form takes an edited bone, in the facing the definition gave.
    spine.position = {0.7f, 0.1f};
    inspector.BeforeSave();
    Bone saved;
    Lumvek::BlueprintReader reader(*character.skeleton.GetObject().Find("Root"));
    saved.Read(reader);
    EXPECT_EQ(saved.scale, Lumvek::Vector2(1.0f, 2.0f));
    EXPECT_EQ(saved.children.at(0).position, Lumvek::Vector2(0.7f, 0.1f));

    const std::vector<uint16_t> handles = inspector.visuals;
    inspector.open = 0;
    app.Frame();
    world.Step(Lumvek::TickSeconds);
    for (const uint16_t handle : handles)
        EXPECT_EQ(world.visuals.Find(handle), nullptr);
    EXPECT_EQ(character.root.front()->scale.x, 1.0f);
}

// The window over the shipped character shows it in its own sprites, and a clip opened with the mouse
// shows it in the basic parts: a bone the character draws nothing for (here its left hand) gets the
// part's sprite as soon as the clip puts it on.
TEST(CharacterDataInspector, ThePreviewShowsTheShippedCharacterAndAClipsBasicParts)
{
    EditedBasic edited;
    auto& [match, world, app, character] = edited;
    const uint32_t skull = Lumvek::NameTableA().Add("BasicSkull");
    {
        auto owned = std::make_unique<CharacterDataInspector>(&character);
        EXPECT_EQ(owned->GetMainRig()->Find("Skull", true)->region, skull);
        EXPECT_EQ(owned->nodeNames.size(), 14u);
    }
    Bone* hand = character.root.front()->Find("LeftHand", true);
    ASSERT_NE(hand, nullptr);
    hand->region = hand->drawRegion = Lumvek::InvalidId;

    auto owned = std::make_unique<CharacterDataInspector>(&character);
    CharacterDataInspector& inspector = *owned;
    app.tools->OpenWindow("Basic", std::move(owned));
    EXPECT_EQ(std::count(inspector.nodeNames.begin(), inspector.nodeNames.end(), "LeftHand"), 0);
    // The window sizes itself to its rows over its first frames.
    app.Frame();
    app.Frame();
    const std::vector<Entry> core =
        CharacterDataInspector::ListAnimations(character.animations->GetTable(AnimationChannel::Core));
    const auto idle = std::find_if(core.begin(), core.end(), [](const Entry& entry) { return entry.label == "Idle"; });
    ASSERT_NE(idle, core.end());
    const int row = static_cast<int>(idle - core.begin());
    ASSERT_TRUE(app.ClickItem("Basic", ToolsTesting::WidgetId("Basic", {"Window", "Animations"})));
    ASSERT_TRUE(app.ClickItem(
        "Basic", ToolsTesting::WidgetId("Basic", {"Window", "Animations", "Core Animations", row, "Idle"})));
    ASSERT_TRUE(inspector.InAnimationMode());
    app.Frame();
    const Bone& worn = *inspector.previewBody->GetBone(PlayerBone::LeftHand);
    ASSERT_NE(worn.region, Lumvek::InvalidId);
    const auto shown = std::find(inspector.nodeNames.begin(), inspector.nodeNames.end(), "LeftHand");
    ASSERT_NE(shown, inspector.nodeNames.end());
    const Visual* visual = world.visuals.Find(inspector.visuals[size_t(shown - inspector.nodeNames.begin())]);
    ASSERT_NE(visual, nullptr);
    if (visual->image)
    {
        EXPECT_EQ(visual->image->region, worn.region);
    }
    inspector.open = 0;
    app.Frame();
}

} // namespace

namespace
{

// The effect and character editors' Save over scratch copies of the shipped effects and animations,
// some with one member replaced; the shipped ones, untouched, are written byte for byte.
TEST(EditedFileSave, AFileNotReadWholeStaysByteForByteAndAnUnknownMemberAndEveryShippedFileAreKept)
{
    // A file below Assets, the text replaced in it, and what the log names; an empty name: it saves.
    // A file that did not parse cannot be edited: no effect window offers its "Save", and it gives no
    // animation to open.
    struct Row
    {
        std::string file, from, to, named;
    };
    const std::string spikes = "Hazards/Spikes/Effect.lte", gait = "Characters/Basic/Animations/Core/Moving.lon";
    std::vector<Row> rows = {
        {spikes, "MaximumParticles = 20", "MaximumParticles = -5 Sparkle = 1", "whole (Emitters[0].MaximumParticles"},
        {spikes, R"(Type = "PositionMotion")", R"(Type = "Sparkle")", "whole (Emitters[0].Updaters[1].Type"},
        {spikes, "MaximumParticles = 20", "MaximumParticles = 20 Sparkle = 1", ""},
        {spikes, "MaximumParticles = 20", "MaximumParticles = 20 (((", "Effect.lte did not parse"},
        {spikes, "MaximumParticles = 20", "MaximumParticles = 7 MaximumParticles = 20",
         "Emitters[0].MaximumParticles holds 7"},
        // Numbers "%f" would round away, in a member the effect reads and in one it does not.
        {spikes, "Bottom = 0.2", "Bottom = 0.0000001 Unknown = 0.00000042", ""},
        {spikes, "Alpha [", "Alpha [ 7", "Alpha[0] holds 7"},
        {gait, "TransitionTime = 0.2", R"(TransitionTime = "lots" Sparkle = 1)", "whole (TransitionTime"},
        {gait, "PlaybackSpeed = 0.42", "PlaybackSpeed = 0.42 Sparkle = 1", ""},
        {gait, "TransitionTime = 0.2", "TransitionTime = 0.2 (((", "Moving.lon did not parse"},
        {gait, "PlaybackSpeed = 0.42", "PlaybackSpeed = 1.5 PlaybackSpeed = 0.42", "PlaybackSpeed holds 1.5"},
        {gait, "PlaybackSpeed = 0.42", "PlaybackSpeed = 0.0000004", ""},
        {gait, "Time = 0.25", "Time = 0.00000012", ""},
        {gait, "TransitionTime = 0.2", "TransitionTime: 0.2",
         "Moving.lon did not parse: the text is not LON: line 12, column 16"},
    };
    // And every shipped effect and animation as it is.
    const std::filesystem::path shipped = Lumvek::Testing::SourceFolder() + "/Assets";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(shipped))
        if (entry.path().extension() == ".lte" || entry.path().parent_path().parent_path().filename() == "Animations")
            rows.push_back({std::filesystem::relative(entry.path(), shipped).string(), "", "", ""});
    EXPECT_GT(rows.size(), 30u);
    ToolsTesting::ToolsApplication app;
    // The effect window saves below the application's root.
    const std::string scratch = "EditedFileSaveTests" + std::to_string(getpid()) + "/Effect.lte";
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.file + ": " + row.to);
        std::string text = Lumvek::File::ReadAllText((shipped / row.file).string()).second;
        text.replace(text.find(row.from), row.from.size(), row.to);
        DataTesting::AssetsFolder assets;
        const bool effect = row.file.ends_with(".lte"), parses = !row.named.ends_with("parse");
        const std::string path = effect ? app.GetFileManager().ResolvePath(Lumvek::StringView(scratch))
                                        : assets.folder.Path("Assets/" + row.file);
        ASSERT_TRUE(Lumvek::File::WriteAllText(path, text));

        Lumvek::Testing::LogCapture log;
        bool saved = false;
        if (effect)
        {
            Lumvek::Effects::EffectData data;
            data.path = scratch;
            Lumvek::LteFormat(nullptr, 0, "lte").Load(path, text, data);
            EXPECT_EQ(data.record.report.IsParsed(), parses);
            saved = EffectDataInspector(data).Save();
        }
        else
        {
            DataRegistry registry(assets.files);
            CharacterData character;
            character.name = std::next(std::filesystem::path(row.file).begin())->string();
            character.registry = &registry;
            character.LoadAnimations();
            CharacterDataInspector inspector(&character);
            for (const AnimationTable& table : character.animations->tables)
                if (PlayerAnimation* found = table.Find(std::filesystem::path(row.file).stem().string()))
                {
                    inspector.editedAnimation = dynamic_cast<MovingAnimation*>(found);
                    inspector.editedTimeline = inspector.editedAnimation ? &inspector.editedAnimation->GetRunning()
                                                                         : dynamic_cast<TimelineAnimation*>(found);
                }
            saved = inspector.Save();
        }
        EXPECT_EQ(saved, row.named.empty());
        // Byte for byte when refused or untouched; saved with a member no reader knows, the same tree.
        Lumvek::Blueprint before, after;
        const std::string written = Lumvek::File::ReadAllText(path).second;
        EXPECT_TRUE(saved && !row.from.empty()
                        ? Lumvek::Lon::Parse(text, before) && Lumvek::Lon::Parse(written, after) && before == after
                        : written == text)
            << written;
        const auto names = [&](const std::string& message) { return message.find(row.named) != std::string::npos; };
        EXPECT_TRUE(std::any_of(log.messages.begin(), log.messages.end(), names))
            << testing::PrintToString(log.messages);
    }
    std::filesystem::remove_all(std::filesystem::path(app.GetFileManager().ResolvePath(scratch)).parent_path());
}

} // namespace
