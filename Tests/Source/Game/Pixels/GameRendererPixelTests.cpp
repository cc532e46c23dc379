// The game renderer's frame drawn by the OpenGL device on llvmpipe with the game's own shaders: two
// views of the same platforms in one shared target, copied to the back buffer. The pictures are kept
// under the build folder.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/World/GameContext.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

using namespace Lumvek;
using Testing::Image;
using Testing::Near;
using Testing::Rgba;

namespace
{

constexpr uint32_t Width = 320;
constexpr uint32_t Height = 180;
const Rgba Tile{30, 160, 60, 255};
const Rgba Ink{0x41, 0x40, 0x42, 255};
// The shared target's clear colour, as the back buffer shows it.
const Rgba Cleared{0, 255, 255, 255};

// A platform atlas cell of tile colour, and the outline's nine-slice image drawn where the renderer
// keeps it: a 48-pixel square with an ink border of 12 pixels around a clear middle.
constexpr uint32_t TileX = 100;
constexpr uint32_t TileY = 100;
constexpr uint32_t TileSide = 32;
constexpr uint32_t OutlineSide = 48;

struct Block
{
    float x, y, width, height;
};
// In world units; the second reaches below the upper view's bottom edge.
const Block Platforms[] = {{-3.0f, -1.0f, 4.0f, 1.0f}, {2.0f, -3.0f, 2.0f, 2.5f}};

class GameRendererPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("GamePixelTests", 0, 0, Width, Height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        device = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&table, 1.0f, 1);
        std::thread([&] { device->SetWindow(window, Width, Height, 1.0f); }).join();
        ASSERT_TRUE(device->MakeReady());
        files.RegisterFormats();
        RegisterRuntimeFormats(files);
        OpenGL::RegisterHlslFormat(files, *device, false);

        renderer = std::make_unique<GameRenderer>(context);
        renderer->Load(*device, nullptr);
        PaintPlatformAtlas();

        // Two local players' halves of the window, looking at different points.
        const Vector2 positions[2] = {{0.0f, 0.0f}, {1.0f, -1.5f}};
        for (uint32_t i = 0; i < 2; ++i)
        {
            CameraView& view = views[i];
            view.camera->viewRect = GetSplitScreenRectangle(i, 2);
            view.camera->position = positions[i];
            view.camera->viewSize = Vector2(16.0f, 4.5f);
            view.Fit(Width, Height);
            renderer->views.push_back(&view);
        }
    }

    void TearDown() override
    {
        if (renderer && device)
            renderer->Unload(*device);
        renderer.reset();
        device.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void PaintPlatformAtlas()
    {
        Texture& atlas = *renderer->platformAtlas;
        const auto paint = [&](uint32_t x, uint32_t y, const Rgba& colour)
        { std::memcpy(atlas.pixels.Data() + (size_t(y) * atlas.width + x) * 4, colour.data(), 4); };
        // Extruded by four pixels, as the theme's pieces are, so that filtering at the cell's edge
        // does not reach its clear neighbours.
        for (uint32_t y = TileY - 4; y < TileY + TileSide + 4; ++y)
            for (uint32_t x = TileX - 4; x < TileX + TileSide + 4; ++x)
                paint(x, y, Tile);
        // The committed outline image may be missing or look otherwise: the test paints its own.
        auto* outline = atlas.FindRegion<TextureNineSliceRegion>(Images::PlatformDraw);
        ASSERT_NE(outline, nullptr);
        ASSERT_TRUE(outline->SetSize(OutlineSide, OutlineSide));
        for (uint32_t y = 0; y < OutlineSide; ++y)
            for (uint32_t x = 0; x < OutlineSide; ++x)
            {
                const bool border = x < 12 || y < 12 || x >= OutlineSide - 12 || y >= OutlineSide - 12;
                paint(GameRenderer::PlatformDrawX + x, GameRenderer::PlatformDrawY + y,
                      border ? Ink : Rgba{0, 0, 0, 0});
            }
        atlas.FinishChanges();
    }

    // What the platform pass writes for one view: each platform's tile, or its eight outline pieces
    // at the draw-in's progress.
    void WritePlatforms(bool outlines)
    {
        Geometry& buffer = *renderer->entityRenderer.platformInstances;
        const uint32_t first = RenderBuffers::CountRecords(buffer, PositionInstanceSize);
        std::vector<std::array<float, 9>> records;
        const float tw = static_cast<float>(renderer->platformAtlas->width);
        const float th = static_cast<float>(renderer->platformAtlas->height);
        for (const Block& p : Platforms)
        {
            if (!outlines)
            {
                records.push_back(
                    {p.x, p.y, p.width, p.height, TileX / tw, TileY / th, TileSide / tw, TileSide / th, 80.0f});
                continue;
            }
            // Corners, bottom and top edges, left and right edges; each samples its border cell.
            const float b = 0.25f;
            const float u0 = GameRenderer::PlatformDrawX / tw;
            const float v0 = GameRenderer::PlatformDrawY / th;
            const float cw = 12.0f / tw;
            const float ch = 12.0f / th;
            const float mw = (OutlineSide - 24.0f) / tw;
            const float mh = (OutlineSide - 24.0f) / th;
            const float progress = renderer->DrawInProgress();
            const float right = p.x + p.width - b;
            const float top = p.y + p.height - b;
            const float far = u0 + cw + mw;
            const float low = v0 + ch + mh;
            records.push_back({p.x, p.y, b, b, u0, low, cw, ch, progress});
            records.push_back({right, p.y, b, b, far, low, cw, ch, progress});
            records.push_back({p.x, top, b, b, u0, v0, cw, ch, progress});
            records.push_back({right, top, b, b, far, v0, cw, ch, progress});
            records.push_back({p.x + b, p.y, p.width - 2 * b, b, u0 + cw, low, mw, ch, progress});
            records.push_back({p.x + b, top, p.width - 2 * b, b, u0 + cw, v0, mw, ch, progress});
            records.push_back({p.x, p.y + b, b, p.height - 2 * b, u0, v0 + ch, cw, mh, progress});
            records.push_back({right, p.y + b, b, p.height - 2 * b, far, v0 + ch, cw, mh, progress});
        }
        const GraphicsBufferRange range =
            GraphicsBuffer::Allocate(buffer, PositionInstanceSize, static_cast<uint32_t>(records.size()));
        ASSERT_NE(range.bytes, nullptr);
        std::memcpy(range.bytes, records.data(), range.byteSize);
        renderer->entityRenderer.platforms = {first, static_cast<uint32_t>(records.size())};
    }

    Image Draw(const std::string& name)
    {
        renderer->BeginFrame(*device, 0.0f);
        for (CameraView* view : renderer->views)
        {
            WritePlatforms(renderer->IsDrawingIn());
            renderer->Compose(*device, *view);
        }
        renderer->EndFrame(*device);
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

    // The platform's rectangle in one view, in window pixels from the top left, shrunk by a pixel on
    // every side for the rasteriser's edges.
    struct Box
    {
        int left, top, right, bottom;
    };
    Box Project(const CameraView& view, const Block& p) const
    {
        const Rectangle& area = view.Viewport();
        const Vector2 centre = view.Position();
        const Vector2 extent = view.Extent();
        const float scaleX = area.width / extent.x;
        const float scaleY = area.height / extent.y;
        const float viewTop = Height - area.y - area.height;
        const float left = area.x + (p.x - centre.x + extent.x / 2) * scaleX;
        const float right = area.x + (p.x + p.width - centre.x + extent.x / 2) * scaleX;
        const float top = viewTop + (centre.y + extent.y / 2 - (p.y + p.height)) * scaleY;
        const float bottom = viewTop + (centre.y + extent.y / 2 - p.y) * scaleY;
        // Clipped to the view's own rectangle.
        return {std::max(int(left) + 1, int(area.x)), std::max(int(top) + 1, int(viewTop)),
                std::min(int(right) - 1, int(area.x + area.width) - 1),
                std::min(int(bottom) - 1, int(viewTop + area.height) - 1)};
    }

    SDL_Window* window = nullptr;
    FileManager files{Testing::SourceFolder(), Testing::SourceFolder(), Testing::SourceFolder(),
                      Testing::SourceFolder()};
    ResourceTable table{&files};
    std::unique_ptr<OpenGL::OpenGLGraphicsDevice> device;
    GameContext context;
    std::unique_ptr<GameRenderer> renderer;
    std::array<CameraView, 2> views;
};

} // namespace

TEST_F(GameRendererPixels, AfterTheDrawInBothViewsShowTheTilesInsideTheirRectanglesClippedToTheirHalves)
{
    renderer->drawInDuration = 1.0f;
    renderer->time = 1.0f;
    const Image image = Draw("TwoViewsPlaying");
    ASSERT_EQ(image.width, Width);
    ASSERT_EQ(image.height, Height);
    for (uint32_t v = 0; v < 2; ++v)
        for (const Block& platform : Platforms)
        {
            const Box box = Project(views[v], platform);
            for (int y = box.top; y <= box.bottom; y += 2)
                for (int x = box.left; x <= box.right; x += 3)
                    ASSERT_TRUE(Near(image.At(x, y), Tile, 8)) << "view " << v << " at " << x << ", " << y;
        }
    // The second platform reaches below the upper view: its last row is tile, the lower view's first
    // row beneath it shows what the lower view sees there, the clear colour.
    const Box below = Project(views[0], Platforms[1]);
    const int x = (below.left + below.right) / 2;
    EXPECT_TRUE(Near(image.At(x, Height / 2 - 1), Tile, 8));
    EXPECT_TRUE(Near(image.At(x, Height / 2), Cleared, 8));
    // Around the platforms the target's clear colour shows.
    EXPECT_TRUE(Near(image.At(2, 2), Cleared, 8));
}

TEST_F(GameRendererPixels, HalfwayThroughTheDrawInOnlyOutlineInkShows)
{
    renderer->drawInDuration = 2.0f;
    renderer->time = 1.0f;
    const Image image = Draw("TwoViewsDrawingIn");
    uint32_t ink = 0;
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x)
        {
            const Rgba pixel = image.At(x, y);
            ASSERT_FALSE(Near(pixel, Tile, 40)) << "tile colour at " << x << ", " << y;
            ink += Near(pixel, Ink, 40) ? 1 : 0;
        }
    EXPECT_GT(ink, 20u);
}
