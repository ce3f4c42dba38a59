#pragma once
// Registry: the machine-wide settings store that the program copies its port into. Only what the
// program needs is offered: open or create a key, and set a text value in it. Results are the
// desktop system's error codes (0 success, 5 access denied, ...), because callers turn them into the
// numbered errors they raise. FileRegistry (file_registry.h) is the real store; tests use a fake that
// fails on demand. Owned by whoever loads the settings, and passed to them by reference.

#include <QString>

namespace vellumo {

namespace regerr {
inline constexpr long Success = 0;
inline constexpr long PathNotFound = 3;
inline constexpr long AccessDenied = 5;
inline constexpr long WriteFault = 29;
inline constexpr long GeneralFailure = 31;
inline constexpr long InvalidParameter = 87;
inline constexpr long DiskFull = 112;
} // namespace regerr

class Registry {
public:
    virtual ~Registry() = default;
    // Opens the key subKey (path parts separated by "\") of the machine-wide hive, creating it when
    // it is missing.
    virtual long createKey(const QString& subKey) = 0;
    // Sets the text value name of the key subKey (created by createKey before) to data.
    virtual long setStringValue(const QString& subKey, const QString& name, const QString& data) = 0;
};

} // namespace vellumo
