#include "Source/Ui/Builders.h"

#include "Source/Ui/UiResources.h"

#include <memory>

using Lumvek::Element;
using Lumvek::ElementLength;

Lumvek::Color UnpackColor(uint32_t packed)
{
    return {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8), static_cast<uint8_t>(packed >> 16),
            static_cast<uint8_t>(packed >> 24)};
}

Element& AddElement(Element& parent, float width, float height, uint32_t background)
{
    Element& child = parent.AddChild();
    child.SetWidth({ElementLength::Percent, width});
    child.SetHeight({ElementLength::Percent, height});
    if (background != 0)
        child.background = UnpackColor(background);
    return child;
}

Element& AddElementPoints(Element& parent, uint32_t width, uint32_t height, uint32_t background)
{
    Element& child = parent.AddChild();
    child.SetWidth({ElementLength::Points, static_cast<float>(width)});
    child.SetHeight({ElementLength::Points, static_cast<float>(height)});
    if (background != 0)
        child.background = UnpackColor(background);
    return child;
}

Lumvek::ImageContent& SetImage(Element& element, uint32_t texture, uint32_t region, uint32_t pendingRegion)
{
    auto image = std::make_unique<Lumvek::ImageContent>();
    image->texture = texture;
    image->region = region;
    image->fallbackRegion = pendingRegion;
    image->width = {Lumvek::UnitRectangle::Automatic, 0.0f};
    image->height = {Lumvek::UnitRectangle::Percent, 100.0f};
    image->horizontalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    image->verticalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    Lumvek::ImageContent& set = *image;
    element.content = std::move(image);
    return set;
}

Lumvek::ImageContent& AddImageContent(Element& element)
{
    auto image = std::make_unique<Lumvek::ImageContent>();
    image->width = {Lumvek::UnitRectangle::Percent, 100.0f};
    image->height = {Lumvek::UnitRectangle::Percent, 100.0f};
    Lumvek::ImageContent& added = *image;
    element.content = std::move(image);
    return added;
}

namespace
{

void FillText(Lumvek::TextContent& content, float size, const std::string& text, uint32_t font, uint32_t color,
              TextAlignment alignment)
{
    content.text = text;
    content.font = font;
    content.size = {Lumvek::UnitRectangle::Percent, size};
    content.fillColor = UnpackColor(color);
    content.strokeColor = Lumvek::Color::Black;
    content.horizontalAlignment = static_cast<uint32_t>(alignment);
    content.verticalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    content.letterSpacing = 0.25f;
    content.colorCodes = 1;
    content.minimumSize = ReadableTextSize;
}

} // namespace

DrawInText& AddDrawInText(Element& element, float size, float duration, const std::string& text, uint32_t font,
                          uint32_t color, TextAlignment alignment)
{
    auto content = std::make_unique<DrawInText>();
    FillText(*content, size, text, font, color, alignment);
    content->clock.duration = duration;
    DrawInText& added = *content;
    element.content = std::move(content);
    return added;
}

DrawInImage& AddDrawInImage(Element& element, float duration, uint32_t texture, uint32_t region)
{
    auto image = std::make_unique<DrawInImage>();
    image->texture = texture;
    image->region = region;
    image->width = {Lumvek::UnitRectangle::Automatic, 0.0f};
    image->height = {Lumvek::UnitRectangle::Percent, 100.0f};
    image->horizontalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    image->verticalAlignment = static_cast<uint32_t>(Lumvek::ContentAlignment::Center);
    image->clock.duration = duration;
    DrawInImage& added = *image;
    element.content = std::move(image);
    return added;
}

Lumvek::TextContent& AddText(Element& element, float size, const std::string& text, uint32_t font, uint32_t color,
                             TextAlignment alignment)
{
    auto content = std::make_unique<Lumvek::TextContent>();
    FillText(*content, size, text, font, color, alignment);
    Lumvek::TextContent& added = *content;
    element.content = std::move(content);
    return added;
}

void OutlineText(Lumvek::TextContent& text)
{
    // The near-white of the paper the sketches are drawn on.
    constexpr uint32_t OutlinePaper = 0xFFF5F8FA;
    text.strokeColor = UnpackColor(InkColor);
    text.contrastColor = UnpackColor(OutlinePaper);
    text.contrastStroke = 1;
    // The widest the shader draws: about a sixteenth of the line's height.
    text.outerStrokeRadius = 0.49f;
}

void BackText(Lumvek::TextContent& text)
{
    OutlineText(text);
    text.backing = 1;
}

void SetOffset(Element& element, YGEdge edge, float percent)
{
    element.SetPosition(edge, {ElementLength::Percent, percent});
}

void SetOffsetPoints(Element& element, YGEdge edge, float points)
{
    element.SetPosition(edge, {ElementLength::Points, points});
}

void AlignCentre(Element& element)
{
    YGNodeStyleSetAlignSelf(element.GetNode(), YGAlignCenter);
}
