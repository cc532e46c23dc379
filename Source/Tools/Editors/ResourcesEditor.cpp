#include "Source/Tools/Editors/ResourcesEditor.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Tools/Inspectors/EffectDataInspector.h"
#include "Source/Tools/Inspectors/ResourceInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>

#include <algorithm>
#include <memory>

namespace
{

// Byte by byte over signed characters, as the engine's names have always been ordered.
bool NameBefore(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y)
                                        { return static_cast<signed char>(x) < static_cast<signed char>(y); });
}

template <class T> void DrawKind(const char* heading)
{
    if (!ImGui::CollapsingHeader(heading))
        return;
    for (auto& [name, resource] : ResourcesEditor::Collect<T>())
    {
        PropertyInput::FreshId();
        if (ImGui::Button(name.c_str(), ImVec2(-1.0f, 0.0f)))
            ResourcesEditor::Open(name, *resource);
        ImGui::PopID();
    }
}

} // namespace

template <class T> std::vector<std::pair<std::string, T*>> ResourcesEditor::Collect()
{
    std::vector<std::pair<std::string, T*>> found;
    const Tools* tools = Tools::Current();
    Lumvek::Application* application = tools ? tools->GetApplication() : nullptr;
    if (!application)
        return found;
    const Lumvek::ResourceTable& table = application->GetResources();
    for (uint32_t id = 0; id < table.Count(); ++id)
        if (T* resource = table.Find<T>(id))
            found.emplace_back(Lumvek::NameTableB().GetName(id).ToString(), resource);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return NameBefore(a.first, b.first); });
    return found;
}

template std::vector<std::pair<std::string, Lumvek::Texture*>> ResourcesEditor::Collect<Lumvek::Texture>();
template std::vector<std::pair<std::string, Lumvek::Geometry*>> ResourcesEditor::Collect<Lumvek::Geometry>();
template std::vector<std::pair<std::string, Lumvek::Material*>> ResourcesEditor::Collect<Lumvek::Material>();
template std::vector<std::pair<std::string, Lumvek::Sound*>> ResourcesEditor::Collect<Lumvek::Sound>();
template std::vector<std::pair<std::string, Lumvek::Effects::EffectData*>>
ResourcesEditor::Collect<Lumvek::Effects::EffectData>();

bool ResourcesEditor::Open(const std::string& name, Lumvek::Resource& resource)
{
    Tools* tools = Tools::Current();
    if (!tools || tools->IsWindowOpen(name))
        return false;
    std::unique_ptr<Inspector> inspector;
    if (auto* texture = dynamic_cast<Lumvek::Texture*>(&resource))
        inspector = std::make_unique<TextureInspector>(*texture);
    else if (auto* geometry = dynamic_cast<Lumvek::Geometry*>(&resource))
        inspector = std::make_unique<GeometryInspector>(*geometry);
    else if (auto* material = dynamic_cast<Lumvek::Material*>(&resource))
        inspector = std::make_unique<MaterialInspector>(*material);
    else if (auto* sound = dynamic_cast<Lumvek::Sound*>(&resource))
        inspector = std::make_unique<SoundInspector>(*sound);
    else if (auto* effect = dynamic_cast<Lumvek::Effects::EffectData*>(&resource))
    {
        OpenEffect(name, *effect);
        return tools->IsWindowOpen(name);
    }
    if (!inspector)
        return false;
    tools->OpenWindow(name, inspector);
    return true;
}

void ResourcesEditor::Draw()
{
    DrawKind<Lumvek::Texture>("Textures");
    DrawKind<Lumvek::Geometry>("Geometries");
    DrawKind<Lumvek::Material>("Materials");
    DrawKind<Lumvek::Sound>("Sounds");
    DrawKind<Lumvek::Effects::EffectData>("Effects");
}
