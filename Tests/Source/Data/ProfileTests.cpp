#include "Source/Data/Profile.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/GameConfiguration.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

using namespace Lumvek;
using DataTesting::RegistryTestFolder;

namespace
{

class ProfileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        assets.WriteStandardDefinitions();
        assets.registry.LoadAll();
    }

    RegistryTestFolder assets;
};

} // namespace

TEST_F(ProfileTest, ReadsEveryMember)
{
    Blueprint root;
    ASSERT_TRUE(JsonFormat::LoadBlueprint(R"({
        "Name": "Ada", "Gold": 12, "ActiveLoadout": 7,
        "Controller": {"SwapSticks": true}, "Keyboard": {"JumpButton": "Keyboard J"},
        "Loadouts": [{"Name": "Fast", "Head": "Antenna", "Core": "Box", "Arms": "Hooks", "Legs": "Springs"},
                     {"Head": "Crown", "Core": ""}, 3, {}, {}, {"Name": "Sixth"}, {"Name": "Seventh"}],
        "Heads": {"Cap": {"Unlocked": true}, "Helmet": {}, "Cap": {"Unlocked": false}},
        "Cores": {"Cap": {"Unlocked": true}, "Box": {"Unlocked": "yes"}},
        "Legs": {"Springs": {"Unlocked": true}}
    })",
                                          root));
    Testing::LogCapture log;
    Profile profile;
    BlueprintReader reader(root);
    profile.Read(reader, assets.registry);
    EXPECT_EQ(profile.name, "Ada");
    EXPECT_EQ(profile.gold, 12u);
    EXPECT_EQ(profile.activeLoadout, 7u);
    EXPECT_TRUE(profile.controller.swapSticks);
    EXPECT_EQ(profile.keyboard[PlayerAction::Jump], KeyBinding::Of(Key::J));
    EXPECT_EQ(profile.loadouts[0], (ProfileLoadout{"Fast", 2, 1, 1, 1}));
    // An unknown part keeps its index, with a message; elements past the fifth are ignored.
    EXPECT_EQ(profile.loadouts[1], ProfileLoadout());
    EXPECT_EQ(log.messages, std::vector<std::string>{"Loadouts[1].Head holds \"Crown\", which was not taken: no "
                                                     "definition of that name in Parts/Heads"});
    EXPECT_EQ(profile.loadouts[4], ProfileLoadout());

    // A name given twice keeps one entry with the later flag; the first set holding a name decides.
    EXPECT_EQ(profile.heads.Count(), 2u);
    EXPECT_FALSE(profile.IsUnlocked("Cap"));
    EXPECT_TRUE(profile.IsUnlocked("Springs"));
    EXPECT_FALSE(profile.IsUnlocked("Box"));

    // A slot takes its parts from the active loadout only when one is active.
    EXPECT_EQ(PlayerSlot(&profile, 0).loadout, Loadout());
    profile.activeLoadout = 0;
    const PlayerSlot slot(&profile, 1);
    EXPECT_EQ(slot.loadout.head, 2u);
    EXPECT_EQ(slot.loadout.startingWeapon, Loadout::None);
}

TEST_F(ProfileTest, LoadAllTakesEveryProfileFileInNameOrder)
{
    assets.Write("Zed.profile", R"({"Gold": 5})");
    assets.Write("Amy.profile", "{}");
    assets.Write("Capital.Profile", "{}");
    assets.Write("Notes.txt", "{}");
    assets.Write("Sub/Deep.profile", "{}");

    ProfileCollection profiles;
    Profile::LoadAll(profiles, assets.Root(), assets.registry);
    EXPECT_EQ(profiles.GetKeys(), (std::vector<std::string>{"Amy", "Zed"}));
    ASSERT_NE(profiles.Find("Zed"), nullptr);
    EXPECT_EQ(profiles.Find("Zed")->gold, 5u);
    EXPECT_EQ(profiles.Find("Zed")->key, "Zed");
}

TEST_F(ProfileTest, SaveWritesWhatLoadReadsBack)
{
    Profile profile;
    profile.key = "Old";
    profile.name = "New";
    profile.gold = 40;
    profile.controller[PlayerAction::Drop] = static_cast<uint32_t>(ControllerButton::RightStickUp);
    profile.keyboard[PlayerAction::Scope] = KeyBinding::Of(Key::F5);
    profile.keyboard.moveLeft = KeyBinding::Of(Key::Left);
    profile.loadouts[3] = ProfileLoadout{"Heavy", 1, 1, 0, 1};
    profile.loadouts[4].head = 40; // no such head: saved as no name, read back as the default
    profile.heads.Set("Antenna", true);
    assets.Write("Old.profile", "{}");

    ASSERT_TRUE(profile.Save(assets.Root(), assets.registry));
    EXPECT_EQ(assets.ReadText("Old.profile"), "{}");
    EXPECT_EQ(DataTesting::MemberNames(assets.ReadJson("New.profile")),
              (std::vector<std::string>{"Name", "Controller", "Keyboard", "Gold", "Ink", "ActiveLoadout", "Loadouts",
                                        "Heads", "Cores", "Arms", "Legs"}));

    Profile loaded;
    ASSERT_TRUE(loaded.Load(assets.folder.Path("Assets/New.profile"), assets.registry));
    Profile expected = profile;
    expected.keyboard.moveLeft = KeyBinding::Of(Key::A);
    expected.loadouts[4].head = 0;
    EXPECT_EQ(loaded.name, expected.name);
    EXPECT_EQ(loaded.gold, expected.gold);
    EXPECT_EQ(loaded.controller, expected.controller);
    EXPECT_EQ(loaded.keyboard, expected.keyboard);
    EXPECT_EQ(loaded.loadouts, expected.loadouts);
    EXPECT_EQ(loaded.heads, expected.heads);
}

TEST_F(ProfileTest, NamesThatLeaveAssetsAreNotSaved)
{
    for (const char* name : {"", "../Escaped", "..", "Sub/Inner", "Sub\\Inner", "/tmp/Absolute", "Line\nBreak"})
    {
        Testing::LogCapture log;
        Profile profile;
        profile.name = name;
        EXPECT_FALSE(profile.Save(assets.Root(), assets.registry)) << name;
        EXPECT_TRUE(
            log.Logged("did not save the profile \"" + profile.name + "\": its name cannot name a file in Assets"))
            << name;
    }
    EXPECT_FALSE(std::filesystem::exists(assets.folder.Path("Escaped.profile")));
    EXPECT_FALSE(std::filesystem::exists(assets.folder.Path("Assets/Sub")));
    EXPECT_TRUE(Profile::IsFileName("Player One.2"));
}

TEST_F(ProfileTest, ADamagedFileIsReportedAndKeptAndAMissingOneGivesTheDefaults)
{
    const std::string damaged = R"({"Name": "Ada", "Gold": 9000,)";
    assets.Write("Ada.profile", damaged);
    assets.Write("List.profile", "[1, 2]");

    Testing::LogCapture log;
    ProfileCollection profiles;
    Profile::LoadAll(profiles, assets.Root(), assets.registry);
    ASSERT_EQ(profiles.Count(), 2u);
    Profile& ada = *profiles.Find("Ada");
    EXPECT_TRUE(ada.damaged);
    EXPECT_EQ(ada.gold, 0u);
    EXPECT_TRUE(profiles.Find("List")->damaged);
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                "Assets/Ada.profile did not parse: line 1, column 30: missing a name for object member",
                                "Assets/List.profile did not parse: it holds no JSON object"}));

    // Its name was never read: the refusal says why, not that the empty name names no file.
    log.messages.clear();
    EXPECT_FALSE(ada.Save(assets.Root(), assets.registry));
    EXPECT_EQ(log.messages, std::vector<std::string>{"did not save the profile Assets/Ada.profile: it did not parse: "
                                                     "line 1, column 30: missing a name for object member; its file "
                                                     "is kept as it is"});
    ada.name = "Ada";
    EXPECT_FALSE(ada.Save(assets.Root(), assets.registry));
    EXPECT_EQ(assets.ReadText("Ada.profile"), damaged);
    ada.name = "Ada2";
    EXPECT_TRUE(ada.Save(assets.Root(), assets.registry));

    Profile missing;
    EXPECT_TRUE(missing.Load(assets.folder.Path("Assets/Nobody.profile"), assets.registry));
    EXPECT_FALSE(missing.damaged);
    EXPECT_EQ(missing.loadouts[0], ProfileLoadout());
}

TEST_F(ProfileTest, SaveKeepsWhatTheFileHeldThatThePlayerDidNotChange)
{
    assets.Write("Bea.profile", R"({"Name": "Bea", "Gold": "lots", "Ink": 3, "Theme": "Dark"})");
    Testing::LogCapture log;
    Profile profile;
    ASSERT_TRUE(profile.Load(assets.folder.Path("Assets/Bea.profile"), assets.registry));
    EXPECT_EQ(log.StartingWith("Assets/Bea.profile: Gold holds \"lots\"").size(), 1u);
    profile.ink = 5;

    ASSERT_TRUE(profile.Save(assets.Root(), assets.registry));
    const Blueprint saved = assets.ReadJson("Bea.profile");
    EXPECT_EQ(saved.GetObject().Find("Gold")->GetString(), StringView("lots"));
    EXPECT_EQ(saved.GetObject().Find("Theme")->GetString(), StringView("Dark"));
    EXPECT_EQ(saved.GetObject().Find("Ink")->GetUnsignedInteger(), 5u);
    // Loadouts left at the defaults the file never held stay out of it.
    EXPECT_EQ(saved.GetObject().Find("Loadouts"), nullptr);
}

// A number JSON cannot hold as written costs its member alone; Save writes what the profile holds.
TEST_F(ProfileTest, ANumberBeyond64BitsIsRefusedAndSaveNeverWritesItAsAnotherNumber)
{
    assets.Write("Cy.profile",
                 R"({"Name": "Cy", "Gold": 18446744073709551616, "Ink": 3, "Ink": 4, "Luck": 18446744073709551617})");
    Testing::LogCapture log;
    Profile profile;
    ASSERT_TRUE(profile.Load(assets.folder.Path("Assets/Cy.profile"), assets.registry));
    EXPECT_EQ(log.StartingWith("Assets/Cy.profile: ").size(), 3u);
    EXPECT_TRUE(log.Logged("Assets/Cy.profile: Gold holds 18446744073709551616, which was not taken: a whole number "
                           "beyond 64 bits"));
    EXPECT_EQ(std::tie(profile.gold, profile.ink), std::make_tuple(0u, 4u));
    ASSERT_TRUE(profile.Save(assets.Root(), assets.registry));
    const Blueprint file = assets.ReadJson("Cy.profile");
    const ValueObject& saved = file.GetObject();
    EXPECT_EQ(saved.Find("Gold")->GetUnsignedInteger(), 0u);
    EXPECT_EQ(saved.Find("Ink")->GetUnsignedInteger(), 4u);
    EXPECT_EQ(saved.Find("Luck"), nullptr);
}

// A binding that could never work, or would pause the match, is refused with a line and the default
// kept; a button that does two things is said once and kept.
TEST_F(ProfileTest, BindingsThatCannotWorkAreRefusedAndSharedButtonsSaid)
{
    const std::tuple<const char*, PlayerAction, ControllerButton, KeyBinding, const char*> cases[] = {
        {R"({"Controller": {"JumpButton": "unknown"}})", PlayerAction::Jump, ControllerButton::A,
         KeyBinding::Of(Key::Space),
         "Controller.JumpButton holds \"unknown\", which was not taken: no controller reports that button, so the "
         "action could never be used"},
        {R"({"Controller": {"PrimaryButton": "Start"}})", PlayerAction::Primary, ControllerButton::RightTrigger,
         KeyBinding::Of(MouseButton::Left),
         "Controller.PrimaryButton holds \"Start\", which was not taken: Start pauses the match and performs no "
         "action"},
        {R"({"Controller": {"ReloadButton": "X", "ScopeButton": "X"}})", PlayerAction::Reload, ControllerButton::X,
         KeyBinding::Of(Key::Q),
         "Controller binds \"X\" to InteractButton, ReloadButton and ScopeButton: one press does each of them"},
        {R"({"Keyboard": {"JumpButton": "Keyboard Return"}})", PlayerAction::Jump, ControllerButton::A,
         KeyBinding::Of(Key::Space),
         "Keyboard.JumpButton holds \"Keyboard Return\", which was not taken: no keyboard sends that key, so the "
         "action could never be used"},
        {R"({"Keyboard": {"JumpButton": "Keyboard D"}})", PlayerAction::Jump, ControllerButton::A,
         KeyBinding::Of(Key::D),
         "Keyboard binds \"Keyboard D\" to JumpButton and moving right: one press does each of them"},
    };
    for (const auto& [file, action, button, key, line] : cases)
    {
        assets.Write("Eve.profile", StringView::FromCString(file));
        Testing::LogCapture log;
        Profile profile;
        ASSERT_TRUE(profile.Load(assets.folder.Path("Assets/Eve.profile"), assets.registry));
        EXPECT_EQ(log.messages, std::vector<std::string>{"Assets/Eve.profile: " + std::string(line)});
        EXPECT_EQ(std::make_pair(profile.controller[action], profile.keyboard[action]),
                  std::make_pair(static_cast<uint32_t>(button), key))
            << file;
    }
}

// An unknown name is named with the file and path and costs its member alone; Save keeps the file.
TEST_F(ProfileTest, UnknownButtonsAndPartsAreNamedWithTheFile)
{
    Blueprint written;
    ASSERT_TRUE(JsonFormat::LoadBlueprint(
        R"({"Name": "Dee", "Controller": {"InteractButton": "Xx", "JumpButton": "B"}, "Keyboard":
        {"InteractButton": "Xx", "UseButton": "", "JumpButton": "Keyboard J"}, "Loadouts": [{"Head": "helmet"}]})",
        written));
    const std::string text = JsonFormat::SaveBlueprint(written);
    assets.Write("Dee.profile", text);
    Testing::LogCapture log;
    Profile profile;
    ASSERT_TRUE(profile.Load(assets.folder.Path("Assets/Dee.profile"), assets.registry));
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                "Assets/Dee.profile: Controller.InteractButton holds \"Xx\", which was not taken: no "
                                "controller button of that name",
                                "Assets/Dee.profile: Controller binds \"B\" to JumpButton and UseButton: one press "
                                "does each of them",
                                "Assets/Dee.profile: Keyboard.InteractButton holds \"Xx\", which was not taken: no key "
                                "or mouse button of that name: \"Keyboard <key>\" or \"Mouse <button>\" was expected",
                                "Assets/Dee.profile: Loadouts[0].Head holds \"helmet\", which was not taken: no "
                                "definition of that name in Parts/Heads"}));
    EXPECT_EQ(profile.keyboard[PlayerAction::Jump], KeyBinding::Of(Key::J));
    ASSERT_TRUE(profile.Save(assets.Root(), assets.registry));
    EXPECT_EQ(assets.ReadText("Dee.profile"), text);
}
