#pragma once

#include <QByteArray>
#include <QString>

// Salted, slow password hashes for 密码表.密码. The stored form is
// "pbkdf2-sha256$<iterations>$<salt, base64>$<hash, base64>", so that the
// iteration count can grow without making older rows unreadable.
namespace fangji::firstuse {

// Rounds used for every new hash.
inline constexpr int kPasswordIterations = 210000;

// Hashes password (as UTF-8) with a fresh random 16-byte salt.
QString hashPassword(const QString& password);
// Hashes with the given salt and iteration count (for checks and tests).
QString hashPassword(const QString& password, const QByteArray& salt, int iterations);
// True when password hashes to stored. A stored value in any other form never matches.
bool verifyPassword(const QString& password, const QString& stored);
// True when stored has the hash form (it is never a plain-text password).
bool isPasswordHash(const QString& stored);

} // namespace fangji::firstuse
