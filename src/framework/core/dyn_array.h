#pragma once
// An indexed table that grows on indexing to the next multiple of its growth step. It keeps no count of
// the elements in use; callers keep their own.
#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "framework/core/assertion.h"
#include "framework/core/memory_manager.h"

namespace vael {

template <class T> class DynArray {
public:
    // A step of 0 would divide by zero and one past 32767 would not fit the size: both are taken as the
    // nearest step that works.
    explicit DynArray(std::uint16_t step = 10)
        : step_(static_cast<std::int16_t>(step == 0         ? 1
                                          : step > kMaxSize ? kMaxSize
                                                            : step)) {}

    DynArray(const DynArray& other) : size_(other.size_), step_(other.step_) {
        if (size_ > 0) {
            data_ = allocate(size_);
            for (std::int16_t i = 0; i < size_; ++i)
                new (&data_[i]) T(other.data_[i]);
        }
    }

    DynArray& operator=(const DynArray& other) {
        if (this == &other) return *this;
        release();
        size_ = other.size_;
        step_ = other.step_;
        if (size_ > 0) {
            data_ = allocate(size_);
            for (std::int16_t i = 0; i < size_; ++i)
                new (&data_[i]) T(other.data_[i]);
        }
        return *this;
    }

    ~DynArray() { release(); }

    std::int16_t size() const { return size_; }
    std::int16_t step() const { return step_; }

    T& operator[](std::int32_t index) { return at(index); }

    T& at(std::int32_t index) {
        // One unsigned comparison also sends negative indices to the slow path, which refuses them.
        if (static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(size_)) grow(index);
        return data_[index];
    }

    // The size is 16-bit: no array holds more elements than this.
    static constexpr std::int32_t kMaxSize = 32767;

private:
    static T* allocate(std::int32_t n) {
        void* block = operatorNewArray(sizeof(T) * static_cast<std::size_t>(n));
        if (!block) throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void grow(std::int32_t index) {
        if (index < 0 || index >= kMaxSize) {
            // Writing there would land outside the block; there is no element to hand out.
            Assertion::fail("Array index out of range", "dyn_array.h", static_cast<std::int16_t>(__LINE__));
            throw std::out_of_range("DynArray index " + std::to_string(index));
        }
        const std::int32_t newSize = static_cast<std::int32_t>(
            std::min<std::int64_t>((std::int64_t(index) / step_ + 1) * step_, kMaxSize));
        T* block = allocate(newSize);
        for (std::int32_t i = 0; i < size_; ++i) {
            new (&block[i]) T(std::move(data_[i]));
            data_[i].~T();
        }
        // New slots start zeroed for plain types, so an id that was never given reads as empty.
        for (std::int32_t i = size_; i < newSize; ++i)
            new (&block[i]) T();
        if (data_) operatorDeleteArray(data_);
        data_ = block;
        size_ = static_cast<std::int16_t>(newSize);
    }

    void release() {
        for (std::int32_t i = 0; i < size_; ++i)
            data_[i].~T();
        if (data_) operatorDeleteArray(data_);
        data_ = nullptr;
        size_ = 0;
    }

    std::int16_t size_ = 0;
    std::int16_t step_ = 10;
    T* data_ = nullptr;
};

} // namespace vael
