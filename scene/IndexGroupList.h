#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "scene/IndexGroup.h"

// A list of index groups that costs one pointer while it is empty, as the list of every ribbon
// face always is: a million faces should not each carry the three words of an empty vector.
class IndexGroupList {
  public:
    IndexGroupList() = default;
    IndexGroupList(const IndexGroupList& other) : groups_(Copy(other)) {}
    IndexGroupList& operator=(const IndexGroupList& other) {
        if (this != &other) {
            groups_ = Copy(other);
        }
        return *this;
    }
    IndexGroupList(IndexGroupList&&) noexcept = default;
    IndexGroupList& operator=(IndexGroupList&&) noexcept = default;

    bool empty() const { return groups_ == nullptr || groups_->empty(); }
    std::size_t size() const { return groups_ == nullptr ? 0 : groups_->size(); }
    IndexGroup& emplace_back() {
        if (groups_ == nullptr) {
            groups_ = std::make_unique<std::vector<IndexGroup>>();
        }
        return groups_->emplace_back();
    }
    IndexGroup& operator[](std::size_t i) { return (*groups_)[i]; }
    // Frees every group with its list.
    void clear() { groups_.reset(); }

  private:
    static std::unique_ptr<std::vector<IndexGroup>> Copy(const IndexGroupList& other) {
        return other.groups_ != nullptr ? std::make_unique<std::vector<IndexGroup>>(*other.groups_)
                                        : nullptr;
    }

    std::unique_ptr<std::vector<IndexGroup>> groups_;
};
