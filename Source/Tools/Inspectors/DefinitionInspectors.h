#pragma once

#include "Source/Data/NameTables.h"
#include "Source/Tools/Inspectors/DataInspector.h"

class GameTypeData;
class HazardData;
class InteractionData;
class ItemData;
class MapData;
class ProjectileData;
class TriggerData;
class World;
class ZoneData;

// The definition windows of the world's objects: the common header, then the definition's own rows.
// Edits change the definition in the registry at once. Application thread.

// A game type's own settings belong to the game configuration, so its window is the header alone.
class GameTypeDataInspector final : public DataInspector
{
public:
    explicit GameTypeDataInspector(GameTypeData* gameType);

    GameTypeData* gameType;
};

// A map's layout is edited in the map editor; its window is the header alone.
class MapDataInspector final : public DataInspector
{
public:
    explicit MapDataInspector(MapData* map);

    MapData* map;
};

// Items in the world read their definition as they go, so a size edited here reaches them without a
// copy.
class ItemDataInspector final : public DataInspector
{
public:
    explicit ItemDataInspector(ItemData* item);
    void Draw() override;

private:
    ItemData* item;
};

class ProjectileDataInspector final : public DataInspector
{
public:
    explicit ProjectileDataInspector(ProjectileData* projectile);
    void Draw() override;

private:
    ProjectileData* projectile;
};

class HazardDataInspector final : public DataInspector
{
public:
    explicit HazardDataInspector(HazardData* hazard);
    void Draw() override;

private:
    HazardData* hazard;
};

class InteractionDataInspector final : public DataInspector
{
public:
    explicit InteractionDataInspector(InteractionData* interaction);
    void Draw() override;

private:
    InteractionData* interaction;
};

class TriggerDataInspector final : public DataInspector
{
public:
    enum class Slot
    {
        Enter,
        Stay,
        Leave,
    };

    explicit TriggerDataInspector(TriggerData* trigger);
    void Draw() override;

    // Stores the action in the definition and gives every trigger of the world built from it (and only
    // those) a new action object of that kind in that slot, or none for None.
    static void SetAction(TriggerData& trigger, Slot slot, TriggerAction kind, World* world);

private:
    TriggerData* trigger;
};

// The one definition window without the common header: the entity's zone window draws it inside its
// own.
class ZoneDataInspector final : public DataInspector
{
public:
    explicit ZoneDataInspector(ZoneData* zone);
    void Draw() override;

private:
    ZoneData* zone;
};
