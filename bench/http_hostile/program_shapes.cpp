#include "bench/http_hostile/program_shapes.h"

#include "bench/http/load_generator.h"

#include "app/core/app_settings.h"
#include "app/messaging/peer_message.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "tests/support/http_framing.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hostile {

namespace {

using vellumo::PeerMessage;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// A loopback source address of a group: 127.0.<group>.<n>.
QByteArray addressOf(int group, int n) {
    return "127.0." + QByteArray::number(group) + "." + QByteArray::number(n);
}

// The i-th of many distinct loopback addresses (127.10.0.1 onwards, no .0 nor .255).
QByteArray manyAddress(int i) {
    return "127." + QByteArray::number(10 + i / 62500) + "." + QByteArray::number((i / 250) % 250 + 1) + "." +
           QByteArray::number(i % 250 + 1);
}

// A non-blocking connection from source to the program's port; -1 when it cannot be made.
int connectFrom(const QByteArray& source, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.constData(), &local.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QByteArray messageBody(const char* text) {
    PeerMessage m;
    m.FROM = QStringLiteral("BENCH");
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("STATION;");
    m.Text = QString::fromLatin1(text);
    m.RTF = QStringLiteral("{\\rtf1 ") + m.Text + QLatin1Char('}');
    return m.Body(false).toUtf8();
}

QByteArray wrongKeyHeader() {
    return vellumo::test::keyHeaderLine(vellumo::EncryptWithFixedKey(QStringLiteral("pas la bonne clé")));
}

// ---- the legitimate side ----

// One fresh sender: a new connection from source, one authorised message, its reply. The wait in
// seconds when the message was stored, or -1 (refused, closed, or no reply within timeout).
double freshSend(int port, const QByteArray& source, const QByteArray& request, double timeout) {
    const double start = now();
    const int fd = connectFrom(source, port);
    if (fd < 0)
        return -1;
    qsizetype sent = 0;
    QByteArray in;
    bool connected = false;
    char chunk[65536];
    while (now() - start < timeout) {
        pollfd p{fd, static_cast<short>(POLLIN | (sent < request.size() ? POLLOUT : 0)), 0};
        ::poll(&p, 1, 20);
        if (!connected && (p.revents & (POLLOUT | POLLERR | POLLHUP))) {
            int error = 0;
            socklen_t len = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
            if (error != 0)
                break;
            connected = true;
        }
        if (connected && (p.revents & POLLOUT) && sent < request.size()) {
            const ssize_t n =
                ::send(fd, request.constData() + sent, static_cast<size_t>(request.size() - sent), MSG_NOSIGNAL);
            if (n > 0)
                sent += n;
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                break;
        }
        if (p.revents & POLLIN) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            in.append(chunk, n);
            if (vellumo::test::wholeHttpMessageLength(in) > 0) {
                ::close(fd);
                return in.startsWith("HTTP/1.1 200 MESSAGE:OK:") ? now() - start : -1;
            }
        }
    }
    ::close(fd);
    return -1;
}

struct FreshFigures {
    int within2s = 0;
    int served = 0;
    double longest = 0;
    double median = 0;
    QString text() const {
        return QStringLiteral("fresh %1/10 within 2 s (%2 stored), longest %3 s, median %4 s")
            .arg(within2s)
            .arg(served)
            .arg(longest, 0, 'f', 2)
            .arg(median, 0, 'f', 2);
    }
};

// Ten fresh senders one after the other, each from source; a wait that never ends counts as 10 s.
FreshFigures freshSenders(int port, const QByteArray& source) {
    std::vector<double> waits;
    FreshFigures f;
    for (int i = 0; i < 10; ++i) {
        const QByteArray request =
            vellumo::test::authorisedPost("/MESSAGE", messageBody(QStringLiteral("fresh %1").arg(i).toLatin1()));
        const double wait = freshSend(port, source, request, 10);
        if (wait >= 0) {
            ++f.served;
            f.within2s += wait <= 2.0;
        }
        waits.push_back(wait < 0 ? 10.0 : wait);
        sleepFor(0.2);
    }
    std::sort(waits.begin(), waits.end());
    f.longest = waits.back();
    f.median = (waits[4] + waits[5]) / 2;
    return f;
}

// Simultaneous senders from one address, each on its own connection, n messages each one after the
// other (keep-alive): how many were stored, and the time.
struct Batch {
    int stored = 0;
    int failures = 0;
    double seconds = 0;
};

Batch sendersFromOneAddress(int port, const QByteArray& source, int connections, int perConnection) {
    struct Sender {
        int fd = -1;
        QByteArray in;
        QByteArray out;
        qsizetype sent = 0;
        int done = 0;
        bool dead = false;
    };
    std::vector<QByteArray> requests;
    for (int i = 0; i < connections * perConnection; ++i)
        requests.push_back(
            vellumo::test::authorisedPost("/MESSAGE", messageBody(QStringLiteral("batch %1").arg(i).toLatin1())));
    std::vector<Sender> senders(static_cast<std::size_t>(connections));
    Batch b;
    const double start = now();
    int next = 0;
    for (Sender& s : senders) {
        s.fd = connectFrom(source, port);
        s.out = requests[static_cast<std::size_t>(next++)];
        s.dead = s.fd < 0;
    }
    char chunk[65536];
    while (now() - start < 120) {
        std::vector<pollfd> fds;
        for (Sender& s : senders) {
            if (!s.dead && s.done < perConnection)
                fds.push_back({s.fd, static_cast<short>(POLLIN | (s.sent < s.out.size() ? POLLOUT : 0)), 0});
        }
        if (fds.empty())
            break;
        ::poll(fds.data(), fds.size(), 50);
        for (Sender& s : senders) {
            if (s.dead || s.done >= perConnection)
                continue;
            if (s.sent < s.out.size()) {
                const ssize_t n =
                    ::send(s.fd, s.out.constData() + s.sent, static_cast<size_t>(s.out.size() - s.sent), MSG_NOSIGNAL);
                if (n > 0)
                    s.sent += n;
                else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN)
                    s.dead = true;
            }
            const ssize_t n = ::recv(s.fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN)) {
                s.dead = true;
                continue;
            }
            if (n > 0)
                s.in.append(chunk, n);
            for (qsizetype length; (length = vellumo::test::wholeHttpMessageLength(s.in)) > 0;) {
                if (s.in.startsWith("HTTP/1.1 200 MESSAGE:OK:"))
                    ++b.stored;
                else
                    ++b.failures;
                s.in.remove(0, length);
                if (++s.done < perConnection) {
                    s.out = requests[static_cast<std::size_t>(next++)];
                    s.sent = 0;
                }
            }
        }
    }
    for (Sender& s : senders) {
        if (s.fd >= 0)
            ::close(s.fd);
        if (s.done < perConnection)
            b.failures += perConnection - s.done;
    }
    b.seconds = now() - start;
    return b;
}

// ---- the hostile side (the child process) ----

// One connection of the load and what it does.
struct Holder {
    QByteArray address;
    QByteArray request;      // sent once connected (may be empty)
    qsizetype fastBytes = 0; // of request, sent as fast as the server takes them; the rest trickles
    double trickleEvery = 0; // seconds between the bytes that follow, 0: none
    bool repeat = false;     // sends request again after each reply (keep-alive), or on a new connection
    double reconnectAfter = 0;
    int fd = -1;
    bool connected = false;
    qsizetype sent = 0;
    double nextAt = 0;
    QByteArray in;
};

struct LoadCounters {
    long connects = 0;
    long closes = 0;
    long replies = 0;
    long refusals401 = 0;
    long refusals403 = 0;
    long stored = 0;
    std::vector<double> refusedAt; // when each refusal came
};

void closeHolder(Holder& h, LoadCounters& c, double t) {
    if (h.fd >= 0)
        ::close(h.fd);
    h.fd = -1;
    h.connected = false;
    h.sent = 0;
    h.in.clear();
    ++c.closes;
    h.nextAt = t + h.reconnectAfter;
}

void countReplies(Holder& h, LoadCounters& c, double t) {
    for (qsizetype length; (length = vellumo::test::wholeHttpMessageLength(h.in)) > 0;) {
        ++c.replies;
        c.refusals401 += h.in.startsWith("HTTP/1.1 401 ");
        c.refusals403 += h.in.startsWith("HTTP/1.1 403 ");
        if (h.in.startsWith("HTTP/1.1 401 ") || h.in.startsWith("HTTP/1.1 403 "))
            c.refusedAt.push_back(t);
        c.stored += h.in.startsWith("HTTP/1.1 200 MESSAGE:OK:");
        const bool ends = h.in.left(h.in.indexOf("\r\n\r\n")).contains("\r\nConnection:close");
        h.in.remove(0, length);
        if (h.repeat && !ends) {
            h.sent = 0; // the next request on the same connection (one that ends is asked again anew)
            h.nextAt = t;
        }
    }
}

// Runs the holders until standard input ends; prints what it saw.
int runHolders(std::vector<Holder>& holders, const QString& shape, double startedAt) {
    LoadCounters c;
    char chunk[65536];
    ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
    bool stdinOpen = true;
    while (stdinOpen) {
        const double t = now();
        std::vector<pollfd> fds{{0, POLLIN, 0}};
        std::vector<Holder*> polled;
        for (Holder& h : holders) {
            if (h.fd < 0 && t >= h.nextAt) {
                h.fd = connectFrom(h.address, qEnvironmentVariableIntValue("BENCH_PORT"));
                h.connected = false;
                if (h.fd >= 0)
                    ++c.connects;
                else
                    h.nextAt = t + 0.05;
            }
            if (h.fd < 0)
                continue;
            short events = POLLIN;
            if (!h.connected || (h.sent < h.request.size() && t >= h.nextAt))
                events |= POLLOUT;
            fds.push_back({h.fd, events, 0});
            polled.push_back(&h);
        }
        ::poll(fds.data(), fds.size(), 20);
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            while (::read(0, chunk, sizeof chunk) > 0) {
            }
            if (::read(0, chunk, 1) == 0)
                stdinOpen = false;
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            Holder& h = *polled[i];
            const short revents = fds[i + 1].revents;
            if (!h.connected && (revents & (POLLOUT | POLLERR | POLLHUP))) {
                int error = 0;
                socklen_t len = sizeof error;
                ::getsockopt(h.fd, SOL_SOCKET, SO_ERROR, &error, &len);
                if (error != 0) {
                    closeHolder(h, c, t);
                    continue;
                }
                h.connected = true;
                h.nextAt = t;
            }
            if (h.connected && h.sent < h.request.size() && t >= h.nextAt) {
                const qsizetype until =
                    h.sent < h.fastBytes ? h.fastBytes : std::min<qsizetype>(h.request.size(), h.sent + 1);
                const ssize_t n =
                    ::send(h.fd, h.request.constData() + h.sent, static_cast<size_t>(until - h.sent), MSG_NOSIGNAL);
                if (n > 0) {
                    h.sent += n;
                    if (h.sent >= h.fastBytes && h.trickleEvery > 0)
                        h.nextAt = t + h.trickleEvery;
                } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                    closeHolder(h, c, t);
                    continue;
                }
            }
            if (revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = ::recv(h.fd, chunk, sizeof chunk, MSG_DONTWAIT);
                if (n > 0) {
                    h.in.append(chunk, n);
                    countReplies(h, c, t);
                } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                    closeHolder(h, c, t);
                }
            }
        }
    }
    const double end = now(), seconds = end - startedAt;
    const double window = std::min(20.0, seconds / 2);
    const auto recent =
        std::count_if(c.refusedAt.begin(), c.refusedAt.end(), [&](double at) { return at >= end - window; });
    std::printf("RESULT %s: %ld connections, %ld closed by the server or failed, %ld replies (%ld 401, %ld 403, %ld "
                "stored); refusals answered %.1f/s over the run, %.1f/s over its last %.0f s\n",
                qPrintable(shape), c.connects, c.closes, c.replies, c.refusals401, c.refusals403, c.stored,
                static_cast<double>(c.refusals401 + c.refusals403) / seconds, static_cast<double>(recent) / window,
                window);
    std::fflush(stdout);
    return 0;
}

// Refusals from many addresses, each once, up to 64 at a time; prints PROGRESS every 10,000.
int runManyAddresses(int port, int total, double startedAt) {
    const QByteArray request = vellumo::test::postRequest("/MESSAGE", wrongKeyHeader(), messageBody("guess"));
    struct Try {
        int fd = -1;
        qsizetype sent = 0;
        QByteArray in;
    };
    std::vector<Try> tries(64);
    int started = 0, done = 0, answered = 0;
    char chunk[4096];
    ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
    while (done < total) {
        std::vector<pollfd> fds;
        for (Try& t : tries) {
            if (t.fd < 0 && started < total) {
                t.fd = connectFrom(manyAddress(started++), port);
                t.sent = 0;
                t.in.clear();
                if (t.fd < 0) {
                    ++done;
                    continue;
                }
            }
            if (t.fd >= 0)
                fds.push_back({t.fd, static_cast<short>(POLLIN | (t.sent < request.size() ? POLLOUT : 0)), 0});
        }
        ::poll(fds.data(), fds.size(), 20);
        for (Try& t : tries) {
            if (t.fd < 0)
                continue;
            if (t.sent < request.size()) {
                const ssize_t n = ::send(t.fd, request.constData() + t.sent,
                                         static_cast<size_t>(request.size() - t.sent), MSG_NOSIGNAL);
                if (n > 0)
                    t.sent += n;
            }
            const ssize_t n = ::recv(t.fd, chunk, sizeof chunk, MSG_DONTWAIT);
            const bool ended = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN);
            if (n > 0)
                t.in.append(chunk, n);
            const bool whole = vellumo::test::wholeHttpMessageLength(t.in) > 0;
            if (whole || ended) {
                answered += whole && t.in.startsWith("HTTP/1.1 401 ");
                ::close(t.fd);
                t.fd = -1;
                if (++done % 10000 == 0) {
                    std::printf("PROGRESS %d\n", done);
                    std::fflush(stdout);
                }
            }
        }
    }
    std::printf("RESULT many-refusal-addresses: %d addresses, %d answered 401, in %.1f s\n", done, answered,
                now() - startedAt);
    std::fflush(stdout);
    // Waits for the end of standard input, as every load does.
    for (;;) {
        pollfd p{0, POLLIN, 0};
        ::poll(&p, 1, 1000);
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n == 0 || (n < 0 && errno != EAGAIN))
            return 0;
    }
}

struct ShapeSetup {
    QByteArray freshSource; // where the fresh sender speaks from
    double ramp = 3;        // seconds of load before the fresh senders start
};

ShapeSetup setupOf(const QString& shape) {
    if (shape == QLatin1String("delayed-same-address"))
        return {addressOf(13, 1), 4};
    if (shape == QLatin1String("guessers"))
        return {addressOf(20, 1), 40}; // long enough for the rate of answered guesses to settle
    if (shape == QLatin1String("slow-bodies"))
        return {addressOf(20, 1), 15};
    return {addressOf(20, 1), 3};
}

} // namespace

const QStringList& programShapes() {
    static const QStringList shapes{
        QStringLiteral("one-address"), QStringLiteral("refused-trickle"),      QStringLiteral("idle-holders"),
        QStringLiteral("guessers"),    QStringLiteral("delayed-same-address"), QStringLiteral("many-refusal-addresses"),
        QStringLiteral("slow-bodies"),
    };
    return shapes;
}

int runLoad(const QString& shape, int port) {
    const double startedAt = now();
    qputenv("BENCH_PORT", QByteArray::number(port));
    if (shape == QLatin1String("many-refusal-addresses"))
        return runManyAddresses(
            port,
            qEnvironmentVariableIsSet("BENCH_ADDRESSES") ? qEnvironmentVariableIntValue("BENCH_ADDRESSES") : 100000,
            startedAt);
    std::vector<Holder> holders;
    const QByteArray wrongPost = vellumo::test::postRequest("/MESSAGE", wrongKeyHeader(), messageBody("guess"));
    const QByteArray announced = "Content-Length: 33554432\r\n\r\n";
    if (shape == QLatin1String("refused-trickle")) {
        // 32 refused requests from 8 addresses announce 32 MiB and send a byte every 29 s.
        for (int i = 0; i < 32; ++i) {
            Holder h;
            h.address = addressOf(10, 1 + i % 8);
            h.request = (i % 2 ? "POST /MESSAGE HTTP/1.1\r\n" + wrongKeyHeader() : QByteArray("GET / HTTP/1.1\r\n")) +
                        announced + QByteArray(4096, 'x');
            h.fastBytes = h.request.size() - 4095;
            h.trickleEvery = 29;
            h.reconnectAfter = 1;
            holders.push_back(h);
        }
    } else if (shape == QLatin1String("idle-holders")) {
        // 39 addresses with 4 connections each that never send, and come back at once when closed.
        for (int i = 0; i < 39 * 4; ++i) {
            Holder h;
            h.address = addressOf(11, 1 + i / 4);
            holders.push_back(h);
        }
    } else if (shape == QLatin1String("guessers") || shape == QLatin1String("delayed-same-address")) {
        // Wrong keys as fast as the replies come: from 39 addresses, or 8 connections of the fresh
        // sender's own address.
        const bool same = shape == QLatin1String("delayed-same-address");
        for (int i = 0; i < (same ? 8 : 39 * 4); ++i) {
            Holder h;
            h.address = same ? addressOf(13, 1) : addressOf(12, 1 + i / 4);
            h.request = wrongPost;
            h.fastBytes = h.request.size();
            h.repeat = true;
            holders.push_back(h);
        }
    } else if (shape == QLatin1String("slow-bodies")) {
        // 32 authorised 32 MiB bodies from 8 addresses: all but the last KiB at once, then a byte every
        // 20 s.
        const QByteArray head = vellumo::test::postRequest("/MESSAGE", vellumo::test::keyHeaderLine(), QByteArray());
        const QByteArray start = head.left(head.indexOf("Content-Length:")) + announced;
        QByteArray request = start + QByteArray(33554432, 'b');
        for (int i = 0; i < 32; ++i) {
            Holder h;
            h.address = addressOf(14, 1 + i % 8);
            h.request = request;
            h.fastBytes = request.size() - 1024;
            h.trickleEvery = 20;
            h.reconnectAfter = 1;
            holders.push_back(h);
        }
    } else {
        std::printf("RESULT unknown shape %s\n", qPrintable(shape));
        return 1;
    }
    return runHolders(holders, shape, startedAt);
}

void runProgramShape(const QString& shape, const QString& programFolder) {
    // A start that does not listen in time on a loaded machine is tried again on another port.
    std::unique_ptr<vellumo::test::ProgramProcess> started;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        auto candidate = std::make_unique<vellumo::test::ProgramProcess>(programFolder);
        // Its platform notices say nothing here.
        candidate->process().setProcessChannelMode(QProcess::SeparateChannels);
        candidate->process().setStandardErrorFile(QProcess::nullDevice());
        if (candidate->start())
            started = std::move(candidate);
    }
    if (!started) {
        std::printf("%-24s the program did not start from %s\n", qPrintable(shape), qPrintable(programFolder));
        return;
    }
    vellumo::test::ProgramProcess& program = *started;
    const qint64 pid = program.pid();
    const int port = program.port();
    const double cpuStart = vellumo::test::procCpuSeconds(pid);
    const double start = now();
    const std::string loadAtStart = vellumo::bench::loadAverage();

    if (shape == QLatin1String("one-address")) {
        // Legitimate stations behind one address, nothing hostile.
        const Batch eight = sendersFromOneAddress(port, addressOf(15, 1), 8, 1);
        const Batch many = sendersFromOneAddress(port, addressOf(15, 2), 8, 250);
        std::printf("%-24s 8 simultaneous senders from one address: %d/8 stored; 2000 messages over 8 keep-alive "
                    "connections from one address: %d stored, %d lost, %.2f s; CPU %.1f s; %s at the start\n",
                    qPrintable(shape), eight.stored, many.stored, many.failures, many.seconds,
                    vellumo::test::procCpuSeconds(pid) - cpuStart, loadAtStart.c_str());
        std::fflush(stdout);
        return;
    }

    const ShapeSetup setup = setupOf(shape);
    QProcess load;
    load.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    load.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load"), shape, QString::number(port)});
    if (!load.waitForStarted(10000)) {
        std::printf("%-24s the load did not start\n", qPrintable(shape));
        return;
    }
    QByteArray loadOut;
    QStringList progress;
    double lastCpu = cpuStart, lastAt = start;
    int lastCount = 0;
    const auto readLoad = [&](int ms) {
        load.waitForReadyRead(ms);
        loadOut += load.readAllStandardOutput();
        for (qsizetype at; (at = loadOut.indexOf("PROGRESS ")) >= 0 && loadOut.indexOf('\n', at) > at;) {
            const qsizetype end = loadOut.indexOf('\n', at);
            const int count = loadOut.mid(at + 9, end - at - 9).toInt();
            const double cpu = vellumo::test::procCpuSeconds(pid), t = now();
            progress << QStringLiteral("%1k: %2 ms")
                            .arg(count / 1000)
                            .arg(1000 * (cpu - lastCpu) / std::max(1, count - lastCount), 0, 'f', 3);
            std::printf("%-24s   %d addresses refused, %.3f ms of server CPU per refusal over the last %d (%.1f s)\n",
                        qPrintable(shape), count, 1000 * (cpu - lastCpu) / std::max(1, count - lastCount),
                        count - lastCount, t - lastAt);
            std::fflush(stdout);
            lastCpu = cpu;
            lastAt = t;
            lastCount = count;
            loadOut.remove(0, end + 1);
        }
    };
    for (const double until = now() + setup.ramp; now() < until;)
        readLoad(100);
    // The fresh senders go on beside the load, whose progress is read meanwhile: read only afterwards,
    // the lines of those seconds would come at once and the CPU of all of them count for the first.
    auto freshRun = std::async(std::launch::async, freshSenders, port, setup.freshSource);
    while (freshRun.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        readLoad(100);
    const FreshFigures fresh = freshRun.get();
    if (shape == QLatin1String("many-refusal-addresses")) {
        // All the addresses, however long they take.
        for (const double until = now() + 600; now() < until && !loadOut.contains("RESULT ");)
            readLoad(200);
    }
    const qint64 rss = program.residentKiB() / 1024, peak = program.peakResidentKiB() / 1024;
    load.closeWriteChannel();
    if (!load.waitForFinished(30000))
        load.kill();
    loadOut += load.readAllStandardOutput();
    const double cpu = vellumo::test::procCpuSeconds(pid) - cpuStart, wall = now() - start;
    const qsizetype at = loadOut.indexOf("RESULT ");
    std::printf("%-24s %s; server CPU %.1f s in %.1f s (%.0f %% of a core); RSS %lld MiB, peak %lld MiB; %s at the "
                "start, %s at the end\n",
                qPrintable(shape), qPrintable(fresh.text()), cpu, wall, 100 * cpu / wall, rss, peak,
                loadAtStart.c_str(), vellumo::bench::loadAverage().c_str());
    std::printf("%-24s   load side: %s\n", "", at >= 0 ? loadOut.mid(at + 7).trimmed().constData() : "no result");
    std::fflush(stdout);
}

} // namespace hostile
