#include "Source/Tools/Inspectors/EmitterControl.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Particles/LteFormat.h"
#include "Engine/Runtime/Particles/ParticleGenerators.h"
#include "Engine/Runtime/Particles/ParticleInitializers.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Engine/Runtime/Particles/ParticleUpdaters.h"
#include "Source/Tools/Inspectors/TimelineInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Entities.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>
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

namespace Fx = Lumvek::Effects;

// How each attribute family is shown: one label per component, and the range of its timelines.
struct FamilyView
{
    const char* labels[2];
    float minimum;
    float maximum;
};

template <class Family> constexpr FamilyView ViewOf()
{
    if constexpr (std::is_same_v<Family, Fx::AngleFamily>)
        return {{"Angle", nullptr}, -180.0f, 180.0f};
    else if constexpr (std::is_same_v<Family, Fx::RotationFamily>)
        return {{"Rotation", nullptr}, -180.0f, 180.0f};
    else if constexpr (std::is_same_v<Family, Fx::LifetimeFamily>)
        return {{"Lifetime", nullptr}, 0.0f, 10.0f};
    else if constexpr (std::is_same_v<Family, Fx::PositionFamily>)
        return {{"X", "Y"}, -1.0f, 1.0f};
    else if constexpr (std::is_same_v<Family, Fx::ScaleFamily>)
        return {{"Width", "Height"}, 0.0f, 2.0f};
    else
        return {{"X", "Y"}, -1.0f, 1.0f};
}

// The rows of one rule, with what its timeline buttons open the windows over.
class RuleRows
{
public:
    RuleRows(const Fx::EffectData& effect, const void* rule) : effect(effect), rule(rule) {}

    void FloatPairs(const char* const* labels, Fx::ValuePair<float>* pairs, uint32_t count) const
    {
        for (uint32_t c = 0; c < count; ++c)
        {
            PropertyInput::FloatSmall(Lumvek::StringView(std::string("From ") + labels[c]), &pairs[c].from);
            PropertyInput::FloatSmall(Lumvek::StringView(std::string("To ") + labels[c]), &pairs[c].to);
        }
    }

    // "From" edits the start of each channel's pair, "To" the end.
    void ColorPairs(std::array<Fx::ValuePair<uint8_t>, 4>& pairs) const
    {
        for (const bool end : {false, true})
        {
            Lumvek::Color color{pairs[0].from, pairs[1].from, pairs[2].from, pairs[3].from};
            if (end)
                color = {pairs[0].to, pairs[1].to, pairs[2].to, pairs[3].to};
            if (!PropertyInput::Color(end ? Lumvek::StringView("To") : Lumvek::StringView("From"), &color))
                continue;
            const uint8_t channels[4] = {color.r, color.g, color.b, color.a};
            for (uint32_t c = 0; c < 4; ++c)
                (end ? pairs[c].to : pairs[c].from) = channels[c];
        }
    }

    // A button that opens the float curve's window under the label.
    void FloatTimeline(const char* label, Fx::Timeline<float>& curve, float minimum, float maximum) const
    {
        if (PropertyInput::Button(label, 0.0f))
            Open(label, std::make_unique<FloatTimelineInspector>(curve, minimum, maximum, &effect, rule));
    }

    // The window is named after the label unless a name is given.
    void ByteTimeline(const char* label, Fx::Timeline<uint8_t>& curve, float width = 0.0f,
                      const char* window = nullptr) const
    {
        if (PropertyInput::Button(label, width))
            Open(window ? window : label, std::make_unique<ByteTimelineInspector>(curve, &effect, rule));
    }

    void ColorTimelines(std::array<Fx::Timeline<uint8_t>, 4>& curves) const
    {
        static const char* const channels[4] = {"Red", "Green", "Blue", "Alpha"};
        for (uint32_t c = 0; c < 4; ++c)
        {
            if (c > 0)
                ImGui::SameLine();
            ByteTimeline(channels[c], curves[c]);
        }
    }

    template <class Family>
    void Timelines(std::array<Fx::Timeline<float>, Family::Components>& curves, const char* label = nullptr,
                   bool oneLine = true) const
    {
        constexpr FamilyView view = ViewOf<Family>();
        for (uint32_t c = 0; c < Family::Components; ++c)
        {
            if (c > 0 && oneLine)
                ImGui::SameLine();
            FloatTimeline(label ? label : view.labels[c], curves[c], view.minimum, view.maximum);
        }
    }

    template <class Family> bool Initializer(Fx::ParticleInitializer& rule, const char* timelineLabel = nullptr) const
    {
        constexpr FamilyView view = ViewOf<Family>();
        if constexpr (std::is_same_v<Family, Fx::ColorFamily>)
        {
            if (auto* set = dynamic_cast<Fx::SetInitializer<Family>*>(&rule))
            {
                Lumvek::Color color{set->values[0], set->values[1], set->values[2], set->values[3]};
                if (PropertyInput::Color("Color", &color))
                    set->values = {color.r, color.g, color.b, color.a};
            }
            else if (auto* pair = dynamic_cast<Fx::InterpolateInitializer<Family>*>(&rule))
                ColorPairs(pair->pairs);
            else if (auto* random = dynamic_cast<Fx::RandomInitializer<Family>*>(&rule))
                ColorPairs(random->pairs);
            else if (auto* timeline = dynamic_cast<Fx::TimelineInitializer<Family>*>(&rule))
                ColorTimelines(timeline->timelines);
            else
                return false;
        }
        else
        {
            if (auto* set = dynamic_cast<Fx::SetInitializer<Family>*>(&rule))
                for (uint32_t c = 0; c < Family::Components; ++c)
                    PropertyInput::FloatSmall(Lumvek::StringView::FromCString(view.labels[c]), &set->values[c]);
            else if (auto* pair = dynamic_cast<Fx::InterpolateInitializer<Family>*>(&rule))
                FloatPairs(view.labels, pair->pairs.data(), Family::Components);
            else if (auto* random = dynamic_cast<Fx::RandomInitializer<Family>*>(&rule))
                FloatPairs(view.labels, random->pairs.data(), Family::Components);
            else if (auto* timeline = dynamic_cast<Fx::TimelineInitializer<Family>*>(&rule))
                // Positions are the one pair of curves shown on two lines.
                Timelines<Family>(timeline->timelines, timelineLabel, !std::is_same_v<Family, Fx::PositionFamily>);
            else
                return false;
        }
        return true;
    }

    template <class Family> bool Updater(Fx::ParticleUpdater& rule, const char* timelineLabel = nullptr) const
    {
        constexpr FamilyView view = ViewOf<Family>();
        if constexpr (std::is_same_v<Family, Fx::ColorFamily>)
        {
            if (auto* pair = dynamic_cast<Fx::InterpolateUpdater<Family>*>(&rule))
                ColorPairs(pair->pairs);
            else if (auto* timeline = dynamic_cast<Fx::TimelineUpdater<Family>*>(&rule))
                ColorTimelines(timeline->timelines);
            else
                return false;
        }
        else
        {
            if (auto* pair = dynamic_cast<Fx::InterpolateUpdater<Family>*>(&rule))
                FloatPairs(view.labels, pair->pairs.data(), Family::Components);
            else if (auto* timeline = dynamic_cast<Fx::TimelineUpdater<Family>*>(&rule))
                Timelines<Family>(timeline->timelines, timelineLabel);
            else
                return false;
        }
        return true;
    }

private:
    static void Open(const char* label, std::unique_ptr<Inspector> window)
    {
        if (Tools* tools = Tools::Current())
            tools->OpenWindow(Lumvek::StringView::FromCString(label), std::move(window));
    }

    const Fx::EffectData& effect;
    const void* rule;
};

void DrawGenerator(const RuleRows& rows, Fx::ParticleGenerator& rule)
{
    if (auto* burst = dynamic_cast<Fx::BurstGenerator*>(&rule))
    {
        PropertyInput::Count("Count", &burst->count);
    }
    else if (auto* interpolate = dynamic_cast<Fx::InterpolateGenerator*>(&rule))
    {
        PropertyInput::FloatSmall("Start Time Between Emissions", &interpolate->startTimeBetweenEmissions);
        PropertyInput::FloatSmall("End Time Between Emissions", &interpolate->endTimeBetweenEmissions);
    }
    else if (auto* random = dynamic_cast<Fx::RandomGenerator*>(&rule))
        PropertyInput::Float("Chance To Emit", &random->chanceToEmit);
    else if (auto* stream = dynamic_cast<Fx::StreamGenerator*>(&rule))
        PropertyInput::FloatSmall("Time Between Emissions", &stream->timeBetweenEmissions);
    else if (auto* timeline = dynamic_cast<Fx::TimelineGenerator*>(&rule))
        rows.ByteTimeline("Timeline", timeline->keys, -1.0f, "Generator");
}

void DrawInitializer(const RuleRows& rows, Fx::ParticleInitializer& rule)
{
    if (auto* area = dynamic_cast<Fx::PositionAreaInitializer*>(&rule))
    {
        PropertyInput::FloatSmall("Left", &area->left);
        PropertyInput::FloatSmall("Right", &area->right);
        PropertyInput::FloatSmall("Bottom", &area->bottom);
        PropertyInput::FloatSmall("Top", &area->top);
    }
    else if (auto* direction = dynamic_cast<Fx::VelocityDirectionInitializer*>(&rule))
    {
        PropertyInput::FloatSmall("From Speed", &direction->speed.from);
        PropertyInput::FloatSmall("To Speed", &direction->speed.to);
        PropertyInput::FloatSmall("From Angle", &direction->angle.from);
        PropertyInput::FloatSmall("To Angle", &direction->angle.to);
    }
    else
        (void)(rows.Initializer<Fx::AngleFamily>(rule) || rows.Initializer<Fx::ColorFamily>(rule) ||
               rows.Initializer<Fx::LifetimeFamily>(rule) || rows.Initializer<Fx::PositionFamily>(rule) ||
               rows.Initializer<Fx::RotationFamily>(rule) || rows.Initializer<Fx::ScaleFamily>(rule) ||
               rows.Initializer<Fx::VelocityFamily>(rule));
}

void DrawUpdater(const RuleRows& rows, Fx::ParticleUpdater& rule)
{
    if (auto* motion = dynamic_cast<Fx::PositionMotionUpdater*>(&rule))
    {
        ImGui::Checkbox("Confine to Circle", &motion->confineToCircle);
        ImGui::Checkbox("Confine to Bounds", &motion->confineToBounds);
    }
    else
        (void)(rows.Updater<Fx::AngleFamily>(rule, "Angle Timeline") || rows.Updater<Fx::ColorFamily>(rule) ||
               rows.Updater<Fx::PositionFamily>(rule) || rows.Updater<Fx::RotationFamily>(rule) ||
               rows.Updater<Fx::ScaleFamily>(rule) || rows.Updater<Fx::VelocityFamily>(rule));
}

} // namespace

void EmitterControl::Changed()
{
    // Every system running the effect keeps marks per generator and arrays of the emitter's capacity:
    // all rebuild, not only the one this window shows.
    ++effect.version;
    system.SyncEmitters();
}

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
        Changed();
    return added;
}

const void* EmitterControl::RuleAt(uint32_t kind, size_t i) const
{
    auto at = [i](const auto& rules) -> const void* { return i < rules.size() ? rules[i].get() : nullptr; };
    return kind == 0 ? at(emitter.generators) : kind == 1 ? at(emitter.initializers) : at(emitter.updaters);
}

const Lumvek::Blueprint* EmitterControl::RefusedFormAt(uint32_t kind, size_t i) const
{
    const void* rule = RuleAt(kind, i);
    if (!rule)
        return nullptr;
    return kind == 0   ? Fx::FindRefusedForm(*static_cast<const Fx::ParticleGenerator*>(rule))
           : kind == 1 ? Fx::FindRefusedForm(*static_cast<const Fx::ParticleInitializer*>(rule))
                       : Fx::FindRefusedForm(*static_cast<const Fx::ParticleUpdater*>(rule));
}

void EmitterControl::RemoveRule(uint32_t kind, size_t i)
{
    // Its curve windows point into it.
    if (const void* rule = RuleAt(kind, i))
        CloseTimelineWindows(effect, rule);
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
        Changed();
}

void EmitterControl::SetMaximum(uint32_t maximum)
{
    emitter.maximumParticles = maximum;
    Changed();
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
        Lumvek::StringView name = kind == 0   ? Lumvek::Effects::GetGeneratorName(*emitter.generators[i])
                                  : kind == 1 ? Lumvek::Effects::GetInitializerName(*emitter.initializers[i])
                                              : Lumvek::Effects::GetUpdaterName(*emitter.updaters[i]);
        // A rule the load refused shows what the file wrote, and can only be removed.
        const Lumvek::Blueprint* refused = RefusedFormAt(kind, i);
        if (refused)
            name = refused->GetObject().Find("Type") ? refused->GetObject().Find("Type")->GetString()
                                                     : Lumvek::StringView("(no rule object)");
        PropertyInput::FreshId();
        if (name.length)
        {
            ImGui::AlignTextToFramePadding();
            ImGui::TextUnformatted(name.data, name.data + name.length);
            ImGui::SameLine(PropertyInput::GetLabelWidth());
        }
        const bool remove = ImGui::Button("Remove");
        ImGui::PopID();
        // The rule that moves into place i is drawn next.
        if (remove)
            RemoveRule(kind, i);
        else if (refused)
        {
            ImGui::TextWrapped("Not read: Save is refused until it is removed");
            ++i;
        }
        else
        {
            const RuleRows rows(effect, RuleAt(kind, i));
            if (kind == 0)
                DrawGenerator(rows, *emitter.generators[i]);
            else if (kind == 1)
                DrawInitializer(rows, *emitter.initializers[i]);
            else
                DrawUpdater(rows, *emitter.updaters[i]);
            ++i;
        }
        PropertyInput::Separator();
    }
    if (PropertyInput::Button("Add", 0.0f))
        AddRule(kind);
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
    if (!held.IsHeld())
        open = 0;
    if (preview == 0xFFFF || !open)
        return open != 0;
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
    uint32_t maximum = emitter.maximumParticles;
    if (PropertyInput::Count("Maximum", &maximum))
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
