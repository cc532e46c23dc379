// The custom game and challenge flows of the real program, from the play menu to the carnage report
// and back, in a 640 x 360 window on the simulated clock, over a scratch copy of the Assets.

#include "Engine/Foundation/File.h"
#include "Tests/ScriptedProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;

class FlowRun : public Lumvek::Testing::ScriptedProgram
{
protected:
    FlowRun() : ScriptedProgram("VantorelFlows") {}
};

// A deathmatch won at 0 points between the player and two bots: under the seed the bots' first kill
// comes within seconds.
constexpr const char* QuickSetUp = R"({
    "Name": "Quick", "Description": "Over before it starts.", "Map": "Crossroads", "Theme": "Meadow",
    "GameType": "Deathmatch", "TeamCount": 2,
    "Bots": [{"TeamId": 0, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}},
             {"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
    "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 0}
})";

std::string Press(const char* button)
{
    return std::string("down 0 ") + button + "\nup 0 " + button + "\n";
}

std::string After(int frames, const char* button)
{
    return "frames " + std::to_string(frames) + " " + Press(button);
}

TEST_F(FlowRun, ACustomGameWithARandomThemeIsPlayedAndTheReportReturnsToItsMenu)
{
    ASSERT_TRUE(
        Lumvek::File::WriteAllText((root / "Assets/Configurations/Default.data").string(), std::string(QuickSetUp)));
    std::string script = "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " + Press("A") +
                         "screen PlayMenu frames 10 " + Press("Right") + After(5, "A");
    // THEME: the picker opens on Meadow; "Random" is first.
    script += "screen CustomGameMenu frames 20 " + Press("Right") + After(15, "Right") + After(15, "A");
    for (int i = 0; i < 3; ++i)
        script += After(15, "Left");
    script += After(15, "A");
    script += "screen CustomGameMenu frames 20 screenshot menu.png\n";
    script += "screen CustomGameMenu frames 5 " + Press("Start");
    script += "screen GameLobby frames 10 " + Press("Start");
    script += "screen CarnageReport frames 10 screenshot report.png\n";
    script += "screen CarnageReport frames 5 " + Press("B");
    script += "screen CustomGameMenu frames 20 exit 0\n";
    const int code = Run(script, "--start-screen --seed 3");
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("the match Quick has ended: the scoreboard shows"), std::string::npos) << output;
    for (const char* shot : {"menu.png", "report.png"})
        EXPECT_TRUE(fs::exists(root / shot)) << shot << output;
}

TEST_F(FlowRun, AChallengeIsPlayedAndTheReportReturnsToTheChallengeList)
{
    ASSERT_TRUE(
        Lumvek::File::WriteAllText((root / "Assets/Challenges/FirstSteps.data").string(), std::string(QuickSetUp)));
    std::string script = "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " + Press("A") +
                         "screen PlayMenu frames 10 " + Press("A");
    script += "screen ChallengesScreen frames 20 " + Press("A");
    script += "screen GameLobby frames 10 " + Press("Start");
    script += "screen CarnageReport frames 10 " + Press("B");
    script += "screen ChallengesScreen frames 20 exit 0\n";
    const int code = Run(script, "--start-screen --seed 3");
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("the match Quick has ended: the scoreboard shows"), std::string::npos) << output;
}

} // namespace
