#pragma once
// HttpResponseReader: reads one HTTP/1.x response from the bytes a connection delivers, a few at
// a time, for AsyncRequest. It keeps the status, the reason text exactly as its bytes came, the
// headers and the body, and says when the response is whole or cannot be a response. Interim 1xx
// responses are read and dropped. Owned by the request that feeds it; one reader per response.
//
// What it reads:
//
//   status line   "HTTP/1." digit SP 3-digit status [SP reason bytes] CRLF (a bare LF is taken too)
//   header line   name ":" value CRLF; a line starting with SP or HT continues the previous value
//   end of head   an empty line
//   body          none for 1xx, 204 and 304 (and a HEAD request); chunked when the last
//                 Transfer-Encoding is "chunked" (size in hexadecimal [";" extensions] CRLF, data,
//                 CRLF, ..., size 0, trailer lines, empty line); else Content-Length bytes; else
//                 everything up to the close of the connection
//
// Limits, so that a hostile peer cannot make us hold unbounded memory: 64 KiB of head (all interim
// heads together), 100 header lines, 1 KiB per chunk-size line, 16 MiB of body. Past a limit the response is Invalid.

#include <QByteArray>
#include <QList>
#include <QPair>

#include <cstdint>

namespace vellumo {

class HttpResponseReader {
public:
    enum class State { NeedMore, Complete, Invalid };

    static constexpr int MaxHeadBytes = 64 * 1024;
    static constexpr int MaxHeaderLines = 100;
    static constexpr int MaxChunkLineBytes = 1024;
    static constexpr qint64 MaxBodyBytes = 16 * 1024 * 1024;

    // noBody: the request was a HEAD, whose response carries no body whatever its head says.
    explicit HttpResponseReader(bool noBody = false) : noBody_(noBody) {}

    // Takes the next bytes of the connection; returns the state after them. Bytes after a complete
    // response are ignored.
    State feed(const char* data, qint64 size);
    State feed(const QByteArray& bytes) { return feed(bytes.constData(), bytes.size()); }
    // The connection closed: a body read up to the close is now whole; anything else unfinished
    // becomes Invalid.
    State finish();

    State state() const { return state_; }
    // True once any byte of a final (non-1xx) response head has been taken.
    bool started() const { return seenBytes_; }
    int status() const { return status_; }
    // The reason text's bytes, without the line end.
    const QByteArray& reason() const { return reason_; }
    const QList<QPair<QByteArray, QByteArray>>& headers() const { return headers_; }
    const QByteArray& body() const { return body_; }

private:
    enum class Phase { StatusLine, Headers, FixedBody, ChunkSize, ChunkData, ChunkDataEnd, Trailers, UntilClose, Done };

    void run();
    bool takeLine(QByteArray& line, bool head = true);
    bool parseStatusLine(const QByteArray& line);
    bool parseHeaderLine(const QByteArray& line);
    bool startBody();
    bool parseChunkSize(const QByteArray& line);
    bool appendBody(const char* data, qint64 size);
    State fail();

    bool noBody_;
    State state_ = State::NeedMore;
    Phase phase_ = Phase::StatusLine;
    QByteArray pending_; // bytes received and not yet dropped
    qint64 pos_ = 0;     // of the first byte of pending_ not yet consumed
    qint64 headBytes_ = 0;
    bool seenBytes_ = false;
    int status_ = 0;
    QByteArray reason_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QByteArray body_;
    qint64 remaining_ = 0; // of the fixed body or of the current chunk
};

} // namespace vellumo
