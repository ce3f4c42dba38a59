#pragma once
// RefusalThrottle: slows down a peer that keeps sending wrong access keys. The receive handler owns
// one; it tells it of every refused request (by the peer's address) and of every authorised one.
// The first few refusals of a burst from one address are answered at once; each further one waits
// twice as long as the one before (FirstDelayMs, then doubling up to MaxDelayMs). A burst ends when
// the address has been quiet for BurstGapMs, or when it sends the right key. The server holds a
// delayed reply on its connection without blocking anything else.
//
// Invariants: an address is remembered only while its burst lasts; stale bursts are forgotten as
// the table grows, so it stays small whatever the peers do.

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>

namespace vellumo {

class RefusalThrottle {
public:
    static constexpr int DefaultFreeRefusals = 3;
    static constexpr int DefaultFirstDelayMs = 500;
    static constexpr int DefaultMaxDelayMs = 8000;
    static constexpr std::int64_t BurstGapMs = 60000;

    // Milliseconds on a steady clock (tests give their own).
    using Clock = std::function<std::int64_t()>;
    explicit RefusalThrottle(Clock clock = {});

    void setSchedule(int freeRefusals, int firstDelayMs, int maxDelayMs);

    struct Verdict {
        int delayMs = 0;          // how long the refusal's reply waits
        bool burstStarts = false; // the first refusal of a burst (the caller writes one log line)
    };
    Verdict Refused(const QString& address);
    void Accepted(const QString& address);

private:
    struct Burst {
        std::int64_t last = 0;
        int refusals = 0;
    };
    void forgetStale(std::int64_t now);

    Clock clock_;
    int freeRefusals_ = DefaultFreeRefusals;
    int firstDelayMs_ = DefaultFirstDelayMs;
    int maxDelayMs_ = DefaultMaxDelayMs;
    QHash<QString, Burst> bursts_;
};

} // namespace vellumo
