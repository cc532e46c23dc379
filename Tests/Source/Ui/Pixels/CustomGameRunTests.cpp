// The custom game and challenge flows of the real program, from the play menu to the carnage report
// and back, in a 640 x 360 window on the simulated clock, over a scratch copy of the Assets.

#include "Engine/Foundation/File.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Loadout.h"
#include "Tests/ScriptedProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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

// The set-up a local match journal starts with: its theme, its team count and the first attribute
// multiplier (maximum health), read where the journal writes them.
struct JournalSetUp
{
    uint32_t theme = 0;
    uint32_t teamCount = 0;
    float health = 0.0f;
};

std::vector<JournalSetUp> ReadJournals(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::exists(folder))
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return fs::last_write_time(a) < fs::last_write_time(b); });
    std::vector<JournalSetUp> setUps;
    for (const fs::path& file : files)
    {
        const std::string bytes = Lumvek::File::ReadAllText(file.string()).second;
        // Map, theme, game type and team count; the local slots (id, team, loadout, local index) and the
        // remote ones (the same with a client id), each list after its count; the loadout; the weapon
        // spawns; then the attributes.
        constexpr size_t slotSize = 2 + 4 * Loadout::Count + 4;
        uint32_t count = 0;
        size_t health = 16;
        for (int list = 0; list < 2 && bytes.size() >= health + 4; ++list)
        {
            std::memcpy(&count, bytes.data() + health, 4);
            health += 4 + std::min<size_t>(count, 16) * slotSize;
        }
        health += 4 * Loadout::Count + 8 * GameConfiguration::WeaponSpawnCount;
        if (bytes.size() < health + 4)
            continue;
        JournalSetUp setUp;
        std::memcpy(&setUp.theme, bytes.data() + 4, 4);
        std::memcpy(&setUp.teamCount, bytes.data() + 12, 4);
        std::memcpy(&setUp.health, bytes.data() + health, 4);
        setUps.push_back(setUp);
    }
    return setUps;
}

TEST_F(FlowRun, ACustomGameIsSetUpPlayedAndPlayedAgainWithTheChoicesKept)
{
    // Free for all in the file: the run picks two teams.
    std::string setUp = QuickSetUp;
    setUp.replace(setUp.find(R"("TeamCount": 2)"), 14, R"("TeamCount": 1)");
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/Configurations/Default.data").string(), setUp));
    std::string script = "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " + Press("A") +
                         "screen PlayMenu frames 10 " + Press("Right") + After(5, "A");
    // MAP: the current map again.
    script += "screen CustomGameMenu frames 20 " + Press("Right") + After(15, "A") + After(15, "A");
    // THEME: the picker opens on Meadow; "Random" is first.
    script += "screen CustomGameMenu frames 20 " + Press("Right") + After(15, "A");
    for (int i = 0; i < 3; ++i)
        script += After(15, "Left");
    script += After(15, "A");
    // TEAMS: from free for all to two teams, dealt at random.
    script += "screen CustomGameMenu frames 20 " + Press("Right") + After(15, "A") + After(15, "Right") +
              After(15, "A") + After(15, "A");
    // ATTRIBUTES: HEALTH, the last of 0, 50, 100 and 200 %.
    script += "screen CustomGameMenu frames 20 " + Press("Right") + After(15, "Right") + After(15, "Right") +
              After(15, "A") + After(15, "A");
    for (int i = 0; i < 3; ++i)
        script += After(15, "Right");
    script += After(15, "A") + After(15, "B");
    script += "screen CustomGameMenu frames 20 screenshot menu.png\n";
    script += "screen CustomGameMenu frames 5 " + Press("Start");
    script += "screen GameLobby frames 10 " + Press("Start");
    script += "screen CarnageReport frames 10 screenshot report.png\n";
    script += "screen CarnageReport frames 5 " + Press("B");
    // Back on the menu: the same set-up again, straight to the lobby.
    script += "screen CustomGameMenu frames 20 " + Press("Start");
    script += "screen GameLobby frames 10 " + Press("Start");
    script += "screen CarnageReport frames 10 " + Press("B");
    script += "screen CustomGameMenu frames 20 exit 0\n";
    const int code = Run(script, "--start-screen --seed 3");
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("the match Quick has ended: the scoreboard shows"), std::string::npos) << output;
    for (const char* shot : {"menu.png", "report.png"})
        EXPECT_TRUE(fs::exists(root / shot)) << shot << output;

    const std::vector<JournalSetUp> journals = ReadJournals(root / "Journals");
    ASSERT_EQ(journals.size(), 2u) << output;
    for (const JournalSetUp& journal : journals)
    {
        EXPECT_EQ(journal.teamCount, 2u);
        EXPECT_EQ(journal.health, 2.0f);
        // "Random" is resolved to one of the shipped themes when each match starts.
        EXPECT_LT(journal.theme, 16u);
    }
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
