#pragma once

#include <cstdint>

namespace Lumvek
{

// The input behaviour of one element (buttons, scrollers, tabs): the menu's input pass calls it when
// its element is focused (controller and keyboard input) or under the pointer (mouse input). Owned
// by its element. Every operation does nothing unless a widget overrides it.
class ElementActions
{
public:
    virtual ~ElementActions() = 0;

    // When its element is added as a child, and for a menu's root when the menu is set up.
    virtual void Attach() {}
    // When its element is removed by Element::RemoveChildren, and for a root when its menu closes.
    virtual void Detach() {}
    virtual void Focus() {}
    virtual void Blur() {}
    // Every input pass while focused.
    virtual void Update(float seconds) { (void)seconds; }
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
    // The pointer moved within the element.
    virtual void MouseMove(float x, float y)
    {
        (void)x;
        (void)y;
    }
    virtual void MouseEnter(float x, float y)
    {
        (void)x;
        (void)y;
    }
    virtual void MouseLeave(float x, float y)
    {
        (void)x;
        (void)y;
    }
};

inline ElementActions::~ElementActions() = default;

} // namespace Lumvek
