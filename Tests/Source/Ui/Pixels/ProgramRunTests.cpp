// The Vantorel program itself in a 640 x 360 window of SDL's offscreen driver, driven by a test
// script on the simulated clock, from a scratch application folder outside the checkout.

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Json.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Lumvek::Testing::Picture;
using Lumvek::Testing::ReadPicture;

class ProgramRun : public Lumvek::Testing::ScriptedProgram
{
protected:
    ProgramRun() : ScriptedProgram("VantorelScreens") {}
};

TEST_F(ProgramRun, TheDemoGoesFromTheSplashToItsMenuOnPadZero)
{
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 10 screenshot demo-menu.png\n"
                         "exit 0\n",
                         "");
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(fs::exists(root / "demo-menu.png")) << output;
    for (const char* failure : {"did not load", "not found", "cannot", "could not"})
        EXPECT_EQ(output.find(failure), std::string::npos) << output;
    std::error_code error;
    fs::copy_file(root / "demo-menu.png",
                  fs::path(Lumvek::Testing::BinaryFolder()) / "UiPixelTests" / "ProgramDemoMenu.png",
                  fs::copy_options::overwrite_existing, error);
}

TEST_F(ProgramRun, WithTheStartOptionStartReachesTheMainMenu)
{
    const int code = Run("screen StartScreen frames 10 down 1 Start\n"
                         "up 1 Start\n"
                         "screen MainMenu frames 5 exit 0\n",
                         "--start-screen");
    EXPECT_EQ(code, 0) << output;
}

TEST_F(ProgramRun, TheNotebookMakesALoadoutActiveEquipsACoreAndCraftsAHead)
{
    // The shipped profile knows every part it owns; here it also knows the oxygen mask without owning
    // it, and has the 50 ink that mask costs.
    const std::string profilePath = (root / "Assets" / "player1.profile").string();
    std::string profile = Lumvek::File::ReadAllText(profilePath).second;
    const size_t heads = profile.find("\"Heads\": {");
    ASSERT_NE(heads, std::string::npos);
    profile.insert(heads + 10, "\"OxygenMask\": {\"Unlocked\": false}, ");
    ASSERT_TRUE(Lumvek::File::WriteAllText(profilePath, profile));

    const auto tap = [](const char* button, int frames)
    { return "frames " + std::to_string(frames) + " down 0 " + button + "\nup 0 " + button + "\n"; };
    std::string script = "screen StartScreen frames 10 down 0 Start\nup 0 Start\n"
                         "screen MainMenu frames 10 down 0 Left\nup 0 Left\n";
    script += tap("A", 5);
    // The strip slides on the Gui's wall clock, and frames without a match come quickly: each move is
    // given ample frames to come to rest before the next button.
    script += "screen LoadoutsScreen " + tap("Right", 10) + tap("Right", 60) + tap("X", 60) + tap("A", 5);
    // CORE: the breastplate (second card), owned: equip.
    script += "screen Notebook " + tap("RightBumper", 10) + tap("Right", 5) + tap("A", 5);
    // HEAD: the oxygen mask (third card), known: view, craft, equip, back.
    script += tap("LeftBumper", 5) + tap("Right", 5) + tap("Right", 5) + tap("X", 5);
    script += "screen CardView " + tap("Y", 10) + tap("A", 5) + tap("B", 5);
    script += "screen Notebook frames 30 screenshot notebook.png\nexit 0\n";
    const int code = Run(script, "--start-screen");
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(fs::exists(root / "notebook.png")) << output;
    std::error_code error;
    fs::copy_file(root / "notebook.png",
                  fs::path(Lumvek::Testing::BinaryFolder()) / "UiPixelTests" / "ProgramNotebook.png",
                  fs::copy_options::overwrite_existing, error);

    Lumvek::Blueprint saved;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(Lumvek::File::ReadAllText(profilePath).second, saved)) << output;
    const auto& file = saved.GetObject();
    EXPECT_EQ(file.Find("ActiveLoadout")->GetUnsignedInteger(), 2u);
    EXPECT_EQ(file.Find("Ink")->GetUnsignedInteger(), 0u);
    const auto& scout = file.Find("Loadouts")->GetElement(2).GetObject();
    EXPECT_EQ(scout.Find("Core")->GetString(), Lumvek::StringView("Breastplate"));
    EXPECT_EQ(scout.Find("Head")->GetString(), Lumvek::StringView("OxygenMask"));
    const Lumvek::Blueprint* mask = file.Find("Heads")->GetObject().Find("OxygenMask");
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->GetObject().Find("Unlocked")->GetBoolean());
}

} // namespace

namespace
{

// A demo challenge that ends with the first kill: a deathmatch won at 0 points between the player and
// two bots; under a fixed seed the bots' first kill comes within seconds.
constexpr const char* QuickChallenge = R"({
    "Name": "Duel", "Description": "Over before it starts.", "Map": "Crossroads", "Theme": "Meadow",
    "GameType": "Deathmatch", "TeamCount": 2,
    "Bots": [{"TeamId": 0, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}},
             {"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
    "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 0}
})";

// The lines of the output that report the match flow, in order.
std::vector<std::string> FlowLines(const std::string& output)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size())
    {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(start, end - start);
        if (line.rfind("the match ", 0) == 0)
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

size_t CountJournals(const fs::path& root)
{
    std::error_code error;
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(root / "Journals", error))
        count += entry.path().extension() == ".vjrn" ? 1 : 0;
    return count;
}

TEST_F(ProgramRun, ASinglePlayerChallengeIsPlayedToItsScoreboardAndReturnsToItsSetUp)
{
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(),
                                           std::string(QuickChallenge)));
    const int code = Run(std::string(IntoDemoSinglePlayer) + "screen Scoreboard frames 5 screenshot scoreboard.png\n"
                                                             "screen DemoSinglePlayer frames 10 screenshot after.png\n"
                                                             "exit 0\n",
                         "--seed 3");
    EXPECT_EQ(code, 0) << output;
    EXPECT_EQ(FlowLines(output),
              (std::vector<std::string>{"the match Duel starts loading", "the match Duel has loaded: play begins",
                                        "the match Duel runs with 1 game screens",
                                        "the match Duel has ended: the scoreboard shows", "the match Duel is left"}))
        << output;
    EXPECT_EQ(CountJournals(root), 1u) << output;
    for (const char* shot : {"scoreboard.png", "after.png"})
        EXPECT_TRUE(fs::exists(root / shot)) << shot;
}

TEST_F(ProgramRun, TwoPadsPlayMultiplayerPauseSeeTheControlsResumeAndQuit)
{
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 5 down 0 Right\n"
                         "up 0 Right\n"
                         "frames 5 down 0 A\n"
                         "up 0 A\n"
                         "screen DemoMultiplayer frames 10 down 0 A\n"
                         "up 0 A\n"
                         "screen GameScreen frames 30 down 1 Start\n"
                         "up 1 Start\n"
                         "screen PauseMenu frames 5 down 1 Right\n"
                         "up 1 Right\n"
                         "frames 5 down 1 A\n"
                         "up 1 A\n"
                         "screen ControlsScreen frames 5 down 1 B\n"
                         "up 1 B\n"
                         "screen PauseMenu frames 5 down 1 Left\n"
                         "up 1 Left\n"
                         "frames 5 down 1 A\n"
                         "up 1 A\n"
                         "screen GameScreen frames 10 screenshot resumed.png\n"
                         "frames 1 down 0 Start\n"
                         "up 0 Start\n"
                         "screen PauseMenu frames 5 down 0 Right\n"
                         "up 0 Right\n"
                         "frames 5 down 0 Right\n"
                         "up 0 Right\n"
                         "frames 5 down 0 A\n"
                         "up 0 A\n"
                         "screen QuitConfirmation frames 5 down 0 A\n"
                         "up 0 A\n"
                         "screen DemoMultiplayer frames 10 screenshot back.png\n"
                         "exit 0\n",
                         "");
    EXPECT_EQ(code, 0) << output;
    EXPECT_EQ(
        FlowLines(output),
        (std::vector<std::string>{"the match Deathmatch starts loading", "the match Deathmatch has loaded: play begins",
                                  "the match Deathmatch runs with 2 game screens", "the match Deathmatch is left"}))
        << output;
}

// A deathmatch that runs on: nobody reaches its points while the run looks at it.
constexpr const char* LongChallenge = R"({
    "Name": "Duel", "Description": "A long one.", "Map": "Crossroads", "Theme": "Meadow",
    "GameType": "Deathmatch", "TeamCount": 2,
    "Bots": [{"TeamId": 1, "Loadout": {"Head": "BasicHead", "Core": "BasicCore", "Arms": "BasicArms",
              "Legs": "BasicLegs"}}],
    "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 1000}
})";

TEST_F(ProgramRun, TheFirstMatchFramesShowTheHealthFillInItsBoxOverThePlatforms)
{
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/DemoChallenges/DemoRace.data").string(),
                                           std::string(LongChallenge)));
    // The player has spawned in after 2 s of play.
    const int code = Run(std::string(IntoDemoSinglePlayer) + "screen GameScreen frames 150 screenshot match.png\n"
                                                             "exit 0\n",
                         "--seed 3");
    EXPECT_EQ(code, 0) << output;
    const Picture picture = ReadPicture(root / "match.png");
    ASSERT_EQ(picture.width, 640u) << output;
    std::error_code error;
    fs::copy_file(root / "match.png", fs::path(Lumvek::Testing::BinaryFolder()) / "UiPixelTests" / "ProgramMatch.png",
                  fs::copy_options::overwrite_existing, error);

    // The fill's box: 200 x 20 points, 34 points from the top, centred; the health colour is R 0xBE,
    // G 0x14, B 0x1B.
    const auto red = [](const uint8_t* p) { return p[0] > 150 && p[1] < 70 && p[2] < 70; };
    uint32_t inside = 0, around = 0;
    for (uint32_t y = 20; y < 70; ++y)
        for (uint32_t x = 222; x < 418; ++x)
        {
            const bool box = y >= 36 && y < 52;
            const bool band = y < 30 || y >= 58;
            if (box || band)
                (box ? inside : around) += red(picture.At(x, y)) ? 1 : 0;
        }
    EXPECT_GT(inside, 196u * 16u / 2u) << "the health fill shows in its box";
    EXPECT_LT(around, 196u) << "and stops at its outline";

    // Under the HUD the game is drawn: the ground along the bottom of Crossroads in its tan tiles.
    const auto tile = [](const uint8_t* p) { return p[0] > 150 && p[0] > p[1] + 20 && p[1] > p[2] + 20; };
    uint32_t tiles = 0;
    for (uint32_t y = 300; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            tiles += tile(picture.At(x, y)) ? 1 : 0;
    EXPECT_GT(tiles, picture.width * (picture.height - 300) / 2) << "the platform tiles show";
}

} // namespace
