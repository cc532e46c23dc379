#include "Source/Tools/Inspectors/SpawnPointInspector.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/NameTables.h"
#include "Source/Tools/Editors/WorldEditor.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <string>

bool SpawnPointInspector::ShowsEntity(uint32_t kind, uint32_t entity) const
{
    return kind == EntityKind::SpawnPoint && entity == index;
}

void SpawnPointInspector::Draw()
{
    const Tools* tools = Tools::Current();
    World* world = tools ? tools->GetWorld() : nullptr;
    // The match may have ended or the list shrunk by other means: a window past the list has nothing to
    // show and must not read another point.
    if (!world || index >= world->GetSpawnPoints().size())
    {
        open = 0;
        return;
    }
    // Edited as a copy and handed back through the world's books.
    SpawnPoint point = world->GetSpawnPoints()[index];
    Lumvek::Vector2 position{point.x, point.y};
    if (PropertyInput::Vector2("Position", &position))
    {
        // Inside the bounds, as a drag holds the point and the bounds are held around it: a player put
        // on a point outside would play outside the world.
        const Lumvek::Rectangle& bounds = world->bounds;
        if (position.x >= bounds.x && position.x <= bounds.x + bounds.width && position.y >= bounds.y &&
            position.y <= bounds.y + bounds.height)
        {
            point.x = position.x;
            point.y = position.y;
        }
        else
            Lumvek::Log::Write(
                "Spawn Point {}: the position {} {} is refused: it lies outside the world bounds {} {} {} {}", index,
                position.x, position.y, bounds.x, bounds.y, bounds.width, bounds.height);
    }
    Lumvek::Vector2 size{point.width, point.height};
    if (PropertyInput::Vector2("Size", &size))
    {
        // A point of no size places its players nowhere a drag can grab it; the editor's own zeroed
        // points are made that way, a typed one is not.
        if (size.x > 0.0f && size.y > 0.0f)
        {
            point.width = size.x;
            point.height = size.y;
        }
        else
            Lumvek::Log::Write("Spawn Point {}: the size {} {} is refused: a width and a height above 0 are needed",
                               index, size.x, size.y);
    }
    PropertyInput::Angle("Angle", &point.angle);
    ImGui::Checkbox("Flipped", &point.flipped);
    if (ImGui::CollapsingHeader("Spawn Mask"))
    {
        PropertyInput::PushScope("Spawn Mask");
        const Lumvek::NameList& names = SpawnMaskNames();
        // Three tags a row: one a row made the window taller than a small screen, hiding the last tags.
        // Laid out by hand, as a table would give the boxes other ids.
        const float left = ImGui::GetCursorPosX();
        const float column = ImGui::GetContentRegionAvail().x / 3.0f;
        for (uint32_t bit = 0; bit < 17; ++bit)
        {
            if (bit % 3 != 0)
                ImGui::SameLine(left + column * static_cast<float>(bit % 3));
            bool set = (point.mask.bits >> bit & 1u) != 0;
            const std::string label =
                bit < names.Count() ? std::string(names.GetName(bit).ToStdView()) : std::to_string(bit);
            if (ImGui::Checkbox(label.c_str(), &set))
                point.mask.bits = set ? point.mask.bits | 1u << bit : point.mask.bits & ~(1u << bit);
        }
        PropertyInput::PopScope();
    }
    if (!(point == world->GetSpawnPoints()[index]))
        world->SetSpawnPoint(index, point);
}
