#include "backup.h"

#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace fangji::store {

Status backupDatabase(const QString& from, const QString& to, const QString& connect) {
    auto source = Database::open(from, connect);
    if (!source) {
        return source.error();
    }
    const QFileInfo target(to);
    if (target.isDir()) {
        return DbError{SQLITE_CANTOPEN, QStringLiteral("unable to open database file")};
    }
    // A name beside the target, in the same folder, so that the final rename stays
    // on one file system and replaces the target in one step.
    QTemporaryFile beside(target.absoluteDir().filePath(target.fileName() + QStringLiteral(".XXXXXX")));
    beside.setAutoRemove(false);
    if (!beside.open()) {
        return DbError{SQLITE_CANTOPEN, beside.errorString()};
    }
    const QString partPath = beside.fileName();
    beside.close();
    auto removePart = [&partPath] { QFile::remove(partPath); };

    {
        auto dest = Database::create(partPath, connect);
        if (!dest) {
            removePart();
            return dest.error();
        }
        sqlite3_backup* backup = sqlite3_backup_init(dest->handle(), "main", source->handle(), "main");
        if (backup == nullptr) {
            DbError e = dest->lastError();
            dest->close();
            removePart();
            return e;
        }
        int rc = SQLITE_OK;
        do {
            rc = sqlite3_backup_step(backup, -1);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                sqlite3_sleep(20);
            }
        } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE) {
            DbError e{rc, QString::fromUtf8(sqlite3_errstr(rc))};
            dest->close();
            removePart();
            return e;
        }
        dest->close();
    }
    source->close();

    // The copy must open with the key and read back before it replaces anything.
    {
        auto check = Database::open(partPath, connect);
        if (!check) {
            removePart();
            return check.error();
        }
        auto probe = check->prepareNative(QStringLiteral("PRAGMA quick_check"));
        if (!probe) {
            removePart();
            return probe.error();
        }
        auto row = probe->step();
        if (!row || !*row || probe->text(0) != QStringLiteral("ok")) {
            const DbError e = row ? DbError{SQLITE_CORRUPT, probe->text(0)} : row.error();
            probe = Statement();
            check->close();
            removePart();
            return e;
        }
    }

    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(partPath.toStdU16String()),
                            std::filesystem::path(target.absoluteFilePath().toStdU16String()), ec);
    if (ec) {
        removePart();
        return DbError{SQLITE_IOERR, QString::fromLocal8Bit(ec.message().c_str())};
    }
    return {};
}

} // namespace fangji::store
