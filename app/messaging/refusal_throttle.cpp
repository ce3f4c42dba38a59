#include "app/messaging/refusal_throttle.h"

#include <QElapsedTimer>

#include <algorithm>
#include <iterator>

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
    // Bursts that have ended are forgotten from the front, where the oldest are.
    while (!order_.empty() && now - order_.front().last > BurstGapMs) {
        byAddress_.remove(order_.front().address);
        order_.pop_front();
    }
    Verdict verdict;
    auto found = byAddress_.find(address);
    if (found == byAddress_.end()) {
        if (static_cast<int>(order_.size()) >= MaxAddresses) {
            byAddress_.remove(order_.front().address);
            order_.pop_front();
        }
        order_.push_back(Burst{address, now, 0});
        found = byAddress_.insert(address, std::prev(order_.end()));
        verdict.burstStarts = true;
    } else {
        // Its last refusal is now the newest.
        order_.splice(order_.end(), order_, found.value());
    }
    Burst& burst = *found.value();
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

} // namespace vellumo
