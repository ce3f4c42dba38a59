#pragma once
// The benchmark's client side, run as a child process of its own so that the server's memory and
// time are not mixed with it: N keep-alive connections to 127.0.0.1, each posting a 1 KiB body,
// waiting for the whole response and posting again, a fixed number of times.

#include <cstdint>
#include <string>

namespace vellumo::bench {

struct LoadResult {
    std::int64_t requests = 0;
    std::int64_t failures = 0;
    double seconds = 0;
    double p50Microseconds = 0;
    double p99Microseconds = 0;
};

LoadResult runLoad(int port, int clients, int requestsPerClient);
std::string formatResult(const LoadResult& r);
bool parseResult(const std::string& text, LoadResult& r);

} // namespace vellumo::bench
