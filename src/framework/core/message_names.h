#pragma once
// Message names that travel between the framework's windows and the game's rules: the status bar's text,
// the finish-leader prompt, the end of a game. They live here because neither side may include the other.
// Every send, query and handler registration names its message through these constants, so that a
// misspelt name fails to compile instead of sending to nobody; the texts are the names on the bus.

namespace vael::msg {

inline constexpr char CloseGame[] = "CloseGame";
inline constexpr char LeaderFinishLeader[] = "LeaderFinishLeader";
inline constexpr char SetItemText[] = "SetItemText";
inline constexpr char ShowFinishLeader[] = "ShowFinishLeader";

} // namespace vael::msg
