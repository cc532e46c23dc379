#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/FormatHandle.h"
#include "Engine/Foundation/Resource.h"

#include <cstdint>
#include <string>

namespace Lumvek
{

class AudioDevice;

// How the samples of a sound are laid out: PCM, interleaved channels.
struct WaveFormat
{
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bitsPerSample = 0;
};

// A loaded sound, kept in a resource table at the index of its name in NameTableB. Its samples are
// handed to the audio device it belongs to, which plays it under its sound id.
class Sound : public Resource
{
public:
    WaveFormat format;
    float volume = 1.0f;
    FormatHandle handle;
    std::string path;
    Buffer samples;

    AudioDevice* device = nullptr;
    // The sound's index in NameSet::Global, under which the device knows it.
    uint32_t soundId = InvalidId;
    // The mixer (AudioGroup) it plays on, and whether it loops until stopped.
    uint32_t mixer = 0;
    bool looping = false;
};

} // namespace Lumvek
