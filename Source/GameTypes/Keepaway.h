#pragma once

#include "Source/Data/GameTypeData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/Item.h"
#include "Source/World/World.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Keepaway;

// A keepaway token: whoever holds it earns holding time. Made by the keepaway mode, which points at
// it; owned by the pickup or the player that has it.
class KeepawayToken final : public Item
{
public:
    // rules is null for the copy a client shows for a token in the server's state: a copy only looks
    // like a token and plays no part in the rules.
    explicit KeepawayToken(Keepaway* rules) : rules(rules) {}

    void OnTaken() override;
    void OnDropped() override;

    Keepaway* GetRules() const { return rules; }

    bool held = false;
    // The player the holder modifiers were added to, to take them off again; null for none.
    Player* modified = nullptr;

private:
    Keepaway* rules = nullptr;
};

// Time scoring: tokens lie at random objective points, each tick a token is held earns its holder a
// tick of holding time, a player's score is its whole seconds held, and the first team (or player, in
// a free-for-all) at the time to win ends the match. Kills made while holding can earn bonus time, and
// holders and the leader can be given attributes. Application thread only.
class Keepaway final : public GameType
{
public:
    static constexpr uint8_t NoLeader = 255;
    static constexpr const char* TokenTakenFormat = "TOKEN TAKEN";
    static constexpr const char* TokenDroppedFormat = "TOKEN DROPPED";

    // What a player did in the match.
    struct Statistics
    {
        uint32_t ticksHeld = 0;
        uint32_t carrierKills = 0;
    };

    struct Kinds
    {
        uint32_t tokenTaken = 0;
        uint32_t tokenDropped = 0;
    };

    // The settings are the configuration's, or the mode's defaults when it holds another mode's.
    Keepaway(GameContext& context, uint32_t seed);

    // The base objectives, then TokenCount tokens at random token points.
    void SetupObjectives() override;
    // The base tick, then a tick of holding time for each token's holder, while the match runs.
    void Update(float dt) override;
    // A copy of the token, for a client to show.
    std::unique_ptr<Item> CreateItem(uint32_t itemIndex) override;
    float GetProgress(int32_t score) const override;
    // A token of this match goes back to a random token point; anything else is dropped.
    void ReturnItem(std::unique_ptr<Item>& item) override;
    void FormatEvent(GameTypeEvent& event) override;
    // Counts the kill of a holder, and gives a holder its bonus for a kill.
    void OnPlayerKilled(Player& victim, const HitInfo& hit) override;

    // Builds both score lists from the holding times of the players in the world, moves the leader and
    // ends the match when the best team with players has the time to win.
    void Recount();
    // The token posts these as it is taken and dropped.
    void OnTokenTaken(KeepawayToken& token);
    void OnTokenDropped(KeepawayToken& token);

    const Statistics& GetStatistics(uint8_t player) const { return statistics.at(player); }
    uint8_t GetLeader() const { return leader; }
    const KeepawayConfiguration& GetSettings() const { return settings; }
    const Kinds& GetKinds() const { return kinds; }
    const std::vector<KeepawayToken*>& GetTokens() const { return tokens; }

private:
    Player* FindPresentPlayer(uint8_t index) const;

    KeepawayConfiguration settings;
    Kinds kinds;
    SpawnQuery tokenQuery;
    // By player index.
    std::array<Statistics, World::PlayerCount> statistics{};
    // The tokens placed at set-up; owned by their pickups or holders.
    std::vector<KeepawayToken*> tokens;
    uint8_t leader = NoLeader;
};
