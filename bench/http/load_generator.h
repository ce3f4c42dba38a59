#pragma once
// The benchmarks' client side: N connections to one loopback server, spread over a few threads (two
// per core given, kept on those cores), each sending a request, waiting for its whole
// response and sending the next; with Close, each request on a connection of its own (the client
// closes once the response is in). Every connection can speak from a loopback address of its own
// (127.0.0.2, 127.0.0.3, ...), as the stations of an office do, so that a server's per-address rules
// do not decide the figures.
//
// It never spins and always ends: every wait is an epoll_wait with a time-out; a connection that
// fails or is refused tries again only after a pause; a request without progress for StallSeconds
// counts as a failure; the run stops at its deadline (or once Requests responses came) and gives in-flight
// requests at most a second more.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vellumo::bench {

struct LoadPlan {
    std::string address = "127.0.0.1"; // the server's
    int port = 0;
    int connections = 1;
    bool close = false;        // one request per connection
    bool ownAddresses = true;  // connection i from 127.0.0.(2 + i % 250)
    double seconds = 3;        // how long to run, when Requests is 0
    std::int64_t requests = 0; // stop once this many responses came (0: run for seconds)
    double stallSeconds = 10;  // a request without progress this long fails
    std::vector<int> cpus;     // the client threads' cores (two threads per core, at most one per connection)
    int threads = 1;           // when no cores are given
    // The requests to send, in turn on each connection (connection i starts at i % size).
    std::vector<std::string> payloads;
    // A response counts as a success when its status line starts with this.
    std::string expectStatus = "HTTP/1.";
    // Responses completed so far, for whoever watches the run (memory at the 1,000th, say).
    std::atomic<std::int64_t>* progress = nullptr;
    // Set by whoever watches to end the run early (the server has gone).
    std::atomic<bool>* cancel = nullptr;
};

struct LoadResult {
    std::int64_t requests = 0; // whole responses with the expected status
    std::int64_t failures = 0; // other responses, refused or broken connections, stalls
    double seconds = 0;        // from the start to the last response
    double p50Microseconds = 0;
    double p99Microseconds = 0;
    std::vector<std::int64_t> perConnection; // responses each connection got
    std::vector<double> completions;         // seconds from the start of every response, in order
};

LoadResult runLoad(const LoadPlan& plan);

// One line of text for a result, and back (the child process of bench_http hands it to its parent).
std::string formatResult(const LoadResult& r);
bool parseResult(const std::string& text, LoadResult& r);

// A POST of body to target, and a GET; Connection: close when asked.
std::string postRequest(const std::string& target, const std::string& body, bool close = false,
                        const std::string& extraHeaders = {});
std::string getRequest(const std::string& target, bool close = false);

// Percentile p (0..1) of values, sorted in place.
double percentile(std::vector<double>& values, double p);

// The cores this process may run on, in order (its affinity mask).
std::vector<int> allowedCores();

// "load 1.00 0.50 0.25": the machine's load averages, printed beside each figure; "?" without /proc.
std::string loadAverage();

} // namespace vellumo::bench
