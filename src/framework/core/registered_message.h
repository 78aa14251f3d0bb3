#pragma once
// The process-wide registry that gives every message name its one 16-bit id for the run, and gives the
// name of an id back. Automatic ids run from 67 to 100, then from 4001 on; the fixed ids of menu
// commands lie in between.
#include <cstdint>
#include <string>

namespace vael {

class RegisteredMessage {
public:
    RegisteredMessage(const std::string& name, std::uint16_t id) : name_(name), id_(id) {}
    RegisteredMessage(const RegisteredMessage&) = default;

    bool operator==(const std::string& name) const { return name_ == name; }
    bool hasId(std::uint16_t id) const { return id_ == id; }
    std::string name() const { return name_; }
    std::uint16_t id() const { return id_; }

    // The name's id; a name not yet known is registered under nextId first.
    static std::uint16_t getId(const std::string& name);
    // 1 when the name is now registered under the id (newly or already), 0 when another name holds it.
    static std::int16_t registerWithId(std::uint16_t id, const std::string& name);
    // The name of the first entry with the id; "" when there is none. Registers nothing.
    static std::string nameOf(std::uint16_t id);
    // Finds the id of a name that is already registered; 0 (id untouched) when it is not. Registers
    // nothing, so that names read from outside bytes can be checked without filling the registry.
    static std::int16_t lookUp(const std::string& name, std::uint16_t& id);
    static std::uint16_t nextId();
    // Deletes every entry (the application does this when it goes).
    static void clearRegistry();
    static std::int32_t registryCount();

private:
    std::string name_;
    std::uint16_t id_;
};

} // namespace vael
