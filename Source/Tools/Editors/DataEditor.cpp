#include "Source/Tools/Editors/DataEditor.h"

#include "Source/Data/AbilityPartData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/Inspectors/CharacterDataInspector.h"
#include "Source/Tools/Inspectors/DefinitionInspectors.h"
#include "Source/Tools/Inspectors/PartInspectors.h"
#include "Source/Tools/Inspectors/ThemeInspectors.h"
#include "Source/Tools/Inspectors/WeaponInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>

#include <type_traits>
#include <utility>

namespace
{

// A definition class and the window it opens in.
template <class Definition, class Window> struct Opens
{
    static std::unique_ptr<DataInspector> Try(Data& data)
    {
        if (auto* definition = dynamic_cast<Definition*>(&data))
            return std::make_unique<Window>(definition);
        return nullptr;
    }
};

// The window of the first of the classes the definition is: subclasses come before their base.
template <class... Cases> std::unique_ptr<DataInspector> OpenFirst(Data& data)
{
    std::unique_ptr<DataInspector> window;
    (void)((window = Cases::Try(data)) || ...);
    return window;
}

template <auto List> const DataCollectionBase& ListOf(const DataRegistry& registry)
{
    return registry.*List;
}

template <auto List> Data* ItemOf(const DataCollectionBase& list, uint32_t index)
{
    using Collection = std::remove_cvref_t<decltype(std::declval<DataRegistry&>().*List)>;
    return static_cast<const Collection&>(list).Get(index);
}

// One line of the table below: the header, the registry's list and the windows of its classes.
template <auto List, class... Cases> constexpr DataFamily Family(const char* header)
{
    return {header, &ListOf<List>, &ItemOf<List>, &OpenFirst<Cases...>};
}

using Registry = DataRegistry;

constexpr DataFamily families[] = {
    Family<&Registry::maps, Opens<MapData, MapDataInspector>>("Maps"),
    Family<&Registry::themes, Opens<ThemeData, ThemeDataInspector>>("Themes"),
    Family<&Registry::gameTypes, Opens<GameTypeData, GameTypeDataInspector>>("Game Types"),
    Family<&Registry::characters, Opens<CharacterData, CharacterDataInspector>>("Characters"),
    Family<&Registry::heads, Opens<HelicopterHatData, HelicopterHatDataInspector>, Opens<HeadData, HeadDataInspector>>(
        "Heads"),
    Family<&Registry::cores, Opens<JetpackData, JetpackDataInspector>, Opens<CoreData, CoreDataInspector>>("Cores"),
    Family<&Registry::arms, Opens<ArmsData, ArmsDataInspector>>("Arms"),
    Family<&Registry::legs, Opens<BonusHitopsData, BonusHitopsDataInspector>, Opens<LegsData, LegsDataInspector>>(
        "Legs"),
    Family<&Registry::items, Opens<ItemData, ItemDataInspector>>("Items"),
    Family<&Registry::weapons, Opens<GrenadeLauncherData, GrenadeLauncherDataInspector>,
           Opens<SniperRifleData, SniperRifleDataInspector>, Opens<WeaponData, WeaponDataInspector>>("Weapons"),
    Family<&Registry::projectiles, Opens<ProjectileData, ProjectileDataInspector>>("Projectiles"),
    Family<&Registry::hazards, Opens<HazardData, HazardDataInspector>>("Hazards"),
    Family<&Registry::zones, Opens<ZoneData, ZoneDataInspector>>("Zones"),
    Family<&Registry::triggers, Opens<TriggerData, TriggerDataInspector>>("Triggers"),
    Family<&Registry::interactions, Opens<InteractionData, InteractionDataInspector>>("Interactions"),
};

} // namespace

std::span<const DataFamily> DataEditor::Families()
{
    return families;
}

const std::string& DataEditor::Label(const Data& definition)
{
    return definition.displayName.empty() ? definition.name : definition.displayName;
}

bool DataEditor::Open(const DataFamily& family, Data& definition)
{
    Tools* tools = Tools::Current();
    const std::string& label = Label(definition);
    if (!tools || tools->IsWindowOpen(label))
        return false;
    // A window keeps the title it opened with: one renamed since still shows the definition, and a
    // second would edit it alongside (two character windows would each turn its skeleton back).
    for (const std::unique_ptr<Inspector>& open : tools->GetInspectors())
        if (const auto* shown = dynamic_cast<const DataInspector*>(open.get()); shown && shown->data == &definition)
            return false;
    std::unique_ptr<Inspector> window = family.open(definition);
    if (!window)
        return false;
    tools->OpenWindow(label, window);
    return true;
}

void DataEditor::Draw()
{
    const GameContext* game = context ? context : Vantorel_::Get();
    const DataRegistry* registry = game ? game->registry : nullptr;
    if (!registry)
        return;
    for (const DataFamily& family : families)
    {
        if (!ImGui::CollapsingHeader(family.header))
            continue;
        const DataCollectionBase& list = family.list(*registry);
        for (uint32_t i = 0; i < list.Count(); ++i)
        {
            Data* definition = family.at(list, i);
            if (!definition)
                continue;
            PropertyInput::FreshId();
            if (ImGui::Button(Label(*definition).c_str(), ImVec2(-1.0f, 0.0f)))
                Open(family, *definition);
            ImGui::PopID();
        }
    }
}
