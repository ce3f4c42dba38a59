#pragma once
// AppSettings: the settings the program runs with, read from "Vellumo.ini" in the folder of the
// user's configuration (the program folder, unless the copy is installed: UserFolders).
// One instance, owned by the program for the whole run and passed by reference to the windows that
// read it. Loaded at start-up and again after the options are applied; a re-read changes only these
// values (the server keeps its port until the next start). Key is held enciphered, exactly as stored,
// never deciphered here.
//
//   section   | key              | written as          | start-up default | after Apply
//   ----------|------------------|---------------------|------------------|------------
//   [Server]  | Port             | decimal, 1..65535   | 32666            | 32666
//   [Server]  | Key              | hex ciphertext or ""| DefaultKey       | DefaultKey
//   [Vellumo] | IsAlwaysOnTop    | "1" / "0"           | on               | on
//   [Vellumo] | StartWithWindows | "1" / "0"           | off              | off
//   [Vellumo] | CryptAll         | "1" / "0"           | off              | off
//   [Vellumo] | ShowBalloon      | "1" / "0"           | on               | off
//   [Vellumo] | IconizeAfterSend | "1" / "0"           | on               | off
//   [Vellumo] | Language         | language file name  | "English"        | not re-read
//
// A flag is off only for the exact text "0". An empty Key reads as DefaultKey. A Port that is not a
// decimal integer from 1 to 65535 falls back to 32666. After every read of Port its value is copied to
// the registry (SOFTWARE\Vellumo\Server, value Port); a refused copy is written to the event log and
// the settings stay as read, as does a Port that fell back.

#include <QString>

#include <cstdint>
#include <optional>

namespace vellumo {

class Registry;

class AppSettings {
public:
    static constexpr std::int32_t DefaultPort = 32666;
    static QString DefaultKey() { return QStringLiteral("3A91C07E55D2B84F0C6E19A7D3F28B05E4C7916A2D08F3B1"); }
    static QString FileName() { return QStringLiteral("Vellumo.ini"); }

    // settingsFolder: the folder the settings file sits in (UserFolders::configFolder).
    explicit AppSettings(QString settingsFolder);

    // The settings file: PathWithSlash of the settings folder and "Vellumo.ini".
    QString SettingsFile() const;

    // Start-up: Language (only when the language menu lists a language), Port and its registry copy,
    // Key, then the five flags.
    void LoadAtStartUp(bool languageMenuHasEntries, Registry& registry);
    // After the options are applied: Port and its copy, Key, the five flags (second default column).
    void ReloadAfterApply(Registry& registry);

    // "0" is off; any other text, an empty one included, is on.
    static bool ParseFlag(const QString& text);
    // A decimal integer from 1 to 65535, or nothing.
    static std::optional<std::int32_t> ParsePort(const QString& text);

    std::int32_t Port = DefaultPort;
    QString Key = DefaultKey();
    bool IsAlwaysOnTop = true;
    bool StartWithWindows = false;
    bool CryptAll = false;
    bool ShowBalloon = true;
    bool IconizeAfterSend = true;
    // Empty: no translation is applied.
    QString CurrentLanguage;
    // The station's own network name, set once at start-up; not stored in the file.
    QString LocalStationName;

private:
    void loadPortAndKey(Registry& registry);
    bool readFlag(const QString& key, const char* defaultText) const;

    QString settingsFolder_;
};

} // namespace vellumo
