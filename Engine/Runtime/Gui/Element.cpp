#include "Engine/Runtime/Gui/Element.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Gui/Menu.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Lumvek
{

namespace
{

bool Inside(const Rectangle& rectangle, float x, float y)
{
    return x > rectangle.x && y > rectangle.y && rectangle.x + rectangle.width > x &&
           rectangle.y + rectangle.height > y;
}

float PaddingOf(YGNodeConstRef node, YGEdge edge)
{
    const float padding = YGNodeLayoutGetPadding(node, edge);
    return std::isnan(padding) ? 0.0f : padding;
}

// A clip rectangle inside the one in force; a clip with a negative width is no clip at all.
Rectangle Intersect(const Rectangle& clip, const Rectangle& box)
{
    if (clip.width < 0.0f || clip.height < 0.0f)
        return box;
    const float left = std::max(clip.x, box.x);
    const float top = std::max(clip.y, box.y);
    const float right = std::min(clip.x + clip.width, box.x + box.width);
    const float bottom = std::min(clip.y + clip.height, box.y + box.height);
    // An empty intersection must still clip everything away, and a width of 0 would mean no clip.
    if (right <= left || bottom <= top)
        return {left, top, 0.0f, 0.0f};
    return {left, top, right - left, bottom - top};
}

void PushClip(ElementDrawContext& context, const Rectangle& rectangle)
{
    DrawList& list = context.drawList;
    DrawCommand next = list.Template();
    DrawCommand& item = list.items.back();
    item.clipOnly = 1;
    item.clip = rectangle;
    context.clipIndices.push_back(static_cast<uint32_t>(list.items.size() - 1));
    list.items.push_back(next);
}

void DrawBand(ElementDrawContext& context, float x, float y, float width, float height, Color color)
{
    if (!(width > 0.0f) || !(height > 0.0f))
        return;
    const float deviceWidth = static_cast<float>(context.size.width);
    const float deviceHeight = static_cast<float>(context.size.height);
    const Vector2 topLeft = ToDeviceCoordinates(x, y, deviceWidth, deviceHeight);
    const Vector2 bottomRight = ToDeviceCoordinates(x + width, y + height, deviceWidth, deviceHeight);
    const GuiColorVertex vertices[4] = {{topLeft.x, topLeft.y, color},
                                        {topLeft.x, bottomRight.y, color},
                                        {bottomRight.x, topLeft.y, color},
                                        {bottomRight.x, bottomRight.y, color}};
    AppendGuiQuad(context.drawList, context.vertexBuffer, context.indexBuffer, vertices);
}

float ResolveOutline(const ElementLength& length, float size)
{
    switch (length.unit)
    {
    case ElementLength::Points:
        return length.value;
    case ElementLength::Percent:
        return length.value / 100.0f * size;
    default:
        return 0.0f;
    }
}

} // namespace

Element::Element(Menu* owner) : owner(owner), node(YGNodeNew())
{
    if (!node)
    {
        Log::Write("Could not allocate memory for node");
        std::abort();
    }
    YGNodeSetContext(node, this);
}

Element::~Element()
{
    if (owner)
        owner->ForgetElement(*this);
    // Frees the node from its parent's and orphans the children's nodes, which go with the children.
    YGNodeFree(node);
}

Element& Element::AddChild()
{
    children.push_back(std::make_unique<Element>(owner));
    Element& child = *children.back();
    YGNodeInsertChild(node, child.node, YGNodeGetChildCount(node));
    YGNodeStyleSetPositionType(child.node, flow ? YGPositionTypeRelative : YGPositionTypeAbsolute);
    if (child.actions)
        child.actions->Attach();
    return child;
}

void Element::RemoveChildren()
{
    while (!children.empty())
    {
        // Out of the list first: a Detach that edits this element's children must not find it there.
        std::unique_ptr<Element> child = std::move(children.back());
        children.pop_back();
        child->RemoveChildren();
        if (child->actions)
            child->actions->Detach();
        if (owner && !child->name.empty())
            owner->RemoveName(child->name);
        child->name.clear();
        YGNodeRemoveChild(node, child->node);
    }
}

void Element::SetMargin(YGEdge edge, ElementLength length)
{
    if (length.unit == ElementLength::Percent && !std::isnan(length.value))
        YGNodeStyleSetMarginPercent(node, edge, length.value);
    else if (length.unit == ElementLength::Points)
        YGNodeStyleSetMargin(node, edge, length.value);
    else
        YGNodeStyleSetMargin(node, edge, YGUndefined);
}

void Element::SetPadding(ElementLength length)
{
    if (length.unit == ElementLength::Percent && !std::isnan(length.value))
        YGNodeStyleSetPaddingPercent(node, YGEdgeAll, length.value);
    else if (length.unit == ElementLength::Points)
        YGNodeStyleSetPadding(node, YGEdgeAll, length.value);
    else
        YGNodeStyleSetPadding(node, YGEdgeAll, YGUndefined);
}

void Element::SetPosition(YGEdge edge, ElementLength length)
{
    if (edge == YGEdgeLeft)
        left = length;
    else if (edge == YGEdgeTop)
        top = length;
    if (length.unit == ElementLength::Percent && !std::isnan(length.value))
        YGNodeStyleSetPositionPercent(node, edge, length.value);
    else if (length.unit == ElementLength::Points)
        YGNodeStyleSetPosition(node, edge, length.value);
    else
        YGNodeStyleSetPosition(node, edge, YGUndefined);
}

void Element::SetWidth(ElementLength length)
{
    width = length;
    if (length.unit == ElementLength::Points && length.value < 0.0f)
    {
        YGNodeStyleSetAspectRatio(node, length.value);
        YGNodeStyleSetWidth(node, YGUndefined);
    }
    else if (length.unit == ElementLength::Points)
        YGNodeStyleSetWidth(node, length.value);
    else if (length.unit == ElementLength::Percent && std::isnan(length.value))
        YGNodeStyleSetWidthAuto(node);
    else if (length.unit == ElementLength::Percent)
        YGNodeStyleSetWidthPercent(node, length.value);
    else
        YGNodeStyleSetWidth(node, YGUndefined);
}

void Element::SetHeight(ElementLength length)
{
    height = length;
    if (length.unit == ElementLength::Points && length.value < 0.0f)
    {
        YGNodeStyleSetAspectRatio(node, length.value);
        YGNodeStyleSetHeight(node, YGUndefined);
    }
    else if (length.unit == ElementLength::Points)
        YGNodeStyleSetHeight(node, length.value);
    else if (length.unit == ElementLength::Percent && std::isnan(length.value))
        YGNodeStyleSetHeightAuto(node);
    else if (length.unit == ElementLength::Percent)
        YGNodeStyleSetHeightPercent(node, length.value);
    else
        YGNodeStyleSetHeight(node, YGUndefined);
}

Rectangle Element::LayoutRectangle(Vector2 offset) const
{
    return {offset.x + YGNodeLayoutGetLeft(node), offset.y + YGNodeLayoutGetTop(node), YGNodeLayoutGetWidth(node),
            YGNodeLayoutGetHeight(node)};
}

Rectangle Element::ContentBox(const Rectangle& rectangle) const
{
    const float left = PaddingOf(node, YGEdgeLeft);
    const float right = PaddingOf(node, YGEdgeRight);
    const float top = PaddingOf(node, YGEdgeTop);
    const float bottom = PaddingOf(node, YGEdgeBottom);
    return {rectangle.x + left, rectangle.y + top, rectangle.width - left - right, rectangle.height - top - bottom};
}

Element* Element::FindElementAt(float x, float y, Vector2 offset, bool needActions)
{
    if (!visible)
        return nullptr;
    const Rectangle rectangle = LayoutRectangle(offset);
    const bool inside = Inside(rectangle, x, y);
    if (clip && !inside)
        return nullptr;
    // Children of a clipping element are drawn only inside its content box, so only there are they hit.
    if (!clip || Inside(ContentBox(rectangle), x, y))
    {
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            if (Element* found = (*child)->FindElementAt(x, y, {rectangle.x, rectangle.y}, needActions))
                return found;
    }
    return inside && (!needActions || actions) ? this : nullptr;
}

void Element::FindElementsAt(float x, float y, bool needActions, std::vector<Element*>& found)
{
    for (auto entry = children.rbegin(); entry != children.rend(); ++entry)
    {
        Element& child = **entry;
        if (!child.visible)
            continue;
        const Rectangle& rectangle = child.content ? child.content->drawnRectangle : child.drawnRectangle;
        const bool inside = Inside(rectangle, x, y);
        if (child.clip && !inside)
            continue;
        child.FindElementsAt(x, y, needActions, found);
        if (inside && (!needActions || child.actions))
            found.push_back(&child);
    }
}

void Element::Draw(ElementDrawContext& context, Vector2 offset)
{
    if (!visible)
        return;
    const Rectangle rectangle = LayoutRectangle(offset);
    DrawCommand& drawTemplate = context.drawList.Template();
    drawTemplate.material = context.colorMaterial;
    // The colour material samples nothing; a texture left by an earlier content would only keep
    // the bands from folding together.
    std::fill(std::begin(drawTemplate.textures), std::end(drawTemplate.textures), InvalidId);

    const float x = rectangle.x;
    const float y = rectangle.y;
    const float w = rectangle.width;
    const float h = rectangle.height;
    if (background.a != 0)
        DrawBand(context, x, y, w, h, background);
    if (outline.a != 0)
    {
        const float leftWidth = ResolveOutline(outlineWidths[Left], w);
        const float rightWidth = ResolveOutline(outlineWidths[Right], w);
        const float topWidth = ResolveOutline(outlineWidths[Top], h);
        const float bottomWidth = ResolveOutline(outlineWidths[Bottom], h);
        DrawBand(context, x, y, leftWidth, h, outline);
        DrawBand(context, x + w - rightWidth, y, rightWidth, h, outline);
        DrawBand(context, x, y, w, topWidth, outline);
        DrawBand(context, x, y + h - bottomWidth, w, bottomWidth, outline);
    }
    const Rectangle box = ContentBox(rectangle);
    if (padding.a != 0)
    {
        const float boxRight = box.x + box.width;
        const float boxBottom = box.y + box.height;
        DrawBand(context, x, y, w, box.y - y, padding);
        DrawBand(context, x, boxBottom, w, y + h - boxBottom, padding);
        DrawBand(context, x, box.y, box.x - x, box.height, padding);
        DrawBand(context, boxRight, box.y, x + w - boxRight, box.height, padding);
    }
    if (fill.a != 0)
        DrawBand(context, box.x, box.y, box.width, box.height, fill);
    if (content)
        content->Render(context.seconds, context.drawList, context.vertexBuffer, context.indexBuffer, context.device,
                        context.menu, rectangle);

    const Rectangle enclosing = context.clip;
    if (clip)
    {
        // Nested clips stay inside the one around them, and ending one restores that one.
        context.clip = Intersect(enclosing, box);
        PushClip(context, context.clip);
    }
    for (const std::unique_ptr<Element>& child : children)
        child->Draw(context, {x, y});
    if (clip)
    {
        context.clip = enclosing;
        PushClip(context, enclosing.width < 0.0f ? Rectangle{0.0f, 0.0f, -1.0f, -1.0f} : enclosing);
    }
    drawnRectangle = rectangle;
}

bool Element::Subscribe(GuiHandlerList list, GuiHandler handler)
{
    Gui* gui = owner ? owner->GetGui() : nullptr;
    if (!gui)
        return false;
    subscriptions.push_back(std::make_unique<GuiSubscription>(*gui, list, std::move(handler)));
    return true;
}

} // namespace Lumvek
