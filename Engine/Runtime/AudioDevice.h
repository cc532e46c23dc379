#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace Lumvek
{

class AudioDevice;
class ResourceTable;
class Sound;

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

    // The instance id the sound plays under; 0xFFFFFFFF when it cannot be played.
    virtual uint32_t Play(const Sound& sound) = 0;
    // Releases the instance's voice; unknown ids are ignored.
    virtual void Stop(uint32_t id) = 0;
    // Drops the registration of the sound id.
    virtual void RemoveSound(uint32_t soundId) = 0;
    // True when a listener was removed.
    virtual bool RemoveListener(uint8_t id) = 0;

    ResourceTable* resources = nullptr;
    std::vector<AudioListener> listeners;

protected:
    // Removes every listener record from the device; called by the subclass's destructor.
    void ReleaseListeners();
};

} // namespace Lumvek
