#pragma once
// SmbNetworkNeighbourhood: the NetworkNeighbourhood of the running program, over libsmbclient. The
// top holds one provider, "Microsoft Windows Network"; below it the workgroups the SMB browse
// service knows ("smb://"), below a workgroup its computers ("smb://WORKGROUP/"), below a computer
// its disk and printer shares ("smb://PC01/"). Log-ons are anonymous.
//
// The library context is created on the first call, never before, so a program that never opens the
// browser sends nothing. Every call blocks until the network answers or the library's time-out.
// Names arrive from the library as UTF-8 and are handed on as ANSI (Windows-1252) bytes.
//
//   record       | dwType | dwDisplayType | dwUsage     | lpRemoteName      | location
//   -------------|--------|---------------|-------------|-------------------|--------------------
//   provider     | 0      | 6 network     | container   | the provider name | smb://
//   workgroup    | 0      | 1 domain      | container   | WORKGROUP         | smb://WORKGROUP/
//   computer     | 0      | 2 server      | container   | \\PC01            | smb://PC01/
//   disk share   | 1      | 3 share       | connectable | \\PC01\docs       | smb://PC01/docs
//   printer      | 2      | 3 share       | connectable | \\PC01\lp         | smb://PC01/lp

#include "platform/lan/network_neighbourhood.h"

struct _SMBCCTX;

namespace vellumo {

class SmbNetworkNeighbourhood final : public NetworkNeighbourhood {
public:
    SmbNetworkNeighbourhood() = default;
    ~SmbNetworkNeighbourhood() override;
    SmbNetworkNeighbourhood(const SmbNetworkNeighbourhood&) = delete;
    SmbNetworkNeighbourhood& operator=(const SmbNetworkNeighbourhood&) = delete;

    std::unique_ptr<NetEnumeration> OpenEnum(const NetResource* container, int& error) override;
    int EnumServers(std::uint32_t serverType, std::vector<ServerInfo101>& servers) override;

    // The record of one directory entry of the library below the container at location (nothing
    // for entries the browser has no use for: IPC and communication shares, files).
    static bool recordOf(unsigned int smbcType, const QString& name, const QByteArray& location, NetResource& record);
    // The enumeration error for an errno of the library.
    static int errorOf(int errnoValue);

private:
    _SMBCCTX* context(int& error);

    _SMBCCTX* context_ = nullptr;
};

} // namespace vellumo
