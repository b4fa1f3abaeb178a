#include "template.h"

#include "database.h"

#include <QFile>

namespace fangji::store {

Status createDatabase(const QString& path, const QString& connect, const QString& schemaSql) {
    QFile::remove(path);
    auto db = Database::create(path, connect);
    if (!db) {
        return db.error();
    }
    if (Status s = db->executeNative(QStringLiteral("BEGIN;") + schemaSql + QStringLiteral(";COMMIT;")); !s) {
        return s;
    }
    db->close();
    return {};
}

} // namespace fangji::store
