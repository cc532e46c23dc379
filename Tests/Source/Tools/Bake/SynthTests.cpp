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
    EXPECT_GT(peak, 28000);
    EXPECT_LE(peak, 29491); // 0.9 of full scale
    // The end fade brings the voices to rest without a click, and nothing plays after them.
    EXPECT_LT(std::abs(int(SampleAt(sound, size_t(0.1f * Synth::SampleRate) - 1))), 2000);
    EXPECT_EQ(SampleAt(sound, size_t(0.15f * Synth::SampleRate)), 0);
}
