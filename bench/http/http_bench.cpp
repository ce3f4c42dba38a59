// bench_http: the embedded HTTP server side by side with nginx (one worker, `return 200`), in one run,
// taking turns round after round, each server pinned to a core of its own and the load generator's
// threads on the other cores. Prints every figure with the load average of the machine, and the ratio
// to nginx of each case (the best round of each side, so that a burst of other work does not decide it).
//
//   bench_http [--rounds N] [--seconds S] [--only keepalive|close] [--handler BIN]... [--program DIR]...
//              [--cores SERVER,NGINX,CLIENT,CLIENT...]
//
//   keepalive  1, 4 and 32 keep-alive connections posting 1 KiB to the benchmark's own handler (BIN,
//              bench_http_handler of this build unless given: an embedded server whose host answers
//              200 and keeps the connection); given more than once (another tree's, built by
//              bench/http/handler_against.sh), each takes its turn
//   close      1 and 4 connections, each request `GET /` with `Connection: close` on a connection of
//              its own, and 32 such connections from one address (stations behind one gateway),
//              against the real program started from DIR (VELLUMO_PROGRAM_DIR in the environment,
//              else the build's program folder; given more than once, each takes its turn); it
//              refuses GET with its 403 page and closes, nginx answers 200 and closes
//
// Per figure: requests/s, p50 and p99 of the time to the whole response, and the server's CPU time
// and context switches per request (from /proc). nginx comes from the nginx-light package
// (scripts/setup.sh); it runs on 127.0.0.1 with a configuration of its own in bench/nginx/ of the
// build folder. Without it the figures are printed without ratios. Every client but those of the
// one-address case speaks from a loopback address of its own (127.0.0.2, .3, ...), as stations do.
// Each measurement has a deadline and each server process is stopped by its id.
#include "load_generator.h"
#include "tests/support/program_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

using namespace vellumo;
using namespace vellumo::bench;

namespace {

void pinTo(int core) {
    if (core < 0)
        return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(core, &set);
    ::sched_setaffinity(0, sizeof set, &set);
}

// CPU time (user + system, seconds) and context switches of a process, from /proc.
struct Usage {
    double cpu = 0;
    long long switches = 0;
};

Usage usageOf(qint64 pid) {
    Usage u;
    u.cpu = test::procCpuSeconds(pid);
    u.switches =
        test::procStatusKiB(pid, "voluntary_ctxt_switches:") + test::procStatusKiB(pid, "nonvoluntary_ctxt_switches:");
    return u;
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

void pinChild(QProcess& process, int core) {
    process.setChildProcessModifier([core] { pinTo(core); });
}

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// A server under measurement: a process, its port, and what it is called in the figures.
class Server {
public:
    virtual ~Server() = default;
    virtual bool start(int core) = 0;
    virtual qint64 pid() const = 0;
    int port = 0;
    QString label;
};

// nginx, one worker answering 200 on 127.0.0.1, with a folder of its own in the build.
class Nginx : public Server {
public:
    static QString binary() {
        for (const QString& path : {QStringLiteral("/usr/sbin/nginx"), QStringLiteral("/usr/local/sbin/nginx")}) {
            if (QFile::exists(path))
                return path;
        }
        return QStandardPaths::findExecutable(QStringLiteral("nginx"));
    }
    bool start(int core) override {
        label = QStringLiteral("nginx");
        const QString nginx = binary();
        if (nginx.isEmpty())
            return false;
        const QString root = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("nginx"));
        QDir().mkpath(root);
        port = freeLoopbackPort();
        QFile conf(root + QStringLiteral("/nginx.conf"));
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QTextStream(&conf) << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                           << "error_log " << root << "/error.log;\npid " << root << "/nginx.pid;\n"
                           << "events { worker_connections 4096; }\n"
                           << "http {\n  access_log off;\n  keepalive_requests 100000000;\n"
                           << "  client_body_temp_path " << root << "/body;\n  proxy_temp_path " << root
                           << "/proxy;\n  fastcgi_temp_path " << root << "/fastcgi;\n  uwsgi_temp_path " << root
                           << "/uwsgi;\n  scgi_temp_path " << root << "/scgi;\n"
                           << "  server {\n    listen 127.0.0.1:" << port << ";\n"
                           << "    location / { default_type text/plain; return 200 \"OK\"; }\n  }\n}\n";
        conf.close();
        pinChild(process_, core);
        process_.start(nginx, {QStringLiteral("-p"), root, QStringLiteral("-c"), conf.fileName()});
        if (!process_.waitForStarted(5000))
            return false;
        for (int i = 0; i < 500; ++i) {
            if (accepts(port))
                return true;
            QThread::msleep(10);
        }
        return false;
    }
    qint64 pid() const override { return process_.processId(); }
    ~Nginx() override { stop(process_); }

private:
    QProcess process_;
};

// The benchmark's own handler in a child process (bench_http_handler of this build, or another's).
class Handler : public Server {
public:
    explicit Handler(QString binary) : binary_(std::move(binary)) { label = binary_; }
    bool start(int core) override {
        process_.start(binary_, {QString::number(core)});
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(10000))
            return false;
        const QByteArray line = process_.readLine().trimmed();
        if (!line.startsWith("port="))
            return false;
        port = line.mid(5).toInt();
        return port > 0;
    }
    qint64 pid() const override { return process_.processId(); }
    ~Handler() override {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            stop(process_);
    }

private:
    QString binary_;
    QProcess process_;
};

// The real program, from a temporary copy of a program folder.
class Program : public Server {
public:
    explicit Program(const QString& folder) : process_(folder) { label = folder; }
    bool start(int core) override {
        pinChild(process_.process(), core);
        port = process_.port();
        return process_.start();
    }
    qint64 pid() const override { return process_.pid(); }

private:
    test::ProgramProcess process_;
};

struct Case {
    QString name;
    bool close;
    int connections;
    bool onProgram;          // the real program, else the benchmark's own handler
    bool oneAddress = false; // every connection from 127.0.0.1, else each from its own
};

struct Figure {
    double rate = 0;
    LoadResult result;
};

Figure measure(Server& server, const Case& c, double seconds, const std::vector<int>& clientCores) {
    LoadPlan plan;
    plan.port = server.port;
    plan.connections = c.connections;
    plan.close = c.close;
    plan.ownAddresses = !c.oneAddress;
    plan.seconds = seconds;
    plan.cpus = clientCores;
    plan.threads = 4;
    plan.payloads = {c.close ? getRequest("/", true) : postRequest("/MESSAGE", std::string(1024, 'm'))};
    // A refusal (403) is the real program's answer to GET; nginx says 200.
    plan.expectStatus = "HTTP/1.1 ";
    const Usage before = usageOf(server.pid());
    Figure f;
    f.result = runLoad(plan);
    const Usage after = usageOf(server.pid());
    f.rate = f.result.seconds > 0 ? double(f.result.requests) / f.result.seconds : 0;
    const double n = std::max<double>(1, double(f.result.requests));
    std::printf("%-24s %-40s %9.0f req/s  p50 %7.1f us  p99 %8.1f us  failures %lld  server %.1f us CPU and %.2f "
                "switches per request  | %s\n",
                qPrintable(c.name), qPrintable(server.label.right(40)), f.rate, f.result.p50Microseconds,
                f.result.p99Microseconds, static_cast<long long>(f.result.failures), (after.cpu - before.cpu) * 1e6 / n,
                double(after.switches - before.switches) / n, bench::loadAverage().c_str());
    std::fflush(stdout);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 3;
    double seconds = 3;
    QString only;
    QStringList handlers, programs;
    std::vector<int> cores;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--rounds") && !value.isEmpty()) {
            rounds = std::max(1, value.toInt());
            ++i;
        } else if (a == QLatin1String("--seconds") && !value.isEmpty()) {
            seconds = std::max(0.2, value.toDouble());
            ++i;
        } else if (a == QLatin1String("--only") && !value.isEmpty()) {
            only = value;
            ++i;
        } else if (a == QLatin1String("--handler") && !value.isEmpty()) {
            handlers << value;
            ++i;
        } else if (a == QLatin1String("--program") && !value.isEmpty()) {
            programs << value;
            ++i;
        } else if (a == QLatin1String("--cores") && !value.isEmpty()) {
            for (const QString& c : value.split(u','))
                cores.push_back(c.toInt());
            ++i;
        } else {
            std::fprintf(stderr, "usage: bench_http [--rounds N] [--seconds S] [--only keepalive|close] "
                                 "[--handler BIN]... [--program DIR]... [--cores SERVER,NGINX,CLIENT...]\n");
            return 2;
        }
    }
    if (handlers.isEmpty())
        handlers << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench_http_handler"));
    if (programs.isEmpty())
        programs << (qEnvironmentVariableIsSet("VELLUMO_PROGRAM_DIR") ? qEnvironmentVariable("VELLUMO_PROGRAM_DIR")
                                                                      : QStringLiteral(VELLUMO_PROGRAM_DIR));
    // Only the servers of the cases asked for are started.
    const bool keepAliveCases = only.isEmpty() || only == QLatin1String("keepalive");
    const bool closeCases = only.isEmpty() || only == QLatin1String("close");
    if (!keepAliveCases)
        handlers.clear();
    if (!closeCases)
        programs.clear();
    if (cores.empty()) {
        const std::vector<int> allowed = bench::allowedCores();
        if (allowed.size() >= 4) {
            // The first core takes the machine's interrupts: the servers get the next two, the
            // clients the rest (at most four).
            cores = {allowed[1], allowed[2]};
            for (std::size_t i = 3; i < allowed.size() && cores.size() < 6; ++i)
                cores.push_back(allowed[i]);
            if (cores.size() < 6)
                cores.push_back(allowed[0]);
        }
    }
    const int serverCore = cores.size() >= 3 ? cores[0] : -1;
    const int nginxCore = cores.size() >= 3 ? cores[1] : -1;
    const std::vector<int> clientCores =
        cores.size() >= 3 ? std::vector<int>(cores.begin() + 2, cores.end()) : std::vector<int>();
    std::printf("bench_http: %d rounds of %.1f s per figure; servers on cores %d (ours) and %d (nginx), clients on",
                rounds, seconds, serverCore, nginxCore);
    for (int c : clientCores)
        std::printf(" %d", c);
    std::printf("\n");

    std::vector<Case> cases;
    if (keepAliveCases) {
        for (int n : {1, 4, 32})
            cases.push_back({QStringLiteral("keep-alive x%1 handler").arg(n), false, n, false});
    }
    if (closeCases) {
        for (int n : {1, 4})
            cases.push_back({QStringLiteral("close x%1 program").arg(n), true, n, true});
        cases.push_back({QStringLiteral("close x32 one address"), true, 32, true, true});
    }

    Nginx nginx;
    const bool withNginx = nginx.start(nginxCore);
    if (!withNginx)
        std::printf("nginx is not installed or did not start (nginx-light, scripts/setup.sh): no ratios\n");
    // Our servers stay up for the whole run; they take turns with nginx.
    std::vector<std::unique_ptr<Server>> ours;
    for (const QString& h : handlers)
        ours.push_back(std::make_unique<Handler>(h));
    for (const QString& p : programs)
        ours.push_back(std::make_unique<Program>(p));
    for (std::size_t i = 0; i < ours.size(); ++i) {
        if (!ours[i]->start(serverCore)) {
            std::printf("could not start %s\n", qPrintable(ours[i]->label));
            return 1;
        }
        // For whoever wants to watch it (perf, strace) while it runs.
        std::fprintf(stderr, "bench_http: %s runs as process %lld\n", qPrintable(ours[i]->label),
                     static_cast<long long>(ours[i]->pid()));
    }
    const std::size_t handlerCount = static_cast<std::size_t>(handlers.size());

    // Best rate per case and server (nginx last).
    std::map<std::pair<std::size_t, std::size_t>, Figure> best;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t ci = 0; ci < cases.size(); ++ci) {
            const Case& c = cases[ci];
            const std::size_t from = c.onProgram ? handlerCount : 0;
            const std::size_t to = c.onProgram ? ours.size() : handlerCount;
            for (std::size_t s = from; s <= to; ++s) {
                const bool isNginx = s == to;
                if (isNginx && !withNginx)
                    continue;
                Server& server = isNginx ? static_cast<Server&>(nginx) : *ours[s];
                const std::size_t key = isNginx ? ours.size() : s;
                const Figure f = measure(server, c, seconds, clientCores);
                Figure& b = best[{ci, key}];
                if (f.rate > b.rate)
                    b = f;
            }
        }
    }

    std::printf("\nbest of %d rounds (goal: each ratio >= 0.90)  | %s\n", rounds, bench::loadAverage().c_str());
    for (std::size_t ci = 0; ci < cases.size(); ++ci) {
        const Case& c = cases[ci];
        const double theirs = best[{ci, ours.size()}].rate;
        const std::size_t from = c.onProgram ? handlerCount : 0;
        const std::size_t to = c.onProgram ? ours.size() : handlerCount;
        for (std::size_t s = from; s < to; ++s) {
            const Figure& f = best[{ci, s}];
            std::printf("%-24s %-40s %9.0f req/s  p99 %8.1f us", qPrintable(c.name),
                        qPrintable(ours[s]->label.right(40)), f.rate, f.result.p99Microseconds);
            if (theirs > 0)
                std::printf("  nginx %9.0f req/s  p99 %8.1f us  ratio %.2f", theirs,
                            best[{ci, ours.size()}].result.p99Microseconds, f.rate / theirs);
            std::printf("\n");
        }
    }
    return 0;
}
