#pragma once
// An indexed table that grows on indexing to the next multiple of its growth step. It keeps no count of
// the elements in use; callers keep their own.
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "framework/core/memory_manager.h"

namespace vael {

template <class T> class DynArray {
public:
    explicit DynArray(std::uint16_t step = 10) : step_(static_cast<std::int16_t>(step)) {}

    DynArray(const DynArray& other) : size_(other.size_), step_(other.step_) {
        if (size_ > 0) {
            data_ = allocate(size_);
            for (std::int16_t i = 0; i < size_; ++i) new (&data_[i]) T(other.data_[i]);
        }
    }

    DynArray& operator=(const DynArray& other) {
        if (this == &other) return *this;
        release();
        size_ = other.size_;
        step_ = other.step_;
        if (size_ > 0) {
            data_ = allocate(size_);
            for (std::int16_t i = 0; i < size_; ++i) new (&data_[i]) T(other.data_[i]);
        }
        return *this;
    }

    ~DynArray() { release(); }

    std::int16_t size() const { return size_; }
    std::int16_t step() const { return step_; }

    T& operator[](std::int32_t index) { return at(index); }

    T& at(std::int32_t index) {
        if (index >= size_) grow(index);
        return data_[index];
    }

private:
    static T* allocate(std::int32_t n) {
        void* block = operatorNewArray(sizeof(T) * static_cast<std::size_t>(n));
        if (!block) throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void grow(std::int32_t index) {
        const std::int32_t newSize = (index / step_ + 1) * step_;
        T* block = allocate(newSize);
        for (std::int32_t i = 0; i < size_; ++i) {
            new (&block[i]) T(std::move(data_[i]));
            data_[i].~T();
        }
        // New slots start zeroed for plain types, so an id that was never given reads as empty.
        for (std::int32_t i = size_; i < newSize; ++i) new (&block[i]) T();
        if (data_) operatorDeleteArray(data_);
        data_ = block;
        size_ = static_cast<std::int16_t>(newSize);
    }

    void release() {
        for (std::int32_t i = 0; i < size_; ++i) data_[i].~T();
        if (data_) operatorDeleteArray(data_);
        data_ = nullptr;
        size_ = 0;
    }

    std::int16_t size_ = 0;
    std::int16_t step_ = 10;
    T* data_ = nullptr;
};

} // namespace vael
