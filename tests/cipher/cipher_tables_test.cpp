// The block transform and the pi constants, checked the way outsiders can check them: with the
// tables laid out and keyed the standard Blowfish way, the published vectors must come out.
#include "cipher/cipher_tables.h"

#include "cipher/pi_words.h"

#include <QByteArray>

#include <cmath>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

// Standard Blowfish: S-boxes box after box, key bytes taken cyclically four to a word.
CipherTables standardBlowfish(const QByteArray& key) {
    CipherTables t;
    for (std::size_t i = 0; i < 18; ++i)
        t.P[i] = kPiFractionWords[i];
    for (std::size_t n = 0; n < 1024; ++n)
        t.S[n / 256][n % 256] = kPiFractionWords[18 + n];
    qsizetype j = 0;
    for (auto& p : t.P) {
        std::uint32_t d = 0;
        for (int b = 0; b < 4; ++b) {
            d = (d << 8) | static_cast<unsigned char>(key[j]);
            j = (j + 1) % key.size();
        }
        p ^= d;
    }
    std::uint32_t L = 0, R = 0;
    for (std::size_t i = 0; i < 18; i += 2) {
        t.EncipherBlock(L, R);
        t.P[i] = L;
        t.P[i + 1] = R;
    }
    for (auto& box : t.S)
        for (std::size_t e = 0; e < 256; e += 2) {
            t.EncipherBlock(L, R);
            box[e] = L;
            box[e + 1] = R;
        }
    return t;
}

struct Vector {
    const char* name;
    const char* key;
    const char* plain;
    const char* cipher;
};

class PublishedBlowfishVectors : public ::testing::TestWithParam<Vector> {};

TEST_P(PublishedBlowfishVectors, EncipherAndDecipher) {
    const auto& v = GetParam();
    const CipherTables t = standardBlowfish(QByteArray::fromHex(v.key));
    const QByteArray plain = QByteArray::fromHex(v.plain);
    const auto* p = reinterpret_cast<const unsigned char*>(plain.constData());
    std::uint32_t L = ReadBlockWord(p), R = ReadBlockWord(p + 4);
    t.EncipherBlock(L, R);
    unsigned char out[8];
    WriteBlockWord(out, L);
    WriteBlockWord(out + 4, R);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out), 8).toHex().toUpper(), QByteArray(v.cipher));
    t.DecipherBlock(L, R);
    EXPECT_EQ(L, ReadBlockWord(p));
    EXPECT_EQ(R, ReadBlockWord(p + 4));
}

// The first rows are Eric Young's published set; the 16-byte keys were cross-checked with OpenSSL's
// bf-ecb.
INSTANTIATE_TEST_SUITE_P(
    Table, PublishedBlowfishVectors,
    ::testing::Values(
        Vector{"zero_key", "0000000000000000", "0000000000000000", "4EF997456198DD78"},
        Vector{"all_ones", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        Vector{"high_bit_key", "3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        Vector{"repeated_ones", "1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        Vector{"counting_key", "0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        Vector{"reverse_key", "FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        Vector{"mixed", "7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
        Vector{"openssl_16_byte_ones", "FFFFFFFFFFFFFFFF0000000000000000", "FFFFFFFFFFFFFFFF", "5AACFB5A8DC0155D"},
        Vector{"openssl_16_byte_mixed", "7CA110454A1A6E570000000000000000", "01A1D6D039776742", "02577C1CDEDD5FE3"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bailey-Borwein-Plouffe: the fraction of 16^d x pi from position d on, independent of the generator
// that wrote the table.
double bbpSeries(int j, int d) {
    double sum = 0.0;
    for (int k = 0; k <= d; ++k) {
        const int den = 8 * k + j;
        std::int64_t power = 1, base = 16 % den;
        for (int e = d - k; e > 0; e >>= 1) { // 16^(d-k) mod den
            if (e & 1)
                power = power * base % den;
            base = base * base % den;
        }
        sum += static_cast<double>(power) / den;
        sum -= std::floor(sum);
    }
    for (int k = d + 1; k <= d + 20; ++k)
        sum += std::pow(16.0, d - k) / (8 * k + j);
    return sum - std::floor(sum);
}

std::uint32_t piHexDigitsAt(int d, int count) {
    double x = 4 * bbpSeries(1, d) - 2 * bbpSeries(4, d) - bbpSeries(5, d) - bbpSeries(6, d);
    x -= std::floor(x);
    std::uint32_t digits = 0;
    for (int i = 0; i < count; ++i) {
        x *= 16;
        const auto digit = static_cast<std::uint32_t>(x);
        digits = digits * 16 + digit;
        x -= digit;
    }
    return digits;
}

TEST(PiFractionWords, AgreeWithAnIndependentDigitExtraction) {
    for (int word : {0, 1, 17, 18, 100, 273, 274, 500, 777, 1000, 1041}) {
        // Six digits per word: well inside what double precision extracts reliably at these depths.
        EXPECT_EQ(kPiFractionWords[static_cast<std::size_t>(word)] >> 8, piHexDigitsAt(8 * word, 6)) << "word " << word;
    }
}

TEST(PiFractionWords, HoldTheQuotedConstants) {
    EXPECT_EQ(kPiFractionWords[0], 0x243F6A88u);
    EXPECT_EQ(kPiFractionWords[1], 0x85A308D3u);
    EXPECT_EQ(kPiFractionWords[17], 0x8979FB1Bu);
    EXPECT_EQ(kPiFractionWords[18], 0xD1310BA6u);        // first word of the first box
    EXPECT_EQ(kPiFractionWords[18 + 256], 0x4B7A70E9u);  // first word of the second box
    EXPECT_EQ(kPiFractionWords[18 + 1023], 0x3AC372E6u); // last word of the fourth box
}

} // namespace
