#include "platform/net/async_request.h"

#include "platform/net/http_response_reader.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QMetaObject>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("AsyncRequest");

bool isToken(QStringView text) {
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u > 32 && u < 127 && QStringView(u"()<>@,;:\\\"/[]?={}").indexOf(c) < 0;
    });
}

[[noreturn]] void badArgument(const QString& what) {
    throw RuntimeError(err::BadArgument, kSource, what);
}

QString withSystemText(const QString& description, const QString& systemText) {
    return systemText.isEmpty() ? description : description + QStringLiteral(" (") + systemText + u')';
}

} // namespace

AsyncRequest::AsyncRequest(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &AsyncRequest::onTimeout);
}

AsyncRequest::~AsyncRequest() {
    teardown();
}

void AsyncRequest::Abort() {
    teardown();
    ++generation_;
    phase_ = Phase::Unopened;
    headers_.clear();
}

void AsyncRequest::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
    for (int ms : {resolveMs, connectMs, sendMs, receiveMs}) {
        if (ms < -1)
            badArgument(QStringLiteral("A time-out must be a number of milliseconds, 0 or -1"));
    }
    resolveMs_ = resolveMs;
    connectMs_ = connectMs;
    sendMs_ = sendMs;
    receiveMs_ = receiveMs;
}

void AsyncRequest::Open(const QString& method, const QString& url) {
    if (!isToken(method))
        badArgument(QStringLiteral("The request method is not valid"));
    Abort();
    method_ = method.toLatin1();
    url_ = url;
    phase_ = Phase::Opened;
}

void AsyncRequest::SetRequestHeader(const QString& name, const QString& value) {
    if (phase_ != Phase::Opened)
        badArgument(QStringLiteral("The request is not open"));
    if (!isToken(name))
        badArgument(QStringLiteral("The header name is not valid"));
    if (value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(0)))
        badArgument(QStringLiteral("The header value is not valid"));
    for (const char* own : {"Host", "Content-Length", "Connection", "Transfer-Encoding"}) {
        if (name.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
            badArgument(QStringLiteral("The header belongs to the request itself"));
    }
    headers_.append({name.toLatin1(), cp1252::encode(value)});
}

void AsyncRequest::Send(const QString& body) {
    if (phase_ != Phase::Opened)
        badArgument(QStringLiteral("The request is not open"));
    ++generation_;
    status_ = 0;
    statusText_.clear();
    responseBody_.clear();
    phase_ = Phase::Resolving;

    const QUrl url(url_, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        fail(InvalidUrl, QStringLiteral("The URL is invalid"));
        return;
    }
    if (url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0) {
        fail(UnrecognizedScheme, QStringLiteral("The URL does not use a recognized protocol"));
        return;
    }
    const int port = url.port(80);
    if (port <= 0) {
        fail(InvalidUrl, QStringLiteral("The URL is invalid"));
        return;
    }

    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    const QString host = url.host(QUrl::FullyEncoded);
    QByteArray hostHeader = host.contains(u':') ? '[' + host.toLatin1() + ']' : host.toLatin1();
    if (port != 80)
        hostHeader += ':' + QByteArray::number(port);

    const QByteArray payload = body.toUtf8();
    request_ = method_ + ' ' + target + " HTTP/1.1\r\nHost: " + hostHeader + "\r\n";
    for (const auto& [name, value] : headers_)
        request_ += name + ": " + value + "\r\n";
    request_ += "Content-Length: " + QByteArray::number(payload.size()) + "\r\nConnection: close\r\n\r\n";
    request_ += payload;

    reader_ = std::make_unique<HttpResponseReader>(method_ == "HEAD");
    socket_ = new QTcpSocket(this);
    socket_->setProxy(QNetworkProxy::NoProxy);
    connect(socket_, &QAbstractSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState s) { onStateChanged(s); });
    connect(socket_, &QAbstractSocket::connected, this, &AsyncRequest::onConnected);
    connect(socket_, &QAbstractSocket::bytesWritten, this, &AsyncRequest::onBytesWritten);
    connect(socket_, &QIODevice::readyRead, this, &AsyncRequest::onReadyRead);
    connect(socket_, &QAbstractSocket::disconnected, this, &AsyncRequest::onDisconnected);
    connect(socket_, &QAbstractSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { onSocketError(e); });
    enterPhase(Phase::Resolving);
    socket_->connectToHost(host, static_cast<quint16>(port));
}

int AsyncRequest::timeoutMs(Phase phase) const {
    switch (phase) {
    case Phase::Resolving:
        return resolveMs_;
    case Phase::Connecting:
        return connectMs_;
    case Phase::Sending:
        return sendMs_;
    case Phase::Receiving:
        return receiveMs_;
    default:
        return 0;
    }
}

void AsyncRequest::enterPhase(Phase phase) {
    phase_ = phase;
    const int ms = timeoutMs(phase);
    if (ms > 0)
        timer_.start(ms);
    else
        timer_.stop();
}

void AsyncRequest::onStateChanged(int socketState) {
    if (socketState == QAbstractSocket::ConnectingState && phase_ == Phase::Resolving)
        enterPhase(Phase::Connecting);
}

void AsyncRequest::onConnected() {
    if (phase_ != Phase::Resolving && phase_ != Phase::Connecting)
        return;
    enterPhase(Phase::Sending);
    unwritten_ = request_.size();
    if (socket_->write(request_) != request_.size())
        fail(ConnectionAborted,
             withSystemText(QStringLiteral("The connection with the server was terminated abnormally"),
                            socket_->errorString()));
}

void AsyncRequest::onBytesWritten(qint64 bytes) {
    if (phase_ != Phase::Sending)
        return;
    unwritten_ -= bytes;
    // Progress restarts the wait: the time-out is for the kernel taking no more bytes.
    enterPhase(unwritten_ <= 0 ? Phase::Receiving : Phase::Sending);
}

void AsyncRequest::onReadyRead() {
    readResponse(false);
}

void AsyncRequest::onDisconnected() {
    readResponse(true);
}

void AsyncRequest::readResponse(bool closed) {
    // A peer may answer before it has read all of the request; its answer counts all the same.
    if (phase_ != Phase::Sending && phase_ != Phase::Receiving)
        return;
    const QByteArray bytes = socket_->readAll();
    HttpResponseReader::State state = reader_->feed(bytes);
    if (state == HttpResponseReader::State::NeedMore && closed)
        state = reader_->finish();
    switch (state) {
    case HttpResponseReader::State::Complete:
        complete();
        break;
    case HttpResponseReader::State::Invalid:
        if (closed && !reader_->started())
            fail(ConnectionAborted, QStringLiteral("The connection with the server was terminated abnormally"));
        else
            fail(InvalidServerResponse, QStringLiteral("The server returned an invalid or unrecognized response"));
        break;
    case HttpResponseReader::State::NeedMore:
        if (!bytes.isEmpty() && phase_ == Phase::Receiving)
            enterPhase(Phase::Receiving);
        break;
    }
}

void AsyncRequest::onSocketError(int socketError) {
    const QString systemText = socket_ ? socket_->errorString() : QString();
    switch (phase_) {
    case Phase::Resolving:
    case Phase::Connecting:
        if (socketError == QAbstractSocket::HostNotFoundError)
            fail(NameNotResolved,
                 withSystemText(QStringLiteral("The server name or address could not be resolved"), systemText));
        else if (socketError == QAbstractSocket::SocketTimeoutError)
            fail(TimedOut, QStringLiteral("The operation timed out"));
        else
            fail(CannotConnect,
                 withSystemText(QStringLiteral("A connection with the server could not be established"), systemText));
        break;
    case Phase::Sending:
    case Phase::Receiving:
        if (socketError == QAbstractSocket::RemoteHostClosedError)
            readResponse(true);
        else
            fail(
                ConnectionAborted,
                withSystemText(QStringLiteral("The connection with the server was terminated abnormally"), systemText));
        break;
    default:
        break;
    }
}

void AsyncRequest::onTimeout() {
    switch (phase_) {
    case Phase::Resolving:
    case Phase::Connecting:
    case Phase::Sending:
    case Phase::Receiving:
        fail(TimedOut, QStringLiteral("The operation timed out"));
        break;
    default:
        break;
    }
}

void AsyncRequest::complete() {
    status_ = reader_->status();
    statusText_ = cp1252::decode(reader_->reason());
    responseBody_ = reader_->body();
    teardown();
    phase_ = Phase::Done;
    // Posted, so that the holder may delete this object from its handler and that nothing is raised
    // from inside Send or a socket's own signal.
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == generation_ && phase_ == Phase::Done)
                emit OnResponseFinished();
        },
        Qt::QueuedConnection);
}

void AsyncRequest::fail(int number, const QString& description) {
    teardown();
    phase_ = Phase::Done;
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, number, description] {
            if (generation == generation_ && phase_ == Phase::Done)
                emit OnError(number, description);
        },
        Qt::QueuedConnection);
}

void AsyncRequest::teardown() {
    timer_.stop();
    reader_.reset();
    request_.clear();
    if (socket_ != nullptr) {
        QTcpSocket* socket = socket_;
        socket_ = nullptr;
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        // Later, since this may run inside one of the socket's own signals.
        socket->deleteLater();
    }
}

} // namespace vellumo
