#pragma once
// Message names of the game's shell: the start dialog coming back, and the file menu's commands the
// game answers (sent through their command ids).
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus. The
// header of the layer below comes with it, so that a file includes only its own layer's names.

#include "game/map/map_message_names.h"

namespace vael::msg {

inline constexpr char FileOpenGame[] = "FileOpenGame";
inline constexpr char FilePreferences[] = "FilePreferences";
inline constexpr char FileStartGame[] = "FileStartGame";
inline constexpr char HelpAbout[] = "HelpAbout";
inline constexpr char ShowMainDlg[] = "ShowMainDlg";
// The battle window's Window, Player Chat... (and its keys): the players' chat during a network battle.
inline constexpr char WindowPlayerChat[] = "WindowPlayerChat";

} // namespace vael::msg
