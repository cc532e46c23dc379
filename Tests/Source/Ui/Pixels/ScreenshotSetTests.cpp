// Screenshots of the match and of the busier screens, taken by the Vantorel program (at 1280 x 720 unless
// they say otherwise) and kept in Screenshots/ under the build folder for a person to look at after a
// change to the renderer or a screen. Nothing compares them with earlier ones; each must only be there
// whole and opaque.

#include "Engine/Foundation/File.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
              uint32_t width = 1280, uint32_t height = 720)
    {
        const std::string window = std::to_string(width) + "x" + std::to_string(height);
        EXPECT_EQ(Run(script + "screenshot shot.png\nexit 0\n", options + " --seed 3", window), 0) << output;
        const Lumvek::Testing::Picture picture = Lumvek::Testing::ReadPicture(root / "shot.png");
        ASSERT_EQ(picture.width * picture.height, width * height) << output;
        for (size_t i = 3; i < picture.rgba.size(); i += 4)
            ASSERT_EQ(picture.rgba[i], 255) << "a saved screenshot is opaque";
        const fs::path folder = fs::path(Lumvek::Testing::BinaryFolder()) / "Screenshots";
        std::error_code error;
        fs::create_directories(folder, error);
        fs::copy_file(root / "shot.png", folder / (name + ".png"), fs::copy_options::overwrite_existing, error);
        EXPECT_FALSE(error) << error.message();
    }

    // The scoreboard of a deathmatch won as it starts, played as SINGLE PLAYER's first challenge with
    // two bots of the teams (4 for none) in a game of that many teams.
    void TakeScoreboard(const std::string& name, const std::string& theme, int teams, int firstBot, int secondBot)
    {
        const std::string bot =
            R"(, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}})";
        ASSERT_TRUE(Lumvek::File::WriteAllText(
            (root / "Assets/DemoChallenges/DemoRace.data").string(),
            R"({"Name": "Duel", "Description": "", "Map": "Crossroads", "Theme": ")" + theme +
                R"(", "GameType": "Deathmatch", "TeamCount": )" + std::to_string(teams) +
                R"(, "Loadout": {"StartingWeapon": "Rifle"}, "GameTypeSettings": {"PointsToWin": 0}, "Bots": [)" +
                R"({"TeamId": )" + std::to_string(firstBot) + bot + R"(, {"TeamId": )" + std::to_string(secondBot) +
                bot + "]}"));
        Take(name, IntoDemo + Press("A") + "screen DemoSinglePlayer frames 10 " + Press("A") +
                       "screen Scoreboard frames 30 ");
    }

    // Replaces the first occurrence of a text in a file of the scratch copy of Assets.
    void Edit(const std::string& file, const std::string& from, const std::string& to)
    {
        const std::string path = (root / "Assets" / file).string();
        std::string text = Lumvek::File::ReadAllText(path).second;
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << file << " holds " << from;
        ASSERT_TRUE(Lumvek::File::WriteAllText(path, text.replace(at, from.size(), to)));
    }
};

// SINGLE PLAYER's second challenge.
TEST_F(ScreenshotSet, TheDemosKeepawayAfter200Ticks)
{
    Take("DemoKeepaway", IntoDemo + Press("A") + "screen DemoSinglePlayer frames 10 " + Press("Right") +
                             Press("A", 15) + "screen GameScreen frames 200 ");
}

// A duel won as it starts.
TEST_F(ScreenshotSet, TheScoreboardOfASinglePlayerChallenge)
{
    TakeScoreboard("Scoreboard", "Meadow", 2, 0, 1);
}

// A free for all on the pale Glacier sky: the winner's name and badge in ink.
TEST_F(ScreenshotSet, TheScoreboardOfAFreeForAllOnGlacier)
{
    TakeScoreboard("ScoreboardFreeForAll", "Glacier", 1, 4, 4);
}

// The keepaway in the smallest window, the player with three abilities and the longest weapon name.
TEST_F(ScreenshotSet, ThreeAbilityDialsAndALongWeaponNameIn640x360)
{
    Edit("player1.profile", "\"Head\": \"BasicHead\",\n            \"Core\": \"BasicCore\"",
         "\"Head\": \"HelicopterHat\",\n            \"Core\": \"Jetpack\"");
    Edit("player1.profile", "\"Legs\": \"BasicLegs\"", "\"Legs\": \"SpaceBoots\"");
    Edit("DemoChallenges/DemoKeepaway.data", "\"StartingWeapon\": \"Rifle\"",
         "\"StartingWeapon\": \"GrenadeLauncher\"");
    Take("Keepaway640x360",
         IntoDemo + Press("A") + "screen DemoSinglePlayer frames 10 " + Press("Right") + Press("A", 15) +
             "screen GameScreen frames 200 ",
         "", 640, 360);
}

// MULTIPLAYER seats a second player on the next pad; its second match is capture the flag.
TEST_F(ScreenshotSet, TwoPlayersSplitTheScreenInCaptureTheFlag)
{
    Take("SplitScreenCaptureTheFlag", IntoDemo + Press("Right") + Press("A", 5) + "screen DemoMultiplayer frames 10 " +
                                          Press("Right") + Press("A", 15) + "screen GameScreen frames 150 ");
}

// The same at 960 x 540, where each view is 960 x 270 and the team-mates' markers come near the dials.
TEST_F(ScreenshotSet, SplitScreenAt960x540KeepsMarkersOffTheDials)
{
    Take("SplitScreen960x540",
         IntoDemo + Press("Right") + Press("A", 5) + "screen DemoMultiplayer frames 10 " + Press("Right") +
             Press("A", 15) + "screen GameScreen frames 150 ",
         "", 960, 540);
}

TEST_F(ScreenshotSet, TheCustomGameMenuWithItsIcons)
{
    Take("CustomGameMenu",
         "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " + Press("A") +
             "screen PlayMenu frames 10 " + Press("Right") + Press("A", 5) + "screen CustomGameMenu frames 60 ",
         "--start-screen");
}

} // namespace
