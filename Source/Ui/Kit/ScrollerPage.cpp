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

Element& AddLine(Element& parent, float height, const std::string& text, float top)
{
    Element& line = AddElement(parent, 0.0f, height, 0);
    AddText(line, 100.0f, text, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    AlignCentre(line);
    SetOffset(line, YGEdgeTop, top);
    return line;
}

} // namespace

Element& AddSmallLogo(Element& parent)
{
    Element& logo = AddElementPoints(parent, 85, 108, 0);
    SetImage(logo, GraphicsResources::UiAtlas, Images::SmallLogo, Lumvek::InvalidId);
    SetOffsetPoints(logo, YGEdgeRight, 30.0f);
    SetOffsetPoints(logo, YGEdgeBottom, 30.0f);
    return logo;
}

Element& AddCanvas(Element& parent)
{
    Element& background = AddElement(parent, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
    return background;
}

Element& AddScrollerPage(Lumvek::Menu& menu, PageShape shape, const std::string& title, const std::string& header)
{
    Element& root = menu.GetRoot();
    AddLine(root, 3.0f, title, 7.5f);
    menu.SetElementName(AddLine(root, 6.0f, header, 15.0f), "Header");
    const bool wide = shape == PageShape::Wide;
    Element& strip = AddElement(root, wide ? 35.0f : 16.875f, wide ? 40.0f : 30.0f, 0);
    SetOffset(strip, YGEdgeTop, wide ? 30.0f : 35.0f);
    SetOffset(strip, YGEdgeLeft, wide ? 32.5f : 41.5625f);
    menu.SetElementName(strip, "Scroller");
    SketchScroller& scroller = AddSketchScroller(strip);
    scroller.spacing = wide ? 10.0f : 25.0f;
    scroller.unfocusedSize = wide ? 50.0f : UnfocusedCircle;
    return strip;
}

void AddScrollerArrows(Lumvek::Menu& menu, float sideOffset)
{
    Element& root = menu.GetRoot();
    const struct
    {
        const char* name;
        uint32_t region;
        YGEdge edge;
    } arrows[] = {{"LeftArrow", Images::SelectLeft, YGEdgeLeft}, {"RightArrow", Images::SelectRight, YGEdgeRight}};
    for (const auto& arrow : arrows)
    {
        Element& element = AddElement(root, 0.0f, 6.0f, 0);
        SetImage(element, GraphicsResources::UiAtlas, arrow.region, Images::PendingIcon);
        SetOffset(element, arrow.edge, sideOffset);
        SetOffset(element, YGEdgeTop, 47.0f);
        element.visible = 0;
        menu.SetElementName(element, Lumvek::StringView(std::string_view(arrow.name)));
    }
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

void SelectorIconItem::Focus()
{
    NameInHeader(element, label);
    SetRegion(element, Images::CircleSelection, Images::PendingIcon);
    if (!element.GetChildren().empty())
        SetRegion(*element.GetChildren()[0], icon, Images::PendingIcon);
    SetFont(element, 1, GraphicsResources::HeadingFont);
    Show(element, 2, true);
}

void SelectorIconItem::Blur()
{
    SetRegion(element, Images::CircleSketch, Images::PendingSketch);
    if (!element.GetChildren().empty())
        SetRegion(*element.GetChildren()[0], sketch, Images::PendingSketch);
    SetFont(element, 1, GraphicsResources::ScriptFont);
    Show(element, 2, false);
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

void SquareScrollItem::Focus()
{
    NameInHeader(element, label);
    SetRegion(element, Images::Outline, Images::PendingIcon);
    SetFont(element, 0, GraphicsResources::HeadingFont);
    Show(element, 1, true);
}

void SquareScrollItem::Blur()
{
    SetRegion(element, Images::SketchOutline, Images::PendingSketch);
    SetFont(element, 0, GraphicsResources::ScriptFont);
    Show(element, 1, false);
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

SelectorIconItem& AddCircleIconItem(Element& strip, bool selected, const std::string& label, uint32_t icon,
                                    uint32_t sketch, const std::string& description)
{
    Element& item = AddCircle(strip, selected);
    auto actions = std::make_unique<SelectorIconItem>(item);
    SelectorIconItem& added = *actions;
    added.label = label;
    added.icon = icon;
    added.sketch = sketch;
    item.actions = std::move(actions);
    Element& iconElement = AddElement(item, 100.0f, 75.0f, 0);
    SetImage(iconElement, GraphicsResources::UiAtlas, selected ? icon : sketch,
             selected ? Images::PendingIcon : Images::PendingSketch);
    SetOffset(iconElement, YGEdgeTop, 12.5f);
    AddLabelAndDescription(item, selected, label, description, 115.0f, 135.0f, true);
    return added;
}

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

SquareScrollItem& AddSquareItem(Element& strip, bool selected, const std::string& label, const std::string& description)
{
    const float size = selected ? 100.0f : 50.0f;
    Element& item = AddElement(strip, size, size, 0);
    Lumvek::ImageContent& image =
        SetImage(item, GraphicsResources::UiAtlas, selected ? Images::Outline : Images::SketchOutline,
                 selected ? Images::PendingIcon : Images::PendingSketch);
    image.color = UnpackColor(InkColor);
    auto actions = std::make_unique<SquareScrollItem>(item);
    SquareScrollItem& added = *actions;
    added.label = label;
    item.actions = std::move(actions);
    Element& name = AddElement(item, 100.0f, 7.5f, 0);
    AddText(name, 100.0f, label, selected ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont, InkColor,
            TextAlignment::Centre);
    SetOffset(name, YGEdgeTop, 105.0f);
    Element& text = AddMultilineText(item, 125.0f, 9.375f, 50.0f, description, GraphicsResources::ScriptFont, InkColor);
    YGNodeStyleSetAlignSelf(text.GetNode(), YGAlignCenter);
    SetOffset(text, YGEdgeTop, 117.5f);
    text.visible = selected ? 1 : 0;
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
