#include "load_generator.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <thread>

namespace vellumo::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kRetryPauseSeconds = 0.01; // after a refused or broken connection
constexpr double kGraceSeconds = 1.0;       // for requests in flight at the deadline

double since(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The length of the first whole response in buf, 0 when it is not all there; -1 when it cannot be
// framed (no Content-Length): then it ends with the connection.
long responseLength(const std::string& buf) {
    const std::size_t headEnd = buf.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return 0;
    long body = -1;
    for (std::size_t at = buf.find("\r\n") + 2; at < headEnd;) {
        const std::size_t eol = buf.find("\r\n", at);
        if (eol - at > 15 && strncasecmp(buf.c_str() + at, "content-length:", 15) == 0)
            body = std::strtol(buf.c_str() + at + 15, nullptr, 10);
        at = eol + 2;
    }
    if (body < 0)
        return -1;
    const std::size_t total = headEnd + 4 + static_cast<std::size_t>(body);
    return buf.size() >= total ? static_cast<long>(total) : 0;
}

struct Connection {
    int index = 0;
    int fd = -1;
    bool connecting = false;
    std::size_t next = 0; // the payload to send next
    std::string out;      // what is left to send of the request
    std::size_t outAt = 0;
    std::string in;
    Clock::time_point started;  // of the request (of its connect, with Close)
    Clock::time_point progress; // the last byte either way
    Clock::time_point retryAt{};
    bool waiting = false; // a retry is due at retryAt
    bool busy = false;    // a request is out
    std::int64_t done = 0;
};

class Worker {
public:
    Worker(const LoadPlan& plan, std::vector<int> connections, Clock::time_point begin, Clock::time_point deadline,
           std::atomic<std::int64_t>& total, std::atomic<bool>& stop)
        : plan_(plan), begin_(begin), deadline_(deadline), total_(total), stop_(stop) {
        for (int i : connections) {
            Connection c;
            c.index = i;
            c.next = plan.payloads.empty() ? 0 : static_cast<std::size_t>(i) % plan.payloads.size();
            conns_.push_back(std::move(c));
        }
    }

    void run() {
        ep_ = ::epoll_create1(EPOLL_CLOEXEC);
        for (std::size_t k = 0; k < conns_.size(); ++k)
            open(k);
        epoll_event events[256];
        for (;;) {
            const Clock::time_point now = Clock::now();
            if (plan_.cancel && plan_.cancel->load(std::memory_order_relaxed))
                break;
            const bool stopping = stop_.load(std::memory_order_relaxed) || now >= deadline_;
            if (stopping && (now >= deadline_ + std::chrono::milliseconds(int(kGraceSeconds * 1000)) || !anyBusy()))
                break;
            // Retries that are due, and requests that stalled.
            int timeoutMs = 100;
            for (std::size_t k = 0; k < conns_.size(); ++k) {
                Connection& c = conns_[k];
                if (c.waiting && !stopping) {
                    if (now >= c.retryAt) {
                        c.waiting = false;
                        open(k);
                    } else {
                        timeoutMs = std::min(timeoutMs, int(since(now, c.retryAt) * 1000) + 1);
                    }
                }
                if (c.busy && since(c.progress, now) > plan_.stallSeconds)
                    fail(k);
            }
            const int n = ::epoll_wait(ep_, events, 256, timeoutMs);
            for (int e = 0; e < n; ++e)
                serve(events[e].data.u64, events[e].events);
        }
        for (Connection& c : conns_) {
            if (c.fd >= 0)
                ::close(c.fd);
        }
        ::close(ep_);
    }

    std::vector<double> latencies;
    std::vector<double> completions;
    std::int64_t requests = 0;
    std::int64_t failures = 0;
    std::vector<std::pair<int, std::int64_t>> perConnection() const {
        std::vector<std::pair<int, std::int64_t>> out;
        for (const Connection& c : conns_)
            out.emplace_back(c.index, c.done);
        return out;
    }

private:
    bool anyBusy() const {
        return std::any_of(conns_.begin(), conns_.end(), [](const Connection& c) { return c.busy; });
    }

    bool stopping() const { return stop_.load(std::memory_order_relaxed) || Clock::now() >= deadline_; }

    void retryLater(std::size_t k) {
        Connection& c = conns_[k];
        c.waiting = true;
        c.retryAt = Clock::now() + std::chrono::milliseconds(int(kRetryPauseSeconds * 1000));
    }

    void closeFd(Connection& c) {
        if (c.fd >= 0) {
            ::epoll_ctl(ep_, EPOLL_CTL_DEL, c.fd, nullptr);
            ::close(c.fd);
        }
        c.fd = -1;
        c.in.clear();
        c.busy = false;
    }

    void fail(std::size_t k) {
        ++failures;
        closeFd(conns_[k]);
        retryLater(k);
    }

    // A new connection (and its first request once connected).
    void open(std::size_t k) {
        Connection& c = conns_[k];
        if (stopping())
            return;
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (plan_.ownAddresses) {
            // The port is picked at connect, for the whole address pair: many connections from one
            // address, one after another, do not run out of ports.
            ::setsockopt(c.fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_addr.s_addr = htonl((127u << 24) | static_cast<std::uint32_t>(2 + c.index % 250));
            ::bind(c.fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(plan_.port));
        ::inet_pton(AF_INET, plan_.address.c_str(), &addr.sin_addr);
        c.started = c.progress = Clock::now();
        c.busy = true;
        const int r = ::connect(c.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        if (r != 0 && errno != EINPROGRESS) {
            fail(k);
            return;
        }
        c.connecting = true;
        epoll_event ev{};
        ev.events = EPOLLOUT;
        ev.data.u64 = k;
        ::epoll_ctl(ep_, EPOLL_CTL_ADD, c.fd, &ev);
    }

    void startRequest(std::size_t k) {
        Connection& c = conns_[k];
        c.out = plan_.payloads.empty() ? std::string() : plan_.payloads[c.next];
        c.next = plan_.payloads.empty() ? 0 : (c.next + 1) % plan_.payloads.size();
        c.outAt = 0;
        c.busy = true;
        if (!plan_.close)
            c.started = Clock::now();
        c.progress = Clock::now();
        flushOut(k);
    }

    void flushOut(std::size_t k) {
        Connection& c = conns_[k];
        while (c.outAt < c.out.size()) {
            const ssize_t n = ::send(c.fd, c.out.data() + c.outAt, c.out.size() - c.outAt, MSG_NOSIGNAL);
            if (n > 0) {
                c.outAt += static_cast<std::size_t>(n);
                c.progress = Clock::now();
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                watch(k, EPOLLIN | EPOLLOUT);
                return;
            }
            fail(k);
            return;
        }
        watch(k, EPOLLIN);
    }

    void watch(std::size_t k, std::uint32_t events) {
        epoll_event ev{};
        ev.events = events;
        ev.data.u64 = k;
        ::epoll_ctl(ep_, EPOLL_CTL_MOD, conns_[k].fd, &ev);
    }

    void serve(std::size_t k, std::uint32_t events) {
        Connection& c = conns_[k];
        if (c.fd < 0)
            return;
        if (c.connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &len);
            if (error != 0 || (events & (EPOLLERR | EPOLLHUP))) {
                fail(k);
                return;
            }
            c.connecting = false;
            startRequest(k);
            return;
        }
        if ((events & EPOLLOUT) && c.outAt < c.out.size()) {
            flushOut(k);
            if (c.fd < 0)
                return;
        }
        if (!(events & (EPOLLIN | EPOLLERR | EPOLLHUP)))
            return;
        char chunk[65536];
        bool ended = false;
        for (;;) {
            const ssize_t got = ::recv(c.fd, chunk, sizeof chunk, 0);
            if (got > 0) {
                c.in.append(chunk, static_cast<std::size_t>(got));
                c.progress = Clock::now();
                if (static_cast<std::size_t>(got) < sizeof chunk)
                    break;
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == EAGAIN)
                break;
            ended = true; // closed or reset
            break;
        }
        for (;;) {
            const long length = responseLength(c.in);
            if (length == 0 || (length < 0 && !ended))
                break;
            const std::size_t taken = length < 0 ? c.in.size() : static_cast<std::size_t>(length);
            if (!answered(k, c.in.compare(0, plan_.expectStatus.size(), plan_.expectStatus) == 0))
                return;
            c.in.erase(0, taken);
            if (plan_.close) {
                closeFd(c);
                open(k);
                return;
            }
            if (stopping()) {
                c.busy = false;
                return;
            }
            if (!c.in.empty()) {
                fail(k); // bytes nobody asked for: the stream is not what it should be
                return;
            }
            startRequest(k);
            return;
        }
        if (ended) {
            if (c.busy)
                fail(k);
            else
                closeFd(c);
        }
    }

    // One whole response; false when the connection was given up.
    bool answered(std::size_t k, bool ok) {
        Connection& c = conns_[k];
        const Clock::time_point now = Clock::now();
        c.busy = false;
        if (!ok) {
            fail(k);
            return false;
        }
        ++requests;
        ++c.done;
        latencies.push_back(std::chrono::duration<double, std::micro>(now - c.started).count());
        completions.push_back(since(begin_, now));
        const std::int64_t all = total_.fetch_add(1, std::memory_order_relaxed) + 1;
        if (plan_.progress)
            plan_.progress->store(all, std::memory_order_relaxed);
        if (plan_.requests > 0 && all >= plan_.requests)
            stop_.store(true, std::memory_order_relaxed);
        return true;
    }

    const LoadPlan& plan_;
    Clock::time_point begin_;
    Clock::time_point deadline_;
    std::atomic<std::int64_t>& total_;
    std::atomic<bool>& stop_;
    std::vector<Connection> conns_;
    int ep_ = -1;
};

} // namespace

LoadResult runLoad(const LoadPlan& plan) {
    const int threads = std::max(
        1, std::min(plan.connections, plan.cpus.empty() ? plan.threads : 2 * static_cast<int>(plan.cpus.size())));
    const Clock::time_point begin = Clock::now();
    // With a count to reach, the time is only a bound that ends a run that cannot reach it.
    const double seconds = plan.requests > 0 ? std::max(plan.seconds, 600.0) : plan.seconds;
    const Clock::time_point deadline = begin + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    std::atomic<std::int64_t> total{0};
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<Worker>> workers;
    for (int t = 0; t < threads; ++t) {
        std::vector<int> mine;
        for (int i = t; i < plan.connections; i += threads)
            mine.push_back(i);
        workers.push_back(std::make_unique<Worker>(plan, mine, begin, deadline, total, stop));
    }
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t) {
        running.emplace_back([&, t] {
            if (!plan.cpus.empty()) {
                // The clients' cores as a set: a thread held up on one (the machine is shared) moves
                // to another, rather than starving its connections.
                cpu_set_t set;
                CPU_ZERO(&set);
                for (int cpu : plan.cpus)
                    CPU_SET(cpu, &set);
                ::pthread_setaffinity_np(pthread_self(), sizeof set, &set);
            }
            workers[static_cast<std::size_t>(t)]->run();
        });
    }
    for (std::thread& t : running)
        t.join();

    LoadResult result;
    result.perConnection.assign(static_cast<std::size_t>(plan.connections), 0);
    std::vector<double> latencies;
    for (const auto& w : workers) {
        result.requests += w->requests;
        result.failures += w->failures;
        latencies.insert(latencies.end(), w->latencies.begin(), w->latencies.end());
        result.completions.insert(result.completions.end(), w->completions.begin(), w->completions.end());
        for (const auto& [index, done] : w->perConnection())
            result.perConnection[static_cast<std::size_t>(index)] = done;
    }
    std::sort(result.completions.begin(), result.completions.end());
    result.seconds = result.completions.empty() ? since(begin, Clock::now()) : result.completions.back();
    if (plan.requests == 0)
        result.seconds = std::max(result.seconds, std::min(plan.seconds, since(begin, Clock::now())));
    result.p50Microseconds = percentile(latencies, 0.5);
    result.p99Microseconds = percentile(latencies, 0.99);
    return result;
}

double percentile(std::vector<double>& values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

std::string formatResult(const LoadResult& r) {
    char line[256];
    std::snprintf(line, sizeof line, "requests=%lld failures=%lld seconds=%.6f p50=%.1f p99=%.1f\n",
                  static_cast<long long>(r.requests), static_cast<long long>(r.failures), r.seconds, r.p50Microseconds,
                  r.p99Microseconds);
    return line;
}

bool parseResult(const std::string& text, LoadResult& r) {
    long long requests = 0, failures = 0;
    if (std::sscanf(text.c_str(), "requests=%lld failures=%lld seconds=%lf p50=%lf p99=%lf", &requests, &failures,
                    &r.seconds, &r.p50Microseconds, &r.p99Microseconds) != 5)
        return false;
    r.requests = requests;
    r.failures = failures;
    return true;
}

std::string postRequest(const std::string& target, const std::string& body, bool close,
                        const std::string& extraHeaders) {
    return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n" + extraHeaders +
           (close ? "Connection: close\r\n" : "") + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
           body;
}

std::string getRequest(const std::string& target, bool close) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + std::string(close ? "Connection: close\r\n" : "") +
           "\r\n";
}

std::vector<int> allowedCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> cores;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int i = 0; i < CPU_SETSIZE; ++i) {
            if (CPU_ISSET(i, &set))
                cores.push_back(i);
        }
    }
    return cores;
}

std::string loadAverage() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    if (!f)
        return "?";
    double a = 0, b = 0, c = 0;
    const int n = std::fscanf(f, "%lf %lf %lf", &a, &b, &c);
    std::fclose(f);
    if (n != 3)
        return "?";
    char text[64];
    std::snprintf(text, sizeof text, "load %.2f %.2f %.2f", a, b, c);
    return text;
}

} // namespace vellumo::bench
