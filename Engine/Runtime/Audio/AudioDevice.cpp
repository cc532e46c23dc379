#include "Engine/Runtime/Audio/AudioDevice.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Runtime/Audio/Sound.h"

namespace Lumvek
{

namespace
{

// The resource id of a sound: the index of its name, taken from NameSet::Global, in NameTableB.
uint32_t ResourceIdOf(uint32_t soundIndex)
{
    return NameTableB().Add(NameSet::Global().GetName(soundIndex));
}

} // namespace

const NameList& AudioGroupNames()
{
    static const NameList names{"Music", "Sound", "Effect"};
    return names;
}

void SoundInstance::Release()
{
    if (device)
        device->Stop(id);
    device = nullptr;
    id = InvalidId;
}

AudioListener& AudioListener::operator=(AudioListener&& other) noexcept
{
    if (this != &other)
    {
        Release();
        device = std::exchange(other.device, nullptr);
        id = other.id;
    }
    return *this;
}

void AudioListener::Release()
{
    if (device)
        device->RemoveListener(id);
    device = nullptr;
}

AudioDevice::~AudioDevice()
{
    // The subclass is gone by now, so records it left are dropped without calling back into it.
    for (AudioListener& listener : listeners)
        listener.device = nullptr;
}

SoundInstance AudioDevice::Play(uint32_t soundIndex)
{
    uint32_t id = ResourceIdOf(soundIndex);
    Sound* sound = resources ? resources->Find<Sound>(id) : nullptr;
    return SoundInstance(this, sound ? Play(*sound) : InvalidId);
}

bool AudioDevice::Release(uint32_t soundIndex)
{
    RemoveSound(soundIndex);
    return resources && resources->Destroy(ResourceIdOf(soundIndex));
}

void AudioDevice::ReleaseListeners()
{
    // Taken out first: removing a listener may have the device look at its records.
    std::vector<AudioListener> released = std::move(listeners);
    listeners.clear();
    released.clear();
}

} // namespace Lumvek
