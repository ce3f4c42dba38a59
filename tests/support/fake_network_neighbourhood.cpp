#include "tests/support/fake_network_neighbourhood.h"

#include <algorithm>

namespace vellumo::test {

namespace {
int nextLocation = 0;

class FakeEnumeration final : public NetEnumeration {
public:
    FakeEnumeration(FakeNetworkNeighbourhood& owner, const FakeNetworkNeighbourhood::Node& node)
        : owner_(owner), node_(node) {}

    int EnumResource(int maxCount, std::vector<NetResource>& records) override {
        ++owner_.reads;
        if (owner_.onRead)
            owner_.onRead();
        if (node_.readError != 0)
            return node_.readError;
        if (maxCount < 0 || maxCount > netres::BufferRecords)
            maxCount = netres::BufferRecords;
        if (next_ >= node_.children.size())
            return netres::NoMoreItems;
        for (int n = 0; n < maxCount && next_ < node_.children.size(); ++n)
            records.push_back(node_.children[next_++]->record);
        return netres::NoError;
    }

private:
    FakeNetworkNeighbourhood& owner_;
    const FakeNetworkNeighbourhood::Node& node_;
    std::size_t next_ = 0;
};
} // namespace

FakeNetworkNeighbourhood::Node& FakeNetworkNeighbourhood::Node::add(std::uint32_t type, std::uint32_t displayType,
                                                                    std::uint32_t usage, const QByteArray& remoteName) {
    auto node = std::make_unique<Node>();
    node->record = {type, displayType, usage, remoteName, "fake:" + QByteArray::number(++nextLocation)};
    children.push_back(std::move(node));
    return *children.back();
}

FakeNetworkNeighbourhood::Node& FakeNetworkNeighbourhood::Node::provider(const QByteArray& name) {
    return add(netres::TypeAny, netres::DisplayNetwork, netres::UsageContainer, name);
}

FakeNetworkNeighbourhood::Node& FakeNetworkNeighbourhood::Node::workgroup(const QByteArray& name) {
    return add(netres::TypeAny, netres::DisplayDomain, netres::UsageContainer, name);
}

FakeNetworkNeighbourhood::Node& FakeNetworkNeighbourhood::Node::computer(const QByteArray& name) {
    return add(netres::TypeAny, netres::DisplayServer, netres::UsageContainer, "\\\\" + name);
}

FakeNetworkNeighbourhood::Node& FakeNetworkNeighbourhood::Node::diskShare(const QByteArray& name) {
    return add(netres::TypeDisk, netres::DisplayShare, netres::UsageConnectable, record.lpRemoteName + '\\' + name);
}

FakeNetworkNeighbourhood::FakeNetworkNeighbourhood() {
    top.record.location = "fake:top";
}

FakeNetworkNeighbourhood::Node* FakeNetworkNeighbourhood::find(Node& node, const QByteArray& location) {
    if (node.record.location == location)
        return &node;
    for (auto& child : node.children)
        if (Node* found = find(*child, location))
            return found;
    return nullptr;
}

std::unique_ptr<NetEnumeration> FakeNetworkNeighbourhood::OpenEnum(const NetResource* container, int& error) {
    error = netres::NoError;
    Node* node = container ? find(top, container->location) : &top;
    opened.push_back(container ? container->lpRemoteName : QByteArray());
    if (!node) {
        error = netres::BadNetPath;
        return nullptr;
    }
    if (node->openError != 0) {
        error = node->openError;
        return nullptr;
    }
    return std::make_unique<FakeEnumeration>(*this, *node);
}

int FakeNetworkNeighbourhood::EnumServers(std::uint32_t, std::vector<ServerInfo101>& out) {
    ++serverCalls;
    out.clear();
    if (serversError != 0)
        return serversError;
    out = servers;
    return netres::NoError;
}

} // namespace vellumo::test
