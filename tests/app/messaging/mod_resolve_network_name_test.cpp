// ModResolveNetworkName over a fake host list: forward and reverse lookups, the station's own
// addresses in ascending order, and the message boxes of each failure.
#include "app/messaging/mod_resolve_network_name.h"

#include "platform/runtime/runtime_error.h"
#include "tests/support/fake_name_resolver.h"
#include "tests/support/scripted_ui_hooks.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

namespace M = ModResolveNetworkName;
using test::FakeNameResolver;

class ModResolveNetworkNameTest : public ::testing::Test {
protected:
    ModResolveNetworkNameTest() : useResolver(resolver), useHooks(hooks) {
        resolver.addHost(QStringLiteral("PC1"), {QStringLiteral("192.168.1.20"), QStringLiteral("10.0.0.5")});
        resolver.addHost(QStringLiteral("Poste-Été"), {QStringLiteral("192.168.1.31")});
        resolver.addHost(QStringLiteral("Blanks"), {QStringLiteral("32.32.32.32")});
        resolver.addHost(QStringLiteral("HighBytes"), {QStringLiteral("128.129.157.255")});
    }

    // The boxes shown so far, as "title|style|prompt".
    QStringList boxes() const {
        QStringList shown;
        for (const auto& b : hooks.boxes)
            shown.append(b.title + u'|' + QString::number(b.style) + u'|' + b.prompt);
        return shown;
    }

    FakeNameResolver resolver;
    test::ScriptedUiHooks hooks;
    ScopedNameResolver useResolver;
    ScopedUiHooks useHooks;
};

TEST_F(ModResolveNetworkNameTest, ResolveHostNameGivesTheFirstAddressOrAnEmptyTextWithoutABox) {
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("PC1"), 1), QStringLiteral("192.168.1.20"));
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("pc1"), 3), QStringLiteral("192.168.1.20"));
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("NOWHERE"), 1), QString());
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(ModResolveNetworkNameTest, ResolveHostNamePassesTheNameAsAnsiBytes) {
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("Poste-Été"), 1), QStringLiteral("192.168.1.31"));
    EXPECT_EQ(resolver.forwardLookups.last(), QByteArray("Poste-\xC9t\xE9"));
}

TEST_F(ModResolveNetworkNameTest, ResolveHostNameKeepsAnAddressMadeOfBlanksAndHighBytes) {
    // 32.32.32.32 is four blank characters: it is an address all the same.
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("Blanks"), 1), QStringLiteral("32.32.32.32"));
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("HighBytes"), 1), QStringLiteral("128.129.157.255"));
}

TEST_F(ModResolveNetworkNameTest, ResolveHostNameWithoutTheSocketLibraryShowsItsBox) {
    resolver.failInitialize = true;
    EXPECT_EQ(M::ResolveHostName(QStringLiteral("PC1"), 1), QString());
    EXPECT_EQ(boxes(), QStringList{QStringLiteral("Vellumo|0|Failed to open Socket.")});
    EXPECT_TRUE(resolver.forwardLookups.isEmpty());
}

TEST_F(ModResolveNetworkNameTest, ResolveHostNameRefusesACountBelowOne) {
    try {
        M::ResolveHostName(QStringLiteral("PC1"), 0);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::OutOfRange);
    }
}

struct ReverseCase {
    const char* name;
    QString address;
    bool failInitialize;
    bool failCleanup;
    QString result;
    QStringList boxes;
    int cleanups;
};
void PrintTo(const ReverseCase& c, std::ostream* os) {
    *os << c.name;
}

class ResolveAddressTest : public ModResolveNetworkNameTest, public ::testing::WithParamInterface<ReverseCase> {};

TEST_P(ResolveAddressTest, GivesTheNameOrAnEmptyTextWithItsBox) {
    const ReverseCase& c = GetParam();
    resolver.failInitialize = c.failInitialize;
    resolver.failCleanup = c.failCleanup;
    EXPECT_EQ(M::ResolveAddress(c.address), c.result);
    EXPECT_EQ(boxes(), c.boxes);
    EXPECT_EQ(resolver.cleanupCalls, c.cleanups);
}

const ReverseCase kReverseCases[] = {
    {"KnownAddress", QStringLiteral("192.168.1.20"), false, false, QStringLiteral("PC1"), {}, 1},
    {"SecondAddressOfAHost", QStringLiteral("10.0.0.5"), false, false, QStringLiteral("PC1"), {}, 1},
    {"NameInAnsi", QStringLiteral("192.168.1.31"), false, false, QStringLiteral("Poste-Été"), {}, 1},
    {"NoReverseEntry",
     QStringLiteral("192.168.1.99"),
     false,
     false,
     QString(),
     {QStringLiteral("Vellumo|0|Call to gethostbyaddr failed.")},
     1},
    {"AllOnesIsInvalid",
     QStringLiteral("255.255.255.255"),
     false,
     false,
     QString(),
     {QStringLiteral("Vellumo|0|Invalid IP address")},
     0},
    {"NotAnAddress",
     QStringLiteral("PC1"),
     false,
     false,
     QString(),
     {QStringLiteral("Vellumo|0|Invalid IP address")},
     0},
    {"NoSocketLibrary",
     QStringLiteral("192.168.1.20"),
     true,
     false,
     QString(),
     {QStringLiteral("Vellumo|0|Failed to open Socket")},
     0},
    {"CleanupFails",
     QStringLiteral("192.168.1.20"),
     false,
     true,
     QStringLiteral("PC1"),
     {QStringLiteral("Vellumo|16|Error calling apiWSACleanup.")},
     1},
};

INSTANTIATE_TEST_SUITE_P(Addresses, ResolveAddressTest, ::testing::ValuesIn(kReverseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModResolveNetworkNameTest, LocalIpAddressesListsEveryAddressInAscendingOrder) {
    resolver.setLocalAddresses({QStringLiteral("192.168.1.20"), QStringLiteral("127.0.0.1"), QStringLiteral("10.0.0.5"),
                                QStringLiteral("192.168.1.3")});
    EXPECT_EQ(M::LocalIpAddresses(), (QStringList{QStringLiteral("10.0.0.5"), QStringLiteral("127.0.0.1"),
                                                  QStringLiteral("192.168.1.3"), QStringLiteral("192.168.1.20")}));
    EXPECT_EQ(M::LocalIpList(), QStringLiteral("10.0.0.5/127.0.0.1/192.168.1.3/192.168.1.20"));
}

TEST_F(ModResolveNetworkNameTest, LocalIpAddressesHasNoFixedTableSize) {
    QStringList many;
    for (int i = 40; i >= 1; --i)
        many.append(QStringLiteral("10.0.%1.1").arg(i));
    resolver.setLocalAddresses(many);
    const QStringList listed = M::LocalIpAddresses();
    ASSERT_EQ(listed.size(), 40);
    EXPECT_EQ(listed.first(), QStringLiteral("10.0.1.1"));
    EXPECT_EQ(listed.last(), QStringLiteral("10.0.40.1"));
}

TEST_F(ModResolveNetworkNameTest, LocalIpListOfOneCardAndLoopbackAndOfNothing) {
    resolver.setLocalAddresses({QStringLiteral("192.168.1.20"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(M::LocalIpList(), QStringLiteral("127.0.0.1/192.168.1.20"));
    resolver.setLocalAddresses({});
    EXPECT_EQ(M::LocalIpList(), QString());
}

TEST_F(ModResolveNetworkNameTest, LocalIpAddressesRaisesWhenTheSystemCannotListThem) {
    resolver.localAddressesError = 12;
    try {
        M::LocalIpList();
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::ObjectBase);
        EXPECT_EQ(e.description(), QStringLiteral("GetIpAddrTable failed with return value 12"));
    }
}

TEST_F(ModResolveNetworkNameTest, IpBytesToTextGivesTheAnsiCodesOfFourCharacters) {
    EXPECT_EQ(M::IpBytesToText(QStringLiteral("\x7F\x01\x02\x03")), QStringLiteral("127.1.2.3"));
    EXPECT_EQ(M::IpBytesToText(QString::fromUtf16(u"\u20AC\u0081\u00E9\u00FFextra")),
              QStringLiteral("128.129.233.255"));
    EXPECT_THROW(M::IpBytesToText(QStringLiteral("abc")), RuntimeError);
}

} // namespace
} // namespace vellumo
