#include "platform/lan/smb_network_neighbourhood.h"

#include "platform/runtime/windows1252.h"

#include <QUrl>

#include <libsmbclient.h>

#include <cerrno>
#include <cstring>

namespace vellumo {

namespace {

const QByteArray kTop = QByteArrayLiteral("smb://");
constexpr int kTimeoutMs = 5000;

// Anonymous log-on: nothing is filled in.
void anonymous(SMBCCTX*, const char*, const char*, char*, int, char*, int, char*, int) {}

QByteArray urlPart(const QString& name) {
    return QUrl::toPercentEncoding(name);
}

// The server of a location "smb://PC01/..." (empty at the top or for a workgroup's own location,
// which the caller knows apart by the record).
QString serverOf(const QByteArray& location) {
    if (!location.startsWith(kTop))
        return QString();
    QByteArray rest = location.mid(kTop.size());
    const qsizetype slash = rest.indexOf('/');
    if (slash >= 0)
        rest.truncate(slash);
    return QUrl::fromPercentEncoding(rest);
}

class SmbEnumeration final : public NetEnumeration {
public:
    SmbEnumeration(SMBCCTX* context, SMBCFILE* dir, QByteArray location)
        : context_(context), dir_(dir), location_(std::move(location)) {}
    ~SmbEnumeration() override { smbc_getFunctionClosedir(context_)(context_, dir_); }
    SmbEnumeration(const SmbEnumeration&) = delete;
    SmbEnumeration& operator=(const SmbEnumeration&) = delete;

    int EnumResource(int maxCount, std::vector<NetResource>& records) override {
        if (maxCount < 0 || maxCount > netres::BufferRecords)
            maxCount = netres::BufferRecords;
        int added = 0;
        while (added < maxCount) {
            errno = 0;
            const smbc_dirent* entry = smbc_getFunctionReaddir(context_)(context_, dir_);
            if (!entry) {
                if (errno != 0 && added == 0)
                    return SmbNetworkNeighbourhood::errorOf(errno);
                break;
            }
            NetResource record;
            const QString name =
                QString::fromUtf8(entry->name, static_cast<qsizetype>(strnlen(entry->name, entry->namelen + 1)));
            if (SmbNetworkNeighbourhood::recordOf(entry->smbc_type, name, location_, record)) {
                records.push_back(std::move(record));
                ++added;
            }
        }
        return added == 0 ? netres::NoMoreItems : netres::NoError;
    }

private:
    SMBCCTX* context_;
    SMBCFILE* dir_;
    QByteArray location_;
};

// The top of the neighbourhood: the one provider, made without asking the network.
class TopEnumeration final : public NetEnumeration {
public:
    int EnumResource(int, std::vector<NetResource>& records) override {
        if (done_)
            return netres::NoMoreItems;
        done_ = true;
        NetResource provider;
        provider.dwType = netres::TypeAny;
        provider.dwDisplayType = netres::DisplayNetwork;
        provider.dwUsage = netres::UsageContainer;
        provider.lpRemoteName = netres::WindowsNetwork;
        provider.location = kTop;
        records.push_back(provider);
        return netres::NoError;
    }

private:
    bool done_ = false;
};

} // namespace

SmbNetworkNeighbourhood::~SmbNetworkNeighbourhood() {
    if (context_)
        smbc_free_context(context_, 1);
}

SMBCCTX* SmbNetworkNeighbourhood::context(int& error) {
    if (context_)
        return context_;
    SMBCCTX* ctx = smbc_new_context();
    if (!ctx) {
        error = errorOf(errno);
        return nullptr;
    }
    smbc_setDebug(ctx, 0);
    smbc_setTimeout(ctx, kTimeoutMs);
    smbc_setFunctionAuthDataWithContext(ctx, anonymous);
    if (!smbc_init_context(ctx)) {
        error = errorOf(errno);
        smbc_free_context(ctx, 0);
        return nullptr;
    }
    context_ = ctx;
    return context_;
}

std::unique_ptr<NetEnumeration> SmbNetworkNeighbourhood::OpenEnum(const NetResource* container, int& error) {
    error = netres::NoError;
    if (!container)
        return std::make_unique<TopEnumeration>();
    if (!(container->dwUsage & netres::UsageContainer) || !container->location.startsWith(kTop)) {
        error = netres::BadNetPath;
        return nullptr;
    }
    SMBCCTX* ctx = context(error);
    if (!ctx)
        return nullptr;
    errno = 0;
    SMBCFILE* dir = smbc_getFunctionOpendir(ctx)(ctx, container->location.constData());
    if (!dir) {
        error = errorOf(errno);
        return nullptr;
    }
    return std::make_unique<SmbEnumeration>(ctx, dir, container->location);
}

int SmbNetworkNeighbourhood::EnumServers(std::uint32_t, std::vector<ServerInfo101>& servers) {
    servers.clear();
    int error = netres::NoError;
    SMBCCTX* ctx = context(error);
    if (!ctx)
        return error;
    const char* workgroup = smbc_getWorkgroup(ctx);
    NetResource own;
    own.dwDisplayType = netres::DisplayDomain;
    own.dwUsage = netres::UsageContainer;
    own.location = kTop + urlPart(QString::fromUtf8(workgroup ? workgroup : "")) + '/';
    std::unique_ptr<NetEnumeration> enumeration = OpenEnum(&own, error);
    if (!enumeration)
        return error;
    std::vector<NetResource> records;
    while ((error = enumeration->EnumResource(-1, records)) == netres::NoError) {
    }
    if (error != netres::NoMoreItems)
        return error;
    for (const NetResource& record : records) {
        if (record.dwDisplayType != netres::DisplayServer)
            continue;
        ServerInfo101 server;
        server.Name = cp1252::decode(record.lpRemoteName.mid(2));
        servers.push_back(server);
    }
    return netres::NoError;
}

bool SmbNetworkNeighbourhood::recordOf(unsigned int smbcType, const QString& name, const QByteArray& location,
                                       NetResource& record) {
    if (name.isEmpty())
        return false;
    const QByteArray ansi = cp1252::encode(name);
    switch (smbcType) {
    case SMBC_WORKGROUP:
        record = {netres::TypeAny, netres::DisplayDomain, netres::UsageContainer, ansi, kTop + urlPart(name) + '/'};
        return true;
    case SMBC_SERVER:
        record = {netres::TypeAny, netres::DisplayServer, netres::UsageContainer, "\\\\" + ansi,
                  kTop + urlPart(name) + '/'};
        return true;
    case SMBC_FILE_SHARE:
    case SMBC_PRINTER_SHARE: {
        const QString server = serverOf(location);
        if (server.isEmpty())
            return false;
        record = {smbcType == SMBC_FILE_SHARE ? netres::TypeDisk : netres::TypePrint, netres::DisplayShare,
                  netres::UsageConnectable, "\\\\" + cp1252::encode(server) + '\\' + ansi,
                  kTop + urlPart(server) + '/' + urlPart(name)};
        return true;
    }
    default:
        return false;
    }
}

int SmbNetworkNeighbourhood::errorOf(int errnoValue) {
    switch (errnoValue) {
    case EACCES:
    case EPERM:
        return netres::AccessDenied;
    case ENOENT:
    case ENODEV:
    case EINVAL:
        return netres::BadNetPath;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ECONNREFUSED:
    case ETIMEDOUT:
        return netres::NoNetwork;
    default:
        return netres::ExtendedError;
    }
}

} // namespace vellumo
