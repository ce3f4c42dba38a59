// What request shapes a hostile peer can send cost the embedded server, at doubling sizes. The server
// runs here (its host answers every POST with 200); a child process sends one shape on one connection
// and reads every reply, while a second connection of the child posts a small request every 20 ms and
// notes the longest wait for its reply (how long other clients are held up). Printed per shape and
// size: replies, server CPU, CPU per MB (flat as the size doubles when the cost is linear), wall
// time, the longest wait of the other client, and whether the server closed the connection.
//
//   bench_http_hostile [largest size in MB = 4] [one shape]
//   bench_http_hostile --shape <port> <shape> <bytes>   (the client side, run as a child process)
//
// Shapes:
//   empty-lines     <size> of CR LF, then one POST
//   pipelined-get   "GET / HTTP/1.1" requests, back to back
//   pipelined-post  POSTs of a 2-byte body, back to back
//   spaced-post     the same POSTs, each after 64 empty lines
#include "http_server/gossamer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vellumo;

namespace {

const char* const kShapes[] = {"empty-lines", "pipelined-get", "pipelined-post", "spaced-post"};

class OkHost : public GossamerHost {
public:
    void DynamicRequest(QString&, QString&, QByteArray&, HeaderCollection&, std::int16_t& RespStatus,
                        QString& RespStatusText, QString& RespMIME, QString&, QByteArray& RespBody,
                        std::int16_t&) override {
        RespStatus = 200;
        RespStatusText = QStringLiteral("OK");
        RespMIME = QStringLiteral("text/plain");
        RespBody = "OK";
    }
};

// The bytes of a shape, about `size` long, and how many replies a server that answers every request
// would send.
std::string payload(const std::string& shape, long size, long& requests) {
    const std::string post = "POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\nhi";
    std::string unit;
    if (shape == "empty-lines") {
        std::string p;
        p.reserve(static_cast<std::size_t>(size) + post.size());
        for (long i = 0; i + 1 < size; i += 2)
            p += "\r\n";
        requests = 1;
        return p + post;
    }
    if (shape == "pipelined-get")
        unit = "GET / HTTP/1.1\r\n\r\n";
    else if (shape == "pipelined-post")
        unit = post;
    else
        unit = std::string(128, '\0') + post;
    if (shape == "spaced-post") {
        for (std::size_t i = 0; i < 128; i += 2) {
            unit[i] = '\r';
            unit[i + 1] = '\n';
        }
    }
    requests = std::max<long>(1, size / static_cast<long>(unit.size()));
    std::string p;
    p.reserve(static_cast<std::size_t>(requests) * unit.size());
    for (long i = 0; i < requests; ++i)
        p += unit;
    return p;
}

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Counts status lines ("HTTP/1.1 ") across reads.
struct ReplyCounter {
    long count = 0;
    std::string tail;
    void feed(const char* data, std::size_t n) {
        std::string s = tail + std::string(data, n);
        for (std::size_t at = s.find("HTTP/1.1 "); at != std::string::npos; at = s.find("HTTP/1.1 ", at + 1))
            ++count;
        tail = s.size() > 8 ? s.substr(s.size() - 8) : s;
    }
};

// The child: sends the shape, reads the replies, probes the server's responsiveness meanwhile.
int runShape(int port, const std::string& shape, long size) {
    long expected = 0;
    const std::string bytes = payload(shape, size, expected);
    const int main = connectTo(port);
    const int probe = connectTo(port);
    if (main < 0 || probe < 0) {
        std::printf("connect failed\n");
        return 1;
    }
    const std::string probeRequest = "POST /probe HTTP/1.1\r\nContent-Length: 2\r\n\r\nhi";
    std::size_t sent = 0;
    ReplyCounter replies, probeReplies;
    bool closed = false;
    double probeSentAt = 0, nextProbe = now(), maxProbeWait = 0, lastProgress = now();
    const double start = now();
    char buffer[65536];
    for (;;) {
        const double t = now();
        if (!closed && replies.count >= expected && sent == bytes.size())
            break;
        if (t - lastProgress > 120 || t - start > 900)
            break; // nothing more comes
        if (probeSentAt == 0 && t >= nextProbe) {
            if (::send(probe, probeRequest.data(), probeRequest.size(), MSG_NOSIGNAL) > 0)
                probeSentAt = t;
        }
        pollfd fds[2] = {{main, static_cast<short>(POLLIN | (sent < bytes.size() && !closed ? POLLOUT : 0)), 0},
                         {probe, POLLIN, 0}};
        ::poll(fds, 2, 5);
        if (fds[0].revents & POLLOUT) {
            const ssize_t n =
                ::send(main, bytes.data() + sent, std::min<std::size_t>(bytes.size() - sent, 65536), MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                lastProgress = now();
            } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                closed = true;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(main, buffer, sizeof buffer, 0);
            if (n > 0) {
                replies.feed(buffer, static_cast<std::size_t>(n));
                lastProgress = now();
            } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                closed = true;
            }
        }
        if (closed)
            break;
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::recv(probe, buffer, sizeof buffer, 0);
            if (n > 0) {
                const long before = probeReplies.count;
                probeReplies.feed(buffer, static_cast<std::size_t>(n));
                if (probeReplies.count > before && probeSentAt > 0) {
                    maxProbeWait = std::max(maxProbeWait, now() - probeSentAt);
                    probeSentAt = 0;
                    nextProbe = now() + 0.02;
                }
            }
        }
        if (probeSentAt > 0)
            maxProbeWait = std::max(maxProbeWait, now() - probeSentAt);
    }
    std::printf("RESULT %ld %ld %d %.3f %.3f\n", replies.count, expected, closed ? 1 : 0, now() - start,
                maxProbeWait * 1000);
    return 0;
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--shape")
        return runShape(std::atoi(argv[2]), argv[3], std::atol(argv[4]));
    QCoreApplication app(argc, argv);
    const double largestMB = argc > 1 ? std::atof(argv[1]) : 4;

    OkHost host;
    Gossamer server;
    server.setHost(&host);
    server.StartListening(0, QStringLiteral("127.0.0.1"));
    if (!server.ConnectedToPort) {
        std::printf("the server could not listen\n");
        return 1;
    }
    std::printf("%-15s %7s %9s %9s %10s %11s %8s %14s %s\n", "shape", "MB", "replies", "of", "server CPU", "CPU s / MB",
                "wall s", "other client", "closed");
    for (const char* shape : kShapes) {
        if (argc > 2 && std::strcmp(argv[2], shape) != 0)
            continue;
        for (double mb = 0.5; mb <= largestMB + 1e-9; mb *= 2) {
            const long size = static_cast<long>(mb * 1024 * 1024);
            QProcess child;
            const double cpuBefore = cpuSeconds();
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--shape"), QString::number(server.LocalPort()), QString::fromLatin1(shape),
                         QString::number(size)});
            if (!child.waitForStarted(5000))
                return 1;
            // Sleep in the loop until the child ends (processEvents with a time would poll).
            QEventLoop loop;
            QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
            if (child.state() != QProcess::NotRunning)
                loop.exec();
            const double cpu = cpuSeconds() - cpuBefore;
            const QByteArray out = child.readAllStandardOutput();
            long replies = 0, expected = 0;
            int closed = 0;
            double wall = 0, probeMs = 0;
            const qsizetype at = out.indexOf("RESULT ");
            if (at < 0 || std::sscanf(out.constData() + at, "RESULT %ld %ld %d %lf %lf", &replies, &expected, &closed,
                                      &wall, &probeMs) != 5) {
                std::printf("%-15s %7.1f the client side failed: %s\n", shape, mb, out.constData());
                continue;
            }
            std::printf("%-15s %7.1f %9ld %9ld %9.2fs %10.3fs %7.2fs %11.0f ms %s\n", shape, mb, replies, expected, cpu,
                        cpu / mb, wall, probeMs, closed ? "yes" : "no");
            std::fflush(stdout);
            // Let the server see the end of the connections before the next shape.
            QTimer::singleShot(200, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
    return 0;
}
