// The libsmbclient neighbourhood without a network: the records it makes of the library's entries,
// the top it gives without asking anyone, and a refused container. Nothing here opens the library's
// context, so nothing is sent.
#include "platform/lan/smb_network_neighbourhood.h"

#include <libsmbclient.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

namespace vellumo {
namespace {

struct EntryCase {
    const char* name;
    unsigned int smbcType;
    QString entry;
    QByteArray location;
    bool kept;
    NetResource record;
};

void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << c.name;
}

class SmbRecordTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(SmbRecordTest, MakesTheRecordTheBrowserExpects) {
    const EntryCase& c = GetParam();
    NetResource record;
    ASSERT_EQ(SmbNetworkNeighbourhood::recordOf(c.smbcType, c.entry, c.location, record), c.kept);
    if (!c.kept)
        return;
    EXPECT_EQ(record.dwType, c.record.dwType);
    EXPECT_EQ(record.dwDisplayType, c.record.dwDisplayType);
    EXPECT_EQ(record.dwUsage, c.record.dwUsage);
    EXPECT_EQ(record.lpRemoteName, c.record.lpRemoteName);
    EXPECT_EQ(record.location, c.record.location);
}

const EntryCase kEntries[] = {
    {"Workgroup",
     SMBC_WORKGROUP,
     QStringLiteral("WORKGROUP"),
     "smb://",
     true,
     {netres::TypeAny, netres::DisplayDomain, netres::UsageContainer, "WORKGROUP", "smb://WORKGROUP/"}},
    {"Computer",
     SMBC_SERVER,
     QStringLiteral("PC01"),
     "smb://WORKGROUP/",
     true,
     {netres::TypeAny, netres::DisplayServer, netres::UsageContainer, "\\\\PC01", "smb://PC01/"}},
    {"AccentedComputerIsAnsi",
     SMBC_SERVER,
     QStringLiteral("POSTE-É"),
     "smb://WORKGROUP/",
     true,
     {netres::TypeAny, netres::DisplayServer, netres::UsageContainer, "\\\\POSTE-\xC9", "smb://POSTE-%C3%89/"}},
    {"DiskShare",
     SMBC_FILE_SHARE,
     QStringLiteral("docs"),
     "smb://PC01/",
     true,
     {netres::TypeDisk, netres::DisplayShare, netres::UsageConnectable, "\\\\PC01\\docs", "smb://PC01/docs"}},
    {"PrinterShare",
     SMBC_PRINTER_SHARE,
     QStringLiteral("lp"),
     "smb://PC01/",
     true,
     {netres::TypePrint, netres::DisplayShare, netres::UsageConnectable, "\\\\PC01\\lp", "smb://PC01/lp"}},
    {"IpcShareIsLeftOut", SMBC_IPC_SHARE, QStringLiteral("IPC$"), "smb://PC01/", false, {}},
    {"FileIsLeftOut", SMBC_FILE, QStringLiteral("a.txt"), "smb://PC01/docs", false, {}},
    {"EmptyNameIsLeftOut", SMBC_SERVER, QString(), "smb://WORKGROUP/", false, {}},
};
INSTANTIATE_TEST_SUITE_P(Entries, SmbRecordTest, ::testing::ValuesIn(kEntries),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SmbNetworkNeighbourhoodTest, TheTopIsTheWindowsNetworkProviderAlone) {
    SmbNetworkNeighbourhood smb;
    int error = -1;
    auto top = smb.OpenEnum(nullptr, error);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(error, netres::NoError);
    std::vector<NetResource> records;
    EXPECT_EQ(top->EnumResource(-1, records), netres::NoError);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].lpRemoteName, QByteArray(netres::WindowsNetwork));
    EXPECT_EQ(records[0].dwDisplayType, netres::DisplayNetwork);
    EXPECT_TRUE(records[0].dwUsage & netres::UsageContainer);
    EXPECT_EQ(top->EnumResource(-1, records), netres::NoMoreItems);
}

TEST(SmbNetworkNeighbourhoodTest, ARecordThatIsNoContainerIsRefusedBeforeAnythingIsAsked) {
    SmbNetworkNeighbourhood smb;
    NetResource share{netres::TypeDisk, netres::DisplayShare, netres::UsageConnectable, "\\\\PC01\\docs",
                      "smb://PC01/docs"};
    int error = 0;
    EXPECT_EQ(smb.OpenEnum(&share, error), nullptr);
    EXPECT_EQ(error, netres::BadNetPath);
    NetResource foreign{netres::TypeAny, netres::DisplayServer, netres::UsageContainer, "\\\\PC01", "http://x/"};
    EXPECT_EQ(smb.OpenEnum(&foreign, error), nullptr);
    EXPECT_EQ(error, netres::BadNetPath);
}

TEST(SmbNetworkNeighbourhoodTest, LibraryErrorsBecomeEnumerationErrors) {
    EXPECT_EQ(SmbNetworkNeighbourhood::errorOf(EACCES), netres::AccessDenied);
    EXPECT_EQ(SmbNetworkNeighbourhood::errorOf(ENOENT), netres::BadNetPath);
    EXPECT_EQ(SmbNetworkNeighbourhood::errorOf(ETIMEDOUT), netres::NoNetwork);
    EXPECT_EQ(SmbNetworkNeighbourhood::errorOf(EIO), netres::ExtendedError);
}

} // namespace
} // namespace vellumo
