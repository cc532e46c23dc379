#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Source/Data/NameTables.h"
#include "Source/World/MapNames.h"

#include <cstdint>
#include <memory>

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

    // "Platform": the name of a platform of the map; an unknown name keeps the platform.
    void Read(Lumvek::BlueprintReader& reader, const NameTable<Platform>& platforms) override;
    // The platform's name, when the map has the platform under a name.
    void Write(Lumvek::BlueprintWriter& writer, const NameTable<Platform>& platforms) const override;
    void RunByProjectile(Projectile&) override { Toggle(); }
    void Run(Player&) override { Toggle(); }
    // Nothing happens when the index names no platform, or one that does not move.
    void Toggle();

    // Index in the world's platforms.
    uint16_t platform = 0;

private:
    World& world;
};

// A capture-the-flag stand. What it does when touched is the capture-the-flag mode's.
class CtfFlagStandAction final : public Action
{
};

// A race checkpoint. What it does when touched is the race mode's.
class CheckpointAction final : public Action
{
};

// The action of a kind; null for None and for any value that names no action.
std::unique_ptr<Action> CreateAction(TriggerAction kind, World& world);
