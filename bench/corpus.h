#pragma once

#include "store/database.h"
#include "store/result.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace fangji::bench {

// Writes count seeded, realistic prescriptions into 中医方剂 of an open database, in one transaction.
// Same seed, same rows. Names are unique.
store::Status generateCorpus(store::Database& db, int count, quint32 seed = 42);

// The corpus sizes a benchmark runs: those on its command line, else 1,000, 10,000 and 100,000.
std::vector<int> corpusSizes(int argc, char** argv);

// Writes a new import source at sourcePath (the import's key) whose table zyfj holds the
// prescriptions of the database at corpusPath.
bool makeImportSource(const QString& corpusPath, const QString& sourcePath);

// The template database beside the benchmark program; empty (with a message on
// standard error) when it is not there.
QString templateBesideProgram();

} // namespace fangji::bench
