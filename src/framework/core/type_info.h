#pragma once
// Per-type readers and writers of values on a stream, found by the type's name (its id in the message
// registry). They let a box be written as its type name followed by its value and rebuilt on another
// machine or in a later run, and let lists stream their values.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/container.h"
#include "framework/core/list.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "framework/core/type_name.h"

namespace vael {

class TypeInfoBase {
public:
    virtual ~TypeInfoBase() = default;
    // Writes the value held by the box (which must be a box of this record's type).
    virtual void writeContainer(SuperString& stream, const ContainerBase* box) = 0;
    // A new box holding a value read from the stream; the caller owns it.
    virtual ContainerBase* readContainer(SuperString& stream) = 0;
    virtual std::uint16_t typeId() const = 0;
    virtual std::string typeName() const = 0;

    // The value-level forms that lists use without knowing the type at compile time: value points to a
    // value of this record's type, list to a List of that type.
    virtual void writeValue(SuperString& stream, const void* value) = 0;
    // Reads one value and appends it to the list; appends nothing when the read fails.
    virtual void readValueInto(SuperString& stream, void* list) = 0;

    // Appends the record (the registry owns it from now on) unless one with the same type id is already
    // listed, in which case the record is deleted. 1 when it was appended.
    static std::int16_t registerType(TypeInfoBase* record);
    // The first record whose type id equals id, else null.
    static TypeInfoBase* find(std::uint16_t id);
    // find(getId(name)): a name not yet known is registered as a message on the way.
    static TypeInfoBase* findByName(const std::string& name);
    // The record of the type name; registers nothing, so that names read from outside bytes cannot fill
    // the message registry.
    static TypeInfoBase* lookUp(std::string_view name);
    // Deletes every record.
    static void cleanUp();
    static std::int32_t registeredCount();

    bool operator==(const TypeInfoBase& other) const { return typeId() == other.typeId(); }
};

template <class T> class TypeInfo : public TypeInfoBase {
public:
    // The first construction for T registers a heap-allocated record of T (later ones find it there).
    TypeInfo() {
        if (!find(typeId())) registerType(new TypeInfo(Registered{}));
    }

    void writeContainer(SuperString& stream, const ContainerBase* box) override {
        if (auto* typed = dynamic_cast<const Container<T>*>(box))
            write(stream, *typed->valuePtr());
        else
            stream.setFailed();
    }
    ContainerBase* readContainer(SuperString& stream) override { return new Container<T>(read(stream)); }
    // Looked up by name on each call rather than kept, so that it stays right when the message registry
    // is emptied and filled again.
    std::uint16_t typeId() const override { return RegisteredMessage::getId(TypeName<T>::name()); }
    std::string typeName() const override { return TypeName<T>::name(); }

    virtual void write(SuperString& stream, const T& value) { stream << value; }
    virtual T read(SuperString& stream) {
        // Value-initialised with (), not {}: a record holding a list would otherwise copy-initialise the
        // list from {} through its explicit constructor, which a strict compiler refuses.
        T value = T();
        stream >> value;
        return value;
    }

    void writeValue(SuperString& stream, const void* value) override {
        write(stream, *static_cast<const T*>(value));
    }
    void readValueInto(SuperString& stream, void* list) override {
        T value = read(stream);
        if (!stream.failed()) static_cast<List<T>*>(list)->append(value);
    }

private:
    struct Registered {};
    explicit TypeInfo(Registered) {}
};

} // namespace vael
