#include "app/mod_vellumo.h"

#include <QDir>

namespace vellumo {

modVellumo::modVellumo(QString programFolder, Registry& registry, ShellStart& shell)
    : Settings(programFolder), Localisation(programFolder), RegistryService(registry), Shell(shell),
      programFolder_(std::move(programFolder)) {}

QString modVellumo::ProgramFile(const QString& name) const { return QDir(programFolder_).filePath(name); }

} // namespace vellumo
