#include "tests/support/fake_name_resolver.h"

#include "platform/runtime/windows1252.h"

#include <algorithm>

namespace vellumo::test {

std::uint32_t FakeNameResolver::address(const QString& dotted) {
    const QStringList parts = dotted.split(u'.');
    std::uint32_t value = 0;
    for (const QString& part : parts)
        value = (value << 8) | (part.toUInt() & 0xFFu);
    return value;
}

void FakeNameResolver::addHost(const QString& name, const QStringList& addresses) {
    Host host{name, {}};
    for (const QString& a : addresses)
        host.addresses.push_back(address(a));
    hosts.push_back(std::move(host));
}

void FakeNameResolver::setLocalAddresses(const QStringList& addresses) {
    localAddresses.clear();
    for (const QString& a : addresses)
        localAddresses.push_back(address(a));
}

bool FakeNameResolver::initialize() {
    ++initializeCalls;
    return !failInitialize;
}

bool FakeNameResolver::cleanup() {
    ++cleanupCalls;
    return !failCleanup;
}

std::optional<std::uint32_t> FakeNameResolver::resolveIpv4(const QByteArray& hostName) {
    forwardLookups.append(hostName);
    const QString name = cp1252::decode(hostName);
    for (const Host& host : hosts) {
        if (host.name.compare(name, Qt::CaseInsensitive) == 0 && !host.addresses.empty())
            return host.addresses.front();
    }
    return std::nullopt;
}

std::optional<QByteArray> FakeNameResolver::hostNameOf(std::uint32_t address) {
    reverseLookups.push_back(address);
    for (const Host& host : hosts) {
        if (std::find(host.addresses.begin(), host.addresses.end(), address) != host.addresses.end())
            return cp1252::encode(host.name);
    }
    return std::nullopt;
}

int FakeNameResolver::localIpv4Addresses(std::vector<std::uint32_t>& addresses) {
    addresses.clear();
    if (localAddressesError != 0)
        return localAddressesError;
    addresses = localAddresses;
    return 0;
}

} // namespace vellumo::test
