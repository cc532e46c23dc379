#include "Source/World/MatchEvents.h"

MatchEvents::~MatchEvents() = default;

// A role nobody else listens to hears the events and keeps them.
void MatchEvents::SendScore(const std::vector<ScoreEntry>&, const std::vector<ScoreEntry>&, bool) {}
void MatchEvents::SendPlayerSpawned(const Player&) {}
void MatchEvents::SendPlayerKilled(const Player&, float, float) {}
void MatchEvents::SendPickupRemoved(uint16_t, bool) {}
void MatchEvents::SendProjectileRemoved(uint16_t) {}
void MatchEvents::SendShotFired(const Player&, const WeaponData&, const MuzzleInfo&) {}
void MatchEvents::SendTriggerCreated(const Trigger&) {}
void MatchEvents::SendTriggerRemoved(uint16_t) {}
void MatchEvents::SendGameTypeEvent(GameTypeEventClass, const GameTypeEvent&) {}
