#pragma once
// The process-wide registry that gives every message name its one 16-bit id for the run, and gives the
// name of an id back. Automatic ids run from 67 to 100, then from 4001 on; the fixed ids of menu
// commands lie in between. Ids never wrap and are never handed out twice: once 65535 is taken, new names
// are refused.
#include <cstdint>
#include <string>
#include <string_view>

namespace vael {

class RegisteredMessage {
public:
    RegisteredMessage(const std::string& name, std::uint16_t id) : name_(name), id_(id) {}
    RegisteredMessage(const RegisteredMessage&) = default;

    bool operator==(const std::string& name) const { return name_ == name; }
    bool hasId(std::uint16_t id) const { return id_ == id; }
    std::string name() const { return name_; }
    std::uint16_t id() const { return id_; }

    // The name's id; a name not yet known is registered under nextId first. When no id is left the name
    // is refused with a failed check and the answer is 0, which no registered message has.
    static std::uint16_t getId(std::string_view name);
    // 1 when the name is now registered under the id (newly or already), 0 when another name holds it.
    static std::int16_t registerWithId(std::uint16_t id, const std::string& name);
    // The name of the first entry with the id; "" when there is none. Registers nothing.
    static std::string nameOf(std::uint16_t id);
    // Finds the id of a name that is already registered; 0 (id untouched) when it is not. Registers
    // nothing, so that names read from outside bytes can be checked without filling the registry.
    static std::int16_t lookUp(std::string_view name, std::uint16_t& id);
    // The id the next automatic registration takes; 0 when every id up to 65535 is taken.
    static std::uint16_t nextId();
    // Deletes every entry (the application does this when it goes).
    static void clearRegistry();
    static std::int32_t registryCount();

private:
    std::string name_;
    std::uint16_t id_;
};

} // namespace vael
