#include "Source/World/MapFile.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ImageRef.h"
#include "Source/Data/ThemeData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/PlatformRenderable.h"
#include "Source/World/World.h"

#include <string>

using namespace Lumvek;

namespace
{

// The common members of a map element.
struct ElementBase
{
    std::string name;
    Vector2 position;
    Vector2 size;
    float rotation = 0.0f;
};

ElementBase ReadElementBase(BlueprintReader& reader)
{
    ElementBase element;
    ReadMember(reader, "Name", element.name);
    ReadMember(reader, "Position", element.position);
    ReadMember(reader, "Size", element.size);
    Angle rotation;
    if (ReadMember(reader, "Rotation", rotation))
        element.rotation = rotation.radians;
    return element;
}

// Calls read for each element of the array member key of the entities object; each element that read
// makes nothing of is kept in the names, as read, for the writer.
template <class Read> void ReadElements(const Blueprint& entities, StringView key, MapNames& names, Read&& read)
{
    const Blueprint* list = entities.GetObject().Find(key);
    if (!list || list->GetType() != BlueprintType::Array)
        return;
    for (uint32_t i = 0; i < list->GetCount(); ++i)
    {
        const Blueprint& element = list->GetElement(i);
        if (element.GetType() != BlueprintType::Object)
        {
            names.kept.emplace_back(key.ToString(), element);
            continue;
        }
        BlueprintReader reader(element);
        if (!read(reader, ReadElementBase(reader)))
            names.kept.emplace_back(key.ToString(), element);
    }
}

// The element's definition of that folder's family, under the theme's name for it.
template <class Definition> const Definition* FindDefinition(const World& world, StringView folder, StringView name)
{
    const ThemeData* theme = world.theme;
    Data* found = nullptr;
    if (theme)
        found = folder == StringView("Hazards") ? theme->GetHazard(name)
                : folder == StringView("Zones") ? theme->GetZone(name)
                                                : theme->GetInteraction(name);
    else if (const DataRegistry* registry = world.GetContext().registry)
        found = registry->FindData(folder, name);
    return dynamic_cast<const Definition*>(found);
}

// The name a map gives a definition: the theme's own definitions are written under the generic name
// they replace.
StringView GenericName(const World& world, const Data& definition)
{
    if (world.theme)
        for (const ThemeNameMap::Entry& entry : world.theme->dataMap.GetEntries())
            if (entry.second == definition.name)
                return entry.first;
    return definition.name;
}

void ReadAction(BlueprintReader& reader, StringView key, World& world, const MapNames& names, Interaction& interaction,
                bool hit)
{
    TriggerAction kind = TriggerAction::None;
    if (!reader.GetMember(key))
        return;
    if (reader.GetCurrent().GetType() == BlueprintType::Object)
    {
        ReadMember(reader, "Action", kind);
        if (hit)
            interaction.SetHitAction(kind, world);
        else
            interaction.SetInteractAction(kind, world);
        if (Action* action = hit ? interaction.hitAction.get() : interaction.interactAction.get())
            action->Read(reader, names.platforms);
    }
    reader.Pop();
}

void ReadEntities(World& world, MapNames& names, const Blueprint& entities)
{
    ReadElements(entities, "Platforms", names,
                 [&](BlueprintReader& reader, const ElementBase& element) -> bool
                 {
                     Platform* platform = ReadPlatform(reader, world, element.position, element.size, element.name);
                     if (!platform)
                         return false;
                     platform->fromMap = true;
                     if (!element.name.empty())
                         names.platforms.Set(element.name, platform);
                     return true;
                 });
    // Once every platform is in the grid, each renderable can find the platforms its own touches.
    PrepareAllPlatforms(world);
    ReadElements(entities, "Hazards", names,
                 [&](BlueprintReader& reader, const ElementBase& element) -> bool
                 {
                     std::string dataName;
                     ReadMember(reader, "Data", dataName);
                     const HazardData* data = FindDefinition<HazardData>(world, "Hazards", dataName);
                     if (!data)
                         return false;
                     Hazard* hazard = CreateHazardEntity(world, element.position, element.size, *data);
                     if (!hazard)
                         return false;
                     ReadMember(reader, "WindDirection", hazard->windDirection);
                     hazard->body.rotation = element.rotation;
                     hazard->fromMap = true;
                     if (!element.name.empty())
                         names.hazards.Set(element.name, hazard);
                     return true;
                 });
    ReadElements(entities, "Visuals", names,
                 [&](BlueprintReader& reader, const ElementBase& element) -> bool
                 {
                     uint32_t texture = InvalidId;
                     ImageRef::Read(reader, "Texture", texture);
                     uint32_t effect = InvalidId;
                     std::string effectName;
                     if (ReadMember(reader, "Effect", effectName) && !effectName.empty())
                         effect = NameTableB().Add(effectName);
                     Visual* visual =
                         CreateVisualEntity(world, element.position, element.size, Vector2(), element.rotation, 75.0f,
                                            false, false, texture, effect, InvalidId, -1, 0, 0);
                     if (!visual)
                         return false;
                     visual->fromMap = true;
                     if (!element.name.empty())
                         names.visuals.Set(element.name, visual);
                     return true;
                 });
    ReadElements(entities, "Zones", names,
                 [&](BlueprintReader& reader, const ElementBase& element) -> bool
                 {
                     std::string dataName;
                     ReadMember(reader, "Data", dataName);
                     const ZoneData* data = FindDefinition<ZoneData>(world, "Zones", dataName);
                     if (!data)
                         return false;
                     Zone* zone = CreateZoneEntity(world, element.position, element.size, *data);
                     if (!zone)
                         return false;
                     zone->fromMap = true;
                     if (!element.name.empty())
                         names.zones.Set(element.name, zone);
                     return true;
                 });
    ReadElements(entities, "Interactions", names,
                 [&](BlueprintReader& reader, const ElementBase& element) -> bool
                 {
                     std::string dataName;
                     ReadMember(reader, "Data", dataName);
                     const InteractionData* data = FindDefinition<InteractionData>(world, "Interactions", dataName);
                     if (!data)
                         return false;
                     Interaction* interaction =
                         CreateInteractionEntity(world, "Interaction", element.position, element.size, *data);
                     if (!interaction)
                         return false;
                     interaction->body.rotation = element.rotation;
                     ReadAction(reader, "Interact", world, names, *interaction, false);
                     ReadAction(reader, "Hit", world, names, *interaction, true);
                     interaction->fromMap = true;
                     if (!element.name.empty())
                         names.interactions.Set(element.name, interaction);
                     return true;
                 });
}

// Opens one element object of an array member; the element's common members come first.
template <class Record>
void WriteElementBase(BlueprintWriter& writer, const NameTable<Record>& names, const Record& record)
{
    if (const std::string* name = names.FindName(&record))
        WriteMember(writer, "Name", StringView(*name));
    const Body& body = record.GetBody();
    WriteMember(writer, "Position", Vector2(body.x, body.y));
    WriteMember(writer, "Size", Vector2(body.width, body.height));
    if (const auto* transform = dynamic_cast<const TransformBody*>(&body); transform && !(transform->rotation == 0.0f))
        WriteMember(writer, "Rotation", Angle{transform->rotation});
}

// Writes the array member key with one object per map-made record of the view, then the elements of
// that key the load kept unmade.
template <class Records, class Write>
void WriteElements(BlueprintWriter& writer, StringView key, const MapNames& names, Records&& records, Write&& write)
{
    writer.PushMember(key);
    writer.GetCurrent().SetArray();
    uint32_t index = 0;
    for (const auto& record : records)
    {
        if (!record.fromMap)
            continue;
        writer.PushElement(index++);
        writer.GetCurrent().SetObject();
        write(record);
        writer.Pop();
    }
    for (const auto& [keptKey, element] : names.kept)
        if (StringView(keptKey) == key)
        {
            writer.PushElement(index++);
            writer.GetCurrent() = element;
            writer.Pop();
        }
    writer.Pop();
}

void WriteAction(BlueprintWriter& writer, StringView key, TriggerAction kind, const Action* action,
                 const MapNames& names)
{
    if (!action)
        return;
    writer.PushMember(key);
    WriteMember(writer, "Action", kind);
    action->Write(writer, names.platforms);
    writer.Pop();
}

void WriteEntities(BlueprintWriter& writer, World& world, const MapNames& names)
{
    WriteElements(writer, "Platforms", names, world.platforms.View(),
                  [&](const Platform& platform)
                  {
                      WriteElementBase(writer, names.platforms, platform);
                      if (platform.conveyance != 0.0f)
                          WriteMember(writer, "Conveyance", platform.conveyance);
                      if (platform.hidden)
                          WriteMember(writer, "Hidden", true);
                      if (platform.oneWay)
                          WriteMember(writer, "OneWay", true);
                      if (platform.hotZone)
                          WriteMember(writer, "HotZone", true);
                      if (const PathedBody* body = platform.GetPathedBody(); body && !body->path.empty())
                      {
                          WriteMember(writer, "Moving", true);
                          // The body moves during play; the path starts where the map put the platform.
                          WriteMember(writer, "Position", Vector2(body->path.front().x, body->path.front().y));
                          writer.PushMember("Path");
                          WritePath(writer, body->path);
                          writer.Pop();
                      }
                      if (platform.impassable)
                          WriteMember(writer, "Impassable", true);
                  });
    WriteElements(writer, "Hazards", names, world.hazards.View(),
                  [&](const Hazard& hazard)
                  {
                      WriteElementBase(writer, names.hazards, hazard);
                      WriteMember(writer, "Data", GenericName(world, *hazard.data));
                      if (!(hazard.windDirection.x == 0.0f && hazard.windDirection.y == 0.0f))
                          WriteMember(writer, "WindDirection", hazard.windDirection);
                  });
    WriteElements(writer, "Visuals", names, world.visuals.View(),
                  [&](const Visual& visual)
                  {
                      WriteElementBase(writer, names.visuals, visual);
                      if (visual.texture != InvalidId)
                          ImageRef::Write(writer, "Texture", visual.texture);
                      if (visual.effectId != InvalidId)
                          WriteMember(writer, "Effect", NameTableB().GetName(visual.effectId));
                  });
    WriteElements(writer, "Zones", names, world.zones.View(),
                  [&](const Zone& zone)
                  {
                      WriteElementBase(writer, names.zones, zone);
                      WriteMember(writer, "Data", GenericName(world, *zone.data));
                  });
    WriteElements(writer, "Interactions", names, world.interactions.View(),
                  [&](const Interaction& interaction)
                  {
                      WriteElementBase(writer, names.interactions, interaction);
                      WriteMember(writer, "Data", GenericName(world, *interaction.data));
                      WriteAction(writer, "Interact", interaction.interactKind, interaction.interactAction.get(),
                                  names);
                      WriteAction(writer, "Hit", interaction.hitKind, interaction.hitAction.get(), names);
                  });
}

} // namespace

std::string GetMapPath(const World& world)
{
    const GameContext& context = world.GetContext();
    const MapData* map = context.registry ? context.registry->maps.Get(context.configuration.map) : nullptr;
    if (!map)
        return std::string();
    return Lumvek::Path::AppendCopy(context.registry->GetFiles().applicationRoot,
                                    FormatText("Assets/Maps/{}/Data.json", map->name));
}

bool LoadMapData(World& world, MapNames& names)
{
    const std::string path = GetMapPath(world);
    if (path.empty())
    {
        world.Reset(world.GetContext().configuration.settings.gravity);
        names.Clear();
        names.failure = FormatText("no map definition at index {} to load", world.GetContext().configuration.map);
        Log::Write("{}", names.failure);
        return false;
    }
    auto [read, text] = File::ReadAllText(path);
    if (!read)
    {
        world.Reset(world.GetContext().configuration.settings.gravity);
        names.Clear();
        names.failure = FormatText("failed to read the map file {}", path);
        Log::Write("{}", names.failure);
        return false;
    }
    return LoadMapText(world, names, text, path);
}

namespace
{

// Notes why the map was not read whole, for the log and for the editor that would save it.
bool Fail(MapNames& names, std::string reason)
{
    Log::Write("{}", reason);
    if (names.failure.empty())
        names.failure = std::move(reason);
    return false;
}

} // namespace

bool LoadMapText(World& world, MapNames& names, StringView text, StringView mapName)
{
    GameContext& context = world.GetContext();
    names.Clear();
    world.Reset(context.configuration.settings.gravity);
    world.bounds = Rectangle{0.0f, 0.0f, 1.0f, 1.0f};
    world.backgrounds.Clear();
    world.map = context.registry ? context.registry->maps.Get(context.configuration.map) : nullptr;
    world.theme = context.registry ? context.registry->themes.Get(context.configuration.theme) : nullptr;

    Blueprint root;
    if (!JsonFormat::LoadBlueprint(text, root) || root.GetType() != BlueprintType::Object)
        return Fail(names, FormatText("the map file {} is no JSON object", mapName));
    const Blueprint* bounds = root.GetObject().Find("WorldBounds");
    bool boundsRead = true;
    if (bounds)
    {
        Rectangle read = world.bounds;
        StringReader reader(bounds->GetString());
        boundsRead = bounds->GetType() == BlueprintType::String &&
                     Parse(reader, "{} {} {} {}", read.x, read.y, read.width, read.height);
        if (boundsRead)
            world.bounds = read;
    }
    // The default bounds always fit, so a refused member leaves the world empty over them.
    const bool boundsHeld = boundsRead && world.LayOutGrids();
    if (!boundsHeld)
    {
        world.bounds = Rectangle{0.0f, 0.0f, 1.0f, 1.0f};
        world.LayOutGrids();
        return Fail(names, FormatText("the map file {} has \"WorldBounds\": {}, {}", mapName,
                                      bounds ? DescribeValue(*bounds) : std::string("missing"),
                                      StringView::FromCString(boundsRead ? "bounds the world cannot hold"
                                                                         : "which are no four numbers")));
    }
    // A member of another form reads as empty, and a save would write it so.
    const auto expect = [&](StringView member, BlueprintType type, StringView form)
    {
        if (const Blueprint* value = root.GetObject().Find(member); value && value->GetType() != type)
            Fail(names, FormatText("the map file {} has \"{}\": {}, which is no {}", mapName, member,
                                   DescribeValue(*value), form));
    };
    expect("SpawnPoints", BlueprintType::Array, "array");
    expect("Entities", BlueprintType::Object, "object");
    ReadSpawnPoints(root, world.spawnPoints);
    if (const Blueprint* entities = root.GetObject().Find("Entities");
        entities && entities->GetType() == BlueprintType::Object)
        ReadEntities(world, names, *entities);
    // The game renderer takes "Backgrounds" as its layers; without one the array is kept as read so
    // that saving writes it back.
    if (context.mapBackgrounds)
        context.mapBackgrounds->clear();
    if (const Blueprint* backgrounds = root.GetObject().Find("Backgrounds"))
    {
        world.backgrounds = *backgrounds;
        if (context.mapBackgrounds)
        {
            BlueprintReader reader(*backgrounds);
            if (!ReadArray(reader, *context.mapBackgrounds))
                Fail(names, FormatText("the map file {} has \"Backgrounds\": {}, which is no array", mapName,
                                       DescribeValue(*backgrounds)));
        }
    }
    if (!names.kept.empty())
        Log::Write("the map {} has {} entities this match could not place; saving it keeps them as read", mapName,
                   names.kept.size());
    if (!context.configuration.bots.empty())
        world.navigator.Build(world);
    return names.failure.empty();
}

std::string SaveMapText(World& world, const MapNames& names)
{
    BlueprintWriter writer;
    writer.GetRoot().SetObject();
    if (world.map)
    {
        WriteMember(writer, "DisplayName", StringView(world.map->displayName));
        WriteMember(writer, "Description", StringView(world.map->description));
    }
    const Rectangle& bounds = world.bounds;
    WriteMember(writer, "WorldBounds",
                StringView(FormatText("{} {} {} {}", bounds.x, bounds.y, bounds.width, bounds.height)));
    writer.PushMember("SpawnPoints");
    WriteSpawnPoints(writer, world.spawnPoints);
    writer.Pop();
    writer.PushMember("Entities");
    writer.GetCurrent().SetObject();
    WriteEntities(writer, world, names);
    writer.Pop();
    if (const std::vector<ThemeBackground>* layers = world.GetContext().mapBackgrounds)
        WriteMember(writer, "Backgrounds", *layers);
    else if (world.backgrounds.GetType() != BlueprintType::Invalid)
    {
        writer.PushMember("Backgrounds");
        writer.GetCurrent() = world.backgrounds;
        writer.Pop();
    }
    return JsonFormat::SaveBlueprint(writer.GetRoot());
}

bool SaveMapData(World& world, const MapNames& names)
{
    const std::string path = GetMapPath(world);
    if (path.empty())
    {
        Log::Write("no map definition at index {} to save", world.GetContext().configuration.map);
        return false;
    }
    if (!names.failure.empty())
    {
        Log::Write("did not save the map to {}: it was not read whole ({}), and the file keeps what was not read", path,
                   names.failure);
        return false;
    }
    if (!File::WriteAllText(path, SaveMapText(world, names)))
    {
        Log::Write("failed to save the map to {}", path);
        return false;
    }
    Log::Write("saved to {}", path);
    return true;
}
