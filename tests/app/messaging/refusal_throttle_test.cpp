// The slowing down of wrong keys: a few refusals at once, then doubling waits up to a cap, per
// address; only a quiet minute ends a burst, not the right key from the same address.
#include "app/messaging/refusal_throttle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vellumo {
namespace {

class Throttle : public ::testing::Test {
protected:
    std::int64_t now = 1000;
    RefusalThrottle throttle{[this] { return now; }};
    const QString a = QStringLiteral("192.0.2.1");
    const QString b = QStringLiteral("192.0.2.2");

    std::vector<int> delays(const QString& address, int count) {
        std::vector<int> out;
        for (int i = 0; i < count; ++i) {
            out.push_back(throttle.Refused(address).delayMs);
            now += 10;
        }
        return out;
    }
};

TEST_F(Throttle, AFewAtOnceThenDoublingWaitsUpToTheCap) {
    EXPECT_EQ(delays(a, 9), (std::vector<int>{0, 0, 0, 500, 1000, 2000, 4000, 8000, 8000}));
    // Another address has a burst of its own.
    EXPECT_EQ(delays(b, 4), (std::vector<int>{0, 0, 0, 500}));
}

TEST_F(Throttle, EachBurstStartsOnceAndEndsOnlyAfterAQuietMinute) {
    EXPECT_TRUE(throttle.Refused(a).burstStarts);
    EXPECT_FALSE(throttle.Refused(a).burstStarts);
    delays(a, 5);
    now += RefusalThrottle::BurstGapMs - 20;       // counted from the last refusal, 10 ms before
    EXPECT_FALSE(throttle.Refused(a).burstStarts); // not quiet long enough: the burst goes on
    EXPECT_EQ(throttle.Refused(a).delayMs, 8000);
    now += RefusalThrottle::BurstGapMs + 1;
    const RefusalThrottle::Verdict fresh = throttle.Refused(a);
    EXPECT_TRUE(fresh.burstStarts);
    EXPECT_EQ(fresh.delayMs, 0);
}

TEST_F(Throttle, ManyAddressesAreForgottenOnceQuiet) {
    for (int i = 0; i < 3000; ++i) {
        throttle.Refused(QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250));
        now += 100; // a quiet minute passes every 600 of them
    }
    // Still answers as for a new address, whatever the table holds.
    EXPECT_TRUE(throttle.Refused(a).burstStarts);
}

TEST_F(Throttle, PastItsBoundTheTableForgetsTheAddressRefusedLongestAgo) {
    // 100,000 addresses refused within a minute: the newest MaxAddresses are kept, so the first is
    // forgotten (its next refusal starts a burst again) while a recent one is still in its burst.
    const auto address = [](int i) {
        return QStringLiteral("10.%1.%2.%3").arg(i >> 16).arg((i >> 8) & 255).arg(i & 255);
    };
    for (int i = 0; i < 100000; ++i) {
        throttle.Refused(address(i));
        if (i % 1000 == 0)
            now += 1;
    }
    EXPECT_EQ(throttle.Size(), RefusalThrottle::MaxAddresses);
    EXPECT_TRUE(throttle.Refused(address(0)).burstStarts);
    EXPECT_FALSE(throttle.Refused(address(99999)).burstStarts);
}

} // namespace
} // namespace vellumo
