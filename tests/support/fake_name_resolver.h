#pragma once
// FakeNameResolver: a NameResolver fed with a host list, for tests that must never touch the
// machine's networks or DNS. Names match without regard to letter case and give their first address;
// an address gives the name of the first host that lists it. The station's own addresses are a plain
// list, returned in the order given. Every routine can fail on demand, and the lookups are recorded.
// Install it with a ScopedNameResolver.

#include "platform/net/name_resolver.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace vellumo::test {

class FakeNameResolver : public NameResolver {
public:
    struct Host {
        QString name;
        std::vector<std::uint32_t> addresses;
    };

    // "a.b.c.d" to an address (the test's own texts, always valid).
    static std::uint32_t address(const QString& dotted);

    void addHost(const QString& name, const QStringList& addresses);
    void setLocalAddresses(const QStringList& addresses);

    bool initialize() override;
    bool cleanup() override;
    std::optional<std::uint32_t> resolveIpv4(const QByteArray& hostName) override;
    std::optional<QByteArray> hostNameOf(std::uint32_t address) override;
    int localIpv4Addresses(std::vector<std::uint32_t>& addresses) override;
    QByteArray localHostName() override { return hostName; }

    std::vector<Host> hosts;
    std::vector<std::uint32_t> localAddresses;
    QByteArray hostName = "STATION";

    // Failures on demand.
    bool failInitialize = false;
    bool failCleanup = false;
    int localAddressesError = 0; // returned by localIpv4Addresses when not 0

    // What was asked.
    int initializeCalls = 0;
    int cleanupCalls = 0;
    QList<QByteArray> forwardLookups;
    std::vector<std::uint32_t> reverseLookups;
};

} // namespace vellumo::test
