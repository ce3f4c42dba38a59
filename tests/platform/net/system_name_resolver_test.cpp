// The system's resolver, asked only about numeric loopback addresses (no name goes to DNS), the loopback
// interface among the station's addresses, and the dotted-text conversion.
#include "platform/net/system_name_resolver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vellumo {
namespace {

TEST(SystemNameResolver, ResolvesNumericLoopbackAddresses) {
    SystemNameResolver resolver;
    EXPECT_EQ(resolver.resolveIpv4("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(resolver.resolveIpv4("127.0.0.9"), 0x7F000009u);
    // The name ends at its first NUL, as a C string does.
    EXPECT_EQ(resolver.resolveIpv4(QByteArray("127.0.0.2\0junk", 14)), 0x7F000002u);
}

TEST(SystemNameResolver, ListsTheLoopbackInterfaceAmongTheStationsAddresses) {
    SystemNameResolver resolver;
    std::vector<std::uint32_t> addresses;
    ASSERT_EQ(resolver.localIpv4Addresses(addresses), 0);
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), 0x7F000001u), addresses.end());
    EXPECT_FALSE(resolver.localHostName().isEmpty());
}

TEST(SystemNameResolver, ConvertsDottedTextTheClassicWay) {
    EXPECT_EQ(NameResolver::inetAddr("192.168.1.20"), 0xC0A80114u);
    EXPECT_EQ(NameResolver::inetAddr("127.1"), 0x7F000001u);
    EXPECT_EQ(NameResolver::inetAddr("0x7f.0.0.1"), 0x7F000001u);
    EXPECT_EQ(NameResolver::inetAddr("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(NameResolver::inetAddr("256.1.1.1"), 0xFFFFFFFFu);
    EXPECT_EQ(NameResolver::inetAddr("station"), 0xFFFFFFFFu);
    EXPECT_EQ(NameResolver::inetAddr(""), 0xFFFFFFFFu);
}

} // namespace
} // namespace vellumo
