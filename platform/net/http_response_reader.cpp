#include "platform/net/http_response_reader.h"

#include "platform/runtime/hex_digit.h"

#include <algorithm>

namespace vellumo {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isTokenChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 32 || u >= 127)
        return false;
    return QByteArrayView("()<>@,;:\\\"/[]?={}").indexOf(c) < 0;
}

// The last element of a comma-separated header value, trimmed and lower-cased.
QByteArray lastListItem(const QByteArray& value) {
    const qsizetype comma = value.lastIndexOf(',');
    return value.mid(comma + 1).trimmed().toLower();
}

} // namespace

HttpResponseReader::State HttpResponseReader::fail() {
    state_ = State::Invalid;
    phase_ = Phase::Done;
    pending_.clear();
    pos_ = 0;
    return state_;
}

bool HttpResponseReader::takeLine(QByteArray& line, bool head) {
    const qsizetype lf = pending_.indexOf('\n', pos_);
    const qint64 available = pending_.size() - pos_;
    // Head lines share one budget; a chunk-size line has a small one of its own, so that a body of
    // many small chunks is fine while a chunk line that never ends is not.
    const qint64 budget = head ? MaxHeadBytes - headBytes_ : MaxChunkLineBytes;
    if (lf < 0) {
        if (available > budget)
            fail();
        return false;
    }
    const qint64 length = lf - pos_ + 1;
    if (length > budget) {
        fail();
        return false;
    }
    if (head)
        headBytes_ += length;
    line = pending_.mid(pos_, length - 1);
    if (line.endsWith('\r'))
        line.chop(1);
    pos_ = lf + 1;
    return true;
}

bool HttpResponseReader::parseStatusLine(const QByteArray& line) {
    // "HTTP/1.x NNN reason"
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || !isDigit(line[7]) || line[8] != ' ')
        return false;
    if (!isDigit(line[9]) || !isDigit(line[10]) || !isDigit(line[11]) || line[9] == '0')
        return false;
    if (line.size() > 12 && line[12] != ' ')
        return false;
    status_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    reason_ = line.size() > 12 ? line.mid(13) : QByteArray();
    headers_.clear();
    return true;
}

bool HttpResponseReader::parseHeaderLine(const QByteArray& line) {
    if (line.startsWith(' ') || line.startsWith('\t')) {
        // An old-style continuation of the previous value.
        if (headers_.isEmpty())
            return false;
        headers_.last().second += ' ' + line.trimmed();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || headers_.size() >= MaxHeaderLines)
        return false;
    const QByteArray name = line.left(colon);
    if (!std::all_of(name.begin(), name.end(), isTokenChar))
        return false;
    headers_.append({name, line.mid(colon + 1).trimmed()});
    return true;
}

bool HttpResponseReader::startBody() {
    if (status_ < 200) {
        // An interim response: the final one follows on the same connection.
        phase_ = Phase::StatusLine;
        return true;
    }
    if (noBody_ || status_ == 204 || status_ == 304) {
        phase_ = Phase::Done;
        return true;
    }
    QByteArray transferEncoding;
    QByteArray contentLength;
    bool lengthSeen = false;
    for (const auto& [name, value] : headers_) {
        if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            transferEncoding = value;
        } else if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            // Several lengths must all agree, or the body's end is a guess.
            if (lengthSeen && value != contentLength)
                return false;
            contentLength = value;
            lengthSeen = true;
        }
    }
    if (!transferEncoding.isEmpty()) {
        phase_ = lastListItem(transferEncoding) == "chunked" ? Phase::ChunkSize : Phase::UntilClose;
        return true;
    }
    if (lengthSeen) {
        if (contentLength.isEmpty() || contentLength.size() > 18 ||
            !std::all_of(contentLength.begin(), contentLength.end(), isDigit))
            return false;
        remaining_ = contentLength.toLongLong();
        if (remaining_ > MaxBodyBytes)
            return false;
        phase_ = remaining_ == 0 ? Phase::Done : Phase::FixedBody;
        return true;
    }
    phase_ = Phase::UntilClose;
    return true;
}

bool HttpResponseReader::parseChunkSize(const QByteArray& line) {
    qsizetype end = line.indexOf(';');
    const QByteArray digits = (end < 0 ? line : line.left(end)).trimmed();
    if (digits.isEmpty() || digits.size() > 8)
        return false;
    qint64 size = 0;
    for (char c : digits) {
        const int v = hexDigitValue(static_cast<unsigned char>(c));
        if (v < 0)
            return false;
        size = size * 16 + v;
    }
    if (body_.size() + size > MaxBodyBytes)
        return false;
    remaining_ = size;
    phase_ = size == 0 ? Phase::Trailers : Phase::ChunkData;
    return true;
}

bool HttpResponseReader::appendBody(const char* data, qint64 size) {
    if (body_.size() + size > MaxBodyBytes)
        return false;
    body_.append(data, size);
    return true;
}

HttpResponseReader::State HttpResponseReader::feed(const char* data, qint64 size) {
    if (state_ != State::NeedMore || size <= 0)
        return state_;
    pending_.append(data, size);
    run();
    // Drop what was consumed once per feed, not once per line.
    if (state_ == State::NeedMore) {
        pending_.remove(0, pos_);
    } else {
        pending_.clear();
    }
    pos_ = 0;
    return state_;
}

void HttpResponseReader::run() {
    while (state_ == State::NeedMore) {
        QByteArray line;
        const qint64 available = pending_.size() - pos_;
        switch (phase_) {
        case Phase::StatusLine:
            if (available > 0)
                seenBytes_ = true;
            if (!takeLine(line))
                return;
            if (!parseStatusLine(line)) {
                fail();
                return;
            }
            phase_ = Phase::Headers;
            break;
        case Phase::Headers:
            if (!takeLine(line))
                return;
            if (line.isEmpty() ? !startBody() : !parseHeaderLine(line)) {
                fail();
                return;
            }
            break;
        case Phase::FixedBody:
        case Phase::ChunkData: {
            if (available == 0)
                return;
            const qint64 take = std::min<qint64>(remaining_, available);
            if (!appendBody(pending_.constData() + pos_, take)) {
                fail();
                return;
            }
            pos_ += take;
            remaining_ -= take;
            if (remaining_ == 0)
                phase_ = phase_ == Phase::FixedBody ? Phase::Done : Phase::ChunkDataEnd;
            break;
        }
        case Phase::ChunkDataEnd:
            if (!takeLine(line, false))
                return;
            if (!line.isEmpty()) {
                fail();
                return;
            }
            phase_ = Phase::ChunkSize;
            break;
        case Phase::ChunkSize:
            if (!takeLine(line, false))
                return;
            if (!parseChunkSize(line)) {
                fail();
                return;
            }
            break;
        case Phase::Trailers:
            if (!takeLine(line))
                return;
            if (line.isEmpty())
                phase_ = Phase::Done;
            break;
        case Phase::UntilClose:
            if (!appendBody(pending_.constData() + pos_, available)) {
                fail();
                return;
            }
            pos_ = pending_.size();
            return;
        case Phase::Done:
            state_ = State::Complete;
            break;
        }
    }
}

HttpResponseReader::State HttpResponseReader::finish() {
    if (state_ != State::NeedMore)
        return state_;
    if (phase_ == Phase::Done || phase_ == Phase::UntilClose) {
        pending_.clear();
        state_ = State::Complete;
        phase_ = Phase::Done;
        return state_;
    }
    return fail();
}

} // namespace vellumo
