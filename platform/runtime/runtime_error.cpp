#include "platform/runtime/runtime_error.h"

namespace vellumo {

RuntimeError::RuntimeError(std::int32_t number, QString source, QString description)
    : std::runtime_error(description.toStdString()), number_(number), source_(std::move(source)),
      description_(std::move(description)) {}

QString RuntimeError::standardDescription(std::int32_t number) {
    switch (number) {
    case err::BadArgument:
        return QStringLiteral("Invalid procedure call or argument");
    case err::Overflow:
        return QStringLiteral("Overflow");
    case err::OutOfRange:
        return QStringLiteral("Subscript out of range");
    case err::TypeMismatch:
        return QStringLiteral("Type mismatch");
    default:
        return QString();
    }
}

void raiseStandard(std::int32_t number, const QString& source) {
    throw RuntimeError(number, source, RuntimeError::standardDescription(number));
}

} // namespace vellumo
