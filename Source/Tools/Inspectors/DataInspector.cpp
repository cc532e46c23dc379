#include "Source/Tools/Inspectors/DataInspector.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Source/Data/Data.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/MapData.h"
#include "Source/Tools/Inspectors/AttributesInspector.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/MapFile.h"

#include <imgui.h>

#include <memory>

bool DataInspector::Save(Data& definition, const Lumvek::FileManager&, std::string* refusal)
{
    // A map's definition shares its file with the map's content, which only the world's reader knows.
    if (auto* map = dynamic_cast<MapData*>(&definition))
        CheckMapDefinition(*map);
    if (!definition.registry)
    {
        Lumvek::Log::Write("{} is not saved: it belongs to no registry", definition.name);
        return false;
    }
    return definition.registry->Save(definition, refusal);
}

void DataInspector::DrawReport()
{
    const Lumvek::ReadReport& report = data->record.report;
    if (!saveRefusal.empty())
        ImGui::TextWrapped("%s", saveRefusal.c_str());
    if (report.IsWhole())
        return;
    if (!report.IsParsed())
    {
        ImGui::TextWrapped("%s", report.Describe().c_str());
        return;
    }
    ImGui::TextWrapped("%s was not read whole; Save leaves it as it is until each of these is set:",
                       report.GetFile().c_str());
    for (const Lumvek::ReadProblem& problem : report.GetProblems())
        ImGui::BulletText("%s holds %s: %s", problem.path.c_str(), problem.value.c_str(), problem.why.c_str());
}

void DataInspector::DrawHeader()
{
    if (!data)
        return;
    ImGui::PushItemWidth(250.0f);
    PropertyInput::FreshId();
    if (ImGui::Button("Save", ImVec2(ImGui::CalcItemWidth(), 0.0f)) && data->registry)
    {
        BeforeSave();
        saveRefusal.clear();
        Save(*data, data->registry->GetFiles(), &saveRefusal);
    }
    ImGui::PopID();
    DrawReport();

    PropertyInput::Text("Display Name", &data->displayName);

    ImGui::TextUnformatted("Icon");
    const uint32_t atlas = Lumvek::NameTableC().Add("UiAtlas");
    PropertyInput::TexturePreview(atlas, data->icon, 50.0f);
    ImGui::SameLine();
    PropertyInput::TexturePreview(atlas, data->sketch, 50.0f);

    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Description");
    ImGui::SameLine(PropertyInput::GetLabelWidth());
    PropertyInput::FreshId();
    PropertyInput::TextInput("##Input", "Description", &data->description, ImGui::GetFontSize() * 4.0f);
    ImGui::PopID();
    ImGui::PopItemWidth();
}

void ModifiersButton(const void* owner, Attributes& modifiers)
{
    PropertyInput::FreshId();
    if (ImGui::Button("Modifiers", ImVec2(-1.0f, 0.0f)))
        if (Tools* tools = Tools::Current())
            tools->OpenWindow("Modifiers", std::make_unique<AttributesInspector>(owner, &modifiers, nullptr));
    ImGui::PopID();
}
