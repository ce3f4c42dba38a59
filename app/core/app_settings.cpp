#include "app/core/app_settings.h"

#include "app/core/mod_reg_settings.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"

namespace vellumo {

using OperationsFichiers::IniRead;

namespace {
const QString kServer = QStringLiteral("Server");
const QString kVellumo = QStringLiteral("Vellumo");
} // namespace

AppSettings::AppSettings(QString settingsFolder) : settingsFolder_(std::move(settingsFolder)) {}

QString AppSettings::SettingsFile() const {
    return OperationsFichiers::PathWithSlash(settingsFolder_) + FileName();
}

bool AppSettings::ParseFlag(const QString& text) {
    return text != QStringLiteral("0");
}

std::optional<std::int32_t> AppSettings::ParsePort(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    std::int32_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 65535)
            return std::nullopt;
    }
    if (value < 1)
        return std::nullopt;
    return value;
}

bool AppSettings::readFlag(const QString& key, const char* defaultText) const {
    return ParseFlag(IniRead(kVellumo, key, QString::fromLatin1(defaultText), SettingsFile()));
}

void AppSettings::loadPortAndKey(Registry& registry) {
    const QString portText = IniRead(kServer, QStringLiteral("Port"), QString::number(DefaultPort), SettingsFile());
    if (const auto port = ParsePort(portText)) {
        Port = *port;
    } else {
        Port = DefaultPort;
        ui().logEvent(EventLogType::Warning, QStringLiteral("Vellumo"),
                      QStringLiteral("Port \"%1\" is not a port number; using %2").arg(portText).arg(DefaultPort));
    }
    try {
        SaveRegSetting(registry, QStringLiteral("Vellumo"), kServer, QStringLiteral("Port"), QString::number(Port));
    } catch (const RuntimeError& e) {
        // The copy is for outside readers only; the program goes on with the settings from the file.
        ui().logEvent(EventLogType::Warning, QStringLiteral("Vellumo"),
                      QStringLiteral("Registry copy of the port: %1 (%2)").arg(e.description()).arg(e.number()));
    }
    Key = IniRead(kServer, QStringLiteral("Key"), DefaultKey(), SettingsFile());
    if (Key.isEmpty())
        Key = DefaultKey();
}

void AppSettings::LoadAtStartUp(bool languageMenuHasEntries, Registry& registry) {
    if (languageMenuHasEntries)
        CurrentLanguage = IniRead(kVellumo, QStringLiteral("Language"), QStringLiteral("English"), SettingsFile());
    loadPortAndKey(registry);
    IsAlwaysOnTop = readFlag(QStringLiteral("IsAlwaysOnTop"), "1");
    StartWithWindows = readFlag(QStringLiteral("StartWithWindows"), "0");
    CryptAll = readFlag(QStringLiteral("CryptAll"), "0");
    ShowBalloon = readFlag(QStringLiteral("ShowBalloon"), "1");
    IconizeAfterSend = readFlag(QStringLiteral("IconizeAfterSend"), "1");
}

void AppSettings::ReloadAfterApply(Registry& registry) {
    loadPortAndKey(registry);
    IsAlwaysOnTop = readFlag(QStringLiteral("IsAlwaysOnTop"), "1");
    StartWithWindows = readFlag(QStringLiteral("StartWithWindows"), "0");
    CryptAll = readFlag(QStringLiteral("CryptAll"), "0");
    ShowBalloon = readFlag(QStringLiteral("ShowBalloon"), "0");
    IconizeAfterSend = readFlag(QStringLiteral("IconizeAfterSend"), "0");
}

} // namespace vellumo
