#pragma once

#include "result.h"

#include <QString>

#include <functional>

namespace fangji::store {

// Result codes of the copy operations beyond the engine's own.
inline constexpr int kErrorInUse = 5;       // SQLITE_BUSY: another connection holds the file
inline constexpr int kErrorSameFile = 21;   // SQLITE_MISUSE: the copy would replace its own source
inline constexpr int kErrorNotChecked = 11; // SQLITE_CORRUPT: a copy failed its check

// Copies the database file at `from` to `to`, consistent even while other connections
// hold `from` open: the file's bytes are copied as they stand while a read transaction
// on `from` keeps every writer from committing (a journal an interrupted write left is
// rolled back first), so the copy keeps the source's salt, key and page size and opens
// without a new key derivation. A file not in the rollback-journal mode is copied page
// by page through the engine's backup facility instead. The copy is written beside
// `to`, made durable, checked (it opens and passes the engine's quick check), and then
// renamed into place, replacing an existing file; on failure `to` is left as it was.
// Temporary copies that an interrupted earlier copy left beside `to` are removed first.
Status backupDatabase(const QString& from, const QString& to, const QString& connect);

// Puts the content of the database file `from` into the database file `to`, which
// stays the same file: the pages are written into it in one transaction of its own,
// so that other connections see either the old or the restored content, a journal
// left by an interrupted write is rolled back first rather than played into the
// restored content, and an interrupted restore leaves the old content. While another
// connection reads or writes `to`, the restore waits at most `waitMs` and then fails
// with kErrorInUse, changing nothing. A file at `to` that is missing or no database
// at all is replaced as a whole.
// When both files carry the same salt and page size (a backup this installation made)
// the backup's bytes are written as they stand (only the pages that differ), after the old
// pages went into the engine's rollback journal; the result opens with its key and schema. Otherwise the
// pages are copied through the cipher, and the result passes the engine's quick check
// and holds as many rows in every table as `from`. `progress`, when given, hears the
// bytes written so far and the total as the copy goes on.
using CopyProgress = std::function<void(qint64 done, qint64 total)>;
Status restoreDatabase(const QString& from, const QString& to, const QString& connect, int waitMs,
                       const CopyProgress& progress = {});

// Removes the temporary copies (and their journals) that an interrupted backup or
// restore left beside `target`; files of other names are never touched.
void removeCopyLeftovers(const QString& target);

} // namespace fangji::store
