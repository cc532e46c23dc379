#pragma once

#include "Engine/Runtime/Audio/AudioDevice.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Lumvek::OpenAL
{

// Where the device's mix goes.
enum class AudioOutput
{
    // The system's default output device.
    System,
    // An in-process device that mixes only when asked, into 16-bit stereo at LoopbackRate: lets a
    // program (a test) hear exactly what would be played.
    Loopback,
};

// The audio device on OpenAL Soft. Each instance plays on a pooled OpenAL source of its mixer; a
// mixer's volume is applied to its sources' gain and the master volume to the listener's. Effect
// sources are placed relative to their nearest listener, which OpenAL hears at its origin. An Effect
// instance, or one played with a delay, starts at the next Update, placed and together with the others
// of its frame; a delay is a stretch of silence queued ahead of the sound, so that it is exact to the
// sample. Without an output device every operation does nothing and the getters give the failure values. Owned by the
// application. The game calls it from the application thread, but loader threads register sounds and
// hand over their samples while the game plays: one mutex keeps the calls apart.
class OpenALAudioDevice : public AudioDevice
{
public:
    static constexpr uint32_t LoopbackRate = 44100;

    OpenALAudioDevice(ResourceTable* resources, bool debug, float musicVolume, float soundVolume, float effectVolume,
                      AudioOutput output = AudioOutput::System);
    ~OpenALAudioDevice() override;

    using AudioDevice::Play;
    uint32_t Play(const Sound& sound) override;
    void SetVolume(uint32_t id, float volume) override;
    void SetMixerVolume(AudioGroup mixer, float volume) override;
    void SetMasterVolume(float volume) override;
    float GetVolume(uint32_t id) const override;
    float GetMixerVolume(AudioGroup mixer) const override;
    float GetMasterVolume() const override;
    void Resume(uint32_t id) override;
    void ResumeMixer(AudioGroup mixer) override;
    void ResumeAll() override;
    void Pause(uint32_t id) override;
    void PauseMixer(AudioGroup mixer) override;
    void PauseAll() override;
    void Stop(uint32_t id) override;
    void StopMixer(AudioGroup mixer) override;
    void StopAll() override;
    void AddSound(uint32_t soundId, AudioGroup mixer, bool looping) override;
    void RemoveSound(uint32_t soundId) override;
    void SetSoundData(const Sound& sound) override;
    uint8_t AddListener() override;
    bool RemoveListener(uint8_t id) override;
    void SetListener(uint8_t id, Vector2 position, Vector2 velocity) override;
    bool IsPlaying(uint32_t id) const override;
    void ReleaseWhenDone(uint32_t id) override;
    void SetPosition(uint32_t id, Vector2 position, Vector2 velocity) override;
    void Update() override;

    // True when an output device was opened; otherwise the device does nothing.
    bool IsOpen() const { return context != nullptr; }
    // Mixes the next frameCount frames of a loopback device into samples (left and right interleaved).
    // False, with samples silent, for any other device.
    bool Render(int16_t* samples, uint32_t frameCount);
    // The OpenAL sources made so far: a voice is made when its mixer's pool is empty and is destroyed
    // only with the device.
    uint32_t GetVoiceCount() const { return voiceCount; }

private:
    struct Registration
    {
        AudioGroup mixer = AudioGroup::Music;
        bool looping = false;
        // The samples as OpenAL holds them; 0 until they are given, or when they cannot be played.
        ALuint buffer = 0;
        // Silence in the samples' format, queued ahead of them to delay a start; 0 without one.
        ALuint silence = 0;
        uint32_t sampleRate = 0;
    };

    struct Mixer
    {
        float volume = 1.0f;
        std::vector<ALuint> idleVoices;
    };

    struct Listener
    {
        uint8_t id = 0;
        Vector2 position;
        Vector2 velocity;
    };

    // An instance exists only while it holds a voice: once the voice goes back to its pool, the id
    // names nothing, which is what every operation did with a voiceless instance anyway.
    struct Instance
    {
        ALuint voice = 0;
        ALuint buffer = 0;
        AudioGroup mixer = AudioGroup::Music;
        float volume = 1.0f;
        // Whether the game wants it running; it runs only while the device is not paused as a whole.
        bool started = false;
        // Held for the next Update, which places it and starts it with the others of its frame.
        bool waiting = false;
        Vector2 position;
        Vector2 velocity;
    };

    bool OpenSystem();
    bool OpenLoopback();
    // Creates and makes current the context of the opened device, with the attributes (pairs ending
    // in 0) and the output limiter where OpenAL has one; on failure closes the device.
    bool CreateContext(const ALCint* attributes);
    // Makes this device's context the current one; false without one.
    bool Enter() const;
    Mixer* FindMixer(AudioGroup mixer);
    Instance* FindInstance(uint32_t id);
    const Instance* FindInstance(uint32_t id) const;
    uint32_t NextInstanceId();
    // A voice of the mixer's pool, or a new one; 0 when OpenAL has no more sources.
    ALuint AcquireVoice(AudioGroup mixer);
    void ApplyGain(const Instance& instance);
    void StartVoice(Instance& instance);
    void PauseVoice(Instance& instance);
    // Gives the instance's voice back to its mixer's pool and forgets the instance.
    void ReleaseVoice(uint32_t id);
    // Releases every instance playing the buffer, so that OpenAL lets it be changed or deleted.
    void ReleaseUsersOf(ALuint buffer);
    void DeleteBuffer(Registration& registration);
    // A MaximumDelay of silence in the format and rate, made once and shared; 0 when OpenAL has none.
    ALuint Silence(ALenum format, uint32_t sampleRate);
    // Gives the voice the registration's samples, after delay seconds of silence where it has some.
    void QueueSamples(ALuint voice, const Registration& registration, float delay);
    ALint VoiceState(ALuint voice) const;

    mutable std::mutex mutex;
    bool debug = false;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
    bool hasFloatSamples = false;
    bool hasSourceRadius = false;
    // Cleared by PauseAll: every voice then holds still, whatever the game asked of it.
    bool running = true;
    float masterVolume = 1.0f;
    std::array<Mixer, AudioGroupCount> mixers;
    uint32_t voiceCount = 0;

    std::unordered_map<uint32_t, Registration> registrations;
    // In the order they were added: the first of equally near listeners is heard.
    std::vector<Listener> listenerStates;
    uint32_t listenerCounter = 0;
    std::unordered_map<uint32_t, Instance> instances;
    uint32_t instanceCounter = 0;
    // Instance ids in the order they were asked for, duplicates allowed.
    std::vector<uint32_t> positionUpdates;
    std::vector<uint32_t> finishWatches;
    // Instances played since the last Update that wait for it to start them.
    std::vector<uint32_t> waitingStarts;
    // The silences made so far, by OpenAL format and sample rate.
    std::vector<std::pair<std::pair<ALenum, uint32_t>, ALuint>> silences;
};

} // namespace Lumvek::OpenAL
