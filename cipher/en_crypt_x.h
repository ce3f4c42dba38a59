#pragma once
// EnCryptX: the program's only cipher, a Blowfish variant (OR-folded key words, S-box constants dealt
// out to the four boxes in turn) with its byte, text and file formats. Every peer must compute the
// same bytes, so the layout below is fixed. Callers create one instance per operation and drop it;
// an instance must not be used again while one of its operations runs, because the byte operations
// let the message loop run (ui().doEvents()) in their middle: once a slice of about a millisecond of
// work has passed, and after every further slice (not after every block, which would cost many times
// the cipher itself). An operation of fewer than 128 blocks (1 KiB) never lets it run, nor does any
// operation of an instance whose LetsLoopRun is off.
//
// Enciphered byte layout for n data bytes, total = n + 12 rounded up to a multiple of 8:
//
//   offset  | size  | content
//   0       | 4     | random value 0..2147483647, little-endian (acts as the chaining vector)
//   4       | 4     | second random value, little-endian
//   8       | 4     | n, little-endian
//   12      | n     | the data bytes
//   12 + n  | 0..7  | zero fill up to total
//
// then chained in 8-byte blocks (CBC, zero initial vector), each block read as two big-endian words.
// A valid deciphered buffer has n >= 0 and 12 <= total - n <= 19; anything else deciphers quietly to
// the whole buffer. Hexadecimal text: every enciphered byte as two upper-case digits, no separators
// (2 x total digits, a multiple of 16). Texts become bytes through Windows-1252, one per character.
//
// Invariant: the tables start as the pi constants and change only through Key (a different key runs
// the schedule again over the tables as they are).

#include "cipher/cipher_tables.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>

namespace vellumo {

class EnCryptX {
public:
    EnCryptX();

    void EncryptByte(QByteArray& byteArray, const QString& Key = QString());
    QString EncryptString(const QString& Text, const QString& Key = QString(), bool OutputInHex = false);
    QString DecryptString(const QString& Text, const QString& Key = QString(), bool IsTextInHex = false);
    // Never raises: a buffer that fails the size check is left holding everything it deciphered.
    void DecryptByte(QByteArray& byteArray, const QString& Key = QString());
    // Keys the instance. The same key again does nothing; an empty key on a keyed instance empties the
    // key text and raises error 9, leaving the tables as they were.
    void Key(const QString& New_Value);
    bool EncryptFile(const QString& InFile, const QString& OutFile, bool Overwrite, const QString& Key = QString());
    bool DecryptFile(const QString& InFile, const QString& OutFile, bool Overwrite, const QString& Key = QString());

    // The Progress event of the byte operations: at most about 101 reports per operation, 0..99 while
    // it runs and 100 at the end of a successful one.
    std::function<void(std::int32_t& Percent)> Progress;
    // Off: the byte operations never let the message loop run, however long they take (what an
    // access key check needs, since a request's handler must not be entered by another's).
    bool LetsLoopRun = true;

    // The tables as they stand (for checking the constants and the schedule).
    const CipherTables& tables() const { return tables_; }

    // Hexadecimal text of bytes and back (upper-case out; either case in; an odd last digit is read
    // alone; a pair is read up to its first non-digit, nothing read giving 0).
    QString HexEncodeText(const QByteArray& bytes);
    static QByteArray HexDecodeText(QStringView text);
    static QByteArray HexDecodeText(QLatin1StringView text);

private:
    void setKeyIfGiven(const QString& key);
    bool transformFile(const QString& InFile, const QString& OutFile, bool Overwrite, const QString& Key,
                       bool encipher);
    void raiseProgress(std::int32_t percent);
    void BufferReset();
    void BufferAppend(const char* bytes, qsizetype count);
    QString BufferText() const;

    CipherTables tables_;
    QString keyText_;
    QByteArray buffer_; // work area of the hexadecimal conversion; size() is the used length
};

} // namespace vellumo
