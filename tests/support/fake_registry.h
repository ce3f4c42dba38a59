#pragma once
// FakeRegistry: a Registry in memory that records the keys it opened and the values written, and
// fails either step with a chosen code on demand.

#include "platform/settings/registry.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace vellumo::test {

class FakeRegistry : public Registry {
public:
    long createKey(const QString& subKey) override {
        opened << subKey;
        return createResult;
    }
    long setStringValue(const QString& subKey, const QString& name, const QString& data) override {
        if (setResult)
            return setResult;
        values[subKey + QStringLiteral("|") + name] = data;
        return 0;
    }

    long createResult = 0;
    long setResult = 0;
    QStringList opened;
    QMap<QString, QString> values; // "subKey|name" -> data
};

} // namespace vellumo::test
