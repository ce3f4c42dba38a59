#include "load_generator.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vellumo::bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Connection {
    int fd = -1;
    int done = 0;
    std::string received;
    Clock::time_point started;
};

// Length of the first whole response in buf, or 0.
std::size_t responseLength(const std::string& buf) {
    const std::size_t headEnd = buf.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return 0;
    std::size_t body = 0;
    for (std::size_t at = 0; at < headEnd;) {
        const std::size_t eol = buf.find("\r\n", at);
        const std::string line = buf.substr(at, eol - at);
        if (line.size() > 15 && strncasecmp(line.c_str(), "content-length:", 15) == 0)
            body = std::strtoul(line.c_str() + 15, nullptr, 10);
        at = eol + 2;
    }
    const std::size_t total = headEnd + 4 + body;
    return buf.size() >= total ? total : 0;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n > 0)
            at += static_cast<std::size_t>(n);
        else if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        else
            return false;
    }
    return true;
}

} // namespace

LoadResult runLoad(int port, int clients, int requestsPerClient) {
    const std::string body(1024, 'm');
    const std::string request = "POST /MESSAGE HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
                                "Content-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    LoadResult result;
    std::vector<Connection> conns(static_cast<std::size_t>(clients));
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(clients) * static_cast<std::size_t>(requestsPerClient));
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int active = 0;
    const Clock::time_point begin = Clock::now();
    for (std::size_t i = 0; i < conns.size(); ++i) {
        Connection& c = conns[i];
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(c.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ++result.failures;
            ::close(c.fd);
            c.fd = -1;
            continue;
        }
        int one = 1;
        ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = i;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, c.fd, &ev);
        c.started = Clock::now();
        if (!sendAll(c.fd, request)) {
            ++result.failures;
            continue;
        }
        ++active;
    }
    char chunk[65536];
    epoll_event events[256];
    while (active > 0) {
        const int n = ::epoll_wait(ep, events, 256, 10000);
        if (n <= 0) {
            result.failures += active; // nothing for 10 s: give up rather than hang
            break;
        }
        for (int e = 0; e < n; ++e) {
            Connection& c = conns[events[e].data.u64];
            const ssize_t got = ::recv(c.fd, chunk, sizeof chunk, 0);
            if (got <= 0) {
                ++result.failures;
                ::epoll_ctl(ep, EPOLL_CTL_DEL, c.fd, nullptr);
                --active;
                continue;
            }
            c.received.append(chunk, static_cast<std::size_t>(got));
            while (const std::size_t len = responseLength(c.received)) {
                c.received.erase(0, len);
                const Clock::time_point now = Clock::now();
                latencies.push_back(std::chrono::duration<double, std::micro>(now - c.started).count());
                ++result.requests;
                if (++c.done >= requestsPerClient) {
                    ::epoll_ctl(ep, EPOLL_CTL_DEL, c.fd, nullptr);
                    --active;
                    break;
                }
                c.started = now;
                if (!sendAll(c.fd, request)) {
                    ++result.failures;
                    ::epoll_ctl(ep, EPOLL_CTL_DEL, c.fd, nullptr);
                    --active;
                    break;
                }
            }
        }
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    for (Connection& c : conns) {
        if (c.fd >= 0)
            ::close(c.fd);
    }
    ::close(ep);
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        result.p50Microseconds = latencies[latencies.size() / 2];
        result.p99Microseconds = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    return result;
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

} // namespace vellumo::bench
