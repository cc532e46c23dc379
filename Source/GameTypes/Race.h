#pragma once

#include "Source/Data/GameTypeData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/World.h"

#include <array>
#include <cstdint>
#include <vector>

// Checkpoints touched in order: the map's objective points become checkpoints each team (or each
// player, in a free-for-all) must reach one after the other, optionally in a shuffled order. Each
// checkpoint reached scores a point and moves the highlight on; the first team at the checkpoints to
// win ends the match. A player respawns at the last checkpoint its team reached. Application thread
// only.
class Race final : public GameType
{
public:
    static constexpr const char* ReachedFormat = "{}{} #414042FFREACHED CHECKPOINT {}";
    // Where a checkpoint stands on its point.
    static constexpr Lumvek::Vector2 CheckpointSize{1.0f, 1.0f};
    static constexpr Lumvek::Vector2 CheckpointPivot{0.2f, 0.025f};
    // Nobody, every player and every team, in a trigger's highlight.
    static constexpr uint8_t NoHighlight = 255;

    // One checkpoint of a team's order: its trigger and the point it stands at.
    struct Checkpoint
    {
        EntityId trigger = NoEntity;
        SpawnPoint point;
    };

    // The settings are the configuration's, or the mode's defaults when it holds another mode's.
    Race(GameContext& context, uint32_t seed);

    // The base objectives, then each team's checkpoints in map order (shuffled when Crazy), the first
    // one highlighted.
    void SetupObjectives() override;
    // The last checkpoint the player's team reached, in its own order; a random point of the query
    // before the first.
    const SpawnPoint& ChooseSpawn(Player& player, SpawnQuery& query) override;
    void FormatStatus(GameTypeEvent& event) override;
    // A checkpoint reached chimes at the racer, as it does in a local match.
    void ReceiveStatus(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team) override;
    float GetProgress(int32_t score) const override;
    // The next checkpoint of the bot's list; past the last, one of them the draw picks.
    bool FindWanderPoint(const Player& player, float draw, Lumvek::Vector2& point) override;

    // A player touched the checkpoint of that number: it counts when it is the next one of the
    // player's team (of the player, in a free-for-all) and the match runs.
    void ReachCheckpoint(Player& player, uint32_t number);

    uint32_t GetCheckpointsReached(uint8_t player) const { return checkpointsReached.at(player); }
    const RaceConfiguration& GetSettings() const { return settings; }
    uint32_t GetReachedKind() const { return reachedKind; }
    // One list per team, or one for a free-for-all, in race order.
    const std::vector<std::vector<Checkpoint>>& GetCheckpoints() const { return checkpoints; }

private:
    // The list a player races: its team's, or the only one in a free-for-all; null for none.
    const std::vector<Checkpoint>* FindList(const Player& player) const;
    // The score of the player's team entry, the number of its checkpoints reached.
    int32_t GetReached(const Player& player);
    void Highlight(const Checkpoint& checkpoint, uint8_t team, uint8_t player);

    RaceConfiguration settings;
    uint32_t reachedKind = 0;
    std::vector<SpawnQuery> checkpointQueries;
    std::vector<std::vector<Checkpoint>> checkpoints;
    // By player index.
    std::array<uint32_t, World::PlayerCount> checkpointsReached{};
};
