#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace Lumvek
{

class AudioDevice;
class NameList;
class ResourceTable;
class Sound;

// The mixers a sound plays through. Music and Sound take stereo sounds heard as they are; Effect takes
// mono sounds placed in the world relative to the nearest listener. Other values name no mixer.
enum class AudioGroup : uint32_t
{
    Music = 0,
    Sound = 1,
    Effect = 2,
};
constexpr uint32_t AudioGroupCount = 3;

// "Music", "Sound", "Effect", in the order of the mixers.
const NameList& AudioGroupNames();

// The listener id a device gives when it cannot add one.
constexpr uint8_t InvalidListener = 255;

// A playing sound: the device and the instance id it plays under (0xFFFFFFFF when nothing plays).
// Move-only; letting go of it stops the sound.
class SoundInstance
{
public:
    SoundInstance() = default;
    SoundInstance(AudioDevice* device, uint32_t id) : device(device), id(id) {}
    SoundInstance(const SoundInstance&) = delete;
    SoundInstance& operator=(const SoundInstance&) = delete;
    SoundInstance(SoundInstance&& other) noexcept
        : device(std::exchange(other.device, nullptr)), id(std::exchange(other.id, 0xFFFFFFFFu))
    {
    }
    SoundInstance& operator=(SoundInstance&& other) noexcept
    {
        if (this != &other)
        {
            Release();
            device = std::exchange(other.device, nullptr);
            id = std::exchange(other.id, 0xFFFFFFFFu);
        }
        return *this;
    }
    ~SoundInstance() { Release(); }

    // Stops the instance on its device, if any, and leaves {null, 0xFFFFFFFF}.
    void Release();

    AudioDevice* device = nullptr;
    uint32_t id = 0xFFFFFFFFu;
};

// A listener the device keeps for as long as this record lives: destroying the record removes it.
class AudioListener
{
public:
    AudioListener(AudioDevice* device, uint8_t id) : device(device), id(id) {}
    AudioListener(const AudioListener&) = delete;
    AudioListener& operator=(const AudioListener&) = delete;
    AudioListener(AudioListener&& other) noexcept : device(std::exchange(other.device, nullptr)), id(other.id) {}
    AudioListener& operator=(AudioListener&& other) noexcept;
    ~AudioListener() { Release(); }

    // Removes the listener from its device, if any, and leaves the record without a device.
    void Release();

    AudioDevice* device;
    uint8_t id;
};

// The engine's audio back end: plays the sounds of the resource table by name and keeps the listener
// records. Owned by the application; runs on the application thread and takes no lock. Subclasses
// implement the device operations; each must call ReleaseListeners in its own destructor, while the
// device can still remove them.
class AudioDevice
{
public:
    explicit AudioDevice(ResourceTable* resources) : resources(resources) {}
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;
    virtual ~AudioDevice();

    // Plays the sound named by entry soundIndex of NameSet::Global, found in the resource table under
    // that name's index in NameTableB. The instance id is 0xFFFFFFFF when the table holds no sound
    // there. Subclasses that override Play(const Sound&) bring this one back with a using-declaration.
    SoundInstance Play(uint32_t soundIndex);
    // Forgets the sound of that index and destroys its resource; false when the table had none.
    bool Release(uint32_t soundIndex);

    // The device operations. Instance ids are 0xFFFFFFFF for none; operations on an unknown instance,
    // or on one whose voice was released, do nothing (getters give 0).

    // Plays the sound registered under its sound id; the instance id, or 0xFFFFFFFF when it cannot.
    virtual uint32_t Play(const Sound& sound) = 0;
    virtual void SetVolume(uint32_t id, float volume) = 0;
    virtual void SetMixerVolume(AudioGroup mixer, float volume) = 0;
    virtual void SetMasterVolume(float volume) = 0;
    virtual float GetVolume(uint32_t id) const = 0;
    virtual float GetMixerVolume(AudioGroup mixer) const = 0;
    virtual float GetMasterVolume() const = 0;
    // Continues a paused instance from where it was paused.
    virtual void Resume(uint32_t id) = 0;
    virtual void ResumeMixer(AudioGroup mixer) = 0;
    virtual void ResumeAll() = 0;
    // Holds the instance where it is; its voice stays taken.
    virtual void Pause(uint32_t id) = 0;
    virtual void PauseMixer(AudioGroup mixer) = 0;
    virtual void PauseAll() = 0;
    // Ends the instance and gives its voice back to the mixer's pool.
    virtual void Stop(uint32_t id) = 0;
    virtual void StopMixer(AudioGroup mixer) = 0;
    virtual void StopAll() = 0;
    // Registers the sound id (its index in NameSet::Global) on a mixer, or resets its registration.
    virtual void AddSound(uint32_t soundId, AudioGroup mixer, bool looping) = 0;
    // Drops the registration of the sound id.
    virtual void RemoveSound(uint32_t soundId) = 0;
    // Takes the sound's samples, just loaded, for its registration.
    virtual void SetSoundData(const Sound& sound) = 0;
    // A new listener at the origin; InvalidListener when none can be added.
    virtual uint8_t AddListener() = 0;
    // True when a listener was removed.
    virtual bool RemoveListener(uint8_t id) = 0;
    virtual void SetListener(uint8_t id, Vector2 position, Vector2 velocity) = 0;
    // True while the instance holds a voice, finished or not, until it is stopped or released.
    virtual bool IsPlaying(uint32_t id) const = 0;
    // Gives the instance's voice back at the first Update after its sound has ended.
    virtual void ReleaseWhenDone(uint32_t id) = 0;
    // Moves an Effect instance's emitter; heard from there after the next Update. A sound played since
    // the last Update is first heard from there.
    virtual void SetPosition(uint32_t id, Vector2 position, Vector2 velocity) = 0;
    // Once per frame, after every system has updated.
    virtual void Update() = 0;

    ResourceTable* resources = nullptr;
    std::vector<AudioListener> listeners;
    // Seconds by which the sounds played from now on start after those played with none, up to a
    // quarter of a second. The game sets it to each tick's place in its frame, so that the sounds of
    // several ticks caught up in one frame keep their ticks' spacing. Looping sounds start undelayed.
    // Application thread only, as the plays that read it.
    float playDelay = 0.0f;

protected:
    // Removes every listener record from the device; called by the subclass's destructor.
    void ReleaseListeners();
};

} // namespace Lumvek
