#pragma once
// modLocalisation: the language files of the program and its translated messages. A language file is
// "Lng/<language>.lng" below the program folder (an INI file in Windows-1252, read one value at a
// time; the program never writes it). The string table is the module state of translation: one
// instance, owned by the program for the whole run, loaded once at start-up and never cleared. The
// language itself (CurrentLanguage) lives in AppSettings.
//
// Language file (the window sections are read by ApplyLanguage, app/ui/window_translation.h):
//
//   section      | key                               | sets
//   -------------|-----------------------------------|------------------------------------------
//   [<window>]   | Form, <ctl>, <ctl>ToolTipText ... | the window's texts (ApplyLanguage)
//   [Strings]    | String<id>                        | message id ("|" shows as a line break);
//                |                                   | the first "###END###" ends the table
//
// The message ids are named in app/core/text_ids.h. Windows mark the members of an indexed group of
// like controls with SetControlIndex; the group's members then read their texts under the group's
// name followed by the index ("Option1" index 3 reads "Option13").

#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class QObject;

namespace vellumo {

class modLocalisation {
public:
    // The highest string id that LoadStrings reads.
    static constexpr int MaxStringId = 32000;

    explicit modLocalisation(QString programFolder);

    // The file of a language: PathWithSlash(program folder) & "Lng/" & language & ".lng".
    QString LanguageFile(const QString& language) const;

    // The languages that have a file in "Lng/", in the order the file system gives them: each file
    // matching "*.lng" (without regard to case) with every ".lng" removed from its name (exact case:
    // "Deutsch.LNG" stays as it is), "application" in any case left out (the reference file).
    QStringList Languages() const;
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
