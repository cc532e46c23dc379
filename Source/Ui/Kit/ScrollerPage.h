#pragma once

#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/Menu.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/SketchScroller.h"

#include <cstdint>
#include <string>

// What the selectors add to the scroller pages of the kit: circle items with a text inside, the
// header's text, and the strip's start and arrows. Application thread only.

// The stretched paper behind a page.
Lumvek::Element& AddCanvas(Lumvek::Element& parent);
// Sets the text of the menu's "Header", when it has one.
void SetHeaderText(Lumvek::Menu& menu, const std::string& text);
// The text of the "Header"; empty without one.
std::string GetHeaderText(const Lumvek::Menu& menu);

// A circle with a short text in it (a number, a team's mark) instead of an icon. hideLabel: focus
// leaves the header and the label alone (the value pickers keep their own header).
class CircleTextScrollItem final : public SketchScrollItem
{
public:
    explicit CircleTextScrollItem(Lumvek::Element& element) : element(element) {}
    void Focus() override;
    void Blur() override;

    Lumvek::Element& element;
    std::string label;
    bool hideLabel = false;
};

CircleTextScrollItem& AddCircleTextItem(Lumvek::Element& strip, bool selected, const std::string& circleText,
                                        const std::string& label, const std::string& description, bool hideLabel);

// The strip's scroller; null when the menu has no "Scroller".
SketchScroller* FindScroller(const Lumvek::Menu& menu);
// Moves the strip to the position (clamped to its items), makes it live and settles the arrows.
void StartScroller(Lumvek::Menu& menu, uint32_t position);
// The arrows are shown only while the strip rests, each when there is an item on its side.
void UpdateSelectorArrows(Lumvek::Menu& menu);
