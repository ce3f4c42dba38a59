// big_message_bench: one big authorised message of each shape to a real vellumo, and what it costs.
//
//   big_message_bench [scale] [time-out in s] [shape name ...]
//
// For every shape a fresh vellumo is started from a temporary copy of the program folder on a loopback
// port, with its viewer's log on ("vellumo.viewer"), and gets one POST /MESSAGE. Printed per shape:
//   reply  the time from the first byte sent to the whole reply received
//   shown  the time until the program logs that the viewer shows the new row
//   free   the time until a POST /TEST sent right after the reply is answered (the event loop is free)
//   peak   the program's peak resident memory (VmHWM), also as it stood when the reply came, and the
//          goal, four times the body plus 100 MB
// scale (default 1) multiplies every size, for quick runs on smaller messages. Loopback only.
#include "app/messaging/peer_message.h"
#include "http_server/goss_client.h"
#include "tests/support/big_documents.h"
#include "tests/support/http_framing.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <optional>

using namespace vellumo;

namespace {

constexpr double kMB = 1e6;

struct Shape {
    const char* name;
    bool crypt;
    std::function<PeerMessage(double scale)> make;
};

PeerMessage message(const test::MessageContent& content) {
    PeerMessage m;
    m.FROM = QStringLiteral("BENCH");
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("STATION;");
    m.Text = content.text;
    m.RTF = content.rtf;
    return m;
}

void runShape(const Shape& shape, double scale, int timeoutS) {
    const PeerMessage m = shape.make(scale);
    const QByteArray body = m.Body(shape.crypt).toUtf8();
    const double bodyMB = static_cast<double>(body.size()) / kMB;
    if (body.size() > GossClient::MaxBodyBytes) {
        std::printf("%-22s %8.1f MB  over the receiver's body cap, not sent\n", shape.name, bodyMB);
        return;
    }
    const QByteArray post = test::authorisedPost("/MESSAGE", body);

    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    QProcess& process = program.process();
    QProcessEnvironment env = process.processEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vellumo.viewer.info=true"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (!program.start()) {
        std::printf("%-22s could not start vellumo\n", shape.name);
        return;
    }
    const qint64 startKiB = program.residentKiB();
    (void)process.readAllStandardError();

    QElapsedTimer clock;
    std::optional<double> reply, shown, freeAgain;
    QByteArray errors;
    QObject::connect(&process, &QProcess::readyReadStandardError, [&] {
        errors += process.readAllStandardError();
        if (!shown && errors.contains("shown"))
            shown = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    });

    QTcpSocket socket, ping;
    QByteArray received, pingReceived;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(program.port()));
    if (!socket.waitForConnected(5000)) {
        std::printf("%-22s could not connect\n", shape.name);
        return;
    }
    bool ok = false;
    qint64 peakAtReplyKiB = -1;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        received += socket.readAll();
        if (!reply && test::wholeHttpMessageLength(received) > 0) {
            reply = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            peakAtReplyKiB = program.peakResidentKiB();
            ok = received.startsWith("HTTP/1.1 200 MESSAGE:OK:");
            ping.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(program.port()));
            ping.write(test::authorisedPost("/TEST"));
        }
    });
    QObject::connect(&ping, &QTcpSocket::readyRead, [&] {
        pingReceived += ping.readAll();
        if (!freeAgain && test::wholeHttpMessageLength(pingReceived) > 0)
            freeAgain = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    });
    // Wakes the loop below now and then, which otherwise sleeps until something arrives.
    QTimer tick;
    tick.start(100);
    clock.start();
    socket.write(post);
    while (!(reply && freeAgain && shown) && clock.elapsed() < timeoutS * 1000LL && program.running())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const qint64 peakKiB = program.peakResidentKiB();
    const double peakMB = static_cast<double>(peakKiB) * 1024 / kMB;
    const double goalMB = 4 * bodyMB + 100;
    auto seconds = [&](const std::optional<double>& v) {
        return v ? QStringLiteral("%1 s").arg(*v, 7, 'f', 2) : QStringLiteral(">%1 s").arg(timeoutS, 6);
    };
    std::printf("%-22s %8.1f MB  reply %s%s  shown %s  free %s  peak %5.0f MB (at reply %5.0f, start %3.0f, "
                "goal %4.0f)%s\n",
                shape.name, bodyMB, qPrintable(seconds(reply)), reply && !ok ? " (not OK)" : "",
                qPrintable(seconds(shown)), qPrintable(seconds(freeAgain)), peakMB,
                static_cast<double>(peakAtReplyKiB) * 1024 / kMB, static_cast<double>(startKiB) * 1024 / kMB, goalMB,
                program.running() ? "" : "  (the program ended)");
    std::fflush(stdout);
    program.kill();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int timeoutS = argc > 2 ? std::atoi(argv[2]) : 120;
    QStringList only;
    for (int i = 3; i < argc; ++i)
        only << QString::fromLocal8Bit(argv[i]);

    auto n = [](double v, double scale) { return static_cast<qsizetype>(v * scale); };
    // The enciphered body is twice the plain one in hexadecimal: the enciphered shapes that would pass
    // the receiver's cap at full size are sent at half size.
    const Shape shapes[] = {
        {"paragraph-30MB", false, [&](double s) { return message(test::oneParagraph(n(30 * kMB, s))); }},
        {"paragraphs-640k", false, [&](double s) { return message(test::paragraphs(n(640000, s))); }},
        {"bold-1M", false, [&](double s) { return message(test::boldRuns(n(1000000, s))); }},
        {"text-30MB", false, [&](double s) { return message(test::plainText(n(30 * kMB, s))); }},
        {"picture-8MB", false, [&](double s) { return message(test::picture(n(8 * kMB, s))); }},
        {"crypt-paragraph-15MB", true, [&](double s) { return message(test::oneParagraph(n(15 * kMB, s))); }},
        {"crypt-paragraphs-640k", true, [&](double s) { return message(test::paragraphs(n(640000, s))); }},
        {"crypt-bold-1M", true, [&](double s) { return message(test::boldRuns(n(1000000, s))); }},
        {"crypt-text-15MB", true, [&](double s) { return message(test::plainText(n(15 * kMB, s))); }},
        {"crypt-picture-8MB", true, [&](double s) { return message(test::picture(n(8 * kMB, s))); }},
    };
    std::printf("scale %.3f, time-out %d s per shape\n", scale, timeoutS);
    for (const Shape& shape : shapes) {
        if (only.isEmpty() || only.contains(QString::fromLatin1(shape.name)))
            runShape(shape, scale, timeoutS);
    }
    return 0;
}
