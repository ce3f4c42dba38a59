#include "http_server/goss_client.h"

#include "http_server/goss_event.h"
#include "http_server/gossamer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/net/socket_errors.h"
#include "platform/runtime/windows1252.h"

#include <QDateTime>

#include <exception>

namespace vellumo {

namespace {

constexpr QByteArrayView kLineEnd("\r\n", 2);
constexpr QByteArrayView kHeadEnd("\r\n\r\n", 4);
const QString kCrLf = QStringLiteral("\r\n");

bool isBlankOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

// A Content-Length the server takes: an optional minus sign and decimal digits, blanks and tabs
// around, within the signed 32-bit range.
bool parseContentLength(const QString& text, std::int32_t& out) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlankOrTab(text.at(begin)))
        ++begin;
    while (end > begin && isBlankOrTab(text.at(end - 1)))
        --end;
    bool negative = false;
    if (begin < end && text.at(begin) == u'-') {
        negative = true;
        ++begin;
    }
    if (begin == end)
        return false;
    std::int64_t value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > std::int64_t{INT32_MAX} + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

// CR and LF from the request never reach a status line of ours.
QString withoutLineBreaks(QString text) {
    text.remove(QChar(u'\r'));
    text.remove(QChar(u'\n'));
    return text;
}

} // namespace

GossClient::GossClient(Gossamer& server, std::unique_ptr<StreamSocket> socket)
    : server_(server), socket_(std::move(socket)) {
    buffer_.OpenBuf();
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, &idleTimer_, [this] { requestClose(); });
    StreamSocket::Events events;
    events.DataArrival = [this](std::int32_t) { Socket_DataArrival(); };
    events.SendComplete = [this] { Socket_SendComplete(); };
    events.Close = [this] { Socket_Close(); };
    events.Error = [this](std::int32_t number, const QString& description) { Socket_Error(number, description); };
    socket_->setEvents(std::move(events));
}

GossClient::~GossClient() {
    socket_->setEvents({});
    buffer_.CloseBuf();
}

void GossClient::Accept(std::int32_t requestID) {
    inUse_ = true;
    closeAfter_ = false;
    closeRequested_ = false;
    sendsInFlight_ = 0;
    try {
        socket_->Accept(requestID);
    } catch (const RuntimeError&) {
        inUse_ = false;
        throw;
    }
    waitFor(Waiting::NextRequest);
}

void GossClient::waitFor(Waiting what) {
    waiting_ = what;
    int timeout = 0;
    switch (what) {
    case Waiting::Nothing:
        break;
    case Waiting::NextRequest:
        timeout = server_.KeepAliveTimeout();
        break;
    case Waiting::Head:
        timeout = server_.HeadTimeout();
        break;
    case Waiting::Body:
        timeout = server_.BodyTimeout();
        break;
    }
    if (timeout > 0)
        idleTimer_.start(timeout);
    else
        idleTimer_.stop();
}

void GossClient::Shutdown() {
    requestClose();
}

// ---- socket events ----

void GossClient::Socket_DataArrival() {
    const QByteArray bytes = socket_->GetData();
    if (!inUse_ || bytes.isEmpty())
        return;
    if (std::int64_t{buffer_.Size()} + bytes.size() > std::int64_t{MaxHeadBytes} + MaxBodyBytes) {
        // A client that keeps sending while its reply cannot leave: nothing it sends can be a request
        // we would take any more.
        badRequest(QStringLiteral("Request too large"));
        pump();
        return;
    }
    buffer_.setPosition(buffer_.Size());
    buffer_.WriteBytes(bytes);
    buffer_.setPosition(0);
    // The first byte of a request starts its head's time-out (once); every piece of a body starts the
    // body's again, so a body that keeps coming is never cut however long it takes.
    if (waiting_ == Waiting::NextRequest)
        waitFor(Waiting::Head);
    else if (waiting_ == Waiting::Body)
        waitFor(Waiting::Body);
    pump();
}

void GossClient::Socket_SendComplete() {
    if (!inUse_)
        return;
    if (sendsInFlight_ > 0)
        --sendsInFlight_;
    if (sendsInFlight_ == 0 && pendingBodyLength_ < 1 && closeAfter_)
        closeRequested_ = true;
    pump();
}

void GossClient::Socket_Close() {
    requestClose();
}

void GossClient::Socket_Error(std::int32_t Number, const QString& Description) {
    std::int32_t type = 4;
    if (Number != sockerr::WouldBlock) {
        requestClose();
        type = 1;
    }
    if (Number != sockerr::ConnectAborted) {
        GossEvent event = record(type, Number);
        event.Text = Description;
        report(event);
    }
}

// ---- the work loop ----

void GossClient::pump() {
    if (busy_)
        return; // the pump already running looks again before it stops
    busy_ = true;
    try {
        while (inUse_) {
            if (closeRequested_) {
                busy_ = false;
                closePath();
                return;
            }
            if (sendsInFlight_ > 0)
                break;
            if (pendingBodyLength_ >= 1) {
                pendingBodyLength_ = 0;
                sendBytes(responseBody_); // a failure here is left to the socket's own events
                responseBody_ = QByteArray();
                continue;
            }
            if (!parseNext())
                break;
        }
    } catch (const RuntimeError& e) {
        failed(e.number(), e.description());
    } catch (const std::exception& e) {
        failed(0, QString::fromLocal8Bit(e.what()));
    }
    busy_ = false;
    if (closeRequested_ && inUse_)
        closePath();
}

void GossClient::failed(std::int32_t number, const QString& description) {
    GossEvent event = record(1, number);
    event.Text = description;
    report(event);
    closeRequested_ = true;
}

bool GossClient::parseNext() {
    if (reqState_ == ReadingRequestLine) {
        for (;;) {
            buffer_.setPosition(scanFrom_);
            const std::int32_t at = buffer_.ScanForBytes(kLineEnd);
            buffer_.setPosition(0);
            if (at == 0) {
                buffer_.DeleteBytes(2);
                scanFrom_ = 0;
                continue;
            }
            if (at < 0) {
                if (buffer_.Size() > MaxHeadBytes) {
                    badRequest(QStringLiteral("Request head too large: %1 bytes").arg(buffer_.Size()));
                    return true;
                }
                scanFrom_ = qMax(0, buffer_.Size() - 1);
                return false;
            }
            if (at + 2 > MaxHeadBytes) {
                badRequest(QStringLiteral("Request head too large: %1 bytes").arg(at + 2));
                return true;
            }
            requestLine_ = cp1252::decode(buffer_.ExtractBytes(at));
            buffer_.DeleteBytes(2);
            requestLineBytes_ = at + 2;
            scanFrom_ = 0;
            reqState_ = ReadingHeaders;
            break;
        }
    }
    if (reqState_ == ReadingHeaders) {
        headers_.Clear();
        if (buffer_.Size() >= 2 && buffer_.content().first(2) == kLineEnd) {
            // No header line at all: the request line's CR LF is followed by the empty line.
            buffer_.DeleteBytes(2);
            reqState_ = Complete;
        } else {
            buffer_.setPosition(scanFrom_);
            const std::int32_t at = buffer_.ScanForBytes(kHeadEnd);
            buffer_.setPosition(0);
            if (at < 0) {
                if (std::int64_t{requestLineBytes_} + buffer_.Size() > MaxHeadBytes) {
                    badRequest(QStringLiteral("Request head too large: %1 bytes")
                                   .arg(std::int64_t{requestLineBytes_} + buffer_.Size()));
                    return true;
                }
                scanFrom_ = qMax(0, buffer_.Size() - 3);
                return false;
            }
            scanFrom_ = 0;
            if (std::int64_t{requestLineBytes_} + at + 4 > MaxHeadBytes) {
                badRequest(
                    QStringLiteral("Request head too large: %1 bytes").arg(std::int64_t{requestLineBytes_} + at + 4));
                return true;
            }
            const QString block = cp1252::decode(buffer_.ExtractBytes(at));
            buffer_.DeleteBytes(4);
            if (!parseHeaderBlock(block))
                return true;
        }
    }
    if (reqState_ == ReadingBody) {
        if (!buffer_.HaveAtLeast(contentLength_))
            return false;
        if (contentLength_ > 0)
            requestBody_ = buffer_.ExtractBytes(contentLength_);
        reqState_ = Complete;
    }
    if (reqState_ == Complete) {
        waitFor(Waiting::Nothing);
        processRequest();
        return true;
    }
    return false;
}

bool GossClient::parseHeaderBlock(const QString& block) {
    for (const QString& line : block.split(kCrLf)) {
        const qsizetype colon = line.indexOf(u':');
        QString name = colon < 0 ? line : line.left(colon);
        while (!name.isEmpty() && isBlankOrTab(name.back()))
            name.chop(1);
        QStringList item{name};
        if (colon >= 0) {
            qsizetype start = colon + 1;
            while (start < line.size() && isBlankOrTab(line.at(start)))
                ++start;
            item.append(line.mid(start));
        }
        headers_.Add(item, name.toUpper());
    }
    const QStringList lengthItem = headers_.Item(QStringLiteral("CONTENT-LENGTH"));
    if (lengthItem.size() < 2) {
        reqState_ = Complete;
        return true;
    }
    std::int32_t length = 0;
    if (!parseContentLength(lengthItem.at(1), length) || length > MaxBodyBytes) {
        GossEvent event = record(2, 3);
        event.Method = QStringLiteral("ERROR");
        event.Text = QStringLiteral("Bad Content-Length header value: ") + lengthItem.at(1);
        report(event);
        closeRequested_ = true;
        return false;
    }
    contentLength_ = length;
    reqState_ = ReadingBody;
    waitFor(Waiting::Body);
    return true;
}

void GossClient::badRequest(const QString& text) {
    GossEvent event = record(2, 3);
    event.Method = QStringLiteral("ERROR");
    event.Text = text;
    report(event);
    closeRequested_ = true;
}

void GossClient::processRequest() {
    // At most three parts; the third keeps any further blanks.
    QStringList parts;
    {
        const qsizetype first = requestLine_.indexOf(u' ');
        if (first < 0) {
            parts = {requestLine_};
        } else {
            const qsizetype second = requestLine_.indexOf(u' ', first + 1);
            if (second < 0)
                parts = {requestLine_.left(first), requestLine_.mid(first + 1)};
            else
                parts = {requestLine_.left(first), requestLine_.mid(first + 1, second - first - 1),
                         requestLine_.mid(second + 1)};
        }
    }
    const QString method = parts.at(0).toUpper();
    GossEvent event = record(2, 0);

    if (parts.size() != 3) {
        event.EventSubType = 3;
        event.Method = QStringLiteral("ERROR");
        event.Text = QStringLiteral("Bad Request Line: ") + requestLine_;
        report(event);
        // The socket closes without a reply and without a DISCONNECT record; the handler is free.
        reqState_ = ReadingRequestLine;
        socket_->Close();
        buffer_.ClearBuf();
        resetRequestData();
        waitFor(Waiting::Nothing);
        inUse_ = false;
        closeAfter_ = false;
        server_.ClientReleased(*this);
        return;
    }

    const QStringList connection = headers_.Item(QStringLiteral("CONNECTION"));
    if (connection.size() > 1 && connection.at(1).toUpper() == QLatin1String("CLOSE"))
        closeAfter_ = true;
    httpVersion_ = withoutLineBreaks(parts.at(2).toUpper());
    event.Method = method;
    event.Text = parts.at(1);
    event.HTTPVersion = httpVersion_;

    if (method == QLatin1String("GET") || method == QLatin1String("HEAD")) {
        // HEAD gets the head GET would get, without the page.
        sendError(403, method == QLatin1String("HEAD"));
    } else if (method == QLatin1String("POST")) {
        event.EventSubType = 4;
        report(event);
        dispatchPost(event, method, parts.at(1));
    } else {
        report(event);
        closeRequested_ = true;
    }

    requestBody_ = QByteArray();
    reqState_ = ReadingRequestLine;
    headers_.Clear();
    if (inUse_ && !closeRequested_)
        waitFor(buffer_.Size() > 0 ? Waiting::Head : Waiting::NextRequest);
}

void GossClient::dispatchPost(GossEvent& event, const QString& method, const QString& target) {
    QString Method = method;
    QString URI = target;
    QByteArray Params = requestBody_;
    std::int16_t RespStatus = 0;
    QString RespStatusText, RespMIME, RespExtraHeaders;
    responseBody_ = QByteArray();
    std::int16_t ClientIndex = index_;
    try {
        server_.RaiseDynamicRequest(Method, URI, Params, headers_, RespStatus, RespStatusText, RespMIME,
                                    RespExtraHeaders, responseBody_, ClientIndex);
    } catch (const RuntimeError& e) {
        failed(e.number(), e.description());
        return;
    } catch (const std::exception& e) {
        failed(0, QString::fromLocal8Bit(e.what()));
        return;
    } catch (...) {
        failed(0, QStringLiteral("Unknown error in the request handler"));
        return;
    }
    if (closeRequested_ || !inUse_) {
        responseBody_ = QByteArray();
        return; // the peer has gone or the server is stopping: no reply
    }
    if (RespStatus == 0)
        sendError(501);
    else
        sendDynamicResponse(RespStatus, RespStatusText, RespMIME, RespExtraHeaders);
}

// ---- the send side ----

QString GossClient::ErrorStatusText(std::int16_t status) {
    switch (status) {
    case 304:
        return QStringLiteral("304 Non Modifié");
    case 403:
        return QStringLiteral("403 Accès Interdit (Vellumo Server)");
    case 404:
        return QStringLiteral("404 Fichier Introuvable (Vellumo Server)");
    case 501:
        return QStringLiteral("501 Non Implémenté (Vellumo Server)");
    case 503:
        return QStringLiteral("503 Service non Disponible (Vellumo Server)");
    default:
        return QStringLiteral("500 Erreur Interne du Serveur (Vellumo Server)");
    }
}

void GossClient::sendError(std::int16_t status, bool headOnly) {
    sendErrorPage(ErrorStatusText(status), headOnly);
}

QString GossClient::beginResponse(const QString& statusLine) {
    GossEvent event = record(2, 6);
    event.Method = statusLine;
    report(event);
    const QString date = Gossamer::UTCStringNow();
    appendHead(httpVersion_ + u' ' + statusLine + kCrLf);
    appendHead(QStringLiteral("Date:") + date + kCrLf);
    return date;
}

void GossClient::sendErrorPage(const QString& statusText, bool headOnly) {
    beginResponse(statusText);
    appendHead(QStringLiteral("Content-Type:text/html\r\n"));
    appendHead(QStringLiteral("Content-Length:") + QString::number(statusText.size() + 35) + kCrLf);
    appendHead(QStringLiteral("Accept-Ranges:none\r\n"));
    appendHead(server_.ServerHeader() + kCrLf);
    appendHead(server_.XPBHeader() + kCrLf + kCrLf);
    if (!headOnly)
        appendHead(QStringLiteral("<html><body><h1>") + statusText + QStringLiteral("</h1></body></html>"));
    sendBytes(cp1252::encode(takeHead()));
}

void GossClient::sendDynamicResponse(std::int32_t status, const QString& statusText, const QString& mime,
                                     const QString& extraHeaders) {
    const QString date = beginResponse(withoutLineBreaks(QString::number(status) + u' ' + statusText));
    if (!extraHeaders.contains(QLatin1String("Last-Modified:"), Qt::CaseInsensitive))
        appendHead(QStringLiteral("Last-Modified:") + date + kCrLf);
    if (!mime.isEmpty())
        appendHead(QStringLiteral("Content-Type:") + mime + kCrLf);
    pendingBodyLength_ = static_cast<std::int32_t>(responseBody_.size());
    appendHead(QStringLiteral("Content-Length:") + QString::number(pendingBodyLength_) + kCrLf);
    appendHead(QStringLiteral("Accept-Ranges:none\r\n"));
    appendHead(server_.ServerHeader() + kCrLf);
    appendHead(server_.XPBHeader() + kCrLf);
    if (!extraHeaders.isEmpty())
        appendHead(extraHeaders.endsWith(kCrLf) ? extraHeaders : extraHeaders + kCrLf);
    appendHead(kCrLf);
    sendBytes(cp1252::encode(takeHead()), pendingBodyLength_ > 0); // the body follows on completion
}

bool GossClient::sendBytes(const QByteArray& bytes, bool moreFollows) {
    try {
        socket_->SendData(bytes, moreFollows);
    } catch (const RuntimeError&) {
        return false; // the connection has gone; its close or error event ends it
    }
    ++sendsInFlight_;
    return true;
}

// ---- ending a connection ----

void GossClient::requestClose() {
    closeRequested_ = true;
    pump();
}

void GossClient::closePath() {
    if (socket_->State() != sck::Closed) {
        socket_->Close();
        socket_->setLocalPort(0);
    }
    GossEvent event = record(5, 1);
    event.IP.clear();
    event.Port = 0;
    event.Method = QStringLiteral("DISCONNECT");
    reqState_ = ReadingRequestLine;
    buffer_.ClearBuf();
    head_.clear();
    headLength_ = 0;
    resetRequestData();
    waitFor(Waiting::Nothing);
    inUse_ = false;
    closeAfter_ = false;
    closeRequested_ = false;
    report(event);
    server_.ClientReleased(*this);
}

void GossClient::resetRequestData() {
    // Nothing of this connection may reach the next one on this handler.
    responseBody_ = QByteArray();
    pendingBodyLength_ = 0;
    headers_.Clear();
    requestBody_ = QByteArray();
    contentLength_ = 0;
    requestLineBytes_ = 0;
    scanFrom_ = 0;
    sendsInFlight_ = 0;
}

// ---- records and the head builder ----

GossEvent GossClient::record(std::int32_t type, std::int32_t subType) const {
    GossEvent event;
    event.EventType = type;
    event.EventSubType = subType;
    event.IP = socket_->RemoteHostIP();
    event.Port = socket_->LocalPort();
    return event;
}

void GossClient::report(GossEvent& event) {
    server_.RaiseLogEvent(event, index_);
}

void GossClient::appendHead(const QString& piece) {
    if (headLength_ + piece.size() > head_.size()) {
        if (head_.isEmpty())
            head_ = QString(piece.size() + 200, u' ');
        else
            head_.append(QString(piece.size() + 100, u' '));
    }
    head_.replace(headLength_, piece.size(), piece);
    headLength_ += static_cast<std::int32_t>(piece.size());
}

QString GossClient::takeHead() {
    const QString text = head_.left(headLength_);
    headLength_ = 0;
    return text;
}

} // namespace vellumo
