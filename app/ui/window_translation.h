#pragma once
// ApplyLanguage: translates one window from the file of a language (modLocalisation::LanguageFile),
// section [<window's objectName>]. Every window's load handler calls it first thing, when the
// program has a language. Never fails: what cannot be set is skipped. Stateless.
//
//   key                               | sets
//   ----------------------------------|------------------------------------------
//   Form                              | the window's title
//   ToolTipText                       | the window's tooltip
//   <ctl>                             | the control's caption
//   <ctl>ToolTipText                  | the control's tooltip
//   <ctl>Tab<i>                       | caption of tab i of a tabbed control, i from 0
//   <ctl>ButtonCaption<i>             | caption of button i of a toolbar, i from 0
//   <ctl>ButtonToolTipText<i>         | tooltip of button i of a toolbar
//
// <ctl> is a control's objectName followed by its index when it belongs to an indexed group of like
// controls ("Option1" index 3 gives "Option13", see modLocalisation::SetControlIndex). Every named
// QWidget and QAction below the window is a control (names starting with "qt_" are Qt's own and
// skipped). An empty or missing value leaves the design text; values are set as they stand ("|" stays).
//
// What a caption is: the "Caption" property when the control has one (our own controls), else the
// text of a label, button or action, the title of a group box or menu. The tooltip is the
// "ToolTipText" property when there is one, else the widget's or action's tooltip. A tabbed control is
// a QTabWidget, or any object with an int property "Tabs" and an invokable setTabCaption(int, QString);
// a toolbar is any object with an int property "ButtonCount" and invokables setButtonCaption(int,
// QString) and setButtonToolTipText(int, QString), read for buttons 0 to ButtonCount.

#include <QString>

class QWidget;

namespace vellumo {

class modLocalisation;

void ApplyLanguage(const modLocalisation& localisation, QWidget* window, const QString& language);

} // namespace vellumo
