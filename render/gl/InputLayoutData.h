#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/gl/Context.h"

namespace gl {

// An input layout checked against a vertex shader: for each element, the vertex input it feeds
// (bound to the element's index as attribute location), its format, slot and offset.
struct InputLayoutData {
    struct Element {
        std::string attribute;
        gpu::Format format = gpu::Format::Unknown;
        std::uint32_t slot = 0;
        std::uint32_t offset = 0;
    };
    InputLayoutData(std::shared_ptr<Context> context, std::vector<Element> elements);
    ~InputLayoutData();
    InputLayoutData(const InputLayoutData&) = delete;
    InputLayoutData& operator=(const InputLayoutData&) = delete;

    const std::shared_ptr<Context> context;
    const std::uint32_t id;
    const std::vector<Element> elements;
};

}  // namespace gl
