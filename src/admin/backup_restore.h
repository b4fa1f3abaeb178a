#pragma once

#include "store/result.h"

#include <QString>

namespace fangji::admin {

// Whether the file at `path` is a database of this system: it opens with the key of
// `connect` and holds every table the system works with. Returns the reason otherwise.
store::Status checkSystemDatabase(const QString& path, const QString& connect);

// How long a restore waits for other users of the database file to finish before it
// gives up with "数据文件正在使用，不能恢复。".
inline constexpr int kRestoreWaitMs = 3000;

// Copies the database file to `target` (a backup). The database file must be a
// database of this system (checkSystemDatabase). The copy is consistent even while
// other windows hold the database open, opens with the same key, and replaces an
// existing file at `target` only once it is complete and checked.
store::Status backupDatabaseFile(const QString& databasePath, const QString& target);

// Puts the content of the backup at `source` into the database file (a restore). The
// source must be a database of this system (checkSystemDatabase). The database file
// stays the same file and is written in one transaction: other connections see the old
// or the restored content, never a mixture; while one of them reads or writes, the
// restore waits at most `waitMs`, then fails with store::kErrorInUse and changes
// nothing. The result is checked before success is reported.
store::Status restoreDatabaseFile(const QString& source, const QString& databasePath, int waitMs = kRestoreWaitMs);

} // namespace fangji::admin
