#include "Source/Data/GameTypeData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/String.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"

using namespace Lumvek;

namespace
{

// Integer settings come as either integer kind (a JSON number from 0 up is unsigned); the low 32
// bits are kept. A number beyond 32 bits is refused: its low bits would be another number.
void ReadInteger(BlueprintReader& reader, StringView key, int32_t& value)
{
    const Blueprint& current = reader.GetCurrent();
    const Blueprint* member = current.GetObject().Find(key);
    if (!member)
        return;
    if (member->GetType() == BlueprintType::Integer && member->GetInteger() >= INT32_MIN)
        value = static_cast<int32_t>(member->GetInteger());
    else if (member->GetType() == BlueprintType::UnsignedInteger && member->GetUnsignedInteger() <= UINT32_MAX)
        value = static_cast<int32_t>(static_cast<uint32_t>(member->GetUnsignedInteger()));
    else if (member->GetType() == BlueprintType::Integer || member->GetType() == BlueprintType::UnsignedInteger)
        reader.Refuse(key, "beyond the range of the field");
    else
        reader.Refuse(key, "a whole number was expected");
}

bool IsObject(const BlueprintReader& reader)
{
    return reader.GetCurrent().GetType() == BlueprintType::Object;
}

void WriteModifiers(BlueprintWriter& writer, StringView key, const Attributes& modifiers)
{
    writer.PushMember(key);
    // An all-zero set writes no component; the member is still an Object.
    writer.GetCurrent().SetObject();
    modifiers.Write(writer);
    writer.Pop();
}

// The enumeration text form's type name.
constexpr StringView ScoringTypeName = "ScoreType";

} // namespace

bool ReadScoring(BlueprintReader& reader, TeamScoring& scoring)
{
    std::string text;
    if (!ReadMember(reader, "Scoring", text))
        return false;
    StringReader parser(text);
    StringView typeName;
    int32_t value = -1;
    if (Parse(parser, "<{:[A-Za-z_.]+}:{}>", typeName, value) && parser.AtEnd())
    {
        // Letter case is ignored in the type name, as it is in the scorings' own names.
        if (!String::Equals(typeName, ScoringTypeName, true))
        {
            reader.Refuse("Scoring",
                          FormatText("no type of that name: \"<{}:{}>\" was expected", ScoringTypeName, value));
            return false;
        }
        if (value < 0 || static_cast<uint32_t>(value) >= EnumNames(scoring).Count())
        {
            reader.Refuse("Scoring", "no scoring of that number");
            return false;
        }
        scoring = static_cast<TeamScoring>(value);
        return true;
    }
    if (ParseEnum(scoring, text))
        return true;
    reader.Refuse("Scoring", "no scoring of that name");
    return false;
}

void WriteScoring(BlueprintWriter& writer, TeamScoring scoring)
{
    WriteMember(writer, "Scoring", StringView(FormatText("<{}:{}>", ScoringTypeName, static_cast<int32_t>(scoring))));
}

bool DeathmatchConfiguration::Copy(const GameTypeConfiguration& other)
{
    const auto* source = dynamic_cast<const DeathmatchConfiguration*>(&other);
    if (!source)
        return false;
    scoring = source->scoring;
    pointsToWin = source->pointsToWin;
    pointsPerKill = source->pointsPerKill;
    pointsPerAssist = source->pointsPerAssist;
    pointsPerSuicide = source->pointsPerSuicide;
    pointsPerBetrayal = source->pointsPerBetrayal;
    killsAsLeaderBonus = source->killsAsLeaderBonus;
    killsOfLeaderBonus = source->killsOfLeaderBonus;
    showLeader = source->showLeader;
    modifyLeader = source->modifyLeader;
    leaderModifiers = source->leaderModifiers;
    return true;
}

bool DeathmatchConfiguration::Read(BlueprintReader& reader)
{
    if (!IsObject(reader))
        return false;
    ReadScoring(reader, scoring);
    ReadInteger(reader, "PointsToWin", pointsToWin);
    ReadInteger(reader, "PointsPerKill", pointsPerKill);
    ReadInteger(reader, "PointsPerAssist", pointsPerAssist);
    ReadInteger(reader, "PointsPerSuicide", pointsPerSuicide);
    ReadInteger(reader, "PointsPerBetrayal", pointsPerBetrayal);
    ReadInteger(reader, "KillsAsLeaderBonus", killsAsLeaderBonus);
    ReadInteger(reader, "KillsOfLeaderBonus", killsOfLeaderBonus);
    ReadMember(reader, "ShowLeader", showLeader);
    ReadMember(reader, "ModifyLeader", modifyLeader);
    ReadMember(reader, "LeaderModifiers", leaderModifiers);
    return true;
}

void DeathmatchConfiguration::Write(BlueprintWriter& writer) const
{
    WriteScoring(writer, scoring);
    WriteMember(writer, "PointsToWin", pointsToWin);
    WriteMember(writer, "PointsPerKill", pointsPerKill);
    WriteMember(writer, "PointsPerAssist", pointsPerAssist);
    WriteMember(writer, "PointsPerSuicide", pointsPerSuicide);
    WriteMember(writer, "PointsPerBetrayal", pointsPerBetrayal);
    WriteMember(writer, "KillsAsLeaderBonus", killsAsLeaderBonus);
    WriteMember(writer, "KillsOfLeaderBonus", killsOfLeaderBonus);
    WriteMember(writer, "ShowLeader", showLeader);
    WriteMember(writer, "ModifyLeader", modifyLeader);
    WriteModifiers(writer, "LeaderModifiers", leaderModifiers);
}

bool CaptureTheFlagConfiguration::Copy(const GameTypeConfiguration& other)
{
    const auto* source = dynamic_cast<const CaptureTheFlagConfiguration*>(&other);
    if (!source)
        return false;
    capturesToWin = source->capturesToWin;
    atHomeToScore = source->atHomeToScore;
    touchToReset = source->touchToReset;
    timeToReset = source->timeToReset;
    return true;
}

bool CaptureTheFlagConfiguration::Read(BlueprintReader& reader)
{
    if (!IsObject(reader))
        return false;
    ReadInteger(reader, "CapturesToWin", capturesToWin);
    ReadMember(reader, "AtHomeToScore", atHomeToScore);
    ReadMember(reader, "TouchToReset", touchToReset);
    ReadInteger(reader, "TimeToReset", timeToReset);
    return true;
}

void CaptureTheFlagConfiguration::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "CapturesToWin", capturesToWin);
    WriteMember(writer, "AtHomeToScore", atHomeToScore);
    WriteMember(writer, "TouchToReset", touchToReset);
    WriteMember(writer, "TimeToReset", timeToReset);
}

bool KeepawayConfiguration::Copy(const GameTypeConfiguration& other)
{
    const auto* source = dynamic_cast<const KeepawayConfiguration*>(&other);
    if (!source)
        return false;
    // Every setting: a configuration copied for a match must play by the rules it was given.
    scoring = source->scoring;
    timeToWin = source->timeToWin;
    tokenCount = source->tokenCount;
    killsWhileHoldingBonus = source->killsWhileHoldingBonus;
    showHolder = source->showHolder;
    modifyHolder = source->modifyHolder;
    modifyLeader = source->modifyLeader;
    holderModifiers = source->holderModifiers;
    leaderModifiers = source->leaderModifiers;
    return true;
}

bool KeepawayConfiguration::Read(BlueprintReader& reader)
{
    if (!IsObject(reader))
        return false;
    ReadScoring(reader, scoring);
    ReadInteger(reader, "TimeToWin", timeToWin);
    ReadInteger(reader, "TokenCount", tokenCount);
    ReadInteger(reader, "KillsWhileHoldingBonus", killsWhileHoldingBonus);
    ReadMember(reader, "ShowHolder", showHolder);
    ReadMember(reader, "ModifyHolder", modifyHolder);
    ReadMember(reader, "ModifyLeader", modifyLeader);
    ReadMember(reader, "HolderModifiers", holderModifiers);
    ReadMember(reader, "LeaderModifiers", leaderModifiers);
    return true;
}

void KeepawayConfiguration::Write(BlueprintWriter& writer) const
{
    WriteScoring(writer, scoring);
    WriteMember(writer, "TimeToWin", timeToWin);
    WriteMember(writer, "TokenCount", tokenCount);
    WriteMember(writer, "KillsWhileHoldingBonus", killsWhileHoldingBonus);
    WriteMember(writer, "ShowHolder", showHolder);
    WriteMember(writer, "ModifyHolder", modifyHolder);
    WriteMember(writer, "ModifyLeader", modifyLeader);
    WriteModifiers(writer, "HolderModifiers", holderModifiers);
    WriteModifiers(writer, "LeaderModifiers", leaderModifiers);
}

bool RaceConfiguration::Copy(const GameTypeConfiguration& other)
{
    const auto* source = dynamic_cast<const RaceConfiguration*>(&other);
    if (!source)
        return false;
    crazy = source->crazy;
    checkpointsToWin = source->checkpointsToWin;
    return true;
}

bool RaceConfiguration::Read(BlueprintReader& reader)
{
    if (!IsObject(reader))
        return false;
    ReadInteger(reader, "CheckpointsToWin", checkpointsToWin);
    ReadMember(reader, "Crazy", crazy);
    return true;
}

void RaceConfiguration::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "CheckpointsToWin", checkpointsToWin);
    WriteMember(writer, "Crazy", crazy);
}

void GameTypeData::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "DataType", GameTypeDataTypes().NameOf(*this));
    Data::Write(writer);
}

std::unique_ptr<GameTypeConfiguration> DeathmatchData::CreateConfiguration() const
{
    return std::make_unique<DeathmatchConfiguration>();
}

void CaptureTheFlagData::Load(Texture& imageTexture, Texture& drawTexture)
{
    Load(imageTexture, drawTexture, MaximumTeamCount);
}

void CaptureTheFlagData::Load(Texture& imageTexture, Texture& drawTexture, uint32_t teamCount)
{
    if (!registry)
        return;
    if (Data* stand = registry->FindData("Triggers", "FlagStand"))
        stand->Load(imageTexture, drawTexture);
    // A free-for-all game still has the first team's flag; no team past the fourth has one.
    const uint32_t teams = teamCount < MaximumTeamCount ? teamCount : MaximumTeamCount;
    for (uint32_t team = 0; team < teams; ++team)
        if (Data* flag = registry->FindData("Items", FormatText("{}Flag", GetTeamColor(team).name)))
            flag->Load(imageTexture, drawTexture);
}

std::unique_ptr<GameTypeConfiguration> CaptureTheFlagData::CreateConfiguration() const
{
    return std::make_unique<CaptureTheFlagConfiguration>();
}

void KeepawayData::Load(Texture& imageTexture, Texture& drawTexture)
{
    if (!registry)
        return;
    if (Data* token = registry->FindData("Items", "Token"))
        token->Load(imageTexture, drawTexture);
}

std::unique_ptr<GameTypeConfiguration> KeepawayData::CreateConfiguration() const
{
    return std::make_unique<KeepawayConfiguration>();
}

void RaceData::Load(Texture& imageTexture, Texture& drawTexture)
{
    if (!registry)
        return;
    if (Data* checkpoint = registry->FindData("Triggers", "Checkpoint"))
    {
        // The marker icons the heads-up display shows over the next checkpoint.
        checkpoint->LoadImage(imageTexture, checkpoint->icon, "IconImage");
        checkpoint->LoadImage(imageTexture, checkpoint->sketch, "IconSketch");
        checkpoint->Load(imageTexture, drawTexture);
    }
    LoadSound(Sounds::CheckpointReached, "Checkpoint", 2, false);
}

std::unique_ptr<GameTypeConfiguration> RaceData::CreateConfiguration() const
{
    return std::make_unique<RaceConfiguration>();
}

const DataTypeMap<GameTypeData>& GameTypeDataTypes()
{
    static const DataTypeMap<GameTypeData> types{
        DataTypeMap<GameTypeData>::Of<DeathmatchData>("Deathmatch"),
        DataTypeMap<GameTypeData>::Of<CaptureTheFlagData>("CaptureTheFlag"),
        DataTypeMap<GameTypeData>::Of<KeepawayData>("Keepaway"),
        DataTypeMap<GameTypeData>::Of<RaceData>("Race"),
    };
    return types;
}
