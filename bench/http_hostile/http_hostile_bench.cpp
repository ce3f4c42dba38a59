// What hostile peers cost the station, and whether a legitimate sender still gets through.
//
//   bench_http_hostile [--program <folder>] [--mb <largest size>] [shape ...]    (no shape: all)
//   bench_http_hostile --load <shape> <port>             (the hostile side, run as a child process)
//   bench_http_hostile --shape <port> <shape> <bytes>    (the parser's client side, as a child)
//
// The program folder defaults to $VELLUMO_PROGRAM_DIR, else the build's; give an older build's
// folder (its build/Vellumo) to measure it with the same bench. Traffic goes to loopback only.
//
// Shapes against the real program (program_shapes.h; each prints the wait of a fresh sender from
// another address, the program's CPU and memory, and the machine's load):
//   one-address             8 simultaneous senders from one address, then 2,000 messages over 8
//                           keep-alive connections from one address (stations behind one gateway)
//   refused-trickle         32 refused requests (GET, and POST with a wrong key) from 8 addresses,
//                           each announcing 32 MiB and sending a byte every 29 s
//   idle-holders            39 addresses x 4 connections that never send and come back when closed
//   guessers                39 addresses x 4 connections sending wrong keys as fast as answered
//   delayed-same-address    8 such connections from the fresh sender's own address
//   many-refusal-addresses  one wrong key from each of 100,000 addresses ($BENCH_ADDRESSES), 64 at a
//                           time: the server's CPU per refusal, per 10,000
//   slow-bodies             32 authorised 32 MiB bodies from 8 addresses, all but the last KiB at
//                           once, then a byte every 20 s: the program's memory
//
// Shapes of the request parser, against the server in this process (its host answers every POST with
// 200), at doubling sizes up to --mb (4): a child process sends the shape on one connection and reads
// every reply, while a second connection of the child posts a small request every 20 ms and notes the
// longest wait for its reply. Printed per size: replies, server CPU, CPU per MB (flat as the size
// doubles when the cost is linear), wall time, the other client's longest wait, whether it was closed.
//   empty-lines     <size> of CR LF, then one POST
//   pipelined-get   "GET / HTTP/1.1" requests, back to back
//   pipelined-post  POSTs of a 2-byte body, back to back
//   spaced-post     the same POSTs, each after 64 empty lines
#include "bench/http_hostile/program_shapes.h"
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

void runParserShapes(const QStringList& shapes, double largestMB) {
    OkHost host;
    Gossamer server;
    server.setHost(&host);
    server.StartListening(0, QStringLiteral("127.0.0.1"));
    if (!server.ConnectedToPort) {
        std::printf("the server could not listen\n");
        return;
    }
    std::printf("%-15s %7s %9s %9s %10s %11s %8s %14s %s\n", "shape", "MB", "replies", "of", "server CPU", "CPU s / MB",
                "wall s", "other client", "closed");
    for (const QString& shapeName : shapes) {
        const QByteArray shape = shapeName.toLatin1();
        for (double mb = 0.5; mb <= largestMB + 1e-9; mb *= 2) {
            const long size = static_cast<long>(mb * 1024 * 1024);
            QProcess child;
            const double cpuBefore = cpuSeconds();
            child.start(
                QCoreApplication::applicationFilePath(),
                {QStringLiteral("--shape"), QString::number(server.LocalPort()), shapeName, QString::number(size)});
            if (!child.waitForStarted(5000))
                return;
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
                std::printf("%-15s %7.1f the client side failed: %s\n", shape.constData(), mb, out.constData());
                continue;
            }
            std::printf("%-15s %7.1f %9ld %9ld %9.2fs %10.3fs %7.2fs %11.0f ms %s\n", shape.constData(), mb, replies,
                        expected, cpu, cpu / mb, wall, probeMs, closed ? "yes" : "no");
            std::fflush(stdout);
            // Let the server see the end of the connections before the next shape.
            QTimer::singleShot(200, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--shape")
        return runShape(std::atoi(argv[2]), argv[3], std::atol(argv[4]));
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--load")
        return hostile::runLoad(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));

    QString program = qEnvironmentVariable("VELLUMO_PROGRAM_DIR", QStringLiteral(VELLUMO_PROGRAM_DIR));
    double largestMB = 4;
    QStringList wanted;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--program" && i + 1 < argc) {
            program = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--mb" && i + 1 < argc) {
            largestMB = std::atof(argv[++i]);
        } else if (arg == "-h" || arg == "--help") {
            std::printf("bench_http_hostile [--program <folder>] [--mb <largest size>] [shape ...]\nshapes: %s %s\n",
                        qPrintable(hostile::programShapes().join(u' ')),
                        "empty-lines pipelined-get pipelined-post spaced-post");
            return 0;
        } else if (arg != "all") {
            wanted << QString::fromLocal8Bit(argv[i]);
        }
    }
    QStringList parser;
    for (const char* shape : kShapes)
        parser << QString::fromLatin1(shape);
    if (wanted.isEmpty())
        wanted = hostile::programShapes() + parser;
    for (const QString& shape : wanted) {
        if (!hostile::programShapes().contains(shape) && !parser.contains(shape)) {
            std::printf("unknown shape %s\n", qPrintable(shape));
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::printf("program folder %s\n", qPrintable(program));
    std::fflush(stdout);
    QStringList parserWanted;
    for (const QString& shape : wanted) {
        if (hostile::programShapes().contains(shape))
            hostile::runProgramShape(shape, program);
        else
            parserWanted << shape;
    }
    if (!parserWanted.isEmpty())
        runParserShapes(parserWanted, largestMB);
    return 0;
}
