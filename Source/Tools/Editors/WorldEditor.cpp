#include "Source/Tools/Editors/WorldEditor.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Tools/Inspectors/EntityInspectors.h"
#include "Source/Tools/Inspectors/SpawnPointInspector.h"
#include "Source/Tools/Tools.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <string>

using Lumvek::Key;
using Lumvek::MouseButton;
using Lumvek::Rectangle;
using Lumvek::Vector2;

namespace
{

// The word that names each kind in windows and messages, by kind.
constexpr const char* KindWords[] = {"",       "Spawn Point", "Hazard",  "Interaction", "Pickup", "Platform",
                                     "Player", "Projectile",  "Trigger", "Visual",      "Zone"};

// The body of a map or live entity the reference still resolves to; null for spawn points.
Body* FindBody(World& world, EntityReference reference)
{
    const uint32_t index = reference.index;
    switch (reference.kind)
    {
    case EntityKind::Hazard:
        return index < world.hazards.Count() ? &world.hazards[index].GetBody() : nullptr;
    case EntityKind::Interaction:
        return index < world.interactions.Count() ? &world.interactions[index].GetBody() : nullptr;
    case EntityKind::Platform:
        return index < world.platforms.Count() && world.platforms[index].body ? &world.platforms[index].GetBody()
                                                                              : nullptr;
    case EntityKind::Zone:
        return index < world.zones.Count() ? &world.zones[index].GetBody() : nullptr;
    case EntityKind::Player:
        return index < World::PlayerCount && world.players[index].present ? &world.players[index].GetBody() : nullptr;
    case EntityKind::Pickup:
        if (index <= 0xFFFF)
            if (Pickup* pickup = world.pickups.Find(static_cast<EntityId>(index)))
                return &pickup->GetBody();
        return nullptr;
    case EntityKind::Projectile:
        if (index <= 0xFFFF)
            if (std::unique_ptr<Projectile>* projectile = world.projectiles.Find(static_cast<EntityId>(index));
                projectile && *projectile)
                return &(*projectile)->GetBody();
        return nullptr;
    case EntityKind::Trigger:
        if (index <= 0xFFFF)
            if (Trigger* trigger = world.triggers.Find(static_cast<EntityId>(index)))
                return &trigger->GetBody();
        return nullptr;
    case EntityKind::Visual:
        if (index <= 0xFFFF)
            if (Visual* visual = world.visuals.Find(static_cast<EntityId>(index)))
                return &visual->GetBody();
        return nullptr;
    default:
        return nullptr;
    }
}

// Halves round away from zero.
float RoundHalfAway(float value)
{
    return std::round(value);
}

// The offset that brings a value onto its nearest grid line.
float GridOffset(const WorldEditor& editor, float value)
{
    return editor.SnapToGrid(value) - value;
}

bool Inside(const Rectangle& r, Vector2 p)
{
    return r.x < p.x && p.x < r.x + r.width && r.y < p.y && p.y < r.y + r.height;
}

void CloseEntityWindows(Tools& tools, EntityReference reference)
{
    for (const std::unique_ptr<Inspector>& inspector : tools.GetInspectors())
        if (inspector->ShowsEntity(reference.kind, reference.index))
            inspector->open = 0;
}

// A zeroed spawn point keeps a size too small to grab; its rectangle is drawn and picked at least this.
constexpr float MinimumSpawnSize = 0.1f;

// What the editors place is held this far inside the world, so nothing lands where the grids, or the
// next load of the saved map, would refuse it.
constexpr float WorldMargin = 0.25f;

// Shifts the span [low, low + size] on one axis inside the world's span, its low edge first. Where the
// span stood before the move lies inside too: a map's own floor, as wide as the world, keeps its place
// rather than being pushed out past the other edge, and an axis not moved stays where it is.
void HoldInside(float& low, float size, float boundsLow, float boundsSize, float before)
{
    const float lowLimit = std::min(boundsLow + WorldMargin, before);
    const float highLimit = std::max(boundsLow + boundsSize - WorldMargin, before + size);
    // Both excesses are measured before either correction.
    const float lowExcess = low - lowLimit;
    const float highExcess = low + size - highLimit;
    if (lowExcess < 0.0f)
        low -= lowExcess;
    if (highExcess > 0.0f)
        low -= highExcess;
}

// Cuts the span to the world's span on one axis: a resized edge stops at the world's. False, and the
// span unchanged, when nothing of it would lie inside.
bool ClipInside(float& low, float& size, float boundsLow, float boundsSize)
{
    const float clippedLow = std::max(low, boundsLow + WorldMargin);
    const float clippedHigh = std::min(low + size, boundsLow + boundsSize - WorldMargin);
    if (!(clippedHigh > clippedLow))
        return false;
    low = clippedLow;
    size = clippedHigh - clippedLow;
    return true;
}

} // namespace

void CloseIndexedWindows(Tools& tools, uint32_t owner, uint32_t firstIndex)
{
    for (const std::unique_ptr<Inspector>& inspector : tools.GetInspectors())
        if (inspector->HoldsIndexFrom(owner, firstIndex))
            inspector->open = 0;
}

WorldEditor::WorldEditor(std::string name, bool resizes, uint32_t createKind)
    : Editor(std::move(name)), resizes(resizes), createKind(createKind)
{
}

Tools* WorldEditor::Host()
{
    return Tools::Current();
}

World* WorldEditor::GetWorld() const
{
    const Tools* tools = Host();
    return tools ? tools->GetWorld() : nullptr;
}

void WorldEditor::WorldDestroyed()
{
    hovered = selected = EntityReference{};
    dragMode = DragMode::None;
    dragged = false;
}

float WorldEditor::GetGridSize() const
{
    const Tools* tools = Host();
    return tools ? tools->GetSnapStep() : 0.5f;
}

float WorldEditor::SnapToGrid(float value) const
{
    const float grid = GetGridSize();
    return RoundHalfAway(value / grid) * grid;
}

Rectangle WorldEditor::GetEntityBounds(EntityReference reference) const
{
    World* world = GetWorld();
    if (!world)
        return {0.0f, 0.0f, 1.0f, 1.0f};
    if (reference.kind == EntityKind::SpawnPoint)
    {
        if (reference.index >= world->GetSpawnPoints().size())
            return {0.0f, 0.0f, 1.0f, 1.0f};
        const SpawnPoint& point = world->GetSpawnPoints()[reference.index];
        const float w = std::max(point.width, MinimumSpawnSize);
        const float h = std::max(point.height, MinimumSpawnSize);
        return {point.x - w / 2.0f, point.y - h / 2.0f, w, h};
    }
    if (const Body* body = FindBody(*world, reference))
        return body->GetBounds();
    return {0.0f, 0.0f, 1.0f, 1.0f};
}

void WorldEditor::SetEntityBounds(EntityReference reference, const Rectangle& bounds)
{
    World* world = GetWorld();
    if (!world)
        return;
    if (reference.kind == EntityKind::SpawnPoint)
    {
        if (reference.index >= world->GetSpawnPoints().size())
            return;
        SpawnPoint point = world->GetSpawnPoints()[reference.index];
        point.x = bounds.x + bounds.width / 2.0f;
        point.y = bounds.y + bounds.height / 2.0f;
        point.width = bounds.width > MinimumSpawnSize ? bounds.width : 0.0f;
        point.height = bounds.height > MinimumSpawnSize ? bounds.height : 0.0f;
        world->SetSpawnPoint(reference.index, point);
        return;
    }
    if (reference.kind == EntityKind::Platform && reference.index < world->platforms.Count())
    {
        world->PlacePlatform(world->platforms[reference.index], bounds);
        return;
    }
    if (Body* body = FindBody(*world, reference))
    {
        body->x = bounds.x;
        body->y = bounds.y;
        body->width = bounds.width;
        body->height = bounds.height;
    }
}

void WorldEditor::RefreshEntity(EntityReference reference)
{
    if (World* world = GetWorld())
        ::RefreshEntity(*world, reference);
}

void RefreshEntity(World& world, EntityReference reference)
{
    Body* body = FindBody(world, reference);
    if (!body)
        return;
    body->previousX = body->x;
    body->previousY = body->y;
    const EntityId id = static_cast<EntityId>(reference.index);
    switch (reference.kind)
    {
    case EntityKind::Hazard:
        world.Refile(world.hazards[reference.index]);
        break;
    case EntityKind::Interaction:
        world.Refile(world.interactions[reference.index]);
        break;
    case EntityKind::Zone:
        world.Refile(world.zones[reference.index]);
        break;
    case EntityKind::Platform:
    {
        // Where its body now stands, kept by the world's books.
        Platform& platform = world.platforms[reference.index];
        world.PlacePlatform(platform, platform.GetBody().GetBounds());
        break;
    }
    case EntityKind::Pickup:
        world.Relocate(*world.pickups.Find(id));
        break;
    case EntityKind::Projectile:
        world.Relocate(**world.projectiles.Find(id));
        break;
    case EntityKind::Trigger:
        world.Refile(*world.triggers.Find(id));
        break;
    case EntityKind::Visual:
        world.Relocate(*world.visuals.Find(id));
        break;
    default:
        break;
    }
}

void WorldEditor::DeleteEntity(EntityReference reference)
{
    World* world = GetWorld();
    Tools* tools = Host();
    if (!world)
        return;
    if (reference.kind == EntityKind::SpawnPoint)
    {
        if (reference.index >= world->GetSpawnPoints().size())
            return;
        world->RemoveSpawnPoint(reference.index);
        // Every later point moved down: a window of one of them would now edit its neighbour.
        if (tools)
            CloseIndexedWindows(*tools, 0, reference.index);
        return;
    }
    Body* body = FindBody(*world, reference);
    if (!body || (!body->active && reference.kind != EntityKind::Player))
        return;
    const EntityId id = static_cast<EntityId>(reference.index);
    switch (reference.kind)
    {
    case EntityKind::Hazard:
        world->RemoveHazard(world->hazards[reference.index]);
        break;
    case EntityKind::Interaction:
        world->RemoveInteraction(world->interactions[reference.index]);
        break;
    case EntityKind::Zone:
        world->RemoveZone(world->zones[reference.index]);
        break;
    case EntityKind::Platform:
        world->RemovePlatform(world->platforms[reference.index]);
        break;
    case EntityKind::Pickup:
        // A flag's or a token's pickup gives its item back to the game mode first, which holds it.
        world->DeletePickup(*world->pickups.Find(id));
        break;
    case EntityKind::Projectile:
        world->RemoveProjectile(**world->projectiles.Find(id));
        break;
    case EntityKind::Trigger:
        world->RemoveTrigger(*world->triggers.Find(id));
        break;
    case EntityKind::Visual:
        world->RemoveVisual(*world->visuals.Find(id));
        break;
    case EntityKind::Player:
        // Out of play now, and out of the players with its figure at the end of the tick.
        world->RemovePlayer(world->players[reference.index]);
        break;
    default:
        return;
    }
    if (tools)
        CloseEntityWindows(*tools, reference);
}

void WorldEditor::OpenEntityInspector(EntityReference reference)
{
    World* world = GetWorld();
    Tools* tools = Host();
    if (!world || !tools)
        return;
    if (reference.kind == EntityKind::SpawnPoint)
    {
        // One window a point, as for every other entity.
        const std::string name = "Spawn Point " + std::to_string(reference.index);
        if (reference.index < world->GetSpawnPoints().size() && !tools->IsWindowOpen(name))
            tools->OpenWindow(name, std::make_unique<SpawnPointInspector>(reference.index));
        return;
    }
    if (reference.kind >= EntityKind::Hazard && reference.kind <= EntityKind::Zone)
        EntityInspector::Open(reference.kind, Lumvek::StringView::FromCString(KindWords[reference.kind]),
                              reference.index);
}

EntityReference WorldEditor::CreateEntity(Vector2 position, Vector2 size)
{
    createProblem.clear();
    World* world = GetWorld();
    if (world && createKind != EntityKind::None)
    {
        // Held inside the world as a move holds what it drags: a point, placed by its centre and
        // drawn at least its smallest size, as its rectangle is.
        const bool point = createKind == EntityKind::SpawnPoint;
        const Vector2 extent = point ? Vector2{MinimumSpawnSize, MinimumSpawnSize} : size;
        Vector2 low = point ? Vector2{position.x - extent.x / 2.0f, position.y - extent.y / 2.0f} : position;
        const Rectangle& bounds = world->bounds;
        HoldInside(low.x, extent.x, bounds.x, bounds.width, bounds.x + WorldMargin);
        HoldInside(low.y, extent.y, bounds.y, bounds.height, bounds.y + WorldMargin);
        position = point ? Vector2{low.x + extent.x / 2.0f, low.y + extent.y / 2.0f} : low;
    }
    const EntityReference made = MakeEntity(position, size);
    if (made.kind != EntityKind::None || !world || createKind == EntityKind::None || createKind >= std::size(KindWords))
        return made;
    const Rectangle place{position.x, position.y, size.x, size.y};
    const char* why = !World::GridsHold(world->bounds, place) ? "it would lie outside the world bounds"
                                                              : "the world has no room for more, or no definition";
    createProblem =
        Lumvek::FormatText("{} at {} {} not created: {}", Lumvek::StringView::FromCString(KindWords[createKind]),
                           position.x, position.y, Lumvek::StringView::FromCString(why));
    return made;
}

void WorldEditor::LoadArt(const Data& definition, uint32_t image)
{
    const Tools* tools = Host();
    const World* world = GetWorld();
    Lumvek::GraphicsDevice* device = tools ? tools->GetDevice() : nullptr;
    if (!device || !world || world->GetContext().headless)
        return;
    Lumvek::Texture* sprites = device->GetTexture(GraphicsResources::WorldAtlas);
    Lumvek::Texture* drawing = device->GetTexture(GraphicsResources::DrawAtlas);
    if (sprites && drawing && sprites->pixels.Size() > 0 && drawing->pixels.Size() > 0)
    {
        // The match loader would have loaded it for an entity of the map; what is loaded already is left
        // as it is. The definitions belong to the registry, which lets the tools load them. The device's
        // lock keeps its upload from reading the pixels while they are written.
        const auto lock = device->Lock();
        const_cast<Data&>(definition).Load(*sprites, *drawing);
    }
    if (image != Lumvek::InvalidId && !(sprites && sprites->GetRegion(image)))
        createProblem = Lumvek::FormatText("{} has no image in this match: its file did not load into the world's "
                                           "atlas, so the new entity is drawn without it",
                                           definition.name);
}

EntityReference WorldEditor::MakeEntity(Vector2 position, Vector2 size)
{
    World* world = GetWorld();
    const EntityReference none;
    if (!world)
        return none;
    const DataRegistry* registry = world->GetContext().registry;
    switch (createKind)
    {
    case EntityKind::SpawnPoint:
    {
        SpawnPoint point;
        point.x = position.x;
        point.y = position.y;
        point.mask = SpawnMask::ForNewPoint();
        return {EntityKind::SpawnPoint, world->AddSpawnPoint(point)};
    }
    case EntityKind::Hazard:
        if (registry && hazardChoice < registry->hazards.Count())
        {
            const HazardData& data = registry->hazards.At(hazardChoice);
            // Loaded first: the hazard takes its effect when it is made.
            LoadArt(data, data.image);
            if (Hazard* hazard = CreateHazardEntity(*world, position, size, data))
            {
                hazard->fromMap = true;
                return {EntityKind::Hazard, hazard->id};
            }
        }
        return none;
    case EntityKind::Interaction:
        if (registry && interactionChoice < registry->interactions.Count())
        {
            const InteractionData& data = registry->interactions.At(interactionChoice);
            LoadArt(data, data.image);
            if (Interaction* interaction = CreateInteractionEntity(*world, "Interaction", position, size, data))
            {
                interaction->fromMap = true;
                return {EntityKind::Interaction, interaction->id};
            }
        }
        return none;
    case EntityKind::Zone:
        if (registry && zoneChoice < registry->zones.Count())
        {
            const ZoneData& data = registry->zones.At(zoneChoice);
            LoadArt(data, data.image);
            if (Zone* zone = CreateZoneEntity(*world, position, size, data))
            {
                zone->fromMap = true;
                return {EntityKind::Zone, zone->id};
            }
        }
        return none;
    case EntityKind::Platform:
        if (Platform* platform = world->AddPlatform(position, size))
        {
            // Named, so that a lever or a button can start it and Save keeps what they point at.
            if (Tools* tools = Host())
                NamePlatform(tools->mapNames, *platform);
            return {EntityKind::Platform, platform->id};
        }
        return none;
    default:
        return none;
    }
}

bool WorldEditor::IsOverHandle(Vector2 point, Vector2 mousePosition) const
{
    const Tools* tools = Host();
    if (!resizes || !tools)
        return false;
    const Vector2 screen = WorldToScreen(tools->rendererViews, point);
    return std::abs(mousePosition.x - screen.x) < 4.0f && std::abs(mousePosition.y - screen.y) < 4.0f;
}

void WorldEditor::NudgeEntity(EntityReference reference, Vector2 offset, Nudge mode)
{
    Rectangle r = GetEntityBounds(reference);
    const Rectangle before = r;
    const float step = GetGridSize();
    const auto shrink = [step](float& low, float& size, float delta)
    {
        if (delta < 0.0f)
        {
            if (-delta > size)
                size = step;
            else
                size += delta;
        }
        else if (delta > 0.0f)
        {
            if (delta > size)
            {
                low += size - step;
                size = step;
            }
            else
            {
                low += delta;
                size -= delta;
            }
        }
    };
    const auto grow = [](float& low, float& size, float delta)
    {
        if (delta < 0.0f)
        {
            low += delta;
            size -= delta;
        }
        else
            size += delta;
    };
    switch (mode)
    {
    case Nudge::Move:
        r.x += offset.x;
        r.y += offset.y;
        if (const World* world = GetWorld())
        {
            HoldInside(r.x, r.width, world->bounds.x, world->bounds.width, before.x);
            HoldInside(r.y, r.height, world->bounds.y, world->bounds.height, before.y);
        }
        break;
    case Nudge::Grow:
        grow(r.x, r.width, offset.x);
        grow(r.y, r.height, offset.y);
        break;
    case Nudge::Shrink:
        shrink(r.x, r.width, offset.x);
        shrink(r.y, r.height, offset.y);
        break;
    }
    if (mode != Nudge::Move && !KeepInside(reference, r, offset.x != 0.0f, offset.y != 0.0f))
        return;
    SetEntityBounds(reference, r);
    RefreshEntity(reference);
}

void WorldEditor::MoveEntity(EntityReference reference, Vector2 mouse, bool snap)
{
    World* world = GetWorld();
    if (!world)
        return;
    Rectangle r = GetEntityBounds(reference);
    const Rectangle before = r;
    r.x = mouse.x - anchor.x;
    r.y = mouse.y - anchor.y;
    if (snap)
    {
        const auto align = [this](float& low, float size)
        {
            const float lowOffset = GridOffset(*this, low);
            const float highOffset = GridOffset(*this, low + size);
            low += std::abs(highOffset) > std::abs(lowOffset) ? lowOffset : highOffset;
        };
        align(r.x, r.width);
        align(r.y, r.height);
    }
    HoldInside(r.x, r.width, world->bounds.x, world->bounds.width, before.x);
    HoldInside(r.y, r.height, world->bounds.y, world->bounds.height, before.y);
    SetEntityBounds(reference, r);
}

void WorldEditor::ResizeEntity(EntityReference reference, Vector2 mouse, bool snap)
{
    Rectangle r = GetEntityBounds(reference);
    // The dragged edge lands on the grid, on whichever side of the anchor it is: with the anchor on the
    // grid too, both edges do.
    const auto resize = [this, snap](float& low, float& size, float to, float from)
    {
        const float d = (snap ? SnapToGrid(to) : to) - from;
        size = std::abs(d);
        if (size == 0.0f)
            size = GetGridSize();
        low = d < 0.0f ? from - size : from;
    };
    const bool width = dragMode == DragMode::ResizeWidth || dragMode == DragMode::ResizeBoth;
    const bool height = dragMode == DragMode::ResizeHeight || dragMode == DragMode::ResizeBoth;
    if (width)
        resize(r.x, r.width, mouse.x, anchor.x);
    if (height)
        resize(r.y, r.height, mouse.y, anchor.y);
    if (KeepInside(reference, r, width, height))
        SetEntityBounds(reference, r);
}

bool WorldEditor::KeepInside(EntityReference reference, Rectangle& r, bool width, bool height)
{
    const World* world = GetWorld();
    if (!world)
        return false;
    const Rectangle& bounds = world->bounds;
    if ((!width || ClipInside(r.x, r.width, bounds.x, bounds.width)) &&
        (!height || ClipInside(r.y, r.height, bounds.y, bounds.height)))
    {
        resizeProblem.clear();
        return true;
    }
    std::string problem = Lumvek::FormatText(
        "{} {} not resized: it would lie outside the world bounds {} {} {} {}",
        Lumvek::StringView::FromCString(reference.kind < std::size(KindWords) ? KindWords[reference.kind] : ""),
        reference.index, bounds.x, bounds.y, bounds.width, bounds.height);
    // A held drag asks again every frame: said once.
    if (problem != resizeProblem)
        Lumvek::Log::Write("{}", problem);
    resizeProblem = std::move(problem);
    return false;
}

void WorldEditor::PressLeft(World& world, Vector2 point, Vector2 mousePosition, bool spaceHeld,
                            const std::vector<EntityReference>& under)
{
    (void)world;
    dragged = false;
    dragMode = DragMode::None;
    createRefused = false;
    if (spaceHeld || selected.kind == EntityKind::None)
        return;
    const Rectangle r = GetEntityBounds(selected);
    const float x = r.x, y = r.y, w = r.width, h = r.height;
    const struct
    {
        Vector2 handle;
        DragMode mode;
        Vector2 opposite;
    } handles[8] = {
        {{x, y}, DragMode::ResizeBoth, {x + w, y + h}},
        {{x + w / 2, y}, DragMode::ResizeHeight, {x + w / 2, y + h}},
        {{x + w, y}, DragMode::ResizeBoth, {x, y + h}},
        {{x, y + h / 2}, DragMode::ResizeWidth, {x + w, y + h / 2}},
        {{x + w, y + h / 2}, DragMode::ResizeWidth, {x, y + h / 2}},
        {{x, y + h}, DragMode::ResizeBoth, {x + w, y}},
        {{x + w / 2, y + h}, DragMode::ResizeHeight, {x + w / 2, y}},
        {{x + w, y + h}, DragMode::ResizeBoth, {x, y}},
    };
    for (const auto& handle : handles)
        if (IsOverHandle(handle.handle, mousePosition))
        {
            dragMode = handle.mode;
            anchor = handle.opposite;
            return;
        }
    if (std::find(under.begin(), under.end(), selected) != under.end())
    {
        dragMode = DragMode::Move;
        anchor = {point.x - x, point.y - y};
    }
}

void WorldEditor::HoldLeft(Vector2 point, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse)
{
    if (keyboard.held[Key::Space] && createKind != EntityKind::None && dragMode == DragMode::None && !createRefused)
    {
        const float step = GetGridSize();
        selected = CreateEntity({SnapToGrid(point.x), SnapToGrid(point.y)}, {step, step});
        createRefused = selected.kind == EntityKind::None;
        if (selected.kind == EntityKind::SpawnPoint)
        {
            dragMode = DragMode::Move;
            anchor = {0.0f, 0.0f};
        }
        else if (selected.kind != EntityKind::None && resizes)
        {
            // From the corner it was made at, snapped unless the world's edge held it: a drag down or to
            // the left ends on the grid too.
            dragMode = DragMode::ResizeBoth;
            const Rectangle made = GetEntityBounds(selected);
            anchor = {made.x, made.y};
        }
    }
    if (selected.kind != EntityKind::None)
    {
        const bool snap =
            keyboard.held[Key::LeftShift] || keyboard.held[Key::RightShift] || selected.kind == EntityKind::Platform;
        switch (dragMode)
        {
        case DragMode::Move:
            MoveEntity(selected, point, snap);
            break;
        case DragMode::ResizeWidth:
        case DragMode::ResizeHeight:
        case DragMode::ResizeBoth:
            ResizeEntity(selected, point, snap);
            break;
        case DragMode::None:
            break;
        }
        if (dragMode != DragMode::None)
            RefreshEntity(selected);
    }
    if (mouse.position.x != mouse.previousPosition.x || mouse.position.y != mouse.previousPosition.y)
        dragged = true;
}

void WorldEditor::NudgeSelection(const Lumvek::KeyboardState& keyboard)
{
    if (selected.kind == EntityKind::None)
        return;
    float step = GetGridSize();
    if (keyboard.held[Key::LeftShift] || keyboard.held[Key::RightShift])
        step *= 10.0f;
    Vector2 offset;
    // Each press since the last frame nudges once: two quick taps between slow frames move it twice. A
    // held arrow goes on nudging at the system's repeat rate.
    const auto times = [&keyboard](Key key) { return uint32_t(keyboard.pressed[key]) + keyboard.repeated[key]; };
    uint32_t presses = 0;
    if ((presses = times(Key::Left)) != 0)
        offset = {-step, 0.0f};
    else if ((presses = times(Key::Right)) != 0)
        offset = {step, 0.0f};
    else if ((presses = times(Key::Down)) != 0)
        offset = {0.0f, -step};
    else if ((presses = times(Key::Up)) != 0)
        offset = {0.0f, step};
    Nudge mode = Nudge::Move;
    if (resizes && (keyboard.held[Key::LeftControl] || keyboard.held[Key::RightControl]))
        mode = Nudge::Grow;
    else if (resizes && (keyboard.held[Key::LeftAlt] || keyboard.held[Key::RightAlt]))
        mode = Nudge::Shrink;
    for (uint32_t press = 0; press < presses; ++press)
        NudgeEntity(selected, offset, mode);
}

void WorldEditor::Update(uint32_t unused, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse)
{
    (void)unused;
    World* world = GetWorld();
    const Tools* tools = Host();
    if (!open || !world || !tools || mouse.held[MouseButton::Right])
        return;
    // Keys typed into a window's text and clicks on a window are the window's: a Delete or an arrow
    // that edits a number must not delete or move the selection, nor a click on a button pick what
    // lies under it. A drag begun in the world goes on over a window, which then leaves the mouse alone.
    const ImGuiIO* io = ImGui::GetCurrentContext() ? &ImGui::GetIO() : nullptr;
    const bool keysTaken = io && io->WantTextInput;
    if (selected.kind != EntityKind::None && keyboard.released[Key::Delete] && !keysTaken)
    {
        DeleteEntity(selected);
        selected = hovered = EntityReference{};
        return;
    }
    if (io && io->WantCaptureMouse)
    {
        if (mouse.released[MouseButton::Left])
            dragMode = DragMode::None;
        if (!keysTaken)
            NudgeSelection(keyboard);
        return;
    }
    const Vector2 point = tools->ScreenToWorld(mouse);
    const std::vector<EntityReference> under = GetEntitiesAt(*world, point);
    const auto found = std::find(under.begin(), under.end(), selected);

    if (mouse.released[MouseButton::Middle])
    {
        if (selected.kind != EntityKind::None && Inside(GetEntityBounds(selected), point))
            OpenEntityInspector(selected);
        else if (hovered.kind != EntityKind::None && Inside(GetEntityBounds(hovered), point))
            OpenEntityInspector(hovered);
        return;
    }

    if (!keysTaken)
        NudgeSelection(keyboard);

    if (mouse.released[MouseButton::Left])
    {
        if (!dragged)
            selected = hovered;
        dragMode = DragMode::None;
        return;
    }
    if (mouse.pressed[MouseButton::Left])
    {
        PressLeft(*world, point, {mouse.position.x, mouse.position.y}, keyboard.held[Key::Space] != 0, under);
        return;
    }
    if (!mouse.held[MouseButton::Left])
    {
        if (under.empty())
            hovered = EntityReference{};
        else if (found == under.end() || found + 1 == under.end())
            hovered = under.front();
        else
            hovered = *(found + 1);
        return;
    }
    HoldLeft(point, keyboard, mouse);
}

void WorldEditor::DrawWorld(const ToolsView& view, LineRenderer& lines)
{
    (void)view;
    World* world = GetWorld();
    if (!open || !world)
        return;
    for (const SpawnPoint& point : world->GetSpawnPoints())
        lines.DrawRotatedRect({point.x, point.y}, {0.5f, 0.5f},
                              {std::max(point.width, MinimumSpawnSize), std::max(point.height, MinimumSpawnSize)},
                              point.angle, 1.0f, 0xFF000000u, true, 0x44FF00FFu);
    for (const Platform& platform : world->platforms.View())
        if (platform.hidden && platform.body && platform.GetBody().active)
        {
            const Body& body = platform.GetBody();
            lines.DrawRect({body.x, body.y}, {0.0f, 0.0f}, {body.width, body.height}, 1.0f, 0xFF000000u, true,
                           0xCC396292u);
        }
    const float grid = GetGridSize();
    const Rectangle& visible = lines.visible;
    // A grid finer than a pixel would only fill the view: it is skipped rather than drawn solid.
    if (grid > 0.0f && visible.width / grid < 4096.0f && visible.height / grid < 4096.0f)
    {
        const float endX = SnapToGrid(visible.x + visible.width);
        for (float x = SnapToGrid(visible.x); x < endX; x += grid)
            lines.FillRect({x, visible.y}, {0.0f, 0.0f}, {lines.pixelSize.x, visible.height}, 0xFFAAFFAAu);
        const float endY = SnapToGrid(visible.y + visible.height);
        for (float y = SnapToGrid(visible.y); y < endY; y += grid)
            lines.FillRect({visible.x, y}, {0.0f, 0.0f}, {visible.width, lines.pixelSize.y}, 0xFFAAFFAAu);
    }
    if (hovered.kind != EntityKind::None)
    {
        const Rectangle r = GetEntityBounds(hovered);
        lines.DrawRect({r.x, r.y}, {0.0f, 0.0f}, {r.width, r.height}, 3.0f, 0xFFDDDDDDu, false, 0);
    }
    if (selected.kind != EntityKind::None)
    {
        const Rectangle r = GetEntityBounds(selected);
        lines.DrawRect({r.x, r.y}, {0.0f, 0.0f}, {r.width, r.height}, 2.0f, 0xFFFFFFFFu, false, 0);
        if (resizes)
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    lines.DrawRect({r.x + r.width * float(i) / 2.0f, r.y + r.height * float(j) / 2.0f}, {0.5f, 0.5f},
                                   {8.0f * lines.pixelSize.x, 8.0f * lines.pixelSize.y}, 1.0f, 0xFF000000u, true,
                                   0xFFFFFFFFu);
    }
}

void NamePlatform(MapNames& names, Platform& platform)
{
    std::string name = "Platform " + std::to_string(platform.id);
    for (uint32_t more = 2; names.platforms.Find(name); ++more)
        name = "Platform " + std::to_string(platform.id) + " " + std::to_string(more);
    names.platforms.Rename(name, &platform);
}
