#pragma once

// A growable array of trivially copyable elements that keeps up to N of them inside the object.
// A ribbon face has exactly four corners, and a million faces with two heap blocks each would
// double the memory a long text costs; with the corners inline a face needs no allocation.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>

template <class T, std::uint32_t N>
class InlineVector {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(N > 0);

  public:
    InlineVector() = default;
    InlineVector(std::initializer_list<T> values) {
        for (const T& v : values) {
            push_back(v);
        }
    }
    InlineVector(const InlineVector& other) { Assign(other); }
    InlineVector(InlineVector&& other) noexcept { Steal(other); }
    InlineVector& operator=(const InlineVector& other) {
        if (this != &other) {
            clear();
            Assign(other);
        }
        return *this;
    }
    InlineVector& operator=(InlineVector&& other) noexcept {
        if (this != &other) {
            clear();
            Steal(other);
        }
        return *this;
    }
    ~InlineVector() { clear(); }

    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return OnHeap() ? storage_.heap : storage_.local; }
    const T* data() const { return OnHeap() ? storage_.heap : storage_.local; }
    T& operator[](std::uint32_t i) { return data()[i]; }
    const T& operator[](std::uint32_t i) const { return data()[i]; }
    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }

    void push_back(const T& value) {
        if (size_ == capacity_) {
            // `value` may be one of our own elements, which growing moves or frees.
            const T copy = value;
            Grow(capacity_ * 2);
            data()[size_++] = copy;
            return;
        }
        data()[size_++] = value;
    }

    // Empties the list and gives back any heap block.
    void clear() {
        if (OnHeap()) {
            std::free(storage_.heap);
        }
        capacity_ = N;
        size_ = 0;
    }

    friend bool operator==(const InlineVector& a, const InlineVector& b) {
        return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
    }

  private:
    bool OnHeap() const { return capacity_ > N; }

    void Grow(std::uint32_t newCapacity) {
        T* block = static_cast<T*>(std::malloc(sizeof(T) * newCapacity));
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(block, data(), sizeof(T) * size_);
        if (OnHeap()) {
            std::free(storage_.heap);
        }
        storage_.heap = block;
        capacity_ = newCapacity;
    }

    void Assign(const InlineVector& other) {
        if (other.size_ > N) {
            Grow(other.size_);
        }
        std::memcpy(data(), other.data(), sizeof(T) * other.size_);
        size_ = other.size_;
    }

    void Steal(InlineVector& other) {
        // The whole storage block: a fixed size the compiler turns into a few moves.
        std::memcpy(&storage_, &other.storage_, sizeof(storage_));
        size_ = other.size_;
        capacity_ = other.capacity_;
        other.size_ = 0;
        other.capacity_ = N;
    }

    union Storage {
        T local[N];
        T* heap;
    } storage_ = {};
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = N;
};
