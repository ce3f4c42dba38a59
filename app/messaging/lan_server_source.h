#pragma once
// LanServerSource: where the compose window gets the computers of the LAN (the list of servers of
// the network neighbourhood, asked of the local computer for every server type). The network layer
// implements it; NoLanServers stands in until it is there and lists nothing. Also the error texts of
// that list.
//
//   ServerEntry field  meaning
//   PlatformId         the server's platform
//   Name               the computer's name, as the recipients line takes it
//   VersionMajor/Minor the system version it reports
//   Type               its server-type mask
//   Comment            its description
//
// Owned by whoever makes the compose window; outlives it.

#include <QString>

#include <cstdint>
#include <vector>

namespace vellumo {

struct ServerEntry {
    std::int32_t PlatformId = 0;
    QString Name;
    std::int32_t VersionMajor = 0;
    std::int32_t VersionMinor = 0;
    std::int32_t Type = 0;
    QString Comment;
};

struct ServerList {
    bool Success = false;
    std::int32_t ErrorCode = 0;
    std::vector<ServerEntry> Servers;
};

class LanServerSource {
public:
    virtual ~LanServerSource() = default;
    // Every server of the given type mask (-1: all); on failure Success is false and ErrorCode the
    // system's error number. May let the event loop run.
    virtual ServerList EnumServers(std::int32_t ServerType) = 0;
};

// Lists nothing, successfully.
class NoLanServers : public LanServerSource {
public:
    ServerList EnumServers(std::int32_t) override { return ServerList{true, 0, {}}; }
};

// The computers of the network neighbourhood in force (platform/lan/network_neighbourhood.h).
class NeighbourhoodLanServers : public LanServerSource {
public:
    ServerList EnumServers(std::int32_t ServerType) override;
};

namespace MODnETwORK {
// "Access Denied!" (5), "You do not have the permissions for it" (1326), "Server not accessible!"
// (1722), else "Error Nr. (<code>) !". Not Silent: a beep and the text in a box (style 16, title
// "Net Error"), and an empty result.
QString NetErrorText(std::int32_t Code, bool Silent = false);
} // namespace MODnETwORK

} // namespace vellumo
