#pragma once
// The payload box: every message payload travels as one polymorphic box holding one value. A box holds
// a value, never ownership: a box of a pointer never touches what it points to.
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "framework/core/box_blocks.h"
#include "framework/core/registered_message.h"
#include "framework/core/type_name.h"

namespace vael {

class ContainerBase {
public:
    virtual ~ContainerBase() = default;
    // A new box of the same type holding a copy of the value; the caller owns it.
    virtual ContainerBase* clone() const = 0;
    virtual std::uint16_t typeId() const = 0;
    virtual std::string typeName() const = 0;

    // Boxes take their memory from box_blocks.h; boxes of over-aligned values from operator new.
    static void* operator new(std::size_t size) { return box_blocks::allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { box_blocks::release(p, size); }
    static void* operator new(std::size_t size, std::align_val_t alignment) {
        return ::operator new(size, alignment);
    }
    static void operator delete(void* p, std::size_t, std::align_val_t alignment) noexcept {
        ::operator delete(p, alignment);
    }
};

template <class T> class Container : public ContainerBase {
public:
    Container() : value_() {}
    Container(const T& value) : value_(value) {}

    ContainerBase* clone() const override { return new Container<T>(value_); }
    std::uint16_t typeId() const override { return RegisteredMessage::getId(TypeName<T>::name()); }
    std::string typeName() const override { return TypeName<T>::name(); }

    T value() const { return value_; }
    T* valuePtr() { return &value_; }
    const T* valuePtr() const { return &value_; }

    // Copies the value out when data is a box of T; otherwise answers 0 and leaves out alone.
    static std::int16_t fromMessage(const ContainerBase* data, T& out) {
        auto* box = dynamic_cast<const Container<T>*>(data);
        if (!box) return 0;
        out = box->value_;
        return 1;
    }

private:
    T value_;
};

} // namespace vael
