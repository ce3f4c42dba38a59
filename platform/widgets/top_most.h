#pragma once
// SetTopMost and SetNotTopMost: put a window above all other windows, and take it back. Either one
// leaves the window where it is and as large as it is, shows it when it was hidden, raises it, and
// does not give it the keyboard focus (a received message must not take the user's typing). Stateless;
// the window keeps its stay-on-top flag until the other call.

class QWidget;

namespace vellumo {

void SetTopMost(QWidget* window);
void SetNotTopMost(QWidget* window);

} // namespace vellumo
