#include "cipher/en_crypt_x.h"

#include "cipher/pi_words.h"
#include "platform/runtime/hex_digit.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("EnCryptX");
constexpr qsizetype kBufferStep = 1024;

void writeLittleEndian(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

std::int32_t readLittleEndian(const unsigned char* at) {
    const std::uint32_t v = std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
                            (std::uint32_t{at[3]} << 24);
    return static_cast<std::int32_t>(v);
}

// The progress reports of one byte operation: a report when the block offset reaches the next report
// point, which then moves one percent further, so a long buffer raises about 101 events, not one per
// block.
class ProgressStep {
public:
    explicit ProgressStep(qsizetype total) : total_(static_cast<double>(total)) {}

    template <typename Raise> void after(qsizetype offset, Raise&& raise) {
        if (static_cast<double>(offset) < next_)
            return;
        const auto percent = static_cast<std::int32_t>(std::floor(static_cast<double>(offset) / total_ * 100.0));
        next_ = num::roundHalfEven((percent + 1) / 100.0 * total_ + 1.0);
        raise(percent);
    }

private:
    double total_;
    double next_ = 0.0;
};

// When the byte operations let the message loop run: only once a slice of work has taken kSlice, and
// then after every further slice, so that a long operation keeps the window live while a short one
// (an access key, a message body of a few kilobytes) runs to its end without letting any other
// handler in. Letting the loop run after every block, as a literal reading would have it, costs more
// than the cipher itself; the clock is read only every kCheckEvery blocks, never before the first
// kCheckEvery, so an operation of fewer blocks never yields, however slow the machine.
class YieldSlice {
public:
    explicit YieldSlice(bool yields) : yields_(yields) {
        if (yields_)
            clock_.start();
    }

    void afterBlock() {
        if (!yields_ || ++blocks_ % kCheckEvery != 0 || clock_.nsecsElapsed() < kSliceNs)
            return;
        ui().doEvents();
        clock_.start();
    }

private:
    static constexpr qint64 kSliceNs = 1'000'000; // 1 ms
    static constexpr qint64 kCheckEvery = 128;    // 1 KiB, about 10 us of work
    bool yields_;
    qint64 blocks_ = 0;
    QElapsedTimer clock_;
};

bool FilePresent(const QString& path) {
    return QFileInfo(path).isFile();
}

} // namespace

EnCryptX::EnCryptX() {
    for (int i = 0; i < kPArrayWords; ++i)
        tables_.P[static_cast<std::size_t>(i)] = kPiFractionWords[static_cast<std::size_t>(i)];
    // The S-box constants are dealt out in turn: word n of the published sequence goes to box n mod 4,
    // entry n div 4.
    for (int n = 0; n < kSBoxWords; ++n)
        tables_.S[static_cast<std::size_t>(n % 4)][static_cast<std::size_t>(n / 4)] =
            kPiFractionWords[static_cast<std::size_t>(kPArrayWords + n)];
}

void EnCryptX::Key(const QString& New_Value) {
    if (New_Value == keyText_)
        return;
    keyText_ = New_Value;
    const QByteArray k = cp1252::encode(New_Value);
    if (k.isEmpty())
        raiseStandard(err::OutOfRange, kSource);
    // One byte per character; the cycle is the byte count, so a character the code page maps to one
    // "?" never makes the key position run past the bytes.
    const qsizetype m = k.size();
    qsizetype j = 0;
    for (auto& p : tables_.P) {
        std::uint32_t d = 0;
        for (int b = 0; b < 4; ++b) {
            d = (d << 8) | (d & 0xFFu);
            d |= static_cast<unsigned char>(k[j]);
            if (++j == m)
                j = 0;
        }
        p ^= d;
    }
    std::uint32_t L = 0, R = 0;
    for (std::size_t i = 0; i < 18; i += 2) {
        tables_.EncipherBlock(L, R);
        tables_.P[i] = L;
        tables_.P[i + 1] = R;
    }
    for (auto& box : tables_.S) {
        for (std::size_t e = 0; e < 256; e += 2) {
            tables_.EncipherBlock(L, R);
            box[e] = L;
            box[e + 1] = R;
        }
    }
}

void EnCryptX::setKeyIfGiven(const QString& key) {
    if (!key.isEmpty())
        Key(key);
}

void EnCryptX::raiseProgress(std::int32_t percent) {
    if (Progress)
        Progress(percent);
}

void EnCryptX::EncryptByte(QByteArray& byteArray, const QString& Key) {
    setKeyIfGiven(Key);
    const qsizetype n = byteArray.size();
    if (n > std::numeric_limits<std::int32_t>::max() - 19)
        raiseStandard(err::Overflow, kSource);
    const qsizetype total = (n + 12 + 7) / 8 * 8;
    byteArray.resize(total);
    auto* bytes = reinterpret_cast<unsigned char*>(byteArray.data());
    std::memmove(bytes + 12, bytes, static_cast<std::size_t>(n));
    std::memset(bytes + 12 + n, 0, static_cast<std::size_t>(total - 12 - n));
    writeLittleEndian(bytes + 8, static_cast<std::uint32_t>(n));
    // The first block is the chaining vector; it comes from the system's random source so that two
    // encipherments in the same instant still differ. Nobody reads it back.
    QRandomGenerator* random = QRandomGenerator::system();
    writeLittleEndian(bytes, random->bounded(2147483648u));
    writeLittleEndian(bytes + 4, random->bounded(2147483648u));

    ProgressStep progress(total);
    YieldSlice yield(LetsLoopRun);
    std::uint32_t prevL = 0, prevR = 0;
    for (qsizetype offset = 0; offset + 8 <= total; offset += 8) {
        unsigned char* block = reinterpret_cast<unsigned char*>(byteArray.data()) + offset;
        std::uint32_t L = ReadBlockWord(block) ^ prevL;
        std::uint32_t R = ReadBlockWord(block + 4) ^ prevR;
        tables_.EncipherBlock(L, R);
        WriteBlockWord(block, L);
        WriteBlockWord(block + 4, R);
        prevL = L;
        prevR = R;
        progress.after(offset, [this](std::int32_t percent) { raiseProgress(percent); });
        yield.afterBlock();
    }
    raiseProgress(100);
}

void EnCryptX::DecryptByte(QByteArray& byteArray, const QString& Key) {
    try {
        setKeyIfGiven(Key);
        const qsizetype total = byteArray.size();
        ProgressStep progress(total);
        YieldSlice yield(LetsLoopRun);
        std::uint32_t prevL = 0, prevR = 0;
        qsizetype offset = 0;
        for (; offset + 8 <= total; offset += 8) {
            unsigned char* block = reinterpret_cast<unsigned char*>(byteArray.data()) + offset;
            const std::uint32_t cipherL = ReadBlockWord(block);
            const std::uint32_t cipherR = ReadBlockWord(block + 4);
            std::uint32_t L = cipherL, R = cipherR;
            tables_.DecipherBlock(L, R);
            WriteBlockWord(block, L ^ prevL);
            WriteBlockWord(block + 4, R ^ prevR);
            prevL = cipherL;
            prevR = cipherR;
            progress.after(offset, [this](std::int32_t percent) { raiseProgress(percent); });
            yield.afterBlock();
        }
        // A trailing partial block stays as it was and the buffer is returned whole.
        if (offset != total || total < 12)
            return;
        const auto* bytes = reinterpret_cast<const unsigned char*>(byteArray.constData());
        const std::int64_t n = readLittleEndian(bytes + 8);
        const std::int64_t fill = static_cast<std::int64_t>(total) - n;
        if (n < 0 || fill < 12 || fill > 19)
            return;
        byteArray.remove(0, 12);
        byteArray.truncate(static_cast<qsizetype>(n));
        raiseProgress(100);
    } catch (...) {
        // Deciphering reports nothing: a wrong key or a damaged text comes out as garbage, which the
        // caller's comparison rejects.
    }
}

QString EnCryptX::EncryptString(const QString& Text, const QString& Key, bool OutputInHex) {
    if (Text.isEmpty())
        return QString();
    QByteArray bytes = cp1252::encode(Text);
    EncryptByte(bytes, Key);
    return OutputInHex ? HexEncodeText(bytes) : cp1252::decode(bytes);
}

QString EnCryptX::DecryptString(const QString& Text, const QString& Key, bool IsTextInHex) {
    if (Text.isEmpty())
        return QString();
    try {
        QByteArray bytes = IsTextInHex ? HexDecodeText(Text) : cp1252::encode(Text);
        DecryptByte(bytes, Key);
        return cp1252::decode(bytes);
    } catch (const RuntimeError& e) {
        ui().messageBox(QStringLiteral("Erreur de décryptage : \n") + e.description(), mb::Exclamation,
                        QStringLiteral("Erreur..."));
    } catch (const std::exception& e) {
        ui().messageBox(QStringLiteral("Erreur de décryptage : \n") + QString::fromLocal8Bit(e.what()), mb::Exclamation,
                        QStringLiteral("Erreur..."));
    }
    return QString();
}

QString EnCryptX::HexEncodeText(const QByteArray& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    BufferReset();
    char chunk[4096];
    qsizetype used = 0;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        chunk[used++] = digits[b >> 4];
        chunk[used++] = digits[b & 0x0F];
        if (used == sizeof chunk) {
            BufferAppend(chunk, used);
            used = 0;
        }
    }
    BufferAppend(chunk, used);
    return BufferText();
}

namespace {

// Whole pairs of digits, the common case, go through a table; a pair with anything else in it is read
// digit by digit up to its first non-digit, as is an odd last digit.
template <typename Char> QByteArray hexDecode(const Char* in, qsizetype n) {
    static constexpr auto kDigitValue = [] {
        std::array<std::int8_t, 128> table{};
        for (char32_t c = 0; c < 128; ++c)
            table[c] = static_cast<std::int8_t>(hexDigitValue(c));
        return table;
    }();
    const auto digit = [](Char c) {
        const auto u = static_cast<std::make_unsigned_t<Char>>(c);
        return u < 128 ? kDigitValue[u] : std::int8_t{-1};
    };
    QByteArray bytes((n + 1) / 2, Qt::Uninitialized);
    char* out = bytes.data();
    qsizetype i = 0;
    for (; i + 1 < n; i += 2) {
        const int high = digit(in[i]);
        const int low = digit(in[i + 1]);
        if (high >= 0 && low >= 0)
            *out++ = static_cast<char>(high * 16 + low);
        else
            *out++ = static_cast<char>(high < 0 ? 0 : high);
    }
    if (i < n) {
        const int last = digit(in[i]);
        *out++ = static_cast<char>(last < 0 ? 0 : last);
    }
    return bytes;
}

} // namespace

QByteArray EnCryptX::HexDecodeText(QStringView text) {
    return hexDecode(text.utf16(), text.size());
}

QByteArray EnCryptX::HexDecodeText(QLatin1StringView text) {
    return hexDecode(text.data(), text.size());
}

void EnCryptX::BufferReset() {
    buffer_.clear();
    buffer_.reserve(kBufferStep);
}

void EnCryptX::BufferAppend(const char* bytes, qsizetype count) {
    // Capacity grows in steps of at least 1024 bytes, and geometrically, so a long text is not
    // copied once per kilobyte.
    if (buffer_.size() + count > buffer_.capacity())
        buffer_.reserve(std::max(buffer_.capacity() + kBufferStep, 2 * (buffer_.size() + count)));
    buffer_.append(bytes, count);
}

QString EnCryptX::BufferText() const {
    // The buffer only ever holds hexadecimal digits, where the code page and Latin-1 agree.
    return QString::fromLatin1(buffer_);
}

bool EnCryptX::EncryptFile(const QString& InFile, const QString& OutFile, bool Overwrite, const QString& Key) {
    return transformFile(InFile, OutFile, Overwrite, Key, true);
}

bool EnCryptX::DecryptFile(const QString& InFile, const QString& OutFile, bool Overwrite, const QString& Key) {
    return transformFile(InFile, OutFile, Overwrite, Key, false);
}

bool EnCryptX::transformFile(const QString& InFile, const QString& OutFile, bool Overwrite, const QString& Key,
                             bool encipher) {
    try {
        if (!FilePresent(InFile) || (FilePresent(OutFile) && !Overwrite))
            return false;
        QFile in(InFile);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return false;
        in.close();
        if (encipher)
            EncryptByte(bytes, Key);
        else
            DecryptByte(bytes, Key);
        if (QFileInfo::exists(OutFile) && !QFile::remove(OutFile))
            return false;
        QFile out(OutFile);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        if (out.write(bytes) != bytes.size())
            return false;
        return out.flush();
    } catch (...) {
        return false;
    }
}

} // namespace vellumo
