#include "tests/support/tcp_test_client.h"

#include "tests/support/event_loop.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vellumo::test {

TcpTestClient::TcpTestClient(int port, const char* sourceAddress) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sourceAddress) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, sourceAddress, &local.sin_addr) != 1 ||
            ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // On loopback the kernel completes the handshake from the backlog, before the server accepts.
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

TcpTestClient::~TcpTestClient() {
    close();
}

void TcpTestClient::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void TcpTestClient::reset() {
    if (fd_ < 0)
        return;
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}

void TcpTestClient::send(QByteArrayView bytes) {
    qsizetype done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            runEventLoopFor(1);
            drain();
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

void TcpTestClient::drain() {
    if (fd_ < 0 || peerClosed)
        return;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            received.append(chunk, n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            peerClosed = true;
        return;
    }
}

bool TcpTestClient::waitFor(const std::function<bool(const QByteArray&)>& pred, int timeoutMs) {
    return waitUntil(
        [&] {
            drain();
            return pred(received);
        },
        timeoutMs);
}

bool TcpTestClient::waitForClose(int timeoutMs) {
    return waitUntil(
        [&] {
            drain();
            return peerClosed;
        },
        timeoutMs);
}

std::optional<QByteArray> TcpTestClient::nextResponse(int timeoutMs, bool headOnly) {
    if (!waitFor([&](const QByteArray& r) { return completeResponseLength(r, headOnly) > 0; }, timeoutMs))
        return std::nullopt;
    const qsizetype n = completeResponseLength(received, headOnly);
    QByteArray response = received.left(n);
    received.remove(0, n);
    return response;
}

qsizetype completeResponseLength(const QByteArray& bytes, bool headOnly) {
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return 0;
    const qsizetype headLength = headEnd + 4;
    if (headOnly)
        return headLength;
    qsizetype bodyLength = 0;
    const QByteArray head = bytes.left(headEnd).toLower();
    const qsizetype at = head.indexOf("\r\ncontent-length:");
    if (at >= 0) {
        qsizetype p = at + 17;
        qsizetype end = head.indexOf("\r\n", p);
        if (end < 0)
            end = head.size();
        bodyLength = head.mid(p, end - p).trimmed().toLongLong();
    }
    return bytes.size() >= headLength + bodyLength ? headLength + bodyLength : 0;
}

} // namespace vellumo::test
