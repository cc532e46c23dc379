// The OpenGL device's uploads: geometry into buffers, materials into programs with their states,
// samplers and vertex layouts, textures into textures and target surfaces.
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace Lumvek::OpenGL
{

namespace
{

BufferBinding BindingOf(GeometryDataType type)
{
    switch (type)
    {
    case GeometryDataType::TriangleList:
    case GeometryDataType::TriangleStrip:
    case GeometryDataType::PointList:
    case GeometryDataType::LineList:
    case GeometryDataType::InstanceData:
        return BufferBinding::Vertices;
    case GeometryDataType::IndexList:
        return BufferBinding::Indices;
    case GeometryDataType::ConstantData:
        return BufferBinding::Constants;
    }
    return BufferBinding::None;
}

GLenum BlendFactorOf(BlendFactor factor)
{
    switch (factor)
    {
    case BlendFactor::Zero:
        return GL_ZERO;
    case BlendFactor::One:
        return GL_ONE;
    case BlendFactor::SourceColor:
        return GL_SRC_COLOR;
    case BlendFactor::InverseSourceColor:
        return GL_ONE_MINUS_SRC_COLOR;
    case BlendFactor::SourceAlpha:
        return GL_SRC_ALPHA;
    case BlendFactor::InverseSourceAlpha:
        return GL_ONE_MINUS_SRC_ALPHA;
    case BlendFactor::DestinationColor:
        return GL_DST_COLOR;
    case BlendFactor::InverseDestinationColor:
        return GL_ONE_MINUS_DST_COLOR;
    case BlendFactor::DestinationAlpha:
        return GL_DST_ALPHA;
    case BlendFactor::InverseDestinationAlpha:
        return GL_ONE_MINUS_DST_ALPHA;
    }
    return GL_ZERO;
}

GLenum BlendEquationOf(BlendOperation operation)
{
    switch (operation)
    {
    case BlendOperation::Subtract:
        return GL_FUNC_SUBTRACT;
    case BlendOperation::ReverseSubtract:
        return GL_FUNC_REVERSE_SUBTRACT;
    case BlendOperation::Minimum:
        return GL_MIN;
    case BlendOperation::Maximum:
        return GL_MAX;
    case BlendOperation::None:
    case BlendOperation::Add:
        break;
    }
    return GL_FUNC_ADD;
}

GLenum CompareOf(CompareFunction function)
{
    switch (function)
    {
    case CompareFunction::Never:
        return GL_NEVER;
    case CompareFunction::Always:
        return GL_ALWAYS;
    case CompareFunction::Equal:
        return GL_EQUAL;
    case CompareFunction::NotEqual:
        return GL_NOTEQUAL;
    case CompareFunction::Less:
        return GL_LESS;
    case CompareFunction::LessEqual:
        return GL_LEQUAL;
    case CompareFunction::Greater:
        return GL_GREATER;
    case CompareFunction::GreaterEqual:
        return GL_GEQUAL;
    }
    return GL_NEVER;
}

GLenum StencilOf(StencilOperation operation)
{
    switch (operation)
    {
    case StencilOperation::Keep:
        return GL_KEEP;
    case StencilOperation::Zero:
        return GL_ZERO;
    case StencilOperation::Replace:
        return GL_REPLACE;
    case StencilOperation::IncrementClamp:
        return GL_INCR;
    case StencilOperation::Increment:
        return GL_INCR_WRAP;
    case StencilOperation::DecrementClamp:
        return GL_DECR;
    case StencilOperation::Decrement:
        return GL_DECR_WRAP;
    case StencilOperation::Invert:
        return GL_INVERT;
    }
    return GL_KEEP;
}

RenderState StateOf(const Material& material)
{
    RenderState state;
    state.cullFace = material.cullMode == CullMode::Front  ? GL_FRONT
                     : material.cullMode == CullMode::Back ? GL_BACK
                                                           : 0;
    state.polygonMode = material.fillMode == FillMode::Wireframe ? GL_LINE : GL_FILL;
    state.colorWrite = material.fillMode != FillMode::NoColor;
    state.blend = material.colorBlend.operation != BlendOperation::None;
    const BlendState& alpha =
        material.alphaBlend.operation == BlendOperation::None ? material.colorBlend : material.alphaBlend;
    state.blendSourceColor = BlendFactorOf(material.colorBlend.source);
    state.blendDestinationColor = BlendFactorOf(material.colorBlend.destination);
    state.blendEquationColor = BlendEquationOf(material.colorBlend.operation);
    state.blendSourceAlpha = BlendFactorOf(alpha.source);
    state.blendDestinationAlpha = BlendFactorOf(alpha.destination);
    state.blendEquationAlpha = BlendEquationOf(alpha.operation);
    state.depthTest = material.depth.test != 0;
    state.depthWrite = material.depth.write != 0;
    state.depthFunction = CompareOf(material.depth.comparison);
    state.stencil = material.stencilEnable != 0;
    state.stencilFunction = CompareOf(material.stencilComparison);
    state.stencilReference = static_cast<GLint>(std::min<uint32_t>(material.stencilReference, 0xFF));
    state.stencilFail = StencilOf(material.stencilFail);
    state.stencilDepthFail = StencilOf(material.stencilDepthFail);
    state.stencilPass = StencilOf(material.stencilPass);
    return state;
}

// The semantic an element feeds, as the HLSL front end spells semantics: upper case.
std::string SemanticOf(const VertexElement& element)
{
    switch (element.semantic)
    {
    case VertexSemantic::Position:
        return "POSITION";
    case VertexSemantic::Color:
        return "COLOR";
    case VertexSemantic::TextureCoordinate:
        return "TEXCOORD";
    case VertexSemantic::Normal:
        return "NORMAL";
    case VertexSemantic::Named:
        break;
    }
    std::string name = element.name;
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// Components, GL type, normalisation and integer reading of an element format; false for a code that
// names no format.
bool DescribeFormat(VertexElementFormat format, VertexAttribute& attribute, uint32_t& size)
{
    const uint32_t code = static_cast<uint32_t>(format);
    if (code <= 7)
    {
        attribute.components = static_cast<GLint>(code % 4 + 1);
        attribute.integer = code >= 4;
        attribute.type = attribute.integer ? GL_INT : GL_FLOAT;
        attribute.normalized = GL_FALSE;
        size = 4 * static_cast<uint32_t>(attribute.components);
        return true;
    }
    if (format == VertexElementFormat::Color)
    {
        attribute.components = 4;
        attribute.integer = false;
        attribute.type = GL_UNSIGNED_BYTE;
        attribute.normalized = GL_TRUE;
        size = 4;
        return true;
    }
    return false;
}

// SPIR-V words out of a bytecode buffer; empty when the size is no whole number of words.
std::vector<uint32_t> WordsOf(const Buffer& code)
{
    std::vector<uint32_t> words;
    if (code.Size() % 4 != 0)
        return words;
    words.resize(code.Size() / 4);
    if (!words.empty())
        std::memcpy(words.data(), code.Data(), code.Size());
    return words;
}

} // namespace

void OpenGLGraphicsDevice::UploadGeometry(ResourceHandle& handle, const Geometry& geometry)
{
    if (!Ready())
        return;
    auto& bound = static_cast<OpenGLGeometryHandle&>(handle);
    const BufferBinding binding = BindingOf(geometry.dataType);
    const uint32_t size = geometry.data.Size();

    if (bound.buffer && geometry.usage == static_cast<uint32_t>(ResourceUsage::Dynamic) && size <= bound.byteSize &&
        binding == bound.binding)
    {
        if (size == 0)
            return;
        // The old storage is dropped rather than waited for: draws still reading it keep it.
        gl.BindBuffer(GL_COPY_WRITE_BUFFER, bound.buffer);
        gl.BufferData(GL_COPY_WRITE_BUFFER, bound.byteSize, nullptr, GL_DYNAMIC_DRAW);
        gl.BufferSubData(GL_COPY_WRITE_BUFFER, 0, size, geometry.data.Data());
        return;
    }

    bound.byteSize = size;
    bound.binding = binding;
    if (size == 0)
    {
        if (bound.buffer)
        {
            gl.DeleteBuffers(1, &bound.buffer);
            bound.buffer = 0;
            ResetStateCaches();
        }
        return;
    }
    // Keeping the buffer's name keeps every binding to it valid; only its storage is replaced.
    if (!bound.buffer)
        gl.GenBuffers(1, &bound.buffer);
    while (gl.GetError() != GL_NO_ERROR)
    {
    }
    gl.BindBuffer(GL_COPY_WRITE_BUFFER, bound.buffer);
    const bool dynamic = geometry.usage == static_cast<uint32_t>(ResourceUsage::Dynamic);
    gl.BufferData(GL_COPY_WRITE_BUFFER, size, geometry.data.Data(), dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    if (gl.GetError() != GL_NO_ERROR)
    {
        Log::Write("failed to create the buffer");
        gl.DeleteBuffers(1, &bound.buffer);
        bound.buffer = 0;
        bound.byteSize = 0;
        ResetStateCaches();
    }
}

void OpenGLGraphicsDevice::UploadMaterial(ResourceHandle& handle, const Material& resource)
{
    if (!Ready())
        return;
    auto& built = static_cast<OpenGLMaterialHandle&>(handle);
    built.statesReady = false;
    built.layoutValid = false;
    built.attributes.clear();
    if (!built.samplers.empty())
    {
        for (GLuint sampler : built.samplers)
            std::replace(std::begin(slotSamplers), std::end(slotSamplers), sampler, GLuint(0));
        gl.DeleteSamplers(static_cast<GLsizei>(built.samplers.size()), built.samplers.data());
        built.samplers.clear();
        std::fill(std::begin(unitSamplers), std::end(unitSamplers), InvalidName);
    }

    // Upload-once materials drop their code after the first upload; a later change of their states
    // rebuilds everything but the program, which stays as it was made.
    const bool hasCode = resource.vertexCode.Size() > 0 || resource.pixelCode.Size() > 0;
    if (hasCode || !built.program)
    {
        if (built.program)
        {
            if (material == &built)
                material = nullptr;
            gl.DeleteProgram(built.program);
            built.program = 0;
            built.inputs.clear();
            built.samplerBindings.clear();
        }
        if (!LinkProgram(built, resource) && built.inputs.empty())
            return;
    }

    BuildLayout(built, resource);
    built.state = StateOf(resource);
    built.statesReady = true;
    BuildSamplers(built, resource);
}

bool OpenGLGraphicsDevice::LinkProgram(OpenGLMaterialHandle& built, const Material& resource)
{
    const bool geometryStage = resource.geometryCode.Size() > 0;
    std::string messages;
    GlslShader stages[3];
    GLuint shaders[3] = {0, 0, 0};
    const struct
    {
        const Buffer* code;
        ShaderStage stage;
        GLenum type;
        const char* failure;
    } plan[3] = {
        {&resource.vertexCode, ShaderStage::Vertex, GL_VERTEX_SHADER, "failed to create the vertex shader: {}"},
        {&resource.pixelCode, ShaderStage::Pixel, GL_FRAGMENT_SHADER, "failed to create the pixel shader: {}"},
        {&resource.geometryCode, ShaderStage::Geometry, GL_GEOMETRY_SHADER, "failed to create the geometry shader: {}"},
    };
    auto release = [&]
    {
        for (GLuint shader : shaders)
            if (shader)
                gl.DeleteShader(shader);
    };

    for (uint32_t i = 0; i < 3; ++i)
    {
        if (i == 2 && !geometryStage)
            break;
        const std::vector<uint32_t> words = WordsOf(*plan[i].code);
        if (!TranslateToGlsl(words.data(), words.size(), plan[i].stage, geometryStage, stages[i], messages))
        {
            Log::Write(StringView::FromCString(plan[i].failure), messages);
            release();
            return false;
        }
        // The vertex inputs are what the layout is built from, even when a later stage fails.
        if (i == 0)
            built.inputs = stages[0].attributes;
        shaders[i] = gl.CreateShader(plan[i].type);
        const char* source = stages[i].source.c_str();
        gl.ShaderSource(shaders[i], 1, &source, nullptr);
        gl.CompileShader(shaders[i]);
        GLint compiled = GL_FALSE;
        gl.GetShaderiv(shaders[i], GL_COMPILE_STATUS, &compiled);
        if (!compiled)
        {
            char log[2048] = {};
            gl.GetShaderInfoLog(shaders[i], sizeof log, nullptr, log);
            Log::Write(StringView::FromCString(plan[i].failure), StringView::FromCString(log));
            if (i == 0)
                built.inputs.clear();
            release();
            return false;
        }
    }

    const GLuint program = gl.CreateProgram();
    for (GLuint shader : shaders)
        if (shader)
            gl.AttachShader(program, shader);
    gl.LinkProgram(program);
    for (GLuint shader : shaders)
        if (shader)
            gl.DetachShader(program, shader);
    release();
    GLint linked = GL_FALSE;
    gl.GetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked)
    {
        char log[2048] = {};
        gl.GetProgramInfoLog(program, sizeof log, nullptr, log);
        Log::Write("failed to link the program: {}", StringView::FromCString(log));
        gl.DeleteProgram(program);
        return false;
    }

    // GLSL 330 has no binding layouts: blocks and samplers are bound to their registers by name.
    gl.UseProgram(program);
    for (uint32_t i = 0; i < 3; ++i)
    {
        const GLuint base = plan[i].stage == ShaderStage::Pixel ? PixelBlockBinding : VertexBlockBinding;
        for (const ShaderUniformBlock& block : stages[i].blocks)
        {
            const GLuint index = gl.GetUniformBlockIndex(program, block.name.c_str());
            if (index != GL_INVALID_INDEX && block.slot < ConstantSlotCount)
                gl.UniformBlockBinding(program, index, base + block.slot);
        }
        for (const ShaderSampler& sampler : stages[i].samplers)
        {
            const GLint location = gl.GetUniformLocation(program, sampler.name.c_str());
            if (location >= 0)
                gl.Uniform1i(location, static_cast<GLint>(sampler.textureUnit));
            const bool known = std::any_of(built.samplerBindings.begin(), built.samplerBindings.end(),
                                           [&](const SamplerBinding& b) { return b.unit == sampler.textureUnit; });
            if (!known)
                built.samplerBindings.push_back({sampler.textureUnit, sampler.samplerSlot});
        }
    }
    gl.UseProgram(currentProgram);
    built.program = program;
    return true;
}

void OpenGLGraphicsDevice::BuildLayout(OpenGLMaterialHandle& built, const Material& resource)
{
    struct Placed
    {
        std::string semantic;
        uint32_t semanticIndex;
        VertexAttribute attribute;
        uint32_t size;
    };
    std::vector<Placed> placed;
    const std::vector<VertexElement>* lists[2] = {&resource.vertexElements, &resource.instanceElements};
    for (uint32_t stream = 0; stream < 2; ++stream)
    {
        uint32_t offset = 0;
        for (const VertexElement& element : *lists[stream])
        {
            Placed item{SemanticOf(element), element.semanticIndex, {}, 0};
            if (!DescribeFormat(element.format, item.attribute, item.size))
            {
                Log::Write("failed to create the input layout: the element {} has no format", element.name);
                return;
            }
            item.attribute.stream = stream;
            item.attribute.offset = offset;
            offset += item.size;
            placed.push_back(std::move(item));
        }
    }

    built.usesStream[0] = built.usesStream[1] = false;
    built.streamEnd[0] = built.streamEnd[1] = 0;
    for (const ShaderAttribute& input : built.inputs)
    {
        auto match =
            std::find_if(placed.begin(), placed.end(),
                         [&](const Placed& item)
                         { return item.semantic == input.semanticName && item.semanticIndex == input.semanticIndex; });
        if (match == placed.end())
        {
            Log::Write("failed to create the input layout: no element for {}{}", input.semanticName,
                       input.semanticIndex);
            built.attributes.clear();
            return;
        }
        VertexAttribute attribute = match->attribute;
        attribute.location = input.location;
        built.usesStream[attribute.stream] = true;
        built.streamEnd[attribute.stream] = std::max(built.streamEnd[attribute.stream], attribute.offset + match->size);
        built.attributes.push_back(attribute);
    }
    built.layoutValid = true;
}

void OpenGLGraphicsDevice::BuildSamplers(OpenGLMaterialHandle& built, const Material& resource)
{
    for (const SamplerState& description : resource.samplers)
    {
        GLuint sampler = 0;
        gl.GenSamplers(1, &sampler);
        if (!sampler)
        {
            Log::Write("failed to create the sampler");
            continue;
        }
        GLenum minify = GL_NEAREST_MIPMAP_NEAREST;
        GLenum magnify = GL_NEAREST;
        switch (description.filter)
        {
        case SamplerFilter::LinearMinMagPointMip:
            minify = GL_LINEAR_MIPMAP_NEAREST;
            magnify = GL_LINEAR;
            break;
        // Anisotropic filtering is an extension in GL 3.3; trilinear filtering stands in for it.
        case SamplerFilter::Linear:
        case SamplerFilter::Anisotropic:
            minify = GL_LINEAR_MIPMAP_LINEAR;
            magnify = GL_LINEAR;
            break;
        case SamplerFilter::Point:
            break;
        }
        auto wrap = [](SamplerAddress address)
        {
            return address == SamplerAddress::Wrap     ? GL_REPEAT
                   : address == SamplerAddress::Mirror ? GL_MIRRORED_REPEAT
                                                       : GL_CLAMP_TO_EDGE;
        };
        gl.SamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minify));
        gl.SamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magnify));
        gl.SamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap(description.addressU));
        gl.SamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap(description.addressV));
        gl.SamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
        gl.SamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, 0.0f);
        gl.SamplerParameterf(sampler, GL_TEXTURE_MAX_LOD, std::numeric_limits<float>::max());
        built.samplers.push_back(sampler);
    }
}

void OpenGLGraphicsDevice::UploadTexture(ResourceHandle& handle, const Texture& texture)
{
    if (!Ready())
        return;
    auto& built = static_cast<OpenGLTextureHandle&>(handle);
    const bool image = texture.format == TextureFormat::ColorBuffer4x8;
    const bool colorTarget = texture.format == TextureFormat::ColorTarget4x8;
    const bool depth = texture.format == TextureFormat::DepthStencilTarget24_8;
    const uint64_t imageBytes = uint64_t(texture.width) * texture.height * 4;
    const bool hasPixels = image && texture.bytesPerPixel == 4 && texture.pixels.Size() >= imageBytes;

    if (image && built.texture && !built.surface && built.width == texture.width && built.height == texture.height &&
        built.bytesPerPixel == texture.bytesPerPixel)
    {
        if (!hasPixels)
            return;
        // Only the rectangle that changed goes up; a change nobody located goes up whole.
        uint32_t left = std::min(texture.dirty.left, texture.width);
        uint32_t top = std::min(texture.dirty.top, texture.height);
        uint32_t right = std::min(texture.dirty.right, texture.width);
        uint32_t bottom = std::min(texture.dirty.bottom, texture.height);
        if (right <= left || bottom <= top)
        {
            left = top = 0;
            right = texture.width;
            bottom = texture.height;
        }
        SelectUnit(0);
        gl.BindTexture(GL_TEXTURE_2D, built.texture);
        unitTextures[0] = built.texture;
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(texture.width));
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(left), static_cast<GLint>(top),
                         static_cast<GLsizei>(right - left), static_cast<GLsizei>(bottom - top), GL_RGBA,
                         GL_UNSIGNED_BYTE, texture.pixels.Data() + (size_t(top) * texture.width + left) * 4);
        gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        // The smaller levels of a mipmapped texture are built again from the level just changed.
        if (texture.mipmaps)
            BuildMipmaps(built);
        return;
    }

    if (built.texture || built.surface)
    {
        gl.DeleteTextures(1, &built.texture);
        gl.DeleteRenderbuffers(1, &built.surface);
        built.texture = 0;
        built.surface = 0;
        // Bindings to the handle stay: a resized target is drawn into where it was bound.
        ResetStateCaches();
    }
    built.width = texture.width;
    built.height = texture.height;
    built.bytesPerPixel = texture.bytesPerPixel;
    built.depth = depth;
    built.drawn = false;
    built.samples = (colorTarget || depth) && multisampleCount > 1 ? multisampleCount : 1;

    if (!(image || colorTarget || depth) || texture.width == 0 || texture.height == 0 ||
        texture.width > uint32_t(maxTextureSize) || texture.height > uint32_t(maxTextureSize))
    {
        Log::Write("failed to create the texture");
        return;
    }
    while (gl.GetError() != GL_NO_ERROR)
    {
    }
    const GLsizei w = static_cast<GLsizei>(texture.width);
    const GLsizei h = static_cast<GLsizei>(texture.height);
    gl.GenTextures(1, &built.texture);
    SelectUnit(0);
    gl.BindTexture(GL_TEXTURE_2D, built.texture);
    unitTextures[0] = built.texture;
    if (depth)
        gl.TexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH24_STENCIL8, w, h, 0, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, nullptr);
    else
        // Rows go up top first, so v = 0 samples the top row, as the shaders expect.
        gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      hasPixels ? texture.pixels.Data() : nullptr);
    // One level; without a material's sampler the texture reads linear and clamped.
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (gl.GetError() != GL_NO_ERROR)
    {
        Log::Write("failed to create the texture");
        gl.DeleteTextures(1, &built.texture);
        built.texture = 0;
        unitTextures[0] = InvalidName;
        return;
    }
    built.mipmapped = false;
    if (image)
    {
        if (texture.mipmaps)
            BuildMipmaps(built);
        return;
    }

    gl.GenRenderbuffers(1, &built.surface);
    gl.BindRenderbuffer(GL_RENDERBUFFER, built.surface);
    gl.RenderbufferStorageMultisample(GL_RENDERBUFFER, built.samples > 1 ? static_cast<GLsizei>(built.samples) : 0,
                                      depth ? GL_DEPTH24_STENCIL8 : GL_RGBA8, w, h);
    if (gl.GetError() != GL_NO_ERROR)
    {
        Log::Write("failed to create the view");
        gl.DeleteRenderbuffers(1, &built.surface);
        built.surface = 0;
    }
}

void OpenGLGraphicsDevice::BuildMipmaps(OpenGLTextureHandle& built)
{
    // The texture is bound on unit 0 by the upload that calls this.
    if (!built.mipmapped)
    {
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 1000);
        built.mipmapped = true;
    }
    gl.GenerateMipmap(GL_TEXTURE_2D);
}

} // namespace Lumvek::OpenGL
