#include "backup_restore.h"

#include "store/backup.h"
#include "store/database.h"
#include "store/schema.h"

#include <QStringList>

namespace fangji::admin {

namespace {
// SQLite's result code for "file is not a database", used when the file opens but
// lacks the system's tables.
constexpr int kNotADatabase = 26;
} // namespace

store::Status checkSystemDatabase(const QString& path, const QString& connect) {
    auto db = store::Database::open(path, connect);
    if (!db) {
        return db.error();
    }
    namespace t = store::table;
    const QStringList tables{t::kPrescriptions, t::kEffects,   t::kIndications, t::kClinical,
                             t::kProfile,       t::kPasswords, t::kSettings,    t::kLayout};
    for (const QString& name : tables) {
        auto has = db->hasTable(name);
        if (!has) {
            return has.error();
        }
        if (!*has) {
            return store::DbError{kNotADatabase, QStringLiteral("缺少数据表：") + name};
        }
    }
    return {};
}

store::Status backupDatabaseFile(const QString& databasePath, const QString& target) {
    if (store::Status s = checkSystemDatabase(databasePath, store::kMainConnect); !s) {
        return store::DbError{kNotADatabase,
                              QStringLiteral("系统数据已损坏，不能备份。（%1）").arg(s.error().description)};
    }
    return store::backupDatabase(databasePath, target, store::kMainConnect);
}

store::Status restoreDatabaseFile(const QString& source, const QString& databasePath, int waitMs) {
    if (store::Status s = checkSystemDatabase(source, store::kMainConnect); !s) {
        return s;
    }
    return store::restoreDatabase(source, databasePath, store::kMainConnect, waitMs);
}

} // namespace fangji::admin
