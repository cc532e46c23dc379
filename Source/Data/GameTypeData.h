#pragma once

#include "Source/Data/Attributes.h"
#include "Source/Data/Data.h"
#include "Source/Data/NameTables.h"

#include <cstdint>
#include <memory>

class GameContext;
class GameType;

// A game mode's own settings, made by its game-type definition and owned by a game configuration,
// which reads them from its "GameTypeSettings" object, writes them back and copies them when the
// configuration is assigned.
class GameTypeConfiguration
{
public:
    GameTypeConfiguration() = default;
    GameTypeConfiguration(const GameTypeConfiguration&) = delete;
    GameTypeConfiguration& operator=(const GameTypeConfiguration&) = delete;
    virtual ~GameTypeConfiguration() = default;

    // Takes every setting of another configuration of the same mode; false, and nothing changed,
    // for one of another mode.
    virtual bool Copy(const GameTypeConfiguration& other) = 0;
    // Reads the settings from the reader's current Object; absent or mistyped members keep their
    // values. False when the current value is no Object.
    virtual bool Read(Lumvek::BlueprintReader& reader) = 0;
    // Writes the settings as members of the writer's current value.
    virtual void Write(Lumvek::BlueprintWriter& writer) const = 0;
};

// Kill scoring.
class DeathmatchConfiguration final : public GameTypeConfiguration
{
public:
    bool Copy(const GameTypeConfiguration& other) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;

    TeamScoring scoring = TeamScoring::SumOfTeam;
    int32_t pointsToWin = 5;
    int32_t pointsPerKill = 1;
    int32_t pointsPerAssist = 0;
    int32_t pointsPerSuicide = -1;
    int32_t pointsPerBetrayal = -1;
    int32_t killsAsLeaderBonus = 0;
    int32_t killsOfLeaderBonus = 0;
    bool showLeader = false;
    bool modifyLeader = false;
    // Added to the leader's attributes while modifyLeader is set.
    Attributes leaderModifiers = Attributes::Modifiers();
};

// Flags carried to the own team's stand.
class CaptureTheFlagConfiguration final : public GameTypeConfiguration
{
public:
    bool Copy(const GameTypeConfiguration& other) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;

    int32_t capturesToWin = 3;
    bool atHomeToScore = true;
    bool touchToReset = true;
    // Seconds.
    int32_t timeToReset = 15;
};

// Time spent holding a token.
class KeepawayConfiguration final : public GameTypeConfiguration
{
public:
    bool Copy(const GameTypeConfiguration& other) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;

    TeamScoring scoring = TeamScoring::SumOfTeam;
    // Seconds held.
    int32_t timeToWin = 60;
    int32_t tokenCount = 1;
    // Seconds of holding time for a kill made while holding a token.
    int32_t killsWhileHoldingBonus = 0;
    bool showHolder = true;
    bool modifyHolder = false;
    bool modifyLeader = false;
    // Added to a token holder's attributes while modifyHolder is set.
    Attributes holderModifiers = Attributes::Modifiers();
    // Added to the leader's attributes while modifyLeader is set.
    Attributes leaderModifiers = Attributes::Modifiers();
};

// Checkpoints touched in order.
class RaceConfiguration final : public GameTypeConfiguration
{
public:
    bool Copy(const GameTypeConfiguration& other) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;

    // Shuffles each team's checkpoint order at set-up.
    bool crazy = true;
    int32_t checkpointsToWin = 5;
};

// A game mode as content: its display name, description, icon and sketch, the map objects it loads
// and the settings it creates. Held by the registry's game-type collection, by "DataType".
class GameTypeData : public Data
{
public:
    // "DataType" first, then the shared keys.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    Lumvek::StringView GetFolder() const override { return "GameTypes"; }

    // A new configuration of the mode, with its defaults.
    virtual std::unique_ptr<GameTypeConfiguration> CreateConfiguration() const = 0;
    // The rules of a match of this mode, whose random picks follow the seed. Defined with the game
    // modes; null, logged, for a mode whose rules are not there.
    virtual std::unique_ptr<GameType> CreateGameType(GameContext& context, uint32_t seed) const;
};

class DeathmatchData final : public GameTypeData
{
public:
    std::unique_ptr<GameTypeConfiguration> CreateConfiguration() const override;
    std::unique_ptr<GameType> CreateGameType(GameContext& context, uint32_t seed) const override;
};

class CaptureTheFlagData final : public GameTypeData
{
public:
    // Without a game to count its teams, every team's flag.
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    // The trigger "FlagStand" and the flag item of each playing team ("RedFlag", "BlueFlag", ...).
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture, uint32_t teamCount);
    std::unique_ptr<GameTypeConfiguration> CreateConfiguration() const override;
    std::unique_ptr<GameType> CreateGameType(GameContext& context, uint32_t seed) const override;
};

class KeepawayData final : public GameTypeData
{
public:
    // The item "Token".
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    std::unique_ptr<GameTypeConfiguration> CreateConfiguration() const override;
    std::unique_ptr<GameType> CreateGameType(GameContext& context, uint32_t seed) const override;
};

class RaceData final : public GameTypeData
{
public:
    // The trigger "Checkpoint" with its icon images, and this mode's "CheckpointReached" sound.
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    std::unique_ptr<GameTypeConfiguration> CreateConfiguration() const override;
    std::unique_ptr<GameType> CreateGameType(GameContext& context, uint32_t seed) const override;
};

// "Deathmatch", "CaptureTheFlag", "Keepaway", "Race".
const DataTypeMap<GameTypeData>& GameTypeDataTypes();

// The "Scoring" member of the mode configurations: written as "<ScoreType:n>", read from that form or
// from the rule's name (letter case ignored). Anything else, or a number that names no rule, leaves
// the field.
bool ReadScoring(Lumvek::BlueprintReader& reader, TeamScoring& scoring);
void WriteScoring(Lumvek::BlueprintWriter& writer, TeamScoring scoring);
