#pragma once
// CipherTables: the P-array and the four S-boxes of the message cipher, and the one-block Blowfish
// transform over them. EnCryptX owns one and fills it (dealt-out constants, its own key schedule);
// the block transform itself is plain Blowfish, so it can be checked against the published vectors
// with tables laid out the standard way.
//
// Block words are big-endian: the eight bytes b0..b7 of a block are L = b0..b3 and R = b4..b7.
// Every addition wraps modulo 2^32.

#include <array>
#include <cstdint>

namespace vellumo {

struct CipherTables {
    std::array<std::uint32_t, 18> P{};
    std::array<std::array<std::uint32_t, 256>, 4> S{};

    std::uint32_t RoundFunction(std::uint32_t x) const {
        return ((S[0][x >> 24] + S[1][(x >> 16) & 0xFF]) ^ S[2][(x >> 8) & 0xFF]) + S[3][x & 0xFF];
    }

    void EncipherBlock(std::uint32_t& L, std::uint32_t& R) const {
        std::uint32_t l = L, r = R;
        for (int i = 0; i < 16; i += 2) {
            l ^= P[i];
            r ^= RoundFunction(l);
            r ^= P[i + 1];
            l ^= RoundFunction(r);
        }
        L = r ^ P[17];
        R = l ^ P[16];
    }

    void DecipherBlock(std::uint32_t& L, std::uint32_t& R) const {
        std::uint32_t l = R ^ P[16], r = L ^ P[17];
        for (int i = 14; i >= 0; i -= 2) {
            l ^= RoundFunction(r);
            r ^= P[i + 1];
            r ^= RoundFunction(l);
            l ^= P[i];
        }
        L = l;
        R = r;
    }
};

// The big-endian word at bytes[offset..offset+3].
inline std::uint32_t ReadBlockWord(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           std::uint32_t{bytes[3]};
}

inline void WriteBlockWord(unsigned char* bytes, std::uint32_t word) {
    bytes[0] = static_cast<unsigned char>(word >> 24);
    bytes[1] = static_cast<unsigned char>(word >> 16);
    bytes[2] = static_cast<unsigned char>(word >> 8);
    bytes[3] = static_cast<unsigned char>(word);
}

} // namespace vellumo
