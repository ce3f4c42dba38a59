#include "platform/lan/curl_ftp_client.h"

#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"

#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace vellumo {

// Where a transfer's bytes go: memory (a remote text) or a file (a download), up to a limit.
struct CurlFtpClient::Sink {
    QByteArray* memory = nullptr;
    QIODevice* file = nullptr;
    qint64 limit = 0;
    qint64 received = 0;
    bool overLimit = false;

    std::size_t write(const char* data, std::size_t length) {
        const qint64 room = limit - received;
        if (static_cast<qint64>(length) > room) {
            overLimit = true;
            if (memory)
                memory->append(data, room);
            received = limit;
            return 0; // aborts the transfer
        }
        received += static_cast<qint64>(length);
        if (memory) {
            memory->append(data, static_cast<qsizetype>(length));
            return length;
        }
        return file->write(data, static_cast<qint64>(length)) == static_cast<qint64>(length) ? length : 0;
    }
};

namespace {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Turns the busy flag off on every way out of an operation.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

} // namespace

std::size_t CurlFtpClient::writeToSink(char* data, std::size_t size, std::size_t count, void* sink) {
    return static_cast<Sink*>(sink)->write(data, size * count);
}

CurlFtpClient::CurlFtpClient() {
    initialiseCurl();
}

CurlFtpClient::~CurlFtpClient() {
    closeHandles();
}

QByteArray CurlFtpClient::url(const QStringList& folder, const QString& name) const {
    if (hostName_.isEmpty() || port_ < 1 || port_ > 65535)
        return {};
    QUrl host;
    host.setHost(hostName_, QUrl::StrictMode);
    if (!host.isValid() || host.host().isEmpty())
        return {};
    QByteArray encodedHost = host.host(QUrl::FullyEncoded).toLatin1();
    if (encodedHost.contains(':'))
        encodedHost = '[' + encodedHost + ']';
    QByteArray u = "ftp://" + encodedHost + ':' + QByteArray::number(port_) + '/';
    // One "/" after the host: paths stay relative to the login folder.
    for (const QString& part : folder)
        u += QUrl::toPercentEncoding(part) + '/';
    if (!name.isEmpty())
        u += QUrl::toPercentEncoding(name);
    return u;
}

bool CurlFtpClient::perform(const QByteArray& url, Sink* sink) {
    if (url.isEmpty())
        return false;
    if (!multi_)
        multi_ = curl_multi_init();
    if (!easy_)
        easy_ = curl_easy_init();
    if (!multi_ || !easy_)
        return false;
    CURLM* multi = static_cast<CURLM*>(multi_);
    CURL* easy = static_cast<CURL*>(easy_);

    // A reset keeps the open connection (it lives in the multi handle's cache).
    curl_easy_reset(easy);
    const QByteArray user = cp1252::encode(userName_);
    const QByteArray password = cp1252::encode(password_);
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, ConnectTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, ReplyTimeoutS);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, StallTimeS);
    curl_easy_setopt(easy, CURLOPT_FTP_SKIP_PASV_IP, 1L);
    if (!passive_)
        curl_easy_setopt(easy, CURLOPT_FTPPORT, "-");
    if (sink) {
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &writeToSink);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, sink);
    } else {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    }

    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return false;
    CURLcode result = CURLE_FAILED_INIT;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        bool done = false;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        curl_multi_poll(multi, nullptr, 0, 50, nullptr);
        ui().doEvents();
    }
    curl_multi_remove_handle(multi, easy);
    return result == CURLE_OK || (sink && sink->overLimit && sink->memory && result == CURLE_WRITE_ERROR);
}

bool CurlFtpClient::connectToServer() {
    if (busy_)
        return false;
    closeHandles();
    BusyScope busy(busy_);
    connected_ = perform(url({}, QString()), nullptr);
    if (!connected_)
        closeHandles();
    return connected_;
}

bool CurlFtpClient::changeRemoteFolder(const QString& folder) {
    if (busy_ || !connected_)
        return false;
    BusyScope busy(busy_);
    QStringList target = folder_;
    target += folder.split(u'/', Qt::SkipEmptyParts);
    if (target == folder_)
        return false;
    if (!perform(url(target, QString()), nullptr))
        return false;
    folder_ = target;
    return true;
}

QString CurlFtpClient::readRemoteText(const QString& remoteName) {
    if (busy_ || !connected_ || remoteName.isEmpty())
        return {};
    BusyScope busy(busy_);
    QByteArray text;
    Sink sink;
    sink.memory = &text;
    sink.limit = MaxTextBytes;
    if (!perform(url(folder_, remoteName), &sink))
        return {};
    return cp1252::decode(text);
}

bool CurlFtpClient::download(const QString& remoteName, const QString& localPath) {
    if (busy_ || !connected_ || remoteName.isEmpty())
        return false;
    BusyScope busy(busy_);
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    Sink sink;
    sink.file = &file;
    sink.limit = MaxDownloadBytes;
    if (!perform(url(folder_, remoteName), &sink)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void CurlFtpClient::disconnectFromServer() {
    if (busy_)
        return;
    closeHandles();
}

void CurlFtpClient::closeHandles() {
    // Cleaning the multi handle closes its cached connection, which says QUIT.
    if (easy_)
        curl_easy_cleanup(static_cast<CURL*>(easy_));
    if (multi_)
        curl_multi_cleanup(static_cast<CURLM*>(multi_));
    easy_ = nullptr;
    multi_ = nullptr;
    connected_ = false;
    folder_.clear();
}

} // namespace vellumo
