#include "Source/Tools/Inspectors/EntityInspectors.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/NameTables.h"
#include "Source/Tools/Editors/WorldEditor.h"
#include "Source/Tools/Inspectors/BodyInspectors.h"
#include "Source/Tools/Inspectors/DefinitionInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Action.h"
#include "Source/World/PlatformRenderable.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

// A tree node in a property scope of its name; the body runs while it is open.
template <class Contents> void Section(const char* name, Contents&& contents)
{
    PropertyInput::PushScope(Lumvek::StringView::FromCString(name));
    if (ImGui::TreeNode(name))
    {
        contents();
        ImGui::TreePop();
    }
    PropertyInput::PopScope();
}

const std::vector<std::string>& ActionNames()
{
    static const std::vector<std::string> names = []
    {
        std::vector<std::string> list;
        const Lumvek::NameList& table = EnumNames(TriggerAction::None);
        for (uint32_t i = 0; i < table.Count(); ++i)
            list.emplace_back(table.GetName(i).ToStdView());
        return list;
    }();
    return names;
}

bool Exists(World& world, uint32_t kind, uint32_t index)
{
    switch (kind)
    {
    case EntityKind::Hazard:
        return index < world.hazards.Count() && world.hazards[index].body.active;
    case EntityKind::Interaction:
        return index < world.interactions.Count() && world.interactions[index].body.active;
    case EntityKind::Zone:
        return index < world.zones.Count() && world.zones[index].body.active;
    case EntityKind::Platform:
        return index < world.platforms.Count() && world.platforms[index].body &&
               world.platforms[index].GetBody().active;
    case EntityKind::Player:
        return index < World::PlayerCount && world.players[index].present;
    case EntityKind::Pickup:
        return index <= 0xFFFF && world.pickups.Find(static_cast<EntityId>(index));
    case EntityKind::Projectile:
        return index <= 0xFFFF && world.projectiles.Find(static_cast<EntityId>(index));
    case EntityKind::Trigger:
        return index <= 0xFFFF && world.triggers.Find(static_cast<EntityId>(index));
    case EntityKind::Visual:
        return index <= 0xFFFF && world.visuals.Find(static_cast<EntityId>(index));
    default:
        return false;
    }
}

// Entities point at their definitions read-only; the definitions themselves belong to the registry,
// which lets the tools edit them in place.
template <class Data> Data* Editable(const Data* data)
{
    return const_cast<Data*>(data);
}

// The platform a PathStartAction starts and stops, picked by one of the names the map gives its
// platforms (the name is what the map file keeps). The first entry is the action's own when it has no
// platform: "None", or a name read that no placed platform has, which stays until another is picked.
void PlatformRow(const char* label, Action* action, const Tools& tools)
{
    auto* path = dynamic_cast<PathStartAction*>(action);
    if (!path)
        return;
    std::vector<std::string> names{path->unresolved.empty() ? "None" : path->unresolved + " (not placed)"};
    std::vector<const Platform*> platforms{nullptr};
    uint32_t chosen = 0;
    for (const auto& [name, platform] : tools.mapNames.platforms.GetEntries())
    {
        // A deleted platform keeps its name in the table but no longer stands.
        if (!platform || !platform->body || !platform->GetBody().active)
            continue;
        if (platform->id == path->platform)
            chosen = static_cast<uint32_t>(names.size());
        names.push_back(name);
        platforms.push_back(platform);
    }
    if (!PropertyInput::Combo(Lumvek::StringView::FromCString(label), &chosen, names) || chosen == 0 ||
        chosen >= platforms.size())
        return;
    path->platform = platforms[chosen]->id;
    path->unresolved.clear();
}

// The platform's name, by which an interaction's action starts it; a name another platform has is
// refused with a line.
void NameRow(MapNames& names, Platform& platform)
{
    const std::string* held = names.platforms.FindName(&platform);
    std::string name = held ? *held : std::string();
    if (PropertyInput::Text("Name", &name) && !names.platforms.Rename(name, &platform))
        Lumvek::Log::Write("Platform {}: the name \"{}\" is refused: another platform has it", platform.id, name);
}

// Where a typed rectangle may go: inside the world bounds, or no further out than the platform already
// stood (a floor as wide as the world keeps its place).
bool StaysInWorld(const World& world, const Lumvek::Rectangle& to, const Lumvek::Rectangle& from)
{
    const Lumvek::Rectangle& b = world.bounds;
    return to.x >= std::min(b.x, from.x) && to.y >= std::min(b.y, from.y) &&
           to.x + to.width <= std::max(b.x + b.width, from.x + from.width) &&
           to.y + to.height <= std::max(b.y + b.height, from.y + from.height);
}

// The platform's position and size, through the world's books; a rectangle that leaves the world or
// has no size is refused with a line naming the platform.
void PlatformBodyRows(World& world, Platform& platform)
{
    const Body& body = platform.GetBody();
    const Lumvek::Rectangle before = body.GetBounds();
    Lumvek::Rectangle wanted = before;
    Lumvek::Vector2 position{body.x, body.y};
    Lumvek::Vector2 size{body.width, body.height};
    const char* row = nullptr;
    static constexpr const char* PositionRow = "position";
    if (PropertyInput::Vector2("Position", &position))
    {
        wanted.x = position.x;
        wanted.y = position.y;
        row = PositionRow;
    }
    if (PropertyInput::Vector2("Size", &size))
    {
        wanted.width = size.x;
        wanted.height = size.y;
        row = "size";
    }
    ImGui::Text("Previous Position: %g %g", double(body.previousX), double(body.previousY));
    if (!row)
        return;
    const Lumvek::Rectangle& b = world.bounds;
    if (!(wanted.width > 0.0f && wanted.height > 0.0f))
        Lumvek::Log::Write("Platform {}: the size {} {} is refused: a platform needs a width and a height above 0",
                           platform.id, wanted.width, wanted.height);
    else if (!StaysInWorld(world, wanted, before) || !world.PlacePlatform(platform, wanted))
    {
        const Lumvek::Vector2 typed = row == PositionRow ? position : size;
        Lumvek::Log::Write("Platform {}: the {} {} {} is refused: it would leave the world bounds {} {} {} {}",
                           platform.id, Lumvek::StringView::FromCString(row), typed.x, typed.y, b.x, b.y, b.width,
                           b.height);
    }
}

} // namespace

void RebuildPlatformRenderable(World& world, Platform& platform)
{
    std::unique_ptr<PlatformRenderable> old = std::move(platform.renderable);
    if (!platform.hidden && !world.GetContext().headless)
    {
        if (platform.moving || platform.oneWay)
            platform.renderable = std::make_unique<IndependentPlatformRenderable>();
        else
            platform.renderable = std::make_unique<JoinedPlatformRenderable>();
    }
    // The old one's neighbours join again around whatever the platform now is.
    if (old)
        old->Prepare(platform, true);
    if (platform.renderable)
        platform.renderable->Prepare(platform, true);
}

void EntityInspector::Open(uint32_t kind, Lumvek::StringView word, uint32_t index)
{
    Tools* tools = Tools::Current();
    World* world = tools ? tools->GetWorld() : nullptr;
    if (!world || !Exists(*world, kind, index))
        return;
    const std::string name = std::string(word.ToStdView()) + " " + std::to_string(index);
    if (tools->IsWindowOpen(name))
        return;
    tools->OpenWindow(name, std::make_unique<EntityInspector>(kind, index));
}

void EntityInspector::Draw()
{
    const Tools* tools = Tools::Current();
    World* world = tools ? tools->GetWorld() : nullptr;
    if (!world || !Exists(*world, kind, index) || !DrawEntity(*world))
        open = 0;
}

bool EntityInspector::DrawEntity(World& world)
{
    switch (kind)
    {
    case EntityKind::Hazard:
        return DrawHazard(world);
    case EntityKind::Interaction:
        return DrawInteraction(world);
    case EntityKind::Platform:
        return DrawPlatform(world);
    case EntityKind::Trigger:
        return DrawTrigger(world);
    case EntityKind::Zone:
        return DrawZone(world);
    case EntityKind::Pickup:
        // A pickup's body moves by physics: its section stays empty.
        Section("Static Body", [] {});
        return true;
    default:
        // Players, projectiles and visuals show nothing of their own.
        return true;
    }
}

bool EntityInspector::DrawHazard(World& world)
{
    Hazard& hazard = world.hazards[index];
    PropertyInput::Vector2("Wind Direction", &hazard.windDirection);
    Section("Transform Body",
            [&]
            {
                TransformBodyInspector body(&hazard.body);
                body.Draw();
                if (body.changed)
                    RefreshEntity(world, {kind, index});
            });
    if (hazard.data)
        Section("Hazard Data",
                [&]
                {
                    HazardDataInspector definition(Editable(hazard.data));
                    definition.Draw();
                });
    return true;
}

bool EntityInspector::DrawInteraction(World& world)
{
    Interaction& interaction = world.interactions[index];
    Section("Transform Body",
            [&]
            {
                TransformBodyInspector body(&interaction.body);
                body.Draw();
                if (body.changed)
                    RefreshEntity(world, {kind, index});
            });
    if (interaction.data)
        Section("Interaction Data",
                [&]
                {
                    InteractionDataInspector definition(Editable(interaction.data));
                    definition.Draw();
                });
    uint32_t interact = static_cast<uint32_t>(interaction.interactKind);
    if (PropertyInput::Combo("Interact Action", &interact, ActionNames()) && interact < ActionNames().size())
        interaction.SetInteractAction(static_cast<TriggerAction>(interact), world);
    uint32_t hit = static_cast<uint32_t>(interaction.hitKind);
    if (PropertyInput::Combo("Hit Action", &hit, ActionNames()) && hit < ActionNames().size())
        interaction.SetHitAction(static_cast<TriggerAction>(hit), world);
    if (const Tools* tools = Tools::Current())
    {
        PlatformRow("Interact Platform", interaction.interactAction.get(), *tools);
        PlatformRow("Hit Platform", interaction.hitAction.get(), *tools);
    }
    return true;
}

bool EntityInspector::DrawPlatform(World& world)
{
    Platform& platform = world.platforms[index];
    if (Tools* tools = Tools::Current())
        NameRow(tools->mapNames, platform);
    bool hidden = platform.hidden != 0;
    if (ImGui::Checkbox("Hidden", &hidden))
    {
        platform.hidden = hidden;
        RebuildPlatformRenderable(world, platform);
    }
    bool oneWay = platform.oneWay != 0;
    if (ImGui::Checkbox("One Way", &oneWay))
    {
        platform.oneWay = oneWay;
        RebuildPlatformRenderable(world, platform);
    }
    bool moving = platform.moving != 0;
    if (ImGui::Checkbox("Moving", &moving))
    {
        world.SetPlatformMoving(platform, moving);
        RebuildPlatformRenderable(world, platform);
    }
    bool impassable = platform.impassable != 0;
    if (ImGui::Checkbox("Impassable", &impassable))
        platform.impassable = impassable;
    bool hotZone = platform.hotZone != 0;
    if (ImGui::Checkbox("Hot Zone", &hotZone))
        platform.SetHotZone(world, hotZone);
    PropertyInput::FloatSmall("Conveyance", &platform.conveyance);
    Section("Platform Body",
            [&]
            {
                PlatformBodyRows(world, platform);
                if (platform.moving)
                {
                    PropertyInput::PushScope("Pathed Body");
                    PathedBodyInspector path(&world, index);
                    path.Draw();
                    PropertyInput::PopScope();
                }
            });
    return true;
}

bool EntityInspector::DrawTrigger(World& world)
{
    Trigger& trigger = *world.triggers.Find(static_cast<EntityId>(index));
    Section("Offset Body",
            [&]
            {
                TransformBodyInspector body(trigger.body.get());
                body.Draw();
                if (body.changed)
                    RefreshEntity(world, {kind, index});
            });
    if (trigger.data)
        Section("Trigger Data",
                [&]
                {
                    TriggerDataInspector definition(Editable(trigger.data));
                    definition.Draw();
                });
    return true;
}

bool EntityInspector::DrawZone(World& world)
{
    Zone& zone = world.zones[index];
    Section("Static Body",
            [&]
            {
                BodyInspector body(&zone.body);
                body.Draw();
                if (body.changed)
                    RefreshEntity(world, {kind, index});
            });
    if (zone.data)
        Section("Zone Data",
                [&]
                {
                    ZoneDataInspector definition(Editable(zone.data));
                    definition.Draw();
                });
    return true;
}
