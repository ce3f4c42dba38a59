#pragma once
// GossClient: one connection handler of the HTTP server. The server's pool owns it; it serves one
// accepted connection at a time and is reused for later ones. It never opens connections and
// raises nothing itself: it reports to its server (RaiseDynamicRequest, RaiseLogEvent).
//
// Request, as read (bytes in Windows-1252; empty lines before the request line are skipped):
//
//   METHOD SP target SP version CR LF        method upper-cased; version upper-cased and echoed
//   Name: value CR LF  (zero or more)        name trimmed at its end, value at its start
//   CR LF
//   body                                     Content-Length bytes, when that header is present
//
// Limits: request line plus header block at most MaxHeadBytes, body at most MaxBodyBytes; a
// Content-Length that is not a whole decimal number within both is a bad request. A bad request is
// logged and ends the connection; nothing more is read from it.
//
// Response head, as written (Windows-1252, CR LF after every line, no blank after the colons):
//
//   <version> <status line>                  status line: "403 Accès Interdit (Vellumo Server)" or
//   Date:<HTTP date>                          the host's "<status> <reason text>"
//   Last-Modified:<HTTP date>                 host response only, unless its extra lines have one
//   Content-Type:<type>                       "text/html" on error pages; the host's when not empty
//   Content-Length:<n>                        error page: length of its status text + 35
//   Accept-Ranges:none
//   Server:Vellumo/2.0
//   X-Powered-By:Brantwick/2.0, Linux
//   <extra lines of the host>
//   (empty line)
//   <html><body><h1>status text</h1></body></html>   error pages; a HEAD gets the head alone
//
// The host's body goes out with the send after the head's completion. One request is answered at a
// time: bytes of a following (pipelined) request wait in the buffer until the reply before it is
// out, and are then parsed without waiting for more.
//
// Time-outs (the server's settings): a connection is cut when it stalls, never while it keeps sending.
//   waiting for                       timer                 started
//   the first byte of a request       KeepAliveTimeout      at the accept, and once a reply is out
//   the rest of the request's head    HeadTimeout           at the first byte of the request (once)
//   the next bytes of the body        BodyTimeout           at the end of the head, and at each arrival
// No timer runs while a request is processed.
//
// Invariants: InUse from Accept to the close path; while the request is being processed (and the
// host's handler runs) the connection is neither closed nor reused, whatever the host lets run;
// every path that ends a connection leaves no request or response data behind for the next one.

#include "http_server/basic_buffer.h"
#include "http_server/header_collection.h"
#include "platform/net/stream_socket.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace vellumo {

class Gossamer;
struct GossEvent;

class GossClient {
public:
    static constexpr std::int32_t MaxHeadBytes = 64 * 1024;
    static constexpr std::int32_t MaxBodyBytes = 32 * 1024 * 1024;

    GossClient(Gossamer& server, std::unique_ptr<StreamSocket> socket);
    ~GossClient();
    GossClient(const GossClient&) = delete;
    GossClient& operator=(const GossClient&) = delete;

    bool InUse() const { return inUse_; }
    void Accept(std::int32_t requestID);
    void Init(std::int16_t IndexValue) { index_ = IndexValue; }
    void Shutdown();

    std::int16_t Index() const { return index_; }
    std::int32_t ReqState() const { return reqState_; }
    StreamSocket& Socket() { return *socket_; }
    // The status text of the error page for a status ("403 Accès Interdit (Vellumo Server)").
    static QString ErrorStatusText(std::int16_t status);

private:
    // ReqState values.
    static constexpr std::int32_t ReadingRequestLine = 0, ReadingBody = 1, ReadingHeaders = 2, Complete = 3;

    void Socket_DataArrival();
    void Socket_SendComplete();
    void Socket_Close();
    void Socket_Error(std::int32_t Number, const QString& Description);

    // Runs whatever can run now: the body after its head, the close asked for, the next request.
    void pump();
    // Parses from the buffer; true when a request was processed or the connection ended.
    bool parseNext();
    bool parseHeaderBlock(const QString& block);
    void processRequest();
    void dispatchPost(GossEvent& record, const QString& method, const QString& target);
    void badRequest(const QString& text);
    void failed(std::int32_t number, const QString& description);

    void sendError(std::int16_t status, bool headOnly = false);
    // Reports the response (event 2, 6) and starts its head: the status line and Date. Returns the date.
    QString beginResponse(const QString& statusLine);
    void sendErrorPage(const QString& statusText, bool headOnly);
    void sendDynamicResponse(std::int32_t status, const QString& statusText, const QString& mime,
                             const QString& extraHeaders);
    bool sendBytes(const QByteArray& bytes, bool moreFollows = false);

    // Ends the connection now, or once the request being processed is done.
    void requestClose();
    enum class Waiting { Nothing, NextRequest, Head, Body };
    // Starts the time-out of what the connection now waits for (Nothing stops it).
    void waitFor(Waiting what);
    void closePath();
    void resetRequestData();

    GossEvent record(std::int32_t type, std::int32_t subType) const;
    void report(GossEvent& event);

    void appendHead(const QString& piece);
    QString takeHead();

    Gossamer& server_;
    std::unique_ptr<StreamSocket> socket_;
    QTimer idleTimer_;
    Waiting waiting_ = Waiting::Nothing;

    bool closeAfter_ = false;
    bool inUse_ = false;
    QByteArray responseBody_;
    std::int32_t pendingBodyLength_ = 0;
    HeaderCollection headers_;
    std::int16_t index_ = 0;
    std::int32_t contentLength_ = 0;
    std::int32_t reqState_ = ReadingRequestLine;
    BasicBuffer buffer_;
    QByteArray requestBody_;
    QString httpVersion_;
    QString requestLine_;
    QString head_;
    std::int32_t headLength_ = 0;

    // Bytes of the request line and its CR LF, counted against MaxHeadBytes with the header block.
    std::int32_t requestLineBytes_ = 0;
    // Where the next search for a line end may start: bytes before it were searched already.
    std::int32_t scanFrom_ = 0;
    int sendsInFlight_ = 0;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace vellumo
