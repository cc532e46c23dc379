// The cost of the engine's frame path (a DrawList of small draws batched, submitted as commands and
// replayed on the OpenGL device) against the same draws issued straight to GL, in one run: the
// engine's nanoseconds per draw over raw GL's, and the ratio of the two.
// Runs headless on SDL's offscreen driver unless another video driver is asked for, and on Mesa's
// no-op wrapper (GALLIUM_NOOP), which takes every call and draws nothing: on llvmpipe the driver's
// own work per call would otherwise swamp the engine's and make the figures unstable. Run with
// GALLIUM_NOOP=0 to time the frame on the real driver.
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace Lumvek;

namespace
{

constexpr uint32_t DrawCount = 10000;

constexpr std::string_view Shader = R"(
Texture2D image : register(t0);
SamplerState imageSampler : register(s0);
struct VertexInput { float2 position : POSITION; float4 color : COLOR; };
struct PixelInput { float4 position : SV_POSITION; float4 color : COLOR; };
PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 0.5, 1);
    output.color = input.color;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET { return image.Sample(imageSampler, float2(0.5, 0.5)) * input.color; }
)";

struct Vertex
{
    float x, y;
    uint8_t color[4];
};

// A device on a hidden window with one material, DrawCount small quads and two textures that
// alternate from draw to draw, so that no two neighbouring draws can be merged.
class Scene
{
public:
    Scene()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("GALLIUM_NOOP", "1", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return;
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("GraphicsFrame", 0, 0, 256, 192, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window)
            return;
        device = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&table, 1.0f, 1);
        device->SetWindow(window, 256, 192, 1.0f);
        if (!device->MakeReady())
            return;

        material = device->CreateMaterial(NameTableC().Add("GraphicsFrame.Material"));
        HlslFormat(nullptr, TypeIndex<Material>(), "hlsl").Load("GraphicsFrame.hlsl", Shader, *material);
        material->AddVertexInput("Position", VertexElementFormat::Float2, VertexSemantic::Position, 0);
        material->AddVertexInput("Color", VertexElementFormat::Color, VertexSemantic::Color, 0);
        material->SetSampler({SamplerFilter::Point, SamplerAddress::Clamp, SamplerAddress::Clamp});
        material->FinishChanges();

        quads = device->CreateGeometry(NameTableC().Add("GraphicsFrame.Quads"), 0, 0);
        quads->dataType = GeometryDataType::TriangleList;
        GraphicsBufferRange range = GraphicsBuffer::Allocate(*quads, sizeof(Vertex), DrawCount * 6);
        auto* vertices = reinterpret_cast<Vertex*>(range.bytes);
        for (uint32_t i = 0; i < DrawCount; ++i)
        {
            const float x = -1.0f + 0.02f * float(i % 100);
            const float y = -1.0f + 0.02f * float(i / 100);
            const float d = 0.015f;
            const Vertex corners[6] = {{x, y + d, {255, 255, 255, 255}}, {x + d, y + d, {255, 0, 0, 255}},
                                       {x, y, {0, 255, 0, 255}},         {x + d, y + d, {255, 0, 0, 255}},
                                       {x + d, y, {0, 0, 255, 255}},     {x, y, {0, 255, 0, 255}}};
            std::memcpy(vertices + size_t(i) * 6, corners, sizeof corners);
        }

        for (uint32_t t = 0; t < 2; ++t)
        {
            textures[t] = device->CreateTexture(NameTableC().Add("GraphicsFrame.Texture" + std::to_string(t)), 0);
            textures[t]->SetSize(4, 4, TextureFormat::ColorBuffer4x8);
            std::memset(textures[t]->pixels.Data(), t ? 255 : 128, textures[t]->pixels.Size());
            textures[t]->FinishChanges();
        }
        // One frame through the device makes every object and leaves GL in the state of the draws.
        Submit();
        device->Render();
        ready = true;
    }

    ~Scene()
    {
        device.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // What a renderer does each frame: fill the list, batch it, submit it to the queue.
    void Submit()
    {
        list.Reset();
        for (uint32_t i = 0; i < DrawCount; ++i)
        {
            DrawCommand& next = list.Template();
            next.material = material->deviceSlot;
            next.geometry = quads->deviceSlot;
            next.textures[0] = textures[i % 2]->deviceSlot;
            list.Draw(i * 6, 6, 0.0f);
        }
        if (list.Batch())
            list.Submit(*device);
    }

    // The engine's path for one frame, up to the last GL call; presenting is left out of both.
    void EngineFrame()
    {
        Submit();
        auto lock = device->Lock();
        device->UploadChangedResources();
        device->BeginFrame();
        device->ExecuteCommands();
        device->GetCommands().clear();
    }

    // The same draws made with GL calls alone, on the state the engine's frame left.
    void DirectFrame()
    {
        const OpenGL::GlFunctions& gl = device->Functions();
        const GLuint names[2] = {TextureName(0), TextureName(1)};
        gl.UseProgram(static_cast<OpenGL::OpenGLMaterialHandle&>(*Handle(material)).program);
        gl.ActiveTexture(GL_TEXTURE0);
        for (uint32_t i = 0; i < DrawCount; ++i)
        {
            gl.BindTexture(GL_TEXTURE_2D, names[i % 2]);
            gl.DrawArrays(GL_TRIANGLES, static_cast<GLint>(i * 6), 6);
        }
    }

    // Waits for the drawing, outside the timed part, so each path is timed from an idle GL.
    void Finish() { device->Functions().Finish(); }

    bool ready = false;

private:
    GraphicsResourceHandle* Handle(const GraphicsResource* resource) { return device->GetHandle(resource->deviceSlot); }
    GLuint TextureName(uint32_t t) { return static_cast<OpenGL::OpenGLTextureHandle&>(*Handle(textures[t])).texture; }

    SDL_Window* window = nullptr;
    ResourceTable table;
    std::unique_ptr<OpenGL::OpenGLGraphicsDevice> device;
    Material* material = nullptr;
    Geometry* quads = nullptr;
    Texture* textures[2] = {nullptr, nullptr};
    DrawList list;
};

// Both paths take turns within each iteration, so the ratio compares like with like. Each is timed
// from an idle GL to its last call: the CPU cost of getting the frame to the driver.
void FrameOfSmallDrawsAgainstDirectGl(benchmark::State& state)
{
    Scene scene;
    if (!scene.ready)
    {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    double engineSeconds = 0;
    double directSeconds = 0;
    for (auto _ : state)
    {
        const auto engineStart = std::chrono::steady_clock::now();
        scene.EngineFrame();
        const auto engineEnd = std::chrono::steady_clock::now();
        scene.Finish();
        const auto directStart = std::chrono::steady_clock::now();
        scene.DirectFrame();
        const auto directEnd = std::chrono::steady_clock::now();
        scene.Finish();
        const double engine = std::chrono::duration<double>(engineEnd - engineStart).count();
        engineSeconds += engine;
        directSeconds += std::chrono::duration<double>(directEnd - directStart).count();
        state.SetIterationTime(engine);
    }
    const double draws = double(DrawCount) * double(state.iterations());
    state.counters["draws"] = DrawCount;
    state.counters["noop_driver"] = std::getenv("GALLIUM_NOOP") && std::strcmp(std::getenv("GALLIUM_NOOP"), "0") != 0;
    state.counters["direct_ms"] = benchmark::Counter(directSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["engine_ns_per_draw"] = engineSeconds * 1e9 / draws;
    state.counters["direct_ns_per_draw"] = directSeconds * 1e9 / draws;
    // What the engine adds to each draw beyond the GL calls themselves.
    state.counters["engine_extra_ns_per_draw"] = (engineSeconds - directSeconds) * 1e9 / draws;
    state.counters["engine_over_direct"] = directSeconds > 0 ? engineSeconds / directSeconds : 0;
}

// Enough frames that a run on llvmpipe settles too.
BENCHMARK(FrameOfSmallDrawsAgainstDirectGl)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

} // namespace
