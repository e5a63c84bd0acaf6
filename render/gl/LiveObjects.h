#pragma once

#include <cstddef>
#include <cstdint>

namespace gl {

// The kinds of OpenGL object the backend makes.
enum class ObjectKind : std::uint8_t {
    Buffer,
    Texture,
    Sampler,
    Shader,
    Program,
    VertexArray,
    Framebuffer,
};

// How many OpenGL objects of each kind the backend holds in the whole process: a name counts
// from the moment the backend is given it until it deletes it or the context it lives in is
// gone. A count that keeps growing while the program does the same thing over and over is a
// leak of GL objects, which neither the sanitizers nor the resident memory see on a GPU.
class LiveObjects {
  public:
    static constexpr std::size_t kKinds = 7;

    // Name 0 is no object and counts for nothing.
    static void Held(ObjectKind kind, std::uint32_t name);
    static void Released(ObjectKind kind, std::uint32_t name);

    static std::int64_t Count(ObjectKind kind);
    static std::int64_t Total();
    static const char* NameOf(ObjectKind kind);
};

}  // namespace gl
