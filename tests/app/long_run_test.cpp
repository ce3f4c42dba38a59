// A station that stays up for weeks: the real program takes 20,000 messages from a peer, one after the
// other, and shows each; its memory after the run is within a few MB of its memory after the first
// 1,000. How fast it goes at the start and at the end is measured by bench/receive, not asserted here.
#include "app/messaging/peer_message.h"
#include "tests/support/http_framing.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace vellumo {
namespace {

constexpr int kMessages = 20000;
constexpr int kSettled = 1000;
// What the run may add to the memory it holds once settled: the leak this guards against took about
// 9 KB per message shown (180 MB here).
constexpr qint64 kGrowthKiB = 8 * 1024;

// A keep-alive connection from 127.0.0.2, with blocking calls bounded by a time-out: the program is
// another process, so nothing here needs the event loop.
class Peer {
public:
    explicit Peer(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval limit{30, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(0x7F000002);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Peer() { ::close(fd_); }

    bool connected() const { return connected_; }

    // The status line of the reply, or nothing when the connection failed.
    QByteArray exchange(const QByteArray& request) {
        for (qsizetype at = 0; at < request.size();) {
            const ssize_t n =
                ::send(fd_, request.constData() + at, static_cast<size_t>(request.size() - at), MSG_NOSIGNAL);
            if (n <= 0)
                return {};
            at += n;
        }
        for (;;) {
            if (const qsizetype length = test::wholeHttpMessageLength(received_)) {
                const QByteArray reply = received_.left(length);
                received_.remove(0, length);
                return test::statusLine(reply);
            }
            char chunk[4096];
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return {};
            received_.append(chunk, n);
        }
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    QByteArray received_;
};

// The rows the program has shown, from its "shown:" lines, read as they are written.
class ShownLog {
public:
    explicit ShownLog(const QString& path) : file_(path) {}

    int count() {
        if (!file_.isOpen() && !file_.open(QIODevice::ReadOnly))
            return 0;
        pending_ += file_.readAll();
        const qsizetype lastLine = pending_.lastIndexOf('\n');
        if (lastLine >= 0) {
            shown_ += static_cast<int>(pending_.left(lastLine).count("shown: "));
            pending_.remove(0, lastLine + 1);
        }
        return shown_;
    }

    // Waits (bounded) until the program has shown `rows` rows.
    bool waitFor(int rows) {
        for (int i = 0; i < 100000 && count() < rows; ++i)
            QThread::usleep(200);
        return count() >= rows;
    }

private:
    QFile file_;
    QByteArray pending_;
    int shown_ = 0;
};

TEST(LongRun, TwentyThousandMessagesShownLeaveTheMemoryWhereItWas) {
    QTemporaryDir logs;
    const QString log = logs.filePath(QStringLiteral("stderr.txt"));
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    QProcessEnvironment env = program.process().processEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vellumo.viewer.info=true"));
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer holds freed memory back (up to 256 MB) to catch late uses: in a sanitized build the
    // program gives it back at once, so that its memory is what it uses.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) +
                   QStringLiteral(":quarantine_size_mb=0:thread_local_quarantine_size_kb=0"));
#endif
    program.process().setProcessEnvironment(env);
    program.process().setProcessChannelMode(QProcess::SeparateChannels);
    program.process().setStandardErrorFile(log);
    ASSERT_TRUE(program.start());
    ShownLog shown(log);

    std::vector<QByteArray> requests;
    for (int i = 0; i < 16; ++i) {
        PeerMessage m;
        m.FROM = QStringLiteral("PEER-%1").arg(i);
        m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
        m.TO = QStringLiteral("STATION;");
        m.Text = QStringLiteral("Message %1 : ").arg(i) + QString(300, QLatin1Char('t'));
        m.RTF = QStringLiteral("{\\rtf1\\ansi {\\b Message %1} ").arg(i) + QString(300, QLatin1Char('r')) +
                QStringLiteral("\\par suite}");
        requests.push_back(test::authorisedPost("/MESSAGE", m.Body(false).toUtf8()));
    }

    // Each message goes once the one before it is shown, so that every one of them is.
    Peer peer(program.port());
    ASSERT_TRUE(peer.connected());
    qint64 settled = 0;
    for (int n = 1; n <= kMessages; ++n) {
        const QByteArray status = peer.exchange(requests[static_cast<std::size_t>(n % 16)]);
        ASSERT_TRUE(status.startsWith("HTTP/1.1 200 MESSAGE:OK:")) << "message " << n << ": " << status.constData();
        ASSERT_TRUE(shown.waitFor(n)) << "message " << n << " not shown";
        if (n == kSettled)
            settled = program.residentKiB();
    }
    const qint64 after = program.residentKiB();
    ASSERT_TRUE(program.running());
    EXPECT_EQ(shown.count(), kMessages);
    ASSERT_GT(settled, 0);
    EXPECT_LE(after - settled, kGrowthKiB) << "after 1,000: " << settled << " KiB, after 20,000: " << after << " KiB";
}

} // namespace
} // namespace vellumo
