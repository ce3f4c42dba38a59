#include "platform/hosting/access_keys.h"

#include "platform/runtime/windows1252.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace vellumo {

AccessKeys::AccessKeys(QWidget& owner, Handler onAccessKeyPress)
    : owner_(owner), onPress_(std::move(onAccessKeyPress)) {}

AccessKeys::~AccessKeys() {
    setKeys(QString());
}

void AccessKeys::setKeys(const QString& keys) {
    for (QShortcut* shortcut : shortcuts_)
        delete shortcut;
    shortcuts_.clear();
    keys_.clear();
    for (const QChar key : keys) {
        const QChar lower = key.toLower();
        if (keys_.contains(lower))
            continue;
        keys_ += lower;
        const QKeySequence sequence(QStringLiteral("Alt+") + key.toUpper());
        auto* shortcut = new QShortcut(sequence, &owner_);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &owner_, [this, lower] { press(lower); });
        shortcuts_.push_back(shortcut);
    }
}

bool AccessKeys::press(QChar key) {
    const QChar lower = key.toLower();
    if (!keys_.contains(lower))
        return false;
    const QByteArray ansi = cp1252::encode(QString(lower));
    std::int16_t keyAscii = ansi.isEmpty() ? 0 : static_cast<std::int16_t>(static_cast<unsigned char>(ansi[0]));
    if (onPress_)
        onPress_(keyAscii);
    return true;
}

} // namespace vellumo
