#pragma once

// The Gui on a 1920 x 1080 recording device whose thread never runs, with the transition geometries
// the screens draw through: what the front end's benchmarks measure their screens on.

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Ui/UiResources.h"

#include <memory>
#include <string>

namespace Benchmarks
{

class GuiBenchmarkApplication : public Lumvek::Application
{
public:
    // The folders are named after the benchmark under /tmp; nothing is written there.
    explicit GuiBenchmarkApplication(const std::string& name)
        : Application(name, "Benchmark", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(), "/tmp/" + name,
                      "/tmp/" + name + "/Data", "/tmp/" + name + "/Documents", "/tmp/" + name + "/Temporary")
    {
        graphicsDevice = std::make_unique<Lumvek::RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        device = static_cast<Lumvek::RecordingGraphicsDevice*>(graphicsDevice.get());
        gui = static_cast<Lumvek::Gui*>(AddSystem(std::make_unique<Lumvek::Gui>()));
        gui->Setup();
        CreateTransitionGeometries(*device);
    }
    void Quit() override {}

    // One frame of the Gui of a sixtieth of a second; the queued commands are dropped, not replayed.
    void Frame()
    {
        gui->Update(16'666'666);
        gui->LateUpdate(16'666'666);
        gui->Render(16'666'666);
        device->GetCommands().clear();
        device->Render();
    }

    Lumvek::RecordingGraphicsDevice* device = nullptr;
    Lumvek::Gui* gui = nullptr;

protected:
    void FrameLoop() override {}
};

} // namespace Benchmarks
