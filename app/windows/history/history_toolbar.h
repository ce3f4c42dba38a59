#pragma once
// The buttons of the sent-message history's toolbar (frmSendedMessages.TeskToolbar1), by their number
// in the window's design, 1 to 22. The numbers without a name are separators or spare buttons.

#include "app/ui/navigation_buttons.h"

namespace vellumo::HistoryToolbar {

inline constexpr int ButtonCount = 22;

inline constexpr int NewMessage = 1;
inline constexpr int SendAgain = 2;
inline constexpr int Copy = 5;
inline constexpr int First = NavigationButton::First;       // 9
inline constexpr int Previous = NavigationButton::Previous; // 10
inline constexpr int Next = NavigationButton::Next;         // 11
inline constexpr int Last = NavigationButton::Last;         // 12
inline constexpr int Delete = NavigationButton::Delete;     // 13
inline constexpr int Close = 22;

} // namespace vellumo::HistoryToolbar
