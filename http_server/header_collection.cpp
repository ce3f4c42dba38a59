#include "http_server/header_collection.h"

namespace vellumo {

void HeaderCollection::Add(const QStringList& item, const QString& key) {
    Remove(key);
    const QString folded = fold(key);
    order_.emplace(next_, Entry{folded, item});
    index_.insert(folded, next_);
    ++next_;
}

void HeaderCollection::Remove(const QString& key) {
    const auto it = index_.find(fold(key));
    if (it == index_.end())
        return;
    order_.erase(it.value());
    index_.erase(it);
}

bool HeaderCollection::Exists(const QString& key) const {
    return index_.contains(fold(key));
}

QStringList HeaderCollection::Item(const QString& key) const {
    const auto it = index_.constFind(fold(key));
    if (it == index_.constEnd())
        return {};
    return order_.at(it.value()).item;
}

QString HeaderCollection::Value(const QString& key) const {
    const QStringList item = Item(key);
    return item.size() > 1 ? item.at(1) : QString();
}

std::vector<HeaderCollection::Entry> HeaderCollection::Items() const {
    std::vector<Entry> items;
    items.reserve(order_.size());
    for (const auto& [seq, entry] : order_)
        items.push_back(entry);
    return items;
}

void HeaderCollection::Clear() {
    order_.clear();
    index_.clear();
    next_ = 0;
}

} // namespace vellumo
