#include "Source/Data/NameTables.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/NameSet.h"
#include "Source/Data/NamedAssets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <tuple>
#include <vector>

using Lumvek::Blueprint;
using Lumvek::BlueprintReader;
using Lumvek::BlueprintWriter;
using Lumvek::StringView;

namespace
{

std::string Changed(std::string text, int (*change)(int))
{
    std::transform(text.begin(), text.end(), text.begin(), [&](char c) { return static_cast<char>(change(c)); });
    return text;
}

// Every name of the enumeration, in order, parses in any letter case to its value and is written as
// listed, alone and as a member.
template <NamedEnum E> void ExpectNames(const std::vector<std::string>& expected)
{
    SCOPED_TRACE(expected.front());
    ASSERT_EQ(EnumNames(E{}).Count(), expected.size());
    for (uint32_t value = 0; value < expected.size(); ++value)
    {
        const E entry = static_cast<E>(value);
        EXPECT_EQ(EnumName(entry), StringView(expected[value]));
        for (const std::string& text :
             {expected[value], Changed(expected[value], ::tolower), Changed(expected[value], ::toupper)})
        {
            E parsed = static_cast<E>(value == 0 ? 1 : 0);
            EXPECT_TRUE(ParseEnum(parsed, text)) << text;
            EXPECT_EQ(parsed, entry) << text;
        }

        BlueprintWriter writer;
        EXPECT_TRUE(WriteMember(writer, "State", entry));
        EXPECT_EQ(writer.GetRoot().GetObject().Find("State")->GetString(), StringView(expected[value]));
        E read = static_cast<E>(value == 0 ? 1 : 0);
        BlueprintReader reader(writer.GetRoot());
        EXPECT_TRUE(ReadMember(reader, "State", read));
        EXPECT_EQ(read, entry);
    }
    EXPECT_EQ(EnumName(static_cast<E>(expected.size())), StringView());
}

} // namespace

TEST(NameTables, EveryEnumerationReadsAndWritesByNameIgnoringCase)
{
    ExpectNames<PartClassification>({"Dull", "Okay", "Cool", "Awesome"});
    ExpectNames<PathState>({"Normal", "Hidden", "Stopped", "Finished"});
    ExpectNames<HealthState>({"Healthy", "Wounded", "Critical", "Dead", "Any"});
    ExpectNames<MovementState>({"Idle", "MovingForward", "MovingBackward", "WallForward", "WallBackward", "LeanForward",
                                "LeanBackward", "SkidForward", "SkidBackward", "Any"});
    ExpectNames<AirState>({"Grounded", "Soaring", "Falling", "Any"});
    ExpectNames<WeaponState>(
        {"None", "Aiming", "Reloading", "FinishingReload", "PuttingAway", "TakingOut", "PickingUp", "Any"});
    ExpectNames<ItemState>({"None", "PickingUp", "Holding", "Any"});
    ExpectNames<TriggerAction>({"PathStartAction", "CtfFlagStandAction", "CheckpointAction", "None"});
    ExpectNames<TeamScoring>({"SumOfTeam", "TeamMaximum", "TeamMinimum"});
    ExpectNames<TeamColor>({"Red", "Blue", "Green", "Yellow", "Neutral"});

    const Lumvek::NameList& mask = SpawnMaskNames();
    ASSERT_EQ(mask.Count(), 17u);
    EXPECT_EQ(mask.GetName(0), StringView("Player"));
    EXPECT_EQ(mask.GetName(7), StringView("Weapon5"));
    EXPECT_EQ(mask.GetName(12), StringView("FreeForAll"));
    EXPECT_EQ(mask.GetName(16), StringView("Race"));
}

TEST(NameTables, TextsThatNameNoValueLeaveTheFieldAlone)
{
    for (const char* text : {"healthy ", " Healthy", "Health", "", "Healthy|Dead", "4"})
    {
        HealthState state = HealthState::Critical;
        EXPECT_FALSE(ParseEnum(state, StringView::FromCString(text))) << text;
        EXPECT_EQ(state, HealthState::Critical) << text;
    }
    Blueprint file;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(R"({"Number": 1, "Unknown": "Sleeping", "Object": {}})", file));
    for (const char* key : {"Number", "Unknown", "Object", "Missing"})
    {
        WeaponState state = WeaponState::Reloading;
        BlueprintReader reader(file);
        EXPECT_FALSE(ReadMember(reader, StringView::FromCString(key), state)) << key;
        EXPECT_EQ(state, WeaponState::Reloading) << key;
    }
    // A value past the end of its list has no name to write.
    BlueprintWriter writer;
    EXPECT_FALSE(WriteMember(writer, "State", static_cast<WeaponState>(8)));
    EXPECT_EQ(writer.GetRoot().GetObject().Find("State"), nullptr);
}

TEST(NameTables, TeamColours)
{
    struct Case
    {
        uint32_t team;
        const char* name;
        const char* upperName;
        uint32_t packed;
        Lumvek::Color color;
    };
    const Case cases[] = {
        {0, "Red", "RED", 0xFF1B14BE, {190, 20, 27, 255}},
        {1, "Blue", "BLUE", 0xFFB97301, {1, 115, 185, 255}},
        {2, "Green", "GREEN", 0xFF73C786, {134, 199, 115, 255}},
        {3, "Yellow", "YELLOW", 0xFF64F4FF, {255, 244, 100, 255}},
        {4, "Neutral", "NEUTRAL", 0xFFE8E7E6, {230, 231, 232, 255}},
    };
    for (const Case& test : cases)
    {
        const TeamColorEntry& entry = GetTeamColor(test.team);
        EXPECT_EQ(entry.value, test.team);
        EXPECT_EQ(entry.name, StringView::FromCString(test.name));
        EXPECT_EQ(entry.upperName, StringView::FromCString(test.upperName));
        EXPECT_EQ(entry.PackedColor(), test.packed);
        EXPECT_EQ(entry.color, test.color);
        EXPECT_EQ(EnumName(static_cast<TeamColor>(test.team)), entry.name);
    }
    EXPECT_THROW(GetTeamColor(5), Lumvek::InvalidIndex);
}

TEST(NamedAssets, FixedNamesKeepTheIdsTheirSetsGaveThem)
{
    struct Case
    {
        Lumvek::NameSet& set;
        uint32_t id;
        const char* name;
    };
    const Case cases[] = {
        {Lumvek::NameTableC(), GraphicsResources::UiAtlas, "UiAtlas"},
        {Lumvek::NameTableC(), GraphicsResources::PageIndices, "PageIndices"},
        {Lumvek::NameTableA(), Images::PlatformDraw, "PlatformDraw"},
        {Lumvek::NameTableA(), Images::NoneIconSketch, "NoneIconSketch"},
        {Lumvek::NameTableA(), Images::ConveyerRight, "ConveyerRight"},
        {Lumvek::NameSet::Global(), Sounds::CheckpointReached, "CheckpointReached"},
        {Lumvek::NameSet::Global(), Sounds::TakeOutSound, "TakeOutSound"},
    };
    for (const Case& test : cases)
    {
        EXPECT_EQ(test.set.GetName(test.id), StringView::FromCString(test.name));
        EXPECT_EQ(test.set.Add(StringView::FromCString(test.name)), test.id);
        EXPECT_EQ(test.set.GetName(test.set.Count()), StringView());
    }
    // Assigned in the order listed, before anything else could name them.
    EXPECT_EQ(Images::ConveyerRight - Images::PlatformDraw, 109u);
    EXPECT_EQ(GraphicsResources::PageIndices - GraphicsResources::TransitionTarget, 27u);
    EXPECT_EQ(Sounds::TakeOutSound - Sounds::Ambience, 13u);
}
