#pragma once

#include <cstdint>
#include <vector>

class Player;
class WeaponData;
struct GameTypeEvent;
struct MuzzleInfo;
struct ScoreEntry;
struct Trigger;
enum class GameTypeEventClass : uint32_t;

// What the world and the game rules tell of a running match as it happens: the entities they remove
// and make, the shots fired, spawns and kills, the rules' lines and scores, and the match's end. The
// network role implements it and decides who hears each event: a server sends them to its clients
// with players, a local game and a client keep them to themselves, and every role records the end.
// The game system sets it in the game context beside the role; application thread only.
class MatchEvents
{
public:
    virtual ~MatchEvents();

    // Whether other machines hear the events (a server's clients): the rules then show no lines of
    // their own, and send what they count.
    virtual bool HasListeners() const { return false; }
    // The rules ended the match: the role enters its ending and writes the match's journal.
    virtual void SaveJournal() = 0;

    // Reliably, or unreliably for a mode that sends its scores every tick.
    virtual void SendScore(const std::vector<ScoreEntry>& teams, const std::vector<ScoreEntry>& players, bool reliable);
    virtual void SendPlayerSpawned(const Player& player);
    // The kill's debris direction (radians) and speed.
    virtual void SendPlayerKilled(const Player& victim, float angle, float speed);
    virtual void SendPickupRemoved(uint16_t pickup, bool hadContents);
    virtual void SendProjectileRemoved(uint16_t projectile);
    // A player's weapon fired one shot, whatever its pellets, from the muzzle.
    virtual void SendShotFired(const Player& shooter, const WeaponData& weapon, const MuzzleInfo& muzzle);
    virtual void SendTriggerCreated(const Trigger& trigger);
    virtual void SendTriggerRemoved(uint16_t trigger);
    virtual void SendGameTypeEvent(GameTypeEventClass eventClass, const GameTypeEvent& event);
};
