#pragma once

#include "result.h"

#include <QString>

namespace fangji::store {

// Copies the database file at `from` to `to` through the engine's backup facility,
// so that the copy is consistent even while other connections hold `from` open.
// Both files carry the key of `connect`. The copy is written beside `to` and then
// renamed into place, replacing an existing file; on failure `to` is left as it was.
Status backupDatabase(const QString& from, const QString& to, const QString& connect);

} // namespace fangji::store
