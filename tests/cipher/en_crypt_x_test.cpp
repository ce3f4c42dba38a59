#include "cipher/en_crypt_x.h"

#include "cipher/mod_crypt_carrowmere.h"
#include "cipher/pi_words.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

// Every test runs with the scripted hooks, so the cipher's yield runs the real event loop and no box
// can block.
class EnCryptXTest : public ::testing::Test {
protected:
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped{hooks};
};

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

// Deciphers the raw CBC blocks of an enciphered buffer without any size check, to look at the layout.
QByteArray rawDecipher(const CipherTables& t, const QByteArray& enciphered) {
    QByteArray out = enciphered;
    auto* b = reinterpret_cast<unsigned char*>(out.data());
    std::uint32_t pl = 0, pr = 0;
    for (qsizetype o = 0; o + 8 <= out.size(); o += 8) {
        const std::uint32_t cl = ReadBlockWord(b + o), cr = ReadBlockWord(b + o + 4);
        std::uint32_t L = cl, R = cr;
        t.DecipherBlock(L, R);
        WriteBlockWord(b + o, L ^ pl);
        WriteBlockWord(b + o + 4, R ^ pr);
        pl = cl;
        pr = cr;
    }
    return out;
}

TEST_F(EnCryptXTest, FreshTablesAreThePiConstantsDealtOutToTheFourBoxes) {
    const EnCryptX c;
    const CipherTables& t = c.tables();
    EXPECT_EQ(t.P[0], 0x243F6A88u);
    EXPECT_EQ(t.P[1], 0x85A308D3u);
    EXPECT_EQ(t.P[17], 0x8979FB1Bu);
    EXPECT_EQ(t.S[0][0], 0xD1310BA6u);
    EXPECT_EQ(t.S[1][0], 0x98DFB5ACu);
    EXPECT_EQ(t.S[2][0], 0x2FFD72DBu);
    EXPECT_EQ(t.S[3][0], 0xD01ADFB7u);
    EXPECT_EQ(t.S[0][1], 0xB8E1AFEDu);
    EXPECT_EQ(t.S[0][64], 0x4B7A70E9u);
    EXPECT_EQ(t.S[3][255], 0x3AC372E6u);
}

TEST_F(EnCryptXTest, UnkeyedInstanceEnciphersTheZeroBlockToTheKnownAnswer) {
    const EnCryptX c;
    std::uint32_t L = 0, R = 0;
    c.tables().EncipherBlock(L, R);
    EXPECT_EQ(L, 0xF155B7CFu);
    EXPECT_EQ(R, 0xC1E56C7Bu);
    c.tables().DecipherBlock(L, R);
    EXPECT_EQ(L, 0u);
    EXPECT_EQ(R, 0u);
}

// The key words fold their bytes with OR: k0, k0|k1, k0|k1|k2, k0|k1|k2|k3. Keyed with bytes whose
// folded words are already "standard", the schedule must equal a plain cyclic schedule of those words.
TEST_F(EnCryptXTest, KeyWordsFoldTheirBytesWithOr) {
    EnCryptX folded;
    folded.Key(cp1252::decode(bytesOf({0x01, 0x02, 0x04, 0x08})));
    EnCryptX plain;
    plain.Key(cp1252::decode(bytesOf({0x01, 0x03, 0x07, 0x0F})));
    EXPECT_EQ(folded.tables().P, plain.tables().P);
    EXPECT_EQ(folded.tables().S, plain.tables().S);

    EnCryptX other;
    other.Key(cp1252::decode(bytesOf({0x01, 0x02, 0x04, 0x10})));
    EXPECT_NE(other.tables().P, folded.tables().P);
}

TEST_F(EnCryptXTest, OneCharacterKeyIsTheSameAsThatCharacterRepeated) {
    EnCryptX one, four;
    one.Key(QStringLiteral("é"));
    four.Key(QStringLiteral("éééé"));
    EXPECT_EQ(one.tables().P, four.tables().P);
    EXPECT_EQ(one.tables().S, four.tables().S);
}

TEST_F(EnCryptXTest, KeyBytesPastTheSeventySecondAreNeverUsed) {
    const QString base(72, QLatin1Char('k'));
    EnCryptX a, b;
    a.Key(base + QStringLiteral("X"));
    b.Key(base + QStringLiteral("Y"));
    EXPECT_EQ(a.tables().P, b.tables().P);
    EXPECT_EQ(a.tables().S, b.tables().S);
}

TEST_F(EnCryptXTest, SameKeyAgainChangesNothingButAnotherKeyRunsOverTheKeyedTables) {
    EnCryptX once, twice, rekeyed, fresh;
    once.Key(QStringLiteral("secret"));
    twice.Key(QStringLiteral("secret"));
    twice.Key(QStringLiteral("secret"));
    EXPECT_EQ(once.tables().P, twice.tables().P);

    rekeyed.Key(QStringLiteral("first"));
    rekeyed.Key(QStringLiteral("secret"));
    EXPECT_NE(rekeyed.tables().P, once.tables().P);

    // Deciphering undoes enciphering whatever the key history.
    for (EnCryptX* c : {&once, &rekeyed, &fresh}) {
        QByteArray data("any text at all");
        c->EncryptByte(data);
        c->DecryptByte(data);
        EXPECT_EQ(data, QByteArray("any text at all"));
    }
}

TEST_F(EnCryptXTest, EmptyKeyOnAKeyedInstanceRaisesRangeErrorAndKeepsTheTables) {
    EnCryptX fresh;
    EXPECT_NO_THROW(fresh.Key(QString()));

    EnCryptX c;
    c.Key(QStringLiteral("secret"));
    const CipherTables before = c.tables();
    try {
        c.Key(QString());
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::OutOfRange);
    }
    EXPECT_EQ(c.tables().P, before.P);
    // The key text is empty now, so the same key comes back through the schedule again.
    c.Key(QStringLiteral("secret"));
    EXPECT_NE(c.tables().P, before.P);
}

struct LayoutCase {
    const char* name;
    int n;
    int total;
};

class EnciphedLayout : public EnCryptXTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(EnciphedLayout, RandomBlockLengthDataAndZeroFill) {
    const auto& lc = GetParam();
    QByteArray data;
    for (int i = 0; i < lc.n; ++i)
        data.append(static_cast<char>(i * 7 + 1));
    EnCryptX c;
    QByteArray enciphered = data;
    c.EncryptByte(enciphered, QStringLiteral("layout"));
    ASSERT_EQ(enciphered.size(), lc.total);
    EXPECT_EQ(hooks.doEventsCalls, 0); // a short operation never lets the loop run

    const QByteArray raw = rawDecipher(c.tables(), enciphered);
    const auto* r = reinterpret_cast<const unsigned char*>(raw.constData());
    for (int w = 0; w < 2; ++w) { // the random words stay in 0..2147483647
        EXPECT_EQ(r[4 * w + 3] & 0x80, 0);
    }
    EXPECT_EQ(r[8] | (r[9] << 8) | (r[10] << 16) | (r[11] << 24), lc.n); // little-endian length
    EXPECT_EQ(raw.mid(12, lc.n), data);
    EXPECT_EQ(raw.mid(12 + lc.n), QByteArray(lc.total - 12 - lc.n, '\0'));

    EnCryptX other;
    other.DecryptByte(enciphered, QStringLiteral("layout"));
    EXPECT_EQ(enciphered, data);
}

INSTANTIATE_TEST_SUITE_P(Table, EnciphedLayout,
                         ::testing::Values(LayoutCase{"empty", 0, 16}, LayoutCase{"one", 1, 16},
                                           LayoutCase{"four", 4, 16}, LayoutCase{"five", 5, 24},
                                           LayoutCase{"twelve", 12, 24}, LayoutCase{"thirteen", 13, 32},
                                           LayoutCase{"hundred", 100, 112}),
                         [](const auto& info) { return std::string(info.param.name); });

struct YieldCase {
    const char* name;
    bool encipher;
    int progressSleepMs; // each progress report takes this long, so that slices of work take time
};

class CipherYield : public EnCryptXTest, public ::testing::WithParamInterface<YieldCase> {};

// The loop runs in the middle of a long operation, but by slices of time, not after every block: at
// most once per 128 blocks, and after every slice that took a millisecond or more.
TEST_P(CipherYield, TheLoopRunsBySlicesOfWorkNotAfterEveryBlock) {
    const auto& yc = GetParam();
    QByteArray data(1024 * 1024, 'y');
    EnCryptX enc;
    enc.EncryptByte(data, QStringLiteral("slices"));
    const qsizetype blocks = data.size() / 8;
    hooks.doEventsCalls = 0;
    EnCryptX c;
    int reports = 0;
    c.Progress = [&](std::int32_t&) {
        ++reports;
        if (yc.progressSleepMs > 0)
            QThread::msleep(static_cast<unsigned long>(yc.progressSleepMs));
    };
    if (yc.encipher)
        c.EncryptByte(data, QStringLiteral("slices"));
    else
        c.DecryptByte(data, QStringLiteral("slices"));
    EXPECT_GE(hooks.doEventsCalls, 1);
    EXPECT_LE(hooks.doEventsCalls, blocks / 128 + 1);
    if (yc.progressSleepMs > 0) { // every report but the final one is followed by a slice of over 1 ms
        EXPECT_GE(hooks.doEventsCalls, reports / 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CipherYield,
                         ::testing::Values(YieldCase{"encipher", true, 0}, YieldCase{"decipher", false, 0},
                                           YieldCase{"encipher_slow_slices", true, 2},
                                           YieldCase{"decipher_slow_slices", false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EnCryptXTest, TheFirstBlockIsFreshForEveryEncipherment) {
    // Enciphered back to back, faster than any clock tick: every first block must still differ.
    QSet<QByteArray> firstBlocks;
    for (int i = 0; i < 64; ++i) {
        EnCryptX c;
        QByteArray data("same text");
        c.EncryptByte(data);
        firstBlocks.insert(rawDecipher(c.tables(), data).left(8));
    }
    EXPECT_EQ(firstBlocks.size(), 64);
}

TEST_F(EnCryptXTest, ProgressClimbsToAHundredWithAboutOneReportPerPercent) {
    EnCryptX c;
    std::vector<std::int32_t> reports;
    c.Progress = [&](std::int32_t& percent) { reports.push_back(percent); };
    QByteArray data(64 * 1024, 'x');
    c.EncryptByte(data);
    ASSERT_FALSE(reports.empty());
    EXPECT_LE(reports.size(), 102u);
    EXPECT_GE(reports.size(), 100u);
    EXPECT_EQ(reports.front(), 0);
    EXPECT_EQ(reports.back(), 100);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));

    reports.clear();
    c.DecryptByte(data);
    EXPECT_EQ(data, QByteArray(64 * 1024, 'x'));
    EXPECT_EQ(reports.back(), 100);
    EXPECT_EQ(std::count(reports.begin(), reports.end(), 100), 1);
}

TEST_F(EnCryptXTest, FailedSizeCheckLeavesTheWholeBufferAndNoFinalReport) {
    EnCryptX c;
    std::vector<std::int32_t> reports;
    c.Progress = [&](std::int32_t& percent) { reports.push_back(percent); };
    QByteArray data(24, '\x5A'); // not an enciphered buffer: the length field is garbage
    c.DecryptByte(data, QStringLiteral("k"));
    EXPECT_EQ(data.size(), 24);
    EXPECT_NE(data, QByteArray(24, '\x5A'));
    EXPECT_EQ(std::count(reports.begin(), reports.end(), 100), 0);
}

TEST_F(EnCryptXTest, PartialLastBlockStaysAsItWas) {
    EnCryptX enc;
    QByteArray data("hello"); // 24 bytes enciphered
    enc.EncryptByte(data, QStringLiteral("k"));
    QByteArray damaged = data + QByteArray("\x01\x02\x03", 3);
    EnCryptX dec;
    dec.DecryptByte(damaged, QStringLiteral("k"));
    ASSERT_EQ(damaged.size(), 27);
    EXPECT_EQ(damaged.right(3), QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(damaged.mid(12, 5), QByteArray("hello"));

    QByteArray shortBuffer("abc");
    dec.DecryptByte(shortBuffer);
    EXPECT_EQ(shortBuffer, QByteArray("abc"));
}

TEST_F(EnCryptXTest, WrongKeyGivesGarbageAndNoError) {
    EnCryptX enc;
    const QString hex = enc.EncryptString(QStringLiteral("the access key"), QStringLiteral("right"), true);
    EnCryptX dec;
    QString text;
    EXPECT_NO_THROW(text = dec.DecryptString(hex, QStringLiteral("wrong"), true));
    EXPECT_NE(text, QStringLiteral("the access key"));
    EXPECT_EQ(text.size(), hex.size() / 2);
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(EnCryptXTest, TextFormWithoutHexRoundTrips) {
    QString all;
    for (int b = 0; b < 256; ++b)
        all.append(QChar(cp1252::decodeByte(static_cast<unsigned char>(b))));
    EnCryptX enc;
    const QString enciphered = enc.EncryptString(all, QStringLiteral("k"));
    EXPECT_EQ(enciphered.size(), 272);
    EnCryptX dec;
    EXPECT_EQ(dec.DecryptString(enciphered, QStringLiteral("k")), all);
}

struct HexCase {
    const char* name;
    const char* text;
    const char* bytes; // hexadecimal of the expected bytes
};

class HexDecode : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexDecode, ReadsPairsUpToTheFirstNonDigit) {
    const auto& hc = GetParam();
    EXPECT_EQ(EnCryptX::HexDecodeText(QString::fromUtf8(hc.text)).toHex(), QByteArray(hc.bytes));
}

INSTANTIATE_TEST_SUITE_P(Table, HexDecode,
                         ::testing::Values(HexCase{"upper", "00FF7A", "00ff7a"}, HexCase{"lower", "ff7a", "ff7a"},
                                           HexCase{"odd_last_digit", "ABC", "ab0c"},
                                           HexCase{"stops_at_non_digit", "1G", "01"},
                                           HexCase{"nothing_read", "G1zz", "0000"},
                                           HexCase{"accented",
                                                   "\xC3\xA9"
                                                   "1",
                                                   "00"},
                                           HexCase{"empty", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EnCryptXTest, HexEncodeIsUpperCaseWithLeadingZeros) {
    EnCryptX c;
    EXPECT_EQ(c.HexEncodeText(bytesOf({0x00, 0x0A, 0xAB, 0xFF})), QStringLiteral("000AABFF"));
    const QByteArray big(5000, '\xC3');
    EXPECT_EQ(c.HexEncodeText(big), QStringLiteral("C3").repeated(5000));
}

TEST_F(EnCryptXTest, AnotherOperationCanRunInsideTheYieldOfALongOne) {
    // Another handler runs in the middle of a long encipherment (its slices made slow on purpose);
    // each has its own instance.
    QString nested;
    QTimer::singleShot(0, [&] { nested = DecryptWithFixedKey(EncryptWithFixedKey(QStringLiteral("nested"))); });
    EnCryptX c;
    c.Progress = [](std::int32_t&) { QThread::msleep(2); };
    const QString text(64000, QLatin1Char('q'));
    const QString hex = c.EncryptString(text, QStringLiteral("outer"), true);
    EXPECT_EQ(nested, QStringLiteral("nested"));
    EXPECT_GT(hooks.doEventsCalls, 0);
    EnCryptX d;
    EXPECT_EQ(d.DecryptString(hex, QStringLiteral("outer"), true), text);
}

struct NoYieldCase {
    const char* name;
    bool encipher;
    bool letsLoopRun;
    int bytes;
};

class CipherNoYield : public EnCryptXTest, public ::testing::WithParamInterface<NoYieldCase> {};

// However slow each slice (every progress report takes 2 ms here), an operation of fewer than 128
// blocks, or one of an instance told not to, never lets the loop run: nothing else runs inside it.
TEST_P(CipherNoYield, TheLoopNeverRuns) {
    const auto& nc = GetParam();
    QByteArray data(nc.bytes, 'n');
    EnCryptX enc;
    enc.LetsLoopRun = false;
    enc.EncryptByte(data, QStringLiteral("keys"));
    hooks.doEventsCalls = 0;
    bool ranInside = false;
    QTimer::singleShot(0, [&] { ranInside = true; });
    EnCryptX c;
    c.LetsLoopRun = nc.letsLoopRun;
    c.Progress = [](std::int32_t&) { QThread::msleep(2); };
    if (nc.encipher)
        c.EncryptByte(data, QStringLiteral("keys"));
    else
        c.DecryptByte(data, QStringLiteral("keys"));
    EXPECT_EQ(hooks.doEventsCalls, 0);
    EXPECT_FALSE(ranInside);
}

INSTANTIATE_TEST_SUITE_P(Table, CipherNoYield,
                         ::testing::Values(NoYieldCase{"short_encipher", true, true, 900},
                                           NoYieldCase{"short_decipher", false, true, 900},
                                           NoYieldCase{"long_encipher_told_not_to", true, false, 256 * 1024},
                                           NoYieldCase{"long_decipher_told_not_to", false, false, 256 * 1024}),
                         [](const auto& info) { return std::string(info.param.name); });

class EnCryptXFiles : public EnCryptXTest {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static void write(const QString& p, const QByteArray& bytes) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
};

TEST_F(EnCryptXFiles, RoundTripThroughFiles) {
    QByteArray content;
    for (int i = 0; i < 3000; ++i)
        content.append(static_cast<char>(i % 251));
    write(path("in"), content);
    EnCryptX enc;
    ASSERT_TRUE(enc.EncryptFile(path("in"), path("enc"), false, QStringLiteral("k")));
    EXPECT_EQ(read(path("enc")).size(), 3016);
    EnCryptX dec;
    ASSERT_TRUE(dec.DecryptFile(path("enc"), path("out"), false, QStringLiteral("k")));
    EXPECT_EQ(read(path("out")), content);
}

TEST_F(EnCryptXFiles, ExistingOutputIsKeptUnlessOverwriteAndThenReplacedWhole) {
    write(path("in"), "short");
    write(path("out"), QByteArray(500, 'o'));
    EnCryptX c;
    EXPECT_FALSE(c.EncryptFile(path("in"), path("out"), false, QStringLiteral("k")));
    EXPECT_EQ(read(path("in")), QByteArray("short"));
    EXPECT_EQ(read(path("out")), QByteArray(500, 'o'));

    EXPECT_TRUE(c.EncryptFile(path("in"), path("out"), true, QStringLiteral("k")));
    EXPECT_EQ(read(path("out")).size(), 24); // no tail of the older, longer file
    write(path("plain"), QByteArray(700, 'p'));
    EXPECT_TRUE(c.DecryptFile(path("out"), path("plain"), true, QStringLiteral("k")));
    EXPECT_EQ(read(path("plain")), QByteArray("short"));
}

TEST_F(EnCryptXFiles, MissingInputOrUnwritableOutputGivesFalse) {
    EnCryptX c;
    EXPECT_FALSE(c.EncryptFile(path("nothing"), path("out"), true));
    EXPECT_FALSE(QFile::exists(path("out")));
    EXPECT_FALSE(c.DecryptFile(dir.path(), path("out"), true)); // a folder is not a file
    write(path("in"), "data");
    EXPECT_FALSE(c.EncryptFile(path("in"), path("no/such/folder/out"), true));
}

} // namespace
