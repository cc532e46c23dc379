// The resources tab and the resource windows over resources made in the test application's table.

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Engine/Runtime/Particles/ParticleUpdaters.h"
#include "Source/Tools/Editors/ResourcesEditor.h"
#include "Source/Tools/Inspectors/ResourceInspectors.h"
#include "Source/Tools/Inspectors/TimelineInspectors.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using Lumvek::InvalidId;
using Lumvek::Texture;

Texture& MakeTexture(ToolsTesting::ToolsApplication& app, const char* name)
{
    Texture* texture =
        app.GetResources().Create<Texture>(Lumvek::NameTableB().Add(Lumvek::StringView::FromCString(name)));
    EXPECT_NE(texture, nullptr) << name;
    return *texture;
}

TEST(ResourcesEditor, ListsByNameAndOpensEachTextureOnce)
{
    ToolsTesting::ToolsApplication app;
    for (const char* name : {"ResourcesTest_b", "ResourcesTest_a", "ResourcesTest_ab", "ResourcesTest_B"})
        MakeTexture(app, name);
    std::vector<std::string> listed;
    for (const auto& [name, texture] : ResourcesEditor::Collect<Texture>())
        if (name.starts_with("ResourcesTest_"))
            listed.push_back(name);
    EXPECT_EQ(listed,
              (std::vector<std::string>{"ResourcesTest_B", "ResourcesTest_a", "ResourcesTest_ab", "ResourcesTest_b"}));

    Texture& a = *ResourcesEditor::Collect<Texture>()[1].second;
    EXPECT_TRUE(ResourcesEditor::Open("ResourcesTest_a", a));
    app.Frame();
    EXPECT_FALSE(ResourcesEditor::Open("ResourcesTest_a", a));
    app.Frame();
    EXPECT_EQ(app.tools->GetInspectors().size(), 1u);
    // The panel itself draws with every header.
    app.tools->FindEditor("Resources")->open = 1;
    app.Frame();
}

TEST(ResourceInspectors, RegionTreeAndGeometryTypes)
{
    ToolsTesting::ToolsApplication app;
    struct Case
    {
        bool whole;
        std::vector<uint32_t> top;
    };
    const uint32_t first = Lumvek::NameTableA().Add(Lumvek::StringView::FromCString("ResourcesTest_First"));
    const uint32_t child = Lumvek::NameTableA().Add(Lumvek::StringView::FromCString("ResourcesTest_Child"));
    for (const Case& c : {Case{false, {first}}, Case{true, {InvalidId, first}}})
    {
        Texture texture;
        ASSERT_TRUE(texture.SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
        Lumvek::TextureRegion* atlas = nullptr;
        if (c.whole)
        {
            ASSERT_NE(texture.AddRegion(InvalidId, 0, 0), nullptr);
        }
        atlas = texture.AddRegion(first, 0, 0);
        ASSERT_NE(atlas, nullptr);
        ASSERT_NE(texture.AddRegion(child, 1, 1, atlas), nullptr);
        TextureInspector inspector(texture);
        EXPECT_EQ(inspector.ChildrenOf(nullptr), c.top) << c.whole;
        EXPECT_EQ(inspector.ChildrenOf(atlas), std::vector<uint32_t>{child});
    }

    struct GeometryCase
    {
        uint32_t type;
        const char* text;
    };
    for (const GeometryCase& c : {GeometryCase{5, "16 bytes of a IndexList"}, GeometryCase{9, "16 bytes of a 9"}})
    {
        Lumvek::Geometry geometry;
        geometry.dataType = static_cast<Lumvek::GeometryDataType>(c.type);
        const uint8_t bytes[16] = {};
        geometry.data.Append(bytes, 16);
        EXPECT_EQ(GeometryInspector(geometry).Describe(), c.text);
    }
}

TEST(ResourceInspectors, WindowsCloseWithoutTouchingAResourceTheirTableUnloaded)
{
    ToolsTesting::ToolsApplication app;
    Lumvek::ResourceTable& table = app.GetResources();
    auto make = [&]<class T>(const char* name) -> T&
    {
        T* resource = table.Create<T>(Lumvek::NameTableB().Add(Lumvek::StringView::FromCString(name)));
        EXPECT_NE(resource, nullptr) << name;
        return *resource;
    };
    Texture& kept = make.operator()<Texture>("ResourcesTest_Kept");
    Texture& texture = make.operator()<Texture>("ResourcesTest_GoneTexture");
    ASSERT_TRUE(texture.SetSize(8, 8, Lumvek::TextureFormat::ColorBuffer4x8));
    ASSERT_NE(texture.AddRegion(InvalidId, 0, 0), nullptr);
    auto& effect = make.operator()<Lumvek::Effects::EffectData>("ResourcesTest_GoneEffect");
    effect.emitters.push_back(std::make_unique<Lumvek::Effects::EmitterData>());
    auto angle = std::make_unique<Lumvek::Effects::AngleTimelineUpdater>();
    Lumvek::Effects::Timeline<float>& curve = angle->timelines[0];
    effect.emitters[0]->updaters.push_back(std::move(angle));
    EXPECT_TRUE(ResourcesEditor::Open("Kept", kept));
    EXPECT_TRUE(ResourcesEditor::Open("Texture", texture));
    EXPECT_TRUE(ResourcesEditor::Open("Geometry", make.operator()<Lumvek::Geometry>("ResourcesTest_GoneGeometry")));
    EXPECT_TRUE(ResourcesEditor::Open("Sound", make.operator()<Lumvek::Sound>("ResourcesTest_GoneSound")));
    EXPECT_TRUE(ResourcesEditor::Open("Effect", effect));
    app.tools->OpenWindow("Viewer", std::make_unique<TextureViewer>(*texture.GetRegion(InvalidId)));
    app.tools->OpenWindow("Curve", std::make_unique<FloatTimelineInspector>(curve, 0.0f, 1.0f, &effect, nullptr));
    app.Frame();
    ASSERT_EQ(app.tools->GetInspectors().size(), 7u);
    for (const char* name : {"ResourcesTest_GoneTexture", "ResourcesTest_GoneGeometry", "ResourcesTest_GoneSound",
                             "ResourcesTest_GoneEffect"})
        ASSERT_TRUE(table.Destroy(Lumvek::NameTableB().Add(Lumvek::StringView::FromCString(name))));
    app.Frame();
    app.Frame();
    ASSERT_EQ(app.tools->GetInspectors().size(), 1u);
    EXPECT_EQ(app.tools->GetInspectors()[0]->name, "Kept");
}

// The application's device is OpenAL's loopback output, which plays only as far as the test renders.
struct SoundApplication : ToolsTesting::ToolsApplication
{
    SoundApplication()
    {
        audioDevice = std::make_unique<Lumvek::OpenAL::OpenALAudioDevice>(&GetResources(), false, 1.0f, 1.0f, 1.0f,
                                                                          Lumvek::OpenAL::AudioOutput::Loopback);
        device = static_cast<Lumvek::OpenAL::OpenALAudioDevice*>(audioDevice.get());
    }
    // Renders the frames, then lets the device release what has ended, as the program's frame does.
    void Render(uint32_t frames)
    {
        std::vector<int16_t> samples(size_t(frames) * 2);
        EXPECT_TRUE(device->Render(samples.data(), frames));
        device->Update();
    }
    Lumvek::OpenAL::OpenALAudioDevice* device = nullptr;
};

TEST(ResourceInspectors, ASoundPlaysOnceUntilItEndsAndStopsWithItsWindow)
{
    SoundApplication app;
    ASSERT_TRUE(app.device->IsOpen());
    constexpr uint32_t Frames = 4410;
    Lumvek::Sound sound;
    sound.soundId = Lumvek::NameSet::Global().Add("ResourcesTest.Beep");
    sound.format = {2, Lumvek::OpenAL::OpenALAudioDevice::LoopbackRate, 16};
    sound.volume = 0.5f;
    sound.mixer = 9;
    const std::string samples(size_t(Frames) * 4, '\x10');
    sound.samples.Append(samples.data(), static_cast<uint32_t>(samples.size()));
    app.device->AddSound(sound.soundId, Lumvek::AudioGroup::Sound, false);
    app.device->SetSoundData(sound);
    auto inspector = std::make_unique<SoundInspector>(sound);
    EXPECT_EQ(inspector->DescribeFormat(), "2 channels comprising 16 bits at 44100 hertz");
    EXPECT_EQ(inspector->DescribePlayback(), "Plays once at volume 0.5 on the 9 channel");

    // "Stop" is offered, and a second "Play" starts nothing, for as long as the sound lasts.
    inspector->Play();
    const uint32_t first = inspector->instance;
    app.Render(Frames / 2);
    EXPECT_TRUE(inspector->IsPlaying());
    inspector->Play();
    EXPECT_EQ(inspector->instance, first);
    app.Render(Frames / 2 + 1024);
    EXPECT_FALSE(inspector->IsPlaying());

    // "Stop" ends it at once; so does closing the window.
    inspector->Play();
    EXPECT_NE(inspector->instance, first);
    EXPECT_TRUE(inspector->IsPlaying());
    inspector->Stop();
    EXPECT_FALSE(inspector->IsPlaying());
    inspector->Play();
    const uint32_t last = inspector->instance;
    app.Render(256);
    EXPECT_TRUE(app.device->IsPlaying(last));
    inspector.reset();
    EXPECT_FALSE(app.device->IsPlaying(last));
    // Every instance gave its voice back: the pool made one.
    EXPECT_EQ(app.device->GetVoiceCount(), 1u);
}

} // namespace
