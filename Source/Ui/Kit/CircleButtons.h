#pragma once

#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/ElementActions.h"
#include "Engine/Runtime/Gui/Menu.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One item of a sketched strip or button row: focus shows it highlighted, blur as a sketch. Owned by
// its element; application thread only.
class SketchScrollItem : public Lumvek::ElementActions
{
public:
    void MouseButtonReleased(uint32_t button) override;
    void ButtonReleased(uint32_t player, uint32_t button) override;
    // What choosing the item does; nothing for every item of the game so far.
    virtual void Activate() {}
};

// A circle with an icon, a label and a description: the icon in ink when highlighted, its sketch
// otherwise. Element shape: image content on the item; child 0 icon; child 1 label; child 2 the
// description.
class CircleIconScrollItem : public SketchScrollItem
{
public:
    explicit CircleIconScrollItem(Lumvek::Element& element) : element(element) {}

    // Names itself in the menu's "Header" and takes the inked look; Blur takes the sketched one.
    void Focus() override;
    void Blur() override;

    Lumvek::Element& element;
    std::string label;
    uint32_t icon = 0xFFFFFFFFu;
    uint32_t sketch = 0xFFFFFFFFu;
};

// Gives the element a new circle item with no icons and an empty label.
CircleIconScrollItem& AttachCircleIconItem(Lumvek::Element& element);

// An outlined square with a label and a description. Element shape: nine-slice content on the item;
// child 0 label; child 1 description.
class SquareScrollItem : public SketchScrollItem
{
public:
    explicit SquareScrollItem(Lumvek::Element& element) : element(element) {}

    void Focus() override;
    void Blur() override;

    Lumvek::Element& element;
    std::string label;
};

// One item at the end of a strip, at full size when selected, else at its unfocused size.
CircleIconScrollItem& AddCircleIconItem(Lumvek::Element& strip, bool selected, const std::string& label, uint32_t icon,
                                        uint32_t sketch, const std::string& description);
SquareScrollItem& AddSquareItem(Lumvek::Element& strip, bool selected, const std::string& label,
                                const std::string& description);

// The small logo in the bottom right corner.
Lumvek::Element& AddSmallLogo(Lumvek::Element& parent);
// The hidden "LeftArrow" and "RightArrow" of a strip, inset by the percent from either side.
inline constexpr float WideArrowInset = 30.5f;
inline constexpr float NarrowArrowInset = 39.5f;
void AddScrollerArrows(Lumvek::Element& parent, float inset);
// A page of choices: the title, the "Header" line and the "Scroller" strip with its actions; wide
// for square items, narrow for circle items. Returns the strip.
enum class ScrollerPage
{
    Wide,
    Narrow,
};
Lumvek::Element& AddScrollerPage(Lumvek::Element& parent, ScrollerPage variant, const std::string& title,
                                 const std::string& header);

// A multi-line text element: word-wrapped, centred, in ink-stroked lines size percent of its height.
Lumvek::Element& AddMultilineText(Lumvek::Element& parent, float width, float height, float size,
                                  const std::string& text, uint32_t font, uint32_t color);
// The row of circle buttons of a fixed menu, registered as "Container".
Lumvek::Element& AddButtonRow(Lumvek::Element& parent);
// A circle button at the end of the row: children icon, label, description, then the arrows that
// are wanted, the right-pointing one first; all but icon and label hidden until highlighted.
Lumvek::Element& AddCircleButton(Lumvek::Element& row, const std::string& label, const std::string& description,
                                 uint32_t icon, uint32_t sketch, bool leftArrow, bool rightArrow);
// A controller glyph beside a label, in a row of its own near the bottom.
Lumvek::Element& AddButtonHint(Lumvek::Element& parent, uint32_t glyph, const std::string& text, float width,
                               float glyphWidth, float bottomOffset);

// Switch the button at index in the menu's "Container" row to its inked or sketched look; nothing
// for a menu without the row or an index past its buttons. The last keep children keep their own
// visibility.
void HighlightButton(Lumvek::Menu& menu, uint32_t index, size_t keep = 0);
void UnhighlightButton(Lumvek::Menu& menu, uint32_t index, size_t keep = 0);
