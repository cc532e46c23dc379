#pragma once

#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Audio/Sound.h"

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
    void AddSound(uint32_t soundId, AudioGroup mixer, bool looping) override
    {
        record.calls.push_back("AddSound " + std::to_string(soundId) + " " +
                               std::to_string(static_cast<uint32_t>(mixer)) + (looping ? " looping" : ""));
    }
    bool RemoveListener(uint8_t id) override
    {
        record.calls.push_back("RemoveListener " + std::to_string(id));
        return true;
    }
    void SetSoundData(const Sound& sound) override
    {
        record.calls.push_back("SetSoundData " + std::to_string(sound.samples.Size()));
    }

    // The operations no test here looks at.
    void SetVolume(uint32_t, float) override {}
    void SetMixerVolume(AudioGroup, float) override {}
    void SetMasterVolume(float) override {}
    float GetVolume(uint32_t) const override { return 0.0f; }
    float GetMixerVolume(AudioGroup) const override { return 0.0f; }
    float GetMasterVolume() const override { return 0.0f; }
    void Resume(uint32_t) override {}
    void ResumeMixer(AudioGroup) override {}
    void ResumeAll() override {}
    void Pause(uint32_t) override {}
    void PauseMixer(AudioGroup) override {}
    void PauseAll() override {}
    void StopMixer(AudioGroup) override {}
    void StopAll() override {}
    uint8_t AddListener() override { return InvalidListener; }
    void SetListener(uint8_t, Vector2, Vector2) override {}
    bool IsPlaying(uint32_t) const override { return false; }
    void ReleaseWhenDone(uint32_t) override {}
    void SetPosition(uint32_t, Vector2, Vector2) override {}
    void Update() override {}

    DeviceCalls& record;
    uint32_t nextInstance = 0;
};

} // namespace Lumvek::Testing
