#include "Source/Ui/Kit/HudLayout.h"

#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/Menu.h"

#include <algorithm>
#include <cmath>

using Lumvek::Element;
using Lumvek::ElementLength;

float HudLayout::ScoreRowWidth(uint32_t scoreDials)
{
    return scoreDials == 0 ? 0.0f : 120.0f * float(scoreDials) - 40.0f;
}

uint32_t HudLayout::ScoreDials(uint32_t teamCount)
{
    return std::clamp(teamCount, 1u, 4u);
}

HudLayout HudLayout::For(float viewWidth, float viewHeight, uint32_t scoreDials)
{
    // The narrowest view where the bands of the top stay apart: the score dials left of the centre
    // band, and the ammunition row (the widest part at the right) right of it.
    const float sideWidth = std::max(ScoreRowWidth(scoreDials), AmmoWidth);
    const float neededWidth = 2.0f * (Margin + sideWidth + Gap + CentreHalfWidth);
    const float neededHeight = CirclesBottom + Gap + FeedLinesAtLeast * FeedLineHeight + Margin;
    HudLayout layout;
    // A view not laid out yet counts as large.
    if (viewWidth > 0.0f && viewHeight > 0.0f)
        layout.scale = std::min({1.0f, viewWidth / neededWidth, viewHeight / neededHeight});
    layout.width = viewWidth > 0.0f ? viewWidth / layout.scale : neededWidth;
    layout.height = viewHeight > 0.0f ? viewHeight / layout.scale : neededHeight;
    layout.nameWidth = std::max(0.0f, layout.width / 2.0f - CentreHalfWidth - Gap - Margin);
    layout.messageWidth = std::max(0.0f, layout.width - 2.0f * (Margin + CirclesWidth + Gap));
    const float feedTop = CirclesBottom + Gap;
    layout.feedWidth = std::max(0.0f, layout.width - 2.0f * Margin);
    layout.feedHeight = std::max(0.0f, layout.height - Margin - feedTop);
    layout.feedLines = static_cast<uint32_t>(std::floor(layout.feedHeight / FeedLineHeight));
    layout.topBand = CirclesTop - Gap / 2.0f;
    return layout;
}

namespace
{

float Scaled(YGValue value, float scale)
{
    return value.value * scale;
}

} // namespace

void ScalePoints(Element& element, float scale)
{
    YGNodeRef node = element.GetNode();
    if (element.width.unit == ElementLength::Points && element.width.value >= 0.0f)
        element.SetWidth({ElementLength::Points, element.width.value * scale});
    if (element.height.unit == ElementLength::Points && element.height.value >= 0.0f)
        element.SetHeight({ElementLength::Points, element.height.value * scale});
    for (YGEdge edge : {YGEdgeLeft, YGEdgeTop, YGEdgeRight, YGEdgeBottom})
    {
        const YGValue position = YGNodeStyleGetPosition(node, edge);
        if (position.unit == YGUnitPoint)
            element.SetPosition(edge, {ElementLength::Points, Scaled(position, scale)});
        const YGValue margin = YGNodeStyleGetMargin(node, edge);
        if (margin.unit == YGUnitPoint)
            element.SetMargin(edge, {ElementLength::Points, Scaled(margin, scale)});
    }
    const YGValue padding = YGNodeStyleGetPadding(node, YGEdgeAll);
    if (padding.unit == YGUnitPoint)
        element.SetPadding({ElementLength::Points, Scaled(padding, scale)});
    if (auto* slices = dynamic_cast<Lumvek::NineSliceContent*>(element.content.get());
        slices && slices->borderSize.unit == Lumvek::UnitRectangle::Pixels)
        slices->borderSize.value *= scale;
    for (const auto& child : element.GetChildren())
        ScalePoints(*child, scale);
}
