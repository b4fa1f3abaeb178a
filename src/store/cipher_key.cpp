#include "cipher_key.h"

#include "database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>

#include <openssl/evp.h>
#include <sqlite3.h>

#include <cstdio>

namespace fangji::store {

QString connectPassword(const QString& connect) {
    for (const QString& part : connect.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (trimmed.startsWith(QStringLiteral("pwd="), Qt::CaseInsensitive)) {
            return trimmed.mid(4);
        }
    }
    return {};
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
// Vector code that ran before (string and text routines compiled for AVX) can leave the
// upper halves of the AVX registers in use; the digest's SSE code then runs with a
// penalty on every instruction on processors that track that state, and the derivation
// takes up to twice its time. Clearing them first costs one instruction.
__attribute__((target("avx"))) void clearUpperVectorHalves() {
    __builtin_ia32_vzeroupper();
}
void beforeDigestCode() {
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) {
        clearUpperVectorHalves();
    }
}
#else
void beforeDigestCode() {}
#endif

// The raw key SQLCipher derives from a passphrase and a file's salt (PBKDF2-HMAC-SHA1,
// 64,000 rounds, 32 bytes). Deriving it once per salt spares every later open the
// slow derivation.
QByteArray rawKeyFor(const QByteArray& passphrase, const QByteArray& salt) {
    static QHash<QByteArray, QByteArray> cache;
    const QByteArray cacheKey = passphrase + '\0' + salt;
    auto it = cache.constFind(cacheKey);
    if (it != cache.constEnd()) {
        return *it;
    }
    QByteArray key(32, '\0');
    // The benchmarks ask how long the derivations of a run take.
    static const bool report = qEnvironmentVariableIsSet("FANGJI_REPORT_KEY_DERIVATION");
    QElapsedTimer timer;
    timer.start();
    beforeDigestCode();
    if (PKCS5_PBKDF2_HMAC_SHA1(passphrase.constData(), passphrase.size(),
                               reinterpret_cast<const unsigned char*>(salt.constData()), salt.size(), 64000, key.size(),
                               reinterpret_cast<unsigned char*>(key.data())) != 1) {
        return {};
    }
    if (report) {
        std::fprintf(stderr, "key derivation: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    }
    cache.insert(cacheKey, key);
    return key;
}

} // namespace

int applyKey(sqlite3* db, const QString& path, const QString& connect, bool fresh, int pageSize) {
    const QByteArray passphrase = connectPassword(connect).toUtf8();
    QByteArray salt;
    if (!fresh) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            salt = f.read(16);
        }
    }
    int rc = SQLITE_OK;
    const QByteArray key = salt.size() == 16 ? rawKeyFor(passphrase, salt) : QByteArray();
    if (!key.isEmpty()) {
        const QByteArray raw = "x'" + key.toHex() + salt.toHex() + "'";
        rc = sqlite3_key(db, raw.constData(), raw.size());
    } else {
        rc = sqlite3_key(db, passphrase.constData(), passphrase.size());
    }
    if (rc == SQLITE_OK) {
        // Ignored by SQLCipher 3; lets SQLCipher 4 read files of this format.
        sqlite3_exec(db, "PRAGMA cipher_compatibility = 3", nullptr, nullptr, nullptr);
        const QByteArray pragma = "PRAGMA cipher_page_size = " + QByteArray::number(pageSize);
        rc = sqlite3_exec(db, pragma.constData(), nullptr, nullptr, nullptr);
    }
    return rc;
}

// The page sizes to open an existing file with, most likely first: the store's own, then
// the engine's former 1 KiB. A journal left by an interrupted write names the size of the
// file's pages in its header; that size goes first, so the journal is rolled back with it.
std::vector<int> pageSizesToTry(const QString& path) {
    std::vector<int> sizes{kPageSize, 1024};
    QFile journal(path + QStringLiteral("-journal"));
    if (journal.open(QIODevice::ReadOnly)) {
        static const QByteArray kMagic = QByteArray::fromHex("d9d505f920a163d7");
        const QByteArray header = journal.read(28);
        if (header.size() == 28 && header.startsWith(kMagic)) {
            const auto* b = reinterpret_cast<const unsigned char*>(header.constData()) + 24;
            const int size = (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
            if (size == 1024 && sizes.front() != size) {
                std::swap(sizes[0], sizes[1]);
            }
        }
    }
    return sizes;
}

} // namespace fangji::store
