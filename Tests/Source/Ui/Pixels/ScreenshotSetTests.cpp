// Screenshots of the match and of the busier screens, taken by the Vantorel program at 1280 x 720 and
// kept in Screenshots/ under the build folder for a person to look at after a change to the renderer or
// a screen. Nothing compares them with earlier ones; each must only be there whole and opaque.

#include "Engine/Foundation/File.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;

std::string Press(const char* button)
{
    return std::string("down 0 ") + button + "\nup 0 " + button + "\n";
}

std::string After(int frames, const char* button)
{
    return "frames " + std::to_string(frames) + " " + Press(button);
}

// A duel that is over as it starts: the scoreboard follows at once.
constexpr const char* QuickChallenge = R"({
    "Name": "Duel", "Description": "Over before it starts.", "Map": "Crossroads", "Theme": "Meadow",
    "GameType": "Deathmatch", "TeamCount": 2,
    "Bots": [{"TeamId": 0, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}},
             {"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
    "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 0}
})";

class ScreenshotSet : public Lumvek::Testing::ScriptedProgram
{
protected:
    ScreenshotSet() : ScriptedProgram("VantorelScreenshots") {}

    // Checks the screenshot the run wrote and keeps it under the name in the build folder's set.
    void Keep(const std::string& shot, const std::string& name)
    {
        const Lumvek::Testing::Picture picture = Lumvek::Testing::ReadPicture(root / shot);
        ASSERT_EQ(picture.width, 1280u) << shot << "\n" << output;
        ASSERT_EQ(picture.height, 720u) << shot;
        size_t translucent = 0;
        for (size_t i = 3; i < picture.rgba.size(); i += 4)
            translucent += picture.rgba[i] != 255 ? 1 : 0;
        EXPECT_EQ(translucent, 0u) << shot << ": a saved screenshot is opaque";
        const fs::path folder = fs::path(Lumvek::Testing::BinaryFolder()) / "Screenshots";
        std::error_code error;
        fs::create_directories(folder, error);
        fs::copy_file(root / shot, folder / (name + ".png"), fs::copy_options::overwrite_existing, error);
        EXPECT_FALSE(error) << error.message();
    }
};

TEST_F(ScreenshotSet, TheDemosKeepawayAfter200Ticks)
{
    // SINGLE PLAYER's second challenge is the keepaway.
    std::string script = "screen DemoStartScreen frames 10 " + Press("Start") + "screen DemoMenu frames 5 " +
                         Press("A") + "screen DemoSinglePlayer frames 10 " + Press("Right") + After(15, "A");
    script += "screen GameScreen frames 200 screenshot keepaway.png\nexit 0\n";
    const int code = Run(script, "--seed 3", "1280x720");
    EXPECT_EQ(code, 0) << output;
    Keep("keepaway.png", "DemoKeepaway");
}

TEST_F(ScreenshotSet, TheScoreboardOfASinglePlayerChallenge)
{
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(),
                                           std::string(QuickChallenge)));
    const std::string script = "screen DemoStartScreen frames 10 " + Press("Start") + "screen DemoMenu frames 5 " +
                               Press("A") + "screen DemoSinglePlayer frames 10 " + Press("A") +
                               "screen Scoreboard frames 30 screenshot scoreboard.png\nexit 0\n";
    const int code = Run(script, "--seed 3", "1280x720");
    EXPECT_EQ(code, 0) << output;
    Keep("scoreboard.png", "Scoreboard");
}

TEST_F(ScreenshotSet, TwoPlayersSplitTheScreenInCaptureTheFlag)
{
    // MULTIPLAYER seats a second player on the next pad; its second match is capture the flag.
    std::string script = "screen DemoStartScreen frames 10 " + Press("Start") + "screen DemoMenu frames 5 " +
                         Press("Right") + After(5, "A");
    script += "screen DemoMultiplayer frames 10 " + Press("Right") + After(15, "A");
    script += "screen GameScreen frames 150 screenshot split.png\nexit 0\n";
    const int code = Run(script, "--seed 3", "1280x720");
    EXPECT_EQ(code, 0) << output;
    Keep("split.png", "SplitScreenCaptureTheFlag");
}

TEST_F(ScreenshotSet, TheCustomGameMenuWithItsIcons)
{
    const std::string script = "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " +
                               Press("A") + "screen PlayMenu frames 10 " + Press("Right") + After(5, "A") +
                               "screen CustomGameMenu frames 60 screenshot custom.png\nexit 0\n";
    const int code = Run(script, "--start-screen --seed 3", "1280x720");
    EXPECT_EQ(code, 0) << output;
    Keep("custom.png", "CustomGameMenu");
}

} // namespace
