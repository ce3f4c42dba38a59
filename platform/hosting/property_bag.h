#pragma once
// PropertyBag: the host's store of a control's saved properties, typed values under text keys. A
// control writes every key it keeps when the host saves, and reads each key back with a default of
// its own choosing when the host loads. Keys are compared without regard to case; the bag keeps the
// order in which keys were first written, so that a host can show or persist them in that order.
//
// PropertyValue is the one value type that crosses the hosting boundary (bag entries, ambient and
// container properties, writes by dispatch number). Conversions follow the platform's rules:
//
//   wanted      accepts                                   otherwise
//   32-bit      32-bit, 16-bit, Boolean (-1/0), float     float out of range: error 6
//   16-bit      the same                                  out of 16-bit range: error 6
//   Boolean     Boolean, any number (non-zero is True)
//   float       any number
//   text        text
//   font        font
//   picture     picture (a null image is "none")
//   any other pairing raises error 13 (Type mismatch).
//
// Owned by whoever holds it (the host, a test); values are copied in and out.

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

namespace vellumo {

class PropertyValue {
public:
    using Storage = std::variant<bool, std::int16_t, std::int32_t, float, QString, QFont, QImage>;

    PropertyValue() : value_(std::int32_t{0}) {}
    PropertyValue(bool v) : value_(v) {}
    PropertyValue(std::int16_t v) : value_(v) {}
    PropertyValue(std::int32_t v) : value_(v) {}
    PropertyValue(float v) : value_(v) {}
    PropertyValue(QString v) : value_(std::move(v)) {}
    PropertyValue(const char* v) : value_(QString::fromUtf8(v)) {}
    PropertyValue(QFont v) : value_(std::move(v)) {}
    PropertyValue(QImage v) : value_(std::move(v)) {}

    const Storage& storage() const { return value_; }
    // "Long", "Integer", "Boolean", "Single", "String", "Font", "Picture": the stored type's name.
    QString typeName() const;

    template <class T> bool holds() const { return std::holds_alternative<T>(value_); }

    std::int32_t toInt32() const;
    std::int16_t toInt16() const;
    bool toBool() const;
    float toFloat() const;
    QString toText() const;
    QFont toFont() const;
    QImage toPicture() const;

    bool operator==(const PropertyValue& other) const;

private:
    Storage value_;
};

// A font object of the host has its size in points. A font given by pixel size (as a Qt font may be)
// gets the point size those pixels have at dotsPerInch; any other font comes back as it is.
QFont fontInPoints(const QFont& font, int dotsPerInch);

class PropertyBag {
public:
    // Stores value under name; an existing key keeps its place and takes the new value.
    void WriteProperty(const QString& name, const PropertyValue& value);
    // The value stored under name, or defaultValue when the bag has no such key.
    PropertyValue ReadProperty(const QString& name, const PropertyValue& defaultValue) const;

    bool contains(const QString& name) const { return find(name) != nullptr; }
    const PropertyValue* find(const QString& name) const;
    bool remove(const QString& name);
    // The keys in the order they were first written, as they were first spelt.
    QStringList keys() const;
    int size() const { return static_cast<int>(entries_.size()); }
    void clear() { entries_.clear(); }

private:
    std::vector<std::pair<QString, PropertyValue>> entries_;
};

} // namespace vellumo
