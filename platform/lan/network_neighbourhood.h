#pragma once
// NetworkNeighbourhood: the network's providers, their workgroups or domains, the computers in them
// and their shares, enumerated one container at a time, and the list of computers of the station's
// own workgroup. The network browser and the compose window's computer list read it.
//
// The program reaches it through networkNeighbourhood(); the real one (SmbNetworkNeighbourhood, over
// libsmbclient) is made on first use, so nothing goes on the network until a window asks. Tests
// install a fake fed with a tree and never touch a real network. The installer keeps ownership.
//
// A resource record:
//
//   field          | values
//   ---------------|---------------------------------------------------------------------
//   dwType         | 0 any (providers, workgroups, computers), 1 disk share, 2 printer share
//   dwDisplayType  | 0 generic, 1 domain or workgroup, 2 server, 3 share, 6 network provider
//   dwUsage        | bit 1 connectable, bit 2 container (can be enumerated below)
//   lpRemoteName   | ANSI bytes: the provider's name, a workgroup's name, "\\PC01",
//                  | "\\PC01\docs"
//   location       | where the layer finds the record again (opaque to callers)
//
// One read of an enumeration fills a buffer of 16384 bytes seen as 512 records: a container with
// more entries shows its first 512.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace vellumo {

namespace netres {
inline constexpr std::uint32_t TypeAny = 0, TypeDisk = 1, TypePrint = 2;
inline constexpr std::uint32_t DisplayGeneric = 0, DisplayDomain = 1, DisplayServer = 2, DisplayShare = 3,
                               DisplayNetwork = 6;
inline constexpr std::uint32_t UsageConnectable = 1, UsageContainer = 2;
// Errors of the enumeration calls.
inline constexpr int NoError = 0, AccessDenied = 5, BadNetPath = 53, NoMoreItems = 259, ExtendedError = 1208,
                     NoNetwork = 1222;
// Records of one read: 16384 bytes of 32-byte records.
inline constexpr int BufferRecords = 512;
// The provider of the Windows network, the one the browser lists.
inline const char* const WindowsNetwork = "Microsoft Windows Network";
} // namespace netres

struct NetResource {
    std::uint32_t dwType = netres::TypeAny;
    std::uint32_t dwDisplayType = netres::DisplayGeneric;
    std::uint32_t dwUsage = 0;
    QByteArray lpRemoteName;
    QByteArray location;
};

// One row of the computer list, as level 101 of the server enumeration gives it.
struct ServerInfo101 {
    std::uint32_t PlatformId = 500;
    QString Name;
    std::uint32_t VersionMajor = 0;
    std::uint32_t VersionMinor = 0;
    std::uint32_t Type = 0;
    QString Comment;
};

// An open enumeration of one container; closed when destroyed.
class NetEnumeration {
public:
    virtual ~NetEnumeration() = default;
    // Appends up to maxCount records (-1: as many as one buffer holds) to records; returns 0,
    // NoMoreItems when nothing is left, or an error.
    virtual int EnumResource(int maxCount, std::vector<NetResource>& records) = 0;
};

class NetworkNeighbourhood {
public:
    virtual ~NetworkNeighbourhood() = default;
    // Opens the enumeration of a container's children (nullptr: the top, the providers). Returns
    // nullptr and sets error when it cannot.
    virtual std::unique_ptr<NetEnumeration> OpenEnum(const NetResource* container, int& error) = 0;
    // The computers of the station's own workgroup. serverType is the type mask callers pass (-1 for
    // every type); the SMB browse service tells no types apart, so every computer it lists matches.
    // Returns 0 or an error; servers is left empty on error.
    virtual int EnumServers(std::uint32_t serverType, std::vector<ServerInfo101>& servers) = 0;
};

// The neighbourhood in force: the real one unless another is installed.
NetworkNeighbourhood& networkNeighbourhood();
// Installs a neighbourhood for the rest of the process (nullptr goes back to the real one).
void setNetworkNeighbourhood(NetworkNeighbourhood* neighbourhood);

// Installs a neighbourhood for the lifetime of this object and puts the previous one back afterwards.
class ScopedNetworkNeighbourhood {
public:
    explicit ScopedNetworkNeighbourhood(NetworkNeighbourhood& neighbourhood);
    ~ScopedNetworkNeighbourhood();
    ScopedNetworkNeighbourhood(const ScopedNetworkNeighbourhood&) = delete;
    ScopedNetworkNeighbourhood& operator=(const ScopedNetworkNeighbourhood&) = delete;

private:
    NetworkNeighbourhood* previous_;
};

} // namespace vellumo
