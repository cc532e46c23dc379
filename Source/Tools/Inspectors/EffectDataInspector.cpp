#include "Source/Tools/Inspectors/EffectDataInspector.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Particles/LteFormat.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/Inspectors/EmitterControl.h"
#include "Source/Tools/Inspectors/TimelineInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <memory>

EffectDataInspector::EffectDataInspector(Lumvek::Effects::EffectData& effect) : effect(effect), held(&effect) {}

EffectDataInspector::~EffectDataInspector()
{
    if (World* world = PreviewWorld())
        if (Visual* visual = world->visuals.Find(preview))
            world->RemoveVisual(*visual);
    preview = NoPreview;
}

World* EffectDataInspector::PreviewWorld() const
{
    const Tools* tools = Tools::Current();
    return preview != NoPreview && tools ? tools->GetWorld() : nullptr;
}

bool EffectDataInspector::CreatePreview(World& world, float x, float y)
{
    Visual* visual = CreateVisualEntity(world, {x, y}, {1.0f, 1.0f}, {0.5f, 0.5f}, 0.0f, 20.0f, false, false,
                                        Lumvek::InvalidId, effect.id, Lumvek::InvalidId, -1, 0, 1);
    preview = visual ? visual->id : NoPreview;
    return visual != nullptr;
}

Visual* EffectDataInspector::FindPreview() const
{
    World* world = PreviewWorld();
    return world ? world->visuals.Find(preview) : nullptr;
}

void EffectDataInspector::CloseEmitterWindows()
{
    // They point at emitters, and at running states by index, that the change has moved or destroyed;
    // closed windows are neither drawn nor updated again.
    if (const Tools* tools = Tools::Current())
        for (const std::unique_ptr<Inspector>& window : tools->GetInspectors())
            if (auto* control = dynamic_cast<EmitterControl*>(window.get()); control && &control->effect == &effect)
                control->open = 0;
    // The curve windows opened from them point into the rules.
    CloseTimelineWindows(effect);
}

void EffectDataInspector::Restart()
{
    if (Visual* visual = FindPreview(); visual && visual->effect)
        visual->effect->SyncEmitters();
}

void EffectDataInspector::Update()
{
    if (!held.IsHeld())
        open = 0;
    if (!open)
        return;
    if (Visual* visual = FindPreview(); visual && visual->effect && autoRestart && visual->effect->IsFinished())
        visual->effect->SyncEmitters();
}

void EffectDataInspector::DrawWorld(const ToolsView&, LineRenderer& lines)
{
    if (const Visual* visual = FindPreview())
    {
        const TransformBody& body = *visual->body;
        lines.DrawRotatedRect({body.x, body.y}, {body.pivotX, body.pivotY}, {body.width, body.height}, body.rotation,
                              3.0f, 0xFFFFFFFF, false, 0);
    }
}

void EffectDataInspector::DrawVisual(Visual& visual)
{
    Tools* tools = Tools::Current();
    TransformBody& body = *visual.body;
    PropertyInput::PushScope("Tools Camera");
    if (tools && tools->cameraInUse)
    {
        if (ImGui::Button("Locate"))
            tools->camera.centre = {body.x, body.y};
        ImGui::SameLine();
    }
    if (ImGui::Button("Recenter") && tools)
    {
        const Lumvek::Vector2 centre = tools->GetCameraInUse().centre;
        body.x = body.previousX = centre.x;
        body.y = body.previousY = centre.y;
    }
    PropertyInput::PopScope();
    PropertyInput::Float("Width", &body.width);
    PropertyInput::Float("Height", &body.height);
    PropertyInput::Angle("Rotation", &body.rotation);
}

void EffectDataInspector::DrawPlayback(Lumvek::Effects::ParticleSystem& system)
{
    bool restart = autoRestart != 0;
    if (ImGui::Checkbox("Auto Restart", &restart))
        autoRestart = restart ? 1 : 0;
    if (ImGui::Button("Reset"))
        system.SyncEmitters();
    ImGui::SameLine();
    if (system.emitting)
    {
        if (ImGui::Button("Pause"))
            system.emitting = 0;
    }
    else if (ImGui::Button("Play"))
        system.emitting = 1;
    PropertyInput::PushScope("Step Region");
    stepOffered = !system.emitting;
    if (stepOffered)
    {
        ImGui::SameLine();
        if (ImGui::Button("Step"))
            system.Advance(Lumvek::TickSeconds);
    }
    PropertyInput::PopScope();
    PropertyInput::FloatSmall("Timescale", &system.timeScale);
}

bool EffectDataInspector::AddEmitter()
{
    if (!FindPreview())
        return false;
    effect.emitters.push_back(std::make_unique<Lumvek::Effects::EmitterData>());
    CloseEmitterWindows();
    // Every system running the effect (a map's hazards and zones, visuals) rebuilds from the new list.
    ++effect.version;
    Restart();
    return true;
}

void EffectDataInspector::RemoveEmitter(size_t i)
{
    if (i >= effect.emitters.size())
        return;
    CloseEmitterWindows();
    effect.emitters.erase(effect.emitters.begin() + static_cast<std::ptrdiff_t>(i));
    // Every system running the effect, not only the preview, points into the emitters: each must
    // rebuild before it advances or draws again.
    ++effect.version;
    Restart();
}

bool EffectDataInspector::Save()
{
    const Tools* tools = Tools::Current();
    Lumvek::Application* application = tools ? tools->GetApplication() : nullptr;
    if (!application)
        return false;
    Lumvek::FileManager& files = application->GetFileManager();
    const std::string path = files.ResolvePath(Lumvek::StringView(effect.path));
    if (path.empty())
    {
        Lumvek::Log::Write("the effect has no file to save to");
        return false;
    }
    Lumvek::Blueprint edited, tree;
    Lumvek::LteFormat format(&files, Lumvek::TypeIndex<Lumvek::Effects::EffectData>(), "lte");
    if (!format.Write(edited, effect))
    {
        Lumvek::Log::Write("could not write EffectData for {}", path);
        return false;
    }
    std::string refusal;
    if (!effect.record.Merge(edited, tree, refusal))
    {
        Lumvek::Log::Write("{}", refusal);
        return false;
    }
    const std::string text = Lumvek::LonFormat::SaveBlueprint(tree);
    const std::string folder = path.substr(0, path.find_last_of('/'));
    if (path.find('/') != std::string::npos && !Lumvek::File::CreateDirectories(Lumvek::StringView(folder)))
    {
        Lumvek::Log::Write("could not make the folder {} for EffectData", folder);
        return false;
    }
    std::error_code error;
    if (!Lumvek::File::WriteAllText(Lumvek::StringView(path), Lumvek::StringView(text), error))
    {
        Lumvek::Log::Write("could not save EffectData to {}: {}", path, error.message());
        return false;
    }
    effect.record.Saved(tree, edited);
    Lumvek::Log::Write("saved EffectData to {}", files.NameFile(path));
    return true;
}

bool EffectDataInspector::OpenEmitter(size_t i, const std::string& title)
{
    Visual* visual = FindPreview();
    Tools* tools = Tools::Current();
    if (!visual || !visual->effect || !tools || i >= effect.emitters.size())
        return false;
    auto control =
        std::make_unique<EmitterControl>(effect, *visual->effect, *effect.emitters[i], static_cast<uint32_t>(i));
    control->preview = preview;
    tools->OpenWindow(title, std::move(control));
    return true;
}

void EffectDataInspector::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    ImGui::PushItemWidth(-1.0f);
    ImGui::TextUnformatted(effect.path.c_str());
    const Lumvek::ReadReport& report = effect.record.report;
    if (!report.IsParsed())
    {
        // Nothing of it was read, so there is nothing to edit or save: the file is fixed by hand.
        ImGui::TextWrapped("Cannot be edited or saved: %s", report.Describe().c_str());
        ImGui::PopItemWidth();
        return;
    }
    if (!report.IsWhole())
        ImGui::TextWrapped("Save leaves the file as it is until these are set: %s", report.Describe().c_str());
    if (ImGui::Button("Save", ImVec2(-1.0f, 0.0f)))
        Save();
    drawn.clear();
    PropertyInput::PushScope("World Running");
    stepOffered = false;
    if (Visual* visual = FindPreview())
    {
        PropertyInput::PushScope("Visual");
        if (ImGui::CollapsingHeader("Visual"))
            DrawVisual(*visual);
        PropertyInput::PopScope();
        PropertyInput::PushScope("Playback");
        if (ImGui::CollapsingHeader("Playback") && visual->effect)
            DrawPlayback(*visual->effect);
        PropertyInput::PopScope();
        PropertyInput::PushScope("Emitters");
        if (ImGui::CollapsingHeader("Emitters"))
        {
            for (size_t i = 0; i < effect.emitters.size();)
            {
                const Lumvek::Effects::EmitterData& emitter = *effect.emitters[i];
                const std::string title =
                    Lumvek::NameTableA().GetName(static_cast<uint32_t>(emitter.imageIndex)).ToString() + " Emitter";
                drawn.push_back(i);
                PropertyInput::FreshId();
                if (ImGui::Button(title.c_str(), ImVec2(ImGui::CalcItemWidth() * 0.7f, 0.0f)))
                    OpenEmitter(i, title);
                ImGui::SameLine();
                const bool remove = ImGui::Button("Remove", ImVec2(-1.0f, 0.0f));
                ImGui::PopID();
                // The emitter that moves into place i is drawn next, in this frame.
                if (remove)
                    RemoveEmitter(i);
                else
                    ++i;
            }
            if (ImGui::Button("Add Emitter", ImVec2(-1.0f, 0.0f)))
                AddEmitter();
        }
        PropertyInput::PopScope();
    }
    PropertyInput::PopScope();
    ImGui::PopItemWidth();
}

void OpenEffect(const std::string& name, Lumvek::Effects::EffectData& effect)
{
    Tools* tools = Tools::Current();
    if (!tools || tools->IsWindowOpen(name))
        return;
    auto inspector = std::make_unique<EffectDataInspector>(effect);
    const Vantorel_* game = Vantorel_::Get();
    if (World* world = tools->GetWorld(); world && game && game->GetRenderer())
    {
        const ToolsView view = tools->GetCameraInUse();
        inspector->CreatePreview(*world, view.centre.x, view.centre.y);
    }
    std::unique_ptr<Inspector> opened = std::move(inspector);
    tools->OpenWindow(name, opened);
}
