#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace fangji::platform {

// Holds a lock for the life of the process; a second instance finds it taken.
class SingleInstance {
public:
    explicit SingleInstance(const QString& lockPath = defaultLockPath());
    ~SingleInstance();
    // False when another running instance holds the lock.
    bool acquired() const { return m_acquired; }
    static QString defaultLockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

} // namespace fangji::platform
