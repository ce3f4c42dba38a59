#pragma once
// modVellumo: the module-level state of the program, one instance for the whole run, made by main()
// and passed by reference to every window: the program folder, the settings, the translated string
// table, the send slots, and the outside services the windows reach (registry, shell start). Tests
// make their own instance over a temporary program folder and fake services.

#include "app/app_settings.h"
#include "app/mod_localisation.h"
#include "app/send_slots.h"

#include <QString>

namespace vellumo {

class Registry;
class ShellStart;

class modVellumo {
public:
    modVellumo(QString programFolder, Registry& registry, ShellStart& shell);
    modVellumo(const modVellumo&) = delete;
    modVellumo& operator=(const modVellumo&) = delete;

    // The folder of the running program, without a trailing slash.
    const QString& ProgramFolder() const { return programFolder_; }
    // A file of the program folder ("Vellumo.dbo", "Lng").
    QString ProgramFile(const QString& name) const;

    // GetString of the translated string table.
    QString GetString(std::int16_t id, const QString& defaultText) const {
        return Localisation.GetString(id, defaultText);
    }

    AppSettings Settings;
    modLocalisation Localisation;
    SendSlots Slots;
    Registry& RegistryService;
    ShellStart& Shell;
    // Set by the compose window just before it opens the network browser or the peer scan modally;
    // cleared when either of them closes. Tells them where the picked names go.
    bool OpenedFromCompose = false;

private:
    QString programFolder_;
};

} // namespace vellumo
