#pragma once
// Message names the framework's windows send and handle among themselves: commands, tool tips, dialogs.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "framework/core/message_names.h"

namespace vael::msg {

inline constexpr char Command[] = "Command";
inline constexpr char GetActiveChildMenu[] = "GetActiveChildMenu";
inline constexpr char ModalDialogBoxClosing[] = "ModalDialogBoxClosing";
inline constexpr char SystemKeyPressed[] = "System Key Pressed";
inline constexpr char ToolTipEnable[] = "ToolTipEnable";
inline constexpr char ToolTipKill[] = "ToolTipKill";
inline constexpr char ToolTipText[] = "ToolTipText";

} // namespace vael::msg
