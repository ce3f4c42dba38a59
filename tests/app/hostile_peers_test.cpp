// Hostile peers against the real program: floods of refused and malformed requests leave it
// answering, with its memory bounded.
#include "app/app_settings.h"
#include "app/peer_message.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/event_loop.h"
#include "tests/support/program_process.h"

#include <QHostInfo>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vellumo {
namespace {

QByteArray post(const QByteArray& target, const QByteArray& headers, const QByteArray& body) {
    return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

TEST(HostilePeers, FloodsOfRefusedAndMalformedRequestsLeaveTheStationAnswering) {
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    ASSERT_TRUE(program.start());
    const qint64 before = program.residentKiB();

    // 1000 unauthorised POSTs, 100 pipelined on each of 10 keep-alive connections.
    const QByteArray refused = post("/MESSAGE", "", QByteArray(1024, 'x'));
    for (int c = 0; c < 10; ++c) {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(program.port()));
        ASSERT_TRUE(s.waitForConnected(5000));
        QByteArray burst;
        for (int i = 0; i < 100; ++i)
            burst += refused;
        s.write(burst);
        QByteArray answers;
        ASSERT_TRUE(test::waitUntil(
            [&] {
                answers += s.readAll();
                return answers.count(cp1252::encode(QStringLiteral("HTTP/1.1 401 Utilisateur non autorisé !"))) == 100;
            },
            30000))
            << "connection " << c << " got " << answers.count("HTTP/1.1 401") << " replies";
    }

    // Malformed requests, each on its own connection, sent and left behind: the server closes what
    // it cannot parse, keeps the half requests until their idle time-out, and goes on.
    const QByteArray malformed[] = {
        "\r\n\r\n",
        "POST\r\n\r\n",
        "POST /MESSAGE HTTP/1.1\r\nContent-Length: nope\r\n\r\n",
        "POST /MESSAGE HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n",
        "POST /MESSAGE HTTP/1.1\r\nContent-Length: -5\r\n\r\n",
        "POST /MESSAGE HTTP/1.1\r\n" + QByteArray(70000, 'h') + "\r\n\r\n",
        QByteArray(5000, '\0'),
        "BREW /pot HTTP/1.1\r\n\r\n",
    };
    for (int round = 0; round < 25; ++round) {
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (const QByteArray& m : malformed) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(program.port()));
            if (s->waitForConnected(5000)) {
                s->write(m);
                s->waitForBytesWritten(2000);
            }
            sockets.push_back(std::move(s));
        }
        for (auto& s : sockets)
            s->abort();
    }

    // Still answering, and it stored nothing of all that.
    PeerMessage message;
    message.FROM = QStringLiteral("PC-A");
    message.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    message.TO = QStringLiteral("PC-B;");
    message.Text = QStringLiteral("still there?");
    const QByteArray request =
        post("/MESSAGE", "Vellumo: " + cp1252::encode(KeyHeader::Value(AppSettings::DefaultKey())) + "\r\n",
             message.Body(false).toUtf8());
    // The aborted connections hold their slots until the station has read their resets; while
    // every slot is taken a new connection is closed at once, unanswered. On a loaded machine
    // that can outlast the flood itself, so give the station a few seconds to free them.
    QByteArray accepted;
    test::waitUntil(
        [&] {
            accepted = program.exchange(request);
            return !accepted.isEmpty();
        },
        10000);
    EXPECT_EQ(test::statusLine(accepted), "HTTP/1.1 200 MESSAGE:OK:" + cp1252::encode(QHostInfo::localHostName()));
    EXPECT_TRUE(program.running());

    const qint64 after = program.residentKiB();
    ASSERT_GT(before, 0);
    EXPECT_LT(after - before, 64 * 1024) << "resident memory grew from " << before << " to " << after << " KiB";
}

} // namespace
} // namespace vellumo
