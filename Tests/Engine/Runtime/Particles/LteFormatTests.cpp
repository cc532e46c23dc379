#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Particles/ParticleGenerators.h"
#include "Engine/Runtime/Particles/ParticleInitializers.h"
#include "Engine/Runtime/Particles/ParticleUpdaters.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <limits>

namespace Lumvek::Testing
{
namespace
{

using ::testing::ElementsAre;

const std::string Fireworks = R"lon({ Emitters [
    { Texture = "LteFormatTests.Spark" Lifetime = 2.5 Loop = true MaximumParticles = 300 LinkParticles = true
      ParticleSize = "0.5 0.25"
      Generators [ { Type = "Stream" TimeBetweenEmissions = 0.05 }
                   { Type = "Timeline" Keys [ { Time = 0.0 Value = 4 } { Time = 1.5 Value = 0 } ] } ]
      Initializers [ { Type = "ColorRandom" Red { From = 200 To = 255 } Alpha { From = 128 To = 255 } }
                     { Type = "VelocityDirection" Speed { From = 1.0 To = 3.0 } Angle { From = -45.0 To = 45.0 } }
                     { Type = "AngleOrient" Offset = "Degrees(90.0)" }
                     { Type = "PositionArea" Left = -0.5 Right = 0.5 }
                     { Type = "PositionRing" } ]
      Updaters [ { Type = "ColorTimeline" Alpha [ { Time = 0.0 Value = 255 } { Time = 1.0 Value = 0 } ] }
                 { Type = "PositionMotion" ConfineToBounds = true } ] }
    { Generators [ { Type = "Burst" Count = 12 } ] } ] })lon";

TEST(LteFormat, AnEffectLoadsSavesAndLoadsAgainUnchanged)
{
    auto effect = ParseEffect(Fireworks);
    ASSERT_EQ(effect->emitters.size(), 2u);
    const EmitterData& first = *effect->emitters[0];
    EXPECT_EQ(NameTableA().GetName(static_cast<uint32_t>(first.imageIndex)), StringView("LteFormatTests.Spark"));
    EXPECT_EQ(std::make_tuple(first.duration, first.loop, first.maximumParticles, first.localSpace),
              std::make_tuple(2.5f, true, 300u, true));
    EXPECT_EQ(first.particleSize, Vector2(0.5f, 0.25f));
    ASSERT_EQ(first.generators.size(), 2u);
    ASSERT_EQ(first.initializers.size(), 5u);
    ASSERT_EQ(first.updaters.size(), 2u);
    EXPECT_THAT(dynamic_cast<const TimelineGenerator&>(*first.generators[1]).keys,
                ElementsAre(TimelineKey<uint8_t>{0.0f, 4}, TimelineKey<uint8_t>{1.5f, 0}));
    EXPECT_EQ(dynamic_cast<const ColorRandomInitializer&>(*first.initializers[0]).pairs[3],
              (ValuePair<uint8_t>{128, 255}));
    EXPECT_NEAR(dynamic_cast<const AngleOrientInitializer&>(*first.initializers[2]).offset.radians, 1.5707964f, 1e-6f);

    const std::string saved = SaveEffect(*effect);
    auto again = ParseEffect(saved);
    EXPECT_EQ(SaveEffect(*again), saved);
    // Every key is written, the rule's type first.
    Blueprint tree;
    ASSERT_TRUE(Lon::Parse(saved, tree));
    const Blueprint& second = tree.GetObject().Find("Emitters")->GetElement(1);
    EXPECT_EQ(second.GetObject().GetName(0), StringView("Texture"));
    EXPECT_EQ(second.GetObject().Find("Texture")->GetString(), StringView(""));
    EXPECT_EQ(second.GetObject().Find("Initializers"), nullptr);
    const Blueprint& ring =
        tree.GetObject().Find("Emitters")->GetElement(0).GetObject().Find("Initializers")->GetElement(4);
    EXPECT_EQ(ring.GetObject().GetCount(), 1u);
    EXPECT_EQ(ring.GetObject().GetName(0), StringView("Type"));
    EXPECT_EQ(again->emitters[1]->imageIndex, -1);
}

TEST(LteFormat, EveryRuleTypeKeepsItsTypeAndPlaceThroughSaving)
{
    auto effect = std::make_unique<EffectData>();
    auto emitter = std::make_unique<EmitterData>();
    for (StringView name : GetGeneratorNames())
        emitter->generators.push_back(CreateGenerator(name));
    for (StringView name : GetInitializerNames())
        emitter->initializers.push_back(CreateInitializer(name));
    for (StringView name : GetUpdaterNames())
        emitter->updaters.push_back(CreateUpdater(name));
    effect->emitters.push_back(std::move(emitter));

    const std::string saved = SaveEffect(*effect);
    auto loaded = ParseEffect(saved);
    ASSERT_EQ(loaded->emitters.size(), 1u);
    const EmitterData& data = *loaded->emitters[0];
    ASSERT_EQ(data.generators.size(), 5u);
    ASSERT_EQ(data.initializers.size(), 33u);
    ASSERT_EQ(data.updaters.size(), 14u);
    for (uint32_t i = 0; i < 33; ++i)
        EXPECT_EQ(GetInitializerName(*data.initializers[i]), GetInitializerNames()[i]);
    for (uint32_t i = 0; i < 14; ++i)
        EXPECT_EQ(GetUpdaterName(*data.updaters[i]), GetUpdaterNames()[i]);
    EXPECT_EQ(SaveEffect(*loaded), saved);
}

TEST(LteFormat, MissingOrMistypedKeysKeepTheDefaults)
{
    EXPECT_TRUE(ParseEffect("{ Emitters [] }")->emitters.empty());
    EXPECT_TRUE(ParseEffect("{ }")->emitters.empty());
    EXPECT_TRUE(ParseEffect(R"({ Emitters = "none" })")->emitters.empty());
    for (const std::string& keys :
         {std::string(""), std::string(R"(Lifetime = "2" Loop = 1 MaximumParticles = 5.0 LinkParticles = "yes"
                          ParticleSize = 3 Texture = 4 Generators = "Burst")")})
    {
        auto effect = OneEmitter(keys);
        ASSERT_EQ(effect->emitters.size(), 1u) << keys;
        const EmitterData& emitter = *effect->emitters[0];
        EXPECT_EQ(std::make_tuple(emitter.imageIndex, emitter.duration, emitter.loop, emitter.maximumParticles,
                                  emitter.localSpace),
                  std::make_tuple(-1, 1.0f, false, 100u, false))
            << keys;
        EXPECT_EQ(emitter.particleSize, Vector2(1.0f, 1.0f));
        EXPECT_TRUE(emitter.generators.empty());
    }
    // A rule's own keys likewise: a text is no number, and a colour channel is a whole number.
    auto effect = OneEmitter(R"(Generators [ { Type = "Stream" TimeBetweenEmissions = "1" } ]
        Initializers [ { Type = "ColorSet" Red { Value = 2.0 } Green = 3 } ])");
    EXPECT_EQ(dynamic_cast<const StreamGenerator&>(*effect->emitters[0]->generators[0]).timeBetweenEmissions, 0.1f);
    EXPECT_THAT(dynamic_cast<const ColorSetInitializer&>(*effect->emitters[0]->initializers[0]).values,
                ElementsAre(0, 0, 0, 0));
}

// They keep their places, doing nothing, and are written back as the file wrote them.
TEST(LteFormat, RulesOfUnknownTypesAreLoggedAndKeptAsWritten)
{
    LogCapture log;
    const std::string rules = R"(Generators [ { Type = "Fountain" } { Type = "Burst" } ]
        Initializers [ { Type = "Sparkle" Glow = 2 } "AngleSet" { Type = "AngleSet" } ]
        Updaters [ { Type = "AngleSet" } { Type = "AngleMotion" } ])";
    auto effect = OneEmitter(rules);
    const EmitterData& emitter = *effect->emitters[0];
    EXPECT_NE(FindRefusedForm(*emitter.generators[0]), nullptr);
    EXPECT_EQ(FindRefusedForm(*emitter.generators[1]), nullptr);
    EXPECT_NE(FindRefusedForm(*emitter.initializers[1]), nullptr);
    EXPECT_NE(FindRefusedForm(*emitter.updaters[0]), nullptr);
    Blueprint written, expected;
    ASSERT_TRUE(Lon::Parse(SaveEffect(*effect), written));
    ASSERT_TRUE(Lon::Parse("{ Emitters [ { " + rules + " } ] }", expected));
    const auto rule = [](const Blueprint& tree, StringView list, uint32_t i)
    { return *FindPath(tree, FormatText("Emitters[0].{}[{}]", list, i)); };
    EXPECT_TRUE(rule(written, "Initializers", 0) == rule(expected, "Initializers", 0));
    EXPECT_TRUE(rule(written, "Initializers", 1) == rule(expected, "Initializers", 1));
    EXPECT_TRUE(rule(written, "Generators", 0) == rule(expected, "Generators", 0));
    ASSERT_EQ(log.messages.size(), 4u);
    EXPECT_EQ(log.messages[2], R"(Test.lte: Emitters[0].Initializers[1] holds "AngleSet", which was not taken: a )"
                               "rule object was expected");
}

TEST(LteFormat, TextThatIsNotLonLeavesTheEffectAsItWas)
{
    auto effect = OneEmitter("Lifetime = 3.0");
    const uint32_t version = effect->version;
    LteFormat format(nullptr, TypeIndex<EffectData>(), "lte");
    for (const char* text : {"{ Emitters [ { Lifetime = 3.0 }", "", "{ Emitters : [] }"})
    {
        EXPECT_FALSE(format.Read(Blueprint(), *effect));
        format.Load("Broken.lte", StringView::FromCString(text), *effect);
        ASSERT_EQ(effect->emitters.size(), 1u) << text;
        EXPECT_EQ(effect->emitters[0]->duration, 3.0f);
        EXPECT_EQ(effect->version, version);
        // Nothing may be saved over it, and the report says where the text failed.
        EXPECT_FALSE(effect->record.report.IsParsed());
        EXPECT_NE(effect->record.report.Describe().find("the text is not LON: line 1, column "), std::string::npos)
            << effect->record.report.Describe();
    }
}

// Numbers read as written, in members the effect knows and in those it does not: an untouched Save
// writes each back as the same value. A token the tree cannot hold as written is named with its path
// and keeps Save refused.
TEST(LteFormat, NumbersReadAsWrittenAndOnesThatCannotBeAreNamed)
{
    const std::string numbers = "Small = 1e-5 Large = 2E3 Oct = -010 Dec = 010 Bottom = 3.4028235e38";
    auto effect = ParseEffect("{ " + numbers + " Emitters [ { Lifetime = 3.4028235e38 } ] }");
    ASSERT_TRUE(effect->record.report.IsWhole()) << effect->record.report.Describe();
    EXPECT_EQ(effect->emitters[0]->duration, std::numeric_limits<float>::max());
    Blueprint merged, expected;
    std::string refusal;
    ASSERT_TRUE(effect->record.Merge(effect->record.asRead, merged, refusal));
    ASSERT_TRUE(Lon::Parse(LonFormat::SaveBlueprint(merged), merged));
    ASSERT_TRUE(Lon::Parse(
        "{ Small = 0.00001 Large = 2000.0 Oct = -10 Dec = 10 Bottom = 340282350000000000000000000000000000000.0 }",
        expected));
    for (const std::string key : {"Small", "Large", "Oct", "Dec", "Bottom"})
        EXPECT_TRUE(*merged.GetObject().Find(StringView(key)) == *expected.GetObject().Find(StringView(key))) << key;

    LogCapture log;
    effect = ParseEffect("{ Odd = 12abc Emitters [ { Lifetime = 1e400 } ] }");
    std::vector<std::string> problems;
    for (const ReadProblem& problem : effect->record.report.GetProblems())
        problems.push_back(problem.path + " holds " + problem.value + ": " + problem.why);
    EXPECT_THAT(problems, ElementsAre("Odd holds 12abc: a number in decimal digits was expected",
                                      "Emitters[0].Lifetime holds 1e400: a number beyond a double"));
    EXPECT_EQ(log.messages.size(), 2u);
    EXPECT_FALSE(effect->record.Merge(effect->record.asRead, merged, refusal));
    EXPECT_NE(refusal.find("did not save Test.lte"), std::string::npos);
}

TEST(LteFormat, EffectsLoadThroughTheFileManagerAndReloadInPlace)
{
    TestFolder folder;
    FileManager files(folder.Root(), folder.Root(), folder.Root(), folder.Root());
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    EXPECT_NE(files.FindFormat<EffectData>("lte"), nullptr);
    ResourceTable table(&files);
    table.watch = 1;
    const std::string path = folder.Path("Assets/Smoke.lte");
    ASSERT_TRUE(File::WriteAllText(path, "{ Emitters [ { Lifetime = 2.0 } ] }"));

    EffectData* effect = table.Create<EffectData>(NameTableB().Add("LteFormatTests.Smoke"));
    ASSERT_NE(effect, nullptr);
    effect->Load("Assets/Smoke.lte");
    ASSERT_TRUE(effect->handle.IsLoaded());
    ASSERT_EQ(effect->emitters.size(), 1u);
    ParticleSystem system(effect, 1);
    const uint32_t version = effect->version;

    // The reload replaces the emitters instead of adding to them.
    ASSERT_TRUE(File::WriteAllText(path, "{ Emitters [ { Lifetime = 4.0 } {} ] }"));
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(10));
    files.PollWatches();
    ASSERT_EQ(effect->emitters.size(), 2u);
    EXPECT_EQ(effect->emitters[0]->duration, 4.0f);
    EXPECT_NE(effect->version, version);
    system.Advance(0.1f);
    EXPECT_EQ(system.emitters.size(), 2u);

    // Saved through the file manager's format, the effect reads back the same.
    const Buffer bytes = files.FindFormat<EffectData>("lte")->Save(path, *effect);
    EXPECT_EQ(bytes.View().ToString(), SaveEffect(*effect));
    EXPECT_TRUE(table.Destroy(effect->id));
}

} // namespace
} // namespace Lumvek::Testing
