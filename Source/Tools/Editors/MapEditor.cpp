#include "Source/Tools/Editors/MapEditor.h"

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Tools/Editors/ThemeEditor.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/MapCheck.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <cmath>
#include <cstring>
#include <string>

using Lumvek::Rectangle;
using Lumvek::Vector2;

namespace
{

struct CreateMode
{
    const char* name;
    uint32_t kind;
};
constexpr CreateMode CreateModes[] = {
    {"Create Platform", EntityKind::Platform}, {"Create Spawn Point", EntityKind::SpawnPoint},
    {"Create Hazard", EntityKind::Hazard},     {"Create Interaction", EntityKind::Interaction},
    {"Create Zone", EntityKind::Zone},
};

const std::vector<std::string>& CreateModeNames()
{
    static const std::vector<std::string> names = []
    {
        std::vector<std::string> list;
        for (const CreateMode& mode : CreateModes)
            list.emplace_back(mode.name);
        return list;
    }();
    return names;
}

// The smallest world side the editors' quarter-unit margin leaves room in.
constexpr float MinimumWorldSide = 1.0f;

} // namespace

MapEditor::MapEditor(std::string name) : WorldEditor(std::move(name), true, EntityKind::Platform) {}

std::vector<EntityReference> MapEditor::GetEntitiesAt(World& world, Vector2 point)
{
    std::vector<EntityReference> found;
    for (size_t i = 0; i < world.GetSpawnPoints().size(); ++i)
    {
        const SpawnPoint& spawn = world.GetSpawnPoints()[i];
        const float w = std::max(spawn.width, 0.1f), h = std::max(spawn.height, 0.1f);
        if (std::abs(point.x - spawn.x) < w / 2.0f && std::abs(point.y - spawn.y) < h / 2.0f)
        {
            found.push_back({EntityKind::SpawnPoint, static_cast<uint32_t>(i)});
            break;
        }
    }
    for (const Platform& platform : world.platformGrid.QueryPoint(point))
        found.push_back({EntityKind::Platform, platform.id});
    for (const Hazard& hazard : world.hazardGrid.QueryPoint(point))
        found.push_back({EntityKind::Hazard, hazard.id});
    for (const Zone& zone : world.zoneGrid.QueryPoint(point))
        found.push_back({EntityKind::Zone, zone.id});
    for (const Interaction& interaction : world.interactionGrid.QueryPoint(point))
        found.push_back({EntityKind::Interaction, interaction.id});
    return found;
}

bool MapEditor::Save()
{
    World* world = GetWorld();
    Tools* tools = Host();
    if (!world || !tools)
        return false;
    return SaveMapData(*world, tools->mapNames);
}

void MapEditor::SetMode(uint32_t newMode)
{
    if (newMode >= std::size(CreateModes))
        return;
    mode = newMode;
    createKind = CreateModes[newMode].kind;
}

bool MapEditor::SetWorldBounds(const Rectangle& bounds)
{
    World* world = GetWorld();
    if (!world)
        return false;
    if (!std::isfinite(bounds.x) || !std::isfinite(bounds.y) || !(bounds.width >= MinimumWorldSide) ||
        !(bounds.height >= MinimumWorldSide) || !std::isfinite(bounds.width) || !std::isfinite(bounds.height))
        return Refuse(bounds, Lumvek::FormatText("world bounds {} x {} refused: each side must be at least {}",
                                                 bounds.width, bounds.height, MinimumWorldSide));
    if (std::string outside = FindOutside(*world, bounds); !outside.empty())
        return Refuse(bounds, Lumvek::FormatText("Bounds {} {} {} {} refused: {} would lie outside", bounds.x, bounds.y,
                                                 bounds.width, bounds.height, outside));
    // The grids must cover the new area too, or nothing could be made or moved in it.
    if (!world->SetBounds(bounds))
        return Refuse(bounds, Lumvek::FormatText("Bounds {} {} {} {} refused: the world's grids cannot cover them "
                                                 "with every entity of the match inside",
                                                 bounds.x, bounds.y, bounds.width, bounds.height));
    boundsProblem.clear();
    refusedBounds = Rectangle{0.0f, 0.0f, 0.0f, 0.0f};
    return true;
}

bool MapEditor::Refuse(const Rectangle& bounds, std::string reason)
{
    // Compared bit for bit: refused NaN bounds are the same bounds asked again, though unequal.
    const bool again = boundsProblem == reason && std::memcmp(&bounds, &refusedBounds, sizeof bounds) == 0;
    boundsProblem = std::move(reason);
    refusedBounds = bounds;
    if (!again)
        Lumvek::Log::Write("{}", boundsProblem);
    return false;
}

namespace
{

// Where the grids cannot hold it, or wholly past an edge of the bounds: a wall may stand just beyond
// an edge, but nothing may lie where no player reaches it.
bool LiesOutside(const Rectangle& bounds, const Rectangle& r)
{
    return !World::GridsHold(bounds, r) || r.x > bounds.x + bounds.width || r.x + r.width < bounds.x ||
           r.y > bounds.y + bounds.height || r.y + r.height < bounds.y;
}

template <class Record> bool LiesOutside(const Rectangle& bounds, const Record& record)
{
    return LiesOutside(bounds, record.GetBody().GetBounds());
}

// A moving platform lies wherever its path takes it.
bool LiesOutside(const Rectangle& bounds, const Platform& platform)
{
    const Rectangle body = platform.GetBody().GetBounds();
    if (LiesOutside(bounds, body))
        return true;
    if (const PathedBody* pathed = platform.GetPathedBody())
        for (const PathKey& key : pathed->path)
            if (LiesOutside(bounds, Rectangle{key.x, key.y, body.width, body.height}))
                return true;
    return false;
}

} // namespace

std::string MapEditor::FindOutside(World& world, const Rectangle& bounds) const
{
    const Tools* tools = Host();
    std::vector<std::string> outside;
    // A map load leaves out what its grids cannot hold, and the next save would then lose it.
    const auto check = [&](const char* word, const auto& records, const auto& names)
    {
        for (const auto& record : records)
        {
            if (!record.fromMap || !LiesOutside(bounds, record))
                continue;
            std::string& item =
                outside.emplace_back(Lumvek::FormatText("{} {}", Lumvek::StringView::FromCString(word), record.id));
            if (const std::string* name = names.FindName(&record))
                item += Lumvek::FormatText(" \"{}\"", *name);
        }
    };
    static const MapNames none;
    const MapNames& names = tools ? tools->mapNames : none;
    check("Platform", world.platforms.View(), names.platforms);
    check("Hazard", world.hazards.View(), names.hazards);
    check("Zone", world.zones.View(), names.zones);
    check("Interaction", world.interactions.View(), names.interactions);
    check("Visual", world.visuals.View(), names.visuals);
    // A player put on a point outside would play outside the world.
    for (size_t i = 0; i < world.GetSpawnPoints().size(); ++i)
        if (const SpawnPoint& point = world.GetSpawnPoints()[i];
            !(point.x >= bounds.x && point.x <= bounds.x + bounds.width && point.y >= bounds.y &&
              point.y <= bounds.y + bounds.height))
            outside.push_back(Lumvek::FormatText("Spawn Point {}", i));
    return ListSome(outside);
}

std::string MapEditor::KeptNote() const
{
    const Tools* tools = Host();
    if (!tools || tools->mapNames.kept.empty())
        return std::string();
    std::vector<std::string> kept;
    for (const auto& [key, after, element] : tools->mapNames.kept)
    {
        // "Platforms" names a platform.
        std::string item = key.substr(0, key.size() - (!key.empty() && key.back() == 's' ? 1 : 0));
        const Lumvek::Blueprint* name = element.GetObject().Find("Name");
        const Lumvek::Blueprint* position = element.GetObject().Find("Position");
        if (name && name->GetType() == Lumvek::BlueprintType::String)
            item += Lumvek::FormatText(" \"{}\"", name->GetString());
        else if (position && position->GetType() == Lumvek::BlueprintType::String)
            item += Lumvek::FormatText(" at {}", position->GetString());
        kept.push_back(std::move(item));
    }
    return Lumvek::FormatText("{} entities of the map file could not be placed in this match; Save keeps them as "
                              "read: {}",
                              kept.size(), ListSome(kept));
}

std::string MapEditor::BackgroundLabel(const ThemeBackground& layer)
{
    Lumvek::BufferWriter writer;
    if (layer.texture != Lumvek::InvalidId)
        writer.WriteText(Lumvek::NameTableC().GetName(layer.texture));
    else if (layer.bottomColor != layer.topColor)
        Lumvek::FormatString(writer, "{} -> {}", layer.bottomColor, layer.topColor);
    else
        Lumvek::FormatString(writer, "{}", layer.bottomColor);
    return std::string(writer.GetView().ToStdView());
}

bool MapEditor::AddBackground()
{
    World* world = GetWorld();
    Tools* tools = Host();
    if (!world || !world->GetContext().mapBackgrounds)
        return false;
    ThemeBackground layer;
    layer.texture = Lumvek::InvalidId;
    layer.bottomColor = Lumvek::Color{255, 255, 0, 255};
    layer.topColor = Lumvek::Color{255, 0, 255, 255};
    layer.left = -20.0f;
    layer.right = 20.0f;
    layer.bottom = -20.0f;
    layer.top = 20.0f;
    layer.depth = 0.0f;
    layer.pinLeft = layer.pinRight = layer.pinBottom = layer.pinTop = true;
    layer.UpdateBounds(world->bounds, tools ? tools->GetDevice() : nullptr);
    world->GetContext().mapBackgrounds->push_back(layer);
    return true;
}

void MapEditor::Show(EntityReference reference, Vector2 position)
{
    selected = reference;
    if (Tools* tools = Host())
        tools->camera.centre = position;
    OpenEntityInspector(reference);
}

void MapEditor::DrawCheck(World& world)
{
    Tools* tools = Host();
    if (!tools)
        return;
    ImGui::Separator();
    ImGui::TextUnformatted("Map check");
    // Checks the map as it stands in the editor, with the mode and teams of the match.
    if (ImGui::Button("Check again", ImVec2(-1.0f, 0.0f)))
    {
        const GameContext& context = world.GetContext();
        const DataRegistry* registry = context.registry;
        const GameTypeData* mode = registry ? registry->gameTypes.Get(context.configuration.gameType) : nullptr;
        const std::string path = GetMapPath(world);
        const std::string file = registry && !path.empty() ? registry->GetFiles().NameFile(path) : "the map";
        tools->mapCheck = CheckMap(world, file, mode ? Lumvek::StringView(mode->name) : Lumvek::StringView());
        for (const std::string& line : tools->mapCheck.lines)
            Lumvek::Log::Write("{}", line);
    }
    const MapCheck& check = tools->mapCheck;
    if (check.lines.empty())
        ImGui::TextWrapped("The map has what its match needs.");
    else if (!check.unplayable.empty())
    {
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
        ImGui::TextWrapped("The map cannot be played; outside the tools no match starts on it.");
        ImGui::PopStyleColor();
    }
    else
        ImGui::TextWrapped("The map plays, but not fully:");
    for (const std::string& line : check.lines)
        ImGui::TextWrapped("- %s", line.c_str());
}

void MapEditor::Draw()
{
    World* world = GetWorld();
    if (!world)
        return;
    if (ImGui::Button("Save", ImVec2(-1.0f, 0.0f)))
        Save();
    uint32_t chosen = mode;
    if (PropertyInput::Combo("Mode", &chosen, CreateModeNames()))
        SetMode(chosen);

    Rectangle bounds = world->bounds;
    bool changed = PropertyInput::Float("Bounds X", &bounds.x);
    changed |= PropertyInput::Float("Bounds Y", &bounds.y);
    changed |= PropertyInput::Float("Bounds Width", &bounds.width);
    changed |= PropertyInput::Float("Bounds Height", &bounds.height);
    if (changed)
        SetWorldBounds(bounds);
    if (const Lumvek::ReadReport& report = world->mapFile.report; !report.IsWhole())
        ImGui::TextWrapped("The map was not read whole: Save leaves its file as it is until each member named "
                           "is set. %s",
                           report.Describe().c_str());
    if (const Tools* tools = Host(); tools && !tools->mapNames.repeatedNames.empty())
        ImGui::TextWrapped("These entities take a name an earlier one of their kind has; Save keeps each name: %s",
                           ListSome(tools->mapNames.repeatedNames).c_str());
    if (!boundsProblem.empty())
        ImGui::TextWrapped("%s", boundsProblem.c_str());
    if (const std::string kept = KeptNote(); !kept.empty())
        ImGui::TextWrapped("%s", kept.c_str());
    if (!createProblem.empty())
        ImGui::TextWrapped("%s", createProblem.c_str());
    if (!resizeProblem.empty())
        ImGui::TextWrapped("%s", resizeProblem.c_str());
    DrawCheck(*world);

    const DataRegistry* registry = world->GetContext().registry;
    if (registry)
    {
        const auto choice =
            [](const char* scope, const char* label, uint32_t* value, const std::vector<std::string>& names)
        {
            PropertyInput::PushScope(Lumvek::StringView::FromCString(scope));
            PropertyInput::Combo(Lumvek::StringView::FromCString(label), value, names);
            PropertyInput::PopScope();
        };
        if (createKind == EntityKind::Hazard)
            choice("Hazard Region", "Hazard", &hazardChoice, registry->hazards.GetNames());
        if (createKind == EntityKind::Interaction)
            choice("Interaction Region", "Interaction", &interactionChoice, registry->interactions.GetNames());
        if (createKind == EntityKind::Zone)
            choice("Zone Region", "Zone", &zoneChoice, registry->zones.GetNames());
    }

    if (ImGui::CollapsingHeader("Spawn Points"))
        for (size_t i = 0; i < world->GetSpawnPoints().size(); ++i)
            if (ImGui::Button(("Spawn Point " + std::to_string(i)).c_str(), ImVec2(-1.0f, 0.0f)))
            {
                const SpawnPoint& point = world->GetSpawnPoints()[i];
                Show({EntityKind::SpawnPoint, static_cast<uint32_t>(i)}, {point.x, point.y});
                // The list may have changed under the click; nothing more is read from it this frame.
                break;
            }
    const auto list = [this](const char* header, const char* word, uint32_t kind, auto records)
    {
        if (!ImGui::CollapsingHeader(header))
            return;
        for (const auto& record : records)
            if (record.fromMap && record.GetBody().active &&
                ImGui::Button((std::string(word) + " " + std::to_string(record.id)).c_str(), ImVec2(-1.0f, 0.0f)))
            {
                Show({kind, record.id}, {record.GetBody().x, record.GetBody().y});
                break;
            }
    };
    list("Platforms", "Platform", EntityKind::Platform, world->platforms.View());
    list("Hazards", "Hazard", EntityKind::Hazard, world->hazards.View());
    list("Zones", "Zone", EntityKind::Zone, world->zones.View());
    list("Interactions", "Interaction", EntityKind::Interaction, world->interactions.View());

    // The layers belong to the game renderer, which goes with the world: so do their windows.
    if (ImGui::CollapsingHeader("Backgrounds"))
    {
        if (std::vector<ThemeBackground>* layers = world->GetContext().mapBackgrounds)
            for (size_t i = 0; i < layers->size(); ++i)
            {
                const std::string label = BackgroundLabel((*layers)[i]);
                ImGui::PushID(static_cast<int>(i));
                if (ImGui::Button(label.c_str(), ImVec2(-1.0f, 0.0f)))
                    ThemeEditor::OpenBackground(label, *layers, static_cast<uint32_t>(i), true);
                ImGui::PopID();
            }
        if (ImGui::Button("Add Background", ImVec2(-1.0f, 0.0f)))
            AddBackground();
    }
}
