// Throughput and latency of the embedded HTTP server: N keep-alive clients on 127.0.0.1 post 1 KiB
// bodies to a host that answers 200, and the same load goes to nginx (one worker, a fixed 200) when
// nginx is installed. Prints requests/s, p50/p99 latency, the server's memory, and the ratio.
//
//   bench_http [clients=16] [requests per client=5000] [rounds=3]
// The two servers take turns, round after round, and the best round of each is compared, so that a
// burst of other work on the machine does not decide the ratio.
//   bench_http --load <port> <clients> <requests>    (the client side, run as a child process)
#include "http_server/gossamer.h"
#include "load_generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vellumo;
using namespace vellumo::bench;

namespace {

class OkHost : public GossamerHost {
public:
    void DynamicRequest(QString&, QString&, QByteArray& Params, HeaderCollection&, std::int16_t& RespStatus,
                        QString& RespStatusText, QString& RespMIME, QString&, QByteArray& RespBody,
                        std::int16_t&) override {
        bytes += Params.size();
        RespStatus = 200;
        RespStatusText = QStringLiteral("MESSAGE:OK:BENCH");
        RespMIME = QStringLiteral("text/plain");
        RespBody = "OK";
    }
    qint64 bytes = 0;
};

// VmRSS and VmHWM of a process, in KiB.
std::pair<long, long> memoryOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    long rss = 0, hwm = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').at(0).toLong();
            if (line.startsWith("VmHWM:"))
                hwm = line.mid(6).trimmed().split(' ').at(0).toLong();
        }
    }
    return {rss, hwm};
}

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// Runs the client side in a child process while this process's event loop serves.
bool runClients(int port, int clients, int requests, LoadResult& result) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--load"), QString::number(port), QString::number(clients), QString::number(requests)});
    if (!child.waitForStarted(5000))
        return false;
    QElapsedTimer guard;
    guard.start();
    while (child.state() != QProcess::NotRunning && guard.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
        return false;
    }
    return parseResult(child.readAllStandardOutput().toStdString(), result);
}

void print(const char* name, const LoadResult& r, long rssKiB, long hwmKiB) {
    std::printf("%-8s %8lld requests in %6.2f s: %9.0f requests/s, p50 %7.1f us, p99 %7.1f us, failures %lld, "
                "server RSS %ld KiB (peak %ld KiB)\n",
                name, static_cast<long long>(r.requests), r.seconds, r.requests / r.seconds, r.p50Microseconds,
                r.p99Microseconds, static_cast<long long>(r.failures), rssKiB, hwmKiB);
    std::fflush(stdout);
}

QString nginxBinary() {
    for (const QString& path : {QStringLiteral("/usr/sbin/nginx"), QStringLiteral("/usr/local/sbin/nginx")}) {
        if (QFile::exists(path))
            return path;
    }
    return QStandardPaths::findExecutable(QStringLiteral("nginx"));
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return up;
}

// nginx with one worker process answering a fixed 200 on a loopback port, in a folder of its own;
// started by the benchmark and stopped with it.
class Nginx {
public:
    bool start() {
        const QString binary = nginxBinary();
        if (binary.isEmpty() || !dir_.isValid())
            return false;
        port_ = freeLoopbackPort();
        const QString root = dir_.path();
        QFile conf(root + QStringLiteral("/nginx.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        QTextStream(&conf) << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                           << "error_log " << root << "/error.log;\npid " << root << "/nginx.pid;\n"
                           << "events { worker_connections 1024; }\n"
                           << "http {\n  access_log off;\n  keepalive_requests 100000000;\n"
                           << "  client_body_temp_path " << root << "/body;\n  proxy_temp_path " << root
                           << "/proxy;\n  fastcgi_temp_path " << root << "/fastcgi;\n  uwsgi_temp_path " << root
                           << "/uwsgi;\n  scgi_temp_path " << root << "/scgi;\n"
                           << "  server {\n    listen 127.0.0.1:" << port_ << ";\n"
                           << "    location / { default_type text/plain; return 200 \"OK\"; }\n  }\n}\n";
        conf.close();
        process_.start(binary, {QStringLiteral("-p"), root, QStringLiteral("-c"), conf.fileName()});
        if (!process_.waitForStarted(5000))
            return false;
        for (int i = 0; i < 200; ++i) {
            if (accepts(port_))
                return true;
            QThread::msleep(10);
        }
        return false;
    }
    ~Nginx() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    int port() const { return port_; }
    qint64 pid() const { return process_.processId(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// CPU seconds this process has used, user and system.
double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double rate(const LoadResult& r) {
    return r.seconds > 0 ? r.requests / r.seconds : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--load") {
        const LoadResult r = runLoad(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
        std::fputs(formatResult(r).c_str(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    const int clients = argc > 1 ? std::max(1, std::atoi(argv[1])) : 16;
    const int requests = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    std::printf("%d keep-alive clients x %d POSTs of 1 KiB on 127.0.0.1, %d rounds each, taken in turns\n", clients,
                requests, rounds);

    OkHost host;
    Gossamer server;
    server.setHost(&host);
    server.setMaxConnections(std::min(1000, clients + 8));
    server.StartListening(0, QStringLiteral("127.0.0.1"));
    if (!server.ConnectedToPort) {
        std::printf("the server could not listen\n");
        return 1;
    }
    Nginx nginx;
    const bool withNginx = nginx.start();
    if (!withNginx)
        std::printf("nginx not installed or not started: no comparison\n");

    LoadResult bestOurs, bestTheirs;
    for (int round = 0; round < rounds; ++round) {
        LoadResult ours;
        const double cpuBefore = cpuSeconds();
        if (!runClients(server.LocalPort(), clients, requests, ours)) {
            std::printf("the client side failed\n");
            return 1;
        }
        const double cpu = cpuSeconds() - cpuBefore;
        const auto [rss, hwm] = memoryOf(QCoreApplication::applicationPid());
        print("Vellumo", ours, rss, hwm);
        std::printf("         server CPU %.2f s for %.2f s of wall time (%.1f us per request)\n", cpu, ours.seconds,
                    ours.requests ? cpu * 1e6 / ours.requests : 0.0);
        if (rate(ours) > rate(bestOurs))
            bestOurs = ours;
        if (withNginx) {
            LoadResult theirs;
            if (runClients(nginx.port(), clients, requests, theirs)) {
                const auto [nrss, nhwm] = memoryOf(nginx.pid());
                print("nginx", theirs, nrss, nhwm);
                if (rate(theirs) > rate(bestTheirs))
                    bestTheirs = theirs;
            }
        }
    }
    std::printf("best     Vellumo %.0f requests/s (p50 %.1f us, p99 %.1f us)", rate(bestOurs), bestOurs.p50Microseconds,
                bestOurs.p99Microseconds);
    if (withNginx && rate(bestTheirs) > 0)
        std::printf(", nginx %.0f requests/s (p50 %.1f us, p99 %.1f us); ratio Vellumo / nginx (1 worker): %.2f",
                    rate(bestTheirs), bestTheirs.p50Microseconds, bestTheirs.p99Microseconds,
                    rate(bestOurs) / rate(bestTheirs));
    std::printf("\n");
    return 0;
}
