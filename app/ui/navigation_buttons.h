#pragma once
// The buttons that browse a table of messages one row at a time, by their number on the toolbar of
// the received-message window and of the sent-message history alike (MessageNavigation carries them
// out). The numbers are those of the windows' design.

namespace vellumo::NavigationButton {

inline constexpr int First = 9;
inline constexpr int Previous = 10;
inline constexpr int Next = 11;
inline constexpr int Last = 12;
inline constexpr int Delete = 13;

} // namespace vellumo::NavigationButton
