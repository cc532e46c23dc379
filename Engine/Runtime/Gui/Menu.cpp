#include "Engine/Runtime/Gui/Menu.h"

#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"

#include <algorithm>
#include <cmath>

namespace Lumvek
{

Menu::Menu() : root(this) {}

Menu::~Menu()
{
    // The elements take themselves out of the lists below as they go, so they must go while those
    // lists still exist; the root, a member, would otherwise go after them.
    root.children.clear();
    root.owner = nullptr;
}

Element* Menu::GetElement(StringView name) const
{
    const auto found = namePositions.find(name.ToString());
    return found == namePositions.end() ? nullptr : names[found->second].second;
}

bool Menu::SetElementName(Element& element, StringView name)
{
    if (element.owner != this)
        return false;
    const std::string newName = name.ToString();
    if (newName == element.name)
        return true;
    // Refused before anything changes: dropping the old name first would leave the element holding
    // a name the index no longer knows, which a later holder of that name could lose through it.
    if (!newName.empty() && namePositions.contains(newName))
        return false;
    if (!element.name.empty())
        RemoveName(element.name);
    if (!newName.empty())
    {
        namePositions.emplace(newName, static_cast<uint32_t>(names.size()));
        names.emplace_back(newName, &element);
    }
    element.name = newName;
    return true;
}

void Menu::RemoveName(const std::string& name)
{
    const auto found = namePositions.find(name);
    if (found == namePositions.end())
        return;
    const uint32_t position = found->second;
    namePositions.erase(found);
    names.erase(names.begin() + position);
    for (uint32_t later = position; later < names.size(); ++later)
        namePositions[names[later].first] = later;
}

void Menu::FocusElement(Element& element)
{
    if (element.owner != this || IsFocused(element))
        return;
    focused.push_back(&element);
    if (element.actions)
        element.actions->Focus();
}

void Menu::BlurElement(Element& element)
{
    const auto found = std::find(focused.begin(), focused.end(), &element);
    if (found == focused.end())
        return;
    focused.erase(found);
    if (element.actions)
        element.actions->Blur();
}

bool Menu::IsFocused(const Element& element) const
{
    return std::find(focused.begin(), focused.end(), &element) != focused.end();
}

void Menu::ForgetElement(Element& element)
{
    focused.erase(std::remove(focused.begin(), focused.end(), &element), focused.end());
    if (hovered == &element)
        hovered = nullptr;
    if (pointerTarget == &element)
        pointerTarget = nullptr;
    if (!element.name.empty())
    {
        const auto found = namePositions.find(element.name);
        if (found != namePositions.end() && names[found->second].second == &element)
            RemoveName(element.name);
    }
}

template <class Call> void Menu::ForEachFocused(Call call)
{
    if (focused.empty())
        return;
    // Calls may focus, blur or destroy elements: walk a copy, and skip what has left the list since.
    std::vector<Element*> nestedCopy;
    std::vector<Element*>& elements = focusedPasses == 0 ? focusedCopy : nestedCopy;
    elements.assign(focused.begin(), focused.end());
    ++focusedPasses;
    for (Element* element : elements)
    {
        // Compared by address only: an element destroyed meanwhile is no longer in the list.
        if (std::find(focused.begin(), focused.end(), element) != focused.end() && element->actions)
            call(*element->actions);
    }
    --focusedPasses;
}

void Menu::RunInputPass(float seconds, const GuiInput& input)
{
    Update(seconds);
    ForEachFocused([&](ElementActions& actions) { actions.Update(seconds); });

    for (uint32_t player = 0; player < ControllerCount; ++player)
    {
        if (!playerInput[player])
            continue;
        const ControllerState& pad = input.controllers[player];
        if (pad.connected && !pad.previousConnected)
            ControllerConnected(player);
        else if (!pad.connected && pad.previousConnected)
            ControllerDisconnected(player);
        if (pad.leftTrigger != pad.previousLeftTrigger)
        {
            LeftTriggerChanged(player, pad.leftTrigger);
            ForEachFocused([&](ElementActions& actions) { actions.LeftTriggerChanged(player, pad.leftTrigger); });
        }
        if (pad.rightTrigger != pad.previousRightTrigger)
        {
            RightTriggerChanged(player, pad.rightTrigger);
            ForEachFocused([&](ElementActions& actions) { actions.RightTriggerChanged(player, pad.rightTrigger); });
        }
        const InputVector left = pad.leftStick;
        if (left.x != pad.previousLeftStick.x || left.y != pad.previousLeftStick.y)
        {
            LeftStickChanged(player, left.x, left.y);
            ForEachFocused([&](ElementActions& actions) { actions.LeftStickChanged(player, left.x, left.y); });
        }
        const InputVector right = pad.rightStick;
        if (right.x != pad.previousRightStick.x || right.y != pad.previousRightStick.y)
        {
            RightStickChanged(player, right.x, right.y);
            ForEachFocused([&](ElementActions& actions) { actions.RightStickChanged(player, right.x, right.y); });
        }
        for (uint32_t button = 0; button < ControllerButtonCount; ++button)
        {
            if (pad.pressed[button])
            {
                ButtonPressed(player, button);
                ForEachFocused([&](ElementActions& actions) { actions.ButtonPressed(player, button); });
            }
            if (pad.released[button])
            {
                ButtonReleased(player, button);
                ForEachFocused([&](ElementActions& actions) { actions.ButtonReleased(player, button); });
            }
        }
    }

    if (keyboardInput)
    {
        for (uint32_t key = 0; key < KeyCount; ++key)
        {
            if (input.keyboard.pressed[key])
            {
                KeyPressed(key);
                ForEachFocused([&](ElementActions& actions) { actions.KeyPressed(key); });
            }
            if (input.keyboard.released[key])
            {
                KeyReleased(key);
                ForEachFocused([&](ElementActions& actions) { actions.KeyReleased(key); });
            }
        }
    }

    if (!mouseInput)
        return;
    const MouseState& mouse = input.mouse;
    const float x = mouse.position.x;
    const float y = mouse.position.y;
    if (x != mouse.previousPosition.x || y != mouse.previousPosition.y)
    {
        MouseMove(x, y);
        // Looked up after the menu's own call, which may have rebuilt the tree; elements destroyed
        // by the calls below drop out of pointerTarget and hovered.
        pointerTarget = root.FindElementAt(x, y, {0.0f, 0.0f}, true);
        if (pointerTarget && pointerTarget == hovered)
        {
            pointerTarget->actions->MouseMove(x, y);
        }
        else
        {
            if (pointerTarget)
                pointerTarget->actions->MouseEnter(x, y);
            if (hovered && hovered->actions)
                hovered->actions->MouseLeave(x, y);
        }
        hovered = pointerTarget;
        pointerTarget = nullptr;
    }
    if (mouse.wheel.x != mouse.previousWheel.x || mouse.wheel.y != mouse.previousWheel.y)
    {
        MouseScroll(mouse.wheel.x, mouse.wheel.y);
        if (hovered && hovered->actions)
            hovered->actions->MouseScroll(mouse.wheel.x, mouse.wheel.y);
    }
    for (uint32_t button = 0; button < MouseButtonCount; ++button)
    {
        if (mouse.pressed[button])
        {
            MouseButtonPressed(button);
            if (hovered && hovered->actions)
                hovered->actions->MouseButtonPressed(button);
        }
        if (mouse.released[button])
        {
            MouseButtonReleased(button);
            if (hovered && hovered->actions)
                hovered->actions->MouseButtonReleased(button);
        }
    }
}

void Menu::Layout(float deviceWidth, float deviceHeight)
{
    const UnitRectangle::Resolved area = placement.Resolve(deviceWidth, deviceHeight);
    YGNodeRef node = root.node;
    YGNodeStyleSetPositionType(node, YGPositionTypeAbsolute);
    YGNodeStyleSetPosition(node, YGEdgeLeft, std::trunc(area.x));
    YGNodeStyleSetPosition(node, YGEdgeTop, std::trunc(area.y));
    YGNodeStyleSetWidth(node, std::max(0.0f, std::trunc(area.width)));
    YGNodeStyleSetHeight(node, std::max(0.0f, std::trunc(area.height)));
    YGNodeCalculateLayout(node, area.width, area.height, YGDirectionLTR);
}

void Menu::Draw(float seconds, GraphicsDevice& device, DrawList& drawList, std::vector<uint32_t>& clipIndices,
                Geometry& vertexBuffer, Geometry& indexBuffer, uint32_t renderTarget)
{
    if (!root.visible)
        return;
    device.GetCommands().push_back(GraphicsCommand::SetColorTarget(renderTarget, 0));
    device.GetCommands().push_back(GraphicsCommand::SetDepthTarget(InvalidId));
    // One size for the layout and the bands of this draw, even if the window changes meanwhile.
    const DeviceSize size = device.GetSize();
    Layout(static_cast<float>(size.width), static_cast<float>(size.height));

    ElementDrawContext context{seconds,      drawList,    clipIndices,
                               vertexBuffer, indexBuffer, device,
                               size,         *this,       gui ? gui->colorMaterial : InvalidId};
    root.Draw(context, {0.0f, 0.0f});
    if (vertexBuffer.used > 0 && drawList.Merge())
        drawList.Submit(device);
    // Emptied whether or not anything was submitted: clip items of a tree that drew no quad would
    // otherwise pile up frame after frame.
    drawList.Reset();
    clipIndices.clear();
}

} // namespace Lumvek
