#pragma once
// BasicBuffer: the growable byte buffer in which a connection handler collects the bytes of its
// socket and from which it cuts the request line, the header block and the body. Owned by its
// handler; raw bytes only, no character conversion.
//
// Invariants: 0 <= Position <= Size <= Capacity, all three signed 32-bit. Only storage indices 0 to
// Size - 1 are content; the rest is spare capacity. Every byte array handed out is a copy.
//
// Growth is linear: a write that does not fit adds ChunkSize bytes of capacity, or exactly what it
// needs when the write itself is larger than ChunkSize. (The logical capacity follows that rule;
// the memory under it may be reserved ahead so that a large body does not copy itself per write.)
//
// Errors (source "BasicBuffer"); a failing call changes nothing:
//   5           bad argument ("ChunkSize must be at least 1 byte", "Can't set Position before
//               beginning or after Size", "Nothing to read", "Can't request 0 (no) bytes")
//   9           a read that would return no bytes; CurrentBytes and ShrinkBuf of an empty buffer
//   &H8004C300  "Not open"
//   &H8004C302  "Already open"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace vellumo {

class BasicBuffer {
public:
    static constexpr std::int32_t DefaultChunkSize = 8192;

    std::int32_t ChunkSize() const { return chunkSize_; }
    void setChunkSize(std::int32_t value);
    bool EOS() const { return position_ >= size_; }
    bool HaveAtLeast(std::int32_t Length) const { return std::int64_t{size_} - position_ >= Length; }
    bool IsOpen() const { return isOpen_; }
    std::int32_t Position() const { return position_; }
    void setPosition(std::int32_t value);
    std::int32_t Size() const { return size_; }
    // Capacity of the storage (what the growth rule above gives).
    std::int32_t Capacity() const { return capacity_; }

    void ClearBuf();
    void CloseBuf();
    QByteArray CurrentBytes();
    void DeleteBytes(std::int32_t Length);
    QByteArray ExtractBytes(std::int32_t Length);
    void OpenBuf();
    QByteArray ReadBytes(std::int32_t Length);
    std::int32_t ScanForBytes(QByteArrayView Bytes) const;
    void SetEOS();
    void ShrinkBuf();
    void WriteBytes(QByteArrayView Bytes);

    // The content without a copy, for the handler's own checks (valid until the next change).
    QByteArrayView content() const { return QByteArrayView(storage_.data(), size_); }
    // Bytes moved down by cuts so far (what consuming from the front has cost).
    std::int64_t BytesMoved() const { return bytesMoved_; }
    // Makes the storage hold `bytes` in all without moving again (a body of known length), instead
    // of growing by doubling past what will come; the capacity and the content are unchanged.
    void ReserveStorage(std::int32_t bytes);

private:
    void requireOpen() const;
    void setCapacity(std::int32_t capacity);
    void cut(std::int32_t start, std::int32_t count);

    std::vector<char> storage_;
    std::int32_t chunkSize_ = DefaultChunkSize;
    bool isOpen_ = false;
    std::int32_t position_ = 0;
    std::int32_t size_ = 0;
    std::int32_t capacity_ = 0;
    std::int64_t bytesMoved_ = 0;
};

} // namespace vellumo
