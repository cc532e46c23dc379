#include "Source/Ui/Kit/HudWidgets.h"

#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/Menu.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/Weapon.h"

#include <algorithm>
#include <cmath>
#include <memory>

using Lumvek::Element;

namespace
{

// The countdown's colour: bytes R 0x01, G 0x73, B 0xB9.
constexpr uint32_t CountdownColor = 0xFFB97301;
// The fill of a full pip.
constexpr uint32_t PipColor = 0xFF64F4FF;

void Register(Element& element, const std::string& name)
{
    if (Lumvek::Menu* menu = element.GetOwner())
        menu->SetElementName(element, name);
}

} // namespace

uint32_t DialTint(uint32_t tintIndex)
{
    static constexpr uint32_t tints[] = {0xFF73C786, 0xFF64F4FF, 0xFFB97301, 0xFF1B14BE};
    return tintIndex < std::size(tints) ? tints[tintIndex] : 0xFFE8E7E6;
}

uint32_t RemainingSeconds(float elapsed, float duration)
{
    // Written so that NaN in either falls to 0.
    if (!(duration > 0.0f) || !(elapsed < duration))
        return 0;
    const double left = std::trunc(static_cast<double>(duration) - std::max(0.0, static_cast<double>(elapsed)));
    return left >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(left);
}

float RemainingShare(float elapsed, float duration)
{
    if (!(duration > 0.0f))
        return 0.0f;
    const float share = 1.0f - elapsed / duration;
    return share >= 0.0f ? std::min(share, 1.0f) : 0.0f;
}

void SetDrawnShare(Element& element, float share)
{
    auto* image = dynamic_cast<DrawInImage*>(element.content.get());
    if (!image)
        return;
    const float kept = share >= 0.0f ? std::min(share, 1.0f) : 0.0f;
    image->clock.elapsed = kept * image->clock.duration;
}

Element& AddTimerDial(Element& parent, bool shown)
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    Element& dial = AddElementPoints(parent, TimerDialSize, TimerDialSize, 0);
    SetImage(dial, atlas, Images::CircleSketch, Lumvek::InvalidId).color = UnpackColor(CountdownColor);
    Register(dial, "Timer");
    SetOffsetPoints(dial, YGEdgeRight, TimerDialMargin);
    SetOffsetPoints(dial, YGEdgeTop, TimerDialMargin);
    dial.visible = shown ? 1 : 0;

    Element& ring = AddElement(dial, 100.0f, 100.0f, 0);
    AddDrawInImage(ring, 1.0f, atlas, Images::CircleDraw).color = UnpackColor(CountdownColor);
    Element& seconds = AddElement(dial, 100.0f, 50.0f, 0);
    AddText(seconds, 100.0f, "", GraphicsResources::HeadingFont, CountdownColor, TextAlignment::Centre);
    SetOffset(seconds, YGEdgeTop, 25.0f);
    return dial;
}

void UpdateTimerDial(Element& dial, float elapsed, float duration)
{
    const auto& children = dial.GetChildren();
    if (children.size() < 2)
        return;
    SetDrawnShare(*children[0], RemainingShare(elapsed, duration));
    if (auto* text = dynamic_cast<Lumvek::TextContent*>(children[1]->content.get()))
        text->text = std::to_string(RemainingSeconds(elapsed, duration));
}

Element& AddTeamDial(Element& parent, const std::string& name, uint32_t tint)
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    Element& dial = AddElementPoints(parent, 80, 80, 0);
    SetImage(dial, atlas, Images::CircleSketch, Lumvek::InvalidId).color = UnpackColor(tint);
    Register(dial, name);
    dial.SetMargin(YGEdgeRight, {Lumvek::ElementLength::Points, 40.0f});

    Element& ring = AddElement(dial, 100.0f, 100.0f, 0);
    AddDrawInImage(ring, 1.0f, atlas, Images::CircleDraw).color = UnpackColor(tint);
    Element& score = AddElement(dial, 100.0f, 50.0f, 0);
    // The neutral colour is the paper's own: its number, drawn over the match, would not be seen.
    const uint32_t numberTint =
        tint == GetTeamColor(static_cast<uint32_t>(TeamColor::Neutral)).PackedColor() ? InkColor : tint;
    // Drawn over the match, where a sky or tiles may share the team's colour.
    BackText(AddText(score, 100.0f, "", GraphicsResources::HeadingFont, numberTint, TextAlignment::Centre));
    SetOffset(score, YGEdgeTop, 25.0f);
    Element& leader = AddElementPoints(dial, 80, 80, 0);
    SetImage(leader, atlas, Images::LeaderIcon, Lumvek::InvalidId);
    AlignCentre(leader);
    SetOffsetPoints(leader, YGEdgeTop, -40.0f);
    leader.visible = 0;
    return dial;
}

Element& AddAbilityDial(Element& parent, uint32_t tintIndex, uint32_t position, uint32_t count)
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    const Lumvek::Color tint = UnpackColor(DialTint(tintIndex));
    Element& dial = AddElementPoints(parent, 44, 44, 0);
    SetImage(dial, atlas, Images::CircleSketch, Lumvek::InvalidId).color = tint;
    const int64_t left = (8 - int64_t(count) * 52) / 2 + int64_t(position) * 52;
    SetOffsetPoints(dial, YGEdgeLeft, static_cast<float>(left));

    Element& ring = AddElement(dial, 100.0f, 100.0f, 0);
    AddDrawInImage(ring, 1.0f, atlas, Images::CircleDraw).color = tint;
    Element& icon = AddElement(dial, 100.0f, 100.0f, 0);
    SetImage(icon, atlas, Lumvek::InvalidId, Images::PendingSketch);
    return dial;
}

PipLayout PipLayout::Of(uint32_t clipSize)
{
    PipLayout layout;
    if (clipSize == 0)
        return layout;
    // A clip longer than the row can hold shares its rounds out over the pips.
    layout.pips = std::min(clipSize, MaximumPips);
    layout.roundsPerPip = clipSize > MaximumPips ? (clipSize - 1) / MaximumPips + 1 : 1;
    const uint32_t n = layout.pips;
    uint32_t k = n;
    layout.height = 50;
    if (n > 20)
    {
        k = n / 3;
        layout.height = 13;
    }
    else if (n > 9)
    {
        k = n / 2;
        layout.height = 22;
    }
    layout.border = n > 9 ? 3 : 4;
    layout.width = std::max<uint32_t>((40 - k) * 5 / k, 1);
    const uint32_t inset = 2 * layout.border;
    layout.innerWidth = layout.width > inset ? layout.width - inset : 0;
    layout.innerHeight = layout.height > inset ? layout.height - inset : 0;
    return layout;
}

uint32_t PipLayout::FullPips(uint32_t rounds) const
{
    if (pips == 0)
        return 0;
    const uint64_t full = (uint64_t(rounds) + roundsPerPip - 1) / roundsPerPip;
    return static_cast<uint32_t>(std::min<uint64_t>(full, pips));
}

void BuildAmmoPips(Element& row, const Weapon* weapon)
{
    row.RemoveChildren();
    if (!weapon || !weapon->data || weapon->data->clipSize == 0)
        return;
    const PipLayout layout = PipLayout::Of(weapon->data->clipSize);
    const uint32_t full = layout.FullPips(weapon->clip);
    // The pips take their places in the row's own flow.
    row.flow = 1;
    for (uint32_t i = 0; i < layout.pips; ++i)
    {
        Element& pip = AddElementPoints(row, layout.width, layout.height, 0);
        pip.SetMargin(YGEdgeLeft, {Lumvek::ElementLength::Points, 5.0f});
        pip.SetMargin(YGEdgeBottom, {Lumvek::ElementLength::Points, 5.0f});
        auto outline = std::make_unique<Lumvek::NineSliceContent>();
        outline->texture = GraphicsResources::UiAtlas;
        outline->region = Images::Outline;
        outline->color = UnpackColor(InkColor);
        outline->borderSize = {Lumvek::UnitRectangle::Pixels, static_cast<float>(layout.border)};
        pip.content = std::move(outline);

        Element& fill = AddElementPoints(pip, layout.innerWidth, layout.innerHeight, PipColor);
        SetOffsetPoints(fill, YGEdgeLeft, static_cast<float>(layout.border));
        SetOffsetPoints(fill, YGEdgeTop, static_cast<float>(layout.border));
        // The last full ones: the clip empties from the front.
        fill.visible = i + full >= layout.pips ? 1 : 0;
    }
}

void FillAmmoPips(Element& row, const PipLayout& layout, uint32_t rounds)
{
    const uint32_t full = layout.FullPips(rounds);
    const auto& pips = row.GetChildren();
    for (uint32_t i = 0; i < pips.size(); ++i)
        if (!pips[i]->GetChildren().empty())
            pips[i]->GetChildren()[0]->visible = i < full ? 1 : 0;
}
