#include "framework/core/type_info.h"

#include "framework/core/command_records.h"
#include "framework/core/direction.h"

namespace vael {

namespace {
// Usable from static constructors: built on first use and never destroyed, so that records registered at
// program start are there before any message is sent, whatever the order files are initialised in.
List<TypeInfoBase*>& registry() {
    static List<TypeInfoBase*>* records = new List<TypeInfoBase*>(0);
    return *records;
}

TypeInfoBase* firstWithId(std::uint16_t id) {
    ListIterator<TypeInfoBase*> it(registry());
    TypeInfoBase* record = nullptr;
    while (it.next(record))
        if (record->typeId() == id) return record;
    return nullptr;
}

} // namespace

std::int16_t TypeInfoBase::registerType(TypeInfoBase* record) {
    if (!record) return 0;
    if (firstWithId(record->typeId())) {
        delete record;
        return 0;
    }
    registry().append(record);
    return 1;
}

TypeInfoBase* TypeInfoBase::find(std::uint16_t id) {
    return firstWithId(id);
}

TypeInfoBase* TypeInfoBase::findByName(const std::string& name) {
    return find(RegisteredMessage::getId(name));
}

TypeInfoBase* TypeInfoBase::lookUp(const std::string& name) {
    ListIterator<TypeInfoBase*> it(registry());
    TypeInfoBase* record = nullptr;
    while (it.next(record))
        if (record->typeName() == name) return record;
    return nullptr;
}

void TypeInfoBase::cleanUp() {
    TypeInfoBase* record = nullptr;
    while (registry().removeFirst(record))
        delete record;
}

std::int32_t TypeInfoBase::registeredCount() {
    return registry().count();
}

// ---- the nullable-object encoding ----

SuperString& operator<<(SuperString& s, const ContainerBase* box) {
    if (!box) return s << static_cast<unsigned short>(0);
    TypeInfoBase* record = TypeInfoBase::find(box->typeId());
    if (!record) {
        // Nothing could follow a flag of 1 here, so the box goes as null and the stream stays readable.
        reportUnregisteredType(box->typeName());
        return s << static_cast<unsigned short>(0);
    }
    s << static_cast<unsigned short>(1) << box->typeName();
    record->writeContainer(s, box);
    return s;
}

SuperString& operator>>(SuperString& s, ContainerBase*& box) {
    box = nullptr;
    unsigned short flag = 0;
    s >> flag;
    if (flag == 0 || s.failed()) return s;
    std::string name;
    s >> name;
    if (s.failed()) return s;
    // A name no record was built for is not registered as a message on the way: hostile bytes must not
    // fill the registry with names.
    TypeInfoBase* record = TypeInfoBase::lookUp(name);
    if (!record) {
        reportUnreadableType(name);
        s.setFailed();
        return s;
    }
    if (s.objectDepth() >= SuperString::MaxObjectDepth) {
        s.setFailed();
        return s;
    }
    s.setObjectDepth(s.objectDepth() + 1);
    ContainerBase* made = record->readContainer(s);
    s.setObjectDepth(s.objectDepth() - 1);
    if (s.failed()) {
        delete made;
        return s;
    }
    box = made;
    return s;
}

// ---- what lists use ----

namespace list_stream {

TypeInfoBase* record(const char* typeName, SuperString& stream, bool forWriting) {
    TypeInfoBase* found = typeName ? TypeInfoBase::lookUp(typeName) : nullptr;
    if (!found) {
        const std::string name = typeName ? typeName : "An unnamed type";
        if (forWriting)
            reportUnregisteredType(name);
        else
            reportUnreadableType(name);
        stream.setFailed();
    }
    return found;
}

void writeCount(SuperString& stream, std::int16_t count) {
    stream << static_cast<short>(count);
}

std::int16_t readCount(SuperString& stream) {
    short count = 0;
    stream >> count;
    return count;
}

void writeValue(TypeInfoBase* record, SuperString& stream, const void* value) {
    record->writeValue(stream, value);
}

void readValueInto(TypeInfoBase* record, SuperString& stream, void* list) {
    record->readValueInto(stream, list);
}

bool failed(const SuperString& stream) {
    return stream.failed();
}

} // namespace list_stream

// The shared records are registered at program start, before any message is sent. They live here, beside
// the object encoding, so that every program that streams boxes links them in.
namespace {
const TypeInfo<DIRECTION> directionRecord;
const TypeInfo<LogicalCommandInfo> logicalCommandInfoRecord;
const TypeInfo<SetTextData> setTextDataRecord;
} // namespace

} // namespace vael
