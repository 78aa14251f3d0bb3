#include "framework/core/registered_message.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "framework/core/assertion.h"

namespace vael {

namespace {

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The entries in order of registration; the two maps answer "first entry with this name / id" without a
// walk, and are kept in step with it. The entries are not kept in a List: its 16-bit count could not
// number the ids there are.
struct Registry {
    std::vector<std::unique_ptr<RegisteredMessage>> entries;
    std::unordered_map<std::string, std::uint16_t, NameHash, std::equal_to<>> idByName;
    std::unordered_map<std::uint16_t, std::string> nameById;
    std::uint16_t largest = 0;

    void add(std::string_view name, std::uint16_t id) {
        entries.push_back(std::make_unique<RegisteredMessage>(std::string(name), id));
        if (idByName.find(name) == idByName.end()) // the earlier entry of a name registered twice answers
            idByName.emplace(std::string(name), id);
        nameById.emplace(id, std::string(name));
        if (entries.size() == 1 || id > largest) largest = id;
    }
};

Registry& registry() {
    static Registry* r = new Registry();
    return *r;
}

// A name read from outside bytes may be as long as the frame; the check shows enough to recognise it.
std::string shown(std::string_view name) {
    constexpr std::size_t most = 64;
    return name.size() <= most ? std::string(name) : std::string(name.substr(0, most)) + "...";
}

} // namespace

std::uint16_t RegisteredMessage::nextId() {
    Registry& r = registry();
    if (r.entries.empty()) return 67;
    if (r.largest >= 100 && r.largest <= 4000) return 4001;
    if (r.largest == 0xFFFF) return 0;
    return static_cast<std::uint16_t>(r.largest + 1);
}

std::uint16_t RegisteredMessage::getId(std::string_view name) {
    Registry& r = registry();
    auto it = r.idByName.find(name);
    if (it != r.idByName.end()) return it->second;
    const std::uint16_t id = nextId();
    if (id == 0) {
        Assertion::fail("The message name \"" + shown(name) +
                            "\" cannot be registered: every message id is taken",
                        "registered_message.cpp", __LINE__);
        return 0;
    }
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

std::int16_t RegisteredMessage::lookUp(std::string_view name, std::uint16_t& id) {
    Registry& r = registry();
    auto it = r.idByName.find(name);
    if (it == r.idByName.end()) return 0;
    id = it->second;
    return 1;
}

void RegisteredMessage::clearRegistry() {
    Registry& r = registry();
    r.entries.clear();
    r.idByName.clear();
    r.nameById.clear();
    r.largest = 0;
}

std::int32_t RegisteredMessage::registryCount() {
    return static_cast<std::int32_t>(registry().entries.size());
}

} // namespace vael
