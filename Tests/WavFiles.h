#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace Lumvek::Testing
{

// Little-endian bytes of a value, as RIFF files store them.
template <class T> std::string LittleEndian(T value)
{
    std::string bytes(sizeof(T), '\0');
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
    return bytes;
}

// One RIFF chunk: id, size and body, with the pad byte after an odd body unless told otherwise.
inline std::string Chunk(const std::string& id, const std::string& body, bool pad = true)
{
    std::string chunk = id + LittleEndian<uint32_t>(static_cast<uint32_t>(body.size())) + body;
    if (pad && body.size() % 2 == 1)
        chunk += '\0';
    return chunk;
}

// The body of a "fmt " chunk; extra follows the sixteen bytes of fields.
inline std::string FormatBody(uint16_t audioFormat, uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                              const std::string& extra = "")
{
    uint16_t blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    return LittleEndian(audioFormat) + LittleEndian(channels) + LittleEndian(sampleRate) +
           LittleEndian<uint32_t>(sampleRate * blockAlign) + LittleEndian(blockAlign) + LittleEndian(bitsPerSample) +
           extra;
}

// A whole file around the chunks.
inline std::string Riff(const std::string& chunks)
{
    return "RIFF" + LittleEndian<uint32_t>(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

inline std::string PcmWav(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample, const std::string& samples)
{
    return Riff(Chunk("fmt ", FormatBody(1, channels, sampleRate, bitsPerSample)) + Chunk("data", samples));
}

// PCM bytes of a square wave: each channel alternates between +amplitude and -amplitude (fractions of
// full scale) every halfPeriod frames. 8-bit samples are unsigned, wider ones signed, as in WAV files.
inline std::string SquareWave(uint32_t frames, uint16_t bitsPerSample, const std::vector<double>& amplitudes,
                              uint32_t halfPeriod = 10)
{
    uint32_t bytesPerSample = bitsPerSample / 8u;
    std::string samples;
    samples.reserve(size_t(frames) * amplitudes.size() * bytesPerSample);
    for (uint32_t frame = 0; frame < frames; ++frame)
        for (double amplitude : amplitudes)
        {
            double value = (frame / halfPeriod) % 2 == 0 ? amplitude : -amplitude;
            if (bitsPerSample == 8)
            {
                samples += static_cast<char>(static_cast<uint8_t>(128 + static_cast<int>(value * 127)));
                continue;
            }
            double scale = double(uint64_t(1) << (bitsPerSample - 1)) - 1;
            int64_t sample = static_cast<int64_t>(value * scale);
            samples += LittleEndian<uint64_t>(static_cast<uint64_t>(sample)).substr(0, bytesPerSample);
        }
    return samples;
}

} // namespace Lumvek::Testing
