// The effect window without a match: "Save" through the effect format and LON into a scratch folder
// under the test application's root, and the emitter list's edits.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Particles/ParticleGenerators.h"
#include "Engine/Runtime/Particles/ParticleUpdaters.h"
#include "Source/Data/HazardData.h"
#include "Source/Tools/Inspectors/EffectDataInspector.h"
#include "Source/Tools/Inspectors/EmitterControl.h"
#include "Source/Tools/Inspectors/TimelineInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityFactory.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <filesystem>
#include <variant>

#include <unistd.h>

namespace
{

const std::string Sparks = R"lon({ Emitters [
    { Lifetime = 2.5 Loop = true MaximumParticles = 300 Generators [ { Type = "Burst" Count = 12 } ] }
    { MaximumParticles = 7 } { MaximumParticles = 9 } ] })lon";

TEST(EffectDataInspector, SaveWritesLonThatLoadsBackEqualAndSaysSoOnlyOnceWritten)
{
    ToolsTesting::ToolsApplication app;
    const std::string scratch = "EffectDataInspectorTests" + std::to_string(getpid());
    const std::string root = app.GetFileManager().ResolvePath(Lumvek::StringView(scratch));
    ASSERT_TRUE(Lumvek::File::CreateDirectories(Lumvek::StringView(root)));
    // A file where the failing case wants a folder.
    ASSERT_TRUE(Lumvek::File::WriteAllText(Lumvek::StringView(root + "/Blocked"), Lumvek::StringView("x")));
    std::unique_ptr<Lumvek::Effects::EffectData> effect = Lumvek::Testing::ParseEffect(Sparks);
    ASSERT_EQ(effect->emitters.size(), 3u);
    // A number "%f" would write as 0.000012.
    effect->emitters[1]->duration = 0.00001234f;
    EffectDataInspector inspector(*effect);
    struct Case
    {
        std::string path;
        bool saved;
    };
    for (const Case& c : {Case{scratch + "/Effects/Sparks.lte", true}, Case{scratch + "/Blocked/Sparks.lte", false}})
    {
        Lumvek::Testing::LogCapture log;
        effect->path = c.path;
        const std::string resolved = app.GetFileManager().ResolvePath(Lumvek::StringView(c.path));
        EXPECT_EQ(inspector.Save(), c.saved) << c.path;
        EXPECT_EQ(log.Logged("saved EffectData to " + c.path), c.saved) << c.path;
        if (c.saved)
        {
            const auto [read, text] = Lumvek::File::ReadAllText(Lumvek::StringView(resolved));
            ASSERT_TRUE(read);
            EXPECT_EQ(Lumvek::Testing::SaveEffect(*Lumvek::Testing::ParseEffect(text)),
                      Lumvek::Testing::SaveEffect(*effect));
            EXPECT_EQ(Lumvek::Testing::ParseEffect(text)->emitters[0]->maximumParticles, 300u);
            EXPECT_EQ(Lumvek::Testing::ParseEffect(text)->emitters[1]->duration, 0.00001234f);
        }
    }
    std::filesystem::remove_all(root);
}

TEST(EffectDataInspector, WithoutAPreviewAddsNothingAndRemovingMovesTheRestDown)
{
    ToolsTesting::ToolsApplication app;
    std::unique_ptr<Lumvek::Effects::EffectData> effect = Lumvek::Testing::ParseEffect(Sparks);
    EffectDataInspector inspector(*effect);
    EXPECT_FALSE(inspector.AddEmitter());
    EXPECT_EQ(effect->emitters.size(), 3u);
    const Lumvek::Effects::EmitterData* second = effect->emitters[1].get();
    inspector.RemoveEmitter(0);
    ASSERT_EQ(effect->emitters.size(), 2u);
    EXPECT_EQ(effect->emitters[0].get(), second);
    inspector.RemoveEmitter(5);
    EXPECT_EQ(effect->emitters.size(), 2u);
}

// A match whose registry reaches an audio device over the test application's resources, where the
// world finds the effects it runs.
struct PreviewMatch
{
    PreviewMatch()
    {
        world = &match.LoadText(WeaponTesting::PlatformMapWithSpawn(R"({"Position": "0 0", "Size": "40 2"})"));
        match.registry = &registry;
        app.tools->editedWorld = world;
        const uint32_t id = Lumvek::NameTableB().Add(Lumvek::StringView::FromCString("EffectDataInspectorTests.Puff"));
        effect = app.GetResources().Create<Lumvek::Effects::EffectData>(id);
        // One burst of one particle: finished once that particle dies.
        effect->emitters =
            std::move(Lumvek::Testing::ParseEffect(
                          R"({ Emitters [ { Lifetime = 0.1 Generators [ { Type = "Burst" Count = 1 } ] } ] })")
                          ->emitters);
    }
    ~PreviewMatch()
    {
        app.tools->editedWorld = nullptr;
        match.registry = &match.ownRegistry;
    }

    WeaponTesting::Match match;
    ToolsTesting::ToolsApplication app;
    Lumvek::Testing::DeviceCalls calls;
    Lumvek::Testing::RecordingAudioDevice audio{&app.GetResources(), calls};
    DataRegistry registry{match.files, &audio};
    World* world = nullptr;
    Lumvek::Effects::EffectData* effect = nullptr;
};

TEST(EffectDataInspector, ThePreviewRestartsOnlyWithAutoRestartAndGoesWithTheWindow)
{
    PreviewMatch m;
    ASSERT_NE(m.effect, nullptr);
    auto inspector = std::make_unique<EffectDataInspector>(*m.effect);
    ASSERT_TRUE(inspector->CreatePreview(*m.world, 5.0f, 5.0f));
    Visual* visual = inspector->FindPreview();
    ASSERT_NE(visual, nullptr);
    ASSERT_NE(visual->effect, nullptr);
    for (const uint8_t autoRestart : {0, 1})
    {
        inspector->autoRestart = autoRestart;
        for (int i = 0; i < 6000 && !visual->effect->IsFinished(); ++i)
            visual->effect->Advance(Lumvek::TickSeconds);
        ASSERT_TRUE(visual->effect->IsFinished());
        inspector->Update();
        EXPECT_EQ(visual->effect->IsFinished(), autoRestart == 0) << int(autoRestart);
    }

    // With a live preview "Add Emitter" appends an emitter of the defaults and the system runs it.
    ASSERT_TRUE(inspector->AddEmitter());
    ASSERT_EQ(m.effect->emitters.size(), 2u);
    EXPECT_EQ(m.effect->emitters[1]->maximumParticles, 100u);
    EXPECT_EQ(m.effect->emitters[1]->imageIndex, -1);

    const uint16_t id = inspector->preview;
    inspector.reset();
    // The world finishes removals at its next tick.
    m.world->Step(Lumvek::TickSeconds);
    EXPECT_EQ(m.world->visuals.Find(id), nullptr);
}

TEST(EffectDataInspector, ChangingTheEmitterListClosesTheEffectsEmitterWindows)
{
    struct Case
    {
        const char* change;
        size_t emitters;
    };
    for (const Case& c : {Case{"remove", 0u}, Case{"add", 2u}})
    {
        PreviewMatch m;
        auto owned = std::make_unique<EffectDataInspector>(*m.effect);
        EffectDataInspector& inspector = *owned;
        ASSERT_TRUE(inspector.CreatePreview(*m.world, 5.0f, 5.0f));
        m.app.tools->OpenWindow("Puff", std::move(owned));
        ASSERT_TRUE(inspector.OpenEmitter(0, " Emitter"));
        Lumvek::Effects::Timeline<float> curve;
        m.app.tools->OpenWindow("Curve",
                                std::make_unique<FloatTimelineInspector>(curve, 0.0f, 1.0f, m.effect, nullptr));
        // A window of another effect stays.
        auto other = Lumvek::Testing::ParseEffect("{ Emitters [ { } ] }");
        Lumvek::Effects::ParticleSystem otherSystem(other.get(), 1);
        m.app.tools->OpenWindow("Other", std::make_unique<EmitterControl>(*other, otherSystem, *other->emitters[0], 0));
        m.app.Frame();
        ASSERT_TRUE(m.app.tools->IsWindowOpen(" Emitter"));
        if (std::string(c.change) == "remove")
            inspector.RemoveEmitter(0);
        else
            ASSERT_TRUE(inspector.AddEmitter());
        EXPECT_EQ(m.effect->emitters.size(), c.emitters);
        m.app.Frame();
        EXPECT_FALSE(m.app.tools->IsWindowOpen(" Emitter")) << c.change;
        EXPECT_FALSE(m.app.tools->IsWindowOpen("Curve")) << c.change;
        EXPECT_TRUE(m.app.tools->IsWindowOpen("Other")) << c.change;
        EXPECT_TRUE(m.app.tools->IsWindowOpen("Puff")) << c.change;

        // Closing the effect window takes its preview, and with it the system the emitter windows run on.
        if (m.effect->emitters.empty())
        {
            ASSERT_TRUE(inspector.AddEmitter());
        }
        ASSERT_TRUE(inspector.OpenEmitter(0, " Emitter"));
        m.app.Frame();
        ASSERT_TRUE(m.app.tools->IsWindowOpen(" Emitter"));
        inspector.open = 0;
        m.app.Frame();
        m.app.Frame();
        EXPECT_FALSE(m.app.tools->IsWindowOpen(" Emitter")) << c.change;
        EXPECT_TRUE(m.app.tools->IsWindowOpen("Other")) << c.change;
    }
}

TEST(EmitterControl, RulesAndTheMaximumRestartTheSystemAndAnUnchosenTypeAddsNothing)
{
    auto effect = Lumvek::Testing::ParseEffect(
        R"({ Emitters [ { Lifetime = 5 MaximumParticles = 50 Generators [ { Type = "Burst" Count = 10 } ] } ] })");
    Lumvek::Effects::ParticleSystem system(effect.get(), 1);
    EmitterControl control(*effect, system, *effect->emitters[0], 0);
    system.Advance(Lumvek::TickSeconds);
    ASSERT_EQ(system.emitters[0]->count, 10u);

    // Lifetime is read as the system runs: no restart.
    effect->emitters[0]->duration = 6.0f;
    system.Advance(Lumvek::TickSeconds);
    EXPECT_EQ(system.emitters[0]->count, 10u);

    EXPECT_FALSE(control.AddRule(0));
    EXPECT_EQ(effect->emitters[0]->generators.size(), 1u);

    // Maximum sizes the running state: a restart drops the live particles.
    control.SetMaximum(5);
    EXPECT_EQ(system.emitters[0]->count, 0u);
    EXPECT_EQ(system.emitters[0]->capacity, 5u);

    control.RemoveRule(0, 0);
    EXPECT_TRUE(effect->emitters[0]->generators.empty());
    for (int i = 0; i < 10; ++i)
        system.Advance(Lumvek::TickSeconds);
    EXPECT_EQ(system.emitters[0]->count, 0u);

    control.selectedType[0] = 0;
    EXPECT_TRUE(control.AddRule(0));
    EXPECT_EQ(effect->emitters[0]->generators.size(), 1u);
}

// A rule the load refused keeps its place as the window removes and adds the rules around it, and
// keeps Save refused, the file as it was, until the maker removes it.
TEST(EmitterControl, ARefusedRuleKeepsItsPlaceAndSaveUntilItIsRemoved)
{
    ToolsTesting::ToolsApplication app;
    const std::string scratch = "EffectDataInspectorTests" + std::to_string(getpid()) + "/Refused.lte";
    const std::string path = app.GetFileManager().ResolvePath(Lumvek::StringView(scratch));
    const std::string text = R"({ Emitters [ { MaximumParticles = 5 Initializers [ { Type = "ColorSet" }
        { Type = "NoSuchRule" Keep = 1 } { Type = "PositionArea" Left = 0.5 } ] } ] })";
    ASSERT_TRUE(Lumvek::File::CreateDirectories(std::filesystem::path(path).parent_path().string()));
    ASSERT_TRUE(Lumvek::File::WriteAllText(path, text));
    std::unique_ptr<Lumvek::Effects::EffectData> effect = Lumvek::Testing::ParseEffect(text);
    effect->path = scratch;
    Lumvek::Effects::ParticleSystem system(effect.get(), 1);
    EmitterControl control(*effect, system, *effect->emitters[0], 0);
    EffectDataInspector inspector(*effect);
    ASSERT_EQ(effect->emitters[0]->initializers.size(), 3u);
    ASSERT_NE(control.RefusedFormAt(1, 1), nullptr);

    // The rule after it, the rule before it, then one added after it.
    control.RemoveRule(1, 2);
    EXPECT_FALSE(inspector.Save());
    control.RemoveRule(1, 0);
    EXPECT_FALSE(inspector.Save());
    control.selectedType[1] = 0;
    ASSERT_TRUE(control.AddRule(1));
    EXPECT_FALSE(inspector.Save());
    EXPECT_EQ(Lumvek::File::ReadAllText(path).second, text);

    ASSERT_NE(control.RefusedFormAt(1, 0), nullptr);
    control.RemoveRule(1, 0);
    EXPECT_TRUE(inspector.Save());
    const std::string saved = Lumvek::File::ReadAllText(path).second;
    EXPECT_EQ(saved.find("NoSuchRule"), std::string::npos) << saved;
    EXPECT_EQ(Lumvek::Testing::ParseEffect(saved)->emitters[0]->initializers.size(), 1u);
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

using ToolsTesting::WidgetId;

// Opens a collapsing header of the window by its id path.
void OpenHeader(const std::string& window, std::initializer_list<std::variant<const char*, int>> path)
{
    const ImGuiID header = WidgetId(window, path);
    for (ImGuiWindow* candidate : GImGui->Windows)
        if (std::string(candidate->Name).starts_with(window + "###"))
            candidate->StateStorage.SetInt(header, 1);
}

TEST(EmitterControl, TimelineButtonsOpenTheRulesCurvesAndRemovingTheRuleClosesOnlyItsWindows)
{
    ToolsTesting::ToolsApplication app;
    auto effect = Lumvek::Testing::ParseEffect(
        R"({ Emitters [ { Updaters [ { Type = "AngleTimeline" } { Type = "ScaleTimeline" } ]
            Generators [ { Type = "Timeline" } ] } ] })");
    Lumvek::Effects::ParticleSystem system(effect.get(), 1);
    Lumvek::Effects::EmitterData& emitter = *effect->emitters[0];
    app.tools->OpenWindow("Sparks Emitter", std::make_unique<EmitterControl>(*effect, system, emitter, 0));
    app.Frame();
    OpenHeader("Sparks Emitter", {"Window", "Updaters", "Updaters"});
    OpenHeader("Sparks Emitter", {"Window", "Generators", "Generators"});
    app.Frame();
    // Each rule's row numbers its "Remove" first, then its settings.
    struct Button
    {
        std::initializer_list<std::variant<const char*, int>> path;
        const char* window;
        const void* curve;
        float minimum;
        float maximum;
    };
    auto& angle = dynamic_cast<Lumvek::Effects::AngleTimelineUpdater&>(*emitter.updaters[0]);
    auto& scale = dynamic_cast<Lumvek::Effects::ScaleTimelineUpdater&>(*emitter.updaters[1]);
    auto& generator = dynamic_cast<Lumvek::Effects::TimelineGenerator&>(*emitter.generators[0]);
    const Button buttons[] = {
        {{"Window", "Updaters", 1, "Angle Timeline"}, "Angle Timeline", &angle.timelines[0], -180.0f, 180.0f},
        {{"Window", "Updaters", 4, "Height"}, "Height", &scale.timelines[1], 0.0f, 2.0f},
        {{"Window", "Generators", 1, "Timeline"}, "Generator", &generator.keys, 0.0f, 255.0f},
    };
    for (const Button& button : buttons)
    {
        ImGui::ActivateItem(WidgetId("Sparks Emitter", button.path));
        for (int frame = 0; frame < 3 && !app.tools->IsWindowOpen(Lumvek::StringView::FromCString(button.window));
             ++frame)
            app.Frame();
        const TimelineInspector* opened = nullptr;
        for (const auto& window : app.tools->GetInspectors())
            if (window->name == button.window)
                opened = dynamic_cast<const TimelineInspector*>(window.get());
        ASSERT_NE(opened, nullptr) << button.window;
        const void* curve = nullptr;
        if (auto* floats = dynamic_cast<const FloatTimelineInspector*>(opened))
            curve = floats->curve;
        if (auto* bytes = dynamic_cast<const ByteTimelineInspector*>(opened))
            curve = bytes->curve;
        EXPECT_EQ(curve, button.curve) << button.window;
        EXPECT_EQ(opened->minimum, button.minimum) << button.window;
        EXPECT_EQ(opened->maximum, button.maximum) << button.window;
    }

    // The angle curve goes with its rule; the others stay.
    EmitterControl& control = dynamic_cast<EmitterControl&>(*app.tools->GetInspectors()[0]);
    control.RemoveRule(2, 0);
    app.Frame();
    EXPECT_FALSE(app.tools->IsWindowOpen("Angle Timeline"));
    EXPECT_TRUE(app.tools->IsWindowOpen("Height"));
    EXPECT_TRUE(app.tools->IsWindowOpen("Generator"));

    // Every registered rule draws its rows, each row in its own ImGui item.
    OpenHeader("Sparks Emitter", {"Window", "Initializers", "Initializers"});
    for (uint32_t kind = 0; kind < 3; ++kind)
        for (control.selectedType[kind] = 0; control.AddRule(kind); ++control.selectedType[kind])
        {
        }
    EXPECT_EQ(emitter.initializers.size(), Lumvek::Effects::GetInitializerNames().size());
    Lumvek::Testing::LogCapture log;
    app.Frame();
    app.Frame();
    EXPECT_FALSE(log.Logged("the window Sparks Emitter left property scopes open"));
}

TEST(EffectDataInspector, EmittersRemovedAndAddedWithTheMouseReachEverySystemRunningTheEffect)
{
    PreviewMatch m;
    m.effect->emitters = std::move(Lumvek::Testing::ParseEffect(Sparks)->emitters);
    // A map hazard runs the effect too, as the mud's zone or the spikes do in a match.
    HazardData hazardData;
    hazardData.effect = m.effect->id;
    Hazard* hazard = CreateHazardEntity(*m.world, {20.0f, 5.0f}, {2.0f, 2.0f}, hazardData);
    ASSERT_TRUE(hazard && hazard->effect);
    Lumvek::Effects::ParticleSystem& running = *hazard->effect;
    auto owned = std::make_unique<EffectDataInspector>(*m.effect);
    EffectDataInspector& inspector = *owned;
    ASSERT_TRUE(inspector.CreatePreview(*m.world, 5.0f, 5.0f));
    m.app.tools->OpenWindow("Puff", std::move(owned));
    m.app.Frame();
    ASSERT_TRUE(m.app.ClickItem("Puff", WidgetId("Puff", {"Window", "World Running", "Emitters", "Emitters"})));
    ASSERT_EQ(inspector.GetDrawnEmitters(), (std::vector<size_t>{0, 1, 2}));
    const Lumvek::Effects::EmitterData* second = m.effect->emitters[1].get();
    ASSERT_TRUE(m.app.ClickItem("Puff", WidgetId("Puff", {"Window", "World Running", "Emitters", 0, "Remove"})));
    ASSERT_EQ(m.effect->emitters.size(), 2u);
    // In the frame of the removal: index 0, then the former second at index 0, then the third at 1.
    EXPECT_EQ(inspector.GetDrawnEmitters(), (std::vector<size_t>{0, 0, 1}));
    EXPECT_EQ(m.effect->emitters[0].get(), second);
    // The hazard's system runs the shortened list: nothing of it reads the removed emitter.
    running.Advance(Lumvek::TickSeconds);
    ASSERT_EQ(running.emitters.size(), 2u);
    EXPECT_EQ(running.emitters[0]->data, second);

    ASSERT_TRUE(m.app.ClickItem("Puff", WidgetId("Puff", {"Window", "World Running", "Emitters", "Add Emitter"})));
    ASSERT_EQ(m.effect->emitters.size(), 3u);
    running.Advance(Lumvek::TickSeconds);
    ASSERT_EQ(running.emitters.size(), 3u);
    EXPECT_EQ(running.emitters[2]->data, m.effect->emitters[2].get());
}

TEST(EffectDataInspector, StepIsOfferedOnlyWhilePaused)
{
    PreviewMatch m;
    auto owned = std::make_unique<EffectDataInspector>(*m.effect);
    EffectDataInspector& inspector = *owned;
    ASSERT_TRUE(inspector.CreatePreview(*m.world, 5.0f, 5.0f));
    Lumvek::Effects::ParticleSystem& system = *inspector.FindPreview()->effect;
    m.app.tools->OpenWindow("Puff", std::move(owned));
    m.app.Frame();
    const ImGuiID header = WidgetId("Puff", {"Window", "World Running", "Playback", "Playback"});
    for (ImGuiWindow* window : GImGui->Windows)
        if (std::string(window->Name).starts_with("Puff###"))
            window->StateStorage.SetInt(header, 1);
    for (const uint8_t emitting : {1, 0, 1})
    {
        system.emitting = emitting;
        m.app.Frame();
        EXPECT_EQ(inspector.stepOffered, emitting == 0) << int(emitting);
    }
}

} // namespace
