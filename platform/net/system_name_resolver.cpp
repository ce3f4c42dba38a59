#include "platform/net/system_name_resolver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vellumo {

std::optional<std::uint32_t> SystemNameResolver::resolveIpv4(const QByteArray& hostName) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    // One socket type, so that each address comes once.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    // constData() stops at the first NUL, as the name handed to the system always did.
    if (getaddrinfo(hostName.constData(), nullptr, &hints, &list) != 0 || list == nullptr)
        return std::nullopt;
    std::optional<std::uint32_t> first;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr != nullptr &&
            entry->ai_addrlen >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
            first = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
            break;
        }
    }
    freeaddrinfo(list);
    return first;
}

std::optional<QByteArray> SystemNameResolver::hostNameOf(std::uint32_t address) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(address);
    char host[NI_MAXHOST] = {};
    // NI_NAMEREQD: an address without a reverse entry is a failure, not its own dotted text.
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&where), sizeof where, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return std::nullopt;
    return QByteArray(host);
}

int SystemNameResolver::localIpv4Addresses(std::vector<std::uint32_t>& addresses) {
    addresses.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return errno != 0 ? errno : -1;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET)
            addresses.push_back(ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr));
    }
    freeifaddrs(list);
    return 0;
}

QByteArray SystemNameResolver::localHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return QByteArray();
    return QByteArray(name);
}

} // namespace vellumo
