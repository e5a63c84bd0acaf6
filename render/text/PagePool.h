#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qtext {

// Page images given back by text targets that went, for the next targets of the same factory.
// A new font colour makes a new target: without this it would drop up to eight 4 MiB images and
// allocate them again. glibc serves blocks that large by mmap until the first one is freed, then
// raises its threshold and serves them from the heap, where other allocations settle between
// them and the next image no longer fits into the hole: the process grows by an image every now
// and then, for nothing.
class PagePool {
  public:
    // Keeps at most `capacity` images.
    explicit PagePool(std::size_t capacity);

    // An image of `texels` zero texels: a kept one of that size when there is one.
    std::vector<std::uint32_t> Take(std::size_t texels);
    // Keeps the image while there is room, otherwise frees it.
    void Give(std::vector<std::uint32_t> pixels);

    std::size_t size() const { return kept_.size(); }

  private:
    std::size_t capacity_;
    std::vector<std::vector<std::uint32_t>> kept_;
};

}  // namespace qtext
