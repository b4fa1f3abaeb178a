#pragma once

#include "store/database.h"
#include "store/result.h"

#include <QtGlobal>

namespace fangji::bench {

// Writes count seeded, realistic prescriptions into 中医方剂 of an open database, in one transaction.
// Same seed, same rows. Names are unique.
store::Status generateCorpus(store::Database& db, int count, quint32 seed = 42);

} // namespace fangji::bench
