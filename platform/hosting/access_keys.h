#pragma once
// AccessKeys: the access keys of a hosted control. Each character of the set is an Alt+key shortcut in
// the control's window; pressing it runs the control's access-key handler with the key's character
// (its KeyAscii), and the key goes no further. Setting a new set replaces the old one; an empty set
// has no shortcut.
//
// Owned by the control it serves; the shortcuts are Qt children of the control's widget.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QShortcut;
class QWidget;

namespace vellumo {

class AccessKeys {
public:
    using Handler = std::function<void(std::int16_t& KeyAscii)>;

    AccessKeys(QWidget& owner, Handler onAccessKeyPress);
    ~AccessKeys();
    AccessKeys(const AccessKeys&) = delete;
    AccessKeys& operator=(const AccessKeys&) = delete;

    // The keys, one character each, compared without regard to case ("s" answers Alt+S).
    void setKeys(const QString& keys);
    const QString& keys() const { return keys_; }
    // Runs the handler as the shortcut of key does; false when key is not one of the set.
    bool press(QChar key);

private:
    QWidget& owner_;
    Handler onPress_;
    QString keys_;
    std::vector<QShortcut*> shortcuts_;
};

} // namespace vellumo
