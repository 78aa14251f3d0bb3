#include "framework/core/type_info.h"

#include <functional>
#include <limits>
#include <unordered_map>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"

namespace vael {

namespace {

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The records in order of registration, and the same records by type name, so that finding one costs a
// hash look-up whatever the number of records: every box and list read or written asks. A record's name
// never changes, while its id is looked up afresh each time (the message registry may be emptied and
// filled again), so the name is the key.
struct TypeRegistry {
    List<TypeInfoBase*> records{0};
    std::unordered_map<std::string, TypeInfoBase*, NameHash, std::equal_to<>> byName;
};

// Usable from static constructors: built on first use and never destroyed, so that records registered at
// program start are there before any message is sent, whatever the order files are initialised in.
TypeRegistry& registry() {
    static TypeRegistry* r = new TypeRegistry();
    return *r;
}

} // namespace

std::int16_t TypeInfoBase::registerType(TypeInfoBase* record) {
    if (!record) return 0;
    TypeRegistry& r = registry();
    const std::string name = record->typeName();
    // A record without an id (the message registry refused its name) could never be found by it.
    if (r.byName.find(name) != r.byName.end() || record->typeId() == 0 ||
        r.records.count() == std::numeric_limits<std::int16_t>::max()) {
        delete record;
        return 0;
    }
    r.records.append(record);
    r.byName.emplace(name, record);
    return 1;
}

TypeInfoBase* TypeInfoBase::find(std::uint16_t id) {
    const std::string name = RegisteredMessage::nameOf(id);
    if (name.empty()) return nullptr;
    TypeInfoBase* record = lookUp(name);
    // The name may hold an earlier id as well; only the id its record answers with finds it.
    return record && record->typeId() == id ? record : nullptr;
}

TypeInfoBase* TypeInfoBase::findByName(const std::string& name) {
    return find(RegisteredMessage::getId(name));
}

TypeInfoBase* TypeInfoBase::lookUp(std::string_view name) {
    TypeRegistry& r = registry();
    auto it = r.byName.find(name);
    return it == r.byName.end() ? nullptr : it->second;
}

void TypeInfoBase::cleanUp() {
    TypeRegistry& r = registry();
    r.byName.clear();
    TypeInfoBase* record = nullptr;
    while (r.records.removeFirst(record))
        delete record;
}

std::int32_t TypeInfoBase::registeredCount() {
    return registry().records.count();
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
    // One level deeper for as long as the value is read, however the read ends (a box that cannot be
    // allocated throws).
    struct Nested {
        SuperString& s;
        explicit Nested(SuperString& stream) : s(stream) { s.setObjectDepth(s.objectDepth() + 1); }
        ~Nested() { s.setObjectDepth(s.objectDepth() - 1); }
    };
    ContainerBase* made = nullptr;
    {
        const Nested nested(s);
        made = record->readContainer(s);
    }
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
