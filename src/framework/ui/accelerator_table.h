#pragma once
// A table of keyboard accelerators: keys with their modifiers that choose a menu command. Read from a
// resource text of lines "Ctrl+M 219" (modifiers Ctrl, Shift and Alt joined by "+" before the key, then
// the command id); blank lines and lines starting with "#" say nothing.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vael {

class AcceleratorTable {
public:
    struct Entry {
        std::int32_t key;
        std::uint16_t modifiers;
        std::uint16_t command;
    };

    explicit AcceleratorTable(std::string_view text);
    // The built-in accelerator resource of that name; null when there is none.
    static std::unique_ptr<AcceleratorTable> load(std::string_view name);

    // The command of the key pressed with exactly these modifiers.
    std::optional<std::uint16_t> find(std::int32_t key, std::uint16_t modifiers) const;
    const std::vector<Entry>& entries() const { return entries_; }
    // One text for each line that could not be read ("line 3: ...").
    const std::vector<std::string>& errors() const { return errors_; }

private:
    std::vector<Entry> entries_;
    std::vector<std::string> errors_;
};

} // namespace vael
