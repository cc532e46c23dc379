#include "Engine/Runtime/Audio/Wav.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"

#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"
#include "Tests/WavFiles.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

using namespace Testing;
using Calls = std::vector<std::string>;

TEST(WavFormat, LoadsPcmSamplesOfEveryLayoutThroughTheFileManager)
{
    TestFolder folder;
    FileManager files(folder.Root(), "", "", "");
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    const std::string pcm16 = SquareWave(5, 16, {0.5, -0.25});
    const struct
    {
        const char* name;
        std::string bytes;
        WaveFormat format;
        std::string samples;
    } cases[] = {
        {"mono 8-bit", PcmWav(1, 11025, 8, "\x01\x80\xFF"), {1, 11025, 8}, "\x01\x80\xFF"},
        {"stereo 16-bit", PcmWav(2, 44100, 16, pcm16), {2, 44100, 16}, pcm16},
        {"mono 24-bit", PcmWav(1, 48000, 24, "abcdef"), {1, 48000, 24}, "abcdef"},
        {"stereo 32-bit", PcmWav(2, 8000, 32, "01234567"), {2, 8000, 32}, "01234567"},
        {"upper-case ids, extended fmt, odd chunks before the data",
         Riff(Chunk("FMT ", FormatBody(1, 2, 22050, 16, std::string("\0\0", 2))) + Chunk("LIST", "odd") +
              Chunk("Data", "mixed case is skipped") + Chunk("DATA", "1234")),
         {2, 22050, 16},
         "1234"},
        {"odd data chunk without its pad byte", PcmWav(1, 8000, 8, "xyz").substr(0, 47), {1, 8000, 8}, "xyz"},
        {"data before fmt is taken, the fmt after it is not read",
         Riff(Chunk("data", "ab") + Chunk("fmt ", FormatBody(1, 2, 44100, 16))),
         {0, 0, 0},
         "ab"},
        {"empty data", PcmWav(2, 44100, 16, ""), {2, 44100, 16}, ""},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(File::WriteAllText(files.ResolvePath("Sound.wav"), c.bytes));
        DeviceCalls record;
        RecordingAudioDevice device(nullptr, record);
        Sound sound;
        sound.device = &device;
        LogCapture log;

        EXPECT_TRUE(files.Load(files.ResolvePath("Sound.wav"), sound, "Sound", false).IsLoaded()) << c.name;
        EXPECT_EQ(sound.format.channels, c.format.channels) << c.name;
        EXPECT_EQ(sound.format.sampleRate, c.format.sampleRate) << c.name;
        EXPECT_EQ(sound.format.bitsPerSample, c.format.bitsPerSample) << c.name;
        EXPECT_EQ(sound.samples.ToString(), c.samples) << c.name;
        // The device is handed the samples once they are in place.
        EXPECT_EQ(record.calls, Calls{"SetSoundData " + std::to_string(c.samples.size())}) << c.name;
        EXPECT_EQ(log.messages, Calls{}) << c.name;
    }
}

TEST(WavFormat, RefusesForeignAndCutFilesKeepingTheSoundAndNeverSaves)
{
    const std::string header = "RIFF" + LittleEndian<uint32_t>(100) + "WAVE";
    const std::string format = Chunk("fmt ", FormatBody(1, 1, 8000, 8));
    const struct
    {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "content is not a wav"},
        {"shorter than the header", header.substr(0, 11), "content is not a wav"},
        {"another container", "RIFX" + header.substr(4), "content is not a wav"},
        {"another form", header.substr(0, 8) + "AVI ", "content is not a wav"},
        {"floating-point samples", Riff(Chunk("fmt ", FormatBody(3, 1, 8000, 32)) + Chunk("data", "abcd")),
         "invalid wav format"},
        {"fmt chunk too short for its fields", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8).substr(0, 14))),
         "invalid wav format"},
        {"no data chunk", Riff(format), "missing wav data"},
        {"only a mixed-case data chunk", Riff(format + Chunk("Data", "abcd")), "missing wav data"},
        {"cut inside a chunk header", Riff(format + "dat"), "missing wav data"},
        {"cut inside the samples", Riff(format + Chunk("data", "abcdef")).substr(0, 47), "missing wav data"},
        {"a chunk claiming 4 GB", Riff(format + "LIST" + LittleEndian<uint32_t>(0xFFFFFFFF) + Chunk("data", "ab")),
         "missing wav data"},
    };
    for (const auto& c : cases)
    {
        DeviceCalls record;
        RecordingAudioDevice device(nullptr, record);
        Sound sound;
        sound.device = &device;
        sound.format = {2, 44100, 16};
        sound.samples.Append("previous");
        WavFormat wav(nullptr, TypeIndex<Sound>(), "wav");
        LogCapture log;

        wav.Load("Sound.wav", StringView(c.bytes), sound);
        EXPECT_EQ(log.messages, Calls{c.message}) << c.name;
        EXPECT_EQ(sound.samples.ToString(), "previous") << c.name;
        EXPECT_EQ(sound.format.channels, 2u) << c.name;
        EXPECT_EQ(sound.format.sampleRate, 44100u) << c.name;
        EXPECT_EQ(record.calls, Calls{}) << c.name;
    }

    WavFormat wav(nullptr, TypeIndex<Sound>(), "wav");
    LogCapture log;
    EXPECT_EQ(wav.Save("Sound.wav", Sound()).Size(), 0u);
    EXPECT_EQ(log.messages, Calls{"saving to wav is not supported"});
}

} // namespace
} // namespace Lumvek
