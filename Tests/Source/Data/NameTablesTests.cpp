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
    for (const char* text : {"healthy ", "Health", "", "4"})
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
    const TeamColorEntry& yellow = GetTeamColor(3);
    EXPECT_EQ(std::tie(yellow.value, yellow.name, yellow.upperName),
              std::make_tuple(3u, StringView("Yellow"), StringView("YELLOW")));
    EXPECT_EQ(yellow.color, (Lumvek::Color{255, 244, 100, 255}));
    // Red, green, blue and alpha bytes in memory order, read as one little-endian number.
    EXPECT_EQ(GetTeamColor(0).PackedColor(), 0xFF1B14BEu);
    EXPECT_EQ(GetTeamColor(4).PackedColor(), 0xFFE8E7E6u);
    EXPECT_EQ(GetTeamColor(4).upperName, StringView("NEUTRAL"));
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
        {Lumvek::NameTableA(), Images::NoneIconSketch, "NoneIconSketch"},
        {Lumvek::NameSet::Global(), Sounds::CheckpointReached, "CheckpointReached"},
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
