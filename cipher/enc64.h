#pragma once
// Enc64: the Base64 decoder used on the credentials of a Basic "Authorization" header.
//
// MyDecode removes every CR and LF from its argument (the caller's text keeps that change), then
// decodes groups of four characters of the RFC 4648 alphabet into three bytes each; characters
// outside the alphabet, "=" included, count as 0. The fill count is 2 when "==" occurs anywhere,
// else 1 when "=" occurs anywhere; that many characters are cut from the end. The bytes become text
// through Windows-1252. A length that is not a multiple of 4 raises RuntimeError &H80040000, source
// "MyDecode", "Input string is not valid Base64."; nothing else is an error, and "" decodes to "".

#include <QString>

namespace vellumo {

QString MyDecode(QString& text);

} // namespace vellumo
