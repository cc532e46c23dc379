#include "Source/Tools/Editors/GameEditor.h"

#include "Source/Tools/Tools.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <string>

using Lumvek::Vector2;

std::vector<EntityReference> GameEditor::GetEntitiesAt(World& world, Vector2 point)
{
    std::vector<EntityReference> found;
    for (const Pickup& pickup : world.pickupGrid.QueryPoint(point))
        found.push_back({EntityKind::Pickup, pickup.id});
    for (auto player = world.activePlayers.rbegin(); player != world.activePlayers.rend(); ++player)
    {
        const Lumvek::Rectangle bounds = (*player)->GetBody().GetBounds();
        if ((*player)->GetBody().active && bounds.x < point.x && point.x < bounds.x + bounds.width &&
            bounds.y < point.y && point.y < bounds.y + bounds.height)
            found.push_back({EntityKind::Player, (*player)->index});
    }
    for (const Projectile& projectile : world.projectileGrid.QueryPoint(point))
        found.push_back({EntityKind::Projectile, projectile.id});
    for (const Trigger& trigger : world.triggerGrid.QueryPoint(point))
        found.push_back({EntityKind::Trigger, trigger.id});
    for (const Visual& visual : world.visualGrid.QueryPoint(point))
        found.push_back({EntityKind::Visual, visual.id});
    return found;
}

void GameEditor::Show(EntityReference reference, Vector2 position)
{
    selected = reference;
    if (Tools* tools = Host())
        tools->camera.centre = position;
    OpenEntityInspector(reference);
}

void GameEditor::Draw()
{
    World* world = GetWorld();
    if (!world)
        return;
    // A click may remove what the lists walk (a window that deletes, a player leaving): after one, the
    // rest of the list waits for the next frame.
    const auto button = [](const char* word, uint32_t id)
    {
        ImGui::PushID(static_cast<int>(id));
        const bool pressed = ImGui::Button((std::string(word) + " " + std::to_string(id)).c_str(), ImVec2(-1.0f, 0.0f));
        ImGui::PopID();
        return pressed;
    };
    if (ImGui::CollapsingHeader("Pickups"))
        for (const Pickup& pickup : world->pickups.View())
            if (button("Pickup", pickup.id))
            {
                Show({EntityKind::Pickup, pickup.id}, {pickup.GetBody().x, pickup.GetBody().y});
                break;
            }
    if (ImGui::CollapsingHeader("Players"))
        for (const Player* player : world->activePlayers)
            if (button("Player", player->index))
            {
                Show({EntityKind::Player, player->index}, {player->GetBody().x, player->GetBody().y});
                break;
            }
    if (ImGui::CollapsingHeader("Projectiles"))
        for (const std::unique_ptr<Projectile>& projectile : world->projectiles.View())
            if (projectile && button("Projectile", projectile->id))
            {
                Show({EntityKind::Projectile, projectile->id}, {projectile->GetBody().x, projectile->GetBody().y});
                break;
            }
    if (ImGui::CollapsingHeader("Triggers"))
        for (const Trigger& trigger : world->triggers.View())
            if (button("Trigger", trigger.id))
            {
                Show({EntityKind::Trigger, trigger.id}, {trigger.GetBody().x, trigger.GetBody().y});
                break;
            }
    if (ImGui::CollapsingHeader("Visuals"))
        for (const Visual& visual : world->visuals.View())
            if (button("Visual", visual.id))
            {
                Show({EntityKind::Visual, visual.id}, {visual.GetBody().x, visual.GetBody().y});
                break;
            }
}
