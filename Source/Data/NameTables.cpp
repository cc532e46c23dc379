#include "Source/Data/NameTables.h"

#include "Engine/Foundation/Exceptions.h"
#include "Engine/Foundation/Members.h"

using namespace Lumvek;

namespace
{

constexpr TeamColorEntry TeamColors[TeamColorCount] = {
    {0, "Red", "RED", Color{190, 20, 27, 255}},           {1, "Blue", "BLUE", Color{1, 115, 185, 255}},
    {2, "Green", "GREEN", Color{134, 199, 115, 255}},     {3, "Yellow", "YELLOW", Color{255, 244, 100, 255}},
    {4, "Neutral", "NEUTRAL", Color{230, 231, 232, 255}},
};

} // namespace

const TeamColorEntry& GetTeamColor(uint32_t team)
{
    if (team >= TeamColorCount)
        throw InvalidIndex(team, TeamColorCount);
    return TeamColors[team];
}

const NameList& EnumNames(PartClassification)
{
    static const NameList names{"Dull", "Okay", "Cool", "Awesome"};
    return names;
}

const NameList& EnumNames(PathState)
{
    static const NameList names{"Normal", "Hidden", "Stopped", "Finished"};
    return names;
}

const NameList& EnumNames(HealthState)
{
    static const NameList names{"Healthy", "Wounded", "Critical", "Dead", "Any"};
    return names;
}

const NameList& EnumNames(MovementState)
{
    static const NameList names{"Idle",        "MovingForward", "MovingBackward", "WallForward",  "WallBackward",
                                "LeanForward", "LeanBackward",  "SkidForward",    "SkidBackward", "Any"};
    return names;
}

const NameList& EnumNames(AirState)
{
    static const NameList names{"Grounded", "Soaring", "Falling", "Any"};
    return names;
}

const NameList& EnumNames(WeaponState)
{
    static const NameList names{"None",        "Aiming",    "Reloading", "FinishingReload",
                                "PuttingAway", "TakingOut", "PickingUp", "Any"};
    return names;
}

const NameList& EnumNames(ItemState)
{
    static const NameList names{"None", "PickingUp", "Holding", "Any"};
    return names;
}

const NameList& EnumNames(TriggerAction)
{
    static const NameList names{"PathStartAction", "CtfFlagStandAction", "CheckpointAction", "None"};
    return names;
}

const NameList& EnumNames(TeamScoring)
{
    static const NameList names{"SumOfTeam", "TeamMaximum", "TeamMinimum"};
    return names;
}

const NameList& EnumNames(TeamColor)
{
    static const NameList names{TeamColors[0].name, TeamColors[1].name, TeamColors[2].name, TeamColors[3].name,
                                TeamColors[4].name};
    return names;
}

const NameList& SpawnMaskNames()
{
    static const NameList names{"Player",     "Objective",  "Weapon0",        "Weapon1",  "Weapon2", "Weapon3",
                                "Weapon4",    "Weapon5",    "Team0",          "Team1",    "Team2",   "Team3",
                                "FreeForAll", "Deathmatch", "CaptureTheFlag", "Keepaway", "Race"};
    return names;
}

bool ReadEnumMember(BlueprintReader& reader, StringView key, const NameList& names, uint32_t& value)
{
    std::string text;
    if (!ReadMember(reader, key, text))
        return false;
    if (names.ParseName(value, text))
        return true;
    std::string known;
    for (uint32_t i = 0; i < names.Count(); ++i)
        known += (i == 0 ? "" : ", ") + names.GetName(i).ToString();
    reader.Refuse(key, "no name of that list: " + known);
    return false;
}

bool WriteEnumMember(BlueprintWriter& writer, StringView key, const NameList& names, uint32_t value)
{
    if (value >= names.Count())
        return false;
    return WriteMember(writer, key, names.GetName(value));
}
