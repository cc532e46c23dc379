#include "Source/Tools/Inspectors/AttributesInspector.h"

#include "Source/Data/Attributes.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Item.h"
#include "Source/World/Part.h"
#include "Source/World/Player.h"
#include "Source/World/Weapon.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <array>

std::span<const AttributeRow> AttributeRows()
{
    static constexpr std::array<AttributeRow, 22> rows{{
        {"Maximum Health (%%)", &Attributes::maximumHealth},
        {"Health Regeneration (+)", &Attributes::healthRegeneration},
        {"Hops (%%)", &Attributes::hops},
        {"Hang Amount (%%)", &Attributes::hangAmount},
        {"Hang Time (%%)", &Attributes::hangTime},
        {"Agility (%%)", &Attributes::agility},
        {"Maneuverability (%%)", &Attributes::maneuverability},
        {"Weight (%%)", &Attributes::weight},
        {"Aerodynamics (%%)", &Attributes::aerodynamics},
        {"Maximum Forward Speed (%%)", &Attributes::maximumForwardSpeed},
        {"Maximum Backward Speed (%%)", &Attributes::maximumBackwardSpeed},
        {"Maximum Falling Speed (%%)", &Attributes::maximumFallingSpeed},
        {"Headshot Modifier (%%)", &Attributes::headshotModifier},
        {"Bodyshot Modifier (%%)", &Attributes::bodyshotModifier},
        {"Limbshot Modifier (%%)", &Attributes::limbshotModifier},
        {"Accuracy (%%)", &Attributes::accuracy},
        {"Dexterity (%%)", &Attributes::dexterity},
        {"Camera Zoom (%%)", &Attributes::cameraZoom},
        {"Reach (%%)", &Attributes::reach},
        {"Respawn Speed (%%)", &Attributes::respawnSpeed},
        {"Noisiness (+)", &Attributes::noisiness},
        {"Awareness (+)", &Attributes::awareness},
    }};
    return rows;
}

namespace
{

bool Carries(const Player& player, const void* owner)
{
    const Part* parts[4] = {player.head.get(), player.core.get(), player.arms.get(), player.legs.get()};
    for (const Part* part : parts)
        if (part && part->data == owner)
            return true;
    return (player.carriedItem && player.carriedItem->data == owner) || (player.weapon && player.weapon->data == owner);
}

} // namespace

AttributesInspector::AttributesInspector(const void* owner, Attributes* modifiers, Attributes* baseAttributes)
    : owner(owner), modifiers(modifiers), baseAttributes(baseAttributes)
{
}

GameContext* AttributesInspector::GetContext() const
{
    return context ? context : Vantorel_::Get();
}

void AttributesInspector::ApplyToCarriers(bool add)
{
    GameContext* game = GetContext();
    World* world = game ? game->world : nullptr;
    if (!world || !modifiers)
        return;
    for (Player& player : world->players)
    {
        if (!player.present || !Carries(player, owner))
            continue;
        if (add)
            player.modifiers += *modifiers;
        else
            player.modifiers -= *modifiers;
    }
}

void AttributesInspector::ChangeModifier(float Attributes::*attribute, float value)
{
    if (!modifiers)
        return;
    ApplyToCarriers(false);
    modifiers->*attribute = value;
    ApplyToCarriers(true);
}

void AttributesInspector::Draw()
{
    ImGui::PushItemWidth(100.0f);
    if (modifiers)
    {
        PropertyInput::PushLabelWidth(190.0f);
        for (const AttributeRow& row : AttributeRows())
        {
            float value = modifiers->*row.attribute;
            if (PropertyInput::Float(Lumvek::StringView::FromCString(row.label), &value))
                ChangeModifier(row.attribute, value);
        }
        PropertyInput::PopLabelWidth();
    }
    if (baseAttributes)
    {
        PropertyInput::PushLabelWidth(190.0f);
        for (const AttributeRow& row : AttributeRows())
            PropertyInput::FloatSmall(Lumvek::StringView::FromCString(row.label), &(baseAttributes->*row.attribute));
        PropertyInput::PopLabelWidth();
        GameContext* game = GetContext();
        if (game && game->world)
            for (const PlayerSlot& slot : game->configuration.players)
                if (slot.player && static_cast<const void*>(slot.player->character) == owner)
                    slot.player->baseAttributes = *baseAttributes;
    }
    ImGui::PopItemWidth();
}
