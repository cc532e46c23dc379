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
#include "Source/Data/MapData.h"
#include "Source/Data/ThemeData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/PlatformRenderable.h"
#include "Source/World/World.h"

#include <string>
#include <utility>
#include <vector>

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

// Where the map's content is read to: a world and its names, or nothing when the content is only
// checked.
struct MapTarget
{
    World* world = nullptr;
    MapNames* names = nullptr;
};

// Reads each element of the array member key of the reader's current Object, "Entities", with read,
// which answers the entity it made, or null; each element it made nothing of is kept in the names, as
// read and after the entity made before it, for the writer.
template <class Read> void ReadElements(BlueprintReader& reader, StringView key, const MapTarget& target, Read&& read)
{
    EntityId previous = NoEntity;
    const Blueprint* list = reader.GetCurrent().GetObject().Find(key);
    if (!list)
        return;
    if (list->GetType() != BlueprintType::Array)
    {
        reader.Refuse(key, "an array of elements was expected");
        return;
    }
    reader.GetMember(key);
    for (uint32_t i = 0; i < list->GetCount(); ++i)
    {
        reader.GetElement(i);
        decltype(read(reader, std::declval<const ElementBase&>())) made = nullptr;
        if (reader.GetCurrent().GetType() != BlueprintType::Object)
            reader.Refuse({}, "an element object was expected");
        else
            made = read(reader, ReadElementBase(reader));
        if (made)
            previous = made->id;
        else if (target.names)
            target.names->kept.push_back({key.ToString(), previous, reader.GetCurrent()});
        reader.Pop();
    }
    reader.Pop();
}

// Enters the element's name into the table, noting a name an earlier element of the kind has.
template <class Record>
void SetName(const BlueprintReader& reader, MapNames& names, NameTable<Record>& table, const ElementBase& element,
             Record* record)
{
    if (!element.name.empty() && !table.Set(element.name, record))
        names.repeatedNames.push_back(FormatText("{} \"{}\"", reader.GetPath(), element.name));
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

// The definition the element's "Data" names; null when the world has none of that name (the element
// is then kept as read: another theme may have it), and reported when the member is missing. Without
// a world only the member is checked.
template <class Definition>
const Definition* ReadDefinition(BlueprintReader& reader, const World* world, StringView folder)
{
    std::string name;
    if (!reader.GetCurrent().GetObject().Find("Data"))
        reader.Refuse("Data", "the element needs the name of its definition");
    else if (ReadMember(reader, "Data", name) && world)
        return FindDefinition<Definition>(*world, folder, name);
    return nullptr;
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

// Reads the action object of the member key; the action is made, and reads its own members, only
// for an interaction of a world.
void ReadAction(BlueprintReader& reader, StringView key, const MapTarget& target, Interaction* interaction, bool hit)
{
    const Blueprint* member = reader.GetCurrent().GetObject().Find(key);
    if (!member)
        return;
    if (member->GetType() != BlueprintType::Object)
    {
        reader.Refuse(key, "an action object was expected");
        return;
    }
    reader.GetMember(key);
    TriggerAction kind = TriggerAction::None;
    ReadMember(reader, "Action", kind);
    if (interaction)
    {
        if (hit)
            interaction->SetHitAction(kind, *target.world);
        else
            interaction->SetInteractAction(kind, *target.world);
        if (Action* action = hit ? interaction->hitAction.get() : interaction->interactAction.get())
            action->Read(reader, target.names->platforms);
    }
    reader.Pop();
}

void ReadEntities(BlueprintReader& reader, const MapTarget& target)
{
    World* world = target.world;
    ReadElements(reader, "Platforms", target,
                 [&](BlueprintReader& reader, const ElementBase& element) -> Platform*
                 {
                     Platform* platform = ReadPlatform(reader, world, element.position, element.size);
                     if (!platform)
                         return nullptr;
                     platform->fromMap = true;
                     SetName(reader, *target.names, target.names->platforms, element, platform);
                     return platform;
                 });
    // Once every platform is in the grid, each renderable can find the platforms its own touches.
    if (world)
        PrepareAllPlatforms(*world);
    ReadElements(reader, "Hazards", target,
                 [&](BlueprintReader& reader, const ElementBase& element) -> Hazard*
                 {
                     const HazardData* data = ReadDefinition<HazardData>(reader, world, "Hazards");
                     Vector2 wind(0.0f, 0.0f);
                     ReadMember(reader, "WindDirection", wind);
                     Hazard* hazard =
                         data ? CreateHazardEntity(*world, element.position, element.size, *data) : nullptr;
                     if (!hazard)
                         return nullptr;
                     hazard->windDirection = wind;
                     hazard->body.rotation = element.rotation;
                     hazard->fromMap = true;
                     SetName(reader, *target.names, target.names->hazards, element, hazard);
                     return hazard;
                 });
    ReadElements(reader, "Visuals", target,
                 [&](BlueprintReader& reader, const ElementBase& element) -> Visual*
                 {
                     uint32_t texture = InvalidId;
                     ImageRef::Read(reader, "Texture", texture);
                     std::string effectName;
                     ReadMember(reader, "Effect", effectName);
                     // A dedicated server makes no visuals; the element is kept as read.
                     if (!world || world->GetContext().headless)
                         return nullptr;
                     const uint32_t effect = effectName.empty() ? InvalidId : NameTableB().Add(effectName);
                     Visual* visual =
                         CreateVisualEntity(*world, element.position, element.size, Vector2(), element.rotation, 75.0f,
                                            false, false, texture, effect, InvalidId, -1, 0, 0);
                     if (!visual)
                         return nullptr;
                     visual->fromMap = true;
                     SetName(reader, *target.names, target.names->visuals, element, visual);
                     return visual;
                 });
    ReadElements(reader, "Zones", target,
                 [&](BlueprintReader& reader, const ElementBase& element) -> Zone*
                 {
                     const ZoneData* data = ReadDefinition<ZoneData>(reader, world, "Zones");
                     Zone* zone = data ? CreateZoneEntity(*world, element.position, element.size, *data) : nullptr;
                     if (!zone)
                         return nullptr;
                     zone->fromMap = true;
                     SetName(reader, *target.names, target.names->zones, element, zone);
                     return zone;
                 });
    ReadElements(reader, "Interactions", target,
                 [&](BlueprintReader& reader, const ElementBase& element) -> Interaction*
                 {
                     const InteractionData* data = ReadDefinition<InteractionData>(reader, world, "Interactions");
                     Interaction* interaction =
                         data ? CreateInteractionEntity(*world, "Interaction", element.position, element.size, *data)
                              : nullptr;
                     if (interaction)
                         interaction->body.rotation = element.rotation;
                     ReadAction(reader, "Interact", target, interaction, false);
                     ReadAction(reader, "Hit", target, interaction, true);
                     if (!interaction)
                         return nullptr;
                     interaction->fromMap = true;
                     SetName(reader, *target.names, target.names->interactions, element, interaction);
                     return interaction;
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

// Writes the array member key with one object per map-made record of the view, and each element of
// that key the load kept unmade back after the record it followed, deleted or not; those first that
// followed none, and at the end those whose record is gone from the view.
template <class Records, class Write>
void WriteElements(BlueprintWriter& writer, StringView key, const MapNames& names, Records&& records, Write&& write)
{
    writer.PushMember(key);
    writer.GetCurrent().SetArray();
    uint32_t index = 0;
    std::vector<bool> written(names.kept.size(), false);
    const auto writeKept = [&](EntityId after, bool all)
    {
        for (size_t i = 0; i < names.kept.size(); ++i)
        {
            const MapNames::Kept& kept = names.kept[i];
            if (written[i] || !(StringView(kept.key) == key) || (!all && kept.after != after))
                continue;
            written[i] = true;
            writer.PushElement(index++);
            writer.GetCurrent() = kept.element;
            writer.Pop();
        }
    };
    writeKept(NoEntity, false);
    for (const auto& record : records)
    {
        if (record.fromMap)
        {
            writer.PushElement(index++);
            writer.GetCurrent().SetObject();
            write(record);
            writer.Pop();
        }
        writeKept(record.id, false);
    }
    writeKept(NoEntity, true);
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

// Reads the map's content from the reader's current value, the file's root: everything but the
// definition's own members. Bounds the world cannot take leave the rest unread.
void ReadMapContent(BlueprintReader& reader, const MapTarget& target)
{
    World* world = target.world;
    const ValueObject& root = reader.GetCurrent().GetObject();
    if (const Blueprint* member = root.Find("WorldBounds"))
    {
        Rectangle bounds;
        StringReader text(member->GetString());
        if (member->GetType() != BlueprintType::String ||
            !Parse(text, "{} {} {} {}", bounds.x, bounds.y, bounds.width, bounds.height) || !AtEndOfForm(text))
            return reader.Refuse("WorldBounds", "four numbers were expected");
        if (!World::CanLayOut(bounds))
            return reader.Refuse("WorldBounds", "bounds the world cannot hold");
        if (world)
        {
            world->bounds = bounds;
            world->LayOutGrids();
        }
    }
    std::vector<SpawnPoint> points;
    ReadSpawnPoints(reader, points);
    if (world)
        world->SetSpawnPoints(std::move(points));
    if (const Blueprint* entities = root.Find("Entities"); entities && entities->GetType() != BlueprintType::Object)
        reader.Refuse("Entities", "an object of element arrays was expected");
    else if (entities)
    {
        reader.GetMember("Entities");
        ReadEntities(reader, target);
        reader.Pop();
    }
    // The game renderer takes "Backgrounds" as its layers; without one they are only checked, and the
    // array is kept as read so that saving writes it back.
    std::vector<ThemeBackground> layers;
    if (const Blueprint* backgrounds = root.Find("Backgrounds"))
    {
        if (world)
            world->backgrounds = *backgrounds;
        if (backgrounds->GetType() != BlueprintType::Array)
            return reader.Refuse("Backgrounds", "an array of layers was expected");
        reader.GetMember("Backgrounds");
        const GameContext* context = world ? &world->GetContext() : nullptr;
        ReadArray(reader, context && context->mapBackgrounds ? *context->mapBackgrounds : layers);
        reader.Pop();
    }
}

// The tree SaveMapText writes.
Blueprint WriteMapTree(World& world, const MapNames& names)
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
    WriteSpawnPoints(writer, world.GetSpawnPoints());
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
    return std::move(writer.GetRoot());
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

namespace
{

// Empties the world and the names for the map's content, and starts the record of its file.
FileRecord& StartLoad(World& world, MapNames& names, StringView mapName)
{
    GameContext& context = world.GetContext();
    names.Clear();
    world.Reset(context.configuration.settings.gravity);
    world.bounds = Rectangle{0.0f, 0.0f, 1.0f, 1.0f};
    world.LayOutGrids();
    world.backgrounds.Clear();
    if (context.mapBackgrounds)
        context.mapBackgrounds->clear();
    world.map = context.registry ? context.registry->maps.Get(context.configuration.map) : nullptr;
    world.theme = context.registry ? context.registry->themes.Get(context.configuration.theme) : nullptr;
    world.mapFile = FileRecord();
    world.mapFile.report.SetFile(mapName.ToString());
    return world.mapFile;
}

} // namespace

bool LoadMapData(World& world, MapNames& names)
{
    const std::string path = GetMapPath(world);
    if (path.empty())
    {
        StartLoad(world, names, FormatText("the map of index {}", world.GetContext().configuration.map))
            .report.SetUnparsed("there is no map definition of that index");
        return false;
    }
    // Named as the definition's window names it, the same on every machine.
    const std::string file = world.GetContext().registry->GetFiles().NameFile(path);
    auto [read, text] = File::ReadAllText(path);
    if (!read)
    {
        StartLoad(world, names, file).report.SetUnparsed("the file cannot be read");
        return false;
    }
    return LoadMapText(world, names, text, file);
}

bool LoadMapText(World& world, MapNames& names, StringView text, StringView mapName)
{
    FileRecord& record = StartLoad(world, names, mapName);
    JsonNotes notes;
    if (!JsonFormat::LoadBlueprint(text, record.file, notes) || record.file.GetType() != BlueprintType::Object)
    {
        record.file.Clear();
        record.report.SetUnparsed(notes.error.empty() ? "it holds no JSON object" : notes.error);
        return false;
    }
    // The definition's window checks the text its definition read: when it is this text, a problem that
    // either reading logged is not logged again.
    if (world.map && world.map->record.file == record.file)
        record.report.ShareSaid(world.map->said);
    ReportTextNotes(record.report, notes);
    BlueprintReader reader(record.file, &record.report);
    ReadMapContent(reader, MapTarget{&world, &names});
    if (!names.kept.empty())
    {
        // Each named as the maker would find it in the file: by its name, else by its position.
        std::vector<std::string> unplaced;
        for (const MapNames::Kept& kept : names.kept)
        {
            const bool object = kept.element.GetType() == BlueprintType::Object;
            const Blueprint* name = object ? kept.element.GetObject().Find("Name") : nullptr;
            const Blueprint* position = object ? kept.element.GetObject().Find("Position") : nullptr;
            if (name && name->GetType() == BlueprintType::String)
                unplaced.push_back(FormatText("{} \"{}\"", kept.key, name->GetString()));
            else if (position && position->GetType() == BlueprintType::String)
                unplaced.push_back(FormatText("{} at {}", kept.key, position->GetString()));
            else
                unplaced.push_back(kept.key);
        }
        Log::Write("the map {} has {} entities this match could not place ({}); saving it keeps them as read", mapName,
                   names.kept.size(), ListSome(unplaced));
    }
    if (!names.repeatedNames.empty())
        Log::Write("{}: these entities take a name an earlier one of their kind has, and Save keeps each name: {}",
                   mapName, ListSome(names.repeatedNames));
    if (!world.GetContext().configuration.bots.empty())
        world.navigator.Build(world);
    record.asRead = WriteMapTree(world, names);
    return record.report.IsWhole();
}

std::string SaveMapText(World& world, const MapNames& names)
{
    return JsonFormat::SaveBlueprint(WriteMapTree(world, names));
}

bool SaveMapData(World& world, const MapNames& names)
{
    const std::string path = GetMapPath(world);
    if (path.empty())
    {
        Log::Write("no map definition at index {} to save", world.GetContext().configuration.map);
        return false;
    }
    const Blueprint edited = WriteMapTree(world, names);
    Blueprint merged;
    std::string refusal;
    if (!world.mapFile.Merge(edited, merged, refusal))
    {
        Log::Write("{}", refusal);
        return false;
    }
    std::error_code error;
    if (!File::WriteAllText(path, JsonFormat::SaveBlueprint(merged), error))
    {
        Log::Write("failed to save the map to {}: {}", path, error.message());
        return false;
    }
    world.mapFile.Saved(merged, edited);
    // The map's definition keeps the same file: the data editor's next Save merges over what this one
    // wrote, not over the file as it was, and refuses only what the file still holds that it cannot take.
    const GameContext& context = world.GetContext();
    if (MapData* definition = context.registry->maps.Get(context.configuration.map))
    {
        // A new reading of the file: what it holds that cannot be taken is said again.
        definition->record.file = merged;
        definition->record.report.Clear();
        definition->said->Forget();
        CheckMapDefinition(*definition);
    }
    // Named as a definition's Save names its file: from the application root.
    Log::Write("saved to {}", world.GetContext().registry->GetFiles().NameFile(path));
    return true;
}

std::string GetUnsavedMapPath(const World& world)
{
    // The map the world holds, whatever the configuration names by now: a new match may have chosen
    // another before this one's world goes.
    const GameContext& context = world.GetContext();
    if (!world.map || !context.registry)
        return std::string();
    return Lumvek::Path::AppendCopy(context.registry->GetFiles().applicationRoot,
                                    FormatText("Assets/Maps/{}/Data.unsaved.json", world.map->name));
}

bool KeepUnsavedEdits(World& world, const MapNames& names)
{
    const std::string path = GetUnsavedMapPath(world);
    // A file that did not parse was never in the world to be edited.
    if (path.empty() || !world.mapFile.report.IsParsed() || world.mapFile.file.GetType() == BlueprintType::Invalid)
        return false;
    const Blueprint edited = WriteMapTree(world, names);
    if (edited == world.mapFile.asRead)
        return false;
    // As Save would write it when it could; otherwise what the world holds, for the maker to mend.
    Blueprint merged;
    std::string refusal;
    const std::string text = JsonFormat::SaveBlueprint(world.mapFile.Merge(edited, merged, refusal) ? merged : edited);
    const std::string named = world.GetContext().registry->GetFiles().NameFile(path);
    if (!File::WriteAllText(path, text))
    {
        Log::Write("the map {} had edits not saved, and they could not be kept in {}", world.mapFile.report.GetFile(),
                   named);
        return false;
    }
    Log::Write("the map {} had edits not saved: they are kept in {}; the map itself is unchanged",
               world.mapFile.report.GetFile(), named);
    return true;
}

void NameUnsavedCopy(const World& world)
{
    const std::string path = GetUnsavedMapPath(world);
    if (!path.empty() && File::Exists(path))
        Log::Write("{} holds edits of this map an earlier match did not save: copy it over Data.json to take "
                   "them up, or remove it",
                   world.GetContext().registry->GetFiles().NameFile(path));
}

std::string ListSome(const std::vector<std::string>& items)
{
    constexpr size_t Shown = 10;
    std::string text;
    for (size_t i = 0; i < items.size() && i < Shown; ++i)
        text += (i > 0 ? ", " : "") + items[i];
    if (items.size() > Shown)
        text += FormatText(" and {} more", items.size() - Shown);
    return text;
}

void CheckMapDefinition(MapData& map)
{
    FileRecord& record = map.record;
    if (!record.report.IsParsed())
        return;
    // The same reading of the file, checked again each time its window opens or saves: what the
    // load or a match's load of the same text logged is not logged again.
    record.report.Renew();
    record.report.ShareSaid(map.said);
    BlueprintReader reader(record.file, &record.report);
    // The definition's own members are read into a copy, so that the definition keeps the maker's edits.
    MapData own;
    own.name = map.name;
    own.Read(reader);
    ReadMapContent(reader, MapTarget{});
}
