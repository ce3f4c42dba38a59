#include "http_server/gossamer.h"

#include "http_server/goss_client.h"
#include "platform/net/socket_errors.h"
#include "platform/net/tcp_socket.h"
#include "platform/runtime/hex_digit.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocale>

#include <algorithm>
#include <exception>
#include <iterator>
#include <tuple>

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("Gossamer");

[[noreturn]] void fail(std::int32_t offset, const char* description) {
    throw RuntimeError(err::object(offset), kSource, QString::fromLatin1(description));
}

} // namespace

Gossamer::Gossamer(StreamSocketFactory socketFactory)
    : socketFactory_(socketFactory ? std::move(socketFactory) : StreamSocketFactory(&TcpSocket::create)) {
    const QString version = QStringLiteral("%1.%2").arg(MajorVersion).arg(MinorVersion);
    serverHeader_ = QStringLiteral("Server:") + QLatin1String(ProductName) + u'/' + version;
    xpbHeader_ =
        QStringLiteral("X-Powered-By:Brantwick/") + version + QStringLiteral(", ") + QLatin1String(PlatformTag);
    wskRequest_ = socketFactory_();
    StreamSocket::Events events;
    events.ConnectionRequest = [this](std::int32_t requestID) { wskRequest_ConnectionRequest(requestID); };
    events.Error = [this](std::int32_t number, const QString& description) { wskRequest_Error(number, description); };
    wskRequest_->setEvents(std::move(events));
    addClient().Init(0);
    relistenTimer_.setSingleShot(true);
    QObject::connect(&relistenTimer_, &QTimer::timeout, &relistenTimer_, [this] { relisten(); });
    admitTimer_.setSingleShot(true);
    QObject::connect(&admitTimer_, &QTimer::timeout, &admitTimer_, [this] { admitWaiting(); });
    serveWaitingTimer_.setSingleShot(true);
    serveWaitingTimer_.setInterval(0);
    QObject::connect(&serveWaitingTimer_, &QTimer::timeout, &serveWaitingTimer_, [this] { serveWaiting(); });
}

Gossamer::~Gossamer() {
    relistenTimer_.stop();
    admitTimer_.stop();
    rejectWaiting();
    wskRequest_->setEvents({});
    wskRequest_->Close();
}

std::int64_t Gossamer::Now() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

void Gossamer::setEvictionGrace(int milliseconds, int bodyMilliseconds) {
    evictionGraceMs_ = qMax(0, milliseconds);
    bodyEvictionGraceMs_ = qMax(0, bodyMilliseconds);
}

void Gossamer::setIdleTimeout(int milliseconds) {
    headTimeoutMs_ = milliseconds;
    bodyTimeoutMs_ = milliseconds;
    keepAliveTimeoutMs_ = milliseconds;
}

GossClient& Gossamer::addClient() {
    clients_.push_back(std::make_unique<GossClient>(*this, socketFactory_()));
    return *clients_.back();
}

// ---- properties ----

QString Gossamer::hostname() const {
    return wskRequest_->LocalHostName();
}

QString Gossamer::IP() const {
    return wskRequest_->LocalIP();
}

void Gossamer::setMaxConnections(std::int32_t Max) {
    if (Max < 1 || Max > 1000)
        fail(0xA702, "MaxConnections must be 1 to 1000");
    maxConnections_ = static_cast<std::int16_t>(Max);
}

std::int16_t Gossamer::State() const {
    return static_cast<std::int16_t>(wskRequest_->State());
}

void Gossamer::setVDir(const QString& Directory) {
    if (State() == sck::Listening)
        fail(0xA704, "Can't change VDir while listening");
    vDir_ = Directory;
    vDirPath_ = Directory.isEmpty() ? QDir::currentPath() : ResolvePath(Directory);
}

std::int32_t Gossamer::LocalPort() const {
    return wskRequest_->State() == sck::Listening ? wskRequest_->LocalPort() : 0;
}

void Gossamer::ReadProperties(const PropertyBag& bag) {
    DefaultPage = bag.value(QStringLiteral("DefaultPage"), QStringLiteral("index.htm")).toString();
    setMaxConnections(bag.value(QStringLiteral("MaxConnections"), 32).toInt());
    Port = bag.value(QStringLiteral("Port"), 8080).toInt();
    setVDir(bag.value(QStringLiteral("VDir"), QString()).toString());
}

Gossamer::PropertyBag Gossamer::WriteProperties() const {
    PropertyBag bag;
    if (DefaultPage != QLatin1String("index.htm"))
        bag.insert(QStringLiteral("DefaultPage"), DefaultPage);
    if (maxConnections_ != 32)
        bag.insert(QStringLiteral("MaxConnections"), int{maxConnections_});
    if (Port != 8080)
        bag.insert(QStringLiteral("Port"), Port);
    if (!vDir_.isEmpty())
        bag.insert(QStringLiteral("VDir"), vDir_);
    return bag;
}

// ---- helpers for the host and the handlers ----

QString Gossamer::EntityEncode(const QString& Text) {
    QString text = Text;
    text.replace(u'&', QStringLiteral("&amp;"));
    text.replace(u'"', QStringLiteral("&quot;"));
    text.replace(u'<', QStringLiteral("&lt;"));
    text.replace(u'>', QStringLiteral("&gt;"));
    return text;
}

QString Gossamer::ExtensionToMIME(const QString& Extension) {
    const QString e = Extension.toUpper();
    if (e == u"CSS")
        return QStringLiteral("text/css");
    if (e == u"GIF")
        return QStringLiteral("image/gif");
    if (e == u"HTM" || e == u"HTML")
        return QStringLiteral("text/html");
    if (e == u"ICO")
        return QStringLiteral("image/vnd.microsoft.icon");
    if (e == u"JPG" || e == u"JPEG")
        return QStringLiteral("image/jpeg");
    if (e == u"JS" || e == u"JSE")
        return QStringLiteral("application/javascript");
    if (e == u"PNG")
        return QStringLiteral("image/png");
    if (e == u"RTF")
        return QStringLiteral("application/rtf");
    if (e == u"TIF" || e == u"TIFF")
        return QStringLiteral("image/tiff");
    if (e == u"TXT")
        return QStringLiteral("text/plain");
    if (e == u"VBS" || e == u"VBE")
        return QStringLiteral("application/vbscript");
    if (e == u"XML" || e == u"XSD")
        return QStringLiteral("text/xml");
    if (e == u"ZIP")
        return QStringLiteral("application/zip");
    return QStringLiteral("application/octet-stream");
}

std::int16_t Gossamer::GetFreeFile() const {
    // The program holds no numbered files (the static-file road is not built), so the first number
    // of the ordinary range is always free.
    return 1;
}

void Gossamer::RaiseDynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                                   std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                                   QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex) {
    if (host_)
        host_->DynamicRequest(Method, URI, Params, ReqHeaders, RespStatus, RespStatusText, RespMIME, RespExtraHeaders,
                              RespBody, ClientIndex);
}

void Gossamer::RaiseHeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                                 const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) {
    if (host_)
        host_->HeadComplete(Method, URI, ReqHeaders, RemoteIP, Reply, ClientIndex);
}

void Gossamer::RaiseLogEvent(GossEvent& Event, std::int16_t ClientIndex) {
    if (!host_)
        return;
    try {
        host_->LogEvent(Event, ClientIndex);
    } catch (const std::exception&) {
        // A failing log listener must not stop the server.
    }
}

QString Gossamer::ResolvePath(const QString& RelativePath) {
    if (RelativePath.isEmpty())
        return QString();
    QString full = QDir::cleanPath(QDir::current().absoluteFilePath(RelativePath));
    if (RelativePath.endsWith(u'/') && !full.endsWith(u'/'))
        full += u'/';
    return full;
}

void Gossamer::SetServerHeader(const QString& HeaderValue) {
    if (State() != sck::Closed)
        fail(0xA70A, "Must be stopped to SetServerHeader");
    serverHeader_ = QStringLiteral("Server:") + HeaderValue;
}

void Gossamer::StartListening(std::int32_t Port, const QString& AdapterIP) {
    if (Port > -1)
        this->Port = Port;
    logStarted(AdapterIP);
    if (wskRequest_->State() == sck::Listening)
        fail(0xA700, "Already listening");
    adapterIP_ = AdapterIP;
    relistenTimer_.stop();
    listenRetryMs_ = 0;
    // A failed bind or listen is not the caller's error: ConnectedToPort is its trace, and the server
    // goes on trying by itself, so that a port freed later is taken then.
    if (!bindAndListen())
        scheduleRelisten();
}

void Gossamer::logStarted(const QString& adapterIP) {
    GossEvent event;
    event.EventType = 3;
    event.EventSubType = 0;
    event.IP = adapterIP;
    event.Port = this->Port;
    event.Text = QStringLiteral("Vellumo started");
    RaiseLogEvent(event, -1);
}

bool Gossamer::bindAndListen() {
    try {
        wskRequest_->Bind(this->Port, adapterIP_);
        ConnectedToPort = true;
        BindError = 0;
    } catch (const RuntimeError& e) {
        ConnectedToPort = false;
        BindError = e.number();
        return false;
    }
    try {
        wskRequest_->Listen();
    } catch (const RuntimeError&) {
        wskRequest_->Close();
        return false;
    }
    updateAccepting();
    return true;
}

void Gossamer::scheduleRelisten() {
    listenRetryMs_ = listenRetryMs_ > 0 ? qMin(listenRetryMs_ * 2, MaxListenRetryMs) : qMax(1, listenRetryFirstMs_);
    relistenTimer_.start(listenRetryMs_);
}

void Gossamer::relisten() {
    if (wskRequest_->State() == sck::Listening)
        return;
    wskRequest_->Close();
    if (!bindAndListen()) {
        scheduleRelisten();
        return;
    }
    listenRetryMs_ = 0;
    logStarted(adapterIP_);
    if (host_) {
        try {
            host_->ListenerRestored();
        } catch (const std::exception&) {
        }
    }
}

void Gossamer::StopListening() {
    // Stopping also ends the attempts to listen again after a failure.
    relistenTimer_.stop();
    listenRetryMs_ = 0;
    if (wskRequest_->State() == sck::Closed)
        fail(0xA708, "Already stopped");
    rejectWaiting();
    wskRequest_->Close();
    accepting_ = false;
    for (std::size_t i = 0; i < clients_.size(); ++i) {
        if (clients_[i]->InUse())
            clients_[i]->Shutdown();
    }
    GossEvent event;
    event.EventType = 3;
    event.EventSubType = 1;
    event.Text = QStringLiteral("The Vellumo server service has stopped.");
    RaiseLogEvent(event, -1);
}

QString Gossamer::URLDecode(const QString& URLEncoded) {
    QString text = URLEncoded;
    text.replace(u'+', u' ');
    const QStringList pieces = text.split(u'%');
    QString decoded = pieces.at(0);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString& piece = pieces.at(i);
        const qsizetype digits = qMin<qsizetype>(2, piece.size());
        if (digits == 0)
            raiseStandard(err::TypeMismatch, kSource);
        int value = 0;
        for (qsizetype d = 0; d < digits; ++d) {
            const int v = hexDigitValue(piece.at(d).unicode());
            if (v < 0)
                raiseStandard(err::TypeMismatch, kSource);
            value = value * 16 + v;
        }
        decoded += QChar(cp1252::decodeByte(static_cast<unsigned char>(value)));
        decoded += piece.mid(2);
    }
    return decoded;
}

QDateTime Gossamer::UTCDateTime(const QDateTime& DateTime) {
    // UTC is local time plus the zone's bias as it stands now (daylight time included when it is in
    // effect now), whatever the date converted.
    const int offsetSeconds = QDateTime::currentDateTime().offsetFromUtc();
    return QDateTime(DateTime.date(), DateTime.time(), Qt::UTC).addSecs(-offsetSeconds);
}

QDateTime Gossamer::UTCParseString(const QString& UTCString) {
    const QString part = UTCString.mid(5, 20).trimmed();
    const QLocale c = QLocale::c();
    for (const char* format : {"d MMM yyyy H:m:s", "d MMM yyyy H:m"}) {
        QDateTime parsed = c.toDateTime(part, QLatin1String(format));
        if (parsed.isValid()) {
            parsed.setTimeSpec(Qt::UTC);
            return parsed;
        }
    }
    return UTCDateTime(QDateTime::currentDateTime());
}

QString Gossamer::UTCString(const QDateTime& DateTime) {
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime utc = UTCDateTime(DateTime);
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QString::asprintf("%s, %02d %s %04d %02d:%02d:%02d GMT", days[d.dayOfWeek() - 1], d.day(),
                             months[d.month() - 1], d.year(), t.hour(), t.minute(), t.second());
}

QString Gossamer::UTCStringNow() {
    static qint64 cachedSecond = -1;
    static QString cached;
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != cachedSecond) {
        cached = UTCString(GossEvent::Now());
        cachedSecond = second;
    }
    return cached;
}

// ---- the listening socket and the pool ----

bool Gossamer::Accepting() const {
    return wskRequest_->State() == sck::Listening && serving_ < maxConnections_ && waiting_.empty();
}

void Gossamer::updateAccepting() {
    // Callers are taken while there is room to keep them waiting; past that they wait in the
    // backlog, and nothing runs for them until a waiting caller has been served.
    accepting_ = wskRequest_->State() == sck::Listening && static_cast<int>(waiting_.size()) < MaxWaitingConnections;
    wskRequest_->SetAccepting(accepting_);
}

GossClient& Gossamer::freeClient() {
    for (auto& candidate : clients_) {
        if (!candidate->InUse())
            return *candidate;
    }
    const std::size_t i = clients_.size();
    GossClient& client = addClient();
    client.Init(static_cast<std::int16_t>(i));
    return client;
}

bool Gossamer::TakeHostTurn(GossClient& client) {
    if (inHost_ == nullptr && (hostQueue_.empty() || hostQueue_.front() == &client)) {
        if (!hostQueue_.empty())
            hostQueue_.pop_front();
        inHost_ = &client;
        return true;
    }
    if (inHost_ != &client && std::find(hostQueue_.begin(), hostQueue_.end(), &client) == hostQueue_.end())
        hostQueue_.push_back(&client);
    return false;
}

void Gossamer::ReleaseHostTurn(GossClient& client) {
    if (inHost_ == &client)
        inHost_ = nullptr;
    // Not at once: the handler that called sends its reply first, when this returns.
    if (!hostQueue_.empty() && !serveWaitingTimer_.isActive())
        serveWaitingTimer_.start();
}

void Gossamer::ForgetHostTurn(GossClient& client) {
    hostQueue_.erase(std::remove(hostQueue_.begin(), hostQueue_.end(), &client), hostQueue_.end());
}

void Gossamer::serveWaiting() {
    while (inHost_ == nullptr && !hostQueue_.empty()) {
        GossClient* next = hostQueue_.front();
        next->ResumeHostCall();
        // One that did not take its turn (its pump already runs further up, and will ask again) does
        // not hold up the others.
        if (!hostQueue_.empty() && hostQueue_.front() == next && inHost_ != next)
            hostQueue_.pop_front();
    }
}

void Gossamer::serve(std::int32_t requestID, const QString& address) {
    GossClient& client = freeClient();
    try {
        client.Accept(requestID, address);
    } catch (const RuntimeError&) {
        wskRequest_->Reject(requestID); // one kept waiting is closed; one reported now, by the listener
        return;
    }
    GossEvent event;
    event.EventType = 5;
    event.EventSubType = 0;
    event.Method = QStringLiteral("CONNECT");
    event.IP = address;
    event.Port = wskRequest_->LocalPort();
    noteServed(address);
    RaiseLogEvent(event, client.Index());
}

void Gossamer::ClientPhaseChanged(GossClient& client, ClientPhase from, ClientPhase to) {
    const auto count = [&](ClientPhase phase, int delta) {
        switch (phase) {
        case ClientPhase::Serving:
            serving_ += delta;
            shareChanged(client.Address(), delta, 0);
            break;
        case ClientPhase::Lingering:
            lingering_ += delta;
            break;
        case ClientPhase::Delaying:
            delaying_ += delta;
            break;
        case ClientPhase::Free:
            break;
        }
    };
    count(from, -1);
    count(to, 1);
    // A slot has come free: the waiting callers are looked at from the event loop, never inside the
    // handler's own work.
    if (from == ClientPhase::Serving && !waiting_.empty())
        admitTimer_.start(0);
}

void Gossamer::wskRequest_ConnectionRequest(std::int32_t requestID) {
    const QString address = wskRequest_->RemoteHostIP();
    if (waiting_.empty() && serving_ < maxConnections_) {
        serve(requestID, address);
        return;
    }
    // Every handler serves (or others wait before it): the caller waits, accepted and unread.
    if (static_cast<int>(waiting_.size()) >= MaxWaitingConnections || !wskRequest_->Defer(requestID)) {
        updateAccepting();
        return; // not taken (the listener was to stop accepting first): the socket layer closes it
    }
    waiting_.push_back(WaitingCaller{requestID, address, Now()});
    shareChanged(address, 0, 1);
    admitWaiting();
}

int Gossamer::slotsOf(const QString& address) const {
    const auto share = shares_.constFind(address);
    return share == shares_.cend() ? 0 : share->serving;
}

void Gossamer::shareChanged(const QString& address, int serving, int waiting) {
    const auto share = shares_.find(address);
    if (share == shares_.end()) {
        if (serving > 0 || waiting > 0)
            shares_.insert(address, AddressShare{qMax(0, serving), qMax(0, waiting)});
        return;
    }
    share->serving += serving;
    share->waiting += waiting;
    if (share->serving <= 0 && share->waiting <= 0)
        shares_.erase(share);
}

std::int64_t Gossamer::lastServedOf(const QString& address) const {
    const auto at = servedAt_.constFind(address);
    return at == servedAt_.cend() ? INT64_MIN : at.value()->second;
}

void Gossamer::noteServed(const QString& address) {
    const auto at = servedAt_.find(address);
    if (at != servedAt_.end()) {
        servedOrder_.splice(servedOrder_.end(), servedOrder_, at.value());
        at.value()->second = Now();
        return;
    }
    if (static_cast<int>(servedOrder_.size()) >= MaxServedAddresses) {
        servedAt_.remove(servedOrder_.front().first);
        servedOrder_.pop_front();
    }
    servedOrder_.emplace_back(address, Now());
    servedAt_.insert(address, std::prev(servedOrder_.end()));
}

GossClient* Gossamer::victimFor(const QString& address, std::int64_t now) const {
    const int callerSlots = slotsOf(address);
    GossClient* victim = nullptr;
    std::tuple<int, int, std::int64_t> victimKey;
    for (const auto& candidate : clients_) {
        if (candidate->Phase() != ClientPhase::Serving)
            continue;
        const GossClient::Progress progress = candidate->progress();
        if (progress == GossClient::Progress::Busy)
            continue;
        const bool body = progress == GossClient::Progress::AuthorisedBody;
        if (now - candidate->StalledSince() < (body ? bodyEvictionGraceMs_ : evictionGraceMs_))
            continue;
        // The address with the most slots loses one, never one with fewer than the caller's; an
        // address never loses a body to a caller of its own.
        const bool own = candidate->Address() == address;
        const int held = slotsOf(candidate->Address());
        if (body ? (own || held <= callerSlots) : (!own && held <= callerSlots))
            continue;
        // Least progress first: no body before a body, the address with most slots, the longest quiet.
        const std::tuple<int, int, std::int64_t> key{body ? 1 : 0, -held, candidate->StalledSince()};
        if (!victim || key < victimKey) {
            victim = candidate.get();
            victimKey = key;
        }
    }
    return victim;
}

void Gossamer::admitWaiting() {
    if (admitting_) {
        admitAgain_ = true;
        return;
    }
    admitting_ = true;
    std::int64_t now = Now();
    if (keepAliveTimeoutMs_ > 0) {
        // A caller never served within the keep-alive time-out goes, as an idle connection would.
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            if (now - it->since >= keepAliveTimeoutMs_) {
                wskRequest_->Reject(it->requestID);
                shareChanged(it->address, 0, -1);
                it = waiting_.erase(it);
            } else {
                ++it;
            }
        }
    }
    do {
        admitAgain_ = false;
        while (!waiting_.empty()) {
            // The next caller: its address holds fewest serving handlers, was served least recently,
            // and it has waited longest (the room is in the order of arrival).
            auto next = waiting_.end();
            std::pair<int, std::int64_t> nextKey;
            for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
                const std::pair<int, std::int64_t> key{slotsOf(it->address), lastServedOf(it->address)};
                if (next == waiting_.end() || key < nextKey) {
                    next = it;
                    nextKey = key;
                }
            }
            if (serving_ >= maxConnections_) {
                GossClient* victim = victimFor(next->address, now);
                if (!victim)
                    break;
                victim->Evict();
                if (serving_ >= maxConnections_)
                    break;
            }
            const WaitingCaller caller = *next;
            waiting_.erase(next);
            shareChanged(caller.address, 0, -1);
            serve(caller.requestID, caller.address);
            now = Now();
        }
    } while (admitAgain_);
    admitting_ = false;
    updateAccepting();
    // Look again once a connection may have shown no progress long enough.
    if (!waiting_.empty())
        admitTimer_.start(qBound(10, qMin(evictionGraceMs_, bodyEvictionGraceMs_) / 4, 100));
}

void Gossamer::rejectWaiting() {
    for (const WaitingCaller& caller : waiting_) {
        wskRequest_->Reject(caller.requestID);
        shareChanged(caller.address, 0, -1);
    }
    waiting_.clear();
}

bool Gossamer::ReserveBody(GossClient& client, std::int64_t bytes) {
    if (bodyWaiters_.empty() && (bodyBytes_ == 0 || bodyBytes_ + bytes <= bodyBudget_)) {
        bodyBytes_ += bytes;
        return true;
    }
    bodyWaiters_.push_back(&client);
    return false;
}

void Gossamer::ReleaseBody(GossClient& client, std::int64_t reserved) {
    if (reserved > 0)
        bodyBytes_ -= reserved;
    else
        bodyWaiters_.erase(std::remove(bodyWaiters_.begin(), bodyWaiters_.end(), &client), bodyWaiters_.end());
    // The bodies that wait are read in turn as they fit.
    while (!bodyWaiters_.empty()) {
        GossClient* next = bodyWaiters_.front();
        const std::int64_t wanted = next->BodyWanted();
        if (bodyBytes_ > 0 && bodyBytes_ + wanted > bodyBudget_)
            break;
        bodyWaiters_.pop_front();
        bodyBytes_ += wanted;
        next->BodyBudgetGranted(wanted);
    }
}

void Gossamer::wskRequest_Error(std::int32_t Number, const QString& Description) {
    GossEvent event;
    event.EventType = 4;
    event.EventSubType = Number;
    event.IP = wskRequest_->RemoteHostIP();
    event.Port = wskRequest_->LocalPort();
    event.Text = Description;
    // Would block, or out of descriptors or memory for the moment: the listener is sound (the socket
    // layer pauses and tries again by itself); nothing is closed.
    const bool transient =
        Number == sockerr::WouldBlock || Number == sockerr::TooManySockets || Number == sockerr::NoBufferSpace;
    if (transient) {
        RaiseLogEvent(event, -1);
        return;
    }
    // The listening socket itself has failed: close it, tell the host, and listen again with growing
    // waits until it works.
    wskRequest_->Close();
    accepting_ = false;
    event.EventType = 1;
    RaiseLogEvent(event, -1);
    if (host_) {
        try {
            host_->ListenerFailed(Number, Description);
        } catch (const std::exception&) {
            // A failing report must not stop the server from listening again.
        }
    }
    relistenTimer_.stop();
    listenRetryMs_ = 0;
    scheduleRelisten();
}

} // namespace vellumo
