// The game renderer's frame on the recording device: the commands a frame appends, in order, and the
// camera block each view binds.

#include "Source/Game/Rendering/GameRenderer.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/World/GameContext.h"
#include "Tests/LogCapture.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

std::string Name(uint32_t slot)
{
    return slot == InvalidId ? "none" : NameTableC().GetName(slot).ToString();
}

std::string Float(uint32_t bits)
{
    return FormatText("{}", GraphicsCommand::ToFloat(bits));
}

// One command as a line: its operation, then its operands, resources by name and floats as numbers.
std::string Describe(const GraphicsCommand& command)
{
    switch (static_cast<GraphicsCommandCode>(command.code))
    {
    case GraphicsCommandCode::SetColorTarget:
        return "SetColorTarget " + Name(command.op1) + " " + std::to_string(command.op2);
    case GraphicsCommandCode::SetDepthTarget:
        return "SetDepthTarget " + Name(command.op1);
    case GraphicsCommandCode::Clear:
        return "Clear " + Float(command.op1) + " " + Float(command.op2) + " " + Float(command.op3) + " " +
               Float(command.op4);
    case GraphicsCommandCode::ClearDepth:
        return "ClearDepth " + Float(command.op1) + " " + std::to_string(command.op2);
    case GraphicsCommandCode::SetMaterial:
        return "SetMaterial " + Name(command.op1);
    case GraphicsCommandCode::SetTexture:
        return "SetTexture " + Name(command.op1) + " " + std::to_string(command.op2);
    case GraphicsCommandCode::SetGeometry:
        return "SetGeometry " + Name(command.op1) + " " + std::to_string(command.op2);
    case GraphicsCommandCode::SetInstances:
        return "SetInstances " + Name(command.op1) + " " + std::to_string(command.op2);
    case GraphicsCommandCode::SetIndices:
        return "SetIndices " + Name(command.op1) + " " + std::to_string(command.op2);
    case GraphicsCommandCode::SetConstants:
        return FormatText("SetConstants {} {} {} {} {}", Name(command.op1), command.op2, command.op3, command.op4,
                          command.op5);
    case GraphicsCommandCode::SetClip:
        return "SetClip " + Float(command.op1) + " " + Float(command.op2) + " " + Float(command.op3) + " " +
               Float(command.op4);
    case GraphicsCommandCode::Draw:
        return FormatText("Draw {} {}", command.op1, command.op2);
    }
    return "?";
}

std::string Describe(const std::vector<GraphicsCommand>& commands)
{
    std::string text;
    for (const GraphicsCommand& command : commands)
        text += Describe(command) + "\n";
    return text;
}

// A renderer loaded on the recording device over the checkout's Assets, with no match behind it:
// no theme, no world, so its sub-renderers write nothing and the frame shows its own structure.
struct RendererBench
{
    RendererBench()
    {
        files.RegisterFormats();
        RegisterRuntimeFormats(files);
        renderer.Load(device, nullptr);
    }

    // count views laid out as the game lays out its local players, each looking at its own point.
    void AddViews(uint32_t count)
    {
        for (uint32_t i = 0; i < count; ++i)
        {
            CameraView& view = views[i];
            view.camera->viewRect = GetSplitScreenRectangle(i, count);
            view.camera->position = Vector2(10.0f + 3.0f * i, 5.0f - 2.0f * i);
            view.camera->viewSize = Vector2(16.0f + i, 9.0f + 0.5f * i);
            const DeviceSize size = device.GetSize();
            view.Fit(size.width, size.height);
            renderer.views.push_back(&view);
        }
    }

    std::string Frame(float dt)
    {
        device.GetCommands().clear();
        renderer.Render(device, 1.0f, dt);
        return Describe(device.GetCommands());
    }

    Testing::LogCapture log;
    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    ResourceTable table{&files};
    RecordingGraphicsDevice device{&table, 1920, 1080};
    GameContext context;
    GameRenderer renderer{context};
    std::array<CameraView, 4> views;
};

const std::string FrameSetup = "SetColorTarget GameRenderTarget 0\n"
                               "SetDepthTarget GameDepthTarget\n"
                               "Clear 0.0 1.0 1.0 1.0\n"
                               "ClearDepth 1.0 0\n";

const std::string Copy = "SetClip 0.0 0.0 -1.0 -1.0\n"
                         "SetDepthTarget none\n"
                         "SetColorTarget none 0\n"
                         "SetTexture GameRenderTarget 0\n"
                         "SetGeometry QuadVertices 0\n"
                         "SetIndices QuadIndices 0\n"
                         "SetMaterial GameTargetMaterial\n"
                         "Draw 0 0\n";

// A view's opening: its scissor, its camera block (first 16-byte unit, 4 units, slot 0, vertex stage),
// the quad, and the theme objects, whose draw is left out when the theme has none.
std::string Opening(const std::string& clip, uint32_t block)
{
    return "SetClip " + clip + "\n" + FormatText("SetConstants CameraConstants {} 4 0 1\n", block * 16) +
           "SetGeometry QuadVertices 16\n"
           "SetIndices QuadIndices 2\n"
           "SetTexture ThemeAtlas 0\n"
           "SetMaterial ThemeObjectMaterial\n"
           "SetInstances ThemeObjectInstances 84\n"
           "SetInstances none 0\n"
           "SetTexture PlatformAtlas 0\n";
}

const std::string Entities = "SetTexture WorldAtlas 0\n"
                             "SetMaterial TransformMaterial\n";

} // namespace

TEST(GameRendererFrame, DrawInAndPlayFramesOfTwoViewsShareOneTargetAndOneCopy)
{
    RendererBench bench;
    bench.AddViews(2);
    bench.renderer.drawInDuration = 3.0f;
    // The upper half of the window is view 0's: clip rectangles count from the top.
    const std::string upper = "0.0 0.0 1920.0 540.0";
    const std::string lower = "0.0 540.0 1920.0 540.0";
    EXPECT_EQ(bench.Frame(1.0f), FrameSetup + Opening(upper, 0) + Opening(lower, 1) + Copy);
    EXPECT_FLOAT_EQ(bench.renderer.time, 1.0f);

    // Time reaching the draw-in's length is play: the entities' pass follows each view's platforms.
    EXPECT_EQ(bench.Frame(2.0f), FrameSetup + Opening(upper, 0) + Entities + Opening(lower, 1) + Entities + Copy);
}

TEST(GameRendererFrame, FourViewsEachGetTheirQuarterAndTheirOwnCameraBlock)
{
    RendererBench bench;
    bench.AddViews(4);
    EXPECT_EQ(bench.Frame(0.5f), FrameSetup + Opening("0.0 0.0 960.0 540.0", 0) + Entities +
                                     Opening("960.0 0.0 960.0 540.0", 1) + Entities +
                                     Opening("0.0 540.0 960.0 540.0", 2) + Entities +
                                     Opening("960.0 540.0 960.0 540.0", 3) + Entities + Copy);
}

TEST(GameRendererFrame, WithoutAnActiveViewTheTargetIsStillClearedAndCopied)
{
    RendererBench bench;
    EXPECT_EQ(bench.Frame(0.1f), FrameSetup + Copy);
    bench.AddViews(2);
    bench.views[0].active = 0;
    bench.views[1].active = 0;
    EXPECT_EQ(bench.Frame(0.1f), FrameSetup + Copy);
    // Nothing but the clear and the copy is left for the device to do.
    bench.device.Render();
    EXPECT_TRUE(bench.device.GetCommands().empty());
}

TEST(GameRendererFrame, ComposeDrawsExactlyTheRangesTheViewWrote)
{
    RendererBench bench;
    bench.AddViews(1);
    EntityRenderer& entities = bench.renderer.entityRenderer;
    struct Case
    {
        const char* name;
        float time;
        float drawIn;
        RenderRange platforms;
        RenderRange effects;
        uint32_t indicatorCount;
        std::string expected;
    };
    const std::string opening = Opening("0.0 0.0 1920.0 1080.0", 0);
    const Case cases[] = {
        {"outlines while drawing in",
         1.0f,
         3.0f,
         {4, 8},
         {2, 5},
         3,
         opening + "SetMaterial PositionDrawMaterial\nSetInstances PlatformInstance 36\nDraw 4 8\n"},
        {"no outline while drawing in", 1.0f, 3.0f, {4, 0}, {2, 5}, 3, opening},
        {"play at the draw-in's end",
         3.0f,
         3.0f,
         {4, 8},
         {2, 5},
         3,
         opening + "SetMaterial PositionMaterial\nSetInstances PlatformInstance 36\nDraw 4 8\n" + Entities +
             "SetTexture EffectAtlas 0\nSetMaterial EffectMaterial\nSetInstances EffectInstance 88\nDraw 2 5\n"
             "SetTexture UiAtlas 0\nSetMaterial IndicatorMaterial\nSetInstances IndicatorInstances 84\nDraw 7 3\n"},
        {"play with nothing in view", 5.0f, 3.0f, {4, 0}, {2, 0}, 0, opening + Entities},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        bench.renderer.time = test.time;
        bench.renderer.drawInDuration = test.drawIn;
        entities.platforms = test.platforms;
        entities.effects = test.effects;
        bench.renderer.indicatorRenderer.indicatorFirst = 7;
        bench.renderer.indicatorRenderer.indicatorCount = test.indicatorCount;
        bench.device.GetCommands().clear();
        RenderBuffers::Empty(*bench.renderer.cameraConstants, static_cast<uint32_t>(GeometryDataType::ConstantData));
        bench.renderer.Compose(bench.device, bench.views[0]);
        EXPECT_EQ(Describe(bench.device.GetCommands()), test.expected);
    }
}

TEST(GameRendererFrame, EachViewsCameraCentreLandsOnTheCentreOfItsClipRectangle)
{
    for (uint32_t count = 1; count <= 4; ++count)
    {
        RendererBench bench;
        bench.AddViews(count);
        bench.renderer.drawInDuration = 0.0f;
        bench.Frame(0.0f);
        const std::vector<GraphicsCommand>& commands = bench.device.GetCommands();
        const Geometry& constants = *bench.renderer.cameraConstants;
        uint32_t view = 0;
        Rectangle clip;
        for (const GraphicsCommand& command : commands)
        {
            if (command.code == uint32_t(GraphicsCommandCode::SetClip) && view < count)
                clip = {GraphicsCommand::ToFloat(command.op1), GraphicsCommand::ToFloat(command.op2),
                        GraphicsCommand::ToFloat(command.op3), GraphicsCommand::ToFloat(command.op4)};
            if (command.code != uint32_t(GraphicsCommandCode::SetConstants))
                continue;
            SCOPED_TRACE(FormatText("view {} of {}", view, count));
            ASSERT_LE((command.op2 + 4) * 16, constants.data.Size());
            float m[16];
            std::memcpy(m, constants.data.Data() + command.op2 * 16, sizeof(m));
            const Camera& camera = *bench.views[view].camera;
            // A world point through the row-major matrix, then from clip space to the target's pixels,
            // counted from the top.
            const auto pixel = [&](Vector2 world)
            {
                const float x = world.x * m[0] + world.y * m[4] + m[12];
                const float y = world.x * m[1] + world.y * m[5] + m[13];
                const float w = world.x * m[3] + world.y * m[7] + m[15];
                return Vector2((x / w + 1.0f) * 0.5f * 1920.0f, (1.0f - y / w) * 0.5f * 1080.0f);
            };
            const Vector2 centre = pixel(camera.position);
            EXPECT_NEAR(centre.x, clip.x + clip.width * 0.5f, 1e-2f);
            EXPECT_NEAR(centre.y, clip.y + clip.height * 0.5f, 1e-2f);
            // The visible world spans the rectangle exactly: its upper right corner is the clip's.
            const Vector2 corner = pixel(camera.position + camera.viewSize * 0.5f);
            EXPECT_NEAR(corner.x, clip.x + clip.width, 1e-2f);
            EXPECT_NEAR(corner.y, clip.y, 1e-2f);
            ++view;
        }
        EXPECT_EQ(view, count);
    }
}

TEST(GameRendererLoad, MakesItsTargetsAndAtlasesAndUnloadGivesEverySlotBack)
{
    RendererBench bench;
    const GameRenderer& renderer = bench.renderer;
    Texture* target = bench.device.GetTexture(renderer.gameRenderTarget);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->width, 1920u);
    EXPECT_EQ(target->format, TextureFormat::ColorTarget4x8);
    Texture* depth = bench.device.GetTexture(renderer.gameDepthTarget);
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(depth->format, TextureFormat::DepthStencilTarget24_8);
    EXPECT_EQ(depth->pixels.Size(), 0u);
    struct Atlas
    {
        Texture* texture;
        uint32_t side;
    };
    for (const Atlas& atlas : {Atlas{renderer.themeAtlas, 4096}, Atlas{renderer.worldAtlas, 2048},
                               Atlas{renderer.drawAtlas, 2048}, Atlas{renderer.platformAtlas, 1024}})
    {
        ASSERT_NE(atlas.texture, nullptr);
        EXPECT_EQ(atlas.texture->width, atlas.side);
        EXPECT_EQ(atlas.texture->height, atlas.side);
    }
    // The platform atlas and the particles are drawn small: the device builds their mipmaps.
    EXPECT_EQ(renderer.platformAtlas->mipmaps, 1);
    ASSERT_NE(renderer.effectAtlas, nullptr);
    EXPECT_EQ(renderer.effectAtlas->mipmaps, 1);
    EXPECT_EQ(renderer.worldAtlas->mipmaps, 0);
    EXPECT_NE(renderer.themeAtlas->FindRegion<TextureAtlasRegion>(InvalidId), nullptr);

    const int before = bench.device.liveHandles;
    EXPECT_GT(before, 0);
    bench.renderer.Unload(bench.device);
    // Only the unit quad the screens share stays.
    EXPECT_EQ(bench.device.liveHandles, 2);
    EXPECT_NE(bench.device.GetSlotCount(), 0u);
    EXPECT_EQ(bench.device.GetTexture(GraphicsResources::WorldAtlas), nullptr);
    // The next match's renderer makes them again in the same slots.
    GameRenderer next(bench.context);
    next.Load(bench.device, nullptr);
    EXPECT_EQ(bench.device.liveHandles, before);
    next.Unload(bench.device);
}

TEST(CameraViewFit, AWindowOfNoPixelsLeavesTheViewsAspectAndProjectionAsTheyWere)
{
    CameraView view;
    view.camera->viewRect = GetSplitScreenRectangle(1, 2);
    view.Fit(1920, 1080);
    EXPECT_TRUE(view.dirty);
    EXPECT_EQ(view.Viewport(), (Rectangle{0.0f, 0.0f, 1920.0f, 540.0f}));
    EXPECT_FLOAT_EQ(view.Aspect(), 0.28125f);
    const Matrix4x4 projection = view.camera->baseTransform;
    view.Fit(1920, 1080);
    EXPECT_FALSE(view.dirty);
    view.Fit(0, 0);
    EXPECT_TRUE(view.dirty);
    EXPECT_FLOAT_EQ(view.Aspect(), 0.28125f);
    EXPECT_EQ(view.camera->baseTransform, projection);
}
