#include "Source/Tools/Inspectors/EmitterControl.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Entities.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

const char* const RuleHeadings[] = {"Generators", "Initializers", "Updaters"};

std::vector<Lumvek::StringView> RuleNames(uint32_t kind)
{
    return kind == 0   ? Lumvek::Effects::GetGeneratorNames()
           : kind == 1 ? Lumvek::Effects::GetInitializerNames()
                       : Lumvek::Effects::GetUpdaterNames();
}

} // namespace

bool EmitterControl::AddRule(uint32_t kind)
{
    const std::vector<Lumvek::StringView> names = RuleNames(kind);
    const int32_t selected = selectedType[kind];
    if (selected < 0 || static_cast<size_t>(selected) >= names.size())
        return false;
    const Lumvek::StringView name = names[static_cast<size_t>(selected)];
    bool added = false;
    if (kind == 0)
        if (auto rule = Lumvek::Effects::CreateGenerator(name); (added = rule != nullptr))
            emitter.generators.push_back(std::move(rule));
    if (kind == 1)
        if (auto rule = Lumvek::Effects::CreateInitializer(name); (added = rule != nullptr))
            emitter.initializers.push_back(std::move(rule));
    if (kind == 2)
        if (auto rule = Lumvek::Effects::CreateUpdater(name); (added = rule != nullptr))
            emitter.updaters.push_back(std::move(rule));
    if (added)
        system.SyncEmitters();
    return added;
}

void EmitterControl::RemoveRule(uint32_t kind, size_t i)
{
    auto erase = [i](auto& rules)
    {
        if (i >= rules.size())
            return false;
        rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    };
    const bool removed = kind == 0   ? erase(emitter.generators)
                         : kind == 1 ? erase(emitter.initializers)
                                     : erase(emitter.updaters);
    if (removed)
        system.SyncEmitters();
}

void EmitterControl::SetMaximum(int32_t maximum)
{
    emitter.maximumParticles = static_cast<uint32_t>(std::max(maximum, 0));
    system.SyncEmitters();
}

void EmitterControl::DrawRules(uint32_t kind)
{
    auto count = [&] {
        return kind == 0   ? emitter.generators.size()
               : kind == 1 ? emitter.initializers.size()
                           : emitter.updaters.size();
    };
    for (size_t i = 0; i < count();)
    {
        const Lumvek::StringView name = kind == 0   ? Lumvek::Effects::GetGeneratorName(*emitter.generators[i])
                                        : kind == 1 ? Lumvek::Effects::GetInitializerName(*emitter.initializers[i])
                                                    : Lumvek::Effects::GetUpdaterName(*emitter.updaters[i]);
        PropertyInput::FreshId();
        if (name.length)
        {
            ImGui::AlignTextToFramePadding();
            ImGui::TextUnformatted(name.data, name.data + name.length);
            ImGui::SameLine(PropertyInput::GetLabelWidth());
        }
        const bool remove = ImGui::Button("Remove");
        ImGui::PopID();
        PropertyInput::Separator();
        // The rule that moves into place i is drawn next.
        if (remove)
            RemoveRule(kind, i);
        else
            ++i;
    }
    PropertyInput::FreshId();
    if (ImGui::Button("Add"))
        AddRule(kind);
    ImGui::PopID();
    ImGui::SameLine();
    std::vector<std::string> names;
    for (Lumvek::StringView name : RuleNames(kind))
        names.push_back(name.ToString());
    uint32_t selected = selectedType[kind] < 0 ? 0xFFFFFFFF : static_cast<uint32_t>(selectedType[kind]);
    if (PropertyInput::Combo("", &selected, names))
        selectedType[kind] = static_cast<int32_t>(selected);
}

bool EmitterControl::IsLive()
{
    if (preview == 0xFFFF)
        return true;
    // The effect window's preview goes with that window, or with the game editor's delete.
    const Tools* tools = Tools::Current();
    World* world = tools ? tools->GetWorld() : nullptr;
    const Visual* visual = world ? world->visuals.Find(preview) : nullptr;
    if (!visual || !visual->body->active || visual->effect.get() != &system)
        open = 0;
    return open != 0;
}

void EmitterControl::Draw()
{
    if (!IsLive())
        return;
    ImGui::PushItemWidth(300.0f);
    PropertyInput::PushLabelWidth(160.0f);
    Lumvek::Effects::EmitterState* state = index < system.emitters.size() ? system.emitters[index].get() : nullptr;
    if (state)
    {
        char line[96];
        std::snprintf(line, sizeof(line), "%.1f Elapsed of %.1f", double(state->elapsed), double(emitter.duration));
        ImGui::TextUnformatted(line);
        std::snprintf(line, sizeof(line), "%u particles of %u", state->count, emitter.maximumParticles);
        ImGui::TextUnformatted(line);
        bool enabled = state->emitting != 0;
        if (ImGui::Checkbox("Enabled", &enabled))
            state->emitting = enabled ? 1 : 0;
    }
    // The effects draw their images from the effect atlas.
    static const uint32_t atlas = Lumvek::NameTableC().Add("EffectAtlas");
    uint32_t region = emitter.imageIndex < 0 ? Lumvek::InvalidId : static_cast<uint32_t>(emitter.imageIndex);
    if (PropertyInput::RegionName("Texture", atlas, &region))
        emitter.imageIndex =
            region == Lumvek::InvalidId || region > uint32_t(INT32_MAX) ? -1 : static_cast<int32_t>(region);
    PropertyInput::Float("Lifetime", &emitter.duration);
    ImGui::Checkbox("Loop", &emitter.loop);
    ImGui::Checkbox("Link Particles", &emitter.localSpace);
    int32_t maximum = static_cast<int32_t>(std::min<uint32_t>(emitter.maximumParticles, INT32_MAX));
    if (PropertyInput::Int("Maximum", &maximum))
        SetMaximum(maximum);
    PropertyInput::FloatSmall("Width", &emitter.particleSize.x);
    PropertyInput::FloatSmall("Height", &emitter.particleSize.y);
    for (uint32_t kind = 0; kind < 3; ++kind)
    {
        PropertyInput::PushScope(Lumvek::StringView::FromCString(RuleHeadings[kind]));
        if (ImGui::CollapsingHeader(RuleHeadings[kind]))
            DrawRules(kind);
        PropertyInput::PopScope();
    }
    PropertyInput::PopLabelWidth();
    ImGui::PopItemWidth();
}
