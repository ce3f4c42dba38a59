#pragma once
// RuntimeError: the one error type of the program. Library-like classes raise it with a number, a
// source (their own class name) and an English description; window handlers catch it and show a
// French text instead. Numbers are the classic run-time ones (5 bad argument, 6 overflow, 9 range,
// 13 type mismatch) or object errors based at &H80040000, which are negative as signed 32-bit values.

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace vellumo {

namespace err {
inline constexpr std::int32_t BadArgument = 5;   // "Invalid procedure call or argument"
inline constexpr std::int32_t Overflow = 6;      // "Overflow"
inline constexpr std::int32_t OutOfRange = 9;    // "Subscript out of range"
inline constexpr std::int32_t TypeMismatch = 13; // "Type mismatch"
// Base of the object-defined errors, &H80040000 (vbObjectError).
inline constexpr std::int32_t ObjectBase = static_cast<std::int32_t>(0x80040000u);
// &H80040000 + offset, as the signed 32-bit number that callers compare against.
constexpr std::int32_t object(std::int32_t offset) {
    return static_cast<std::int32_t>(0x80040000u + static_cast<std::uint32_t>(offset));
}
} // namespace err

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::int32_t number, QString source, QString description);

    std::int32_t number() const noexcept { return number_; }
    const QString& source() const noexcept { return source_; }
    const QString& description() const noexcept { return description_; }

    // The standard description of a classic run-time error number ("Overflow" for 6), or an empty text.
    static QString standardDescription(std::int32_t number);

private:
    std::int32_t number_;
    QString source_;
    QString description_;
};

// Raise one of the classic run-time errors with its standard description.
[[noreturn]] void raiseStandard(std::int32_t number, const QString& source = QString());

} // namespace vellumo
