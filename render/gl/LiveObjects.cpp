#include "render/gl/LiveObjects.h"

#include <array>
#include <atomic>

namespace gl {

namespace {

std::array<std::atomic<std::int64_t>, LiveObjects::kKinds> g_counts = {};

}  // namespace

void LiveObjects::Held(ObjectKind kind, std::uint32_t name) {
    if (name != 0) {
        g_counts[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_relaxed);
    }
}

void LiveObjects::Released(ObjectKind kind, std::uint32_t name) {
    if (name != 0) {
        g_counts[static_cast<std::size_t>(kind)].fetch_sub(1, std::memory_order_relaxed);
    }
}

std::int64_t LiveObjects::Count(ObjectKind kind) {
    return g_counts[static_cast<std::size_t>(kind)].load(std::memory_order_relaxed);
}

std::int64_t LiveObjects::Total() {
    std::int64_t total = 0;
    for (const auto& count : g_counts) {
        total += count.load(std::memory_order_relaxed);
    }
    return total;
}

const char* LiveObjects::NameOf(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Buffer:
            return "buffers";
        case ObjectKind::Texture:
            return "textures";
        case ObjectKind::Sampler:
            return "samplers";
        case ObjectKind::Shader:
            return "shaders";
        case ObjectKind::Program:
            return "programs";
        case ObjectKind::VertexArray:
            return "vertex arrays";
        case ObjectKind::Framebuffer:
            return "framebuffers";
    }
    return "?";
}

}  // namespace gl
