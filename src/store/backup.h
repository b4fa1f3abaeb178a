#pragma once

#include "result.h"

#include <QString>

namespace fangji::store {

// Result codes of the copy operations beyond the engine's own.
inline constexpr int kErrorInUse = 5;       // SQLITE_BUSY: another connection holds the file
inline constexpr int kErrorSameFile = 21;   // SQLITE_MISUSE: the copy would replace its own source
inline constexpr int kErrorNotChecked = 11; // SQLITE_CORRUPT: a copy failed its check

// Copies the database file at `from` to `to` through the engine's backup facility,
// so that the copy is consistent even while other connections hold `from` open.
// Both files carry the key of `connect`; the copy keeps the source's page size. The
// copy is written beside `to`, checked, and then renamed into place, replacing an
// existing file; on failure `to` is left as it was. Temporary copies that an
// interrupted earlier copy left beside `to` are removed first.
Status backupDatabase(const QString& from, const QString& to, const QString& connect);

// Puts the content of the database file `from` into the database file `to`, which
// stays the same file: the pages are written into it in one transaction of its own,
// so that other connections see either the old or the restored content, a journal
// left by an interrupted write is rolled back first rather than played into the
// restored content, and an interrupted restore leaves the old content. While another
// connection reads or writes `to`, the restore waits at most `waitMs` and then fails
// with kErrorInUse, changing nothing. A file at `to` that is missing or no database
// at all is replaced as a whole. Before it reports success the restored file passes
// the engine's integrity check and holds as many rows in every table as `from`.
Status restoreDatabase(const QString& from, const QString& to, const QString& connect, int waitMs);

// Removes the temporary copies (and their journals) that an interrupted backup or
// restore left beside `target`; files of other names are never touched.
void removeCopyLeftovers(const QString& target);

} // namespace fangji::store
