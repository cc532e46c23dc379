#pragma once

#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/Menu.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/SketchScroller.h"

#include <cstdint>
#include <string>

// The page every selector is built on: a title, a "Header" naming the focused item, a strip of items
// and the arrows that show where more items are. Application thread only.

enum class PageShape : uint32_t
{
    // Square items, few at a time.
    Wide,
    // Circle items.
    Narrow,
};

// The small logo in the bottom right corner.
Lumvek::Element& AddSmallLogo(Lumvek::Element& parent);
// The stretched paper behind a page.
Lumvek::Element& AddCanvas(Lumvek::Element& parent);
// The title, the "Header" and the "Scroller" strip with its scroller, registered in the menu.
Lumvek::Element& AddScrollerPage(Lumvek::Menu& menu, PageShape shape, const std::string& title,
                                 const std::string& header);
// "LeftArrow" and "RightArrow", hidden, offset from their sides by percent.
void AddScrollerArrows(Lumvek::Menu& menu, float sideOffset);
// Sets the text of the menu's "Header", when it has one.
void SetHeaderText(Lumvek::Menu& menu, const std::string& text);
// The text of the "Header"; empty without one.
std::string GetHeaderText(const Lumvek::Menu& menu);

// A circle item whose focus names it in the page's header.
class SelectorIconItem final : public CircleIconScrollItem
{
public:
    using CircleIconScrollItem::CircleIconScrollItem;
    void Focus() override;
    void Blur() override;
};

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

// A square with a name under it and a description shown when it is focused.
class SquareScrollItem final : public SketchScrollItem
{
public:
    explicit SquareScrollItem(Lumvek::Element& element) : element(element) {}
    void Focus() override;
    void Blur() override;

    Lumvek::Element& element;
    std::string label;
};

SelectorIconItem& AddCircleIconItem(Lumvek::Element& strip, bool selected, const std::string& label, uint32_t icon,
                                    uint32_t sketch, const std::string& description);
CircleTextScrollItem& AddCircleTextItem(Lumvek::Element& strip, bool selected, const std::string& circleText,
                                        const std::string& label, const std::string& description, bool hideLabel);
SquareScrollItem& AddSquareItem(Lumvek::Element& strip, bool selected, const std::string& label,
                                const std::string& description);

// The strip's scroller; null when the menu has no "Scroller".
SketchScroller* FindScroller(const Lumvek::Menu& menu);
// Moves the strip to the position (clamped to its items), makes it live and settles the arrows.
void StartScroller(Lumvek::Menu& menu, uint32_t position);
// The arrows are shown only while the strip rests, each when there is an item on its side.
void UpdateSelectorArrows(Lumvek::Menu& menu);
