#pragma once
// FakeNetworkNeighbourhood: a NetworkNeighbourhood fed with a tree, for tests that must never touch a
// real network. The top's children are the providers; each node can refuse to be opened or read on
// demand. Openings are recorded, and a hook runs inside every read (to act in the middle of an
// enumeration). Install it with a ScopedNetworkNeighbourhood.

#include "platform/lan/network_neighbourhood.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vellumo::test {

class FakeNetworkNeighbourhood : public NetworkNeighbourhood {
public:
    struct Node {
        NetResource record;
        std::vector<std::unique_ptr<Node>> children;
        int openError = 0; // returned by OpenEnum of this node when not 0
        int readError = 0; // returned by its first read when not 0

        Node& add(std::uint32_t type, std::uint32_t displayType, std::uint32_t usage, const QByteArray& remoteName);
        // A provider below the top, a workgroup below a provider, a computer (remote name \\name)
        // below a workgroup, a disk share (\\computer\name) below a computer.
        Node& provider(const QByteArray& name);
        Node& workgroup(const QByteArray& name);
        Node& computer(const QByteArray& name);
        Node& diskShare(const QByteArray& name);
    };

    FakeNetworkNeighbourhood();

    std::unique_ptr<NetEnumeration> OpenEnum(const NetResource* container, int& error) override;
    int EnumServers(std::uint32_t serverType, std::vector<ServerInfo101>& servers) override;

    Node top;
    std::vector<ServerInfo101> servers;
    int serversError = 0;

    // What was asked: the remote names of the opened containers ("" for the top).
    std::vector<QByteArray> opened;
    int reads = 0;
    int serverCalls = 0;
    std::function<void()> onRead;

private:
    Node* find(Node& node, const QByteArray& location);
};

} // namespace vellumo::test
