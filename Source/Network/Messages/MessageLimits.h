#pragma once

#include <cstdint>

class DataRegistry;
class GameConfiguration;
class GameType;

// The bounds of the game messages' fields that depend on the loaded definitions and on the running
// match: a definition index travels in as few bits as its list needs, so both ends must agree on these
// values for every message they exchange. The network role owns one, fills it from its registry when
// it is made and from the match's configuration and game type when a match starts, and hands it to
// its message factory, whose messages read it whenever they are measured, written or read. Application
// thread only; a message queued before the values change is written with the new ones.
struct MessageLimits
{
    // The counts of the registry's definition lists, the definitions' indexes on the wire.
    static MessageLimits FromRegistry(const DataRegistry& registry);

    // Takes the score lists' lengths from the match's set-up.
    void SetConfiguration(const GameConfiguration& configuration);
    // Takes the event kinds and the score range from the match's rules once they exist.
    void SetGameType(const GameType& rules);

    // Entries of the two score lists: one per team, or one per player in a free-for-all game.
    uint32_t GetTeamScoreCount() const;
    uint32_t GetPlayerScoreCount() const;
    // In a free-for-all game the team list is keyed by player index like the player list.
    bool TeamScoresByPlayer() const { return teamCount == 1; }

    bool operator==(const MessageLimits&) const = default;

    // Part definitions by kind; a part field runs from 0 to the count, both included.
    uint32_t heads = 0;
    uint32_t cores = 0;
    uint32_t arms = 0;
    uint32_t legs = 0;
    // The count itself marks a player's empty item or weapon place.
    uint32_t items = 0;
    uint32_t weapons = 0;
    uint32_t triggers = 0;
    // The longest of the running game type's three format lists: an event kind lies below it.
    uint32_t eventKinds = 0;
    // The match's configured team count (1: free for all) and its number of player slots.
    uint32_t teamCount = 0;
    uint32_t playerCount = 0;
    // The running game type's range of scores: its lowest score and its target.
    int32_t lowestScore = 0;
    int32_t targetScore = 0;
};
