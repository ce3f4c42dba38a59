#include "http_server/goss_event.h"

namespace vellumo {

QDateTime GossEvent::Now() {
    static qint64 cachedSecond = -1;
    static QDateTime cached;
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != cachedSecond) {
        cached = QDateTime::currentDateTime();
        const QTime t = cached.time();
        cached.setTime(QTime(t.hour(), t.minute(), t.second()));
        cachedSecond = second;
    }
    return cached;
}

} // namespace vellumo
