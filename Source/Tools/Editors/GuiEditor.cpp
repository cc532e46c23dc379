#include "Source/Tools/Editors/GuiEditor.h"

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Gui/Content.h"
#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Gui/Menu.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

namespace
{

const Lumvek::MenuRecord* FindRecord(const Lumvek::Gui& gui, const Lumvek::Menu* menu, uint64_t serial)
{
    for (uint32_t i = 0; i < gui.GetMenuCount(); ++i)
    {
        const Lumvek::MenuRecord& record = gui.GetRecord(i);
        if (record.menu.get() == menu && record.serial == serial)
            return &record;
    }
    return nullptr;
}

void Outline(ImDrawList& list, const Lumvek::Element& element, ImU32 color)
{
    const Lumvek::Rectangle& rectangle = element.content ? element.content->drawnRectangle : element.drawnRectangle;
    list.AddRect(ImVec2(rectangle.x - 0.5f, rectangle.y - 0.5f),
                 ImVec2(rectangle.x + rectangle.width + 0.5f, rectangle.y + rectangle.height + 0.5f), color, 0.0f, 0,
                 1.0f);
}

} // namespace

GuiEditor::GuiEditor(std::string name, Lumvek::Gui* gui) : Editor(std::move(name)), gui(gui) {}

Lumvek::Gui* GuiEditor::FindGui() const
{
    if (gui)
        return gui;
    const Tools* tools = Tools::Current();
    const Lumvek::Application* application = tools ? tools->GetApplication() : nullptr;
    if (!application)
        return nullptr;
    for (const std::unique_ptr<Lumvek::System>& system : application->GetSystems())
        if (auto* found = dynamic_cast<Lumvek::Gui*>(system.get()))
            return found;
    return nullptr;
}

void GuiEditor::ForgetClosedMenus(const Lumvek::Gui& inspected)
{
    for (Pick* pick : {&hovered, &selected})
        if (pick->element && !FindRecord(inspected, pick->menu, pick->serial))
        {
            *pick = {};
            selectedPath.clear();
        }
}

void GuiEditor::Update(uint32_t, const Lumvek::KeyboardState&, const Lumvek::MouseState& mouse)
{
    Lumvek::Gui* inspected = FindGui();
    if (!inspected)
    {
        hovered = selected = {};
        return;
    }
    ForgetClosedMenus(*inspected);
    // The engine lays menus out in pixels from the top left, as the mouse counts.
    const float x = mouse.position.x;
    const float y = mouse.position.y;
    selectedPath.clear();
    for (uint32_t i = 0; i < inspected->GetMenuCount(); ++i)
    {
        const Lumvek::MenuRecord& record = inspected->GetRecord(i);
        const Lumvek::Rectangle area = inspected->ResolvePlacement(record.placement);
        if (!(area.x < x && x < area.x + area.width && area.y < y && y < area.y + area.height))
            continue;
        found.clear();
        record.menu->GetRoot().FindElementsAt(x, y, false, found);
        if (mouse.released[Lumvek::MouseButton::Left])
        {
            revealSelected = revealSelected || selected.element != hovered.element;
            selected = hovered;
            continue;
        }
        if (mouse.held[Lumvek::MouseButton::Left])
            continue;
        if (found.empty())
        {
            hovered = {};
            continue;
        }
        const auto at = std::find(found.begin(), found.end(), selected.element);
        const size_t next = at == found.end() || at + 1 == found.end() ? 0 : size_t(at - found.begin()) + 1;
        hovered = {found[next], record.menu.get(), record.serial};
    }
}

bool GuiEditor::FindPath(const Lumvek::Element& root, const Lumvek::Element* element)
{
    for (const std::unique_ptr<Lumvek::Element>& child : root.GetChildren())
    {
        selectedPath.push_back(child.get());
        if (child.get() == element || FindPath(*child, element))
            return true;
        selectedPath.pop_back();
    }
    return false;
}

void GuiEditor::DrawElementTree(const Lumvek::Element& element)
{
    const auto& children = element.GetChildren();
    for (size_t position = 0; position < children.size(); ++position)
    {
        const Lumvek::Element& child = *children[position];
        if (revealSelected && std::find(selectedPath.begin(), selectedPath.end(), &child) != selectedPath.end() &&
            &child != selected.element)
            ImGui::SetNextItemOpen(true);
        char label[160];
        if (!child.GetName().empty())
            std::snprintf(label, sizeof(label), "Element %zu - %.*s###Element %zu", position,
                          int(std::min<size_t>(child.GetName().size(), 100)), child.GetName().c_str(), position);
        else
            std::snprintf(label, sizeof(label), "Element %zu", position);
        const ImGuiTreeNodeFlags flags = &child == selected.element ? ImGuiTreeNodeFlags_Selected : 0;
        if (ImGui::TreeNodeEx(label, flags))
        {
            DrawElementTree(child);
            ImGui::TreePop();
        }
    }
}

void GuiEditor::Draw()
{
    Lumvek::Gui* inspected = FindGui();
    if (!inspected)
        return;
    ForgetClosedMenus(*inspected);

    ImDrawList& overlay = *ImGui::GetForegroundDrawList();
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    overlay.PushClipRect(ImVec2(0.0f, 0.0f), display, false);
    if (hovered.element)
        Outline(overlay, *hovered.element, IM_COL32(221, 221, 221, 255));
    if (selected.element)
        Outline(overlay, *selected.element, IM_COL32(225, 225, 225, 255));
    overlay.PopClipRect();

    selectedPath.clear();
    for (uint32_t i = 0; i < inspected->GetMenuCount(); ++i)
    {
        const Lumvek::MenuRecord& record = inspected->GetRecord(i);
        const bool reveal = revealSelected && selected.element && record.menu.get() == selected.menu;
        if (reveal)
        {
            selectedPath.clear();
            FindPath(record.menu->GetRoot(), selected.element);
        }
        char label[32];
        std::snprintf(label, sizeof(label), "Viewport %u", i);
        if (reveal)
            ImGui::SetNextItemOpen(true);
        if (!ImGui::TreeNode(label))
            continue;
        if (reveal)
            ImGui::SetNextItemOpen(true);
        if (ImGui::TreeNode("Menu"))
        {
            if (reveal)
                ImGui::SetNextItemOpen(true);
            if (ImGui::TreeNode("Elements"))
            {
                DrawElementTree(inspected->GetRecord(i).menu->GetRoot());
                ImGui::TreePop();
            }
            ImGui::TreePop();
        }
        ImGui::TreePop();
    }
    revealSelected = false;
}
