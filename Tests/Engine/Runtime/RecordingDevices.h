#pragma once

#include "Engine/Foundation/Sound.h"
#include "Engine/Runtime/AudioDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace Lumvek::Testing
{

// The device calls a test looks at, kept outside the devices so that they can be read after a
// device is gone.
struct DeviceCalls
{
    std::vector<std::string> calls;
};

// An audio device without a platform: plays every sound under ids counting from 0 and records the
// calls it receives.
class RecordingAudioDevice : public AudioDevice
{
public:
    using AudioDevice::Play;

    RecordingAudioDevice(ResourceTable* resources, DeviceCalls& record) : AudioDevice(resources), record(record) {}
    ~RecordingAudioDevice() override { ReleaseListeners(); }

    uint32_t Play(const Sound& sound) override
    {
        record.calls.push_back("Play " + std::to_string(sound.id));
        return nextInstance++;
    }
    void Stop(uint32_t id) override { record.calls.push_back("Stop " + std::to_string(id)); }
    void RemoveSound(uint32_t soundId) override { record.calls.push_back("RemoveSound " + std::to_string(soundId)); }
    bool RemoveListener(uint8_t id) override
    {
        record.calls.push_back("RemoveListener " + std::to_string(id));
        return true;
    }

    DeviceCalls& record;
    uint32_t nextInstance = 0;
};

} // namespace Lumvek::Testing
