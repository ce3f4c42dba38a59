#pragma once
// ModResolveNetworkName: station names to IPv4 addresses and back, and the station's own addresses.
// Free procedures without state, run on the user-interface thread; each lookup blocks until the
// system answers. They reach the system through nameResolver() (platform/net/name_resolver.h), so tests
// feed them a host list.
//
// Failures come back as an empty text, some with a message box titled "Vellumo" (see each routine);
// only LocalIpAddresses and LocalIpList raise an error, which their caller handles.
//
// Texts: an address is "a.b.c.d", most significant byte first; a list of addresses joins them with
// "/". Host names pass to and from the system as ANSI (Windows-1252) bytes.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>

namespace vellumo::ModResolveNetworkName {

// Every IPv4 address of this station, loopback included, in ascending order. Raises error &H80040000
// "GetIpAddrTable failed with return value " + the system's error number when the system cannot
// list them.
QStringList LocalIpAddresses();
// LocalIpAddresses joined with "/"; empty when there is none.
QString LocalIpList();
// Prepares the socket library; true when it is ready.
bool SocketsInitialize();
// Releases the socket library; shows "Error calling apiWSACleanup." (style 16) when that fails.
void SocketsCleanup();
// The first IPv4 address of HostName as text, or an empty text (and no box) when the name does not
// resolve; "Failed to open Socket." (style 0) when the socket library cannot start. Count address
// slots are kept and only the first is filled, so any Count of 1 or more gives the one address; a
// Count below 1 raises error 9.
QString ResolveHostName(const QString& HostName, std::int16_t Count);
// The ANSI codes of the first four characters, each in decimal, joined by "."; error 5 when there
// are fewer than four.
QString IpBytesToText(QStringView fourChars);
// The official name of an address given as text, or an empty text with a box: "Failed to open
// Socket" when the socket library cannot start, "Invalid IP address" when the text is not an address
// (255.255.255.255 included), "Call to gethostbyaddr failed." when the address has no reverse entry.
QString ResolveAddress(const QString& address);

} // namespace vellumo::ModResolveNetworkName
