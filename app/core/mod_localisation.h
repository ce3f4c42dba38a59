#pragma once
// modLocalisation: translates the windows and the messages of the program from a language file,
// "Lng/<language>.lng" below the program folder (an INI file in Windows-1252, read one value at a
// time; the program never writes it). The string table is the module state of translation: one
// instance, owned by the program for the whole run, loaded once at start-up and never cleared. The
// language itself (CurrentLanguage) lives in AppSettings.
//
// Language file:
//
//   section      | key                               | sets
//   -------------|-----------------------------------|------------------------------------------
//   [<window>]   | Form                              | the window's title
//                | ToolTipText                       | the window's tooltip
//                | <ctl>                             | the control's caption
//                | <ctl>ToolTipText                  | the control's tooltip
//                | <ctl>Tab<i>                       | caption of tab i of a tabbed control, i from 0
//                | <ctl>ButtonCaption<i>             | caption of button i of a toolbar, i from 0
//                | <ctl>ButtonToolTipText<i>         | tooltip of button i of a toolbar
//   [Strings]    | String<id>                        | message id ("|" shows as a line break);
//                |                                   | the first "###END###" ends the table
//
// <window> is the window's objectName; <ctl> is a control's objectName followed by its index when it
// belongs to an indexed group of like controls ("Option1" index 3 gives "Option13"). Windows name
// their controls with setObjectName and mark the members of an indexed group with SetControlIndex;
// every named QWidget and QAction below the window is a control (names starting with "qt_" are Qt's
// own and skipped). An empty or missing value leaves the design text; values are set as they stand.
//
// What a caption is: the "Caption" property when the control has one (our own controls), else the
// text of a label, button or action, the title of a group box or menu. The tooltip is the
// "ToolTipText" property when there is one, else the widget's or action's tooltip. A tabbed control is
// a QTabWidget, or any object with an int property "Tabs" and an invokable setTabCaption(int, QString);
// a toolbar is any object with an int property "ButtonCount" and invokables setButtonCaption(int,
// QString) and setButtonToolTipText(int, QString), read for buttons 0 to ButtonCount.

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QObject;
class QWidget;

namespace vellumo {

class modLocalisation {
public:
    // The highest string id that LoadStrings reads.
    static constexpr int MaxStringId = 32000;

    explicit modLocalisation(QString programFolder);

    // The file of a language: PathWithSlash(program folder) & "Lng/" & language & ".lng".
    QString LanguageFile(const QString& language) const;

    // Translates window from the file of language. Never fails: what cannot be set is skipped.
    void ApplyLanguage(QWidget* window, const QString& language) const;
    // Fills the string table from [Strings] of the file of language.
    void LoadStrings(const QString& language);
    // The text of message id, or defaultText when the table has none; "|" becomes CR LF in either.
    QString GetString(std::int16_t id, const QString& defaultText) const;
    // The locale of the interface, for calendars and dates the windows show: message 72 names it
    // ("fr_FR" by default, as the program's own texts are French).
    QLocale Locale() const;
    // The caption of a message box's standard button, by the answer it gives (1 OK, 2 Cancel, 3 Abort,
    // 4 Retry, 5 Ignore, 6 Yes, 7 No): messages 50 to 56; empty for any other answer.
    QString ButtonText(int answer) const;

    // The index of control within its indexed group as decimal text, or "" when it is in none.
    static QString GetControlIndex(const QObject* control);
    // Marks control as member index of the indexed group named by its objectName.
    static void SetControlIndex(QObject* control, int index);

    // The string table: indices 0 to n + 1 after a load that stored the ids 1 to n; none before.
    const std::optional<std::vector<QString>>& LanguageStrings() const { return LanguageStrings_; }

private:
    QString programFolder_;
    std::optional<std::vector<QString>> LanguageStrings_;
};

} // namespace vellumo
