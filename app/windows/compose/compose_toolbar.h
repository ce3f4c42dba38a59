#pragma once
// The buttons of the compose window's toolbar (frmSendMessage.TeskToolbar1), by their number in the
// window's design, 1 to 19. The numbers without a name are separators.

namespace vellumo::ComposeToolbar {

inline constexpr int ButtonCount = 19;

inline constexpr int Send = 1;
inline constexpr int NetworkBrowser = 3;
inline constexpr int Cut = 5;
inline constexpr int Copy = 6;
inline constexpr int Paste = 7;
inline constexpr int Emoticons = 9;
inline constexpr int Close = 19;

} // namespace vellumo::ComposeToolbar
