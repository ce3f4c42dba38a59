#include "app/core/mod_vellumo.h"

#include <QDir>

namespace vellumo {

modVellumo::modVellumo(QString programFolder, Registry& registry, ShellStart& shell)
    : folders_(programFolder), Settings(folders_.configFolder()), Localisation(programFolder),
      RegistryService(registry), Shell(shell), programFolder_(std::move(programFolder)) {}

QString modVellumo::ProgramFile(const QString& name) const {
    return QDir(programFolder_).filePath(name);
}

QString modVellumo::DataFile(const QString& name) const {
    return QDir(folders_.dataFolder()).filePath(name);
}

} // namespace vellumo
