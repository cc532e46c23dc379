// Screenshots of the match and of the busier screens, taken by the Vantorel program at 1280 x 720 (or the size
// in their names) and kept in Screenshots/ under the build folder for a person to look at after a change to
// the renderer or a screen. Nothing compares them with earlier ones; each must only be there whole and opaque.

#include "Engine/Foundation/File.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// A namespace of its own: the program compiles its files in batches.
namespace ScreenshotSetTests
{

namespace
{

namespace fs = std::filesystem;

std::string Press(const char* button, int frames = 0)
{
    const std::string wait = frames ? "frames " + std::to_string(frames) + " " : "";
    return wait + "down 0 " + button + "\nup 0 " + button + "\n";
}

const std::string IntoDemo = "screen DemoStartScreen frames 10 " + Press("Start") + "screen DemoMenu frames 5 ";

class ScreenshotSet : public Lumvek::Testing::ScriptedProgram
{
protected:
    ScreenshotSet() : ScriptedProgram("VantorelScreenshots") {}

    // Runs the script, which ends on a screenshot shot.png, and keeps the picture under the name.
    void Take(const std::string& name, const std::string& script, const std::string& options = "",
              const std::string& window = "1280x720")
    {
        EXPECT_EQ(Run(script + "screenshot shot.png\nexit 0\n", options + " --seed 3", window), 0) << output;
        const Lumvek::Testing::Picture picture = Lumvek::Testing::ReadPicture(root / "shot.png");
        ASSERT_EQ(std::to_string(picture.width) + "x" + std::to_string(picture.height), window) << output;
        for (size_t i = 3; i < picture.rgba.size(); i += 4)
            ASSERT_EQ(picture.rgba[i], 255) << "a saved screenshot is opaque";
        const fs::path folder = fs::path(Lumvek::Testing::BinaryFolder()) / "Screenshots";
        std::error_code error;
        fs::create_directories(folder, error);
        fs::copy_file(root / "shot.png", folder / (name + ".png"), fs::copy_options::overwrite_existing, error);
        EXPECT_FALSE(error) << error.message();
    }

    // Replaces the first occurrence of each text in a file of the scratch copy of Assets.
    void Edit(const std::string& file, std::initializer_list<std::pair<std::string, std::string>> changes)
    {
        const std::string path = (root / "Assets" / file).string();
        std::string text = Lumvek::File::ReadAllText(path).second;
        for (const auto& [from, to] : changes)
        {
            ASSERT_NE(text.find(from), std::string::npos) << file << " holds " << from;
            text.replace(text.find(from), from.size(), to);
        }
        ASSERT_TRUE(Lumvek::File::WriteAllText(path, text));
    }
};

// SINGLE PLAYER's second challenge; then at 640 x 360 with three ability dials, the longest weapon name and a
// stowed shotgun.
TEST_F(ScreenshotSet, TheDemosKeepawayAfter200TicksAndWithAFullHudIn640x360)
{
    const std::string keepaway = IntoDemo + Press("A") + "screen DemoSinglePlayer frames 10 " + Press("Right") +
                                 Press("A", 15) + "screen GameScreen frames 200 ";
    Take("DemoKeepaway", keepaway);
    Edit("player1.profile", {{"BasicHead", "HelicopterHat"}, {"BasicCore", "Jetpack"}, {"BasicLegs", "SpaceBoots"}});
    Edit("DemoChallenges/DemoKeepaway.data", {{"\"Rifle\"", "\"GrenadeLauncher\", \"SecondaryWeapon\": \"Shotgun\""}});
    Take("Keepaway640x360", keepaway, "", "640x360");
}

// SINGLE PLAYER's first challenge made a duel won as it starts; then a free for all on the pale Glacier sky,
// the winner's name and badge in ink.
TEST_F(ScreenshotSet, TheScoreboardsOfADuelAndOfAFreeForAllOnGlacier)
{
    ASSERT_TRUE(Lumvek::File::WriteAllText(
        (root / "Assets/DemoChallenges/DemoRace.data").string(),
        R"({"Name": "Duel", "Description": "", "Map": "Crossroads", "Theme": "Meadow", "GameType": "Deathmatch",
            "TeamCount": 2, "Loadout": {"StartingWeapon": "Rifle"}, "GameTypeSettings": {"PointsToWin": 0},
            "Bots": [{"TeamId": 0, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}},
                     {"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}]})"));
    Take("Scoreboard", std::string(IntoDemoSinglePlayer) + "screen Scoreboard frames 30 ");
    Edit("DemoChallenges/DemoRace.data",
         {{"Meadow", "Glacier"}, {"Count\": 2", "Count\": 1"}, {"Id\": 0", "Id\": 4"}, {"Id\": 1", "Id\": 4"}});
    Take("ScoreboardFreeForAll", std::string(IntoDemoSinglePlayer) + "screen Scoreboard frames 30 ");
}

// MULTIPLAYER's second match, capture the flag, a second player seated on the next pad; then at 960 x 540,
// each view 960 x 270, where the team-mates' markers come near the dials.
TEST_F(ScreenshotSet, TwoPlayersSplitTheScreenInCaptureTheFlagAndAt960x540)
{
    const std::string split = IntoDemo + Press("Right") + Press("A", 5) + "screen DemoMultiplayer frames 10 " +
                              Press("Right") + Press("A", 15) + "screen GameScreen frames 150 ";
    Take("SplitScreenCaptureTheFlag", split);
    Take("SplitScreen960x540", split, "", "960x540");
    for (const char* window : {"1280x720", "960x540", "640x360"})
        Take(std::string("SplitScreenMeadow") + window,
             split.substr(0, split.rfind("down 0 Right")) + Press("A", 15) + "screen GameScreen frames 150 ", "",
             window);
}

TEST_F(ScreenshotSet, TheCustomGameMenuWithItsIcons)
{
    Take("CustomGameMenu",
         "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " + Press("A") +
             "screen PlayMenu frames 10 " + Press("Right") + Press("A", 5) + "screen CustomGameMenu frames 60 ",
         "--start-screen");
}

} // namespace

} // namespace ScreenshotSetTests
