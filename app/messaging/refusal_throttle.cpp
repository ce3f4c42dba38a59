#include "app/messaging/refusal_throttle.h"

#include <QElapsedTimer>

#include <algorithm>

namespace vellumo {

namespace {

std::int64_t steadyNow() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

RefusalThrottle::RefusalThrottle(Clock clock) : clock_(clock ? std::move(clock) : Clock(&steadyNow)) {}

void RefusalThrottle::setSchedule(int freeRefusals, int firstDelayMs, int maxDelayMs) {
    freeRefusals_ = std::max(0, freeRefusals);
    firstDelayMs_ = std::max(1, firstDelayMs);
    maxDelayMs_ = std::max(firstDelayMs_, maxDelayMs);
}

RefusalThrottle::Verdict RefusalThrottle::Refused(const QString& address) {
    const std::int64_t now = clock_();
    if (bursts_.size() > 1024)
        forgetStale(now);
    Verdict verdict;
    Burst& burst = bursts_[address];
    if (burst.refusals == 0 || now - burst.last > BurstGapMs) {
        burst.refusals = 0;
        verdict.burstStarts = true;
    }
    burst.last = now;
    ++burst.refusals;
    const int beyond = burst.refusals - freeRefusals_;
    if (beyond > 0) {
        std::int64_t delay = firstDelayMs_;
        for (int i = 1; i < beyond && delay < maxDelayMs_; ++i)
            delay *= 2;
        verdict.delayMs = static_cast<int>(std::min<std::int64_t>(delay, maxDelayMs_));
    }
    return verdict;
}

void RefusalThrottle::Accepted(const QString& address) {
    bursts_.remove(address);
}

void RefusalThrottle::forgetStale(std::int64_t now) {
    for (auto it = bursts_.begin(); it != bursts_.end();) {
        if (now - it->last > BurstGapMs)
            it = bursts_.erase(it);
        else
            ++it;
    }
}

} // namespace vellumo
