#pragma once
// The chooser: a list of named entries, each carrying a number, from which the player picks one with OK
// or a double click. The run answers the low 16 bits of the chosen number, or -1 when nothing was chosen;
// the whole number stays in chosenValue. Rows may be added while it is open (found sessions, say); a
// chooser built without entries chooses nothing, whatever was added.
#include <cstdint>
#include <string>

#include "framework/core/list.h"
#include "framework/ui/dialog.h"

namespace vael {

struct enumeration {
    std::string name;
    std::int32_t value = 0;
    friend bool operator==(const enumeration&, const enumeration&) = default;
};

class EnumDialog : public Dialog {
public:
    static constexpr const char* ResourceName = "EnumDialog";
    static constexpr std::int16_t ListId = 101;

    EnumDialog(const List<enumeration>& entries, const std::string& title, std::uint16_t showCancel);

    // A row for the open chooser, unless the row the name finds already carries that value.
    void addItem(const std::string& name, std::int32_t value);
    std::int32_t chosenValue() const { return chosenValue_; }

    std::intptr_t dialogProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void onCommand(std::uint16_t id, std::uint16_t notification) override;
    void onInitDialog() override;

private:
    // The number of the selected row; -1 when none is selected.
    std::int32_t selectedValue() const;
    void choose(std::int32_t value);

    List<enumeration> entries_;
    std::string title_;
    std::uint16_t showCancel_;
    std::int32_t chosenValue_ = -1;
};

} // namespace vael
