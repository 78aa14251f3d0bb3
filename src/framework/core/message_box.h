#pragma once
// Where the core shows a message to the user. The application fills this with its own message box when it
// starts; until then (and in tests that install nothing) the message goes to the debug stream only.
#include <cstdint>
#include <functional>
#include <string>

namespace vael {

// Style flags of a message box: buttons in the low bits, the icon above them.
constexpr std::uint32_t MessageBoxOk = 0x0;
constexpr std::uint32_t MessageBoxYesNo = 0x4;
constexpr std::uint32_t MessageBoxIconStop = 0x10;
constexpr std::uint32_t MessageBoxIconExclamation = 0x30;
constexpr std::uint32_t MessageBoxIconInformation = 0x40;

// Shows the text with its title; answers the button chosen (whatever the installed box reports).
using MessageBoxFunction =
    std::function<std::int32_t(const std::string& text, const std::string& title, std::uint32_t style)>;

// Installs the function and returns the one it replaces.
MessageBoxFunction setMessageBox(MessageBoxFunction function);
std::int32_t messageBox(const std::string& text, const std::string& title, std::uint32_t style);

} // namespace vael
