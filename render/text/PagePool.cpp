#include "render/text/PagePool.h"

#include <algorithm>
#include <utility>

namespace qtext {

PagePool::PagePool(std::size_t capacity) : capacity_(capacity) {}

std::vector<std::uint32_t> PagePool::Take(std::size_t texels) {
    const auto it = std::find_if(kept_.begin(), kept_.end(),
                                 [texels](const auto& image) { return image.size() == texels; });
    if (it == kept_.end()) {
        return std::vector<std::uint32_t>(texels, 0);
    }
    std::vector<std::uint32_t> image = std::move(*it);
    kept_.erase(it);
    std::fill(image.begin(), image.end(), 0);
    return image;
}

void PagePool::Give(std::vector<std::uint32_t> pixels) {
    if (!pixels.empty() && kept_.size() < capacity_) {
        kept_.push_back(std::move(pixels));
    }
}

}  // namespace qtext
