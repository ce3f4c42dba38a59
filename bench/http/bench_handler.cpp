// bench_http_handler: the HTTP benchmark's own handler, the server side of its keep-alive cases. An
// embedded server on 127.0.0.1 whose host answers every POST with 200 and keeps the connection; it
// prints "port=N" and serves until its standard input closes.
//
//   bench_http_handler [CORE]      pinned to CORE when given
//
// It uses nothing of the server but what every build of it has, so that bench/http/handler_against.sh
// can build it against another tree (the starting point, say) for a measurement before and after.
#include "http_server/gossamer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <unistd.h>

using namespace vellumo;

namespace {

class OkHost : public GossamerHost {
public:
    void DynamicRequest(QString&, QString&, QByteArray&, HeaderCollection&, std::int16_t& RespStatus,
                        QString& RespStatusText, QString& RespMIME, QString&, QByteArray& RespBody,
                        std::int16_t&) override {
        RespStatus = 200;
        RespStatusText = QStringLiteral("MESSAGE:OK:BENCH");
        RespMIME = QStringLiteral("text/plain");
        RespBody = "OK";
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(std::atoi(argv[1]), &set);
        ::sched_setaffinity(0, sizeof set, &set);
    }
    QCoreApplication app(argc, argv);
    OkHost host;
    Gossamer server;
    server.setHost(&host);
    server.setMaxConnections(1000);
    server.StartListening(0, QStringLiteral("127.0.0.1"));
    if (!server.ConnectedToPort)
        return 1;
    std::printf("port=%d\n", server.LocalPort());
    std::fflush(stdout);
    // Ends when the parent closes our standard input (or goes away).
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            app.quit();
    });
    return app.exec();
}
