// The effect window without a match: "Save" through the effect format and LON into a scratch folder
// under the test application's root, and the emitter list's edits.

#include "Engine/Foundation/File.h"
#include "Source/Tools/Inspectors/EffectDataInspector.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace
{

const std::string Sparks = R"lon({ Emitters [
    { Lifetime = 2.5 Loop = true MaximumParticles = 300 Generators [ { Type = "Burst" Count = 12 } ] }
    { MaximumParticles = 7 } { MaximumParticles = 9 } ] })lon";

TEST(EffectDataInspector, SaveWritesLonThatLoadsBackEqualAndSaysSoOnlyOnceWritten)
{
    ToolsTesting::ToolsApplication app;
    const std::string scratch = "EffectDataInspectorTests" + std::to_string(getpid());
    const std::string root = app.GetFileManager().ResolvePath(Lumvek::StringView(scratch));
    ASSERT_TRUE(Lumvek::File::CreateDirectories(Lumvek::StringView(root)));
    // A file where the failing case wants a folder.
    ASSERT_TRUE(Lumvek::File::WriteAllText(Lumvek::StringView(root + "/Blocked"), Lumvek::StringView("x")));
    std::unique_ptr<Lumvek::Effects::EffectData> effect = Lumvek::Testing::ParseEffect(Sparks);
    ASSERT_EQ(effect->emitters.size(), 3u);
    EffectDataInspector inspector(*effect);
    struct Case
    {
        std::string path;
        bool saved;
    };
    for (const Case& c : {Case{scratch + "/Effects/Sparks.lte", true}, Case{scratch + "/Blocked/Sparks.lte", false}})
    {
        Lumvek::Testing::LogCapture log;
        effect->path = c.path;
        const std::string resolved = app.GetFileManager().ResolvePath(Lumvek::StringView(c.path));
        EXPECT_EQ(inspector.Save(), c.saved) << c.path;
        EXPECT_EQ(log.Logged("saved EffectData to " + resolved), c.saved) << c.path;
        if (c.saved)
        {
            const auto [read, text] = Lumvek::File::ReadAllText(Lumvek::StringView(resolved));
            ASSERT_TRUE(read);
            EXPECT_EQ(Lumvek::Testing::SaveEffect(*Lumvek::Testing::ParseEffect(text)),
                      Lumvek::Testing::SaveEffect(*effect));
            EXPECT_EQ(Lumvek::Testing::ParseEffect(text)->emitters[0]->maximumParticles, 300u);
        }
    }
    std::filesystem::remove_all(root);
}

TEST(EffectDataInspector, WithoutAPreviewAddsNothingAndRemovingMovesTheRestDown)
{
    ToolsTesting::ToolsApplication app;
    std::unique_ptr<Lumvek::Effects::EffectData> effect = Lumvek::Testing::ParseEffect(Sparks);
    EffectDataInspector inspector(*effect);
    EXPECT_FALSE(inspector.AddEmitter());
    EXPECT_EQ(effect->emitters.size(), 3u);
    const Lumvek::Effects::EmitterData* second = effect->emitters[1].get();
    inspector.RemoveEmitter(0);
    ASSERT_EQ(effect->emitters.size(), 2u);
    EXPECT_EQ(effect->emitters[0].get(), second);
    inspector.RemoveEmitter(5);
    EXPECT_EQ(effect->emitters.size(), 2u);
}

} // namespace
