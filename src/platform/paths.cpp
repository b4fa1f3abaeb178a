#include "paths.h"

#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace fangji::platform {

namespace {
QString g_dataDir;
} // namespace

void setDataDir(const QString& dir) {
    g_dataDir = dir.isEmpty() || dir.endsWith(u'/') ? dir : dir + u'/';
}

QString dataDir() {
    if (!g_dataDir.isEmpty()) {
        return g_dataDir;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("c:/qxdata/");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/qxdata/");
#endif
}

QString databasePath() {
    return dataDir() + store::kDatabaseFileName;
}

namespace {
QString g_programDir;
} // namespace

QString programDir() {
    return g_programDir.isEmpty() ? QCoreApplication::applicationDirPath() : g_programDir;
}

void setProgramDir(const QString& dir) {
    g_programDir = dir;
}

QString shippedFile(const QString& name) {
    const QString beside = programDir() + u'/' + name;
    if (QFileInfo::exists(beside)) {
        return beside;
    }
    const QString shared = QDir::cleanPath(programDir() + QStringLiteral("/../share/fangji/") + name);
    if (QFileInfo::exists(shared)) {
        return shared;
    }
    return beside;
}

QString templatePath() {
    return shippedFile(store::kDatabaseFileName);
}

} // namespace fangji::platform
