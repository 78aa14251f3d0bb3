#include "framework/core/registered_message.h"

#include <unordered_map>

#include "framework/core/list.h"

namespace vael {

namespace {
// The ordered list is the registry; the two maps answer "first entry with this name / id" without a
// walk, and are kept in step with it.
struct Registry {
    List<RegisteredMessage*> entries;
    std::unordered_map<std::string, std::uint16_t> idByName;
    std::unordered_map<std::uint16_t, std::string> nameById;
    std::uint16_t largest = 0;

    void add(const std::string& name, std::uint16_t id) {
        entries.append(new RegisteredMessage(name, id));
        idByName.emplace(name, id); // keeps the earlier entry of a name registered twice
        nameById.emplace(id, name);
        if (entries.count() == 1 || id > largest) largest = id;
    }
};

Registry& registry() {
    static Registry* r = new Registry();
    return *r;
}
} // namespace

std::uint16_t RegisteredMessage::nextId() {
    Registry& r = registry();
    if (r.entries.isEmpty()) return 67;
    if (r.largest >= 100 && r.largest <= 4000) return 4001;
    return static_cast<std::uint16_t>(r.largest + 1);
}

std::uint16_t RegisteredMessage::getId(const std::string& name) {
    Registry& r = registry();
    auto it = r.idByName.find(name);
    if (it != r.idByName.end()) return it->second;
    const std::uint16_t id = nextId();
    r.add(name, id);
    return id;
}

std::int16_t RegisteredMessage::registerWithId(std::uint16_t id, const std::string& name) {
    Registry& r = registry();
    auto it = r.nameById.find(id);
    if (it != r.nameById.end()) return it->second == name ? 1 : 0;
    r.add(name, id);
    return 1;
}

std::string RegisteredMessage::nameOf(std::uint16_t id) {
    Registry& r = registry();
    auto it = r.nameById.find(id);
    return it == r.nameById.end() ? std::string() : it->second;
}

std::int16_t RegisteredMessage::lookUp(const std::string& name, std::uint16_t& id) {
    Registry& r = registry();
    auto it = r.idByName.find(name);
    if (it == r.idByName.end()) return 0;
    id = it->second;
    return 1;
}

void RegisteredMessage::clearRegistry() {
    Registry& r = registry();
    RegisteredMessage* entry = nullptr;
    while (r.entries.removeFirst(entry))
        delete entry;
    r.idByName.clear();
    r.nameById.clear();
    r.largest = 0;
}

std::int32_t RegisteredMessage::registryCount() {
    return registry().entries.count();
}

} // namespace vael
