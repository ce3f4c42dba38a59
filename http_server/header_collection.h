#pragma once
// HeaderCollection: the request headers of one request, as the connection handler hands them to the
// host in DynamicRequest. One item per header name, under the key of the name in upper case; keys
// are compared without regard to letter case. Each item is the name as sent and, when its line had a
// colon, the value:
//
//   key              item
//   "CONTENT-LENGTH" {"content-length", "5"}
//   "X-FLAG"         {"X-Flag"}            (a line without a colon)
//
// Adding under a key already present replaces the earlier item, and the new one goes last: of several
// lines of one name, the last wins. Owned by the handler for the length of one request; the host may
// replace it during DynamicRequest.

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>

namespace vellumo {

class HeaderCollection {
public:
    struct Entry {
        QString key;
        QStringList item;
    };

    // Adds item under key, replacing any item of that key.
    void Add(const QStringList& item, const QString& key);
    void Remove(const QString& key);
    bool Exists(const QString& key) const;
    // The item of a key, or an empty list.
    QStringList Item(const QString& key) const;
    // Element 1 of the item (the value), or a null text when there is no such key or no colon.
    QString Value(const QString& key) const;
    int Count() const { return static_cast<int>(order_.size()); }
    // The items in the order they were added.
    std::vector<Entry> Items() const;
    void Clear();

private:
    static QString fold(const QString& key) { return key.toUpper(); }

    std::map<std::int64_t, Entry> order_;
    QHash<QString, std::int64_t> index_;
    std::int64_t next_ = 0;
};

} // namespace vellumo
