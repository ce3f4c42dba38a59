#pragma once
// GossClient: one connection handler of the HTTP server. The server's pool owns it; it serves one
// accepted connection at a time and is reused for later ones. It never opens connections and
// raises nothing itself: it reports to its server (RaiseHeadComplete, RaiseDynamicRequest,
// RaiseLogEvent).
//
// Request, as read (bytes in Windows-1252; empty lines before the request line are skipped):
//
//   METHOD SP target SP version CR LF        method upper-cased; version upper-cased and echoed
//   Name: value CR LF  (zero or more)        name trimmed at its end, value at its start
//   CR LF
//   body                                     Content-Length bytes, when that header is present
//
// Limits: empty lines before the request, request line and header block at most MaxHeadBytes in
// all; body at most MaxBodyBytes. A Content-Length that is not a whole decimal number (a sign
// included) within both, or Content-Length lines that disagree, make a bad request. A bad request is
// logged and ends the connection; nothing more is read from it.
//
// What happens once the head is complete:
//   GET, HEAD         the 403 page at once, then the end; a body is not read
//   POST              the host's HeadComplete; if it answers, that reply (after its delay, out of
//                     the pool), then the end; else the body is read and DynamicRequest answers; a
//                     refusal (400, 401, 403, 404, or 501 for a status left at 0) ends the
//                     connection after its reply, any other reply keeps it open unless the request
//                     asked for "Connection: close"
//   any other method  logged, and the connection ends without a reply
//   bad request line  logged, and the socket is closed without a reply
// "The end" after a reply is a lingering close out of the pool (Gossamer): the reply says
// "Connection:close", the sending side is ended once it is out, and what the peer still sends is
// thrown away, for a short time and size at most, so that the peer reads its reply before the close.
// A peer that asked for "Connection: close" and whose request was read whole is closed at once.
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
//   Connection:close                          when the connection ends after this reply
//   <extra lines of the host>
//   (empty line)
//   <html><body><h1>status text</h1></body></html>   error pages; a HEAD gets the head alone
//
// The host's body goes out with the send after the head's completion: at once when the socket took
// the head whole (head and body then leave in one system call), else on the head's SendComplete. One request is
// answered at a time: bytes of a following (pipelined) request wait in the buffer until the reply before it is out, and
// are then parsed without waiting for more.
//
// The buffer is read through its Position: what lies before it is consumed. Nothing is cut from the
// front per request; the consumed part is dropped when it is all there is, or when it is at least
// half the buffer (and 64 KiB), so the bytes moved are never more than the bytes consumed and the
// cost stays linear in what arrives. After a request the buffer gives its memory back when it has
// grown large and holds little.
//
// Time-outs (the server's settings): a connection is cut when it stalls, never while it keeps sending.
//   waiting for                       timer                 started
//   the first byte of a request       KeepAliveTimeout      at the accept, and once a reply is out
//   the rest of the request's head    HeadTimeout           at the first byte of the request (once)
//   the next bytes of the body        BodyTimeout           at the end of the head, and at each arrival
//   the peer's close, lingering       LingerTimeout         once the last reply is out
// No timer runs while a request is processed, nor while a big body waits for the server's budget.
//
// Progress, by which the server chooses the connection that gives its slot up (Gossamer): none
// (waiting for a request) and a head not yet complete count from the accept or the last reply, head
// bytes or not; an authorised body counts from its last byte; a request being processed or answered
// (or waiting for its turn in the host) is busy and never gives its slot up.
//
// Calls into the host (HeadComplete, DynamicRequest) are made one at a time across the server's
// connections (Gossamer::TakeHostTurn): a request that is ready while the host runs a long job that
// lets the loop run (a big enciphered body) waits, reading nothing further, and is served after it,
// in the order the requests became ready.
//
// Invariants: InUse from Accept to the close path; while the request is being processed (and the
// host's handler runs) the connection is neither closed nor reused, whatever the host lets run;
// every path that ends a connection leaves no request or response data behind for the next one.

#include "http_server/basic_buffer.h"
#include "http_server/gossamer.h"
#include "http_server/gossamer_host.h"
#include "http_server/header_collection.h"
#include "platform/net/stream_socket.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

namespace vellumo {

struct GossEvent;

class GossClient {
public:
    static constexpr std::int32_t MaxHeadBytes = 64 * 1024;
    static constexpr std::int32_t MaxBodyBytes = 32 * 1024 * 1024;
    // The consumed part of the buffer is dropped once it is this large and half the buffer.
    static constexpr std::int32_t CompactAtBytes = 64 * 1024;
    // After a request, a buffer with more capacity than this that holds little gives it back.
    static constexpr std::int32_t ShrinkAboveBytes = 64 * 1024;

    GossClient(Gossamer& server, std::unique_ptr<StreamSocket> socket);
    ~GossClient();
    GossClient(const GossClient&) = delete;
    GossClient& operator=(const GossClient&) = delete;

    bool InUse() const { return inUse_; }
    // Takes the pending connection requestID from the address the listener reported.
    void Accept(std::int32_t requestID, const QString& address);
    void Init(std::int16_t IndexValue) { index_ = IndexValue; }
    void Shutdown();

    std::int16_t Index() const { return index_; }
    std::int32_t ReqState() const { return reqState_; }
    StreamSocket& Socket() { return *socket_; }
    // Capacity of the request buffer (what the connection holds in memory for its requests).
    std::int32_t BufferCapacity() const { return buffer_.Capacity(); }
    // Bytes the request buffer has moved so far to drop what was read.
    std::int64_t BufferBytesMoved() const { return buffer_.BytesMoved(); }
    // The status text of the error page for a status ("403 Accès Interdit (Vellumo Server)").
    static QString ErrorStatusText(std::int16_t status);
    // For the server: this connection's turn to call into the host has come.
    void ResumeHostCall();

    // For the server's pool.
    ClientPhase Phase() const { return phase_; }
    const QString& Address() const { return address_; }
    enum class Progress { None, Head, AuthorisedBody, Busy };
    Progress progress() const;
    // Since when (Gossamer::Now) the connection has shown no progress.
    std::int64_t StalledSince() const;
    // Gives the slot up for a caller who waits: ends the connection (a body in the middle gets the
    // 503 page first).
    void Evict();
    // The announced length of the body that waits for the server's budget, and the grant.
    std::int64_t BodyWanted() const { return contentLength_; }
    void BodyBudgetGranted(std::int64_t bytes);

private:
    // ReqState values.
    static constexpr std::int32_t ReadingRequestLine = 0, ReadingBody = 1, ReadingHeaders = 2, Complete = 3;

    void Socket_DataArrival();
    void Socket_SendComplete();
    void Socket_Close();
    void Socket_Error(std::int32_t Number, const QString& Description);

    // Runs whatever can run now: the body after its head, the close asked for, the next request.
    void pump();
    // Parses from the buffer; true when something changed that the pump must look at again.
    bool parseNext();
    // Looks for the terminator of the head's next part (the request line's CR LF, the header block's
    // CR LF CR LF) in the unread bytes: Found sets length to the part's length before it; NeedMore
    // waits for more bytes; TooLarge has refused a head past MaxHeadBytes (the connection ends).
    enum class HeadScan { Found, NeedMore, TooLarge };
    HeadScan scanHead(QByteArrayView terminator, qsizetype& length);
    // Runs a step of this connection's work or a call into the host; false when it threw: the
    // failure is logged and the connection ends.
    template <typename Call> bool guarded(Call call);
    // The head is complete: decides what becomes of the request (see the table above); a POST goes
    // on to the host's HeadComplete (askHostOnHead).
    void headComplete(const QString& block);
    void askHostOnHead();
    // Makes the call into the host that hostCall_ names, when the server gives this connection the
    // turn; false when it must wait for it (the server resumes the pump then).
    bool callHost();
    bool parseHeaderBlock(const QString& block);
    // Reads the request's body, or completes the request when it has none.
    void startBody();
    void requestDone();
    void processRequest();
    void dispatchPost();
    void sendHeldReply();
    void delayRefusal(HeadReply reply);
    // The reply before is out and the connection ends: lingering out of the pool, or closed now.
    void startLinger();
    // The request's head announces a body (a length, or a transfer coding): one not read is still due.
    bool bodyAnnounced() const;
    void setPhase(ClientPhase phase);
    void releaseBody();
    void badRequest(const QString& text);
    void badRequestLine(GossEvent& event);
    void failed(std::int32_t number, const QString& description);

    // The unread bytes, and taking n of them.
    QByteArrayView unread() const;
    void consume(qsizetype n);
    void append(QByteArrayView bytes);
    void compact();
    void giveBackMemory();

    void sendError(std::int16_t status, bool headOnly = false);
    // Reports the response (event 2, 6) and starts its head: the status line and Date. Returns the date.
    QString beginResponse(const QString& statusLine);
    void sendErrorPage(const QString& statusText, bool headOnly);
    void sendDynamicResponse(std::int32_t status, const QString& statusText, const QString& mime,
                             const QString& extraHeaders);
    bool sendBytes(const QByteArray& bytes, bool moreFollows = false);

    // Ends the connection now, or once the request being processed is done.
    void requestClose();
    enum class Waiting { Nothing, NextRequest, Head, Body, Linger };
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
    ClientPhase phase_ = ClientPhase::Free;
    QString address_;
    // Progress: the start of the wait for the current request, and the last byte of its body.
    std::int64_t requestSince_ = 0;
    std::int64_t lastBodyByte_ = 0;
    // The big body's share of the server's budget (0: none), or its wait for one.
    std::int64_t bodyReserved_ = 0;
    bool waitingForBudget_ = false;
    // What a lingering close has thrown away so far.
    std::int64_t lingerDrained_ = 0;
    QTimer idleTimer_;
    Waiting waiting_ = Waiting::Nothing;
    // The host's early reply, held until its delay has run out.
    QTimer replyDelay_;
    std::optional<HeadReply> heldReply_;

    bool closeAfter_ = false;
    // The peer asked for the end (Connection: close) and its request was read whole: nothing more is
    // due from it, so the end needs no lingering close.
    bool peerAskedClose_ = false;
    bool requestReadWhole_ = false;
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
    QString method_;
    QString target_;
    QString head_;
    std::int32_t headLength_ = 0;

    // Bytes of the head read so far (empty lines before it included), against MaxHeadBytes.
    std::int32_t headBytes_ = 0;
    // Unread bytes already searched for the line end or head end without finding it.
    qsizetype scanned_ = 0;
    int sendsInFlight_ = 0;
    // The call into the host that the request is ready for.
    enum class HostCall { None, Head, Request };
    HostCall hostCall_ = HostCall::None;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace vellumo
