#pragma once
// ScopedEnvironment: sets or unsets environment variables for one test and puts the old values back
// when it goes, so a test can place the user's XDG folders (or HOME) where it likes.

#include <QByteArray>

#include <optional>
#include <utility>
#include <vector>

namespace vellumo::test {

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // Sets name to value; nothing (std::nullopt) unsets it.
    void set(const char* name, const std::optional<QByteArray>& value) {
        saved_.emplace_back(QByteArray(name),
                            qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

private:
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

} // namespace vellumo::test
