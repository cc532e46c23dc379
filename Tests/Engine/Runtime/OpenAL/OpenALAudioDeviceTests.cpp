#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"
#include "Tests/WavFiles.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Audio/Wav.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace Lumvek::OpenAL
{
namespace
{

using namespace Testing;

constexpr uint32_t Rate = OpenALAudioDevice::LoopbackRate;
// The level of the test sounds as made: a quarter of full scale.
constexpr double Quarter = 0.25 * 32767.0;
// OpenAL dithers its 16-bit output, so silence comes out as noise of less than one step.
constexpr double Silence = 1.0;

struct Levels
{
    double left = 0.0;
    double right = 0.0;
};

// A loopback device with its resource table, and what it rendered last.
struct Mix
{
    explicit Mix(float soundVolume = 1.0f) : device(&table, false, 1.0f, soundVolume, 1.0f, AudioOutput::Loopback) {}

    // Registers a sound as a definition's loader does; its samples come from a file or from Add.
    Sound* Register(const std::string& name, AudioGroup mixer, bool looping)
    {
        Sound* sound = table.Create<Sound>(NameTableB().Add(name));
        sound->device = &device;
        sound->soundId = NameSet::Global().Add(name);
        device.AddSound(sound->soundId, mixer, looping);
        return sound;
    }
    Sound& Add(const std::string& name, AudioGroup mixer, bool looping, uint16_t channels, const std::string& samples)
    {
        Sound* sound = Register(name, mixer, looping);
        sound->format = {channels, Rate, 16};
        sound->samples.Append(samples.data(), static_cast<uint32_t>(samples.size()));
        device.SetSoundData(*sound);
        return *sound;
    }

    void Render(uint32_t frames)
    {
        rendered.assign(size_t(frames) * 2, 0);
        EXPECT_TRUE(device.Render(rendered.data(), frames));
    }
    // Mean size of the samples of each channel over frames [from, to) of the last render.
    Levels Heard(uint32_t from, uint32_t to) const
    {
        Levels levels;
        for (uint32_t frame = from; frame < to; ++frame)
        {
            levels.left += std::abs(rendered[2 * frame]) / double(to - from);
            levels.right += std::abs(rendered[2 * frame + 1]) / double(to - from);
        }
        return levels;
    }
    // OpenAL glides to a new gain or place over a few thousand frames: render past that, then listen.
    Levels Settled()
    {
        Render(6144);
        return Heard(4096, 6144);
    }

    ResourceTable table;
    OpenALAudioDevice device;
    std::vector<int16_t> rendered;
};

TEST(OpenALAudioDevice, PlaysWavFilesOfEveryPcmLayout)
{
    TestFolder folder;
    FileManager files(folder.Root(), "", "", "");
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    Mix mix;
    for (uint16_t bits : {8, 16, 24, 32})
    {
        std::string name = "OpenALTests.Stereo" + std::to_string(bits);
        std::string path = files.ResolvePath(name + ".wav");
        ASSERT_TRUE(File::WriteAllText(path, PcmWav(2, Rate, bits, SquareWave(Rate, bits, {0.25, 0.125}))));
        Sound* sound = mix.Register(name, AudioGroup::Music, false);
        ASSERT_TRUE(files.Load(path, *sound, name, false).IsLoaded());
        uint32_t id = mix.device.Play(*sound);
        mix.Render(4096);
        // Eight bits hold the amplitudes only roughly.
        double tolerance = bits == 8 ? 0.07 : 0.02;
        EXPECT_NEAR(mix.Heard(256, 4096).left, Quarter, tolerance * Quarter) << bits;
        EXPECT_NEAR(mix.Heard(256, 4096).right, Quarter / 2, tolerance * Quarter / 2) << bits;
        mix.device.Stop(id);
    }
}

TEST(OpenALAudioDevice, InstanceMixerAndMasterVolumesMultiply)
{
    Mix mix(0.75f);
    EXPECT_EQ(mix.device.GetMixerVolume(AudioGroup::Sound), 0.75f);
    uint32_t id =
        mix.device.Play(mix.Add("OpenALTests.Music", AudioGroup::Music, true, 2, SquareWave(Rate, 16, {0.25, 0.25})));
    auto expectHeard = [&](double gain, const char* step)
    {
        Levels heard = mix.Settled();
        EXPECT_NEAR(heard.left, gain * Quarter, 0.02 * Quarter) << step;
        EXPECT_NEAR(heard.right, heard.left, 1.0) << step;
    };
    expectHeard(1.0, "as played");
    mix.device.SetMixerVolume(AudioGroup::Music, 0.5f);
    expectHeard(0.5, "music mixer at half");
    mix.device.SetVolume(id, 0.5f);
    expectHeard(0.25, "instance at half");
    mix.device.SetMasterVolume(0.5f);
    expectHeard(0.125, "master at half");
    mix.device.SetMixerVolume(AudioGroup::Sound, 0.0f);
    mix.device.SetMixerVolume(AudioGroup::Effect, 0.0f);
    mix.device.SetMixerVolume(AudioGroup(3), 0.0f);
    expectHeard(0.125, "other mixers silent");
    mix.device.SetVolume(id, 4.0f);
    expectHeard(1.0, "instance louder than made");
    mix.device.SetVolume(id, -1.0f);
    expectHeard(0.0, "negative volume");

    EXPECT_EQ(mix.device.GetMixerVolume(AudioGroup::Music), 0.5f);
    EXPECT_EQ(mix.device.GetMixerVolume(AudioGroup::Sound), 0.0f);
    EXPECT_EQ(mix.device.GetMixerVolume(AudioGroup(3)), 0.0f);
    EXPECT_EQ(mix.device.GetVolume(id), -1.0f);
    EXPECT_EQ(mix.device.GetVolume(id + 1), 0.0f);
    EXPECT_EQ(mix.device.GetMasterVolume(), 0.5f);
}

// Segments of 1000 frames, each louder than the one before, so that the level tells the position.
std::string Staircase()
{
    std::string samples;
    for (int segment = 1; segment <= 30; ++segment)
        samples += SquareWave(1000, 16, {0.01 * segment, 0.01 * segment});
    return samples;
}

int SegmentHeard(const Mix& mix, uint32_t frame)
{
    return static_cast<int>(mix.Heard(frame, frame + 100).left / (0.01 * 32767.0) + 0.5) - 1;
}

TEST(OpenALAudioDevice, PausedSoundsResumeWhereTheyStopped)
{
    for (const char* scope : {"instance", "mixer", "everything"})
    {
        Mix mix;
        OpenALAudioDevice& device = mix.device;
        uint32_t id = device.Play(mix.Add("OpenALTests.Staircase", AudioGroup::Sound, false, 2, Staircase()));
        auto pause = [&] {
            scope[0] == 'i'   ? device.Pause(id)
            : scope[0] == 'm' ? device.PauseMixer(AudioGroup::Sound)
                              : device.PauseAll();
        };
        auto resume = [&] {
            scope[0] == 'i'   ? device.Resume(id)
            : scope[0] == 'm' ? device.ResumeMixer(AudioGroup::Sound)
                              : device.ResumeAll();
        };
        mix.Render(2500);
        EXPECT_EQ(SegmentHeard(mix, 2000), 2) << scope;
        pause();
        mix.Render(2000);
        EXPECT_LT(mix.Heard(200, 2000).left, Silence) << scope;
        EXPECT_TRUE(device.IsPlaying(id)) << scope;
        resume();
        mix.Render(2500);
        EXPECT_EQ(SegmentHeard(mix, 600), 3) << scope;
        // Resuming what already plays neither restarts it nor skips ahead.
        resume();
        mix.Render(1000);
        EXPECT_EQ(SegmentHeard(mix, 0), 5) << scope;
    }
}

TEST(OpenALAudioDevice, VoicesLoopOrEndAndGoBackToTheirMixersPoolWhenReleased)
{
    Mix mix;
    // The looping sound is heard on the left, the other on the right.
    Sound& looping = mix.Add("OpenALTests.Looping", AudioGroup::Sound, true, 2, SquareWave(2000, 16, {0.25, 0.0}));
    Sound& once = mix.Add("OpenALTests.Once", AudioGroup::Sound, false, 2, SquareWave(2000, 16, {0.0, 0.25}));
    uint32_t loopingId = mix.device.Play(looping);
    uint32_t onceId = mix.device.Play(once);
    mix.Render(8000);
    for (uint32_t frame : {1000, 3000, 5000, 7000})
    {
        EXPECT_NEAR(mix.Heard(frame, frame + 800).left, Quarter, 0.02 * Quarter) << frame;
        EXPECT_NEAR(mix.Heard(frame, frame + 800).right, frame < 2000 ? Quarter : 0.0, 0.02 * Quarter) << frame;
    }
    // An ended sound keeps its voice until it is released.
    EXPECT_TRUE(mix.device.IsPlaying(onceId));
    for (uint32_t id : {loopingId, onceId, onceId})
        mix.device.ReleaseWhenDone(id);
    mix.device.Update();
    EXPECT_TRUE(mix.device.IsPlaying(loopingId));
    EXPECT_FALSE(mix.device.IsPlaying(onceId));

    uint32_t again = mix.device.Play(once);
    mix.device.Stop(loopingId);
    EXPECT_FALSE(mix.device.IsPlaying(loopingId));
    mix.Render(1000);
    EXPECT_LT(mix.Heard(500, 1000).left, Silence);
    EXPECT_EQ(mix.device.GetVoiceCount(), 2u);
    uint32_t music =
        mix.device.Play(mix.Add("OpenALTests.Music", AudioGroup::Music, true, 2, looping.samples.ToString()));
    EXPECT_EQ(mix.device.Play(looping), 4u);
    EXPECT_EQ(mix.device.GetVoiceCount(), 3u);
    mix.device.StopMixer(AudioGroup::Sound);
    EXPECT_FALSE(mix.device.IsPlaying(again));
    EXPECT_TRUE(mix.device.IsPlaying(music));
    mix.device.StopAll();
    EXPECT_FALSE(mix.device.IsPlaying(music));

    // Samples replaced or removed end the instances playing them.
    uint32_t replaced = mix.device.Play(looping);
    mix.device.SetSoundData(looping);
    EXPECT_FALSE(mix.device.IsPlaying(replaced));
    uint32_t removed = mix.device.Play(looping);
    mix.device.RemoveSound(looping.soundId);
    EXPECT_FALSE(mix.device.IsPlaying(removed));
    EXPECT_EQ(mix.device.Play(looping), InvalidId);
}

TEST(OpenALAudioDevice, SoundsOfTheWrongChannelCountAreRefused)
{
    Mix mix;
    LogCapture log;
    Sound& stereoEffect =
        mix.Add("OpenALTests.StereoEffect", AudioGroup::Effect, false, 2, SquareWave(100, 16, {1, 1}));
    Sound& monoMusic = mix.Add("OpenALTests.MonoMusic", AudioGroup::Music, false, 1, SquareWave(100, 16, {1}));
    Sound& monoEffect = mix.Add("OpenALTests.MonoEffect", AudioGroup::Effect, false, 1, SquareWave(100, 16, {1}));
    Sound unregistered;
    unregistered.format = {1, Rate, 16};

    EXPECT_EQ(mix.device.Play(monoEffect), 0u);
    EXPECT_EQ(mix.device.Play(stereoEffect), InvalidId);
    EXPECT_EQ(mix.device.Play(monoMusic), InvalidId);
    EXPECT_EQ(mix.device.Play(unregistered), InvalidId);
    // Refused sounds still use up an id; unregistered ones do not.
    EXPECT_EQ(mix.device.Play(monoEffect), 3u);
    // Each was said once, as its samples came; one whose file never loaded was said by its loader.
    Sound* missing = mix.Register("OpenALTests.Missing", AudioGroup::Effect, false);
    for (int play = 0; play < 100; ++play)
        EXPECT_EQ(mix.device.Play(*missing) & mix.device.Play(stereoEffect), InvalidId);
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                "wrong number of channels for sound OpenALTests.StereoEffect - should be 1 but is 2",
                                "wrong number of channels for sound OpenALTests.MonoMusic - should be 2 but is 1"}));
}

TEST(OpenALAudioDevice, EffectsAreHeardFromTheNearestListenerFadingBeyondFiveUnits)
{
    Mix mix;
    uint8_t first = mix.device.AddListener();
    uint8_t second = mix.device.AddListener();
    mix.device.SetListener(first, {-100.0f, 50.0f}, {});
    mix.device.SetListener(second, {100.0f, 50.0f}, {});
    uint32_t id =
        mix.device.Play(mix.Add("OpenALTests.Effect", AudioGroup::Effect, true, 1, SquareWave(Rate, 16, {0.25})));
    auto heardAt = [&](uint32_t instance, float x)
    {
        mix.device.SetPosition(instance, {x, 50.0f}, {});
        mix.device.Update();
        return mix.Settled();
    };

    // Left and right of the second listener; past x 0 the first one is nearer, and at 0 it wins the tie.
    const float positions[] = {97.0f, 103.0f, 110.0f, -1.0f, 0.0f};
    const bool onTheRight[] = {false, true, true, true, true};
    for (int i = 0; i < 5; ++i)
    {
        Levels heard = heardAt(id, positions[i]);
        EXPECT_GT(onTheRight[i] ? heard.right : heard.left, 4 * (onTheRight[i] ? heard.left : heard.right))
            << positions[i];
    }
    double near = heardAt(id, 103.0f).right;
    const float distances[] = {5.0f, 7.5f, 10.0f, 20.0f, 40.0f};
    for (float distance : distances)
        EXPECT_NEAR(heardAt(id, 100.0f + distance).right, near * std::min(1.0f, 5.0f / distance), 0.02 * near)
            << distance;
    // Within a unit, as a player's weapon is of its listener, the ears hear an effect within 6 dB.
    Levels own = heardAt(id, 100.6f);
    EXPECT_TRUE(own.left < 2 * own.right && own.right < 2 * own.left);

    // A listener added later comes after those already there, even under a freed id.
    EXPECT_TRUE(mix.device.RemoveListener(first));
    mix.device.SetListener(mix.device.AddListener(), {-100.0f, 50.0f}, {});
    Levels tie = heardAt(id, 0.0f);
    EXPECT_GT(tie.left, 4 * tie.right);
}

// The baked rifle: one from a player's weapon, then sixteen, from it and from 1 to 15 units either side.
TEST(OpenALAudioDevice, OneRifleLeavesHeadroomAndSixteenFiredTogetherStayBelowFullScale)
{
    Mix mix;
    Sound* rifle = mix.Register("OpenALTests.Rifle", AudioGroup::Effect, false);
    Buffer wav = File::ReadBytes(SourceFolder() + "/Assets/Weapons/Rifle/Fire.wav").second;
    BufferReader reader(wav);
    ASSERT_TRUE(WavFormat().Read(reader, *rifle));
    mix.device.AddListener();
    for (int rifles : {1, 16})
    {
        for (int shot = 0; shot < rifles; ++shot)
            mix.device.SetPosition(mix.device.Play(*rifle), {0.6f + float(shot % 2 ? shot : -shot), -0.3f}, {});
        mix.device.Update();
        mix.Render(Rate);
        auto [low, high] = std::minmax_element(mix.rendered.begin(), mix.rendered.end());
        EXPECT_LT(std::max(-*low, +*high), rifles == 1 ? 32767 / 2 : 32767) << rifles;
    }
}

// Shots of five ticks of one slow frame: none sounds before the Update that places them, the first (far
// right) on the right alone, the others a tick apart and, 1.5 units to the right, in both ears within 6 dB.
TEST(OpenALAudioDevice, EffectsSoundFromTheirPlaceAndTheTicksOfOneFrameKeepTheirSpacing)
{
    Mix mix;
    Sound& click = mix.Add("OpenALTests.Click", AudioGroup::Effect, false, 1, SquareWave(200, 16, {0.25}));
    mix.device.SetListener(mix.device.AddListener(), {10.0f, 5.0f}, {});
    for (int shot = 0; shot < 5; ++shot)
    {
        mix.device.playDelay = float(shot) / 60.0f;
        mix.device.SetPosition(mix.device.Play(click), {shot ? 11.5f : 30.0f, 5.0f}, {});
    }
    // The mixer may run between the plays and their Update.
    mix.Render(256);
    EXPECT_LT(mix.Heard(0, 256).left + mix.Heard(0, 256).right, Silence);
    mix.device.Update();
    const uint32_t tick = Rate / 60;
    mix.Render(5 * tick);
    for (uint32_t shot = 0; shot < 5; ++shot)
    {
        Levels heard = mix.Heard(shot * tick + 60, shot * tick + 240);
        EXPECT_GT(heard.right, shot ? heard.left : 10 * heard.left) << shot;
        EXPECT_LT(heard.right, 2 * heard.left + (shot ? 0.0 : Quarter)) << shot;
        EXPECT_LT(mix.Heard(shot * tick + 300, (shot + 1) * tick).right, Silence) << shot;
    }
}

TEST(OpenALAudioDevice, ListenerIdsComeRoundAgainButNeverAsTheFailureValue)
{
    Mix mix;
    std::vector<bool> given(256, false);
    for (int i = 0; i < 255; ++i)
    {
        uint8_t id = mix.device.AddListener();
        EXPECT_FALSE(given[id]) << int(id);
        given[id] = true;
    }
    EXPECT_FALSE(given[InvalidListener]);
    EXPECT_EQ(mix.device.AddListener(), InvalidListener);
    EXPECT_FALSE(mix.device.RemoveListener(InvalidListener));
    EXPECT_TRUE(mix.device.RemoveListener(7));
    EXPECT_TRUE(mix.device.RemoveListener(3));
    EXPECT_EQ(mix.device.AddListener(), 3);
    EXPECT_EQ(mix.device.AddListener(), 7);
    EXPECT_EQ(mix.device.AddListener(), InvalidListener);
}

using HeadlessCheck = std::function<void(OpenALAudioDevice&, const Sound&)>;

// Opens a device with OpenAL's drivers limited to the list, and gives the process's exit code.
int RunWithDrivers(const char* drivers, const HeadlessCheck& check)
{
    setenv("ALSOFT_DRIVERS", drivers, 1);
    ResourceTable table;
    OpenALAudioDevice device(&table, true, 1.0f, 1.0f, 1.0f);
    Sound sound;
    sound.soundId = NameSet::Global().Add("OpenALTests.Headless");
    sound.format = {2, Rate, 16};
    sound.samples.Append("abcdabcd");
    device.AddSound(sound.soundId, AudioGroup::Music, true);
    device.SetSoundData(sound);
    check(device, sound);
    return ::testing::Test::HasFailure() ? 1 : 0;
}

// OpenAL reads its driver list once per process, so each check runs in a process of its own.
void CheckWithDrivers(const char* drivers, const HeadlessCheck& check)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(RunWithDrivers(drivers, check)), ::testing::ExitedWithCode(0), "") << drivers;
}

TEST(OpenALAudioDevice, RunsHeadlessWithTheNullDriverOrWithoutAnyDevice)
{
    CheckWithDrivers("null",
                     [](OpenALAudioDevice& device, const Sound& sound)
                     {
                         EXPECT_TRUE(device.IsOpen());
                         EXPECT_EQ(device.Play(sound), 0u);
                         EXPECT_TRUE(device.IsPlaying(0));
                     });
    CheckWithDrivers("none",
                     [](OpenALAudioDevice& device, const Sound& sound)
                     {
                         EXPECT_FALSE(device.IsOpen());
                         EXPECT_EQ(device.Play(sound), InvalidId);
                         EXPECT_EQ(device.AddListener(), InvalidListener);
                         EXPECT_FALSE(device.RemoveListener(0));
                         EXPECT_EQ(device.GetMixerVolume(AudioGroup::Music), 0.0f);
                         EXPECT_EQ(device.GetMasterVolume(), 0.0f);
                         device.PauseAll();
                         device.ResumeAll();
                         device.Update();
                         int16_t samples[4] = {1, 2, 3, 4};
                         EXPECT_FALSE(device.Render(samples, 2));
                         EXPECT_EQ(samples[3], 0);
                     });
}

} // namespace
} // namespace Lumvek::OpenAL
