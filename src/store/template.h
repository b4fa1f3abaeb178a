#pragma once

#include "result.h"

#include <QString>

namespace fangji::store {

// Writes a new database file at path, keyed with connect's password, holding the
// tables of schemaSql. An existing file at path is replaced.
Status createDatabase(const QString& path, const QString& connect, const QString& schemaSql);

} // namespace fangji::store
