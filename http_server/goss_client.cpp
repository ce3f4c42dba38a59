#include "http_server/goss_client.h"

#include "http_server/goss_event.h"
#include "http_server/gossamer.h"
#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QDateTime>
#include <QScopeGuard>

#include <exception>
#include <utility>

namespace vellumo {

namespace {

constexpr QByteArrayView kLineEnd("\r\n", 2);
constexpr QByteArrayView kHeadEnd("\r\n\r\n", 4);
const QString kCrLf = QStringLiteral("\r\n");

bool isBlankOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

// A Content-Length the server takes: decimal digits only (no sign), blanks and tabs around, within
// the signed 32-bit range.
bool parseContentLength(const QString& text, std::int32_t& out) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlankOrTab(text.at(begin)))
        ++begin;
    while (end > begin && isBlankOrTab(text.at(end - 1)))
        --end;
    if (begin == end)
        return false;
    std::int64_t value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > INT32_MAX)
            return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

// CR and LF from the request never reach a status line of ours.
QString withoutLineBreaks(QString text) {
    text.remove(QChar(u'\r'));
    text.remove(QChar(u'\n'));
    return text;
}

// The statuses that refuse a request: the connection ends once their reply is out, so that a peer
// cannot hold a handler by asking again and again for what it will not get.
bool refuses(std::int32_t status) {
    return status == 400 || status == 401 || status == 403 || status == 404 || status == 501;
}

} // namespace

GossClient::GossClient(Gossamer& server, std::unique_ptr<StreamSocket> socket)
    : server_(server), socket_(std::move(socket)) {
    buffer_.OpenBuf();
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, &idleTimer_, [this] { requestClose(); });
    replyDelay_.setSingleShot(true);
    QObject::connect(&replyDelay_, &QTimer::timeout, &replyDelay_, [this] {
        sendHeldReply();
        pump();
    });
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

void GossClient::Accept(std::int32_t requestID, const QString& address) {
    closeAfter_ = peerAskedClose_ = requestReadWhole_ = false;
    closeRequested_ = false;
    sendsInFlight_ = 0;
    socket_->Accept(requestID); // a failure leaves the handler free
    inUse_ = true;
    address_ = address;
    requestSince_ = lastBodyByte_ = Gossamer::Now();
    lingerDrained_ = 0;
    setPhase(ClientPhase::Serving);
    waitFor(Waiting::NextRequest);
}

void GossClient::setPhase(ClientPhase phase) {
    const ClientPhase from = phase_;
    phase_ = phase;
    server_.ClientPhaseChanged(*this, from, phase);
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
    case Waiting::Linger:
        timeout = server_.LingerTimeout();
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
    if (phase_ == ClientPhase::Lingering || phase_ == ClientPhase::Delaying) {
        // Out of the pool what comes is thrown away; a lingering close takes only so much of it.
        lingerDrained_ += bytes.size();
        if (phase_ == ClientPhase::Lingering && lingerDrained_ >= Gossamer::LingerBytes)
            requestClose();
        return;
    }
    // The first byte of a request starts its head's time-out (once); every piece of a body starts the
    // body's again, so a body that keeps coming is never cut however long it takes.
    if (waiting_ == Waiting::NextRequest) {
        waitFor(Waiting::Head);
    } else if (waiting_ == Waiting::Body) {
        waitFor(Waiting::Body);
        lastBodyByte_ = Gossamer::Now();
    }
    QByteArrayView arrived(bytes);
    // After a request that ends the connection nothing more is parsed: what follows it is dropped.
    if (closeAfter_ && reqState_ == ReadingRequestLine)
        arrived = QByteArrayView();
    if (!arrived.isEmpty()) {
        if (std::int64_t{unread().size()} + arrived.size() > std::int64_t{MaxHeadBytes} + MaxBodyBytes) {
            // A client that keeps sending while its reply cannot leave: nothing it sends can be a
            // request we would take any more.
            badRequest(QStringLiteral("Request too large"));
            pump();
            return;
        }
        append(arrived);
    }
    pump();
}

void GossClient::Socket_SendComplete() {
    if (!inUse_)
        return;
    if (sendsInFlight_ > 0)
        --sendsInFlight_;
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

// ---- the buffer ----

QByteArrayView GossClient::unread() const {
    return buffer_.content().sliced(buffer_.Position());
}

void GossClient::consume(qsizetype n) {
    buffer_.setPosition(buffer_.Position() + static_cast<std::int32_t>(n));
}

void GossClient::append(QByteArrayView bytes) {
    compact();
    const std::int32_t read = buffer_.Position();
    buffer_.setPosition(buffer_.Size());
    buffer_.WriteBytes(bytes);
    buffer_.setPosition(read);
}

void GossClient::compact() {
    const std::int32_t read = buffer_.Position();
    if (read == 0)
        return;
    if (read == buffer_.Size()) {
        // Everything was read: empty it without moving a byte.
        buffer_.setPosition(0);
        buffer_.DeleteBytes(-1);
    } else if (read >= CompactAtBytes && read >= buffer_.Size() - read) {
        // Moves no more bytes than were consumed since the last time.
        buffer_.setPosition(0);
        buffer_.DeleteBytes(read);
    }
}

void GossClient::giveBackMemory() {
    compact();
    const std::int32_t held = buffer_.Size() - buffer_.Position();
    if (buffer_.Capacity() <= ShrinkAboveBytes || held > ShrinkAboveBytes / 4)
        return;
    if (buffer_.Position() > 0) {
        buffer_.setPosition(0);
        buffer_.DeleteBytes(buffer_.Size() - held);
    }
    if (held == 0) {
        buffer_.ClearBuf();
    } else {
        buffer_.ShrinkBuf();
    }
}

// ---- the work loop ----

template <typename Call> bool GossClient::guarded(Call call) {
    try {
        call();
        return true;
    } catch (const RuntimeError& e) {
        failed(e.number(), e.description());
    } catch (const std::exception& e) {
        failed(0, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        failed(0, QStringLiteral("Unknown error"));
    }
    return false;
}

void GossClient::pump() {
    if (busy_)
        return; // the pump already running looks again before it stops
    busy_ = true;
    guarded([this] {
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
            if (heldReply_)
                break; // its delay runs
            if (phase_ == ClientPhase::Lingering)
                break; // the peer's close, the drain's cap or the time-out ends it
            if (closeAfter_ && reqState_ == ReadingRequestLine) {
                // The reply is out and nothing of the request is left to read: the connection ends.
                startLinger();
                continue;
            }
            if (hostCall_ != HostCall::None) {
                if (!callHost())
                    break; // its turn comes later
                continue;
            }
            if (!parseNext())
                break;
        }
    });
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

GossClient::HeadScan GossClient::scanHead(QByteArrayView terminator, qsizetype& length) {
    const QByteArrayView rest = unread();
    const qsizetype at = rest.sliced(scanned_).indexOf(terminator);
    const std::int64_t headSoFar =
        std::int64_t{headBytes_} + (at < 0 ? rest.size() : scanned_ + at + terminator.size());
    if (headSoFar > MaxHeadBytes) {
        badRequest(QStringLiteral("Request head too large: %1 bytes").arg(headSoFar));
        return HeadScan::TooLarge;
    }
    if (at < 0) {
        // A terminator cut by the end of what came so far is found whole by the next search.
        scanned_ = qMax<qsizetype>(0, rest.size() - (terminator.size() - 1));
        return HeadScan::NeedMore;
    }
    length = scanned_ + at;
    return HeadScan::Found;
}

bool GossClient::parseNext() {
    if (reqState_ == ReadingRequestLine) {
        // Empty lines before a request are stepped over in one pass; they count against the head's cap.
        const QByteArrayView pending = unread();
        qsizetype skip = 0;
        while (skip + 1 < pending.size() && pending[skip] == '\r' && pending[skip + 1] == '\n')
            skip += 2;
        if (skip > 0) {
            consume(skip);
            headBytes_ += static_cast<std::int32_t>(qMin<qsizetype>(skip, MaxHeadBytes + 1));
            scanned_ = 0;
        }
        qsizetype lineLength = 0;
        if (const HeadScan scan = scanHead(kLineEnd, lineLength); scan != HeadScan::Found)
            return scan == HeadScan::TooLarge;
        requestLine_ = cp1252::decode(unread().first(lineLength));
        consume(lineLength + kLineEnd.size());
        headBytes_ += static_cast<std::int32_t>(lineLength + kLineEnd.size());
        scanned_ = 0;
        reqState_ = ReadingHeaders;
    }
    if (reqState_ == ReadingHeaders) {
        const QByteArrayView rest = unread();
        QString block;
        if (rest.size() >= 2 && rest.first(2) == kLineEnd) {
            // No header line at all: the request line's CR LF is followed by the empty line.
            consume(2);
        } else {
            qsizetype blockLength = 0;
            if (const HeadScan scan = scanHead(kHeadEnd, blockLength); scan != HeadScan::Found)
                return scan == HeadScan::TooLarge;
            block = cp1252::decode(rest.first(blockLength));
            consume(blockLength + kHeadEnd.size());
        }
        scanned_ = 0;
        headComplete(block);
        return true;
    }
    if (reqState_ == ReadingBody) {
        if (unread().size() < contentLength_)
            return false;
        if (contentLength_ > 0) {
            requestBody_ = unread().first(contentLength_).toByteArray();
            consume(contentLength_);
        }
        reqState_ = Complete;
    }
    if (reqState_ == Complete) {
        waitFor(Waiting::Nothing);
        hostCall_ = HostCall::Request;
        return true;
    }
    return false;
}

bool GossClient::callHost() {
    // One call into the host at a time, server-wide: a host that lets the loop run inside a long job
    // must not be entered by another connection's request meanwhile. That one waits its turn, in the
    // order the requests came, and the server resumes this pump when it is here.
    if (!server_.TakeHostTurn(*this)) {
        waitFor(Waiting::Nothing);
        return false;
    }
    const auto release = qScopeGuard([this] { server_.ReleaseHostTurn(*this); });
    if (std::exchange(hostCall_, HostCall::None) == HostCall::Head) {
        askHostOnHead();
        // A body that is here already is read now, and its request served in the same turn.
        if (inUse_ && !closeRequested_ && (reqState_ == ReadingBody || reqState_ == Complete))
            parseNext();
        if (std::exchange(hostCall_, HostCall::None) != HostCall::Request)
            return true;
    }
    requestReadWhole_ = true;
    processRequest();
    requestDone();
    return true;
}

void GossClient::ResumeHostCall() {
    pump();
}

void GossClient::headComplete(const QString& block) {
    requestReadWhole_ = false;
    if (!parseHeaderBlock(block))
        return;

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
    method_ = parts.at(0).toUpper();
    GossEvent event = record(2, 0);
    if (parts.size() != 3) {
        badRequestLine(event);
        return;
    }
    target_ = parts.at(1);
    const QStringList connection = headers_.Item(QStringLiteral("CONNECTION"));
    if (connection.size() > 1 && connection.at(1).toUpper() == QLatin1String("CLOSE"))
        closeAfter_ = peerAskedClose_ = true;
    httpVersion_ = withoutLineBreaks(parts.at(2).toUpper());
    event.Method = method_;
    event.Text = target_;
    event.HTTPVersion = httpVersion_;

    if (method_ == QLatin1String("GET") || method_ == QLatin1String("HEAD")) {
        // Refused at once: HEAD gets the head GET would get, without the page. A body is not read:
        // the connection ends after the reply.
        closeAfter_ = true;
        requestReadWhole_ = !bodyAnnounced();
        requestDone();
        sendError(403, method_ == QLatin1String("HEAD"));
        return;
    }
    if (method_ != QLatin1String("POST")) {
        report(event);
        closeRequested_ = true;
        return;
    }
    hostCall_ = HostCall::Head;
}

void GossClient::askHostOnHead() {
    // The host may decide on the head alone; its refusal never has the body read.
    HeadReply reply;
    if (!guarded(
            [&] { server_.RaiseHeadComplete(method_, target_, headers_, socket_->RemoteHostIP(), reply, index_); }))
        return;
    if (closeRequested_ || !inUse_)
        return; // the peer has gone or the server is stopping
    if (reply.Status == 0) {
        startBody();
        return;
    }
    // Refused on its head: the body is not read, and the connection ends after the reply.
    closeAfter_ = true;
    requestReadWhole_ = !bodyAnnounced();
    requestDone();
    if (reply.DelayMs > 0) {
        delayRefusal(std::move(reply));
        return;
    }
    heldReply_ = std::move(reply);
    sendHeldReply();
}

void GossClient::delayRefusal(HeadReply reply) {
    if (!server_.MayDelayRefusal()) {
        // As many refusals wait already as the server holds: this one is not answered at all.
        closeRequested_ = true;
        return;
    }
    // The wait holds no slot of the pool, and reads nothing: TCP holds the peer back meanwhile.
    setPhase(ClientPhase::Delaying);
    socket_->SetReading(false);
    waitFor(Waiting::Nothing);
    heldReply_ = std::move(reply);
    replyDelay_.start(heldReply_->DelayMs);
}

bool GossClient::bodyAnnounced() const {
    return contentLength_ > 0 || !headers_.Item(QStringLiteral("TRANSFER-ENCODING")).isEmpty();
}

void GossClient::startLinger() {
    if (phase_ == ClientPhase::Lingering)
        return;
    // A peer that asked for the end and has sent all its request is owed nothing more: closed now.
    if ((peerAskedClose_ && requestReadWhole_ && unread().isEmpty()) || !server_.MayLinger()) {
        closeRequested_ = true;
        return;
    }
    // Out of the pool: the end of the stream follows the reply, and what the peer still sends is
    // read and thrown away until it closes, for a short time and size at most.
    setPhase(ClientPhase::Lingering);
    lingerDrained_ = 0;
    socket_->SetReading(true);
    socket_->ShutdownWrite();
    waitFor(Waiting::Linger);
}

bool GossClient::parseHeaderBlock(const QString& block) {
    headers_.Clear();
    // Every Content-Length line, in order (a null text for one without a colon).
    QStringList lengths;
    if (!block.isEmpty()) {
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
            const QString key = name.toUpper();
            if (key == QLatin1String("CONTENT-LENGTH"))
                lengths.append(item.size() > 1 ? item.at(1) : QString());
            headers_.Add(item, key);
        }
    }
    contentLength_ = 0;
    const QStringList lengthItem = headers_.Item(QStringLiteral("CONTENT-LENGTH"));
    bool good = true;
    if (lengthItem.size() >= 2) {
        good = parseContentLength(lengthItem.at(1), contentLength_) && contentLength_ <= MaxBodyBytes;
        // Lines that disagree leave the body's end in doubt: the request is bad.
        for (const QString& other : lengths) {
            std::int32_t value = 0;
            if (other.isNull() || !parseContentLength(other, value) || value != contentLength_)
                good = false;
        }
    }
    if (!good) {
        contentLength_ = 0;
        badRequest(QStringLiteral("Bad Content-Length header value: ") +
                   (lengths.size() > 1 ? lengths.join(QStringLiteral(", ")) : lengthItem.at(1)));
        return false;
    }
    // No Content-Length (or a line of that name without a colon): the request has no body.
    return true;
}

void GossClient::startBody() {
    if (contentLength_ <= 0) {
        reqState_ = Complete;
        return;
    }
    reqState_ = ReadingBody;
    lastBodyByte_ = Gossamer::Now();
    const qsizetype missing = contentLength_ - unread().size();
    if (contentLength_ > Gossamer::SmallBodyBytes && missing > 0) {
        // A big body takes its length from the server's budget before it is read; until it fits it
        // waits unread, and no time-out runs against it.
        if (!server_.ReserveBody(*this, contentLength_)) {
            waitingForBudget_ = true;
            socket_->SetReading(false);
            waitFor(Waiting::Nothing);
            return;
        }
        bodyReserved_ = contentLength_;
        buffer_.ReserveStorage(buffer_.Size() + static_cast<std::int32_t>(missing));
    }
    waitFor(Waiting::Body);
}

void GossClient::BodyBudgetGranted(std::int64_t bytes) {
    waitingForBudget_ = false;
    bodyReserved_ = bytes;
    lastBodyByte_ = Gossamer::Now();
    buffer_.ReserveStorage(buffer_.Size() + static_cast<std::int32_t>(contentLength_ - unread().size()));
    socket_->SetReading(true);
    waitFor(Waiting::Body);
}

void GossClient::releaseBody() {
    if (bodyReserved_ == 0 && !waitingForBudget_)
        return;
    const std::int64_t reserved = std::exchange(bodyReserved_, 0);
    waitingForBudget_ = false;
    server_.ReleaseBody(*this, reserved);
}

GossClient::Progress GossClient::progress() const {
    // A request waiting for its turn in the host counts as being processed.
    if (phase_ != ClientPhase::Serving || busy_ || sendsInFlight_ > 0 || pendingBodyLength_ > 0 ||
        reqState_ == Complete || hostCall_ != HostCall::None || heldReply_ || closeAfter_ || closeRequested_)
        return Progress::Busy;
    if (reqState_ == ReadingBody)
        return Progress::AuthorisedBody;
    if (reqState_ == ReadingHeaders || headBytes_ > 0 || !unread().isEmpty())
        return Progress::Head;
    return Progress::None;
}

std::int64_t GossClient::StalledSince() const {
    return reqState_ == ReadingBody ? lastBodyByte_ : requestSince_;
}

void GossClient::Evict() {
    if (progress() == Progress::AuthorisedBody) {
        // A sender in the middle of its body is told that its request was not taken.
        closeAfter_ = true;
        requestDone();
        sendError(503);
        startLinger();
        if (!closeRequested_)
            return; // lingering, out of the pool
    }
    requestClose();
}

void GossClient::requestDone() {
    requestBody_ = QByteArray();
    reqState_ = ReadingRequestLine;
    headers_.Clear();
    contentLength_ = 0;
    headBytes_ = 0;
    scanned_ = 0;
    releaseBody();
    giveBackMemory();
    requestSince_ = Gossamer::Now();
    if (!inUse_ || closeRequested_)
        return;
    if (closeAfter_)
        waitFor(Waiting::Nothing); // the connection ends once the reply is out
    else
        waitFor(unread().isEmpty() ? Waiting::NextRequest : Waiting::Head);
}

void GossClient::badRequest(const QString& text) {
    GossEvent event = record(2, 3);
    event.Method = QStringLiteral("ERROR");
    event.Text = text;
    report(event);
    closeRequested_ = true;
}

void GossClient::badRequestLine(GossEvent& event) {
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
    setPhase(ClientPhase::Free);
}

void GossClient::processRequest() {
    // Only a POST gets here: every other method was settled on its head.
    GossEvent event = record(2, 4);
    event.Method = method_;
    event.Text = target_;
    event.HTTPVersion = httpVersion_;
    report(event);
    dispatchPost();
}

void GossClient::dispatchPost() {
    QString Method = method_;
    QString URI = target_;
    // The body is the host's from here: a host that is done with a big one can let it go at once.
    QByteArray Params = std::move(requestBody_);
    requestBody_ = QByteArray();
    std::int16_t RespStatus = 0;
    QString RespStatusText, RespMIME, RespExtraHeaders;
    responseBody_ = QByteArray();
    std::int16_t ClientIndex = index_;
    if (!guarded([&] {
            server_.RaiseDynamicRequest(Method, URI, Params, headers_, RespStatus, RespStatusText, RespMIME,
                                        RespExtraHeaders, responseBody_, ClientIndex);
        }))
        return;
    if (closeRequested_ || !inUse_) {
        responseBody_ = QByteArray();
        return; // the peer has gone or the server is stopping: no reply
    }
    if (RespStatus == 0) {
        closeAfter_ = true;
        sendError(501);
        return;
    }
    if (refuses(RespStatus))
        closeAfter_ = true;
    sendDynamicResponse(RespStatus, RespStatusText, RespMIME, RespExtraHeaders);
}

void GossClient::sendHeldReply() {
    if (!heldReply_)
        return;
    HeadReply reply = std::move(*heldReply_);
    heldReply_.reset();
    if (!inUse_ || closeRequested_)
        return;
    responseBody_ = std::move(reply.Body);
    sendDynamicResponse(reply.Status, reply.StatusText, reply.MIME, reply.ExtraHeaders);
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
    appendHead(server_.XPBHeader() + kCrLf);
    if (closeAfter_)
        appendHead(QStringLiteral("Connection:close\r\n"));
    appendHead(kCrLf);
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
    // The client is told when the connection ends after this reply (and hears its own "close" back).
    if (closeAfter_ && !extraHeaders.contains(QLatin1String("Connection:"), Qt::CaseInsensitive))
        appendHead(QStringLiteral("Connection:close\r\n"));
    if (!extraHeaders.isEmpty())
        appendHead(extraHeaders.endsWith(kCrLf) ? extraHeaders : extraHeaders + kCrLf);
    appendHead(kCrLf);
    sendBytes(cp1252::encode(takeHead()), pendingBodyLength_ > 0); // the body follows on completion
}

bool GossClient::sendBytes(const QByteArray& bytes, bool moreFollows) {
    try {
        // Taken whole, the send is complete now: the pump goes on at once (the body after its head,
        // the next request) without a turn of the loop.
        if (!socket_->SendData(bytes, moreFollows))
            ++sendsInFlight_;
    } catch (const RuntimeError&) {
        return false; // the connection has gone; its close or error event ends it
    }
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
    // Last: the server may give the handler its next connection from here.
    setPhase(ClientPhase::Free);
}

void GossClient::resetRequestData() {
    // Nothing of this connection may reach the next one on this handler.
    responseBody_ = QByteArray();
    pendingBodyLength_ = 0;
    headers_.Clear();
    requestBody_ = QByteArray();
    contentLength_ = 0;
    headBytes_ = 0;
    scanned_ = 0;
    releaseBody();
    lingerDrained_ = 0;
    peerAskedClose_ = requestReadWhole_ = false;
    replyDelay_.stop();
    heldReply_.reset();
    sendsInFlight_ = 0;
    hostCall_ = HostCall::None;
    server_.ForgetHostTurn(*this);
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
