#include "platform/lan/network_neighbourhood.h"

#include "platform/lan/smb_network_neighbourhood.h"

namespace vellumo {

namespace {
NetworkNeighbourhood* installed = nullptr;
} // namespace

NetworkNeighbourhood& networkNeighbourhood() {
    if (installed)
        return *installed;
    // Made on first use only: its library context is created when a window first enumerates.
    static SmbNetworkNeighbourhood real;
    return real;
}

void setNetworkNeighbourhood(NetworkNeighbourhood* neighbourhood) {
    installed = neighbourhood;
}

ScopedNetworkNeighbourhood::ScopedNetworkNeighbourhood(NetworkNeighbourhood& neighbourhood) : previous_(installed) {
    installed = &neighbourhood;
}

ScopedNetworkNeighbourhood::~ScopedNetworkNeighbourhood() {
    installed = previous_;
}

} // namespace vellumo
