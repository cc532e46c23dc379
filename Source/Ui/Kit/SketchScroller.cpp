#include "Source/Ui/Kit/SketchScroller.h"

#include "Engine/Runtime/Gui/Menu.h"

#include <cmath>
#include <memory>

using Lumvek::ElementLength;

namespace
{

// A percent length of the style, 0 when it is not one.
float PercentOf(YGValue value)
{
    return value.unit == YGUnitPercent && std::isfinite(value.value) ? value.value : 0.0f;
}

} // namespace

void SetItemFocusAmount(Lumvek::Element& item, float amount, float unfocusedSize)
{
    const float size = unfocusedSize + (100.0f - unfocusedSize) * amount;
    item.SetWidth({ElementLength::Percent, size});
    item.SetHeight({ElementLength::Percent, size});
}

SketchScroller& AddSketchScroller(Lumvek::Element& element)
{
    auto scroller = std::make_unique<SketchScroller>(element);
    SketchScroller& added = *scroller;
    element.actions = std::move(scroller);
    return added;
}

void SketchScroller::SetAmount(uint32_t item, float amount)
{
    if (item < ItemCount())
        SetItemFocusAmount(*element.GetChildren()[item], amount, unfocusedSize);
}

void SketchScroller::Focus()
{
    YGNodeRef node = element.GetNode();
    YGNodeStyleSetFlexDirection(node, YGFlexDirectionRow);
    YGNodeStyleSetAlignItems(node, YGAlignCenter);
    for (const auto& child : element.GetChildren())
    {
        YGNodeStyleSetPositionType(child->GetNode(), YGPositionTypeRelative);
        child->SetMargin(YGEdgeRight, {ElementLength::Percent, spacing});
    }
    step = (unfocusedSize + spacing) * (PercentOf(YGNodeStyleGetWidth(node)) / 100.0f);
    // The strip stands at Base + Current: a strip focused again (a screen that froze it and made it
    // live once more) keeps its place instead of taking its offset twice.
    base = PercentOf(YGNodeStyleGetPosition(node, YGEdgeLeft)) - current;
    target = current = -(static_cast<float>(selected) * step);
    element.SetPosition(YGEdgeLeft, {ElementLength::Percent, base + current});
}

void SketchScroller::Update(float seconds)
{
    const float move = transitionTime > 0.0f ? step / transitionTime * seconds : step;
    const float distance = std::fabs(target - current);
    const float remaining = step > 0.0f ? distance / step : 0.0f;
    if (move >= distance)
    {
        if (previous != selected)
        {
            SetAmount(previous, 0.0f);
            SetAmount(selected, 1.0f);
        }
        current = target;
        previous = selected;
        if (Lumvek::Menu* menu = element.GetOwner(); menu && selected < ItemCount())
            menu->FocusElement(*element.GetChildren()[selected]);
    }
    else
    {
        current += target > current ? move : -move;
        SetAmount(previous, remaining);
        SetAmount(selected, 1.0f - remaining);
    }
    element.SetPosition(YGEdgeLeft, {ElementLength::Percent, base + current});
}

void SketchScroller::ButtonPressed(uint32_t player, uint32_t button)
{
    (void)player;
    if ((button == 0 || button == 16) && selected > 0)
        Select(selected - 1);
    else if ((button == 1 || button == 17) && selected + 1 < ItemCount())
        Select(selected + 1);
}

void SketchScroller::Select(uint32_t index)
{
    if (IsMoving())
        return;
    previous = selected;
    selected = index;
    if (Lumvek::Menu* menu = element.GetOwner(); menu && previous < ItemCount())
        menu->BlurElement(*element.GetChildren()[previous]);
    target = -(static_cast<float>(index) * step);
}
