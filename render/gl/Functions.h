#pragma once

#include <GL/glcorearb.h>

#include <string>

#include "render/gl/Surface.h"

namespace gl {

// Every OpenGL function the backend calls, loaded by name through the surface so that nothing
// links libGL: the shell's widget and the tests' offscreen surface each bring their own.
#define SELVANE_GL_FUNCTIONS(X)                                    \
    X(PFNGLGETERRORPROC, GetError)                                 \
    X(PFNGLGETSTRINGPROC, GetString)                               \
    X(PFNGLGETSTRINGIPROC, GetStringi)                             \
    X(PFNGLGETINTEGERVPROC, GetIntegerv)                           \
    X(PFNGLENABLEPROC, Enable)                                     \
    X(PFNGLDISABLEPROC, Disable)                                   \
    X(PFNGLENABLEIPROC, Enablei)                                   \
    X(PFNGLDISABLEIPROC, Disablei)                                 \
    X(PFNGLBLENDFUNCSEPARATEPROC, BlendFuncSeparate)               \
    X(PFNGLBLENDEQUATIONSEPARATEPROC, BlendEquationSeparate)       \
    X(PFNGLBLENDCOLORPROC, BlendColor)                             \
    X(PFNGLCOLORMASKPROC, ColorMask)                               \
    X(PFNGLCOLORMASKIPROC, ColorMaski)                             \
    X(PFNGLSAMPLEMASKIPROC, SampleMaski)                           \
    X(PFNGLDEPTHFUNCPROC, DepthFunc)                               \
    X(PFNGLDEPTHMASKPROC, DepthMask)                               \
    X(PFNGLDEPTHRANGEPROC, DepthRange)                             \
    X(PFNGLFRONTFACEPROC, FrontFace)                               \
    X(PFNGLCULLFACEPROC, CullFace)                                 \
    X(PFNGLPOLYGONMODEPROC, PolygonMode)                           \
    X(PFNGLPOLYGONOFFSETPROC, PolygonOffset)                       \
    X(PFNGLVIEWPORTPROC, Viewport)                                 \
    X(PFNGLCLEARBUFFERFVPROC, ClearBufferfv)                       \
    X(PFNGLGENBUFFERSPROC, GenBuffers)                             \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                       \
    X(PFNGLBINDBUFFERPROC, BindBuffer)                             \
    X(PFNGLBUFFERDATAPROC, BufferData)                             \
    X(PFNGLMAPBUFFERRANGEPROC, MapBufferRange)                     \
    X(PFNGLUNMAPBUFFERPROC, UnmapBuffer)                           \
    X(PFNGLBINDBUFFERBASEPROC, BindBufferBase)                     \
    X(PFNGLGENTEXTURESPROC, GenTextures)                           \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures)                     \
    X(PFNGLBINDTEXTUREPROC, BindTexture)                           \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                       \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D)                             \
    X(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D)                       \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri)                       \
    X(PFNGLPIXELSTOREIPROC, PixelStorei)                           \
    X(PFNGLREADPIXELSPROC, ReadPixels)                             \
    X(PFNGLREADBUFFERPROC, ReadBuffer)                             \
    X(PFNGLDRAWBUFFERPROC, DrawBuffer)                             \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                   \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)             \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                   \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)         \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)     \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer)                   \
    X(PFNGLGENSAMPLERSPROC, GenSamplers)                           \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                     \
    X(PFNGLBINDSAMPLERPROC, BindSampler)                           \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)               \
    X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf)               \
    X(PFNGLSAMPLERPARAMETERFVPROC, SamplerParameterfv)             \
    X(PFNGLCREATESHADERPROC, CreateShader)                         \
    X(PFNGLDELETESHADERPROC, DeleteShader)                         \
    X(PFNGLSHADERSOURCEPROC, ShaderSource)                         \
    X(PFNGLCOMPILESHADERPROC, CompileShader)                       \
    X(PFNGLGETSHADERIVPROC, GetShaderiv)                           \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                 \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram)                       \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                       \
    X(PFNGLATTACHSHADERPROC, AttachShader)                         \
    X(PFNGLDETACHSHADERPROC, DetachShader)                         \
    X(PFNGLLINKPROGRAMPROC, LinkProgram)                           \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                         \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)               \
    X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation)             \
    X(PFNGLGETACTIVEATTRIBPROC, GetActiveAttrib)                   \
    X(PFNGLGETACTIVEUNIFORMPROC, GetActiveUniform)                 \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)             \
    X(PFNGLUNIFORMBLOCKBINDINGPROC, UniformBlockBinding)           \
    X(PFNGLUSEPROGRAMPROC, UseProgram)                             \
    X(PFNGLUNIFORM1IPROC, Uniform1i)                               \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                   \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)             \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                   \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)   \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray) \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)           \
    X(PFNGLDRAWARRAYSPROC, DrawArrays)                             \
    X(PFNGLFLUSHPROC, Flush)                                       \
    X(PFNGLFINISHPROC, Finish)

struct Functions {
#define SELVANE_GL_MEMBER(type, name) type name = nullptr;
    SELVANE_GL_FUNCTIONS(SELVANE_GL_MEMBER)
#undef SELVANE_GL_MEMBER
    // Only where the context offers the depth range of the projection (OpenGL 4.5 or
    // ARB_clip_control); null otherwise.
    PFNGLCLIPCONTROLPROC ClipControl = nullptr;
    // Only where programs can be separable (OpenGL 4.1 or ARB_separate_shader_objects).
    PFNGLPROGRAMPARAMETERIPROC ProgramParameteri = nullptr;

    // Loads every function of the current context; false, with the first missing name in
    // `missing`, when one is not there.
    bool Load(Surface& surface, std::string* missing);
};

}  // namespace gl
