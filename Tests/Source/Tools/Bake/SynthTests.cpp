#include "Source/Tools/Bake/Synth.h"

#include "Engine/Runtime/Audio/Wav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace Lumvek;

namespace
{

int16_t SampleAt(const Sound& sound, size_t index)
{
    int16_t value = 0;
    std::memcpy(&value, sound.samples.Data() + index * 2, 2);
    return value;
}

} // namespace

TEST(Synth, WavsLoadThroughTheEngineInMonoAndStereo)
{
    for (uint32_t channels : {1u, 2u})
    {
        Synth synth("beep", channels, 0.5f);
        synth.Tone(Wave::Square, 0.0f, 0.25f, 440.0f, 880.0f, 0.5f, {0.01f, 0.05f}, -1.0f);
        synth.Noise(0.25f, 0.25f, 4000.0f, 200.0f, 0.5f, {0.0f, 0.1f});
        Buffer wav;
        synth.WriteWav(wav);
        BufferReader reader(wav);
        Sound sound;
        ASSERT_TRUE(WavFormat().Read(reader, sound)) << channels;
        EXPECT_EQ(std::tie(sound.format.channels, sound.format.sampleRate, sound.format.bitsPerSample),
                  std::make_tuple(channels, Synth::SampleRate, 16u));
        EXPECT_EQ(sound.samples.Size(), Synth::SampleRate / 2 * channels * 2);
        if (channels == 2)
        {
            // Panned hard left: the right channel of the tone is silent.
            EXPECT_NE(SampleAt(sound, 2 * 1000), 0);
            EXPECT_EQ(SampleAt(sound, 2 * 1000 + 1), 0);
        }
    }
}

TEST(Synth, LoudMixesAreScaledBelowClippingAndVoicesEndSilent)
{
    Synth synth("chord", 1, 0.2f);
    for (float hz : {200.0f, 300.0f, 400.0f, 500.0f})
        synth.Tone(Wave::Saw, 0.0f, 0.1f, hz, hz, 1.0f, {});
    Buffer wav;
    synth.WriteWav(wav);
    BufferReader reader(wav);
    Sound sound;
    ASSERT_TRUE(WavFormat().Read(reader, sound));
    int peak = 0;
    for (size_t i = 0; i < sound.samples.Size() / 2; ++i)
        peak = std::max(peak, std::abs(int(SampleAt(sound, i))));
    // Baked at half of 0.9 of full scale, leaving room for the rest of a match's mix.
    EXPECT_GT(peak, 14000);
    EXPECT_LE(peak, 14746);
    // The end fade brings the voices to rest without a click, and nothing plays after them.
    EXPECT_LT(std::abs(int(SampleAt(sound, size_t(0.1f * Synth::SampleRate) - 1))), 2000);
    EXPECT_EQ(SampleAt(sound, size_t(0.15f * Synth::SampleRate)), 0);
}

TEST(Synth, VibratoSwingsThePitchAroundTheTone)
{
    // Zero crossings count the pitch: in the first half of a 5 Hz swing the tone runs sharp, in the
    // second flat; a steady tone crosses as often in both.
    const auto crossings = [](Vibrato vibrato)
    {
        Synth synth("whirr", 1, 0.2f);
        synth.Tone(Wave::Sine, 0.0f, 0.2f, 1000.0f, 1000.0f, 0.5f, {}, 0.0f, vibrato);
        std::pair<int, int> halves;
        for (uint32_t i = 1; i < Synth::SampleRate / 5; ++i)
            if ((synth.samples[i - 1] < 0.0f) != (synth.samples[i] < 0.0f))
                (i < Synth::SampleRate / 10 ? halves.first : halves.second)++;
        return halves;
    };
    const auto [steadyFirst, steadySecond] = crossings({});
    EXPECT_NEAR(steadyFirst, steadySecond, 2);
    const auto [sharp, flat] = crossings({5.0f, 0.2f});
    EXPECT_GT(sharp, steadyFirst + 20);
    EXPECT_LT(flat, steadySecond - 20);
}
