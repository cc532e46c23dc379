#include "Source/Tools/Bake/Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Lumvek;

namespace
{

constexpr float Pi = std::numbers::pi_v<float>;
constexpr float EndFade = 0.008f;
constexpr float Headroom = 0.9f;
// Every sound is written at half its voices' level (6 dB down), louder ones first brought under
// Headroom: a match plays many at once, and one player's own weapon, heard at its listener, leaves
// room for the rest of the mix.
constexpr float Level = 0.5f;

float Oscillate(Wave wave, float phase)
{
    switch (wave)
    {
    case Wave::Triangle:
        return phase < 0.5f ? 4.0f * phase - 1.0f : 3.0f - 4.0f * phase;
    case Wave::Square:
        return phase < 0.5f ? 1.0f : -1.0f;
    case Wave::Saw:
        return 2.0f * phase - 1.0f;
    default:
        return std::sin(2.0f * Pi * phase);
    }
}

void WriteLittle(Buffer& buffer, uint32_t value, uint32_t bytes)
{
    for (uint32_t i = 0; i < bytes; ++i)
    {
        const auto byte = uint8_t(value >> (8 * i));
        buffer.Append(&byte, 1);
    }
}

} // namespace

Synth::Synth(StringView name, uint32_t channels, float seconds)
    : channels(std::clamp(channels, 1u, 2u)), frames(uint32_t(std::max(seconds, 0.0f) * float(SampleRate))),
      samples(size_t(frames) * this->channels, 0.0f), random(name)
{
}

template <class Source>
void Synth::Add(float start, float duration, float volume, Envelope envelope, float pan, Source&& source)
{
    const auto first = uint32_t(std::max(start, 0.0f) * float(SampleRate));
    const auto count = uint32_t(std::max(duration, 0.0f) * float(SampleRate));
    // Equal-power panning; a mono sound takes the voice whole.
    const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * Pi / 4.0f;
    const float gains[2] = {channels == 1 ? 1.0f : std::cos(angle), channels == 1 ? 1.0f : std::sin(angle)};
    for (uint32_t i = 0; i < count && first + i < frames; ++i)
    {
        const float t = float(i) / float(SampleRate);
        float level = envelope.attack > 0.0f ? std::min(1.0f, t / envelope.attack) : 1.0f;
        if (envelope.halfLife > 0.0f && t > envelope.attack)
            level *= std::exp2(-(t - envelope.attack) / envelope.halfLife);
        level *= std::min(1.0f, (duration - t) / EndFade);
        const float value = volume * level * source(t, float(i) / float(std::max(count, 1u)));
        for (uint32_t channel = 0; channel < channels; ++channel)
            samples[size_t(first + i) * channels + channel] += value * gains[channel];
    }
}

void Synth::Tone(Wave wave, float start, float duration, float fromHz, float toHz, float volume, Envelope envelope,
                 float pan, Vibrato vibrato)
{
    float phase = 0.0f;
    Add(start, duration, volume, envelope, pan,
        [&](float t, float progress)
        {
            const float value = Oscillate(wave, phase);
            // Glides exponentially, the way pitch is heard.
            const float hz = fromHz * std::pow(toHz / fromHz, progress) *
                             (1.0f + vibrato.depth * std::sin(2.0f * Pi * vibrato.hz * t));
            phase += hz / float(SampleRate);
            phase -= std::floor(phase);
            return value;
        });
}

void Synth::Noise(float start, float duration, float fromHz, float toHz, float volume, Envelope envelope, float pan)
{
    float filtered = 0.0f;
    Add(start, duration, volume, envelope, pan,
        [&](float, float progress)
        {
            const float hz = fromHz * std::pow(toHz / fromHz, progress);
            const float alpha = 1.0f - std::exp(-2.0f * Pi * hz / float(SampleRate));
            filtered += alpha * (random.Range(-1.0f, 1.0f) - filtered);
            // A low cut-off leaves little of the noise's level; the gain keeps dull rumbles audible.
            return filtered * std::min(4.0f, 1.0f / std::sqrt(std::max(alpha, 1e-4f)));
        });
}

void Synth::WriteWav(Buffer& wav) const
{
    float peak = 0.0f;
    for (float sample : samples)
        peak = std::max(peak, std::fabs(sample));
    const float gain = Level * (peak > Headroom ? Headroom / peak : 1.0f);

    const auto dataSize = uint32_t(samples.size() * 2);
    wav = Buffer();
    wav.Append("RIFF", 4);
    WriteLittle(wav, 36 + dataSize, 4);
    wav.Append("WAVEfmt ", 8);
    WriteLittle(wav, 16, 4);
    WriteLittle(wav, 1, 2); // PCM
    WriteLittle(wav, channels, 2);
    WriteLittle(wav, SampleRate, 4);
    WriteLittle(wav, SampleRate * channels * 2, 4);
    WriteLittle(wav, channels * 2, 2);
    WriteLittle(wav, 16, 2);
    wav.Append("data", 4);
    WriteLittle(wav, dataSize, 4);
    for (float sample : samples)
    {
        const long value = std::lround(std::clamp(sample * gain, -1.0f, 1.0f) * 32767.0f);
        WriteLittle(wav, uint32_t(uint16_t(int16_t(value))), 2);
    }
}
