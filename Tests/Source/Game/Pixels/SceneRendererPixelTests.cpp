// A scene of the shipped "Meadow" theme drawn by the whole game renderer, its passes included, through
// the OpenGL device on llvmpipe with the game's shaders: two views after the draw-in and halfway
// through it. The pictures are kept under the build folder.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/MapNames.h"
#include "Source/World/World.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <thread>

using namespace Lumvek;
using Testing::Image;
using Testing::Rgba;

// A namespace of its own: the program compiles its files in batches.
namespace SceneRendererPixelTests
{

namespace
{

constexpr uint32_t Width = 480;
constexpr uint32_t Height = 270;

struct Block
{
    float x, y, width, height;
};
// A solid block, a one-way ledge, and a tall solid block that the upper view's bottom edge cuts.
const Block Blocks[] = {{2.0f, 2.0f, 6.0f, 2.0f}, {10.0f, 4.0f, 4.0f, 1.0f}, {16.0f, -2.0f, 3.0f, 8.0f}};

constexpr std::string_view SceneMap = R"({
    "WorldBounds": "0 -10 40 30",
    "Entities": {
        "Platforms": [
            {"Position": "2 2", "Size": "6 2"},
            {"Position": "10 4", "Size": "4 1", "OneWay": true},
            {"Position": "16 -2", "Size": "3 8"}
        ]
    }
})";

bool Same(const Rgba& a, const Rgba& b, int tolerance = 6)
{
    for (int i = 0; i < 3; ++i)
        if (std::abs(int(a[i]) - int(b[i])) > tolerance)
            return false;
    return true;
}

class SceneRendererPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("ScenePixelTests", 0, 0, Width, Height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        device = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&table, 1.0f, 1);
        std::thread([&] { device->SetWindow(window, Width, Height, 1.0f); }).join();
        ASSERT_TRUE(device->MakeReady());
        files.RegisterFormats();
        RegisterRuntimeFormats(files);
        OpenGL::RegisterHlslFormat(files, *device, false);

        registry = std::make_unique<DataRegistry>(files, nullptr);
        registry->LoadAll();
        const ThemeData* meadow = registry->themes.Find("Meadow");
        ASSERT_NE(meadow, nullptr);
        context.registry = registry.get();
        context.configuration.theme = meadow->index;
        world = std::make_unique<World>(context, 7);
        context.world = world.get();
        MapNames names;
        ASSERT_TRUE(LoadMapText(*world, names, StringView(SceneMap), "PixelScene"));

        renderer = std::make_unique<GameRenderer>(context);
        renderer->Load(*device, nullptr);

        // The upper view looks at the blocks' middle, the lower one a little to the right and above.
        const Vector2 positions[2] = {{10.0f, 3.0f}, {12.0f, 4.0f}};
        for (uint32_t i = 0; i < 2; ++i)
        {
            CameraView& view = views[i];
            view.camera->viewRect = GetSplitScreenRectangle(i, 2);
            view.camera->position = positions[i];
            view.camera->viewSize = Vector2(24.0f, 6.75f);
            view.Fit(Width, Height);
            renderer->views.push_back(&view);
        }
    }

    void TearDown() override
    {
        if (renderer && device)
            renderer->Unload(*device);
        context.world = nullptr;
        renderer.reset();
        world.reset();
        device.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // One frame at the time given, as the game draws it.
    Image Draw(float time, const std::string& name)
    {
        renderer->drawInDuration = 2.0f;
        renderer->time = time;
        renderer->Render(*device, 1.0f, 0.0f);
        device->Render();
        Image image;
        EXPECT_TRUE(device->ReadPixels(nullptr, image.rgba, image.width, image.height));
        const std::filesystem::path folder = std::filesystem::path(Testing::BinaryFolder()) / "GamePixelTests";
        std::filesystem::create_directories(folder);
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = image.width;
        png.height = image.height;
        png.format = PNG_FORMAT_RGBA;
        const std::string path = (folder / (name + ".png")).string();
        EXPECT_NE(png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr), 0) << path;
        return image;
    }

    // The pixels inside the block's rectangle in one view, away from its edges by margin world units
    // and clipped to the view, from the top left of the window.
    template <class Visit> void ForInside(const CameraView& view, const Block& block, float margin, Visit&& visit)
    {
        const Rectangle& area = view.Viewport();
        const Vector2 centre = view.Position();
        const Vector2 extent = view.Extent();
        const float scale = area.width / extent.x;
        const float viewTop = Height - area.y - area.height;
        const auto column = [&](float x) { return area.x + (x - centre.x + extent.x / 2) * scale; };
        const auto row = [&](float y) { return viewTop + (centre.y + extent.y / 2 - y) * scale; };
        const int left = std::max(int(column(block.x + margin)), int(area.x));
        const int right = std::min(int(column(block.x + block.width - margin)), int(area.x + area.width) - 1);
        const int top = std::max(int(row(block.y + block.height - margin)), int(viewTop));
        const int bottom = std::min(int(row(block.y + margin)), int(viewTop + area.height) - 1);
        for (int y = top; y <= bottom; y += 2)
            for (int x = left; x <= right; x += 2)
                visit(x, y);
    }

    SDL_Window* window = nullptr;
    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    ResourceTable table{&files};
    std::unique_ptr<OpenGL::OpenGLGraphicsDevice> device;
    std::unique_ptr<DataRegistry> registry;
    GameContext context;
    std::unique_ptr<World> world;
    std::unique_ptr<GameRenderer> renderer;
    std::array<CameraView, 2> views;
};

} // namespace

TEST_F(SceneRendererPixels, TilesCoverEachPlatformInBothViewsOnlyAfterTheDrawInAndEachViewKeepsToItsHalf)
{
    const Image drawingIn = Draw(1.0f, "SceneDrawingIn");
    const Image playing = Draw(2.0f, "ScenePlaying");

    // Inside every block, in both views, the tiles cover what the draw-in showed there.
    for (uint32_t v = 0; v < 2; ++v)
        for (const Block& block : Blocks)
        {
            uint32_t inside = 0;
            uint32_t covered = 0;
            ForInside(views[v], block, 0.4f,
                      [&](int x, int y)
                      {
                          ++inside;
                          covered += Same(playing.At(x, y), drawingIn.At(x, y)) ? 0 : 1;
                      });
            ASSERT_GT(inside, 10u) << "view " << v;
            EXPECT_GT(covered, inside * 9 / 10) << "view " << v << " block at " << block.x << ", " << block.y;
        }

    // Halfway through the draw-in the outlines are part drawn in ink: dark pixels along the blocks' edges.
    uint32_t ink = 0;
    for (uint32_t y = 0; y < drawingIn.height; ++y)
        for (uint32_t x = 0; x < drawingIn.width; ++x)
        {
            const Rgba pixel = drawingIn.At(x, y);
            ink += pixel[0] < 110 && pixel[1] < 110 && pixel[2] < 110 ? 1 : 0;
        }
    EXPECT_GT(ink, 40u);

    // The lower half is exactly what the lower view draws alone: the tall block the upper view cuts
    // leaves nothing below its edge.
    renderer->views = {&views[1]};
    const Image lowerAlone = Draw(2.0f, "SceneLowerViewAlone");
    uint32_t differing = 0;
    for (uint32_t y = Height / 2; y < Height; ++y)
        for (uint32_t x = 0; x < Width; ++x)
            differing += Same(playing.At(x, y), lowerAlone.At(x, y), 0) ? 0 : 1;
    EXPECT_EQ(differing, 0u);
}

} // namespace SceneRendererPixelTests
