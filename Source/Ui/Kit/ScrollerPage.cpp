#include "Source/Ui/Kit/ScrollerPage.h"

#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/UiResources.h"

#include <algorithm>
#include <memory>

using Lumvek::Element;
using Lumvek::ElementLength;

namespace
{

constexpr float UnfocusedCircle = 74.07407f;

Lumvek::TextContent* TextOf(Element& element)
{
    return dynamic_cast<Lumvek::TextContent*>(element.content.get());
}

Lumvek::ImageContent* ImageOf(Element& element)
{
    return dynamic_cast<Lumvek::ImageContent*>(element.content.get());
}

void SetFont(Element& element, size_t child, uint32_t font)
{
    if (child < element.GetChildren().size())
        if (Lumvek::TextContent* text = TextOf(*element.GetChildren()[child]))
            text->font = font;
}

void Show(Element& element, size_t child, bool shown)
{
    if (child < element.GetChildren().size())
        element.GetChildren()[child]->visible = shown ? 1 : 0;
}

void NameInHeader(Element& item, const std::string& label)
{
    if (Lumvek::Menu* menu = item.GetOwner())
        SetHeaderText(*menu, label);
}

void SetRegion(Element& element, uint32_t region, uint32_t pending)
{
    if (Lumvek::ImageContent* image = ImageOf(element))
    {
        image->region = region;
        image->fallbackRegion = pending;
    }
}

} // namespace

Element& AddCanvas(Element& parent)
{
    Element& background = AddElement(parent, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
    return background;
}

void SetHeaderText(Lumvek::Menu& menu, const std::string& text)
{
    if (Element* header = menu.GetElement("Header"))
        if (Lumvek::TextContent* content = TextOf(*header))
            content->text = text;
}

std::string GetHeaderText(const Lumvek::Menu& menu)
{
    if (Element* header = menu.GetElement("Header"))
        if (Lumvek::TextContent* content = TextOf(*header))
            return content->text;
    return {};
}

void CircleTextScrollItem::Focus()
{
    if (!hideLabel)
        NameInHeader(element, label);
    SetRegion(element, Images::CircleSelection, Images::PendingIcon);
    SetFont(element, 0, GraphicsResources::HeadingFont);
    SetFont(element, 1, GraphicsResources::HeadingFont);
    Show(element, 1, !hideLabel);
    Show(element, 2, !hideLabel);
}

void CircleTextScrollItem::Blur()
{
    SetRegion(element, Images::CircleSketch, Images::PendingSketch);
    SetFont(element, 0, GraphicsResources::ScriptFont);
    SetFont(element, 1, GraphicsResources::ScriptFont);
    Show(element, 1, !hideLabel);
    Show(element, 2, false);
}

namespace
{

// The circle, its label below and its description below that, as every circle item has them.
Element& AddCircle(Element& strip, bool selected)
{
    const float size = selected ? 100.0f : UnfocusedCircle;
    Element& item = AddElement(strip, size, size, 0);
    Lumvek::ImageContent& image =
        SetImage(item, GraphicsResources::UiAtlas, selected ? Images::CircleSelection : Images::CircleSketch,
                 selected ? Images::PendingIcon : Images::PendingSketch);
    image.color = UnpackColor(InkColor);
    return item;
}

void AddLabelAndDescription(Element& item, bool selected, const std::string& label, const std::string& description,
                            float labelTop, float descriptionTop, bool labelShown)
{
    Element& labelLine = AddElement(item, 100.0f, 10.0f, 0);
    AddText(labelLine, 100.0f, label, selected ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont,
            InkColor, TextAlignment::Centre);
    SetOffset(labelLine, YGEdgeTop, labelTop);
    labelLine.visible = labelShown ? 1 : 0;
    Element& text = AddMultilineText(item, 150.0f, 12.5f, 50.0f, description, GraphicsResources::ScriptFont, InkColor);
    YGNodeStyleSetAlignSelf(text.GetNode(), YGAlignCenter);
    SetOffset(text, YGEdgeTop, descriptionTop);
    text.visible = selected && labelShown ? 1 : 0;
}

} // namespace

CircleTextScrollItem& AddCircleTextItem(Element& strip, bool selected, const std::string& circleText,
                                        const std::string& label, const std::string& description, bool hideLabel)
{
    Element& item = AddCircle(strip, selected);
    auto actions = std::make_unique<CircleTextScrollItem>(item);
    CircleTextScrollItem& added = *actions;
    added.label = label;
    added.hideLabel = hideLabel;
    item.actions = std::move(actions);
    Element& inside = AddElement(item, 100.0f, 20.0f, 0);
    AddText(inside, 100.0f, circleText, selected ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont,
            InkColor, TextAlignment::Centre);
    SetOffset(inside, YGEdgeTop, 40.0f);
    AddLabelAndDescription(item, selected, label, description, 115.0f, 150.0f, !hideLabel);
    return added;
}

SketchScroller* FindScroller(const Lumvek::Menu& menu)
{
    Element* strip = menu.GetElement("Scroller");
    return strip ? dynamic_cast<SketchScroller*>(strip->actions.get()) : nullptr;
}

void StartScroller(Lumvek::Menu& menu, uint32_t position)
{
    SketchScroller* scroller = FindScroller(menu);
    if (!scroller)
        return;
    const uint32_t count = static_cast<uint32_t>(scroller->element.GetChildren().size());
    const uint32_t clamped = count == 0 ? 0 : std::min(position, count - 1);
    // At set-up the strip rests on its first item; the remembered choice becomes where it rests.
    scroller->previous = scroller->selected = clamped;
    if (!menu.IsFocused(scroller->element))
        menu.FocusElement(scroller->element);
    UpdateSelectorArrows(menu);
}

void UpdateSelectorArrows(Lumvek::Menu& menu)
{
    SketchScroller* scroller = FindScroller(menu);
    Element* left = menu.GetElement("LeftArrow");
    Element* right = menu.GetElement("RightArrow");
    if (!scroller || !left || !right)
        return;
    const uint32_t count = static_cast<uint32_t>(scroller->element.GetChildren().size());
    const bool resting = !scroller->IsMoving();
    left->visible = resting && scroller->selected > 0 ? 1 : 0;
    right->visible = resting && scroller->selected + 1 < count ? 1 : 0;
}
