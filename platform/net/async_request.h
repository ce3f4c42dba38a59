#pragma once
// AsyncRequest: one asynchronous HTTP/1.1 request at a time, for the senders that post a message to
// a peer. Its operations keep the order a sender calls them in: Abort, SetTimeouts, Open,
// SetRequestHeader, Send; then exactly one of two signals arrives through the event loop, never from
// inside Send: OnResponseFinished once a whole response is read (whatever its status), or OnError
// with a number and a description for every transport failure. Abort (or destroying the object)
// cancels the request in flight and raises nothing. The object may be reused with a new Open, and
// its holder may delete it from inside either signal.
//
// Owned by its holder (a sender window); one TCP connection per request, closed once it is done.
// It follows no redirect (a 3xx is a completion like any other status), never sends credentials
// (a 401 is a completion too), ignores any proxy setting, and takes no cookies.
//
// The request on the wire:
//
//   <method> <path[?query]> HTTP/1.1 CRLF
//   Host: <host>[:<port> unless 80] CRLF
//   <each header set with SetRequestHeader, in order> CRLF
//   Content-Length: <bytes of the body> CRLF
//   Connection: close CRLF
//   CRLF
//   <body as UTF-8>
//
// The request line and the headers are ANSI (Windows-1252) text; StatusText decodes the reason text
// of the response's status line the same way, byte for byte.
//
// Time-outs, each 10000 ms unless set: resolving the host name, connecting, sending (the longest wait
// for the kernel to take more of the request) and receiving (the longest wait for the next bytes of
// the response). 0 or -1 means no time-out.
//
// Error numbers of OnError:
//
//   12002  the operation timed out
//   12005  the URL is invalid
//   12006  the URL does not use a recognized protocol (only http is)
//   12007  the server name or address could not be resolved
//   12029  a connection with the server could not be established
//   12030  the connection with the server was terminated abnormally
//   12152  the server returned an invalid or unrecognized response

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>

class QTcpSocket;

namespace vellumo {

class HttpResponseReader;

class AsyncRequest : public QObject {
    Q_OBJECT

public:
    enum ErrorNumber {
        TimedOut = 12002,
        InvalidUrl = 12005,
        UnrecognizedScheme = 12006,
        NameNotResolved = 12007,
        CannotConnect = 12029,
        ConnectionAborted = 12030,
        InvalidServerResponse = 12152,
    };

    static constexpr int DefaultTimeoutMs = 10000;

    explicit AsyncRequest(QObject* parent = nullptr);
    ~AsyncRequest() override;

    // Cancels the request in flight, if any; no signal follows. The object goes back to unopened.
    void Abort();
    // Time-outs in milliseconds; 0 or -1 is none. Raises error 5 for any other negative value.
    void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
    // Prepares a request (cancelling one in flight). The URL is checked when Send runs, so that a bad
    // one arrives as OnError like every other failure. Raises error 5 for a method that is not an
    // HTTP token.
    void Open(const QString& method, const QString& url);
    // Adds a header line. Raises error 5 before Open, and for a name that is not a token or a value
    // holding CR, LF or NUL (no header can smuggle in another). Host, Content-Length and Connection
    // belong to the request itself and raise error 5 too.
    void SetRequestHeader(const QString& name, const QString& value);
    // Starts the request with the body carried as UTF-8 and returns at once. Raises error 5 when the
    // request is not open or already sent.
    void Send(const QString& body);

    // The response, once OnResponseFinished has come: status, reason text, body bytes.
    int Status() const { return status_; }
    const QString& StatusText() const { return statusText_; }
    const QByteArray& ResponseBody() const { return responseBody_; }

signals:
    void OnResponseFinished();
    void OnError(int number, const QString& description);

private:
    enum class Phase { Unopened, Opened, Resolving, Connecting, Sending, Receiving, Done };

    void onStateChanged(int socketState);
    void onConnected();
    void onBytesWritten(qint64 bytes);
    void onReadyRead();
    void onDisconnected();
    void onSocketError(int socketError);
    void onTimeout();

    void enterPhase(Phase phase);
    void readResponse(bool closed);
    // Ends the request in flight and posts the one signal it gets.
    void complete();
    void fail(int number, const QString& description);
    void teardown();

    int timeoutMs(Phase phase) const;

    int resolveMs_ = DefaultTimeoutMs;
    int connectMs_ = DefaultTimeoutMs;
    int sendMs_ = DefaultTimeoutMs;
    int receiveMs_ = DefaultTimeoutMs;

    Phase phase_ = Phase::Unopened;
    QByteArray method_;
    QString url_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QByteArray request_;
    qint64 unwritten_ = 0;
    QTcpSocket* socket_ = nullptr;
    std::unique_ptr<HttpResponseReader> reader_;
    QTimer timer_;
    // Counts the requests, so that a signal posted for one that was since aborted is dropped.
    quint64 generation_ = 0;

    int status_ = 0;
    QString statusText_;
    QByteArray responseBody_;
};

} // namespace vellumo
