#include "http_server/basic_buffer.h"

#include "platform/runtime/runtime_error.h"

#include <algorithm>
#include <cstring>

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("BasicBuffer");
constexpr std::int32_t kNotOpen = err::object(0xC300);
constexpr std::int32_t kAlreadyOpen = err::object(0xC302);

[[noreturn]] void fail(std::int32_t number, const char* description) {
    throw RuntimeError(number, kSource, QString::fromLatin1(description));
}

[[noreturn]] void failRange() {
    fail(err::OutOfRange, "Subscript out of range");
}

} // namespace

void BasicBuffer::setChunkSize(std::int32_t value) {
    if (value < 1)
        fail(err::BadArgument, "ChunkSize must be at least 1 byte");
    chunkSize_ = value;
}

void BasicBuffer::setPosition(std::int32_t value) {
    if (value < 0 || value > size_)
        fail(err::BadArgument, "Can't set Position before beginning or after Size");
    position_ = value;
}

void BasicBuffer::requireOpen() const {
    if (!isOpen_)
        fail(kNotOpen, "Not open");
}

void BasicBuffer::setCapacity(std::int32_t capacity) {
    if (capacity > capacity_ && static_cast<std::size_t>(capacity) > storage_.capacity()) {
        // Reserve ahead of the logical capacity so that a body arriving in many pieces moves its
        // bytes a logarithmic number of times, not once per piece.
        storage_.reserve(std::max<std::size_t>(static_cast<std::size_t>(capacity), storage_.capacity() * 2));
    }
    storage_.resize(static_cast<std::size_t>(capacity), '\0');
    if (capacity < capacity_)
        storage_.shrink_to_fit();
    capacity_ = capacity;
}

void BasicBuffer::ReserveStorage(std::int32_t bytes) {
    if (bytes > 0 && static_cast<std::size_t>(bytes) > storage_.capacity())
        storage_.reserve(static_cast<std::size_t>(bytes));
}

void BasicBuffer::ClearBuf() {
    position_ = 0;
    size_ = 0;
    storage_.assign(DefaultChunkSize, '\0');
    storage_.shrink_to_fit();
    capacity_ = DefaultChunkSize;
}

void BasicBuffer::CloseBuf() {
    std::vector<char>().swap(storage_);
    capacity_ = 0;
    isOpen_ = false;
    position_ = 0;
    size_ = 0;
}

QByteArray BasicBuffer::CurrentBytes() {
    if (size_ == 0)
        failRange();
    if (capacity_ > size_)
        setCapacity(size_);
    // The bound of the shrink (Size - 1) ends up in Position; kept, so callers see what they always saw.
    position_ = size_ - 1;
    return QByteArray(storage_.data(), size_);
}

void BasicBuffer::DeleteBytes(std::int32_t Length) {
    requireOpen();
    cut(position_, Length);
}

QByteArray BasicBuffer::ExtractBytes(std::int32_t Length) {
    const std::int32_t start = position_;
    QByteArray bytes = ReadBytes(Length);
    position_ = start;
    cut(start, Length);
    return bytes;
}

void BasicBuffer::OpenBuf() {
    if (isOpen_)
        fail(kAlreadyOpen, "Already open");
    storage_.assign(static_cast<std::size_t>(chunkSize_), '\0');
    capacity_ = chunkSize_;
    isOpen_ = true;
}

QByteArray BasicBuffer::ReadBytes(std::int32_t Length) {
    requireOpen();
    std::int32_t count;
    if (Length < 0) {
        if (EOS())
            fail(err::BadArgument, "Nothing to read");
        count = size_ - position_;
    } else if (Length == 0) {
        fail(err::BadArgument, "Can't request 0 (no) bytes");
    } else {
        count = std::min<std::int64_t>(Length, std::int64_t{size_} - position_);
    }
    if (count <= 0)
        failRange();
    QByteArray bytes(storage_.data() + position_, count);
    position_ += count;
    return bytes;
}

std::int32_t BasicBuffer::ScanForBytes(QByteArrayView Bytes) const {
    requireOpen();
    if (Bytes.isEmpty() || position_ >= size_)
        return -1;
    // Matches reaching into the spare capacity are never reported, so the content is all we search.
    const QByteArrayView haystack(storage_.data() + position_, size_ - position_);
    const qsizetype at = haystack.indexOf(Bytes);
    return at < 0 ? -1 : static_cast<std::int32_t>(position_ + at);
}

void BasicBuffer::SetEOS() {
    requireOpen();
    size_ = position_;
}

void BasicBuffer::ShrinkBuf() {
    if (size_ == 0)
        failRange();
    setCapacity(size_);
}

void BasicBuffer::WriteBytes(QByteArrayView Bytes) {
    if (!isOpen_)
        OpenBuf();
    const std::int64_t n = Bytes.size();
    if (n == 0)
        return;
    const std::int64_t end = std::int64_t{position_} + n;
    if (end > INT32_MAX)
        fail(err::Overflow, "Overflow");
    if (end > capacity_) {
        const std::int64_t grown = n <= chunkSize_ ? std::int64_t{capacity_} + chunkSize_ : end;
        if (grown > INT32_MAX)
            fail(err::Overflow, "Overflow");
        setCapacity(static_cast<std::int32_t>(grown));
    }
    std::memcpy(storage_.data() + position_, Bytes.data(), static_cast<std::size_t>(n));
    position_ = static_cast<std::int32_t>(end);
    size_ = std::max(size_, position_);
}

void BasicBuffer::cut(std::int32_t start, std::int32_t count) {
    if (count < 0) {
        size_ = start;
    } else if (count == 0) {
        return;
    } else if (std::int64_t{start} + count > size_) {
        size_ = start;
    } else {
        const std::int32_t tail = size_ - (start + count);
        std::memmove(storage_.data() + start, storage_.data() + start + count, static_cast<std::size_t>(tail));
        bytesMoved_ += tail;
        size_ -= count;
    }
}

} // namespace vellumo
