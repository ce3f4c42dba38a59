#pragma once
// Base64: RFC 4648 Base64 of texts in the Windows-1252 code page, one byte per character. Nothing in
// the program creates one (the receive handler decodes with MyDecode, which gives the same results);
// it stays part of the server's set of codecs. The lookup tables are built once per object.
//
// Encode: the bytes are padded with zero bytes to a multiple of 3; each group of 3 gives 4 alphabet
// characters; CR LF follows every 72 characters, the last ones included; the last 1 or 2 characters
// before any final CR LF become "=", one per pad byte.
// Decode: CR and LF are removed; a length that is not a multiple of 4 raises RuntimeError &H80040000,
// source "MyDecode", "Input string is not valid Base64."; characters outside the alphabet count as 0;
// 2 characters are cut from the end when "==" occurs anywhere, else 1 when "=" occurs; "" gives "".

#include <QString>

#include <array>
#include <cstdint>

namespace vellumo {

class Base64 {
public:
    Base64();

    QString Encode(const QString& text) const;
    QString Decode(const QString& text) const;

private:
    std::array<char, 64> alphabet_{};
    std::array<std::uint8_t, 256> reverse_{};
    // Byte values times 256 and 65536, six-bit values times 64, 4096 and 262144: the coding loops
    // add table entries instead of shifting.
    std::array<std::uint32_t, 256> times256_{}, times65536_{};
    std::array<std::uint32_t, 64> times64_{}, times4096_{}, times262144_{};
};

} // namespace vellumo
