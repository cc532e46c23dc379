#pragma once

#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/ElementActions.h"

#include <cstdint>

// The actions of a horizontal strip of sketched items: it slides one item at a time, growing the
// item it moves to and shrinking the one it leaves. Live while the strip is in its menu's focus
// list. Owned by the strip element; application thread only.
class SketchScroller final : public Lumvek::ElementActions
{
public:
    explicit SketchScroller(Lumvek::Element& element) : element(element) {}

    // Lays the strip out as a row starting at the selected item; a strip laid out before stays where
    // it is.
    void Focus() override;
    void Update(float seconds) override;
    // Left and right on the pad or the left stick move by one item.
    void ButtonPressed(uint32_t player, uint32_t button) override;

    // Moves to the item when the strip is at rest; a choice made during a move is dropped.
    void Select(uint32_t index);
    bool IsMoving() const { return previous != selected; }

    Lumvek::Element& element;
    float transitionTime = 0.1f;
    // Percent.
    float spacing = 10.0f;
    float unfocusedSize = 50.0f;
    // In the strip's left-position units (percent).
    float step = 0.0f;
    float base = 0.0f;
    float target = 0.0f;
    float current = 0.0f;
    uint32_t previous = 0;
    uint32_t selected = 0;

private:
    uint32_t ItemCount() const { return static_cast<uint32_t>(element.GetChildren().size()); }
    void SetAmount(uint32_t item, float amount);
};

// Sizes the item between its unfocused size (amount 0) and full size (amount 1), in percent.
void SetItemFocusAmount(Lumvek::Element& item, float amount, float unfocusedSize);

// Gives the element a scroller: 0.1 s a move, 10 % between items, 50 % unfocused items.
SketchScroller& AddSketchScroller(Lumvek::Element& element);
