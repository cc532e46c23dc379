// The Vantorel program with the tools on, in a 640 x 360 window of SDL's offscreen driver on
// llvmpipe, driven by a test script of pad, mouse and key steps from a scratch application folder.

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/PartData.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;
using Lumvek::Testing::Picture;
using Lumvek::Testing::ReadPicture;

class ToolsProgram : public Lumvek::Testing::ScriptedProgram
{
protected:
    ToolsProgram() : ScriptedProgram("VantorelTools") {}
    int RunMapTab(const std::string& steps, const std::string& map = "Crossroads");
    int RunSpikesEffectWindow(const std::string& steps);
};

TEST_F(ToolsProgram, TheGuiTabPicksADemoMenuButtonAndShowsItInTheTree)
{
    // The editor list stands at (10, 10): its second toggle, "Gui", at (27, 69). The single player
    // button's label lies at (213, 256), below the list.
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 10 move 27 69\n"
                         "mousedown Left\n"
                         "mouseup Left\n"
                         "frames 5 move 213 256\n"
                         "mousedown Left\n"
                         "mouseup Left\n"
                         "frames 2 screenshot tools.png\n"
                         "exit 0\n",
                         "--tools");
    ASSERT_EQ(code, 0) << output;
    // The tools' resources, the icon sheet among them, all load.
    for (const char* failure : {"did not load", "not found", "cannot", "could not", "does not exist", "not compiled"})
        EXPECT_EQ(output.find(failure), std::string::npos) << output;
    const Picture picture = ReadPicture(root / "tools.png");
    ASSERT_FALSE(picture.rgba.empty()) << output;
    std::error_code error;
    fs::copy_file(root / "tools.png", fs::path(Lumvek::Testing::BinaryFolder()) / "ToolsDemoMenu.png",
                  fs::copy_options::overwrite_existing, error);
    ASSERT_EQ(picture.width, 640u);
    ASSERT_EQ(picture.height, 360u);

    // The editor list's title bar: light letters on the dark title colour, and opaque.
    int darkest = 255, lightest = 0;
    for (uint32_t y = 12; y < 28; ++y)
        for (uint32_t x = 28; x < 80; ++x)
        {
            darkest = std::min(darkest, picture.Brightness(x, y));
            lightest = std::max(lightest, picture.Brightness(x, y));
            EXPECT_EQ(picture.At(x, y)[3], 255) << x << " " << y;
        }
    EXPECT_LT(darkest, 40);
    EXPECT_GT(lightest, 200);

    // The Gui tab opened on the right, and its tree holds a selected row (the header colour, blue
    // over the dark window) below the menu's nodes.
    bool selectedRow = false;
    for (uint32_t y = 60; y < 300 && !selectedRow; ++y)
    {
        const uint8_t* pixel = picture.At(600, y);
        selectedRow = pixel[2] > pixel[0] + 30 && pixel[2] > 70;
    }
    EXPECT_TRUE(selectedRow) << output;
}

TEST_F(ToolsProgram, WithoutTheOptionNothingOfTheToolsRuns)
{
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 5 screenshot plain.png\n"
                         "exit 0\n",
                         "");
    ASSERT_EQ(code, 0) << output;
    EXPECT_EQ(output.find("ToolsIcons"), std::string::npos) << output;
    const Picture picture = ReadPicture(root / "plain.png");
    ASSERT_FALSE(picture.rgba.empty());
    // No editor list over the demo menu's paper.
    EXPECT_GT(picture.Brightness(60, 19), 200);
}

} // namespace

namespace
{

// A long single-player match on Crossroads, so the map can be edited while it runs.
constexpr const char* LongChallenge = R"({
    "Name": "Edit", "Description": "Long enough to edit in.", "Map": "Crossroads", "Theme": "Meadow",
    "GameType": "Deathmatch", "TeamCount": 2,
    "Bots": [{"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
    "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 1000}
})";

size_t CountPlatforms(const std::string& text)
{
    Lumvek::Blueprint map;
    if (!Lumvek::JsonFormat::LoadBlueprint(text, map))
        return 0;
    const Lumvek::Blueprint* entities = map.GetObject().Find("Entities");
    const Lumvek::Blueprint* platforms = entities ? entities->GetObject().Find("Platforms") : nullptr;
    return platforms ? platforms->GetCount() : 0;
}

// During a long match on the map, opens the editor list's third toggle, "Map", at (27, 92), plays the
// steps, then clicks the Map tab's "Save" at (500, 46) and exits.
int ToolsProgram::RunMapTab(const std::string& steps, const std::string& map)
{
    std::string challenge = LongChallenge;
    challenge.replace(challenge.find("Crossroads"), 10, map);
    EXPECT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(), challenge));
    return Run(std::string(IntoDemoSinglePlayer) +
                   "screen GameScreen frames 30 move 27 92\n"
                   "mousedown Left\n"
                   "mouseup Left\n" +
                   steps + "frames 2 move 500 46\nmousedown Left\nmouseup Left\nframes 5 exit 0\n",
               "--tools --seed 3");
}

TEST_F(ToolsProgram, TheMapTabMakesAPlatformWithSpaceAndADragAndSavesIt)
{
    const fs::path map = root / "Assets/Maps/Crossroads/Data.json";
    const size_t before = CountPlatforms(Lumvek::File::ReadAllText(map.string()).second);
    ASSERT_GT(before, 0u);
    ASSERT_EQ(RunMapTab("frames 5 move 250 250\n"
                        "keydown Space\n"
                        "frames 2 mousedown Left\n"
                        "frames 2 move 260 255\n"
                        "frames 2 move 300 280\n"
                        "frames 2 mouseup Left\n"
                        "frames 2 keyup Space\n"),
              0)
        << output;
    EXPECT_NE(output.find("saved to"), std::string::npos) << output;
    EXPECT_EQ(CountPlatforms(Lumvek::File::ReadAllText(map.string()).second), before + 1) << output;
}

TEST_F(ToolsProgram, BoundsThatWouldLeaveCrossroadsGroundOutsideAreRefusedAndSaveKeepsEveryPlatform)
{
    const fs::path map = root / "Assets/Maps/Crossroads/Data.json";
    const size_t before = CountPlatforms(Lumvek::File::ReadAllText(map.string()).second);
    ASSERT_GT(before, 0u);
    // "Bounds Width" at (500, 138) typed 30 would leave the ground and the right wall outside.
    ASSERT_EQ(RunMapTab("frames 5 move 500 138\n"
                        "mousedown Left\n"
                        "mouseup Left\n"
                        "frames 2 text 30\n"
                        "frames 2 keydown Return\n"
                        "keyup Return\n"),
              0)
        << output;
    // Said once, however many frames the field held the value, naming every entity left outside.
    const size_t refused = output.find("refused: Platform 0 \"Ground\", Platform 2 \"RightWall\"");
    EXPECT_TRUE(refused != std::string::npos && output.find("refused:", refused + 1) == std::string::npos) << output;
    EXPECT_NE(output.find("saved to"), std::string::npos) << output;
    // The file keeps its bounds as written and every platform, all of which a load of it places again.
    Lumvek::Blueprint saved;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(Lumvek::File::ReadAllText(map.string()).second, saved));
    EXPECT_EQ(saved.GetObject().Find("WorldBounds")->GetString(), Lumvek::StringView("0 0 48 24"));
    EXPECT_EQ(CountPlatforms(Lumvek::File::ReadAllText(map.string()).second), before);
}

TEST_F(ToolsProgram, SaveLeavesAMapWhoseBoundsDidNotLoadAsItWas)
{
    const fs::path map = root / "Assets/Maps/Hilltop/Data.json";
    std::string text = Lumvek::File::ReadAllText(map.string()).second;
    text.replace(text.find("\"0 0 40 30\""), 11, "\"0 0 nan 30\"");
    ASSERT_TRUE(Lumvek::File::WriteAllText(map.string(), text));
    ASSERT_EQ(RunMapTab("", "Hilltop"), 0) << output;
    EXPECT_NE(output.find("Hilltop/Data.json: WorldBounds holds \"0 0 nan 30\""), std::string::npos) << output;
    EXPECT_NE(output.find("Hilltop/Data.json: it was not read whole"), std::string::npos) << output;
    EXPECT_TRUE(Lumvek::File::ReadAllText(map.string()).second == text) << output;
}

TEST_F(ToolsProgram, TheDataTabTurnsTheSkullOfTheLocalPlayerAtOnceAndSavesTheHead)
{
    const fs::path helmet = root / "Assets/Parts/Heads/Helmet/Data.json";
    std::string text = Lumvek::File::ReadAllText(helmet.string()).second;
    const std::string size = R"("Size": "0.28 0.32")";
    const size_t skull = text.rfind(size);
    ASSERT_NE(skull, std::string::npos);
    text.insert(skull + size.size(), R"x(, "Rotation": "Degrees(10)")x");
    ASSERT_TRUE(Lumvek::File::WriteAllText(helmet.string(), text));
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(),
                                           std::string(LongChallenge)));
    // A window tall enough for the whole head window. The editor list's seventh toggle, "Data", at
    // (27, 184); in the Data tab on the right the fifth header, "Heads", at (900, 138) and, once
    // open, its second button, "Helmet", at (900, 184). The Helmet window opens beside the mouse with
    // its "Display Name" at (775, 241) and "Save" at (700, 218); seven tabs from the name reach the
    // skull's "Rotation". Each row of the editor list or of the tab above those moves them down 23.
    std::string tabs;
    for (int i = 0; i < 7; ++i)
        tabs += "frames 2 keydown Tab\nkeyup Tab\n";
    const int code = Run(std::string(IntoDemoSinglePlayer) +
                             "screen GameScreen frames 30 move 27 184\n"
                             "mousedown Left\n"
                             "mouseup Left\n"
                             "frames 5 move 900 138\n"
                             "mousedown Left\n"
                             "mouseup Left\n"
                             "frames 5 move 900 184\n"
                             "mousedown Left\n"
                             "mouseup Left\n"
                             "frames 5 move 775 241\n"
                             "mousedown Left\n"
                             "mouseup Left\n" +
                             tabs +
                             "frames 2 text 45\n"
                             "frames 2 keydown Return\n"
                             "keyup Return\n"
                             "frames 2 screenshot data.png\n"
                             "frames 2 move 700 218\n"
                             "mousedown Left\n"
                             "mouseup Left\n"
                             "frames 5 exit 0\n",
                         "--tools --seed 3", "1280x1024");
    std::error_code error;
    fs::copy_file(root / "data.png", fs::path(Lumvek::Testing::BinaryFolder()) / "ToolsDataTab.png",
                  fs::copy_options::overwrite_existing, error);
    ASSERT_EQ(code, 0) << output;
    // Each keystroke turned the skull of the one local player in the frame it was typed.
    EXPECT_NE(output.find("Helmet: rebuilt the rigs of 1 local players"), std::string::npos) << output;
    EXPECT_NE(output.find("saved Helmet to Assets/Parts/Heads/Helmet/Data.json"), std::string::npos) << output;
    Lumvek::Blueprint saved;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(Lumvek::File::ReadAllText(helmet.string()).second, saved));
    Lumvek::BlueprintReader reader(saved);
    HeadData read;
    read.Read(reader);
    EXPECT_TRUE(read.skull.hasRotation);
    EXPECT_NEAR(read.skull.rotation, 45.0f * 0.017453292f, 1e-4f) << output;
}

// A weapon whose file holds a member its reader could not take: the Data editor's Save leaves the
// file as it was, and the log names the member and the file.
TEST_F(ToolsProgram, TheDataTabDoesNotSaveOverAWeaponWhoseMaxAmmoIsNoNumber)
{
    const fs::path rifle = root / "Assets/Weapons/Rifle/Data.json";
    std::string text = Lumvek::File::ReadAllText(rifle.string()).second;
    const std::string maxAmmo = R"("MaxAmmo": 180)";
    ASSERT_NE(text.find(maxAmmo), std::string::npos);
    text.replace(text.find(maxAmmo), maxAmmo.size(), R"("MaxAmmo": "lots")");
    ASSERT_TRUE(Lumvek::File::WriteAllText(rifle.string(), text));
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(),
                                           std::string(LongChallenge)));
    // The editor list's "Data" toggle at (27, 184); in the tab the tenth header, "Weapons", at
    // (900, 253) and, once open, its first button, "Rifle", at (900, 276). The Rifle window, taller than
    // the screen, opens at its top with "Save" at (700, 42), the problems listed below it.
    const int code = Run(std::string(IntoDemoSinglePlayer) + "screen GameScreen frames 30 move 27 184\n"
                                                             "mousedown Left\n"
                                                             "mouseup Left\n"
                                                             "frames 5 move 900 253\n"
                                                             "mousedown Left\n"
                                                             "mouseup Left\n"
                                                             "frames 5 move 900 276\n"
                                                             "mousedown Left\n"
                                                             "mouseup Left\n"
                                                             "frames 5 move 700 42\n"
                                                             "mousedown Left\n"
                                                             "mouseup Left\n"
                                                             "frames 5 exit 0\n",
                         "--tools --seed 3", "1280x1024");
    ASSERT_EQ(code, 0) << output;
    EXPECT_NE(output.find("Assets/Weapons/Rifle/Data.json: MaxAmmo holds \"lots\", which was not taken"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("did not save Assets/Weapons/Rifle/Data.json: it was not read whole (MaxAmmo holds "
                          "\"lots\""),
              std::string::npos)
        << output;
    EXPECT_TRUE(Lumvek::File::ReadAllText(rifle.string()).second == text) << output;
}

} // namespace

namespace
{

// During a long match, opens the spikes' effect: the editor list's sixth toggle, "Resources", at
// (27, 161) opens the tab, whose "Effects" header at (450, 138) lists the effect sixth, at (500, 253).
// The effect window opens moved up onto the screen, its title at (350, 229); the tab is closed and the
// window dragged by its title to the top right. Then plays the steps, brings the window in front of any
// the steps opened over it by its title, at (493, 10), clicks where its "Save" stands, at (493, 55), and
// exits.
int ToolsProgram::RunSpikesEffectWindow(const std::string& steps)
{
    EXPECT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(),
                                           std::string(LongChallenge)));
    const std::string click = "mousedown Left\nmouseup Left\n";
    return Run(std::string(IntoDemoSinglePlayer) + "screen GameScreen frames 30 move 27 161\n" + click +
                   "frames 5 move 450 138\n" + click + "frames 5 move 500 253\n" + click + "frames 5 move 27 161\n" +
                   click + "frames 5 move 350 229\nmousedown Left\nframes 2 move 400 100\nframes 2 move 500 10\n" +
                   "frames 2 mouseup Left\n" + steps + "frames 5 move 493 10\n" + click + "frames 5 move 493 55\n" +
                   click + "frames 5 exit 0\n",
               "--tools --seed 3");
}

TEST_F(ToolsProgram, TheEffectWindowSavesAHazardEffectsChangedMaximum)
{
    const fs::path effect = root / "Assets/Hazards/Spikes/Effect.lte";
    ASSERT_NE(Lumvek::File::ReadAllText(effect.string()).second.find("MaximumParticles = 20"), std::string::npos);
    // Its "Emitters" header opened at (450, 123) and the emitter's window opened from (460, 146), moved
    // up and left onto the screen, with "Maximum"'s "-" at (604, 227), pressed three times.
    const int code = RunSpikesEffectWindow("frames 5 move 450 123\nmousedown Left\nmouseup Left\n"
                                           "frames 5 move 460 146\nmousedown Left\nmouseup Left\n"
                                           "frames 5 move 604 227\nmousedown Left\nmouseup Left\n"
                                           "frames 2 mousedown Left\nmouseup Left\n"
                                           "frames 2 mousedown Left\nmouseup Left\n");
    ASSERT_EQ(code, 0) << output;
    EXPECT_NE(output.find("saved EffectData to Assets/Hazards/Spikes/Effect.lte"), std::string::npos) << output;
    const std::string saved = Lumvek::File::ReadAllText(effect.string()).second;
    EXPECT_NE(saved.find("MaximumParticles = 17"), std::string::npos) << saved;
    // The rest of the effect survives the round trip.
    EXPECT_NE(saved.find("ColorTimeline"), std::string::npos) << saved;
}

TEST_F(ToolsProgram, TheEffectWindowOffersNoSaveForAnEffectThatDidNotParseAndItsFileStaysAsItWas)
{
    const fs::path effect = root / "Assets/Hazards/Spikes/Effect.lte";
    std::string text = Lumvek::File::ReadAllText(effect.string()).second;
    text.replace(text.find("MaximumParticles = 20"), 21, "MaximumParticles = 20 (((");
    ASSERT_TRUE(Lumvek::File::WriteAllText(effect.string(), text));
    // The window offers no "Save" to press.
    ASSERT_EQ(RunSpikesEffectWindow(""), 0) << output;
    // Once, named from the application folder, with where and why.
    const size_t line = output.find("Assets/Hazards/Spikes/Effect.lte did not parse: the text is not LON: line ");
    EXPECT_TRUE(line != std::string::npos && output.find("lon parsing failed") == std::string::npos) << output;
    EXPECT_EQ(output.find("saved EffectData"), std::string::npos) << output;
    EXPECT_TRUE(Lumvek::File::ReadAllText(effect.string()).second == text);
}

} // namespace
