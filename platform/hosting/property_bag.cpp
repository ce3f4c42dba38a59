#include "platform/hosting/property_bag.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

namespace vellumo {

namespace {

[[noreturn]] void mismatch() {
    raiseStandard(err::TypeMismatch, QStringLiteral("PropertyBag"));
}

// The value as a double when it is a number (Boolean True counts as -1), else a type mismatch.
double numberOf(const PropertyValue::Storage& v) {
    if (const auto* b = std::get_if<bool>(&v))
        return *b ? -1.0 : 0.0;
    if (const auto* s = std::get_if<std::int16_t>(&v))
        return *s;
    if (const auto* l = std::get_if<std::int32_t>(&v))
        return *l;
    if (const auto* f = std::get_if<float>(&v))
        return *f;
    mismatch();
}

} // namespace

QFont fontInPoints(const QFont& font, int dotsPerInch) {
    if (font.pointSizeF() > 0 || font.pixelSize() <= 0 || dotsPerInch <= 0)
        return font;
    QFont inPoints = font;
    inPoints.setPointSizeF(font.pixelSize() * 72.0 / dotsPerInch);
    return inPoints;
}

QString PropertyValue::typeName() const {
    static const char* const names[] = {"Boolean", "Integer", "Long", "Single", "String", "Font", "Picture"};
    return QString::fromLatin1(names[value_.index()]);
}

std::int32_t PropertyValue::toInt32() const {
    if (const auto* l = std::get_if<std::int32_t>(&value_))
        return *l;
    return num::toInt32(numberOf(value_));
}

std::int16_t PropertyValue::toInt16() const {
    if (const auto* s = std::get_if<std::int16_t>(&value_))
        return *s;
    return num::toInt16(numberOf(value_));
}

bool PropertyValue::toBool() const {
    if (const auto* b = std::get_if<bool>(&value_))
        return *b;
    return numberOf(value_) != 0.0;
}

float PropertyValue::toFloat() const {
    if (const auto* f = std::get_if<float>(&value_))
        return *f;
    return static_cast<float>(numberOf(value_));
}

QString PropertyValue::toText() const {
    if (const auto* t = std::get_if<QString>(&value_))
        return *t;
    mismatch();
}

QFont PropertyValue::toFont() const {
    if (const auto* f = std::get_if<QFont>(&value_))
        return *f;
    mismatch();
}

QImage PropertyValue::toPicture() const {
    if (const auto* p = std::get_if<QImage>(&value_))
        return *p;
    mismatch();
}

bool PropertyValue::operator==(const PropertyValue& other) const {
    if (value_.index() != other.value_.index())
        return false;
    if (const auto* p = std::get_if<QImage>(&value_))
        return *p == std::get<QImage>(other.value_);
    if (const auto* f = std::get_if<QFont>(&value_))
        return *f == std::get<QFont>(other.value_);
    return value_ == other.value_;
}

void PropertyBag::WriteProperty(const QString& name, const PropertyValue& value) {
    for (auto& [key, stored] : entries_) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            stored = value;
            return;
        }
    }
    entries_.emplace_back(name, value);
}

PropertyValue PropertyBag::ReadProperty(const QString& name, const PropertyValue& defaultValue) const {
    const PropertyValue* stored = find(name);
    return stored ? *stored : defaultValue;
}

const PropertyValue* PropertyBag::find(const QString& name) const {
    for (const auto& [key, stored] : entries_) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return &stored;
    }
    return nullptr;
}

bool PropertyBag::remove(const QString& name) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->first.compare(name, Qt::CaseInsensitive) == 0) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

QStringList PropertyBag::keys() const {
    QStringList out;
    for (const auto& entry : entries_)
        out << entry.first;
    return out;
}

} // namespace vellumo
