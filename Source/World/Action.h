#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Source/Data/NameTables.h"
#include "Source/World/MapNames.h"

#include <cstdint>
#include <memory>
#include <string>

class Item;
class Player;
class Projectile;
class World;

// Something a map's trigger or interaction does when a player touches or uses it, or a projectile hits
// it. Owned by its trigger or interaction; application thread only.
class Action
{
public:
    Action() = default;
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;
    virtual ~Action() = default;

    // The action's own keys of a map element, after its "Action".
    virtual void Read(Lumvek::BlueprintReader&, const NameTable<Platform>&) {}
    virtual void Write(Lumvek::BlueprintWriter&, const NameTable<Platform>&) const {}
    virtual void RunByProjectile(Projectile&) {}
    virtual void Run(Player&) {}
};

// Starts a stopped moving platform, or stops a running one where it is.
class PathStartAction final : public Action
{
public:
    explicit PathStartAction(World& world) : world(world) {}

    // "Platform": the name of a platform of the map. A name the map placed no platform under (one the
    // load had to leave out, or a typo) is logged and kept as written, and the action then moves nothing.
    void Read(Lumvek::BlueprintReader& reader, const NameTable<Platform>& platforms) override;
    // The platform's name, when the map has the platform under a name; else the name read and kept.
    void Write(Lumvek::BlueprintWriter& writer, const NameTable<Platform>& platforms) const override;
    void RunByProjectile(Projectile&) override { Toggle(); }
    void Run(Player&) override { Toggle(); }
    // Nothing happens when the index names no platform, or one that does not move.
    void Toggle();

    // No platform has this index: the world holds at most 1024.
    static constexpr uint16_t NoPlatform = 0xFFFF;

    // Index in the world's platforms. An action made or read without a "Platform" has none: it moves
    // nothing and is written without one, where index 0 would aim it at the map's first platform.
    uint16_t platform = NoPlatform;
    // The name read that no placed platform has; empty when the index stands for the name read.
    std::string unresolved;

private:
    World& world;
};

// A capture-the-flag stand: a player of the stand's team touching it with an enemy flag captures it.
// The capture-the-flag mode sets it up and defines what a touch does (CaptureTheFlag.cpp); a stand
// outside such a match does nothing.
class CtfFlagStandAction final : public Action
{
public:
    void Run(Player& player) override;

    // The stand's own flag, which the mode owns through its pickup or its carrier; null for none.
    Item* flag = nullptr;
    uint8_t team = 0;
};

// A race checkpoint: touching it reaches the checkpoint of this number, when it is the next one of
// the player's team. The race mode sets it up and defines what a touch does (Race.cpp).
class CheckpointAction final : public Action
{
public:
    static constexpr uint32_t AnyTeam = 4;

    void Run(Player& player) override;

    uint32_t team = AnyTeam;
    // The position in its team's checkpoint order.
    uint32_t number = 0;
};

// The action of a kind; null for None and for any value that names no action.
std::unique_ptr<Action> CreateAction(TriggerAction kind, World& world);
