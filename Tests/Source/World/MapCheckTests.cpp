#include "Source/World/MapCheck.h"

#include "Source/Data/GameTypeData.h"

#include "Source/World/MapFile.h"
#include "Source/World/World.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace WorldTesting;

namespace
{

// Two teams' players and flags standing on a floor from 0 to 2 parted by a low wall, in a world of 40 x 20.
std::string FlagMap(const std::string& points, const std::string& platforms, const char* bounds = "0 0 40 20")
{
    const std::string worldBounds = bounds ? R"("WorldBounds": ")" + std::string(bounds) + R"(", )" : "";
    return "{" + worldBounds + R"("SpawnPoints": [)" + points + R"(], "Entities": {)" + platforms + "}}";
}

const std::string Floor = R"("Platforms": [{"Position": "0 0", "Size": "40 2"}, {"Position": "20 2", "Size": "2 1"}])";
const std::string Players = R"({"Position": "3 2", "Size": "0.5 1", "Mask": "Player|CaptureTheFlag|Team0"},
                               {"Position": "30 2", "Size": "0.5 1", "Mask": "Player|CaptureTheFlag|Team1"})";
// Team1's flag on a ledge 10 above the floor, which no jump reaches.
const std::string HighFlag = R"(, {"Position": "11 13", "Size": "1 1", "Mask": "Objective|CaptureTheFlag|Team1"})";
const std::string Flags = R"(, {"Position": "5 2", "Size": "1 1", "Mask": "Objective|CaptureTheFlag|Team0"},
                             {"Position": "35 2", "Size": "1 1", "Mask": "Objective|CaptureTheFlag|Team1"})";

} // namespace

// Each half-made map is named with its file and member, and none that would run a match forever (its
// players never spawning, falling for ever, or its flag missing) is playable; a misspelt key, nested
// members' too, is named with the key meant; a flag no way over the bots' graph leads to is named.
TEST(MapCheck, NamesWhatAHalfMadeMapLacksAndRefusesTheMapsThatWouldPlayForever)
{
    struct Case
    {
        const char* name;
        std::string map;
        const char* line;
        bool playable;
        const char* mode = "CaptureTheFlag";
    };
    const std::string inWall = R"({"Position": "20.5 2", "Size": "0.5 1", "Mask": "Player|CaptureTheFlag|Team1"})";
    const Case cases[] = {
        {"whole", FlagMap(Players + Flags, Floor), nullptr, true},
        {"no player spawn points", FlagMap(Flags.substr(1), Floor),
         "Test: SpawnPoints: no player spawn point for Team0 in CaptureTheFlag", false},
        {"no platforms", FlagMap(Players + Flags, R"("Platforms": [])"), "Test: Entities.Platforms holds no platform",
         false},
        {"Platfroms", FlagMap(Players + Flags, R"("Platfroms": [{"Position": "0 0", "Size": "40 2"}])"),
         "Test: Entities.Platfroms is no key the map reader takes, and is skipped; the nearest is \"Platforms\"",
         false},
        {"one flag", FlagMap(Players + Flags.substr(0, Flags.find("},") + 1), Floor),
         "Test: SpawnPoints: no flag for Team1 in CaptureTheFlag", false},
        {"a point inside a wall", FlagMap(Players.substr(0, Players.find("},") + 2) + inWall + Flags, Floor),
         "Test: SpawnPoints[1] (Player|Team1|CaptureTheFlag) stands inside a solid platform", false},
        {"no WorldBounds", FlagMap(Players + Flags, Floor, nullptr), "Test: WorldBounds is missing", false},
        {"SpawnPoint", R"({"WorldBounds": "0 0 40 20", "SpawnPoint": [], "Entities": {)" + Floor + "}}",
         "Test: SpawnPoint is no key the map reader takes, and is skipped; the nearest is \"SpawnPoints\"", false},
        {"Oneway", FlagMap(Players + Flags, R"("Platforms": [{"Position": "0 0", "Size": "40 2", "Oneway": true}])"),
         "Test: Entities.Platforms[0].Oneway is no key the map reader takes, and is skipped; the nearest is "
         "\"OneWay\"",
         true},
        {"a path key's Value", FlagMap(Players + Flags, Floor.substr(0, Floor.size() - 1) + R"(, {"Position": "8 5",
             "Size": "2 1", "Moving": true, "Path": [{"Time": 0, "Value": {"Postion": "8 5"}}]}])"),
         "Test: Entities.Platforms[2].Path[0].Value.Postion is no key the map reader takes, and is skipped; the "
         "nearest is \"Position\"",
         true},
        {"an interaction's Hit", FlagMap(Players + Flags, Floor + R"(, "Interactions": [{"Data": "Lever",
             "Position": "8 2", "Size": "1 1", "Hit": {"Action": "PathStartAction", "Platfrom": "Lift"}}])"),
         "Test: Entities.Interactions[0].Hit.Platfrom is no key the map reader takes, and is skipped; the nearest "
         "is \"Platform\"",
         true},
        {"a flag no way leads to",
         FlagMap(Players + Flags.substr(0, Flags.find("},") + 1) + HighFlag,
                 Floor.substr(0, Floor.size() - 1) + R"(, {"Position": "10 12",
             "Size": "4 1"}])"),
         "Test: SpawnPoints[3], a flag, is out of the bots' reach from Team0's spawn points", true},
        {"fewer checkpoints than a race is won by",
         FlagMap(R"({"Position": "3 2", "Size": "0.5 1", "Mask": "Player|Race|Team0|Team1"},
                    {"Position": "8 2", "Size": "1 1", "Mask": "Objective|Race|Team0|Team1"},
                    {"Position": "12 2", "Size": "1 1", "Mask": "Objective|Race|Team0|Team1"})",
                 Floor),
         "Test: SpawnPoints: 2 checkpoints for Team0 in Race", false, "Race"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TestGame game;
        game.configuration.teamCount = 2;
        // Five checkpoints win a race by default.
        game.configuration.gameTypeSettings = std::make_unique<RaceConfiguration>();
        MapNames names;
        auto world = game.Load(c.map, names);
        world->navigator.Build(*world);
        const MapCheck check = CheckMap(*world, "Test", Lumvek::StringView::FromCString(c.mode));
        EXPECT_EQ(check.unplayable.empty(), c.playable) << check.unplayable;
        const auto named = [&](const std::string& line) { return line.starts_with(c.line); };
        EXPECT_TRUE(c.line ? std::ranges::any_of(check.lines, named) : check.lines.empty())
            << testing::PrintToString(check.lines);
    }
}
