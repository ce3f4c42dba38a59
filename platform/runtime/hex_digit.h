#pragma once
// The value of one hexadecimal digit, as the server's %xx escapes, chunk sizes, RTF data and
// enciphered text are read: 0-9, a-f and A-F; any other character gives -1.

namespace vellumo {

constexpr int hexDigitValue(char32_t c) {
    if (c >= U'0' && c <= U'9')
        return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f')
        return static_cast<int>(c - U'a') + 10;
    if (c >= U'A' && c <= U'F')
        return static_cast<int>(c - U'A') + 10;
    return -1;
}

} // namespace vellumo
