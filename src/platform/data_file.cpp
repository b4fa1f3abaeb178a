#include "data_file.h"

#include "paths.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fangji::platform {

DataFileStatus ensureDataFolder() {
    const QString dir = dataDir();
    if (QFileInfo(dir).isDir() || QDir().mkpath(dir)) {
        return DataFileStatus::Present;
    }
    return DataFileStatus::FolderError;
}

DataFileStatus ensureDataFile() {
    if (ensureDataFolder() != DataFileStatus::Present) {
        return DataFileStatus::FolderError;
    }
    const QString dbPath = databasePath();
    if (QFileInfo::exists(dbPath)) {
        return DataFileStatus::Present;
    }
    const QString templ = templatePath();
    if (!QFileInfo::exists(templ)) {
        return DataFileStatus::TemplateMissing;
    }
    // Copy beside, then rename: a failed copy never leaves a half-written database.
    const QString partial = dbPath + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(templ, partial)) {
        QFile::remove(partial);
        return DataFileStatus::CopyError;
    }
    QFile(partial).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!QFile::rename(partial, dbPath)) {
        QFile::remove(partial);
        return DataFileStatus::CopyError;
    }
    return DataFileStatus::Copied;
}

store::Result<store::Database> openMainDatabase() {
    return store::Database::open(databasePath(), store::kMainConnect);
}

} // namespace fangji::platform
