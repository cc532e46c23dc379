#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace Lumvek::OpenGL
{

namespace
{

constexpr float MinimumAspect = 1.3333334f;
constexpr float MaximumAspect = 1.7777778f;
constexpr uint32_t MaximumColorTargets = 8;
constexpr uint32_t UnitCount = 32;

// Rounds halves away from zero; values no window reaches are clamped, and NaN is 0.
int32_t ToPixel(float value)
{
    if (!(value == value))
        return 0;
    const float limit = 1 << 30;
    return static_cast<int32_t>(std::round(std::clamp(value, -limit, limit)));
}

uint32_t Truncate(double value)
{
    return value <= 0.0 ? 0 : value >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

} // namespace

OpenGLGeometryHandle::~OpenGLGeometryHandle()
{
    if (device)
        device->Forget(*this);
}

OpenGLMaterialHandle::~OpenGLMaterialHandle()
{
    if (device)
        device->Forget(*this);
}

OpenGLTextureHandle::~OpenGLTextureHandle()
{
    if (device)
        device->Forget(*this);
}

OpenGLGraphicsDevice::OpenGLGraphicsDevice(ResourceTable* resources, float scale, uint32_t multisampleCount, bool debug)
    : GraphicsDevice("OpenGL", resources, scale, multisampleCount, debug), requestedSamples(multisampleCount)
{
    colorTargets.reserve(MaximumColorTargets);
    colorTargets.push_back({nullptr, true});
    // Materials load through the file manager of the device's resource table once the device exists.
    if (resources && resources->files)
        RegisterHlslFormat(*resources->files, *this, debug);
}

OpenGLGraphicsDevice::~OpenGLGraphicsDevice()
{
    {
        std::lock_guard lock(garbageMutex);
        destroying = true;
        for (OpenGLHandle* handle : liveHandles)
            handle->device = nullptr;
        liveHandles.clear();
    }
    // The context's end frees every object it holds.
    if (context)
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
}

void OpenGLGraphicsDevice::PrepareWindowAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // The window only shows the back buffer, which we draw ourselves: no depth, no samples, and no
    // alpha that a compositor could take for transparency.
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_FRAMEBUFFER_SRGB_CAPABLE, 0);
}

void OpenGLGraphicsDevice::BackBufferSize(float scale, float windowWidth, float windowHeight, uint32_t& width,
                                          uint32_t& height)
{
    float w = scale * windowWidth;
    float h = scale * windowHeight;
    if (!(w > 0.0f) || !(h > 0.0f))
    {
        width = 0;
        height = 0;
        return;
    }
    if (w / h < MinimumAspect)
        h = w / MinimumAspect;
    else if (w / h > MaximumAspect)
        w = h * MaximumAspect;
    width = Truncate(w);
    height = Truncate(h);
}

std::vector<Resolution> OpenGLGraphicsDevice::ResolutionsFor(uint32_t w, uint32_t h)
{
    std::vector<Resolution> resolutions = {
        {Truncate(2.0 * w), Truncate(2.0 * h), true},
        {w, h, true},
        {Truncate(0.75 * w), Truncate(0.75 * h), true},
        {Truncate(0.5 * w), Truncate(0.5 * h), true},
    };
    if (w >= 2561 && h >= 1441)
        resolutions.push_back({2560, 1440, false});
    if (w > 1920)
    {
        if (h > 1200)
            resolutions.push_back({1920, 1200, false});
        if (h > 1080)
            resolutions.push_back({1920, 1080, false});
    }
    if (w >= 1281 && h >= 721)
        resolutions.push_back({1280, 720, false});
    return resolutions;
}

uint32_t OpenGLGraphicsDevice::SupportedSampleCount(uint32_t requested, uint32_t maximum)
{
    for (uint32_t count = requested; count >= 2; count /= 2)
        if (count <= maximum && (count & (count - 1)) == 0)
            return count;
    return 1;
}

std::vector<Resolution> OpenGLGraphicsDevice::GetResolutions(uint32_t desktopWidth, uint32_t desktopHeight)
{
    return ResolutionsFor(desktopWidth, desktopHeight);
}

std::vector<uint32_t> OpenGLGraphicsDevice::GetMultisampleCounts()
{
    std::vector<uint32_t> counts = {1};
    for (uint32_t count = 2; count <= 16; count *= 2)
        if (SupportedSampleCount(count, static_cast<uint32_t>(maxSamples)) == count)
            counts.push_back(count);
    return counts;
}

void OpenGLGraphicsDevice::UpdateSize(float newWidth, float newHeight, float newDisplayScale)
{
    std::lock_guard lock(windowMutex);
    windowWidth = newWidth;
    windowHeight = newHeight;
    displayScale = newDisplayScale;
    PublishSize();
}

void OpenGLGraphicsDevice::PublishSize()
{
    uint32_t width = 0;
    uint32_t height = 0;
    BackBufferSize(scale, windowWidth, windowHeight, width, height);
    SetBackBufferSize(width, height);
    windowChanged.store(true, std::memory_order_release);
}

void OpenGLGraphicsDevice::SetScale(float newScale)
{
    {
        std::lock_guard lock(windowMutex);
        scale = newScale;
        PublishSize();
    }
    ResizeTargets();
}

void OpenGLGraphicsDevice::SetMultisampleCount(uint32_t count)
{
    requestedSamples = count;
    // Without a context the platform's limit is not known yet; the count settles when it is made.
    multisampleCount = context ? SupportedSampleCount(count, static_cast<uint32_t>(maxSamples)) : count;
    ResizeTargets();
}

void OpenGLGraphicsDevice::SetWindow(void* newWindow, float newWidth, float newHeight, float newDisplayScale)
{
    {
        std::lock_guard lock(windowMutex);
        requestedWindow = static_cast<SDL_Window*>(newWindow);
    }
    UpdateSize(newWidth, newHeight, newDisplayScale);
}

void OpenGLGraphicsDevice::SetSize(float newWidth, float newHeight, float newDisplayScale)
{
    UpdateSize(newWidth, newHeight, newDisplayScale);
    ResizeTargets();
}

std::unique_ptr<GraphicsDevice::ResourceHandle> OpenGLGraphicsDevice::CreateGeometryHandle()
{
    auto handle = std::make_unique<OpenGLGeometryHandle>(this);
    Track(*handle);
    return handle;
}

std::unique_ptr<GraphicsDevice::ResourceHandle> OpenGLGraphicsDevice::CreateMaterialHandle()
{
    auto handle = std::make_unique<OpenGLMaterialHandle>(this);
    Track(*handle);
    return handle;
}

std::unique_ptr<GraphicsDevice::ResourceHandle> OpenGLGraphicsDevice::CreateTextureHandle()
{
    auto handle = std::make_unique<OpenGLTextureHandle>(this);
    Track(*handle);
    return handle;
}

void OpenGLGraphicsDevice::Track(OpenGLHandle& handle)
{
    std::lock_guard lock(garbageMutex);
    liveHandles.insert(&handle);
}

void OpenGLGraphicsDevice::Forget(OpenGLGeometryHandle& handle)
{
    {
        std::lock_guard lock(garbageMutex);
        if (destroying)
            return;
        liveHandles.erase(&handle);
        if (handle.buffer)
            garbage.buffers.push_back(handle.buffer);
        hasGarbage.store(true, std::memory_order_release);
    }
    Unbind(handle);
}

void OpenGLGraphicsDevice::Forget(OpenGLMaterialHandle& handle)
{
    {
        std::lock_guard lock(garbageMutex);
        if (destroying)
            return;
        liveHandles.erase(&handle);
        if (handle.program)
            garbage.programs.push_back(handle.program);
        garbage.samplers.insert(garbage.samplers.end(), handle.samplers.begin(), handle.samplers.end());
        hasGarbage.store(true, std::memory_order_release);
    }
    Unbind(handle);
}

void OpenGLGraphicsDevice::Forget(OpenGLTextureHandle& handle)
{
    {
        std::lock_guard lock(garbageMutex);
        if (destroying)
            return;
        liveHandles.erase(&handle);
        if (handle.texture)
            garbage.textures.push_back(handle.texture);
        if (handle.surface)
            garbage.renderbuffers.push_back(handle.surface);
        hasGarbage.store(true, std::memory_order_release);
    }
    Unbind(handle);
}

// Bindings are only read during replay, which holds the device mutex, as does every path that
// destroys a handle.
void OpenGLGraphicsDevice::Unbind(OpenGLHandle& handle)
{
    for (ColorTarget& target : colorTargets)
        if (target.texture == &handle)
        {
            target.texture = nullptr;
            targetsChanged = true;
        }
    if (depthTarget == &handle)
    {
        depthTarget = nullptr;
        targetsChanged = true;
    }
    if (material == &handle)
        material = nullptr;
    for (Stream& stream : streams)
        if (stream.geometry == &handle)
        {
            stream = Stream();
            attributesChanged = true;
        }
    if (indices == &handle)
        indices = nullptr;
}

bool OpenGLGraphicsDevice::Prepare()
{
    if (windowChanged.exchange(false, std::memory_order_acq_rel))
    {
        std::lock_guard lock(windowMutex);
        if (requestedWindow != window)
        {
            window = requestedWindow;
            contextFailed = false;
            if (context && window && SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context)) != 0)
                Log::Write("failed to use the OpenGL context with the window: {}", SDL_GetError());
        }
        const DeviceSize size = GetSize();
        pendingWidth = size.width;
        pendingHeight = size.height;
    }
    if (!context)
    {
        if (!window || contextFailed || !CreateContext())
            return false;
    }
    if (pendingWidth != backBufferWidth || pendingHeight != backBufferHeight)
        ResizeBackBuffer(pendingWidth, pendingHeight);
    if (hasGarbage.load(std::memory_order_acquire))
        DeleteGarbage();
    return true;
}

bool OpenGLGraphicsDevice::CreateContext()
{
    PrepareWindowAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, debug ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
    SDL_GLContext created = SDL_GL_CreateContext(window);
    if (!created)
    {
        Log::Write("failed to create the OpenGL context: {}", SDL_GetError());
        contextFailed = true;
        return false;
    }
    const char* missing = nullptr;
    if (!gl.Load(missing))
    {
        Log::Write("failed to create the OpenGL context: {} is missing", missing);
        SDL_GL_DeleteContext(created);
        contextFailed = true;
        return false;
    }
    context = created;
    // Frames are paced by the application, never by the display.
    SDL_GL_SetSwapInterval(0);

    gl.GetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    gl.GetIntegerv(GL_MAX_DRAW_BUFFERS, &maxDrawBuffers);
    gl.GetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttributes);
    gl.GetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &uniformAlignment);
    maxDrawBuffers = std::clamp<GLint>(maxDrawBuffers, 1, MaximumColorTargets);
    maxAttributes = std::clamp<GLint>(maxAttributes, 1, 32);
    uniformAlignment = std::max<GLint>(uniformAlignment, 1);
    multisampleCount = SupportedSampleCount(requestedSamples, static_cast<uint32_t>(maxSamples));

    gl.GenVertexArrays(1, &vertexArray);
    gl.BindVertexArray(vertexArray);
    gl.GenFramebuffers(1, &targetFramebuffer);
    // Nothing is read from the draw framebuffer; naming no read buffer keeps depth-only targets complete.
    gl.BindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    gl.ReadBuffer(GL_NONE);
    gl.GenFramebuffers(1, &backBufferFramebuffer);
    gl.GenFramebuffers(1, &copyFrom);
    gl.GenFramebuffers(1, &copyTo);
    gl.GenRenderbuffers(1, &backBufferSurface);
    gl.Enable(GL_SCISSOR_TEST);
    // Geometry in front of the near plane or behind the far one is clamped, not clipped.
    gl.Enable(GL_DEPTH_CLAMP);
    gl.FrontFace(GL_CW);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    backBufferWidth = 0;
    backBufferHeight = 0;
    stateKnown = false;
    ResetStateCaches();
    return true;
}

void OpenGLGraphicsDevice::ResizeBackBuffer(uint32_t newWidth, uint32_t newHeight)
{
    backBufferWidth = newWidth;
    backBufferHeight = newHeight;
    gl.BindRenderbuffer(GL_RENDERBUFFER, backBufferSurface);
    gl.RenderbufferStorageMultisample(GL_RENDERBUFFER, 0, GL_RGBA8, std::max<GLsizei>(newWidth, 1),
                                      std::max<GLsizei>(newHeight, 1));
    gl.BindFramebuffer(GL_FRAMEBUFFER, backBufferFramebuffer);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, backBufferSurface);
    // A new back buffer comes bound alone, with the whole of it to draw in.
    colorTargets.assign(1, {nullptr, true});
    depthTarget = nullptr;
    clipLeft = 0;
    clipTop = 0;
    clipWholeWidth = true;
    clipWholeHeight = true;
    targetsChanged = true;
}

void OpenGLGraphicsDevice::DeleteGarbage()
{
    Garbage doomed;
    {
        std::lock_guard lock(garbageMutex);
        std::swap(doomed, garbage);
        hasGarbage.store(false, std::memory_order_release);
    }
    auto remove = [](auto function, const std::vector<GLuint>& names)
    {
        if (!names.empty())
            function(static_cast<GLsizei>(names.size()), names.data());
    };
    remove(gl.DeleteBuffers, doomed.buffers);
    remove(gl.DeleteTextures, doomed.textures);
    remove(gl.DeleteRenderbuffers, doomed.renderbuffers);
    remove(gl.DeleteSamplers, doomed.samplers);
    for (GLuint sampler : doomed.samplers)
        std::replace(std::begin(slotSamplers), std::end(slotSamplers), sampler, GLuint(0));
    for (GLuint program : doomed.programs)
        gl.DeleteProgram(program);
    // Deleted names may come back for new objects: forget every cached binding.
    ResetStateCaches();
}

void OpenGLGraphicsDevice::ResetStateCaches()
{
    currentProgram = material ? material->program : 0;
    gl.UseProgram(currentProgram);
    std::fill(std::begin(unitTextures), std::end(unitTextures), InvalidName);
    activeUnit = 0;
    std::fill(std::begin(unitSamplers), std::end(unitSamplers), InvalidName);
    for (UniformRange& range : uniformRanges)
        range = {InvalidName, 0, 0};
    attributesChanged = true;
    targetsChanged = true;
    if (indices)
        gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->buffer);
}

void OpenGLGraphicsDevice::ApplyRenderState(const RenderState& state, bool force)
{
    force = force || !stateKnown;
    const RenderState& old = applied;
    auto toggle = [&](GLenum capability, bool on) { on ? gl.Enable(capability) : gl.Disable(capability); };
    if (force || state.cullFace != old.cullFace)
    {
        toggle(GL_CULL_FACE, state.cullFace != 0);
        if (state.cullFace)
            gl.CullFace(state.cullFace);
    }
    if (force || state.polygonMode != old.polygonMode)
        gl.PolygonMode(GL_FRONT_AND_BACK, state.polygonMode);
    if (force || state.colorWrite != old.colorWrite)
    {
        const GLboolean write = state.colorWrite ? GL_TRUE : GL_FALSE;
        gl.ColorMask(write, write, write, write);
    }
    if (force || state.blend != old.blend)
        toggle(GL_BLEND, state.blend);
    if (force || state.blendSourceColor != old.blendSourceColor ||
        state.blendDestinationColor != old.blendDestinationColor || state.blendSourceAlpha != old.blendSourceAlpha ||
        state.blendDestinationAlpha != old.blendDestinationAlpha)
        gl.BlendFuncSeparate(state.blendSourceColor, state.blendDestinationColor, state.blendSourceAlpha,
                             state.blendDestinationAlpha);
    if (force || state.blendEquationColor != old.blendEquationColor ||
        state.blendEquationAlpha != old.blendEquationAlpha)
        gl.BlendEquationSeparate(state.blendEquationColor, state.blendEquationAlpha);
    if (force || state.depthTest != old.depthTest)
        toggle(GL_DEPTH_TEST, state.depthTest);
    if (force || state.depthWrite != old.depthWrite)
        gl.DepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
    if (force || state.depthFunction != old.depthFunction)
        gl.DepthFunc(state.depthFunction);
    if (force || state.stencil != old.stencil)
        toggle(GL_STENCIL_TEST, state.stencil);
    if (force || state.stencilFunction != old.stencilFunction || state.stencilReference != old.stencilReference)
        gl.StencilFuncSeparate(GL_FRONT_AND_BACK, state.stencilFunction, state.stencilReference, 0xFF);
    if (force || state.stencilFail != old.stencilFail || state.stencilDepthFail != old.stencilDepthFail ||
        state.stencilPass != old.stencilPass)
        gl.StencilOpSeparate(GL_FRONT_AND_BACK, state.stencilFail, state.stencilDepthFail, state.stencilPass);
    if (force)
        gl.StencilMask(0xFF);
    applied = state;
    stateKnown = true;
}

void OpenGLGraphicsDevice::BeginFrame()
{
    Ready();
}

void OpenGLGraphicsDevice::SetColorTarget(const Texture* texture, ResourceHandle* handle, uint32_t index)
{
    if (index > colorTargets.size() || index >= MaximumColorTargets)
        return;
    colorTargets.resize(index);
    if (!texture)
        colorTargets.push_back({nullptr, true});
    else if (auto* target = static_cast<OpenGLTextureHandle*>(handle); target && target->surface && !target->depth)
        colorTargets.push_back({target, false});
    targetsChanged = true;
}

void OpenGLGraphicsDevice::SetDepthTarget(const Texture* texture, ResourceHandle* handle)
{
    auto* target = texture ? static_cast<OpenGLTextureHandle*>(handle) : nullptr;
    depthTarget = target && target->surface && target->depth ? target : nullptr;
    targetsChanged = true;
}

void OpenGLGraphicsDevice::BindTargets()
{
    if (!targetsChanged)
        return;
    targetsChanged = false;
    gl.BindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    GLenum drawBuffers[MaximumColorTargets];
    const uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(colorTargets.size()), maxDrawBuffers);
    for (uint32_t i = 0; i < MaximumColorTargets; ++i)
    {
        GLuint surface = 0;
        if (i < count)
            surface = colorTargets[i].backBuffer ? backBufferSurface
                      : colorTargets[i].texture  ? colorTargets[i].texture->surface
                                                 : 0;
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_RENDERBUFFER, surface);
        drawBuffers[i] = surface ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
    }
    gl.DrawBuffers(std::max<GLsizei>(count, 1), drawBuffers);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                               depthTarget ? depthTarget->surface : 0);

    // The viewport follows the first target.
    targetWidth = backBufferWidth;
    targetHeight = backBufferHeight;
    if (!colorTargets.empty() && colorTargets[0].texture)
    {
        targetWidth = colorTargets[0].texture->width;
        targetHeight = colorTargets[0].texture->height;
    }
    else if ((colorTargets.empty() || !colorTargets[0].backBuffer) && depthTarget)
    {
        targetWidth = depthTarget->width;
        targetHeight = depthTarget->height;
    }
    gl.Viewport(0, 0, static_cast<GLsizei>(targetWidth), static_cast<GLsizei>(targetHeight));
    ApplyScissor();
}

void OpenGLGraphicsDevice::SetClip(float x, float y, float clipWidth, float clipHeight)
{
    clipLeft = ToPixel(std::max(x, 0.0f));
    clipTop = ToPixel(std::max(y, 0.0f));
    clipWholeWidth = !(clipWidth > 0.0f);
    clipWholeHeight = !(clipHeight > 0.0f);
    clipRight = clipWholeWidth ? 0 : ToPixel(x + clipWidth);
    clipBottom = clipWholeHeight ? 0 : ToPixel(y + clipHeight);
    if (Ready() && !targetsChanged)
        ApplyScissor();
}

void OpenGLGraphicsDevice::ApplyScissor()
{
    const int64_t right = clipWholeWidth ? int64_t(targetWidth) : clipRight;
    const int64_t bottom = clipWholeHeight ? int64_t(targetHeight) : clipBottom;
    const int64_t w = std::max<int64_t>(right - clipLeft, 0);
    const int64_t h = std::max<int64_t>(bottom - clipTop, 0);
    // Clip rectangles count rows from the top, GL from the bottom.
    const int64_t y = int64_t(targetHeight) - bottom;
    auto fit = [](int64_t value) { return static_cast<GLint>(std::clamp<int64_t>(value, -(1 << 30), 1 << 30)); };
    gl.Scissor(fit(clipLeft), fit(y), fit(w), fit(h));
}

void OpenGLGraphicsDevice::MarkTargetsDrawn()
{
    for (ColorTarget& target : colorTargets)
        if (target.texture)
            target.texture->drawn = true;
    if (depthTarget)
        depthTarget->drawn = true;
}

void OpenGLGraphicsDevice::Clear(float red, float green, float blue, float alpha)
{
    if (!Ready())
        return;
    BindTargets();
    // A clear covers the whole target and every channel, whatever the clip and the material say.
    gl.Disable(GL_SCISSOR_TEST);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const GLfloat color[4] = {red, green, blue, alpha};
    const uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(colorTargets.size()), maxDrawBuffers);
    for (uint32_t i = 0; i < count; ++i)
        if (colorTargets[i].backBuffer || colorTargets[i].texture)
        {
            gl.ClearBufferfv(GL_COLOR, static_cast<GLint>(i), color);
            if (colorTargets[i].texture)
                colorTargets[i].texture->drawn = true;
        }
    const GLboolean write = applied.colorWrite || !stateKnown ? GL_TRUE : GL_FALSE;
    gl.ColorMask(write, write, write, write);
    gl.Enable(GL_SCISSOR_TEST);
}

void OpenGLGraphicsDevice::ClearDepth(float depth, uint8_t stencil)
{
    if (!depthTarget || !Ready())
        return;
    BindTargets();
    gl.Disable(GL_SCISSOR_TEST);
    gl.DepthMask(GL_TRUE);
    gl.StencilMask(0xFF);
    gl.ClearBufferfi(GL_DEPTH_STENCIL, 0, depth, stencil);
    gl.DepthMask(applied.depthWrite && stateKnown ? GL_TRUE : GL_FALSE);
    gl.Enable(GL_SCISSOR_TEST);
    depthTarget->drawn = true;
}

void OpenGLGraphicsDevice::CopyFlipped(GLuint from, GLuint to, uint32_t copyWidth, uint32_t copyHeight, GLbitfield mask)
{
    const GLint w = static_cast<GLint>(copyWidth);
    const GLint h = static_cast<GLint>(copyHeight);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, from);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    gl.Disable(GL_SCISSOR_TEST);
    gl.BlitFramebuffer(0, 0, w, h, 0, h, w, 0, mask, GL_NEAREST);
    gl.Enable(GL_SCISSOR_TEST);
    targetsChanged = true;
}

void OpenGLGraphicsDevice::Resolve(OpenGLTextureHandle& target)
{
    if (!target.drawn || !target.surface || !target.texture)
        return;
    target.drawn = false;
    const GLenum attachment = target.depth ? GL_DEPTH_STENCIL_ATTACHMENT : GL_COLOR_ATTACHMENT0;
    const GLenum other = target.depth ? GL_COLOR_ATTACHMENT0 : GL_DEPTH_STENCIL_ATTACHMENT;
    // A depth copy names no colour buffer, or GL 3.3 finds the framebuffers incomplete.
    const GLenum colorBuffer = target.depth ? GL_NONE : GL_COLOR_ATTACHMENT0;
    gl.BindFramebuffer(GL_FRAMEBUFFER, copyFrom);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, other, GL_RENDERBUFFER, 0);
    gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, target.surface);
    gl.ReadBuffer(colorBuffer);
    gl.BindFramebuffer(GL_FRAMEBUFFER, copyTo);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, other, GL_TEXTURE_2D, 0, 0);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, target.texture, 0);
    gl.DrawBuffers(1, &colorBuffer);
    CopyFlipped(copyFrom, copyTo, target.width, target.height,
                target.depth ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
}

bool OpenGLGraphicsDevice::ReadPixels(ResourceHandle* handle, std::vector<uint8_t>& rgba, uint32_t& readWidth,
                                      uint32_t& readHeight)
{
    if (!Ready())
        return false;
    auto* target = static_cast<OpenGLTextureHandle*>(handle);
    GLuint scratch = 0;
    if (target)
    {
        if (!target->surface || target->depth || !target->texture)
            return false;
        Resolve(*target);
        readWidth = target->width;
        readHeight = target->height;
        gl.BindFramebuffer(GL_FRAMEBUFFER, copyTo);
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->texture, 0);
    }
    else
    {
        // The back buffer is turned right side up into a scratch surface, like a target.
        readWidth = backBufferWidth;
        readHeight = backBufferHeight;
        gl.GenRenderbuffers(1, &scratch);
        gl.BindRenderbuffer(GL_RENDERBUFFER, scratch);
        gl.RenderbufferStorageMultisample(GL_RENDERBUFFER, 0, GL_RGBA8, std::max<GLsizei>(readWidth, 1),
                                          std::max<GLsizei>(readHeight, 1));
        gl.BindFramebuffer(GL_FRAMEBUFFER, copyTo);
        gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, scratch);
        const GLenum colorBuffer = GL_COLOR_ATTACHMENT0;
        gl.DrawBuffers(1, &colorBuffer);
        CopyFlipped(backBufferFramebuffer, copyTo, readWidth, readHeight, GL_COLOR_BUFFER_BIT);
    }
    rgba.assign(size_t(readWidth) * readHeight * 4, 0);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, copyTo);
    gl.ReadBuffer(GL_COLOR_ATTACHMENT0);
    gl.ReadPixels(0, 0, static_cast<GLsizei>(readWidth), static_cast<GLsizei>(readHeight), GL_RGBA, GL_UNSIGNED_BYTE,
                  rgba.data());
    if (scratch)
    {
        gl.BindFramebuffer(GL_FRAMEBUFFER, copyTo);
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
        gl.DeleteRenderbuffers(1, &scratch);
    }
    targetsChanged = true;
    return true;
}

void OpenGLGraphicsDevice::Present()
{
    if (!Ready())
        return;
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    const GLint w = static_cast<GLint>(backBufferWidth);
    const GLint h = static_cast<GLint>(backBufferHeight);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, backBufferFramebuffer);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl.Disable(GL_SCISSOR_TEST);
    if (w < drawableWidth || h < drawableHeight)
    {
        gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        const GLboolean write = applied.colorWrite || !stateKnown ? GL_TRUE : GL_FALSE;
        gl.ColorMask(write, write, write, write);
    }
    // Shown unscaled at the top left of the window, whose rows GL counts from the bottom.
    gl.BlitFramebuffer(0, 0, w, h, 0, drawableHeight - h, w, drawableHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    SDL_GL_SwapWindow(window);
    gl.Enable(GL_SCISSOR_TEST);
    targetsChanged = true;
}

void OpenGLGraphicsDevice::SetMaterial(const Material* materialResource, ResourceHandle* handle)
{
    if (!materialResource || !handle || !Ready())
        return;
    auto& next = static_cast<OpenGLMaterialHandle&>(*handle);
    // A material that failed to build keeps the previous program in use.
    if (next.program && next.layoutValid)
    {
        if (currentProgram != next.program)
        {
            gl.UseProgram(next.program);
            currentProgram = next.program;
        }
        if (material != &next)
        {
            material = &next;
            attributesChanged = true;
        }
    }
    if (!next.statesReady)
        return;
    ApplyRenderState(next.state, false);
    for (size_t i = 0; i < next.samplers.size() && i < SamplerSlotCount; ++i)
        slotSamplers[i] = next.samplers[i];
    if (!material)
        return;
    for (const SamplerBinding& binding : material->samplerBindings)
    {
        if (binding.unit >= UnitCount)
            continue;
        const GLuint sampler = binding.samplerSlot < SamplerSlotCount ? slotSamplers[binding.samplerSlot] : 0;
        if (unitSamplers[binding.unit] != sampler)
        {
            gl.BindSampler(binding.unit, sampler);
            unitSamplers[binding.unit] = sampler;
        }
    }
}

void OpenGLGraphicsDevice::SetTexture(const Texture* texture, ResourceHandle* handle, uint32_t slot)
{
    if (slot >= UnitCount || !Ready())
        return;
    GLuint name = 0;
    if (texture && handle)
    {
        auto& bound = static_cast<OpenGLTextureHandle&>(*handle);
        Resolve(bound);
        name = bound.texture;
    }
    if (unitTextures[slot] == name)
        return;
    SelectUnit(slot);
    gl.BindTexture(GL_TEXTURE_2D, name);
    unitTextures[slot] = name;
}

void OpenGLGraphicsDevice::SelectUnit(uint32_t unit)
{
    if (activeUnit == GL_TEXTURE0 + unit)
        return;
    gl.ActiveTexture(GL_TEXTURE0 + unit);
    activeUnit = GL_TEXTURE0 + unit;
}

void OpenGLGraphicsDevice::SetGeometry(const Geometry* geometry, ResourceHandle* handle, uint32_t stride)
{
    if (!geometry || !handle)
    {
        streams[0] = Stream();
        attributesChanged = true;
        return;
    }
    auto& bound = static_cast<OpenGLGeometryHandle&>(*handle);
    if (!bound.buffer)
        return;
    if (streams[0].geometry != &bound || streams[0].stride != stride)
    {
        streams[0] = {&bound, stride};
        attributesChanged = true;
    }
    topologyValid = true;
    switch (geometry->dataType)
    {
    case GeometryDataType::TriangleList:
        topology = GL_TRIANGLES;
        break;
    case GeometryDataType::TriangleStrip:
        topology = GL_TRIANGLE_STRIP;
        break;
    case GeometryDataType::PointList:
        topology = GL_POINTS;
        break;
    case GeometryDataType::LineList:
        topology = GL_LINES;
        break;
    default:
        // Instance, index and constant data have no topology: nothing is drawn from them.
        topologyValid = false;
        break;
    }
}

void OpenGLGraphicsDevice::SetInstances(const Geometry* geometry, ResourceHandle* handle, uint32_t stride)
{
    if (!geometry || !handle)
    {
        streams[1] = Stream();
        attributesChanged = true;
        return;
    }
    auto& bound = static_cast<OpenGLGeometryHandle&>(*handle);
    if (bound.buffer && (streams[1].geometry != &bound || streams[1].stride != stride))
    {
        streams[1] = {&bound, stride};
        attributesChanged = true;
    }
}

void OpenGLGraphicsDevice::SetIndices(const Geometry* geometry, ResourceHandle* handle, uint32_t stride)
{
    if (!Ready())
        return;
    auto* bound = geometry ? static_cast<OpenGLGeometryHandle*>(handle) : nullptr;
    if (bound && !bound->buffer)
        return;
    indices = bound;
    indexSize = stride == 2 ? 2 : 4;
    gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, bound ? bound->buffer : 0);
}

void OpenGLGraphicsDevice::SetConstants(const Geometry* geometry, ResourceHandle* handle, uint8_t vertexStage,
                                        uint8_t pixelStage, uint32_t first, uint32_t count, uint32_t slot)
{
    if (slot >= ConstantSlotCount || !Ready())
        return;
    UniformRange range;
    if (geometry && handle)
    {
        const auto& bound = static_cast<const OpenGLGeometryHandle&>(*handle);
        const uint64_t offset = uint64_t(first) * 16;
        // Only what the buffer holds is bound; a range the platform cannot start there binds nothing.
        if (bound.buffer && offset < bound.byteSize && offset % uint64_t(uniformAlignment) == 0)
        {
            const uint64_t size = std::min<uint64_t>(uint64_t(count) * 16, bound.byteSize - offset);
            if (size > 0)
                range = {bound.buffer, static_cast<uint32_t>(offset), static_cast<uint32_t>(size)};
        }
    }
    BindUniformRange(VertexBlockBinding + slot, vertexStage ? range : UniformRange());
    BindUniformRange(PixelBlockBinding + slot, pixelStage ? range : UniformRange());
}

void OpenGLGraphicsDevice::BindUniformRange(GLuint binding, const UniformRange& range)
{
    UniformRange& bound = uniformRanges[binding];
    if (bound.buffer == range.buffer && bound.offset == range.offset && bound.size == range.size)
        return;
    if (range.buffer)
        gl.BindBufferRange(GL_UNIFORM_BUFFER, binding, range.buffer, range.offset, range.size);
    else
        gl.BindBufferBase(GL_UNIFORM_BUFFER, binding, 0);
    bound = range;
}

uint32_t OpenGLGraphicsDevice::StreamCapacity(uint32_t stream) const
{
    const Stream& bound = streams[stream];
    if (!material || !material->usesStream[stream] || !bound.geometry || !bound.geometry->buffer)
        return 0xFFFFFFFFu;
    const uint32_t end = material->streamEnd[stream];
    if (bound.geometry->byteSize < end)
        return 0;
    if (bound.stride == 0)
        return 0xFFFFFFFFu;
    return (bound.geometry->byteSize - end) / bound.stride + 1;
}

bool OpenGLGraphicsDevice::PrepareDraw(uint32_t firstInstance)
{
    if (!Ready())
        return false;
    BindTargets();
    if (!material || !topologyValid || material->program != currentProgram)
        return false;
    if (attributesChanged || (instancedAttributes && firstInstance != attributesFirstInstance))
        SetAttributes(firstInstance);
    MarkTargetsDrawn();
    return true;
}

void OpenGLGraphicsDevice::SetAttributes(uint32_t firstInstance)
{
    uint32_t enabled = 0;
    uint32_t instanced = 0;
    GLuint arrayBuffer = InvalidName;
    for (const VertexAttribute& attribute : material->attributes)
    {
        const Stream& stream = streams[attribute.stream];
        if (!stream.geometry || !stream.geometry->buffer || attribute.location >= uint32_t(maxAttributes))
            continue;
        if (arrayBuffer != stream.geometry->buffer)
        {
            arrayBuffer = stream.geometry->buffer;
            gl.BindBuffer(GL_ARRAY_BUFFER, arrayBuffer);
        }
        // GL 3.3 draws have no first instance: the instance stream starts that many strides in.
        uint64_t offset = attribute.offset;
        if (attribute.stream == 1)
            offset += uint64_t(firstInstance) * stream.stride;
        const void* pointer = reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
        const GLsizei stride = static_cast<GLsizei>(stream.stride);
        if (attribute.integer)
            gl.VertexAttribIPointer(attribute.location, attribute.components, attribute.type, stride, pointer);
        else
            gl.VertexAttribPointer(attribute.location, attribute.components, attribute.type, attribute.normalized,
                                   stride, pointer);
        const uint32_t bit = 1u << attribute.location;
        const uint32_t divisor = attribute.stream == 1 ? bit : 0;
        if ((divisorMask & bit) != divisor)
        {
            gl.VertexAttribDivisor(attribute.location, attribute.stream);
            divisorMask = (divisorMask & ~bit) | divisor;
        }
        if (!(enabledAttributes & bit))
            gl.EnableVertexAttribArray(attribute.location);
        enabled |= bit;
        instanced |= divisor;
    }
    for (uint32_t location = 0; location < 32; ++location)
        if ((enabledAttributes & ~enabled) & (1u << location))
            gl.DisableVertexAttribArray(location);
    enabledAttributes = enabled;
    instancedAttributes = instanced;
    attributesFirstInstance = firstInstance;
    attributesChanged = false;
}

void OpenGLGraphicsDevice::Draw(uint32_t first, uint32_t count)
{
    if (count == 0 || !PrepareDraw(0))
        return;
    // Vertices beyond the buffer are not read: the draw is cut where the buffer ends.
    const uint32_t capacity = StreamCapacity(0);
    if (first >= capacity)
        return;
    count = std::min(count, capacity - first);
    gl.DrawArrays(topology, static_cast<GLint>(first), static_cast<GLsizei>(count));
}

void OpenGLGraphicsDevice::DrawIndexed(uint32_t first, uint32_t count)
{
    if (count == 0 || !indices || !PrepareDraw(0))
        return;
    const uint32_t capacity = indices->byteSize / indexSize;
    if (first >= capacity)
        return;
    count = std::min(count, capacity - first);
    const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(uint64_t(first) * indexSize));
    gl.DrawElements(topology, static_cast<GLsizei>(count), indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                    offset);
}

void OpenGLGraphicsDevice::DrawInstanced(uint32_t firstVertex, uint32_t vertexCount, uint32_t firstInstance,
                                         uint32_t instanceCount)
{
    if (vertexCount == 0 || instanceCount == 0 || !PrepareDraw(firstInstance))
        return;
    const uint32_t vertices = StreamCapacity(0);
    const uint32_t instances = StreamCapacity(1);
    if (firstVertex >= vertices || firstInstance >= instances)
        return;
    vertexCount = std::min(vertexCount, vertices - firstVertex);
    instanceCount = std::min(instanceCount, instances - firstInstance);
    gl.DrawArraysInstanced(topology, static_cast<GLint>(firstVertex), static_cast<GLsizei>(vertexCount),
                           static_cast<GLsizei>(instanceCount));
}

void OpenGLGraphicsDevice::DrawIndexedInstanced(uint32_t firstIndex, uint32_t indexCount, uint32_t firstInstance,
                                                uint32_t instanceCount)
{
    if (indexCount == 0 || instanceCount == 0 || !indices || !PrepareDraw(firstInstance))
        return;
    const uint32_t capacity = indices->byteSize / indexSize;
    const uint32_t instances = StreamCapacity(1);
    if (firstIndex >= capacity || firstInstance >= instances)
        return;
    indexCount = std::min(indexCount, capacity - firstIndex);
    instanceCount = std::min(instanceCount, instances - firstInstance);
    const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(uint64_t(firstIndex) * indexSize));
    gl.DrawElementsInstanced(topology, static_cast<GLsizei>(indexCount),
                             indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT, offset,
                             static_cast<GLsizei>(instanceCount));
}

} // namespace Lumvek::OpenGL
