#include "single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace fangji::platform {

QString SingleInstance::defaultLockPath() {
    // Beside the data folder, not inside it: the data folder may not exist yet.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(base);
    return base + QStringLiteral("/qxdata.lock");
}

SingleInstance::SingleInstance(const QString& lockPath) : m_lock(std::make_unique<QLockFile>(lockPath)) {
    m_lock->setStaleLockTime(0);
    m_acquired = m_lock->tryLock(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::heldByAnother() const {
    return !m_acquired && m_lock->error() == QLockFile::LockFailedError;
}

} // namespace fangji::platform
