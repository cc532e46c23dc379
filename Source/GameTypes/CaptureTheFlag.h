#pragma once

#include "Source/Data/GameTypeData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/Item.h"
#include "Source/World/World.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CaptureTheFlag;
struct Pickup;

// A team's flag: it stands at home on its stand until an enemy takes it, is dropped where its carrier
// let go, and goes home again when captured or after lying long enough. Made by the capture-the-flag
// mode, which points at it from its stand; owned by the pickup or the player that has it.
class CtfFlag final : public Item
{
public:
    // rules is null for the copy a client shows for a flag in the server's state: a copy only looks
    // like a flag and plays no part in the rules.
    CtfFlag(CaptureTheFlag* rules, uint8_t team, uint32_t spawnNumber);

    // Never by a player of the flag's own team.
    bool CanPickUp(const Player& player) const override;
    void OnTaken() override;
    void OnDropped() override;

    CaptureTheFlag* GetRules() const { return rules; }

    uint8_t team = 0;
    // Which point of its team's flag points the flag stands at.
    uint32_t spawnNumber = 0;
    bool atHome = true;
    // Seconds a dropped flag has lain towards its return.
    float resetTimer = 0.0f;

private:
    CaptureTheFlag* rules = nullptr;
};

// Each team's flag stands on its stands at the team's objective points. A player takes an enemy flag
// to a stand of its own team and captures it there, which scores a point for the player and its team
// and sends the flag home; a dropped flag returns after a time, optionally only while its own team
// touches it. The first team at the captures to win ends the match. Application thread only.
class CaptureTheFlag final : public GameType
{
public:
    // What a player did in the match.
    struct Statistics
    {
        uint32_t captures = 0;
        uint32_t carrierKills = 0;
    };

    static constexpr const char* HasFlagFormat = "{} TEAM HAS THE {} TEAM'S FLAG";
    static constexpr const char* CapturedFormat = "{} TEAM CAPTURED THE {} TEAM'S FLAG";
    static constexpr const char* FlagResetFormat = "{} TEAM FLAG RESET";
    static constexpr const char* FlagDroppedFormat = "{} TEAM FLAG DROPPED";
    // Where a stand stands on its point, and how far from a dropped flag its team touches it.
    static constexpr Lumvek::Vector2 StandSize{0.75f, 0.33f};
    static constexpr Lumvek::Vector2 StandPivot{0.5f, 0.12f};
    static constexpr float TouchDistance = 1.0f;

    struct Kinds
    {
        uint32_t hasFlag = 0;
        uint32_t captured = 0;
        uint32_t flagReset = 0;
        uint32_t flagDropped = 0;
    };

    // The settings are the configuration's, or the mode's defaults when it holds another mode's.
    CaptureTheFlag(GameContext& context, uint32_t seed);

    // The base objectives, then for each team a flag on a stand at each of its objective points.
    void SetupObjectives() override;
    // The base tick, then the return of dropped flags.
    void Update(float dt) override;
    // A copy of the flag of that item definition, for a client to show.
    std::unique_ptr<Item> CreateItem(uint32_t itemIndex) override;
    float GetProgress(int32_t score) const override;
    // A flag of this match goes home to its stand; anything else is dropped.
    void ReturnItem(std::unique_ptr<Item>& item) override;
    void FormatEvent(GameTypeEvent& event) override;
    void FormatStatus(GameTypeEvent& event) override;
    // Counts the kill of a carrier for its killer.
    void OnPlayerKilled(Player& victim, const HitInfo& hit) override;

    // A player touched a stand: the flag it carries is captured when the rules allow.
    void Capture(const CtfFlagStandAction& stand, Player& player);
    // The flag posts these as it is taken and dropped.
    void OnFlagTaken(CtfFlag& flag);
    void OnFlagDropped(const CtfFlag& flag);

    const Statistics& GetStatistics(uint8_t player) const { return statistics.at(player); }
    const CaptureTheFlagConfiguration& GetSettings() const { return settings; }
    const Kinds& GetKinds() const { return kinds; }
    // The flags placed at set-up, in team and point order; owned by their pickups or carriers.
    const std::vector<CtfFlag*>& GetFlags() const { return flags; }

private:
    // Whether any active player of the flag's team stands within TouchDistance of the pickup, and how
    // many.
    uint32_t CountTeamTouches(const Pickup& pickup, uint8_t team) const;

    CaptureTheFlagConfiguration settings;
    Kinds kinds;
    // One per team, in team order.
    std::vector<SpawnQuery> flagQueries;
    std::vector<CtfFlag*> flags;
    // By player index.
    std::array<Statistics, World::PlayerCount> statistics{};
    // The dropped flags whose time ran out this tick; kept to avoid allocating each tick.
    std::vector<EntityId> resetPickups;
};
