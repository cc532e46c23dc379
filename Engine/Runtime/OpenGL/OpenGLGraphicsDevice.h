#pragma once

#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/OpenGL/GlFunctions.h"
#include "Engine/Runtime/OpenGL/ShaderCompiler.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_set>
#include <vector>

struct SDL_Window;

namespace Lumvek
{
enum class TextureFormat : uint32_t;
}

namespace Lumvek::OpenGL
{

class OpenGLGraphicsDevice;

// Base of the device's handles. When one goes, the device forgets every binding to it and deletes its
// GL objects on the rendering thread, since a slot may be emptied from a loader thread; a handle that
// outlives its device only forgets the device.
class OpenGLHandle : public GraphicsResourceHandle
{
public:
    explicit OpenGLHandle(OpenGLGraphicsDevice* device) : device(device) {}
    OpenGLHandle(const OpenGLHandle&) = delete;
    OpenGLHandle& operator=(const OpenGLHandle&) = delete;

    // Null once the device is gone.
    OpenGLGraphicsDevice* device;
};

// What a geometry's buffer is bound as.
enum class BufferBinding : uint32_t
{
    None = 0,
    Vertices = 1,
    Indices = 2,
    Constants = 3,
};

class OpenGLGeometryHandle : public OpenGLHandle
{
public:
    using OpenGLHandle::OpenGLHandle;
    ~OpenGLGeometryHandle() override;

    GLuint buffer = 0;
    uint32_t byteSize = 0;
    BufferBinding binding = BufferBinding::None;
};

// One vertex shader input, fed from a stream of the material's elements.
struct VertexAttribute
{
    GLuint location = 0;
    // 0 per vertex, 1 per instance.
    uint32_t stream = 0;
    uint32_t offset = 0;
    GLint components = 0;
    GLenum type = 0;
    GLboolean normalized = 0;
    // Read with glVertexAttribIPointer.
    bool integer = false;
};

// The fixed-function state of a material, in GL's terms, compared as a whole before it is applied.
struct RenderState
{
    // 0 when no face is culled.
    GLenum cullFace = 0;
    GLenum polygonMode = 0;
    bool colorWrite = true;
    bool blend = false;
    GLenum blendSourceColor = 0;
    GLenum blendDestinationColor = 0;
    GLenum blendEquationColor = 0;
    GLenum blendSourceAlpha = 0;
    GLenum blendDestinationAlpha = 0;
    GLenum blendEquationAlpha = 0;
    bool depthTest = false;
    bool depthWrite = false;
    GLenum depthFunction = 0;
    bool stencil = false;
    GLenum stencilFunction = 0;
    GLint stencilReference = 0;
    GLenum stencilFail = 0;
    GLenum stencilDepthFail = 0;
    GLenum stencilPass = 0;

    bool operator==(const RenderState&) const = default;
};

// A texture read by a program: its unit (the texture register) and the material sampler it uses.
struct SamplerBinding
{
    uint32_t unit = 0;
    uint32_t samplerSlot = InvalidSampler;
};

class OpenGLMaterialHandle : public OpenGLHandle
{
public:
    using OpenGLHandle::OpenGLHandle;
    ~OpenGLMaterialHandle() override;

    // Linked, with its blocks and samplers bound to the registers.
    GLuint program = 0;
    // The vertex stage's inputs, kept so that a material whose code was dropped after its first upload
    // can still rebuild its layout.
    std::vector<ShaderAttribute> inputs;
    std::vector<SamplerBinding> samplerBindings;
    // Every vertex input found an element.
    bool layoutValid = false;
    std::vector<VertexAttribute> attributes;
    // Per stream: whether an attribute reads it, and where the last attribute of an element ends.
    bool usesStream[2] = {false, false};
    uint32_t streamEnd[2] = {0, 0};
    // Set once the material was uploaded.
    bool statesReady = false;
    RenderState state;
    std::vector<GLuint> samplers;
};

class OpenGLTextureHandle : public OpenGLHandle
{
public:
    using OpenGLHandle::OpenGLHandle;
    ~OpenGLTextureHandle() override;

    bool IsTarget() const { return surface != 0; }

    // What shaders sample, rows top first, like an uploaded image.
    GLuint texture = 0;
    // For targets, the renderbuffer drawn into (multisampled when samples > 1); it is copied into the
    // texture when the texture is next sampled or read.
    GLuint surface = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerPixel = 0;
    uint32_t samples = 1;
    bool depth = false;
    // The texture has a full mipmap chain, rebuilt after every upload.
    bool mipmapped = false;
    // The surface holds drawing the texture does not have yet.
    bool drawn = false;
};

// The graphics device over OpenGL 3.3 core. Owned by the application. The GL context is made on the
// thread that first renders (SetWindow may come from another thread) and is used only there; every
// operation but the window and size setters runs on that thread, under the device mutex during a
// frame. Render targets are renderbuffers in GL's bottom-up orientation: they are turned right side up
// in one place, the copy into the sampled texture or into the pixels read back.
class OpenGLGraphicsDevice : public GraphicsDevice
{
public:
    OpenGLGraphicsDevice(ResourceTable* resources, float scale, uint32_t multisampleCount, bool debug = false);
    ~OpenGLGraphicsDevice() override;

    std::vector<Resolution> GetResolutions(uint32_t desktopWidth, uint32_t desktopHeight) override;
    std::vector<uint32_t> GetMultisampleCounts() override;
    void SetScale(float scale) override;
    void SetMultisampleCount(uint32_t count) override;
    void Clear(float red, float green, float blue, float alpha) override;
    void SetDepthTarget(const Texture* texture, ResourceHandle* handle) override;
    void SetClip(float x, float y, float width, float height) override;
    void SetMaterial(const Material* material, ResourceHandle* handle) override;
    void SetTexture(const Texture* texture, ResourceHandle* handle, uint32_t slot) override;
    void SetGeometry(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) override;
    void SetInstances(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) override;
    void SetIndices(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) override;
    void SetConstants(const Geometry* geometry, ResourceHandle* handle, uint8_t vertexStage, uint8_t pixelStage,
                      uint32_t first, uint32_t count, uint32_t slot) override;
    // window: an SDL_Window made with SDL_WINDOW_OPENGL (see PrepareWindowAttributes).
    void SetWindow(void* window, float width, float height, float displayScale) override;
    void SetSize(float width, float height, float displayScale) override;
    void Reserved() override {}
    std::unique_ptr<ResourceHandle> CreateGeometryHandle() override;
    std::unique_ptr<ResourceHandle> CreateMaterialHandle() override;
    std::unique_ptr<ResourceHandle> CreateTextureHandle() override;
    void UploadGeometry(ResourceHandle& handle, const Geometry& geometry) override;
    void UploadMaterial(ResourceHandle& handle, const Material& material) override;
    void UploadTexture(ResourceHandle& handle, const Texture& texture) override;
    void BeginFrame() override;
    void SetColorTarget(const Texture* texture, ResourceHandle* handle, uint32_t index) override;
    void ClearDepth(float depth, uint8_t stencil) override;
    void Draw(uint32_t first, uint32_t count) override;
    void DrawIndexed(uint32_t first, uint32_t count) override;
    void DrawInstanced(uint32_t firstVertex, uint32_t vertexCount, uint32_t firstInstance,
                       uint32_t instanceCount) override;
    void DrawIndexedInstanced(uint32_t firstIndex, uint32_t indexCount, uint32_t firstInstance,
                              uint32_t instanceCount) override;
    void Present() override;

    // The GL attributes our windows are made with; call once SDL's video is initialised and before
    // creating the window that SetWindow will get, and create that window with SDL_WINDOW_OPENGL.
    static void PrepareWindowAttributes();
    // The back-buffer size for a window: scaled, then cut to an aspect between 4:3 and 16:9.
    static void BackBufferSize(float scale, float windowWidth, float windowHeight, uint32_t& width, uint32_t& height);
    static std::vector<Resolution> ResolutionsFor(uint32_t desktopWidth, uint32_t desktopHeight);
    // The count SetMultisampleCount settles at when the platform takes at most maximum samples.
    static uint32_t SupportedSampleCount(uint32_t requested, uint32_t maximum);

    // Reads a colour target (null: the back buffer) as rows of RGBA bytes, top row first. False when
    // there is no context or the handle is no colour target.
    bool ReadPixels(ResourceHandle* target, std::vector<uint8_t>& rgba, uint32_t& width, uint32_t& height);
    // The context's entry points, for code that draws beside the device on the rendering thread.
    const GlFunctions& Functions() const { return gl; }
    // Makes the context current here when it is not yet made; false without a window or on failure.
    bool MakeReady() { return Ready(); }

private:
    friend class OpenGLGeometryHandle;
    friend class OpenGLMaterialHandle;
    friend class OpenGLTextureHandle;

    static constexpr GLuint InvalidName = 0xFFFFFFFFu;
    static constexpr uint32_t SamplerSlotCount = 16;

    struct ColorTarget
    {
        // Null with backBuffer false: a target that was destroyed while bound.
        OpenGLTextureHandle* texture = nullptr;
        bool backBuffer = false;
    };
    struct Stream
    {
        OpenGLGeometryHandle* geometry = nullptr;
        uint32_t stride = 0;
    };
    struct UniformRange
    {
        GLuint buffer = 0;
        uint32_t offset = 0;
        uint32_t size = 0;
    };
    // Objects to delete on the rendering thread.
    struct Garbage
    {
        std::vector<GLuint> buffers;
        std::vector<GLuint> textures;
        std::vector<GLuint> renderbuffers;
        std::vector<GLuint> programs;
        std::vector<GLuint> samplers;
    };

    void Track(OpenGLHandle& handle);
    // Called by the handles' destructors: queue the objects for deletion and drop the bindings.
    void Forget(OpenGLGeometryHandle& handle);
    void Forget(OpenGLMaterialHandle& handle);
    void Forget(OpenGLTextureHandle& handle);
    void Unbind(OpenGLHandle& handle);

    // The fast check every GL operation starts with.
    bool Ready()
    {
        return context && !windowChanged.load(std::memory_order_acquire) && !hasGarbage.load(std::memory_order_acquire)
                   ? true
                   : Prepare();
    }
    // Creates the context or follows a new window or size; deletes what handles left behind.
    bool Prepare();
    bool CreateContext();
    void ResizeBackBuffer(uint32_t width, uint32_t height);
    void DeleteGarbage();
    // Forgets what the GL state caches hold, after objects were deleted or the state was changed
    // behind them.
    void ResetStateCaches();
    // Makes the unit the active one, calling GL only when it is not already.
    void SelectUnit(uint32_t unit);
    void ApplyRenderState(const RenderState& state, bool force);
    // Stores the window size and computes the back-buffer size; the GL side follows on the rendering
    // thread.
    void UpdateSize(float width, float height, float displayScale);
    // Computes the back-buffer size from the window's and the scale, publishes it and tells the
    // rendering thread to follow. The caller holds the window mutex.
    void PublishSize();

    void BindTargets();
    void ApplyScissor();
    void MarkTargetsDrawn();
    // Copies a target's drawing into its sampled texture, right side up.
    void Resolve(OpenGLTextureHandle& target);
    // The one flip: copies framebuffer rows bottom-up into another framebuffer top-down.
    void CopyFlipped(GLuint from, GLuint to, uint32_t width, uint32_t height, GLbitfield mask);
    // Binds the vertex inputs of the current program for a draw from firstInstance.
    bool PrepareDraw(uint32_t firstInstance);
    void SetAttributes(uint32_t firstInstance);
    // The elements of a stream's buffer the current material can read; UINT32_MAX when it reads none.
    uint32_t StreamCapacity(uint32_t stream) const;
    void BindUniformRange(GLuint binding, const UniformRange& range);

    bool LinkProgram(OpenGLMaterialHandle& handle, const Material& material);
    void BuildLayout(OpenGLMaterialHandle& handle, const Material& material);
    void BuildSamplers(OpenGLMaterialHandle& handle, const Material& material);
    // Gives the texture bound on unit 0 its full chain of smaller levels, made from level 0.
    void BuildMipmaps(OpenGLTextureHandle& handle);

    SDL_Window* window = nullptr;
    void* context = nullptr;
    bool contextFailed = false;
    GlFunctions gl;

    // Written by SetWindow, SetSize and SetScale, from any thread; read by the rendering thread.
    std::mutex windowMutex;
    std::atomic<bool> windowChanged{false};
    SDL_Window* requestedWindow = nullptr;
    float windowWidth = 0.0f;
    float windowHeight = 0.0f;
    float displayScale = 1.0f;
    uint32_t requestedSamples = 1;
    // The back-buffer size the rendering thread is to follow.
    uint32_t pendingWidth = 0;
    uint32_t pendingHeight = 0;

    std::mutex garbageMutex;
    std::atomic<bool> hasGarbage{false};
    Garbage garbage;
    std::unordered_set<OpenGLHandle*> liveHandles;
    bool destroying = false;

    GLint maxSamples = 1;
    GLint maxTextureSize = 0;
    GLint maxDrawBuffers = 1;
    GLint maxAttributes = 16;
    GLint uniformAlignment = 256;
    GLuint vertexArray = 0;
    GLuint targetFramebuffer = 0;
    GLuint backBufferFramebuffer = 0;
    GLuint backBufferSurface = 0;
    uint32_t backBufferWidth = 0;
    uint32_t backBufferHeight = 0;
    GLuint copyFrom = 0;
    GLuint copyTo = 0;

    std::vector<ColorTarget> colorTargets;
    OpenGLTextureHandle* depthTarget = nullptr;
    bool targetsChanged = true;
    uint32_t targetWidth = 0;
    uint32_t targetHeight = 0;
    // Top-left pixel edges; a whole side follows the target.
    int32_t clipLeft = 0;
    int32_t clipTop = 0;
    int32_t clipRight = 0;
    int32_t clipBottom = 0;
    bool clipWholeWidth = true;
    bool clipWholeHeight = true;

    OpenGLMaterialHandle* material = nullptr;
    Stream streams[2];
    OpenGLGeometryHandle* indices = nullptr;
    uint32_t indexSize = 2;
    GLenum topology = GL_TRIANGLES;
    bool topologyValid = true;
    bool attributesChanged = true;
    uint32_t attributesFirstInstance = 0;
    uint32_t enabledAttributes = 0;
    uint32_t instancedAttributes = 0;
    uint32_t divisorMask = 0;

    // What GL holds now, so that a frame issues only the calls that change something.
    RenderState applied;
    bool stateKnown = false;
    GLuint currentProgram = 0;
    GLuint unitTextures[32] = {};
    // The texture unit GL_ACTIVE_TEXTURE names; 0 when unknown.
    GLenum activeUnit = 0;
    GLuint unitSamplers[32] = {};
    // The samplers of the last material that had any, by sampler register, as bound in HLSL.
    GLuint slotSamplers[SamplerSlotCount] = {};
    UniformRange uniformRanges[2 * ConstantSlotCount] = {};
};

} // namespace Lumvek::OpenGL
