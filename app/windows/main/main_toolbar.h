#pragma once
// The buttons of the received-message window's toolbar (frmMain.TeskToolbar1), by their number in
// the window's design, 1 to 24. The numbers without a name (4, 6, 7, 8, 14, 16, 18, 21, 23) are
// separators or spare buttons.

#include "app/ui/navigation_buttons.h"

namespace vellumo::MainToolbar {

inline constexpr int ButtonCount = 24;

inline constexpr int New = 1;
inline constexpr int Reply = 2;
inline constexpr int ReplyToAll = 3;
inline constexpr int Copy = 5;
inline constexpr int First = NavigationButton::First;       // 9
inline constexpr int Previous = NavigationButton::Previous; // 10
inline constexpr int Next = NavigationButton::Next;         // 11
inline constexpr int Last = NavigationButton::Last;         // 12
inline constexpr int Delete = NavigationButton::Delete;     // 13
inline constexpr int SentMessages = 15;
inline constexpr int NetworkBrowser = 17;
inline constexpr int Options = 19;
inline constexpr int Tools = 20;
inline constexpr int Quit = 22;
inline constexpr int Hide = 24;

} // namespace vellumo::MainToolbar
