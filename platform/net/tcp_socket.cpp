#include "platform/net/tcp_socket.h"

#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <unordered_map>
#include <utility>

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("TcpSocket");

// Descriptors a listener has accepted and reported, until a socket takes them with Accept, with what
// accept() told of them: the peer's address and port, and the listener's port (theirs too).
struct PendingAccept {
    QString remoteIP;
    std::int32_t remotePort = 0;
    std::int32_t localPort = 0;
};

std::unordered_map<int, PendingAccept>& pendingAccepts() {
    static std::unordered_map<int, PendingAccept> pending;
    return pending;
}

// Descriptors a listener's owner kept (Defer) past the event, until a socket Accepts or Rejects them.
std::unordered_map<int, PendingAccept>& deferredAccepts() {
    static std::unordered_map<int, PendingAccept> deferred;
    return deferred;
}

QString dotted(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

bool parseDotted(const QString& text, in_addr& out) {
    const QByteArray latin = text.toLatin1();
    return ::inet_pton(AF_INET, latin.constData(), &out) == 1;
}

void setNoDelay(int fd) {
    // A response goes out as a head and a body in two sends; without this the body would wait for
    // the peer's delayed acknowledgement of the head.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// accept() failures that belong to the one connection being taken (it was reset or its network
// failed meanwhile): the listener is sound and goes on with the next.
bool concernsOneConnection(int e) {
    switch (e) {
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM: // a firewall rule refused this connection
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
        return true;
    default:
        return false;
    }
}

// The socket that took the connection a listener is reporting, set by Accept.
QPointer<TcpSocket>& lastAccepted() {
    static QPointer<TcpSocket> socket;
    return socket;
}

} // namespace

TcpSocket::TcpSocket() {
    acceptRetry_.setSingleShot(true);
    QObject::connect(&acceptRetry_, &QTimer::timeout, this, [this] { updateAcceptNotifier(); });
}

TcpSocket::~TcpSocket() {
    release();
}

std::unique_ptr<StreamSocket> TcpSocket::create() {
    return std::make_unique<TcpSocket>();
}

void TcpSocket::raise(std::int32_t number) const {
    throw RuntimeError(number, kSource, sockerr::description(number));
}

void TcpSocket::Bind(std::int32_t port, const QString& address) {
    if (state_ != sck::Closed)
        raise(sockerr::InvalidOperation);
    if (port < 0 || port > 65535)
        raise(sockerr::InvalidArgument);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!address.isEmpty() && !parseDotted(address, addr.sin_addr))
        raise(sockerr::AddressNotAvailable);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        raise(sockerr::fromErrno(errno));
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int e = errno;
        ::close(fd);
        raise(sockerr::fromErrno(e));
    }
    fd_ = fd;
    state_ = sck::Open;
    localPort_ = boundPort();
}

void TcpSocket::Listen() {
    if (state_ == sck::Closed)
        Bind(localPort_);
    if (state_ != sck::Open)
        raise(sockerr::InvalidOperation);
    if (::listen(fd_, SOMAXCONN) != 0) {
        const int e = errno;
        release();
        state_ = sck::Closed;
        raise(sockerr::fromErrno(e));
    }
    state_ = sck::Listening;
    // Accepted connections inherit it, so none needs a call of its own.
    setNoDelay(fd_);
    startNotifiers(true, false);
    updateAcceptNotifier();
}

void TcpSocket::SetAccepting(bool accepting) {
    acceptPaused_ = !accepting;
    updateAcceptNotifier();
}

void TcpSocket::updateAcceptNotifier() {
    if (state_ == sck::Listening && readNotifier_)
        readNotifier_->setEnabled(!acceptPaused_ && !acceptRetry_.isActive());
}

bool TcpSocket::Defer(std::int32_t requestID) {
    const auto pending = pendingAccepts().find(requestID);
    if (state_ != sck::Listening || pending == pendingAccepts().end())
        return false;
    deferredAccepts().insert(*pending);
    pendingAccepts().erase(pending);
    return true;
}

void TcpSocket::Reject(std::int32_t requestID) {
    if (deferredAccepts().erase(requestID))
        ::close(requestID);
}

void TcpSocket::Accept(std::int32_t requestID) {
    if (state_ != sck::Closed)
        raise(sockerr::InvalidOperation);
    auto pending = pendingAccepts().find(requestID);
    const bool deferred = pending == pendingAccepts().end();
    if (deferred) {
        pending = deferredAccepts().find(requestID);
        if (pending == deferredAccepts().end())
            raise(sockerr::InvalidArgument);
    }
    fd_ = requestID;
    state_ = sck::Connected;
    remoteIP_ = pending->second.remoteIP;
    remotePort_ = pending->second.remotePort;
    localPort_ = pending->second.localPort;
    if (deferred) {
        // Kept waiting past its connection request: no listener reads it for us, so it is watched
        // at once (what came meanwhile waits in the kernel and is read on the first notification).
        deferredAccepts().erase(pending);
        startNotifiers(true, false);
        return;
    }
    pendingAccepts().erase(pending);
    // Not watched yet: the listener reads it as soon as the connection request returns (a peer's
    // request is usually there already), and a connection that is answered and closed then never
    // costs the loop a change of what it watches.
    startNotifiers(false, false);
    lastAccepted() = this;
}

void TcpSocket::Connect(const QString& host, std::int32_t port) {
    if (state_ != sck::Closed)
        raise(sockerr::InvalidOperation);
    if (port < 1 || port > 65535)
        raise(sockerr::InvalidArgument);
    remoteIP_ = host;
    remotePort_ = port;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!parseDotted(host, addr.sin_addr)) {
        state_ = sck::Error;
        postError(sockerr::HostNotFound);
        return;
    }
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        state_ = sck::Error;
        postError(sockerr::fromErrno(errno));
        return;
    }
    setNoDelay(fd_);
    int r;
    do {
        r = ::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (r != 0 && errno == EINTR);
    if (r == 0) {
        // Loopback connects can finish at once; the event still comes from the loop.
        state_ = sck::Connecting;
        startNotifiers(false, true);
        return;
    }
    if (errno == EINPROGRESS) {
        state_ = sck::Connecting;
        startNotifiers(false, true);
        return;
    }
    failLater(errno);
}

QByteArray TcpSocket::GetData() {
    return std::exchange(received_, QByteArray());
}

bool TcpSocket::SendData(const QByteArray& bytes, bool moreFollows) {
    if (state_ != sck::Connected)
        raise(sockerr::WrongState);
    if (bytes.isEmpty() && sends_.empty())
        return true;
    sends_.push_back(PendingSend{bytes, 0, false});
    if (writeNotifier_->isEnabled()) {
        // Earlier bytes wait for room: these go after them, and are told when they have gone.
        sends_.back().owesCompletion = true;
        return false;
    }
    if (moreFollows)
        return true; // held: the next SendData takes them along
    bool ok = true;
    flush(ok);
    if (!ok || sends_.empty())
        return true;
    // Some had to wait. Held bytes were taken already; the completion is owed for these alone.
    sends_.back().owesCompletion = true;
    return false;
}

void TcpSocket::SetReading(bool reading) {
    readingOff_ = !reading;
    if (state_ != sck::Connected || !readNotifier_)
        return;
    if (readingOff_)
        readNotifier_->setEnabled(false);
    else if (!raising_)
        readNotifier_->setEnabled(true);
    else
        readPaused_ = true; // switched back on when the DataArrival under way returns
}

void TcpSocket::ShutdownWrite() {
    if (state_ != sck::Connected && state_ != sck::Closing)
        return;
    if (!sends_.empty()) {
        shutdownPending_ = true;
        return;
    }
    ::shutdown(fd_, SHUT_WR);
}

void TcpSocket::Close() {
    release();
    state_ = sck::Closed;
}

std::int32_t TcpSocket::LocalPort() const {
    return localPort_;
}

std::int32_t TcpSocket::boundPort() const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (fd_ >= 0 && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        return ntohs(addr.sin_port);
    return localPort_;
}

QString TcpSocket::LocalIP() const {
    if (fd_ >= 0) {
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0 && addr.sin_addr.s_addr != 0)
            return dotted(addr.sin_addr);
    }
    // Not bound to one address: the machine's first IPv4 address other than loopback.
    QString found = QStringLiteral("127.0.0.1");
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* it = list; it; it = it->ifa_next) {
            if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || (it->ifa_flags & IFF_LOOPBACK) ||
                !(it->ifa_flags & IFF_UP))
                continue;
            found = dotted(reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr);
            break;
        }
        ::freeifaddrs(list);
    }
    return found;
}

QString TcpSocket::LocalHostName() const {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

void TcpSocket::startNotifiers(bool reading, bool writing) {
    // The two notifiers live as long as the socket and watch each connection in turn: making and
    // deleting them for every connection would cost the loop a wake-up each.
    if (!readNotifier_) {
        readNotifier_ = new QSocketNotifier(QSocketNotifier::Read, this);
        writeNotifier_ = new QSocketNotifier(QSocketNotifier::Write, this);
        QObject::connect(readNotifier_, &QSocketNotifier::activated, this, [this] { onReadable(); });
        QObject::connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { onWritable(); });
    }
    readNotifier_->setSocket(fd_);
    writeNotifier_->setSocket(fd_);
    readNotifier_->setEnabled(reading);
    writeNotifier_->setEnabled(writing);
}

void TcpSocket::stopNotifiers() {
    // Safe from inside a notifier's own activation: a disabled notifier gets no further one.
    for (QSocketNotifier* n : {readNotifier_, writeNotifier_}) {
        if (n)
            n->setEnabled(false);
    }
}

void TcpSocket::release() {
    stopNotifiers();
    acceptRetry_.stop();
    acceptBackoffMs_ = 0;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    received_.clear();
    sends_.clear();
    raising_ = false;
    readPaused_ = false;
    readingOff_ = false;
    shutdownPending_ = false;
    ++generation_;
}

void TcpSocket::onReadable() {
    if (state_ == sck::Listening) {
        acceptPending();
        return;
    }
    if (state_ != sck::Connected || raising_ || readingOff_) {
        // Entered again from inside our own DataArrival: wait until that returns. Told not to read:
        // the bytes wait in the kernel.
        readNotifier_->setEnabled(false);
        readPaused_ = raising_ && !readingOff_;
        return;
    }
    char chunk[65536];
    bool peerClosed = false;
    int failure = 0;
    qsizetype got = 0;
    for (int i = 0; i < 16; ++i) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            received_.append(chunk, n);
            got += n;
            if (static_cast<size_t>(n) < sizeof chunk)
                break;
            continue;
        }
        if (n == 0) {
            peerClosed = true;
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            failure = errno;
        break;
    }
    QPointer<TcpSocket> self(this);
    const quint64 generation = generation_;
    if (got > 0 && events_.DataArrival) {
        raising_ = true;
        events_.DataArrival(static_cast<std::int32_t>(qMin<qsizetype>(received_.size(), INT32_MAX)));
        if (!self || generation != generation_)
            return;
        raising_ = false;
        if (readingOff_ && readNotifier_)
            readNotifier_->setEnabled(false); // told not to read while the event ran
    }
    if (peerClosed) {
        state_ = sck::Closing;
        stopNotifiers();
        if (events_.Close)
            events_.Close();
        return;
    }
    if (failure) {
        state_ = sck::Error;
        stopNotifiers();
        raiseError(sockerr::fromErrno(failure));
        return;
    }
    // Watched from here on (unless told not to read): a notification that came while DataArrival ran
    // was held back, and the first read of an accepted connection is tried before its notifier is on
    // at all.
    readPaused_ = false;
    if (state_ == sck::Connected && readNotifier_ && !readingOff_ && !readNotifier_->isEnabled())
        readNotifier_->setEnabled(true);
}

void TcpSocket::onWritable() {
    if (state_ == sck::Connecting) {
        int failure = 0;
        socklen_t len = sizeof failure;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &failure, &len);
        if (failure != 0) {
            state_ = sck::Error;
            stopNotifiers();
            raiseError(sockerr::fromErrno(failure));
            return;
        }
        state_ = sck::Connected;
        localPort_ = boundPort();
        writeNotifier_->setEnabled(false);
        readNotifier_->setEnabled(true);
        if (events_.Connect)
            events_.Connect();
        return;
    }
    if (state_ != sck::Connected) {
        if (writeNotifier_)
            writeNotifier_->setEnabled(false);
        return;
    }
    bool ok = true;
    const int due = flush(ok);
    // Raised after the queue is settled: an owner may send again from inside the event.
    QPointer<TcpSocket> self(this);
    const quint64 generation = generation_;
    for (int i = 0; i < due && events_.SendComplete; ++i) {
        events_.SendComplete();
        if (!self || generation != generation_)
            return;
    }
}

void TcpSocket::acceptPending() {
    if (raising_) {
        // Entered again from inside a ConnectionRequest that lets the loop run: wait until it returns.
        readNotifier_->setEnabled(false);
        readPaused_ = true;
        return;
    }
    QPointer<TcpSocket> self(this);
    const quint64 generation = generation_;
    for (int i = 0; i < 64 && !acceptPaused_ && !acceptRetry_.isActive(); ++i) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            const int failure = errno;
            if (concernsOneConnection(failure))
                continue;
            if (failure == EAGAIN || failure == EWOULDBLOCK)
                break;
            if (failure == EMFILE || failure == ENFILE || failure == ENOBUFS || failure == ENOMEM) {
                // Nothing can be taken now and the notifier would fire again at once: wait a moment
                // (longer while it lasts), then try again. The connections wait in the backlog.
                acceptBackoffMs_ = acceptBackoffMs_ > 0 ? qMin(acceptBackoffMs_ * 2, 1000) : 10;
                acceptRetry_.start(acceptBackoffMs_);
            }
            raiseError(sockerr::fromErrno(failure));
            if (!self || generation != generation_)
                return;
            break;
        }
        acceptBackoffMs_ = 0;
        remoteIP_ = dotted(peer.sin_addr);
        remotePort_ = ntohs(peer.sin_port);
        pendingAccepts()[fd] = PendingAccept{remoteIP_, remotePort_, localPort_};
        lastAccepted() = nullptr;
        raising_ = true;
        if (events_.ConnectionRequest)
            events_.ConnectionRequest(fd);
        if (!self || generation != generation_)
            return;
        raising_ = false;
        const QPointer<TcpSocket> taken = std::exchange(lastAccepted(), nullptr);
        if (pendingAccepts().erase(fd))
            ::close(fd); // nobody took it: refused
        else if (taken && taken->fd_ == fd && taken->state_ == sck::Connected)
            taken->onReadable(); // its first read, from here in the loop rather than from a notification
        // (Its owner may let the loop run in there: this listener then accepts meanwhile, as usual.)
        if (!self || generation != generation_)
            return;
    }
    readPaused_ = false;
    updateAcceptNotifier();
}

int TcpSocket::flush(bool& ok) {
    ok = true;
    int due = 0;
    while (!sends_.empty()) {
        iovec pieces[16];
        int count = 0;
        for (auto it = sends_.begin(); it != sends_.end() && count < 16; ++it) {
            if (it->offset == it->bytes.size())
                continue;
            pieces[count].iov_base = const_cast<char*>(it->bytes.constData() + it->offset);
            pieces[count].iov_len = static_cast<size_t>(it->bytes.size() - it->offset);
            ++count;
        }
        ssize_t n = 0;
        if (count > 0) {
            msghdr message{};
            message.msg_iov = pieces;
            message.msg_iovlen = static_cast<decltype(message.msg_iovlen)>(count);
            n = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    writeNotifier_->setEnabled(true);
                    return due;
                }
                failLater(errno);
                ok = false;
                return 0;
            }
        }
        // What went, from the front; finished sends leave the queue.
        qsizetype left = n;
        while (!sends_.empty()) {
            PendingSend& p = sends_.front();
            const qsizetype take = qMin(left, p.bytes.size() - p.offset);
            p.offset += take;
            left -= take;
            if (p.offset < p.bytes.size())
                break;
            due += p.owesCompletion ? 1 : 0;
            sends_.pop_front();
        }
    }
    writeNotifier_->setEnabled(false);
    if (shutdownPending_) {
        shutdownPending_ = false;
        ::shutdown(fd_, SHUT_WR);
    }
    return due;
}

void TcpSocket::failLater(int errnoValue) {
    state_ = sck::Error;
    stopNotifiers();
    sends_.clear();
    postError(sockerr::fromErrno(errnoValue));
}

void TcpSocket::postError(std::int32_t number) {
    QMetaObject::invokeMethod(
        this,
        [this, number, generation = generation_] {
            if (generation == generation_)
                raiseError(number);
        },
        Qt::QueuedConnection);
}

void TcpSocket::raiseError(std::int32_t number) {
    if (events_.Error)
        events_.Error(number, sockerr::description(number));
}

} // namespace vellumo
