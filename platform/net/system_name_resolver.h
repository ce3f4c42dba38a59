#pragma once
// SystemNameResolver: the NameResolver of the running program, over getaddrinfo (IPv4 only),
// getnameinfo, getifaddrs and gethostname. It keeps no state; one process-wide instance serves as
// the default of nameResolver(). There is no socket library to start on this system, so
// initialize() and cleanup() always succeed.

#include "platform/net/name_resolver.h"

namespace vellumo {

class SystemNameResolver : public NameResolver {
public:
    bool initialize() override { return true; }
    bool cleanup() override { return true; }
    std::optional<std::uint32_t> resolveIpv4(const QByteArray& hostName) override;
    std::optional<QByteArray> hostNameOf(std::uint32_t address) override;
    int localIpv4Addresses(std::vector<std::uint32_t>& addresses) override;
    QByteArray localHostName() override;
};

} // namespace vellumo
