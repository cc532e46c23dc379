#pragma once

#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/UnitRectangle.h"
#include "Engine/Runtime/Gui/Element.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Lumvek
{

class DrawList;
class Geometry;
class GraphicsDevice;
class Gui;
struct GuiInput;

// One screen of engine user interface: an element tree under an embedded root, laid out and drawn
// by the Gui, with input delivered through the virtual operations below. The front end's screens
// derive from it and build their trees in Setup. Owned by the Gui once added (Gui::AddMenu);
// application thread only.
class Menu
{
public:
    Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    virtual ~Menu();

    // The first late update after the menu was added; the placement has been copied in.
    virtual void Setup() = 0;
    virtual void Activate() {}
    // First step of every input pass.
    virtual void Update(float seconds) { (void)seconds; }
    // Covered by another menu, or closing.
    virtual void Deactivate() {}
    // The closing transition has ended; the tree is cleared right after.
    virtual void Close() {}
    virtual void ControllerConnected(uint32_t player) { (void)player; }
    virtual void ControllerDisconnected(uint32_t player) { (void)player; }
    virtual void LeftTriggerChanged(uint32_t player, float value)
    {
        (void)player;
        (void)value;
    }
    virtual void RightTriggerChanged(uint32_t player, float value)
    {
        (void)player;
        (void)value;
    }
    virtual void LeftStickChanged(uint32_t player, float x, float y)
    {
        (void)player;
        (void)x;
        (void)y;
    }
    virtual void RightStickChanged(uint32_t player, float x, float y)
    {
        (void)player;
        (void)x;
        (void)y;
    }
    virtual void MouseButtonPressed(uint32_t button) { (void)button; }
    virtual void ButtonPressed(uint32_t player, uint32_t button)
    {
        (void)player;
        (void)button;
    }
    virtual void MouseButtonReleased(uint32_t button) { (void)button; }
    virtual void ButtonReleased(uint32_t player, uint32_t button)
    {
        (void)player;
        (void)button;
    }
    virtual void KeyPressed(uint32_t key) { (void)key; }
    virtual void KeyReleased(uint32_t key) { (void)key; }
    virtual void MouseScroll(float x, float y)
    {
        (void)x;
        (void)y;
    }
    virtual void MouseMove(float x, float y)
    {
        (void)x;
        (void)y;
    }

    // The element registered under the name; null when there is none.
    Element* GetElement(StringView name) const;
    // Registers the element under the name in place of its previous one; "" only drops the previous
    // one. False, with nothing changed, when another element holds the name or the element belongs
    // to another menu.
    bool SetElementName(Element& element, StringView name);

    // Appends the element to the focused elements and calls its actions' Focus; nothing when it is
    // focused already or belongs to another menu.
    void FocusElement(Element& element);
    // Removes the element from the focused elements and calls its actions' Blur; nothing when it is
    // not focused.
    void BlurElement(Element& element);
    bool IsFocused(const Element& element) const;

    // Turns the Gui's input snapshot into calls of this menu and of its elements' actions.
    void RunInputPass(float seconds, const GuiInput& input);
    // Lays the tree out in the placement resolved against the device and draws it into the list;
    // submits the list to the device when it drew anything, and leaves it holding a fresh template.
    void Draw(float seconds, GraphicsDevice& device, DrawList& drawList, std::vector<uint32_t>& clipIndices,
              Geometry& vertexBuffer, Geometry& indexBuffer, uint32_t renderTarget);
    // Lays the tree out in the placement resolved against a device of that size, without drawing.
    void Layout(float deviceWidth, float deviceHeight);

    Gui* GetGui() const { return gui; }
    // The menu's position among the Gui's records.
    uint32_t GetIndex() const { return index; }
    Element& GetRoot() { return root; }
    const std::vector<Element*>& GetFocusedElements() const { return focused; }
    Element* GetHoveredElement() const { return hovered; }

    // Whose input reaches the menu: one byte per controller, then the keyboard and the mouse.
    uint8_t playerInput[4] = {0, 0, 0, 0};
    uint8_t keyboardInput = 0;
    uint8_t mouseInput = 0;

private:
    friend class Element;
    friend class Gui;

    // Called by an element being destroyed: no list of the menu may keep it.
    void ForgetElement(Element& element);
    void RemoveName(const std::string& name);
    // Calls the operation on the actions of every focused element, in focusing order. Elements
    // blurred or destroyed by an earlier call are skipped.
    template <class Call> void ForEachFocused(Call call);

    uint32_t index = 0;
    Gui* gui = nullptr;
    // The element the pointer pass is about to make the hovered one; cleared if it is destroyed first.
    Element* pointerTarget = nullptr;
    // Nesting depth of ForEachFocused, which owns focusedCopy only at the outermost level.
    uint32_t focusedPasses = 0;

public:
    // Copied from the Gui's record when the menu is set up.
    UnitRectangle placement;

private:
    Element root;
    std::vector<Element*> focused;
    Element* hovered = nullptr;
    // Names in insertion order with the elements they name, and each name's position.
    std::vector<std::pair<std::string, Element*>> names;
    std::unordered_map<std::string, uint32_t> namePositions;
    // Reused by ForEachFocused, so that a pass allocates nothing once warm.
    std::vector<Element*> focusedCopy;
};

} // namespace Lumvek
