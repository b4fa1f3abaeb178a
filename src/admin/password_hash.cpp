#include "password_hash.h"

#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <random>

namespace fangji::firstuse {

namespace {

const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
// Beyond this a stored row is treated as damaged rather than spending minutes on it.
constexpr int kMaxIterations = 10000000;

QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    const QByteArray utf8 = password.toUtf8();
    QByteArray out(kHashBytes, '\0');
    const int ok =
        PKCS5_PBKDF2_HMAC(utf8.constData(), static_cast<int>(utf8.size()),
                          reinterpret_cast<const unsigned char*>(salt.constData()), static_cast<int>(salt.size()),
                          iterations, EVP_sha256(), kHashBytes, reinterpret_cast<unsigned char*>(out.data()));
    return ok == 1 ? out : QByteArray();
}

struct Parsed {
    int iterations = 0;
    QByteArray salt;
    QByteArray hash;
};

bool parse(const QString& stored, Parsed& p) {
    const QStringList parts = stored.split(u'$');
    if (parts.size() != 4 || parts[0] != kScheme) {
        return false;
    }
    bool ok = false;
    p.iterations = parts[1].toInt(&ok);
    if (!ok || p.iterations < 1 || p.iterations > kMaxIterations) {
        return false;
    }
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto hash = QByteArray::fromBase64Encoding(parts[3].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !hash || salt.decoded.isEmpty() || hash.decoded.size() != kHashBytes) {
        return false;
    }
    p.salt = salt.decoded;
    p.hash = hash.decoded;
    return true;
}

} // namespace

QString hashPassword(const QString& password, const QByteArray& salt, int iterations) {
    const QByteArray hash = derive(password, salt, iterations);
    if (hash.isEmpty()) {
        return {};
    }
    return kScheme + u'$' + QString::number(iterations) + u'$' + QString::fromLatin1(salt.toBase64()) + u'$' +
           QString::fromLatin1(hash.toBase64());
}

QString hashPassword(const QString& password) {
    QByteArray salt(kSaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), kSaltBytes) != 1) {
        // The generator is always seeded on the systems the program runs on; fall back to the OS source.
        std::random_device rd;
        for (char& c : salt) {
            c = static_cast<char>(rd());
        }
    }
    return hashPassword(password, salt, kPasswordIterations);
}

bool verifyPassword(const QString& password, const QString& stored) {
    Parsed p;
    if (!parse(stored, p)) {
        return false;
    }
    const QByteArray hash = derive(password, p.salt, p.iterations);
    return hash.size() == p.hash.size() && CRYPTO_memcmp(hash.constData(), p.hash.constData(), hash.size()) == 0;
}

bool isPasswordHash(const QString& stored) {
    Parsed p;
    return parse(stored, p);
}

} // namespace fangji::firstuse
