// Speed of the cipher: the raw CBC block rate beside OpenSSL's Blowfish (`openssl speed -evp bf-cbc`)
// when the machine has it; the byte operations as the program runs them (the yield running the event
// loop) and their ratio to the raw rate; and the fixed-key wrappers on texts of 1 KiB, 64 KiB and
// 1 MiB, with the yield running the event loop and with a yield that does nothing. Prints its figures.
#include "cipher/en_crypt_x.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "platform/runtime/ui_hooks.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace vellumo;

namespace {

class BenchHooks : public UiHooks {
public:
    explicit BenchHooks(bool runLoop) : runLoop_(runLoop) {}
    int messageBox(const QString&, int style, const QString&) override { return ConsoleUiHooks::safeAnswer(style); }
    void beep() override {}
    void logEvent(EventLogType, const QString&, const QString&) override {}
    void doEvents() override {
        if (runLoop_)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

private:
    bool runLoop_;
};

// Runs op until at least minMs have passed; returns MB/s (10^6 bytes) of `bytes` per call.
double rate(qsizetype bytes, const std::function<void()>& op, int minMs = 400) {
    QElapsedTimer t;
    t.start();
    qint64 calls = 0;
    do {
        op();
        ++calls;
    } while (t.elapsed() < minMs);
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    return static_cast<double>(bytes) * static_cast<double>(calls) / seconds / 1e6;
}

double rawBlockRate() {
    EnCryptX keyed;
    keyed.Key(QStringLiteral("benchmark key"));
    const CipherTables& t = keyed.tables();
    QByteArray buffer(16 * 1024, '\x5A');
    return rate(
        buffer.size(),
        [&] {
            auto* b = reinterpret_cast<unsigned char*>(buffer.data());
            std::uint32_t pl = 0, pr = 0;
            for (qsizetype o = 0; o < buffer.size(); o += 8) {
                std::uint32_t L = ReadBlockWord(b + o) ^ pl, R = ReadBlockWord(b + o + 4) ^ pr;
                t.EncipherBlock(L, R);
                WriteBlockWord(b + o, L);
                WriteBlockWord(b + o + 4, R);
                pl = L;
                pr = R;
            }
        },
        1500);
}

// OpenSSL's figure for 16384-byte buffers in MB/s, or a negative value when it is not available.
double opensslRate() {
    for (const QStringList& extra : {QStringList{}, QStringList{"-provider", "legacy", "-provider", "default"}}) {
        QProcess p;
        p.start(QStringLiteral("openssl"), QStringList{QStringLiteral("speed")} + extra +
                                               QStringList{"-seconds", "2", "-bytes", "16384", "-evp", "bf-cbc"});
        if (!p.waitForFinished(60000))
            continue;
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        const auto m =
            QRegularExpression(QStringLiteral("BF-CBC\\s+([0-9.]+)k"), QRegularExpression::CaseInsensitiveOption)
                .match(out);
        if (m.hasMatch())
            return m.captured(1).toDouble() / 1000.0;
    }
    return -1.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BenchHooks yielding(true), quiet(false);

    const double raw = rawBlockRate();
    std::printf("raw CBC block rate (16 KiB buffer): %.1f MB/s\n", raw);
    {
        ScopedUiHooks scoped(yielding);
        // A pending event keeps the yield from returning at once, as in the program.
        QTimer busy;
        busy.start(0);
        EnCryptX keyed;
        keyed.Key(QStringLiteral("benchmark key"));
        for (const qsizetype size : {qsizetype{16 * 1024}, qsizetype{1024 * 1024}, qsizetype{16 * 1024 * 1024}}) {
            QByteArray data(size, '\x5A');
            const double enc = rate(size, [&] {
                data.resize(size);
                keyed.EncryptByte(data);
            });
            QByteArray enciphered(size, '\x5A');
            keyed.EncryptByte(enciphered);
            QByteArray work;
            const double dec = rate(size, [&] {
                work = enciphered;
                keyed.DecryptByte(work);
            });
            std::printf("byte operations as the program runs them, %8lld bytes: encrypt %6.1f MB/s (%.2f of raw), "
                        "decrypt %6.1f MB/s (%.2f of raw)\n",
                        static_cast<long long>(size), enc, enc / raw, dec, dec / raw);
        }
    }
    std::printf("\n");

    std::printf("%-10s %-22s %12s %12s\n", "size", "yield", "encrypt MB/s", "decrypt MB/s");
    for (const qsizetype size : {qsizetype{1024}, qsizetype{64 * 1024}, qsizetype{1024 * 1024}}) {
        QString text;
        for (qsizetype i = 0; i < size; ++i)
            text.append(QChar(u"abcdéfghij klmnopqrstuvwxyz\u20AC"[i % 29]));
        for (BenchHooks* hooks : {&yielding, &quiet}) {
            ScopedUiHooks scoped(*hooks);
            const QString hex = EncryptWithFixedKey(text);
            const double enc = rate(size, [&] { (void)EncryptWithFixedKey(text); });
            const double dec = rate(size, [&] { (void)DecryptWithFixedKey(hex); });
            std::printf("%-10lld %-22s %12.2f %12.2f\n", static_cast<long long>(size),
                        hooks == &yielding ? "processEvents" : "none", enc, dec);
        }
    }

    const double ossl = opensslRate();
    std::printf("\n");
    if (ossl > 0)
        std::printf("openssl speed -evp bf-cbc (16384 bytes): %.1f MB/s; ratio openssl/ours %.2f\n", ossl, ossl / raw);
    else
        std::printf("openssl speed -evp bf-cbc: not available\n");
    return 0;
}
