#pragma once
// NameResolver: the station's view of IPv4 names and addresses. Turns a host name into its first
// IPv4 address, an address back into its official name, lists the IPv4 addresses of this machine's
// interfaces and gives the machine's own host name. Every lookup blocks until the system answers.
//
// The program reaches the resolver through nameResolver(); the real one (SystemNameResolver) is in
// force until someone installs another, so tests swap in a fake fed with a host list and never touch
// the machine's networks or DNS. The installer keeps ownership.
//
// Addresses are 32-bit numbers in host order with the first dotted byte most significant
// (127.0.0.1 is 0x7F000001). Names are bytes of the ANSI code page, as the system sees them.

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace vellumo {

class NameResolver {
public:
    virtual ~NameResolver() = default;

    // Prepares the socket library for lookups; false when it cannot.
    virtual bool initialize() = 0;
    // Releases what initialize() took; false when that fails.
    virtual bool cleanup() = 0;
    // The first IPv4 address of hostName, or nothing when the name does not resolve.
    virtual std::optional<std::uint32_t> resolveIpv4(const QByteArray& hostName) = 0;
    // The official name of an IPv4 address, or nothing when it has no reverse entry.
    virtual std::optional<QByteArray> hostNameOf(std::uint32_t address) = 0;
    // Fills addresses with the IPv4 address of every interface, in the system's order; returns 0 or
    // the system's error number (addresses is then left empty).
    virtual int localIpv4Addresses(std::vector<std::uint32_t>& addresses) = 0;
    // This machine's host name.
    virtual QByteArray localHostName() = 0;

    // The classic dotted-text conversion: "a.b.c.d" (and the shorter and hexadecimal or octal forms
    // the socket library has always taken) to an address, or 0xFFFFFFFF when the text is not an
    // address. 255.255.255.255 gives the same 0xFFFFFFFF, as it always did.
    static std::uint32_t inetAddr(const QByteArray& text);
};

// The resolver in force: the system's one unless another is installed.
NameResolver& nameResolver();
// Installs a resolver for the rest of the process (nullptr goes back to the system's one).
void setNameResolver(NameResolver* resolver);

// Installs a resolver for the lifetime of this object and puts the previous one back afterwards.
class ScopedNameResolver {
public:
    explicit ScopedNameResolver(NameResolver& resolver);
    ~ScopedNameResolver();
    ScopedNameResolver(const ScopedNameResolver&) = delete;
    ScopedNameResolver& operator=(const ScopedNameResolver&) = delete;

private:
    NameResolver* previous_;
};

} // namespace vellumo
