#include "platform/net/name_resolver.h"

#include "platform/net/system_name_resolver.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace vellumo {

namespace {
NameResolver* g_current = nullptr;
} // namespace

std::uint32_t NameResolver::inetAddr(const QByteArray& text) {
    // inet_aton reads up to the first NUL, like the C string the old call was handed.
    in_addr parsed{};
    if (inet_aton(text.constData(), &parsed) == 0)
        return 0xFFFFFFFFu;
    return ntohl(parsed.s_addr);
}

NameResolver& nameResolver() {
    static SystemNameResolver system;
    return g_current ? *g_current : system;
}

void setNameResolver(NameResolver* resolver) {
    g_current = resolver;
}

ScopedNameResolver::ScopedNameResolver(NameResolver& resolver) : previous_(g_current) {
    g_current = &resolver;
}
ScopedNameResolver::~ScopedNameResolver() {
    g_current = previous_;
}

} // namespace vellumo
