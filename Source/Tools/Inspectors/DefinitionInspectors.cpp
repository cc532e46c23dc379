#include "Source/Tools/Inspectors/DefinitionInspectors.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/HazardData.h"
#include "Source/Data/InteractionData.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/MapData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/TiledImage.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/ZoneData.h"
#include "Source/Tools/Inspectors/AttributesInspector.h"
#include "Source/Tools/Inspectors/EffectDataInspector.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Action.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <string>
#include <vector>

namespace
{

void ImageBlock(uint32_t image, TiledImage& tiles)
{
    PropertyInput::PushScope("Image Region");
    if (image != Lumvek::InvalidId)
    {
        PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, image, -1.0f);
        PropertyInput::Float("Tile Size", &tiles.tileSize);
        ImGui::Checkbox("Tile Horizontally", &tiles.tileHorizontally);
        ImGui::Checkbox("Tile Vertically", &tiles.tileVertically);
        PropertyInput::Count("Left Slice", &tiles.nineSliceLeft);
        PropertyInput::Count("Right Slice", &tiles.nineSliceRight);
        PropertyInput::Count("Bottom Slice", &tiles.nineSliceBottom);
        PropertyInput::Count("Top Slice", &tiles.nineSliceTop);
    }
    PropertyInput::PopScope();
}

// The effect's name, as a button that opens the effect's window when the effect is loaded.
void EffectBlock(uint32_t effect)
{
    PropertyInput::PushScope("Effect Region");
    if (effect != Lumvek::InvalidId)
    {
        const std::string name(Lumvek::NameTableB().GetName(effect).ToStdView());
        if (ImGui::Button(name.c_str(), ImVec2(-1.0f, 0.0f)))
        {
            const Tools* tools = Tools::Current();
            Lumvek::Application* application = tools ? tools->GetApplication() : nullptr;
            if (auto* data =
                    application ? application->GetResources().Find<Lumvek::Effects::EffectData>(effect) : nullptr)
                OpenEffect(name, *data);
            else
                Lumvek::Log::Write("the effect {} is not loaded", name);
        }
    }
    PropertyInput::PopScope();
}

const std::vector<std::string>& ActionTexts()
{
    static const std::vector<std::string> texts = []
    {
        std::vector<std::string> list;
        const Lumvek::NameList& names = EnumNames(TriggerAction::None);
        for (uint32_t i = 0; i <= static_cast<uint32_t>(TriggerAction::None); ++i)
            list.push_back(i < static_cast<uint32_t>(TriggerAction::None) && i < names.Count()
                               ? std::string(names.GetName(i).ToStdView())
                               : std::to_string(i));
        return list;
    }();
    return texts;
}

} // namespace

GameTypeDataInspector::GameTypeDataInspector(GameTypeData* gameType) : DataInspector(gameType), gameType(gameType) {}

MapDataInspector::MapDataInspector(MapData* map) : DataInspector(map), map(map)
{
    // The panel lists what of the map's content the map load would not take, as Save would refuse it.
    if (map)
        CheckMapDefinition(*map);
}

ItemDataInspector::ItemDataInspector(ItemData* item) : DataInspector(item), item(item) {}

void ItemDataInspector::Draw()
{
    DrawHeader();
    PropertyInput::DefinitionImage(item->name, item->image, &item->shape);
    if (ImGui::Button("Modifiers", ImVec2(-1.0f, 0.0f)))
        if (Tools* tools = Tools::Current())
            tools->OpenWindow("Modifiers", std::make_unique<AttributesInspector>(item, &item->modifiers, nullptr));
    PropertyInput::Vector2("Size", &item->size);
    PropertyInput::Vector2("Offset", &item->offset);
}

ProjectileDataInspector::ProjectileDataInspector(ProjectileData* projectile)
    : DataInspector(projectile), projectile(projectile)
{
}

void ProjectileDataInspector::Draw()
{
    DrawHeader();
    auto* dynamic = dynamic_cast<DynamicProjectileData*>(projectile);
    // Without an id the preview would show the whole atlas, and a shape drawn over it fit nothing.
    if (projectile->image == Lumvek::InvalidId)
        ImGui::TextDisabled("%s is not loaded", projectile->name.c_str());
    else
        PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, projectile->image, -1.0f,
                                      dynamic ? &dynamic->shape : nullptr);
    PropertyInput::Vector2("Size", &projectile->size);
    PropertyInput::Vector2("Offset", &projectile->offset);
    ImGui::Checkbox("Orient", &projectile->orient);
    ImGui::Checkbox("Collide With One Way", &projectile->collideWithOneWay);
    PropertyInput::Vector2("Trail Size", &projectile->trailSize);
    PropertyInput::PushScope("Dynamic Region");
    if (dynamic)
    {
        PropertyInput::FloatSmall("Density", &dynamic->density);
        PropertyInput::FloatSmall("Restitution", &dynamic->restitution);
        PropertyInput::FloatSmall("Friction", &dynamic->friction);
    }
    PropertyInput::PopScope();
}

HazardDataInspector::HazardDataInspector(HazardData* hazard) : DataInspector(hazard), hazard(hazard) {}

void HazardDataInspector::Draw()
{
    DrawHeader();
    ImageBlock(hazard->image, hazard->tiles);
    EffectBlock(hazard->effect);
    PropertyInput::FloatCoarse("Damage Per Second", &hazard->damage);
    PropertyInput::Float("Wind Speed", &hazard->windSpeed);
    PropertyInput::Float("Wind Impulse", &hazard->windImpulse);
}

InteractionDataInspector::InteractionDataInspector(InteractionData* interaction)
    : DataInspector(interaction), interaction(interaction)
{
}

void InteractionDataInspector::Draw()
{
    DrawHeader();
    PropertyInput::PushScope("Image Region");
    if (interaction->image != Lumvek::InvalidId)
        PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, interaction->image, -1.0f);
    PropertyInput::PopScope();
}

TriggerDataInspector::TriggerDataInspector(TriggerData* trigger) : DataInspector(trigger), trigger(trigger) {}

void TriggerDataInspector::SetAction(TriggerData& definition, Slot slot, TriggerAction kind, World* world)
{
    TriggerAction& stored = slot == Slot::Enter  ? definition.enterAction
                            : slot == Slot::Stay ? definition.stayAction
                                                 : definition.leaveAction;
    stored = kind;
    if (!world)
        return;
    for (Trigger& entity : world->triggers.View())
    {
        if (entity.data != &definition)
            continue;
        std::unique_ptr<Action>& action = slot == Slot::Enter  ? entity.enterAction
                                          : slot == Slot::Stay ? entity.stayAction
                                                               : entity.leaveAction;
        action = CreateAction(kind, *world);
    }
}

void TriggerDataInspector::Draw()
{
    DrawHeader();
    ImageBlock(trigger->image, trigger->tiles);
    const Tools* tools = Tools::Current();
    World* world = tools ? tools->GetWorld() : nullptr;
    const struct
    {
        const char* label;
        Slot slot;
        TriggerAction kind;
    } rows[] = {
        {"Enter Action", Slot::Enter, trigger->enterAction},
        {"Stay Action", Slot::Stay, trigger->stayAction},
        {"Leave Action", Slot::Leave, trigger->leaveAction},
    };
    for (const auto& row : rows)
    {
        uint32_t kind = static_cast<uint32_t>(row.kind);
        if (PropertyInput::Combo(Lumvek::StringView::FromCString(row.label), &kind, ActionTexts()) &&
            kind < ActionTexts().size() && kind != static_cast<uint32_t>(row.kind))
            SetAction(*trigger, row.slot, static_cast<TriggerAction>(kind), world);
    }
}

ZoneDataInspector::ZoneDataInspector(ZoneData* zone) : DataInspector(zone), zone(zone) {}

void ZoneDataInspector::Draw()
{
    DrawHeader();
    ImageBlock(zone->image, zone->tiles);
    EffectBlock(zone->effect);
    if (ImGui::Button("Modifiers", ImVec2(ImGui::CalcItemWidth(), 0.0f)))
        if (Tools* tools = Tools::Current())
            tools->OpenWindow("Modifiers", std::make_unique<AttributesInspector>(zone, &zone->modifiers, nullptr));
}
