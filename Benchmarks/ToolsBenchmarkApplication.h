#pragma once

// The tools host on a 1920 x 1080 recording device whose thread never runs: what the tools'
// benchmarks measure their windows on.

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"
#include "Source/Tools/Tools.h"

#include <memory>
#include <string>

namespace Benchmarks
{

class ToolsBenchmarkApplication : public Lumvek::Application
{
public:
    enum class Audio
    {
        None,
        // OpenAL's loopback output, through which a world finds the effects it runs.
        Loopback,
    };

    // The folders are named after the benchmark under /tmp; nothing is written there.
    explicit ToolsBenchmarkApplication(const std::string& name, Audio audio = Audio::None)
        : Application(name, "Benchmark", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(), "/tmp/" + name,
                      "/tmp/" + name + "/Data", "/tmp/" + name + "/Documents", "/tmp/" + name + "/Temporary")
    {
        graphicsDevice = std::make_unique<Lumvek::RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        if (audio == Audio::Loopback)
            audioDevice = std::make_unique<Lumvek::OpenAL::OpenALAudioDevice>(&GetResources(), false, 1.0f, 1.0f, 1.0f,
                                                                              Lumvek::OpenAL::AudioOutput::Loopback);
        tools = static_cast<Tools*>(AddSystem(std::make_unique<Tools>()));
        tools->Setup();
        tools->Load(nullptr);
    }
    void Quit() override {}

    Tools* tools = nullptr;

protected:
    void FrameLoop() override {}
};

} // namespace Benchmarks
