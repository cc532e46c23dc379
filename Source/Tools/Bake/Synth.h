#pragma once

#include "Source/Tools/Bake/Canvas.h"

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <vector>

enum class Wave
{
    Sine,
    Triangle,
    Square,
    Saw,
};

// How a voice rises and dies away: a linear attack, then an exponential decay with the given half
// life (0 holds the level), and a short fade at the end so no voice stops with a click.
struct Envelope
{
    float attack = 0.005f;
    float halfLife = 0.0f;
};

// A periodic swing of a tone's pitch, as a fraction of its frequency either way (0 leaves it steady).
struct Vibrato
{
    float hz = 0.0f;
    float depth = 0.0f;
};

// A sound being synthesised from voices (tones, sweeps, noise bursts) mixed into floating-point
// samples, then written as 16-bit PCM in a RIFF WAV. Noise is seeded by the sound's name, so a sound
// comes out the same every time.
class Synth
{
public:
    static constexpr uint32_t SampleRate = 22050;

    Synth(Lumvek::StringView name, uint32_t channels, float seconds);

    // A tone gliding from one frequency to another; pan runs from -1 (left) to 1 (right).
    void Tone(Wave wave, float start, float duration, float fromHz, float toHz, float volume, Envelope envelope,
              float pan = 0.0f, Vibrato vibrato = {});
    // White noise through a one-pole low-pass filter whose cut-off glides between two frequencies.
    void Noise(float start, float duration, float fromHz, float toHz, float volume, Envelope envelope,
               float pan = 0.0f);

    // Scales the mix down to the level sounds are baked at, and further when it would clip, and writes it.
    void WriteWav(Lumvek::Buffer& wav) const;

    uint32_t channels;
    uint32_t frames;
    std::vector<float> samples; // interleaved by channel

private:
    template <class Source>
    void Add(float start, float duration, float volume, Envelope envelope, float pan, Source&& source);

    Random random;
};
