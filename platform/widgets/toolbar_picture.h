#pragma once
// ToolbarPicture: the picture of a toolbar button by its standard icon name (the desktop's icon naming:
// "edit-cut", "mail-send", ...). The desktop's icon theme gives it when it holds the name, so the
// buttons look like the rest of the desktop; where the theme lacks it, a picture of the style that
// shows the same thing stands in, or one drawn here for what the style has no picture of. Every name
// the windows use has a fallback, so no button is ever blank or shows something else.
//
//   name                                fallback
//   go-first, go-previous,              the style's skip back, arrow left, arrow right, skip forward
//   go-next, go-last
//   edit-delete                         the style's trash can
//   window-close, application-exit      the style's close button
//   network-workgroup                   the style's network drive
//   window-minimize                     the style's title-bar minimise button
//   mail-message-new                    drawn: an envelope with a plus
//   mail-send                           drawn: an envelope with an arrow going out
//   mail-reply-sender, mail-reply-all   drawn: one or two arrows bent back
//   edit-cut                            drawn: scissors
//   edit-copy                           drawn: two sheets
//   edit-paste                          drawn: a clipboard holding a sheet
//   face-smile                          drawn: a smiling face
//   preferences-system                  drawn: three sliders
//   applications-utilities              drawn: a tool box
//   document-open-recent                drawn: a clock
//
// Any other name without a theme picture gives a null icon.

#include <QIcon>
#include <QString>

namespace vellumo {

QIcon ToolbarPicture(const QString& name);

// The fallback alone, as shown when the theme lacks the name (for the screenshots and the tests).
QIcon ToolbarPictureFallback(const QString& name);

} // namespace vellumo
