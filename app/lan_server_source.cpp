#include "app/lan_server_source.h"

#include "platform/ui_hooks.h"

#include <QApplication>

namespace vellumo::MODnETwORK {

QString NetErrorText(std::int32_t Code, bool Silent) {
    QString text;
    switch (Code) {
    case 5:
        text = QStringLiteral("Access Denied!");
        break;
    case 1326:
        text = QStringLiteral("You do not have the permissions for it");
        break;
    case 1722:
        text = QStringLiteral("Server not accessible!");
        break;
    default:
        text = QStringLiteral("Error Nr. (") + QString::number(Code) + QStringLiteral(") !");
        break;
    }
    if (Silent)
        return text;
    QApplication::beep();
    ui().messageBox(text, mb::Critical, QStringLiteral("Net Error"));
    return QString();
}

} // namespace vellumo::MODnETwORK
