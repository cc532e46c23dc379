#pragma once

#include <GL/glcorearb.h>

namespace Lumvek::OpenGL
{

// The OpenGL 3.3 core entry points the device calls, with their names.
#define LUMVEK_GL_FUNCTIONS(X)                                                                                         \
    X(PFNGLGETSTRINGPROC, GetString)                                                                                   \
    X(PFNGLGETINTEGERVPROC, GetIntegerv)                                                                               \
    X(PFNGLGETERRORPROC, GetError)                                                                                     \
    X(PFNGLENABLEPROC, Enable)                                                                                         \
    X(PFNGLDISABLEPROC, Disable)                                                                                       \
    X(PFNGLFINISHPROC, Finish)                                                                                         \
    X(PFNGLVIEWPORTPROC, Viewport)                                                                                     \
    X(PFNGLSCISSORPROC, Scissor)                                                                                       \
    X(PFNGLCLEARCOLORPROC, ClearColor)                                                                                 \
    X(PFNGLCLEARPROC, Clear)                                                                                           \
    X(PFNGLCLEARBUFFERFVPROC, ClearBufferfv)                                                                           \
    X(PFNGLCLEARBUFFERFIPROC, ClearBufferfi)                                                                           \
    X(PFNGLCOLORMASKPROC, ColorMask)                                                                                   \
    X(PFNGLDEPTHMASKPROC, DepthMask)                                                                                   \
    X(PFNGLDEPTHFUNCPROC, DepthFunc)                                                                                   \
    X(PFNGLSTENCILFUNCSEPARATEPROC, StencilFuncSeparate)                                                               \
    X(PFNGLSTENCILOPSEPARATEPROC, StencilOpSeparate)                                                                   \
    X(PFNGLSTENCILMASKPROC, StencilMask)                                                                               \
    X(PFNGLBLENDFUNCSEPARATEPROC, BlendFuncSeparate)                                                                   \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, BlendEquationSeparate)                                                           \
    X(PFNGLCULLFACEPROC, CullFace)                                                                                     \
    X(PFNGLFRONTFACEPROC, FrontFace)                                                                                   \
    X(PFNGLPOLYGONMODEPROC, PolygonMode)                                                                               \
    X(PFNGLPIXELSTOREIPROC, PixelStorei)                                                                               \
    X(PFNGLREADPIXELSPROC, ReadPixels)                                                                                 \
    X(PFNGLGENBUFFERSPROC, GenBuffers)                                                                                 \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                                                                           \
    X(PFNGLBINDBUFFERPROC, BindBuffer)                                                                                 \
    X(PFNGLBUFFERDATAPROC, BufferData)                                                                                 \
    X(PFNGLBUFFERSUBDATAPROC, BufferSubData)                                                                           \
    X(PFNGLBINDBUFFERRANGEPROC, BindBufferRange)                                                                       \
    X(PFNGLBINDBUFFERBASEPROC, BindBufferBase)                                                                         \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                                                                       \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                                                                       \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)                                                               \
    X(PFNGLVERTEXATTRIBIPOINTERPROC, VertexAttribIPointer)                                                             \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)                                                       \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray)                                                     \
    X(PFNGLVERTEXATTRIBDIVISORPROC, VertexAttribDivisor)                                                               \
    X(PFNGLDRAWARRAYSPROC, DrawArrays)                                                                                 \
    X(PFNGLDRAWELEMENTSPROC, DrawElements)                                                                             \
    X(PFNGLDRAWARRAYSINSTANCEDPROC, DrawArraysInstanced)                                                               \
    X(PFNGLDRAWELEMENTSINSTANCEDPROC, DrawElementsInstanced)                                                           \
    X(PFNGLCREATESHADERPROC, CreateShader)                                                                             \
    X(PFNGLSHADERSOURCEPROC, ShaderSource)                                                                             \
    X(PFNGLCOMPILESHADERPROC, CompileShader)                                                                           \
    X(PFNGLGETSHADERIVPROC, GetShaderiv)                                                                               \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                                                                     \
    X(PFNGLDELETESHADERPROC, DeleteShader)                                                                             \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram)                                                                           \
    X(PFNGLATTACHSHADERPROC, AttachShader)                                                                             \
    X(PFNGLDETACHSHADERPROC, DetachShader)                                                                             \
    X(PFNGLLINKPROGRAMPROC, LinkProgram)                                                                               \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                                                                             \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)                                                                   \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                                                                           \
    X(PFNGLUSEPROGRAMPROC, UseProgram)                                                                                 \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)                                                                 \
    X(PFNGLUNIFORM1IPROC, Uniform1i)                                                                                   \
    X(PFNGLGETUNIFORMBLOCKINDEXPROC, GetUniformBlockIndex)                                                             \
    X(PFNGLUNIFORMBLOCKBINDINGPROC, UniformBlockBinding)                                                               \
    X(PFNGLGENTEXTURESPROC, GenTextures)                                                                               \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures)                                                                         \
    X(PFNGLBINDTEXTUREPROC, BindTexture)                                                                               \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                                                                           \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D)                                                                                 \
    X(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D)                                                                           \
    X(PFNGLGENERATEMIPMAPPROC, GenerateMipmap)                                                                         \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri)                                                                           \
    X(PFNGLGENSAMPLERSPROC, GenSamplers)                                                                               \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                                                                         \
    X(PFNGLBINDSAMPLERPROC, BindSampler)                                                                               \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)                                                                   \
    X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf)                                                                   \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                                                                       \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)                                                                 \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                                                                       \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)                                                             \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer)                                                       \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)                                                         \
    X(PFNGLDRAWBUFFERSPROC, DrawBuffers)                                                                               \
    X(PFNGLREADBUFFERPROC, ReadBuffer)                                                                                 \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer)                                                                       \
    X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers)                                                                     \
    X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)                                                               \
    X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer)                                                                     \
    X(PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC, RenderbufferStorageMultisample)

// The entry points of one context, loaded through SDL once the context is current. Members are named
// without the "gl" prefix: gl.DrawArrays(...).
struct GlFunctions
{
#define LUMVEK_GL_DECLARE(type, name) type name = nullptr;
    LUMVEK_GL_FUNCTIONS(LUMVEK_GL_DECLARE)
#undef LUMVEK_GL_DECLARE

    // Loads every entry point of the current context; false, naming the first one missing in missing,
    // when the context lacks one.
    bool Load(const char*& missing);
};

} // namespace Lumvek::OpenGL
