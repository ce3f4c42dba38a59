#pragma once
// RefusalThrottle: slows down a peer that keeps sending wrong access keys. The receive handler owns
// one and tells it of every refused request, by the peer's address. The first few refusals of a
// burst from one address are answered at once; each further one waits twice as long as the one
// before (FirstDelayMs, then doubling up to MaxDelayMs). A burst ends only when the address has
// been quiet for BurstGapMs: a request with the right key from the same address (another user of
// that host, a station behind the same gateway) neither ends nor shortens it. The server holds a
// delayed reply out of its pool without blocking anything else.
//
// Invariants: an address is remembered only while its burst lasts, and at most MaxAddresses of
// them, the one refused longest ago forgotten first; each refusal costs the same whatever the table
// holds (a hash of the addresses, and a list of them in the order of their last refusal, whose
// front is the first to expire).

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <list>

namespace vellumo {

class RefusalThrottle {
public:
    static constexpr int DefaultFreeRefusals = 3;
    static constexpr int DefaultFirstDelayMs = 500;
    static constexpr int DefaultMaxDelayMs = 8000;
    static constexpr std::int64_t BurstGapMs = 60000;
    static constexpr int MaxAddresses = 65536;

    // Milliseconds on a steady clock (tests give their own).
    using Clock = std::function<std::int64_t()>;
    explicit RefusalThrottle(Clock clock = {});

    void setSchedule(int freeRefusals, int firstDelayMs, int maxDelayMs);

    struct Verdict {
        int delayMs = 0;          // how long the refusal's reply waits
        bool burstStarts = false; // the first refusal of a burst (the caller writes one log line)
    };
    Verdict Refused(const QString& address);

    // Addresses remembered now.
    int Size() const { return static_cast<int>(byAddress_.size()); }

private:
    struct Burst {
        QString address;
        std::int64_t last = 0;
        int refusals = 0;
    };
    using Order = std::list<Burst>;

    Clock clock_;
    int freeRefusals_ = DefaultFreeRefusals;
    int firstDelayMs_ = DefaultFirstDelayMs;
    int maxDelayMs_ = DefaultMaxDelayMs;
    // Oldest last refusal first.
    Order order_;
    QHash<QString, Order::iterator> byAddress_;
};

} // namespace vellumo
