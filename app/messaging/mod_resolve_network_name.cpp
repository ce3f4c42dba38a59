#include "app/messaging/mod_resolve_network_name.h"

#include "platform/net/name_resolver.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace vellumo::ModResolveNetworkName {

namespace {

const QString kTitle = QStringLiteral("Vellumo");
const QString kSource = QStringLiteral("ModResolveNetworkName");

// The four address bytes as four ANSI characters, most significant first.
QString addressChars(std::uint32_t address) {
    const char bytes[4] = {static_cast<char>(address >> 24), static_cast<char>(address >> 16),
                           static_cast<char>(address >> 8), static_cast<char>(address)};
    return cp1252::decode(QByteArrayView(bytes, 4));
}

} // namespace

QStringList LocalIpAddresses() {
    std::vector<std::uint32_t> addresses;
    const int result = nameResolver().localIpv4Addresses(addresses);
    if (result != 0)
        throw RuntimeError(err::ObjectBase, kSource,
                           QStringLiteral("GetIpAddrTable failed with return value ") + QString::number(result));
    // Every address, however many the station has, in ascending order.
    std::sort(addresses.begin(), addresses.end());
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(addresses.size()));
    for (std::uint32_t address : addresses)
        texts.append(IpBytesToText(addressChars(address)));
    return texts;
}

QString LocalIpList() {
    return LocalIpAddresses().join(u'/');
}

bool SocketsInitialize() {
    return nameResolver().initialize();
}

void SocketsCleanup() {
    if (!nameResolver().cleanup())
        ui().messageBox(QStringLiteral("Error calling apiWSACleanup."), mb::Critical, kTitle);
}

QString ResolveHostName(const QString& HostName, std::int16_t Count) {
    if (Count < 1)
        raiseStandard(err::OutOfRange, kSource);
    if (!SocketsInitialize()) {
        ui().messageBox(QStringLiteral("Failed to open Socket."), mb::OkOnly, kTitle);
        return QString();
    }
    const std::optional<std::uint32_t> address = nameResolver().resolveIpv4(cp1252::encode(HostName));
    if (!address)
        return QString();
    // Of the Count slots only the first is ever filled, so the list of filled slots is this one
    // address. A slot counts as filled because an address went into it, not because it differs
    // from four blanks: 32.32.32.32 is four blanks and still an address.
    return IpBytesToText(addressChars(*address));
}

QString IpBytesToText(QStringView fourChars) {
    if (fourChars.size() < 4)
        raiseStandard(err::BadArgument, kSource);
    QStringList parts;
    for (qsizetype i = 0; i < 4; ++i)
        parts.append(QString::number(static_cast<unsigned char>(cp1252::encodeChar(fourChars[i].unicode()))));
    return parts.join(u'.');
}

QString ResolveAddress(const QString& address) {
    if (!SocketsInitialize()) {
        ui().messageBox(QStringLiteral("Failed to open Socket"), mb::OkOnly, kTitle);
        return QString();
    }
    const std::uint32_t parsed = NameResolver::inetAddr(cp1252::encode(address));
    if (parsed == 0xFFFFFFFFu) {
        ui().messageBox(QStringLiteral("Invalid IP address"), mb::OkOnly, kTitle);
        return QString();
    }
    const std::optional<QByteArray> name = nameResolver().hostNameOf(parsed);
    if (!name) {
        ui().messageBox(QStringLiteral("Call to gethostbyaddr failed."), mb::OkOnly, kTitle);
        SocketsCleanup();
        return QString();
    }
    SocketsCleanup();
    // The name ends at its first NUL, as a C string does.
    const qsizetype nul = name->indexOf('\0');
    return cp1252::decode(nul < 0 ? QByteArrayView(*name) : QByteArrayView(*name).first(nul));
}

} // namespace vellumo::ModResolveNetworkName
