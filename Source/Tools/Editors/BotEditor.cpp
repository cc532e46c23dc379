#include "Source/Tools/Editors/BotEditor.h"

#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Platform.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

namespace
{

void Outline(LineRenderer& lines, const Lumvek::Rectangle& bounds, float thickness, uint32_t color)
{
    lines.DrawRect({bounds.x, bounds.y}, {0.0f, 0.0f}, {bounds.width, bounds.height}, thickness, color, false, 0);
}

void DrawPath(LineRenderer& lines, const std::vector<Waypoint*>& path)
{
    for (size_t i = 1; i < path.size(); ++i)
        lines.DrawLine({path[i - 1]->x, path[i - 1]->y}, {path[i]->x, path[i]->y}, 2.0f, BotEditor::PathColor);
}

} // namespace

World* BotEditor::GetWorld() const
{
    const Tools* tools = Tools::Current();
    return tools ? tools->GetWorld() : nullptr;
}

void BotEditor::Update(uint32_t, const Lumvek::KeyboardState&, const Lumvek::MouseState& mouse)
{
    World* world = GetWorld();
    const Tools* tools = Tools::Current();
    if (!world || !tools)
        return;
    found.clear();
    // A click on the panel is the panel's: its release must not pick what lies under the button
    // before the button reads the selection.
    if (ImGui::GetCurrentContext() && ImGui::GetIO().WantCaptureMouse)
        return;
    for (Platform& platform : world->platformGrid.QueryPoint(tools->ScreenToWorld(mouse)))
        found.push_back(&platform);
    if (mouse.released[Lumvek::MouseButton::Left])
    {
        selected = hovered;
        return;
    }
    if (mouse.held[Lumvek::MouseButton::Left])
        return;
    // The entry after the selected one, so that repeated clicks on one spot cycle through the
    // platforms stacked there.
    const auto at = std::find(found.begin(), found.end(), selected);
    if (found.empty())
        hovered = nullptr;
    else
        hovered = at == found.end() || at + 1 == found.end() ? found.front() : *(at + 1);
}

void BotEditor::Go()
{
    World* world = GetWorld();
    if (!world || !start || !end || world->activePlayers.empty())
    {
        goProblem = "Go needs a start, an end and a player in the match";
        return;
    }
    const NavNode* from = world->navigator.NodeOf(start);
    const NavNode* to = world->navigator.NodeOf(end);
    // A platform left out of the graph (impassable, moving) has no node to search from or to.
    if (!from || !to)
    {
        goProblem =
            from ? "The end platform is not in the bots' graph" : "The start platform is not in the bots' graph";
        return;
    }
    goProblem.clear();
    const float fromX = from->bounds.x + from->bounds.width / 2.0f;
    const float toX = to->bounds.x + to->bounds.width / 2.0f;
    world->navigator.FindPath(BotMotion::Of(*world->activePlayers.front()), *from, fromX, *to, toX, path);
    pathBuild = world->navigator.GetBuilds();
}

void BotEditor::Draw()
{
    World* world = GetWorld();
    if (!world)
        return;
    BotNavigator& navigator = world->navigator;
    char cost[64];
    std::snprintf(cost, sizeof(cost), "Cost: %g", static_cast<double>(navigator.GetLastCost()));
    ImGui::TextUnformatted(cost);
    ImGui::Checkbox("Draw Paths", &drawPaths);
    ImGui::Checkbox("Draw Connections", &drawConnections);
    ImGui::Checkbox("Draw Links", &drawLinks);
    PropertyInput::Separator();
    bool disabled = navigator.paused != 0;
    if (ImGui::Checkbox("Disable Input", &disabled))
        navigator.paused = disabled ? 1 : 0;
    if (ImGui::Button("Set Start"))
        SetStart();
    ImGui::SameLine();
    if (ImGui::Button("Set End"))
        SetEnd();
    ImGui::SameLine();
    if (ImGui::Button("Go"))
        Go();
    if (!goProblem.empty())
        ImGui::TextUnformatted(goProblem.c_str());
}

void BotEditor::DrawWorld(const ToolsView&, LineRenderer& lines)
{
    World* world = GetWorld();
    if (!world)
        return;
    if (hovered)
        Outline(lines, hovered->GetBody().GetBounds(), 3.0f, HoveredColor);
    if (selected)
    {
        Outline(lines, selected->GetBody().GetBounds(), 2.0f, SelectedColor);
        if (const NavNode* node = world->navigator.NodeOf(selected))
        {
            if (drawConnections)
                for (const NavLink& link : node->links)
                {
                    const float bottom = std::min(node->Top(), link.other->Top());
                    const float height = std::max(node->Top(), link.other->Top()) - bottom;
                    const bool rightward = link.b > link.a;
                    lines.DrawRect(
                        {std::min(link.a, link.b), bottom}, {0.0f, 0.0f}, {std::abs(link.b - link.a), height}, 1.0f,
                        rightward ? RightwardOutline : OtherOutline, true, rightward ? RightwardFill : OtherFill);
                }
            if (drawLinks)
                for (const std::unique_ptr<Waypoint>& waypoint : node->waypoints)
                    for (const Waypoint::Neighbour& neighbour : waypoint->neighbours)
                        lines.DrawLine({waypoint->x, waypoint->y}, {neighbour.waypoint->x, neighbour.waypoint->y}, 2.0f,
                                       LinkColor);
        }
    }
    if (drawPaths)
        for (const BotState& bot : world->navigator.bots)
            DrawPath(lines, bot.path);
    if (pathBuild != world->navigator.GetBuilds())
        path.clear();
    DrawPath(lines, path);
}

void BotEditor::WorldDestroyed()
{
    hovered = selected = start = end = nullptr;
    path.clear();
    found.clear();
    goProblem.clear();
}
