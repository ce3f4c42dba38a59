// Throughput and latency of the embedded HTTP server: N keep-alive clients on 127.0.0.1 post 1 KiB
// bodies to a host that answers 200, and the same load goes to nginx (one worker, a fixed 200) when
// nginx is installed. Prints requests/s, p50/p99 latency, the server's memory, and the ratio.
//
//   bench_http [clients=16] [requests per client=5000]
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

bool runNginx(int clients, int requests, LoadResult& result, long& rss, long& hwm) {
    const QString binary = nginxBinary();
    if (binary.isEmpty()) {
        std::printf("nginx   not installed; no comparison\n");
        return false;
    }
    QTemporaryDir dir;
    const int port = freeLoopbackPort();
    const QString root = dir.path();
    QFile conf(root + QStringLiteral("/nginx.conf"));
    conf.open(QIODevice::WriteOnly);
    QTextStream(&conf) << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                       << "error_log " << root << "/error.log;\npid " << root << "/nginx.pid;\n"
                       << "events { worker_connections 1024; }\n"
                       << "http {\n  access_log off;\n  keepalive_requests 100000000;\n"
                       << "  client_body_temp_path " << root << "/body;\n  proxy_temp_path " << root << "/proxy;\n"
                       << "  fastcgi_temp_path " << root << "/fastcgi;\n  uwsgi_temp_path " << root << "/uwsgi;\n"
                       << "  scgi_temp_path " << root << "/scgi;\n"
                       << "  server {\n    listen 127.0.0.1:" << port << ";\n"
                       << "    location / { default_type text/plain; return 200 \"OK\"; }\n  }\n}\n";
    conf.close();
    QProcess nginx;
    nginx.start(binary, {QStringLiteral("-p"), root, QStringLiteral("-c"), conf.fileName()});
    if (!nginx.waitForStarted(5000)) {
        std::printf("nginx   did not start\n");
        return false;
    }
    // Wait until it accepts.
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        up = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (!up)
            QThread::msleep(10);
    }
    bool ok = up && runClients(port, clients, requests, result);
    std::tie(rss, hwm) = memoryOf(nginx.processId());
    nginx.terminate();
    if (!nginx.waitForFinished(5000)) {
        nginx.kill();
        nginx.waitForFinished();
    }
    if (!ok)
        std::printf("nginx   run failed: %s\n", qPrintable(QString::fromLocal8Bit(nginx.readAllStandardError())));
    return ok;
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
    std::printf("%d keep-alive clients x %d POSTs of 1 KiB on 127.0.0.1\n", clients, requests);

    OkHost host;
    LoadResult ours;
    long rss = 0, hwm = 0;
    {
        Gossamer server;
        server.setHost(&host);
        server.setMaxConnections(std::min(1000, clients + 8));
        server.StartListening(0, QStringLiteral("127.0.0.1"));
        if (!server.ConnectedToPort) {
            std::printf("the server could not listen\n");
            return 1;
        }
        if (!runClients(server.LocalPort(), clients, requests, ours)) {
            std::printf("the client side failed\n");
            return 1;
        }
        std::tie(rss, hwm) = memoryOf(QCoreApplication::applicationPid());
    }
    print("Vellumo", ours, rss, hwm);

    LoadResult theirs;
    long nrss = 0, nhwm = 0;
    if (runNginx(clients, requests, theirs, nrss, nhwm)) {
        print("nginx", theirs, nrss, nhwm);
        std::printf("ratio    Vellumo / nginx (1 worker) throughput: %.2f\n",
                    (ours.requests / ours.seconds) / (theirs.requests / theirs.seconds));
    }
    return 0;
}
