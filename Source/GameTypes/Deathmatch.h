#pragma once

#include "Source/Data/GameTypeData.h"
#include "Source/GameTypes/GameType.h"

#include <array>
#include <cstdint>
#include <vector>

// Kill scoring: a point for a kill, points off for suicides and team kills, optional bonuses for
// killing the leader and for killing while leading, a leader that can be marked for everybody and
// given attributes, and the first team (or player, in a free-for-all) at the points to win ends the
// match. Owned by the game system like every game type; application thread only.
class Deathmatch final : public GameType
{
public:
    static constexpr uint8_t NoLeader = 255;
    // The lowest score the display and the score message carry.
    static constexpr int32_t LowestScore = -128;

    // What a player did in the match.
    struct Statistics
    {
        uint8_t player = 0;
        int32_t score = 0;
        uint32_t kills = 0;
        uint32_t deaths = 0;
        uint32_t betrayals = 0;
        uint32_t suicides = 0;
    };

    // The settings are the configuration's, or the mode's defaults when it holds another mode's.
    Deathmatch(GameContext& context, uint32_t seed);

    // Scores the kill and recounts.
    void OnPlayerKilled(Player& victim, const HitInfo& hit) override;
    float GetProgress(int32_t score) const override;
    // Deathmatch bots always hunt (HuntBotTarget).
    void ChooseBotTarget(BotState& bot) override;

    // Builds both score lists from the statistics of the players in the world, moves the leader and
    // ends the match when the best team with players has the points to win.
    void Recount();
    // The first player of the scores leads, unless the first two are level; the marker and the
    // leader's attributes move with the lead.
    void UpdateLeader();

    // The player's record; null for a player the match has none of.
    const Statistics* FindStatistics(uint8_t player) const;
    uint8_t GetLeader() const { return leader; }
    const DeathmatchConfiguration& GetSettings() const { return settings; }

private:
    // The player's record, made when the player has none yet.
    Statistics& GetStatistics(uint8_t player);
    // The record of a player in the match, or null.
    Player* FindPresentPlayer(uint8_t index) const;

    DeathmatchConfiguration settings;
    // One record per player, found by player index.
    std::vector<Statistics> statistics;
    uint8_t leader = NoLeader;
};
