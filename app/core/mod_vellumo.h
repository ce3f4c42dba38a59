#pragma once
// modVellumo: the module-level state of the program, one instance for the whole run, made by main()
// and passed by reference to every window: the program folder, the folders of the user's own files,
// the settings, the translated string table, the send slots, and the outside services the windows
// reach (registry, shell start). Tests make their own instance over a temporary program folder and
// fake services.
//
// What ships (Lng/, System/, the templates, kippler) is read from the program folder; what the user's
// copy writes (Vellumo.ini, Vellumo.dbo, Users.dbo, the lock) goes to the user's folders, which are
// the program folder itself unless the copy is installed (UserFolders).

#include "app/core/app_settings.h"
#include "app/core/mod_localisation.h"
#include "app/core/send_slots.h"
#include "platform/runtime/user_folders.h"

#include <QString>

namespace vellumo {

class Registry;
class ShellStart;

class modVellumo {
    // First, so that the settings below are made with the folder it names.
    UserFolders folders_;

public:
    modVellumo(QString programFolder, Registry& registry, ShellStart& shell);
    modVellumo(const modVellumo&) = delete;
    modVellumo& operator=(const modVellumo&) = delete;

    // The folder of the running program, without a trailing slash.
    const QString& ProgramFolder() const { return programFolder_; }
    // A file the program ships with, in the program folder ("Lng", "Vellumo.sys", "kippler").
    QString ProgramFile(const QString& name) const;
    // Where the user's files go; the program folder for a copy that is not installed.
    const UserFolders& Folders() const { return folders_; }
    // The folder of the user's databases and lock, without a trailing slash.
    const QString& DataFolder() const { return folders_.dataFolder(); }
    // A file of the user's data folder ("Vellumo.dbo", "Users.dbo").
    QString DataFile(const QString& name) const;

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
