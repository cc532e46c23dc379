#include "Source/Ui/Kit/CircleButtons.h"

#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Source/Ui/UiResources.h"

#include <memory>

using Lumvek::Element;

namespace
{

constexpr float UnfocusedCircle = 74.07407f;

void ShowButton(Lumvek::Menu& menu, uint32_t index, bool highlighted, size_t keep)
{
    Element* row = menu.GetElement("Container");
    if (!row || index >= row->GetChildren().size())
        return;
    Element& button = *row->GetChildren()[index];
    auto* item = dynamic_cast<CircleIconScrollItem*>(button.actions.get());
    if (!item)
        return;
    button.SetHeight({Lumvek::ElementLength::Percent, highlighted ? 100.0f : UnfocusedCircle});
    if (auto* image = dynamic_cast<Lumvek::ImageContent*>(button.content.get()))
        image->region = highlighted ? Images::CircleSelection : Images::CircleSketch;
    const auto& children = button.GetChildren();
    if (!children.empty())
        if (auto* icon = dynamic_cast<Lumvek::ImageContent*>(children[0]->content.get()))
        {
            icon->region = highlighted ? item->icon : item->sketch;
            icon->fallbackRegion = highlighted ? Images::PendingIcon : Images::PendingSketch;
        }
    if (children.size() > 1)
        if (auto* label = dynamic_cast<Lumvek::TextContent*>(children[1]->content.get()))
            label->font = highlighted ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont;
    const size_t end = children.size() > keep ? children.size() - keep : 0;
    for (size_t child = 2; child < end; ++child)
        children[child]->visible = highlighted ? 1 : 0;
}

} // namespace

void SketchScrollItem::MouseButtonReleased(uint32_t button)
{
    (void)button;
    Activate();
}

void SketchScrollItem::ButtonReleased(uint32_t player, uint32_t button)
{
    (void)player;
    if (button == 4)
        Activate();
}

namespace
{

void SetHeader(const Element& item, const std::string& label)
{
    Lumvek::Menu* menu = item.GetOwner();
    Element* header = menu ? menu->GetElement("Header") : nullptr;
    if (header)
        if (auto* text = dynamic_cast<Lumvek::TextContent*>(header->content.get()))
            text->text = label;
}

void SetFont(Element& element, uint32_t font)
{
    if (auto* text = dynamic_cast<Lumvek::TextContent*>(element.content.get()))
        text->font = font;
}

void ShowCircleItem(Element& element, const CircleIconScrollItem& item, bool focused)
{
    if (auto* image = dynamic_cast<Lumvek::ImageContent*>(element.content.get()))
    {
        image->region = focused ? Images::CircleSelection : Images::CircleSketch;
        image->fallbackRegion = focused ? Images::PendingIcon : Images::PendingSketch;
    }
    const auto& children = element.GetChildren();
    if (!children.empty())
        if (auto* icon = dynamic_cast<Lumvek::ImageContent*>(children[0]->content.get()))
        {
            icon->region = focused ? item.icon : item.sketch;
            icon->fallbackRegion = focused ? Images::PendingIcon : Images::PendingSketch;
        }
    if (children.size() > 1)
        SetFont(*children[1], focused ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont);
    if (children.size() > 2)
        children[2]->visible = focused ? 1 : 0;
}

void ShowSquareItem(Element& element, bool focused)
{
    if (auto* outline = dynamic_cast<Lumvek::NineSliceContent*>(element.content.get()))
        outline->region = focused ? Images::Outline : Images::SketchOutline;
    const auto& children = element.GetChildren();
    if (!children.empty())
        SetFont(*children[0], focused ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont);
    if (children.size() > 1)
        children[1]->visible = focused ? 1 : 0;
}

} // namespace

void CircleIconScrollItem::Focus()
{
    SetHeader(element, label);
    ShowCircleItem(element, *this, true);
}

void CircleIconScrollItem::Blur()
{
    ShowCircleItem(element, *this, false);
}

void SquareScrollItem::Focus()
{
    SetHeader(element, label);
    ShowSquareItem(element, true);
}

void SquareScrollItem::Blur()
{
    ShowSquareItem(element, false);
}

CircleIconScrollItem& AddCircleIconItem(Element& strip, bool selected, const std::string& label, uint32_t icon,
                                        uint32_t sketch, const std::string& description)
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    const float size = selected ? 100.0f : UnfocusedCircle;
    Element& element = AddElement(strip, size, size, 0);
    SetImage(element, atlas, Images::CircleSketch, Images::PendingSketch).color = UnpackColor(InkColor);
    CircleIconScrollItem& item = AttachCircleIconItem(element);
    item.label = label;
    item.icon = icon;
    item.sketch = sketch;

    Element& iconElement = AddElement(element, 100.0f, 75.0f, 0);
    SetImage(iconElement, atlas, sketch, Images::PendingSketch);
    SetOffset(iconElement, YGEdgeTop, 12.5f);
    Element& labelElement = AddElement(element, 100.0f, 10.0f, 0);
    AddText(labelElement, 100.0f, label, GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
    SetOffset(labelElement, YGEdgeTop, 115.0f);
    Element& descriptionElement =
        AddMultilineText(element, 150.0f, 12.5f, 50.0f, description, GraphicsResources::ScriptFont, InkColor);
    AlignCentre(descriptionElement);
    SetOffset(descriptionElement, YGEdgeTop, 135.0f);
    ShowCircleItem(element, item, selected);
    return item;
}

SquareScrollItem& AddSquareItem(Element& strip, bool selected, const std::string& label, const std::string& description)
{
    const float size = selected ? 100.0f : 50.0f;
    Element& element = AddElement(strip, size, size, 0);
    auto outline = std::make_unique<Lumvek::NineSliceContent>();
    outline->texture = GraphicsResources::UiAtlas;
    outline->color = UnpackColor(InkColor);
    outline->borderSize = {Lumvek::UnitRectangle::Pixels, 9.0f};
    element.content = std::move(outline);
    auto owned = std::make_unique<SquareScrollItem>(element);
    SquareScrollItem& item = *owned;
    item.label = label;
    element.actions = std::move(owned);

    Element& labelElement = AddElement(element, 100.0f, 7.5f, 0);
    AddText(labelElement, 100.0f, label, GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
    SetOffset(labelElement, YGEdgeTop, 105.0f);
    Element& descriptionElement =
        AddMultilineText(element, 125.0f, 9.375f, 50.0f, description, GraphicsResources::ScriptFont, InkColor);
    AlignCentre(descriptionElement);
    SetOffset(descriptionElement, YGEdgeTop, 117.5f);
    ShowSquareItem(element, selected);
    return item;
}

Element& AddSmallLogo(Element& parent)
{
    // 85 x 108 points, 30 from the right and the bottom, in a 1920 x 1080 window; in percent, so that a
    // smaller window's logo keeps the share of it that the strips and hints beside it keep.
    Element& logo = AddElement(parent, 85.0f / 19.2f, 10.0f, 0);
    SetImage(logo, GraphicsResources::UiAtlas, Images::SmallLogo, Lumvek::InvalidId);
    SetOffset(logo, YGEdgeRight, 30.0f / 19.2f);
    SetOffset(logo, YGEdgeBottom, 30.0f / 10.8f);
    return logo;
}

void AddScrollerArrows(Element& parent, float inset)
{
    const struct
    {
        const char* name;
        uint32_t region;
        YGEdge edge;
    } arrows[] = {{"LeftArrow", Images::SelectLeft, YGEdgeLeft}, {"RightArrow", Images::SelectRight, YGEdgeRight}};
    for (const auto& arrow : arrows)
    {
        Element& element = AddElement(parent, 0.0f, 6.0f, 0);
        SetImage(element, GraphicsResources::UiAtlas, arrow.region, Images::PendingIcon);
        if (Lumvek::Menu* menu = element.GetOwner())
            menu->SetElementName(element, Lumvek::StringView::FromCString(arrow.name));
        SetOffset(element, arrow.edge, inset);
        SetOffset(element, YGEdgeTop, 47.0f);
        element.visible = 0;
    }
}

Element& AddScrollerPage(Element& parent, ScrollerPage variant, const std::string& title, const std::string& header)
{
    Element& titleElement = AddElement(parent, 0.0f, 3.0f, 0);
    AddText(titleElement, 100.0f, title, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    AlignCentre(titleElement);
    SetOffset(titleElement, YGEdgeTop, 7.5f);
    Element& headerElement = AddElement(parent, 0.0f, 6.0f, 0);
    AddText(headerElement, 100.0f, header, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    AlignCentre(headerElement);
    SetOffset(headerElement, YGEdgeTop, 15.0f);

    const bool wide = variant == ScrollerPage::Wide;
    Element& strip = AddElement(parent, wide ? 35.0f : 16.875f, wide ? 40.0f : 30.0f, 0);
    SetOffset(strip, YGEdgeTop, wide ? 30.0f : 35.0f);
    SetOffset(strip, YGEdgeLeft, wide ? 32.5f : 41.5625f);
    SketchScroller& scroller = AddSketchScroller(strip);
    scroller.spacing = wide ? 10.0f : 25.0f;
    scroller.unfocusedSize = wide ? 50.0f : UnfocusedCircle;
    if (Lumvek::Menu* menu = parent.GetOwner())
    {
        menu->SetElementName(headerElement, "Header");
        menu->SetElementName(strip, "Scroller");
    }
    return strip;
}

CircleIconScrollItem& AttachCircleIconItem(Element& element)
{
    auto item = std::make_unique<CircleIconScrollItem>(element);
    CircleIconScrollItem& attached = *item;
    element.actions = std::move(item);
    return attached;
}

Element& AddMultilineText(Element& parent, float width, float height, float size, const std::string& text,
                          uint32_t font, uint32_t color)
{
    Element& element = AddElement(parent, width, height, 0);
    auto content = std::make_unique<Lumvek::MultilineTextContent>();
    content->text = text;
    content->font = font;
    content->size = {Lumvek::UnitRectangle::Percent, size};
    content->fillColor = UnpackColor(color);
    content->strokeColor = Lumvek::Color::Black;
    content->horizontalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    content->verticalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    content->letterSpacing = 0.25f;
    content->minimumSize = ReadableTextSize;
    element.content = std::move(content);
    return element;
}

Element& AddButtonRow(Element& parent)
{
    Element& row = AddElement(parent, 100.0f, 30.0f, 0);
    if (Lumvek::Menu* menu = row.GetOwner())
        menu->SetElementName(row, "Container");
    SetOffset(row, YGEdgeTop, 35.0f);
    YGNodeStyleSetJustifyContent(row.GetNode(), YGJustifyCenter);
    return row;
}

Element& AddCircleButton(Element& row, const std::string& label, const std::string& description, uint32_t icon,
                         uint32_t sketch, bool leftArrow, bool rightArrow)
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    Element& button = AddElement(row, 16.875f, UnfocusedCircle, 0);
    SetImage(button, atlas, Images::CircleSketch, Images::PendingIcon).color = UnpackColor(InkColor);
    CircleIconScrollItem& item = AttachCircleIconItem(button);
    item.label = label;
    item.icon = icon;
    item.sketch = sketch;

    Element& iconElement = AddElement(button, 100.0f, 75.0f, 0);
    SetImage(iconElement, atlas, sketch, Images::PendingSketch);
    SetOffset(iconElement, YGEdgeTop, 12.5f);

    Element& labelElement = AddElement(button, 100.0f, 10.0f, 0);
    AddText(labelElement, 100.0f, label, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(labelElement, YGEdgeTop, 115.0f);

    Element& descriptionElement =
        AddMultilineText(button, 150.0f, 12.5f, 50.0f, description, GraphicsResources::ScriptFont, InkColor);
    AlignCentre(descriptionElement);
    SetOffset(descriptionElement, YGEdgeTop, 135.0f);
    descriptionElement.visible = 0;

    if (rightArrow)
    {
        Element& arrow = AddElement(button, 0.0f, 20.0f, 0);
        SetImage(arrow, atlas, Images::SelectRight, Images::PendingIcon);
        SetOffset(arrow, YGEdgeLeft, 115.0f);
        SetOffset(arrow, YGEdgeTop, 40.0f);
        arrow.visible = 0;
    }
    if (leftArrow)
    {
        Element& arrow = AddElement(button, 0.0f, 20.0f, 0);
        SetImage(arrow, atlas, Images::SelectLeft, Images::PendingIcon);
        SetOffset(arrow, YGEdgeRight, 115.0f);
        SetOffset(arrow, YGEdgeTop, 40.0f);
        arrow.visible = 0;
    }
    return button;
}

Element& AddButtonHint(Element& parent, uint32_t glyph, const std::string& text, float width, float glyphWidth,
                       float bottomOffset)
{
    Element& hint = AddElement(parent, width, 3.2f, 0);
    hint.flow = 1;
    YGNodeStyleSetFlexDirection(hint.GetNode(), YGFlexDirectionRow);
    YGNodeStyleSetAlignItems(hint.GetNode(), YGAlignCenter);
    AlignCentre(hint);
    SetOffset(hint, YGEdgeBottom, bottomOffset);
    Element& glyphElement = AddElement(hint, glyphWidth, 100.0f, 0);
    SetImage(glyphElement, GraphicsResources::UiAtlas, glyph, Images::PendingIcon);
    Element& label = AddElement(hint, 0.0f, 70.0f, 0);
    AddText(label, 100.0f, text, GraphicsResources::HeadingFont, InkColor, TextAlignment::Start);
    return hint;
}

void HighlightButton(Lumvek::Menu& menu, uint32_t index, size_t keep)
{
    ShowButton(menu, index, true, keep);
}

void UnhighlightButton(Lumvek::Menu& menu, uint32_t index, size_t keep)
{
    ShowButton(menu, index, false, keep);
}
