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
    // False when the lock could not be taken: another running instance holds it, or
    // the lock file cannot be made at all (heldByAnother() tells which).
    bool acquired() const { return m_acquired; }
    bool heldByAnother() const;
    static QString defaultLockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

} // namespace fangji::platform
