#pragma once
// SetTopMost and SetNotTopMost: put a window above all other windows, and take it back. Either one
// leaves the window where it is and as large as it is, shows it when it was hidden, raises it, and
// does not give it the keyboard focus (a received message must not take the user's typing). Stateless;
// the window keeps its stay-on-top flag until the other call.
//
// Staying on top is a property of the window: set before the window is first shown it goes with the
// first show; on a window already on the desktop it changes in place, without hiding or re-creating
// the window, so a dialog running its modal loop stays up and keeps its place. Not activating holds
// for the show done here only: a window shown later at the user's request takes the focus.

class QWidget;

namespace vellumo {

void SetTopMost(QWidget* window);
void SetNotTopMost(QWidget* window);
// Only the property: the window keeps its visibility and place (for windows still being built).
void SetStaysOnTop(QWidget* window, bool onTop);
// Shows a hidden window without giving it the keyboard focus, whether or not it was shown before; a
// window already shown is left as it is.
void ShowWithoutActivating(QWidget* window);

} // namespace vellumo
