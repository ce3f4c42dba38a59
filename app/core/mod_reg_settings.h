#pragma once
// modRegSettings: writes one text value into the machine-wide registry, under
// SOFTWARE\<AppName>\<Section> (both trimmed of blanks), the value named Key as passed. The program
// copies its port there each time it reads it (AppSettings); nothing reads the copy back. Stateless;
// the registry comes from the caller.
//
// Errors (RuntimeError, source "modRegSettings"), raised after the key is let go:
//   &H800403E8  "AppName doit être renseigné"             AppName blank
//   &H800403E9  "Section doit être renseigné"             Section blank
//   &H800403EA  "Key doit être renseigné"                 Key blank (Value may be empty)
//   &H800407D0 + r  "Could not open/create registry section"   the key could not be opened (r its code)
//   &H800407D0 + r  "Impossible d'écrire la clef de registre"  the value could not be written

#include <QString>

namespace vellumo {

class Registry;

void SaveRegSetting(Registry& registry, const QString& AppName, const QString& Section, const QString& Key,
                    const QString& Value);

} // namespace vellumo
