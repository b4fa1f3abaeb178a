#pragma once

#include "store/result.h"

#include <QString>

namespace fangji::admin {

// Whether the file at `path` is a database of this system: it opens with the key of
// `connect` and holds every table the system works with. Returns the reason otherwise.
store::Status checkSystemDatabase(const QString& path, const QString& connect);

// Copies the database file to `target` (a backup). The copy is consistent even while
// other windows hold the database open, opens with the same key, and replaces an
// existing file at `target` only once it is complete.
store::Status backupDatabaseFile(const QString& databasePath, const QString& target);

// Puts the backup at `source` in place of the database file (a restore). The source
// must be a database of this system (checkSystemDatabase); the database file is
// replaced in one step, so a failure midway leaves it as it was.
store::Status restoreDatabaseFile(const QString& source, const QString& databasePath);

} // namespace fangji::admin
