#include "http_server/gossamer.h"

#include "http_server/goss_client.h"
#include "platform/net/socket_errors.h"
#include "platform/net/tcp_socket.h"
#include "platform/runtime/hex_digit.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QDir>
#include <QLocale>

#include <algorithm>
#include <exception>

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
    serveWaitingTimer_.setSingleShot(true);
    serveWaitingTimer_.setInterval(0);
    QObject::connect(&serveWaitingTimer_, &QTimer::timeout, &serveWaitingTimer_, [this] { serveWaiting(); });
}

Gossamer::~Gossamer() {
    relistenTimer_.stop();
    wskRequest_->setEvents({});
    wskRequest_->Close();
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

void Gossamer::setMaxConnectionsPerAddress(std::int32_t Max) {
    if (Max < 1 || Max > 1000)
        fail(0xA70C, "MaxConnectionsPerAddress must be 1 to 1000");
    maxPerAddress_ = static_cast<std::int16_t>(Max);
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

// ---- the listening socket ----

bool Gossamer::hasRoom() const {
    if (clients_.size() < static_cast<std::size_t>(maxConnections_))
        return true;
    for (const auto& client : clients_) {
        if (!client->InUse())
            return true;
    }
    return false;
}

void Gossamer::updateAccepting() {
    // With every handler busy the listener stops taking connections: they wait in the backlog, and
    // nothing runs until a handler frees.
    accepting_ = wskRequest_->State() == sck::Listening && hasRoom();
    wskRequest_->SetAccepting(accepting_);
}

void Gossamer::ClientReleased(GossClient& client) {
    const std::size_t index = static_cast<std::size_t>(client.Index());
    if (index < clientAddress_.size() && clientAddress_[index]) {
        const auto slot = slotsByAddress_.find(*clientAddress_[index]);
        if (slot != slotsByAddress_.end() && --slot.value() <= 0)
            slotsByAddress_.erase(slot);
        clientAddress_[index].reset();
    }
    updateAccepting();
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

void Gossamer::wskRequest_ConnectionRequest(std::int32_t requestID) {
    // One address may not take the pool: over its share, the connection is refused (the socket layer
    // closes what nobody accepted).
    const QString address = wskRequest_->RemoteHostIP();
    if (slotsByAddress_.value(address) >= maxPerAddress_)
        return;
    GossClient* client = nullptr;
    for (auto& candidate : clients_) {
        if (!candidate->InUse()) {
            client = candidate.get();
            break;
        }
    }
    if (!client) {
        const std::size_t i = clients_.size();
        if (i + 1 > static_cast<std::size_t>(maxConnections_)) {
            updateAccepting();
            return; // not taken (the listener was to stop accepting first): the socket layer closes it
        }
        client = &addClient();
        client->Init(static_cast<std::int16_t>(i));
    }
    try {
        client->Accept(requestID);
    } catch (const RuntimeError&) {
        return;
    }
    const std::size_t index = static_cast<std::size_t>(client->Index());
    if (clientAddress_.size() <= index)
        clientAddress_.resize(index + 1);
    clientAddress_[index] = address;
    ++slotsByAddress_[address];
    GossEvent event;
    event.EventType = 5;
    event.EventSubType = 0;
    event.Method = QStringLiteral("CONNECT");
    event.IP = wskRequest_->RemoteHostIP();
    event.Port = wskRequest_->LocalPort();
    RaiseLogEvent(event, client->Index());
    updateAccepting();
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
