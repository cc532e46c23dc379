// The resources tab and the resource windows over resources made in the test application's table.

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Tools/Editors/ResourcesEditor.h"
#include "Source/Tools/Inspectors/ResourceInspectors.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

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

// A device whose instances play until the test ends them.
struct PlayingDevice : Lumvek::Testing::RecordingAudioDevice
{
    using RecordingAudioDevice::RecordingAudioDevice;
    bool IsPlaying(uint32_t) const override { return playing; }
    bool playing = true;
};

struct SoundApplication : ToolsTesting::ToolsApplication
{
    SoundApplication()
    {
        audioDevice = std::make_unique<PlayingDevice>(&GetResources(), calls);
        device = static_cast<PlayingDevice*>(audioDevice.get());
    }
    Lumvek::Testing::DeviceCalls calls;
    PlayingDevice* device = nullptr;
};

TEST(ResourceInspectors, ASoundPlaysOnceUntilItEndsAndStopsWithItsWindow)
{
    SoundApplication app;
    Lumvek::Sound sound;
    sound.id = 7;
    sound.format = {2, 44100, 16};
    sound.volume = 0.5f;
    sound.mixer = 9;
    auto inspector = std::make_unique<SoundInspector>(sound);
    EXPECT_EQ(inspector->DescribeFormat(), "2 channels comprising 16 bits at 44100 hertz");
    EXPECT_EQ(inspector->DescribePlayback(), "Plays once at volume 0.5 on the 9 channel");
    struct Step
    {
        void (SoundInspector::*action)();
        bool playing;
        std::vector<std::string> calls;
    };
    const Step steps[] = {
        {&SoundInspector::Play, true, {"Play 7"}},
        // A second press while it plays starts nothing.
        {&SoundInspector::Play, true, {"Play 7"}},
        {&SoundInspector::Stop, false, {"Play 7", "Stop 0"}},
        {&SoundInspector::Play, true, {"Play 7", "Stop 0", "Play 7"}},
    };
    for (const Step& step : steps)
    {
        app.device->playing = true;
        ((*inspector).*step.action)();
        EXPECT_EQ(inspector->IsPlaying(), step.playing);
        EXPECT_EQ(app.calls.calls, step.calls);
    }
    // The instance ends by itself: the button offers "Play" again.
    app.device->playing = false;
    EXPECT_FALSE(inspector->IsPlaying());
    app.device->playing = true;
    inspector.reset();
    EXPECT_EQ(app.calls.calls.back(), "Stop 1");
}

} // namespace
