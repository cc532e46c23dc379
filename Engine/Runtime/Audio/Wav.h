#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Runtime/Audio/Sound.h"

namespace Lumvek
{

// "wav": RIFF WAVE files of PCM samples, read into a Sound whose samples are then handed to the
// sound's audio device. Reading only; saving logs that it is not supported and writes nothing.
class WavFormat : public BinaryFormat<Sound, MemoryOrder>
{
public:
    using BinaryFormat::BinaryFormat;

    bool Read(BufferReader& reader, Sound& sound) override;
    bool Write(BufferWriter& writer, const Sound& sound) override;
};

} // namespace Lumvek
