#pragma once

#include <GL/glcorearb.h>

#include "gpu/Types.h"

namespace gl {

// How a texture format is stored and uploaded. Colour textures ask for the unsized RGBA format
// with BGRA as the upload layout, which lets the driver store them in BGRA order: an upload of
// B8G8R8A8 pixels is then a plain copy. Asked for RGBA8, llvmpipe stores RGBA and swizzles every
// upload, three times slower for the text texture's 4 MiB.
struct TextureFormat {
    GLint internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
    std::uint32_t bytesPerTexel = 0;
    bool depth = false;
};

// False for formats that no texture can have.
inline bool TextureFormatOf(gpu::Format format, TextureFormat* out) {
    switch (format) {
        case gpu::Format::B8G8R8A8_UNorm:
            *out = {GL_RGBA, GL_BGRA, GL_UNSIGNED_BYTE, 4, false};
            return true;
        case gpu::Format::D32_Float:
            *out = {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, true};
            return true;
        default:
            return false;
    }
}

// Float components of a vertex element format, 0 for formats a vertex cannot have.
inline GLint VertexComponentsOf(gpu::Format format) {
    switch (format) {
        case gpu::Format::R32G32B32_Float:
            return 3;
        case gpu::Format::R32G32_Float:
            return 2;
        default:
            return 0;
    }
}

// The GLSL type of a vertex input that an element of the format feeds.
inline GLenum AttributeTypeOf(gpu::Format format) {
    switch (format) {
        case gpu::Format::R32G32B32_Float:
            return GL_FLOAT_VEC3;
        case gpu::Format::R32G32_Float:
            return GL_FLOAT_VEC2;
        default:
            return 0;
    }
}

inline GLenum BlendFactorOf(gpu::Blend blend) {
    switch (blend) {
        case gpu::Blend::Zero:
            return GL_ZERO;
        case gpu::Blend::One:
            return GL_ONE;
        case gpu::Blend::SrcColor:
            return GL_SRC_COLOR;
        case gpu::Blend::InvSrcColor:
            return GL_ONE_MINUS_SRC_COLOR;
        case gpu::Blend::SrcAlpha:
            return GL_SRC_ALPHA;
        case gpu::Blend::InvSrcAlpha:
            return GL_ONE_MINUS_SRC_ALPHA;
        case gpu::Blend::DestAlpha:
            return GL_DST_ALPHA;
        case gpu::Blend::InvDestAlpha:
            return GL_ONE_MINUS_DST_ALPHA;
    }
    return GL_ONE;
}

inline GLenum BlendEquationOf(gpu::BlendOp op) {
    switch (op) {
        case gpu::BlendOp::Add:
            return GL_FUNC_ADD;
        case gpu::BlendOp::Subtract:
            return GL_FUNC_SUBTRACT;
        case gpu::BlendOp::RevSubtract:
            return GL_FUNC_REVERSE_SUBTRACT;
        case gpu::BlendOp::Min:
            return GL_MIN;
        case gpu::BlendOp::Max:
            return GL_MAX;
    }
    return GL_FUNC_ADD;
}

inline GLenum AddressModeOf(gpu::AddressMode mode) {
    switch (mode) {
        case gpu::AddressMode::Wrap:
            return GL_REPEAT;
        case gpu::AddressMode::Mirror:
            return GL_MIRRORED_REPEAT;
        case gpu::AddressMode::Clamp:
            return GL_CLAMP_TO_EDGE;
        case gpu::AddressMode::Border:
            return GL_CLAMP_TO_BORDER;
    }
    return GL_REPEAT;
}

// The primitive mode of a topology, 0 for the undefined one.
inline GLenum PrimitiveOf(gpu::PrimitiveTopology topology) {
    switch (topology) {
        case gpu::PrimitiveTopology::PointList:
            return GL_POINTS;
        case gpu::PrimitiveTopology::LineList:
            return GL_LINES;
        case gpu::PrimitiveTopology::LineStrip:
            return GL_LINE_STRIP;
        case gpu::PrimitiveTopology::TriangleList:
            return GL_TRIANGLES;
        case gpu::PrimitiveTopology::TriangleStrip:
            return GL_TRIANGLE_STRIP;
        case gpu::PrimitiveTopology::Undefined:
            break;
    }
    return 0;
}

}  // namespace gl
