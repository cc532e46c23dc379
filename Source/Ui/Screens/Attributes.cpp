#include "Source/Ui/Screens/Attributes.h"

#include "Engine/Foundation/Pattern.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Ui/Kit/ScrollerPage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using Lumvek::Element;

namespace
{

constexpr float NarrowArrows = 39.5f;

struct AttributeRow
{
    const char* label;
    const char* description;
    bool percent;
};

const AttributeRow AttributeRows[Attributes::Count] = {
    {"HEALTH", "MAXIMUM PLAYER HEALTH", true},
    {"HEALTH REGEN", "PLAYER HEALTH REGENERATION", false},
    {"HOPS", "INITIAL JUMP HEIGHT", true},
    {"HANG AMOUNT", "CONTINUOUS JUMP HEIGHT", true},
    {"HANG TIME", "JUMPING FLOATINESS", true},
    {"AGILITY", "PLAYER GROUND ACCELERATION", true},
    {"MANEUVERABILITY", "PLAYER AIR ACCELERATION", true},
    {"WEIGHT", "HOW MUCH GRAVITY AFFECTS PLAYERS", true},
    {"AERODYNAMICS", "ABILITY TO RESIST WIND", true},
    {"MAX FORWARD SPEED", "MAXIMUM SPEED PLAYERS CAN RUN FORWARD", true},
    {"MAX BACKWARD SPEED", "MAXIMUM SPEED PLAYERS CAN RUN BACKWARD", true},
    {"MAX FALL SPEED", "MAXIMUM SPEED PLAYERS CAN FALL", true},
    {"HEADSHOTS", "HEADSHOT EFFECTIVENESS", true},
    {"BODYSHOTS", "BODYSHOT EFFECTIVENESS", true},
    {"LIMBSHOTS", "LIMBSHOT EFFECTIVENESS", true},
    {"ACCURACY", "WEAPON ACCURACY", true},
    {"DEXTERITY", "QUICKNESS OF HANDS", true},
    {"ZOOM", "VIEW DISTANCE", true},
    {"REACH", "DISTANCE AT WHICH PICKUPS CAN BE GRABBED", true},
    {"RESPAWN SPEED", "DELAY UNTIL RESPAWNING", true},
    {"NOISINESS", "HOW MUCH NOISE PLAYERS MAKE", false},
    {"AWARENESS", "ABILITY TO HEAR OTHER PLAYERS", false},
    {"PART USAGE BONUS", "USAGE RATE OF PARTS", true},
    {"PART RECHARGE BONUS", "RECHARGE RATE OF PARTS", true},
};

// The two part bonuses offer a setting between normal and double.
constexpr uint32_t FirstPartBonus = 22;

int32_t Hundredths(float value)
{
    return static_cast<int32_t>(std::lround(value * 100.0f));
}

} // namespace

std::string AttributeLabel(uint32_t index)
{
    return index < Attributes::Count ? AttributeRows[index].label : "";
}

std::string FormatAttributeValue(int32_t value, bool percent)
{
    const char* sign = !percent && value >= 0 ? "+" : "";
    return Lumvek::FormatText("{}{}{}", sign, value, percent ? "%" : "");
}

AttributesSelect& AttributesSelect::Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop,
                                           uint32_t owner, uint32_t row)
{
    return Screen::OpenOver<AttributesSelect>(gui, nullptr, owner, frontEnd, backdrop, row);
}

void AttributesSelect::Setup()
{
    const Attributes& attributes = frontEnd.configuration.attributes;
    Element& strip =
        AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-SELECT PLAYER ATTRIBUTES-", AttributeLabel(row));
    for (uint32_t index = 0; index < Attributes::Count; ++index)
    {
        const AttributeRow& attribute = AttributeRows[index];
        AddCircleTextItem(strip, index == row, FormatAttributeValue(Hundredths(attributes[index]), attribute.percent),
                          attribute.label, attribute.description, false);
    }
    FinishPage(row, NarrowArrows);
}

void AttributesSelect::OnSelect(uint32_t player)
{
    (void)player;
    const uint32_t index = std::min(Position(), Attributes::Count - 1);
    std::vector<uint32_t> values{0, 50, 100, 200};
    if (index >= FirstPartBonus)
        values = {0, 50, 100, 150, 200};
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    Screen::OpenOver<IntSelect<AttributesSelect>>(gui, nullptr, owner, frontEnd, backdrop, std::move(values),
                                                  frontEnd.configuration.attributes[index], index,
                                                  AttributeRows[index].percent);
}

void AttributesSelect::OnBack(uint32_t player)
{
    (void)player;
    ReturnToMenu(6);
}

template <class Owner> uint32_t IntSelect<Owner>::CurrentPosition() const
{
    const int32_t current = Hundredths(target);
    uint32_t position = 0;
    for (uint32_t k = 0; k < values.size(); ++k)
        if (static_cast<int32_t>(values[k]) == current)
            position = k;
    return position;
}

template <class Owner> void IntSelect<Owner>::Setup()
{
    const uint32_t position = CurrentPosition();
    const std::string shown =
        values.empty() ? std::string() : FormatAttributeValue(static_cast<int32_t>(values[position]), percent);
    Element& strip =
        AddScrollerPage(GetRoot(), ScrollerPage::Narrow, title, Lumvek::FormatText("{}: {}", label, shown));
    for (uint32_t k = 0; k < values.size(); ++k)
        AddCircleTextItem(strip, k == position, FormatAttributeValue(static_cast<int32_t>(values[k]), percent), "", "",
                          true);
    FinishPage(position, NarrowArrows);
}

template <class Owner> void IntSelect<Owner>::OnSelect(uint32_t player)
{
    const uint32_t position = Position();
    if (position < values.size())
        target = static_cast<float>(values[position]) / 100.0f;
    OnBack(player);
}

template <class Owner> void IntSelect<Owner>::OnBack(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    Owner::Reopen(gui, frontEnd, backdrop, owner, index);
}

template class IntSelect<AttributesSelect>;
