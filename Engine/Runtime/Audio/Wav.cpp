#include "Engine/Runtime/Audio/Wav.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Audio/AudioDevice.h"

#include <cstring>

namespace Lumvek
{

namespace
{

constexpr uint32_t RiffHeaderSize = 12;
constexpr uint32_t ChunkHeaderSize = 8;
// Audio format, channels, sample rate, byte rate, block align and bits per sample.
constexpr uint32_t FormatFieldsSize = 16;
constexpr uint16_t PcmFormat = 1;

bool IsId(const char* id, const char* name)
{
    return std::memcmp(id, name, 4) == 0;
}

} // namespace

bool WavFormat::Read(BufferReader& reader, Sound& sound)
{
    char riff[4] = {};
    uint32_t riffSize = 0;
    char wave[4] = {};
    if (reader.Remaining() < RiffHeaderSize || !reader.ReadBytes(riff, 4) || !reader.Read(riffSize) ||
        !reader.ReadBytes(wave, 4) || !IsId(riff, "RIFF") || !IsId(wave, "WAVE"))
    {
        Log::Write("content is not a wav");
        return false;
    }

    // The format is stored with the samples, so that a file refused half-way leaves the sound whole.
    WaveFormat format;
    bool hasFormat = false;
    bool foundSamples = false;
    while (!foundSamples && reader.Remaining() >= ChunkHeaderSize)
    {
        char id[4];
        uint32_t size = 0;
        reader.ReadBytes(id, 4);
        reader.Read(size);
        // A chunk that claims more than the file holds is a cut file: nothing of it is taken.
        if (size > reader.Remaining())
            break;
        uint64_t end = uint64_t(reader.position) + size;

        if (IsId(id, "fmt ") || IsId(id, "FMT "))
        {
            uint16_t audioFormat = 0;
            uint16_t channels = 0;
            uint32_t sampleRate = 0;
            uint32_t byteRate = 0;
            uint16_t blockAlign = 0;
            uint16_t bitsPerSample = 0;
            // A shorter chunk would have its fields read from whatever follows it.
            if (size >= FormatFieldsSize)
            {
                reader.Read(audioFormat);
                reader.Read(channels);
                reader.Read(sampleRate);
                reader.Read(byteRate);
                reader.Read(blockAlign);
                reader.Read(bitsPerSample);
            }
            if (audioFormat != PcmFormat)
            {
                Log::Write("invalid wav format");
                return false;
            }
            format = {channels, sampleRate, bitsPerSample};
            hasFormat = true;
        }
        else if (IsId(id, "data") || IsId(id, "DATA"))
        {
            Buffer samples(size);
            reader.ReadBytes(samples.Data(), size);
            if (hasFormat)
                sound.format = format;
            sound.samples = std::move(samples);
            if (sound.device)
                sound.device->SetSoundData(sound);
            foundSamples = true;
        }

        reader.position = static_cast<uint32_t>(end);
        // Chunks keep to even offsets: an odd-sized one is followed by a pad byte.
        if (size % 2 == 1 && !reader.AtEnd())
            reader.Skip(1);
    }

    if (!foundSamples)
        Log::Write("missing wav data");
    return foundSamples;
}

bool WavFormat::Write(BufferWriter&, const Sound&)
{
    Log::Write("saving to wav is not supported");
    return false;
}

} // namespace Lumvek
