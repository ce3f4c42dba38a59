#include "app/messaging/lan_server_source.h"

#include "platform/lan/network_neighbourhood.h"
#include "platform/runtime/ui_hooks.h"

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
    ui().beep();
    ui().messageBox(text, mb::Critical, QStringLiteral("Net Error"));
    return QString();
}

} // namespace vellumo::MODnETwORK

namespace vellumo {

ServerList NeighbourhoodLanServers::EnumServers(std::int32_t ServerType) {
    ui().doEvents();
    std::vector<ServerInfo101> servers;
    ServerList list;
    list.ErrorCode = networkNeighbourhood().EnumServers(static_cast<std::uint32_t>(ServerType), servers);
    list.Success = list.ErrorCode == 0;
    if (!list.Success)
        return list;
    for (const ServerInfo101& s : servers) {
        list.Servers.push_back({static_cast<std::int32_t>(s.PlatformId), s.Name,
                                static_cast<std::int32_t>(s.VersionMajor), static_cast<std::int32_t>(s.VersionMinor),
                                static_cast<std::int32_t>(s.Type), s.Comment});
    }
    return list;
}

} // namespace vellumo
